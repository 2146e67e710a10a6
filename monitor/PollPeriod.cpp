#include "monitor/PollPeriod.h"

#include "comm/Communication.h"

namespace qda {

int PollPeriodMs(LinkKind commKind) {
    if (commKind == LinkKind::kSerial) return kPollPeriodSerialMs;
    if (commKind == LinkKind::kUsb) return kPollPeriodUsbMs;
    return 0;
}

}  // namespace qda
