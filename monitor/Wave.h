#pragma once
// CWave: the modeless window "ヘッド%c受光波形表示" (dialog 155) that shows the received-light
// waveform of one sensor head. While acquisition runs its worker (CWaveThread) asks the controller
// for a fresh waveform about every 200 ms (USB) or 300 ms (RS-232C); the window plots it in a
// CGraph with the light peaks, the Near and Far marks, the zoom and move buttons with auto-repeat,
// an optional frozen overlay, the ROVA peak choice of "透明体2" heads and a bitmap copy.
// The main window owns two, for head A and head B, and only shows and hides them.
#include <QBasicTimer>
#include <QDialog>
#include <array>
#include <memory>

#include "comm/ControllerReplies.h"
#include "monitor/WaveDrawing.h"
#include "monitor/WaveThread.h"
#include "monitor/WaveView.h"
#include "settings/SettingsBlock.h"

class CCommand;
class CDrawnButton;
class CGraph;
class CGraphCanvas;
class QFrame;
class QLabel;
class QPushButton;
namespace qda {
class GraphPainter;
class PictureHolder;
}  // namespace qda

class CWave : public QDialog {
    Q_OBJECT
public:
    // Control identifiers of dialog 155.
    enum : int {
        IDC_CLOSE = 2,
        IDC_COPY = 3,
        IDC_OVERLAY = 4,
        IDC_HELP = 1021,
        IDC_HEAD_PICTURE = 1120,
        IDC_ZOOM_IN_H = 1123,
        IDC_ZOOM_OUT_H = 1124,
        IDC_ZOOM_IN_V = 1125,
        IDC_ZOOM_OUT_V = 1126,
        IDC_MOVE_UP = 1127,
        IDC_MOVE_DOWN = 1128,
        IDC_PEAK1 = 1129,
        IDC_CHART = 1130,
        IDC_PEAK2 = 1131,
        IDC_PEAK3 = 1132,
        IDC_PEAK4 = 1133,
        IDC_START = 1140,
        IDC_MODEL = 1173,
        IDC_STRIP = 1206,
    };
    // The chart's notification message.
    static constexpr unsigned kChartMessage = 1026;
    // Trace colours (0x00BBGGRR): the current waveform yellow, the overlay 0x80FF00.
    static constexpr uint32_t kWaveColour = 0x00FFFF;
    static constexpr uint32_t kOverlayColour = 0x80FF00;

    explicit CWave(QWidget* parent = nullptr);
    ~CWave() override;

    // --- operations of the main window ------------------------------------------------------
    // The head letter ('A' or 'B') with the initial horizontal scale stored from the last run,
    // the PC communication settings and the command object; before the window is first shown.
    void SetConnection(char headLetter, int initialScale, const PcCommSetting& pcComm, CCommand* command);
    void SetCommunication(const PcCommSetting& pcComm);
    // The head letter and the current initial horizontal scale (0 while not known).
    void GetHeadAndScale(char& headLetter, int& initialScale) const;
    // The head's measuring mode (0..4, the head page's list).
    void SetHeadMode(int mode);
    // Restores the placement stored as WAVE_A or WAVE_B and refreshes the buttons.
    void LoadPlacement();
    // Saves the placement as WAVE_A or WAVE_B, once the window has been shown in this run (a
    // window never shown keeps the placement of the run that showed it).
    void SavePlacement();
    void EnableStart(bool enable);
    // Presses the start button and acts as if it had been clicked.
    void StartAcquisition();
    // Asks the worker to stop; with `wait`, dispatches events until it has ended.
    void StopAcquisition(bool wait);
    // True when no worker runs.
    bool IsIdle() const { return m_worker == nullptr; }
    // The close button (identifier 2), also Esc: stops acquisition, saves the placement, hides.
    void reject() override;

    // --- state, for the main window and tests ----------------------------------------------
    char HeadLetter() const { return m_headLetter; }
    int HeadMode() const { return m_headMode; }
    int PeakSelection() const { return m_peakSelection; }
    bool DataValid() const { return m_dataValid; }
    bool OverlayOn() const { return m_overlayOn; }
    const qda::CWaveView& View() const { return m_view; }
    const qda::WaveReply& LastReply() const { return m_lastReply; }
    int SampleCount() const { return m_sampleCount; }
    // When the reply of the waveform shown last had arrived (steady clock, ns).
    int64_t LastArrivalNs() const { return m_lastArrivalNs; }
    CGraph* Chart() const { return m_chart; }
    CDrawnButton* Button(int id) const;
    // The registry name of the placement ("WAVE_A", "WAVE_B").
    std::string PlacementName() const;

signals:
    // A new waveform has been accepted and drawn.
    void waveformAccepted();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void accept() override {}

private:
    // Construction and layout (Wave.cpp).
    void BuildControls();
    void LayOut();
    void SetCaption();
    void OnCommand(int id);
    bool HandleKey(QKeyEvent* key, bool press);
    void OnClose();
    void OnHelp();
    void UpdateButtons();
    void UpdateAccessibleText();

    // Acquisition (WaveAcquisition.cpp).
    void OnStart();
    void OnPause();
    void OnWorkerMessage(uintptr_t wParam, intptr_t lParam);
    void AcceptWaveform();
    void SetStartButton(bool acquiring);
    bool Acquiring() const;

    // Chart (WaveChart.cpp).
    bool CreateChart();
    void ResetChart();
    void LoadTraces();
    void LoadTrace(int trace);
    void RunAction(qda::WaveAction action);
    void OnActionButton(int id);
    // An action whose button went down (mouse or key): it runs now and repeats while held.
    void PressAction(qda::WaveAction action);
    void KeyPressAction(CDrawnButton* button);
    void OnPeakButton(int peak);
    void OnOverlay();
    void OnCopy();
    void OnChartNotify(uintptr_t code);
    static void DrawCallback(CGraphCanvas* canvas, qda::GraphPainter* painter, void* context);

    char m_headLetter = 'A';
    PcCommSetting m_pcComm{};
    CCommand* m_command = nullptr;
    std::unique_ptr<qda::IWaveformSource> m_source;
    int m_headMode = 0;
    int m_peakSelection = 0;
    qda::CWaveView m_view;
    bool m_overlayOn = false;
    std::array<int32_t, qda::kWaveCapacity> m_samples{};
    std::array<int32_t, qda::kWaveCapacity> m_overlay{};
    int m_sampleCount = 0;
    int m_overlayCount = 0;
    int m_scroll = 0;
    qda::WaveReply m_lastReply{};
    int64_t m_lastArrivalNs = 0;
    bool m_dataValid = false;
    qda::CWaveRepeat m_repeat;
    // The mouse press of the button acted; its command at the release is skipped.
    std::array<bool, qda::kWaveActionCount> m_actedOnPress{};
    QBasicTimer m_repeatTimer;
    std::unique_ptr<qda::CWaveThread> m_worker;
    bool m_chartReady = false;
    bool m_shownThisRun = false;

    CGraph* m_chart = nullptr;
    CDrawnButton* m_start = nullptr;
    std::array<CDrawnButton*, qda::kWaveActionCount> m_actionButtons{};
    std::array<CDrawnButton*, 4> m_peakButtons{};
    QPushButton* m_copy = nullptr;
    QPushButton* m_overlayButton = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_help = nullptr;
    QLabel* m_model = nullptr;
    qda::PictureHolder* m_headPicture = nullptr;
    QWidget* m_strip = nullptr;
    QFrame* m_topSeparator = nullptr;
    QFrame* m_bottomSeparator = nullptr;
};
