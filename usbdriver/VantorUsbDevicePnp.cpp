// Plug and Play and power handling of CVantorUsbDevice.
#include <algorithm>

#include "usbdriver/UsbDescriptors.h"
#include "usbdriver/VantorUsbDevice.h"

namespace {
constexpr uint32_t kDeviceDescriptorLength = 18;
// The first read of the configuration descriptor; a longer one is read again at its total length.
constexpr uint32_t kConfigurationFirstRead = 521;
}  // namespace

NTSTATUS CVantorUsbDevice::DispatchPnp(Irp& irp, bool& countReleased) {
    IKernelServices& lower = *m_ext.lowerDevice;
    switch (irp.minorFunction) {
        case IRP_MN_START_DEVICE: {
            NTSTATUS status = lower.PassDown(irp);
            if (!NT_SUCCESS(status)) return status;
            status = StartDevice(irp);
            if (NT_SUCCESS(status)) {
                m_ext.currentDevicePowerState = PowerDeviceD0;
                m_ext.started = true;
            }
            return status;
        }
        case IRP_MN_QUERY_REMOVE_DEVICE:
            if (m_ext.started) {
                m_ext.removePending = true;
                // This request is one of the outstanding ones: step aside while waiting for the others.
                m_ext.outstandingIo.Decrement();
                m_ext.outstandingIo.WaitIdle();
                m_ext.outstandingIo.Increment();
            }
            return lower.PassDown(irp);
        case IRP_MN_REMOVE_DEVICE:
            RemoveDevice(irp);
            countReleased = true;
            return irp.status;
        case IRP_MN_CANCEL_REMOVE_DEVICE:
            if (m_ext.started) m_ext.removePending = false;
            return lower.PassDown(irp);
        case IRP_MN_STOP_DEVICE: {
            const NTSTATUS status = UnconfigureDevice();
            if (!NT_SUCCESS(status)) return status;
            m_ext.started = false;
            return lower.PassDown(irp);
        }
        case IRP_MN_QUERY_STOP_DEVICE:
            if (m_ext.started) m_ext.stopPending = true;
            return lower.PassDown(irp);
        case IRP_MN_CANCEL_STOP_DEVICE:
            if (m_ext.started) m_ext.stopPending = false;
            return lower.PassDown(irp);
        case IRP_MN_SURPRISE_REMOVAL:
            m_ext.surpriseRemoved = true;
            AbortPipes();
            return lower.PassDown(irp);
        default:
            return lower.PassDown(irp);
    }
}

NTSTATUS CVantorUsbDevice::ReadDescriptor(uint8_t type, uint32_t length, std::vector<uint8_t>& out) {
    out.assign(length, 0);
    Urb urb;
    urb.function = URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE;
    urb.descriptorType = type;
    urb.transferBuffer = out.data();
    urb.transferBufferLength = length;
    urb.timeoutMs = 5000;
    const NTSTATUS status = m_ext.lowerDevice->SubmitUrb(urb);
    if (!NT_SUCCESS(status)) {
        out.clear();
        return status;
    }
    out.resize(std::min(urb.transferBufferLength, length));
    return STATUS_SUCCESS;
}

NTSTATUS CVantorUsbDevice::StartDevice(Irp&) {
    NTSTATUS status =
        ReadDescriptor(USB_DEVICE_DESCRIPTOR_TYPE, kDeviceDescriptorLength, m_ext.deviceDescriptor);
    if (!NT_SUCCESS(status)) return status;
    if (m_ext.deviceDescriptor.size() < kDeviceDescriptorLength) return STATUS_DEVICE_DATA_ERROR;

    std::vector<uint8_t>& config = m_ext.configurationDescriptor;
    status = ReadDescriptor(USB_CONFIGURATION_DESCRIPTOR_TYPE, kConfigurationFirstRead, config);
    if (!NT_SUCCESS(status)) return status;
    const uint16_t total = qda::ConfigurationTotalLength(config.data(), config.size());
    if (total == 0) return STATUS_DEVICE_DATA_ERROR;
    if (total > kConfigurationFirstRead) {
        status = ReadDescriptor(USB_CONFIGURATION_DESCRIPTOR_TYPE, total, config);
        if (!NT_SUCCESS(status)) return status;
    }
    if (config.size() > total) config.resize(total);
    return SelectConfiguration();
}

NTSTATUS CVantorUsbDevice::SelectConfiguration() {
    qda::UsbInterfaceLayout layout;
    const std::vector<uint8_t>& config = m_ext.configurationDescriptor;
    if (!qda::FindFirstInterface(config.data(), config.size(), layout)) return STATUS_DEVICE_DATA_ERROR;

    Urb urb;
    urb.function = URB_FUNCTION_SELECT_CONFIGURATION;
    urb.configurationDescriptor = &config;
    urb.maximumTransferSize = m_ext.maximumTransferSize;
    urb.interface.interfaceNumber = layout.interfaceNumber;
    urb.interface.alternateSetting = layout.alternateSetting;
    urb.timeoutMs = 5000;
    const NTSTATUS status = m_ext.lowerDevice->SubmitUrb(urb);
    if (!NT_SUCCESS(status)) return status;

    m_ext.configurationHandle = urb.configurationHandle;
    m_ext.interface = urb.interface;
    m_ext.inPipe = 0;
    m_ext.outPipe = 0;
    for (USBD_PIPE_INFORMATION& pipe : m_ext.interface.pipes) {
        pipe.maximumTransferSize = m_ext.maximumTransferSize;
        const bool in = (pipe.endpointAddress & 0x80) != 0;
        if (in && m_ext.inPipe == 0) m_ext.inPipe = pipe.pipeHandle;
        if (!in && m_ext.outPipe == 0) m_ext.outPipe = pipe.pipeHandle;
    }
    return STATUS_SUCCESS;
}

