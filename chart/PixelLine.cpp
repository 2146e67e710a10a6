#include "chart/PixelLine.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qda {
namespace {

constexpr size_t kStreamedFill = size_t(1) << 18;  // pixels: a megabyte

// Step i of a line whose major axis goes `major` steps and minor axis `minor` (both >= 0): the
// minor offset is i * minor / major rounded half up, walked from any first step without drift.
struct MinorWalk {
    static constexpr int64_t kShortLine = int64_t(1) << 30;  // both factors below it: no overflow
    int64_t twiceMajor, twiceMinor, rem, offset;
    MinorWalk(int64_t major, int64_t minor, int64_t first) : twiceMajor(2 * major), twiceMinor(2 * minor) {
        // A chart's lines are short and start inside the clip: 64 bits then, which cost a
        // fraction of the 128 that a step count and an axis length of 2^32 each would need.
        if (twiceMinor <= kShortLine && first <= kShortLine) {
            const int64_t num = twiceMinor * first + major;
            offset = num / twiceMajor;
            rem = num % twiceMajor;
            return;
        }
        const __int128 num = static_cast<__int128>(twiceMinor) * first + major;
        offset = static_cast<int64_t>(num / twiceMajor);
        rem = static_cast<int64_t>(num % twiceMajor);
    }
    void Next() {
        rem += twiceMinor;
        if (rem >= twiceMajor) {
            rem -= twiceMajor;
            ++offset;
        }
    }
};

// The steps 0..last of a walk from `start` in direction `dir` (+1 / -1) that land in [lo, hi).
void StepRange(int64_t start, int dir, int64_t last, int lo, int hi, int64_t& first, int64_t& end) {
    if (dir > 0) {
        first = std::max<int64_t>(0, lo - start);
        end = std::min<int64_t>(last, hi - 1 - start);
    } else {
        first = std::max<int64_t>(0, start - (hi - 1));
        end = std::min<int64_t>(last, start - lo);
    }
}

}  // namespace

void DrawPixelLine(const PixelSurface& s, const GraphRect& clip, uint32_t colour, int x0, int y0, int x1,
                   int y1) {
    const int left = std::max(0, clip.left), right = std::min(s.width, clip.right);
    const int top = std::max(0, clip.top), bottom = std::min(s.height, clip.bottom);
    if (left >= right || top >= bottom || s.pixels == nullptr) return;
    // In 64 bits: the ends may lie anywhere an int reaches.
    const int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    int64_t first = 0, end = 0;
    if (adx >= ady) {
        if (adx == 0) {
            if (x0 >= left && x0 < right && y0 >= top && y0 < bottom) s.pixels[y0 * s.stride + x0] = colour;
            return;
        }
        StepRange(x0, sx, adx, left, right, first, end);
        if (first > end) return;
        MinorWalk walk(adx, ady, first);
        for (int64_t i = first; i <= end; ++i, walk.Next()) {
            const int64_t y = y0 + sy * walk.offset;
            if (y >= top && y < bottom) s.pixels[y * s.stride + x0 + sx * i] = colour;
        }
    } else {
        StepRange(y0, sy, ady, top, bottom, first, end);
        if (first > end) return;
        if (adx == 0) {
            // Straight down or up, as most of a dense trace's strokes are.
            if (x0 < left || x0 >= right) return;
            uint32_t* at = s.pixels + (y0 + sy * first) * s.stride + x0;
            const ptrdiff_t step = sy * s.stride;
            for (int64_t i = first; i <= end; ++i, at += step) *at = colour;
            return;
        }
        MinorWalk walk(ady, adx, first);
        uint32_t* row = s.pixels + (y0 + sy * first) * s.stride;
        const ptrdiff_t step = sy * s.stride;
        for (int64_t i = first; i <= end; ++i, walk.Next(), row += step) {
            const int64_t x = x0 + sx * walk.offset;
            if (x >= left && x < right) row[x] = colour;
        }
    }
}

void FillPixels(const PixelSurface& s, const GraphRect& clip, uint32_t colour, const GraphRect& rect) {
    const int left = std::max({0, clip.left, rect.left}), right = std::min({s.width, clip.right, rect.right});
    const int top = std::max({0, clip.top, rect.top}),
              bottom = std::min({s.height, clip.bottom, rect.bottom});
    if (left >= right || top >= bottom || s.pixels == nullptr) return;
    const size_t width = static_cast<size_t>(right - left);
    const bool large = width * static_cast<size_t>(bottom - top) >= kStreamedFill;
    for (int y = top; y < bottom; ++y) {
        uint32_t* at = s.pixels + y * s.stride + left;
        uint32_t* const end = at + width;
#if defined(__SSE2__)
        if (large) {
            // Streaming stores write whole lines of memory without reading them first.
            while (at < end && (reinterpret_cast<uintptr_t>(at) & 15) != 0) *at++ = colour;
            const __m128i four = _mm_set1_epi32(static_cast<int>(colour));
            for (; at + 4 <= end; at += 4) _mm_stream_si128(reinterpret_cast<__m128i*>(at), four);
        }
#endif
        std::fill(at, end, colour);
    }
#if defined(__SSE2__)
    if (large) _mm_sfence();  // the streamed pixels are in memory before anything reads them
#endif
}

}  // namespace qda
