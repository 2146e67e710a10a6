#pragma once
// A small event object (auto or manual reset) with a wait for any of several events and a
// time-out, as the command layer's exchange uses for its two notification events.
#include <initializer_list>

namespace qda {

class CEvent {
public:
    explicit CEvent(bool manualReset = false) : m_manualReset(manualReset) {}
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    // Signals the event and wakes its waiters.
    void Set();
    // Clears the event.
    void Reset();
    // Waits up to timeoutMs (negative: no limit); true when the event was signalled.
    bool Wait(int timeoutMs);

    // Waits up to timeoutMs for any of the events. Returns the index of the signalled event
    // (an auto-reset event is cleared by the wait), or -1 on time-out.
    static int WaitAny(std::initializer_list<CEvent*> events, int timeoutMs);

private:
    bool m_manualReset;
    bool m_signalled = false;  // guarded by the shared event lock
};

}  // namespace qda
