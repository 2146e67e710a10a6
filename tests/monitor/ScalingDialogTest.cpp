// The scaling dialog: the OK checks with their messages and focus, "セット" without a reading, the
// values handed back; against qd-atlas-sim the live values, a refused reading and the link
// reference and measuring mode it leaves behind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "comm/Command.h"
#include "monitor/Scaling.h"
#include "resources/Messages.h"
#include "settings/MessageFormat.h"
#include "settings/SettingsDefaults.h"
#include "settings/Units.h"
#include "support/ScriptedMessageBackend.h"
#include "support/SimProcess.h"

using namespace qda;
using namespace qda::test;

namespace {

class ScalingDialogTest : public ::testing::Test {
protected:
    ScalingDialogTest() : m_scope(messages) {
        const SettingsBlock block = DefaultBlock();
        out = block.Programs[0].Out1;
        mm = out.DispDigitMm;
        inch = out.DispDigitInch;
        values = {{{out.ScaleAIn1, out.ScaleAOut1, out.ScaleAIn2, out.ScaleAOut2},
                   {out.ScaleBIn1, out.ScaleBOut1, out.ScaleBIn2, out.ScaleBOut2}}};
        SetPcCommDefaults(pc);
        pc.CommType = kCommRs232c;
        pc.PortNo = 0;
        command.SetTimeouts(500, 3000);
    }
    ~ScalingDialogTest() override {
        while (command.RefCount() > 0) command.ClosePort();
        qunsetenv("QDA_COM1");
    }
    static QLineEdit* Edit(CScaling& d, int id) { return d.findChild<QLineEdit*>(QString::number(id)); }
    static void Type(CScaling& d, int id, const char* text) { Edit(d, id)->setText(QString::fromUtf8(text)); }
    static void Ok(CScaling& d) { d.findChild<QPushButton*>(QStringLiteral("1"))->click(); }

    ScriptedMessageBackend messages;
    OutSetting out{};
    int mm = 0;
    int inch = 0;
    ScalingValueSet values{};
    PcCommSetting pc{};
    CCommand command;

private:
    ScopedMessageBackend m_scope;
};

TEST_F(ScalingDialogTest, OkChecksInOrderWithFocusAndGainLimit) {
    // No controller: the dialog says so and still checks and returns the typed values.
    CScaling d(0, values, kUnitMetric, mm, inch, pc, nullptr);
    d.show();
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], LoadMessage(357));
    messages.Clear();
    EXPECT_EQ(Edit(d, CScaling::IDC_A_IN2)->text(),
              QString::fromStdString(FormatLength(out.ScaleAIn2, 0, mm, inch)));

    // "セット" without a reading leaves the edit as it is.
    const QString before = Edit(d, CScaling::IDC_B_IN1)->text();
    d.findChild<QPushButton*>(QString::number(CScaling::IDC_B_SET1))->click();
    EXPECT_EQ(Edit(d, CScaling::IDC_B_IN1)->text(), before);

    // Not a number: message 192 and the focus on that edit, before any other check.
    Type(d, CScaling::IDC_A_IN1, "1.0000");
    Type(d, CScaling::IDC_A_IN2, "1.0000");
    Type(d, CScaling::IDC_B_OUT2, "x");
    Ok(d);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text.rfind(LoadMessage(192).substr(0, 10), 0), 0u)
        << messages.Shown()[0].text;
    EXPECT_EQ(d.focusWidget(), Edit(d, CScaling::IDC_B_OUT2));
    EXPECT_TRUE(d.isVisible());

    // Equal inputs of head A: message 349, focus on its input 1.
    Type(d, CScaling::IDC_B_OUT2, "1.0000");
    Ok(d);
    EXPECT_EQ(messages.ShownTexts().back(), LoadMessage(349));
    EXPECT_EQ(d.focusWidget(), Edit(d, CScaling::IDC_A_IN1));

    // A gain of 9.9995 is refused (message 265 with 9.999), 9.999 accepted.
    Type(d, CScaling::IDC_A_IN1, "0");
    Type(d, CScaling::IDC_A_OUT1, "0");
    Type(d, CScaling::IDC_A_IN2, "1");
    Type(d, CScaling::IDC_A_OUT2, "9.9995");
    Ok(d);
    EXPECT_EQ(messages.ShownTexts().back(), FormatMessage(265, {9.999}));
    EXPECT_TRUE(d.isVisible());
    Type(d, CScaling::IDC_A_OUT2, "9.999");
    // Head B is checked after head A.
    Type(d, CScaling::IDC_B_IN1, "2");
    Type(d, CScaling::IDC_B_IN2, "2");
    Ok(d);
    EXPECT_EQ(messages.ShownTexts().back(), LoadMessage(349));
    EXPECT_EQ(d.focusWidget(), Edit(d, CScaling::IDC_B_IN1));
    Type(d, CScaling::IDC_B_IN1, "0");
    Ok(d);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Values()[0][kScaleIn2], 100000);
    EXPECT_EQ(d.Values()[0][kScaleOut2], 999900);
    EXPECT_EQ(d.Values()[1][kScaleIn1], 0);
}

TEST_F(ScalingDialogTest, LiveValuesSetAndARefusedReadingWithTheController) {
    SimProcess sim;
    if (SimProcess::Binary().empty()) GTEST_SKIP() << "qd-atlas-sim is not built in QDA_BIN_DIR";
    ASSERT_TRUE(sim.ok());
    qputenv("QDA_COM1", QByteArray::fromStdString(sim.SlavePath()));
    // As the OUT page opens it: its own reference on the link, the controller in setting mode.
    ASSERT_TRUE(command.OpenPort(pc));
    ASSERT_TRUE(command.SetControllerMode(1));
    {
        CScaling d(1, values, kUnitMetric, mm, inch, pc, &command);
        QSignalSpy shown(&d, &CScaling::readingShown);
        d.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() >= 1; }, 5000));
        EXPECT_EQ(command.RefCount(), 2);
        ASSERT_NE(d.LiveValue(1), kNoValue);
        d.findChild<QPushButton*>(QString::number(CScaling::IDC_B_SET2))->click();
        EXPECT_EQ(Edit(d, CScaling::IDC_B_IN2)->text(),
                  QString::fromStdString(FormatLength(d.LiveValue(1), kUnitMetric, mm, inch)));

        // A refused reading ends the worker with the status's text and measuring mode again.
        ASSERT_EQ(sim.Control("status 22:3:1"), "OK");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d.WorkerRunning(); }, 5000));
        ASSERT_EQ(messages.ShownTexts().size(), 1u);
        EXPECT_EQ(messages.ShownTexts()[0], CCommand::GetErrorText(3));
        EXPECT_NE(sim.Control("state").find("mode=measuring"), std::string::npos);
        // The dialog's reference went with the worker; cancel does not take the opener's.
        d.reject();
        EXPECT_EQ(command.RefCount(), 1);
    }
    EXPECT_EQ(command.RefCount(), 1);
}

}  // namespace
