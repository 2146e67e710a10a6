#pragma once
// What the data storage window's display state needs of its chart: the operations of the chart
// control it calls. The window implements it over its CGraph (which repaints and notifies);
// CanvasStorageChart implements it over a bare CGraphCanvas for headless use.
#include <cstdint>
#include <string>

#include "chart/GraphCanvas.h"
#include "chart/GraphTypes.h"

namespace qda {

class IStorageChart {
public:
    virtual ~IStorageChart() = default;
    virtual int SetTraceCapacity(int trace, int capacity) = 0;
    virtual void SetTraceData(int trace, int xOrigin, int xTotal, int low, int high,
                              const GraphDisplayFormat& format, int count, const int32_t* samples) = 0;
    virtual int SetTraceProperties(int trace, int visible, const std::string& name, int xOffset,
                                   COLORREF colour) = 0;
    virtual void SetMode(int sideBySide, int visibleSamples, int selectedPenWidth, int labelBoxes) = 0;
    virtual void ComputeBands() = 0;
    virtual void SelectTrace(int trace) = 0;
    virtual int GetSelectedTrace() const = 0;
    virtual bool IsTraceShown(int trace) const = 0;
    virtual void SetCursorVisible(int cursor, int visible, int redrawNow) = 0;
    virtual void SetCursorSelection(int selection) = 0;
    virtual int GetCursorSelection() const = 0;
    virtual int GetCursorPosition(int cursor) const = 0;
    virtual void MoveCursor(int cursor, int delta) = 0;
    virtual int GetCursorStats(int trace, int indexA, int indexB, GraphCursorStats& stats) const = 0;
    virtual void GetTraceRange(int trace, int& low, int& high) const = 0;
    virtual int GetValidCount(int trace) const = 0;
    virtual int HasLastValue(int trace) const = 0;
    virtual int CanShift(int trace, int direction) const = 0;
    virtual int GetScrollSamples() const = 0;
    virtual void SetScrollUnits(int units) = 0;
    virtual void SuspendRedraw(int flag) = 0;
    // Draws now and shows the picture at once (cursor keys, offset changes).
    virtual void RepaintNow() = 0;
};

// The interface over a chart that has the chart control's operations under the same names: the
// window's CGraph (GraphStorageChart.h) or a bare CGraphCanvas. Each call goes straight through;
// only showing the picture at once differs between the two.
template <class Chart>
class StorageChartOver : public IStorageChart {
public:
    explicit StorageChartOver(Chart& chart) : m_chart(chart) {}
    int SetTraceCapacity(int trace, int capacity) override {
        return m_chart.SetTraceCapacity(trace, capacity);
    }
    void SetTraceData(int trace, int xOrigin, int xTotal, int low, int high, const GraphDisplayFormat& format,
                      int count, const int32_t* samples) override {
        m_chart.SetTraceData(trace, xOrigin, xTotal, low, high, format, count, samples);
    }
    int SetTraceProperties(int trace, int visible, const std::string& name, int xOffset,
                           COLORREF colour) override {
        return m_chart.SetTraceProperties(trace, visible, name, xOffset, colour);
    }
    void SetMode(int sideBySide, int visibleSamples, int selectedPenWidth, int labelBoxes) override {
        m_chart.SetMode(sideBySide, visibleSamples, selectedPenWidth, labelBoxes);
    }
    void ComputeBands() override { m_chart.ComputeBands(); }
    void SelectTrace(int trace) override { m_chart.SelectTrace(trace); }
    int GetSelectedTrace() const override { return m_chart.GetSelectedTrace(); }
    bool IsTraceShown(int trace) const override { return m_chart.IsTraceShown(trace); }
    void SetCursorVisible(int cursor, int visible, int redrawNow) override {
        m_chart.SetCursorVisible(cursor, visible, redrawNow);
    }
    void SetCursorSelection(int selection) override { m_chart.SetCursorSelection(selection); }
    int GetCursorSelection() const override { return m_chart.GetCursorSelection(); }
    int GetCursorPosition(int cursor) const override { return m_chart.GetCursorPosition(cursor); }
    void MoveCursor(int cursor, int delta) override { m_chart.MoveCursor(cursor, delta); }
    int GetCursorStats(int trace, int indexA, int indexB, GraphCursorStats& stats) const override {
        return m_chart.GetCursorStats(trace, indexA, indexB, stats);
    }
    void GetTraceRange(int trace, int& low, int& high) const override {
        m_chart.GetTraceRange(trace, low, high);
    }
    int GetValidCount(int trace) const override { return m_chart.GetValidCount(trace); }
    int HasLastValue(int trace) const override { return m_chart.HasLastValue(trace); }
    int CanShift(int trace, int direction) const override { return m_chart.CanShift(trace, direction); }
    int GetScrollSamples() const override { return m_chart.GetScrollSamples(); }
    void SetScrollUnits(int units) override { m_chart.SetScrollUnits(units); }
    void SuspendRedraw(int flag) override { m_chart.SuspendRedraw(flag); }

protected:
    Chart& m_chart;
};

// The interface over a bare canvas (no window: nothing to show, nobody to notify).
class CanvasStorageChart final : public StorageChartOver<CGraphCanvas> {
public:
    using StorageChartOver::StorageChartOver;
    void RepaintNow() override;
};

}  // namespace qda
