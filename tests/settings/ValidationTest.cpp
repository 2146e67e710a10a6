// The record checks: their messages in order, the focus they move, and the silent repairs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "resources/Messages.h"
#include "settings/SettingsDefaults.h"
#include "settings/Validation.h"
#include "support/ScriptedMessageBackend.h"

namespace {

class RecordingFocus : public qda::IValidationFocus {
public:
    void FocusControl(int dialogId, int controlId, bool) override {
        focused.emplace_back(dialogId, controlId);
    }
    std::vector<std::pair<int, int>> focused;
};

class ValidationTest : public ::testing::Test {
protected:
    ValidationTest() : m_scope(m_messages) { SetMessageSilent(0); }

    std::vector<std::string> Messages() const { return m_messages.ShownTexts(); }

    static OutSetting DefaultOut(int unit = 0) {
        OutSetting out{};
        SetOutDefaults(out, unit);
        return out;
    }
    static HeadSetting DefaultHead() {
        HeadSetting head{};
        SetHeadDefaults(head);
        return head;
    }

    qda::test::ScriptedMessageBackend m_messages;
    qda::test::ScopedMessageBackend m_scope;
    RecordingFocus m_focus;
};

const std::string kRange4 = "不正な入力です。\n-99.9999～99.9999の数値を入力してください。";

TEST_F(ValidationTest, HeadRovaRangeStrictAndCorrectMode) {
    HeadSetting head = DefaultHead();
    head.RovaLower = 50;
    head.RovaUpper = 40;
    HeadSetting strict = head;
    EXPECT_FALSE(ValidateHead(&m_focus, strict, false));
    EXPECT_EQ(Messages(), std::vector<std::string>{"下限値≦上限値となるように設定してください"});
    EXPECT_EQ(m_focus.focused, (std::vector<std::pair<int, int>>{{133, 1022}}));
    EXPECT_EQ(strict.RovaLower, 50);  // a failed check changes nothing

    HeadSetting corrected = head;
    EXPECT_TRUE(ValidateHead(nullptr, corrected, true));
    EXPECT_EQ(corrected.RovaLower, 1);
    EXPECT_EQ(corrected.RovaUpper, 99);
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(ValidationTest, HeadChecksInOrder) {
    struct Case {
        void (*edit)(HeadSetting&);
        bool correct;
        bool ok;
        const char* message;  // nullptr: no message
    } cases[] = {
        {[](HeadSetting& h) { h.HdMsrMode = 5; }, false, false, nullptr},
        {[](HeadSetting& h) { h.Rova = 2; }, false, false, nullptr},
        {[](HeadSetting& h) { h.Rova = 1, h.RovaLower = 0; }, true, false, "設定可能範囲は1～99です。"},
        {[](HeadSetting& h) { h.RovaLower = 0; }, false, false, nullptr},
        {[](HeadSetting& h) { h.RovaLower = 0; }, true, true, nullptr},
        {[](HeadSetting& h) { h.RovaUpper = 100; }, true, false, nullptr},
        {[](HeadSetting& h) { h.InstallMode = 2; }, false, false, nullptr},
        {[](HeadSetting& h) { h.AlarmCnt = 1000; }, false, false, "アラーム回数が不正です。"},
        {[](HeadSetting& h) { h.AlarmCnt = 999, h.AlarmLv = 10; }, false, false, nullptr},
        {[](HeadSetting& h) { h.AlarmCnt = 2147483647, h.AlarmLv = 10; }, false, false,
         "アラーム回数が不正です。"},
    };
    for (const Case& c : cases) {
        m_messages.Clear();
        HeadSetting head = DefaultHead();
        c.edit(head);
        EXPECT_EQ(ValidateHead(nullptr, head, c.correct), c.ok) << (c.message ? c.message : "(none)");
        EXPECT_EQ(Messages(), c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    }
}

TEST_F(ValidationTest, OutMessagesOfEachGroupInOrder) {
    struct Case {
        void (*edit)(OutSetting&);
        std::vector<std::string> messages;
        std::pair<int, int> focus;  // last focus; {0, 0}: none
    } cases[] = {
        // A bad method and a bad hold mode: both messages, the groups go on after the method.
        {[](OutSetting& o) { o.Calc = 6, o.OutMsrMode = 6; },
         {"演算方法が不正です。", "計測モードが不正です。"},
         {135, 1017}},
        {[](OutSetting& o) { o.CalcWave = 10; }, {"波形演算が不正です。"}, {134, 1018}},
        {[](OutSetting& o) { o.Trigger = 2; }, {"トリガが不正です。"}, {135, 1018}},
        {[](OutSetting& o) { o.FilterCutoff = 9; }, {}, {0, 0}},
        {[](OutSetting& o) { o.ToleUpper = 10000000; }, {kRange4}, {135, 1062}},
        {[](OutSetting& o) { o.ToleLower = -9999995; }, {kRange4}, {135, 1063}},
        {[](OutSetting& o) { o.ToleHys = -5; },
         {"不正な入力です。\n0.0000～99.9999の数値を入力してください。"},
         {135, 1064}},
        {[](OutSetting& o) { o.ToleLower = o.ToleUpper; },
         {"下限値＜上限値となるように設定してください"},
         {135, 1062}},
        // Hysteresis equal to upper - lower fails too.
        {[](OutSetting& o) { o.ToleHys = 1000000; },
         {"上限値－下限値をこえるヒステリシスは設定できません。"},
         {135, 1064}},
        {[](OutSetting& o) { o.ScaleAOut2 = 10000000; }, {kRange4}, {136, 1040}},
        {[](OutSetting& o) { o.ScaleBIn1 = o.ScaleBIn2; }, {"入力値に同じ値は設定できません。"}, {136, 1043}},
        {[](OutSetting& o) { o.ScaleAOut2 = 1000000 + 1; },
         {"スケーリング設定のスパン値は9.999以下となるように設定してください。"},
         {136, 1035}},
        {[](OutSetting& o) { o.Offset = -10000000; }, {kRange4}, {136, 1060}},
        {[](OutSetting& o) { o.DispDigitMm = 6; }, {"表示桁数が不正です。"}, {137, 1069}},
        {[](OutSetting& o) { o.AnaThrough = 2; }, {"アナログスルーが不正です。"}, {137, 1070}},
        {[](OutSetting& o) { o.AScaleIn2 = 10000000; }, {kRange4}, {137, 1073}},
        {[](OutSetting& o) { o.AScaleOut1 = 10.5001; },
         {"不正な入力です。\n-10.500～10.500の数値を入力してください。"},
         {137, 1072}},
        // Equal measured values are refused before the slope is looked at.
        {[](OutSetting& o) { o.AScaleIn2 = o.AScaleIn1, o.AScaleOut2 = o.AScaleOut1; },
         {"入力値に同じ値は設定できません。"},
         {137, 1071}},
        {[](OutSetting& o) { o.AScaleIn2 = o.AScaleIn1 - 1000; },
         {"１Ｖあたり0.001ｍｍ以上の出力レンジになるよう設定してください"},
         {137, 1071}},
        {[](OutSetting& o) { o.AScaleIn2 = o.AScaleIn1 - 1000, o.DispDigitMm = 4; },
         {"１Ｖあたり1μｍ以上の出力レンジになるよう設定してください"},
         {137, 1071}},
    };
    for (const Case& c : cases) {
        m_messages.Clear();
        m_focus.focused.clear();
        OutSetting out = DefaultOut();
        c.edit(out);
        EXPECT_FALSE(ValidateOut(&m_focus, 0, out)) << (c.messages.empty() ? "" : c.messages.back());
        EXPECT_EQ(Messages(), c.messages);
        const std::pair<int, int> last =
            m_focus.focused.empty() ? std::pair<int, int>{0, 0} : m_focus.focused.back();
        EXPECT_EQ(last, c.focus) << (c.messages.empty() ? "" : c.messages.back());
    }
}

TEST_F(ValidationTest, OutLimitsThatStillPass) {
    const struct {
        void (*edit)(OutSetting&);
    } cases[] = {
        {[](OutSetting& o) { o.ToleHys = 999999; }},
        {[](OutSetting& o) { o.ToleUpper = 9999994, o.ToleLower = -9999994; }},  // rounds to 999999 steps
        {[](OutSetting& o) { o.ScaleAIn1 = 0, o.ScaleAIn2 = 1000, o.ScaleAOut1 = 0, o.ScaleAOut2 = 9999; }},
        {[](OutSetting& o) {
            o.AScaleOut1 = 10.5, o.AScaleOut2 = -10.5, o.AScaleIn1 = 2000000, o.AScaleIn2 = -2000000;
        }},
        // 10 mV per internal unit exactly: 20 V over 2000 units.
        {[](OutSetting& o) { o.AScaleIn1 = 1000, o.AScaleIn2 = -1000; }},
    };
    for (const auto& c : cases) {
        OutSetting out = DefaultOut();
        c.edit(out);
        const OutSetting before = out;
        EXPECT_TRUE(ValidateOut(nullptr, 0, out));
        EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0);
    }
    EXPECT_TRUE(Messages().empty());
    // Span 10 fails.
    OutSetting out = DefaultOut();
    out.ScaleAIn1 = 0, out.ScaleAIn2 = 1000, out.ScaleAOut1 = 0, out.ScaleAOut2 = 10000;
    EXPECT_FALSE(ValidateOut(nullptr, 0, out));
}

TEST_F(ValidationTest, UnusedHeadScalingIsRepairedSilently) {
    OutSetting out = DefaultOut();
    out.Calc = 4;  // head A transparent: head B's scaling is not used
    out.ScaleBOut1 = 99999999;
    out.ScaleBIn2 = 12345;
    EXPECT_TRUE(ValidateOut(nullptr, 0, out));
    EXPECT_EQ(out.ScaleBOut1, 0);     // out-of-range value back to its default
    EXPECT_EQ(out.ScaleBIn2, 12345);  // the rest stays

    out.ScaleBIn1 = 500;
    out.ScaleBIn2 = 500;
    out.ScaleBOut1 = 7;
    EXPECT_TRUE(ValidateOut(nullptr, 0, out));
    EXPECT_EQ(out.ScaleBIn1, 0);
    EXPECT_EQ(out.ScaleBOut1, 0);
    EXPECT_EQ(out.ScaleBIn2, 100000);
    EXPECT_EQ(out.ScaleBOut2, 100000);

    out.Calc = 5;  // now head A is the unused one, head B is checked
    out.ScaleAIn1 = out.ScaleAIn2 = 3;
    EXPECT_TRUE(ValidateOut(nullptr, 0, out));
    EXPECT_EQ(out.ScaleAIn2, 100000);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ValidationTest, ImperialSlopeMessagesAndDigits) {
    OutSetting out = DefaultOut(1);
    out.AScaleIn2 = out.AScaleIn1 - 1000;
    out.DispDigitInch = 1;
    EXPECT_FALSE(ValidateOut(nullptr, 1, out));
    out.DispDigitInch = 3;
    EXPECT_FALSE(ValidateOut(nullptr, 1, out));
    out.DispDigitInch = 9;  // an invalid imperial row is refused while the unit is imperial
    EXPECT_FALSE(ValidateOut(nullptr, 1, out));
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"１Ｖあたり0.00001ｉｎｃｈ以上の出力レンジになるよう設定してください",
                                        "１Ｖあたり0.01ｍｉｌ以上の出力レンジになるよう設定してください",
                                        "表示桁数が不正です。"}));
}

