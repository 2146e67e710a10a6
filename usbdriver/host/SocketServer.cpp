#include "usbdriver/host/SocketServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <linux/sockios.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qda {
namespace {
constexpr size_t kReadChunk = 65536;
// The poll wakes this often while clients are connected, to check their deadlines.
constexpr int kTickMs = 250;

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr.sun_path)) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}
}  // namespace

CSocketServer::CSocketServer(IDeviceGate& gate, const CPeerPolicy& policy)
    : m_gate(gate),
      m_policy(policy),
      m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_doneFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_lanes(std::make_unique<CDeviceLanes>()) {}

CSocketServer::~CSocketServer() {
    // Requests still running finish first; their completions are no longer delivered.
    m_lanes.reset();
    while (!m_clients.empty()) Drop(m_clients.size() - 1);
    if (m_listenFd >= 0) ::close(m_listenFd);
    if (m_ownsPath) ::unlink(m_path.c_str());
    if (m_wakeFd >= 0) ::close(m_wakeFd);
    if (m_doneFd >= 0) ::close(m_doneFd);
}

bool CSocketServer::Listen(const std::string& directory, const std::string& name, std::string& error) {
    if (::mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "cannot create " + directory + ": " + std::strerror(errno);
        return false;
    }
    m_path = directory + "/" + name;
    sockaddr_un addr;
    if (!FillAddress(m_path, addr)) {
        error = "socket path too long: " + m_path;
        return false;
    }
    // A socket left behind by a host that died is replaced; a live host is left alone.
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
        ::close(probe);
        error = "another vantorusbd already serves " + m_path;
        return false;
    }
    ::close(probe);
    ::unlink(m_path.c_str());
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(m_listenFd, 16) != 0) {
        error = "cannot listen on " + m_path + ": " + std::strerror(errno);
        return false;
    }
    m_ownsPath = true;
    ::chmod(m_path.c_str(), 0660);
    if (m_policy.HasGroup() && ::chown(m_path.c_str(), static_cast<uid_t>(-1), m_policy.Group()) != 0) {
        std::fprintf(stderr, "vantorusbd: cannot give %s to the group: %s\n", m_path.c_str(),
                     std::strerror(errno));
    }
    return true;
}

void CSocketServer::Adopt(int listenFd) {
    m_listenFd = listenFd;
    ::fcntl(m_listenFd, F_SETFL, ::fcntl(m_listenFd, F_GETFL) | O_NONBLOCK);
    sockaddr_un addr{};
    socklen_t length = sizeof(addr);
    if (::getsockname(listenFd, reinterpret_cast<sockaddr*>(&addr), &length) == 0) m_path = addr.sun_path;
}

void CSocketServer::Stop() {
    const uint64_t one = 1;
    if (::write(m_wakeFd, &one, sizeof(one)) < 0) std::perror("vantorusbd: stop");
}

void CSocketServer::Accept() {
    // One connection per poll round: the clients that have gone meanwhile are dropped first, so
    // a program that connects for every call never piles up closed connections here.
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    std::string who;
    if (m_clients.size() >= kMaxClients) {
        std::fprintf(stderr, "vantorusbd: refused a client: %zu already connected\n", m_clients.size());
        ::close(fd);
        return;
    }
    if (!m_policy.Allows(fd, who)) {
        std::fprintf(stderr, "vantorusbd: refused %s (not the owner or the device group)\n", who.c_str());
        // The refusal is said before the close, so that the program can tell its user why.
        const std::vector<uint8_t> reply =
            wire::EncodeHelloReply(wire::kProtocolVersion, STATUS_ACCESS_DENIED);
        [[maybe_unused]] const ssize_t n =
            ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        ::close(fd);
        return;
    }
    // Room for a whole storage readout, so that a reply leaves in one write.
    const int bufferSize = 2 * 1024 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof(bufferSize));
    Client client;
    client.id = m_nextId++;
    client.fd = fd;
    client.session = std::make_unique<CClientSession>(m_gate, m_reservations, PeerPid(fd));
    client.who = who;
    client.accepted = Clock::now();
    m_clients.push_back(std::move(client));
    m_clientCount = m_clients.size();
    // A client usually sends its handshake and requests right after connecting: serve them
    // now rather than one poll round later.
    Client& added = m_clients.back();
    ReadFrom(added);
    if (!added.out.Empty()) WriteTo(added);
    if (added.closing && !added.session->Busy()) Drop(m_clients.size() - 1);
}

void CSocketServer::Close(Client& client, const char* why) {
    if (client.closing) return;
    std::fprintf(stderr, "vantorusbd: dropping %s: %s\n", client.who.c_str(), why);
    client.closing = true;
    client.out.Clear();
}

void CSocketServer::ReadFrom(Client& client) {
    uint8_t buffer[kReadChunk];
    const ssize_t n = ::recv(client.fd, buffer, sizeof(buffer), 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
        client.closing = true;
        client.out.Clear();
        return;
    }
    if (!client.session->Receive(buffer, static_cast<size_t>(n), client.out)) {
        std::fprintf(stderr, "vantorusbd: dropping %s: %s\n", client.who.c_str(),
                     client.session->EndReason().c_str());
        client.closing = true;
    }
    Dispatch(client);
}

