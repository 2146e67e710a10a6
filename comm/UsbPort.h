#pragma once
// CUsbPort: the USB link under the command layer. Same queue interface as CCOMPORT; one worker
// thread turns each queued command packet into one call of the USB access library
// (VantorUsbPtrIoPtr), which returns the whole reply at once.
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "comm/Event.h"
#include "comm/LinkParams.h"
#include "comm/RingBuffer.h"
#include "comm/Transport.h"

class CUsbPort : public qda::ITransport {
public:
    CUsbPort() = default;
    ~CUsbPort() override;
    CUsbPort(const CUsbPort&) = delete;
    CUsbPort& operator=(const CUsbPort&) = delete;

    // The start-up registration of the controller with the library: type id 10 named
    // "VantorUSB_U-0", automatic access, the name and the product ID. Results are not used; a
    // failure shows later as failing exchanges.
    static void RegisterDevice();
    // RegisterDevice, then makes the command layer open USB links as CUsbPort.
    static void Install();
    // The command layer's USB factory: a started port with the queues of `link`, or nullptr.
    static std::unique_ptr<qda::ITransport> Create(const qda::UsbLink& link, qda::TransportCallback callback,
                                                   void* user);

    // Creates the queues and starts the worker; false if any part fails.
    bool Start(int sendQueueSize, int receiveQueueSize, qda::TransportCallback callback, void* owner);
    // Stops the worker (waits for the library call in progress) and destroys the queues.
    void Stop();
    // True once the worker has ended (stopped, failed library call, full receive queue).
    bool WorkerEnded() const { return m_workerEnded.load(); }

    qda::LinkKind Kind() const override { return qda::LinkKind::kUsb; }
    // Refused when the worker has ended or the send queue lacks room for all bytes.
    bool Send(const uint8_t* bytes, int length) override;
    bool ReadQueued(uint8_t* destination, int length, int* count) override;
    bool PeekQueued(uint8_t* destination, int length, int* count) override;
    int ReceiveQueueCount() const override { return m_receive.Count(); }
    void ClearQueues() override;
    bool ClearError() override { return true; }
    void ArmResponseTimer(int) override {}
    void DisarmResponseTimer() override {}
    void Close() override { Stop(); }
    // Through the driver host (ReserveUsbDevice); a port that stops gives back what it holds.
    bool Reserve() override;
    void Release() override;
    // Why the device could not be reached (the library's errno of the last failed call).
    qda::LinkFailure Failure() const override;

private:
    void Worker();
    void Report(int eventType);

    qda::CEvent m_sendEvent{false};
    qda::CEvent m_stopEvent{false};
    std::atomic<bool> m_workerEnded{false};
    std::atomic<int> m_error{0};
    std::mutex m_endLock;  // orders Send against the worker's end
    std::mutex m_reserveLock;
    int m_reserved = 0;  // reservations held through this port (guarded by m_reserveLock)
    CRingBuffer m_receive;
    CRingBuffer m_send;
    std::thread m_thread;
    qda::TransportCallback m_callback = nullptr;
    void* m_owner = nullptr;
};
