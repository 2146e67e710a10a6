#include "simulator/UsbBusLink.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "usbdriver/SimBusWire.h"

namespace qda::sim {

UsbBusLink::UsbBusLink(SimController& controller, Options options)
    : UsbBusLink([&controller](std::span<const uint8_t> packet) { return controller.HandlePacket(packet); },
                 std::move(options)) {}

UsbBusLink::UsbBusLink(UsbBusDevice::Handler handler, Options options)
    : options_(std::move(options)), device_(std::move(handler)) {
    device_.SetPieceSize(options_.pieceSize);
    device_.SetReplyDelay(options_.replyDelayMs);
}

UsbBusLink::~UsbBusLink() {
    Stop();
}

bool UsbBusLink::Open(std::string& error) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (options_.socketPath.empty() || options_.socketPath.size() >= sizeof(addr.sun_path)) {
        error = "bad USB socket path '" + options_.socketPath + "'";
        return false;
    }
    std::memcpy(addr.sun_path, options_.socketPath.c_str(), options_.socketPath.size() + 1);
    ::unlink(options_.socketPath.c_str());
    listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(listen_, 4) != 0 || ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = "cannot serve USB on " + options_.socketPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void UsbBusLink::Start() {
    if (listen_ >= 0 && !worker_.joinable()) worker_ = std::thread([this] { Run(); });
}

void UsbBusLink::Stop() {
    if (worker_.joinable()) {
        stop_ = true;
        const char byte = 1;
        if (::write(wake_[1], &byte, 1) < 0) std::perror("qd-atlas-sim: usb stop");
        worker_.join();
    }
    DropHost();
    if (listen_ >= 0) {
        ::close(listen_);
        ::unlink(options_.socketPath.c_str());
        listen_ = -1;
    }
    for (int& fd : wake_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

bool UsbBusLink::IsCommand(std::string_view line) {
    return line.rfind("usb-", 0) == 0;
}

std::string UsbBusLink::Execute(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line == "usb-unplug" || line == "usb-plug") {
        wantPlugged_ = line == "usb-plug";
        const char byte = 1;
        if (wake_[1] >= 0 && ::write(wake_[1], &byte, 1) < 0) return "ERROR usb link not running";
        return wantPlugged_ ? "OK plugged" : "OK unplugged";
    }
    if (line == "usb-state") {
        return std::string("OK plugged=") + (wantPlugged_ ? "1" : "0") +
               " host=" + (hostConnected_ ? "1" : "0");
    }
    return "ERROR unknown usb command";
}

bool UsbBusLink::SendToHost(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(host_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{host_, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0) return false;
            continue;
        }
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void UsbBusLink::DropHost() {
    if (host_ >= 0) ::close(host_);
    host_ = -1;
    hostConnected_ = false;
    handshaken_ = false;
    pendingIn_.active = false;
    inbound_.clear();
    device_.Reset();
}

void UsbBusLink::ApplyPlugState() {
    const bool want = wantPlugged_;
    if (want == plugged_) return;
    plugged_ = want;
    pendingIn_.active = false;
    device_.Reset();
    if (host_ < 0 || !handshaken_) return;
    const bool sent = plugged_ ? SendToHost(simbus::EncodeAttach(UsbBusDevice::DeviceDescriptor(),
                                                                 UsbBusDevice::ConfigurationDescriptor()))
                               : SendToHost(simbus::EncodeDetach());
    if (!sent) DropHost();
}

void UsbBusLink::AnswerPendingIn(bool timedOut) {
    if (!pendingIn_.active) return;
    simbus::TransferResult result;
    result.id = pendingIn_.id;
    if (timedOut) {
        result.status = simbus::TransferStatus::TimedOut;
    } else if (!device_.In(pendingIn_.length, result.data)) {
        return;
    }
    pendingIn_.active = false;
    result.actual = static_cast<uint32_t>(result.data.size());
    if (!SendToHost(simbus::EncodeTransferDone(result))) DropHost();
}

bool UsbBusLink::HandleMessage(uint16_t type, const std::vector<uint8_t>& body) {
    const auto t = static_cast<simbus::MessageType>(type);
    if (!handshaken_) {
        uint32_t version = 0;
        if (t != simbus::MessageType::Hello || !simbus::DecodeHello(body, version)) return false;
        if (version != simbus::kProtocolVersion) {
            SendToHost(simbus::EncodeHelloReply(-1));
            return false;
        }
        handshaken_ = true;
        if (!SendToHost(simbus::EncodeHelloReply(0))) return false;
        if (plugged_)
            return SendToHost(simbus::EncodeAttach(UsbBusDevice::DeviceDescriptor(),
                                                   UsbBusDevice::ConfigurationDescriptor()));
        return true;
    }
    if (t == simbus::MessageType::Abort) {
        uint8_t endpoint = 0;
        if (!simbus::DecodeAbort(body, endpoint)) return false;
        if (endpoint == UsbBusDevice::kInEndpoint) pendingIn_.active = false;
        return true;
    }
    simbus::TransferRequest request;
    if (t != simbus::MessageType::Transfer || !simbus::DecodeTransfer(body, request)) return false;
    simbus::TransferResult result;
    result.id = request.id;
    if (!plugged_) {
        result.status = simbus::TransferStatus::NoDevice;
    } else if (request.endpoint == UsbBusDevice::kOutEndpoint) {
        result.actual = device_.Out(request.data);
        if (options_.verbose) std::fprintf(stderr, "usb: OUT %u bytes\n", result.actual);
    } else if (request.endpoint == UsbBusDevice::kInEndpoint) {
        // Held until the controller has something to say or the host's time-out passes.
        pendingIn_ = {true, request.id, request.length,
                      Clock::now() + std::chrono::milliseconds(request.timeoutMs)};
        AnswerPendingIn(false);
        return host_ >= 0;
    } else {
        result.status = simbus::TransferStatus::Stall;
    }
    return SendToHost(simbus::EncodeTransferDone(result));
}

void UsbBusLink::Run() {
    simbus::CSimBusReader reader(simbus::Side::Device);
    uint8_t buffer[65536];
    while (!stop_) {
        int timeout = -1;
        if (pendingIn_.active) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(pendingIn_.deadline - Clock::now());
            timeout = static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(left.count(), 60000)));
        }
        pollfd fds[3] = {{wake_[0], POLLIN, 0}, {listen_, POLLIN, 0}, {host_, POLLIN, 0}};
        const int ready = ::poll(fds, 3, timeout);
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wake_[0], drain, sizeof(drain)) > 0) {
            }
            if (stop_) break;
            ApplyPlugState();
        }
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0 && host_ >= 0) {
                ::close(fd);  // one host at a time
            } else if (fd >= 0) {
                host_ = fd;
                hostConnected_ = true;
                reader = simbus::CSimBusReader(simbus::Side::Device);
            }
        }
        if (host_ >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::recv(host_, buffer, sizeof(buffer), 0);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                DropHost();
                continue;
            }
            const uint8_t* data = buffer;
            size_t length = static_cast<size_t>(n);
            while (length > 0 && host_ >= 0) {
                simbus::Message message;
                const auto result = reader.Feed(data, length, message);
                if (result == simbus::CSimBusReader::Result::Error) {
                    std::fprintf(stderr, "qd-atlas-sim: malformed message from the USB host; dropping it\n");
                    DropHost();
                    break;
                }
                if (result == simbus::CSimBusReader::Result::NeedMore) continue;
                if (!HandleMessage(static_cast<uint16_t>(message.type), message.body)) DropHost();
            }
        }
        if (pendingIn_.active && Clock::now() >= pendingIn_.deadline) AnswerPendingIn(true);
    }
}

}  // namespace qda::sim
