// The transfer of all settings: the wire forms of the setting addresses, the order and bytes of a
// send, the out flag, and whole blocks sent to and received back from the controller simulator.
#include <gtest/gtest.h>

#include <functional>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "comm/ByteOrder.h"
#include "comm/Command.h"
#include "settings/SettingWireForm.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsTransfer.h"
#include "settings/TransferTestSupport.h"
#include "settings/Units.h"
#include "settings/UpdateLock.h"
#include "settings/Validation.h"
#include "simulator/SimController.h"
#include "support/PtyController.h"
#include "support/ScriptedMessageBackend.h"
#include "support/SimProcess.h"

namespace {

using qda::SettingAddress;
using qda::test::Bytes;
using qda::test::Chunk;

// ---- wire forms -------------------------------------------------------------------------------

std::string Encoded(const ProgramSetting& p, int unit, SettingAddress a) {
    std::string data;
    EXPECT_TRUE(qda::EncodeProgramSetting(p, unit, a, data)) << a.group << "," << a.sub << "," << a.item;
    return data;
}

TEST(SettingWireForm, TextFormsOfAWrite) {
    ProgramSetting p = qda::DefaultBlock().Programs[0];
    p.HeadA.RovaLower = 5;
    p.HeadA.RovaUpper = 10;
    p.HeadB.AlarmCnt = 7;
    p.Out1.DispDigitMm = 2;  // 0.0001 mm: 10 internal units a step
    p.Out1.AScaleIn1 = -123450;
    p.Out1.AScaleOut1 = 10.0;
    p.Out1.AScaleIn2 = 5000;
    p.Out1.AScaleOut2 = -2.5004;
    p.Out1.Offset = -15;  // cut toward zero onto the step
    p.Out1.ToleUpper = 500000;
    p.Out1.ToleLower = -500000;
    p.Out1.ToleHys = 1230;
    p.Out2.DispDigitInch = 1;  // 0.00001 inch: 100 internal units a step
    p.Out2.Offset = 99999900;
    p.Common.DSPoints = 300;
    struct Case {
        int unit;
        SettingAddress a;
        const char* data;
    } cases[] = {
        {0, {0, 0, 1}, "10,05"},
        {0, {0, 1, 5}, "007"},
        {0, {1, 0, 11}, "-012345,+10000,+000500,-02500"},
        {0, {1, 0, 9}, "-000001"},
        {0, {1, 0, 13}, "+050000,-050000"},
        {0, {1, 0, 14}, "000123"},
        {1, {1, 1, 9}, "+999999"},
        {0, {2, 0, 6}, "00300"},
    };
    for (const Case& c : cases) EXPECT_EQ(Encoded(p, c.unit, c.a), c.data) << c.data;
    EXPECT_EQ(Encoded(p, 0, {1, 0, 10}), std::string(1, '\x02'));
    EXPECT_EQ(Encoded(p, 1, {1, 1, 10}), std::string(1, '\x01'));

    // A value with more steps than its text holds has no wire form; nothing is sent for it.
    std::string data;
    p.Out2.Offset = 100000000;
    EXPECT_FALSE(qda::EncodeProgramSetting(p, 1, {1, 1, 9}, data));
    EXPECT_FALSE(qda::EncodeProgramSetting(p, 2, {1, 0, 9}, data)) << "no digits row for unit 2";
}

TEST(SettingWireForm, ReplyFormsOfARead) {
    ProgramSetting p = qda::DefaultBlock().Programs[0];
    p.Out1.DispDigitMm = 1;    // 0.001 mm
    p.Out2.DispDigitInch = 3;  // 0.01 mil
    ASSERT_TRUE(qda::DecodeProgramSetting(p, 0, {0, 0, 1}, "10,05"));
    EXPECT_EQ(p.HeadA.RovaUpper, 10);
    EXPECT_EQ(p.HeadA.RovaLower, 5);
    ASSERT_TRUE(qda::DecodeProgramSetting(p, 0, {1, 0, 2}, "+001.234,-000.500,+999.999,-999.999"));
    EXPECT_EQ(p.Out1.ScaleAIn1, 123400);
    EXPECT_EQ(p.Out1.ScaleAOut1, -50000);
    EXPECT_EQ(p.Out1.ScaleAIn2, 99999900);
    EXPECT_EQ(p.Out1.ScaleAOut2, -99999900);
    ASSERT_TRUE(qda::DecodeProgramSetting(p, 0, {1, 0, 11}, "-001.000,-08.190,+002.000,+10.500"));
    EXPECT_EQ(p.Out1.AScaleIn1, -100000);
    EXPECT_EQ(qda::VoltsToMillivolts(p.Out1.AScaleOut1), -8190);
    EXPECT_EQ(p.Out1.AScaleOut2, 10.5);
    ASSERT_TRUE(qda::DecodeProgramSetting(p, 1, {1, 1, 14}, "0012.34"));
    EXPECT_EQ(p.Out2.ToleHys, 123400);
    ASSERT_TRUE(qda::DecodeProgramSetting(p, 0, {2, 0, 6}, "65536"));
    EXPECT_EQ(p.Common.DSPoints, 65536);

    // Replies that are not the address's form change nothing.
    const ProgramSetting before = p;
    const struct {
        SettingAddress a;
        std::string_view data;
    } bad[] = {
        {{0, 0, 1}, "10"},
        {{0, 0, 1}, "1x,05"},
        {{1, 0, 2}, "+001.234,-000.500,+999.999"},
        {{1, 0, 11}, "-001.000,-08.1x0,+002.000,+10.500"},
        {{1, 0, 13}, "+001.000,"},
        {{1, 0, 9}, std::string_view("\0\0\0\0", 4)},
        {{0, 0, 0}, ""},
        {{2, 0, 6}, "6553a"},
    };
    for (const auto& c : bad) EXPECT_FALSE(qda::DecodeProgramSetting(p, 0, c.a, c.data)) << c.data;
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
}

// The transfer, the ROVA tuning and the mode handling take their addresses from one table: every
// address a transfer walks is in it, and each write carries exactly the table's data length.
TEST(SettingWireForm, TransferAddressesAreTheTablesAndWritesHaveItsLengths) {
    const ProgramSetting p = qda::test::NonDefaultBlock(0).Programs[3];
    std::vector<SettingAddress> walked(qda::ProgramReadOrder().begin(), qda::ProgramReadOrder().end());
    for (const qda::ProgramWrite& w : qda::ProgramWriteOrder()) walked.push_back(w.address);
    walked.push_back(qda::OutAddress(0, qda::kOutDispDigit));
    for (int unit : {0, 1}) {
        for (const SettingAddress& a : walked) {
            const qda::SettingEntry* e = qda::FindSetting(a);
            ASSERT_NE(e, nullptr) << a.group << "," << a.sub << "," << a.item;
            EXPECT_EQ(static_cast<int>(Encoded(p, unit, a).size()), qda::WriteLength(e->form))
                << a.group << "," << a.sub << "," << a.item;
        }
    }
    for (const SettingAddress& a : {qda::kUnitAddress, qda::kProgramAddress, qda::kPrgChangeAddress,
                                    qda::kEcoAddress, qda::kCancelTuningBothAddress})
        EXPECT_NE(qda::FindSetting(a), nullptr);
    // Addresses the controller does not have, and actions, have no value form.
    std::string data;
    for (const SettingAddress& a : {SettingAddress{0, 0, 2}, SettingAddress{1, 2, 0}, SettingAddress{2, 1, 0},
                                    SettingAddress{3, 0, 4}, qda::HeadAddress(0, qda::kHeadTuningStart)}) {
        EXPECT_FALSE(qda::EncodeProgramSetting(p, 0, a, data)) << a.group << "," << a.sub << "," << a.item;
        ProgramSetting q = p;
        EXPECT_FALSE(qda::DecodeProgramSetting(q, 0, a, "1")) << a.group << "," << a.sub << "," << a.item;
    }
    // No address appears twice.
    const auto table = qda::SettingTable();
    for (size_t i = 0; i < table.size(); ++i)
        for (size_t j = i + 1; j < table.size(); ++j) EXPECT_FALSE(table[i].address == table[j].address) << i;
}

// Every millivolt of the analog output range goes to the wire and comes back unchanged, although
// most of them (e.g. -8.190 V) have no exact binary value.
TEST(SettingWireForm, VoltagesKeepEveryMillivolt) {
    ProgramSetting p = qda::DefaultBlock().Programs[0];
    p.Out1.DispDigitMm = 2;
    p.Out1.AScaleIn1 = 0;
    p.Out1.AScaleIn2 = 10;
    int checked = 0;
    for (int mv = -10500; mv <= 10500; mv += 7) {
        p.Out1.AScaleOut1 = mv / 1000.0;
        p.Out1.AScaleOut2 = -mv / 1000.0;
        char expected[64];
        std::snprintf(expected, sizeof expected, "+000000,%+06d,+000001,%+06d", mv, -mv);
        ASSERT_EQ(Encoded(p, 0, {1, 0, 11}), expected);

        // The controller reads it back in volts with three decimals.
        char reply[64];
        std::snprintf(reply, sizeof reply, "+00.0000,%c%02d.%03d,+00.0001,%c%02d.%03d", mv < 0 ? '-' : '+',
                      std::abs(mv) / 1000, std::abs(mv) % 1000, mv > 0 ? '-' : '+', std::abs(mv) / 1000,
                      std::abs(mv) % 1000);
        ProgramSetting q = p;
        ASSERT_TRUE(qda::DecodeProgramSetting(q, 0, {1, 0, 11}, reply)) << reply;
        ASSERT_EQ(Encoded(q, 0, {1, 0, 11}), expected) << reply;
        ++checked;
    }
    EXPECT_GT(checked, 3000);
    p.Out1.AScaleOut1 = -8.190;
    EXPECT_EQ(Encoded(p, 0, {1, 0, 11}).substr(8, 6), "-08190");
}

// ---- a controller on a pseudo-terminal ---------------------------------------------------------

// The simulator's controller core answering on a pty, with a hook that may answer a packet in
// its place (std::nullopt: the controller answers; an empty reply: silence).
class ScriptedSimulator {
public:
    using Hook = std::function<std::optional<Bytes>(const Bytes& packet)>;

