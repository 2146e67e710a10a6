#pragma once
// One-pixel lines set straight into 32-bit pixels. The chart's traces are thousands of short
// segments a frame; the raster engine's per-call set-up made them most of a repaint.
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
void DrawPixelLine(const PixelSurface& surface, const GraphRect& clip, uint32_t colour, int x0, int y0, int x1,
                   int y1);

}  // namespace qda
