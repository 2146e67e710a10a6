#pragma once
// The controller's side of the command packet: command codes, status codes and byte helpers.
// These names live in qda::sim so that a test may link the simulator next to the client's
// command layer without the two sets of names meeting.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qda::sim {

// Command codes the controller understands; the regular reply carries the code + 1.
enum : uint8_t {
    CMD_REQUEST_MEASURE_MODE = 4,
    CMD_REQUEST_SETTING_MODE = 6,
    CMD_WRITE_SETTING = 8,
    CMD_READ_SETTING = 10,
    CMD_AUTO_ZERO = 12,
    CMD_TIMING = 14,
    CMD_RESET = 16,
    CMD_GET_MEASURED_VALUES = 20,
    CMD_GET_SCALING_VALUES = 22,
    CMD_GET_WAVEFORM = 24,
    CMD_CHECK_SETTING_MODE = 26,
    CMD_STORAGE_CLEAR = 34,
    CMD_STORAGE_READ = 36,
    CMD_STORAGE_START = 38,
    CMD_STORAGE_STOP = 40,
    CMD_GET_STORAGE_STATUS = 42,
    CMD_CLEAR_STATISTICS = 44,
    CMD_GET_STATISTICS = 46,
    CMD_GET_HEAD_INFO = 52,
    CMD_INITIALIZE_CONTROLLER = 66,
};

// Status byte (reply byte 4), also the code carried by an "ER," message.
enum : uint8_t {
    kStatusOk = 0,
    kStatusCommandError = 1,
    kStatusLengthError = 2,
    kStatusTimeout = 3,
    kStatusChecksumError = 4,
    kStatusStateError = 5,
    kStatusOtherError = 6,
};

// Reply code of an error reply (reply byte 3); byte 4 then holds the controller error 1..7.
constexpr uint8_t kErrorReplyCode = 0xFF;
constexpr uint8_t kPacketMarker = 0x07;  // byte 2 of every packet
constexpr size_t kReplyHeaderSize = 8;   // length, marker, code, status, three spare bytes

// Marker values of measured and stored samples.
constexpr int32_t kNoValue = INT32_MIN;                                  // 0x80000000
constexpr int32_t kMeasuredPlusOver = 0x7FFFFFFE;                        // shown as "FFFFFF"
constexpr int32_t kMeasuredMinusOver = 0x7FFFFFFF;                       // shown as "-FFFFFF"
constexpr int32_t kStoredPlusOver = 0x7FFFFFFE;                          // classified as plus-over
constexpr int32_t kStoredMinusOver = static_cast<int32_t>(0x80000002u);  // classified as minus-over

inline uint16_t GetU16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
}
inline uint32_t GetU32(std::span<const uint8_t> b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}
inline void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}
inline void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v >> 24);
    b[at + 1] = static_cast<uint8_t>(v >> 16);
    b[at + 2] = static_cast<uint8_t>(v >> 8);
    b[at + 3] = static_cast<uint8_t>(v);
}
inline void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v) {
    PutU32(b, at, static_cast<uint32_t>(v));
}

// Deterministic 64-bit mixer (splitmix64 finaliser): the same inputs give the same noise.
inline uint64_t Mix64(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}
inline uint64_t Mix64(uint64_t a, uint64_t b) {
    return Mix64(a ^ Mix64(b));
}
inline uint64_t Mix64(uint64_t a, uint64_t b, uint64_t c) {
    return Mix64(Mix64(a, b), c);
}
// A value in [0, 1) from a hash.
inline double UnitFromHash(uint64_t h) {
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace qda::sim
