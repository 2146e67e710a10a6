#pragma once
// What the driver core needs from the system below it: the bus driver (URB submission, requests
// passed down the stack, device capabilities) and the clock. The driver host implements it over
// libusb or the simulated bus; tests implement it with a scripted bus.
#include <cstdint>

#include "usbdriver/Irp.h"
#include "usbdriver/Urb.h"

struct DEVICE_CAPABILITIES {
    uint16_t size = 64;
    uint16_t version = 1;
    uint32_t address = 0xFFFFFFFF;
    uint32_t uiNumber = 0xFFFFFFFF;
    // Device state for each system state S0..S5 (index = SYSTEM_POWER_STATE).
    DEVICE_POWER_STATE deviceState[PowerSystemMaximum] = {};
    SYSTEM_POWER_STATE systemWake = PowerSystemUnspecified;
    DEVICE_POWER_STATE deviceWake = PowerDeviceUnspecified;
};

class IKernelServices {
public:
    virtual ~IKernelServices() = default;
    // Sends the URB to the bus driver and waits for its completion; returns the URB's status.
    virtual NTSTATUS SubmitUrb(Urb& urb) = 0;
    // Passes a PnP or power request down the stack and waits until the lower drivers finished it.
    virtual NTSTATUS PassDown(Irp& irp) = 0;
    // Answers IRP_MN_QUERY_CAPABILITIES for the physical device; `caps` arrives initialised.
    virtual NTSTATUS QueryCapabilities(DEVICE_CAPABILITIES& caps) = 0;
    // The system time in 100-ns units.
    virtual uint64_t QuerySystemTime() = 0;
    // Version of the USB driver interface of the bus.
    virtual uint32_t UsbdVersion() = 0;
};