    ScriptedSimulator() : m_sim(qda::sim::SimController::Options{}, m_faults) {
        m_pty.SetScript([this](const Bytes& packet) -> std::vector<Chunk> {
            std::optional<Bytes> reply;
            {
                std::lock_guard<std::mutex> g(m_lock);
                if (m_hook) reply = m_hook(packet);
            }
            if (!reply) reply = m_sim.HandlePacket(packet);
            if (reply->empty()) return {};
            return {Chunk{qda::test::Frame(*reply)}};
        });
    }
    void SetHook(Hook hook) {
        std::lock_guard<std::mutex> g(m_lock);
        m_hook = std::move(hook);
    }
    qda::test::PtyController& Pty() { return m_pty; }

private:
    // The pty's peer thread uses everything above it; it is declared last so it stops first.
    qda::sim::SimFaults m_faults;
    qda::sim::SimController m_sim;
    std::mutex m_lock;
    Hook m_hook;
    qda::test::PtyController m_pty;
};

bool IsWrite(const Bytes& p, SettingAddress a) {
    return p.size() >= 7 && p[3] == CMD_WRITE_SETTING && p[4] == a.group && p[5] == (a.sub & 0xFF) &&
           p[6] == a.item;
}
bool IsRead(const Bytes& p, SettingAddress a) {
    return p.size() >= 7 && p[3] == CMD_READ_SETTING && p[4] == a.group && p[5] == (a.sub & 0xFF) &&
           p[6] == a.item;
}
std::string WriteData(const Bytes& p) {
    return std::string(p.begin() + 7, p.end());
}

class TransferTest : public ::testing::Test {
protected:
    qda::test::ScriptedMessageBackend messages;
    std::unique_ptr<qda::test::ScopedMessageBackend> scope;
    CCommand cmd;
    ScriptedSimulator controller;
    TransferParam param;