TEST_F(ValidationTest, SlopeCountsWholeMillivoltsOfTheWrittenVoltage) {
    // -1.001 V is -1001 mV (the double is -1.00099999...): 11001 mV over 1100 units is more than
    // 10 mV per unit and is refused; cutting the double would have found exactly 10.
    OutSetting out = DefaultOut();
    out.AScaleOut2 = -1.001;
    out.AScaleIn1 = 1000;
    out.AScaleIn2 = -100;
    EXPECT_FALSE(ValidateOut(nullptr, 0, out));
    out.AScaleOut2 = -1.0;
    EXPECT_TRUE(ValidateOut(nullptr, 0, out));
}

TEST_F(ValidationTest, CommonRunsEveryCheck) {
    CommonSetting common{};
    SetCommonDefaults(common);
    common.SampRate = 6;
    common.StrobeTime = 4;
    common.DSPoints = 65537;  // not looked at: an earlier check failed
    common.DSFreq = 10;
    RecordingFocus focus;
    EXPECT_FALSE(ValidateCommon(&focus, common));
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"サンプリング周期が不正です。", "ストローブ時間が不正です。",
                                        "サンプリング周期が不正です。"}));
    EXPECT_EQ(focus.focused, (std::vector<std::pair<int, int>>{{138, 1073}, {138, 1020}, {138, 1077}}));

    m_messages.Clear();
    SetCommonDefaults(common);
    common.DSPoints = 65537;
    EXPECT_FALSE(ValidateCommon(nullptr, common));
    EXPECT_EQ(Messages(), std::vector<std::string>{"設定可能範囲は1～65536です。"});
    common.DSPoints = 65536;
    EXPECT_TRUE(ValidateCommon(nullptr, common));
}

