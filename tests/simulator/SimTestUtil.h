#pragma once
// Byte-level helpers for the simulator tests: command packets built by hand, reply fields read
// by offset, so that the tests state what travels on the wire.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace simtest {

inline std::vector<uint8_t> Packet(uint8_t code, std::initializer_list<uint8_t> params = {}) {
    std::vector<uint8_t> p{0, 0, 0x07, code};
    p.insert(p.end(), params.begin(), params.end());
    p[0] = static_cast<uint8_t>(p.size() >> 8);
    p[1] = static_cast<uint8_t>(p.size());
    return p;
}

// A settings write: group, sub, item and the data bytes.
inline std::vector<uint8_t> Write(uint8_t group, uint8_t sub, uint8_t item, std::string_view data) {
    std::vector<uint8_t> p = Packet(8, {group, sub, item});
    p.insert(p.end(), data.begin(), data.end());
    p[0] = static_cast<uint8_t>(p.size() >> 8);
    p[1] = static_cast<uint8_t>(p.size());
    return p;
}
inline std::vector<uint8_t> WriteByte(uint8_t group, uint8_t sub, uint8_t item, uint8_t value) {
    return Write(group, sub, item, std::string_view(reinterpret_cast<const char*>(&value), 1));
}
inline std::vector<uint8_t> Read(uint8_t group, uint8_t sub, uint8_t item) {
    return Packet(10, {group, sub, item, 0});
}

inline int32_t I32(const std::vector<uint8_t>& r, size_t at) {
    return static_cast<int32_t>((uint32_t{r[at]} << 24) | (uint32_t{r[at + 1]} << 16) |
                                (uint32_t{r[at + 2]} << 8) | r[at + 3]);
}
inline uint16_t U16(const std::vector<uint8_t>& r, size_t at) {
    return static_cast<uint16_t>((r[at] << 8) | r[at + 1]);
}
inline std::string Data(const std::vector<uint8_t>& r) {
    return r.size() > 8 ? std::string(r.begin() + 8, r.end()) : std::string();
}

}  // namespace simtest
