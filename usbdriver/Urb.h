#pragma once
// USB request blocks the driver core sends down to the bus (libusb or the simulated bus), and
// the pipe and interface records the bus fills in when a configuration is selected.
#include <cstdint>
#include <vector>

#include "usbwire/NtStatus.h"

enum UrbFunction : uint16_t {
    URB_FUNCTION_SELECT_CONFIGURATION = 0x0000,
    URB_FUNCTION_ABORT_PIPE = 0x0002,
    URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER = 0x0009,
    URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE = 0x000B,
};

enum USBD_PIPE_TYPE : uint8_t {
    UsbdPipeTypeControl = 0,
    UsbdPipeTypeIsochronous = 1,
    UsbdPipeTypeBulk = 2,
    UsbdPipeTypeInterrupt = 3,
};

// Transfer flags of a bulk or interrupt transfer.
constexpr uint32_t USBD_TRANSFER_DIRECTION_IN = 0x1;
constexpr uint32_t USBD_SHORT_TRANSFER_OK = 0x2;

constexpr uint8_t USB_DEVICE_DESCRIPTOR_TYPE = 0x01;
constexpr uint8_t USB_CONFIGURATION_DESCRIPTOR_TYPE = 0x02;
constexpr uint8_t USB_INTERFACE_DESCRIPTOR_TYPE = 0x04;
constexpr uint8_t USB_ENDPOINT_DESCRIPTOR_TYPE = 0x05;

// A pipe handle of 0 means "no pipe".
using USBD_PIPE_HANDLE = uint32_t;

struct USBD_PIPE_INFORMATION {
    uint16_t maximumPacketSize = 0;
    uint8_t endpointAddress = 0;  // bit 7 set: IN
    uint8_t interval = 0;
    USBD_PIPE_TYPE pipeType = UsbdPipeTypeBulk;
    USBD_PIPE_HANDLE pipeHandle = 0;
    uint32_t maximumTransferSize = 0;
};

struct USBD_INTERFACE_INFORMATION {
    uint8_t interfaceNumber = 0;
    uint8_t alternateSetting = 0;
    uint8_t interfaceClass = 0;
    std::vector<USBD_PIPE_INFORMATION> pipes;
};

struct Urb {
    UrbFunction function = URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER;
    NTSTATUS status = STATUS_PENDING;
    // Bulk/interrupt transfer and abort: the pipe.
    USBD_PIPE_HANDLE pipeHandle = 0;
    uint32_t transferFlags = 0;
    // Transfer and descriptor buffer: `transferBufferLength` bytes at `transferBuffer`; on
    // completion the length holds the bytes actually transferred.
    uint8_t* transferBuffer = nullptr;
    uint32_t transferBufferLength = 0;
    // How long the bus may take (milliseconds); the transfer fails with STATUS_IO_TIMEOUT after it.
    uint32_t timeoutMs = 0;
    // Descriptor request.
    uint8_t descriptorType = 0;
    uint8_t descriptorIndex = 0;
    // Configuration selection: the configuration descriptor (null/empty = unconfigure), the
    // interface to select, the transfer size to set on every pipe; out: handle and interface.
    const std::vector<uint8_t>* configurationDescriptor = nullptr;
    uint32_t maximumTransferSize = 0;
    uint32_t configurationHandle = 0;
    USBD_INTERFACE_INFORMATION interface;
};
