// vantorusbd's socket side as a client sees it: the handshake, requests reaching the driver, and
// bad clients dropped without disturbing the others.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "usbdriver/ScriptedBus.h"
#include "usbdriver/host/DriverHost.h"
#include "usbdriver/host/SocketServer.h"
#include "usbwire/VantorUsbWire.h"

namespace {
using namespace qda;

class Client {
public:
    explicit Client(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, path.c_str());
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    }
    ~Client() { ::close(fd_); }
    bool Connected() const { return connected_; }
    void Send(const std::vector<uint8_t>& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Reads one whole message; false on end of stream or a malformed one (5 s limit).
    bool Receive(wire::Header& header, std::vector<uint8_t>& body) {
        uint8_t h[wire::kHeaderSize];
        if (!ReadExact(h, sizeof(h))) return false;
        if (wire::DecodeHeader(h, wire::Reader::Client, header) != wire::WireError::None) return false;
        body.resize(header.bodyLength);
        return ReadExact(body.data(), body.size());
    }
    // True when the host closed the connection.
    bool SeesEnd() {
        uint8_t byte;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) return false;
        return ::recv(fd_, &byte, 1, 0) == 0;
    }
    bool Handshake(int32_t expectedStatus = STATUS_SUCCESS, uint32_t version = wire::kProtocolVersion) {
        Send(wire::EncodeHello(version));
        wire::Header header{};
        std::vector<uint8_t> body;
        wire::HelloReplyBody reply{};
        return Receive(header, body) && header.type == uint16_t(wire::MessageType::HelloReply) &&
               wire::DecodeHelloReply(body, reply) == wire::WireError::None &&
               reply.protocolVersion == wire::kProtocolVersion && reply.status == expectedStatus;
    }
    // One device control request; returns the status, output in `out`.
    int32_t Ioctl(uint32_t code, const std::vector<uint8_t>& input, uint32_t outputLength,
                  std::vector<uint8_t>& out) {
        Send(wire::EncodeIoctl(code, input.data(), static_cast<uint32_t>(input.size()), outputLength));
        wire::Header header{};
        std::vector<uint8_t> body;
        wire::IoctlReplyBody reply{};
        const uint8_t* data = nullptr;
        if (!Receive(header, body) || wire::DecodeIoctlReply(body, reply, data) != wire::WireError::None)
            return -1;
        out.assign(data, data + reply.information);
        return reply.status;
    }

private:
    bool ReadExact(uint8_t* data, size_t length) {
        size_t done = 0;
        while (done < length) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) return false;
            const ssize_t n = ::recv(fd_, data + done, length - done, 0);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }
    int fd_ = -1;
    bool connected_ = false;
};

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/vusbd-test-XXXXXX";
        dir_ = ::mkdtemp(dir);
        bus_ = std::make_shared<ScriptedBus>();
        host_.DeviceArrived(bus_);
        host_.WaitPnpIdle();
        ASSERT_TRUE(host_.HasDevice());
        server_ = std::make_unique<CSocketServer>(host_, policy_);
        std::string error;
        ASSERT_TRUE(server_->Listen(dir_, "VantorUSB_U-0", error)) << error;
        thread_ = std::thread([this] { server_->Run(); });
    }
    void TearDown() override {
        server_->Stop();
        thread_.join();
        server_.reset();
        host_.Shutdown();
        ::rmdir(dir_.c_str());
    }
    std::string Path() const { return dir_ + "/VantorUSB_U-0"; }

    std::string dir_;
    std::shared_ptr<ScriptedBus> bus_;
    CDriverHost host_;
    CPeerPolicy policy_;
    std::unique_ptr<CSocketServer> server_;
    std::thread thread_;
};

