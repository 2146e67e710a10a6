#include "comm/RingBuffer.h"

#include <algorithm>
#include <cstring>

bool CRingBuffer::Create(int size) {
    if (size <= 0) return false;
    std::lock_guard<std::mutex> guard(m_lock);
    m_buffer.assign(static_cast<size_t>(size), 0);
    m_size = static_cast<uint32_t>(size);
    m_readPos = m_writePos = m_count = 0;
    return true;
}

bool CRingBuffer::Write(const uint8_t* bytes, int length) {
    if (length < 0) return false;
    std::lock_guard<std::mutex> guard(m_lock);
    const auto len = static_cast<uint32_t>(length);
    if (len > m_size - m_count) return false;
    const uint32_t first = std::min(len, m_size - m_writePos);
    if (first > 0) std::memcpy(m_buffer.data() + m_writePos, bytes, first);
    if (len > first) std::memcpy(m_buffer.data(), bytes + first, len - first);
    if (m_size > 0) m_writePos = (m_writePos + len) % m_size;
    m_count += len;
    return true;
}

int CRingBuffer::Read(uint8_t* destination, int length, bool consume) {
    if (length <= 0) return 0;
    std::lock_guard<std::mutex> guard(m_lock);
    const uint32_t n = std::min(static_cast<uint32_t>(length), m_count);
    if (n == 0) return 0;
    const uint32_t first = std::min(n, m_size - m_readPos);
    std::memcpy(destination, m_buffer.data() + m_readPos, first);
    if (n > first) std::memcpy(destination + first, m_buffer.data(), n - first);
    if (consume) {
        m_readPos = (m_readPos + n) % m_size;
        m_count -= n;
    }
    return static_cast<int>(n);
}

void CRingBuffer::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_readPos = m_writePos = m_count = 0;
}

void CRingBuffer::Destroy() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_size = m_readPos = m_writePos = m_count = 0;
}

int CRingBuffer::Count() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_count);
}

int CRingBuffer::Size() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_size);
}
