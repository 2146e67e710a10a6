#pragma once
// A canvas drawing into a recording painter, with a layout whose pixels are exact:
// a 512 x 512 bitmap, plot from 64 to 448 in both directions (384 pixels).
#include <memory>
#include <vector>

#include "chart/GraphCanvas.h"
#include "chart/RecordingPainter.h"

constexpr GraphDisplayFormat kCounts{2, 0, 0};  // plain counts: raw = display value = display count
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGreen = 0x00FF00;

struct ChartFixture {
    RecordingPainter* painter = new RecordingPainter;
    CGraphCanvas canvas{std::unique_ptr<qda::GraphPainter>(painter)};

    explicit ChartFixture(int visible = 384, int capacity = 384, int sideBySide = 0,
                          int scrollResolution = 1000) {
        canvas.Create(0.125, 0.125, 0.75, 0.75, 8, 8, 2, 2, 1, scrollResolution, 512, 512);
        canvas.Resize(512, 512);
        for (int t = 0; t < 2; ++t) {
            canvas.SetTraceCapacity(t, capacity);
            canvas.SetTraceProperties(t, 0, t == 0 ? "T0" : "T1", 0, t == 0 ? kRed : kGreen);
        }
        canvas.SetMode(sideBySide, visible, 2, 1);
    }
    // Shows trace `t` with `samples` and the range [low, high] counts.
    void Load(int t, const std::vector<int32_t>& samples, int low = 0, int high = 100,
              GraphDisplayFormat format = kCounts) {
        canvas.SetTraceProperties(t, 1, t == 0 ? "T0" : "T1", canvas.Trace(t).xOffset,
                                  t == 0 ? kRed : kGreen);
        canvas.SetTraceData(t, 0, static_cast<int>(samples.size()), low, high, format,
                            static_cast<int>(samples.size()), samples.data());
        canvas.ComputeBands();
    }
    std::vector<RecordedPolyline> PolylinesOf(COLORREF colour) const {
        std::vector<RecordedPolyline> out;
        for (const auto& p : painter->polylines)
            if (p.colour == colour) out.push_back(p);
        return out;
    }
};
