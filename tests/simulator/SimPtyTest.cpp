// qd-atlas-sim as a peer on a real pseudo-terminal: frames written as raw bytes, replies read
// back byte for byte, faults switched through the control channel on stdin.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "simulator/SerialFrameParser.h"
#include "simulator/SimController.h"
#include "simulator/SimTestUtil.h"

using namespace simtest;
using qda::sim::SerialFrameParser;

namespace {

using Clock = std::chrono::steady_clock;

// The programs' folder: QDA_BIN_DIR, else this test's own folder (tests and programs share it).
std::string BinDir() {
    if (const char* dir = std::getenv("QDA_BIN_DIR")) return dir;
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.find_last_of('/'));
}

class SimProcess {
public:
    ~SimProcess() { Stop(); }

    // Starts the simulator and reads the slave path from its first output line.
    bool Start(std::vector<std::string> args) {
        const std::string bin = BinDir() + "/qd-atlas-sim";
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return false;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            std::vector<char*> argv{const_cast<char*>(bin.c_str())};
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(bin.c_str(), argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toSim_ = in[1];
        fromSim_ = out[0];
        slave_ = ReadLine();
        return slave_.rfind("/dev/", 0) == 0;
    }

    std::string ReadLine() {
        std::string line;
        char c;
        while (WaitReadable(fromSim_, 5000) && read(fromSim_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

    // One control command, one answer line.
    std::string Control(const std::string& line) {
        const std::string text = line + "\n";
        if (write(toSim_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return "write failed";
        return ReadLine();
    }

    // Sends SIGTERM and returns the exit status (-1 when it did not end normally within 5 s).
    int Stop() {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                pid_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        close(toSim_);
        close(fromSim_);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static bool WaitReadable(int fd, int ms) {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, ms) > 0;
    }

    const std::string& Slave() const { return slave_; }

private:
    pid_t pid_ = -1;
    int toSim_ = -1, fromSim_ = -1;
    std::string slave_;
};

class Line {
public:
    explicit Line(const std::string& path) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (fd_ >= 0 && tcgetattr(fd_, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~Line() {
        if (fd_ >= 0) close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    void SetSpeed(speed_t speed) {
        termios tio{};
        ASSERT_EQ(tcgetattr(fd_, &tio), 0);
        cfsetspeed(&tio, speed);
        ASSERT_EQ(tcsetattr(fd_, TCSANOW, &tio), 0);
    }
    void Write(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // Reads exactly n bytes or fewer when nothing more arrives for `quietMs`.
    std::vector<uint8_t> Read(size_t n, int quietMs = 3000) {
        std::vector<uint8_t> out;
        uint8_t buf[4096];
        while (out.size() < n && SimProcess::WaitReadable(fd_, quietMs)) {
            const ssize_t got = read(fd_, buf, std::min(sizeof buf, n - out.size()));
            if (got <= 0) break;
            out.insert(out.end(), buf, buf + got);
        }
        return out;
    }
    // Sends a packet framed and returns the reply packet of the answering frame (empty on failure).
    std::vector<uint8_t> Exchange(const std::vector<uint8_t>& packet) {
        Write(SerialFrameParser::Frame(packet));
        const auto head = Read(7);
        if (head.size() != 7 || head[0] != 'C' || head[1] != 'C' || head[2] != ',') return {};
        const size_t length = (size_t(head[3]) << 24) | (head[4] << 16) | (head[5] << 8) | head[6];
        const auto rest = Read(length + 1);
        if (rest.size() != length + 1) return {};
        std::vector<uint8_t> reply(rest.begin(), rest.end() - 1);
        EXPECT_EQ(SerialFrameParser::Checksum(reply), rest.back());
        return reply;
    }

private:
    int fd_ = -1;
};

TEST(SimPtyTest, AnswersFramesOnThePtyAndStopsCleanlyOnSigterm) {
    const std::string link = "/tmp/qda-sim-test-" + std::to_string(getpid());
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--link", link, "--seed", "3"}));
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    Line line(link);
    ASSERT_TRUE(line.IsOpen());
    auto r = line.Exchange(Packet(6));
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[3], 7);
    EXPECT_EQ(r[4], 0);
    r = line.Exchange(Read(1, 0, 13));
    EXPECT_EQ(Data(r), "+05.0000,-05.0000");
    EXPECT_EQ(sim.Control("state").rfind("OK mode=setting program=0", 0), 0u);

    // Garbage, then a frame with a bad checksum: the controller answers "ER," with code 04 and
    // keeps step for the next good frame.
    auto bad = SerialFrameParser::Frame(Packet(4));
    bad.back() ^= 0x55;
    std::vector<uint8_t> junk(bad.size() + 4);
    const uint8_t garbage[] = {'x', 'Q', 0, 0xFF};
    std::copy(std::begin(garbage), std::end(garbage), junk.begin());
    std::copy(bad.begin(), bad.end(), junk.begin() + 4);
    line.Write(junk);
    const auto er = line.Read(9);
    EXPECT_EQ(std::string(er.begin(), er.end()), "ER,CC,04\r");
    r = line.Exchange(Packet(4));
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[4], 0);

    // With automatic output for OUT1, a timing input is followed by an "N1," message.
    ASSERT_EQ(line.Exchange(Packet(6)).size(), 8u);
    ASSERT_EQ(line.Exchange(WriteByte(3, 0, 2, 1)).size(), 9u);
    ASSERT_EQ(line.Exchange(Packet(4)).size(), 8u);
    ASSERT_EQ(line.Exchange(Packet(14, {1, 0})).size(), 8u);
    const auto n1 = line.Read(12);
    EXPECT_EQ(std::string(n1.begin(), n1.begin() + std::min<size_t>(3, n1.size())), "N1,");

    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed at exit";
}

TEST(SimPtyTest, RuntimeFaultsShapeTheBytesOnTheLine) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({}));
    Line line(sim.Slave());
    ASSERT_TRUE(line.IsOpen());

    // Notifications come first, each with its fixed length, then the reply frame.
    ASSERT_EQ(sim.Control("notify 42:TG+N2:1"), "OK");
    line.Write(SerialFrameParser::Frame(Packet(42)));
    const auto tg = line.Read(14), n2 = line.Read(12);
    EXPECT_EQ(std::string(tg.begin(), tg.begin() + 3), "TG,");
    EXPECT_EQ(std::string(n2.begin(), n2.begin() + 3), "N2,");
    const auto frame = line.Read(8 + 20);
    ASSERT_EQ(frame.size(), 28u);
    EXPECT_EQ(frame[10], 43);

    // An "ER," message in place of the reply.
    ASSERT_EQ(sim.Control("er-message 42:06:1"), "OK");
    line.Write(SerialFrameParser::Frame(Packet(42)));
    const auto er = line.Read(9);
    EXPECT_EQ(std::string(er.begin(), er.end()), "ER,CC,06\r");

    // An error reply, then a corrupted checksum, then a reply in 5-byte pieces.
    ASSERT_EQ(sim.Control("error-reply 42:2:1"), "OK");
    auto r = line.Exchange(Packet(42));
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[3], 0xFF);
    EXPECT_EQ(r[4], 2);
    ASSERT_EQ(sim.Control("bad-checksum 42:1:1"), "OK");
    line.Write(SerialFrameParser::Frame(Packet(42)));
    const auto corrupt = line.Read(28);
    ASSERT_EQ(corrupt.size(), 28u);
    EXPECT_NE(SerialFrameParser::Checksum(std::vector<uint8_t>(corrupt.begin() + 7, corrupt.end() - 1)),
              corrupt.back());
    ASSERT_EQ(sim.Control("split 42:5:20"), "OK");
    EXPECT_EQ(line.Exchange(Packet(42)).size(), 20u);

    // Silence: nothing at all comes back.
    ASSERT_EQ(sim.Control("clear-faults"), "OK");
    ASSERT_EQ(sim.Control("silence all:1"), "OK");
    line.Write(SerialFrameParser::Frame(Packet(42)));
    EXPECT_TRUE(line.Read(1, 300).empty());
    EXPECT_EQ(line.Exchange(Packet(42)).size(), 20u);

    EXPECT_EQ(sim.Control("bogus 1").rfind("ERROR", 0), 0u);
    EXPECT_EQ(sim.Control("error-reply 42").rfind("ERROR", 0), 0u);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimPtyTest, PacedLineTakesTheTimeOfItsBytes) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--pace-baud", "115200"}));
    Line line(sim.Slave());
    ASSERT_TRUE(line.IsOpen());
    // A waveform frame is 1054 bytes: at 11520 bytes a second at least 90 ms on the line.
    const auto start = Clock::now();
    const auto r = line.Exchange(Packet(24, {0, 0}));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(r.size(), 1046u);
    EXPECT_GE(ms, 90);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimPtyTest, LinePacingFollowsTheSpeedTheClientSets) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--pace-baud", "line"}));
    Line line(sim.Slave());
    ASSERT_TRUE(line.IsOpen());
    line.SetSpeed(B9600);
    // 12 bytes out and 28 bytes back at 960 bytes a second: at least 41 ms.
    const auto start = Clock::now();
    EXPECT_EQ(line.Exchange(Packet(42)).size(), 20u);
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 40);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimPtyTest, CoreServesConcurrentCallers) {
    qda::sim::SimFaults faults;
    qda::sim::SimController sim({}, faults);
    std::vector<std::thread> threads;
    std::atomic<int> bad{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                const auto r = sim.HandlePacket(t % 2 ? Packet(20, {255, 0}) : Packet(42));
                if (r.size() < 8 || r[4] != 0) ++bad;
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(bad, 0);
}

}  // namespace
