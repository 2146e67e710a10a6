#include "monitor/WaveView.h"

#include <algorithm>
#include <bit>

namespace qda {

int InitialScaleFromSegments(int segmentFlags) {
    const int scale = 256 * std::popcount(static_cast<unsigned>(segmentFlags & 0x0F));
    // Three segments are shown as the whole buffer: the zoom steps are powers of two.
    return scale == 768 ? kWaveCapacity : scale;
}

void CWaveView::SetInitialScale(int scale) {
    m_initialScale = scale >= kWaveMinVisible && scale <= kWaveCapacity ? scale : 0;
    if (m_initialScale != 0) m_visible = m_initialScale;
}

void CWaveView::BeginAcquisition() {
    m_visible = m_initialScale != 0 ? m_initialScale : kWaveCapacity;
}

bool CWaveView::AdoptSegments(int segmentFlags) {
    if (m_initialScale != 0) return false;
    const int derived = InitialScaleFromSegments(segmentFlags);
    // No segment tells nothing: showing zero samples would leave no zoom step to get out of it.
    if (derived == 0) return false;
    m_initialScale = derived;
    const bool changed = m_visible != derived;
    m_visible = derived;
    return changed;
}

bool CWaveView::Apply(WaveAction action, std::span<const int32_t> samples) {
    const int step = m_span / 16;
    switch (action) {
        case WaveAction::kZoomInH:
            if (m_visible <= kWaveMinVisible) return false;
            m_visible /= 2;
            break;
        case WaveAction::kZoomOutH:
            if (m_visible >= kWaveCapacity) return false;
            m_visible = std::min(kWaveCapacity, m_visible * 2);
            break;
        case WaveAction::kZoomInV:
            if (m_span <= kWaveMinSpan) return false;
            m_span /= 2;
            Recentre(samples);
            return true;
        case WaveAction::kZoomOutV:
            if (m_span >= kWaveMaxSpan) return false;
            m_span = std::min(kWaveMaxSpan, m_span * 2);
            Recentre(samples);
            return true;
        case WaveAction::kMoveUp:
            if (m_low <= 0) return false;
            if (m_low - step < 0)
                SetRange(0, m_span);
            else
                SetRange(m_low - step, m_high - step);
            return true;
        case WaveAction::kMoveDown:
            if (m_high >= kWaveMaxSpan) return false;
            if (m_high + step >= kWaveMaxSpan)
                SetRange(kWaveMaxSpan - m_span, kWaveMaxSpan);
            else
                SetRange(m_low + step, m_high + step);
            return true;
    }
    // Horizontal: the remembered scale follows once it is known.
    if (m_initialScale != 0) m_initialScale = m_visible;
    return true;
}

void CWaveView::Recentre(std::span<const int32_t> samples) {
    int high = 0;
    int low = 0;
    for (const int32_t v : samples) {
        high = std::max<int>(high, v);
        low = std::min<int>(low, v);
    }
    const int centre = static_cast<int>((high + low) * 0.5);
    int from = centre - m_span / 2;
    int to = centre + m_span / 2;
    if (to > kWaveMaxSpan) {
        from = kWaveMaxSpan - m_span;
        to = kWaveMaxSpan;
    }
    if (from < 0) {
        to -= from;
        from = 0;
    }
    SetRange(from, to);
}

WaveButtonStates CWaveView::Buttons(const WaveButtonInput& in) const {
    WaveButtonStates s;
    auto set = [&s](WaveAction a, bool on) { s.action[static_cast<size_t>(a)] = on; };
    set(WaveAction::kZoomInH, m_visible > kWaveMinVisible);
    set(WaveAction::kZoomOutH, m_visible < kWaveCapacity);
    set(WaveAction::kZoomInV, m_span > kWaveMinSpan);
    set(WaveAction::kZoomOutV, m_span < kWaveMaxSpan);
    set(WaveAction::kMoveUp, m_low > 0);
    set(WaveAction::kMoveDown, m_high < kWaveMaxSpan);
    // The peak choice belongs to "transparent 2" and is offered only over a good live waveform.
    const bool peaks = in.headMode == 3 && in.acquiring && in.dataValid && in.replyStatus == 0;
    for (size_t i = 0; i < 4; ++i) {
        s.peakEnabled[i] = peaks;
        s.peakPressed[i] = peaks && in.peakSelection == static_cast<int>(i);
    }
    return s;
}

bool CWaveRepeat::Pressed() {
    if (m_running) return false;
    m_running = true;
    m_count = 0;
    return true;
}

bool CWaveRepeat::Tick(const std::array<bool, kWaveActionCount>& held, WaveAction& repeat) {
    if (!m_running) return false;
    const auto first = std::find(held.begin(), held.end(), true);
    // Nothing held: a later press starts a fresh second of waiting.
    if (first == held.end()) {
        Stop();
        return false;
    }
    if (++m_count <= kTicksBeforeRepeat) return false;
    repeat = static_cast<WaveAction>(first - held.begin());
    return true;
}

}  // namespace qda
