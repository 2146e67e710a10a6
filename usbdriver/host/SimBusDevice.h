#pragma once
// A device on the simulated bus, as the physical device below the driver core: descriptors come
// from its Attach message, bulk transfers travel as Transfer/TransferDone messages on the bus
// connection. Like a USB device object it has an I/O lock and a disconnected flag that every
// transfer checks under that lock; unplugging cancels the transfer in flight.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "usbdriver/KernelServices.h"
#include "usbdriver/SimBusWire.h"

namespace qda {

class CSimBusDevice : public IKernelServices {
public:
    // `send` writes one whole message to the bus connection; false when the connection is gone.
    using Sender = std::function<bool(const std::vector<uint8_t>&)>;
    CSimBusDevice(std::vector<uint8_t> deviceDescriptor, std::vector<uint8_t> config, Sender send);

    NTSTATUS SubmitUrb(Urb& urb) override;
    NTSTATUS PassDown(Irp& irp) override;
    NTSTATUS QueryCapabilities(DEVICE_CAPABILITIES& caps) override;
    uint64_t QuerySystemTime() override;
    uint32_t UsbdVersion() override { return 0x0200; }

    // The bus connection delivers a finished transfer (its data is taken over, not copied).
    void Complete(simbus::TransferResult result);
    // The device left the bus (Detach or a lost connection): the transfer in flight ends.
    void Disconnect();

private:
    NTSTATUS Transfer(Urb& urb);
    NTSTATUS SelectConfiguration(Urb& urb);

    const std::vector<uint8_t> m_deviceDescriptor;
    const std::vector<uint8_t> m_config;
    Sender m_send;
    std::mutex m_ioLock;  // one transfer at a time
    std::mutex m_stateLock;
    std::condition_variable m_cv;
    bool m_disconnected = false;
    bool m_reportedError = false;
    // The transfer in flight.
    uint32_t m_nextId = 1;
    uint32_t m_pendingId = 0;
    uint8_t m_pendingEndpoint = 0;
    bool m_pendingDone = false;
    bool m_pendingAborted = false;
    simbus::TransferResult m_result;
};

}  // namespace qda
