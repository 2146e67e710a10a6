#pragma once
// The simulated bus: connects to a simulated device's socket (qd-atlas-sim --usb-socket PATH),
// reports its Attach as an arrival and its Detach, or a lost connection, as a departure, and
// carries the device's transfers. Reconnects while the simulator is away.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "usbdriver/host/BusBackend.h"
#include "usbdriver/host/SimBusDevice.h"

namespace qda {

class CSimBusBackend : public IBusBackend {
public:
    explicit CSimBusBackend(std::string socketPath) : m_path(std::move(socketPath)) {}
    ~CSimBusBackend() override;

    bool Start(IPnpSink& sink) override;
    void Stop() override;

private:
    void Run();
    bool Serve(int fd);
    // Sends on connection `generation`; false when that connection is gone.
    bool Send(uint64_t generation, const std::vector<uint8_t>& bytes);
    void DeviceGone();

    std::string m_path;
    IPnpSink* m_sink = nullptr;
    std::atomic<bool> m_stop{false};
    int m_wake[2] = {-1, -1};
    std::mutex m_sendLock;  // guards m_fd and m_generation and keeps messages whole
    int m_fd = -1;
    uint64_t m_generation = 0;
    std::shared_ptr<CSimBusDevice> m_device;
    std::thread m_thread;
};

}  // namespace qda
