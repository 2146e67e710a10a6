#pragma once
// What the data storage window's display state needs of its chart: the operations of the chart
// control it calls. The window implements it over its CGraph (which repaints and notifies);
// CanvasStorageChart implements it over a bare CGraphCanvas for headless use.
#include <cstdint>
#include <string>

#include "chart/GraphTypes.h"

class CGraphCanvas;

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

// The interface over a bare canvas (no window: nothing to show, nobody to notify).
class CanvasStorageChart : public IStorageChart {
public:
    explicit CanvasStorageChart(CGraphCanvas& canvas) : m_canvas(canvas) {}
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
    CGraphCanvas& m_canvas;
};

}  // namespace qda
