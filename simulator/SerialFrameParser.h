#pragma once
// The controller's reader of RS-232C command frames: "CC," + 32-bit big-endian packet length L +
// L packet bytes + XOR checksum of the packet. Bounded: it holds at most one frame, never trusts a
// length beyond the largest command, and regains step after garbage by dropping one byte at a time.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qda::sim {

class SerialFrameParser {
public:
    // Largest packet a PC sends (its send buffer holds 1008 bytes of frame).
    static constexpr size_t kMaxPacket = 1000;

    enum class Result {
        None,         // nothing complete yet
        Packet,       // a good frame: its packet is in `packet`
        BadChecksum,  // a complete frame whose checksum did not match (dropped)
        BadLength,    // a "CC," tag with an impossible length (tag dropped, resynchronising)
    };

    // Appends received bytes. Bytes beyond one frame's worth wait in the buffer (bounded).
    void Feed(std::span<const uint8_t> bytes);
    // Takes the next event from the buffered bytes; call until it returns None.
    Result Next(std::vector<uint8_t>& packet);
    // True when bytes of an unfinished frame are waiting.
    bool HasPartial() const { return !buffer_.empty(); }
    // Drops everything buffered (the controller's time-out for an unfinished frame).
    void Reset() { buffer_.clear(); }
    // Garbage bytes skipped since the start.
    size_t Skipped() const { return skipped_; }

    // Builds the frame around a packet: "CC," + length + packet + checksum (XOR of the packet).
    static std::vector<uint8_t> Frame(std::span<const uint8_t> packet);
    static uint8_t Checksum(std::span<const uint8_t> packet);

private:
    std::vector<uint8_t> buffer_;
    size_t skipped_ = 0;
};

}  // namespace qda::sim