NTSTATUS CVantorUsbDevice::UnconfigureDevice() {
    Urb urb;
    urb.function = URB_FUNCTION_SELECT_CONFIGURATION;
    urb.configurationDescriptor = nullptr;
    urb.timeoutMs = 5000;
    return m_ext.lowerDevice->SubmitUrb(urb);
}

void CVantorUsbDevice::AbortPipes() {
    for (USBD_PIPE_HANDLE pipe : {m_ext.inPipe, m_ext.outPipe}) {
        if (pipe == 0) continue;
        Urb urb;
        urb.function = URB_FUNCTION_ABORT_PIPE;
        urb.pipeHandle = pipe;
        m_ext.lowerDevice->SubmitUrb(urb);
    }
}

void CVantorUsbDevice::RemoveDevice(Irp& irp) {
    m_ext.removed = true;
    AbortPipes();
    irp.status = m_ext.lowerDevice->PassDown(irp);
    // Release this request and the device's own reference, then wait for every other request.
    m_ext.outstandingIo.Decrement();
    m_ext.outstandingIo.Decrement();
    m_ext.outstandingIo.WaitRemovable();
    m_ext.started = false;
    m_ext.deviceDescriptor.clear();
    m_ext.configurationDescriptor.clear();
    m_ext.interface = USBD_INTERFACE_INFORMATION{};
    m_ext.inPipe = 0;
    m_ext.outPipe = 0;
    m_deleted = true;
}

NTSTATUS CVantorUsbDevice::DispatchPower(Irp& irp) {
    IKernelServices& lower = *m_ext.lowerDevice;
    if (irp.minorFunction == IRP_MN_SET_POWER && irp.powerType == DevicePowerState) {
        const auto state = static_cast<DEVICE_POWER_STATE>(irp.powerState);
        if (state == PowerDeviceD0) {
            // Powering up: the new state holds once the lower drivers have finished.
            const NTSTATUS status = lower.PassDown(irp);
            if (NT_SUCCESS(status)) m_ext.currentDevicePowerState = state;
            return status;
        }
        // Powering down: recorded first, so nothing treats the device as on while it goes off.
        m_ext.currentDevicePowerState = state;
        return lower.PassDown(irp);
    }
    if (irp.minorFunction == IRP_MN_SET_POWER && irp.powerType == SystemPowerState) {
        const auto system = static_cast<SYSTEM_POWER_STATE>(irp.powerState);
        DEVICE_POWER_STATE mapped = PowerDeviceD3;
        const DEVICE_CAPABILITIES& caps = m_ext.capabilities;
        const bool capsKnown = std::any_of(std::begin(caps.deviceState), std::end(caps.deviceState),
                                           [](DEVICE_POWER_STATE d) { return d != PowerDeviceUnspecified; });
        if (system == PowerSystemWorking) {
            mapped = PowerDeviceD0;
        } else if (capsKnown && system < PowerSystemMaximum &&
                   caps.deviceState[system] != PowerDeviceUnspecified) {
            mapped = caps.deviceState[system];
        }
        if (mapped != CurrentPowerState()) {
            const NTSTATUS status = SetDevicePower(mapped);
            if (!NT_SUCCESS(status)) return status;
        }
        return lower.PassDown(irp);
    }
    if (irp.minorFunction == IRP_MN_WAIT_WAKE) {
        if (CurrentPowerState() == PowerDeviceD0 || irp.powerState > m_ext.capabilities.systemWake)
            return STATUS_INVALID_DEVICE_STATE;
        const NTSTATUS status = lower.PassDown(irp);
        if (NT_SUCCESS(status)) RequestIdleIfUnused();
        return status;
    }
    return lower.PassDown(irp);
}

NTSTATUS CVantorUsbDevice::SetDevicePower(DEVICE_POWER_STATE state) {
    bool expected = false;
    if (!m_ext.powerRequestInProgress.compare_exchange_strong(expected, true))
        return STATUS_INVALID_DEVICE_STATE;
    m_ext.powerDone.Reset();
    Irp power;
    power.majorFunction = IRP_MJ_POWER;
    power.minorFunction = IRP_MN_SET_POWER;
    power.powerType = DevicePowerState;
    power.powerState = state;
    const NTSTATUS status = Dispatch(power);
    m_ext.powerRequestInProgress = false;
    m_ext.powerDone.Set();
    return status;
}

bool CVantorUsbDevice::RequestIdleIfUnused() {
    if (m_ext.opened || m_ext.powerRequestInProgress || !m_ext.started) return false;
    if (CurrentPowerState() == m_ext.idleDevicePowerState) return false;
    return NT_SUCCESS(SetDevicePower(m_ext.idleDevicePowerState));
}
