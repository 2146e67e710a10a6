#include "chart/GraphCanvas.h"

#include <algorithm>
#include <cmath>

#include "resources/Messages.h"
#include "resources/StringTable.h"

CGraphCanvas::CGraphCanvas(std::unique_ptr<qda::GraphPainter> painter) : m_painter(std::move(painter)) {
    // Both fonts use the face the language's message table names (message 9).
    SetFontFace(LoadMessage(9), qda::CurrentLanguage() == "jp");
}

CGraphCanvas::~CGraphCanvas() {
    for (auto& trace : m_traces) trace.Free();
}

int CGraphCanvas::Create(double plotLeft, double plotTop, double plotWidth, double plotHeight, int yDivisions,
                         int xDivisions, int yLabelStep, int xLabelStep, int xLabelsShown,
                         int scrollResolution, int canvasWidth, int canvasHeight) {
    m_layout = qda::GraphLayout(plotLeft, plotTop, plotWidth, plotHeight);
    // Divisions and steps of 0 would divide by zero or never advance the label loops.
    m_yDivisions = std::max(1, yDivisions);
    m_xDivisions = std::max(1, xDivisions);
    m_yLabelStep = std::max(1, yLabelStep);
    m_xLabelStep = std::max(1, xLabelStep);
    m_xLabelsShown = xLabelsShown;
    m_scroll.SetResolution(scrollResolution);
    if (!MakeBitmap(canvasWidth, canvasHeight)) return 0;
    Redraw();
    return 1;
}

bool CGraphCanvas::MakeBitmap(int canvasWidth, int canvasHeight) {
    m_hasBitmap = false;
    m_bits.clear();
    const int width = qda::GraphBitmapWidth(canvasWidth);
    if (width <= 0 || canvasHeight <= 0 || !m_painter) return false;
    m_header = GraphBitmapInfoHeader();
    m_header.biWidth = width;
    m_header.biHeight = canvasHeight;
    m_header.biSizeImage = static_cast<uint32_t>(width) * static_cast<uint32_t>(canvasHeight) * 3;
    if (!m_painter->Resize(width, canvasHeight)) return false;
    m_layout.SetBitmapSize(width, canvasHeight);
    m_hasBitmap = true;
    m_bitsStale = true;
    return true;
}

void CGraphCanvas::SetFontFace(const std::string& faceName, bool japanese) {
    m_labelFont.faceName = m_axisFont.faceName = faceName;
    m_labelFont.charSet = m_axisFont.charSet = japanese ? 128 : 1;
}

int CGraphCanvas::Resize(int canvasWidth, int canvasHeight) {
    m_hasBitmap = false;
    if (canvasWidth > 2 * canvasHeight) {
        m_labelFont.height = canvasHeight / 30;
        m_axisFont.height = canvasHeight / 25;
    } else {
        m_labelFont.height = canvasWidth / 60;
        m_axisFont.height = canvasWidth / 50;
    }
    if (!m_painter || !m_painter->SetFonts(m_labelFont, m_axisFont)) return 0;
    InvalidateAll();
    if (!MakeBitmap(canvasWidth, canvasHeight)) return 0;
    Redraw();
    return 1;
}

void CGraphCanvas::InvalidateAll() {
    for (auto& trace : m_traces) trace.cacheValid = 0;
}

int CGraphCanvas::SetTraceCapacity(int trace, int capacity) {
    if (!ValidTrace(trace)) return 0;
    m_xOrigin = 0;
    m_xTotal = 0;
    if (!m_traces[trace].Allocate(capacity)) return 0;
    m_scroll.SetCapacity(capacity);
    m_scroll.Reclamp();
    Redraw();
    return 1;
}

void CGraphCanvas::FreeTrace(int trace) {
    if (!ValidTrace(trace)) return;
    m_traces[trace].Free();
    Redraw();
}

void CGraphCanvas::SetTraceData(int trace, int xOrigin, int xTotal, int low, int high,
                                const GraphDisplayFormat& format, int count, const int32_t* samples) {
    if (!ValidTrace(trace) || !m_traces[trace].allocated) return;
    m_xOrigin = xOrigin;
    m_xTotal = xTotal;
    m_traces[trace].Load(low, high, format, count, samples);
    Redraw();
}

int CGraphCanvas::SetTraceProperties(int trace, int visible, const std::string& name, int xOffset,
                                     COLORREF colour) {
    if (!ValidTrace(trace)) return 0;
    GraphTrace& t = m_traces[trace];
    bool changed = false;
    if (t.visible != visible || t.xOffset != xOffset) {
        t.visible = visible;
        t.xOffset = xOffset;
        t.cacheValid = 0;
        changed = true;
    }
    if (t.name != name) {
        t.name = name;
        changed = true;
    }
    if (t.colour != colour) {
        t.colour = colour;
        changed = true;
    }
    if (!changed) return 0;
    Redraw();
    return 1;
}

