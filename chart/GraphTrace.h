#pragma once
// One data series of the chart: its samples, display range and format, and the cached
// list of pixel points it is drawn from.
#include <cstdint>
#include <string>
#include <vector>

#include "chart/GraphLayout.h"
#include "chart/GraphTypes.h"
#include "chart/TraceFormat.h"

struct GraphTrace {
    int allocated = 0;
    int visible = 0;
    int hasData = 0;
    int cacheValid = 0;
    COLORREF colour = 0;
    double displayMinimum = 0;
    double displayMaximum = 0;
    int count = 0;
    int validCount = 0;
    int allMissing = 0;
    std::vector<int32_t> samples;         // capacity entries
    std::vector<qda::GraphPoint> points;  // the point list; size() is the points in list
    std::string name;
    double bandOffset = 0;
    int labelAnchorY = 0;
    int lastValidIndex = -1;
    int xOffset = 0;
    GraphDisplayFormat format;
    double span = 0;
    int rawMinimum = 0;
    int rawMaximum = 0;

    // Frees the arrays and clears every field; then makes room for `capacity` zeroed samples.
    // Returns false when the storage cannot be had (the trace stays freed).
    bool Allocate(int capacity);
    // Frees both arrays and clears allocated, visible and has data.
    void Free();
    int Capacity() const { return static_cast<int>(samples.size()); }
    int PointsInList() const { return static_cast<int>(points.size()); }
    // Allocated, visible, has data and count > 0.
    bool IsShown() const { return allocated && visible && hasData && count > 0; }

    // Loads `n` samples (or clears them when `data` is null) with the display range
    // [low, high] in display counts. See CGraphCanvas::SetTraceData.
    void Load(int low, int high, const GraphDisplayFormat& displayFormat, int n, const int32_t* data);

    // The display value of sample `index` (not a marker).
    double DisplayValueAt(int index) const { return m_format.ToDisplayValue(samples[index]); }
    // The trace's unit conversions.
    const qda::TraceFormat& Format() const { return m_format; }

    // Rebuilds the point list for the window starting at `scroll` samples, `visibleSamples` wide,
    // in one of `bands` bands; at most three points per pixel column.
    void BuildPointList(const qda::GraphLayout& layout, int visibleSamples, int scroll, int bands);
    // The value at which the trace label sits: the last valid sample's value clamped into the range.
    double AnchorValue() const;

private:
    qda::TraceFormat m_format;
};
