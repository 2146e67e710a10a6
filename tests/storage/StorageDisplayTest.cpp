// The data storage window's display state on a real chart canvas (drawing into a painter that
// keeps nothing): spans and zoom, auto-scale, moves, cursors, slot selection, header reactions,
// the cursor information list, the button rules and the auto-repeat of buttons and offsets.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "chart/GraphCanvas.h"
#include "settings/SettingsDefaults.h"
#include "settings/Units.h"
#include "storage/OffsetStepper.h"
#include "storage/StorageDisplay.h"

namespace {

using qda::CStorageDisplay;
using qda::CursorChoice;

class NullPainter : public qda::GraphPainter {
public:
    bool Resize(int, int) override { return true; }
    bool SetFonts(const qda::GraphFont&, const qda::GraphFont&) override { return true; }
    void FillRect(const qda::GraphRect&, COLORREF) override {}
    void SetPen(COLORREF, int) override {}
    void Line(int, int, int, int) override {}
    bool Polyline(const qda::GraphPoint*, int) override { return true; }
    void FrameRect(const qda::GraphRect&) override {}
    void Text(const qda::GraphRect&, const std::string&, unsigned, qda::GraphFontRole, COLORREF, bool,
              COLORREF) override {}
    void FillPolygon(const qda::GraphPoint*, int, COLORREF) override {}
    void MeasureText(const std::string&, qda::GraphFontRole, int& w, int& h) override { w = h = 10; }
    void RotatedText(int, int, const std::string&, qda::GraphFontRole, COLORREF, int) override {}
    void SetClip(const qda::GraphRect&) override {}
    void ClearClip() override {}
    void CopyTo(uint8_t*, int, int, int) override {}
};

struct RecordingList : qda::IStorageInfoList {
    std::map<std::pair<int, int>, std::string> cells;
    int writes = 0;
    void SetCell(int row, int column, const std::string& text) override {
        cells[{row, column}] = text;
        ++writes;
    }
    std::string At(int row, int column) const {
        auto it = cells.find({row, column});
        return it == cells.end() ? std::string() : it->second;
    }
};

// The window's chart: plot 0.12/0.05/0.72/0.9, 24 rows, 32 columns, four traces of 65536, two
// cursors, side by side over all samples.
class StorageDisplayTest : public ::testing::Test {
protected:
    CGraphCanvas canvas{std::make_unique<NullPainter>()};
    qda::CanvasStorageChart chart{canvas};
    std::array<CStorageData, qda::kStorageSlots> slots;
    CStorageDisplay display{chart, slots};

