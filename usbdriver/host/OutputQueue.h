#pragma once
// The bytes waiting to go to one client: small pieces are copied in, a long reply's output is
// taken over as it is, so a storage readout is not copied once more on its way to the socket.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace qda {

class COutputQueue {
public:
    // Copies `length` bytes to the end.
    void Append(const uint8_t* data, size_t length);
    // Takes `piece` over (long pieces without a copy).
    void AppendPiece(std::vector<uint8_t>&& piece);
    // Bytes waiting.
    size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    void Clear();

    enum class WriteResult { Done, Again, Broken };
    // Writes as much as the socket takes now: Done when all went, Again when the socket is full,
    // Broken when the connection failed.
    WriteResult WriteTo(int fd);
    // Everything waiting as one block (tests and the fuzzer).
    std::vector<uint8_t> Joined() const;

private:
    std::deque<std::vector<uint8_t>> m_pieces;
    size_t m_offset = 0;  // bytes of the front piece already written
    size_t m_size = 0;
};

}  // namespace qda