TEST_F(HostTest, HandshakeThenRequestsReachTheDriver) {
    Client client(Path());
    ASSERT_TRUE(client.Connected());
    ASSERT_TRUE(client.Handshake());
    std::vector<uint8_t> out;
    EXPECT_EQ(client.Ioctl(IOCTL_VANTORUSB_GET_VERSION, {}, 4, out), STATUS_SUCCESS);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x00, 0x00, 0x02, 0x00}));

    bus_->inChunks = {{0x05, 0x87, 0x00, 0x00, 0x01}};
    EXPECT_EQ(client.Ioctl(IOCTL_VANTORUSB_EXCHANGE, std::vector<uint8_t>(12, 0x07), 1024, out),
              STATUS_SUCCESS);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x05, 0x87, 0x00, 0x00, 0x01}));
    ASSERT_EQ(bus_->outTransfers.size(), 2u);
    EXPECT_EQ(bus_->outTransfers[1].size(), 64u);

    // A long reply (a storage readout) arrives whole and in order.
    std::vector<uint8_t> longReply(3 * 0x8000 + 20);
    for (size_t i = 0; i < longReply.size(); ++i) longReply[i] = static_cast<uint8_t>(i * 7);
    bus_->inChunks = {{longReply.begin(), longReply.begin() + 0x8000},
                      {longReply.begin() + 0x8000, longReply.begin() + 0x10000},
                      {longReply.begin() + 0x10000, longReply.begin() + 0x18000},
                      {longReply.begin() + 0x18000, longReply.end()}};
    EXPECT_EQ(client.Ioctl(IOCTL_VANTORUSB_EXCHANGE, {0x00, 0x05, 0x07, 36, 0}, 0x100000, out),
              STATUS_SUCCESS);
    EXPECT_EQ(out, longReply);

    EXPECT_EQ(client.Ioctl(0x222020, {}, 4, out), STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(out.empty());
}

TEST_F(HostTest, VersionMismatchIsRefused) {
    Client client(Path());
    EXPECT_TRUE(client.Handshake(STATUS_REVISION_MISMATCH, wire::kProtocolVersion + 1));
    EXPECT_TRUE(client.SeesEnd());
}

TEST_F(HostTest, BadClientsAreDroppedAloneAndTheOthersGoOn) {
    Client good(Path());
    ASSERT_TRUE(good.Handshake());

    std::vector<uint8_t> oversized = wire::EncodeIoctl(IOCTL_VANTORUSB_EXCHANGE, nullptr, 0, 16);
    oversized[8] = 0xFF, oversized[9] = 0xFF, oversized[10] = 0xFF, oversized[11] = 0x7F;
    std::vector<uint8_t> inconsistent = wire::EncodeIoctl(IOCTL_VANTORUSB_EXCHANGE, nullptr, 0, 16);
    inconsistent[16] = 5;  // input length 5 in a body without input
    std::vector<uint8_t> hello = wire::EncodeHello();
    struct Case {
        const char* name;
        bool handshakeFirst;
        std::vector<uint8_t> bytes;
        bool closeAfter;  // the client itself goes away mid-message
    } cases[] = {
        {"oversized length", true, oversized, false},
        {"inconsistent input length", true, inconsistent, false},
        {"bad magic", false, {'N', 'O', 'P', 'E', 1, 0, 0, 0, 8, 0, 0, 0}, false},
        {"request before the handshake", false, wire::EncodeIoctl(IOCTL_VANTORUSB_GET_VERSION, nullptr, 0, 4),
         false},
        {"second handshake", true, hello, false},
        {"truncated message, then gone", true, std::vector<uint8_t>(hello.begin(), hello.begin() + 7), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            Client bad(Path());
            if (c.handshakeFirst) {
                ASSERT_TRUE(bad.Handshake());
            }
            bad.Send(c.bytes);
            if (!c.closeAfter) {
                EXPECT_TRUE(bad.SeesEnd());
            }
        }
        std::vector<uint8_t> out;
        EXPECT_EQ(good.Ioctl(IOCTL_VANTORUSB_GET_VERSION, {}, 4, out), STATUS_SUCCESS);
        EXPECT_EQ(out.size(), 4u);
    }
}