void CGraphCanvas::SetMode(int sideBySide, int visibleSamples, int selectedPenWidth, int labelBoxes) {
    if (sideBySide != m_sideBySide || visibleSamples != m_visibleSamples ||
        selectedPenWidth != m_selectedPenWidth || labelBoxes != m_labelBoxes)
        InvalidateAll();
    m_sideBySide = sideBySide;
    m_visibleSamples = visibleSamples;
    m_selectedPenWidth = selectedPenWidth;
    m_labelBoxes = labelBoxes;
    m_scroll.SetVisibleSamples(visibleSamples);
    if (m_scroll.Reclamp()) InvalidateAll();
    Redraw();
}

int CGraphCanvas::ShownCount() const {
    int n = 0;
    for (int i = 0; i < GRAPH_TRACE_COUNT; ++i)
        if (IsTraceShown(i)) ++n;
    return n;
}

int CGraphCanvas::BandCount() const {
    const int n = ShownCount();
    return (m_sideBySide && n > 0) ? n : 1;
}

void CGraphCanvas::ComputeBands() {
    const int n = ShownCount();
    int k = 0;
    for (int i = 0; i < GRAPH_TRACE_COUNT; ++i) {
        if (!IsTraceShown(i)) continue;
        m_traces[i].bandOffset = m_sideBySide ? k * m_layout.Height() / n : 0.0;
        ++k;
    }
    InvalidateAll();
    Redraw();
}

void CGraphCanvas::SelectTrace(int trace) {
    if (!ValidTrace(trace) || trace == m_selectedTrace || !IsTraceShown(trace)) return;
    m_selectedTrace = trace;
    Redraw();
}

bool CGraphCanvas::IsTraceShown(int trace) const {
    return ValidTrace(trace) && m_traces[trace].IsShown();
}

void CGraphCanvas::SetCursor(int cursor, COLORREF colour) {
    if (!ValidCursor(cursor)) return;
    m_cursors[cursor] = {1, 1, colour, 0};
    Redraw();
}

void CGraphCanvas::SetCursorVisible(int cursor, int visible, int redrawNow) {
    if (!ValidCursor(cursor)) return;
    m_cursors[cursor].visible = visible;
    if (redrawNow) Redraw();
}

void CGraphCanvas::SetCursorSelection(int selection) {
    if (selection < 0 || selection > 2) return;
    m_cursorSelection = selection;
    Redraw();
}

int CGraphCanvas::GetCursorPosition(int cursor) const {
    if (!ValidCursor(cursor) || !m_cursors[cursor].exists || !m_cursors[cursor].visible) return -1;
    return m_cursors[cursor].position;
}

bool CGraphCanvas::MoveCursor(int cursor, int delta) {
    if (!ValidCursor(cursor) || !m_cursors[cursor].exists || !m_cursors[cursor].visible) return false;
    const long long p = static_cast<long long>(m_cursors[cursor].position) + delta;
    if (p < 0 || p > 2147483647LL) return false;
    m_cursors[cursor].position = static_cast<int>(p);
    Redraw();
    return true;
}

int CGraphCanvas::GetCursorStats(int trace, int indexA, int indexB, GraphCursorStats& stats) const {
    stats = GraphCursorStats();
    if (!ValidTrace(trace) || !m_traces[trace].allocated || !m_traces[trace].visible ||
        !m_traces[trace].hasData) {
        stats.minimum = stats.maximum = stats.average = GRAPH_STAT_NO_VALUE;
        return 0;
    }
    const GraphTrace& t = m_traces[trace];
    const long long a = static_cast<long long>(indexA) - t.xOffset;
    const long long b = static_cast<long long>(indexB) - t.xOffset;
    bool inside = false;
    auto valueAt = [&](long long index) {
        if (index < 0 || index >= t.count) return GRAPH_STAT_NO_VALUE;
        inside = true;
        const int32_t raw = t.samples[index];
        if (raw == GRAPH_PLUS_OVER) return GRAPH_STAT_PLUS_OVER;
        if (raw == GRAPH_MINUS_OVER) return GRAPH_STAT_MINUS_OVER;
        if (raw == GRAPH_NO_DATA || !t.Format().IsDisplayable(raw)) return GRAPH_STAT_NO_VALUE;
        return t.DisplayValueAt(static_cast<int>(index));
    };
    stats.valueA = valueAt(a);
    stats.valueB = valueAt(b);
    const long long from = std::max(0LL, std::min(a, b));
    const long long to = std::min(static_cast<long long>(t.count) - 1, std::max(a, b));
    double minimum = 2147483647.0, maximum = -2147483647.0, sum = 0;
    long long used = 0;
    for (long long i = from; i <= to; ++i) {
        const int32_t raw = t.samples[i];
        if (!t.Format().IsDisplayable(raw)) continue;
        const double v = t.DisplayValueAt(static_cast<int>(i));
        // Only what the trace shows counts: values scrolled out of the vertical range are left out.
        if (v < t.displayMinimum || v > t.displayMaximum) continue;
        minimum = std::min(minimum, v);
        maximum = std::max(maximum, v);
        sum += v;
        ++used;
    }
    if (used > 0) {
        stats.minimum = minimum;
        stats.maximum = maximum;
        stats.average = sum / static_cast<double>(used);
    } else {
        stats.minimum = stats.maximum = stats.average = GRAPH_STAT_NO_VALUE;
    }
    return (inside || used > 0) ? 1 : 0;
}

