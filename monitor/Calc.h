#pragma once
// CCalc: the modeless window "測定値表示" (dialog 156). While acquisition runs its worker
// (RunCalcThread) polls the controller for the measured values of OUT1 and OUT2 about every
// 300 ms (RS-232C) or 200 ms (USB); the window draws the values with their judgement, timing,
// zero and head lamps, sends auto-zero, reset and timing per OUT or to both at once, and fetches,
// clears and copies the controller's statistics. The main window owns one and only shows and
// hides it.
#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>
#include <thread>

#include "comm/ControllerReplies.h"
#include "monitor/CalcControls.h"
#include "monitor/CalcThread.h"
#include "monitor/StatisticsTable.h"
#include "settings/SettingsBlock.h"

class CCommand;
class CCalcHeadPanel;
class CCalcValuePanel;
class QCheckBox;
class QPushButton;
class QTableWidget;
class QWidget;

class CCalc : public QDialog {
    Q_OBJECT
public:
    // Control identifiers of dialog 156.
    enum : int {
        IDC_CLOSE = 2,
        IDC_HELP = 1021,
        IDC_START = 1300,
        IDC_SHOW_OUT1 = 1301,
        IDC_SHOW_OUT2 = 1302,
        IDC_PANEL_LEFT = 1303,
        IDC_PANEL_RIGHT = 1304,
        IDC_PANEL_HEADS = 1305,
        IDC_ZERO_LEFT = 1310,
        IDC_RESET_LEFT = 1311,
        IDC_TIMING_LEFT = 1312,
        IDC_ZERO_RIGHT = 1313,
        IDC_RESET_RIGHT = 1314,
        IDC_TIMING_RIGHT = 1315,
        IDC_SIMULTANEOUS = 1316,
        IDC_STATISTICS = 1320,
        IDC_STAT_UPDATE = 1321,
        IDC_STAT_CLEAR = 1322,
        IDC_STAT_LIST = 1323,
        IDC_STAT_COPY = 1324,
    };

    explicit CCalc(QWidget* parent = nullptr);
    ~CCalc() override;

    // --- operations of the main window ------------------------------------------------------
    // The window record (which OUTs show, whether the statistics show), the PC communication
    // settings and the command object.
    void SetConnection(const CalcViewSetting& view, const PcCommSetting& pcComm, CCommand* command);
    void SetCommunication(const PcCommSetting& pcComm);
    // The window record as the window stands now.
    CalcViewSetting ViewRecord() const;
    // Restores the placement stored as CALC.
    void LoadPlacement();
    // Saves the placement as CALC once the window has been shown in this run.
    void SavePlacement();
    // Enables or disables the window's controls (a transfer runs while they are disabled).
    void EnableControls(bool enable);
    // Presses the start button and acts as if it had been clicked.
    void StartAcquisition();
    // Asks the worker to stop; with `wait`, dispatches events until it has ended.
    void StopAcquisition(bool wait);
    // True when no worker runs.
    bool IsIdle() const { return !m_worker.joinable(); }
    // The close button (identifier 2), also Esc: stops acquisition, saves the placement, hides.
    void reject() override;

    // --- state, for the main window and tests ----------------------------------------------
    bool ReadingValid() const { return m_readingValid; }
    const qda::MeasuredValues& LastReading() const { return m_reading; }
    // When the reply of the reading shown last had arrived (steady clock, ns).
    int64_t LastArrivalNs() const { return m_lastArrivalNs; }
    const qda::CStatisticsTable& StatisticsTable() const { return m_statistics; }
    bool StatisticsShown() const { return m_statisticsShown; }
    bool OutShown(int out) const { return m_showOut[out == 1 ? 1 : 0]; }
    // The OUT selection the next request uses (255 both, 0 OUT1, 1 OUT2).
    int OutSelection() const { return m_param.outSelection.load(); }
    QWidget* Control(int id) const;

signals:
    // A new reading has been taken and drawn.
    void readingAccepted();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void accept() override {}

private:
    // Construction and layout (Calc.cpp).
    void BuildControls();
    void OnCommand(int id);
    void OnOutCheck(int out, bool checked);
    void ApplyLayout();
    void ShowStatistics(bool show);
    void OnClose();
    void UpdateControls();

    // Acquisition (CalcAcquisition.cpp).
    void OnStart();
    void OnStop();
    bool Acquiring() const { return m_worker.joinable(); }
    void OnWorkerMessage(uintptr_t wParam, intptr_t lParam);
    void TakeReading();
    void ClearDisplay();
    void RefreshDisplay();
    void SetStartButton(bool running);
    void EndWorker();

    // Buttons that talk to the controller (CalcActions.cpp).
    void OnZero(int out, bool on);
    void OnReset(int out);
    void OnTiming(int out);
    void OnSimultaneousTiming();
    void OnStatisticsUpdate();
    void OnStatisticsClear();
    void OnStatisticsCopy();
    void FillStatisticsList();
    int LeftOut() const;

    PcCommSetting m_pcComm{};
    CCommand* m_command = nullptr;
    bool m_showOut[2] = {true, true};
    bool m_statisticsShown = false;
    bool m_controlsEnabled = true;
    bool m_shownThisRun = false;

    // The reading shown: a copy of the worker's reply while `m_readingValid`.
    qda::MeasuredValues m_reading{};
    int64_t m_lastArrivalNs = 0;
    bool m_readingValid = false;
    // Per OUT: bit 7 mirrors the zero button.
    std::array<uint8_t, 2> m_zeroState{};
    qda::CalcThreadParam m_param;
    std::thread m_worker;
    qda::CStatisticsTable m_statistics;

    QPushButton* m_start = nullptr;
    QCheckBox* m_showBox[2] = {nullptr, nullptr};
    CCalcValuePanel* m_panel[2] = {nullptr, nullptr};  // left, right
    CCalcHeadPanel* m_heads = nullptr;
    // [0] left group, [1] right group.
    QPushButton* m_zero[2] = {nullptr, nullptr};
    QPushButton* m_reset[2] = {nullptr, nullptr};
    QPushButton* m_timing[2] = {nullptr, nullptr};
    QString m_timingText[2];
    QPushButton* m_simultaneous = nullptr;
    QWidget* m_rightGroup = nullptr;
    QPushButton* m_statisticsButton = nullptr;
    QWidget* m_statisticsPart = nullptr;
    QTableWidget* m_statList = nullptr;
    QPushButton* m_statUpdate = nullptr;
    QPushButton* m_statClear = nullptr;
    QPushButton* m_statCopy = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_help = nullptr;
};