TEST_F(HostTest, DeviceLeavingFailsRequestsAndNewOpens) {
    Client client(Path());
    ASSERT_TRUE(client.Handshake());
    host_.DeviceLeft(bus_.get());
    host_.WaitPnpIdle();
    std::vector<uint8_t> out;
    const int32_t status = client.Ioctl(IOCTL_VANTORUSB_GET_VERSION, {}, 4, out);
    EXPECT_TRUE(status == STATUS_DELETE_PENDING || status == STATUS_NO_SUCH_DEVICE) << std::hex << status;
    Client late(Path());
    EXPECT_TRUE(late.Handshake(STATUS_NO_SUCH_DEVICE));
    EXPECT_TRUE(late.SeesEnd());

    // Plugged in again: a new open works.
    auto again = std::make_shared<ScriptedBus>();
    host_.DeviceArrived(again);
    host_.WaitPnpIdle();
    Client fresh(Path());
    ASSERT_TRUE(fresh.Handshake());
    EXPECT_EQ(fresh.Ioctl(IOCTL_VANTORUSB_GET_VERSION, {}, 4, out), STATUS_SUCCESS);
}

TEST_F(HostTest, RequestsSentWithTheHandshakeAreAnsweredInOrder) {
    Client client(Path());
    std::vector<uint8_t> batch = wire::EncodeHello();
    for (uint32_t code : {IOCTL_VANTORUSB_GET_VERSION, 0x222030u, IOCTL_VANTORUSB_GET_TOTALS}) {
        const auto ioctl = wire::EncodeIoctl(code, nullptr, 0, 8);
        batch.insert(batch.end(), ioctl.begin(), ioctl.end());
    }
    client.Send(batch);
    wire::Header header{};
    std::vector<uint8_t> body;
    ASSERT_TRUE(client.Receive(header, body));
    EXPECT_EQ(header.type, uint16_t(wire::MessageType::HelloReply));
    for (int32_t expected : {STATUS_SUCCESS, STATUS_INVALID_PARAMETER, STATUS_SUCCESS}) {
        wire::IoctlReplyBody reply{};
        const uint8_t* data = nullptr;
        ASSERT_TRUE(client.Receive(header, body));
        ASSERT_EQ(wire::DecodeIoctlReply(body, reply, data), wire::WireError::None);
        EXPECT_EQ(reply.status, expected);
    }

    // Behind a refused handshake nothing is served.
    Client refused(Path());
    batch = wire::EncodeHello(wire::kProtocolVersion + 1);
    const auto exchange = wire::EncodeIoctl(IOCTL_VANTORUSB_EXCHANGE, batch.data(), 4, 64);
    batch.insert(batch.end(), exchange.begin(), exchange.end());
    refused.Send(batch);
    ASSERT_TRUE(refused.Receive(header, body));
    EXPECT_TRUE(refused.SeesEnd());
    EXPECT_TRUE(bus_->outTransfers.empty());
}

TEST_F(HostTest, ConnectionPerCallNeverRunsOutOfClients) {
    // As the library does it: connect, handshake and request in one write, read, close. Hundreds
    // of calls in a row all get served.
    std::vector<uint8_t> batch = wire::EncodeHello();
    const auto ioctl = wire::EncodeIoctl(IOCTL_VANTORUSB_GET_VERSION, nullptr, 0, 4);
    batch.insert(batch.end(), ioctl.begin(), ioctl.end());
    int served = 0;
    for (int i = 0; i < 500; ++i) {
        Client client(Path());
        client.Send(batch);
        wire::Header header{};
        std::vector<uint8_t> body;
        if (client.Receive(header, body) && client.Receive(header, body) &&
            header.type == uint16_t(wire::MessageType::IoctlReply))
            ++served;
    }
    EXPECT_EQ(served, 500);
}

TEST_F(HostTest, SecondHostOnTheSamePathIsRefused) {
    CDriverHost other;
    CSocketServer second(other, policy_);
    std::string error;
    EXPECT_FALSE(second.Listen(dir_, "VantorUSB_U-0", error));
    EXPECT_NE(error.find("already"), std::string::npos);
}

}  // namespace
