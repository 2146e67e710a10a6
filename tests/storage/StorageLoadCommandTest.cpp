// qd-atlas-cli storage load FILE.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliCommand.h"

namespace qda::cli {
int RunStorageLoad(CliArgs& args, CliContext& ctx);
}

namespace {

namespace fs = std::filesystem;

struct CommandRun {
    int exitCode;
    std::string out;
    std::string err;
};

CommandRun Load(std::vector<std::string> words) {
    std::ostringstream out, err;
    qda::cli::CliContext ctx{out, err, {}};
    qda::cli::CliArgs args(std::move(words));
    const int code = qda::cli::RunStorageLoad(args, ctx);
    return {code, out.str(), err.str()};
}

std::string TempFile(const std::string& name, const std::string& text) {
    const fs::path path = fs::temp_directory_path() / ("qda-load-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

TEST(StorageLoadCommandTest, PrintsWhatTheSlotWouldHold) {
    const std::string path = TempFile("ok.csv", "1.234,Graph01\r\n1.240,3\r\n#+OVER,mm\r\n,'0.001'\r\n");
    const CommandRun run = Load({path});
    fs::remove(path);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "name: Graph01\ndeclared: 3\nread: 3\ncount: 3\nvalid: 2\nunit: mm\nformat: 0.001\n");
    EXPECT_EQ(run.err, "");
}

TEST(StorageLoadCommandTest, CountMismatchIsReportedButSucceeds) {
    const std::string path = TempFile("short.csv", "1,a\r\n2,5\r\n3,um\r\n4,'0.1'\r\n");
    const CommandRun run = Load({path});
    fs::remove(path);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("declared: 5\nread: 4\n"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("蓄積データファイルの読み込みが失敗しました。"), std::string::npos) << run.err;
}

TEST(StorageLoadCommandTest, FailedReadExitsOneWithTheMessage) {
    const std::string path = TempFile("bad.csv", "1,a\r\n2,2\r\n,MM\r\n,'0.01'\r\n");
    const CommandRun run = Load({path});
    fs::remove(path);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("QD-Atlas: 蓄積データファイルの読み込みが失敗しました。"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("unknown unit text"), std::string::npos) << run.err;

    EXPECT_EQ(Load({"/nonexistent/file.csv"}).exitCode, 1);
    EXPECT_EQ(Load({}).exitCode, 2);
    EXPECT_EQ(Load({"a.csv", "b.csv"}).exitCode, 2);
}

}  // namespace
