// The settings file text: the writer's exact bytes, what the reader accepts and what it refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "settings/SettingsDefaults.h"
#include "settings/SettingsFileCheck.h"
#include "settings/SettingsFileFormat.h"
#include "support/ScriptedMessageBackend.h"

namespace {

std::string DataFile(const std::string& name) {
    const char* root = std::getenv("QDA_TEST_DATA");
    std::ifstream in(std::string(root ? root : QDA_SOURCE_TESTS) + "/settings/data/" + name,
                     std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t pos = text.find(from);
    EXPECT_NE(pos, std::string::npos) << from;
    if (pos != std::string::npos) text.replace(pos, from.size(), to);
    return text;
}

// Parses `text` over the default block; the result, block and active program.
struct Parsed {
    bool ok;
    SettingsBlock block;
    int active;
};
Parsed Parse(const std::string& text) {
    Parsed p{false, qda::DefaultBlock(), -1};
    p.ok = qda::ParseSettingsText(text, p.block, p.active);
    return p;
}

TEST(SettingsFileTest, DefaultFileBytes) {
    const std::string golden = DataFile("default.qdt");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(qda::WriteSettingsText(qda::DefaultBlock(), 0), golden);
}

TEST(SettingsFileTest, WriterStoresOnlyTheActiveFilterAndDigitIndexes) {
    SettingsBlock block = qda::DefaultBlock();
    block.Environment.Unit = 1;
    OutSetting& out = block.Programs[0].Out1;
    out.FilterType = 2;
    out.FilterCutoff = 7;
    out.DispDigitMm = 0;
    out.DispDigitInch = 5;
    out.AScaleOut1 = -2.5004;
    const std::string text = qda::WriteSettingsText(block, 3);
    EXPECT_NE(text.find("\tActive = 3;\r\n"), std::string::npos);
    EXPECT_NE(text.find("\t\t\tFilterType = 2;\r\n\t\t\tFilterDet = 7;\r\n"), std::string::npos);
    EXPECT_NE(text.find("\t\t\tDispDigit = 5;\r\n"), std::string::npos);
    EXPECT_NE(text.find("\t\t\tAScaleOut1 = -2.500400;\r\n"), std::string::npos);

    // A unit outside 0 and 1 leaves out the unit-dependent keys; a bad filter type its index.
    block.Environment.Unit = 2;
    out.FilterType = 3;
    const std::string odd = qda::WriteSettingsText(block, 0);
    const size_t out1 = odd.find("[Out1]"), end1 = odd.find("[EndOut1]");
    const std::string section = odd.substr(out1, end1 - out1);
    for (const char* key : {"ScaleAOut1", "AScaleIn1", "DispDigit", "FilterDet"}) {
        EXPECT_EQ(section.find(key), std::string::npos) << key;
    }
    EXPECT_NE(section.find("AScaleOut1"), std::string::npos);
}

TEST(SettingsFileTest, HandEditedFileReadsLikeTheWrittenForm) {
    const Parsed p = Parse(DataFile("edited.qdt"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.active, 5);
    EXPECT_EQ(p.block.Environment.Unit, 1);
    EXPECT_EQ(p.block.Environment.Baudrate, 4);
    const OutSetting& out = p.block.Programs[2].Out2;
    EXPECT_EQ(out.FilterType, 1);
    EXPECT_EQ(out.FilterCutoff, 3);
    EXPECT_EQ(out.FilterAverage, 4);  // the unused index keeps its default
    EXPECT_EQ(out.DispDigitInch, 5);
    EXPECT_EQ(out.DispDigitMm, 2);
    EXPECT_EQ(out.AScaleOut2, -8.19);
    EXPECT_EQ(out.ToleUpper, 123400);
    EXPECT_EQ(p.block.Programs[2].HeadB.Rova, 1);
    EXPECT_EQ(p.block.Programs[2].HeadB.RovaLower, 10);

    SettingsBlock block = p.block;
    EXPECT_TRUE(qda::ValidateOpenedBlock(block, p.active));
    // Written again, the voltage keeps its millivolts.
    EXPECT_NE(qda::WriteSettingsText(block, p.active).find("AScaleOut2 = -8.190000;"), std::string::npos);
}

TEST(SettingsFileTest, RoundTripKeepsEveryStoredValue) {
    SettingsBlock block = qda::DefaultBlock();
    block.Environment = {4, 1, 3, 2, 1, 1, 1};
    for (int p = 0; p < qda::kProgramCount; ++p) {
        ProgramSetting& prog = block.Programs[p];
        prog.HeadA = {4, 1, 10 + p, 90 - p, 1, 0, 999, 9};
        prog.HeadB.AlarmCnt = p;
        prog.Out1.Calc = p % 6;
        prog.Out1.FilterType = p % 3;
        prog.Out1.FilterAverage = 9;
        prog.Out1.FilterCutoff = 8;
        prog.Out1.ToleUpper = 1234560 + p;
        prog.Out1.ToleLower = -99999999;  // the longest integer text: 9 characters
        prog.Out2.ScaleBOut2 = -7;
        prog.Out2.DispDigitInch = p % 6;
        prog.Out2.AScaleOut1 = -10.5 + p * 0.001;
        prog.Common.DSPoints = 1 + p;
    }
    const std::string text = qda::WriteSettingsText(block, 6);
    const Parsed p = Parse(text);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.active, 6);
    EXPECT_EQ(std::memcmp(&p.block.Environment, &block.Environment, sizeof block.Environment), 0);
    for (int i = 0; i < qda::kProgramCount; ++i) {
        ProgramSetting expected = block.Programs[i];
        // The index the filter type does not use comes back as its default.
        if (expected.Out1.FilterType == 0)
            expected.Out1.FilterCutoff = 2;
        else
            expected.Out1.FilterAverage = 4;
        expected.Out2.DispDigitMm = 2;  // imperial file: the metric row is not stored
        expected.Out1.DispDigitMm = 2;
        EXPECT_EQ(std::memcmp(&p.block.Programs[i], &expected, sizeof expected), 0) << "program " << i;
    }
    EXPECT_TRUE(qda::WriteSettingsText(p.block, p.active) == text);
}

TEST(SettingsFileTest, VoltagesRoundTripToTheMillivolt) {
    // Every value from -10.500 to 10.500 V in steps of 0.037 V, through the text and back.
    for (int mv = -10500; mv <= 10500; mv += 37) {
        SettingsBlock block = qda::DefaultBlock();
        block.Programs[0].Out1.AScaleOut1 = mv / 1000.0;
        const Parsed p = Parse(qda::WriteSettingsText(block, 0));
        ASSERT_TRUE(p.ok);
        ASSERT_EQ(p.block.Programs[0].Out1.AScaleOut1, mv / 1000.0) << mv;
    }
    // Written with six decimals, read cut to three.
    const std::string base = qda::WriteSettingsText(qda::DefaultBlock(), 0);
    struct Case {
        const char* text;
        double volts;
    } cases[] = {{"-8.190000", -8.19},
                 {"9.9999", 9.999},
                 {"-0.0009", 0.0},
                 {"+1.5", 1.5},
                 {"7", 7.0},
                 {"abc", qda::kUnreadableVoltage},
                 {"1e1", qda::kUnreadableVoltage},
                 {"", qda::kUnreadableVoltage},
                 {"1000000", qda::kUnreadableVoltage}};
    for (const Case& c : cases) {
        const Parsed p =
            Parse(Replace(base, "AScaleOut1 = 10.000000;", std::string("AScaleOut1 = ") + c.text + ";"));
        ASSERT_TRUE(p.ok) << c.text;
        EXPECT_EQ(p.block.Programs[0].Out1.AScaleOut1, c.volts) << c.text;
    }
}

TEST(SettingsFileTest, ValuesThatAreNoIntegersReadAsTheRejectedMarker) {
    const std::string base = qda::WriteSettingsText(qda::DefaultBlock(), 0);
    for (const char* value : {"abc", "1234567890", "", "+", "1.0", "0x10"}) {
        Parsed p = Parse(Replace(base, "HdMsrMode = 0;", std::string("HdMsrMode = ") + value + ";"));
        ASSERT_TRUE(p.ok) << value;
        EXPECT_EQ(p.block.Programs[0].HeadA.HdMsrMode, qda::kUnreadableInteger) << value;
        EXPECT_FALSE(qda::ValidateOpenedBlock(p.block, p.active));
    }
    Parsed p = Parse(Replace(base, "Active = 0;", "Active = 9;"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.active, 9);
    EXPECT_FALSE(qda::ValidateOpenedBlock(p.block, p.active));
}

TEST(SettingsFileTest, StructureFaultsFailTheRead) {
    const std::string base = qda::WriteSettingsText(qda::DefaultBlock(), 0);
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"version 2", Replace(base, "FileVer = 1;", "FileVer = 2;")},
        {"no version", Replace(base, "\tFileVer = 1;\r\n", "")},
        {"no [End]", Replace(base, "[End]\r\n", "")},
        {"text after [End]", base + "x\r\n"},
        {"text before [Begin]", "Active = 1;\r\n" + base},
        {"[Begin] twice", Replace(base, "[Env]", "[Begin]")},
        {"two head A sections", Replace(base, "[HeadB]", "[HeadA]")},
        {"program marker again after lines", Replace(base, "[Prog4]", "[Prog3]")},
        {"end marker without program", Replace(base, "\t[Prog0]\r\n", "")},
        {"key of another section", Replace(base, "AlarmLv = 4;", "Unit = 0;")},
        {"unknown key in main section", Replace(base, "Active = 0;", "Passive = 0;")},
        {"sub-section outside a program",
         Replace(base, "[EndEnv]\r\n", "[EndEnv]\r\n[Common]\r\n[EndCommon]\r\n")},
        {"FilterDet with a bad filter type", Replace(base, "FilterType = 0;", "FilterType = 7;")},
        {"DispDigit with a bad unit", Replace(base, "Unit = 0;", "Unit = 3;")},
        {"program 8", Replace(base, "[Prog7]", "[Prog8]")},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(c.text);
        EXPECT_FALSE(p.ok) << c.name;
    }
}

TEST(SettingsFileTest, LenientFormsThatStillRead) {
    const std::string base = qda::WriteSettingsText(qda::DefaultBlock(), 0);
    std::string lfOnly;
    for (char c : base) {
        if (c != '\r') lfOnly += c;
    }
    struct Case {
        const char* name;
        std::string text;
        int active;
    } cases[] = {
        {"LF only", lfOnly, 0},
        {"no Active", Replace(base, "\tActive = 0;\r\n", ""), 0},
        {"comment and blank lines",
         "// first\r\n\r\n" + Replace(base, "[EndEnv]\r\n", "[EndEnv]\r\n  // x\r\n\r\n"), 0},
        {"no indentation, no ';', tight '='", Replace(base, "\t\t\tHdMsrMode = 0;", "HdMsrMode=0"), 0},
        {"comment after ';'", Replace(base, "Active = 0;", "Active = 4; // four"), 4},
        {"[Begin] again after [End]", base + "[Begin]\r\nActive = 2;\r\n[End]\r\n", 2},
        {"empty program", Replace(base, "[Prog4]", "[Prog4]\r\n[EndProg4]\r\n[Prog4]"), 0},
        {"repeated key", Replace(base, "Active = 0;", "Active = 1;\r\nActive = 3;"), 3},
        {"no end line of the last section", Replace(base, "\t\t[EndCommon]\r\n\t[EndProg7]\r\n[End]\r\n", ""),
         -1},
    };
    for (const Case& c : cases) {
        Parsed p = Parse(c.text);
        if (c.active < 0) {
            EXPECT_FALSE(p.ok) << c.name;  // the section swallows "[End]"
            continue;
        }
        EXPECT_TRUE(p.ok) << c.name;
        EXPECT_EQ(p.active, c.active) << c.name;
    }
}

TEST(SettingsFileTest, SectionsUseTheStateReadSoFar) {
    // Programs before "[Env]" are read with the unit then in force (metric).
    const std::string text =
        "[Begin]\nFileVer = 1;\n[Prog0]\n[Out1]\nFilterDet = 7\nFilterType = 2\nDispDigit = 4\n[EndOut1]\n"
        "[EndProg0]\n[Env]\nUnit = 1\n[EndEnv]\n[End]\n";
    const Parsed p = Parse(text);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.block.Programs[0].Out1.FilterAverage, 7);  // before FilterType: the average index
    EXPECT_EQ(p.block.Programs[0].Out1.FilterCutoff, 2);
    EXPECT_EQ(p.block.Programs[0].Out1.DispDigitMm, 4);
    EXPECT_EQ(p.block.Programs[0].Out1.DispDigitInch, 2);
    EXPECT_EQ(p.block.Environment.Unit, 1);
}

}  // namespace
