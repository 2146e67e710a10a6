#include "comm/ReplyParser.h"

#include <cstring>

#include "comm/ByteOrder.h"

namespace qda {

namespace {

constexpr int kMinimumLook = 7;
constexpr int kErrorMessageLength = 9;
constexpr int kTgLength = 14;
constexpr int kNLength = 12;
constexpr int kFrameOverhead = 8;  // "CC," + 4 length bytes + checksum
constexpr int kOtherError = 6;

bool Tag(const uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 3) == 0;
}

void FinishReply(uint8_t* reply, int length, int capacity) {
    ConvertBE16InPlace(reply);
    if (length < capacity) std::memset(reply + length, 0, static_cast<size_t>(capacity - length));
}

}  // namespace

ParseResult CSerialReplyParser::ParseOnce(IByteQueue& queue, uint8_t* reply, int capacity, int expectedCode) {
    ParseResult r;
    if (capacity < 8) return r;
    const int lookSize = capacity + 10;
    if (static_cast<int>(m_look.size()) < lookSize) m_look.resize(static_cast<size_t>(lookSize));
    uint8_t* look = m_look.data();
    const int n = queue.Peek(look, lookSize);
    if (n < kMinimumLook) return r;

    if (Tag(look, "ER,")) {
        // The two code digits sit at offsets 6 and 7; wait for the whole message.
        if (n < kErrorMessageLength) return r;
        if (m_discardER.load()) {
            queue.ClearAll();
            r.step = ParseStep::kNoReply;
            return r;
        }
        // The caller sees its own reply carrying the controller's error code as status. An
        // error message is never a success: a code that is not two digits, or is 00, becomes
        // "other error".
        int code = kOtherError;
        if (look[6] >= '0' && look[6] <= '9' && look[7] >= '0' && look[7] <= '9') {
            const int c = (look[6] - '0') * 10 + (look[7] - '0');
            if (c != 0) code = c;
        }
        std::memset(reply, 0, static_cast<size_t>(capacity));
        StoreHost16(reply, 8);
        reply[2] = 7;
        reply[3] = static_cast<uint8_t>(expectedCode);
        reply[4] = static_cast<uint8_t>(code);
        queue.ClearAll();
        r.step = ParseStep::kReply;
        r.code = expectedCode & 0xFF;
        r.length = 8;
        r.source = ReplySource::kErrorMessage;
        return r;
    }

    if (Tag(look, "CC,")) {
        const uint32_t length = LoadBE32(look + 3);
        // The length field is not trusted: a frame that cannot be a reply of this size is
        // dropped at once instead of waiting for bytes that will never fit.
        if (length < 4 || length > static_cast<uint32_t>(capacity)) {
            queue.ClearAll();
            r.step = ParseStep::kNoReply;
            return r;
        }
        const int L = static_cast<int>(length);
        if (n < L + kFrameOverhead) {
            m_discardER = false;
            return r;
        }
        uint8_t sum = 0;
        for (int i = 0; i < L; ++i) sum ^= look[7 + i];
        if (sum != look[7 + L]) {
            queue.ClearAll();
            r.step = ParseStep::kNoReply;
            return r;
        }
        std::memcpy(reply, look + 7, static_cast<size_t>(L));
        FinishReply(reply, L, capacity);
        queue.Read(look, L + kFrameOverhead, true);
        r.step = ParseStep::kReply;
        r.code = reply[3];
        r.length = L;
        r.source = ReplySource::kFrame;
        return r;
    }

    const bool tg = Tag(look, "TG,");
    if (tg || Tag(look, "N1,") || Tag(look, "N2,")) {
        m_discardER = false;
        const int need = tg ? kTgLength : kNLength;
        if (n < need) return r;
        queue.Read(m_scratch, need, false);
        reply[3] = kNotificationMarker;
        r.step = ParseStep::kReply;
        r.code = kNotificationMarker;
        r.source = ReplySource::kNotification;
        return r;
    }

    // Anything else: drop one byte to regain step with the byte stream.
    uint8_t dropped;
    queue.Read(&dropped, 1, false);
    m_unusable = true;
    m_discardER = false;
    return r;
}

ParseResult ParseUsbReply(IByteQueue& queue, uint8_t* reply, int capacity, bool acceptAnyLength) {
    ParseResult r;
    r.step = ParseStep::kNoReply;
    if (capacity < 4) return r;
    const int n = queue.Read(reply, capacity, true);
    if (n < 4) return r;
    FinishReply(reply, n, capacity);
    if (acceptAnyLength || n == LoadHost16(reply)) {
        r.step = ParseStep::kReply;
        r.code = reply[3];
        r.length = n;
        r.source = ReplySource::kFrame;
    }
    return r;
}

}  // namespace qda