    void SetUp() override {
        scope = std::make_unique<qda::test::ScopedMessageBackend>(messages);
        g_bRetryAvailable = false;
        cmd.SetTimeouts(300, 2000);
        ASSERT_TRUE(controller.Pty().ok());
        qda::SerialLine s;
        s.baud = 115200;
        s.devicePath = controller.Pty().SlavePath();
        ASSERT_TRUE(cmd.OpenPort(s));
        param.command = &cmd;
    }
    void TearDown() override {
        while (cmd.RefCount() > 0) cmd.ClosePort();
    }
    // Packets received since `from`.
    std::vector<Bytes> PacketsSince(size_t from) {
        const auto all = controller.Pty().Packets();
        return {all.begin() + static_cast<long>(std::min(from, all.size())), all.end()};
    }
};

TEST_F(TransferTest, SendWritesEveryProgramWithHysteresisClearedAroundTheLimits) {
    param.image = qda::test::NonDefaultBlock(0);
    param.image.Programs[0].Out1.AScaleOut1 = 10.0;
    param.image.Programs[0].Out1.AScaleOut2 = -2.5004;
    param.program = 5;
    int flag = -1;
    ASSERT_TRUE(SetSettings(param, 1, 1, &flag));
    EXPECT_EQ(flag, 0);
    const auto packets = PacketsSince(0);

    // The ROVA range of head A in program 0 (upper 10, lower 5), the analog voltages of OUT1.
    int program = -1;
    std::vector<std::vector<std::string>> limitWrites(8);  // per program: "13/o:data", "14/o:data"
    bool sawRova = false, sawAnalog = false;
    for (const Bytes& p : packets) {
        if (IsWrite(p, qda::kProgramAddress)) program = p[7];
        if (program == 0 && IsWrite(p, {0, 0, 1})) {
            EXPECT_EQ(WriteData(p), "10,05");
            sawRova = true;
        }
        if (program == 0 && IsWrite(p, {1, 0, 11})) {
            EXPECT_EQ(WriteData(p).substr(8, 6), "+10000");
            EXPECT_EQ(WriteData(p).substr(23, 6), "-02500");
            sawAnalog = true;
        }
        for (int o = 0; o < 2; ++o)
            for (int item : {13, 14})
                if (IsWrite(p, {1, o, item}) && program >= 0)
                    limitWrites[program].push_back(std::to_string(item) + "/" + std::to_string(o) + ":" +
                                                   WriteData(p));
    }
    EXPECT_TRUE(sawRova);
    EXPECT_TRUE(sawAnalog);
    // Program 1: OUT1 row 1 (0.001 mm), OUT2 row 4 (0.1 um); both at 100 x step units apart.
    const std::vector<std::string> expected = {"14/0:000000",          "14/1:000000", "13/0:+001235,-002346",
                                               "13/1:+001235,-002346", "14/0:000013", "14/1:000013"};
    EXPECT_EQ(limitWrites[1], expected);
    for (int p = 0; p < 8; ++p) EXPECT_EQ(limitWrites[p].size(), 6u) << "program " << p;

    // The full send writes the unit before the programs, the environment after them, then selects
    // the block's program and writes its program switching last.
    ASSERT_FALSE(packets.empty());
    size_t unitAt = 0, firstProgram = 0, lastSwitch = 0, lastSelect = 0;
    for (size_t i = 0; i < packets.size(); ++i) {
        if (IsWrite(packets[i], qda::kUnitAddress)) unitAt = i;
        if (IsWrite(packets[i], qda::kProgramAddress) && firstProgram == 0) firstProgram = i;
        if (IsWrite(packets[i], qda::kProgramAddress)) lastSelect = i;
        if (IsWrite(packets[i], qda::kPrgChangeAddress)) lastSwitch = i;
    }
    EXPECT_LT(unitAt, firstProgram);
    EXPECT_EQ(packets[lastSelect][7], 5);
    EXPECT_GT(lastSwitch, lastSelect);
    EXPECT_EQ(packets[lastSwitch][7], 1) << "the block's switching by terminal";
    EXPECT_TRUE(messages.ShownTexts().empty());
}

TEST_F(TransferTest, ProgramsOnlySendKeepsEnvironmentUnitAndSwitching) {
    // The controller first gets a full block with switching by terminal.
    param.image = qda::test::NonDefaultBlock(0);
    ASSERT_TRUE(SetSettings(param, 1, 1));
    const EnvironmentSetting before = param.image.Environment;

    TransferParam send;
    send.command = &cmd;
    send.image = qda::test::NonDefaultBlock(0);
    send.image.Environment = {1, 1, 1, 2, 0, 0, 0};
    send.image.Programs[3].HeadB.AlarmCnt = 999;
    const size_t from = controller.Pty().PacketCount();
    ASSERT_TRUE(SetSettings(send, 1, 0));
    const auto packets = PacketsSince(from);
    int switchWrites = 0;
    for (const Bytes& p : packets) {
        for (SettingAddress a : {qda::kUnitAddress, qda::kBaudrateAddress, qda::kParityAddress,
                                 qda::kAutoTransAddress, qda::kPanelLockAddress, qda::kEcoAddress})
            EXPECT_FALSE(IsWrite(p, a)) << a.group << "," << a.sub << "," << a.item;
        if (IsWrite(p, qda::kPrgChangeAddress)) ++switchWrites;
    }
    EXPECT_EQ(switchWrites, 2) << "panel switching for the send, then the controller's own back";
    std::string lastSwitch;
    for (const Bytes& p : packets)
        if (IsWrite(p, qda::kPrgChangeAddress)) lastSwitch = WriteData(p);
    EXPECT_EQ(lastSwitch, std::string(1, '\x01')) << "the controller's switching by terminal";

    TransferParam back;
    back.command = &cmd;
    ASSERT_TRUE(GetSettings(back));
    EXPECT_EQ(std::memcmp(&back.image.Environment, &before, sizeof before), 0);
    EXPECT_EQ(back.image.Programs[3].HeadB.AlarmCnt, 999);
}

TEST_F(TransferTest, OutFlagTellsARefusedStartFromAFailureInTheLoop) {
    // The controller refuses setting mode: the transfer could not start.
    controller.SetHook([](const Bytes& p) -> std::optional<Bytes> {
        if (p[3] == CMD_REQUEST_SETTING_MODE) return qda::test::ReplyPacket(CMD_REQUEST_SETTING_MODE + 1, 5);
        return std::nullopt;
    });
    param.image = qda::test::NonDefaultBlock(0);
    int flag = -1;
    EXPECT_FALSE(GetSettings(param, &flag));
    EXPECT_EQ(flag, 1);
    flag = -1;
    EXPECT_FALSE(SetSettings(param, 1, 1, &flag));
    EXPECT_EQ(flag, 1);

    // An exchange inside the program loop fails: a communication error, flag 0.
    std::atomic<int> program{-1};
    controller.SetHook([&program](const Bytes& p) -> std::optional<Bytes> {
        if (IsWrite(p, qda::kProgramAddress)) program = p[7];
        if (program == 3 && (IsRead(p, {1, 1, 9}) || IsWrite(p, {1, 0, 13})))
            return qda::test::ReplyPacket(p[3] + 1, 1);
        return std::nullopt;
    });
    flag = -1;
    EXPECT_FALSE(GetSettings(param, &flag));
    EXPECT_EQ(flag, 0);
    program = -1;
    flag = -1;
    EXPECT_FALSE(SetSettings(param, 1, 1, &flag));
    EXPECT_EQ(flag, 0);
    EXPECT_TRUE(messages.ShownTexts().empty()) << "the caller chooses the message";

    // A program selection that gets no answer during a receive is reported by the receive itself.
    controller.SetHook([](const Bytes& p) -> std::optional<Bytes> {
        if (IsWrite(p, qda::kProgramAddress) && p[7] == 2) return Bytes{};
        return std::nullopt;
    });
    flag = -1;
    EXPECT_FALSE(GetSettings(param, &flag));
    EXPECT_EQ(flag, 0);
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "設定の受信に失敗しました。");
}

