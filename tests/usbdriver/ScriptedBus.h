#pragma once
// A scripted bus under the driver core: it records every OUT transfer, answers IN transfers from
// a queue of reply chunks, serves fixed descriptors and lets a test hold an IN transfer open.
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "usbdriver/KernelServices.h"

class ScriptedBus : public IKernelServices {
public:
    static constexpr USBD_PIPE_HANDLE kIn = 0x81;
    static constexpr USBD_PIPE_HANDLE kOut = 0x02;

    std::vector<std::vector<uint8_t>> outTransfers;
    std::vector<uint32_t> inRequests;           // length asked by each IN transfer
    std::vector<uint32_t> inTimeouts;           // time-out (ms) given to each IN transfer
    std::deque<std::vector<uint8_t>> inChunks;  // what successive IN transfers return
    std::vector<uint8_t> pnpMinorsPassedDown;
    std::vector<USBD_PIPE_HANDLE> aborted;
    NTSTATUS failOutStatus = STATUS_SUCCESS;  // non-success: every OUT transfer fails
    uint64_t clock = 0;
    uint64_t clockStepPerTransfer = 0;  // simulated time each transfer takes
    DEVICE_CAPABILITIES caps;
    bool holdIn = false;             // IN transfers wait until released or aborted
    bool abortCancels = true;        // ABORT_PIPE ends a held transfer
    std::atomic<int> busyClaims{0};  // this many configurations fail: another program claimed it

    std::vector<uint8_t> ConfigDescriptor() const {
        // One configuration, interface 0 with a bulk IN (0x81) and a bulk OUT (0x02) endpoint.
        return {9, 2, 32,   0, 1,  1,    0, 0x80, 50,  // configuration
                9, 4, 0,    0, 2,  0xFF, 0, 0,    0,   // interface 0
                7, 5, 0x81, 2, 64, 0,    0,            // bulk IN
                7, 5, 0x02, 2, 64, 0,    0};           // bulk OUT
    }

    NTSTATUS SubmitUrb(Urb& urb) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        switch (urb.function) {
            case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE: {
                std::vector<uint8_t> d;
                if (urb.descriptorType == USB_DEVICE_DESCRIPTOR_TYPE)
                    d = {18, 1, 0, 2, 0, 0, 0, 64, 0x09, 0x12, 0x0A, 0, 0, 1, 0, 0, 0, 1};
                else
                    d = ConfigDescriptor();
                const uint32_t n = std::min<uint32_t>(urb.transferBufferLength, d.size());
                std::memcpy(urb.transferBuffer, d.data(), n);
                urb.transferBufferLength = n;
                return urb.status = STATUS_SUCCESS;
            }
            case URB_FUNCTION_SELECT_CONFIGURATION:
                if (urb.configurationDescriptor && busyClaims > 0) {
                    --busyClaims;
                    return urb.status = STATUS_DEVICE_BUSY;
                }
                if (urb.configurationDescriptor) {
                    urb.configurationHandle = 1;
                    USBD_PIPE_INFORMATION in, out;
                    in.endpointAddress = 0x81;
                    in.pipeHandle = kIn;
                    in.maximumPacketSize = 64;
                    out.endpointAddress = 0x02;
                    out.pipeHandle = kOut;
                    out.maximumPacketSize = 64;
                    urb.interface.pipes = {in, out};
                }
                return urb.status = STATUS_SUCCESS;
            case URB_FUNCTION_ABORT_PIPE:
                aborted.push_back(urb.pipeHandle);
                if (abortCancels) m_abortRequested = true;
                m_cv.notify_all();
                return urb.status = STATUS_SUCCESS;
            case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER:
                clock += clockStepPerTransfer;
                if (urb.transferFlags & USBD_TRANSFER_DIRECTION_IN) {
                    inRequests.push_back(urb.transferBufferLength);
                    inTimeouts.push_back(urb.timeoutMs);
                    if (holdIn) {
                        m_inHeld = true;
                        m_cv.notify_all();
                        m_cv.wait(lock, [this] { return !holdIn || m_abortRequested; });
                        m_inHeld = false;
                        if (m_abortRequested) return urb.status = STATUS_CANCELLED;
                    }
                    if (inChunks.empty()) {
                        urb.transferBufferLength = 0;
                        return urb.status = STATUS_IO_TIMEOUT;
                    }
                    std::vector<uint8_t> chunk = inChunks.front();
                    inChunks.pop_front();
                    const uint32_t n = std::min<uint32_t>(urb.transferBufferLength, chunk.size());
                    if (n) std::memcpy(urb.transferBuffer, chunk.data(), n);
                    urb.transferBufferLength = n;
                    return urb.status = STATUS_SUCCESS;
                }
                if (failOutStatus != STATUS_SUCCESS) return urb.status = failOutStatus;
                outTransfers.emplace_back(urb.transferBuffer, urb.transferBuffer + urb.transferBufferLength);
                return urb.status = STATUS_SUCCESS;
        }
        return urb.status = STATUS_NOT_SUPPORTED;
    }

    NTSTATUS PassDown(Irp& irp) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (irp.majorFunction == IRP_MJ_PNP) pnpMinorsPassedDown.push_back(irp.minorFunction);
        return STATUS_SUCCESS;
    }
    NTSTATUS QueryCapabilities(DEVICE_CAPABILITIES& out) override {
        out = caps;
        return STATUS_SUCCESS;
    }
    uint64_t QuerySystemTime() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return clock;
    }
    uint32_t UsbdVersion() override { return 0x500; }

    void WaitUntilInHeld() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [this] { return m_inHeld; });
    }
    size_t AbortedCount() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return aborted.size();
    }
    void ReleaseIn() {
        std::lock_guard<std::mutex> lock(m_mutex);
        holdIn = false;
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_inHeld = false;
    bool m_abortRequested = false;
};
