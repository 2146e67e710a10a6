// CCalc: starting and stopping acquisition, the worker's messages and drawing a reading.
#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <chrono>
#include <system_error>
#include <thread>

#include "comm/Command.h"
#include "monitor/Calc.h"
#include "monitor/CalcPanels.h"
#include "monitor/CalcReadingView.h"
#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "windowing/WindowMessage.h"

namespace {

constexpr int kMsgCannotConnect = 357;

void ShowNamed(int id) {
    ShowMessage(qda::LoadResourceString(id), MB_OK | MB_ICONWARNING);
}

bool ZeroBit(const qda::MeasuredValues& r, int out) {
    return (r.out[out == 1 ? 1 : 0].raw & 0x80) != 0;
}

}  // namespace

void CCalc::SetStartButton(bool running) {
    m_start->setChecked(running);
    m_start->setText(
        QString::fromStdString(qda::LoadResourceString(running ? qda::kStrCalcStop : qda::kStrCalcStart)));
}

void CCalc::StartAcquisition() {
    if (Acquiring() || !m_start->isEnabled()) return;
    m_start->setChecked(true);
    OnStart();
}

void CCalc::OnStart() {
    if (Acquiring()) {
        show();
        return;
    }
    m_param.Reset();
    m_param.notify = [this](unsigned message, uintptr_t wParam, intptr_t lParam) {
        qda::PostWindowMessage(this, message, wParam, lParam);
    };
    m_param.message = qda::WM_CALC_NOTIFY;
    m_param.command = m_command;
    ApplyLayout();  // the OUT selection of the first request
    bool started = false;
    if (m_command == nullptr || !m_command->OpenPort(m_pcComm)) {
        ShowMessageCode(kMsgCannotConnect, MB_ICONWARNING);
    } else {
        try {
            m_worker = std::thread([this] { qda::RunCalcThread(m_param); });
            started = true;
        } catch (const std::system_error&) {
            ShowMessageCode(kMsgCannotConnect, MB_ICONWARNING);
            m_command->ClosePort();
        }
    }
    if (!started) {
        SetStartButton(false);
        ClearDisplay();
        ShowNamed(qda::kStrCalcStartFailed);
        return;
    }
    SetStartButton(true);
    UpdateControls();
}

void CCalc::OnStop() {
    StopAcquisition(true);
}

void CCalc::StopAcquisition(bool wait) {
    if (!Acquiring()) return;
    m_param.stop.Set();
    if (!wait) return;
    // The worker may be waiting for the update lock or an answer: keep the windows alive.
    while (Acquiring() && !m_param.ended.load(std::memory_order_acquire)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Its end message is queued now; handle it here, so that a start right after finds the window idle.
    QCoreApplication::sendPostedEvents(this, qda::WindowMessageEvent::EventType());
    ClearDisplay();
}

void CCalc::OnWorkerMessage(uintptr_t wParam, intptr_t lParam) {
    if (!Acquiring()) return;
    if (wParam == qda::kCalcNotifyEnded) {
        EndWorker();
        if (lParam != 1 && m_param.failureMessage.load() != 0) ShowNamed(m_param.failureMessage.load());
        return;
    }
    if (lParam == 1) {
        TakeReading();
        return;
    }
    // Refused with status 5 (the controller is in setting mode): fatal before the first reading,
    // skipped afterwards.
    if (m_param.firstReading.load()) {
        StopAcquisition(true);
        ClearDisplay();
        ShowNamed(qda::kStrCalcReadFailed);
    }
}

void CCalc::EndWorker() {
    if (m_worker.joinable()) m_worker.join();
    SetStartButton(false);
    if (m_command != nullptr) m_command->ClosePort();
    ClearDisplay();
}

void CCalc::TakeReading() {
    // The worker still owns the buffer until it clears the request.
    if (m_param.readingRequested.load(std::memory_order_acquire)) return;
    const qda::MeasuredValues previous = m_reading;
    const bool hadReading = m_readingValid;
    m_reading = m_param.reply;
    m_lastArrivalNs = m_param.replyArrivalNs;
    m_readingValid = true;
    m_param.readingRequested.store(true, std::memory_order_release);
    const bool first = m_param.firstReading.exchange(false);
    for (int out = 0; out < 2; ++out) {
        // The zero buttons follow the controller when its auto-zero changed (from its panel, say).
        if (first || !hadReading || ZeroBit(previous, out) != ZeroBit(m_reading, out))
            m_zeroState[static_cast<size_t>(out)] = ZeroBit(m_reading, out) ? 0x80 : 0;
    }
    for (int side = 0; side < 2; ++side) {
        const int out = side == 0 ? LeftOut() : 1;
        if (!m_param.timingAllowed[static_cast<size_t>(out)].load()) continue;
        m_timing[side]->setText(m_timingText[side]);
        m_timing[side]->setChecked(m_reading.out[static_cast<size_t>(out)].Timing());
    }
    RefreshDisplay();
    emit readingAccepted();
}

void CCalc::ClearDisplay() {
    m_readingValid = false;
    m_reading = qda::MeasuredValues{};
    for (int side = 0; side < 2; ++side) {
        m_timing[side]->setText(m_timingText[side]);
        m_timing[side]->setChecked(false);
    }
    RefreshDisplay();
}

void CCalc::RefreshDisplay() {
    const int left = LeftOut();
    m_panel[0]->Show(left, qda::DescribeOut(m_reading, m_readingValid, left));
    m_panel[1]->Show(1, qda::DescribeOut(m_reading, m_readingValid, 1));
    m_heads->Show(qda::DescribeHead(m_reading, m_readingValid, 0),
                  qda::DescribeHead(m_reading, m_readingValid, 1));
    m_zero[0]->setChecked((m_zeroState[static_cast<size_t>(left)] & 0x80) != 0);
    m_zero[1]->setChecked((m_zeroState[1] & 0x80) != 0);
    UpdateControls();
}
