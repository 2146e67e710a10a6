// CTR52Dlg: the measured-value window: created hidden with the main window, shown and hidden by
// button 1003, menu item 32774 and F5, told the link settings and the busy state, stopped for
// a change of the link, and asked for its record and placement at exit.
#include <QAction>

#include "app/TR52Dlg.h"
#include "monitor/Calc.h"
#include "monitor/Scaling.h"
#include "pages/DrawnButton.h"
#include "pages/ScalingRequest.h"

void CTR52Dlg::CreateCalcWindow() {
    // Modeless and without owner, so that it stays usable beside the main window.
    m_calc = std::make_unique<CCalc>();
    m_calc->SetConnection(m_settings.CalcView, m_settings.PcComm, &m_command);
    m_calc->LoadPlacement();
    m_calcToolWindow = std::make_unique<qda::WidgetMessageWindow>(m_calc.get());
}

void CTR52Dlg::OnCalcWindow() {
    if (!m_calc) return;
    if (m_calc->isVisible()) {
        // The window's own close command (identifier 2): it stops its worker and saves its place.
        CCalc* calc = m_calc.get();
        QMetaObject::invokeMethod(
            calc, [calc] { calc->reject(); }, Qt::QueuedConnection);
        return;
    }
    m_calc->SetCommunication(m_settings.PcComm);
    m_calc->showNormal();
    m_calc->raise();
    m_calc->activateWindow();
}

void CTR52Dlg::EnableCalcWindow(bool enable) {
    if (CDrawnButton* b = Button(IDC_CALC)) b->setEnabled(enable);
    if (QAction* a = MenuAction(ID_CALC)) a->setEnabled(enable);
    if (m_calc) m_calc->EnableControls(enable);
}

bool CTR52Dlg::StopCalcWindow(bool wait, bool markRestart) {
    if (!m_calc || m_calc->IsIdle()) return false;
    if (markRestart) m_calcRestart = true;
    m_calc->StopAcquisition(wait);
    return true;
}

void CTR52Dlg::RestartCalcWindow() {
    if (!m_calcRestart) return;
    m_calcRestart = false;
    if (m_calc && m_calc->IsIdle()) m_calc->StartAcquisition();
}

void CTR52Dlg::HandPcCommToCalcWindow() {
    if (m_calc) m_calc->SetCommunication(m_settings.PcComm);
}

void CTR52Dlg::StoreCalcRecord() {
    if (m_calc) m_settings.CalcView = m_calc->ViewRecord();
}

void CTR52Dlg::SaveCalcPlacement() {
    if (m_calc) m_calc->SavePlacement();
}

void CTR52Dlg::InstallScalingRunner() {
    qda::SetScalingRunner([](qda::ScalingRequest& r) {
        CScaling dialog(r.out, r.values, r.unit, r.mmDigits, r.inchDigits, r.pcComm, r.command, r.parent);
        if (dialog.exec() != QDialog::Accepted) return false;
        r.values = dialog.Values();
        return true;
    });
}
