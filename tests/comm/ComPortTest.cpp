// CCOMPORT over a real pseudo-terminal: line settings, queues, events and the response timer.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "comm/COMPORT.h"
#include "comm/CommParam.h"
#include "comm/PortPathStore.h"
#include "support/PtyController.h"

namespace {

using namespace std::chrono_literals;
using qda::test::Bytes;
using qda::test::PtyController;

struct EventLog {
    std::mutex lock;
    std::vector<int> types;
    static void Callback(int type, void* user) {
        auto* self = static_cast<EventLog*>(user);
        std::lock_guard<std::mutex> g(self->lock);
        self->types.push_back(type);
    }
    int CountOf(int type) {
        std::lock_guard<std::mutex> g(lock);
        return static_cast<int>(std::count(types.begin(), types.end(), type));
    }
};

bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit = 2000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (cond()) return true;
        std::this_thread::sleep_for(2ms);
    }
    return cond();
}

bool OpenOn(CCOMPORT& port, const std::string& path, int baud, int parity, EventLog& log) {
    return port.OpenDevice(path, baud, 8, 0, parity, 0, 256, 1048576, 5000, &EventLog::Callback, &log);
}

TEST(ComPort, BaudAndParityOfTheLine) {
    struct Case {
        int baud;
        speed_t speed;
        int parity;
        bool parenb, parodd, inpck;
    } cases[] = {
        {9600, B9600, 2, true, false, false},     // even: sent with parity, not checked
        {19200, B19200, 1, true, true, true},     // odd: the only parity checked on input
        {38400, B38400, 0, false, false, false},  // none
        {57600, B57600, 2, true, false, false},  {115200, B115200, 0, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        termios tio{};
        tio.c_lflag = ICANON | ECHO;
        ASSERT_TRUE(qda::ApplyLineSettings(tio, c.baud, 8, 0, c.parity, 0));
        EXPECT_EQ(cfgetospeed(&tio), c.speed);
        EXPECT_EQ((tio.c_cflag & PARENB) != 0, c.parenb);
        EXPECT_EQ((tio.c_cflag & PARODD) != 0, c.parodd);
        EXPECT_EQ((tio.c_iflag & INPCK) != 0, c.inpck);
        EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
    }
    termios tio{};
    EXPECT_FALSE(qda::ApplyLineSettings(tio, 14400, 8, 0, 2, 0));
    EXPECT_FALSE(qda::ApplyLineSettings(tio, 9600, 8, 0, 3, 0));

    // On a real tty the speed arrives (a pseudo-terminal keeps no parity bits).
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    EventLog log;
    CCOMPORT port;
    ASSERT_TRUE(OpenOn(port, peer.SlavePath(), 57600, 1, log));
    ASSERT_EQ(tcgetattr(peer.MasterFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B57600));
    EXPECT_EQ(tio.c_lflag & ICANON, 0u);
}

TEST(ComPort, OpenParametersFromThePcSettings) {
    struct Case {
        int port, baud, parity;
        int32_t portNo, rate, parityCode;
    } cases[] = {{0, 0, 0, 1, 9600, 2},
                 {8, 1, 1, 9, 19200, 1},
                 {2, 2, 2, 3, 38400, 0},
                 {3, 3, 0, 4, 57600, 2},
                 {4, 4, 2, 5, 115200, 0}};
    for (const Case& c : cases) {
        sCOMMPARAM p{};
        ASSERT_TRUE(qda::BuildCommParam(qda::kCommTypeSerial, c.port, c.baud, c.parity, p));
        const sCOMMPARAM expected{{c.portNo, c.rate, 8, 0, c.parityCode, 0, 0, 0, 256, 1048576, 5000, 3}};
        EXPECT_EQ(0, memcmp(&p, &expected, sizeof p)) << c.port << "/" << c.baud << "/" << c.parity;
    }
    sCOMMPARAM usb{};
    ASSERT_TRUE(qda::BuildCommParam(qda::kCommTypeUsb, 0, 0, 0, usb));
    EXPECT_EQ(usb.m[0], 256);
    EXPECT_EQ(usb.m[1], 1048576);
    sCOMMPARAM untouched{};
    EXPECT_FALSE(qda::BuildCommParam(qda::kCommTypeSerial, 0, 5, 0, untouched));
    EXPECT_FALSE(qda::BuildCommParam(qda::kCommTypeSerial, 0, 0, 3, untouched));
    EXPECT_FALSE(qda::BuildCommParam(2, 0, 0, 0, untouched));
}

TEST(ComPort, RefusesWhatCannotBeOpened) {
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    EventLog log;
    CCOMPORT first, second, tenth, bogus;
    ASSERT_TRUE(OpenOn(first, peer.SlavePath(), 9600, 2, log));
    EXPECT_FALSE(OpenOn(second, peer.SlavePath(), 9600, 2, log)) << "a port in use is not shared";
    second.Close();
    EXPECT_FALSE(tenth.Open(10, 9600, 8, 0, 2, 0, 256, 1048576, 5000, &EventLog::Callback, &log))
        << "a port name carries one digit";
    EXPECT_FALSE(OpenOn(bogus, "/dev/null", 9600, 2, log)) << "not a tty";
}

TEST(ComPort, ComNumberFollowsTheEnvironmentMapping) {
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    ::setenv("QDA_COM7", peer.SlavePath().c_str(), 1);
    EXPECT_EQ(qda::ResolveComPortPath(7), peer.SlavePath());
    EventLog log;
    CCOMPORT port;
    EXPECT_TRUE(port.Open(7, 9600, 8, 0, 2, 0, 256, 1048576, 5000, &EventLog::Callback, &log));
    ::unsetenv("QDA_COM7");
    EXPECT_EQ(qda::ResolveComPortPath(7), "/dev/ttyS6");
    EXPECT_EQ(qda::ResolveComPortPath(0), "");
}

TEST(ComPort, ComNumberFollowsTheInstalledStore) {
    struct MapStore : qda::IPortPathStore {
        std::map<int, std::string> paths;
        std::string PortPath(int n) const override {
            auto it = paths.find(n);
            return it == paths.end() ? "" : it->second;
        }
        void SetPortPath(int n, const std::string& p) override { paths[n] = p; }
    } store;
    store.SetPortPath(3, "/dev/ttyUSB0");
    qda::SetPortPathStore(&store);
    EXPECT_EQ(qda::ResolveComPortPath(3), "/dev/ttyUSB0");
    EXPECT_EQ(qda::ResolveComPortPath(4), "/dev/ttyS3") << "unset ports keep the default";
    ::setenv("QDA_COM3", "/dev/pts/99", 1);
    EXPECT_EQ(qda::ResolveComPortPath(3), "/dev/pts/99") << "the environment wins";
    ::unsetenv("QDA_COM3");
    qda::SetPortPathStore(nullptr);
    EXPECT_EQ(qda::ResolveComPortPath(3), "/dev/ttyS2");
}

TEST(ComPort, BytesTravelBothWaysWithEvents) {
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    EventLog log;
    CCOMPORT port;
    ASSERT_TRUE(OpenOn(port, peer.SlavePath(), 115200, 0, log));

    Bytes big(257, 0x55);
    EXPECT_FALSE(port.Write(big.data(), 257)) << "more than the send queue holds is refused whole";
    EXPECT_TRUE(port.Write(big.data(), 0));
    const Bytes out = {'C', 'C', ',', 1, 2, 3};
    ASSERT_TRUE(port.Write(out.data(), static_cast<int>(out.size())));
    ASSERT_TRUE(WaitFor([&] { return peer.RawReceived().size() >= out.size(); }));
    EXPECT_EQ(peer.RawReceived(), out);
    EXPECT_TRUE(WaitFor([&] { return log.CountOf(qda::kEventTxEmpty) >= 1; })) << "the sent event follows";

    peer.Inject({9, 8, 7});
    ASSERT_TRUE(WaitFor([&] { return port.ReceiveQueueCount() == 3; }));
    EXPECT_GE(log.CountOf(qda::kEventDataArrived), 1);
    uint8_t in[8];
    int n = 0;
    EXPECT_TRUE(port.PeekQueued(in, 8, &n));
    EXPECT_EQ(n, 3);
    EXPECT_TRUE(port.ReadQueued(in, 8, &n));
    EXPECT_EQ(Bytes(in, in + n), (Bytes{9, 8, 7}));
    EXPECT_FALSE(port.ReadQueued(in, 8, &n));
    port.Close();
    port.Close();  // a second close is harmless
}

// The one slow test: the real 5000 ms response time-out, counted in quiet 10 ms ticks.
TEST(ComPort, FiveSecondsOfSilenceGiveExactlyOneTimeout) {
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    EventLog log;
    CCOMPORT port;
    ASSERT_TRUE(OpenOn(port, peer.SlavePath(), 115200, 2, log));
    const auto start = std::chrono::steady_clock::now();
    port.ArmResponseTimer(5000);
    ASSERT_TRUE(WaitFor([&] { return log.CountOf(qda::kEventResponseTimeout) >= 1; }, 9000ms));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 5000ms);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(log.CountOf(qda::kEventResponseTimeout), 1) << "the timer is off after it fired";
}

TEST(ComPort, TimerThatRunsOutWithBytesWaitingReportsData) {
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    EventLog log;
    CCOMPORT port;
    ASSERT_TRUE(OpenOn(port, peer.SlavePath(), 115200, 2, log));
    port.ArmResponseTimer(50);
    peer.Inject({1});
    ASSERT_TRUE(WaitFor([&] { return port.ReceiveQueueCount() == 1; }));
    uint8_t b;
    int n;
    port.ReadQueued(&b, 1, &n);  // a consuming read disarms
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(log.CountOf(qda::kEventResponseTimeout), 0);
}

TEST(ComPort, HangUpIsReportedOnceAndCloseReturns) {
    auto peer = std::make_unique<PtyController>();
    ASSERT_TRUE(peer->ok());
    EventLog log;
    CCOMPORT port;
    ASSERT_TRUE(OpenOn(port, peer->SlavePath(), 115200, 2, log));
    peer.reset();  // the far end goes away
    EXPECT_TRUE(WaitFor([&] { return log.CountOf(qda::kEventPortError) >= 1; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.CountOf(qda::kEventPortError), 1) << "no storm of error reports";
    port.Close();
}

}  // namespace
