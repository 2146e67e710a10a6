// Feeds arbitrary byte streams, in arbitrary pieces, to the serial reply parser. Checks that it
// never reads past what the queue holds, and that every frame it accepts had a valid checksum
// and fitted the reply buffer.
#include <sanitizer/asan_interface.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "comm/ByteOrder.h"
#include "comm/ReplyParser.h"

namespace {

class FuzzQueue : public qda::IByteQueue {
public:
    std::deque<uint8_t> bytes;
    int Peek(uint8_t* d, int len) override {
        Unpoison();
        const int n = std::min<int>(len, static_cast<int>(bytes.size()));
        std::copy(bytes.begin(), bytes.begin() + n, d);
        // Everything past the queued bytes is off limits to the parser.
        m_region = d + n;
        m_regionSize = static_cast<size_t>(len - n);
        ASAN_POISON_MEMORY_REGION(m_region, m_regionSize);
        return n;
    }
    int Read(uint8_t* d, int len, bool) override {
        const int n = std::min<int>(len, static_cast<int>(bytes.size()));
        if (d >= m_region && d < m_region + m_regionSize) Unpoison();
        std::copy(bytes.begin(), bytes.begin() + n, d);
        bytes.erase(bytes.begin(), bytes.begin() + n);
        return n;
    }
    void ClearAll() override { bytes.clear(); }
    void Unpoison() {
        if (m_region) ASAN_UNPOISON_MEMORY_REGION(m_region, m_regionSize);
        m_region = nullptr;
        m_regionSize = 0;
    }
    ~FuzzQueue() override { Unpoison(); }

private:
    uint8_t* m_region = nullptr;
    size_t m_regionSize = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int capacity = data[0] == 0xFF ? 1046 : 8 + data[0];
    const size_t piece = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    std::atomic<bool> discardER{(piece & 1) != 0};
    FuzzQueue queue;
    std::vector<uint8_t> reply(static_cast<size_t>(capacity));
    {
        qda::CSerialReplyParser parser(discardER);
        size_t fed = 0;
        int idle = 0;
        while (idle < 3) {
            if (fed < size) {
                const size_t n = std::min(piece, size - fed);
                queue.bytes.insert(queue.bytes.end(), data + fed, data + fed + n);
                fed += n;
            }
            // What the queue holds before the attempt, to check an accepted frame against.
            std::vector<uint8_t> before(queue.bytes.begin(), queue.bytes.end());
            const qda::ParseResult r = parser.ParseOnce(queue, reply.data(), capacity, 43);
            queue.Unpoison();
            if (r.step == qda::ParseStep::kReply && r.source == qda::ReplySource::kFrame) {
                if (before.size() < 8 || std::memcmp(before.data(), "CC,", 3) != 0) abort();
                const uint32_t L = qda::LoadBE32(before.data() + 3);
                if (L < 4 || L > static_cast<uint32_t>(capacity) || before.size() < L + 8) abort();
                uint8_t sum = 0;
                for (uint32_t i = 0; i < L; ++i) sum ^= before[7 + i];
                if (sum != before[7 + L]) abort();
                if (r.length != static_cast<int>(L)) abort();
                if (std::memcmp(reply.data() + 2, before.data() + 9, L - 2) != 0) abort();
            }
            if (fed >= size && (queue.bytes.empty() || r.step == qda::ParseStep::kTryAgain)) ++idle;
            if (queue.bytes.empty() && fed >= size) break;
        }
    }

    // The USB parser over the same bytes.
    FuzzQueue usb;
    usb.bytes.assign(data, data + size);
    while (!usb.bytes.empty()) {
        const qda::ParseResult r = qda::ParseUsbReply(usb, reply.data(), capacity, (piece & 2) != 0);
        if (r.step == qda::ParseStep::kReply && (r.length < 4 || r.length > capacity)) abort();
    }
    return 0;
}
