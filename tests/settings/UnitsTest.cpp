// Conversions, formatting and text checks of lengths in every unit row.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "settings/Units.h"

namespace {

// (unit family, digits) for the metric row selection and the imperial one.
constexpr int kMm = 0;
constexpr int kInch = 1;

TEST(UnitsTest, RoundToStepRoundsHalvesAwayFromZero) {
    struct Case {
        int family, digits;
        int32_t value;
        int64_t expected;
    } cases[] = {
        {kMm, 0, 1499, 1000},
        {kMm, 0, 1500, 2000},
        {kMm, 0, -1500, -2000},
        {kMm, 0, -1499, -1000},
        {kMm, 2, 456, 460},
        {kMm, 2, 455, 460},
        {kMm, 2, 454, 450},
        {kMm, 3, 7, 7},
        {kInch, 0, 499, 0},
        {kInch, 0, 500, 1000},
        {kMm, 6, 12345, 12345},  // invalid row: step 1
        {kMm, 0, INT32_MAX, 2147484000},
        {kMm, 0, INT32_MIN + 2, -2147484000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RoundToStep(c.value, c.family, c.digits, c.digits), c.expected)
            << "family " << c.family << " row " << c.digits << " value " << c.value;
    }
}

TEST(UnitsTest, StepsAndDisplayValues) {
    // 0.0001 mm row: divisor 100000, factor 10000, step 10.
    EXPECT_EQ(ToSteps(460, kMm, 2, 0), 46);
    EXPECT_EQ(ToSteps(469, kMm, 2, 0), 46);  // between steps: toward zero
    EXPECT_EQ(ToSteps(-469, kMm, 2, 0), -46);
    EXPECT_EQ(ToSteps(INT32_MAX, kInch, 0, 0), 2147483);
    EXPECT_DOUBLE_EQ(ToDisplayValue(456, kMm, 2, 0), 0.0046);
    EXPECT_DOUBLE_EQ(StepsToDisplayValue(-999999, kMm, 2, 0), -99.9999);
    EXPECT_EQ(DisplayValueToSteps(0.0046, kMm, 2, 0), 46);
    EXPECT_EQ(DisplayValueToSteps(2.5, kMm, 4, 0), 25);
    EXPECT_EQ(DisplayValueToSteps(-0.25, kMm, 4, 0), -3);
}

TEST(UnitsTest, ParseLengthCutsTowardZeroOntoAStep) {
    struct Case {
        const char* text;
        int family, digits;
        int64_t expected;
    } cases[] = {
        {"1.5", kMm, 2, 150000},
        {"+0.0046", kMm, 2, 460},
        {"0.00469", kMm, 2, 460},
        {"-0.00469", kMm, 2, -460},
        {"", kMm, 2, 0},
        {"abc", kMm, 2, 0},
        {"12", kMm, 4, 1200},
        {"0.5", kInch, 2, 5000},
        {"1", kInch, 0, 10000000},
        {"99.9999", kMm, 2, 9999990},
        {"0.99999999999999999999", kMm, 3, 99999},
        {"1.000000000000000000000000000000000000000001", kMm, 3, 100000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseLength64(c.text, c.family, c.digits, c.digits), c.expected) << c.text;
    }
    // Clamped to the 32-bit range, the no-value marker excluded.
    EXPECT_EQ(ParseLength("99999", kMm, 3, 0), INT32_MAX);
    EXPECT_EQ(ParseLength("-99999", kMm, 3, 0), -INT32_MAX);
    EXPECT_EQ(ParseLength64("99999", kMm, 3, 0), 9999900000LL);
    EXPECT_EQ(ParseLength64("999999999999999999999999", kMm, 3, 0), INT64_MAX);
}

TEST(UnitsTest, FormatLengthUsesTheRowFormat) {
    struct Case {
        int32_t value;
        int family, digits;
        const char* expected;
    } cases[] = {
        {456, kMm, 2, "0.0046"},         {150000, kMm, 2, "1.5000"}, {-500000, kMm, 0, "-5.00"},
        {12345, kMm, 3, "0.12345"},      {1234, kMm, 4, "12.3"},     {1234, kMm, 5, "12.34"},
        {10000000, kInch, 0, "1.0000"},  {10000, kInch, 2, "1.0"},   {5, kInch, 5, "0.0005"},
        {INT32_MIN, kMm, 2, "--------"}, {7, kMm, 6, "7.000000"},    {7, 2, 0, "7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatLength(c.value, c.family, c.digits, c.digits), c.expected) << c.value;
    }
    EXPECT_EQ(FormatLength64(0x80000000LL, kMm, 2, 2), "--------");
    EXPECT_EQ(FormatLength64(5000000000LL, kMm, 2, 2), "50000.0000");
}

TEST(UnitsTest, AValueRoundingToZeroHasNoSign) {
    // A chart's axis label computed as minimum + k x step lands a hair below zero.
    EXPECT_EQ(FormatDisplayValue(-1e-17, kMm, 2, 2), "0.0000");
    EXPECT_EQ(FormatDisplayValue(-0.0, kMm, 2, 2), "0.0000");
    EXPECT_EQ(FormatDisplayValue(-0.00004, kMm, 2, 2), "0.0000");
    EXPECT_EQ(FormatDisplayValue(-0.0001, kMm, 2, 2), "-0.0001");
    EXPECT_EQ(FormatLength(-4, kMm, 2, 2), "0.0000");
    EXPECT_EQ(FormatLength(-10, kMm, 2, 2), "-0.0001");
    EXPECT_EQ(qda::FormatFixed(-0.001, 2, 6), "  0.00");
    EXPECT_EQ(qda::FormatFixed(-10.0, 0, 0), "-10");
}

TEST(UnitsTest, FormatNeverUsesTheLocaleDecimalComma) {
    // A program that switched its C locale to the user's (as Qt does) must still write ".".
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale installed";
    EXPECT_EQ(FormatLength(150000, kMm, 2, 2), "1.5000");
    EXPECT_EQ(qda::FormatFixed(-10.0, 6), "-10.000000");
    EXPECT_TRUE(IsDecimalText("1.5"));
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(UnitsTest, MeasuredStoredAndClassifiedMarkers) {
    // 0.001 mm row: factor 1000, divisor 100000: beyond +-1000 mm is over.
    EXPECT_EQ(FormatMeasured(100000000, kMm, 1, 0), "FFFFFF");
    EXPECT_EQ(FormatMeasured(99900000, kMm, 1, 0), "999.000");
    EXPECT_EQ(FormatMeasured(-100000000, kMm, 1, 0), "-FFFFFF");
    EXPECT_EQ(FormatMeasured(INT32_MIN, kMm, 1, 0), "--------");
    EXPECT_EQ(FormatMeasured(INT32_MAX, kMm, 1, 0), "-FFFFFF");
    EXPECT_EQ(FormatMeasured(qda::kPlusOver, kMm, 1, 0), "FFFFFF");
    EXPECT_EQ(FormatMeasured(qda::kMinusOver, kMm, 1, 0), "-FFFFFF");
    EXPECT_EQ(FormatMeasured(456, kMm, 2, 0), "0.0046");

    EXPECT_EQ(FormatStored(INT32_MIN, kMm, 1, 0), "#-----");
    EXPECT_EQ(FormatStored(qda::kPlusOver, kMm, 1, 0), "#+OVER");
    EXPECT_EQ(FormatStored(qda::kMinusOver, kMm, 1, 0), "#-OVER");
    EXPECT_EQ(FormatStored(100000000, kMm, 1, 0), "#+OVER");
    EXPECT_EQ(FormatStored(-100000000, kMm, 1, 0), "#-OVER");
    EXPECT_EQ(FormatStored(123400, kMm, 1, 0), "1.234");

    EXPECT_EQ(ClassifySample(100000000, kMm, 1, 0), qda::kPlusOver);
    EXPECT_EQ(ClassifySample(99999999, kMm, 1, 0), 99999999);
    EXPECT_EQ(ClassifySample(-99999999, kMm, 1, 0), -99999999);
    EXPECT_EQ(ClassifySample(-100000000, kMm, 1, 0), qda::kMinusOver);
    for (int32_t marker : {qda::kNoValue, qda::kPlusOver, qda::kMinusOver}) {
        EXPECT_EQ(ClassifySample(marker, kMm, 1, 0), marker);
    }
    EXPECT_FALSE(IsDisplayable(INT32_MIN, kMm, 1, 0));
    EXPECT_FALSE(IsDisplayable(100000000, kMm, 1, 0));
    EXPECT_TRUE(IsDisplayable(99999999, kMm, 1, 0));
}

TEST(UnitsTest, StepBoundsOfTheRangeMessages) {
    struct Case {
        int family, digits;
        int64_t steps;
        const char* expected;
    } cases[] = {
        {kMm, 0, -999999, "-9999.99"},     {kMm, 2, 999999, "99.9999"},
        {kMm, 3, 999999, "9.99999"},       {kMm, 4, 0, "0.0"},
        {kMm, 5, 999999, "9999.99"},       {kInch, 0, -999999, "-99.9999"},
        {kInch, 2, 999999, "99999.9"},     {kInch, 5, 999999, "99.9999"},
        {kMm, 6, 999999, "999999.000000"}, {2, 0, -999999, "-999999"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatStepBound(c.steps, c.family, c.digits, c.digits), c.expected);
    }
}

TEST(UnitsTest, LabelsStepTextsAndRowLookup) {
    EXPECT_EQ(StepText(kMm, 2) + "(" + UnitLabel(kMm, 2) + ")", "0.0001(mm)");
    EXPECT_EQ(StepText(kInch, 2) + "(" + UnitLabel(kInch, 2) + ")", "0.1(mil)");
    EXPECT_EQ(UnitLabel(kMm, 7), "--");
    EXPECT_EQ(UnitLabel(2, 0), "");

    int family = -1;
    EXPECT_TRUE(UnitFamilyOfLabel("um", family));
    EXPECT_EQ(family, 0);
    EXPECT_TRUE(UnitFamilyOfLabel("mil", family));
    EXPECT_EQ(family, 1);
    EXPECT_FALSE(UnitFamilyOfLabel("MM", family));
    EXPECT_EQ(family, 2);

    int row = -1;
    EXPECT_TRUE(FindRow("um", "0.01", kMm, row));
    EXPECT_EQ(row, 5);
    EXPECT_TRUE(FindRow("mil", "0.0001", kInch, row));
    EXPECT_EQ(row, 5);
    EXPECT_FALSE(FindRow("mm", "0.1", kMm, row));
    EXPECT_EQ(row, 6);
}

TEST(UnitsTest, TextValidators) {
    struct Case {
        const char* text;
        bool integer, decimal;
    } cases[] = {
        {"+5", true, true},      {"-", false, false},        {"+", false, false},
        {"5-", false, false},    {"123456789", true, false}, {"1234567890", false, false},
        {"", false, false},      {".5", false, false},       {"-0.5", false, true},
        {"1.2.3", false, false}, {"999999.5", false, false}, {"999999.000", false, true},
        {"-999999", true, true}, {"1000000", true, false},   {"0001.5", false, true},
        {"1 ", false, false},    {"5.", false, true},        {"1e3", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsIntegerText(c.text), c.integer) << "'" << c.text << "'";
        EXPECT_EQ(IsDecimalText(c.text), c.decimal) << "'" << c.text << "'";
    }
    EXPECT_TRUE(IsSingleByteText("Graph01"));
    EXPECT_FALSE(IsSingleByteText("グラフ"));
}

TEST(UnitsTest, MillivoltsAreCutOnTheDecimalDigits) {
    // Every voltage from -10.500 to 10.500 V in 1 mV steps reads and converts back exactly.
    for (int mv = -10500; mv <= 10500; ++mv) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%d.%03d000", mv < 0 ? "-" : "", (mv < 0 ? -mv : mv) / 1000,
                      (mv < 0 ? -mv : mv) % 1000);
        double volts = 0;
        ASSERT_TRUE(qda::ParseVoltageText(text, volts)) << text;
        ASSERT_EQ(qda::VoltsToMillivolts(volts), mv) << text;
        ASSERT_EQ(qda::FormatFixed(volts, 6), text);
    }
    double volts = 0;
    ASSERT_TRUE(qda::ParseVoltageText("-2.5004", volts));
    EXPECT_EQ(qda::VoltsToMillivolts(volts), -2500);
    ASSERT_TRUE(qda::ParseVoltageText("1.9999", volts));
    EXPECT_DOUBLE_EQ(volts, 1.999);
    EXPECT_EQ(qda::VoltsToMillivolts(-8.19), -8190);
    EXPECT_FALSE(qda::ParseVoltageText("1e3", volts));
}

}  // namespace
