#include "usblib/GlobalLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qda {

CGlobalLock::CGlobalLock() {
    std::string candidates[3];
    int count = 0;
    if (const char* env = std::getenv("VANTORUSB_LOCK_FILE"); env && *env) candidates[count++] = env;
    candidates[count++] = "/run/lock/VANTORUSBVT_MUTEX";
    candidates[count++] = "/tmp/VANTORUSBVT_MUTEX";
    for (int i = 0; i < count && m_fd < 0; ++i) {
        m_fd = ::open(candidates[i].c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        // Any process may open it, whatever the creator's umask.
        if (m_fd >= 0) ::fchmod(m_fd, 0666);
    }
}

CGlobalLock::~CGlobalLock() {
    if (m_fd >= 0) ::close(m_fd);
}

bool CGlobalLock::Lock() {
    if (m_fd < 0) return false;
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

void CGlobalLock::Unlock() {
    if (m_fd >= 0) ::flock(m_fd, LOCK_UN);
}

}  // namespace qda
