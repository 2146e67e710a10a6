// CWave: the chart (set-up, traces, drawing callback, scrolling), the zoom and move actions, the
// ROVA peak choice, the overlay and the bitmap copy.
#include <QPushButton>

#include "chart/Graph.h"
#include "chart/GraphCanvas.h"
#include "monitor/Wave.h"
#include "pages/Clipboard.h"
#include "pages/DrawnButton.h"
#include "resources/Messages.h"
#include "resources/StringTable.h"

namespace {

// Sample values are light amounts: the plain-counts display format, no unit on the labels.
constexpr GraphDisplayFormat kLightFormat{2, 6, 6};

constexpr int kMsgAxisTitle = 191;
constexpr int kMsgNear = 384;
constexpr int kMsgFar = 385;

}  // namespace

bool CWave::CreateChart() {
    m_chartReady = m_chart->Create(this, kChartMessage, qda::kWavePlotLeft, qda::kWavePlotTop,
                                   qda::kWavePlotWidth, qda::kWavePlotHeight, 16, 32, 2, 2, 0, 1024) != 0;
    if (!m_chartReady) return false;
    m_chart->SuspendRedraw(1);
    m_chart->SetTraceCapacity(0, qda::kWaveCapacity);
    m_chart->SetMode(0, m_view.VisibleSamples(), 1, 0);
    m_chart->SetDrawCallback(&CWave::DrawCallback, this);
    m_chart->SuspendRedraw(0);
    return true;
}

void CWave::ResetChart() {
    if (!m_chartReady) return;
    m_chart->SuspendRedraw(1);
    m_chart->FreeTrace(0);
    m_chart->SetTraceCapacity(0, qda::kWaveCapacity);
    m_chart->SetMode(0, m_view.VisibleSamples(), 1, 0);
    m_chart->SetDrawCallback(&CWave::DrawCallback, this);
    if (m_overlayOn) {
        // The overlay keeps its frozen waveform across a new start.
        m_chart->SetTraceCapacity(1, qda::kWaveCapacity);
        m_chart->SetTraceProperties(1, 1, std::string(), 0, kOverlayColour);
        LoadTrace(1);
    }
    m_scroll = m_chart->GetScrollSamples();
    m_chart->SuspendRedraw(0);
}

void CWave::LoadTrace(int trace) {
    const bool overlay = trace == 1;
    m_chart->SetTraceData(trace, 0, qda::kWaveCapacity, m_view.Low(), m_view.High(), kLightFormat,
                          overlay ? m_overlayCount : m_sampleCount,
                          overlay ? m_overlay.data() : m_samples.data());
}

void CWave::LoadTraces() {
    if (!m_chartReady) return;
    m_chart->SuspendRedraw(1);
    LoadTrace(0);
    if (m_overlayOn) LoadTrace(1);
    m_chart->SuspendRedraw(0);
}

void CWave::OnActionButton(int id) {
    for (size_t i = 0; i < m_actionButtons.size(); ++i) {
        if (m_actionButtons[i]->ControlId() != id) continue;
        // The command of a mouse click comes when the button is let go; the press acted already.
        if (m_actedOnPress[i]) {
            m_actedOnPress[i] = false;
            return;
        }
        RunAction(static_cast<qda::WaveAction>(i));
        return;
    }
}

void CWave::PressAction(qda::WaveAction action) {
    RunAction(action);
    if (m_repeat.Pressed()) m_repeatTimer.start(qda::CWaveRepeat::kTickMs, this);
}

void CWave::KeyPressAction(CDrawnButton* button) {
    if (!button->isEnabled()) return;
    button->SetSelected(true);
    for (size_t i = 0; i < m_actionButtons.size(); ++i) {
        if (m_actionButtons[i] == button) PressAction(static_cast<qda::WaveAction>(i));
    }
}

void CWave::RunAction(qda::WaveAction action) {
    if (m_view.Apply(action, m_samples) && m_chartReady) {
        if (qda::CWaveView::IsHorizontal(action)) {
            m_chart->SetMode(0, m_view.VisibleSamples(), 1, 0);
            m_scroll = m_chart->GetScrollSamples();
        } else {
            LoadTraces();
        }
    }
    UpdateButtons();
}

void CWave::OnPeakButton(int peak) {
    if (peak != m_peakSelection) {
        m_peakSelection = peak;
        if (m_worker) m_worker->SetPeakSelection(peak);
    }
    UpdateButtons();
}

void CWave::OnOverlay() {
    if (!m_chartReady) return;
    if (!m_overlayOn) {
        m_overlay = m_samples;
        m_overlayCount = m_sampleCount;
        m_chart->SuspendRedraw(1);
        m_chart->SetTraceCapacity(1, qda::kWaveCapacity);
        m_chart->SetTraceProperties(1, 1, std::string(), 0, kOverlayColour);
        m_overlayOn = true;
        LoadTrace(1);
        m_chart->SuspendRedraw(0);
    } else {
        m_overlayOn = false;
        m_chart->FreeTrace(1);
        m_chart->SuspendRedraw(0);
    }
    m_overlayButton->setChecked(m_overlayOn);
}

void CWave::OnCopy() {
    if (!m_chartReady) return;
    GraphBitmapInfoHeader header;
    const uint8_t* bits = nullptr;
    m_chart->GetBitmap(header, bits);
    if (bits != nullptr)
        CClipboard::CopyBitmap(reinterpret_cast<const uint8_t*>(&header), bits, header.biSizeImage);
}

void CWave::OnChartNotify(uintptr_t code) {
    if (code != GRAPH_NOTIFY_SCROLL || !m_chartReady) return;
    m_scroll = m_chart->GetScrollSamples();
    m_chart->SuspendRedraw(1);
    m_chart->SetTraceProperties(0, 1, std::string(), 0, kWaveColour);
    LoadTrace(0);
    if (m_overlayOn) LoadTrace(1);
    m_chart->SuspendRedraw(0);
}

void CWave::DrawCallback(CGraphCanvas* canvas, qda::GraphPainter* painter, void* context) {
    auto* self = static_cast<CWave*>(context);
    qda::WaveOverlayInput in;
    in.japanese = qda::CurrentLanguage() == "jp";
    in.axisTitle = LoadMessage(kMsgAxisTitle);
    in.nearText = LoadMessage(kMsgNear);
    in.farText = LoadMessage(kMsgFar);
    in.dataValid = self->m_dataValid;
    in.peak = self->m_lastReply.peak;
    // The canvas's own position: a redraw may come from the scroll before its notification.
    in.scroll = canvas->GetScrollSamples();
    qda::DrawWaveOverlay(*canvas, *painter, in);
}
