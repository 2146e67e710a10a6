#include "simulator/SerialLink.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "simulator/SimProtocol.h"

namespace qda::sim {

namespace {

int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Microseconds a line of `baud` takes for `bytes` bytes of 10 bits (start, 8 data, stop), computed
// for the whole run so that rounding does not make the simulated line faster than a real one.
int64_t LineTimeUs(size_t bytes, int baud) {
    return baud > 0 ? (static_cast<int64_t>(bytes) * 10'000'000 + baud - 1) / baud : 0;
}

constexpr int64_t kSpinUs = 300;     // paced sleeps end on the processor (see SleepUntil)
constexpr int kStallLimitMs = 5000;  // a client that takes nothing for this long loses the reply

// Unsolicited messages; the PC only counts their bytes.
const char kTg[] = "TG,1,+0000000\r";  // 14 bytes
const char kN1[] = "N1,+000000\r\n";   // 12 bytes
const char kN2[] = "N2,+000000\r\n";   // 12 bytes
static_assert(sizeof(kTg) - 1 == 14 && sizeof(kN1) - 1 == 12 && sizeof(kN2) - 1 == 12);

}  // namespace

SerialLink::SerialLink(SimController& controller, SimFaults& faults, Options options)
    : controller_(controller), faults_(faults), options_(std::move(options)) {}

SerialLink::~SerialLink() {
    Stop();
}

bool SerialLink::Open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = name;
    slaveKeep_ = open(name, O_RDWR | O_NOCTTY);
    termios tio{};
    if (slaveKeep_ < 0 || tcgetattr(slaveKeep_, &tio) != 0) {
        error = "cannot open " + slavePath_ + ": " + std::strerror(errno);
        return false;
    }
    // A serial line carries bytes untouched: no echo, no line editing, no CR/LF translation.
    cfmakeraw(&tio);
    tcsetattr(slaveKeep_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (!options_.linkPath.empty()) {
        struct stat st {};
        // Replace a stale link from an earlier run, never a real file.
        if (lstat(options_.linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            unlink(options_.linkPath.c_str());
        if (symlink(slavePath_.c_str(), options_.linkPath.c_str()) != 0) {
            error = "cannot link " + options_.linkPath + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

void SerialLink::Start() {
    thread_ = std::thread([this] { Run(); });
}

void SerialLink::Stop() {
    stop_ = true;
    if (wake_[1] >= 0) {
        const char c = 'x';
        [[maybe_unused]] const ssize_t n = write(wake_[1], &c, 1);
    }
    if (thread_.joinable()) thread_.join();
    if (!options_.linkPath.empty() && !slavePath_.empty()) {
        char target[256] = {};
        const ssize_t n = readlink(options_.linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && slavePath_ == std::string(target, static_cast<size_t>(n)))
            unlink(options_.linkPath.c_str());
    }
    for (int* fd : {&master_, &slaveKeep_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void SerialLink::Run() {
    std::vector<uint8_t> buffer(4096), packet;
    int64_t lastRxUs = NowUs();
    while (!stop_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const int ready = poll(fds, 2, 50);
        if (stop_) break;
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            const ssize_t n = read(master_, buffer.data(), buffer.size());
            if (n > 0) {
                const int baud = PaceBaud();
                const int64_t now = NowUs();
                lastRxUs = now;
                rxDoneUs_ = std::max(now, rxDoneUs_) + LineTimeUs(static_cast<size_t>(n), baud);
                parser_.Feed(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
            }
        } else if (ready > 0 && (fds[0].revents & (POLLHUP | POLLERR))) {
            usleep(20000);  // no client at the moment
        }
        for (;;) {
            const SerialFrameParser::Result r = parser_.Next(packet);
            if (r == SerialFrameParser::Result::None) break;
            if (r == SerialFrameParser::Result::Packet)
                Process(packet);
            else if (r == SerialFrameParser::Result::BadChecksum)
                SendErMessage(kStatusChecksumError);
            else
                SendErMessage(kStatusLengthError);
            if (stop_) return;
        }
        // Automatic output goes out between replies, never inside one.
        for (const std::string& message : controller_.TakeAutomaticOutput())
            if (!Send(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(message.data()),
                                               message.size())))
                break;
        if (parser_.HasPartial() && NowUs() - lastRxUs > options_.frameTimeoutMs * 1000LL) {
            parser_.Reset();
            SendErMessage(kStatusTimeout);
        }
    }
}

void SerialLink::Process(const std::vector<uint8_t>& packet) {
    const uint8_t code = packet.size() >= 4 ? packet[3] : 0;
    if (const auto er = faults_.TakeErMessage(code)) {
        SendErMessage(*er);
        return;
    }
    const std::vector<uint8_t> reply = controller_.HandlePacket(packet);
    if (options_.verbose)
        std::fprintf(stderr, "sim: command %d -> %s status %d, %zu bytes\n", code,
                     reply.empty()                 ? "silence"
                     : reply[3] == kErrorReplyCode ? "error reply"
                                                   : "reply",
                     reply.size() > 4 ? reply[4] : -1, reply.size());
    if (reply.empty()) return;
    for (const std::string& tag : faults_.TakeNotifications(code)) {
        const char* text = tag == "TG" ? kTg : tag == "N1" ? kN1 : kN2;
        if (!Send(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text), std::strlen(text))))
            return;
    }
    std::vector<uint8_t> frame = SerialFrameParser::Frame(reply);
    if (faults_.TakeBadChecksum(code)) frame.back() ^= 0xA5;
    if (const auto split = faults_.SplitFor(code))
        Send(frame, split->chunk, split->delayMs);
    else
        Send(frame);
}

void SerialLink::SendErMessage(int code) {
    // "ER," with the code as two decimal digits at offsets 6 and 7.
    char text[16];
    std::snprintf(text, sizeof text, "ER,CC,%02d\r", code % 100);
    if (options_.verbose) std::fprintf(stderr, "sim: ER message %02d\n", code % 100);
    Send(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text), 9));
}

bool SerialLink::Send(std::span<const uint8_t> bytes, size_t chunk, int delayMs) {
    if (chunk == 0) chunk = bytes.size();
    for (size_t at = 0; at < bytes.size(); at += chunk) {
        if (at > 0 && delayMs > 0 && !SleepUntil(NowUs() + delayMs * 1000LL)) return false;
        if (!WritePaced(bytes.subspan(at, std::min(chunk, bytes.size() - at)))) return false;
    }
    return true;
}

bool SerialLink::WritePaced(std::span<const uint8_t> bytes) {
    const int baud = PaceBaud();
    if (baud <= 0) return WriteAll(bytes);
    // Pieces of about 5 ms of line time, each written when the line would have carried it.
    const size_t piece = std::max<size_t>(1, static_cast<size_t>(baud / 10 / 200));
    for (size_t at = 0; at < bytes.size(); at += piece) {
        const size_t n = std::min(piece, bytes.size() - at);
        // The answer starts once the command's last byte has arrived, and a byte reaches the
        // other end when its last bit has crossed the line: each piece is handed over at the end
        // of its line time. One sleep per piece, so wake-up latency is paid once, not twice.
        txFreeUs_ = std::max({NowUs(), txFreeUs_, rxDoneUs_}) + LineTimeUs(n, baud);
        if (!SleepUntil(txFreeUs_)) return false;
        if (!WriteAll(bytes.subspan(at, n))) return false;
    }
    return true;
}

bool SerialLink::WriteAll(std::span<const uint8_t> bytes) {
    int64_t lastProgress = NowUs();
    while (!bytes.empty()) {
        if (stop_) return false;
        const ssize_t n = write(master_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes = bytes.subspan(static_cast<size_t>(n));
            lastProgress = NowUs();
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (NowUs() - lastProgress > kStallLimitMs * 1000LL) return false;
        pollfd fds[2] = {{master_, POLLOUT, 0}, {wake_[0], POLLIN, 0}};
        poll(fds, 2, 20);
    }
    return true;
}

int SerialLink::PaceBaud() const {
    if (options_.paceBaud != kPaceLine) return std::max(0, options_.paceBaud);
    termios tio{};
    if (tcgetattr(slaveKeep_, &tio) != 0) return 0;
    static constexpr struct {
        speed_t code;
        int baud;
    } kSpeeds[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},    {B19200, 19200},
                   {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    const speed_t speed = cfgetospeed(&tio);
    for (const auto& s : kSpeeds)
        if (s.code == speed) return s.baud;
    return 0;
}

bool SerialLink::SleepUntil(int64_t us) {
    for (;;) {
        if (stop_) return false;
        const int64_t left = us - NowUs();
        if (left <= 0) return true;
        // ppoll keeps microseconds: poll's whole milliseconds, rounded up, would add up to a
        // millisecond per paced step and make the simulated line slower than the real one.
        // The last stretch is waited out on the processor: a sleeping thread wakes a hundred
        // microseconds or more late on a loaded machine, which would slow every paced piece.
        if (left <= kSpinUs) {
            std::this_thread::yield();
            continue;
        }
        pollfd fd{wake_[0], POLLIN, 0};
        const int64_t waitUs = std::min<int64_t>(left - kSpinUs, 100'000);
        const timespec ts{static_cast<time_t>(waitUs / 1'000'000),
                          static_cast<long>(waitUs % 1'000'000) * 1000};
        ppoll(&fd, 1, &ts, nullptr);
    }
}

}  // namespace qda::sim
