// The scroll bar's arithmetic: page, clamp, units and samples, and each action's step.
#include <gtest/gtest.h>

#include "chart/GraphScroll.h"

using qda::GraphScroll;
using qda::GraphScrollAction;

namespace {
GraphScroll Make(int resolution, int capacity, int visible) {
    GraphScroll s;
    s.SetResolution(resolution);
    s.SetCapacity(capacity);
    s.SetVisibleSamples(visible);
    return s;
}
}  // namespace

TEST(GraphScroll, PageAndLargestPositionFollowCapacityAndVisibleSamples) {
    struct Case {
        int resolution, capacity, visible;
        int page, maxUnits, lastSample;
    };
    const Case cases[] = {
        {32768, 65536, 65536, 32768, 0, 0},        // everything fits: nothing to scroll
        {32768, 65536, 4096, 2048, 30720, 61439},  // the last window ends on the last sample
        {1024, 1024, 256, 256, 768, 767},
        {1024, 1024, 2048, 2048, 0, 0},  // more visible samples than the capacity
        {1024, 1, 32, 32768, 0, 0},      // a one-sample trace divides by nothing
        {1024, 0, 32, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.resolution << "/" << c.capacity << "/" << c.visible);
        GraphScroll s = Make(c.resolution, c.capacity, c.visible);
        EXPECT_EQ(s.Page(), c.page);
        EXPECT_EQ(s.MaxUnits(), c.maxUnits);
        s.SetUnits(1 << 30);
        EXPECT_EQ(s.Units(), c.maxUnits);
        EXPECT_EQ(s.Samples(), c.lastSample);
        s.SetUnits(-5);
        EXPECT_EQ(s.Units(), 0);
    }
}

TEST(GraphScroll, SamplePositionsGoThroughUnits) {
    GraphScroll s = Make(32768, 65536, 4096);
    EXPECT_EQ(s.SamplesToUnits(1000), 500);
    EXPECT_EQ(s.UnitsToSamples(500), 999);  // a sample position is kept to the unit below it
    EXPECT_TRUE(s.SetSamples(8191));
    EXPECT_EQ(s.Units(), 4095);
    EXPECT_EQ(s.Samples(), 8189);
    EXPECT_FALSE(s.SetSamples(8190));  // the same unit: no change
}

TEST(GraphScroll, ActionsStepByUnitsAndStayInRange) {
    struct Case {
        int from;
        GraphScrollAction action;
        int thumb;
        int to;
    };
    const Case cases[] = {
        {10, GraphScrollAction::LineLeft, 0, 9},     {0, GraphScrollAction::LineLeft, 0, 0},
        {10, GraphScrollAction::LineRight, 0, 11},   {768, GraphScrollAction::LineRight, 0, 768},
        {150, GraphScrollAction::PageLeft, 0, 50},   {99, GraphScrollAction::PageLeft, 0, 0},
        {150, GraphScrollAction::PageRight, 0, 250}, {700, GraphScrollAction::PageRight, 0, 768},
        {5, GraphScrollAction::Thumb, 321, 321},     {5, GraphScrollAction::Thumb, 5000, 768},
        {300, GraphScrollAction::Home, 0, 0},        {300, GraphScrollAction::End, 0, 768},
    };
    for (const Case& c : cases) {
        GraphScroll s = Make(1024, 1024, 256);
        s.SetUnits(c.from);
        EXPECT_EQ(s.ActionTarget(c.action, c.thumb), c.to) << "from " << c.from;
    }
}
