#pragma once
// The one builder of command packets: the 4-byte header (big-endian length of the whole packet,
// the constant 0x07, the command code) followed by the parameters.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace qda {

constexpr int kPacketHeaderSize = 4;

// The packet of command `code` with `params` (and then `data`) as parameters.
std::vector<uint8_t> BuildCommandPacket(int code, std::span<const uint8_t> params,
                                        std::span<const uint8_t> data = {});
inline std::vector<uint8_t> BuildCommandPacket(int code, std::initializer_list<uint8_t> params) {
    return BuildCommandPacket(code, std::span<const uint8_t>(params.begin(), params.size()));
}

}  // namespace qda
