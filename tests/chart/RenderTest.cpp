// Pixels of the rendered bitmap through the Qt painter, as the clipboard copy sees them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

#include "WidgetApplication.h"
#include "chart/GraphCanvas.h"
#include "chart/QtGraphPainter.h"

namespace {

class Render : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureWidgetApplication(); }
};

// Blue, green, red of pixel (x, y) of a bottom-up 24-bit bitmap.
struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};
Bgr PixelAt(const GraphBitmapInfoHeader& h, const uint8_t* bits, int x, int y) {
    const uint8_t* p = bits + static_cast<size_t>(h.biHeight - 1 - y) * h.biWidth * 3 + 3 * x;
    return {p[0], p[1], p[2]};
}

}  // namespace

TEST_F(Render, BitmapHasTheDeviceIndependentHeaderWithWidthRoundedTo32) {
    CGraphCanvas canvas{std::make_unique<qda::QtGraphPainter>()};
    ASSERT_EQ(canvas.Create(0.125, 0.125, 0.75, 0.75, 8, 8, 2, 2, 1, 1000, 500, 300), 1);
    GraphBitmapInfoHeader h;
    const uint8_t* bits = nullptr;
    canvas.GetBitmap(h, bits);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 512);
    EXPECT_EQ(h.biHeight, 300);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biSizeImage, 512u * 300u * 3u);
    // A canvas of no size has no bitmap.
    EXPECT_EQ(canvas.Resize(0, 300), 0);
    canvas.GetBitmap(h, bits);
    EXPECT_EQ(bits, nullptr);
}

TEST_F(Render, GridTraceAndBackgroundHaveTheirColours) {
    CGraphCanvas canvas{std::make_unique<qda::QtGraphPainter>()};
    ASSERT_EQ(canvas.Create(0.125, 0.125, 0.75, 0.75, 8, 8, 2, 2, 1, 1000, 512, 512), 1);
    ASSERT_EQ(canvas.Resize(512, 512), 1);
    canvas.SetTraceCapacity(0, 384);
    canvas.SetTraceProperties(0, 1, "T0", 0, 0x0000FF);  // red
    canvas.SetMode(0, 384, 1, 1);
    const std::vector<int32_t> samples(384, 60);  // y 217, between grid rows
    canvas.SetTraceData(0, 0, 384, 0, 100, GraphDisplayFormat{2, 0, 0}, 384, samples.data());
    GraphBitmapInfoHeader h;
    const uint8_t* bits = nullptr;
    canvas.GetBitmap(h, bits);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(PixelAt(h, bits, 10, 10), (Bgr{0, 0, 0}));             // background
    EXPECT_EQ(PixelAt(h, bits, 100, 112), (Bgr{0x80, 0x80, 0x80}));  // grid row 1
    EXPECT_EQ(PixelAt(h, bits, 112, 300), (Bgr{0x80, 0x80, 0x80}));  // grid column 1
    EXPECT_EQ(PixelAt(h, bits, 100, 217), (Bgr{0, 0, 255}));         // the trace
    EXPECT_EQ(PixelAt(h, bits, 100, 230), (Bgr{0, 0, 0}));           // plot background

    // Reloading with the value 20 moves the trace; the bitmap follows.
    const std::vector<int32_t> low(384, 20);
    canvas.SetTraceData(0, 0, 384, 0, 100, GraphDisplayFormat{2, 0, 0}, 384, low.data());
    canvas.GetBitmap(h, bits);
    EXPECT_EQ(PixelAt(h, bits, 100, 217), (Bgr{0, 0, 0}));
    EXPECT_EQ(PixelAt(h, bits, 100, 371), (Bgr{0, 0, 255}));
}

// The grid, axes and peak lines are one-pixel lines along an axis: they must cover exactly the
// pixels a stroked one-pixel line covers, both end points included, in either direction and
// inside a clip.
TEST_F(Render, AxisParallelLinesCoverTheSamePixelsAsAStrokedLine) {
    const int lines[][4] = {{10, 5, 10, 50}, {10, 50, 10, 5},  {3, 7, 90, 7},
                            {90, 7, 3, 7},   {20, 20, 20, 20}, {0, 0, 0, 63}};
    for (const auto& l : lines) {
        qda::QtGraphPainter painter;
        ASSERT_TRUE(painter.Resize(96, 64));
        painter.FillRect({0, 0, 96, 64}, GraphRgb(0, 0, 0));
        painter.SetClip({0, 0, 96, 40});
        painter.SetPen(GraphRgb(0, 128, 0), 1);
        painter.Line(l[0], l[1], l[2], l[3]);

        QImage expected(96, 64, QImage::Format_RGB32);
        expected.fill(Qt::black);
        QPainter stroke(&expected);
        stroke.setClipRect(QRect(0, 0, 96, 40));
        stroke.setPen(QPen(QColor(0, 128, 0), 0));
        stroke.drawLine(l[0], l[1], l[2], l[3]);
        stroke.end();
        EXPECT_TRUE(painter.Image() == expected) << l[0] << "," << l[1] << " -> " << l[2] << "," << l[3];
    }
}
