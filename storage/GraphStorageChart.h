#pragma once
// The storage display's chart interface over the window's CGraph: every call goes to the chart
// control, which repaints and tells the window of cursor moves and scrolling.
#include "storage/StorageChart.h"

class CGraph;

namespace qda {

class GraphStorageChart : public IStorageChart {
public:
    explicit GraphStorageChart(CGraph& graph) : m_graph(graph) {}
    int SetTraceCapacity(int trace, int capacity) override;
    void SetTraceData(int trace, int xOrigin, int xTotal, int low, int high, const GraphDisplayFormat& format,
                      int count, const int32_t* samples) override;
    int SetTraceProperties(int trace, int visible, const std::string& name, int xOffset,
                           COLORREF colour) override;
    void SetMode(int sideBySide, int visibleSamples, int selectedPenWidth, int labelBoxes) override;
    void ComputeBands() override;
    void SelectTrace(int trace) override;
    int GetSelectedTrace() const override;
    bool IsTraceShown(int trace) const override;
    void SetCursorVisible(int cursor, int visible, int redrawNow) override;
    void SetCursorSelection(int selection) override;
    int GetCursorSelection() const override;
    int GetCursorPosition(int cursor) const override;
    void MoveCursor(int cursor, int delta) override;
    int GetCursorStats(int trace, int indexA, int indexB, GraphCursorStats& stats) const override;
    void GetTraceRange(int trace, int& low, int& high) const override;
    int GetValidCount(int trace) const override;
    int HasLastValue(int trace) const override;
    int CanShift(int trace, int direction) const override;
    int GetScrollSamples() const override;
    void SetScrollUnits(int units) override;
    void SuspendRedraw(int flag) override;
    void RepaintNow() override;

private:
    CGraph& m_graph;
};

}  // namespace qda
