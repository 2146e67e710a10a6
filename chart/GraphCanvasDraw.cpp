// Drawing of the chart: grid, x labels, traces with their labels and y labels, cursors.
#include <algorithm>
#include <cstdio>
#include <system_error>
#include <thread>

#include "chart/GraphCanvas.h"

using qda::GraphFontRole;
using qda::GraphRect;

namespace {
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kGrid = 0x808080;
}  // namespace

void CGraphCanvas::Redraw() {
    if (m_suspended || !m_hasBitmap) return;
    ++m_redraws;
    m_bitsStale = true;
    qda::GraphPainter& p = *m_painter;
    p.BeginFrame();
    p.ClearClip();
    p.FillRect({0, 0, m_layout.BitmapWidth(), m_layout.BitmapHeight()}, kBlack);
    DrawGrid();
    DrawXLabels();

    // The selected trace is drawn last so that it lies on top.
    int order[GRAPH_TRACE_COUNT];
    int n = 0;
    for (int i = 0; i < GRAPH_TRACE_COUNT; ++i)
        if (i != m_selectedTrace && IsTraceShown(i)) order[n++] = i;
    if (IsTraceShown(m_selectedTrace)) order[n++] = m_selectedTrace;
    BuildPointLists(order, n);
    for (int k = 0; k < n; ++k) {
        const int t = order[k];
        DrawTrace(t, k == n - 1);
        if (m_labelBoxes && !m_traces[t].allMissing) DrawTraceLabel(t);
        if (m_sideBySide || t == m_selectedTrace) DrawYLabels(t);
    }

    int first = 0, second = 1;
    if (m_cursorSelection == 2) {
        if (m_dragIndex == 0) first = 1, second = 0;
    } else if (m_cursorSelection == 0) {
        first = 1, second = 0;
    }
    DrawCursor(first);
    DrawCursor(second);

    if (m_callback) m_callback(this, m_painter.get(), m_callbackContext);
    p.EndFrame();
}

void CGraphCanvas::DrawGrid() {
    qda::GraphPainter& p = *m_painter;
    const double left = m_layout.Left(), top = m_layout.Top(), width = m_layout.Width(),
                 height = m_layout.Height();
    p.SetPen(kGrid, 1);
    const int x0 = m_layout.PlotLeft(), x1 = m_layout.PlotRight();
    for (int j = 0; j <= m_yDivisions; ++j) {
        const int y = m_layout.Py(top + j * height / m_yDivisions);
        p.Line(x0, y, x1, y);
    }
    const int y0 = m_layout.PlotTop(), y1 = m_layout.PlotBottom();
    for (int j = 0; j <= m_xDivisions; ++j) {
        const int x = m_layout.Px(left + j * width / m_xDivisions);
        p.Line(x, y0, x, y1);
    }
}

void CGraphCanvas::DrawXLabels() {
    if (m_xTotal <= 0 || m_visibleSamples <= 0 || !m_xLabelsShown) return;
    const int bottom = m_layout.PlotBottom();
    const double scroll = GetScrollSamples();
    for (int u = 0; u <= m_xDivisions; u += m_xLabelStep) {
        const int x = m_layout.Px(m_layout.Left() + u * m_layout.Width() / m_xDivisions);
        const double value =
            m_xOrigin + scroll + static_cast<double>(m_visibleSamples - m_xOrigin) * u / m_xDivisions;
        char text[32];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
        m_painter->Text({x - 500, bottom + 2, x + 500, bottom + 500}, text,
                        qda::kTextHCenter | qda::kTextTop | qda::kTextSingleLine, GraphFontRole::Label,
                        kWhite, false, kBlack);
    }
}

void CGraphCanvas::EnsurePointList(int trace) {
    GraphTrace& t = m_traces[trace];
    if (!t.cacheValid) t.BuildPointList(m_layout, m_visibleSamples, GetScrollSamples(), BandCount());
}

void CGraphCanvas::BuildPointLists(const int* traces, int n) {
    // Four full storage slots make their point lists from a quarter of a million samples: over
    // that many, every other list is made on a helper thread while this one makes the rest.
    // Each list is its own trace's; the layout and the view are only read meanwhile.
    int pending[GRAPH_TRACE_COUNT];
    int k = 0;
    long long samples = 0;
    for (int i = 0; i < n && k < GRAPH_TRACE_COUNT; ++i)
        if (!m_traces[traces[i]].cacheValid) {
            pending[k++] = traces[i];
            samples += m_traces[traces[i]].count;
        }
    if (k < 2 || samples < kSamplesForTwoThreads) return;  // made one by one as they are drawn
    std::thread helper;
    try {
        helper = std::thread([this, pending, k] {
            for (int i = 1; i < k; i += 2) EnsurePointList(pending[i]);
        });
    } catch (const std::system_error&) {
        return;  // no thread to be had: made one by one
    }
    for (int i = 0; i < k; i += 2) EnsurePointList(pending[i]);
    helper.join();
}

