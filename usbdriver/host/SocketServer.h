#pragma once
// The named device's Unix socket: accepts clients the peer policy allows and runs one
// CClientSession each. The socket thread only decodes, answers handshakes and sends replies;
// device control requests run on the device's lane (CDeviceLanes), one after the other, so no
// two exchanges interleave on the bus and a stuck exchange holds up nobody else. A client whose
// stream goes bad, that does not shake hands in time, or that does not read its replies is
// dropped alone.
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "usbdriver/host/ClientSession.h"
#include "usbdriver/host/DeviceLanes.h"
#include "usbdriver/host/PeerCredentials.h"

namespace qda {

class CSocketServer {
public:
    // Clients served at once; more are turned away, so a runaway program cannot exhaust the host.
    static constexpr size_t kMaxClients = 64;
    // A client that has not finished its handshake this long after connecting is dropped.
    static constexpr std::chrono::milliseconds kHandshakeLimit{3000};
    // A client that leaves its replies unread this long is dropped.
    static constexpr std::chrono::milliseconds kUnreadLimit{5000};
    // Reply bytes kept for one client beyond what its socket holds; past this it is dropped.
    static constexpr size_t kMaxPendingOutput = 3 * 1024 * 1024;

    CSocketServer(IDeviceGate& gate, const CPeerPolicy& policy);
    ~CSocketServer();
    CSocketServer(const CSocketServer&) = delete;
    CSocketServer& operator=(const CSocketServer&) = delete;

    // Creates `directory` when needed and listens on directory/name (mode 0660; the group is the
    // policy's group when set). Refuses when another host already serves that path. False with `error`.
    bool Listen(const std::string& directory, const std::string& name, std::string& error);
    // Serves on an already listening socket (systemd socket activation).
    void Adopt(int listenFd);
    const std::string& Path() const { return m_path; }

    // Serves until Stop() or until `stopFd` (if >= 0) becomes readable.
    void Run(int stopFd = -1);
    // Ends Run from any thread.
    void Stop();
    size_t ClientCount() const { return m_clientCount; }

private:
    using Clock = std::chrono::steady_clock;
    struct Client {
        uint64_t id = 0;
        int fd = -1;
        std::unique_ptr<CClientSession> session;
        COutputQueue out;
        bool closing = false;
        std::string who;
        Clock::time_point accepted;
        Clock::time_point unreadSince;  // replies waiting since then (time_point{} while none)
    };
    struct Completion {
        uint64_t clientId;
        Irp irp;
    };
    void Accept();
    void ReadFrom(Client& client);
    void WriteTo(Client& client);
    // Hands the session's decoded request to its device's lane.
    void Dispatch(Client& client);
    void TakeCompletions();
    void CheckDeadlines(Clock::time_point now);
    void Close(Client& client, const char* why);
    void Drop(size_t index);

    IDeviceGate& m_gate;
    const CPeerPolicy& m_policy;
    int m_listenFd = -1;
    bool m_ownsPath = false;
    int m_wakeFd = -1;
    int m_doneFd = -1;  // eventfd: a lane finished a request
    std::string m_path;
    std::vector<Client> m_clients;
    std::atomic<size_t> m_clientCount{0};
    uint64_t m_nextId = 1;
    std::mutex m_doneLock;
    std::vector<Completion> m_done;
    // Last member: destroyed first, so no lane still runs when the rest goes.
    CDeviceReservations m_reservations;  // used on the socket thread only
    std::unique_ptr<CDeviceLanes> m_lanes;
};

}  // namespace qda
