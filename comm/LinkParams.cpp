#include "comm/LinkParams.h"

#include "comm/PortPathStore.h"

namespace qda {

LinkKind KindOf(const LinkParams& params) {
    return std::holds_alternative<UsbLink>(params) ? LinkKind::kUsb : LinkKind::kSerial;
}

int BaudOfIndex(int index) {
    static const int kBauds[] = {9600, 19200, 38400, 57600, 115200};
    return index >= 0 && index < 5 ? kBauds[index] : 0;
}

bool ParityOfIndex(int index, Parity& parity) {
    static const Parity kParities[] = {Parity::kEven, Parity::kOdd, Parity::kNone};
    if (index < 0 || index >= 3) return false;
    parity = kParities[index];
    return true;
}

bool ComPortLine(int comNumber, SerialLine& line) {
    std::string path = ResolveComPortPath(comNumber);
    if (path.empty()) return false;
    line = SerialLine{};
    line.devicePath = std::move(path);
    return true;
}

bool LinkParamsOf(const PcCommSetting& pc, LinkParams& params) {
    if (pc.CommType == kCommUsb) {
        params = UsbLink{};
        return true;
    }
    if (pc.CommType != kCommRs232c) return false;
    SerialLine line;
    Parity parity = Parity::kNone;
    const int baud = BaudOfIndex(pc.Baudrate);
    if (baud == 0 || !ParityOfIndex(pc.Parity, parity) || !ComPortLine(pc.PortNo + 1, line)) return false;
    line.baud = baud;
    line.parity = parity;
    params = std::move(line);
    return true;
}

}  // namespace qda
