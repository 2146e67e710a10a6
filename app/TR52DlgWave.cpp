// CTR52Dlg: the two received-light waveform windows: created hidden with the main window, shown
// and hidden by buttons 1004/1005, menu items 32772/32773 and F6/F7, told the head's measuring
// mode, the link settings and the busy state, and asked for their initial horizontal scale and
// placement at exit.
#include <QAction>

#include "app/TR52Dlg.h"
#include "monitor/Wave.h"
#include "pages/DrawnButton.h"
#include "pages/TabHead.h"
#include "resources/Messages.h"

namespace {

constexpr char kHeadLetters[2] = {'A', 'B'};

}  // namespace

void CTR52Dlg::CreateWaveWindows() {
    for (int head = 0; head < 2; ++head) {
        // Modeless and without owner, so that each stays usable beside the main window.
        auto wave = std::make_unique<CWave>();
        wave->SetConnection(kHeadLetters[head], m_settings.WaveView[head].InitialXScale, m_settings.PcComm,
                            &m_command);
        wave->LoadPlacement();
        m_waveToolWindow[static_cast<size_t>(head)] = std::make_unique<qda::WidgetMessageWindow>(wave.get());
        m_wave[static_cast<size_t>(head)] = std::move(wave);
    }
}

void CTR52Dlg::OnWaveWindow(int head) {
    CWave* wave = WaveWindow(head);
    if (wave == nullptr) return;
    if (wave->isVisible()) {
        // The window's own close command (identifier 2): it stops its worker and saves its place.
        QMetaObject::invokeMethod(
            wave, [wave] { wave->reject(); }, Qt::QueuedConnection);
        return;
    }
    wave->SetCommunication(m_settings.PcComm);
    // The placement restored at start (or kept from the last close) brings the maximised state.
    if (wave->windowState() & Qt::WindowMaximized)
        wave->showMaximized();
    else
        wave->showNormal();
    wave->raise();
    wave->activateWindow();
    // The page's current measuring mode, also when it was changed without being stored yet. The
    // check runs quietly: opening a view is no moment for messages about other fields.
    CTabHead* page = HeadPage(head);
    const int silent = IsMessageSilent();
    SetMessageSilent(1);
    page->CheckPage(0);
    SetMessageSilent(silent);
    HeadSetting record = page->Record();
    page->StorePage(record);
    wave->SetHeadMode(record.HdMsrMode);
}

void CTR52Dlg::EnableWaveWindows(bool enable) {
    for (int id : {IDC_WAVE_A, IDC_WAVE_B}) {
        if (CDrawnButton* b = Button(id)) b->setEnabled(enable);
    }
    for (int id : {ID_WAVE_A, ID_WAVE_B}) {
        if (QAction* a = MenuAction(id)) a->setEnabled(enable);
    }
    for (auto& wave : m_wave) {
        if (wave) wave->EnableStart(enable);
    }
}

bool CTR52Dlg::StopWaveWindows(bool wait, bool markRestart) {
    bool any = false;
    for (size_t head = 0; head < m_wave.size(); ++head) {
        CWave* wave = m_wave[head].get();
        if (wave == nullptr || wave->IsIdle()) continue;
        any = true;
        if (markRestart) m_waveRestart[head] = true;
        wave->StopAcquisition(wait);
    }
    return any;
}

void CTR52Dlg::RestartWaveWindows() {
    for (size_t head = 0; head < m_wave.size(); ++head) {
        if (!m_waveRestart[head]) continue;
        m_waveRestart[head] = false;
        if (m_wave[head] && m_wave[head]->IsIdle()) m_wave[head]->StartAcquisition();
    }
}

void CTR52Dlg::HandPcCommToWaveWindows() {
    for (auto& wave : m_wave) {
        if (wave) wave->SetCommunication(m_settings.PcComm);
    }
}

void CTR52Dlg::StoreWaveRecords() {
    for (size_t head = 0; head < m_wave.size(); ++head) {
        if (!m_wave[head]) continue;
        char letter = 0;
        int scale = 0;
        m_wave[head]->GetHeadAndScale(letter, scale);
        m_settings.WaveView[head].HeadLetter = letter;
        m_settings.WaveView[head].InitialXScale = scale;
    }
}

void CTR52Dlg::SaveWavePlacements() {
    for (auto& wave : m_wave) {
        if (wave) wave->SavePlacement();
    }
}
