#pragma once
// CRingBuffer: the fixed-size byte queue of both transports (send and receive queues).
// Every operation holds the queue's own lock, so the caller's thread and the transport's
// worker may use one queue at the same time.
#include <cstdint>
#include <mutex>
#include <vector>

class CRingBuffer {
public:
    CRingBuffer() = default;
    CRingBuffer(const CRingBuffer&) = delete;
    CRingBuffer& operator=(const CRingBuffer&) = delete;

    // Allocates and zeroes a queue of `size` bytes; false when size is not positive.
    bool Create(int size);
    // All or nothing: appends `length` bytes when they fit; false (nothing written) otherwise.
    bool Write(const uint8_t* bytes, int length);
    // Copies min(length, count) bytes from the front and returns that number; only with
    // consume = true are they removed (otherwise a look-ahead).
    int Read(uint8_t* destination, int length, bool consume);
    // Empties the queue.
    void Clear();
    // Frees the buffer; the queue then holds and accepts nothing.
    void Destroy();

    // Bytes queued now.
    int Count() const;
    // Capacity given to Create (0 after Destroy).
    int Size() const;

private:
    mutable std::mutex m_lock;
    std::vector<uint8_t> m_buffer;
    uint32_t m_readPos = 0;
    uint32_t m_writePos = 0;
    uint32_t m_count = 0;
    uint32_t m_size = 0;
};
