#include "comm/COMPORT.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "comm/DebugTrace.h"

namespace {

constexpr int kTickMs = 10;
constexpr int kTransferSize = 1048576;

speed_t SpeedOfBaud(int baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return 0;
    }
}

tcflag_t SizeOfDataBits(int bits) {
    switch (bits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return 0;
    }
}

}  // namespace

bool qda::ApplyLineSettings(termios& tio, const SerialLine& line) {
    const speed_t speed = SpeedOfBaud(line.baud);
    const tcflag_t size = SizeOfDataBits(line.dataBits);
    if (speed == 0 || size == 0 || (line.stopBits != 1 && line.stopBits != 2)) return false;
    // Raw 8-bit bytes both ways, whatever the program that had the port before left behind.
    // Linux keeps a port's termios across opens; the line must come up as a freshly opened port
    // does where this tool comes from: no hardware handshake (CRTSCTS would stall every write
    // while CTS is low), no hang-up on close, carrier ignored.
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                          IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL | IUTF8);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST | ONLCR | OCRNL | ONOCR | ONLRET | OFILL);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOPRT | ECHOKE |
                                          ICANON | ISIG | IEXTEN | TOSTOP | XCASE);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL | CMSPAR);
    tio.c_cflag |= size | CREAD | CLOCAL;
    if (line.stopBits == 2) tio.c_cflag |= CSTOPB;
    if (line.parity == Parity::kEven) tio.c_cflag |= PARENB;
    if (line.parity == Parity::kOdd) tio.c_cflag |= PARENB | PARODD;
    // Received bytes are checked for parity only with odd parity, as the controller's own tool
    // has always configured the port.
    if (line.parity == Parity::kOdd) tio.c_iflag |= INPCK;
    if (line.xonXoff) {
        tio.c_iflag |= IXON | IXOFF;
        tio.c_cc[VSTART] = 0x11;
        tio.c_cc[VSTOP] = 0x13;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::cfsetispeed(&tio, speed) == 0 && ::cfsetospeed(&tio, speed) == 0;
}

CCOMPORT::~CCOMPORT() {
    Close();
}

bool CCOMPORT::Open(const qda::SerialLine& line, qda::TransportCallback callback, void* owner) {
    if (m_fd >= 0) return false;
    std::memcpy(m_tag, "CCOMPORT", 8);
    m_path = line.devicePath;
    m_callback = callback;
    m_owner = owner;
    const std::string& path = m_path;

    m_failure = qda::LinkFailure{};
    termios check{};
    if (!qda::ApplyLineSettings(check, line)) return false;
    if (path.empty()) {
        // A COM number without a device in the port mapping.
        m_failure = qda::DescribeSerialFailure(path, ENOENT);
        return false;
    }

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        QDA_TRACE("エラー発生[%d]\r\n", errno);
        m_failure = qda::DescribeSerialFailure(path, errno);
        return false;
    }
    // No sharing: a port in use by another program (or another link of ours) is refused, and
    // refused before anything touches the line: the descriptor goes without a flush or a
    // settings change, so the program that holds the port loses none of its bytes.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        QDA_TRACE("エラー発生[%d]\r\n", errno);
        const int error = errno;
        ::close(fd);
        m_failure = qda::DescribeSerialFailure(path, error);
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        QDA_TRACE("エラー発生[%d]\r\n", errno);
        const int error = errno;
        ::close(fd);
        m_failure = qda::DescribeSerialFailure(path, error);
        return false;
    }
    m_fd = fd;
    ::ioctl(m_fd, TIOCEXCL);
    if (!qda::ApplyLineSettings(tio, line)) return false;
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
        QDA_TRACE("エラー発生[%d]\r\n", errno);
        m_failure = qda::DescribeSerialFailure(path, errno);
        return false;
    }
    // DTR and RTS up, as a freshly opened port has them (a pseudo-terminal has no modem lines).
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(m_fd, TIOCMBIS, &lines);
    ::tcflush(m_fd, TCIOFLUSH);

    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0) return false;
    if (!m_sendQueue.Create(line.sendQueueSize) || !m_receiveQueue.Create(line.receiveQueueSize))
        return false;
    m_timerArmed = false;
    m_stop = false;
    m_threadEnded = false;
    try {
        m_transfer.assign(kTransferSize, 0);
        m_worker = std::thread(&CCOMPORT::WorkerLoop, this);
    } catch (...) {
        return false;
    }
    return true;
}

