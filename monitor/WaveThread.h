#pragma once
// CWaveThread: the worker of a received-light waveform window. About every 200 ms (USB) or
// 300 ms (RS-232C) it asks the controller for the head's waveform while holding the program-wide
// update lock, and tells its window through posted messages: (1025, 1, 1) a new waveform waits,
// (1025, 1, 0) nothing new this time, (1025, 0, 1 or 0) the worker ended with success or failure.
//
// The window and the worker share one reply buffer guarded by the request flag: the worker fills
// it only while the flag is 1 and then clears the flag; the window copies it only while the flag
// is 0 and then sets it (TakeReply), so a reply is never overwritten while it is being read.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "comm/ControllerReplies.h"
#include "comm/Event.h"
#include "comm/LinkParams.h"

class CCommand;

namespace qda {

// The message the worker posts to its window.
constexpr unsigned kWaveWorkerMessage = 1025;
// Message 369 "受光波形データの取得に失敗しました": every failure of the acquisition.
constexpr int kMsgWaveformFailed = 369;

// Receives the worker's messages (message, wParam, lParam) on the worker's thread; the window
// posts them on to its own thread.
using WavePostTarget = std::function<void(unsigned message, uintptr_t wParam, intptr_t lParam)>;

// Where the worker gets its waveforms.
class IWaveformSource {
public:
    virtual ~IWaveformSource() = default;
    // The waveform of `head` (0 A, 1 B) with ROVA peak selection `peak` (0..3); true when the
    // controller answered with status 0. `reply.answered` and `reply.status` tell the rest.
    virtual bool GetWaveform(WaveReply& reply, int head, int peak) = 0;
};

// The waveform request of the command layer (up to three attempts).
class CCommandWaveformSource final : public IWaveformSource {
public:
    explicit CCommandWaveformSource(CCommand& command) : m_command(command) {}
    bool GetWaveform(WaveReply& reply, int head, int peak) override;

private:
    CCommand& m_command;
};

// What one waveform request means for the acquisition.
enum class WavePollOutcome {
    kNewWaveform,  // status 0: post (1025, 1, 1)
    kNothingNew,   // status 5 after the first request: the controller is busy; post (1025, 1, 0)
    kStatusText,   // answered "success" with a status other than 0: show that status's text and end
    kFailed,       // anything else: show message 369 and end
};
// `succeeded`: the request's result; `status`: the reply's status (kNoStatus without a reply);
// `firstRequest`: the first request since acquisition started.
WavePollOutcome ClassifyWaveformRequest(bool succeeded, int status, bool firstRequest);

class CWaveThread {
public:
    // `source` and the poster must outlive the worker. `link` is the kind of the open link: it
    // sets the poll period (PollPeriodMs); without one the worker ends at once, reporting success.
    CWaveThread(IWaveformSource& source, WavePostTarget target, LinkKind link, int head, int peakSelection);
    // Stops a running worker and waits for it.
    ~CWaveThread();
    CWaveThread(const CWaveThread&) = delete;
    CWaveThread& operator=(const CWaveThread&) = delete;

    // Creates the stop event and starts the worker with the request flag set; false when either
    // could not be made (nothing runs then).
    bool Start();
    // Asks the worker to end (its last message follows).
    void Stop();
    // True once the worker has ended (its end message is posted right after).
    bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    // Waits for the worker's thread to end.
    void Join();

    // Copies the waiting reply into `out` (and when it had arrived, steady clock in ns) and asks
    // for the next one; false (nothing copied) while the worker still owns the buffer.
    bool TakeReply(WaveReply& out, int64_t* arrivalNs = nullptr);
    // The ROVA peak selection of the next requests.
    void SetPeakSelection(int peak) { m_peakSelection.store(peak, std::memory_order_relaxed); }
    int PeakSelection() const { return m_peakSelection.load(std::memory_order_relaxed); }
    // Status of the latest request (kNoStatus before the first one or without an answer).
    int LastStatus() const { return m_lastStatus.load(std::memory_order_relaxed); }
    int Head() const { return m_head; }

private:
    void Run();
    bool Poll(bool firstRequest, bool& keepGoing);
    void End(bool success);

    IWaveformSource& m_source;
    WavePostTarget m_target;
    const LinkKind m_link;
    const int m_head;
    std::atomic<int> m_peakSelection;
    std::atomic<int> m_request{0};
    std::atomic<int> m_lastStatus{kNoStatus};
    std::atomic<bool> m_finished{false};
    WaveReply m_reply{};
    int64_t m_arrivalNs = 0;
    std::unique_ptr<CEvent> m_stop;
    std::thread m_thread;
};

}  // namespace qda
