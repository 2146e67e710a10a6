#pragma once
// The outstanding-request counter of a device: starts at 1 (the device's own reference), goes up
// for every request in the driver and down when it is done. Removal waits for it to reach 0,
// a remove query for it to fall back to 1.
#include <cstdint>
#include <mutex>

#include "usbdriver/KernelEvent.h"

namespace qda {

class CIoCounter {
public:
    CIoCounter();
    // Counts one more request; returns the new count.
    int32_t Increment();
    // Counts one request done; sets the idle event at 1 and the removable event at 0.
    int32_t Decrement();
    int32_t Count() const;
    // Waits until only the device's own reference is left.
    void WaitIdle() { m_idle.Wait(); }
    // Waits until nothing is outstanding; true when reached within the time-out (-1 = forever).
    bool WaitRemovable(int timeoutMs = -1) { return m_removable.Wait(timeoutMs); }

private:
    mutable std::mutex m_lock;  // the spin lock of the counter
    int32_t m_count = 1;
    CKernelEvent m_idle{true, true};
    CKernelEvent m_removable{true, false};
};

}  // namespace qda
