// Journeys through the measured-value window and the scaling from measured data: the window
// opened with F5 beside the main window, acquiring while a receive runs, zero, statistics
// copied, closed and its state kept; the OUT page's "測定データから設定(&G)" with the settings sent
// first, the live values taken with "セット", the OK checks and the values taken into the page.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>

#include "Journey.h"
#include "app/TR52Dlg.h"
#include "monitor/Calc.h"
#include "monitor/Scaling.h"
#include "settings/MessageFormat.h"
#include "settings/Units.h"

using namespace qda::journey;

namespace {

constexpr int kMsgReceived = 318;
constexpr int kMsgSendFirst = 368;
constexpr int kMsgEqualInputs = 349;

void SkipStartupChoice(Operator& op) {
    const QPointer<QWidget> choice = op.WaitForDialog(QStringLiteral("167"));
    op.Key(Qt::Key_Escape);
    op.WaitClosed(choice, "the start-up choice");
}

CCalc* AsCalc(const QPointer<QWidget>& w) {
    return static_cast<CCalc*>(w.data());
}

}  // namespace

TEST(CalcJourney, WatchZeroCopyStatisticsDuringReceiveAndClose) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        SkipStartupChoice(op);
        const QPointer<CTR52Dlg> main = op.Main();

        op.Step("F5 opens the measured-value window beside the main window");
        op.Key(Qt::Key_F5);
        const QPointer<QWidget> calc = op.Ui([main] { return QPointer<QWidget>(main->CalcWindow()); });
        op.WaitUntil([calc] { return calc->isVisible(); }, "the measured-value window");
        if (op.Ui([calc] { return calc->windowTitle(); }) != Operator::Text("測定値表示"))
            op.Fail("the window's caption is not 測定値表示");

        op.Step("start: values come and change");
        op.Click(QStringLiteral("1300"), calc);
        op.WaitUntil([calc] { return AsCalc(calc)->ReadingValid(); }, "a reading in the window");
        const int32_t first = op.Ui([calc] { return AsCalc(calc)->LastReading().value[0]; });
        op.WaitUntil([calc, first] { return AsCalc(calc)->LastReading().value[0] != first; },
                     "OUT1's value to change");
        const QString name =
            op.Ui([calc] { return AsCalc(calc)->Control(CCalc::IDC_PANEL_LEFT)->accessibleName(); });
        if (!name.startsWith(QStringLiteral("OUT1 "))) op.Fail("the panel's name is " + name.toStdString());

        op.Step("zero on reaches the controller");
        op.Click(QStringLiteral("1310"), calc);
        op.WaitUntil([calc] { return (AsCalc(calc)->LastReading().out[0].raw & 0x80) != 0; },
                     "OUT1's auto-zero in the readings");

        op.Step("a receive runs beside the acquisition; polls wait for it");
        op.Click(QStringLiteral("1000"), main.data());
        op.Answer(kMsgReceived);
        op.WaitUntil([calc] { return !AsCalc(calc)->IsIdle() && AsCalc(calc)->ReadingValid(); },
                     "readings after the receive");
        const int64_t before = op.Ui([calc] { return AsCalc(calc)->LastArrivalNs(); });
        op.WaitUntil([calc, before] { return AsCalc(calc)->LastArrivalNs() != before; }, "a new reading");

        op.Step("statistics shown, fetched and copied");
        op.Click(QStringLiteral("1320"), calc);
        op.Click(QStringLiteral("1321"), calc);
        op.Ui([] { QGuiApplication::clipboard()->clear(); });
        op.Click(QStringLiteral("1324"), calc);
        op.WaitUntil(
            [] {
                return QGuiApplication::clipboard()->text().startsWith(
                    QStringLiteral("項目\tOUT1\tOUT2\r\n"));
            },
            "the statistics on the clipboard");
        if (op.Ui([] { return QGuiApplication::clipboard()->text().count(QStringLiteral("\r\n")); }) != 10)
            op.Fail("the copy does not hold the title and nine rows");

        op.Step("close stops the acquisition; F5 opens the window again and F5 closes it");
        op.Click(QStringLiteral("2"), calc);
        op.WaitUntil([calc] { return !calc->isVisible() && AsCalc(calc)->IsIdle(); },
                     "the window closed and idle");
        op.Click(QStringLiteral("1003"), main.data());
        op.WaitUntil([calc] { return calc->isVisible(); }, "the window again");
        op.Ui([main] { main->activateWindow(); });
        op.Key(Qt::Key_F5);
        op.WaitUntil([calc] { return !calc->isVisible(); }, "the window closed by F5");
        op.ExitDiscarding();
    });
    QFile state(journey.SavedStateFile());
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    const QByteArray saved = state.readAll();
    EXPECT_TRUE(saved.contains("WINDOWPLACEMENT_CALC"));
    EXPECT_TRUE(saved.contains("ISDISPLAYRESULT=1")) << "the statistics part was shown";
}

TEST(CalcJourney, ScalingFromMeasuredData) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        SkipStartupChoice(op);
        op.ClickTab(2);
        const QPointer<QWidget> page = op.Page(2);
        op.Click(QStringLiteral("スケーリング・オフセット(&R)"), page);

        op.Step("the settings go to the controller first, then the dialog opens");
        op.Click(QStringLiteral("1051"), page);
        op.Answer(kMsgSendFirst, QMessageBox::Yes);
        const QPointer<QWidget> dialog = op.WaitForDialog(QStringLiteral("CScaling"));
        if (journey.Sim().Control("state").find("mode=setting") == std::string::npos)
            op.Fail("the controller is not in setting mode while the dialog is open");
        op.WaitUntil(
            [dialog] { return static_cast<CScaling*>(dialog.data())->LiveValue(0) != qda::kNoValue; },
            "head A's live value");

        op.Step("セット takes the live value; equal inputs are refused");
        op.Click(QStringLiteral("1405"), dialog);
        const QString live = op.FieldText(QStringLiteral("1401"), dialog);
        if (live.isEmpty() || live == QStringLiteral("0.0000")) op.Fail("セット did not fill input value 1");
        op.TypeInto(QStringLiteral("1403"), live, dialog);
        op.Click(QStringLiteral("1"), dialog);
        op.Answer(kMsgEqualInputs);

        op.Step("a gain of 10 is refused, 9.999 accepted");
        op.TypeInto(QStringLiteral("1401"), QStringLiteral("0"), dialog);
        op.TypeInto(QStringLiteral("1402"), QStringLiteral("0"), dialog);
        op.TypeInto(QStringLiteral("1403"), QStringLiteral("1"), dialog);
        op.TypeInto(QStringLiteral("1404"), QStringLiteral("10"), dialog);
        op.Click(QStringLiteral("1"), dialog);
        op.AnswerText(qda::FormatMessage(265, {9.999}));
        op.TypeInto(QStringLiteral("1404"), QStringLiteral("9.999"), dialog);
        op.Click(QStringLiteral("1"), dialog);
        op.WaitClosed(dialog, "the scaling dialog");

        op.Step("the page holds the values; the controller measures again");
        if (op.FieldText(QStringLiteral("1039"), page) != QStringLiteral("1.0000") ||
            op.FieldText(QStringLiteral("1040"), page) != QStringLiteral("9.9990"))
            op.Fail("the page shows " + op.FieldText(QStringLiteral("1039"), page).toStdString() + " / " +
                    op.FieldText(QStringLiteral("1040"), page).toStdString());
        op.WaitUntil(
            [&] { return journey.Sim().Control("state").find("mode=measuring") != std::string::npos; },
            "measuring mode");
        op.ExitDiscarding();
    });
}