TEST_F(ValidationTest, EnvironmentAndPcCommStopAtTheFirstFailure) {
    EnvironmentSetting env{};
    qda::SetEnvironmentDefaults(env);
    env.Eco = 3;
    env.Unit = 2;
    RecordingFocus focus;
    EXPECT_FALSE(ValidateEnvironment(&focus, env));
    EXPECT_EQ(Messages(), std::vector<std::string>{"自動送信が不正です。"});
    EXPECT_EQ(focus.focused, (std::vector<std::pair<int, int>>{{154, 1111}}));
    env.Eco = 0;
    m_messages.Clear();
    EXPECT_FALSE(ValidateEnvironment(nullptr, env));
    EXPECT_EQ(Messages(), std::vector<std::string>{"UNITが不正です。"});

    PcCommSetting pc{};
    qda::SetPcCommDefaults(pc);
    EXPECT_TRUE(ValidatePcComm(nullptr, pc));
    pc.PortNo = 9;
    pc.Parity = 3;
    m_messages.Clear();
    EXPECT_FALSE(ValidatePcComm(nullptr, pc));
    EXPECT_EQ(Messages(), std::vector<std::string>{"ポート番号が不正です。"});
}

TEST_F(ValidationTest, RestoredBlockChecksTheEnvironmentFirst) {
    SettingsBlock block = qda::DefaultBlock();
    block.Environment.PanelLock = 2;
    block.Programs[6].Common.OutStyle = 3;
    EXPECT_FALSE(qda::ValidateRestoredBlock(block));
    block.Environment.PanelLock = 0;
    EXPECT_FALSE(qda::ValidateRestoredBlock(block));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"パネルロックが不正です。", "判定出力形態が不正です。"}));
}

TEST_F(ValidationTest, SilentModeShowsNothing) {
    SetMessageSilent(1);
    HeadSetting head = DefaultHead();
    head.AlarmCnt = -1;
    EXPECT_FALSE(ValidateHead(nullptr, head, false));
    SetMessageSilent(0);
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
