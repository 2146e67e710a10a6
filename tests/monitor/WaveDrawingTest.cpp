// What the waveform window draws over its chart: the axis title in both forms, the peak lines
// with their clipping, the Near and Far marks.
#include <gtest/gtest.h>

#include <memory>

#include "chart/GraphCanvas.h"
#include "chart/RecordingPainter.h"
#include "monitor/WaveDrawing.h"

namespace {

// Also records what the chart's own painter recorder leaves out.
class OverlayPainter : public RecordingPainter {
public:
    struct Rotated {
        int x, y;
        std::string text;
        int angle;
    };
    void FillPolygon(const qda::GraphPoint* p, int n, COLORREF) override { polygons.emplace_back(p, p + n); }
    void MeasureText(const std::string& t, qda::GraphFontRole, int& w, int& h) override {
        w = 10 * static_cast<int>(t.size());
        h = 30;
    }
    void RotatedText(int x, int y, const std::string& t, qda::GraphFontRole, COLORREF, int angle) override {
        rotated.push_back({x, y, t, angle});
    }
    std::vector<std::vector<qda::GraphPoint>> polygons;
    std::vector<Rotated> rotated;
};

struct Fixture {
    OverlayPainter* painter = new OverlayPainter;
    CGraphCanvas canvas{std::unique_ptr<qda::GraphPainter>(painter)};
    explicit Fixture(int visible = 1024) {
        canvas.Create(qda::kWavePlotLeft, qda::kWavePlotTop, qda::kWavePlotWidth, qda::kWavePlotHeight, 16,
                      32, 2, 2, 0, 1024, 1024, 512);
        canvas.Resize(1024, 512);
        canvas.SetTraceCapacity(0, 1024);
        canvas.SetMode(0, visible, 1, 0);
    }
    void Draw(const qda::WaveOverlayInput& in) {
        painter->polygons.clear();
        painter->rotated.clear();
        painter->lines.clear();
        painter->texts.clear();
        qda::DrawWaveOverlay(canvas, *painter, in);
    }
};

qda::WaveOverlayInput Input(bool japanese = true) {
    qda::WaveOverlayInput in;
    in.japanese = japanese;
    in.axisTitle = japanese ? "受\n光\n量" : "Light\ninten-\nsity";
    in.nearText = "Near";
    in.farText = "Far";
    return in;
}

}  // namespace

TEST(WaveDrawing, RotatedTitleJoinsItsLines) {
    EXPECT_EQ(qda::RotatedAxisTitle("Light\ninten-\nsity"), "Light intensity");
    EXPECT_EQ(qda::RotatedAxisTitle("Licht-\nmen-\nge"), "Lichtmenge");
    EXPECT_EQ(qda::RotatedAxisTitle("受\n光\n量"), "受 光 量");
    EXPECT_EQ(qda::RotatedAxisTitle("plain"), "plain");
}

TEST(WaveDrawing, AxisTitleUprightInJapaneseAndTurnedOtherwise) {
    Fixture f;
    f.Draw(Input(true));
    const RecordedText* title = f.painter->FindText("受\n光\n量");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->box.left, static_cast<int>(0.01 * 1024));
    EXPECT_EQ(title->box.top, 256 - 15) << "vertically centred on the middle of the bitmap";
    EXPECT_EQ(title->box.right - title->box.left, 500);
    EXPECT_TRUE(f.painter->rotated.empty());

    f.Draw(Input(false));
    ASSERT_EQ(f.painter->rotated.size(), 1u);
    const auto& r = f.painter->rotated[0];
    EXPECT_EQ(r.angle, 2700);
    EXPECT_EQ(r.text, "Light intensity");
    EXPECT_EQ(r.x, f.canvas.AxisFont().height + 1);
    EXPECT_EQ(r.y, (512 - 10 * static_cast<int>(r.text.size())) / 2);
}

TEST(WaveDrawing, PeakLinesOnlyForRealPeaksInsideTheShownPlot) {
    Fixture f(256);
    auto in = Input();
    in.peak = {0, 100, 300, 500};
    in.dataValid = false;
    f.Draw(in);
    EXPECT_TRUE(f.painter->lines.empty()) << "no waveform accepted yet";

    in.dataValid = true;
    in.scroll = 0;
    f.Draw(in);
    // Visible 256 from 0: 100 is inside, 300 and 500 lie right of the plot; 0 is no peak.
    ASSERT_EQ(f.painter->lines.size(), 1u);
    const auto& line = f.painter->lines[0];
    EXPECT_EQ(line.x1, f.canvas.CursorPixel(100));
    EXPECT_EQ(line.y1, static_cast<int>(0.05 * 512));
    EXPECT_EQ(line.y2, static_cast<int>(0.95 * 512));
    EXPECT_EQ(line.colour, 0xFFFFFFu);

    in.scroll = 256;
    f.Draw(in);
    ASSERT_EQ(f.painter->lines.size(), 2u) << "scrolled: 100 is left of the plot, 300 and 500 inside";
    EXPECT_EQ(f.painter->lines[0].x1, f.canvas.CursorPixel(300 - 256));
    EXPECT_EQ(f.painter->lines[1].x1, f.canvas.CursorPixel(500 - 256));

    // The edges: the last sample position of the window maps to the plot's right edge (0.93).
    EXPECT_GE(qda::WavePeakPixel(f.canvas, 256 + 256, 256), 0);
    EXPECT_EQ(qda::WavePeakPixel(f.canvas, 256 + 257, 256), -1);
    EXPECT_EQ(qda::WavePeakPixel(f.canvas, 255, 256), -1);
}

TEST(WaveDrawing, NearAndFarMarksBelowThePlot) {
    Fixture f;
    f.Draw(Input());
    ASSERT_EQ(f.painter->polygons.size(), 2u);
    const int fh = f.canvas.AxisFont().height;
    const int top = static_cast<int>(0.05 * 512) + static_cast<int>(0.9 * 512) + fh / 3;
    const auto& nearMark = f.painter->polygons[0];
    const auto& farMark = f.painter->polygons[1];
    EXPECT_EQ(nearMark[0], (qda::GraphPoint{static_cast<int>(0.08 * 1024), top + fh / 2})) << "points left";
    EXPECT_EQ(farMark[0], (qda::GraphPoint{static_cast<int>(0.93 * 1024), top + fh / 2})) << "points right";
    for (const auto& mark : {nearMark, farMark}) {
        EXPECT_EQ(mark[1].y, top);
        EXPECT_EQ(mark[2].y, top + fh);
    }
    const RecordedText* nearText = f.painter->FindText("Near");
    const RecordedText* farText = f.painter->FindText("Far");
    ASSERT_NE(nearText, nullptr);
    ASSERT_NE(farText, nullptr);
    EXPECT_GT(nearText->box.left, nearMark[0].x) << "Near is written right of its mark";
    EXPECT_LT(farText->box.right, farMark[0].x) << "Far is written left of its mark";
}
