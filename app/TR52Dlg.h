#pragma once
// CTR52Dlg: the main window. It owns the settings image of all 8 programs and its reference copy,
// hosts the six settings pages in a tab control, lets the operator pick the program being edited,
// and carries every top-level command: receive and send, open and save, copy, paste and
// initialise programs, the environment and PC communication dialogs, help, version information
// and exit; it shows and hides the two waveform windows and the measured-value window, runs
// the data storage window, and runs the scaling dialog for the OUT pages.
#include <QDialog>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comm/Command.h"
#include "settings/RegistryState.h"
#include "settings/SettingsBlock.h"
#include "windowing/WidgetMessageWindow.h"

class CDrawnButton;
class CWave;
class CCalc;
class CDrawnTab;
class CTabHead;
class CTabOut;
class CTabCommon;
class CTabList;
class QAction;
class QMenuBar;
class QRect;
class QWidget;

namespace qda {
class IMainWindowDialogs;
class PictureHolder;
struct MainTransfer;
}  // namespace qda

class CTR52Dlg : public QDialog {
    Q_OBJECT
public:
    // Control identifiers of dialog 102.
    enum : int {
        IDC_RECEIVE = 1000,
        IDC_PROGRAM0 = 1001,
        IDC_SEND = 1002,
        IDC_CALC = 1003,
        IDC_WAVE_A = 1004,
        IDC_WAVE_B = 1005,
        IDC_STORAGE = 1006,
        IDC_PROGRAM1 = 1007,  // 1007..1013: No.1..No.7
        IDC_ENVIRONMENT = 1014,
        IDC_TAB = 1015,
        IDC_COPY = 1016,
        IDC_PASTE = 1017,
        IDC_OPEN = 1018,
        IDC_SAVE = 1019,
        IDC_EXIT = 1020,
        IDC_HELP = 1021,
        IDC_INIT = 1022,
        IDC_INIT_ALL = 1023,
        IDC_MARKER0 = 1084,  // 1084..1091
        IDC_PROGRAM_FRAME = 1207,
        IDC_DUMP = 1213,
    };
    // Menu command identifiers.
    enum : int {
        ID_EXIT = 32771,
        ID_WAVE_A = 32772,
        ID_WAVE_B = 32773,
        ID_CALC = 32774,
        ID_STORAGE = 32775,
        ID_SEND = 32776,
        ID_RECEIVE = 32777,
        ID_PCCOMM = 32778,
        ID_HELP = 32779,
        ID_ABOUT = 32780,
        ID_FILE_OPEN = 57601,
        ID_FILE_SAVE = 57603,
        ID_SYS_ABOUT = 16,
    };

    struct Options {
        qda::IRegistryStore* store = nullptr;        // the saved state; nullptr: none
        qda::IMainWindowDialogs* dialogs = nullptr;  // nullptr: the real dialogs
        int splashMilliseconds = 2000;
        int languageIndex = 1;  // LANG_JP 1, LANG_US 2, LANG_DE 3
        QString helpRoot;       // folder holding JP/, US/, DE/
        QString versionText;    // "1.00"
        QString commandLine;    // the raw command line
    };

    explicit CTR52Dlg(const Options& options, QWidget* parent = nullptr);
    ~CTR52Dlg() override;

    // --- operations offered to the pages and the transfers --------------------------------
    int GetSelectedProgram() const;
    // `user`: the program button or Alt+digit (commits and checks the shown program first).
    // False when the user form's checks refused the change.
    bool SelectProgram(bool user, int index);
    // Checks every page in order (stopping at the first failure) and stores them into the
    // selected program. `headForm` is the head pages' check form. False: the failing page told.
    bool CommitPages(int headForm = 1);
    void ResetProgram(int index);
    void EnableCommands(bool enable);
    void UpdatePasteButton();
    // Current list text of the selected program, the reference text, and the list page.
    void RebuildListPage();
    // Builds both list texts of the selected program and refreshes the list page.
    void UpdateListPage();

