// How samples become the pixel points a trace is drawn from.
#include <gtest/gtest.h>

#include "chart/ChartFixture.h"

using qda::GraphPoint;

namespace {

std::vector<GraphPoint> AllPoints(const std::vector<RecordedPolyline>& lines) {
    std::vector<GraphPoint> out;
    for (const auto& l : lines) out.insert(out.end(), l.points.begin(), l.points.end());
    return out;
}

}  // namespace

TEST(PointList, OneSamplePerColumnFollowsTheValues) {
    ChartFixture f;  // 384 visible samples over 384 pixels
    f.Load(0, {50, 100, 0, 25});
    const auto lines = f.PolylinesOf(kRed);
    ASSERT_EQ(lines.size(), 1u);
    // Three points per column; value 50 is the middle of the plot, 100 its top, 0 its bottom.
    const std::vector<GraphPoint> expected = {{64, 256}, {64, 256}, {64, 256}, {65, 64},
                                              {65, 64},  {65, 64},  {66, 448}, {66, 448},
                                              {66, 448}, {67, 352}, {67, 352}, {67, 352}};
    EXPECT_EQ(lines[0].points, expected);
}

TEST(PointList, SeveralSamplesInOneColumnGiveOneStrokeThroughMinimumAndMaximum) {
    ChartFixture f(1536, 1536);  // four samples per pixel column
    f.Load(0, {50, 100, 0, 25, 60, 60, 60, 60});
    const auto points = AllPoints(f.PolylinesOf(kRed));
    // Column 64: first value 50, then up to 100 (y 64) and down to 0 (y 448); column 65 flat at 60.
    const std::vector<GraphPoint> expected = {{64, 256}, {64, 64},  {64, 448},
                                              {65, 217}, {65, 217}, {65, 217}};
    EXPECT_EQ(points, expected);
    // The list never grows beyond three points per pixel column, however many samples there are.
    std::vector<int32_t> many(1536, 40);
    f.Load(0, many);
    EXPECT_LE(f.canvas.Trace(0).PointsInList(), 3 * 385);
}

TEST(PointList, NoDataSampleSplitsThePolyline) {
    ChartFixture f;
    std::vector<int32_t> samples(10, 50);
    samples[5] = GRAPH_NO_DATA;
    f.Load(0, samples);
    const auto lines = f.PolylinesOf(kRed);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].points.front().x, 64);
    EXPECT_EQ(lines[0].points.back().x, 68);
    EXPECT_EQ(lines[1].points.front().x, 70);
    EXPECT_EQ(lines[1].points.back().x, 73);
    for (const auto& l : lines)
        for (const auto& p : l.points) EXPECT_NE(p.y, GRAPH_NO_DATA);
}

TEST(PointList, OverRangeSamplesGoToTheBandEdgesAndAreClipped) {
    ChartFixture f;
    f.Load(0, {50, GRAPH_PLUS_OVER, 50, GRAPH_MINUS_OVER, 50});
    const auto lines = f.PolylinesOf(kRed);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points[3], (GraphPoint{65, -32767}));
    EXPECT_EQ(lines[0].points[9], (GraphPoint{67, 32767}));
    // Clipped to the band: plot rectangle, bottom row included.
    EXPECT_EQ(lines[0].clip, (qda::GraphRect{64, 64, 448, 449}));
}

TEST(PointList, OffsetAndScrollPlaceSamplesOnScreen) {
    ChartFixture f(384, 1000);
    f.canvas.SetTraceProperties(0, 1, "T0", 10, kRed);
    f.Load(0, {50, 50, 50});
    // Shifted right by 10 samples: sample 0 is drawn at screen position 10.
    EXPECT_EQ(AllPoints(f.PolylinesOf(kRed)).front(), (GraphPoint{74, 256}));
    // Scroll unit 6 is sample 5 (6 x 999 / 1000): everything moves 5 pixels left.
    f.canvas.SetScrollUnits(6);
    const int scroll = f.canvas.GetScrollSamples();
    EXPECT_EQ(scroll, 5);
    EXPECT_EQ(AllPoints(f.PolylinesOf(kRed)).front().x, 64 + 10 - scroll);
}