    StorageDisplayTest() {
        canvas.Create(0.12, 0.05, 0.72, 0.9, 24, 32, 2, 2, 1, 32768, 800, 600);
        canvas.Resize(800, 600);
        for (int s = 0; s < qda::kStorageSlots; ++s) {
            slots[s].Prepare();
            canvas.SetTraceCapacity(s, 65536);
            StorageGraphSetting h{};
            qda::SetStorageGraphDefaults(h, s);
            display.SetHeader(s, h);
        }
        canvas.SetCursor(0, 0xFFFFFF);
        canvas.SetCursor(1, 0xFFFFFF);
        display.SetSideBySide(true);
        display.ChooseCursors(CursorChoice::kA);
    }
    // Fills slot `s` in "um 0.01" (a raw sample is one display count) and shows it as a readout.
    void Fill(int s, const std::vector<int32_t>& values) {
        slots[s].Clear();
        slots[s].SetFormat(0, 5, 2);
        slots[s].Fill("Graph", values.data(), static_cast<int>(values.size()));
        display.ShowReadSlot(s);
    }
    std::pair<int, int> Range(int s) const {
        int low = 0, high = 0;
        canvas.GetTraceRange(s, low, high);
        return {low, high};
    }
    void SetEnable(int s, bool enable) {
        StorageGraphSetting h = display.Header(s);
        h.IsEnable = enable ? 1 : 0;
        display.SetHeader(s, h);
        display.OnHeaderChanged(true);
        display.OnHeaderEnableChanged(s);
    }
};

TEST(StorageDisplaySpans, ZoomStepsThroughTheSpanSequence) {
    const struct {
        int span, in, out;
    } cases[] = {
        {1999998, 1000000, 1999998},
        {1000000, 500000, 1999998},
        {1500000, 1000000, 1999998},
        {999999, 500000, 1000000},
        {20, 10, 50},
        {10, 10, 20},
        {5, 5, 10},
        {1, 1, 10},
        {7000, 5000, 10000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CStorageDisplay::ZoomInSpan(c.span), c.in) << c.span;
        EXPECT_EQ(CStorageDisplay::ZoomOutSpan(c.span), c.out) << c.span;
    }
}

TEST_F(StorageDisplayTest, VerticalZoomKeepsTheCentreAndStopsAtTen) {
    // The empty slot selected at opening offers neither zoom.
    EXPECT_FALSE(display.ButtonStates().verticalZoomIn);
    EXPECT_FALSE(display.ButtonStates().verticalZoomOut);
    Fill(0, {100, 200, 300});
    EXPECT_EQ(display.Span(0), 1999998);
    EXPECT_EQ(Range(0), std::make_pair(-999999, 999999));
    EXPECT_FALSE(display.ButtonStates().verticalZoomOut) << "the widest span";
    ASSERT_TRUE(display.VerticalZoom(true));
    EXPECT_EQ(display.Span(0), 1000000);
    EXPECT_EQ(Range(0), std::make_pair(-500000, 500000));

    // Moved to a centre of 1000, zooming keeps it there.
    display.LoadSlot(0, 0, 2000);
    ASSERT_TRUE(display.VerticalZoom(true));
    EXPECT_EQ(display.Span(0), 500000);
    EXPECT_EQ(Range(0), std::make_pair(1000 - 250000, 1000 + 250000));

    while (display.VerticalZoom(true)) {
    }
    EXPECT_EQ(display.Span(0), 10);
    EXPECT_FALSE(display.ButtonStates().verticalZoomIn);
    EXPECT_TRUE(display.ButtonStates().verticalZoomOut);
    ASSERT_TRUE(display.VerticalZoom(false));
    EXPECT_EQ(display.Span(0), 20);
}

TEST_F(StorageDisplayTest, HorizontalZoomStopsAt32And65536) {
    EXPECT_FALSE(display.HorizontalZoom(false));
    EXPECT_FALSE(display.ButtonStates().horizontalZoomOut);
    int steps = 0;
    while (display.HorizontalZoom(true)) ++steps;
    EXPECT_EQ(steps, 11);  // 65536 / 2^11 = 32
    EXPECT_EQ(display.VisibleSamples(), 32);
    EXPECT_EQ(canvas.VisibleSamples(), 32);
    EXPECT_FALSE(display.ButtonStates().horizontalZoomIn);
    EXPECT_TRUE(display.HorizontalZoom(false));
    EXPECT_EQ(display.VisibleSamples(), 64);
}

TEST_F(StorageDisplayTest, AReadoutIsShownWholeFromItsFirstSample) {
    // Zoomed in and scrolled away before the readout.
    for (int i = 0; i < 3; ++i) display.HorizontalZoom(true);
    canvas.SetScrollUnits(20000);
    ASSERT_GT(canvas.GetScrollSamples(), 0);
    Fill(0, std::vector<int32_t>(100, 5));
    EXPECT_EQ(display.VisibleSamples(), 128);
    EXPECT_EQ(canvas.VisibleSamples(), 128);
    EXPECT_EQ(canvas.GetScrollSamples(), 0);
    EXPECT_EQ(display.ScrollSamples(), 0);
    // The longest slot shown decides, so a shorter readout beside it cuts nothing.
    Fill(1, std::vector<int32_t>(3000, 5));
    EXPECT_EQ(display.VisibleSamples(), 4096);
    Fill(0, std::vector<int32_t>(10, 5));
    EXPECT_EQ(display.VisibleSamples(), 4096);
    SetEnable(1, false);
    Fill(0, std::vector<int32_t>(10, 5));
    EXPECT_EQ(display.VisibleSamples(), 32) << "a hidden slot takes no room";
    Fill(2, std::vector<int32_t>(65536, 5));
    EXPECT_EQ(display.VisibleSamples(), 65536);
}

TEST_F(StorageDisplayTest, AutoScaleOverTheVisibleSamples) {
    struct Case {
        const char* what;
        std::vector<int32_t> values;
        int visible;  // horizontal zoom-ins before
        int offset;
        int low, high, span;
    };
    std::vector<int32_t> ramp(4096);
    for (int i = 0; i < 4096; ++i) ramp[static_cast<size_t>(i)] = i * 10;
    std::vector<int32_t> wide = {-600000, 500000, qda::kPlusOver};
    const Case cases[] = {
        {"all samples", {50, -20, qda::kNoValue, 70, qda::kMinusOver}, 0, 0, -20, 70, 90},
        {"a flat stretch", {42, 42, 42}, 0, 0, -999999, 999999, 1999998},
        {"nothing displayable", {qda::kNoValue, qda::kPlusOver}, 0, 0, -999999, 999999, 1999998},
        {"wider than 999998 counts", wide, 0, 0, -600000, 500000, 999999},
        // 64 visible samples from scroll 0: samples 0..64 (one more than fit, to the right edge).
        {"the first 64 of a ramp", ramp, 10, 0, 0, 640, 640},
        // Shifted right by 10: screen 0..64 shows samples 0..54.
        {"shifted by its offset", ramp, 10, 10, 0, 540, 540},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StorageGraphSetting h = display.Header(0);
        h.Offset = c.offset;
        display.SetHeader(0, h);
        Fill(0, c.values);
        while (display.HorizontalZoom(false)) {
        }
        for (int i = 0; i < c.visible; ++i) display.HorizontalZoom(true);
        display.AutoScale();
        EXPECT_EQ(Range(0), std::make_pair(c.low, c.high));
        EXPECT_EQ(display.Span(0), c.span);
    }
}

TEST_F(StorageDisplayTest, MoveByOneGridRowInsideTheDisplayLimits) {
    Fill(0, {0, 100, 200});
    Fill(1, {0, 100, 200});
    for (int i = 0; i < 6; ++i) display.VerticalZoom(true);  // 1999998 -> 20000
    ASSERT_EQ(display.Span(1), 20000);
    const auto [low, high] = Range(1);
    // Side by side with two slots shown: a row is 20000 / (24 / 2).
    ASSERT_TRUE(display.Move(true));
    EXPECT_EQ(Range(1), std::make_pair(low - 1666, high - 1666));
    display.SetSideBySide(false);
    ASSERT_TRUE(display.Move(false));
    ASSERT_TRUE(display.Move(false));
    EXPECT_EQ(Range(1), std::make_pair(low - 1666 + 2 * 833, high - 1666 + 2 * 833));

    // Near the limits the range stops at them, keeping its height.
    display.LoadSlot(1, -999500, -979500);
    display.Move(true);
    EXPECT_EQ(Range(1), std::make_pair(-999999, -979999));
    display.LoadSlot(1, 979500, 999500);
    display.Move(false);
    EXPECT_EQ(Range(1), std::make_pair(979999, 999999));

    // A span below one row still moves by one count.
    while (display.VerticalZoom(true)) {
    }
    display.LoadSlot(1, 95, 105);
    display.Move(false);
    EXPECT_EQ(Range(1), std::make_pair(96, 106));
}

TEST_F(StorageDisplayTest, CursorKeysMoveTheSelectedCursorsWithAGrowingStep) {
    Fill(0, std::vector<int32_t>(1000, 5));
    canvas.MoveCursor(0, 100);
    canvas.MoveCursor(1, 3);

    EXPECT_TRUE(display.MoveCursorsByKey(+1));
    EXPECT_TRUE(display.MoveCursorsByKey(+1));
    EXPECT_EQ(canvas.GetCursorPosition(0), 103) << "steps 1, then 2";
    EXPECT_EQ(display.CursorStep(), 3);
    display.ResetCursorStep();

    // With A and B selected both move, but not when either would reach 0.
    display.ChooseCursors(CursorChoice::kBoth);
    EXPECT_TRUE(display.MoveCursorsByKey(-1));
    EXPECT_EQ(canvas.GetCursorPosition(0), 102);
    EXPECT_EQ(canvas.GetCursorPosition(1), 2);
    EXPECT_FALSE(display.MoveCursorsByKey(-1)) << "B would reach 0";
    EXPECT_EQ(canvas.GetCursorPosition(0), 102);
    EXPECT_EQ(canvas.GetCursorPosition(1), 2);

    // At the right end of the samples nothing moves past 65535.
    display.ResetCursorStep();
    display.ChooseCursors(CursorChoice::kB);
    canvas.MoveCursor(1, 65533 - 2);
    EXPECT_TRUE(display.MoveCursorsByKey(+1));
    EXPECT_EQ(canvas.GetCursorPosition(1), 65534);
    EXPECT_TRUE(display.MoveCursorsByKey(+1) == false);
    EXPECT_EQ(canvas.GetCursorPosition(1), 65534);

    display.ChooseCursors(CursorChoice::kHidden);
    EXPECT_FALSE(display.MoveCursorsByKey(-1));
    EXPECT_EQ(canvas.GetCursorPosition(0), -1);
    EXPECT_EQ(display.OnCursorNotify(), CursorChoice::kHidden) << "hidden stays hidden";
    display.ChooseCursors(CursorChoice::kBoth);
    EXPECT_EQ(display.OnCursorNotify(), CursorChoice::kBoth);
}

TEST_F(StorageDisplayTest, SlotSelectionCyclesThroughShownSlotsAndFollowsTheHeaders) {
    Fill(0, {1, 2});
    Fill(2, {3, 4});
    Fill(3, {5, 6});
    SetEnable(3, false);
    canvas.SelectTrace(0);
    EXPECT_TRUE(display.SelectAdjacentSlot(true));
    EXPECT_EQ(display.SelectedSlot(), 2) << "slot 1 is empty";
    EXPECT_TRUE(display.SelectAdjacentSlot(true));
    EXPECT_EQ(display.SelectedSlot(), 0) << "slot 3 is hidden";
    EXPECT_TRUE(display.SelectAdjacentSlot(false));
    EXPECT_EQ(display.SelectedSlot(), 2);

    // Disabling the selected slot moves the selection to the next shown one; enabling a slot
    // with values selects it.
    SetEnable(2, false);
    EXPECT_EQ(display.SelectedSlot(), 0);
    SetEnable(3, true);
    EXPECT_EQ(display.SelectedSlot(), 3);
    EXPECT_FALSE(display.ButtonStates().header[1]);
    EXPECT_TRUE(display.ButtonStates().header[2]) << "a hidden slot's header stays usable";
    EXPECT_TRUE(display.ButtonStates().save);
}

TEST_F(StorageDisplayTest, HeaderNamesReachSlotsAndTraces) {
    Fill(1, {1});
    StorageGraphSetting h = display.Header(1);
    std::strcpy(h.GraphName, "Left wheel");
    h.Color = 0x123456;
    display.SetHeader(1, h);
    display.OnHeaderChanged(false);
    EXPECT_EQ(slots[1].Name(), "Left wheel");
    EXPECT_EQ(canvas.Trace(1).name, "Left wheel");
    EXPECT_EQ(canvas.Trace(1).colour, 0x123456u);

    h.Offset = 40;
    display.SetHeader(1, h);
    display.OnHeaderOffsetChanged(1);
    EXPECT_EQ(canvas.Trace(1).xOffset, 40);
}

TEST_F(StorageDisplayTest, CursorInformationListTextsAndCache) {
    Fill(0, {100, qda::kPlusOver, 300, 400, qda::kNoValue, 600});
    Fill(1, {qda::kMinusOver, 10});
    RecordingList list;
    canvas.MoveCursor(0, 0);
    canvas.MoveCursor(1, 3);
    display.RefreshList(list);
    // um with two decimals: a count of 100 is 1.00 um.
    EXPECT_EQ(list.At(0, 1), "1.00");
    EXPECT_EQ(list.At(0, 2), "4.00");
    EXPECT_EQ(list.At(0, 3), "-3.00");
    EXPECT_EQ(list.At(0, 4), "4.00");
    EXPECT_EQ(list.At(0, 5), "1.00");
    EXPECT_EQ(list.At(0, 6), FormatDisplayValue((1.0 + 3.0 + 4.0) / 3, 0, 5, 2));
    EXPECT_EQ(list.At(1, 1), "-FFFFFF");
    EXPECT_EQ(list.At(1, 2), "***") << "beyond its values";
    EXPECT_EQ(list.At(1, 3), "***");
    EXPECT_EQ(list.At(1, 4), "0.10");
    EXPECT_EQ(list.At(2, 1), "") << "an empty slot's row is never written";

    // Nothing changed: only the differences are written again.
    list.writes = 0;
    display.RefreshList(list);
    EXPECT_EQ(list.writes, 2);

    canvas.MoveCursor(1, -2);  // B at 1: plus-over
    list.writes = 0;
    display.RefreshList(list);
    EXPECT_EQ(list.At(0, 2), "FFFFFF");
    EXPECT_EQ(list.At(0, 3), "***");
    EXPECT_EQ(list.At(0, 4), "1.00");

    // Hidden cursors: every shown row reads "***" once.
    display.ChooseCursors(CursorChoice::kHidden);
    list.writes = 0;
    display.RefreshList(list);
    EXPECT_EQ(list.writes, 12);
    EXPECT_EQ(list.At(0, 1), "***");
    list.writes = 0;
    display.RefreshList(list);
    EXPECT_EQ(list.writes, 0);
}

TEST_F(StorageDisplayTest, LoadedSlotIsCentredOnItsPresentRange) {
    Fill(2, {1, 2});
    display.LoadSlot(2, 1000, 3000);
    display.ShowLoadedSlot(2);
    EXPECT_EQ(Range(2), std::make_pair(2000 - 999999, 2000 + 999999));
    EXPECT_EQ(display.Span(2), 1999998);
    EXPECT_EQ(display.SelectedSlot(), 2);
}

TEST_F(StorageDisplayTest, ButtonsRepeatOnlyWhileHeldAfterFiveTicks) {
    using Flags = std::array<bool, qda::kRepeatButtonCount>;
    Flags pressed{}, held{};
    pressed[qda::kRepeatVerticalIn] = held[qda::kRepeatVerticalIn] = true;
    pressed[qda::kRepeatMoveDown] = true;  // pressed, but its key is no longer held
    display.StartRepeat();
    for (int tick = 1; tick <= 5; ++tick) {
        const qda::RepeatDecision d = display.RepeatTick(pressed, held);
        EXPECT_FALSE(d.repeat[qda::kRepeatVerticalIn] || d.stopTimer || d.release[qda::kRepeatMoveDown])
            << tick;
    }
    qda::RepeatDecision d = display.RepeatTick(pressed, held);
    EXPECT_TRUE(d.repeat[qda::kRepeatVerticalIn]);
    EXPECT_TRUE(d.release[qda::kRepeatMoveDown]);
    EXPECT_FALSE(d.stopTimer);
    held = {};
    d = display.RepeatTick(pressed, held);
    EXPECT_TRUE(d.stopTimer);
    EXPECT_EQ(display.RepeatCount(), 0);
}

TEST(OffsetStepper, HoldingAButtonDoublesTheStepEverySixTicksWithinTheLimits) {
    qda::COffsetStepper stepper;
    int offset = stepper.Step(0, +1);
    EXPECT_TRUE(stepper.Running());
    std::vector<int> seen;
    for (int tick = 0; tick < 13; ++tick) {
        ASSERT_TRUE(stepper.Tick(offset, false, true, false, false));
        seen.push_back(offset);
    }
    // Press and five ticks by 1 (about a second), then by 2, then by 4.
    const std::vector<int> expected = {2, 3, 4, 5, 6, 7, 9, 11, 13, 15, 17, 19, 23};
    EXPECT_EQ(seen, expected);

    // Right arrow held stops the increase; so does letting go.
    EXPECT_FALSE(stepper.Tick(offset, false, true, false, true));
    EXPECT_FALSE(stepper.Running());
    EXPECT_EQ(stepper.StepSize(), 1);
    offset = stepper.Step(offset, -1);
    EXPECT_FALSE(stepper.Tick(offset, false, false, false, false));

    // Never beyond the limits, whatever the step has grown to.
    offset = stepper.Step(65530, +1);
    for (int tick = 0; tick < 40; ++tick) stepper.Tick(offset, false, true, false, false);
    EXPECT_EQ(offset, 65535);
    stepper.Stop();
    offset = stepper.Step(-65530, -1);
    for (int tick = 0; tick < 40; ++tick) stepper.Tick(offset, true, false, false, false);
    EXPECT_EQ(offset, -65535);
    EXPECT_FALSE(stepper.Tick(offset, true, false, true, false)) << "Left arrow held";
}

}  // namespace