    // --- commands (public for the keyboard routine and tests) ------------------------------
    void OnReceive();
    void OnSend();
    void OnCopy();
    void OnPaste();
    void OnInitialise();
    void OnInitialiseAll();
    void OnOpen();
    // Loads a settings file and adopts it; false with message 323 or 383.
    bool LoadSettingsFile(const QString& path);
    // Commits the pages and runs save-as; true when the file was written.
    bool OnSave();
    void OnEnvironment();
    void OnPcComm();
    void OnHelp();
    // Opens `document` ("QD-AtlasHead.pdf") in the help folder of the language; message 371 when
    // it is missing. Also the opener of the option dialogs' help requests (F1).
    void OpenHelpDocument(const std::string& document);
    void OnAbout();
    void OnExit();
    // Moves the tab selection (Ctrl+Left/Right) and runs the selection-changed step.
    void MoveTab(int step);
    // Buttons 1004/1005, menu items 32772/32773, F6/F7: shows the waveform window of head 0 (A)
    // or 1 (B), or closes it when it is shown.
    void OnWaveWindow(int head);
    // Button 1003, menu item 32774, F5: shows the measured-value window, or closes it when shown.
    void OnCalcWindow();
    // Button 1006, menu item 32775, F8: checks the pages and runs the data storage window.
    void OnStorageWindow();

    // --- state for tests and the transfers --------------------------------------------------
    const SettingsBlock& Settings() const { return m_settings; }
    SettingsBlock& MutableSettings() { return m_settings; }
    const SettingsBlock& SettingsRef() const { return m_settingsRef; }
    int CurrentTab() const { return m_nCurTab; }
    int ShownProgram() const { return m_nShownProgram; }
    bool StartupPending() const { return m_bStartupPending; }
    const QString& FilePath() const { return m_strFilePath; }
    bool TransferRunning() const;
    CCommand& Command() { return m_command; }
    CWave* WaveWindow(int head) const { return m_wave[head == 1 ? 1 : 0].get(); }
    CCalc* CalcWindow() const { return m_calc.get(); }
    // The pages (a page not built yet is built, loaded and refreshed first).
    CTabHead* HeadPage(int head) const;
    CTabOut* OutPage(int out) const;
    CTabCommon* CommonPage() const;
    CTabList* ListPage() const;
    QWidget* Page(int index) const;
    CDrawnTab* Tab() const { return m_tab; }
    CDrawnButton* Button(int id) const;
    QAction* MenuAction(int id) const;
    // True once the dialog has ended through exit.
    bool Ended() const { return m_ended; }

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    // Enter and Esc do nothing in the main window.
    void accept() override {}
    void reject() override {}

private:
    void BuildControls();
    void BuildMenu();
    void LoadPagesFromProgram(int program);
    void RefreshPages();
    void ShowPage(int index);
    // Builds page `index` when it does not exist yet: placed in the tab's display area and in the
    // focus chain after the pages before it, enabled as the others, then loaded with the calls it
    // was given meanwhile and refreshed.
    QWidget* EnsurePage(int index);
    // Runs `call` on page `index` now when it exists, else keeps it for when it is built;
    // `replaces` drops the calls kept so far (a load that sets everything they set).
    void CallPage(int index, bool replaces, std::function<void()> call);
    QRect PageArea() const;
    void PlaceInFocusChain(int index);
    void OnTabChanging(bool* refuse);
    void OnTabChanged();
    // Check and store of the page `tab` into the selected program; false with its message.
    bool CheckAndStorePage(int tab);
    // Runs the check of page `tab` (head pages with `headForm`); 1 pass.
    int CheckPage(int tab, int headForm);
    void StorePage(int tab);
    bool TransparencyCheck(int program);
    void OnCommand(int id);
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    void RestoreSavedState();
    void StartupAction();
    // Defaults everywhere (start-up fallbacks); `windowRecords` also resets the window records.
    void ResetToDefaults(bool windowRecords);
    void AdoptImage(const SettingsBlock& image, int program);
    std::string ListText(const SettingsBlock& block, int program) const;
    void HandPcCommToWindows();
    QString SettingsFileFilter() const;
    void SaveRegistryState();
    bool SaveAs();

