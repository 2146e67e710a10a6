#pragma once
// CDataStorage: the modal window "データストレージ" (dialog 157). It starts, stops and clears the
// controller's data storage, shows its state (polled by CStorageStatusThread), reads the stored
// values out into four data slots, plots the slots in a CGraph with cursors A and B and the
// cursor information list, and loads and saves slots as data files. The plotting rules live in
// CStorageDisplay; this class is the shell that forwards buttons, keys and messages to it.
//
// The main window runs it with a copy of the settings, the active program, itself with its
// request message and the command object, and takes back the four slot header records.
#include <QBasicTimer>
#include <QDialog>
#include <array>
#include <memory>
#include <string>

#include "settings/SettingsBlock.h"
#include "storage/GraphStorageChart.h"
#include "storage/StorageData.h"
#include "storage/StorageDisplay.h"
#include "storage/StorageReadout.h"
#include "storage/StorageStatusThread.h"
#include "storage/StorageWindowSink.h"
#include "windowing/WidgetMessageWindow.h"

class CCommand;
class CDrawnButton;
class CStorageGraphHead;
class CGraph;
class QFrame;
class QLabel;
class QPushButton;
class QTableWidget;

class CDataStorage : public QDialog {
    Q_OBJECT
public:
    // Control identifiers of dialog 157.
    enum : int {
        IDC_CLOSE = 2,
        IDC_STOP = 3,
        IDC_HELP = 4,
        IDC_SAVE = 5,
        IDC_LOAD = 6,
        IDC_CLEAR = 10,
        IDC_SETTINGS = 11,
        IDC_READOUT = 12,
        IDC_SIDE_BY_SIDE = 13,
        IDC_OVERLAID = 14,
        IDC_ZOOM_IN_V = 15,
        IDC_ZOOM_OUT_V = 16,
        IDC_ZOOM_IN_H = 17,
        IDC_ZOOM_OUT_H = 18,
        IDC_AUTO_SCALE = 19,
        IDC_MOVE_UP = 20,
        IDC_MOVE_DOWN = 21,
        IDC_CURSOR_HIDE = 22,
        IDC_CURSOR_A = 24,
        IDC_CURSOR_B = 25,
        IDC_CURSOR_AB = 26,
        IDC_CURSOR_LIST = 1083,
        IDC_CHART = 1130,
        IDC_START = 1140,
        IDC_STATUS = 1170,
        IDC_HEADERS = 1192,
    };
    // Messages of the slot headers and of the chart.
    static constexpr unsigned kHeaderMessage = 1025;
    static constexpr unsigned kChartMessage = 1026;
    // The cursors are white.
    static constexpr uint32_t kCursorColour = 0xFFFFFF;

    // `owner` receives `requestMessage` (the transfers the storage settings ask for).
    CDataStorage(const SettingsBlock& settings, int activeProgram, QObject* owner, unsigned requestMessage,
                 CCommand* command, QWidget* parent = nullptr);
    ~CDataStorage() override;

    // --- what the main window takes back ------------------------------------------------------
    const SettingsBlock& Settings() const { return m_settings; }
    int ActiveProgram() const { return m_activeProgram; }
    // The four slot header records as the headers hold them.
    std::array<StorageGraphSetting, qda::kStorageSlots> GraphRecords() const;

    // --- the buttons' actions ------------------------------------------------------------------
    void OnStart();
    // True when the storage is stopped (or was not storing).
    bool OnStop();
    void OnClear();
    void OnReadout();
    void OnStorageSettings();
    void OnLoad();
    void OnSave();
    void OnHelp();
    // The close button (also Esc and the title bar): stops the worker, saves the placement, ends.
    void OnClose();

