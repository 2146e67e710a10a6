// Loading, ranges, statistics, the shift test and what the canvas draws around the traces.
#include <gtest/gtest.h>

#include "chart/ChartFixture.h"
#include "chart/TraceFormat.h"
#include "settings/Units.h"

TEST(TraceData, SamplesThatCannotBeShownGetTheFullSixDigitRange) {
    struct Case {
        const char* what;
        std::vector<int32_t> samples;
        GraphDisplayFormat format;
        bool labelDrawn;
    };
    const Case cases[] = {
        {"all no data", {GRAPH_NO_DATA, GRAPH_NO_DATA, GRAPH_NO_DATA}, kCounts, false},
        {"all over", {GRAPH_PLUS_OVER, GRAPH_MINUS_OVER, GRAPH_PLUS_OVER}, kCounts, true},
        {"beyond six digits", {5000000, -5000000}, kCounts, true},
        {"markers in mm", {GRAPH_NO_DATA, GRAPH_PLUS_OVER}, GraphDisplayFormat{0, 1, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChartFixture f;
        f.Load(0, c.samples, 10, 20, c.format);
        int low = 0, high = 0;
        f.canvas.GetTraceRange(0, low, high);
        EXPECT_EQ(low, -999999);
        EXPECT_EQ(high, 999999);
        EXPECT_EQ(f.canvas.GetValidCount(0), 0);
        EXPECT_EQ(f.canvas.HasLastValue(0), 0);
        EXPECT_EQ(f.painter->FindText("T0") != nullptr, c.labelDrawn);
    }
    // With one displayable sample the given range stands.
    ChartFixture f;
    f.Load(0, {GRAPH_NO_DATA, 15}, 10, 20);
    int low = 0, high = 0;
    f.canvas.GetTraceRange(0, low, high);
    EXPECT_EQ(low, 10);
    EXPECT_EQ(high, 20);
    EXPECT_EQ(f.canvas.HasLastValue(0), 1);
}

TEST(TraceData, RangeIsGivenInDisplayCountsOfTheFormat) {
    ChartFixture f;
    // 0.001 mm row: 1.234 mm is raw 123400 and 1234 counts.
    f.Load(0, {123400, 123449, 123450}, -2000, 2000, GraphDisplayFormat{0, 1, 0});
    EXPECT_DOUBLE_EQ(f.canvas.Trace(0).displayMinimum, -2.0);
    EXPECT_DOUBLE_EQ(f.canvas.Trace(0).displayMaximum, 2.0);
    GraphCursorStats s;
    f.canvas.GetCursorStats(0, 1, 2, s);
    EXPECT_DOUBLE_EQ(s.valueA, 1.234);  // rounded to the least step
    EXPECT_DOUBLE_EQ(s.valueB, 1.235);
    EXPECT_NE(f.painter->FindText("(mm)"), nullptr);
    EXPECT_NE(f.painter->FindText("-2.000"), nullptr);
}

TEST(CursorStats, ValuesAtCursorsAndStatisticsOfTheDisplayedValuesBetween) {
    ChartFixture f;
    const std::vector<int32_t> samples = {10, 20, 30, 200, 40, GRAPH_NO_DATA, GRAPH_PLUS_OVER, 50, 60, 70};
    f.Load(0, samples, 0, 100);
    GraphCursorStats s;
    // 200 lies above the shown range and is left out; markers never count.
    EXPECT_EQ(f.canvas.GetCursorStats(0, 8, 1, s), 1);
    EXPECT_DOUBLE_EQ(s.valueA, 60);
    EXPECT_DOUBLE_EQ(s.valueB, 20);
    EXPECT_DOUBLE_EQ(s.minimum, 20);
    EXPECT_DOUBLE_EQ(s.maximum, 60);
    EXPECT_DOUBLE_EQ(s.average, 40);

    f.canvas.GetCursorStats(0, 6, 5, s);
    EXPECT_EQ(s.valueA, GRAPH_STAT_PLUS_OVER);
    EXPECT_EQ(s.valueB, GRAPH_STAT_NO_VALUE);
    EXPECT_EQ(s.minimum, GRAPH_STAT_NO_VALUE);

    // Zooming the range in changes what counts.
    f.Load(0, samples, 0, 45);
    f.canvas.GetCursorStats(0, 1, 8, s);
    EXPECT_DOUBLE_EQ(s.maximum, 40);
    EXPECT_DOUBLE_EQ(s.average, 30);
}

TEST(CursorStats, CursorIndicesAreReducedByTheTraceOffset) {
    ChartFixture f;
    f.canvas.SetTraceProperties(0, 1, "T0", 2, kRed);
    f.Load(0, {10, 20, 30, 200, 40, 45, 50, 50, 60, 70}, 0, 100);
    GraphCursorStats s;
    EXPECT_EQ(f.canvas.GetCursorStats(0, 5, 12, s), 1);
    EXPECT_DOUBLE_EQ(s.valueA, 200);  // the value at a cursor is shown even outside the range
    EXPECT_EQ(s.valueB, GRAPH_STAT_NO_VALUE);
    EXPECT_DOUBLE_EQ(s.minimum, 40);
    EXPECT_DOUBLE_EQ(s.maximum, 70);
    EXPECT_DOUBLE_EQ(s.average, 52.5);
    // Both cursors beyond the trace: nothing found.
    EXPECT_EQ(f.canvas.GetCursorStats(0, 100, 200, s), 0);
    // A hidden trace reports nothing.
    f.canvas.SetTraceProperties(0, 0, "T0", 2, kRed);
    EXPECT_EQ(f.canvas.GetCursorStats(0, 2, 5, s), 0);
    EXPECT_EQ(s.average, GRAPH_STAT_NO_VALUE);
}

TEST(CanShift, OneGridRowMustLeaveSamplesInView) {
    struct Case {
        std::vector<int32_t> samples;
        int up, down;
    };
    // Range 0..100 over 8 rows: one row is 12.5.
    const Case cases[] = {
        {{10, 95}, 1, 1},
        {{95, 99}, 0, 1},  // 95 is not below 100 - 12.5 (88 counts)
        {{0, 5}, 1, 0},    // 0 + 12.5 is 13 counts, not below 5
        {{GRAPH_NO_DATA}, 0, 0},
    };
    for (const Case& c : cases) {
        ChartFixture f;
        f.Load(0, c.samples, 0, 100);
        EXPECT_EQ(f.canvas.CanShift(0, 1), c.up);
        EXPECT_EQ(f.canvas.CanShift(0, 0), c.down);
    }
    // Side by side with two traces a band has 4 rows: one row is 25.
    ChartFixture f(384, 384, 1);
    f.Load(0, {80, 90}, 0, 100);
    f.Load(1, {80, 90}, 0, 100);
    EXPECT_EQ(f.canvas.CanShift(0, 1), 0);  // 80 is not below 100 - 25
    EXPECT_EQ(f.canvas.CanShift(0, 0), 1);
}

TEST(Drawing, GridLabelsAndCursorsSitWhereTheLayoutPutsThem) {
    ChartFixture f;
    f.Load(0, std::vector<int32_t>(384, 50), 0, 100);
    f.canvas.SetCursor(0, 0xFFFFFF);
    const RecordingPainter& p = *f.painter;
    int grid = 0;
    for (const auto& l : p.lines)
        if (l.colour == 0x808080) ++grid;
    EXPECT_EQ(grid, 18);  // 9 rows and 9 columns of lines
    // X labels under the plot: 0, 96, ... 384 in steps of two of the eight columns.
    const RecordedText* x96 = p.FindText("96");
    ASSERT_NE(x96, nullptr);
    EXPECT_EQ(x96->box, (qda::GraphRect{160 - 500, 450, 160 + 500, 948}));
    // Y labels of the selected trace: 25 sits on the row at y 352, right-aligned left of the tick.
    const RecordedText* y25 = p.FindText("25");
    ASSERT_NE(y25, nullptr);
    EXPECT_EQ(y25->box, (qda::GraphRect{0, 252, 55, 452}));
    EXPECT_EQ(y25->colour, kRed);
    // Cursor A at sample 0: its letter box above the plot and its line one pixel right of it.
    const RecordedText* a = p.FindText("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->box, (qda::GraphRect{59, 54, 69, 64}));
    EXPECT_EQ(p.lines.back().x1, 65);
    EXPECT_EQ(p.lines.back().y1, 64);
    EXPECT_EQ(p.lines.back().y2, 448);
}

TEST(Drawing, SideBySideBandsSplitThePlotAndNudgeTheirEndLabels) {
    ChartFixture f(384, 384, 1);
    f.Load(0, {50}, 0, 100);
    f.Load(1, {50}, 0, 100);
    EXPECT_EQ(f.canvas.TraceBand(0), (qda::GraphRect{64, 64, 448, 256}));
    EXPECT_EQ(f.canvas.TraceBand(1), (qda::GraphRect{64, 256, 448, 448}));
    // Value 50 is the middle of each band.
    EXPECT_EQ(f.canvas.Trace(0).labelAnchorY, 160);
    EXPECT_EQ(f.canvas.Trace(1).labelAnchorY, 352);
    // Axis font 512 / 50 = 10 pixels: each band's lowest label moves up by 5 and its highest down
    // by 5, so band 0's "0" and band 1's "100", both at y 256, stand 10 pixels apart.
    // Trace 1 is drawn first (the selected trace 0 comes last).
    std::vector<qda::GraphRect> zeroBoxes, hundredBoxes;
    for (const auto& t : f.painter->texts) {
        if (t.box.left != 0) continue;  // x labels
        if (t.text == "0") zeroBoxes.push_back(t.box);
        if (t.text == "100") hundredBoxes.push_back(t.box);
    }
    ASSERT_EQ(zeroBoxes.size(), 2u);
    ASSERT_EQ(hundredBoxes.size(), 2u);
    EXPECT_EQ(zeroBoxes[0], (qda::GraphRect{0, 343, 55, 543}));
    EXPECT_EQ(hundredBoxes[0], (qda::GraphRect{0, 161, 55, 361}));
    EXPECT_EQ(zeroBoxes[1], (qda::GraphRect{0, 151, 55, 351}));
    EXPECT_EQ(hundredBoxes[1], (qda::GraphRect{0, -31, 55, 169}));
}

TEST(TraceFormat, DisplayableRangeAgreesWithTheUnitTableForEveryRow) {
    std::vector<GraphDisplayFormat> formats;
    for (int row = 0; row <= 6; ++row) {
        formats.push_back({0, row, 0});
        formats.push_back({1, 0, row});
    }
    formats.push_back({2, 0, 0});
    for (const GraphDisplayFormat& f : formats) {
        SCOPED_TRACE(testing::Message() << f.unit << "/" << f.metricDigits << "/" << f.inchDigits);
        const qda::TraceFormat format(f);
        std::vector<int64_t> probes = {INT32_MIN, INT32_MIN + 1, INT32_MIN + 2, -1, 0, 1, INT32_MAX};
        for (int64_t edge : {static_cast<int64_t>(format.LowestDisplayable()),
                             static_cast<int64_t>(format.HighestDisplayable())})
            for (int64_t d = -2; d <= 2; ++d) probes.push_back(edge + d);
        for (int64_t v = -300000000; v <= 300000000; v += 9999991) probes.push_back(v);
        for (int64_t p : probes) {
            if (p < INT32_MIN || p > INT32_MAX) continue;
            const int32_t v = static_cast<int32_t>(p);
            EXPECT_EQ(format.IsDisplayable(v), IsDisplayable(v, f.unit, f.metricDigits, f.inchDigits)) << v;
        }
    }
}
