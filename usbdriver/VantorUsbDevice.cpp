#include "usbdriver/VantorUsbDevice.h"

#include <algorithm>

#include "usbdriver/UsbExchange.h"

namespace {

void PutLe32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Completes a buffered control request with `data`, cut to the caller's output size.
NTSTATUS CompleteWith(Irp& irp, const std::vector<uint8_t>& data) {
    irp.output.assign(data.begin(), data.begin() + std::min<size_t>(data.size(), irp.outputLength));
    irp.information = static_cast<uint32_t>(irp.output.size());
    return STATUS_SUCCESS;
}

}  // namespace

CVantorUsbDevice::CVantorUsbDevice(IKernelServices& lower) {
    m_ext.lowerDevice = &lower;
}

std::unique_ptr<CVantorUsbDevice> CVantorUsbDevice::AddDevice(IKernelServices& lower, NTSTATUS* status) {
    std::unique_ptr<CVantorUsbDevice> device(new CVantorUsbDevice(lower));
    DEVICE_EXTENSION& ext = device->m_ext;
    DEVICE_CAPABILITIES caps;
    caps.size = 64;
    caps.version = 1;
    caps.address = 0xFFFFFFFF;
    caps.uiNumber = 0xFFFFFFFF;
    const NTSTATUS capsStatus = lower.QueryCapabilities(caps);
    if (!NT_SUCCESS(capsStatus)) {
        if (status) *status = capsStatus;
        return nullptr;
    }
    ext.capabilities = caps;
    // The idle state: the last of S1, S2, S3 whose device state is shallower than D3.
    for (int s = PowerSystemSleeping1; s <= PowerSystemSleeping3; ++s) {
        const DEVICE_POWER_STATE d = caps.deviceState[s];
        if (d != PowerDeviceUnspecified && d < PowerDeviceD3) ext.idleDevicePowerState = d;
    }
    ext.usbdVersion = lower.UsbdVersion();
    if (status) *status = STATUS_SUCCESS;
    return device;
}

bool CVantorUsbDevice::IsReady() const {
    return m_ext.started && !m_ext.removed && !m_ext.surpriseRemoved && !m_ext.removePending &&
           !m_ext.stopPending;
}

NTSTATUS CVantorUsbDevice::Dispatch(Irp& irp) {
    irp.information = 0;
    irp.output.clear();
    if (m_deleted) {
        irp.status = STATUS_NO_SUCH_DEVICE;
        return irp.status;
    }
    m_ext.outstandingIo.Increment();
    bool countReleased = false;
    NTSTATUS status;
    switch (irp.majorFunction) {
        case IRP_MJ_CREATE:
            status = DispatchCreate(irp);
            break;
        case IRP_MJ_CLOSE:
            status = DispatchClose(irp);
            break;
        case IRP_MJ_DEVICE_CONTROL:
            status = DispatchDeviceControl(irp);
            break;
        case IRP_MJ_PNP:
            status = DispatchPnp(irp, countReleased);
            break;
        case IRP_MJ_POWER:
            status = DispatchPower(irp);
            break;
        case IRP_MJ_SYSTEM_CONTROL:
            status = m_ext.lowerDevice->PassDown(irp);
            break;
        default:
            status = STATUS_INVALID_PARAMETER;
            break;
    }
    if (!NT_SUCCESS(status)) {
        irp.output.clear();
        irp.information = 0;
    }
    irp.status = status;
    if (!countReleased) m_ext.outstandingIo.Decrement();
    return status;
}

NTSTATUS CVantorUsbDevice::DispatchCreate(Irp&) {
    if (IsReady()) {
        m_ext.opened = true;
        // The device may have been put to its idle state while nobody had it open.
        if (CurrentPowerState() != PowerDeviceD0) SetDevicePower(PowerDeviceD0);
    }
    return STATUS_SUCCESS;
}

NTSTATUS CVantorUsbDevice::DispatchClose(Irp&) {
    m_ext.opened = false;
    return STATUS_SUCCESS;
}

NTSTATUS CVantorUsbDevice::DispatchDeviceControl(Irp& irp) {
    if (!IsReady()) return STATUS_DELETE_PENDING;
    std::vector<uint8_t> data;
    switch (irp.ioControlCode) {
        case IOCTL_VANTORUSB_EXCHANGE: {
            m_ext.bytesWritten = 0;
            m_ext.bytesRead = 0;
            qda::CUsbExchange exchange(*m_ext.lowerDevice, m_ext.inPipe, m_ext.outPipe);
            qda::ExchangeRecord record;
            const NTSTATUS status = exchange.Run(irp.input, irp.outputLength, irp.output, record);
            m_ext.writeTime = record.writeTime;
            m_ext.readTime = record.readTime;
            m_ext.bytesWritten = record.bytesWritten;
            m_ext.bytesRead = record.bytesRead;
            if (!NT_SUCCESS(status)) return status;
            irp.information = static_cast<uint32_t>(irp.output.size());
            return STATUS_SUCCESS;
        }
        case IOCTL_VANTORUSB_GET_TIMES:
            PutLe32(data, static_cast<uint32_t>(m_ext.writeTime.load()));
            PutLe32(data, static_cast<uint32_t>(m_ext.readTime.load()));
            return CompleteWith(irp, data);
        case IOCTL_VANTORUSB_GET_VERSION:
            if (irp.outputLength < 4) return STATUS_BUFFER_TOO_SMALL;
            PutLe32(data, VANTORUSB_DRIVER_VERSION);
            return CompleteWith(irp, data);
        case IOCTL_VANTORUSB_GET_TOTALS:
            PutLe32(data, m_ext.bytesWritten.load());
            PutLe32(data, m_ext.bytesRead.load());
            return CompleteWith(irp, data);
        default:
            return STATUS_INVALID_PARAMETER;
    }
}
