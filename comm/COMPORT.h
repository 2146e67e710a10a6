#pragma once
// CCOMPORT: the RS-232C transport. Owns the tty (termios, exclusive, non-blocking), a send queue
// and a receive queue, and one worker thread that does all reads and writes with poll(), ticks
// every 10 ms while the line is quiet to run the response timer, and reports events 0, 3, 4
// and 5 to its owner. It knows nothing about frames or packets.
#include <termios.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "comm/RingBuffer.h"
#include "comm/Transport.h"

namespace qda {
// Sets the line of `tio`: raw bytes, the baud rate, data bits, stop bits (1 or 2), parity
// (received parity checked only for odd) and XON/XOFF. False for a baud rate, data bit count or
// stop bit count the port does not support.
bool ApplyLineSettings(termios& tio, const SerialLine& line);
}  // namespace qda

class CCOMPORT : public qda::ITransport {
public:
    CCOMPORT() = default;
    ~CCOMPORT() override;
    CCOMPORT(const CCOMPORT&) = delete;
    CCOMPORT& operator=(const CCOMPORT&) = delete;

    // Opens the tty of `line` exclusively, sets the line and starts the worker. False on any
    // failure; the caller then calls Close.
    bool Open(const qda::SerialLine& line, qda::TransportCallback callback, void* owner);

    // Appends to the send queue and wakes the worker. True for length <= 0; false when the
    // queue has no room for all bytes or the port is not open.
    bool Write(const uint8_t* bytes, int length);

    // qda::ITransport
    qda::LinkKind Kind() const override { return qda::LinkKind::kSerial; }
    bool Send(const uint8_t* bytes, int length) override { return Write(bytes, length); }
    bool ReadQueued(uint8_t* destination, int length, int* count) override;
    bool PeekQueued(uint8_t* destination, int length, int* count) override;
    int ReceiveQueueCount() const override { return m_receiveQueue.Count(); }
    void ClearQueues() override;
    bool ClearError() override;
    void ArmResponseTimer(int milliseconds) override;
    void DisarmResponseTimer() override;
    // Stops the worker, flushes and closes the tty, frees the queues. Safe to call twice.
    void Close() override;

    // Device path opened (for messages and tests).
    const std::string& DevicePath() const { return m_path; }

private:
    void WorkerLoop();
    void Report(int type);
    // Reads what the tty holds into the receive queue; returns bytes read, -1 on a read error.
    int ReadAvailable();
    // Moves the send queue to the tty; false on a write error.
    bool FlushSendQueue();
    void OnQuietTick();
    void Wake();

    char m_tag[9] = {};
    std::string m_path;

    qda::TransportCallback m_callback = nullptr;
    void* m_owner = nullptr;

    int m_fd = -1;
    int m_wakeFd = -1;  // eventfd: stop and send requests
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_threadEnded{false};
    std::atomic<bool> m_timerArmed{false};
    std::atomic<int> m_timerRemaining{0};

    CRingBuffer m_receiveQueue;
    CRingBuffer m_sendQueue;

    // Worker-only state.
    std::vector<uint8_t> m_transfer;  // one read takes up to 1 MiB
    std::vector<uint8_t> m_pendingOut;
    size_t m_pendingOffset = 0;
    bool m_txPending = false;
    bool m_portDead = false;
};
