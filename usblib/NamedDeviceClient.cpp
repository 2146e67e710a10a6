#include "usblib/NamedDeviceClient.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "usbdriver/NtStatus.h"
#include "usblib/SocketDirectory.h"
#include "usblib/VantorUsbWire.h"

namespace qda {

CNamedDeviceClient::~CNamedDeviceClient() {
    Close();
}

void CNamedDeviceClient::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool CNamedDeviceClient::Fail(int error) {
    m_lastError = error;
    Close();
    return false;
}

bool CNamedDeviceClient::Open(const std::string& name) {
    Close();
    if (!IsValidDeviceName(name)) return Fail(EINVAL);
    int error = ENOENT;
    for (const std::string& dir : VantorUsbSocketDirectories()) {
        const std::string path = dir + "/" + name;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (path.size() >= sizeof(addr.sun_path)) {
            error = ENAMETOOLONG;
            continue;
        }
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return Fail(errno);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
            m_fd = fd;
            break;
        }
        error = errno;
        ::close(fd);
    }
    if (m_fd < 0) return Fail(error);

    if (!SendAll(wire::EncodeHello())) return false;
    uint16_t type = 0;
    std::vector<uint8_t> body;
    if (!ReceiveMessage(type, body)) return false;
    wire::HelloReplyBody reply{};
    if (type != static_cast<uint16_t>(wire::MessageType::HelloReply) ||
        wire::DecodeHelloReply(body, reply) != wire::WireError::None)
        return Fail(EPROTO);
    if (reply.protocolVersion != wire::kProtocolVersion) return Fail(EPROTO);
    if (reply.status != STATUS_SUCCESS) return Fail(NtStatusToErrno(reply.status));
    m_lastError = 0;
    return true;
}

bool CNamedDeviceClient::SendAll(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        // MSG_NOSIGNAL: a host that went away must not kill the calling program with SIGPIPE.
        const ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(n < 0 ? errno : EPIPE);
        done += static_cast<size_t>(n);
    }
    return true;
}

static bool ReadExact(int fd, uint8_t* data, size_t length, int& error) {
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::recv(fd, data + done, length - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ECONNRESET;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool CNamedDeviceClient::ReceiveMessage(uint16_t& type, std::vector<uint8_t>& body) {
    uint8_t headerBytes[wire::kHeaderSize];
    int error = 0;
    if (!ReadExact(m_fd, headerBytes, sizeof(headerBytes), error)) return Fail(error);
    wire::Header header{};
    // The length is checked against its type's limit before a byte of the body is read.
    if (wire::DecodeHeader(headerBytes, wire::Reader::Client, header) != wire::WireError::None)
        return Fail(EPROTO);
    body.resize(header.bodyLength);
    if (!ReadExact(m_fd, body.data(), body.size(), error)) return Fail(error);
    type = header.type;
    return true;
}

bool CNamedDeviceClient::DeviceIoControl(uint32_t code, const uint8_t* input, uint32_t inputLength,
                                         uint8_t* output, uint32_t outputLength, uint32_t& returned) {
    returned = 0;
    if (m_fd < 0) {
        m_lastError = EBADF;
        return false;
    }
    if (inputLength > wire::kMaxIoBytes || (inputLength && !input) || (outputLength && !output)) {
        m_lastError = EINVAL;
        return false;
    }
    // No reply can be longer than the wire allows, so a larger buffer is simply not filled further.
    const uint32_t asked = outputLength < wire::kMaxIoBytes ? outputLength : wire::kMaxIoBytes;
    if (!SendAll(wire::EncodeIoctl(code, input, inputLength, asked))) return false;
    uint16_t type = 0;
    std::vector<uint8_t> body;
    if (!ReceiveMessage(type, body)) return false;
    wire::IoctlReplyBody reply{};
    const uint8_t* data = nullptr;
    if (type != static_cast<uint16_t>(wire::MessageType::IoctlReply) ||
        wire::DecodeIoctlReply(body, reply, data) != wire::WireError::None || reply.information > asked)
        return Fail(EPROTO);
    if (reply.status != STATUS_SUCCESS) {
        m_lastError = NtStatusToErrno(reply.status);
        return false;
    }
    if (reply.information) std::memcpy(output, data, reply.information);
    returned = reply.information;
    m_lastError = 0;
    return true;
}

}  // namespace qda
