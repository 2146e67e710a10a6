// The chart drawn for screens of 1.5 and 2 device pixels per logical pixel: its image holds
// device pixels, lines cover whole device pixels in full colour and texts are drawn at the
// screen's resolution, not a 1 x picture enlarged.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <cmath>

#include "WidgetApplication.h"
#include "chart/Graph.h"
#include "chart/GraphCanvas.h"
#include "chart/QtGraphPainter.h"
#include "support/RenderAtRatio.h"

namespace {

constexpr COLORREF kRed = 0x0000FF;
constexpr QRgb kGrey = 0xFF808080;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kRedRgb = 0xFFFF0000;

class HiDpiRender : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureWidgetApplication(); }
};

// A 512 x 512 chart, plot from 64 to 448, 8 x 8 grid (rows and columns every 48 pixels) and one
// red trace flat at y 217, drawn at `ratio`.
void DrawChart(CGraphCanvas& canvas) {
    ASSERT_EQ(canvas.Create(0.125, 0.125, 0.75, 0.75, 8, 8, 2, 2, 1, 1000, 512, 512), 1);
    ASSERT_EQ(canvas.Resize(512, 512), 1);
    canvas.SetTraceCapacity(0, 384);
    canvas.SetTraceProperties(0, 1, "T0", 0, kRed);
    canvas.SetMode(0, 384, 1, 1);
    const std::vector<int32_t> samples(384, 60);
    canvas.SetTraceData(0, 0, 384, 0, 100, GraphDisplayFormat{2, 0, 0}, 384, samples.data());
}

// Device pixels of column `x` (rows y0..y1) or row `y` that hold anything but the given colours.
int Strays(const QImage& image, int x0, int y0, int x1, int y1, std::initializer_list<QRgb> allowed) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000;
            if (std::find(allowed.begin(), allowed.end(), c) == allowed.end()) ++n;
        }
    return n;
}

}  // namespace

TEST_F(HiDpiRender, LinesCoverWholeDevicePixelsInFullColourAtTwiceAndOneAndAHalf) {
    for (const double ratio : {2.0, 1.5}) {
        SCOPED_TRACE(ratio);
        auto* painter = new qda::QtGraphPainter;
        painter->SetDevicePixelRatio(ratio);
        CGraphCanvas canvas{std::unique_ptr<qda::GraphPainter>(painter)};
        DrawChart(canvas);
        const QImage& image = painter->Image();
        EXPECT_EQ(image.width(), std::ceil(512 * ratio));
        EXPECT_DOUBLE_EQ(image.devicePixelRatio(), ratio);
        // Grid row 1 (logical y 112) and column 1 (logical x 112), and the trace at y 217: each
        // one logical pixel, so ratio device pixels (1 or 2 at 1.5), all in full colour.
        auto span = [&](int logical) {
            return std::pair<int, int>(static_cast<int>(std::floor(logical * ratio)),
                                       static_cast<int>(std::ceil((logical + 1) * ratio)) - 1);
        };
        const auto [row0, row1] = span(112);
        const auto [trace0, trace1] = span(217);
        const int x = static_cast<int>(100 * ratio);
        int grey = 0, red = 0;
        for (int y = row0 - 1; y <= row1 + 1; ++y) grey += (image.pixel(x, y) | 0xFF000000) == kGrey;
        for (int y = trace0 - 1; y <= trace1 + 1; ++y) red += (image.pixel(x, y) | 0xFF000000) == kRedRgb;
        EXPECT_GE(grey, static_cast<int>(ratio)) << "the grid row is as thick as a logical pixel";
        EXPECT_LE(grey, static_cast<int>(std::ceil(ratio)));
        EXPECT_GE(red, static_cast<int>(ratio)) << "the trace is as thick as a logical pixel";
        EXPECT_LE(red, static_cast<int>(std::ceil(ratio)));
        // No half tones along a column through the plot (a blurred enlargement would have them),
        // nor along a row through the grid columns.
        EXPECT_EQ(Strays(image, x, static_cast<int>(64 * ratio), x, static_cast<int>(447 * ratio),
                         {kBlack, kGrey, kRedRgb}),
                  0);
        EXPECT_EQ(Strays(image, static_cast<int>(64 * ratio), static_cast<int>(300 * ratio),
                         static_cast<int>(447 * ratio), static_cast<int>(300 * ratio), {kBlack, kGrey}),
                  0);
        // The y labels are drawn at the device resolution: finer than 2 x 2 blocks.
        if (ratio == 2.0) {
            EXPECT_FALSE(qda::test::PixelDoubled(image, QRect(0, 2 * 80, 2 * 60, 2 * 380)));
        }
    }
}

TEST_F(HiDpiRender, TheWindowShowsTheChartAtTheScreensRatio) {
    CGraph graph;
    const int sb = graph.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    graph.resize(512, 512 + sb);
    ASSERT_EQ(graph.Create(nullptr, 0, 0.125, 0.125, 0.75, 0.75, 8, 8, 2, 2, 1, 1000), 1);
    graph.SetTraceCapacity(0, 384);
    graph.SetTraceProperties(0, 1, "T0", 0, kRed);
    graph.SetMode(0, 384, 1, 1);
    const std::vector<int32_t> samples(384, 60);
    graph.SetTraceData(0, 0, 384, 0, 100, GraphDisplayFormat{2, 0, 0}, 384, samples.data());

    const QImage shot = qda::test::RenderAt(graph, 2.0).convertToFormat(QImage::Format_RGB32);
    // The trace at logical y 217: device rows 434 and 435 in full red, their neighbours black.
    EXPECT_EQ(shot.pixel(200, 433) | 0xFF000000, kBlack);
    EXPECT_EQ(shot.pixel(200, 434) | 0xFF000000, kRedRgb);
    EXPECT_EQ(shot.pixel(200, 435) | 0xFF000000, kRedRgb);
    EXPECT_EQ(shot.pixel(200, 436) | 0xFF000000, kBlack);
    EXPECT_FALSE(qda::test::PixelDoubled(shot, QRect(0, 160, 120, 760)))
        << "labels drawn at 2 x, not enlarged";
    // And back on the 1 x screen the chart is drawn at 1 x again.
    const QImage plain = graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(plain.pixel(100, 217) | 0xFF000000, kRedRgb);
    EXPECT_EQ(plain.pixel(100, 218) | 0xFF000000, kBlack);
}
