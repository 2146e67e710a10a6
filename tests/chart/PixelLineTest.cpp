// One-pixel lines set directly: which pixels make a line, and that clipping only filters them.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "chart/PixelLine.h"

namespace {

constexpr uint32_t kInk = 0xFFFFFF00u;

struct Surface {
    int width, height;
    std::vector<uint32_t> pixels;
    Surface(int w, int h) : width(w), height(h), pixels(size_t(w) * h, 0) {}
    qda::PixelSurface View() { return {pixels.data(), width, width, height}; }
    void Line(int x0, int y0, int x1, int y1, const qda::GraphRect& clip) {
        qda::DrawPixelLine(View(), clip, kInk, x0, y0, x1, y1);
    }
    void Line(int x0, int y0, int x1, int y1) { Line(x0, y0, x1, y1, {0, 0, width, height}); }
    bool At(int x, int y) const { return pixels[size_t(y) * width + x] == kInk; }
    int Count() const {
        int n = 0;
        for (uint32_t p : pixels) n += p == kInk;
        return n;
    }
};

}  // namespace

TEST(PixelLine, ALineHasBothEndsAndOnePixelPerStepOfItsLongerAxis) {
    const int ends[][4] = {{2, 3, 40, 17}, {40, 17, 2, 3}, {5, 30, 9, 1},
                           {0, 0, 0, 0},   {7, 2, 7, 20},  {3, 9, 30, 9}};
    for (const auto& e : ends) {
        SCOPED_TRACE(testing::Message() << e[0] << "," << e[1] << " -> " << e[2] << "," << e[3]);
        Surface s(48, 40);
        s.Line(e[0], e[1], e[2], e[3]);
        EXPECT_TRUE(s.At(e[0], e[1]));
        EXPECT_TRUE(s.At(e[2], e[3]));
        EXPECT_EQ(s.Count(), std::max(std::abs(e[2] - e[0]), std::abs(e[3] - e[1])) + 1);
        // Each pixel touches the next one: no gaps along the line.
        int lastMinor = -1;
        const bool xMajor = std::abs(e[2] - e[0]) >= std::abs(e[3] - e[1]);
        for (int major = std::min(xMajor ? e[0] : e[1], xMajor ? e[2] : e[3]);
             major <= std::max(xMajor ? e[0] : e[1], xMajor ? e[2] : e[3]); ++major) {
            int minor = -1;
            for (int m = 0; m < (xMajor ? s.height : s.width); ++m)
                if (xMajor ? s.At(major, m) : s.At(m, major)) minor = m;
            ASSERT_GE(minor, 0) << "no pixel at step " << major;
            if (lastMinor >= 0) {
                EXPECT_LE(std::abs(minor - lastMinor), 1);
            }
            lastMinor = minor;
        }
    }
}

TEST(PixelLine, DrawnPieceByPieceItIsTheLineDrawnWhole) {
    // A repaint draws a line again inside each changed tile; the tiles together must hold
    // exactly the pixels of the whole line, whatever the slope.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coord(-30, 130);
    for (int round = 0; round < 300; ++round) {
        const int x0 = coord(random), y0 = coord(random), y1 = coord(random);
        // One round in four straight up or down, as most of a dense trace's strokes are.
        const int x1 = round % 4 == 0 ? x0 : coord(random);
        Surface whole(100, 100), tiled(100, 100);
        whole.Line(x0, y0, x1, y1);
        for (int ty = 0; ty < 100; ty += 16)
            for (int tx = 0; tx < 100; tx += 16) tiled.Line(x0, y0, x1, y1, {tx, ty, tx + 16, ty + 16});
        ASSERT_EQ(whole.pixels, tiled.pixels) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST(PixelLine, NothingIsSetOutsideTheClipOrTheSurface) {
    Surface s(20, 20);
    s.Line(-5, -5, 30, 30, {5, 5, 10, 10});
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) EXPECT_EQ(s.At(x, y), x == y && x >= 5 && x < 10) << x << "," << y;
    // Ends as far apart as an int reaches: only the surface's pixels, and no overflow.
    Surface far(20, 20);
    far.Line(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    far.Line(INT_MAX, 3, INT_MIN, 3);
    far.Line(10, INT_MIN, 10, INT_MAX, {0, 0, 1000, 1000});
    for (int x = 0; x < 20; ++x) EXPECT_TRUE(far.At(x, 3));
    for (int y = 0; y < 20; ++y) EXPECT_TRUE(far.At(10, y));
    // An empty clip or a missing surface sets nothing.
    Surface none(20, 20);
    none.Line(0, 0, 19, 19, {8, 8, 8, 12});
    qda::DrawPixelLine({}, {0, 0, 20, 20}, kInk, 0, 0, 19, 19);
    EXPECT_EQ(none.Count(), 0);
}

TEST(PixelLine, AFillSetsExactlyTheRectangleInsideTheClipSmallOrLarge) {
    // Small fills go through the cache; a fill of a megabyte or more is streamed, from any
    // alignment of its rows' first pixel. Both must set the same pixels.
    for (const int width : {37, 1030}) {
        Surface s(width, 1030);
        for (const int left : {0, 1, 3}) {
            std::fill(s.pixels.begin(), s.pixels.end(), 0u);
            const qda::GraphRect rect{left - 5, -2, width - 2, 1029};
            const qda::GraphRect clip{left, 1, width + 9, 1040};
            qda::FillPixels(s.View(), clip, kInk, rect);
            int wrong = 0;
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < s.width; ++x) {
                    const bool inside = x >= left && x < width - 2 && y >= 1 && y < 1029;
                    wrong += s.At(x, y) != inside;
                }
            EXPECT_EQ(wrong, 0) << "width " << width << ", left " << left;
        }
    }
}
