#pragma once
// Reading USB configuration descriptors: the first interface and its endpoints. Bounded: every
// descriptor's length is checked against the bytes present before it is read.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qda {

struct UsbEndpointLayout {
    uint8_t address = 0;     // bit 7 set: IN
    uint8_t attributes = 0;  // bits 0-1: 0 control, 1 isochronous, 2 bulk, 3 interrupt
    uint16_t maxPacketSize = 0;
    uint8_t interval = 0;
};

struct UsbInterfaceLayout {
    uint8_t interfaceNumber = 0;
    uint8_t alternateSetting = 0;
    uint8_t interfaceClass = 0;
    std::vector<UsbEndpointLayout> endpoints;
};

// wTotalLength of a configuration descriptor; 0 when `data` is no configuration descriptor.
uint16_t ConfigurationTotalLength(const uint8_t* data, size_t length);
// The value to select the configuration with (bConfigurationValue); 0 when invalid.
uint8_t ConfigurationValue(const uint8_t* data, size_t length);
// Finds the first interface (alternate setting 0) and its endpoints; false when malformed or absent.
bool FindFirstInterface(const uint8_t* data, size_t length, UsbInterfaceLayout& out);

}  // namespace qda
