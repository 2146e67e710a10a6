#pragma once
// One-pixel lines and solid fills set straight into 32-bit pixels. The chart's traces are
// thousands of short segments a frame; the raster engine's per-call set-up made them most of a
// repaint.
#include <cstddef>
#include <cstdint>

#include "chart/GraphTypes.h"

namespace qda {

// A surface of 32-bit pixels, `stride` pixels per row.
struct PixelSurface {
    uint32_t* pixels = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
};

// Sets the pixels of the line from (x0, y0) to (x1, y1), both ends included, that lie inside
// `clip` (right and bottom edges excluded) and the surface. Which pixels make the line does not
// depend on the clip, so a line repainted in parts is the line drawn whole.
void DrawPixelLine(const PixelSurface& surface, const GraphRect& clip, uint32_t colour, int x0, int y0,
                   int x1, int y1);

// Sets every pixel of `rect` that lies inside `clip` and the surface to `colour`. A fill of a
// whole chart (eight megabytes at 1920 x 1080) bypasses the cache: it is written once and read
// only when the window is shown.
void FillPixels(const PixelSurface& surface, const GraphRect& clip, uint32_t colour, const GraphRect& rect);

}  // namespace qda
