#include "monitor/PollPeriod.h"

#include "comm/Communication.h"

namespace qda {

int PollPeriodMs(int commKind) {
    if (commKind == kKindSerial) return kPollPeriodSerialMs;
    if (commKind == kKindUsb) return kPollPeriodUsbMs;
    return 0;
}

}  // namespace qda