void CSocketServer::Dispatch(Client& client) {
    if (client.closing) {
        client.session->Abandon();
        return;
    }
    PendingRequest request;
    if (!client.session->TakeRequest(request)) return;
    const uint64_t id = client.id;
    // The lane is the device's: requests of all clients on one device run one after the other.
    const void* lane = request.device.get();
    auto shared = std::make_shared<PendingRequest>(std::move(request));
    m_lanes->Post(lane, [this, id, shared] {
        m_gate.DeviceControl(shared->device, shared->irp);
        {
            std::lock_guard<std::mutex> lock(m_doneLock);
            m_done.push_back({id, std::move(shared->irp)});
        }
        shared->device.reset();
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t w = ::write(m_doneFd, &one, sizeof(one));
    });
}

void CSocketServer::TakeCompletions() {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t r = ::read(m_doneFd, &count, sizeof(count));
    std::vector<Completion> done;
    {
        std::lock_guard<std::mutex> lock(m_doneLock);
        done.swap(m_done);
    }
    for (Completion& c : done) {
        for (Client& client : m_clients) {
            if (client.id != c.clientId) continue;
            if (!client.session->Complete(c.irp, client.out) && !client.closing) {
                std::fprintf(stderr, "vantorusbd: dropping %s: %s\n", client.who.c_str(),
                             client.session->EndReason().c_str());
                client.closing = true;
            }
            if (!client.closing && client.out.Size() > kMaxPendingOutput)
                Close(client, "it does not read its replies (output queue full)");
            if (client.closing) {
                client.out.Clear();
                client.session->Abandon();
            } else {
                Dispatch(client);
                WriteTo(client);
            }
            break;
        }
    }
}

void CSocketServer::WriteTo(Client& client) {
    if (client.out.Empty()) return;
    if (client.out.WriteTo(client.fd) == COutputQueue::WriteResult::Broken) {
        client.closing = true;
        client.out.Clear();
    }
}

void CSocketServer::CheckDeadlines(Clock::time_point now) {
    for (Client& c : m_clients) {
        if (c.closing) continue;
        if (!c.session->Handshaken() && now - c.accepted > kHandshakeLimit) {
            Close(c, "no handshake in time");
            continue;
        }
        // Replies count as unread while they wait here or in the socket (SIOCOUTQ: bytes the
        // peer has not taken yet).
        int unread = 0;
        if (::ioctl(c.fd, SIOCOUTQ, &unread) != 0) unread = 0;
        if (c.out.Empty() && unread == 0) {
            c.unreadSince = Clock::time_point{};
        } else if (c.unreadSince == Clock::time_point{}) {
            c.unreadSince = now;
        } else if (now - c.unreadSince > kUnreadLimit) {
            Close(c, "it does not read its replies");
        }
    }
}

void CSocketServer::Drop(size_t index) {
    ::close(m_clients[index].fd);
    m_clients.erase(m_clients.begin() + static_cast<std::ptrdiff_t>(index));
    m_clientCount = m_clients.size();
}

void CSocketServer::Run(int stopFd) {
    std::vector<pollfd> fds;
    constexpr size_t kFixed = 4;
    for (;;) {
        fds.clear();
        fds.push_back({m_wakeFd, POLLIN, 0});
        fds.push_back({stopFd, POLLIN, 0});
        fds.push_back({m_listenFd, POLLIN, 0});
        fds.push_back({m_doneFd, POLLIN, 0});
        for (const Client& c : m_clients) {
            short events = 0;
            // A client whose request is under way is not read further: its next request waits
            // in the socket until the reply is out, which keeps what the host holds bounded.
            if (!c.closing && !c.session->Busy() && c.out.Size() < kMaxPendingOutput) events |= POLLIN;
            if (!c.out.Empty()) events |= POLLOUT;
            fds.push_back({c.closing ? -1 : c.fd, events, 0});
        }
        if (::poll(fds.data(), fds.size(), m_clients.empty() ? -1 : kTickMs) < 0) {
            if (errno == EINTR) continue;
            std::perror("vantorusbd: poll");
            return;
        }
        if (fds[0].revents || fds[1].revents) return;
        // Clients first (their indexes match fds), then finished requests, then new clients.
        const size_t polled = m_clients.size();
        for (size_t i = 0; i < polled; ++i) {
            const short revents = fds[kFixed + i].revents;
            Client& c = m_clients[i];
            if (revents & POLLIN) ReadFrom(c);
            if ((revents & (POLLHUP | POLLERR)) && !(revents & POLLIN)) {
                c.closing = true;
                c.out.Clear();
            }
            if (!c.out.Empty()) WriteTo(c);
        }
        if (fds[3].revents & POLLIN) TakeCompletions();
        CheckDeadlines(Clock::now());
        for (size_t i = m_clients.size(); i-- > 0;) {
            // Its last reply, if any, was written above; a client with a request still on its
            // lane stays until the completion comes back.
            if (m_clients[i].closing && !m_clients[i].session->Busy()) Drop(i);
        }
        if (fds[2].revents & POLLIN) Accept();
    }
}

}  // namespace qda
