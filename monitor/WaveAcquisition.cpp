// CWave: starting and pausing acquisition and the worker's messages.
#include <QCoreApplication>
#include <QLabel>
#include <chrono>
#include <thread>

#include "chart/Graph.h"
#include "comm/Command.h"
#include "monitor/Wave.h"
#include "monitor/WavePictures.h"
#include "pages/DrawnButton.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "windowing/WindowMessage.h"

namespace {

constexpr int kMsgStartText = 22;
constexpr int kMsgPauseText = 23;

}  // namespace

bool CWave::Acquiring() const {
    return m_worker != nullptr && !m_worker->Finished();
}

void CWave::SetStartButton(bool acquiring) {
    m_start->SetBitmaps(qda::WavePicture(acquiring ? 238 : 231), palette().color(QPalette::Button),
                        palette().color(QPalette::Button).lighter(108));
    m_start->SetText(qda::MessageQ(acquiring ? kMsgPauseText : kMsgStartText));
    m_start->SetSelected(acquiring);
}

void CWave::StartAcquisition() {
    if (m_worker || !m_start->isEnabled()) return;
    m_start->SetSelected(true);
    OnStart();
}

void CWave::OnStart() {
    if (m_worker) return;
    // 1. The link.
    if (m_command == nullptr || !m_command->OpenPort(m_pcComm)) {
        ShowMessageCode(qda::kMsgWaveformFailed, MB_ICONWARNING);
        m_start->SetSelected(false);
        return;
    }
    // 2. The head: its model, or a failure.
    qda::HeadInfo info;
    const int head = m_headLetter == 'B' ? 1 : 0;
    const bool ok = m_command->GetHeadInfo(info, head) && info.StatusOk();
    if (!ok) {
        ShowMessageCode(qda::kMsgWaveformFailed, MB_ICONWARNING);
        m_command->ClosePort();
    } else {
        std::string model;
        CCommand::GetHeadModelName(info.modelCode, model);
        m_model->setText(QString::fromStdString(model));
        m_view.BeginAcquisition();
    }
    // 3. The chart starts over in every case.
    ResetChart();
    if (!ok) {
        // 4. Nothing of an earlier waveform stays as if it were this head's.
        m_dataValid = false;
        m_samples.fill(0);
        m_overlay.fill(0);
        m_sampleCount = 0;
        m_overlayCount = 0;
        m_model->clear();
        LoadTraces();
        m_start->SetSelected(false);
        UpdateButtons();
        return;
    }
    // 5. The worker.
    auto worker = std::make_unique<qda::CWaveThread>(
        *m_source,
        [this](unsigned message, uintptr_t wParam, intptr_t lParam) {
            qda::PostWindowMessage(this, message, wParam, lParam);
        },
        m_command->GetCommKind(), head, m_peakSelection);
    if (!worker->Start()) {
        ShowMessageCode(qda::kMsgWaveformFailed, MB_ICONWARNING);
        m_command->ClosePort();
        m_start->SetSelected(false);
        UpdateButtons();
        return;
    }
    m_worker = std::move(worker);
    SetStartButton(true);
    UpdateButtons();
}

void CWave::OnPause() {
    StopAcquisition(true);
}

void CWave::StopAcquisition(bool wait) {
    if (!m_worker) return;
    m_worker->Stop();
    if (!wait) return;
    // The worker may be showing a message or waiting for the update lock: keep the window alive.
    while (m_worker && !m_worker->Finished()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!m_worker) return;
    m_worker->Join();
    // The worker's last messages are in the queue now; they are handled before this returns, so
    // that a start right after a stop finds the window idle.
    QCoreApplication::sendPostedEvents(this, qda::WindowMessageEvent::EventType());
}

void CWave::OnWorkerMessage(uintptr_t wParam, intptr_t lParam) {
    if (!m_worker) return;
    if (wParam == 0) {
        m_worker.reset();
        SetStartButton(false);
        if (lParam != 1) {
            m_dataValid = false;
            if (m_chartReady) m_chart->SuspendRedraw(0);  // the peak lines go with the waveform
        }
        if (m_command != nullptr) m_command->ClosePort();
        UpdateButtons();
        return;
    }
    if (lParam == 1) AcceptWaveform();
    UpdateButtons();
}

void CWave::AcceptWaveform() {
    if (!m_worker->TakeReply(m_lastReply, &m_lastArrivalNs)) return;
    m_dataValid = true;
    // A controller that claims more samples than the buffer holds gets the buffer's worth.
    m_sampleCount = m_lastReply.ValidSamples();
    for (size_t i = 0; i < m_samples.size(); ++i) m_samples[i] = m_lastReply.sample[i];
    if (m_chartReady) {
        m_chart->SuspendRedraw(1);
        if (m_view.AdoptSegments(m_lastReply.segmentFlags)) {
            m_chart->SetMode(0, m_view.VisibleSamples(), 1, 0);
            m_scroll = m_chart->GetScrollSamples();
        }
        m_chart->SetTraceProperties(0, 1, std::string(), 0, kWaveColour);
        // One redraw for the whole change (LoadTraces would redraw on its own).
        LoadTrace(0);
        if (m_overlayOn) LoadTrace(1);
        m_chart->SuspendRedraw(0);
    }
    emit waveformAccepted();
}
