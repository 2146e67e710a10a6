#include "comm/CommandPacket.h"

#include <algorithm>

#include "comm/ByteOrder.h"

namespace qda {

std::vector<uint8_t> BuildCommandPacket(int code, std::span<const uint8_t> params,
                                        std::span<const uint8_t> data) {
    std::vector<uint8_t> packet(kPacketHeaderSize + params.size() + data.size());
    StoreBE16(packet.data(), static_cast<uint16_t>(packet.size()));
    packet[2] = 0x07;
    packet[3] = static_cast<uint8_t>(code);
    auto at = packet.begin() + kPacketHeaderSize;
    at = std::copy(params.begin(), params.end(), at);
    std::copy(data.begin(), data.end(), at);
    return packet;
}

}  // namespace qda
