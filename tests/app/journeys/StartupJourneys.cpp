// Journeys through the start: the splash, each start-up choice, a settings file on the command
// line, and the exit with and without changes.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include "Journey.h"
#include "app/TR52Dlg.h"
#include "settings/Configuration.h"
#include "settings/SettingsDefaults.h"

using namespace qda::journey;

namespace {

constexpr int kMsgReceived = 318;
constexpr int kMsgSent = 326;
constexpr int kMsgStartingWithDefaults = 313;

// A settings file whose program 2 (the selected one) has head A's alarm count at 77.
QString WriteSettingsFile(const QString& path) {
    SettingsBlock block = qda::DefaultBlock();
    block.Programs[2].HeadA.AlarmCnt = 77;
    CConfiguration configuration;
    configuration.Save(path.toStdString(), block, 2);
    return path;
}

int SelectedProgram(Operator& op) {
    const QPointer<CTR52Dlg> main = op.Main();
    return op.Ui([main] { return main->GetSelectedProgram(); });
}

TEST(StartupJourney, ReceiveOverTheSerialLinkEditAndSend) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(0);
        op.Answer(kMsgReceived);
        op.Step("edit head A and send with F3");
        op.TypeInto(QStringLiteral("1027"), QStringLiteral("123"), op.Page(0));
        op.Key(Qt::Key_F3);
        op.Answer(kMsgSent);
        // What was sent is the reference now: no question at exit.
        op.Exit();
        op.WaitForExit();
    });
    EXPECT_NE(journey.Sim().Control("state").find("mode=measuring"), std::string::npos);
}

TEST(StartupJourney, ReceiveOverUsbThroughTheDriverHost) {
    ProgramSetup setup;
    setup.link = Link::kUsb;
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(0);
        op.Answer(kMsgReceived);
        op.Step("send and receive again by the menu");
        op.TypeInto(QStringLiteral("1027"), QStringLiteral("321"), op.Page(0));
        op.ChooseMenu("通信(&J)", "コントローラへ設定を送信(&S)\tF3");
        op.Answer(kMsgSent);
        op.TypeInto(QStringLiteral("1027"), QStringLiteral("5"), op.Page(0));
        op.Key(Qt::Key_F4);
        op.Answer(kMsgReceived);
        if (op.FieldText(QStringLiteral("1027"), op.Page(0)) != QStringLiteral("321"))
            op.Fail("the receive did not bring back the alarm count sent");
        op.Exit();
        op.WaitForExit();
    });
}

TEST(StartupJourney, SilenceDuringAReceiveLeavesTheControllersProgramSwitching) {
    // The controller switches programs by its terminal input.
    ProgramSetup setup;
    setup.savedState = [](SettingsBlock& block) { block.Environment.PrgChange = 1; };
    // A line slow enough to meet the receive inside its program loop.
    setup.simArgs = {"--pace-baud", "115200"};
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        const QPointer<QWidget> choice = op.WaitForDialog(QStringLiteral("167"));
        op.Key(Qt::Key_Escape);
        op.WaitClosed(choice, "the start-up choice");
        op.Key(Qt::Key_F3);
        op.Answer(kMsgSent);
        op.Step("a receive that meets a silence half way");
        op.Key(Qt::Key_F4);
        const auto end = Clock::now() + 20s;
        while (journey.Sim().Control("state").find("program=3") == std::string::npos && Clock::now() < end)
            std::this_thread::sleep_for(5ms);
        if (journey.Sim().Control("silence 10:2").rfind("OK", 0) != 0) op.Fail("the simulator took no fault");
        op.Answer(319, QMessageBox::Ok, 30s);
        // The start-up choice was closed with Esc: the start is still pending.
        op.Answer(kMsgStartingWithDefaults);
        op.Step("the next receive");
        op.Key(Qt::Key_F4);
        op.Answer(kMsgReceived);
        const QPointer<CTR52Dlg> main = op.Main();
        if (op.Ui([main] { return main->Settings().Environment.PrgChange; }) != 1)
            op.Fail("the controller's program switching was lost by the failed receive");
        op.Exit();
        op.WaitForExit();
    });
}

TEST(StartupJourney, OpenAFileAtStartAndSaveItUnderAnotherName) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    const QString file = WriteSettingsFile(journey.Path(QStringLiteral("start.qdt")));
    const QString copy = journey.Path(QStringLiteral("copy"));
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(1);
        op.UseFileDialog(file);
        op.WaitUntil([&] { return SelectedProgram(op) == 2; }, "program 2 of the file to be selected");
        if (op.FieldText(QStringLiteral("1027"), op.Page(0)) != QStringLiteral("77"))
            op.Fail("head A of program 2 does not show the file's alarm count");
        op.Step("save with Ctrl+S");
        op.Key(Qt::Key_S, Qt::ControlModifier);
        op.UseFileDialog(copy);
        op.WaitUntil([&] { return QFile::exists(copy + QStringLiteral(".qdt")); }, "the saved file");
        op.Exit();
        op.WaitForExit();
    });
    SettingsBlock saved = qda::DefaultBlock();
    int program = -1;
    CConfiguration configuration;
    ASSERT_TRUE(configuration.Load((copy + QStringLiteral(".qdt")).toStdString(), saved, program));
    EXPECT_EQ(program, 2);
    EXPECT_EQ(saved.Programs[2].HeadA.AlarmCnt, 77);
}

TEST(StartupJourney, FileOnTheCommandLineIsOpenedWithoutTheChoice) {
    QTemporaryDir files;
    const QString file = WriteSettingsFile(files.filePath(QStringLiteral("named.qdt")));
    // The whole command line names the file, so the language follows the locale here.
    ProgramSetup setup;
    setup.commandLine = "/open " + file.toStdString();
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.WaitUntil([&] { return SelectedProgram(op) == 2; }, "program 2 of the file to be selected");
        op.ExpectNoMessage();
        op.Exit();
        op.WaitForExit();
    });
}

TEST(StartupJourney, CancelledFileChoiceStartsWithDefaults) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(1);
        const QPointer<QWidget> dialog = op.WaitForDialog(QStringLiteral("QFileDialog"));
        op.Key(Qt::Key_Escape);
        op.WaitClosed(dialog, "the open dialog");
        op.Answer(kMsgStartingWithDefaults);
        op.Exit();
        op.WaitForExit();
    });
}

TEST(StartupJourney, ExitWithChangesAsksUntilAnswered) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(2);
        op.TypeInto(QStringLiteral("1027"), QStringLiteral("42"), op.Page(0));
        op.Step("exit, cancelled");
        op.Exit(QMessageBox::Cancel);
        op.ExpectNoMessage();
        op.Step("exit, yes, and the save dialog cancelled");
        op.Exit(QMessageBox::Yes);
        const QPointer<QWidget> dialog = op.WaitForDialog(QStringLiteral("QFileDialog"));
        op.Key(Qt::Key_Escape);
        op.WaitClosed(dialog, "the save dialog");
        op.ExpectNoMessage();
        if (journey.ProgramEnded()) op.Fail("the program ended without saving");
        op.Step("exit, no");
        op.Exit(QMessageBox::No);
        op.WaitForExit();
    });
}

}  // namespace
