#pragma once
// CScaling: the modal dialog "スケーリング設定" that sets the two-point scaling of one OUT from
// live measurements. Its worker (RunScalingThread) reads the value of each head every 300 ms
// while the controller is in setting mode; "セット" copies a head's live value into its input
// edit; OK checks the eight numbers and the gain and hands them back. The opener has put the
// controller into setting mode; the worker returns it to measuring mode when the dialog closes.
#include <QDialog>
#include <array>
#include <thread>

#include "monitor/ScalingCheck.h"
#include "monitor/ScalingThread.h"
#include "settings/SettingsBlock.h"

class CCommand;
class QLabel;
class QLineEdit;
class QPushButton;

class CScaling : public QDialog {
    Q_OBJECT
public:
    // Control identifiers: per head (A, then B) the live value, the four edits and the two "セット"
    // buttons; OK and cancel.
    enum : int {
        IDOK = 1,
        IDCANCEL = 2,
        IDC_A_LIVE = 1400,
        IDC_A_IN1 = 1401,
        IDC_A_OUT1 = 1402,
        IDC_A_IN2 = 1403,
        IDC_A_OUT2 = 1404,
        IDC_A_SET1 = 1405,
        IDC_A_SET2 = 1406,
        IDC_B_LIVE = 1410,
        IDC_B_IN1 = 1411,
        IDC_B_OUT1 = 1412,
        IDC_B_IN2 = 1413,
        IDC_B_OUT2 = 1414,
        IDC_B_SET1 = 1415,
        IDC_B_SET2 = 1416,
    };

    // `out` 0 OUT1, 1 OUT2; `values` the OUT's scaling in internal units ([head][in1, out1, in2,
    // out2]); `unit`, `mmDigits`, `inchDigits` the OUT's unit row.
    CScaling(int out, const qda::ScalingValueSet& values, int unit, int mmDigits, int inchDigits,
             const PcCommSetting& pcComm, CCommand* command, QWidget* parent = nullptr);
    ~CScaling() override;

    // With OK: the eight values the operator confirmed.
    const qda::ScalingValueSet& Values() const { return m_values; }
    // The live value shown for `head` (kNoValue while none).
    int32_t LiveValue(int head) const { return m_live[head == 1 ? 1 : 0]; }
    bool WorkerRunning() const { return m_worker.joinable(); }

    void accept() override;
    void reject() override;

signals:
    // A new reading of the live values has been shown.
    void readingShown();

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void StartWorker();
    void StopWorker();
    void OnWorkerMessage(uintptr_t wParam, intptr_t lParam);
    void ShowLive();
    void OnSet(int head, int field);

    const int m_out;
    qda::ScalingValueSet m_values;
    const int m_unit;
    const int m_mm;
    const int m_inch;
    PcCommSetting m_pcComm;
    CCommand* m_command;
    bool m_started = false;
    bool m_portOpen = false;
    std::array<int32_t, 2> m_live{};
    qda::ScalingThreadParam m_param;
    std::thread m_worker;

    std::array<QLabel*, 2> m_liveLabel{};
    std::array<std::array<QLineEdit*, 4>, 2> m_edit{};
};
