#pragma once
// A pipe-oriented USB device reached directly through libusb: found by vendor and product ID,
// talked to over the bulk IN and OUT endpoints of its first interface with the "TRHS" framing.
#include <cstdint>

struct libusb_context;
struct libusb_device_handle;

namespace qda {

class CPipeDevice {
public:
    static constexpr int kMaxDevices = 16;

    CPipeDevice() = default;
    ~CPipeDevice();
    CPipeDevice(const CPipeDevice&) = delete;
    CPipeDevice& operator=(const CPipeDevice&) = delete;

    // Closes what was open, then opens every present device with these IDs (at most 16) whose first
    // interface can be claimed; true when at least one was opened.
    bool Open(uint16_t vendorId, uint16_t productId);
    void Close();
    // True when device 0 has both bulk pipes.
    bool HasBulkPipes() const;

    // Writes the framed packet and reads the reply into `reply` (its size in `replyLength`, which
    // receives the bytes read). False on a write or read failure.
    bool Exchange(const uint8_t* packet, uint32_t length, uint8_t* reply, uint32_t& replyLength,
                  uint32_t retryCount);
    // Resets device 0's pipes after a failed exchange.
    void Reset();

private:
    struct Slot {
        libusb_device_handle* handle = nullptr;
        int interfaceNumber = 0;
        uint8_t bulkIn = 0, bulkOut = 0;         // endpoint addresses, 0 = none
        uint16_t bulkInMax = 0, bulkOutMax = 0;  // maximum packet sizes
        uint8_t otherIn = 0, otherOut = 0;       // the endpoints of the other transfer type
        uint16_t otherInMax = 0, otherOutMax = 0;
    };
    bool OpenSlot(libusb_device_handle* handle, Slot& slot);

    libusb_context* m_context = nullptr;
    Slot m_slots[kMaxDevices];
    int m_count = 0;
};

}  // namespace qda
