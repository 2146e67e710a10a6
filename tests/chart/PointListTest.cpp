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