void CGraphCanvas::DrawTrace(int trace, bool widePen) {
    qda::GraphPainter& p = *m_painter;
    GraphTrace& t = m_traces[trace];
    const GraphRect band = TraceBand(trace);
    p.SetClip({band.left, band.top, band.right, band.bottom + 1});
    EnsurePointList(trace);
    p.SetPen(t.colour, widePen ? m_selectedPenWidth : 1);
    const qda::GraphPoint* pts = t.points.data();
    const int n = t.PointsInList();
    int i = 0;
    while (i < n) {
        if (pts[i].y == GRAPH_NO_DATA) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && pts[j].y != GRAPH_NO_DATA) ++j;
        if (j - i >= 2 && !p.Polyline(pts + i, j - i)) {
            // The long polyline was refused: draw the run piece by piece, skipping repeated points.
            qda::GraphPoint previous = pts[i];
            for (int k = i + 1; k < j; ++k) {
                if (pts[k] == previous) continue;
                p.Line(previous.x, previous.y, pts[k].x, pts[k].y);
                previous = pts[k];
            }
        }
        i = j;
    }
    p.ClearClip();
}

void CGraphCanvas::DrawTraceLabel(int trace) {
    const GraphTrace& t = m_traces[trace];
    if (t.points.empty()) return;  // the box lies off the bitmap
    qda::GraphPainter& p = *m_painter;
    const GraphRect box = TraceLabelBox(trace);
    const GraphRect outer{box.left - 3, box.top - 3, box.right + 1, box.bottom + 1};
    const unsigned flags = qda::kTextLeft | qda::kTextVCenter | qda::kTextSingleLine;
    if (trace == m_selectedTrace && t.validCount > 0) {
        p.FillRect(outer, t.colour);
        p.Text(box, t.name, flags, GraphFontRole::Axis, kBlack, false, kBlack);
    } else {
        p.Text(box, t.name, flags, GraphFontRole::Axis, t.colour, true, kBlack);
        p.SetPen(t.colour, 1);
        p.FrameRect(outer);
    }
}

void CGraphCanvas::DrawYLabels(int trace) {
    qda::GraphPainter& p = *m_painter;
    const GraphTrace& t = m_traces[trace];
    const int nb = BandCount();
    const std::string unit = t.Format().UnitText();
    if (!unit.empty()) {
        const int left = m_layout.Px(m_layout.Left() + m_layout.Width()) + 1;
        const int top = m_layout.Py(m_layout.Top() + t.bandOffset);
        p.Text({left, top, left + 1000, top + 1000}, "(" + unit + ")", qda::kTextLeft | qda::kTextTop,
               GraphFontRole::Axis, t.colour, false, kBlack);
    }
    const int rows = m_yDivisions / nb;
    const int tickLeft = m_layout.PlotLeft() - 9, tickRight = m_layout.PlotLeft() - 1;
    const int half = m_axisFont.height / 2;
    p.SetPen(t.colour, 1);
    for (int u = 0; u <= rows; u += m_yLabelStep) {
        const double value = t.displayMinimum + static_cast<double>(u) * nb *
                                                    (t.displayMaximum - t.displayMinimum) / m_yDivisions;
        const int y = m_layout.Py((rows - u) * m_layout.Height() / m_yDivisions) +
                      m_layout.Py(m_layout.Top()) + m_layout.Py(t.bandOffset);
        p.Line(tickLeft, y + 1, tickRight, y + 1);
        GraphRect box{0, y - 100, tickLeft, y + 100};
        if (m_sideBySide) {
            // Keep the end labels of neighbouring bands apart.
            if (u == 0) box.top -= half, box.bottom -= half;
            if (u + 1 >= rows) box.top += half, box.bottom += half;
        }
        p.Text(box, t.Format().FormatValue(value), qda::kTextRight | qda::kTextVCenter | qda::kTextSingleLine,
               GraphFontRole::Axis, t.colour, false, kBlack);
    }
}

void CGraphCanvas::DrawCursor(int cursor) {
    if (!CursorInWindow(cursor)) return;
    qda::GraphPainter& p = *m_painter;
    const GraphCursor& c = m_cursors[cursor];
    const GraphRect box = CursorLabelBox(cursor);
    const char* letter = cursor == 0 ? "A" : "B";
    const unsigned flags = qda::kTextHCenter | qda::kTextVCenter | qda::kTextSingleLine;
    if (m_cursorSelection == cursor || m_cursorSelection == 2) {
        p.FillRect({box.left - 1, box.top - 1, box.right + 1, box.bottom + 1}, c.colour);
        p.Text(box, letter, flags, GraphFontRole::Axis, kBlack, false, kBlack);
    } else {
        p.Text(box, letter, flags, GraphFontRole::Axis, c.colour, true, kBlack);
        p.SetPen(c.colour, 1);
        p.FrameRect(box);
    }
    const int x = CursorPixel(c.position - GetScrollSamples());
    p.SetPen(c.colour, 1);
    p.Line(x + 1, m_layout.PlotTop(), x + 1, m_layout.PlotBottom());
}
