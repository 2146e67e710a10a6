#pragma once
// CStorageStatusThread: the data storage window's worker. Every 500 ms it asks the controller for
// the storage status line and hands a changed line to the window (at most one in flight: the
// window sets the request flag again once it has shown the line). On a read request it reads the
// stored values of the requested OUTs and hands each reply to the window synchronously, so that
// its reply buffer is reused only after the window has copied the values.
//
// It meets the window only through this block and the notices of its sink (message 1027).
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "comm/ControllerReplies.h"
#include "comm/Event.h"

class CCommand;

namespace qda {

// Message identifier of the worker's notices and their wParam values.
constexpr unsigned WM_STORAGE_STATUS = 1027;
enum StorageWorkerNotice : int {
    kNoticeEnded = 0,     // lParam 1 normal end, 0 failure
    kNoticeStatus = 1,    // a new status line; lParam the storing flag
    kNoticeOut1Read = 2,  // OUT1 values in Readout(); lParam 1 success
    kNoticeOut2Read = 3,  // OUT2 values in Readout(); lParam 1 success
    kNoticeReadDone = 4,  // the readout finished; lParam 1 when every requested OUT was read
};

// Where the worker's notices go: the window's thread.
class IStorageStatusSink {
public:
    virtual ~IStorageStatusSink() = default;
    // Queues the notice for the window.
    virtual void Post(int wParam, std::intptr_t lParam) = 0;
    // Delivers the notice and returns once the window has handled it.
    virtual void Send(int wParam, std::intptr_t lParam) = 0;
};

}  // namespace qda

class CStorageStatusThread {
public:
    static constexpr int kPollMs = 500;

    CStorageStatusThread(CCommand& command, qda::IStorageStatusSink& sink);
    // Stops the loop and waits for it (the window stops it itself before it goes).
    ~CStorageStatusThread();
    CStorageStatusThread(const CStorageStatusThread&) = delete;
    CStorageStatusThread& operator=(const CStorageStatusThread&) = delete;

    // Starts the loop; false when the thread cannot be started.
    bool Start();
    bool Running() const { return m_thread.joinable(); }
    // Sets the stop event; the loop ends at its next wait and posts kNoticeEnded.
    void RequestStop();
    // True once the loop has ended (set just before kNoticeEnded is posted).
    bool Finished() const { return m_finished.load(); }
    // Waits for the thread after Finished().
    void Join();

    // Asks for the stored values of OUT1 and/or OUT2 (read event).
    void RequestRead(bool out1, bool out2);
    // The reply of the OUT being handed over; valid only while the window handles kNoticeOut1Read
    // or kNoticeOut2Read.
    const qda::StorageReadout& Readout() const { return m_readout; }

    // The status handshake: 1 once the window has shown the last line (the worker may send the
    // next), 0 while a line is on its way.
    void SetStatusRequest(bool request) { m_statusRequest = request; }
    bool StatusRequest() const { return m_statusRequest.load(); }
    // The last status line the worker built.
    std::string StatusText() const;

    // 1 while the worker holds a reference on the port; only then it polls.
    void SetPortHeld(bool held) { m_portHeld = held; }
    bool PortHeld() const { return m_portHeld.load(); }

private:
    void Run();
    void PollStatus();
    void ReadOuts();

    CCommand& m_command;
    qda::IStorageStatusSink& m_sink;
    qda::CEvent m_stop;
    qda::CEvent m_read;
    std::atomic<bool> m_readOut1{false};
    std::atomic<bool> m_readOut2{false};
    std::atomic<bool> m_statusRequest{true};
    std::atomic<bool> m_portHeld{false};
    std::atomic<bool> m_finished{false};
    qda::StorageReadout m_readout;
    mutable std::mutex m_textLock;
    std::string m_statusText;
    std::thread m_thread;
};
