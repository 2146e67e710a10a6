// vantorusbd: the driver host of the VantorUsb driver. Serves the named device "VantorUSB_U-0"
// on a Unix socket and drives the controller through libusb, or the simulator's simulated bus.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "usbdriver/host/DriverHost.h"
#include "usbdriver/host/HostOptions.h"
#include "usbdriver/host/LibusbBackend.h"
#include "usbdriver/host/SimBusBackend.h"
#include "usbdriver/host/SocketServer.h"
#include "usbwire/SocketDirectory.h"

using namespace qda;

namespace {
// The listening socket systemd passed in (socket activation), or -1.
int InheritedSocket() {
    const char* pid = std::getenv("LISTEN_PID");
    const char* fds = std::getenv("LISTEN_FDS");
    if (!pid || !fds || std::atoi(pid) != static_cast<int>(::getpid()) || std::atoi(fds) < 1) return -1;
    return 3;  // SD_LISTEN_FDS_START
}
}  // namespace

int main(int argc, char** argv) {
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "vantorusbd: %s\n%s", error.c_str(), HostUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(HostUsage(), stdout);
        return 0;
    }
    CPeerPolicy policy;
    if (!policy.SetGroup(options.group)) {
        std::fprintf(stderr, "vantorusbd: unknown group %s\n", options.group.c_str());
        return 2;
    }

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);

    CDriverHost host;
    int status = 0;
    {
        CSocketServer server(host, policy);
        const int inherited = InheritedSocket();
        if (inherited >= 0) {
            server.Adopt(inherited);
        } else {
            const std::string dir =
                options.socketDirectory.empty() ? VantorUsbServeDirectory() : options.socketDirectory;
            if (!server.Listen(dir, CVantorUsbDevice::SymbolicLinkName(), error)) {
                std::fprintf(stderr, "vantorusbd: %s\n", error.c_str());
                return 1;
            }
        }
        std::unique_ptr<IBusBackend> bus;
        if (!options.simulatorSocket.empty()) {
            bus = std::make_unique<CSimBusBackend>(options.simulatorSocket);
        } else {
            bus = std::make_unique<CLibusbBackend>(options.vendorId, options.productId);
        }
        if (!bus->Start(host)) {
            status = 1;
        } else {
            std::printf("%s\n", server.Path().c_str());
            std::fflush(stdout);
            server.Run(signalFd);
        }
        // Clients go first, then the device (its removal needs the bus's events), then the bus.
        host.Shutdown();
        bus->Stop();
    }
    if (signalFd >= 0) ::close(signalFd);
    return status;
}
