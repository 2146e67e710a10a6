#include "comm/Event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace qda {

namespace {

// One lock and one condition for all events: waits for any of several events need a common
// condition, and the events are few and rarely signalled.
std::mutex& EventLock() {
    static std::mutex lock;
    return lock;
}
std::condition_variable& EventCondition() {
    static std::condition_variable cv;
    return cv;
}

}  // namespace

void CEvent::Set() {
    {
        std::lock_guard<std::mutex> guard(EventLock());
        m_signalled = true;
    }
    EventCondition().notify_all();
}

void CEvent::Reset() {
    std::lock_guard<std::mutex> guard(EventLock());
    m_signalled = false;
}

bool CEvent::Wait(int timeoutMs) {
    return WaitAny({this}, timeoutMs) == 0;
}

int CEvent::WaitAny(std::initializer_list<CEvent*> events, int timeoutMs) {
    std::unique_lock<std::mutex> lock(EventLock());
    int found = -1;
    auto check = [&] {
        int i = 0;
        for (CEvent* e : events) {
            if (e->m_signalled) {
                if (!e->m_manualReset) e->m_signalled = false;
                found = i;
                return true;
            }
            ++i;
        }
        return false;
    };
    if (timeoutMs < 0) {
        EventCondition().wait(lock, check);
    } else {
        EventCondition().wait_for(lock, std::chrono::milliseconds(timeoutMs), check);
    }
    return found;
}

}  // namespace qda
