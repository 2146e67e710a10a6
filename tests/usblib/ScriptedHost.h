#pragma once
// A scripted driver host for library tests: serves one device name in a temporary socket
// directory (set as VANTORUSB_SOCKET_DIR), answers Hello, and answers each Ioctl from a callback.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "usbwire/NtStatus.h"
#include "usbwire/VantorUsbWire.h"

class ScriptedHost {
public:
    struct Request {
        uint32_t code;
        std::vector<uint8_t> input;
        uint32_t outputLength;
    };
    using Answer = std::function<std::vector<uint8_t>(const Request&, int32_t& status)>;

    explicit ScriptedHost(Answer answer, const std::string& name = "VantorUSB_U-0")
        : m_answer(std::move(answer)) {
        char dir[] = "/tmp/vusb-test-XXXXXX";
        m_dir = ::mkdtemp(dir);
        ::setenv("VANTORUSB_SOCKET_DIR", m_dir.c_str(), 1);
        m_listen = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        m_path = m_dir + "/" + name;
        std::strcpy(addr.sun_path, m_path.c_str());
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        ::listen(m_listen, 8);
        m_thread = std::thread([this] { Serve(); });
    }
    ~ScriptedHost() {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
        ::unlink(m_path.c_str());
        ::rmdir(m_dir.c_str());
        ::unsetenv("VANTORUSB_SOCKET_DIR");
    }
    int Connections() const { return m_connections; }
    std::vector<Request> Requests() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    void Serve() {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0) continue;
            ++m_connections;
            Talk(fd);
            ::close(fd);
        }
    }
    void Talk(int fd) {
        qda::wire::CWireReader reader(qda::wire::Reader::Host);
        uint8_t buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
            if (n <= 0) return;
            const uint8_t* data = buffer;
            size_t length = static_cast<size_t>(n);
            while (length > 0) {
                const auto result = reader.Feed(data, length);
                if (result == qda::wire::CWireReader::Result::Error) return;
                if (result != qda::wire::CWireReader::Result::Message) continue;
                std::vector<uint8_t> out;
                if (reader.MessageHeader().type == uint16_t(qda::wire::MessageType::Hello)) {
                    out = qda::wire::EncodeHelloReply(qda::wire::kProtocolVersion, STATUS_SUCCESS);
                } else {
                    qda::wire::IoctlBody body{};
                    const uint8_t* input = nullptr;
                    qda::wire::DecodeIoctl(reader.Body(), body, input);
                    Request request{body.ioControlCode, std::vector<uint8_t>(input, input + body.inputLength),
                                    body.outputLength};
                    {
                        std::lock_guard<std::mutex> lock(m_mutex);
                        m_requests.push_back(request);
                    }
                    int32_t status = STATUS_SUCCESS;
                    std::vector<uint8_t> reply = m_answer(request, status);
                    out = qda::wire::EncodeIoctlReply(status, reply.data(),
                                                      static_cast<uint32_t>(reply.size()));
                }
                ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
            }
        }
    }

    Answer m_answer;
    std::string m_dir, m_path;
    int m_listen = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::mutex m_mutex;
    std::vector<Request> m_requests;
    std::thread m_thread;
};
