// A transfer keeps the controller for its program across processes: through the real driver host,
// another program's receive fails at once with "in use" while a send runs, a program that is killed
// gives the controller back, and a peer of the old wire version is refused at the handshake.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "usblib/EndToEndFixture.h"
#include "usbwire/NtStatus.h"
#include "usbwire/VantorUsbWire.h"

namespace {

constexpr const char* kInUse = "コントローラーは別のプログラムが転送中のため使用中です。";

// The simulated controller answers each command 3 ms late, so that a transfer lasts about a second.
class ReservationTest : public EndToEndTest {
protected:
    std::vector<std::string> SimExtraArgs() const override { return {"--usb-delay", "3"}; }

    static bool ExchangeRefusedBusy() {
        std::vector<uint8_t> reply;
        errno = 0;
        return Exchange({0x00, 0x04, 0x07, 42}, reply) == 0 && errno == EBUSY;
    }
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(ReservationTest, ReceiveDuringAnotherProgramsSendFailsAtOnceAndTheSendIsWhole) {
    const std::string cli = BinDir() + "/qd-atlas-cli";
    if (::access(cli.c_str(), X_OK) != 0) GTEST_SKIP() << "qd-atlas-cli not built";
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
    std::string out;
    ASSERT_EQ(RunCapture(cli + " receive -o " + dir_ + "/before.qdt --usb 2>&1", out), 0) << out;
    // Every program gets another alarm count, so that a half-written send would show.
    std::string changed = ReadFile(dir_ + "/before.qdt");
    size_t replaced = 0;
    for (size_t at = changed.find("AlarmCnt = 8;"); at != std::string::npos;
         at = changed.find("AlarmCnt = 8;", at)) {
        changed.replace(at, 13, "AlarmCnt = 12;");
        ++replaced;
    }
    ASSERT_EQ(replaced, 16u);
    std::ofstream(dir_ + "/changed.qdt") << changed;

    std::string sendOut;
    int sendExit = -1;
    std::thread send(
        [&] { sendExit = RunCapture(cli + " send " + dir_ + "/changed.qdt --usb 2>&1", sendOut); });
    // Once the send holds the controller, other programs' exchanges are refused.
    const bool held = Eventually([] { return ExchangeRefusedBusy(); });
    const auto start = std::chrono::steady_clock::now();
    std::string receiveOut;
    const int receiveExit = RunCapture(cli + " receive -o " + dir_ + "/during.qdt --usb 2>&1", receiveOut);
    const double took = SecondsSince(start);
    send.join();
    ASSERT_TRUE(held) << sendOut;

    EXPECT_EQ(receiveExit, 1) << receiveOut;
    EXPECT_NE(receiveOut.find("設定の受信に失敗しました。"), std::string::npos) << receiveOut;
    EXPECT_NE(receiveOut.find(kInUse), std::string::npos) << receiveOut;
    EXPECT_LT(took, 2.0) << "the refused receive waited";
    EXPECT_NE(::access((dir_ + "/during.qdt").c_str(), F_OK), 0) << "a refused receive saved a file";

    EXPECT_EQ(sendExit, 0) << sendOut;
    EXPECT_NE(sendOut.find("設定を送信しました。"), std::string::npos) << sendOut;
    // Released at the end of the send: the controller now holds exactly what was sent.
    ASSERT_EQ(RunCapture(cli + " receive -o " + dir_ + "/after.qdt --usb 2>&1", out), 0) << out;
    EXPECT_EQ(ReadFile(dir_ + "/after.qdt"), changed);
}

TEST_F(ReservationTest, HolderKeepsItsOwnExchangesAndAKilledHolderReleases) {
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // The holder reserves, proves its own exchange passes, and then waits to be killed.
        std::vector<uint8_t> reply;
        const char result = ReserveUsbDevice() == 1 && Exchange({0x00, 0x04, 0x07, 42}, reply) != 0 ? 1 : 0;
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &result, 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char result = 0;
    ASSERT_EQ(::read(ready[0], &result, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(result, 1);

    EXPECT_TRUE(ExchangeRefusedBusy());
    errno = 0;
    EXPECT_EQ(ReserveUsbDevice(), 0);
    EXPECT_EQ(errno, EBUSY);

    ::kill(holder, SIGKILL);
    int status = 0;
    ::waitpid(holder, &status, 0);
    // The host sees the connection close and the controller is free again.
    ASSERT_TRUE(Eventually([] { return !ExchangeRefusedBusy(); }));
    ASSERT_EQ(ReserveUsbDevice(), 1);
    std::vector<uint8_t> reply;
    EXPECT_NE(Exchange({0x00, 0x04, 0x07, 42}, reply), 0u);
    EXPECT_EQ(ReleaseUsbDevice(), 1);
    EXPECT_EQ(ReleaseUsbDevice(), 0) << "released more than was reserved";
}

TEST_F(ReservationTest, PeerOfTheFirstVersionIsRefusedAtTheHandshake) {
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = dir_ + "/VantorUSB_U-0";
    std::snprintf(addr.sun_path, sizeof(addr.sun_path), "%s", path.c_str());
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    const timeval wait{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
    // A version 1 client sends its exchange right behind the Hello, as the library did.
    std::vector<uint8_t> request = qda::wire::EncodeHello(1);
    const uint8_t packet[] = {0x00, 0x04, 0x07, 42};
    const std::vector<uint8_t> exchange = qda::wire::EncodeIoctl(IOCTL_VANTORUSB_EXCHANGE, packet, 4, 1024);
    request.insert(request.end(), exchange.begin(), exchange.end());
    ASSERT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));

    uint8_t bytes[64];
    size_t got = 0;
    for (ssize_t n; got < sizeof(bytes) && (n = ::recv(fd, bytes + got, sizeof(bytes) - got, 0)) > 0;)
        got += static_cast<size_t>(n);
    ::close(fd);
    // One HelloReply in a form the old client reads (its header and body did not change), then
    // the connection closes: the exchange behind it is not served.
    ASSERT_EQ(got, qda::wire::kHeaderSize + sizeof(qda::wire::HelloReplyBody));
    qda::wire::Header header{};
    ASSERT_EQ(qda::wire::DecodeHeader(bytes, qda::wire::Reader::Client, header), qda::wire::WireError::None);
    EXPECT_EQ(header.type, static_cast<uint16_t>(qda::wire::MessageType::HelloReply));
    const std::vector<uint8_t> body(bytes + qda::wire::kHeaderSize, bytes + got);
    qda::wire::HelloReplyBody reply{};
    ASSERT_EQ(qda::wire::DecodeHelloReply(body, reply), qda::wire::WireError::None);
    EXPECT_EQ(reply.protocolVersion, qda::wire::kProtocolVersion);
    EXPECT_EQ(reply.status, STATUS_REVISION_MISMATCH);
}

}  // namespace
