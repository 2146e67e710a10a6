#include "usblib/PipeFraming.h"

#include <algorithm>

namespace qda {

std::vector<std::vector<uint8_t>> FramePipeMessage(const uint8_t* data, uint32_t length, uint32_t m) {
    std::vector<std::vector<uint8_t>> writes;
    if (m == 0) return writes;
    std::vector<uint8_t> stream;
    if (length <= 0xFFFF) {
        const uint64_t total = static_cast<uint64_t>(m) * ((m + static_cast<uint64_t>(length) + 5) / m);
        stream.reserve(total);
        stream.insert(stream.end(),
                      {'T', 'R', 'H', 'S', static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)});
        stream.insert(stream.end(), data, data + length);
        stream.resize(total, 0);
    } else {
        writes.push_back({static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                          static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)});
        const uint64_t total = static_cast<uint64_t>(m) * ((m + static_cast<uint64_t>(length) - 1) / m);
        stream.assign(data, data + length);
        stream.resize(total, 0);
    }
    for (size_t offset = 0; offset < stream.size(); offset += kPipeChunkSize) {
        const size_t n = std::min<size_t>(kPipeChunkSize, stream.size() - offset);
        writes.emplace_back(stream.begin() + offset, stream.begin() + offset + n);
    }
    return writes;
}

int64_t ReadPipeReply(const PipeReader& read, uint8_t* reply, uint32_t expected, uint32_t retryCount,
                      uint32_t maxPacketSize) {
    uint32_t received = 0;
    uint32_t emptyReads = 0;
    while (received < expected) {
        const uint32_t ask = std::min(kPipeChunkSize, expected - received);
        const int n = read(reply + received, ask);
        if (n < 0) return -1;
        if (n == 0) {
            if (received > 0) break;
            const uint32_t limit = retryCount != 0 ? retryCount : kPipeSilentReadLimit;
            if (++emptyReads >= limit) return -1;
            continue;
        }
        received += static_cast<uint32_t>(std::min<uint32_t>(static_cast<uint32_t>(n), ask));
        if (static_cast<uint32_t>(n) < ask && maxPacketSize && n % maxPacketSize != 0) break;
    }
    return received;
}

}  // namespace qda
