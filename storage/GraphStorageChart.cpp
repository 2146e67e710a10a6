#include "storage/GraphStorageChart.h"

#include "chart/Graph.h"

namespace qda {

int GraphStorageChart::SetTraceCapacity(int trace, int capacity) {
    return m_graph.SetTraceCapacity(trace, capacity);
}
void GraphStorageChart::SetTraceData(int trace, int xOrigin, int xTotal, int low, int high,
                                     const GraphDisplayFormat& format, int count, const int32_t* samples) {
    m_graph.SetTraceData(trace, xOrigin, xTotal, low, high, format, count, samples);
}
int GraphStorageChart::SetTraceProperties(int trace, int visible, const std::string& name, int xOffset,
                                          COLORREF colour) {
    return m_graph.SetTraceProperties(trace, visible, name, xOffset, colour);
}
void GraphStorageChart::SetMode(int sideBySide, int visibleSamples, int selectedPenWidth, int labelBoxes) {
    m_graph.SetMode(sideBySide, visibleSamples, selectedPenWidth, labelBoxes);
}
void GraphStorageChart::ComputeBands() {
    m_graph.ComputeBands();
}
void GraphStorageChart::SelectTrace(int trace) {
    m_graph.SelectTrace(trace);
}
int GraphStorageChart::GetSelectedTrace() const {
    return m_graph.GetSelectedTrace();
}
bool GraphStorageChart::IsTraceShown(int trace) const {
    return m_graph.IsTraceShown(trace);
}
void GraphStorageChart::SetCursorVisible(int cursor, int visible, int redrawNow) {
    m_graph.SetCursorVisible(cursor, visible, redrawNow);
}
void GraphStorageChart::SetCursorSelection(int selection) {
    m_graph.SetCursorSelection(selection);
}
int GraphStorageChart::GetCursorSelection() const {
    return m_graph.GetCursorSelection();
}
int GraphStorageChart::GetCursorPosition(int cursor) const {
    return m_graph.GetCursorPosition(cursor);
}
void GraphStorageChart::MoveCursor(int cursor, int delta) {
    m_graph.MoveCursor(cursor, delta);
}
int GraphStorageChart::GetCursorStats(int trace, int indexA, int indexB, GraphCursorStats& stats) const {
    return m_graph.GetCursorStats(trace, indexA, indexB, stats);
}
void GraphStorageChart::GetTraceRange(int trace, int& low, int& high) const {
    m_graph.GetTraceRange(trace, low, high);
}
int GraphStorageChart::GetValidCount(int trace) const {
    return m_graph.GetValidCount(trace);
}
int GraphStorageChart::HasLastValue(int trace) const {
    return m_graph.HasLastValue(trace);
}
int GraphStorageChart::CanShift(int trace, int direction) const {
    return m_graph.CanShift(trace, direction);
}
int GraphStorageChart::GetScrollSamples() const {
    return m_graph.GetScrollSamples();
}
void GraphStorageChart::SetScrollUnits(int units) {
    m_graph.SetScrollUnits(units);
}
void GraphStorageChart::SuspendRedraw(int flag) {
    m_graph.SuspendRedraw(flag);
}
void GraphStorageChart::RepaintNow() {
    m_graph.Canvas().Redraw();
    m_graph.repaint();
}

}  // namespace qda
