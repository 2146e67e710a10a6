// qd-atlas-cli settings defaults|check|normalize, run as a user runs them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliRunner.h"

namespace {

using qda::test::CliResult;
using qda::test::ReadFile;
using qda::test::RunCli;
using qda::test::TempFolder;
using qda::test::WriteFile;

std::string TestData(const std::string& name) {
    const char* root = std::getenv("QDA_TEST_DATA");
    return std::string(root ? root : QDA_SOURCE_TESTS) + "/settings/data/" + name;
}

const char kReadFailed[] = "設定ファイルの読み込みに失敗しました。";
const char kInvalidFormat[] = "ファイルフォーマットが不正です";

TEST(SettingsCliTest, DefaultsWritesTheDefaultFile) {
    TempFolder dir;
    const CliResult r = RunCli({"settings", "defaults", "-o", dir.Path("d.qdt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(dir.Path("d.qdt")) == ReadFile(TestData("default.qdt")));
    EXPECT_EQ(RunCli({"settings", "check", dir.Path("d.qdt")}).exitCode, 0);
}

TEST(SettingsCliTest, CheckAnswersAsTheProgramsOpenCommand) {
    TempFolder dir;
    const std::string defaults = ReadFile(TestData("default.qdt"));
    const auto edited = [&defaults](const std::string& from, const std::string& to) {
        std::string text = defaults;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case {
        const char* name;
        std::string text;  // empty: the file does not exist
        int exitCode;
        const char* message;
    } cases[] = {
        {"hand-edited", ReadFile(TestData("edited.qdt")), 0, nullptr},
        {"missing file", "", 1, kReadFailed},
        {"version 2", edited("FileVer = 1;", "FileVer = 2;"), 1, kReadFailed},
        {"active program 9", edited("Active = 0;", "Active = 9;"), 1, kInvalidFormat},
        {"letters as a value", edited("HdMsrMode = 0;", "HdMsrMode = abc;"), 1, kInvalidFormat},
        {"storage count 65537", edited("DSPoints = 65536;", "DSPoints = 65537;"), 1, kInvalidFormat},
        {"unit 2", edited("Unit = 0;", "Unit = 2;"), 1, kReadFailed},  // DispDigit needs unit 0 or 1
        {"voltage 10.5001", edited("AScaleOut1 = 10.000000;", "AScaleOut1 = 10.5001;"), 0,
         nullptr},  // cut: 10.500
        {"voltage 10.501", edited("AScaleOut1 = 10.000000;", "AScaleOut1 = 10.501;"), 1, kInvalidFormat},
    };
    for (const Case& c : cases) {
        const std::string path = dir.Path(std::string(c.name) + ".qdt");
        if (!c.text.empty()) WriteFile(path, c.text);
        const CliResult r = RunCli({"settings", "check", path});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << ": " << r.err;
        if (c.message) {
            EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        } else {
            EXPECT_EQ(r.err, "") << c.name;
        }
    }
}

TEST(SettingsCliTest, NormalizeWritesTheProgramsForm) {
    TempFolder dir;
    const CliResult r = RunCli({"settings", "normalize", TestData("edited.qdt"), "-o", dir.Path("n.qdt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = ReadFile(dir.Path("n.qdt"));
    for (const char* line :
         {"\tActive = 5;\r\n", "\t\tUnit = 1;\r\n", "\t\t\tAScaleOut2 = -8.190000;\r\n",
          "\t\t\tFilterType = 1;\r\n\t\t\tFilterDet = 3;\r\n", "\t\t\tToleUpper = 123400;\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    // Normalizing the normalized file in place changes nothing.
    ASSERT_EQ(RunCli({"settings", "normalize", dir.Path("n.qdt"), "-o", dir.Path("n.qdt")}).exitCode, 0);
    EXPECT_TRUE(ReadFile(dir.Path("n.qdt")) == text);

    // A file the program would refuse is not written.
    WriteFile(dir.Path("bad.qdt"), "[Begin]\nFileVer = 1\nActive = 8\n[End]\n");
    const CliResult bad = RunCli({"settings", "normalize", dir.Path("bad.qdt"), "-o", dir.Path("out.qdt")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find(kInvalidFormat), std::string::npos);
    EXPECT_EQ(ReadFile(dir.Path("out.qdt")), "");
}

TEST(SettingsCliTest, FailedSaveReportsTheProgramsMessages) {
    TempFolder dir;
    const CliResult r = RunCli({"settings", "defaults", "-o", dir.Path("no/such/dir/d.qdt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("ファイルが開けません。"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("設定ファイルの保存に失敗しました。"), std::string::npos) << r.err;
}

TEST(SettingsCliTest, HelpAndUsageErrors) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"settings", "--help"},
                                               {"settings", "defaults", "--help"},
                                               {"settings", "check", "--help"},
                                               {"settings", "normalize", "-h"}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 0) << args.back();
        EXPECT_EQ(r.out.rfind("usage: qd-atlas-cli settings", 0), 0u) << r.out;
    }
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"settings"},
                                               {"settings", "frob"},
                                               {"settings", "check"},
                                               {"settings", "check", "a", "b"},
                                               {"settings", "defaults"},
                                               {"settings", "defaults", "-o"},
                                               {"settings", "normalize", "a"},
                                               {"settings", "check", "a", "--verbose"}}) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.back();
        EXPECT_NE(r.err.find("usage: qd-atlas-cli settings"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(SettingsCliTest, FilesThatAreNoFilesAreRefusedAtOnce) {
    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.Path("pipe.qdt").c_str(), 0600), 0);
    // A FIFO with no writer used to block the open and /dev/zero to feed the reader forever.
    struct Case {
        std::vector<std::string> args;
        const char* message;
        const char* reason;
    } cases[] = {
        {{"settings", "check", dir.Path("pipe.qdt")}, kReadFailed, "名前付きパイプ"},
        {{"settings", "check", "/dev/zero"}, kReadFailed, "デバイス"},
        {{"storage", "load", dir.Path("pipe.qdt")},
         "蓄積データファイルの読み込みが失敗しました。",
         "名前付きパイプ"},
        {{"storage", "load", "/dev/zero"}, "蓄積データファイルの読み込みが失敗しました。", "デバイス"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
}

}  // namespace
