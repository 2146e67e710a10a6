#pragma once
// The named device's Unix socket: accepts clients the peer policy allows, runs one CClientSession
// each and serves their requests one after the other on one thread, so that no two exchanges
// interleave on the bus. A client whose stream goes bad is dropped alone.
#include <sys/types.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "usbdriver/host/ClientSession.h"
#include "usbdriver/host/PeerCredentials.h"

namespace qda {

class CSocketServer {
public:
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
    struct Client {
        int fd = -1;
        std::unique_ptr<CClientSession> session;
        COutputQueue out;
        bool closing = false;
        std::string who;
    };
    void Accept();
    void ReadFrom(Client& client);
    void WriteTo(Client& client);
    void Drop(size_t index);

    IDeviceGate& m_gate;
    const CPeerPolicy& m_policy;
    int m_listenFd = -1;
    bool m_ownsPath = false;
    int m_wakeFd = -1;
    std::string m_path;
    std::vector<Client> m_clients;
    std::atomic<size_t> m_clientCount{0};
};

}  // namespace qda
