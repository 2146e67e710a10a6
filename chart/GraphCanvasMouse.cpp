// The mouse's drag state machine: hit tests on a press, label and cursor drags, release.
#include <algorithm>

#include "chart/GraphCanvas.h"

GraphPressResult CGraphCanvas::Press(int x, int y) {
    GraphPressResult result;
    if (!MouseInteraction()) {
        result.ignored = true;
        return result;
    }
    m_dragMode = GRAPH_DRAG_NONE;
    bool found = false;
    for (int i = 0; i < GRAPH_TRACE_COUNT && !found; ++i) {
        GraphTrace& t = m_traces[i];
        if (!t.allocated || !t.visible || t.validCount <= 0) continue;
        const qda::GraphRect box = TraceLabelBox(i);
        if (!box.Contains(x, y)) continue;
        found = true;
        m_dragIndex = i;
        m_selectedTrace = i;
        t.cacheValid = 0;
        if (t.lastValidIndex < 0) {
            m_dragMode = GRAPH_DRAG_EMPTY_LABEL;
            Redraw();
        } else {
            m_dragMode = GRAPH_DRAG_TRACE_LABEL;
            m_dragOffsetX = x - box.left;
            m_dragOffsetY = y - TraceBand(i).top;
        }
    }
    for (int c = 0; c < GRAPH_CURSOR_COUNT && !found; ++c) {
        if (!CursorInWindow(c)) continue;
        const qda::GraphRect box = CursorLabelBox(c);
        if (!box.Contains(x, y)) continue;
        found = true;
        m_dragMode = GRAPH_DRAG_CURSOR_LABEL;
        m_dragIndex = c;
        m_dragOffsetX = x - box.left;
        m_dragOffsetY = y - box.top;
        if (m_cursorSelection != 2) m_cursorSelection = c;
    }
    if (m_layout.InPlot(x, y)) {
        // A click into the plot puts the cursor there; which cursor follows the selection.
        if (m_dragMode != GRAPH_DRAG_CURSOR_LABEL) m_dragIndex = m_cursorSelection == 1 ? 1 : 0;
        m_dragMode = GRAPH_DRAG_PLOT_CLICK;
    }
    m_lastX = m_lastY = -1;
    ProcessPosition(x, y);

    result.mode = m_dragMode;
    switch (m_dragMode) {
        case GRAPH_DRAG_PLOT_CLICK:
            DragCursorsTo(x);
            m_dragMode = GRAPH_DRAG_NONE;
            Redraw();
            result.notifyCursor = true;
            break;
        case GRAPH_DRAG_EMPTY_LABEL:
            m_dragMode = GRAPH_DRAG_NONE;
            Redraw();
            break;
        default:
            result.startDrag = true;
            result.notifyCursor = m_dragMode == GRAPH_DRAG_CURSOR_LABEL;
            result.notifyLabelDrag = m_dragMode == GRAPH_DRAG_TRACE_LABEL;
            Redraw();
            break;
    }
    return result;
}

GraphMoveResult CGraphCanvas::DragMove(int x, int y) {
    GraphMoveResult result;
    if (!MouseInteraction()) return result;
    result.notifyCursor = m_dragMode == GRAPH_DRAG_CURSOR_LABEL && x != m_lastX;
    if (x == m_lastX && y == m_lastY) return result;
    ProcessPosition(x, y);
    result.processed = true;
    return result;
}

bool CGraphCanvas::RepeatLastPosition() {
    if (m_lastX == -1 && m_lastY == -1) return false;
    ProcessPosition(m_lastX, m_lastY);
    return true;
}

int CGraphCanvas::Release() {
    const int mode = m_dragMode;
    m_lastX = m_lastY = -1;
    m_dragMode = GRAPH_DRAG_NONE;
    if (mode == GRAPH_DRAG_TRACE_LABEL && ValidTrace(m_dragIndex)) m_traces[m_dragIndex].cacheValid = 0;
    Redraw();
    return mode == GRAPH_DRAG_CURSOR_LABEL ? GRAPH_NOTIFY_CURSOR : GRAPH_NOTIFY_LABEL_DRAG;
}

