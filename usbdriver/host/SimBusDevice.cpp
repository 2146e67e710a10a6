#include "usbdriver/host/SimBusDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "usbdriver/UsbDescriptors.h"

namespace qda {

CSimBusDevice::CSimBusDevice(std::vector<uint8_t> deviceDescriptor, std::vector<uint8_t> config, Sender send)
    : m_deviceDescriptor(std::move(deviceDescriptor)), m_config(std::move(config)), m_send(std::move(send)) {}

uint64_t CSimBusDevice::QuerySystemTime() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() /
                                 100);
}

NTSTATUS CSimBusDevice::QueryCapabilities(DEVICE_CAPABILITIES& caps) {
    caps.deviceState[PowerSystemWorking] = PowerDeviceD0;
    for (int s = PowerSystemSleeping1; s < PowerSystemMaximum; ++s) caps.deviceState[s] = PowerDeviceD3;
    return STATUS_SUCCESS;
}

NTSTATUS CSimBusDevice::PassDown(Irp& irp) {
    if (irp.majorFunction == IRP_MJ_PNP &&
        (irp.minorFunction == IRP_MN_SURPRISE_REMOVAL || irp.minorFunction == IRP_MN_REMOVE_DEVICE))
        Disconnect();
    return STATUS_SUCCESS;
}

void CSimBusDevice::Disconnect() {
    std::lock_guard<std::mutex> lock(m_stateLock);
    m_disconnected = true;
    m_cv.notify_all();
}

void CSimBusDevice::Complete(simbus::TransferResult result) {
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        // A late answer to a transfer that was given up is dropped.
        if (result.id != m_pendingId || m_pendingDone) return;
        m_result = std::move(result);
        m_pendingDone = true;
    }
    // Woken after the lock is free, the waiting transfer does not block again at once on it.
    m_cv.notify_all();
}

NTSTATUS CSimBusDevice::SubmitUrb(Urb& urb) {
    switch (urb.function) {
        case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE: {
            const std::vector<uint8_t>* d =
                urb.descriptorType == USB_DEVICE_DESCRIPTOR_TYPE          ? &m_deviceDescriptor
                : urb.descriptorType == USB_CONFIGURATION_DESCRIPTOR_TYPE ? &m_config
                                                                          : nullptr;
            if (!d) return urb.status = STATUS_NOT_SUPPORTED;
            const uint32_t n = std::min<uint32_t>(urb.transferBufferLength, static_cast<uint32_t>(d->size()));
            if (n) std::memcpy(urb.transferBuffer, d->data(), n);
            urb.transferBufferLength = n;
            return urb.status = STATUS_SUCCESS;
        }
        case URB_FUNCTION_SELECT_CONFIGURATION:
            return urb.status = SelectConfiguration(urb);
        case URB_FUNCTION_ABORT_PIPE: {
            std::lock_guard<std::mutex> lock(m_stateLock);
            if (m_pendingId != 0 && !m_pendingDone && m_pendingEndpoint == urb.pipeHandle) {
                m_pendingAborted = true;
                m_cv.notify_all();
            }
            return urb.status = STATUS_SUCCESS;
        }
        case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER:
            return urb.status = Transfer(urb);
    }
    return urb.status = STATUS_NOT_SUPPORTED;
}

NTSTATUS CSimBusDevice::SelectConfiguration(Urb& urb) {
    urb.interface.pipes.clear();
    if (!urb.configurationDescriptor) return STATUS_SUCCESS;  // unconfigure
    UsbInterfaceLayout layout;
    if (!FindFirstInterface(m_config.data(), m_config.size(), layout)) return STATUS_DEVICE_DATA_ERROR;
    urb.configurationHandle = 1;
    for (const UsbEndpointLayout& ep : layout.endpoints) {
        USBD_PIPE_INFORMATION pipe;
        pipe.endpointAddress = ep.address;
        pipe.maximumPacketSize = ep.maxPacketSize;
        pipe.interval = ep.interval;
        pipe.pipeType = static_cast<USBD_PIPE_TYPE>(ep.attributes & 0x03);
        pipe.pipeHandle = ep.address;  // the endpoint address is the pipe's handle on this bus
        pipe.maximumTransferSize = urb.maximumTransferSize;
        urb.interface.pipes.push_back(pipe);
    }
    return STATUS_SUCCESS;
}

