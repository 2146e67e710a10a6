#include "storage/StorageChart.h"

#include "chart/GraphCanvas.h"

namespace qda {

int CanvasStorageChart::SetTraceCapacity(int trace, int capacity) {
    return m_canvas.SetTraceCapacity(trace, capacity);
}
void CanvasStorageChart::SetTraceData(int trace, int xOrigin, int xTotal, int low, int high,
                                      const GraphDisplayFormat& format, int count, const int32_t* samples) {
    m_canvas.SetTraceData(trace, xOrigin, xTotal, low, high, format, count, samples);
}
int CanvasStorageChart::SetTraceProperties(int trace, int visible, const std::string& name, int xOffset,
                                           COLORREF colour) {
    return m_canvas.SetTraceProperties(trace, visible, name, xOffset, colour);
}
void CanvasStorageChart::SetMode(int sideBySide, int visibleSamples, int selectedPenWidth, int labelBoxes) {
    m_canvas.SetMode(sideBySide, visibleSamples, selectedPenWidth, labelBoxes);
}
void CanvasStorageChart::ComputeBands() {
    m_canvas.ComputeBands();
}
void CanvasStorageChart::SelectTrace(int trace) {
    m_canvas.SelectTrace(trace);
}
int CanvasStorageChart::GetSelectedTrace() const {
    return m_canvas.GetSelectedTrace();
}
bool CanvasStorageChart::IsTraceShown(int trace) const {
    return m_canvas.IsTraceShown(trace);
}
void CanvasStorageChart::SetCursorVisible(int cursor, int visible, int redrawNow) {
    m_canvas.SetCursorVisible(cursor, visible, redrawNow);
}
void CanvasStorageChart::SetCursorSelection(int selection) {
    m_canvas.SetCursorSelection(selection);
}
int CanvasStorageChart::GetCursorSelection() const {
    return m_canvas.GetCursorSelection();
}
int CanvasStorageChart::GetCursorPosition(int cursor) const {
    return m_canvas.GetCursorPosition(cursor);
}
void CanvasStorageChart::MoveCursor(int cursor, int delta) {
    m_canvas.MoveCursor(cursor, delta);
}
int CanvasStorageChart::GetCursorStats(int trace, int indexA, int indexB, GraphCursorStats& stats) const {
    return m_canvas.GetCursorStats(trace, indexA, indexB, stats);
}
void CanvasStorageChart::GetTraceRange(int trace, int& low, int& high) const {
    m_canvas.GetTraceRange(trace, low, high);
}
int CanvasStorageChart::GetValidCount(int trace) const {
    return m_canvas.GetValidCount(trace);
}
int CanvasStorageChart::HasLastValue(int trace) const {
    return m_canvas.HasLastValue(trace);
}
int CanvasStorageChart::CanShift(int trace, int direction) const {
    return m_canvas.CanShift(trace, direction);
}
int CanvasStorageChart::GetScrollSamples() const {
    return m_canvas.GetScrollSamples();
}
void CanvasStorageChart::SetScrollUnits(int units) {
    m_canvas.SetScrollUnits(units);
}
void CanvasStorageChart::SuspendRedraw(int flag) {
    m_canvas.SuspendRedraw(flag);
}
void CanvasStorageChart::RepaintNow() {
    m_canvas.Redraw();
}

}  // namespace qda
