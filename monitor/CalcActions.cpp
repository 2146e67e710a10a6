// CCalc: the buttons that talk to the controller beside the worker (auto-zero, reset, timing,
// statistics) and the copy of the statistics. Each takes its own reference on the link; the
// exchange lock of the command object keeps them apart from the worker's polls.
#include <QPushButton>

#include "comm/Command.h"
#include "monitor/Calc.h"
#include "pages/Clipboard.h"
#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace {

void ShowNamed(int id) {
    ShowMessage(qda::LoadResourceString(id), MB_OK | MB_ICONWARNING);
}

}  // namespace

void CCalc::OnZero(int out, bool on) {
    const size_t i = out == 1 ? 1 : 0;
    const uint8_t before = m_zeroState[i];
    m_zeroState[i] = static_cast<uint8_t>((before & 0x7F) | (on ? 0x80 : 0));
    qda::CommandReply reply;
    bool ok = false;
    if (m_command != nullptr && m_command->OpenPort(m_pcComm)) {
        ok = m_command->AutoZero(reply, on ? 1 : 0, out);
        m_command->ClosePort();
    }
    if (!ok) {
        // The button goes back to what the controller still has, not what was asked for.
        m_zeroState[i] = before;
        RefreshDisplay();
        ShowNamed(qda::kStrCalcAutoZeroFailed);
    }
}

void CCalc::OnReset(int out) {
    qda::CommandReply reply;
    bool ok = false;
    if (m_command != nullptr && m_command->OpenPort(m_pcComm)) {
        ok = m_command->Reset(reply, out);
        m_command->ClosePort();
    }
    if (!ok) ShowNamed(qda::kStrCalcResetFailed);
}

void CCalc::OnTiming(int out) {
    if (!Acquiring()) return;
    // The right-hand group exists only while both OUTs show; otherwise the left one serves `out`.
    const int side = out == 1 && m_showOut[0] && m_showOut[1] ? 1 : 0;
    QPushButton* b = m_timing[side];
    b->setText(QString::fromStdString(qda::LoadResourceString(qda::kStrCalcCommunicating)));
    b->setChecked(!m_reading.out[out == 1 ? 1 : 0].Timing());
    // The button waits for the next reading after the timing input.
    m_param.timingAllowed[out == 1 ? 1 : 0] = false;
    UpdateControls();
    (out == 1 ? m_param.timingOut2 : m_param.timingOut1).Set();
}

void CCalc::OnSimultaneousTiming() {
    if (!Acquiring()) return;
    for (int out = 0; out < 2; ++out) {
        m_timing[out]->setText(QString::fromStdString(qda::LoadResourceString(qda::kStrCalcCommunicating)));
        m_timing[out]->setChecked(!m_reading.out[static_cast<size_t>(out)].Timing());
        m_param.timingAllowed[static_cast<size_t>(out)] = false;
    }
    UpdateControls();
    m_param.simultaneousTiming.Set();
}

void CCalc::OnStatisticsUpdate() {
    bool ok = m_command != nullptr && m_command->OpenPort(m_pcComm);
    if (ok) {
        for (int out = 0; out < 2 && ok; ++out) {
            qda::Statistics statistics;
            ok = m_command->GetStatistics(statistics, out);
            if (ok) m_statistics.SetColumn(out, statistics);
        }
        m_command->ClosePort();
    }
    if (!ok) m_statistics.Clear();
    FillStatisticsList();
    if (!ok) ShowNamed(qda::kStrCalcStatisticsReadFailed);
}

void CCalc::OnStatisticsClear() {
    bool ok = false;
    if (m_command != nullptr && m_command->OpenPort(m_pcComm)) {
        qda::CommandReply reply;
        ok = m_command->ClearStatistics(reply);
        m_command->ClosePort();
    }
    if (ok) {
        m_statistics.Clear();
        FillStatisticsList();
    } else {
        ShowNamed(qda::kStrCalcStatisticsClearFailed);
    }
}

void CCalc::OnStatisticsCopy() {
    if (!CClipboard::CopyText(m_statistics.CopyText())) ShowNamed(qda::kStrClipboardCopyFailed);
}
