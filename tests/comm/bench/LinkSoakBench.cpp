// Soak of both links with the program's own command layer:
//   USB:  CCommand -> libVantorUsbDrv.so -> Unix socket -> vantorusbd -> simulated bus -> qd-atlas-sim,
//         with the controller unplugged and plugged again every few hundred exchanges;
//   RS-232C: CCommand -> pseudo-terminal -> qd-atlas-sim, with corrupted reply checksums and an
//         occasional silence from the simulator's faults.
// Each exchange asks for the head information of head A or B in turn; the two heads carry different
// model codes, so a reply taken for the wrong command is seen. Reports exchanges, failures, the
// longest failure, wrong replies accepted, and the descriptors and resident memory of this client
// and of the driver host at start and end.
//
//   build/main/bench/links_soak_bench [--usb N] [--pty N] [--unplug-every K] [--bad-checksum SHARE]
//                                     [--silence-every K]
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "comm/Command.h"
#include "comm/UsbPort.h"
#include "support/SimProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kModelHeadA = 0x00;  // the simulator's default heads: QD-R17 on A, QD-R31 on B
constexpr int kModelHeadB = 0x21;

struct Options {
    int usbExchanges = 10000;
    int ptyExchanges = 10000;
    int unplugEvery = 300;
    std::string badChecksumShare = "0.002";
    int silenceEvery = 1000;
};

struct Usage {
    int descriptors = -1;
    long residentKb = -1;
};

int CountDescriptors(pid_t pid) {
    const std::string dir = "/proc/" + std::to_string(pid) + "/fd";
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return -1;
    int n = 0;
    while (const dirent* e = ::readdir(d)) {
        if (e->d_name[0] != '.') ++n;
    }
    ::closedir(d);
    return n - 1;  // the directory stream itself, when counting our own
}

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

Usage UsageOf(pid_t pid) {
    return {CountDescriptors(pid), ResidentKb(pid)};
}

