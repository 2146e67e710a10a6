#pragma once
// Byte-order helpers for controller packets: the wire carries big-endian numbers; the command
// layer converts reply fields to host order in place, after which callers read them with the
// host-order loads below.
#include <cstdint>
#include <cstring>

namespace qda {

inline uint16_t LoadBE16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline uint32_t LoadBE32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
inline void StoreBE16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void StoreBE32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// Host-order access to fields that the command layer has already converted.
inline uint16_t LoadHost16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline uint32_t LoadHost32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline int32_t LoadHostI32(const uint8_t* p) {
    return static_cast<int32_t>(LoadHost32(p));
}
inline void StoreHost16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, sizeof v);
}
inline void StoreHost32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, sizeof v);
}

// Converts a big-endian field to host order in place.
inline void ConvertBE16InPlace(uint8_t* p) {
    StoreHost16(p, LoadBE16(p));
}
inline void ConvertBE32InPlace(uint8_t* p) {
    StoreHost32(p, LoadBE32(p));
}

}  // namespace qda
