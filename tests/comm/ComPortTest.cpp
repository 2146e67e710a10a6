// CCOMPORT over a real pseudo-terminal: line settings, queues, events and the response timer.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "comm/COMPORT.h"
#include "comm/LinkParams.h"
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

qda::SerialLine Line(const std::string& path, int baud, qda::Parity parity) {
    qda::SerialLine line;
    line.devicePath = path;
    line.baud = baud;
    line.parity = parity;
    return line;
}

bool OpenOn(CCOMPORT& port, const std::string& path, int baud, qda::Parity parity, EventLog& log) {
    return port.Open(Line(path, baud, parity), &EventLog::Callback, &log);
}

TEST(ComPort, BaudAndParityOfTheLine) {
    struct Case {
        int baud;
        speed_t speed;
        qda::Parity parity;
        bool parenb, parodd, inpck;
    } cases[] = {
        {9600, B9600, qda::Parity::kEven, true, false, false},     // even: sent with parity, not checked
        {19200, B19200, qda::Parity::kOdd, true, true, true},      // odd: the only parity checked on input
        {38400, B38400, qda::Parity::kNone, false, false, false},  // none
        {57600, B57600, qda::Parity::kEven, true, false, false},
        {115200, B115200, qda::Parity::kNone, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        termios tio{};
        tio.c_lflag = ICANON | ECHO;
        ASSERT_TRUE(qda::ApplyLineSettings(tio, Line("", c.baud, c.parity)));
        EXPECT_EQ(cfgetospeed(&tio), c.speed);
        EXPECT_EQ((tio.c_cflag & PARENB) != 0, c.parenb);
        EXPECT_EQ((tio.c_cflag & PARODD) != 0, c.parodd);
        EXPECT_EQ((tio.c_iflag & INPCK) != 0, c.inpck);
        EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
    }
    termios tio{};
    EXPECT_FALSE(qda::ApplyLineSettings(tio, Line("", 14400, qda::Parity::kEven)));
    qda::SerialLine badStop = Line("", 9600, qda::Parity::kEven);
    badStop.stopBits = 0;
    EXPECT_FALSE(qda::ApplyLineSettings(tio, badStop));

    // On a real tty the speed arrives (a pseudo-terminal keeps no parity bits).
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    EventLog log;
    CCOMPORT port;
    ASSERT_TRUE(OpenOn(port, peer.SlavePath(), 57600, qda::Parity::kOdd, log));
    ASSERT_EQ(tcgetattr(peer.MasterFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B57600));
    EXPECT_EQ(tio.c_lflag & ICANON, 0u);
}

TEST(ComPort, OpenParametersFromThePcSettings) {
    struct Case {
        int port, baud, parity;
        const char* path;
        int rate;
        qda::Parity parityOut;
    } cases[] = {{0, 0, 0, "/dev/ttyS0", 9600, qda::Parity::kEven},
                 {8, 1, 1, "/dev/ttyS8", 19200, qda::Parity::kOdd},
                 {2, 2, 2, "/dev/ttyS2", 38400, qda::Parity::kNone},
                 {3, 3, 0, "/dev/ttyS3", 57600, qda::Parity::kEven},
                 {4, 4, 2, "/dev/ttyS4", 115200, qda::Parity::kNone}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        qda::LinkParams params;
        ASSERT_TRUE(qda::LinkParamsOf(PcCommSetting{qda::kCommRs232c, c.port, c.baud, c.parity}, params));
        ASSERT_EQ(qda::KindOf(params), qda::LinkKind::kSerial);
        const qda::SerialLine& line = std::get<qda::SerialLine>(params);
        EXPECT_EQ(line.devicePath, c.path);
        EXPECT_EQ(line.baud, c.rate);
        EXPECT_EQ(line.parity, c.parityOut);
        EXPECT_EQ(line.dataBits, 8);
        EXPECT_EQ(line.stopBits, 1);
        EXPECT_FALSE(line.xonXoff);
        EXPECT_EQ(line.sendQueueSize, 256);
        EXPECT_EQ(line.receiveQueueSize, 1048576);
        EXPECT_EQ(line.responseTimeoutMs, 5000);
    }
    qda::LinkParams usb;
    ASSERT_TRUE(qda::LinkParamsOf(PcCommSetting{qda::kCommUsb, 0, 0, 0}, usb));
    ASSERT_EQ(qda::KindOf(usb), qda::LinkKind::kUsb);
    EXPECT_EQ(std::get<qda::UsbLink>(usb).sendQueueSize, 256);
    EXPECT_EQ(std::get<qda::UsbLink>(usb).receiveQueueSize, 1048576);
    qda::LinkParams untouched = usb;
    EXPECT_FALSE(qda::LinkParamsOf(PcCommSetting{qda::kCommRs232c, 0, 5, 0}, untouched));
    EXPECT_FALSE(qda::LinkParamsOf(PcCommSetting{qda::kCommRs232c, 0, 0, 3}, untouched));
    EXPECT_FALSE(qda::LinkParamsOf(PcCommSetting{2, 0, 0, 0}, untouched));
    EXPECT_FALSE(qda::LinkParamsOf(PcCommSetting{qda::kCommRs232c, 9, 0, 0}, untouched))
        << "a port name carries one digit: no COM10";
    EXPECT_EQ(qda::KindOf(untouched), qda::LinkKind::kUsb) << "a refused conversion changes nothing";
}

TEST(ComPort, RefusesWhatCannotBeOpened) {
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    EventLog log;
    CCOMPORT first, second, tenth, bogus;
    ASSERT_TRUE(OpenOn(first, peer.SlavePath(), 9600, qda::Parity::kEven, log));
    EXPECT_FALSE(OpenOn(second, peer.SlavePath(), 9600, qda::Parity::kEven, log))
        << "a port in use is not shared";
    second.Close();
    qda::SerialLine com10;
    EXPECT_FALSE(qda::ComPortLine(10, com10)) << "a port name carries one digit";
    EXPECT_FALSE(tenth.Open(com10, &EventLog::Callback, &log)) << "no device to open";
    EXPECT_FALSE(OpenOn(bogus, "/dev/null", 9600, qda::Parity::kEven, log)) << "not a tty";
}

TEST(ComPort, ComNumberFollowsTheEnvironmentMapping) {
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    ::setenv("QDA_COM7", peer.SlavePath().c_str(), 1);
    EXPECT_EQ(qda::ResolveComPortPath(7), peer.SlavePath());
    EventLog log;
    CCOMPORT port;
    qda::SerialLine com7;
    ASSERT_TRUE(qda::ComPortLine(7, com7));
    EXPECT_TRUE(port.Open(com7, &EventLog::Callback, &log));
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
    ASSERT_TRUE(OpenOn(port, peer.SlavePath(), 115200, qda::Parity::kNone, log));

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
    ASSERT_TRUE(OpenOn(port, peer.SlavePath(), 115200, qda::Parity::kEven, log));
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
    ASSERT_TRUE(OpenOn(port, peer.SlavePath(), 115200, qda::Parity::kEven, log));
    port.ArmResponseTimer(50);
    peer.Inject({1});
    ASSERT_TRUE(WaitFor([&] { return port.ReceiveQueueCount() == 1; }));
    uint8_t b;
    int n;
    port.ReadQueued(&b, 1, &n);  // a consuming read disarms
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(log.CountOf(qda::kEventResponseTimeout), 0);
}

// Voluntary context switches of thread `tid` of this process so far (-1 when unreadable).
long ContextSwitches(int tid) {
    std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stol(line.substr(24));
    return -1;
}

std::set<int> Threads() {
    std::set<int> tids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        tids.insert(std::stoi(entry.path().filename().string()));
    return tids;
}

TEST(ComPort, WorkerRestsBetweenExchangesAndStillTimesAnArmedTimer) {
    PtyController peer;
    ASSERT_TRUE(peer.ok());
    EventLog log;
    CCOMPORT port;
    const std::set<int> before = Threads();
    ASSERT_TRUE(OpenOn(port, peer.SlavePath(), 115200, qda::Parity::kEven, log));
    int worker = -1;
    for (int tid : Threads())
        if (before.count(tid) == 0) worker = tid;
    ASSERT_GT(worker, 0) << "the port's worker thread";

    // Nothing sent, nothing timed: the worker does not wake every tick.
    const auto sendAndDrain = [&] {
        const Bytes out = {'C', 'C', ','};
        const int sent = log.CountOf(qda::kEventTxEmpty);
        ASSERT_TRUE(port.Write(out.data(), 3));
        ASSERT_TRUE(WaitFor([&] { return log.CountOf(qda::kEventTxEmpty) > sent; })) << "the sent event";
    };
    sendAndDrain();
    std::this_thread::sleep_for(50ms);
    const long rested = ContextSwitches(worker);
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(ContextSwitches(worker) - rested, 5) << "woken without anything to do";

    // A timer armed while the worker rests runs out as it would with the worker ticking.
    const auto armed = std::chrono::steady_clock::now();
    port.ArmResponseTimer(100);
    ASSERT_TRUE(WaitFor([&] { return log.CountOf(qda::kEventResponseTimeout) == 1; }));
    EXPECT_GE(std::chrono::steady_clock::now() - armed, 100ms);
    // And once it has fired, the worker rests again; a later send still goes out.
    std::this_thread::sleep_for(50ms);
    const long afterTimeout = ContextSwitches(worker);
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(ContextSwitches(worker) - afterTimeout, 5);
    sendAndDrain();
}

TEST(ComPort, HangUpIsReportedOnceAndCloseReturns) {
    auto peer = std::make_unique<PtyController>();
    ASSERT_TRUE(peer->ok());
    EventLog log;
    CCOMPORT port;
    ASSERT_TRUE(OpenOn(port, peer->SlavePath(), 115200, qda::Parity::kEven, log));
    peer.reset();  // the far end goes away
    EXPECT_TRUE(WaitFor([&] { return log.CountOf(qda::kEventPortError) >= 1; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.CountOf(qda::kEventPortError), 1) << "no storm of error reports";
    port.Close();
}

}  // namespace
