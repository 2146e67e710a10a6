#pragma once
// A kernel event: notification (manual reset) or synchronisation (auto reset).
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qda {

class CKernelEvent {
public:
    explicit CKernelEvent(bool manualReset, bool initialState = false)
        : m_manualReset(manualReset), m_signalled(initialState) {}

    void Set() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = true;
        m_cv.notify_all();
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = false;
    }
    // Waits until signalled; true when signalled, false on time-out (negative = no time-out).
    bool Wait(int timeoutMs = -1) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (timeoutMs < 0) {
            m_cv.wait(lock, [this] { return m_signalled; });
        } else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [this] { return m_signalled; })) {
            return false;
        }
        if (!m_manualReset) m_signalled = false;
        return true;
    }
    bool IsSignalled() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_signalled;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_manualReset;
    bool m_signalled;
};

}  // namespace qda
