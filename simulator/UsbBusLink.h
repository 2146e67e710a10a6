#pragma once
// Serves the controller as a device on the simulated USB bus: a Unix socket that vantorusbd
// (--sim PATH) connects to. Speaks the simulated-bus messages of usbdriver/SimBusWire.h
// (docs/usb-simulated-bus.md): Attach with the descriptors while plugged, Detach on unplug, and
// the bulk transfers of UsbBusDevice. One host at a time; one worker thread.
//
// Control commands (on the simulator's control channel): "usb-unplug", "usb-plug", "usb-state".
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "simulator/SimController.h"
#include "simulator/UsbBusDevice.h"

namespace qda::sim {

class UsbBusLink {
public:
    struct Options {
        std::string socketPath;
        bool verbose = false;
        uint32_t pieceSize = 0;     // --usb-packet: reply bytes per IN transfer (0: as asked)
        uint32_t replyDelayMs = 0;  // --usb-delay: each command answered this much later
    };

    UsbBusLink(SimController& controller, Options options);
    // A device that answers each command with `handler` (benchmarks, other stand-ins).
    UsbBusLink(UsbBusDevice::Handler handler, Options options);
    ~UsbBusLink();
    UsbBusLink(const UsbBusLink&) = delete;
    UsbBusLink& operator=(const UsbBusLink&) = delete;

    // Listens on the socket path (replacing a stale socket). False with `error`.
    bool Open(std::string& error);
    void Start();
    // Stops the worker and removes the socket. Safe to call twice.
    void Stop();

    // True for the commands Execute understands.
    static bool IsCommand(std::string_view line);
    // Runs a control command; returns the answer line ("OK ..." or "ERROR ...").
    std::string Execute(std::string_view line);

private:
    using Clock = std::chrono::steady_clock;
    void Run();
    bool HandleMessage(uint16_t type, const std::vector<uint8_t>& body);
    bool SendToHost(const std::vector<uint8_t>& bytes);
    void ApplyPlugState();
    void DropHost();
    void AnswerPendingIn(bool timedOut);

    Options options_;
    UsbBusDevice device_;
    int listen_ = -1;
    int host_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::atomic<bool> wantPlugged_{true};
    std::atomic<bool> hostConnected_{false};
    bool plugged_ = true;  // as last told to the host (worker thread only)
    bool handshaken_ = false;
    struct PendingIn {
        bool active = false;
        uint32_t id = 0;
        uint32_t length = 0;
        Clock::time_point deadline;
    } pendingIn_;
    std::vector<uint8_t> inbound_;
    std::thread worker_;
};

}  // namespace qda::sim
