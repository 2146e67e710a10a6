#include "simulator/SerialFrameParser.h"

#include <algorithm>

#include "simulator/SimProtocol.h"

namespace qda::sim {

namespace {
constexpr uint8_t kTag[3] = {'C', 'C', ','};
constexpr size_t kBufferLimit = 4 * (SerialFrameParser::kMaxPacket + 8);
}  // namespace

void SerialFrameParser::Feed(std::span<const uint8_t> bytes) {
    // A peer that floods faster than frames are taken loses the oldest bytes, never memory.
    if (bytes.size() >= kBufferLimit) {
        skipped_ += buffer_.size() + bytes.size() - kBufferLimit;
        buffer_.assign(bytes.end() - kBufferLimit, bytes.end());
        return;
    }
    if (buffer_.size() + bytes.size() > kBufferLimit) {
        const size_t drop = buffer_.size() + bytes.size() - kBufferLimit;
        buffer_.erase(buffer_.begin(), buffer_.begin() + drop);
        skipped_ += drop;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

SerialFrameParser::Result SerialFrameParser::Next(std::vector<uint8_t>& packet) {
    while (!buffer_.empty()) {
        // Match as much of the tag as is buffered; a mismatch drops one byte.
        const size_t have = std::min<size_t>(3, buffer_.size());
        if (!std::equal(buffer_.begin(), buffer_.begin() + have, kTag)) {
            buffer_.erase(buffer_.begin());
            ++skipped_;
            continue;
        }
        if (buffer_.size() < 7) return Result::None;
        const uint32_t length = GetU32(buffer_, 3);
        if (length < 4 || length > kMaxPacket) {
            buffer_.erase(buffer_.begin());
            ++skipped_;
            return Result::BadLength;
        }
        if (buffer_.size() < length + 8) return Result::None;
        const std::span<const uint8_t> body(buffer_.data() + 7, length);
        const bool good = Checksum(body) == buffer_[7 + length];
        if (good) packet.assign(body.begin(), body.end());
        buffer_.erase(buffer_.begin(), buffer_.begin() + length + 8);
        return good ? Result::Packet : Result::BadChecksum;
    }
    return Result::None;
}

uint8_t SerialFrameParser::Checksum(std::span<const uint8_t> packet) {
    uint8_t x = 0;
    for (uint8_t b : packet) x ^= b;
    return x;
}

std::vector<uint8_t> SerialFrameParser::Frame(std::span<const uint8_t> packet) {
    std::vector<uint8_t> f(packet.size() + 8);
    std::copy(std::begin(kTag), std::end(kTag), f.begin());
    PutU32(f, 3, static_cast<uint32_t>(packet.size()));
    std::copy(packet.begin(), packet.end(), f.begin() + 7);
    f.back() = Checksum(packet);
    return f;
}

}  // namespace qda::sim
