#pragma once
// CTabCommon: the page that edits the common record of the selected program (sampling, strobe,
// judgement output form, data storage), shows the effective storage period and the strobe note,
// and copies and pastes common records through the copy buffer.
#include "pages/SettingsPage.h"
#include "settings/SettingsBlock.h"

class CTabCommon : public CSettingsPage {
    Q_OBJECT
public:
    enum : int {
        IDC_SAMPLING = 1073,
        IDC_INTERFERENCE = 1018,
        IDC_SYNC = 1019,
        IDC_STROBE = 1020,
        IDC_OUTSTYLE = 1074,
        IDC_DS_TARGET = 1080,
        IDC_DS_POINTS = 1078,
        IDC_DS_FACTOR = 1077,
        IDC_DS_PERIOD = 1193,
        IDC_STROBE_NOTE = 1201,
        IDC_COPY = 1075,
        IDC_PASTE = 1076,
    };

    explicit CTabCommon(QWidget* parent = nullptr);

    // Takes a copy of `common` and the hold modes of OUT1 and OUT2 of the same program.
    void LoadPage(QObject* mainWindow, const CommonSetting& common, int out1HoldMode, int out2HoldMode);
    // Copies the page's record to `destination`.
    void StorePage(CommonSetting& destination) const;
    // Sets every control from the page's record, the period text and the enables.
    void RefreshPage();
    // Reads the controls and checks the record; 1 pass, 0 fail (with its message and focus).
    int CheckPage();

    const CommonSetting& Record() const { return m_common; }
    QString PeriodText() const;
    bool IsStrobeNoteShown() const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void UpdatePeriodText();
    void UpdateEnables();
    void OnCopy();
    void OnPaste();

    CommonSetting m_common{};
    QObject* m_mainWindow = nullptr;
    int m_out1Hold = 0;
    int m_out2Hold = 0;
};
