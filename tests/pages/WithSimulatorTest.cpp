// The pages that talk to the controller, against qd-atlas-sim over a pseudo-terminal: ROVA tuning
// (start, stop with read-back, cancel, a failed settings send) and the head models of the list page.
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "PageTestSupport.h"
#include "comm/Command.h"
#include "pages/OptionHeadSetting.h"
#include "pages/SettingsListBuilder.h"
#include "pages/TabHead.h"
#include "pages/TabList.h"
#include "settings/SettingsDefaults.h"
#include "support/SimProcess.h"

using namespace qda;
using namespace qda::test;

namespace {

class WithSimulator : public PageTest {
protected:
    WithSimulator() { command.SetTimeouts(500, 3000); }
    ~WithSimulator() override {
        while (command.RefCount() > 0) command.ClosePort();
    }
    bool Open(const SimProcess& sim) {
        SerialLine s;
        s.baud = 115200;
        s.devicePath = sim.SlavePath();
        return command.OpenPort(s);
    }
    void Click(QWidget* dialog, int id) { Control<QPushButton>(dialog, id)->click(); }
    CCommand command;
};

TEST_F(WithSimulator, TuningStopReadsBackTheRovaSettings) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    ASSERT_TRUE(Open(sim));
    int sends = 0;
    mainWindow.onMessage = [&](const ReceivedMessage& m) -> std::intptr_t {
        if (m.message == WM_HEAD_SEND_SETTINGS) ++sends;
        return 1;
    };
    COptionHeadSetting dialog(QStringLiteral("B"), &command, &mainWindow, WM_HEAD_SEND_SETTINGS);
    dialog.show();
    EXPECT_TRUE(Control<QCheckBox>(&dialog, COptionHeadSetting::IDC_SEND_BEFORE)->isChecked());
    EXPECT_EQ(dialog.CurrentState(), COptionHeadSetting::kIdle);

    Click(&dialog, COptionHeadSetting::IDC_START);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.CurrentState() == COptionHeadSetting::kTuning; }, 5000));
    EXPECT_EQ(sends, 1);
    EXPECT_NE(sim.Control("state").find("tuning=B"), std::string::npos);
    EXPECT_TRUE(Control<QWidget>(&dialog, COptionHeadSetting::IDC_STOP)->isEnabled());
    EXPECT_FALSE(Control<QWidget>(&dialog, COptionHeadSetting::IDC_START)->isEnabled());

    dialog.reject();
    EXPECT_TRUE(dialog.isVisible()) << "no closing while tuning runs";

    Click(&dialog, COptionHeadSetting::IDC_STOP);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.WorkerRunning(); }, 5000));
    EXPECT_TRUE(dialog.Tuned());
    EXPECT_EQ(dialog.RovaMode(), kRovaManual);
    EXPECT_GE(dialog.RovaLower(), 1);
    EXPECT_LE(dialog.RovaUpper(), 99);
    EXPECT_LT(dialog.RovaLower(), dialog.RovaUpper());
    EXPECT_EQ(dialog.CurrentState(), COptionHeadSetting::kIdle);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, "チューニングを完了しました。");
    EXPECT_EQ(messages.Shown()[0].style & 0xF0, MB_ICONINFORMATION);
    EXPECT_NE(sim.Control("state").find("tuning=-"), std::string::npos);
    EXPECT_NE(sim.Control("state").find("mode=measuring"), std::string::npos);
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(WithSimulator, TuningCancelKeepsNothing) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    ASSERT_TRUE(Open(sim));
    COptionHeadSetting dialog(QStringLiteral("A"), &command, &mainWindow, WM_HEAD_SEND_SETTINGS);
    dialog.show();
    Control<QCheckBox>(&dialog, COptionHeadSetting::IDC_SEND_BEFORE)->setChecked(false);
    Click(&dialog, COptionHeadSetting::IDC_START);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.CurrentState() == COptionHeadSetting::kTuning; }, 5000));
    EXPECT_TRUE(mainWindow.Of(WM_HEAD_SEND_SETTINGS).empty()) << "the option was off";
    Click(&dialog, COptionHeadSetting::IDC_CANCEL_TUNING);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.WorkerRunning(); }, 5000));
    EXPECT_FALSE(dialog.Tuned());
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "チューニングをキャンセルしました。");
    EXPECT_NE(sim.Control("state").find("tuning=-"), std::string::npos);
}

TEST_F(WithSimulator, FailedSettingsSendEndsTheWorkerAtOnce) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    ASSERT_TRUE(Open(sim));
    mainWindow.onMessage = [](const ReceivedMessage&) -> std::intptr_t { return 0; };
    COptionHeadSetting dialog(QStringLiteral("A"), &command, &mainWindow, WM_HEAD_SEND_SETTINGS);
    dialog.show();
    Click(&dialog, COptionHeadSetting::IDC_START);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.WorkerRunning(); }, 5000));
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "チューニングを開始できませんでした。");
    EXPECT_EQ(dialog.CurrentState(), COptionHeadSetting::kIdle);
    EXPECT_FALSE(dialog.Tuned());
    EXPECT_NE(sim.Control("state").find("mode=measuring"), std::string::npos)
        << "never went into setting mode";
}

