#include "usbdriver/UsbDescriptors.h"

#include "usbdriver/Urb.h"

namespace qda {

uint16_t ConfigurationTotalLength(const uint8_t* data, size_t length) {
    if (!data || length < 9 || data[0] < 9 || data[1] != USB_CONFIGURATION_DESCRIPTOR_TYPE) return 0;
    return static_cast<uint16_t>(data[2] | (data[3] << 8));
}

uint8_t ConfigurationValue(const uint8_t* data, size_t length) {
    if (ConfigurationTotalLength(data, length) == 0) return 0;
    return data[5];
}

bool FindFirstInterface(const uint8_t* data, size_t length, UsbInterfaceLayout& out) {
    const uint16_t total = ConfigurationTotalLength(data, length);
    if (total == 0) return false;
    const size_t end = total < length ? total : length;
    bool inInterface = false;
    size_t pos = 0;
    while (pos + 2 <= end) {
        const uint8_t len = data[pos];
        const uint8_t type = data[pos + 1];
        // A zero length would never advance; a length past the end is a truncated descriptor.
        if (len < 2 || pos + len > end) return inInterface;
        if (type == USB_INTERFACE_DESCRIPTOR_TYPE && len >= 9) {
            if (inInterface) break;  // the next interface (or alternate setting) begins
            if (data[pos + 3] == 0) {
                inInterface = true;
                out = UsbInterfaceLayout{};
                out.interfaceNumber = data[pos + 2];
                out.alternateSetting = data[pos + 3];
                out.interfaceClass = data[pos + 5];
            }
        } else if (type == USB_ENDPOINT_DESCRIPTOR_TYPE && len >= 7 && inInterface) {
            UsbEndpointLayout ep;
            ep.address = data[pos + 2];
            ep.attributes = data[pos + 3];
            ep.maxPacketSize = static_cast<uint16_t>((data[pos + 4] | (data[pos + 5] << 8)) & 0x07FF);
            ep.interval = data[pos + 6];
            out.endpoints.push_back(ep);
        }
        pos += len;
    }
    return inInterface;
}

}  // namespace qda
