#include "chart/GraphTrace.h"

#include <algorithm>
#include <new>

bool GraphTrace::Allocate(int capacity) {
    Free();
    *this = GraphTrace();
    if (capacity < 0) return false;
    try {
        samples.assign(static_cast<size_t>(capacity), 0);
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
        } else if (m_format.IsDisplayable(v)) {
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
            v = DisplayValueAt(index);
    }
    return std::clamp(v, std::min(displayMinimum, displayMaximum), std::max(displayMinimum, displayMaximum));
}

void GraphTrace::BuildPointList(const qda::GraphLayout& layout, int visibleSamples, int scroll, int bands) {
    points.clear();
    lastValidIndex = -1;
    auto yOf = [&](int32_t raw) {
        if (raw == GRAPH_PLUS_OVER) return -32767;
        if (raw == GRAPH_MINUS_OVER) return 32767;
        return layout.ValueToY(m_format.ToDisplayValue(raw), displayMinimum, displayMaximum, bandOffset,
                               bands);
    };
    // Every pixel column gets three points: its first value, then the top and the bottom of what
    // falls into it. Display values and pixel rows only grow or shrink with the raw value, so the
    // column's extremes come from its smallest and largest raw samples: three conversions per
    // column instead of one per sample.
    bool open = false;
    int columnX = 0, firstY = 0;
    int32_t lowRaw = 0, highRaw = 0;
    bool haveRaw = false, plusOver = false, minusOver = false;
    auto flush = [&]() {
        if (!open) return;
        int top = firstY, bottom = firstY;  // a gap column keeps its gap on top
        if (haveRaw) {
            top = std::min(top, yOf(highRaw));
            bottom = std::max(bottom, yOf(lowRaw));
        }
        if (plusOver) top = std::min(top, -32767), bottom = std::max(bottom, -32767);
        if (minusOver) top = std::min(top, 32767), bottom = std::max(bottom, 32767);
        points.push_back({columnX, firstY});
        points.push_back({columnX, top});
        points.push_back({columnX, bottom});
    };

    const long long s = static_cast<long long>(xOffset) - scroll;
    const long long first = std::max(0LL, s);
    const long long end = std::min(static_cast<long long>(visibleSamples) + 1, s + count);
    for (long long i = first; i < end; ++i) {
        const int index = static_cast<int>(i - s);
        const int32_t raw = samples[index];
        const int x = layout.TraceX(static_cast<int>(i), visibleSamples);
        if (raw == GRAPH_NO_DATA || !open || x != columnX) {
            // A new column; a no-data sample always opens one, made of gaps.
            flush();
            open = true;
            columnX = x;
            haveRaw = plusOver = minusOver = false;
            if (raw == GRAPH_NO_DATA) {
                firstY = GRAPH_NO_DATA;
                continue;
            }
            firstY = yOf(raw);
        }
        if (raw == GRAPH_NO_DATA) {
            continue;
        } else if (raw == GRAPH_PLUS_OVER) {
            plusOver = true;
        } else if (raw == GRAPH_MINUS_OVER) {
            minusOver = true;
        } else {
            if (!haveRaw) {
                lowRaw = highRaw = raw;
                haveRaw = true;
            } else {
                lowRaw = std::min(lowRaw, raw);
                highRaw = std::max(highRaw, raw);
            }
            if (m_format.IsDisplayable(raw)) lastValidIndex = index;
        }
    }
    flush();
    if (!points.empty())
        labelAnchorY = layout.ValueToY(AnchorValue(), displayMinimum, displayMaximum, bandOffset, bands);
    cacheValid = 1;
}
