#pragma once
// The driver host's I/O manager and PnP manager around the driver core: it runs AddDevice and
// START_DEVICE when a device arrives and SURPRISE_REMOVAL and REMOVE_DEVICE when it leaves (on its
// own PnP thread), and turns client opens, closes and device control requests into requests
// to the device object. Only instance 0 ("VantorUSB_U-0") exists; a second device waits unused.
// A device that another program has claimed on the bus (the library's own pipe-device access,
// for one) cannot be started; the host says why it waits and tries again until it gets it.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "usbdriver/VantorUsbDevice.h"
#include "usbdriver/host/BusBackend.h"

namespace qda {

// A device object with the physical device below it; shared by the host and the clients that
// opened it, so neither can free it under the other.
struct HostedDevice {
    std::shared_ptr<IKernelServices> pdo;
    std::unique_ptr<CVantorUsbDevice> fdo;
};

// What a client session needs from the host.
class IDeviceGate {
public:
    virtual ~IDeviceGate() = default;
    // Opens the named device (create request); STATUS_NO_SUCH_DEVICE when no device is present.
    virtual NTSTATUS OpenDevice(std::shared_ptr<HostedDevice>& device) = 0;
    // Closes it (close request).
    virtual void CloseDevice(const std::shared_ptr<HostedDevice>& device) = 0;
    // One device control request; completes `irp`.
    virtual void DeviceControl(const std::shared_ptr<HostedDevice>& device, Irp& irp) = 0;
};

class CDriverHost : public IPnpSink, public IDeviceGate {
public:
    // `retryInterval`: how often a device that is claimed elsewhere is tried again.
    explicit CDriverHost(std::chrono::milliseconds retryInterval = std::chrono::seconds(2));
    ~CDriverHost() override;

    void DeviceArrived(std::shared_ptr<IKernelServices> device) override;
    void DeviceLeft(IKernelServices* device) override;

    NTSTATUS OpenDevice(std::shared_ptr<HostedDevice>& device) override;
    void CloseDevice(const std::shared_ptr<HostedDevice>& device) override;
    void DeviceControl(const std::shared_ptr<HostedDevice>& device, Irp& irp) override;

    // True while a started device is present.
    bool HasDevice();
    // Waits until every queued arrival and departure has been handled.
    void WaitPnpIdle();
    // Removes the present device and ends the PnP thread.
    void Shutdown();

private:
    struct PnpEvent {
        bool arrival;
        std::shared_ptr<IKernelServices> device;
        IKernelServices* left;
    };
    void PnpLoop();
    // Starts the device; STATUS_DEVICE_BUSY when another program holds it on the bus.
    NTSTATUS Arrive(const std::shared_ptr<IKernelServices>& pdo);
    void RetryBusy();
    void Leave(IKernelServices* pdo);

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<PnpEvent> m_events;
    bool m_busy = false;
    bool m_stop = false;
    std::shared_ptr<HostedDevice> m_current;
    std::deque<std::shared_ptr<IKernelServices>> m_waiting;  // further devices, used when instance 0 leaves
    std::shared_ptr<IKernelServices> m_busyDevice;           // present but claimed by another program
    std::chrono::steady_clock::time_point m_nextRetry;
    bool m_reportedBusy = false;
    const std::chrono::milliseconds m_retryInterval;
    std::thread m_thread;
};

}  // namespace qda
