// qd-atlas-cli receive, send and storage read against qd-atlas-sim on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliRunner.h"
#include "settings/Configuration.h"
#include "settings/TransferTestSupport.h"
#include "support/SimProcess.h"

namespace {

using qda::test::CliResult;
using qda::test::ReadFile;
using qda::test::RunCli;
using qda::test::SimProcess;
using qda::test::TempFolder;

const char kReceived[] = "設定を受信しました。";
const char kSent[] = "設定を送信しました。";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliWithSimulator : public ::testing::Test {
protected:
    TempFolder dir;
    std::unique_ptr<SimProcess> sim;

    void Start(const std::vector<std::string>& args = {}) {
        if (SimProcess::Binary().empty()) GTEST_SKIP() << "qd-atlas-sim is not built in QDA_BIN_DIR";
        sim = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(sim->ok());
    }
    CliResult Cli(std::vector<std::string> args) {
        args.insert(args.end(), {"--serial", sim->SlavePath(), "--baud", "115200"});
        return RunCli(args);
    }
    // A settings file of a block whose every setting differs from the defaults.
    std::string NonDefaultFile(const std::string& name, int unit, int active) {
        SettingsBlock b = qda::test::NonDefaultBlock(unit);
        ProgramSetting& p = b.Programs[active];
        p.Common.SampRate = 0;  // 20 us
        p.Common.DSFreq = 0;    // every sample
        p.Common.DSPoints = 2000;
        const std::string path = dir.Path(name);
        EXPECT_TRUE(CConfiguration().Save(path, b, active));
        return path;
    }
    std::string StorageStatus() { return Cli({"storage", "status"}).out; }
};

TEST_F(CliWithSimulator, ReceiveSendReceiveGivesTheSameFile) {
    Start();
    for (int unit : {1, 0}) {
        SCOPED_TRACE(unit);
        const std::string original = NonDefaultFile("nd" + std::to_string(unit) + ".qdt", unit, 4);
        CliResult r = Cli({"send", original});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Has(r.err, kSent)) << r.err;

        const std::string r1 = dir.Path("r1.qdt"), r2 = dir.Path("r2.qdt");
        r = Cli({"receive", "-o", r1});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Has(r.err, kReceived)) << r.err;
        EXPECT_TRUE(ReadFile(r1) == ReadFile(original)) << "the controller holds what was sent";

        ASSERT_EQ(Cli({"send", r1}).exitCode, 0);
        ASSERT_EQ(Cli({"receive", "-o", r2}).exitCode, 0);
        EXPECT_TRUE(ReadFile(r1) == ReadFile(r2));
    }
}

