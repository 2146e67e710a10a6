#include "usbdriver/IoCounter.h"

namespace qda {

CIoCounter::CIoCounter() = default;

int32_t CIoCounter::Increment() {
    std::lock_guard<std::mutex> lock(m_lock);
    const int32_t result = ++m_count;
    // Leaving the idle level: a remove query must wait again.
    if (result == 2) m_idle.Reset();
    return result;
}

int32_t CIoCounter::Decrement() {
    std::lock_guard<std::mutex> lock(m_lock);
    const int32_t result = --m_count;
    if (result == 1) m_idle.Set();
    if (result == 0) m_removable.Set();
    return result;
}

int32_t CIoCounter::Count() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_count;
}

}  // namespace qda
