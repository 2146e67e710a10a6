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
    for (int i = 0; i < count && m_fd < 0; ++i) m_fd = OpenShared(candidates[i]);
}

int CGlobalLock::OpenShared(const std::string& path) {
    // An existing lock file is opened without O_CREAT and for reading only (flock needs no more):
    // in a sticky world-writable folder such as /run/lock, fs.protected_regular refuses an
    // O_CREAT open of a file another user owns, and a file of another user's umask may not be
    // writable; either would leave this process with a lock of its own that excludes nobody.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0 || errno != ENOENT) return fd;
        const int created = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (created >= 0) {
            // Any process may open it, whatever the creator's umask.
            ::fchmod(created, 0666);
            return created;
        }
        if (errno != EEXIST) return -1;  // someone else created it meanwhile: open theirs
    }
    return -1;
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
