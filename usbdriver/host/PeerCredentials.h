#pragma once
// Who may use the named device: the host's own user, root, and members of one configured group,
// judged by the peer credentials of the connected socket (SO_PEERCRED, SO_PEERGROUPS).
#include <sys/types.h>

#include <string>

namespace qda {

// The process at the other end of `fd` as the kernel recorded it at connect time (0 if unknown).
pid_t PeerPid(int fd);

class CPeerPolicy {
public:
    // `group` empty: only the host's user and root. False when the group name is unknown.
    bool SetGroup(const std::string& group);
    bool HasGroup() const { return m_hasGroup; }
    gid_t Group() const { return m_group; }
    // True when the process at the other end of `fd` may be served; `who` describes it for the log.
    bool Allows(int fd, std::string& who) const;

private:
    bool m_hasGroup = false;
    gid_t m_group = 0;
};

}  // namespace qda
