#pragma once
// The VantorUsb function driver for one controller: created by AddDevice for a physical device,
// it serves create, close and the device control requests of the named device "VantorUSB_U-0",
// and takes part in Plug and Play and power management over the bus below it.
//
// Dispatch may be called from several threads at once (the I/O path and the PnP path); the
// outstanding-request counter keeps removal from freeing what a running request uses.
#include <memory>
#include <string>

#include "usbdriver/DeviceExtension.h"
#include "usbdriver/Irp.h"
#include "usbdriver/KernelServices.h"

class CVantorUsbDevice {
public:
    // AddDevice: creates the device over `lower` (which must outlive it), queries the
    // capabilities and the USBD version. Returns null with `status` set when it cannot.
    static std::unique_ptr<CVantorUsbDevice> AddDevice(IKernelServices& lower, NTSTATUS* status = nullptr);

    // Completes `irp`: sets its status, Information and output bytes. Returns the status.
    NTSTATUS Dispatch(Irp& irp);

    // The device name and its symbolic link (the name user mode opens).
    static std::string DeviceName() { return "\\Device\\VantorUSB_U-0"; }
    static std::string SymbolicLinkName() { return "VantorUSB_U-0"; }

    // True while control requests are served (started, not removed, no removal or stop pending).
    bool IsReady() const;
    // True once REMOVE_DEVICE has finished: the device is gone and must no longer be used.
    bool IsDeleted() const { return m_deleted.load(); }
    // True between create and close.
    bool IsOpened() const { return m_ext.opened.load(); }
    DEVICE_POWER_STATE CurrentPowerState() const {
        return static_cast<DEVICE_POWER_STATE>(m_ext.currentDevicePowerState.load());
    }
    DEVICE_POWER_STATE IdlePowerState() const { return m_ext.idleDevicePowerState; }
    int32_t OutstandingRequests() const { return m_ext.outstandingIo.Count(); }

    // Asks for the idle power state when nobody has the device open and no power request runs;
    // true when a request was made.
    bool RequestIdleIfUnused();

private:
    explicit CVantorUsbDevice(IKernelServices& lower);

    NTSTATUS DispatchCreate(Irp& irp);
    NTSTATUS DispatchClose(Irp& irp);
    NTSTATUS DispatchDeviceControl(Irp& irp);
    NTSTATUS DispatchPnp(Irp& irp, bool& countReleased);
    NTSTATUS DispatchPower(Irp& irp);

    NTSTATUS StartDevice(Irp& irp);
    NTSTATUS ReadDescriptor(uint8_t type, uint32_t length, std::vector<uint8_t>& out);
    NTSTATUS SelectConfiguration();
    NTSTATUS UnconfigureDevice();
    void AbortPipes();
    void RemoveDevice(Irp& irp);
    NTSTATUS SetDevicePower(DEVICE_POWER_STATE state);

    DEVICE_EXTENSION m_ext;
    std::atomic<bool> m_deleted{false};
};
