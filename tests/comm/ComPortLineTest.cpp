// The serial line as other programs leave it and share it: a port comes up raw with no hardware
// handshake whatever termios it had, and a refused open leaves the holder's line untouched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "comm/COMPORT.h"

namespace {

void NoEvents(int, void*) {}

// A pseudo-terminal pair: the test plays both the far end (master) and, where needed, the
// program that holds the port (a descriptor of the slave).
class PtyPair {
public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        path_ = ::ptsname(master_);
        // Keeps the line's settings alive between the opens of the test.
        keep_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
    }
    ~PtyPair() {
        if (keep_ >= 0) ::close(keep_);
        if (master_ >= 0) ::close(master_);
    }
    bool ok() const { return keep_ >= 0; }
    const std::string& Path() const { return path_; }
    int Master() const { return master_; }
    int Slave() const { return keep_; }

private:
    int master_ = -1;
    int keep_ = -1;
    std::string path_;
};

// stopBits 0 one stop bit, 1 two; parity 0 none, 1 odd, 2 even (the settings' own codes).
bool Open(CCOMPORT& port, const std::string& path, int baud, int stopBits, int parity) {
    qda::SerialLine line;
    line.devicePath = path;
    line.baud = baud;
    line.stopBits = stopBits == 0 ? 1 : 2;
    line.parity = parity == 1 ? qda::Parity::kOdd : parity == 2 ? qda::Parity::kEven : qda::Parity::kNone;
    return port.Open(line, &NoEvents, nullptr);
}

TEST(ComPortLine, ComesUpRawWithoutHandshakeWhateverWasLeftBehind) {
    struct Case {
        const char* name;
        int baud, stopBits, parity;
        speed_t speed;
        bool cstopb;
    } cases[] = {
        {"9600 8N1", 9600, 0, 0, B9600, false},
        {"115200 8E1", 115200, 0, 2, B115200, false},
        {"38400 8O2", 38400, 1, 1, B38400, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyPair pty;
        ASSERT_TRUE(pty.ok());
        // Another program left hardware flow control, hang-up on close, no CLOCAL, two stop
        // bits, canonical input with echo, software flow control and output processing.
        termios dirty{};
        ASSERT_EQ(::tcgetattr(pty.Slave(), &dirty), 0);
        dirty.c_cflag |= CRTSCTS | HUPCL | CSTOPB;
        dirty.c_cflag &= ~static_cast<tcflag_t>(CLOCAL);
        dirty.c_iflag |= IXON | IXOFF | ISTRIP | ICRNL | INLCR | IMAXBEL;
        dirty.c_oflag |= OPOST | ONLCR;
        dirty.c_lflag |= ICANON | ECHO | ECHOE | ISIG | IEXTEN;
        ::cfsetspeed(&dirty, B1200);
        ASSERT_EQ(::tcsetattr(pty.Slave(), TCSANOW, &dirty), 0);

        CCOMPORT port;
        ASSERT_TRUE(Open(port, pty.Path(), c.baud, c.stopBits, c.parity));
        termios tio{};
        ASSERT_EQ(::tcgetattr(pty.Slave(), &tio), 0);
        EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u) << "hardware flow control stalls every write";
        EXPECT_EQ(tio.c_cflag & HUPCL, 0u);
        EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
        EXPECT_NE(tio.c_cflag & CREAD, 0u);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.cstopb);
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ISTRIP | ICRNL | INLCR | IMAXBEL), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ECHOE | ISIG | IEXTEN), 0u);
        EXPECT_EQ(::cfgetospeed(&tio), c.speed);
        EXPECT_EQ(::cfgetispeed(&tio), c.speed);

        // Bytes go through unchanged: CR, LF, XON/XOFF and 8-bit values alike.
        const uint8_t bytes[] = {'\r', '\n', 0x11, 0x13, 0x7F, 0xFF, 0x03};
        ASSERT_TRUE(port.Write(bytes, sizeof bytes));
        uint8_t got[sizeof bytes] = {};
        size_t have = 0;
        for (int i = 0; i < 200 && have < sizeof got; ++i) {
            const ssize_t n = ::read(pty.Master(), got + have, sizeof got - have);
            if (n > 0)
                have += static_cast<size_t>(n);
            else
                ::usleep(5000);
        }
        ASSERT_EQ(have, sizeof got);
        EXPECT_EQ(0, std::memcmp(got, bytes, sizeof got));
    }
}

TEST(ComPortLine, RefusedOpenLeavesTheHoldersLineAlone) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    // The holder: another process with the port locked, its own settings and unread bytes in
    // both directions.
    const int holder = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    termios mine{};
    ASSERT_EQ(::tcgetattr(holder, &mine), 0);
    ::cfmakeraw(&mine);
    ::cfsetspeed(&mine, B19200);
    ASSERT_EQ(::tcsetattr(holder, TCSANOW, &mine), 0);
    const std::string reply = "reply for the holder";
    const std::string request = "request to the controller";
    ASSERT_EQ(::write(pty.Master(), reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    ASSERT_EQ(::write(holder, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    ::usleep(20000);

    for (int attempt = 0; attempt < 3; ++attempt) {
        CCOMPORT intruder;
        EXPECT_FALSE(Open(intruder, pty.Path(), 9600, 0, 0));
        intruder.Close();
    }

    char in[64] = {};
    EXPECT_EQ(::read(holder, in, sizeof in), static_cast<ssize_t>(reply.size()))
        << "the holder lost its reply";
    EXPECT_EQ(std::string(in, reply.size()), reply);
    char out[64] = {};
    EXPECT_EQ(::read(pty.Master(), out, sizeof out), static_cast<ssize_t>(request.size()))
        << "the holder's request was flushed";
    termios after{};
    ASSERT_EQ(::tcgetattr(holder, &after), 0);
    EXPECT_EQ(::cfgetospeed(&after), static_cast<speed_t>(B19200)) << "the holder's settings changed";
    ::close(holder);
}

}  // namespace
