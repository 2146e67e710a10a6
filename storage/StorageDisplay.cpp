#include "storage/StorageDisplay.h"

#include <algorithm>
#include <cstring>

#include "chart/TraceFormat.h"
#include "settings/Units.h"

namespace qda {

namespace {

constexpr int kSpanSequence[] = {10,    20,    50,    100,    200,    500,    1000,    2000,   5000,
                                 10000, 20000, 50000, 100000, 200000, 500000, 1000000, 1999998};

}  // namespace

int CStorageDisplay::ZoomInSpan(int span) {
    if (span <= kSpanSequence[0]) return span;
    int next = kSpanSequence[0];
    for (int value : kSpanSequence) {
        if (value < span) next = value;
    }
    return next;
}

int CStorageDisplay::ZoomOutSpan(int span) {
    if (span > kFullSpan) return span;
    for (int value : kSpanSequence) {
        if (value > span) return value;
    }
    return kFullSpan;
}

CStorageDisplay::CStorageDisplay(IStorageChart& chart, std::array<CStorageData, kStorageSlots>& slots)
    : m_chart(chart), m_slots(slots) {}

GraphDisplayFormat CStorageDisplay::FormatOf(int slot) const {
    const CStorageData& d = m_slots[slot];
    return GraphDisplayFormat{d.UnitSystem(), d.MmFormat(), d.InchFormat()};
}

int CStorageDisplay::ShownCount() const {
    int n = 0;
    for (int s = 0; s < kStorageSlots; ++s) n += m_chart.IsTraceShown(s) ? 1 : 0;
    return n;
}

int CStorageDisplay::GridRowStep(int span) const {
    const int shown = ShownCount();
    if (m_sideBySide && shown > 0) return span / (kGridRows / shown);
    return span / kGridRows;
}

void CStorageDisplay::SetChartMode() {
    m_chart.SetMode(m_sideBySide ? 1 : 0, m_visibleSamples, 1, 1);
}

void CStorageDisplay::LoadSlot(int slot, int low, int high) {
    const CStorageData& d = m_slots[slot];
    m_chart.SetTraceData(slot, 0, kTraceTotal, low, high, FormatOf(slot), d.Count(), d.Samples());
}

void CStorageDisplay::ApplyHeader(int slot) {
    const StorageGraphSetting& h = m_headers[slot];
    const std::string name(h.GraphName, strnlen(h.GraphName, sizeof h.GraphName));
    m_chart.SetTraceProperties(slot, h.IsEnable ? 1 : 0, name, h.Offset, h.Color);
}

void CStorageDisplay::ShowReadSlot(int slot) {
    m_span[slot] = kFullSpan;
    m_chart.SetTraceCapacity(slot, CStorageData::kCapacity);
    ApplyHeader(slot);
    LoadSlot(slot, -kHalfRange, kHalfRange);
    m_chart.SelectTrace(slot);
    m_chart.ComputeBands();
    FitToShownSlots();
}

void CStorageDisplay::FitToShownSlots() {
    // A few hundred values read would be a sliver at the left of 65536 samples: the view starts
    // at the first sample and narrows, in the horizontal zoom's own steps, to the longest slot
    // shown, so that none is cut.
    int longest = 0;
    for (int s = 0; s < kStorageSlots; ++s) {
        if (m_chart.IsTraceShown(s)) longest = std::max(longest, m_slots[s].Count());
    }
    int visible = kMinVisible;
    while (visible < longest && visible < kMaxVisible) visible *= 2;
    m_visibleSamples = visible;
    m_chart.SetScrollUnits(0);
    SetChartMode();
    m_scroll = m_chart.GetScrollSamples();
}

void CStorageDisplay::ShowLoadedSlot(int slot) {
    m_span[slot] = kFullSpan;
    int low = 0, high = 0;
    m_chart.GetTraceRange(slot, low, high);
    const int centre = (low + high) / 2;
    ApplyHeader(slot);
    LoadSlot(slot, centre - kFullSpan / 2, centre + kFullSpan / 2);
    m_chart.SelectTrace(slot);
    m_chart.ComputeBands();
}

void CStorageDisplay::SetSideBySide(bool sideBySide) {
    m_sideBySide = sideBySide;
    SetChartMode();
    m_chart.ComputeBands();
}

bool CStorageDisplay::VerticalZoom(bool in) {
    const int slot = SelectedSlot();
    const int span = in ? ZoomInSpan(m_span[slot]) : ZoomOutSpan(m_span[slot]);
    if (span == m_span[slot]) return false;
    m_span[slot] = span;
    int low = 0, high = 0;
    m_chart.GetTraceRange(slot, low, high);
    const int centre = (low + high) / 2;
    LoadSlot(slot, centre - span / 2, centre + span / 2);
    return true;
}

bool CStorageDisplay::HorizontalZoom(bool in) {
    if (in) {
        if (m_visibleSamples <= kMinVisible) return false;
        m_visibleSamples = std::max(kMinVisible, m_visibleSamples / 2);
    } else {
        if (m_visibleSamples >= kMaxVisible) return false;
        m_visibleSamples = std::min(kMaxVisible, m_visibleSamples * 2);
    }
    SetChartMode();
    m_scroll = m_chart.GetScrollSamples();
    return true;
}

void CStorageDisplay::AutoScale() {
    const int slot = SelectedSlot();
    const CStorageData& d = m_slots[slot];
    const TraceFormat format(FormatOf(slot));
    m_scroll = m_chart.GetScrollSamples();
    // The samples on screen: the trace is drawn shifted right by its header's offset.
    const int first = m_scroll - m_headers[slot].Offset;
    const int from = std::max(0, first);
    const int to = std::min(d.Count(), first + m_visibleSamples + (m_visibleSamples != d.Count() ? 1 : 0));
    bool found = false;
    int32_t lowest = 0, highest = 0;
    for (int i = from; i < to; ++i) {
        const int32_t v = d.Sample(i);
        if (!format.IsDisplayable(v)) continue;
        if (!found || v < lowest) lowest = v;
        if (!found || v > highest) highest = v;
        found = true;
    }
    int low = -kHalfRange, high = kHalfRange, span = kFullSpan;
    if (found) {
        low = ToSteps(lowest, d.UnitSystem(), d.MmFormat(), d.InchFormat());
        high = ToSteps(highest, d.UnitSystem(), d.MmFormat(), d.InchFormat());
        span = high - low;
        if (high == low) {
            // A flat stretch has no height to scale to: the whole range.
            low = -kHalfRange;
            high = kHalfRange;
            span = kFullSpan;
        } else if (span <= 0) {
            span = 1;
        } else if (span > kHalfRange - 1) {
            span = kHalfRange;
        }
    }
    m_span[slot] = span;
    LoadSlot(slot, low, high);
    m_chart.ComputeBands();
    SetChartMode();
}

bool CStorageDisplay::Move(bool up) {
    if (ShownCount() == 0) return false;
    const int slot = SelectedSlot();
    int low = 0, high = 0;
    m_chart.GetTraceRange(slot, low, high);
    const int height = high - low;
    int step = GridRowStep(m_span[slot]);
    if (step == 0) step = 1;
    // Lower range ends move the trace up on the screen. The range stays inside the display
    // limits: a move that would leave them stops at the limit with the height kept.
    if (up) {
        low -= step;
        high -= step;
        if (low < -kHalfRange) {
            low = -kHalfRange;
            high = low + height;
        }
    } else {
        low += step;
        high += step;
        if (high > kHalfRange) {
            high = kHalfRange;
            low = high - height;
        }
    }
    LoadSlot(slot, low, high);
    return true;
}

void CStorageDisplay::ChooseCursors(CursorChoice choice) {
    m_cursors = choice;
    if (choice == CursorChoice::kHidden) {
        m_chart.SetCursorVisible(0, 0, 1);
        m_chart.SetCursorVisible(1, 0, 1);
        return;
    }
    m_chart.SetCursorVisible(0, 1, 1);
    m_chart.SetCursorVisible(1, 1, 1);
    m_chart.SetCursorSelection(choice == CursorChoice::kA ? 0 : choice == CursorChoice::kB ? 1 : 2);
}

bool CStorageDisplay::MoveCursorsByKey(int direction) {
    const int delta = direction < 0 ? -m_cursorStep : m_cursorStep;
    ++m_cursorStep;
    if (m_cursors == CursorChoice::kHidden) return false;
    // A cursor stays on the slots' samples: 0 ... 65535.
    auto fits = [](int position) { return position >= 0 && position < kTraceTotal; };
    const int selection = m_chart.GetCursorSelection();
    bool moved = false;
    if (selection == 2) {
        const int a = m_chart.GetCursorPosition(0), b = m_chart.GetCursorPosition(1);
        if (a < 0 || b < 0) return false;
        const bool room = delta < 0 ? (a + delta > 0 && b + delta > 0) : (fits(a + delta) && fits(b + delta));
        if (!room) return false;
        m_chart.MoveCursor(0, delta);
        m_chart.MoveCursor(1, delta);
        moved = true;
    } else {
        const int cursor = selection == 1 ? 1 : 0;
        const int p = m_chart.GetCursorPosition(cursor);
        if (p < 0 || !fits(p + delta)) return false;
        m_chart.MoveCursor(cursor, delta);
        moved = true;
    }
    m_chart.RepaintNow();
    return moved;
}

bool CStorageDisplay::SelectAdjacentSlot(bool forward) {
    const int selected = SelectedSlot();
    for (int k = 1; k < kStorageSlots; ++k) {
        const int s = (selected + (forward ? k : kStorageSlots - k)) % kStorageSlots;
        if (m_chart.IsTraceShown(s) && m_chart.HasLastValue(s)) {
            m_chart.SelectTrace(s);
            return true;
        }
    }
    return false;
}

CursorChoice CStorageDisplay::OnCursorNotify() {
    if (m_cursors != CursorChoice::kHidden) {
        const int selection = m_chart.GetCursorSelection();
        m_cursors = selection == 1   ? CursorChoice::kB
                    : selection == 2 ? CursorChoice::kBoth
                                     : CursorChoice::kA;
    }
    return m_cursors;
}

void CStorageDisplay::OnScroll() {
    m_scroll = m_chart.GetScrollSamples();
    m_chart.SuspendRedraw(1);
    for (int s = 0; s < kStorageSlots; ++s) {
        ApplyHeader(s);
        if (m_slots[s].Count() == 0) continue;
        int low = 0, high = 0;
        m_chart.GetTraceRange(s, low, high);
        LoadSlot(s, low, high);
    }
    m_chart.SuspendRedraw(0);
}

void CStorageDisplay::OnHeaderChanged(bool recomputeBands) {
    for (int s = 0; s < kStorageSlots; ++s) {
        ApplyHeader(s);
        const StorageGraphSetting& h = m_headers[s];
        m_slots[s].SetName(std::string(h.GraphName, strnlen(h.GraphName, sizeof h.GraphName)));
    }
    if (m_chart.GetValidCount(SelectedSlot()) == 0) {
        for (int s = 0; s < kStorageSlots; ++s) {
            if (m_headers[s].IsEnable && m_slots[s].ValidCount() > 0) {
                m_chart.SelectTrace(s);
                break;
            }
        }
    }
    if (recomputeBands) m_chart.ComputeBands();
}

void CStorageDisplay::OnHeaderEnableChanged(int slot) {
    if (m_headers[slot].IsEnable && m_slots[slot].ValidCount() > 0) {
        m_chart.SelectTrace(slot);
    } else if (!m_headers[slot].IsEnable && SelectedSlot() == slot) {
        for (int k = 1; k < kStorageSlots; ++k) {
            const int s = (slot + k) % kStorageSlots;
            if (m_chart.IsTraceShown(s)) {
                m_chart.SelectTrace(s);
                break;
            }
        }
    }
}

void CStorageDisplay::OnHeaderOffsetChanged(int slot) {
    ApplyHeader(slot);
    m_chart.RepaintNow();
}

void CStorageDisplay::ForgetList() {
    m_list = {};
}

void CStorageDisplay::RefreshList(IStorageInfoList& list) {
    static const std::string kNone = "***";
    const int a = m_chart.GetCursorPosition(0);
    const int b = m_chart.GetCursorPosition(1);
    for (int s = 0; s < kStorageSlots; ++s) {
        ListRow& row = m_list[s];
        GraphCursorStats stats;
        if (a == -1 || b == -1 || !m_chart.GetCursorStats(s, a, b, stats)) {
            if (row.shown) {
                row.shown = false;
                for (int c = 1; c <= 6; ++c) list.SetCell(s, c, kNone);
            }
            continue;
        }
        const CStorageData& d = m_slots[s];
        auto format = [&](double x) {
            return FormatDisplayValue(x, d.UnitSystem(), d.MmFormat(), d.InchFormat());
        };
        auto isMarker = [](double x) {
            return x == GRAPH_STAT_NO_VALUE || x == GRAPH_STAT_PLUS_OVER || x == GRAPH_STAT_MINUS_OVER;
        };
        auto atCursor = [&](double x) -> std::string {
            if (x == GRAPH_STAT_NO_VALUE) return kNone;
            if (x == GRAPH_STAT_PLUS_OVER) return "FFFFFF";
            if (x == GRAPH_STAT_MINUS_OVER) return "-FFFFFF";
            return format(x);
        };
        auto between = [&](double x) { return x == GRAPH_STAT_NO_VALUE ? kNone : format(x); };
        const bool fresh = !row.shown;
        row.shown = true;
        const std::array<double, 6> values = {stats.valueA,  stats.valueB,  stats.valueA - stats.valueB,
                                              stats.maximum, stats.minimum, stats.average};
        for (int c = 0; c < 6; ++c) {
            // The difference is written on every refresh; the others only when they changed.
            if (!fresh && c != 2 && values[c] == row.values[c]) continue;
            std::string text;
            if (c < 2) {
                text = atCursor(values[c]);
            } else if (c == 2) {
                text = isMarker(stats.valueA) || isMarker(stats.valueB) ? kNone : format(values[c]);
            } else {
                text = between(values[c]);
            }
            list.SetCell(s, c + 1, text);
            row.values[c] = values[c];
        }
    }
}

StorageButtonStates CStorageDisplay::ButtonStates() const {
    StorageButtonStates b;
    const int slot = SelectedSlot();
    const bool valid = m_slots[slot].ValidCount() > 0;
    b.verticalZoomIn = m_span[slot] > kSpanSequence[0] && valid;
    b.verticalZoomOut = m_span[slot] <= kFullSpan - 1 && valid;
    b.horizontalZoomIn = m_visibleSamples > kMinVisible;
    b.horizontalZoomOut = m_visibleSamples < kMaxVisible;
    b.autoScale = m_chart.GetValidCount(slot) > 0 && valid && m_chart.HasLastValue(slot);
    int low = 0, high = 0;
    m_chart.GetTraceRange(slot, low, high);
    b.moveUp = low >= -(kFullSpan - 1) && m_chart.CanShift(slot, 1);
    b.moveDown = high <= kFullSpan - 1 && m_chart.CanShift(slot, 0);
    for (int s = 0; s < kStorageSlots; ++s) {
        b.header[s] = m_slots[s].Count() > 0;
        b.save = b.save || b.header[s];
    }
    return b;
}

RepeatDecision CStorageDisplay::RepeatTick(const std::array<bool, kRepeatButtonCount>& pressed,
                                           const std::array<bool, kRepeatButtonCount>& held) {
    RepeatDecision d;
    ++m_repeatCount;
    if (m_repeatCount <= 5) return d;
    bool repeated = false;
    for (int i = 0; i < kRepeatButtonCount; ++i) {
        if (!pressed[i]) continue;
        if (held[i]) {
            d.repeat[i] = true;
            repeated = true;
        } else {
            d.release[i] = true;
        }
    }
    if (!repeated) {
        m_repeatCount = 0;
        d.stopTimer = true;
    }
    return d;
}

}  // namespace qda
