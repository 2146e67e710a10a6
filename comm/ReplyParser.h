#pragma once
// Parsers of the controller's replies, as pure functions of a byte queue so that they can be
// tested and fuzzed without a port.
//
// On RS-232C the controller sends "CC," frames ("CC," + 32-bit big-endian length L + L packet
// bytes + XOR of the packet bytes) and the messages "ER," (9 bytes, a two-digit error code at
// offsets 6 and 7), "TG," (14 bytes), "N1," and "N2," (12 bytes). On USB the reply packet
// arrives bare and whole.
#include <atomic>
#include <cstdint>
#include <vector>

namespace qda {

// The receive side of a link as the parsers see it.
class IByteQueue {
public:
    virtual ~IByteQueue() = default;
    // Look-ahead: copies up to `length` bytes from the front; returns the number copied.
    virtual int Peek(uint8_t* destination, int length) = 0;
    // Consuming read; `logged` marks the reads the communication dump records.
    virtual int Read(uint8_t* destination, int length, bool logged) = 0;
    // Empties the receive and the send queue (after bad data nothing queued can be trusted).
    virtual void ClearAll() = 0;
};

// Reply code the parser reports after consuming a "TG,", "N1," or "N2," notification.
constexpr int kNotificationMarker = 0x44;

enum class ParseStep {
    kReply,     // a reply (or a notification marker) is in the reply buffer; see ParseResult::code
    kNoReply,   // no reply can come of the queued data now (it was dropped, or "ER," discarded)
    kTryAgain,  // more data is needed, or a stray byte was dropped: try again
};

enum class ReplySource { kNone, kFrame, kErrorMessage, kNotification };

struct ParseResult {
    ParseStep step = ParseStep::kTryAgain;
    int code = 0;    // reply byte 3 for kReply
    int length = 0;  // bytes of the reply packet written (frame: L; "ER,": 8)
    ReplySource source = ReplySource::kNone;
};

// The serial reply parser: one attempt per call over the receive queue.
class CSerialReplyParser {
public:
    // `discardER` is the process-wide flag g_bDiscardER (cleared by the parser, never set).
    explicit CSerialReplyParser(std::atomic<bool>& discardER) : m_discardER(discardER) {}

    // One parse attempt. `reply` has `capacity` bytes; a frame is accepted only when its
    // checksum holds and 4 <= L <= capacity. The reply's length field is converted to host
    // order and the bytes after the reply are zeroed so that no stale field is read.
    ParseResult ParseOnce(IByteQueue& queue, uint8_t* reply, int capacity, int expectedCode);

    // Set when bytes that start no known message were dropped (cleared by ResetUnusable).
    bool Unusable() const { return m_unusable; }
    void ResetUnusable() { m_unusable = false; }

private:
    std::atomic<bool>& m_discardER;
    std::vector<uint8_t> m_look;
    uint8_t m_scratch[14] = {};
    bool m_unusable = false;
};

// The USB reply parser: takes up to `capacity` bytes into `reply` (a logged read), converts the
// length field and returns kReply when at least 4 bytes came and either acceptAnyLength is set or
// the byte count equals the length field; kNoReply otherwise.
ParseResult ParseUsbReply(IByteQueue& queue, uint8_t* reply, int capacity, bool acceptAnyLength);

}  // namespace qda