// A program of the build tree, ended with SIGTERM when the object goes.
class Program {
public:
    explicit Program(std::vector<std::string> argv) {
        m_pid = ::fork();
        if (m_pid == 0) {
            std::vector<char*> args;
            for (std::string& a : argv) args.push_back(a.data());
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
    }
    ~Program() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

struct Tally {
    int exchanges = 0;
    int failures = 0;
    int wrongReplies = 0;
    double longestFailure = 0;
};

// One exchange: head information of head `exchange % 2`; true when it succeeded.
bool Exchange(CCommand& cmd, int exchange, Tally& tally) {
    const int head = exchange % 2;
    qda::HeadInfo info;
    const Clock::time_point start = Clock::now();
    const bool ok = cmd.GetHeadInfo(info, head);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ++tally.exchanges;
    if (!ok) {
        ++tally.failures;
        if (seconds > tally.longestFailure) tally.longestFailure = seconds;
        return false;
    }
    if (info.modelCode != (head == 0 ? kModelHeadA : kModelHeadB)) ++tally.wrongReplies;
    return true;
}

void Report(const char* link, const Tally& t, const Usage& clientStart, const Usage& clientEnd,
            const Usage* hostStart, const Usage* hostEnd, double seconds) {
    std::printf(
        "%s: %d exchanges in %.1f s, %d failures, longest failure %.2f s, %d wrong replies accepted\n", link,
        t.exchanges, seconds, t.failures, t.longestFailure, t.wrongReplies);
    std::printf("  client: descriptors %d -> %d, resident %ld -> %ld kB\n", clientStart.descriptors,
                clientEnd.descriptors, clientStart.residentKb, clientEnd.residentKb);
    if (hostStart != nullptr) {
        std::printf("  vantorusbd: descriptors %d -> %d, resident %ld -> %ld kB\n", hostStart->descriptors,
                    hostEnd->descriptors, hostStart->residentKb, hostEnd->residentKb);
    }
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The link as the program holds it: opened once, and opened afresh after a failed exchange (the
// command object counts its opens, so only a successful open is closed again).
class Link {
public:
    Link(CCommand& cmd, qda::LinkParams params) : m_cmd(cmd), m_params(std::move(params)) {}
    ~Link() { Close(); }
    bool Open() {
        if (!m_open) m_open = m_cmd.OpenPort(m_params);
        return m_open;
    }
    void Close() {
        if (m_open) m_cmd.ClosePort();
        m_open = false;
    }
    void Reopen() {
        Close();
        Open();
    }

private:
    CCommand& m_cmd;
    qda::LinkParams m_params;
    bool m_open = false;
};

bool SoakUsb(const Options& o) {
    char dirTemplate[] = "/tmp/qda-soak-XXXXXX";
    const char* dir = ::mkdtemp(dirTemplate);
    if (dir == nullptr) return false;
    const std::string socketDir = dir, busSocket = socketDir + "/sim.sock";
    ::setenv("VANTORUSB_SOCKET_DIR", socketDir.c_str(), 1);
    qda::test::SimProcess sim({"--usb-socket", busSocket});
    if (!sim.ok()) {
        std::fprintf(stderr, "qd-atlas-sim did not start (built in %s?)\n", qda::test::BinDir().c_str());
        return false;
    }
    Program host({qda::test::BinDir() + "/vantorusbd", "--sim", busSocket, "--socket-dir", socketDir});
    // The program registers the controller once at start-up, with the driver host already serving.
    for (int i = 0; i < 100 && ::access((socketDir + "/VantorUSB_U-0").c_str(), F_OK) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    CUsbPort::Install();
    CCommand cmd;
    Link link(cmd, qda::UsbLink{});
    bool ready = false;
    for (int i = 0; i < 100 && !ready; ++i) {
        link.Reopen();
        qda::HeadInfo info;
        ready = cmd.GetHeadInfo(info, 0);
        if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!ready) {
        std::fprintf(stderr, "the controller does not answer through vantorusbd\n");
        return false;
    }
    const Usage clientStart = UsageOf(::getpid()), hostStart = UsageOf(host.Pid());
    Tally tally;
    const Clock::time_point start = Clock::now();
    int unplugs = 0;
    for (int i = 0; i < o.usbExchanges; ++i) {
        if (o.unplugEvery > 0 && i > 0 && i % o.unplugEvery == 0) {
            sim.Control("usb-unplug");
            ++unplugs;
            // Exchanges while the controller is away fail; then it comes back.
            for (int k = 0; k < 3 && i < o.usbExchanges; ++k, ++i) {
                if (!Exchange(cmd, i, tally)) link.Reopen();
            }
            sim.Control("usb-plug");
        }
        if (!Exchange(cmd, i, tally)) {
            link.Reopen();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the host sees the device again
        }
    }
    const double seconds = SecondsSince(start);
    link.Close();
    const Usage clientEnd = UsageOf(::getpid()), hostEnd = UsageOf(host.Pid());
    std::printf("(USB: %d unplugs)\n", unplugs);
    Report("USB", tally, clientStart, clientEnd, &hostStart, &hostEnd, seconds);
    ::unsetenv("VANTORUSB_SOCKET_DIR");
    std::system(("rm -rf '" + socketDir + "'").c_str());
    return tally.wrongReplies == 0 && tally.longestFailure <= 11.0;
}

bool SoakPty(const Options& o) {
    qda::test::SimProcess sim({"--bad-checksum", "all:" + o.badChecksumShare});
    if (!sim.ok()) {
        std::fprintf(stderr, "qd-atlas-sim did not start\n");
        return false;
    }
    CCommand cmd;
    qda::SerialLine line;
    line.baud = 115200;
    line.devicePath = sim.SlavePath();
    Link link(cmd, line);
    if (!link.Open()) {
        std::fprintf(stderr, "cannot open %s\n", line.devicePath.c_str());
        return false;
    }
    const Usage clientStart = UsageOf(::getpid());
    Tally tally;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < o.ptyExchanges; ++i) {
        if (o.silenceEvery > 0 && i > 0 && i % o.silenceEvery == 0) sim.Control("silence 52:1");
        if (!Exchange(cmd, i, tally)) link.Reopen();
    }
    const double seconds = SecondsSince(start);
    link.Close();
    const Usage clientEnd = UsageOf(::getpid());
    Report("RS-232C (pty)", tally, clientStart, clientEnd, nullptr, nullptr, seconds);
    return tally.wrongReplies == 0 && tally.longestFailure <= 11.0;
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--usb") {
            o.usbExchanges = std::atoi(value.c_str());
        } else if (name == "--pty") {
            o.ptyExchanges = std::atoi(value.c_str());
        } else if (name == "--unplug-every") {
            o.unplugEvery = std::atoi(value.c_str());
        } else if (name == "--bad-checksum") {
            o.badChecksumShare = value;
        } else if (name == "--silence-every") {
            o.silenceEvery = std::atoi(value.c_str());
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: links_soak_bench [--usb N] [--pty N] [--unplug-every K] [--bad-checksum SHARE] "
                     "[--silence-every K]\n");
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);
    g_bRetryAvailable = false;
    bool ok = true;
    if (options.usbExchanges > 0) ok = SoakUsb(options) && ok;
    if (options.ptyExchanges > 0) ok = SoakPty(options) && ok;
    std::printf("%s\n",
                ok ? "targets met: no wrong reply accepted, every failure within 11 s" : "TARGET MISSED");
    return ok ? 0 : 1;
}
