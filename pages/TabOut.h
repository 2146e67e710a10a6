#pragma once
// CTabOut: the page that edits one output's record of the selected program. It edits the calculation
// method and the measurement target itself and hosts three sub-pages for the rest of the 120-byte
// record: measurement and tolerance, scaling and offset, display and analog output.
#include <QString>

#include "pages/SettingsPage.h"
#include "settings/SettingsBlock.h"

class CCommand;
class COutSubPage;
class CTabOutLoadData;
class CTabOutCalcData;
class CTabOutDetailesSetting;

class CTabOut : public CSettingsPage {
    Q_OBJECT
public:
    enum : int {
        IDC_CALC = 1017,
        IDC_TARGET = 1018,
        IDC_PICTURE = 1019,
        IDC_SUB_LOAD = 1031,
        IDC_SUB_CALC = 1032,
        IDC_SUB_DETAILS = 1033,
        IDC_COPY = 1054,
        IDC_PASTE = 1055,
        IDC_FRAME = 1056,
        IDC_ARROW1 = 1100,
        IDC_ARROW2 = 1101,
        IDC_TARGET_LABEL = 1229,
    };

    explicit CTabOut(QWidget* parent = nullptr);

    // Takes a copy of `out` and the context; `digit` is "1" or "2"; `unit` the environment's unit.
    void LoadPage(QObject* mainWindow, unsigned sendMessage, unsigned reloadMessage, const OutSetting& out,
                  const QString& digit, int unit, const PcCommSetting& pcComm, CCommand* command);
    // Lets each sub-page store its controls, then copies the record to `destination`.
    void StorePage(OutSetting& destination);
    // Sets both combos, shows the current sub-page, refreshes the sub-pages, pictures and enables.
    void RefreshPage();
    // Reads the combos, runs the sub-pages' checks and the record check. 1 pass, 0 fail (the failing
    // sub-page visible, its message shown and the field focused).
    int CheckPage();
    // Asked before the main window leaves this page: false when the operator cancels the display
    // unit question.
    bool CanLeave();
    // After a confirmed change of the display unit: the values that depend on it back to their
    // defaults, the copy buffer emptied, the sub-pages reloaded and refreshed.
    void ResetDisplayDependentValues();
    void SetPcComm(const PcCommSetting& pcComm);

    // Makes sub-page `index` (0 measurement/tolerance, 1 scaling, 2 display/analog) visible.
    void ShowSubPage(int index);
    int CurrentSubPage() const { return m_current; }
    // The last failed check's focus target: dialog (134..137) and control.
    int LastFocusDialog() const { return m_lastFocusDialog; }
    void FocusControl(int dialogId, int controlId, bool selectText) override;

    const OutSetting& Record() const { return m_out; }
    CTabOutLoadData* LoadDataPage() const { return m_load; }
    CTabOutCalcData* CalcDataPage() const { return m_calc; }
    CTabOutDetailesSetting* DetailsPage() const { return m_details; }

protected:
    void showEvent(QShowEvent*) override;

private:
    COutSubPage* SubPage(int index) const;
    void LoadSubPages();
    void OnSubPageButton(int index);
    void OnCalcChanged();
    void OnTargetChanged();
    void UpdateEnables();
    void UpdatePictures();
    void OnCopy();
    void OnPaste();

    OutSetting m_out{};
    QString m_digit;
    QObject* m_mainWindow = nullptr;
    unsigned m_sendMessage = 0;
    unsigned m_reloadMessage = 0;
    int m_unit = 0;
    PcCommSetting m_pcComm{};
    CCommand* m_command = nullptr;
    int m_current = 0;
    int m_lastFocusDialog = -1;
    bool m_refreshing = false;
    CTabOutLoadData* m_load = nullptr;
    CTabOutCalcData* m_calc = nullptr;
    CTabOutDetailesSetting* m_details = nullptr;
};
