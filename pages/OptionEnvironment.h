#pragma once
// COptionEnvironment: the modal dialog that edits the controller's environment record. The unit
// setting is shown only in extended mode; changing it asks first, since every setting but the
// environment is initialised afterwards.
#include <QDialog>

#include "settings/SettingsBlock.h"
#include "settings/ValidationFocus.h"
#include "windowing/WidgetMessageWindow.h"

class COptionEnvironment : public QDialog, public qda::IValidationFocus {
    Q_OBJECT
public:
    enum : int {
        IDC_BAUDRATE = 1108,
        IDC_PARITY = 1109,
        IDC_AUTOTRANS = 1110,
        IDC_ECO = 1111,
        IDC_PANELLOCK = 1112,
        IDC_PRGCHANGE = 1113,
        IDC_UNIT = 1114,
        IDC_UNIT_LABEL = 1115,
    };

    explicit COptionEnvironment(QWidget* parent = nullptr);
    ~COptionEnvironment() override;

    // The record to edit; `extended` shows the unit setting. Selects the combos from the record.
    void SetRecord(const EnvironmentSetting& env, bool extended);
    // The record (after OK: as edited) and whether the operator changed the unit.
    const EnvironmentSetting& Record() const { return m_env; }
    bool UnitChanged() const { return m_unitChanged; }
    int LastFocusId() const { return m_lastFocusId; }

    void FocusControl(int dialogId, int controlId, bool selectText) override;
    // OK: reads the combos, asks about a unit change, checks the record; closes only when it passes.
    void accept() override;

protected:
    // F1 asks for the help document of this dialog.
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent*) override;

private:
    EnvironmentSetting m_env{};
    bool m_extended = false;
    bool m_unitChanged = false;
    int m_lastFocusId = -1;
    qda::WidgetMessageWindow m_messageWindow;
};
