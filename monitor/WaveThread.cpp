#include "monitor/WaveThread.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "comm/Command.h"
#include "monitor/PollPeriod.h"
#include "resources/Messages.h"
#include "settings/UpdateLock.h"

namespace qda {

namespace {

// The controller answers status 5 while it cannot give a waveform (a state error).
constexpr int kStatusBusy = 5;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool CCommandWaveformSource::GetWaveform(WaveReply& reply, int head, int peak) {
    return m_command.GetWaveform(reply, head, peak);
}

WavePollOutcome ClassifyWaveformRequest(bool succeeded, int status, bool firstRequest) {
    if (succeeded) return status == 0 ? WavePollOutcome::kNewWaveform : WavePollOutcome::kStatusText;
    // A busy controller right at the start means acquisition cannot work now; later it is a
    // passing state (another window or the controller itself is busy).
    if (status == kStatusBusy && !firstRequest) return WavePollOutcome::kNothingNew;
    return WavePollOutcome::kFailed;
}

CWaveThread::CWaveThread(IWaveformSource& source, WavePostTarget target, LinkKind link, int head,
                         int peakSelection)
    : m_source(source),
      m_target(std::move(target)),
      m_link(link),
      m_head(head),
      m_peakSelection(peakSelection) {}

CWaveThread::~CWaveThread() {
    Stop();
    Join();
}

bool CWaveThread::Start() {
    if (m_thread.joinable()) return false;
    m_reply = WaveReply{};
    m_finished.store(false);
    m_lastStatus.store(kNoStatus);
    m_request.store(1, std::memory_order_release);
    try {
        m_stop = std::make_unique<CEvent>(false);
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CWaveThread::Stop() {
    if (m_stop) m_stop->Set();
}

void CWaveThread::Join() {
    if (m_thread.joinable()) m_thread.join();
}

bool CWaveThread::TakeReply(WaveReply& out, int64_t* arrivalNs) {
    if (m_request.load(std::memory_order_acquire) != 0) return false;
    out = m_reply;
    if (arrivalNs != nullptr) *arrivalNs = m_arrivalNs;
    m_request.store(1, std::memory_order_release);
    return true;
}

void CWaveThread::Run() {
    const int period = PollPeriodMs(m_link);
    if (period <= 0) {
        End(true);
        return;
    }
    int wait = period;
    bool first = true;
    for (;;) {
        if (m_stop->Wait(wait)) {
            End(true);
            return;
        }
        const int64_t t0 = NowMs();
        bool keepGoing = true;
        if (m_request.load(std::memory_order_acquire) == 1) {
            const bool success = Poll(first, keepGoing);
            first = false;
            if (!keepGoing) {
                End(success);
                return;
            }
        }
        wait = static_cast<int>(std::max<int64_t>(0, t0 + period - NowMs()));
    }
}

bool CWaveThread::Poll(bool firstRequest, bool& keepGoing) {
    WavePollOutcome outcome;
    int status = kNoStatus;
    {
        // No poll between the exchanges of a settings transfer.
        CUpdateLockHolder lock;
        const bool ok =
            m_source.GetWaveform(m_reply, m_head, m_peakSelection.load(std::memory_order_relaxed));
        status = m_reply.status;
        m_lastStatus.store(status, std::memory_order_relaxed);
        outcome = ClassifyWaveformRequest(ok, status, firstRequest);
        if (outcome == WavePollOutcome::kNewWaveform) {
            m_arrivalNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
            m_request.store(0, std::memory_order_release);
            m_target(kWaveWorkerMessage, 1, 1);
        } else if (outcome == WavePollOutcome::kNothingNew) {
            m_target(kWaveWorkerMessage, 1, 0);
        }
    }
    // Messages are shown after the lock is released: a box waits for the operator, and the
    // user-interface thread may itself be waiting for the lock (a send the pages asked for).
    switch (outcome) {
        case WavePollOutcome::kNewWaveform:
        case WavePollOutcome::kNothingNew:
            return true;
        case WavePollOutcome::kStatusText:
            ShowMessage(CCommand::GetErrorText(status), MB_ICONWARNING);
            break;
        case WavePollOutcome::kFailed:
            ShowMessageCode(kMsgWaveformFailed, MB_ICONWARNING);
            break;
    }
    keepGoing = false;
    return false;
}

void CWaveThread::End(bool success) {
    m_finished.store(true, std::memory_order_release);
    m_target(kWaveWorkerMessage, 0, success ? 1 : 0);
}

}  // namespace qda
