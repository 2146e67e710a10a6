// The measured-value window's rules without a window: enabling and visibility, what a reading
// shows (values, styles, lamps, accessible names), the statistics list and its copy text, the
// timing plan shared with qd-atlas-cli, and the scaling dialog's OK checks.
#include <gtest/gtest.h>

#include "comm/Communication.h"
#include "monitor/CalcControls.h"
#include "monitor/CalcReadingView.h"
#include "monitor/PollPeriod.h"
#include "monitor/ScalingCheck.h"
#include "monitor/StatisticsTable.h"
#include "monitor/TimingRule.h"
#include "resources/Messages.h"
#include "settings/MessageFormat.h"

namespace {

using qda::CalcControlStates;
using qda::CalcWindowState;
using qda::LampColour;
using qda::MeasuredValues;

MeasuredValues Reading(uint8_t flags1, uint8_t flags2, int unit = 0) {
    MeasuredValues r;
    r.answered = true;
    r.status = 0;
    for (size_t i = 0; i < 2; ++i) {
        r.format[i] = {2, 4, unit};  // 0.0001 mm
    }
    r.value = {123450, -5600};
    r.out[0].raw = flags1;
    r.out[1].raw = flags2;
    return r;
}

TEST(CalcControls, ButtonsNeedARunningAcquisitionAValidReadingAndEnabledControls) {
    CalcWindowState live;
    live.running = true;
    live.readingValid = true;
    live.timingAllowed[0] = live.timingAllowed[1] = true;
    struct Case {
        const char* name;
        CalcWindowState state;
        bool enabled;
    };
    CalcWindowState stopped = live, noReading = live, refused = live, disabled = live;
    stopped.running = false;
    noReading.readingValid = false;
    refused.readingStatus = 5;
    disabled.controlsEnabled = false;
    const Case cases[] = {{"live", live, true},
                          {"stopped", stopped, false},
                          {"no reading", noReading, false},
                          {"status 5", refused, false},
                          {"controls disabled (a transfer runs)", disabled, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CalcControlStates s = qda::ComputeCalcControls(c.state);
        for (bool b : {s.leftZero, s.leftReset, s.leftTiming, s.rightZero, s.rightReset, s.rightTiming,
                       s.simultaneousTiming, s.statistics})
            EXPECT_EQ(b, c.enabled);
    }
    // A timing button also needs its OUT's timing-allowed flag; the other buttons do not.
    live.timingAllowed[1] = false;
    const CalcControlStates s = qda::ComputeCalcControls(live);
    EXPECT_TRUE(s.leftTiming);
    EXPECT_FALSE(s.rightTiming);
    EXPECT_TRUE(s.rightZero && s.simultaneousTiming);
}

TEST(CalcControls, OnlyOut2ShownMovesTheLeftGroupToOut2AndHidesTheRightGroup) {
    CalcWindowState state;
    state.running = state.readingValid = true;
    state.timingAllowed[1] = true;
    struct Case {
        bool out1, out2;
        int leftOut, selection;
        bool both;
    };
    const Case cases[] = {{true, true, 0, 255, true}, {true, false, 0, 0, false}, {false, true, 1, 1, false}};
    for (const Case& c : cases) {
        state.showOut[0] = c.out1;
        state.showOut[1] = c.out2;
        const CalcControlStates s = qda::ComputeCalcControls(state);
        EXPECT_EQ(s.leftOut, c.leftOut);
        EXPECT_EQ(s.outSelection, c.selection);
        EXPECT_EQ(s.bothShown, c.both);
        EXPECT_EQ(s.rightGroupVisible, c.both);
        EXPECT_EQ(s.simultaneousTiming, c.both);
    }
    // With only OUT2 the left timing button follows OUT2's flag.
    state.showOut[0] = false;
    EXPECT_TRUE(qda::ComputeCalcControls(state).leftTiming);
}

TEST(CalcControls, TheLastCheckedOutStaysChecked) {
    bool show[2] = {true, true};
    qda::ApplyOutCheck(show, 0, false);
    EXPECT_FALSE(show[0]);
    EXPECT_TRUE(show[1]);
    qda::ApplyOutCheck(show, 1, false);
    EXPECT_TRUE(show[1]);
    qda::ApplyOutCheck(show, 0, true);
    EXPECT_TRUE(show[0] && show[1]);
}

TEST(CalcReadingView, ValuesStylesAndLampsFollowTheReading) {
    struct Case {
        const char* name;
        uint8_t flags;
        const char* value;
        qda::ValueStyle style;
        LampColour hi, go, lo, timing, zero;
        const char* accessibleName;
    };
    using enum LampColour;
    const Case cases[] = {
        {"GO alone: normal", 0x20, "1.2345", qda::ValueStyle::kNormal, kGrey, kGreen, kGrey, kGrey, kGrey,
         "OUT1 1.2345 mm GO"},
        {"HI: alert", 0x40, "1.2345", qda::ValueStyle::kAlert, kRed, kGrey, kGrey, kGrey, kGrey,
         "OUT1 1.2345 mm HI"},
        {"LO by bit 1, zero and timing", 0x93, "1.2345", qda::ValueStyle::kAlert, kGrey, kGrey, kRed, kYellow,
         kCyan, "OUT1 1.2345 mm LO"},
        {"GO with HI by bit 3: still normal", 0x28, "1.2345", qda::ValueStyle::kNormal, kRed, kGreen, kGrey,
         kGrey, kGrey, "OUT1 1.2345 mm HI+GO"},
        {"no judgement bit", 0x00, "1.2345", qda::ValueStyle::kAlert, kGrey, kGrey, kGrey, kGrey, kGrey,
         "OUT1 1.2345 mm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qda::OutPanelView v = qda::DescribeOut(Reading(c.flags, 0x20), true, 0);
        EXPECT_EQ(v.value, c.value);
        EXPECT_EQ(v.unit, "mm");
        EXPECT_EQ(v.style, c.style);
        EXPECT_EQ(v.hi, c.hi);
        EXPECT_EQ(v.go, c.go);
        EXPECT_EQ(v.lo, c.lo);
        EXPECT_EQ(v.timing, c.timing);
        EXPECT_EQ(v.zero, c.zero);
        EXPECT_EQ(qda::OutPanelName(0, v), c.accessibleName);
    }
    const qda::OutPanelView out2 = qda::DescribeOut(Reading(0x20, 0x20), true, 1);
    EXPECT_EQ(out2.value, "-0.0560");
}

TEST(CalcReadingView, UnusableFormatsMarkersAndNoReading) {
    // Unit code 2 makes both values invalid.
    const MeasuredValues bad = Reading(0x20, 0x20, 2);
    for (int out = 0; out < 2; ++out) {
        const qda::OutPanelView v = qda::DescribeOut(bad, true, out);
        EXPECT_EQ(v.value, "--------");
        EXPECT_EQ(v.unit, "");
    }
    MeasuredValues over = Reading(0x40, 0x10);
    over.value = {0x7FFFFFFE, 0x7FFFFFFF};
    EXPECT_EQ(qda::DescribeOut(over, true, 0).value, "FFFFFF");
    EXPECT_EQ(qda::DescribeOut(over, true, 1).value, "-FFFFFF");
    over.value[0] = INT32_MIN;
    EXPECT_EQ(qda::DescribeOut(over, true, 0).value, "--------");

    // Without a valid reading the panel is empty and every lamp grey.
    const qda::OutPanelView none = qda::DescribeOut(Reading(0xFF, 0xFF), false, 0);
    EXPECT_EQ(none.value, "");
    EXPECT_EQ(none.style, qda::ValueStyle::kNone);
    for (LampColour l : {none.hi, none.go, none.lo, none.timing, none.zero}) EXPECT_EQ(l, LampColour::kGrey);
    EXPECT_EQ(qda::OutPanelName(1, none), "OUT2");
    MeasuredValues heads = Reading(0, 0);
    heads.head[0].raw = 0x1A;  // red state, second and third lamps
    const qda::HeadPanelView noHead = qda::DescribeHead(heads, false, 0);
    EXPECT_EQ(noHead.state, LampColour::kGrey);
}

TEST(CalcReadingView, HeadLampsFromTheirBits) {
    struct Case {
        uint8_t flags;
        LampColour state, second, third;
    };
    using enum LampColour;
    const Case cases[] = {{0x00, kGreen, kGrey, kGrey},
                          {0x01, kYellow, kGrey, kGrey},
                          {0x12, kRed, kRed, kGrey},
                          {0x0B, kDark, kGrey, kRed},
                          {0x80, kGreen, kGrey, kGrey}};  // bit 7 is the timing form, no lamp
    for (const Case& c : cases) {
        MeasuredValues r = Reading(0, 0);
        r.head[1].raw = c.flags;
        const qda::HeadPanelView v = qda::DescribeHead(r, true, 1);
        EXPECT_EQ(v.state, c.state) << int(c.flags);
        EXPECT_EQ(v.second, c.second) << int(c.flags);
        EXPECT_EQ(v.third, c.third) << int(c.flags);
    }
}

TEST(StatisticsTable, ColumnsFromRepliesNoDataAndTheCopyText) {
    qda::CStatisticsTable table;
    for (int row = 0; row < qda::CStatisticsTable::kRows; ++row) {
        EXPECT_EQ(table.Cell(row, 0), "***");
        EXPECT_EQ(table.Cell(row, 1), "***");
    }
    qda::Statistics s;
    s.answered = true;
    s.status = 0;
    s.format = {1, 3, 0};  // 0.001 mm
    s.field = {0, 10000, 123400, 200000, -100000, 300000, 1500, 50, 7, 40, 3};
    table.SetColumn(0, s);
    const char* expected[9] = {"1.234", "2.000", "-1.000", "3.000", "0.015", "50", "7", "40", "3"};
    for (int row = 0; row < 9; ++row) EXPECT_EQ(table.Cell(row, 0), expected[row]) << row;
    s.format.unitCode = 3;
    table.SetColumn(1, s);
    for (int row = 0; row < 9; ++row) EXPECT_EQ(table.Cell(row, 1), "***") << row;

    const std::string text = table.CopyText();
    EXPECT_EQ(text.rfind("項目\tOUT1\tOUT2\r\n平均値\t1.234\t***\r\n最大値\t2.000\t***\r\n", 0), 0u);
    EXPECT_NE(text.find("[LO]データ数\t3\t***\r\n"), std::string::npos);
    EXPECT_EQ(text.size() - text.rfind("\r\n"), 2u);
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 10u);
    table.Clear();
    EXPECT_EQ(table.Cell(0, 0), "***");
}

TEST(TimingRule, HeldOrPulsedAndTheJointCommand) {
    struct Case {
        uint8_t out1, out2, headA, headB;
        bool hold1, hold2, joint, jointHold;
    };
    const Case cases[] = {
        {0x00, 0x00, 0x00, 0x00, true, true, true, true},
        {0x01, 0x01, 0x00, 0x00, false, false, true, false},
        {0x00, 0x00, 0x80, 0x80, false, false, true, false},
        {0x01, 0x00, 0x00, 0x00, false, true, false, false},
        {0x00, 0x00, 0x80, 0x00, false, true, false, false},
        {0x00, 0x01, 0x80, 0x00, false, false, false, false},
    };
    for (const Case& c : cases) {
        MeasuredValues r = Reading(c.out1, c.out2);
        r.head[0].raw = c.headA;
        r.head[1].raw = c.headB;
        SCOPED_TRACE(testing::Message()
                     << int(c.out1) << " " << int(c.out2) << " " << int(c.headA) << " " << int(c.headB));
        EXPECT_EQ(qda::TimingHolds(r, 0), c.hold1);
        EXPECT_EQ(qda::TimingHolds(r, 1), c.hold2);
        const qda::SimultaneousTiming plan = qda::PlanSimultaneousTiming(r);
        EXPECT_EQ(plan.joint, c.joint);
        if (plan.joint) {
            EXPECT_EQ(plan.hold, c.jointHold);
        }
    }
    EXPECT_EQ(qda::PollPeriodMs(qda::LinkKind::kSerial), 300);
    EXPECT_EQ(qda::PollPeriodMs(qda::LinkKind::kUsb), 200);
    EXPECT_EQ(qda::PollPeriodMs(qda::LinkKind::kNone), 0);
}

qda::ScalingTexts Texts(std::initializer_list<const char*> a, std::initializer_list<const char*> b) {
    qda::ScalingTexts t;
    size_t i = 0;
    for (const char* s : a) t[0][i++] = s;
    i = 0;
    for (const char* s : b) t[1][i++] = s;
    return t;
}

TEST(ScalingCheck, NumbersInOrderThenEqualInputsThenTheGain) {
    const char* bounds192 = "不正な入力です。\n-99.9999～99.9999の数値を入力してください。";
    struct Case {
        const char* name;
        qda::ScalingTexts texts;
        int message;
        int head, field;
        const char* text;
    };
    const Case cases[] = {
        {"all good", Texts({"0", "0", "1", "1"}, {"0", "0", "10", "10"}), 0, 0, 0, ""},
        {"empty display 1 of head A", Texts({"0", "", "1", "1"}, {"0", "0", "1", "1"}), 192, 0, 1, bounds192},
        {"not a number in head B input 2", Texts({"0", "0", "1", "1"}, {"0", "0", "1x", "1"}), 192, 1, 2,
         bounds192},
        {"beyond 999999 steps", Texts({"0", "0", "100", "1"}, {"0", "0", "1", "1"}), 192, 0, 2, bounds192},
        {"earlier field first", Texts({"a", "0", "0", "1"}, {"b", "0", "1", "1"}), 192, 0, 0, bounds192},
        {"equal inputs 1.000 and 1.000", Texts({"1.000", "0", "1.000", "1"}, {"0", "0", "1", "1"}), 349, 0, 0,
         "入力値に同じ値は設定できません。"},
        {"equal inputs of head B after a good head A", Texts({"0", "0", "1", "1"}, {"2", "0", "2.0", "1"}),
         349, 1, 0, "入力値に同じ値は設定できません。"},
        {"gain 9.999 accepted", Texts({"0", "0", "1", "9.999"}, {"0", "0", "-1", "9.999"}), 0, 0, 0, ""},
        {"gain 9.9995 refused", Texts({"0", "0", "1", "9.9995"}, {"0", "0", "1", "1"}), 265, 0, 0,
         "スケーリング設定のスパン値は9.999以下となるように設定してください。"},
        {"gain -10 refused for head B", Texts({"0", "0", "1", "1"}, {"0", "0", "1", "-10"}), 265, 1, 0,
         "スケーリング設定のスパン値は9.999以下となるように設定してください。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qda::ScalingCheckResult r = qda::CheckScalingTexts(c.texts, 0, 2, 2);
        EXPECT_EQ(r.ok, c.message == 0);
        EXPECT_EQ(r.message, c.message);
        if (c.message != 0) {
            EXPECT_EQ(r.head, c.head);
            EXPECT_EQ(r.field, c.field);
            EXPECT_EQ(r.text, c.text);
        }
    }
    const qda::ScalingCheckResult good =
        qda::CheckScalingTexts(Texts({"0.5", "-1", "1", "1"}, {"0", "0", "1", "1"}), 0, 2, 2);
    ASSERT_TRUE(good.ok);
    EXPECT_EQ(good.values[0][0], 50000);
    EXPECT_EQ(good.values[0][1], -100000);
    // The largest integers cannot overflow the gain check.
    EXPECT_TRUE(qda::ScalingGainAllowed(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    EXPECT_FALSE(qda::ScalingGainAllowed(0, INT32_MIN, 1, INT32_MAX));
}

}  // namespace