    // --- state, for tests ----------------------------------------------------------------------
    const CStorageData& Slot(int slot) const { return m_slots[static_cast<size_t>(slot)]; }
    qda::CStorageDisplay& Display() { return *m_display; }
    CGraph* Chart() const { return m_chart; }
    CDrawnButton* Button(int id) const;
    QTableWidget* CursorList() const { return m_list; }
    CStorageGraphHead* Header(int slot) const { return m_heads[static_cast<size_t>(slot)]; }
    QString StatusLine() const;
    bool Storing() const { return m_storing; }
    bool WorkerRunning() const { return m_worker != nullptr; }
    bool WorkerHoldsPort() const { return m_worker != nullptr && m_worker->PortHeld(); }

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;
    void accept() override {}

private:
    // Construction and layout (DataStorage.cpp).
    void BuildControls();
    void BuildCursorList();
    void LayOut();
    void OnCommand(int id);
    bool HandleKey(QKeyEvent* key, bool press);
    void UpdateButtons();

    // The controller (DataStorageControl.cpp).
    void OpenLink();
    // The port reference of a finished action: given back when the worker holds its own, else
    // handed to the worker so that it polls again.
    void HandOverPort();
    void OnWorkerMessage(std::uintptr_t wParam, std::intptr_t lParam);
    void OnOutValues(int out, bool success);
    void StopWorker();

    // The chart (DataStorageChart.cpp).
    bool CreateChart();
    void OnPlotButton(int id);
    void PressPlotButton(int repeatButton);
    void KeyPressPlotButton(int repeatButton);
    void RunPlotAction(int repeatButton);
    void ChooseCursors(qda::CursorChoice choice);
    void ShowCursorChoice();
    void OnChartNotify(std::uintptr_t code);
    void RefreshList();
    void ApplyRecords();
    // A slot header's notice (message 1025).
    void OnHeaderMessage(std::uintptr_t wParam, std::intptr_t lParam);
    void RefreshHeaderLimits();

    // The data files (DataStorageFiles.cpp).
    bool CheckSlotName(int slot);

    SettingsBlock m_settings{};
    int m_activeProgram = 0;
    QObject* m_owner = nullptr;
    unsigned m_requestMessage = 0;
    CCommand* m_command = nullptr;
    qda::WidgetMessageWindow m_messageWindow;

    std::array<CStorageData, qda::kStorageSlots> m_slots;
    std::array<StorageGraphSetting, qda::kStorageSlots> m_records{};
    bool m_chartReady = false;
    CGraph* m_chart = nullptr;
    std::unique_ptr<qda::GraphStorageChart> m_chartLink;
    std::unique_ptr<qda::CStorageDisplay> m_display;  // made once the chart exists
    std::unique_ptr<qda::StorageWindowSink> m_sink;
    std::unique_ptr<CStorageStatusThread> m_worker;
    bool m_storing = false;
    // The readout under way: which OUT goes to which slot, its title and done flag.
    int m_readoutChoice = 0;
    std::array<int, 2> m_destination{0, 1};
    qda::ReadoutStatus m_readoutStatus;
    // A requested OUT's answer could not fill its slot: the end of the readout says it failed.
    bool m_readoutRejected = false;
    QString m_lastPath;
    bool m_closing = false;

    QBasicTimer m_repeatTimer;
    // The mouse press of a plot button acted; its command at the release is skipped.
    std::array<bool, qda::kRepeatButtonCount> m_actedOnPress{};
    bool m_upHeld = false;
    bool m_downHeld = false;

    CDrawnButton* m_start = nullptr;
    CDrawnButton* m_stop = nullptr;
    CDrawnButton* m_clear = nullptr;
    std::array<CDrawnButton*, qda::kRepeatButtonCount> m_repeatButtons{};
    CDrawnButton* m_sideBySide = nullptr;
    CDrawnButton* m_overlaid = nullptr;
    CDrawnButton* m_autoScale = nullptr;
    std::array<CDrawnButton*, 4> m_cursorButtons{};  // hide, A, B, A and B
    QPushButton* m_settingsButton = nullptr;
    QPushButton* m_readout = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_help = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_listLabel = nullptr;
    QTableWidget* m_list = nullptr;
    QWidget* m_headers = nullptr;
    std::array<CStorageGraphHead*, qda::kStorageSlots> m_heads{};
    std::array<QFrame*, 2> m_separators{};
};
