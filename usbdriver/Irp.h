#pragma once
// One I/O request as the driver host hands it to the driver core: the major and minor function,
// the buffered input and output of a device control request, and the parameters of PnP and power
// requests. The core completes it by setting `status` and `information`.
#include <cstdint>
#include <vector>

#include "usbwire/NtStatus.h"

enum IrpMajorFunction : uint8_t {
    IRP_MJ_CREATE = 0x00,
    IRP_MJ_CLOSE = 0x02,
    IRP_MJ_DEVICE_CONTROL = 0x0E,
    IRP_MJ_POWER = 0x16,
    IRP_MJ_SYSTEM_CONTROL = 0x17,
    IRP_MJ_PNP = 0x1B,
};

enum IrpPnpMinor : uint8_t {
    IRP_MN_START_DEVICE = 0x00,
    IRP_MN_QUERY_REMOVE_DEVICE = 0x01,
    IRP_MN_REMOVE_DEVICE = 0x02,
    IRP_MN_CANCEL_REMOVE_DEVICE = 0x03,
    IRP_MN_STOP_DEVICE = 0x04,
    IRP_MN_QUERY_STOP_DEVICE = 0x05,
    IRP_MN_CANCEL_STOP_DEVICE = 0x06,
    IRP_MN_QUERY_CAPABILITIES = 0x09,
    IRP_MN_SURPRISE_REMOVAL = 0x17,
};

enum IrpPowerMinor : uint8_t {
    IRP_MN_WAIT_WAKE = 0x00,
    IRP_MN_POWER_SEQUENCE = 0x01,
    IRP_MN_SET_POWER = 0x02,
    IRP_MN_QUERY_POWER = 0x03,
};

// System power states S0 (working) .. S5 (off), with 0 meaning unspecified.
enum SYSTEM_POWER_STATE : uint8_t {
    PowerSystemUnspecified = 0,
    PowerSystemWorking = 1,
    PowerSystemSleeping1 = 2,
    PowerSystemSleeping2 = 3,
    PowerSystemSleeping3 = 4,
    PowerSystemHibernate = 5,
    PowerSystemShutdown = 6,
    PowerSystemMaximum = 7,
};

// Device power states D0 (on) .. D3 (off), with 0 meaning unspecified.
enum DEVICE_POWER_STATE : uint8_t {
    PowerDeviceUnspecified = 0,
    PowerDeviceD0 = 1,
    PowerDeviceD1 = 2,
    PowerDeviceD2 = 3,
    PowerDeviceD3 = 4,
};

enum POWER_STATE_TYPE : uint8_t { SystemPowerState = 0, DevicePowerState = 1 };

struct Irp {
    uint8_t majorFunction = IRP_MJ_CREATE;
    uint8_t minorFunction = 0;
    // Device control: code, input bytes and the size of the caller's output buffer.
    uint32_t ioControlCode = 0;
    std::vector<uint8_t> input;
    uint32_t outputLength = 0;
    // Power: which kind of state and the state asked for (SET_POWER, QUERY_POWER), or the
    // system state the device should wake the system from (WAIT_WAKE).
    POWER_STATE_TYPE powerType = SystemPowerState;
    uint8_t powerState = 0;
    // Completion: status, output bytes (at most outputLength) and Information.
    NTSTATUS status = STATUS_PENDING;
    uint32_t information = 0;
    std::vector<uint8_t> output;
};
