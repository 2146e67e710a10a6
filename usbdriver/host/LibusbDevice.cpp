#include "usbdriver/host/LibusbDevice.h"

#include <libusb.h>

#include <chrono>
#include <cstdio>

#include "usbdriver/UsbDescriptors.h"

namespace qda {
namespace {
NTSTATUS FromLibusb(int code) {
    switch (code) {
        case LIBUSB_SUCCESS:
            return STATUS_SUCCESS;
        case LIBUSB_ERROR_TIMEOUT:
            return STATUS_IO_TIMEOUT;
        case LIBUSB_ERROR_NO_DEVICE:
            return STATUS_DEVICE_NOT_CONNECTED;
        case LIBUSB_ERROR_INVALID_PARAM:
            return STATUS_INVALID_PARAMETER;
        case LIBUSB_ERROR_NO_MEM:
            return STATUS_INSUFFICIENT_RESOURCES;
        case LIBUSB_ERROR_BUSY:
            return STATUS_DEVICE_BUSY;  // another program has claimed the interface
        case LIBUSB_ERROR_ACCESS:
            return STATUS_INVALID_DEVICE_STATE;
        default:
            return STATUS_UNSUCCESSFUL;
    }
}
}  // namespace

CLibusbDevice::CLibusbDevice(libusb_context* context, libusb_device* device)
    : m_context(context), m_device(libusb_ref_device(device)) {}

CLibusbDevice::~CLibusbDevice() {
    CloseHandle();
    libusb_unref_device(m_device);
}

uint64_t CLibusbDevice::QuerySystemTime() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() /
                                 100);
}

NTSTATUS CLibusbDevice::QueryCapabilities(DEVICE_CAPABILITIES& caps) {
    // libusb tells nothing of power states: on in S0, off when the system sleeps.
    caps.deviceState[PowerSystemWorking] = PowerDeviceD0;
    for (int s = PowerSystemSleeping1; s < PowerSystemMaximum; ++s) caps.deviceState[s] = PowerDeviceD3;
    return STATUS_SUCCESS;
}

void CLibusbDevice::Report(const char* what, int code) {
    std::lock_guard<std::mutex> lock(m_stateLock);
    if (m_reported) return;
    m_reported = true;
    std::fprintf(stderr, "vantorusbd: %s: %s\n", what, libusb_strerror(static_cast<libusb_error>(code)));
}

NTSTATUS CLibusbDevice::Open() {
    std::lock_guard<std::mutex> io(m_ioLock);
    if (m_handle) return STATUS_SUCCESS;
    const int rc = libusb_open(m_device, &m_handle);
    if (rc != 0) {
        m_handle = nullptr;
        Report("cannot open the controller", rc);
        return FromLibusb(rc);
    }
    libusb_set_auto_detach_kernel_driver(m_handle, 1);
    return STATUS_SUCCESS;
}

void CLibusbDevice::CloseHandle() {
    // Waits for the transfer in flight (cancelled by Disconnect) before the handle goes.
    std::lock_guard<std::mutex> io(m_ioLock);
    if (!m_handle) return;
    if (m_claimedInterface >= 0) libusb_release_interface(m_handle, m_claimedInterface);
    m_claimedInterface = -1;
    libusb_close(m_handle);
    m_handle = nullptr;
}

void CLibusbDevice::Disconnect() {
    std::lock_guard<std::mutex> lock(m_stateLock);
    m_disconnected = true;
    if (m_inFlight && !m_completed) libusb_cancel_transfer(m_inFlight);
}

NTSTATUS CLibusbDevice::PassDown(Irp& irp) {
    if (irp.majorFunction != IRP_MJ_PNP) return STATUS_SUCCESS;
    switch (irp.minorFunction) {
        case IRP_MN_START_DEVICE:
            return Open();
        case IRP_MN_SURPRISE_REMOVAL:
            Disconnect();
            return STATUS_SUCCESS;
        case IRP_MN_REMOVE_DEVICE:
            Disconnect();
            CloseHandle();
            return STATUS_SUCCESS;
        default:
            return STATUS_SUCCESS;
    }
}

NTSTATUS CLibusbDevice::SubmitUrb(Urb& urb) {
    switch (urb.function) {
        case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE:
            return urb.status = GetDescriptor(urb);
        case URB_FUNCTION_SELECT_CONFIGURATION:
            return urb.status = SelectConfiguration(urb);
        case URB_FUNCTION_ABORT_PIPE: {
            std::lock_guard<std::mutex> lock(m_stateLock);
            if (m_inFlight && !m_completed && m_inFlightEndpoint == urb.pipeHandle)
                libusb_cancel_transfer(m_inFlight);
            return urb.status = STATUS_SUCCESS;
        }
        case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER:
            return urb.status = Transfer(urb);
    }
    return urb.status = STATUS_NOT_SUPPORTED;
}

NTSTATUS CLibusbDevice::GetDescriptor(Urb& urb) {
    std::lock_guard<std::mutex> io(m_ioLock);
    if (!m_handle) return STATUS_DEVICE_NOT_CONNECTED;
    const int n = libusb_get_descriptor(m_handle, urb.descriptorType, urb.descriptorIndex, urb.transferBuffer,
                                        static_cast<int>(urb.transferBufferLength));
    if (n < 0) {
        urb.transferBufferLength = 0;
        return FromLibusb(n);
    }
    urb.transferBufferLength = static_cast<uint32_t>(n);
    return STATUS_SUCCESS;
}

