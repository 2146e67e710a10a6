// The mouse's drag state machine: hit tests, label and cursor drags, clicks and auto-scroll.
#include <gtest/gtest.h>

#include "chart/ChartFixture.h"

TEST(Mouse, DraggingATraceLabelMovesTheRangeAndKeepsTheLastValueInView) {
    ChartFixture f;
    f.Load(0, std::vector<int32_t>(10, 50), 0, 100);
    f.canvas.SelectTrace(1);
    const qda::GraphRect box = f.canvas.TraceLabelBox(0);
    ASSERT_EQ(box.top + 9, 256);  // value 50 sits in the middle of the plot
    const GraphPressResult press = f.canvas.Press(460, 256);
    EXPECT_EQ(press.mode, GRAPH_DRAG_TRACE_LABEL);
    EXPECT_TRUE(press.startDrag);
    EXPECT_TRUE(press.notifyLabelDrag);
    EXPECT_FALSE(press.notifyCursor);
    EXPECT_EQ(f.canvas.GetSelectedTrace(), 0);

    // 96 pixels down of a 384-pixel band of span 100: the range moves by 25, the trace down.
    EXPECT_TRUE(f.canvas.DragMove(460, 352).processed);
    int low = 0, high = 0;
    f.canvas.GetTraceRange(0, low, high);
    EXPECT_EQ(low, 25);
    EXPECT_EQ(high, 125);
    EXPECT_EQ(f.canvas.Trace(0).labelAnchorY, 352);
    // A move to the same place does nothing.
    EXPECT_FALSE(f.canvas.DragMove(460, 352).processed);
    // Far below the plot: clamped to the band, and the last value (50) stays on the range's edge.
    f.canvas.DragMove(460, 900);
    f.canvas.GetTraceRange(0, low, high);
    EXPECT_EQ(low, 50);
    EXPECT_EQ(high, 150);

    EXPECT_EQ(f.canvas.Release(), GRAPH_NOTIFY_LABEL_DRAG);
    EXPECT_EQ(f.canvas.DragMode(), GRAPH_DRAG_NONE);
}

TEST(Mouse, LabelOfATraceWithNothingValidInViewOnlySelectsIt) {
    ChartFixture f(384, 1000);
    std::vector<int32_t> samples(1000, 50);
    for (int i = 0; i < 400; ++i) samples[i] = GRAPH_PLUS_OVER;
    f.Load(0, samples, 0, 100);
    f.canvas.SelectTrace(1);
    ASSERT_EQ(f.canvas.Trace(0).lastValidIndex, -1);
    ASSERT_EQ(f.canvas.Trace(0).labelAnchorY, 64);  // plus-over puts the label at the top
    const GraphPressResult press = f.canvas.Press(460, 64);
    EXPECT_EQ(press.mode, GRAPH_DRAG_EMPTY_LABEL);
    EXPECT_FALSE(press.startDrag);
    EXPECT_EQ(f.canvas.GetSelectedTrace(), 0);
    EXPECT_EQ(f.canvas.DragMode(), GRAPH_DRAG_NONE);
}

TEST(Mouse, CursorLabelDragMovesTheCursorAndTakesTheSelection) {
    ChartFixture f;
    f.Load(0, {50}, 0, 100);
    f.canvas.SetCursor(0, 0xFFFFFF);
    f.canvas.SetCursor(1, 0xFFFFFF);
    f.canvas.MoveCursor(0, 100);
    f.canvas.MoveCursor(1, 300);
    f.canvas.SetCursorSelection(1);
    EXPECT_TRUE(f.canvas.IsOverLabel(164, 58));
    EXPECT_FALSE(f.canvas.IsOverLabel(164, 200));
    const GraphPressResult press = f.canvas.Press(164, 58);
    EXPECT_EQ(press.mode, GRAPH_DRAG_CURSOR_LABEL);
    EXPECT_TRUE(press.startDrag);
    EXPECT_TRUE(press.notifyCursor);
    EXPECT_EQ(f.canvas.GetCursorSelection(), 0);
    const GraphMoveResult move = f.canvas.DragMove(200, 58);
    EXPECT_TRUE(move.notifyCursor);
    EXPECT_EQ(f.canvas.GetCursorPosition(0), 136);
    EXPECT_EQ(f.canvas.GetCursorPosition(1), 300);
    EXPECT_FALSE(f.canvas.DragMove(200, 70).notifyCursor);  // only y changed
    EXPECT_EQ(f.canvas.Release(), GRAPH_NOTIFY_CURSOR);
}

