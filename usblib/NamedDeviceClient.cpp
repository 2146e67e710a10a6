#include "usblib/NamedDeviceClient.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "usbwire/NtStatus.h"
#include "usbwire/SocketDirectory.h"
#include "usbwire/VantorUsbWire.h"

namespace qda {

namespace {
// Longest the driver host may stay silent while a reply is due. The host fails an exchange with a
// silent controller itself within seconds; this bounds the wait on a host that hangs, so that the
// caller's worker (and with it closing the link) is never held for longer than the command
// layer's own 10 s wait.
constexpr int kReplyWaitMs = 10000;

}  // namespace

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

bool CNamedDeviceClient::Open(const std::string& name, const std::vector<uint8_t>& pipelined) {
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
        // Room for a whole storage readout, so that the host's reply arrives in one piece.
        const int bufferSize = 2 * 1024 * 1024;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bufferSize, sizeof(bufferSize));
        const timeval wait{kReplyWaitMs / 1000, (kReplyWaitMs % 1000) * 1000};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof(wait));
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
            m_fd = fd;
            break;
        }
        error = errno;
        ::close(fd);
    }
    if (m_fd < 0) return Fail(error);

    std::vector<uint8_t> first = wire::EncodeHello();
    first.insert(first.end(), pipelined.begin(), pipelined.end());
    if (!SendAll(first)) return false;
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

std::string CNamedDeviceClient::SocketPaths(const std::string& name) {
    std::string paths;
    for (const std::string& dir : VantorUsbSocketDirectories()) {
        if (!paths.empty()) paths += ", ";
        paths += dir + "/" + name;
    }
    return paths;
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

// MSG_WAITALL: the kernel collects a long reply itself instead of waking the caller for each piece;
// SO_RCVTIMEO bounds each wait for more bytes.
static bool ReadExact(int fd, uint8_t* data, size_t length, int& error) {
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::recv(fd, data + done, length - done, MSG_WAITALL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // MSG_WAITALL may hand back a part before the time-out; only silence fails.
            error = ETIMEDOUT;
            return false;
        }
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

uint32_t CNamedDeviceClient::AskedOutput(uint32_t outputLength) {
    // No reply can be longer than the wire allows, so a larger buffer is simply not filled further.
    return outputLength < wire::kMaxIoBytes ? outputLength : wire::kMaxIoBytes;
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
    if (!SendAll(wire::EncodeIoctl(code, input, inputLength, AskedOutput(outputLength)))) return false;
    return ReadReply(output, outputLength, returned);
}

bool CNamedDeviceClient::Reserve(bool take, uint32_t& holderPid) {
    holderPid = 0;
    if (m_fd < 0) {
        m_lastError = EBADF;
        return false;
    }
    if (!SendAll(wire::EncodeReserve(take ? wire::MessageType::Reserve : wire::MessageType::Release)))
        return false;
    uint16_t type = 0;
    std::vector<uint8_t> body;
    if (!ReceiveMessage(type, body)) return false;
    wire::ReserveReplyBody reply{};
    if (type != static_cast<uint16_t>(wire::MessageType::ReserveReply) ||
        wire::DecodeReserveReply(body, reply) != wire::WireError::None)
        return Fail(EPROTO);
    if (reply.status != STATUS_SUCCESS) {
        holderPid = reply.holderPid;
        m_lastError = NtStatusToErrno(reply.status);
        return false;
    }
    m_lastError = 0;
    return true;
}

bool CNamedDeviceClient::ReadReply(uint8_t* output, uint32_t outputLength, uint32_t& returned) {
    returned = 0;
    if (m_fd < 0) {
        m_lastError = EBADF;
        return false;
    }
    const uint32_t asked = AskedOutput(outputLength);
    // The output bytes go straight into the caller's buffer once the fixed part says how many.
    uint8_t headerBytes[wire::kHeaderSize + sizeof(wire::IoctlReplyBody)];
    int error = 0;
    if (!ReadExact(m_fd, headerBytes, wire::kHeaderSize, error)) return Fail(error);
    wire::Header header{};
    if (wire::DecodeHeader(headerBytes, wire::Reader::Client, header) != wire::WireError::None ||
        header.type != static_cast<uint16_t>(wire::MessageType::IoctlReply))
        return Fail(EPROTO);
    uint8_t* fixed = headerBytes + wire::kHeaderSize;
    if (!ReadExact(m_fd, fixed, sizeof(wire::IoctlReplyBody), error)) return Fail(error);
    wire::IoctlReplyBody reply{};
    if (wire::DecodeIoctlReplyFixed(fixed, header.bodyLength, reply) != wire::WireError::None ||
        reply.information > asked || (reply.information && !output))
        return Fail(EPROTO);
    if (reply.information && !ReadExact(m_fd, output, reply.information, error)) return Fail(error);
    if (reply.status != STATUS_SUCCESS) {
        m_lastError = NtStatusToErrno(reply.status);
        return false;
    }
    returned = reply.information;
    m_lastError = 0;
    return true;
}

}  // namespace qda
