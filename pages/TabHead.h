#pragma once
// CTabHead: the page that edits one sensor head's record of the selected program (measuring mode,
// ROVA, installation mode, alarm), draws the measuring-mode picture, tells the main window when the
// measuring mode changes, and copies and pastes head records through the copy buffer.
#include <QString>

#include "pages/SettingsPage.h"
#include "settings/SettingsBlock.h"

class CCommand;

class CTabHead : public CSettingsPage {
    Q_OBJECT
public:
    enum : int {
        IDC_MSRMODE = 1017,
        IDC_PICTURE = 1018,
        IDC_ROVA = 1019,
        IDC_INSTALL = 1020,
        IDC_ROVA_LOWER = 1021,
        IDC_ROVA_UPPER = 1022,
        IDC_ALARM_COUNT = 1027,
        IDC_ALARM_NOTE = 1028,
        IDC_ALARM_LEVEL_TEXT = 1029,
        IDC_ALARM_LEVEL = 1030,
        IDC_ROVA_TUNING = 1052,
        IDC_COPY = 1053,
        IDC_PASTE = 1054,
        IDC_FRAME = 1056,
    };

    explicit CTabHead(QWidget* parent = nullptr);

    // Takes a copy of `head` and the context; `letter` is "A" or "B".
    void LoadPage(QObject* owner, unsigned sendMessage, unsigned modeMessage, const HeadSetting& head,
                  const QString& letter, const PcCommSetting& pcComm, CCommand* command);
    // Copies the page's record to `destination`.
    void StorePage(HeadSetting& destination) const;
    // Sets every control from the page's record, redraws the picture, posts the mode notification.
    void RefreshPage();
    // Reads and checks the controls. Form 1 quietly restores the ROVA range 1..99 when ROVA is AUTO.
    // 1 pass, 0 fail (with its message and focus).
    int CheckPage(int form);
    // Replaces the page's PC communication settings.
    void SetPcComm(const PcCommSetting& pcComm) { m_pcComm = pcComm; }

    const HeadSetting& Record() const { return m_head; }
    QString Letter() const { return m_letter; }

protected:
    void showEvent(QShowEvent*) override;

private:
    void UpdateEnables();
    void OnModeChanged();
    void OnCopy();
    void OnPaste();
    // Runs the ROVA tuning dialog on the opened port and takes a finished tuning's ROVA settings.
    void OnRovaTuning();
    // Checks the text of a ROVA limit edit (step 2/3 of the check); false when the check fails.
    bool CheckRovaText(int id, int form);

    HeadSetting m_head{};
    QString m_letter;
    QObject* m_owner = nullptr;
    unsigned m_sendMessage = 0;
    unsigned m_modeMessage = 0;
    PcCommSetting m_pcComm{};
    CCommand* m_command = nullptr;
    bool m_loaded = false;
    bool m_refreshing = false;
};
