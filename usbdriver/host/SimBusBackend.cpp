#include "usbdriver/host/SimBusBackend.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace qda {

CSimBusBackend::~CSimBusBackend() {
    Stop();
}

bool CSimBusBackend::Start(IPnpSink& sink) {
    sockaddr_un addr{};
    if (m_path.empty() || m_path.size() >= sizeof(addr.sun_path)) {
        std::fprintf(stderr, "vantorusbd: bad simulator socket path '%s'\n", m_path.c_str());
        return false;
    }
    if (::pipe2(m_wake, O_CLOEXEC) != 0) return false;
    m_sink = &sink;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CSimBusBackend::Stop() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    const char byte = 1;
    if (::write(m_wake[1], &byte, 1) < 0) std::perror("vantorusbd: stop");
    m_thread.join();
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

bool CSimBusBackend::Send(uint64_t generation, const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> lock(m_sendLock);
    // A device of an earlier connection must never write into a later one.
    if (generation != m_generation || m_fd < 0) return false;
    const int fd = m_fd;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void CSimBusBackend::DeviceGone() {
    if (!m_device) return;
    m_device->Disconnect();
    m_sink->DeviceLeft(m_device.get());
    m_device.reset();
}

void CSimBusBackend::Run() {
    bool reported = false;
    while (!m_stop) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, m_path.c_str(), m_path.size() + 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
            {
                std::lock_guard<std::mutex> lock(m_sendLock);
                m_fd = fd;
                ++m_generation;
            }
            std::fprintf(stderr, "vantorusbd: connected to the simulated bus %s\n", m_path.c_str());
            reported = false;
            Serve(fd);
            DeviceGone();
            // Shut down first, so a transfer still sending on this descriptor fails at once.
            ::shutdown(fd, SHUT_RDWR);
        } else if (!reported) {
            std::fprintf(stderr, "vantorusbd: waiting for the simulated bus %s (%s)\n", m_path.c_str(),
                         std::strerror(errno));
            reported = true;
        }
        {
            // No transfer can use the descriptor any more once the device is gone.
            std::lock_guard<std::mutex> lock(m_sendLock);
            m_fd = -1;
            ::close(fd);
        }
        pollfd p{m_wake[0], POLLIN, 0};
        if (!m_stop) ::poll(&p, 1, 200);
    }
}

bool CSimBusBackend::Serve(int fd) {
    uint64_t generation;
    {
        std::lock_guard<std::mutex> lock(m_sendLock);
        generation = m_generation;
    }
    if (!Send(generation, simbus::EncodeHello())) return false;
    simbus::CSimBusReader reader(simbus::Side::Host);
    bool handshaken = false;
    uint8_t buffer[65536];
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents) return true;
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::fprintf(stderr, "vantorusbd: the simulated bus closed\n");
            return false;
        }
        const uint8_t* data = buffer;
        size_t length = static_cast<size_t>(n);
        while (length > 0) {
            simbus::Message message;
            const auto result = reader.Feed(data, length, message);
            if (result == simbus::CSimBusReader::Result::Error) {
                std::fprintf(stderr, "vantorusbd: malformed message on the simulated bus\n");
                return false;
            }
            if (result == simbus::CSimBusReader::Result::NeedMore) continue;
            if (!handshaken) {
                uint32_t version = 0;
                int32_t status = -1;
                if (message.type != simbus::MessageType::HelloReply ||
                    !simbus::DecodeHelloReply(message.body, version, status) ||
                    version != simbus::kProtocolVersion || status != 0) {
                    std::fprintf(stderr, "vantorusbd: the simulated bus refused the handshake\n");
                    return false;
                }
                handshaken = true;
                continue;
            }
            switch (message.type) {
                case simbus::MessageType::Attach: {
                    std::vector<uint8_t> device, config;
                    if (!simbus::DecodeAttach(message.body, device, config)) return false;
                    DeviceGone();
                    m_device = std::make_shared<CSimBusDevice>(
                        std::move(device), std::move(config),
                        [this, generation](const std::vector<uint8_t>& bytes) {
                            return Send(generation, bytes);
                        });
                    m_sink->DeviceArrived(m_device);
                    break;
                }
                case simbus::MessageType::Detach:
                    DeviceGone();
                    break;
                case simbus::MessageType::TransferDone: {
                    simbus::TransferResult transfer;
                    if (!simbus::DecodeTransferDone(message.body, transfer)) return false;
                    if (m_device) m_device->Complete(std::move(transfer));
                    break;
                }
                default:
                    return false;
            }
        }
    }
}

}  // namespace qda