bool CGraphCanvas::IsOverLabel(int x, int y) const {
    for (int i = 0; i < GRAPH_TRACE_COUNT; ++i) {
        const GraphTrace& t = m_traces[i];
        if (t.allocated && t.visible && t.validCount > 0 && TraceLabelBox(i).Contains(x, y)) return true;
    }
    for (int c = 0; c < GRAPH_CURSOR_COUNT; ++c)
        if (CursorInWindow(c) && CursorLabelBox(c).Contains(x, y)) return true;
    return false;
}

void CGraphCanvas::ProcessPosition(int x, int y) {
    if (m_dragMode == GRAPH_DRAG_TRACE_LABEL && ValidTrace(m_dragIndex)) {
        GraphTrace& t = m_traces[m_dragIndex];
        const int bandPixels = m_layout.Py(m_layout.Height()) / BandCount();
        if (y != m_lastY && t.validCount > 0 && bandPixels > 0) {
            const qda::GraphRect band = TraceBand(m_dragIndex);
            const int yy = std::clamp(y, band.top, band.bottom + 1);
            const qda::GraphRect box = TraceLabelBox(m_dragIndex);
            const double delta = (yy - (box.top + (box.bottom - box.top) / 2)) * t.span / bandPixels;
            t.displayMinimum += delta;
            t.displayMaximum += delta;
            if (t.lastValidIndex > 0) {
                // Keep the last value on screen so that its label stays grabbable.
                const double m = t.DisplayValueAt(t.lastValidIndex);
                if (m > t.displayMaximum) {
                    t.displayMinimum = m - t.span;
                    t.displayMaximum = m;
                } else if (m < t.displayMinimum) {
                    t.displayMaximum = m + t.span;
                    t.displayMinimum = m;
                }
            }
            t.cacheValid = 0;
            Redraw();
            m_dragOffsetY = yy - band.top;
        }
    } else if (m_dragMode == GRAPH_DRAG_CURSOR_LABEL) {
        DragCursorsTo(x);
        Redraw();
    }
    m_lastX = x;
    m_lastY = y;
}

void CGraphCanvas::DragCursorsTo(int x) {
    if (m_cursorSelection == 0 || m_cursorSelection == 1) {
        MoveCursorToX(m_cursorSelection, x);
        return;
    }
    const int dragged = m_dragIndex == 1 ? 1 : 0;
    const int other = 1 - dragged;
    const int before = m_cursors[dragged].position;
    if (!MoveCursorToX(dragged, x)) return;
    GraphCursor& o = m_cursors[other];
    if (o.exists && o.visible) {
        const long long moved = static_cast<long long>(o.position) + m_cursors[dragged].position - before;
        o.position = static_cast<int>(std::clamp(moved, 0LL, 65535LL));
    }
}

bool CGraphCanvas::MoveCursorToX(int cursor, int x) {
    GraphCursor& c = m_cursors[cursor];
    if (!c.exists || !c.visible) return false;
    const int visible = m_visibleSamples;
    const int plotLeft = m_layout.PlotLeft();
    const int plotWidth = m_layout.Px(m_layout.Width());
    long long r = plotWidth > 0 ? static_cast<long long>(x - plotLeft) * visible / plotWidth : 0;
    // Held outside the plot the cursor keeps going, which scrolls the view.
    if (x < plotLeft) r -= visible / 32;
    if (x > m_layout.PlotRight()) r += visible / 32;
    const long long total = m_scroll.Capacity();
    const int unitsBefore = m_scroll.Units();
    long long scroll = m_scroll.Samples();
    if (r < 0) {
        m_scroll.SetSamples(static_cast<int>(std::max(0LL, scroll + r)));
        r = 0;
    } else if (r >= visible && r < total) {
        if (scroll + r < total)
            m_scroll.SetSamples(static_cast<int>(scroll + r - visible));
        else
            m_scroll.SetSamples(static_cast<int>(total - visible));
        r = visible == total ? visible - 1 : visible;
    } else if (r >= total) {
        r = visible == total ? total - 1 : total;
    }
    const bool scrolled = m_scroll.Units() != unitsBefore;
    if (scrolled) InvalidateAll();
    const long long position = std::max(0LL, r + m_scroll.Samples());
    const bool moved = position != c.position;
    c.position = static_cast<int>(std::min(position, 2147483647LL));
    return moved || scrolled;
}
