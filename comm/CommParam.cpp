#include "comm/CommParam.h"

namespace qda {

int BaudOfIndex(int index) {
    static const int kBauds[] = {9600, 19200, 38400, 57600, 115200};
    return index >= 0 && index < 5 ? kBauds[index] : 0;
}

int ParityCodeOfIndex(int index) {
    static const int kCodes[] = {2, 1, 0};
    return index >= 0 && index < 3 ? kCodes[index] : -1;
}

bool BuildCommParam(int commType, int portIndex, int baudIndex, int parityIndex, sCOMMPARAM& param) {
    sCOMMPARAM p{};
    if (commType == kCommTypeUsb) {
        p.m[0] = kSendQueueSize;
        p.m[1] = kReceiveQueueSize;
    } else if (commType == kCommTypeSerial) {
        if (portIndex < 0 || BaudOfIndex(baudIndex) == 0 || ParityCodeOfIndex(parityIndex) < 0) return false;
        p.m[kParamPortNo] = portIndex + 1;
        p.m[kParamBaud] = BaudOfIndex(baudIndex);
        p.m[kParamDataBits] = 8;
        p.m[kParamStopBits] = 0;
        p.m[kParamParity] = ParityCodeOfIndex(parityIndex);
        p.m[kParamXonXoff] = 0;
        p.m[kParamSendQueue] = kSendQueueSize;
        p.m[kParamReceiveQueue] = kReceiveQueueSize;
        p.m[kParamResponseTimeout] = kResponseTimeoutMs;
        p.m[11] = 3;
    } else {
        return false;
    }
    param = p;
    return true;
}

}  // namespace qda
