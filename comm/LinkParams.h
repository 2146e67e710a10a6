#pragma once
// The open parameters of a link as one value per link kind: the serial line (the device and every
// line setting the open needs) or the USB link (its queue sizes). Made once from the PC
// communication settings and carried unchanged to the transport.
#include <cstdint>
#include <string>
#include <variant>

#include "settings/SettingsBlock.h"

namespace qda {

// The kind of the link the command layer holds.
enum class LinkKind { kNone, kSerial, kUsb };

enum class Parity { kNone, kOdd, kEven };

constexpr int kSendQueueSize = 256;
constexpr int kReceiveQueueSize = 1048576;
constexpr int kResponseTimeoutMs = 5000;

// An RS-232C line: the tty and how it is run.
struct SerialLine {
    std::string devicePath;  // the tty (COMn resolved through the port mapping, or a given path)
    int baud = 9600;         // 9600, 19200, 38400, 57600 or 115200
    Parity parity = Parity::kNone;
    int dataBits = 8;
    int stopBits = 1;
    bool xonXoff = false;
    int sendQueueSize = kSendQueueSize;
    int receiveQueueSize = kReceiveQueueSize;
    int responseTimeoutMs = kResponseTimeoutMs;  // silence after a send that fails the exchange
};

// The USB link through the USB access library.
struct UsbLink {
    int sendQueueSize = kSendQueueSize;
    int receiveQueueSize = kReceiveQueueSize;
};

using LinkParams = std::variant<SerialLine, UsbLink>;

LinkKind KindOf(const LinkParams& params);

// Baud rate of a baud setting index 0-4 (9600 ... 115200); 0 for any other index.
int BaudOfIndex(int index);
// Parity of a parity setting index: 0 even, 1 odd, 2 none; false for any other index.
bool ParityOfIndex(int index, Parity& parity);

// The line of COM<comNumber> (1-9) through the COMn device mapping, at 9600 baud without parity;
// false for a number without a device (a port name carries one digit).
bool ComPortLine(int comNumber, SerialLine& line);

// The link the PC communication settings choose (CommType 0 USB, 1 RS-232C with PortNo 0-8 for
// COM1 to COM9 and the baud and parity indexes). False, `params` untouched, for an index out of
// range.
bool LinkParamsOf(const PcCommSetting& pc, LinkParams& params);

}  // namespace qda
