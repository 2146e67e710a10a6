#pragma once
// The controller's USB function as the simulated bus sees it: descriptors (vendor 0x1209, product
// 0x000A, one interface with bulk IN 0x81 and bulk OUT 0x02 of 64-byte packets) and the two bulk
// endpoints. OUT carries a 4-byte little-endian length and then the command padded to whole
// 64-byte blocks; once all blocks are in, the command goes to the controller and its reply
// waits on IN. Once a reply has been read to its end, the next IN transfer gets a zero-length
// packet, which tells the host the reply is over.
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <vector>

namespace qda::sim {

class UsbBusDevice {
public:
    using Handler = std::function<std::vector<uint8_t>(std::span<const uint8_t>)>;
    static constexpr uint8_t kInEndpoint = 0x81;
    static constexpr uint8_t kOutEndpoint = 0x02;
    static constexpr uint32_t kPacketSize = 64;
    // Longest command accepted; a longer length announces garbage and restarts the stream.
    static constexpr uint32_t kMaxCommand = 0x100000;

    explicit UsbBusDevice(Handler handler) : handler_(std::move(handler)) {}

    // Delivers a reply in pieces of at most `bytes` per IN transfer (0: as much as asked), as
    // firmware that sends its reply in short packets does.
    void SetPieceSize(uint32_t bytes) { pieceSize_ = bytes; }
    // Each command is answered this much later (a slow controller, so that a transfer lasts).
    void SetReplyDelay(uint32_t milliseconds) { replyDelayMs_ = milliseconds; }

    static std::vector<uint8_t> DeviceDescriptor();
    static std::vector<uint8_t> ConfigurationDescriptor();

    // Takes an OUT transfer; returns the bytes accepted (all of them).
    uint32_t Out(std::span<const uint8_t> data);
    // Answers an IN transfer of at most `maxLength` bytes: true with the data (possibly a
    // zero-length packet), false when nothing is waiting.
    bool In(uint32_t maxLength, std::vector<uint8_t>& data);
    // Unplugged: a half-received command and unread replies are gone.
    void Reset();

private:
    Handler handler_;
    std::vector<uint8_t> lengthBytes_;
    bool collecting_ = false;  // the length is in, the blocks are coming
    uint32_t expected_ = 0;    // padded bytes still to come for the current command
    uint32_t commandLength_ = 0;
    std::vector<uint8_t> command_;
    std::vector<uint8_t> reply_;
    size_t replyOffset_ = 0;
    bool zeroLengthPending_ = false;
    uint32_t pieceSize_ = 0;
    uint32_t replyDelayMs_ = 0;
};

}  // namespace qda::sim