void CGraphCanvas::GetTraceRange(int trace, int& low, int& high) const {
    low = high = 0;
    if (!ValidTrace(trace)) return;
    const GraphTrace& t = m_traces[trace];
    low = t.Format().ValueToCounts(t.displayMinimum);
    high = t.Format().ValueToCounts(t.displayMaximum);
}

int CGraphCanvas::GetValidCount(int trace) const {
    return ValidTrace(trace) ? m_traces[trace].validCount : 0;
}

int CGraphCanvas::HasLastValue(int trace) const {
    if (!ValidTrace(trace)) return 0;
    const GraphTrace& t = m_traces[trace];
    return (t.allocated && t.visible && t.validCount > 0 && t.lastValidIndex >= 0) ? 1 : 0;
}

int CGraphCanvas::CanShift(int trace, int direction) const {
    if (!ValidTrace(trace) || ShownCount() == 0 || m_traces[trace].validCount == 0) return 0;
    const GraphTrace& t = m_traces[trace];
    const int rows = m_yDivisions / BandCount();
    if (rows <= 0) return 0;
    const double row = t.span / rows;
    const qda::TraceFormat& f = t.Format();
    if (direction == 1)
        return f.ValueToCounts(f.ToDisplayValue(t.rawMinimum)) < f.ValueToCounts(t.displayMaximum - row);
    return f.ValueToCounts(t.displayMinimum + row) < f.ValueToCounts(f.ToDisplayValue(t.rawMaximum));
}

bool CGraphCanvas::SetScrollUnits(int units, bool redraw) {
    if (!m_scroll.SetUnits(units)) return false;
    // Point lists depend on the scroll position; never draw a list made for another position.
    InvalidateAll();
    if (redraw) Redraw();
    return true;
}

void CGraphCanvas::SuspendRedraw(int flag) {
    m_suspended = flag;
    if (!flag) Redraw();
}

void CGraphCanvas::SetDrawCallback(GraphDrawCallback callback, void* context) {
    m_callback = callback;
    m_callbackContext = context;
    Redraw();
}

void CGraphCanvas::FractionToPixel(double fx, double fy, int& x, int& y) const {
    x = m_layout.Px(fx);
    y = m_layout.Py(fy);
}

void CGraphCanvas::GetBitmap(GraphBitmapInfoHeader& header, const uint8_t*& bits) {
    header = m_header;
    bits = nullptr;
    if (!m_hasBitmap) return;
    if (m_bitsStale || m_bits.size() != m_header.biSizeImage) {
        m_bits.resize(m_header.biSizeImage);
        m_painter->CopyTo(m_bits.data(), m_header.biWidth, m_header.biHeight, m_header.biWidth * 3);
        m_bitsStale = false;
    }
    bits = m_bits.data();
}

qda::GraphRect CGraphCanvas::TraceBand(int trace) const {
    return m_layout.Band(m_traces[trace].bandOffset, BandCount());
}

qda::GraphRect CGraphCanvas::TraceLabelBox(int trace) const {
    const GraphTrace& t = m_traces[trace];
    if (t.points.empty()) return {-1000, -1000, -1000, -1000};
    const int half = m_layout.Py(m_layout.Height()) / 40;
    return {m_layout.Px(m_layout.Left() + m_layout.Width()) + 6, t.labelAnchorY - half, m_layout.Px(1.0) - 27,
            t.labelAnchorY + half};
}

qda::GraphRect CGraphCanvas::CursorLabelBox(int cursor) const {
    const int x = CursorPixel(m_cursors[cursor].position - GetScrollSamples());
    int half, height;
    if (m_layout.BitmapHeight() * 2 < m_layout.BitmapWidth()) {
        half = m_layout.Py(m_layout.Height()) / 40;
        height = m_layout.Py(m_layout.Height()) / 20;
    } else {
        half = m_layout.Px(m_layout.Width()) / 70;
        height = m_layout.Px(m_layout.Width()) / 35;
    }
    const int bottom = m_layout.PlotTop();
    return {x - half, bottom - height, x + half, bottom};
}

bool CGraphCanvas::CursorInWindow(int cursor) const {
    const GraphCursor& c = m_cursors[cursor];
    const long long scroll = GetScrollSamples();
    return c.exists && c.visible && c.position >= scroll && c.position <= scroll + m_visibleSamples;
}
