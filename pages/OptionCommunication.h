#pragma once
// COptionCommunication: the modal dialog of the PC's own link to the controller (USB or RS-232C,
// port, baud rate, parity). It also shows which device each COM port stands for on this machine.
#include <QDialog>

#include "settings/SettingsBlock.h"
#include "settings/ValidationFocus.h"
#include "windowing/WidgetMessageWindow.h"

class COptionCommunication : public QDialog, public qda::IValidationFocus {
    Q_OBJECT
public:
    enum : int {
        IDC_BAUDRATE = 1108,
        IDC_PARITY = 1109,
        IDC_USB = 1117,
        IDC_RS232C = 1118,
        IDC_PORT = 1119,
        IDC_PORT_PATH = 1120,
    };

    explicit COptionCommunication(QWidget* parent = nullptr);
    ~COptionCommunication() override;

    // The values to edit; selects the radio and the combos and updates the enables.
    void SetRecord(const PcCommSetting& pc);
    // After OK: the values as edited.
    const PcCommSetting& Record() const { return m_pc; }
    int LastFocusId() const { return m_lastFocusId; }

    void FocusControl(int dialogId, int controlId, bool selectText) override;
    // OK: reads the controls and checks them; closes only when the check passes.
    void accept() override;

protected:
    void showEvent(QShowEvent*) override;

private:
    void UpdateEnables();
    void UpdatePortPath();

    PcCommSetting m_pc{};
    int m_lastFocusId = -1;
    qda::WidgetMessageWindow m_messageWindow;
};
