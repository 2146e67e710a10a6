#pragma once
// The state the driver keeps per device (the device extension).
#include <atomic>
#include <cstdint>
#include <vector>

#include "usbdriver/IoCounter.h"
#include "usbdriver/KernelEvent.h"
#include "usbdriver/KernelServices.h"
#include "usbdriver/Urb.h"

struct DEVICE_EXTENSION {
    // The stack below (the bus) and the physical device it stands for.
    IKernelServices* lowerDevice = nullptr;
    DEVICE_CAPABILITIES capabilities;
    uint32_t usbdVersion = 0;
    // Power: the state used when the device is idle, and the current state.
    DEVICE_POWER_STATE idleDevicePowerState = PowerDeviceD3;
    std::atomic<uint8_t> currentDevicePowerState{PowerDeviceD0};
    // Descriptors and the selected configuration.
    std::vector<uint8_t> deviceDescriptor;
    std::vector<uint8_t> configurationDescriptor;
    uint32_t configurationHandle = 0;
    USBD_INTERFACE_INFORMATION interface;
    USBD_PIPE_HANDLE inPipe = 0;
    USBD_PIPE_HANDLE outPipe = 0;
    uint32_t maximumTransferSize = 0x8000;
    // Flags.
    std::atomic<bool> started{false};
    std::atomic<bool> removed{false};
    std::atomic<bool> surpriseRemoved{false};
    std::atomic<bool> removePending{false};
    std::atomic<bool> stopPending{false};
    std::atomic<bool> opened{false};
    std::atomic<bool> powerRequestInProgress{false};
    // Outstanding requests with their idle and removable events, and the power-done event.
    qda::CIoCounter outstandingIo;
    qda::CKernelEvent powerDone{false, false};
    // The last exchange: phase durations (100-ns units) and byte totals.
    std::atomic<uint64_t> writeTime{0};
    std::atomic<uint64_t> readTime{0};
    std::atomic<uint32_t> bytesWritten{0};
    std::atomic<uint32_t> bytesRead{0};
};
