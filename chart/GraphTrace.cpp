#include "chart/GraphTrace.h"

#include <algorithm>
#include <new>

bool GraphTrace::Allocate(int capacity) {
    Free();
    *this = GraphTrace();
    if (capacity < 0) return false;
    try {
        samples.assign(static_cast<size_t>(capacity), 0);
        m_values.assign(static_cast<size_t>(capacity), 0.0);
        points.reserve(static_cast<size_t>(capacity) * 3 + 6);
    } catch (const std::bad_alloc&) {
        Free();
        return false;
    }
    allocated = 1;
    return true;
}

void GraphTrace::Free() {
    std::vector<int32_t>().swap(samples);
    std::vector<qda::GraphPoint>().swap(points);
    std::vector<double>().swap(m_values);
    allocated = 0;
    visible = 0;
    hasData = 0;
    cacheValid = 0;
    count = 0;
}

void GraphTrace::Load(int low, int high, const GraphDisplayFormat& displayFormat, int n,
                      const int32_t* data) {
    format = displayFormat;
    m_format = qda::TraceFormat(displayFormat);
    displayMinimum = m_format.CountsToValue(low);
    displayMaximum = m_format.CountsToValue(high);
    span = displayMaximum - displayMinimum;
    // Never more than the storage holds: a longer load would run past the arrays.
    count = std::clamp(n, 0, Capacity());
    validCount = 0;
    allMissing = 0;
    cacheValid = 0;
    if (!data) {
        std::fill(samples.begin(), samples.end(), 0);
        hasData = 0;
        return;
    }
    rawMinimum = 2147483647;
    rawMaximum = -2147483647;
    int missing = 0;
    for (int i = 0; i < count; ++i) {
        const int32_t v = data[i];
        samples[i] = v;
        if (v == GRAPH_NO_DATA) {
            ++missing;
            continue;
        }
        if (v == GRAPH_PLUS_OVER || v == GRAPH_MINUS_OVER) continue;
        m_values[i] = m_format.ToDisplayValue(v);
        if (m_format.IsDisplayable(v)) {
            ++validCount;
            rawMinimum = std::min(rawMinimum, v);
            rawMaximum = std::max(rawMaximum, v);
        }
    }
    if (validCount == 0) {
        displayMinimum = m_format.CountsToValue(-999999);
        displayMaximum = m_format.CountsToValue(999999);
        span = displayMaximum - displayMinimum;
    }
    if (missing == count) allMissing = 1;
    hasData = 1;
}

double GraphTrace::AnchorValue() const {
    const int index = lastValidIndex >= 0 ? lastValidIndex : 0;
    double v = displayMinimum;
    if (index < count) {
        const int32_t raw = samples[index];
        if (raw == GRAPH_PLUS_OVER)
            v = displayMaximum;
        else if (raw == GRAPH_MINUS_OVER)
            v = displayMinimum;
        else if (raw != GRAPH_NO_DATA)
            v = m_values[index];
    }
    return std::clamp(v, std::min(displayMinimum, displayMaximum), std::max(displayMinimum, displayMaximum));
}

void GraphTrace::BuildPointList(const qda::GraphLayout& layout, int visibleSamples, int scroll, int bands) {
    points.clear();
    lastValidIndex = -1;
    const long long s = static_cast<long long>(xOffset) - scroll;
    const long long first = std::max(0LL, s);
    const long long end = std::min(static_cast<long long>(visibleSamples) + 1, s + count);
    int previousX = 0;
    bool havePrevious = false;
    for (long long i = first; i < end; ++i) {
        const int index = static_cast<int>(i - s);
        const int32_t raw = samples[index];
        const int x = layout.TraceX(static_cast<int>(i), visibleSamples);
        int y;
        if (raw == GRAPH_NO_DATA) {
            y = GRAPH_NO_DATA;
        } else if (raw == GRAPH_PLUS_OVER) {
            y = -32767;
        } else if (raw == GRAPH_MINUS_OVER) {
            y = 32767;
        } else {
            y = layout.ValueToY(m_values[index], displayMinimum, displayMaximum, bandOffset, bands);
            if (m_format.IsDisplayable(raw)) lastValidIndex = index;
        }
        if (!havePrevious || x != previousX || raw == GRAPH_NO_DATA) {
            // A new pixel column (or a gap): first value, running minimum, running maximum.
            points.push_back({x, y});
            points.push_back({x, y});
            points.push_back({x, y});
            previousX = x;
            havePrevious = true;
        } else {
            const size_t n = points.size();
            points[n - 2].y = std::min(points[n - 2].y, y);
            points[n - 1].y = std::max(points[n - 1].y, y);
        }
    }
    if (!points.empty())
        labelAnchorY = layout.ValueToY(AnchorValue(), displayMinimum, displayMaximum, bandOffset, bands);
    cacheValid = 1;
}
