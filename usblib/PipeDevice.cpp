#include "usblib/PipeDevice.h"

#include <libusb.h>

#include "usblib/PipeFraming.h"

namespace qda {
namespace {
constexpr unsigned kWriteTimeoutMs = 5000;
// A read that sees nothing for this long counts as a read that returned no data.
constexpr unsigned kFirstReadTimeoutMs = 1000;
constexpr unsigned kNextReadTimeoutMs = 100;
}  // namespace

CPipeDevice::~CPipeDevice() {
    Close();
    if (m_context) libusb_exit(m_context);
}

void CPipeDevice::Close() {
    for (int i = 0; i < m_count; ++i) {
        libusb_release_interface(m_slots[i].handle, m_slots[i].interfaceNumber);
        libusb_close(m_slots[i].handle);
        m_slots[i] = Slot{};
    }
    m_count = 0;
}

bool CPipeDevice::OpenSlot(libusb_device_handle* handle, Slot& slot) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(libusb_get_device(handle), &config) != 0 || !config) return false;
    bool ok = false;
    if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
        const libusb_interface_descriptor& intf = config->interface[0].altsetting[0];
        slot = Slot{};
        slot.handle = handle;
        slot.interfaceNumber = intf.bInterfaceNumber;
        libusb_set_auto_detach_kernel_driver(handle, 1);
        // A device claimed by another program (vantorusbd, for one) is not ours to use.
        if (libusb_claim_interface(handle, slot.interfaceNumber) == 0) {
            for (int e = 0; e < intf.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor& ep = intf.endpoint[e];
                const bool in = (ep.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0;
                const bool bulk = (ep.bmAttributes & 0x03) == LIBUSB_TRANSFER_TYPE_BULK;
                uint8_t& address =
                    bulk ? (in ? slot.bulkIn : slot.bulkOut) : (in ? slot.otherIn : slot.otherOut);
                uint16_t& max = bulk ? (in ? slot.bulkInMax : slot.bulkOutMax)
                                     : (in ? slot.otherInMax : slot.otherOutMax);
                if (address == 0) {
                    address = ep.bEndpointAddress;
                    max = ep.wMaxPacketSize & 0x07FF;
                }
            }
            ok = true;
        }
    }
    libusb_free_config_descriptor(config);
    return ok;
}

bool CPipeDevice::Open(uint16_t vendorId, uint16_t productId) {
    Close();
    if (!m_context && libusb_init(&m_context) != 0) {
        m_context = nullptr;
        return false;
    }
    libusb_device** list = nullptr;
    const ssize_t n = libusb_get_device_list(m_context, &list);
    for (ssize_t i = 0; i < n && m_count < kMaxDevices; ++i) {
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(list[i], &desc) != 0) continue;
        if (desc.idVendor != vendorId || desc.idProduct != productId) continue;
        libusb_device_handle* handle = nullptr;
        if (libusb_open(list[i], &handle) != 0) continue;
        if (OpenSlot(handle, m_slots[m_count])) {
            ++m_count;
        } else {
            m_slots[m_count] = Slot{};
            libusb_close(handle);
        }
    }
    if (list) libusb_free_device_list(list, 1);
    return m_count > 0;
}

bool CPipeDevice::HasBulkPipes() const {
    return m_count > 0 && m_slots[0].bulkIn && m_slots[0].bulkOut;
}

bool CPipeDevice::Exchange(const uint8_t* packet, uint32_t length, uint8_t* reply, uint32_t& replyLength,
                           uint32_t retryCount) {
    if (!HasBulkPipes()) return false;
    Slot& slot = m_slots[0];
    for (std::vector<uint8_t>& chunk : FramePipeMessage(packet, length, slot.bulkOutMax)) {
        int done = 0;
        if (libusb_bulk_transfer(slot.handle, slot.bulkOut, chunk.data(), static_cast<int>(chunk.size()),
                                 &done, kWriteTimeoutMs) != 0 ||
            done != static_cast<int>(chunk.size()))
            return false;
    }
    bool first = true;
    auto read = [&](uint8_t* data, uint32_t ask) -> int {
        int done = 0;
        const int rc = libusb_bulk_transfer(slot.handle, slot.bulkIn, data, static_cast<int>(ask), &done,
                                            first ? kFirstReadTimeoutMs : kNextReadTimeoutMs);
        if (rc != 0 && rc != LIBUSB_ERROR_TIMEOUT) return -1;
        if (done > 0) first = false;
        return done;
    };
    const int64_t got = ReadPipeReply(read, reply, replyLength, retryCount, slot.bulkInMax);
    if (got < 0) return false;
    replyLength = static_cast<uint32_t>(got);
    return true;
}

void CPipeDevice::Reset() {
    if (m_count == 0) return;
    if (m_slots[0].bulkIn) libusb_clear_halt(m_slots[0].handle, m_slots[0].bulkIn);
    if (m_slots[0].bulkOut) libusb_clear_halt(m_slots[0].handle, m_slots[0].bulkOut);
}

}  // namespace qda