// The controller's own program selection and switching as a fresh receive reads them, and
// whether it is back in measuring mode.
struct ControllerSelection {
    int program = -1;
    int switching = -1;
    int mode = -1;
};

ControllerSelection ReadSelection(CCommand& cmd) {
    ControllerSelection seen;
    cmd.GetControllerState(nullptr, &seen.mode, nullptr, nullptr);
    TransferParam probe;
    probe.command = &cmd;
    if (GetSettings(probe)) {
        seen.program = probe.program;
        seen.switching = probe.image.Environment.PrgChange;
    }
    return seen;
}

TEST_F(TransferTest, AFailedTransferPutsBackTheControllersProgramAndSwitching) {
    struct Case {
        const char* what;
        bool send;
        // The exchange that gets no answer, by its packet and the programs selected so far.
        std::function<bool(const Bytes&, int program, int selections)> silent;
    };
    const Case cases[] = {
        {"receive, a read in program 2", false,
         [](const Bytes& p, int program, int) {
             return program == 2 && IsRead(p, {1, 0, 9});
         }},
        {"receive, the environment after the programs", false,
         [](const Bytes& p, int, int) { return IsRead(p, qda::kEcoAddress); }},
        {"receive, passing through measuring mode", false,
         [](const Bytes& p, int, int) { return p[3] == CMD_REQUEST_MEASURE_MODE; }},
        {"send, a write in program 4", true,
         [](const Bytes& p, int program, int) {
             return program == 4 && IsWrite(p, {1, 1, 13});
         }},
        {"send, the selection of the block's program", true,
         [](const Bytes& p, int, int selections) {
             return selections == 9 && IsWrite(p, qda::kProgramAddress);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The controller measures with program 3 selected and program switching by terminal.
        controller.SetHook(nullptr);
        TransferParam setup;
        setup.command = &cmd;
        setup.image = qda::test::NonDefaultBlock(0);
        setup.image.Environment.PrgChange = 1;
        setup.program = 3;
        ASSERT_TRUE(SetSettings(setup, 1, 1));

        std::atomic<int> program{-1}, selections{0};
        std::atomic<bool> used{false};
        controller.SetHook([&](const Bytes& p) -> std::optional<Bytes> {
            if (IsWrite(p, qda::kProgramAddress)) {
                program = p[7];
                ++selections;
            }
            if (!used && c.silent(p, program, selections)) {
                used = true;
                return Bytes{};
            }
            return std::nullopt;
        });
        param.image = qda::test::NonDefaultBlock(0);
        param.image.Environment.PrgChange = 0;
        param.program = 6;
        int flag = -1;
        EXPECT_FALSE(c.send ? SetSettings(param, 1, 1, &flag) : GetSettings(param, &flag));
        EXPECT_TRUE(used);
        controller.SetHook(nullptr);
        const ControllerSelection seen = ReadSelection(cmd);
        EXPECT_EQ(seen.program, 3) << "the program selected before";
        EXPECT_EQ(seen.switching, 1) << "switching by terminal again";
        EXPECT_EQ(seen.mode, qda::kModeMeasuring);
    }
    EXPECT_TRUE(messages.ShownTexts().empty()) << "the caller reports the failure";
}

TEST_F(TransferTest, AControllerThatStopsAnsweringIsNotWaitedForAgainAndAgain) {
    // Everything after the third program selection goes unanswered.
    std::atomic<int> selections{0};
    std::atomic<int> unanswered{0};
    controller.SetHook([&](const Bytes& p) -> std::optional<Bytes> {
        if (IsWrite(p, qda::kProgramAddress)) ++selections;
        if (selections >= 3) {
            ++unanswered;
            return Bytes{};
        }
        return std::nullopt;
    });
    param.image = qda::test::NonDefaultBlock(0);
    EXPECT_FALSE(GetSettings(param));
    EXPECT_EQ(unanswered.load(), 2) << "the failed selection, then one try to put things back";
}

TEST_F(TransferTest, AControllerThatStaysInSettingModeAfterACompleteSendIsReported) {
    // The send passes through measuring mode once before the programs; the second request, after
    // the last write, is refused.
    std::atomic<int> measureRequests{0};
    controller.SetHook([&measureRequests](const Bytes& p) -> std::optional<Bytes> {
        if (p[3] == CMD_REQUEST_MEASURE_MODE && ++measureRequests == 2)
            return qda::test::ReplyPacket(CMD_REQUEST_MEASURE_MODE + 1, 1);
        return std::nullopt;
    });
    param.image = qda::test::NonDefaultBlock(1);
    int flag = -1;
    EXPECT_FALSE(SetSettings(param, 1, 1, &flag));
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(messages.ShownTexts(), std::vector<std::string>{"計測開始コマンドの送信に失敗しました。"});

    // Without the leave-setting-mode flag the controller stays in setting mode and nothing is said.
    messages.Clear();
    measureRequests = 0;
    EXPECT_TRUE(SetSettings(param, 0, 1, &flag));
    EXPECT_TRUE(messages.ShownTexts().empty());
    EXPECT_EQ(measureRequests.load(), 1);
}

TEST_F(TransferTest, NoExchangeWhileAnotherHoldsTheUpdateLock) {
    qda::UpdateLock().acquire();
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        param.owner = [&](unsigned message, uintptr_t wParam, intptr_t lParam) {
            EXPECT_EQ(message, qda::kTransferDoneMessage);
            EXPECT_EQ(wParam, qda::kTransferReceive);
            EXPECT_EQ(lParam, 1);
            EXPECT_EQ(param.done.load(), 1);
            finished = true;
        };
        qda::RunReceiveWorker(param);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(controller.Pty().PacketCount(), 0) << "a poll holds the lock";
    qda::UpdateLock().release();
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_GT(controller.Pty().PacketCount(), 400);
}

// ---- whole blocks against qd-atlas-sim -----------------------------------------------------------

TEST(TransferWithSimulator, BlocksOfBothUnitsComeBackAsSent) {
    using qda::test::SimProcess;
    if (SimProcess::Binary().empty()) GTEST_SKIP() << "qd-atlas-sim is not built in QDA_BIN_DIR";
    SimProcess sim;
    ASSERT_TRUE(sim.ok());
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scope(messages);
    g_bRetryAvailable = false;
    CCommand cmd;
    qda::SerialLine s;
    s.baud = 115200;
    s.devicePath = sim.SlavePath();
    ASSERT_TRUE(cmd.OpenPort(s));

    for (int unit : {1, 0}) {
        SCOPED_TRACE(unit);
        TransferParam send;
        send.command = &cmd;
        send.image = qda::test::NonDefaultBlock(unit);
        send.program = 6;
        SettingsBlock check = send.image;
        ASSERT_TRUE(qda::ValidatePrograms(check) && qda::IsSameBlock(check, send.image)) << "a valid block";
        ASSERT_TRUE(SetSettings(send, 1, 1));

        // The receive starts from a block whose untransferred fields all differ.
        TransferParam receive;
        receive.command = &cmd;
        receive.image = qda::DefaultBlock();
        for (ProgramSetting& p : receive.image.Programs) {
            p.HeadA.IsRunBeforeSendSetting = 1;
            p.ListWord = 77;
            p.Out1.DispDigitMm = p.Out1.DispDigitInch = 5;
            p.Out2.DispDigitMm = p.Out2.DispDigitInch = 5;
        }
        receive.image.PcComm.PortNo = 4;
        const SettingsBlock base = receive.image;
        int flag = -1;
        ASSERT_TRUE(GetSettings(receive, &flag));
        EXPECT_EQ(flag, 0);
        EXPECT_EQ(receive.program, 6);
        SettingsBlock expected = send.image;
        qda::test::CopyUntransferred(base, expected, unit);
        for (int p = 0; p < 8; ++p)
            EXPECT_EQ(std::memcmp(&receive.image.Programs[p], &expected.Programs[p], sizeof(ProgramSetting)),
                      0)
                << "program " << p;
        EXPECT_TRUE(qda::IsSameBlock(receive.image, expected));
        EXPECT_NE(sim.Control("state").find("mode=measuring"), std::string::npos);
    }
    EXPECT_TRUE(messages.ShownTexts().empty());
    cmd.ClosePort();
}

}  // namespace