TEST(PointList, LabelSitsAtTheLastValidValueClampedIntoTheRange) {
    ChartFixture f;
    f.Load(0, {50, 25, GRAPH_NO_DATA});
    EXPECT_EQ(f.canvas.Trace(0).lastValidIndex, 1);
    EXPECT_EQ(f.canvas.Trace(0).labelAnchorY, 352);
    // The last valid sample beyond the range puts the label at the range edge.
    f.Load(0, {50, 300});
    EXPECT_EQ(f.canvas.Trace(0).labelAnchorY, 64);
    const qda::GraphRect box = f.canvas.TraceLabelBox(0);
    EXPECT_EQ(box, (qda::GraphRect{454, 64 - 9, 512 - 27, 64 + 9}));
}

// Many samples per column at widths where the columns hold unequal runs (and a shifted, scrolled
// trace): every point lies in the column the layout gives its sample, one column after another.
TEST(PointList, ColumnsFollowTheLayoutsPixelOfEverySample) {
    for (const int width : {512, 700, 1917}) {
        for (const int visible : {1000, 65536}) {
            SCOPED_TRACE(std::to_string(width) + " px, " + std::to_string(visible) + " visible");
            RecordingPainter* painter = new RecordingPainter;
            CGraphCanvas canvas{std::unique_ptr<qda::GraphPainter>(painter)};
            canvas.Create(0.12, 0.05, 0.72, 0.9, 24, 32, 2, 2, 1, 32768, width, 400);
            canvas.Resize(width, 400);
            canvas.SetTraceCapacity(0, 65536);
            canvas.SetTraceProperties(0, 1, "T0", 7, kRed);
            canvas.SetMode(0, visible, 1, 1);
            std::vector<int32_t> samples(65536);
            for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int32_t>((i * 7919) % 100);
            canvas.SetTraceData(0, 0, 65536, 0, 100, kCounts, 65536, samples.data());
            const GraphTrace& t = canvas.Trace(0);
            // The columns the samples fall into, in order, as the layout maps screen positions.
            std::vector<int> columns;
            for (int i = 7; i < std::min(visible + 1, 7 + 65536); ++i) {
                const int x = canvas.Layout().TraceX(i, visible);
                if (columns.empty() || columns.back() != x) columns.push_back(x);
            }
            ASSERT_EQ(static_cast<size_t>(t.PointsInList()), columns.size() * 3);
            for (size_t c = 0; c < columns.size(); ++c)
                for (int k = 0; k < 3; ++k) ASSERT_EQ(t.points[c * 3 + k].x, columns[c]) << "column " << c;
        }
    }
}

TEST(PointList, FullSlotsMadeOnTwoThreadsEqualListsMadeAlone) {
    // Four slots of 65,536 samples: their lists are made two at a time. Each must be what the
    // same trace makes on its own, with the canvas's layout, view and bands.
    RecordingPainter* painter = new RecordingPainter;
    CGraphCanvas canvas{std::unique_ptr<qda::GraphPainter>(painter)};
    canvas.Create(0.12, 0.05, 0.72, 0.9, 24, 32, 2, 2, 1, 32768, 1917, 1000);
    canvas.Resize(1917, 1000);
    canvas.SetMode(1, 65536, 1, 1);
    for (int t = 0; t < GRAPH_TRACE_COUNT; ++t) {
        canvas.SetTraceCapacity(t, 65536);
        canvas.SetTraceProperties(t, 1, "T" + std::to_string(t), 3 * t, kRed);
        std::vector<int32_t> samples(65536);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<int32_t>((i * (7919 + 13 * t)) % 100000) - 50000;
        for (size_t i = 1000u * (t + 1); i < 1000u * (t + 1) + 300; ++i) samples[i] = GRAPH_NO_DATA;
        samples[40000 + t] = GRAPH_PLUS_OVER;
        canvas.SetTraceData(t, 0, 65536, -60000, 60000, kCounts, 65536, samples.data());
    }
    canvas.ComputeBands();  // every list made again, two threads at a time
    for (int t = 0; t < GRAPH_TRACE_COUNT; ++t) {
        SCOPED_TRACE("trace " + std::to_string(t));
        GraphTrace alone = canvas.Trace(t);
        alone.cacheValid = 0;
        alone.BuildPointList(canvas.Layout(), 65536, canvas.GetScrollSamples(), canvas.BandCount());
        const GraphTrace& made = canvas.Trace(t);
        ASSERT_TRUE(made.cacheValid);
        ASSERT_GT(made.points.size(), 1000u);
        EXPECT_EQ(made.points, alone.points);
        EXPECT_EQ(made.lastValidIndex, alone.lastValidIndex);
        EXPECT_EQ(made.labelAnchorY, alone.labelAnchorY);
    }
}
