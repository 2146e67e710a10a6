// qd-atlas-sim: a controller stand-in on a pseudo-terminal.
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "simulator/ControlChannel.h"
#include "simulator/SerialLink.h"
#include "simulator/SimController.h"
#include "simulator/SimFaults.h"
#include "simulator/SimOptions.h"
#include "simulator/UsbBusLink.h"

using namespace qda::sim;

namespace {

constexpr size_t kMaxControlLine = 4096;

void Answer(const std::string& line) {
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // Paced lines sleep once per few bytes; the default 50 us timer slack of every wake-up would
    // add up to a slower line than the one simulated. Threads started later inherit this.
    prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
    SimOptions options;
    std::string error;
    std::vector<std::string> args(argv + 1, argv + argc);
    // --usb-socket PATH: also serve the simulated USB bus for vantorusbd --sim PATH.
    UsbBusLink::Options usbOptions;
    // --usb-packet N: the simulated bus delivers each reply in pieces of at most N bytes.
    // --usb-delay MS: it answers each command MS ms late.
    for (size_t i = 0; i + 1 < args.size();) {
        if (args[i] == "--usb-socket" || args[i] == "--usb-packet" || args[i] == "--usb-delay") {
            if (args[i] == "--usb-socket") {
                usbOptions.socketPath = args[i + 1];
            } else if (args[i] == "--usb-delay") {
                char* end = nullptr;
                const unsigned long ms = std::strtoul(args[i + 1].c_str(), &end, 10);
                if (args[i + 1].empty() || *end != '\0' || ms > 10000) {
                    std::fprintf(stderr, "qd-atlas-sim: --usb-delay takes 0..10000\n%s", SimUsage());
                    return 2;
                }
                usbOptions.replyDelayMs = static_cast<uint32_t>(ms);
            } else {
                char* end = nullptr;
                const unsigned long n = std::strtoul(args[i + 1].c_str(), &end, 10);
                if (args[i + 1].empty() || *end != '\0' || n < 1 || n > 65536) {
                    std::fprintf(stderr, "qd-atlas-sim: --usb-packet takes 1..65536\n%s", SimUsage());
                    return 2;
                }
                usbOptions.pieceSize = static_cast<uint32_t>(n);
            }
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            continue;
        }
        ++i;
    }
    if (!ParseSimOptions(args, options, error)) {
        std::fprintf(stderr, "qd-atlas-sim: %s\n%s", error.c_str(), SimUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(SimUsage(), stdout);
        return 0;
    }
    SimFaults faults(options.controller.seed);
    for (const auto& [kind, rule] : options.faults) {
        if (!faults.Add(kind, rule, error)) {
            std::fprintf(stderr, "qd-atlas-sim: %s\n", error.c_str());
            return 2;
        }
    }

    // SIGINT, SIGTERM and SIGHUP arrive through a descriptor, so every thread runs undisturbed
    // and the main loop shuts down in order (removing the link). A closed stdout must not kill
    // the process, and a run in the background of a shell must not stop on reading stdin: the
    // read then fails and the control channel is simply off.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGTTIN, SIG_IGN);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::perror("qd-atlas-sim: signalfd");
        return 1;
    }

    SimController controller(options.controller, faults);
    SerialLink link(controller, faults, options.serial);
    if (!link.Open(error)) {
        std::fprintf(stderr, "qd-atlas-sim: %s\n", error.c_str());
        link.Stop();
        return 1;
    }
    Answer(link.SlavePath());
    link.Start();
    UsbBusLink usb(controller, usbOptions);
    if (!usbOptions.socketPath.empty()) {
        if (!usb.Open(error)) {
            std::fprintf(stderr, "qd-atlas-sim: %s\n", error.c_str());
            link.Stop();
            return 1;
        }
        usb.Start();
    }

    ControlChannel control(controller, faults);
    std::string pending;
    bool stdinOpen = true;
    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents & POLLIN) break;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[1024];
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                stdinOpen = false;  // keep serving; only a signal ends the run
                continue;
            }
            pending.append(buffer, static_cast<size_t>(n));
            size_t newline;
            while ((newline = pending.find('\n')) != std::string::npos) {
                const std::string_view line = std::string_view(pending).substr(0, newline);
                Answer(UsbBusLink::IsCommand(line) ? usb.Execute(line) : control.Execute(line));
                pending.erase(0, newline + 1);
            }
            if (pending.size() > kMaxControlLine) {
                pending.clear();
                Answer("ERROR line too long");
            }
        }
    }
    usb.Stop();
    link.Stop();
    close(signalFd);
    return 0;
}
