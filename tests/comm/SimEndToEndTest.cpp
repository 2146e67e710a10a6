// The command layer and qd-atlas-cli against the controller simulator over a pseudo-terminal.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "comm/Command.h"
#include "support/ScriptedMessageBackend.h"
#include "support/SimProcess.h"

namespace {

using qda::test::RunProgram;
using qda::test::SimProcess;

class WithSimulator : public ::testing::Test {
protected:
    qda::test::ScriptedMessageBackend messages;
    std::unique_ptr<qda::test::ScopedMessageBackend> scope;
    CCommand cmd;
    std::vector<int> errors;

    void SetUp() override {
        scope = std::make_unique<qda::test::ScopedMessageBackend>(messages);
        g_bRetryAvailable = false;
        g_bDiscardER = false;
        cmd.SetTimeouts(300, 2000);
        cmd.SetErrorNotifyWindow(
            [this](unsigned, uintptr_t code, intptr_t) { errors.push_back(static_cast<int>(code)); }, 0);
    }
    void TearDown() override {
        while (cmd.RefCount() > 0) cmd.ClosePort();
    }
    bool Open(const SimProcess& sim, int baudIndex = 4) {
        qda::SerialLine s;
        s.baud = qda::BaudOfIndex(baudIndex);
        s.devicePath = sim.SlavePath();
        return cmd.OpenPort(s);
    }
};

TEST_F(WithSimulator, ModesStateAndHeads) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    ASSERT_TRUE(Open(sim));
    int storing = -1, mode = -1, c1 = -1, c2 = -1;
    ASSERT_TRUE(cmd.GetControllerState(&storing, &mode, &c1, &c2));
    EXPECT_EQ(mode, qda::kModeMeasuring);
    EXPECT_TRUE(cmd.SetControllerMode(1));
    EXPECT_NE(sim.Control("state").find("mode=setting"), std::string::npos);
    EXPECT_TRUE(cmd.SetControllerMode(0));
    EXPECT_TRUE(cmd.SetControllerMode(0)) << "already measuring";

    qda::HeadInfo info;
    std::string name;
    ASSERT_TRUE(cmd.GetHeadInfo(info, 1));
    EXPECT_TRUE(CCommand::GetHeadModelName(info.modelCode, name));
    EXPECT_EQ(name, "QD-R31");
    qda::WaveReply wave;
    ASSERT_TRUE(cmd.GetWaveform(wave, 0, 0));
    EXPECT_EQ(wave.sampleCount, 1024);
}

TEST_F(WithSimulator, RovaTuningIsCancelledByTheStateQuery) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    ASSERT_TRUE(Open(sim));
    ASSERT_TRUE(cmd.SetControllerMode(1));
    qda::CommandReply r;
    ASSERT_TRUE(cmd.SendSetCommandAndReceivePacket(0, 255, 7, nullptr, 0, r)) << "tuning starts";
    EXPECT_EQ(sim.Control("state").find("tuning=-"), std::string::npos);
    int mode = -1;
    EXPECT_TRUE(cmd.GetControllerState(nullptr, &mode, nullptr, nullptr));
    EXPECT_EQ(mode, qda::kModeSetting);
    EXPECT_NE(sim.Control("state").find("tuning=-"), std::string::npos) << "tuning cancelled";
    EXPECT_TRUE(cmd.SetControllerMode(0));
}

TEST_F(WithSimulator, FaultsOfTheLine) {
    SimProcess sim({"--notify", "all:TG+N1+N2", "--split", "20:3:5", "--error-reply", "44:2:1"});
    QDA_REQUIRE_SIM(sim);
    ASSERT_TRUE(Open(sim));
    qda::CommandReply r;
    qda::MeasuredValues values;
    qda::StorageStatus status;
    EXPECT_TRUE(cmd.GetMeasuredValues(values, 255)) << "notifications and a split reply";
    EXPECT_FALSE(cmd.ClearStatistics(r)) << "error reply";
    EXPECT_EQ(errors, std::vector<int>{2});
    EXPECT_TRUE(cmd.ClearStatistics(r)) << "the rule was used up";
    EXPECT_EQ(sim.Control("er-message 42:5:1").substr(0, 2), "OK");
    EXPECT_TRUE(cmd.GetStorageStatus(status)) << "an ER message is the reply";
    EXPECT_EQ(status.status, 5);
}

