#pragma once
// sCOMMPARAM: the open parameters of a link, twelve 32-bit integers filled from the PC
// communication settings (interface 0 = USB, 1 = RS-232C).
#include <cstdint>

struct sCOMMPARAM {
    int32_t m[12];
};

namespace qda {

// Meaning of the serial entries of sCOMMPARAM.
enum CommParamIndex {
    kParamPortNo = 0,            // COM port number 1-9 (USB: send queue size)
    kParamBaud = 1,              // baud rate (USB: receive queue size)
    kParamDataBits = 2,          // 8
    kParamStopBits = 3,          // 0 = one stop bit
    kParamParity = 4,            // 2 even, 1 odd, 0 none
    kParamXonXoff = 7,           // 0 = off
    kParamSendQueue = 8,         // 256
    kParamReceiveQueue = 9,      // 1 MiB
    kParamResponseTimeout = 10,  // 5000 ms
};

constexpr int kCommTypeUsb = 0;
constexpr int kCommTypeSerial = 1;
constexpr int kSendQueueSize = 256;
constexpr int kReceiveQueueSize = 1048576;
constexpr int kResponseTimeoutMs = 5000;

// Baud rate of a baud setting index 0-4 (9600 ... 115200); 0 for any other index.
int BaudOfIndex(int index);
// Parity code of a parity setting index: 0 (even) -> 2, 1 (odd) -> 1, 2 (none) -> 0; -1 otherwise.
int ParityCodeOfIndex(int index);

// Fills `param` from the PC communication settings. Returns false (param untouched) for an
// interface other than 0/1 or, on RS-232C, a port, baud or parity index out of range.
bool BuildCommParam(int commType, int portIndex, int baudIndex, int parityIndex, sCOMMPARAM& param);

}  // namespace qda