TEST_F(CliWithSimulator, FailuresShowTheTransfersMessages) {
    // The controller answers the settings reads with error replies: a communication error.
    Start({"--error-reply", "10:5"});
    const std::string out = dir.Path("never.qdt");
    CliResult r = Cli({"receive", "-o", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err, "設定の受信中に通信エラーが発生しました。")) << r.err;
    EXPECT_TRUE(ReadFile(out).empty()) << "no file is written";

    // Setting mode refused: the transfer cannot start.
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--error-reply", "6:5"});
    ASSERT_TRUE(sim->ok());
    r = Cli({"receive", "-o", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err, "設定の受信に失敗しました。")) << r.err;
    r = Cli({"send", NonDefaultFile("nd.qdt", 0, 0)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err, "設定の送信に失敗しました。")) << r.err;

    // A file the program would not open is not sent.
    r = Cli({"send", dir.Path("missing.qdt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err, "設定ファイルの読み込みに失敗しました。")) << r.err;
    EXPECT_EQ(RunCli({"send"}).exitCode, 2);
    EXPECT_EQ(RunCli({"receive"}).exitCode, 2);
}

TEST_F(CliWithSimulator, StorageReadWritesBothOuts) {
    Start();
    ASSERT_EQ(Cli({"send", NonDefaultFile("st.qdt", 0, 2)}).exitCode, 0);
    ASSERT_EQ(Cli({"storage", "start"}).exitCode, 0);
    // 2000 values 20 us apart: storing ends by itself almost at once.
    for (int i = 0; i < 100 && !Has(StorageStatus(), "停止中"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(Has(StorageStatus(), "2000点"));

    const std::string a = dir.Path("a.csv"), b = dir.Path("b.csv");
    CliResult r = Cli({"storage", "read", "--out", "both", "-o", a, "--o2", b});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Program 2: OUT1 in 0.0001 mm, OUT2 in 0.01 um.
    const struct {
        std::string path, name, unit, format;
    } files[] = {{a, "Graph01", "mm", "'0.0001'"}, {b, "Graph02", "um", "'0.01'"}};
    for (const auto& f : files) {
        const std::string text = ReadFile(f.path);
        std::vector<std::string> lines;
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find("\r\n", at);
            ASSERT_NE(end, std::string::npos);
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        ASSERT_EQ(lines.size(), 2000u);
        EXPECT_TRUE(Has(lines[0], "," + f.name)) << lines[0];
        EXPECT_TRUE(Has(lines[1], ",2000")) << lines[1];
        EXPECT_TRUE(Has(lines[2], "," + f.unit)) << lines[2];
        EXPECT_TRUE(Has(lines[3], "," + f.format)) << lines[3];
        EXPECT_EQ(RunCli({"storage", "load", f.path}).exitCode, 0);
    }

    // One OUT into one file; --o2 belongs to "both" only.
    r = Cli({"storage", "read", "--out", "2", "-o", dir.Path("c.csv")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(dir.Path("c.csv")) == ReadFile(b));
    EXPECT_EQ(Cli({"storage", "read", "--out", "1", "-o", a, "--o2", b}).exitCode, 2);
    EXPECT_EQ(Cli({"storage", "read", "--out", "both", "-o", a}).exitCode, 2);
}

TEST_F(CliWithSimulator, StorageReadWhileStoringNeedsStop) {
    Start();
    const std::string file = NonDefaultFile("long.qdt", 0, 0);
    std::string text = ReadFile(file);
    // Program 0 stores 65536 values once a millisecond: still storing when the readout comes.
    const std::string from = "SampRate = 0;";
    text.replace(text.find(from), from.size(), "SampRate = 5;");
    const std::string points = "DSPoints = 2000;";
    text.replace(text.find(points), points.size(), "DSPoints = 65536;");
    qda::test::WriteFile(file, text);
    ASSERT_EQ(Cli({"send", file}).exitCode, 0);
    ASSERT_EQ(Cli({"storage", "start"}).exitCode, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    const std::string a = dir.Path("a.csv");
    CliResult r = Cli({"storage", "read", "--out", "1", "-o", a});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err, "蓄積を停止してデータを取得しますか？")) << r.err;
    EXPECT_TRUE(ReadFile(a).empty());
    EXPECT_TRUE(Has(StorageStatus(), "蓄積中"));

    r = Cli({"storage", "read", "--out", "1", "-o", a, "--stop"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(StorageStatus(), "停止中"));
    EXPECT_TRUE(Has(ReadFile(a), ",Graph01\r\n"));
}

TEST_F(CliWithSimulator, TimingIsHeldAndReleasedAsTheMeasuredValueWindowGivesIt) {
    Start();
    // With the default trigger the controller holds the timing input: "on" alone sets it, the
    // next timing releases it; "both" with both held off holds both at once.
    auto line = [&](int out) {
        const std::string text = Cli({"measure"}).out;
        const size_t at = text.find("OUT" + std::to_string(out) + " ");
        return text.substr(at, text.find('\n', at) - at);
    };
    ASSERT_EQ(Cli({"timing", "1"}).exitCode, 0);
    EXPECT_TRUE(Has(line(1), "TIMING")) << line(1);
    EXPECT_FALSE(Has(line(2), "TIMING"));
    ASSERT_EQ(Cli({"timing", "1"}).exitCode, 0);
    EXPECT_FALSE(Has(line(1), "TIMING"));
    ASSERT_EQ(Cli({"timing", "both"}).exitCode, 0);
    EXPECT_TRUE(Has(line(1), "TIMING") && Has(line(2), "TIMING"));
    ASSERT_EQ(Cli({"timing", "both"}).exitCode, 0);
    EXPECT_FALSE(Has(line(1), "TIMING") || Has(line(2), "TIMING"));
}

}  // namespace
