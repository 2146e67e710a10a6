// Parsing of a language module's tables and the placeholder rule that guards formatted texts.
#include <gtest/gtest.h>

#include "resources/lang/LanguageTables.h"

namespace {

using qda::FormatConversions;
using qda::ParseStringTable;
using qda::ParseUiTable;
using qda::SamePlaceholders;

TEST(LanguageTablesTest, StringTableDecodesEscapesAndSkipsComments) {
    const std::string data =
        "# comment\n"
        "\n"
        "40192\t不正な入力です。\\n%s～%s\tInvalid input.\\n%s to %s\r\n"
        "41101\t[ヘッド設定]\\t[ヘッドA]\\r\\n\t[Head settings]\\t[Head A]\\r\\n\n"
        "7\ta\\\\b\tc\\\\d";  // last line without line feed
    std::vector<qda::TranslatedString> out;
    std::string error;
    ASSERT_TRUE(ParseStringTable(data, out, error)) << error;
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].id, 40192);
    EXPECT_EQ(out[0].text, "Invalid input.\n%s to %s");
    EXPECT_EQ(out[1].japanese, "[ヘッド設定]\t[ヘッドA]\r\n");
    EXPECT_EQ(out[1].text, "[Head settings]\t[Head A]\r\n");
    EXPECT_EQ(out[2].text, "c\\d");
}

TEST(LanguageTablesTest, MalformedTablesAreRefusedWhole) {
    struct Case {
        const char* name;
        std::string data;
        const char* reason;
    };
    const Case cases[] = {
        {"two columns", "1\tok\tfine\n2\tonly two\n", "line 2: 2 fields instead of 3"},
        {"four columns", "1\ta\tb\tc\n", "line 1: 4 fields instead of 3"},
        {"id not a number", "12x\ta\tb\n", "line 1: bad string id \"12x\""},
        {"negative id", "-3\ta\tb\n", "bad string id"},
        {"empty id", "\ta\tb\n", "bad string id"},
        {"repeated id", "5\ta\tb\n5\tc\td\n", "line 2: string id 5 repeated"},
        {"unknown escape", "5\ta\tb\\x\n", "line 1: bad escape"},
        {"lone backslash at end", "5\ta\tb\\\n", "line 1: bad escape"},
        {"not UTF-8", std::string("5\ta\t\xE3\x81\n"), "not UTF-8"},
        {"overlong UTF-8", std::string("5\ta\t\xC0\xAF\n"), "not UTF-8"},
        {"overlong line", "5\ta\t" + std::string(qda::kMaxLanguageLineBytes, 'x') + "\n",
         "line 1: longer than"},
        {"oversized table", std::string(qda::kMaxLanguageTableBytes + 1, '#'), "table larger than"},
    };
    for (const Case& c : cases) {
        std::vector<qda::TranslatedString> out{{1, "x", "y"}};
        std::string error;
        EXPECT_FALSE(ParseStringTable(c.data, out, error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(out.empty()) << c.name;
    }
}

TEST(LanguageTablesTest, UiTableRefusesRepeatedAndEmptyKeys) {
    std::vector<qda::TranslatedUiText> out;
    std::string error;
    ASSERT_TRUE(ParseUiTable("ファイル(&F)\t&File\n閉じる\tClose\n", out, error)) << error;
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].text, "&File");

    EXPECT_FALSE(ParseUiTable("閉じる\tClose\n閉じる\tShut\n", out, error));
    EXPECT_NE(error.find("line 2: text repeated"), std::string::npos) << error;
    EXPECT_FALSE(ParseUiTable("\tClose\n", out, error));
    EXPECT_FALSE(ParseUiTable("閉じる\tClose\textra\n", out, error));
}

TEST(LanguageTablesTest, ConversionsAreFoundInOrder) {
    struct Case {
        const char* text;
        std::vector<std::string> conversions;
    };
    const Case cases[] = {
        {"%s～%sの数値", {"%s", "%s"}},
        {"不正な入力です。\n%4.3f～%4.3f", {"%4.3f", "%4.3f"}},
        {"%5d点", {"%5d"}},
        {"経過時間%d秒 完了まで残り%d秒", {"%d", "%d"}},
        {"100%% fertig", {}},
        {"%1 von %2", {"%1", "%2"}},
        {"%12 Stück", {"%12"}},
        {"%-8ld|%02X", {"%-8ld", "%02X"}},
        {"Ende %", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatConversions(c.text), c.conversions) << c.text;
}

TEST(LanguageTablesTest, PlaceholderRuleComparesConversionsMnemonicsAndLayout) {
    struct Case {
        const char* japanese;
        const char* translation;
        bool same;
    };
    const Case cases[] = {
        {"%s～%sの数値を入力してください。", "Enter a value from %s to %s.", true},
        {"%s～%sの数値を入力してください。", "Enter a value up to %s.", false},
        {"設定可能範囲は%d～%dです。", "The range is %s to %s.", false},  // would crash the formatter
        {"%5d点", "%d pts", false},
        {"平均回数(&9)", "Averaging count(&9)", true},
        {"平均回数(&9)", "Averaging count", false},
        {"保存(&S)", "Save && close", false},  // "&&" is a literal ampersand, not a mnemonic
        {"A\nB", "A B", false},
        {"公差\t上限値\t\t", "Tolerance\tUpper limit\t\t", true},
        {"公差\t上限値\t\t", "Tolerance\tUpper limit\t", false},
        {"[共通設定]\r\n", "[Common settings]\n", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SamePlaceholders(c.japanese, c.translation), c.same) << c.translation;
}

}  // namespace
