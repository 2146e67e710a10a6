#pragma once
// The lock that serialises pipe-device exchanges of all processes ("Global\VANTORUSBVT_MUTEX"):
// a lock file that every user may open ($VANTORUSB_LOCK_FILE, else /run/lock/VANTORUSBVT_MUTEX,
// else /tmp/VANTORUSBVT_MUTEX). The system releases it when a holder dies.
#include <string>

namespace qda {

class CGlobalLock {
public:
    CGlobalLock();
    ~CGlobalLock();
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;

    // Waits without time-out for the lock; false when the lock file could not be opened.
    bool Lock();
    void Unlock();

private:
    int m_fd = -1;
};

}  // namespace qda
