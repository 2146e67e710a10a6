#include "chart/GraphTrace.h"

#include "chart/SampleRange.h"

#include <algorithm>
#include <climits>
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

namespace {

// The first screen position after `i` (at most `end`) whose pixel x is beyond `x`, the pixel x
// of `i`. Positions map to x in order, so an estimate from the inverse mapping is corrected by
// the exact mapping itself.
long long NextColumn(const qda::GraphLayout& layout, long long i, int x, int visibleSamples, long long end) {
    if (visibleSamples < 1) return end;  // every position maps to the plot's left edge
    if (layout.BitmapWidth() <= 0 || layout.Width() <= 0) return i + 1;
    const double estimate = ((static_cast<double>(x) + 1) / layout.BitmapWidth() - layout.Left()) *
                            visibleSamples / layout.Width();
    long long j =
        estimate > static_cast<double>(end) ? end : std::max(i + 1, static_cast<long long>(estimate));
    auto beyond = [&](long long k) { return layout.TraceX(static_cast<int>(k), visibleSamples) > x; };
    while (j < end && !beyond(j)) ++j;
    while (j - 1 > i && beyond(j - 1)) --j;
    return j;
}

}  // namespace

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
    int32_t lowRaw = 0, highRaw = 0, firstRaw = GRAPH_NO_DATA;
    bool haveRaw = false, plusOver = false, minusOver = false;
    auto flush = [&]() {
        if (!open) return;
        int top = firstY, bottom = firstY;  // a gap column keeps its gap on top
        if (haveRaw) {
            // A column of one value (one sample per pixel) needs no conversion again.
            top = std::min(top, highRaw == firstRaw ? firstY : yOf(highRaw));
            bottom = std::max(bottom, lowRaw == firstRaw ? firstY : yOf(lowRaw));
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
    // Screen positions share a pixel column in runs (dozens of samples per column when 65,536
    // are shown): each column's x is computed once, and where the next one starts is searched.
    long long columnEnd = first;  // first position past the current column
    int x = 0;
    for (long long i = first; i < end; ++i) {
        const int index = static_cast<int>(i - s);
        const int32_t raw = samples[index];
        if (i >= columnEnd) {
            x = layout.TraceX(static_cast<int>(i), visibleSamples);
            columnEnd = NextColumn(layout, i, x, visibleSamples, end);
        }
        if (raw == GRAPH_NO_DATA || !open || x != columnX) {
            // A new column; a no-data sample always opens one, made of gaps.
            flush();
            open = true;
            columnX = x;
            haveRaw = plusOver = minusOver = false;
            firstRaw = raw;
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
            // The rest of the column in one pass. A marker in it (no data, an over: rare) leaves
            // it to the steps above from there on.
            long long k = i + 1;
            int32_t restLow = INT32_MAX, restHigh = INT32_MIN;
            if (k < columnEnd)
                qda::FoldSampleRange(&samples[static_cast<size_t>(k - s)], static_cast<size_t>(columnEnd - k),
                                     restLow, restHigh);
            if (k < columnEnd && restLow > GRAPH_MINUS_OVER) {
                lowRaw = std::min(lowRaw, restLow);
                highRaw = std::max(highRaw, restHigh);
                for (long long j = columnEnd - 1; j >= k; --j)
                    if (m_format.IsDisplayable(samples[static_cast<size_t>(j - s)])) {
                        lastValidIndex = static_cast<int>(j - s);
                        break;
                    }
                k = columnEnd;
            }
            for (; k < columnEnd; ++k) {
                const int32_t v = samples[static_cast<size_t>(k - s)];
                if (v <= GRAPH_MINUS_OVER) break;
                lowRaw = std::min(lowRaw, v);
                highRaw = std::max(highRaw, v);
                if (m_format.IsDisplayable(v)) lastValidIndex = static_cast<int>(k - s);
            }
            i = k - 1;
        }
    }
    flush();
    if (!points.empty())
        labelAnchorY = layout.ValueToY(AnchorValue(), displayMinimum, displayMaximum, bandOffset, bands);
    cacheValid = 1;
}
