#include "usbdriver/host/LibusbBackend.h"

#include <libusb.h>

#include <cstdio>

namespace qda {

CLibusbBackend::~CLibusbBackend() {
    Stop();
}

namespace {
int HotplugCallback(libusb_context*, libusb_device* device, libusb_hotplug_event event, void* self) {
    static_cast<CLibusbBackend*>(self)->OnHotplug(device, event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
    return 0;  // stay registered
}
}  // namespace

void CLibusbBackend::OnHotplug(libusb_device* device, bool arrived) {
    if (arrived) {
        Arrived(device);
    } else {
        Left(device);
    }
}

void CLibusbBackend::Arrived(libusb_device* device) {
    auto hosted = std::make_shared<CLibusbDevice>(m_context, device);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_devices.count(device)) return;
        m_devices[device] = hosted;
    }
    m_sink->DeviceArrived(hosted);
}

void CLibusbBackend::Left(libusb_device* device) {
    std::shared_ptr<CLibusbDevice> gone;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_devices.find(device);
        if (it == m_devices.end()) return;
        gone = it->second;
        m_devices.erase(it);
    }
    // The transfer in flight ends now; the driver's removal follows on the PnP thread.
    gone->Disconnect();
    m_sink->DeviceLeft(gone.get());
}

bool CLibusbBackend::Start(IPnpSink& sink) {
    m_sink = &sink;
    const int rc = libusb_init(&m_context);
    if (rc != 0) {
        std::fprintf(stderr, "vantorusbd: libusb cannot start: %s\n",
                     libusb_strerror(static_cast<libusb_error>(rc)));
        m_context = nullptr;
        return false;
    }
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        const int hr = libusb_hotplug_register_callback(
            m_context,
            static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                              LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
            LIBUSB_HOTPLUG_ENUMERATE, m_vendorId, m_productId, LIBUSB_HOTPLUG_MATCH_ANY, &HotplugCallback,
            this, &m_hotplugHandle);
        m_hotplugRegistered = hr == 0;
        if (!m_hotplugRegistered)
            std::fprintf(stderr, "vantorusbd: no hotplug events: %s\n",
                         libusb_strerror(static_cast<libusb_error>(hr)));
    }
    if (!m_hotplugRegistered) {
        // Without hotplug the controllers present now are all this run will see.
        libusb_device** list = nullptr;
        const ssize_t n = libusb_get_device_list(m_context, &list);
        for (ssize_t i = 0; i < n; ++i) {
            libusb_device_descriptor desc{};
            if (libusb_get_device_descriptor(list[i], &desc) == 0 && desc.idVendor == m_vendorId &&
                desc.idProduct == m_productId)
                Arrived(list[i]);
        }
        if (list) libusb_free_device_list(list, 1);
    }
    m_events = std::thread([this] {
        while (!m_stop) {
            timeval tv{0, 200000};
            libusb_handle_events_timeout_completed(m_context, &tv, nullptr);
        }
    });
    return true;
}

void CLibusbBackend::Stop() {
    if (!m_context) return;
    m_stop = true;
    if (m_hotplugRegistered) libusb_hotplug_deregister_callback(m_context, m_hotplugHandle);
    if (m_events.joinable()) m_events.join();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_devices.clear();
    }
    libusb_exit(m_context);
    m_context = nullptr;
}

}  // namespace qda
