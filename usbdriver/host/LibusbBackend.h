#pragma once
// The real USB bus through libusb: hotplug arrival and departure of devices with the
// controller's vendor and product ID, and the event thread that completes every transfer.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "usbdriver/host/BusBackend.h"
#include "usbdriver/host/LibusbDevice.h"

struct libusb_context;
struct libusb_device;

namespace qda {

class CLibusbBackend : public IBusBackend {
public:
    CLibusbBackend(uint16_t vendorId, uint16_t productId) : m_vendorId(vendorId), m_productId(productId) {}
    ~CLibusbBackend() override;

    bool Start(IPnpSink& sink) override;
    void Stop() override;

    // libusb's hotplug report (event thread, or Start while enumerating).
    void OnHotplug(libusb_device* device, bool arrived);

private:
    void Arrived(libusb_device* device);
    void Left(libusb_device* device);

    uint16_t m_vendorId;
    uint16_t m_productId;
    IPnpSink* m_sink = nullptr;
    libusb_context* m_context = nullptr;
    int m_hotplugHandle = 0;
    bool m_hotplugRegistered = false;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::map<libusb_device*, std::shared_ptr<CLibusbDevice>> m_devices;
    std::thread m_events;
};

}  // namespace qda
