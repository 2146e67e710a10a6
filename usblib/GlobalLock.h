#pragma once
// The lock that serialises pipe-device exchanges of all processes ("Global\VANTORUSBVT_MUTEX"):
// a lock file that every user may open ($VANTORUSB_LOCK_FILE, else /run/lock/VANTORUSBVT_MUTEX,
// else /tmp/VANTORUSBVT_MUTEX), whoever created it. The system releases it when a holder dies.
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
    // The lock file at `path`, opened so that every user of the machine shares it; -1 on failure.
    static int OpenShared(const std::string& path);
    int m_fd = -1;
};

}  // namespace qda