NTSTATUS CSimBusDevice::Transfer(Urb& urb) {
    std::lock_guard<std::mutex> io(m_ioLock);
    const uint8_t endpoint = static_cast<uint8_t>(urb.pipeHandle);
    const bool in = (endpoint & 0x80) != 0;
    if (urb.transferBufferLength > simbus::kMaxTransfer) return STATUS_INVALID_PARAMETER;
    simbus::TransferRequest request;
    {
        std::lock_guard<std::mutex> lock(m_stateLock);
        if (m_disconnected) return STATUS_DEVICE_NOT_CONNECTED;
        request.id = m_pendingId = m_nextId++;
        m_pendingEndpoint = endpoint;
        m_pendingDone = false;
        m_pendingAborted = false;
    }
    request.endpoint = endpoint;
    request.length = urb.transferBufferLength;
    request.timeoutMs = urb.timeoutMs;
    if (!in) request.data.assign(urb.transferBuffer, urb.transferBuffer + urb.transferBufferLength);
    if (!m_send(simbus::EncodeTransfer(request))) {
        Disconnect();
        return STATUS_DEVICE_NOT_CONNECTED;
    }
    std::unique_lock<std::mutex> lock(m_stateLock);
    // The device times the transfer out itself; the extra second covers a device that never answers.
    const auto limit = std::chrono::milliseconds(static_cast<int64_t>(urb.timeoutMs) + 1000);
    const bool finished =
        m_cv.wait_for(lock, limit, [this] { return m_pendingDone || m_pendingAborted || m_disconnected; });
    const simbus::TransferResult result = std::move(m_result);
    m_result = simbus::TransferResult{};
    const bool done = m_pendingDone;
    const bool aborted = m_pendingAborted;
    const bool gone = m_disconnected;
    m_pendingId = 0;
    lock.unlock();

    NTSTATUS status;
    if (done) {
        switch (result.status) {
            case simbus::TransferStatus::Completed:
                status = STATUS_SUCCESS;
                break;
            case simbus::TransferStatus::TimedOut:
                status = STATUS_IO_TIMEOUT;
                break;
            case simbus::TransferStatus::NoDevice:
                status = STATUS_DEVICE_NOT_CONNECTED;
                break;
            default:
                status = STATUS_UNSUCCESSFUL;
                break;
        }
    } else {
        status = gone ? STATUS_DEVICE_NOT_CONNECTED : aborted ? STATUS_CANCELLED : STATUS_IO_TIMEOUT;
        if (!finished || aborted) m_send(simbus::EncodeAbort(endpoint));
    }
    if (status == STATUS_SUCCESS) {
        if (in) {
            const uint32_t n =
                std::min<uint32_t>(urb.transferBufferLength, static_cast<uint32_t>(result.data.size()));
            if (n) std::memcpy(urb.transferBuffer, result.data.data(), n);
            urb.transferBufferLength = n;
        } else {
            urb.transferBufferLength = std::min(urb.transferBufferLength, result.actual);
        }
    } else {
        urb.transferBufferLength = 0;
        std::lock_guard<std::mutex> guard(m_stateLock);
        // A broken device is reported once, not once per transfer.
        if (status != STATUS_CANCELLED && !m_reportedError) {
            m_reportedError = true;
            std::fprintf(stderr, "vantorusbd: simulated device transfer failed: %s\n", NtStatusName(status));
        }
    }
    return status;
}

}  // namespace qda