TEST(Mouse, ClickInThePlotPutsTheSelectedCursorThere) {
    ChartFixture f;
    f.Load(0, {50}, 0, 100);
    f.canvas.SetCursor(0, 0xFFFFFF);
    f.canvas.SetCursor(1, 0xFFFFFF);
    f.canvas.SetCursorSelection(1);
    const GraphPressResult press = f.canvas.Press(164, 200);
    EXPECT_EQ(press.mode, GRAPH_DRAG_PLOT_CLICK);
    EXPECT_FALSE(press.startDrag);
    EXPECT_TRUE(press.notifyCursor);
    EXPECT_EQ(f.canvas.GetCursorPosition(1), 100);
    EXPECT_EQ(f.canvas.GetCursorPosition(0), 0);
    EXPECT_EQ(f.canvas.DragMode(), GRAPH_DRAG_NONE);
    // A hidden cursor is left alone.
    f.canvas.SetCursorVisible(1, 0, 1);
    f.canvas.Press(300, 200);
    EXPECT_EQ(f.canvas.GetCursorPosition(1), -1);
    EXPECT_FALSE(f.canvas.MoveCursor(1, 5));
    // With interaction off (no label boxes) a press does nothing.
    f.canvas.SetMode(0, 384, 2, 0);
    EXPECT_TRUE(f.canvas.Press(200, 200).ignored);
    EXPECT_EQ(f.canvas.GetCursorPosition(0), 0);
}

TEST(Mouse, BothCursorsMoveTogetherAndAreClampedToTheStorageRange) {
    struct Case {
        int a, b, x;
        int wantA, wantB;
    };
    // 65536 samples over 384 pixels: one pixel is 170.67 samples.
    const Case cases[] = {
        {1000, 3000, 64, 0, 2000},
        {100, 10, 64, 0, 0},          // B would go below 0
        {0, 65500, 70, 1024, 65535},  // B would go beyond 65535
    };
    for (const Case& c : cases) {
        ChartFixture f(65536, 65536);
        f.Load(0, {50}, 0, 100);
        f.canvas.SetCursor(0, 0xFFFFFF);
        f.canvas.SetCursor(1, 0xFFFFFF);
        f.canvas.MoveCursor(0, c.a);
        f.canvas.MoveCursor(1, c.b);
        f.canvas.SetCursorSelection(2);
        const int labelX = f.canvas.CursorLabelBox(0).left + 1;
        ASSERT_EQ(f.canvas.Press(labelX, 58).mode, GRAPH_DRAG_CURSOR_LABEL);
        f.canvas.DragMove(c.x, 58);
        EXPECT_EQ(f.canvas.GetCursorPosition(0), c.wantA);
        EXPECT_EQ(f.canvas.GetCursorPosition(1), c.wantB);
        EXPECT_EQ(f.canvas.GetCursorSelection(), 2);
    }
}

TEST(Mouse, HoldingACursorLeftOfThePlotScrollsUntilTheStart) {
    ChartFixture f(4096, 65536, 0, 32768);
    f.Load(0, std::vector<int32_t>(65536, 50), 0, 100);
    f.canvas.SetCursor(0, 0xFFFFFF);
    f.canvas.SetScrollUnits(4096);
    ASSERT_EQ(f.canvas.GetScrollSamples(), 8191);
    f.canvas.MoveCursor(0, 8191 + 96);
    const qda::GraphRect box = f.canvas.CursorLabelBox(0);
    ASSERT_EQ(f.canvas.Press(box.left + 1, box.top + 1).mode, GRAPH_DRAG_CURSOR_LABEL);
    // One pixel left of the plot: r = trunc(-1 x 4096 / 384) - 4096 / 32 = -138 samples.
    f.canvas.DragMove(63, 58);
    EXPECT_EQ(f.canvas.GetScrollSamples(), 8051);  // 8053 kept to the scroll bar's unit
    EXPECT_EQ(f.canvas.GetCursorPosition(0), 8051);
    int previous = f.canvas.GetScrollSamples();
    int repeats = 0;
    while (f.canvas.GetScrollSamples() > 0 && repeats < 200) {
        ASSERT_TRUE(f.canvas.RepeatLastPosition());
        EXPECT_LT(f.canvas.GetScrollSamples(), previous);
        previous = f.canvas.GetScrollSamples();
        ++repeats;
    }
    EXPECT_EQ(f.canvas.GetScrollSamples(), 0);
    EXPECT_EQ(f.canvas.GetCursorPosition(0), 0);
    EXPECT_EQ(repeats, 58);  // about 8051 / 138
    f.canvas.Release();
    EXPECT_FALSE(f.canvas.RepeatLastPosition());
}

TEST(Mouse, CursorRightOfTheWindowScrollsRightAndStopsAtTheEnd) {
    ChartFixture f(4096, 65536, 0, 32768);
    f.Load(0, std::vector<int32_t>(65536, 50), 0, 100);
    f.canvas.SetCursor(0, 0xFFFFFF);
    f.canvas.SetCursorSelection(0);
    const qda::GraphRect box = f.canvas.CursorLabelBox(0);
    ASSERT_EQ(f.canvas.Press(box.left + 1, box.top + 1).mode, GRAPH_DRAG_CURSOR_LABEL);
    f.canvas.DragMove(449, 58);
    EXPECT_GT(f.canvas.GetScrollSamples(), 0);
    for (int i = 0; i < 2000; ++i) f.canvas.RepeatLastPosition();
    // The last window ends on the last sample; the cursor stands at its right edge.
    EXPECT_EQ(f.canvas.GetScrollUnits(), f.canvas.Scroll().MaxUnits());
    EXPECT_EQ(f.canvas.GetScrollSamples(), 61439);
    EXPECT_EQ(f.canvas.GetCursorPosition(0), 65535);
}