    // The waveform windows (TR52DlgWave.cpp).
    void CreateWaveWindows();
    void EnableWaveWindows(bool enable);
    // Tells acquiring windows to stop (waiting for their workers with `wait`); true when one was
    // acquiring. `markRestart` notes them for RestartWaveWindows.
    bool StopWaveWindows(bool wait, bool markRestart = false);
    void RestartWaveWindows();
    void HandPcCommToWaveWindows();
    // The head letters and initial horizontal scales into the settings image's window records.
    void StoreWaveRecords();
    void SaveWavePlacements();

    // The measured-value window (TR52DlgCalc.cpp), as the waveform windows above.
    void CreateCalcWindow();
    void EnableCalcWindow(bool enable);
    bool StopCalcWindow(bool wait, bool markRestart = false);
    void RestartCalcWindow();
    void HandPcCommToCalcWindow();
    void StoreCalcRecord();
    void SaveCalcPlacement();
    // The scaling dialog the OUT pages' "測定データから設定(&G)" runs.
    void InstallScalingRunner();
    // The data storage window (TR52DlgStorage.cpp): the page checks before it opens.
    bool CheckPagesForStorage();

    // Transfers (TR52DlgTransfer.cpp).
    void OnTransferDone(int kind, bool success);
    std::intptr_t OnSynchronousSend();
    // The data storage window's transfers: 0 send `image`, 1 receive into `image`, 2 the selected
    // program. The result as the message's result.
    std::intptr_t OnTransferRequest(int operation, SettingsBlock* image);
    void OnControllerError(int code);
    void InitialiseController();
    void ReceiveStartupFallback();

    Options m_options;
    std::unique_ptr<qda::IMainWindowDialogs> m_ownDialogs;
    qda::IMainWindowDialogs* m_dialogs = nullptr;
    qda::WidgetMessageWindow m_messageWindow;

    SettingsBlock m_settings{};
    SettingsBlock m_settingsRef{};
    int m_nCurTab = 0;
    int m_nShownProgram = 0;
    QString m_strFilePath;
    bool m_bStartupPending = true;
    std::string m_strRefListText;
    SettingsBlock m_refTextBlock{};  // the reference copy m_strRefListText was built from
    int m_refTextProgram = -1;
    bool m_refTextValid = false;
    bool m_listTextsStale = true;
    bool m_startupDone = false;
    bool m_ended = false;

    CCommand m_command;
    // The waveform windows of head A and B: created hidden with the main window, shown and hidden
    // by command; a window stopped for a send over RS-232C is restarted after it.
    std::array<std::unique_ptr<CWave>, 2> m_wave;
    std::array<std::unique_ptr<qda::WidgetMessageWindow>, 2> m_waveToolWindow;
    std::array<bool, 2> m_waveRestart{};
    // The measured-value window, likewise.
    std::unique_ptr<CCalc> m_calc;
    std::unique_ptr<qda::WidgetMessageWindow> m_calcToolWindow;
    bool m_calcRestart = false;
    std::unique_ptr<qda::MainTransfer> m_receive;
    std::unique_ptr<qda::MainTransfer> m_send;

    QMenuBar* m_menu = nullptr;
    CDrawnTab* m_tab = nullptr;
    CTabHead* m_headA = nullptr;
    CTabHead* m_headB = nullptr;
    CTabOut* m_out1 = nullptr;
    CTabOut* m_out2 = nullptr;
    CTabCommon* m_common = nullptr;
    CTabList* m_list = nullptr;
    std::array<QWidget*, 6> m_pages{};
    // Calls made to a page before it was built, replayed when it is.
    std::array<std::vector<std::function<void()>>, 6> m_pendingCalls{};
    bool m_pagesEnabled = true;
    std::array<CDrawnButton*, 8> m_programButtons{};
    std::array<qda::PictureHolder*, 8> m_markers{};
    QWidget* m_programFrame = nullptr;
};