TEST_F(WithSimulator, HeadPageTakesTheTunedRovaSettings) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    qputenv("QDA_COM2", QByteArray::fromStdString(sim.SlavePath()));
    mainWindow.onMessage = [](const ReceivedMessage&) -> std::intptr_t { return 1; };
    HeadSetting head{};
    SetHeadDefaults(head);
    CTabHead page;
    page.LoadPage(&mainWindow, WM_HEAD_SEND_SETTINGS, WM_HEAD_MODE_CHANGED, head, QStringLiteral("A"),
                  PcCommSetting{kCommRs232c, 1, 4, 2}, &command);
    page.RefreshPage();
    ASSERT_TRUE(Control<QWidget>(&page, CTabHead::IDC_ROVA_TUNING)->isEnabled());
    bool drove = false;
    // The dialog runs modally: drive it from inside its own event loop.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<COptionHeadSetting*>(QApplication::activeModalWidget());
        if (!dialog) return;
        Click(dialog, COptionHeadSetting::IDC_START);
        if (QTest::qWaitFor([&] { return dialog->CurrentState() == COptionHeadSetting::kTuning; }, 5000)) {
            Click(dialog, COptionHeadSetting::IDC_STOP);
            drove = QTest::qWaitFor([&] { return !dialog->WorkerRunning(); }, 5000);
        }
        dialog->reject();
    });
    Control<QPushButton>(&page, CTabHead::IDC_ROVA_TUNING)->click();
    qunsetenv("QDA_COM2");
    ASSERT_TRUE(drove);
    EXPECT_EQ(ComboSelection(&page, CTabHead::IDC_ROVA), kRovaManual);
    EXPECT_TRUE(Control<QWidget>(&page, CTabHead::IDC_ROVA_LOWER)->isEnabled());
    ASSERT_EQ(page.CheckPage(1), 1);
    EXPECT_EQ(page.Record().Rova, kRovaManual);
    EXPECT_LT(page.Record().RovaLower, page.Record().RovaUpper);
    EXPECT_EQ(command.RefCount(), 0) << "the port is closed again";
}

TEST_F(WithSimulator, HeadPageTuningWithoutControllerSaysSo) {
    qputenv("QDA_COM9", "/nonexistent/qda-test-tty");
    HeadSetting head{};
    SetHeadDefaults(head);
    CTabHead page;
    page.LoadPage(&mainWindow, WM_HEAD_SEND_SETTINGS, WM_HEAD_MODE_CHANGED, head, QStringLiteral("A"),
                  PcCommSetting{kCommRs232c, 8, 4, 2}, &command);
    page.RefreshPage();
    Control<QPushButton>(&page, CTabHead::IDC_ROVA_TUNING)->click();
    qunsetenv("QDA_COM9");
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "本体と通信できません。設定を確認してください。");
    EXPECT_EQ(page.Record().Rova, kRovaAuto);
}

TEST_F(WithSimulator, HeadModelsOfTheConnectedHeads) {
    SimProcess sim({"--head-b", "0x82"});
    QDA_REQUIRE_SIM(sim);
    qputenv("QDA_COM1", QByteArray::fromStdString(sim.SlavePath()));
    const SettingsBlock block = DefaultBlock();
    const std::string text = BuildSettingsListText(block, 0);
    CTabList page;
    page.LoadPage(&mainWindow, 0, text, text, PcCommSetting{kCommRs232c, 0, 4, 2}, &command);
    page.RefreshPage();
    page.AddHeadModels();
    qunsetenv("QDA_COM1");
    EXPECT_TRUE(messages.ShownTexts().empty());
    EXPECT_EQ(page.ModelA(), "QD-R17");
    EXPECT_EQ(page.ModelB(), "QD-R145W");
    const int n = 52;
    EXPECT_EQ(page.CellText(n + 1, 0), QString::fromUtf8("[ヘッド型式]"));
    EXPECT_EQ(page.CellText(n + 2, 0), QString::fromUtf8("ヘッドA"));
    EXPECT_EQ(page.CellText(n + 2, 1), QStringLiteral("QD-R17"));
    EXPECT_EQ(page.CellText(n + 3, 1), QStringLiteral("QD-R145W"));
    EXPECT_EQ(command.RefCount(), 0) << "the port is closed again";

    // Loading the page again (another program or tab) forgets the models.
    page.LoadPage(&mainWindow, 0, text, text, PcCommSetting{kCommRs232c, 0, 4, 2}, &command);
    page.RefreshPage();
    EXPECT_TRUE(page.CellText(n + 2, 1).isEmpty());
}

}  // namespace