NTSTATUS CLibusbDevice::SelectConfiguration(Urb& urb) {
    std::lock_guard<std::mutex> io(m_ioLock);
    if (!m_handle) return STATUS_DEVICE_NOT_CONNECTED;
    urb.interface.pipes.clear();
    if (!urb.configurationDescriptor) {
        if (m_claimedInterface >= 0) libusb_release_interface(m_handle, m_claimedInterface);
        m_claimedInterface = -1;
        m_pipeTypes.clear();
        return STATUS_SUCCESS;
    }
    const std::vector<uint8_t>& config = *urb.configurationDescriptor;
    UsbInterfaceLayout layout;
    if (!FindFirstInterface(config.data(), config.size(), layout)) return STATUS_DEVICE_DATA_ERROR;
    const uint8_t value = ConfigurationValue(config.data(), config.size());
    int current = -1;
    if (libusb_get_configuration(m_handle, &current) == 0 && current != value) {
        const int rc = libusb_set_configuration(m_handle, value);
        if (rc != 0) return FromLibusb(rc);
    }
    const int rc = libusb_claim_interface(m_handle, layout.interfaceNumber);
    if (rc != 0) {
        Report("cannot claim the controller's interface", rc);
        return FromLibusb(rc);
    }
    m_claimedInterface = layout.interfaceNumber;
    urb.configurationHandle = value;
    m_pipeTypes.clear();
    for (const UsbEndpointLayout& ep : layout.endpoints) {
        USBD_PIPE_INFORMATION pipe;
        pipe.endpointAddress = ep.address;
        pipe.maximumPacketSize = ep.maxPacketSize;
        pipe.interval = ep.interval;
        pipe.pipeType = static_cast<USBD_PIPE_TYPE>(ep.attributes & 0x03);
        pipe.pipeHandle = ep.address;
        pipe.maximumTransferSize = urb.maximumTransferSize;
        m_pipeTypes[ep.address] = pipe.pipeType;
        urb.interface.pipes.push_back(pipe);
    }
    return STATUS_SUCCESS;
}

void CLibusbDevice::TransferDone(libusb_transfer* transfer) {
    auto* self = static_cast<CLibusbDevice*>(transfer->user_data);
    std::lock_guard<std::mutex> lock(self->m_stateLock);
    self->m_completed = true;
    self->m_cv.notify_all();
}

NTSTATUS CLibusbDevice::Transfer(Urb& urb) {
    std::lock_guard<std::mutex> io(m_ioLock);
    const uint8_t endpoint = static_cast<uint8_t>(urb.pipeHandle);
    if (!m_handle) return STATUS_DEVICE_NOT_CONNECTED;
    libusb_transfer* transfer = libusb_alloc_transfer(0);
    if (!transfer) return STATUS_INSUFFICIENT_RESOURCES;
    const auto type = m_pipeTypes.find(endpoint);
    if (type != m_pipeTypes.end() && type->second == UsbdPipeTypeInterrupt) {
        libusb_fill_interrupt_transfer(transfer, m_handle, endpoint, urb.transferBuffer,
                                       static_cast<int>(urb.transferBufferLength), &TransferDone, this,
                                       urb.timeoutMs);
    } else {
        libusb_fill_bulk_transfer(transfer, m_handle, endpoint, urb.transferBuffer,
                                  static_cast<int>(urb.transferBufferLength), &TransferDone, this,
                                  urb.timeoutMs);
    }
    {
        std::unique_lock<std::mutex> lock(m_stateLock);
        if (m_disconnected) {
            lock.unlock();
            libusb_free_transfer(transfer);
            return STATUS_DEVICE_NOT_CONNECTED;
        }
        m_completed = false;
        const int rc = libusb_submit_transfer(transfer);
        if (rc != 0) {
            lock.unlock();
            libusb_free_transfer(transfer);
            Report("transfer refused", rc);
            return FromLibusb(rc);
        }
        m_inFlight = transfer;
        m_inFlightEndpoint = endpoint;
        m_cv.wait(lock, [this] { return m_completed; });
        m_inFlight = nullptr;
    }
    NTSTATUS status;
    switch (transfer->status) {
        case LIBUSB_TRANSFER_COMPLETED:
            status = STATUS_SUCCESS;
            break;
        case LIBUSB_TRANSFER_TIMED_OUT:
            status = STATUS_IO_TIMEOUT;
            break;
        case LIBUSB_TRANSFER_CANCELLED:
            status = STATUS_CANCELLED;
            break;
        case LIBUSB_TRANSFER_NO_DEVICE:
            status = STATUS_DEVICE_NOT_CONNECTED;
            break;
        case LIBUSB_TRANSFER_STALL:
            // Clear the halt so that the next exchange starts on a clean pipe.
            libusb_clear_halt(m_handle, endpoint);
            status = STATUS_UNSUCCESSFUL;
            break;
        default:
            status = STATUS_UNSUCCESSFUL;
            break;
    }
    urb.transferBufferLength = status == STATUS_SUCCESS ? static_cast<uint32_t>(transfer->actual_length) : 0;
    if (status != STATUS_SUCCESS && status != STATUS_CANCELLED) {
        std::lock_guard<std::mutex> lock(m_stateLock);
        if (!m_reported) {
            m_reported = true;
            std::fprintf(stderr, "vantorusbd: transfer on endpoint 0x%02x failed: %s\n", endpoint,
                         NtStatusName(status));
        }
    }
    libusb_free_transfer(transfer);
    return status;
}

}  // namespace qda
