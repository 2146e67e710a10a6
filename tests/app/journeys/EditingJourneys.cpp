// Journeys through the editor: copy, paste and initialise programs, program switching with its
// questions, and the tabs.
#include <gtest/gtest.h>

#include "Journey.h"
#include "app/TR52Dlg.h"
#include "settings/MessageFormat.h"

using namespace qda::journey;

namespace {

constexpr int kMsgPaste = 259;
constexpr int kMsgTransparency = 289;
constexpr int kMsgInitialise = 328;
constexpr int kMsgInitialiseAll = 329;

int SelectedProgram(Operator& op) {
    const QPointer<CTR52Dlg> main = op.Main();
    return op.Ui([main] { return main->GetSelectedProgram(); });
}

QString AlarmCount(Operator& op) {
    return op.FieldText(QStringLiteral("1027"), op.Page(0));
}

void ExpectAlarmCount(Operator& op, const char* expected, const std::string& when) {
    const QString shown = AlarmCount(op);
    if (shown != QLatin1String(expected))
        op.Fail(when + ": head A shows alarm count " + shown.toStdString() + ", not " + expected);
}

TEST(EditingJourney, CopyPasteAndInitialisePrograms) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(2);
        const QPointer<QWidget> main = op.Main().data();
        op.TypeInto(QStringLiteral("1027"), QStringLiteral("55"), op.Page(0));
        op.Step("copy program 0 with its access key and paste it into program 1");
        op.Key(Qt::Key_W, Qt::AltModifier);
        op.Click(QStringLiteral("1007"), main);
        if (SelectedProgram(op) != 1) op.Fail("No.1 is not selected");
        ExpectAlarmCount(op, "8", "program 1 before the paste");
        op.Click(QStringLiteral("1017"), main);
        op.Answer(kMsgPaste, QMessageBox::Yes);
        ExpectAlarmCount(op, "55", "program 1 after the paste");
        op.Step("initialise program 1: no, then yes");
        op.Click(QStringLiteral("1022"), main);
        op.Answer(kMsgInitialise, QMessageBox::No);
        ExpectAlarmCount(op, "55", "after refusing to initialise");
        op.Click(QStringLiteral("1022"), main);
        op.Answer(kMsgInitialise, QMessageBox::Yes);
        ExpectAlarmCount(op, "8", "after initialising");
        op.Step("initialise all");
        op.Click(QStringLiteral("1001"), main);
        ExpectAlarmCount(op, "55", "program 0");
        op.Key(Qt::Key_8, Qt::AltModifier);
        op.Answer(kMsgInitialiseAll, QMessageBox::Yes);
        ExpectAlarmCount(op, "8", "after initialising all");
        // Everything is back at the defaults the start began with.
        op.Exit();
        op.WaitForExit();
    });
}

TEST(EditingJourney, LeavingAProgramWithATransparentCalculationAsks) {
    // Program 0 computes OUT1 as "head A transparent" and OUT2 as "head B transparent" while both
    // heads measure in the standard mode.
    ProgramSetup setup;
    setup.savedState = [](SettingsBlock& block) {
        block.Programs[0].Out1.Calc = qda::kCalcHeadATransparent;
        block.Programs[0].Out2.Calc = qda::kCalcHeadBTransparent;
    };
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.Step("keep the saved settings: Esc on the start-up choice");
        const QPointer<QWidget> choice = op.WaitForDialog(QStringLiteral("167"));
        op.Key(Qt::Key_Escape);
        op.WaitClosed(choice, "the start-up choice");
        const QPointer<QWidget> main = op.Main().data();

        op.Step("No.1, cancelled");
        op.Click(QStringLiteral("1007"), main);
        op.Answer(kMsgTransparency, QMessageBox::Cancel);
        op.Settle();
        if (SelectedProgram(op) != 0) op.Fail("a cancelled question changed the program");
        const QPointer<QWidget> mode = op.Find(QStringLiteral("1017"), op.Page(0));
        if (!op.Ui([mode] { return mode->hasFocus() || mode->window()->focusWidget() == mode; }))
            op.Fail("the measuring mode of head A does not have the focus");

        op.Step("No.1, head A accepted, head B cancelled");
        op.Click(QStringLiteral("1007"), main);
        op.Answer(kMsgTransparency, QMessageBox::Ok);
        op.Answer(kMsgTransparency, QMessageBox::Cancel);
        op.Settle();
        if (SelectedProgram(op) != 0) op.Fail("a cancelled question for head B changed the program");

        op.Step("No.1, both heads accepted");
        op.Click(QStringLiteral("1007"), main);
        op.Answer(kMsgTransparency, QMessageBox::Ok);
        op.Answer(kMsgTransparency, QMessageBox::Ok);
        op.WaitUntil([&] { return SelectedProgram(op) == 1; }, "No.1 to be selected");

        op.Step("Alt+3 selects No.3 without a question");
        op.Key(Qt::Key_3, Qt::AltModifier);
        op.WaitUntil([&] { return SelectedProgram(op) == 3; }, "No.3 to be selected");
        op.ExpectNoMessage();
        op.ExitDiscarding();
    });
}

TEST(EditingJourney, TabsByClickAndByKeys) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(2);
        const QPointer<CTR52Dlg> main = op.Main();
        auto current = [&] { return op.Ui([main] { return main->CurrentTab(); }); };
        for (int tab = 1; tab < 6; ++tab) {
            op.ClickTab(tab);
            op.WaitUntil([&] { return main->CurrentTab() == tab && main->Page(tab)->isVisible(); },
                         "tab " + std::to_string(tab));
        }
        op.Key(Qt::Key_Left, Qt::ControlModifier);
        if (current() != 4) op.Fail("Ctrl+Left did not go to the common page");
        op.Key(Qt::Key_Right, Qt::ControlModifier);
        if (current() != 5) op.Fail("Ctrl+Right did not go to the settings list");
        op.Key(Qt::Key_Right, Qt::ControlModifier);
        if (current() != 5) op.Fail("Ctrl+Right went past the last tab");
        op.Step("a page whose check fails keeps its tab");
        op.ClickTab(0);
        op.TypeInto(QStringLiteral("1027"), QString(), op.Page(0));
        op.ClickTab(1);
        op.AnswerText(qda::FormatMessage(251, {int64_t{0}, int64_t{999}}));
        if (current() != 0) op.Fail("the tab changed although head A's check failed");
        op.Step("typing goes into the field the message named");
        op.Key(Qt::Key_8);
        if (op.FieldText(QStringLiteral("1027"), op.Page(0)) != QStringLiteral("8"))
            op.Fail("the key did not reach the alarm count");
        op.ClickTab(1);
        op.WaitUntil([&] { return main->CurrentTab() == 1; }, "tab 1");
        op.Exit();
        op.WaitForExit();
    });
}

}  // namespace
