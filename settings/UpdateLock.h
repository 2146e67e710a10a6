#pragma once
// The program-wide update lock: a semaphore of count 1 that lives for the whole run. A settings
// transfer holds it from start to end, and the measured-value and waveform workers take it for
// each poll, so that no poll falls between the exchanges of a transfer.
#include <semaphore>

namespace qda {

// The one update lock of the process.
std::binary_semaphore& UpdateLock();

// Holds the update lock for its lifetime; the constructor waits without limit.
class CUpdateLockHolder {
public:
    CUpdateLockHolder() { UpdateLock().acquire(); }
    ~CUpdateLockHolder() { UpdateLock().release(); }
    CUpdateLockHolder(const CUpdateLockHolder&) = delete;
    CUpdateLockHolder& operator=(const CUpdateLockHolder&) = delete;
};

}  // namespace qda