// The simulator corrupts the checksum of a third of its replies: none of them is taken, every
// accepted reply is right, and the link carries on.
TEST_F(WithSimulator, CorruptedRepliesAreNeverAccepted) {
    SimProcess sim({"--bad-checksum", "52:0.33", "--seed", "7"});
    QDA_REQUIRE_SIM(sim);
    cmd.SetTimeouts(100, 1000);  // a dropped reply ends by the silence watch
    ASSERT_TRUE(Open(sim));
    int accepted = 0, refused = 0;
    for (int i = 0; i < 40; ++i) {
        qda::HeadInfo r;
        if (cmd.GetHeadInfo(r, 1)) {
            ++accepted;
            EXPECT_EQ(r.modelCode, 0x21);
        } else {
            ++refused;
        }
    }
    RecordProperty("refused", refused);
    EXPECT_GT(refused, 3) << "corrupted frames must be refused";
    EXPECT_GT(accepted, 15);
    EXPECT_EQ(sim.Control("clear-faults").substr(0, 2), "OK");
    qda::HeadInfo r;
    EXPECT_TRUE(cmd.GetHeadInfo(r, 0)) << "the link recovers";
    EXPECT_EQ(r.modelCode, 0x00);
}

class CliWithSimulator : public ::testing::Test {
protected:
    qda::test::RunResult Cli(const SimProcess& sim, std::vector<std::string> args) {
        args.push_back("--serial");
        args.push_back(sim.SlavePath());
        return RunProgram(qda::test::BinDir() + "/qd-atlas-cli", args);
    }
};

TEST_F(CliWithSimulator, ReadingCommands) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    auto r = Cli(sim, {"state"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "蓄積データ数 - OUT1 :     0点 OUT2 :     0点   現在の状態 - 停止中\n");
    r = Cli(sim, {"head-info", "A"});
    EXPECT_EQ(r.out, "QD-R17\n");
    r = Cli(sim, {"measure", "--count", "2", "--interval", "10"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::regex line(R"(OUT[12] -?\d+\.\d{4} mm (HI|GO|LO|-)(\+(GO|LO))*( ZERO)?( TIMING)?)");
    std::istringstream lines(r.out);
    std::string l;
    int n = 0;
    while (std::getline(lines, l)) {
        EXPECT_TRUE(std::regex_match(l, line)) << l;
        ++n;
    }
    EXPECT_EQ(n, 4);
    r = Cli(sim, {"stats"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "項目\tOUT1\tOUT2");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 10);
    r = Cli(sim, {"waveform", "B", "--peak", "2"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3 + 1024);
    EXPECT_EQ(r.out.rfind("peaks,", 0), 0u);
}

TEST_F(CliWithSimulator, ActionsAndTheirFailures) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    EXPECT_EQ(Cli(sim, {"zero", "1", "on"}).exitCode, 0);
    EXPECT_NE(Cli(sim, {"measure"}).out.find("ZERO"), std::string::npos);
    EXPECT_EQ(Cli(sim, {"timing", "both"}).exitCode, 0);
    EXPECT_EQ(Cli(sim, {"reset", "2"}).exitCode, 0);
    EXPECT_EQ(Cli(sim, {"stats-clear"}).exitCode, 0);
    EXPECT_EQ(Cli(sim, {"mode", "setting"}).exitCode, 0);
    auto r = Cli(sim, {"zero", "1", "off"});
    EXPECT_EQ(r.exitCode, 1) << "auto-zero needs measuring mode";
    EXPECT_NE(r.err.find("オートゼロが失敗しました。"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("状態エラー"), std::string::npos) << r.err;
    EXPECT_EQ(Cli(sim, {"storage", "start"}).exitCode, 1) << "no OUT is set to store";
    EXPECT_EQ(Cli(sim, {"init-controller"}).out, "コントローラの初期化が終了しました。\n");

    r = Cli(sim, {"measure", "--count", "0"});
    EXPECT_EQ(r.exitCode, 2);
    r = RunProgram(qda::test::BinDir() + "/qd-atlas-cli", {"state", "--serial", "/nonexistent"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("本体に接続できません"), std::string::npos);
    sim.Control("error-reply 52:1:3");
    r = Cli(sim, {"head-info", "B"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("ヘッドが認識できません。"), std::string::npos) << r.err;
}

TEST_F(CliWithSimulator, ConnectionOptions) {
    SimProcess sim({"--over-range", "1"});
    QDA_REQUIRE_SIM(sim);
    const std::string cli = qda::test::BinDir() + "/qd-atlas-cli";
    ::setenv("QDA_COM5", sim.SlavePath().c_str(), 1);
    auto r = RunProgram(cli, {"measure", "--com", "5", "--baud", "115200", "--parity", "odd"});
    ::unsetenv("QDA_COM5");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("FFFFFF mm"), std::string::npos) << "over-range readings: " << r.out;

    struct Case {
        std::vector<std::string> args;
    } bad[] = {{{"state", "--baud", "14400"}},
               {{"state", "--com", "10"}},
               {{"state", "--parity", "mark"}},
               {{"state", "--serial", "/dev/null", "--com", "1"}},
               {{"zero", "3", "on"}},
               {{"timing"}},
               {{"waveform", "C"}},
               {{"mode", "run"}}};
    for (const Case& c : bad) {
        r = RunProgram(cli, c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args[0] << " " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

}  // namespace