void CCOMPORT::Close() {
    if (m_worker.joinable()) {
        m_stop = true;
        Wake();
        m_worker.join();
    }
    if (m_fd >= 0) {
        ::tcflush(m_fd, TCIOFLUSH);
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
    m_sendQueue.Destroy();
    m_receiveQueue.Destroy();
    m_transfer.clear();
    m_transfer.shrink_to_fit();
    m_pendingOut.clear();
    m_pendingOffset = 0;
}

bool CCOMPORT::Write(const uint8_t* bytes, int length) {
    if (length <= 0) return true;
    if (m_fd < 0 || m_threadEnded) return false;
    if (!m_sendQueue.Write(bytes, length)) return false;
    Wake();
    return true;
}

bool CCOMPORT::ReadQueued(uint8_t* destination, int length, int* count) {
    const int n = m_receiveQueue.Read(destination, length, true);
    if (count) *count = n;
    // A consuming read means the answer is being taken: the silence watch ends here.
    DisarmResponseTimer();
    return n > 0;
}

bool CCOMPORT::PeekQueued(uint8_t* destination, int length, int* count) {
    const int n = m_receiveQueue.Read(destination, length, false);
    if (count) *count = n;
    return n > 0;
}

void CCOMPORT::ClearQueues() {
    m_sendQueue.Clear();
    m_receiveQueue.Clear();
}

bool CCOMPORT::ClearError() {
    // A tty keeps no sticky error state to reset; this checks that the port still answers.
    int waiting = 0;
    return m_fd >= 0 && ::ioctl(m_fd, FIONREAD, &waiting) == 0;
}

void CCOMPORT::ArmResponseTimer(int milliseconds) {
    m_timerRemaining = milliseconds;
    m_timerArmed = true;
    // The worker may be asleep without a tick; it starts counting now.
    if (std::this_thread::get_id() != m_worker.get_id()) Wake();
}

void CCOMPORT::DisarmResponseTimer() {
    m_timerArmed = false;
}

void CCOMPORT::Wake() {
    if (m_wakeFd < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void CCOMPORT::Report(int type) {
    if (m_callback) m_callback(type, m_owner);
}

int CCOMPORT::ReadAvailable() {
    int total = 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, m_transfer.data(), m_transfer.size());
        if (n > 0) {
            if (!m_receiveQueue.Write(m_transfer.data(), static_cast<int>(n))) {
                // The bytes are lost; the exchange then ends by checksum failure or time-out.
                QDA_TRACE("リングバッファがオーバーフローした。\r\n");
            } else {
                total += static_cast<int>(n);
            }
            if (static_cast<size_t>(n) < m_transfer.size()) break;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
        if (n == 0) break;
        QDA_TRACE("エラー発生[%d]\r\n", errno);
        return total > 0 ? total : -1;
    }
    return total;
}

bool CCOMPORT::FlushSendQueue() {
    for (;;) {
        if (m_pendingOffset >= m_pendingOut.size()) {
            m_pendingOut.clear();
            m_pendingOffset = 0;
            uint8_t chunk[4096];
            const int n = m_sendQueue.Read(chunk, sizeof chunk, true);
            if (n <= 0) return true;
            m_pendingOut.assign(chunk, chunk + n);
        }
        const ssize_t w =
            ::write(m_fd, m_pendingOut.data() + m_pendingOffset, m_pendingOut.size() - m_pendingOffset);
        if (w > 0) {
            m_pendingOffset += static_cast<size_t>(w);
            m_txPending = true;
            continue;
        }
        if (w < 0 && (errno == EAGAIN || errno == EINTR)) return true;  // POLLOUT resumes it
        QDA_TRACE("エラー発生[%d]\r\n", errno);
        m_pendingOut.clear();
        m_pendingOffset = 0;
        return false;
    }
}

void CCOMPORT::OnQuietTick() {
    if (!m_timerArmed) return;
    const int left = m_timerRemaining.fetch_sub(kTickMs) - kTickMs;
    if (left >= 0) return;
    int waiting = 0;
    if (!m_portDead && ::ioctl(m_fd, FIONREAD, &waiting) == 0 && waiting > 0) {
        QDA_TRACE("タイムアウトを起こしたが、受信している。[%d]\r\n", waiting);
        if (ReadAvailable() > 0) Report(qda::kEventDataArrived);
        return;
    }
    QDA_TRACE("タイムアウト\r\n");
    m_timerArmed = false;
    Report(qda::kEventResponseTimeout);
}

void CCOMPORT::WorkerLoop() {
    while (!m_stop) {
        pollfd fds[2] = {};
        fds[0].fd = m_wakeFd;
        fds[0].events = POLLIN;
        int nfds = 1;
        if (!m_portDead) {
            fds[1].fd = m_fd;
            fds[1].events = POLLIN | (m_pendingOffset < m_pendingOut.size() ? POLLOUT : 0);
            nfds = 2;
        }
        // The quiet tick counts down the response timer and watches a send draining from the
        // line; with neither running the worker sleeps until the line, a send or a stop wakes
        // it, instead of waking a hundred times a second between the polls of the windows.
        const bool ticking = m_timerArmed || m_txPending;
        const int rc = ::poll(fds, static_cast<nfds_t>(nfds), ticking ? kTickMs : -1);
        if (rc < 0) {
            if (errno == EINTR) continue;
            QDA_TRACE("エラー発生[%d]\r\n", errno);
            Report(qda::kEventPortError);
            continue;
        }
        if (rc == 0) OnQuietTick();
        if (fds[0].revents & POLLIN) {
            uint64_t v;
            [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &v, sizeof v);
            if (m_stop) break;
        }
        if (!m_portDead) {
            const short re = fds[1].revents;
            if (re & POLLIN) {
                const int n = ReadAvailable();
                if (n > 0) Report(qda::kEventDataArrived);
                if (n < 0) Report(qda::kEventPortError);
            }
            if (re & (POLLHUP | POLLERR | POLLNVAL)) {
                // The line is gone (device unplugged, peer closed): report once and stop
                // watching it so the worker does not spin; writes keep failing visibly.
                QDA_TRACE("エラー発生[%d]\r\n", static_cast<int>(re));
                m_portDead = true;
                Report(qda::kEventPortError);
            }
        }
        if (!FlushSendQueue()) Report(qda::kEventPortError);
        if (m_txPending && m_pendingOffset >= m_pendingOut.size()) {
            int queued = 0;
            if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued == 0) {
                m_txPending = false;
                Report(qda::kEventTxEmpty);
            }
        }
    }
    m_threadEnded = true;
}
