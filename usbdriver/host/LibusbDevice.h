#pragma once
// A real controller on the USB bus, as the physical device below the driver core, through
// libusb. Follows the kernel's usb-skeleton: shared ownership (the host and open clients hold
// it), an I/O lock held for each transfer, a disconnected flag every transfer checks under the
// lock, the transfer in flight cancelled on unplug, and a failure reported once.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

#include "usbdriver/KernelServices.h"

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;
struct libusb_transfer;

namespace qda {

class CLibusbDevice : public IKernelServices {
public:
    // Takes a reference on `device`; the event thread of `context` must run while transfers do.
    CLibusbDevice(libusb_context* context, libusb_device* device);
    ~CLibusbDevice() override;
    CLibusbDevice(const CLibusbDevice&) = delete;
    CLibusbDevice& operator=(const CLibusbDevice&) = delete;

    NTSTATUS SubmitUrb(Urb& urb) override;
    NTSTATUS PassDown(Irp& irp) override;
    NTSTATUS QueryCapabilities(DEVICE_CAPABILITIES& caps) override;
    uint64_t QuerySystemTime() override;
    uint32_t UsbdVersion() override { return 0x0200; }

    libusb_device* Device() const { return m_device; }
    // The device left the bus: no transfer starts any more and the one in flight is cancelled.
    void Disconnect();

private:
    NTSTATUS Open();
    void CloseHandle();
    NTSTATUS GetDescriptor(Urb& urb);
    NTSTATUS SelectConfiguration(Urb& urb);
    NTSTATUS Transfer(Urb& urb);
    void Report(const char* what, int code);
    static void TransferDone(libusb_transfer* transfer);

    libusb_context* m_context;
    libusb_device* m_device;
    libusb_device_handle* m_handle = nullptr;
    int m_claimedInterface = -1;
    std::map<uint8_t, uint8_t> m_pipeTypes;  // endpoint address -> USBD_PIPE_TYPE

    std::mutex m_ioLock;     // held for the whole of each transfer and while the handle closes
    std::mutex m_stateLock;  // guards what follows
    std::condition_variable m_cv;
    bool m_disconnected = false;
    bool m_reported = false;
    libusb_transfer* m_inFlight = nullptr;
    uint8_t m_inFlightEndpoint = 0;
    bool m_completed = false;
};

}  // namespace qda
