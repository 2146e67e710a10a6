#include "usbdriver/host/PeerCredentials.h"

#include <grp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace qda {

bool CPeerPolicy::SetGroup(const std::string& group) {
    m_hasGroup = false;
    if (group.empty()) return true;
    std::vector<char> buffer(16384);
    struct group entry {};
    struct group* found = nullptr;
    int rc;
    while ((rc = ::getgrnam_r(group.c_str(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (rc != 0 || !found) return false;
    m_group = found->gr_gid;
    m_hasGroup = true;
    return true;
}

pid_t PeerPid(int fd) {
    ucred cred{};
    socklen_t length = sizeof(cred);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0) return 0;
    return cred.pid;
}

bool CPeerPolicy::Allows(int fd, std::string& who) const {
    ucred cred{};
    socklen_t length = sizeof(cred);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0) {
        who = "unknown peer";
        return false;
    }
    who = "pid " + std::to_string(cred.pid) + " uid " + std::to_string(cred.uid);
    if (cred.uid == ::geteuid() || cred.uid == 0) return true;
    if (!m_hasGroup) return false;
    if (cred.gid == m_group) return true;
    // Supplementary groups of the peer, as the kernel recorded them at connect time.
    std::vector<gid_t> groups(64);
    socklen_t size = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &size) != 0) {
        if (errno != ERANGE) return false;
        groups.resize(size / sizeof(gid_t) + 1);
        size = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &size) != 0) return false;
    }
    groups.resize(size / sizeof(gid_t));
    for (gid_t g : groups)
        if (g == m_group) return true;
    return false;
}

}  // namespace qda
