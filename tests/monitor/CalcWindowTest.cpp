// The measured-value window: its OUT boxes, statistics part and saved record on their own, and
// acquisition against qd-atlas-sim on a pseudo-terminal (readings drawn and named for assistive
// technology, auto-zero reaching the controller, a timing button waiting for the next reading,
// statistics update, copy and clear, only OUT2 shown, the controller in setting mode).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include "comm/Command.h"
#include "monitor/Calc.h"
#include "monitor/CalcPanels.h"
#include "resources/Messages.h"
#include "settings/SettingsDefaults.h"
#include "support/ScriptedMessageBackend.h"
#include "support/SimProcess.h"

using namespace qda;
using namespace qda::test;

namespace {

#define REQUIRE_SIM(sim)                                                                          \
    if (SimProcess::Binary().empty()) GTEST_SKIP() << "qd-atlas-sim is not built in QDA_BIN_DIR"; \
    ASSERT_TRUE((sim).ok()) << "qd-atlas-sim did not start"

class CalcWindowTest : public ::testing::Test {
protected:
    CalcWindowTest() : m_scope(messages) {
        SetPcCommDefaults(pc);
        pc.CommType = kCommRs232c;
        pc.PortNo = 0;
        command.SetTimeouts(500, 3000);
    }
    ~CalcWindowTest() override {
        window.StopAcquisition(true);
        while (command.RefCount() > 0) command.ClosePort();
        qunsetenv("QDA_COM1");
    }
    void Connect(const SimProcess& sim, CalcViewSetting view = {1, 1, 1}) {
        qputenv("QDA_COM1", QByteArray::fromStdString(sim.SlavePath()));
        window.SetConnection(view, pc, &command);
        window.show();
    }
    template <class T = QPushButton>
    T* Get(int id) {
        return qobject_cast<T*>(window.Control(id));
    }
    void Click(int id) {
        QPushButton* b = Get(id);
        ASSERT_TRUE(b->isEnabled()) << "control " << id << " is disabled";
        b->click();
    }
    bool WaitReadings(int n) {
        QSignalSpy spy(&window, &CCalc::readingAccepted);
        return QTest::qWaitFor([&] { return spy.count() >= n; }, 8000);
    }
    // What assistive technology reads of a control.
    static std::string Name(QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).toStdString();
    }
    static bool ZeroOn(const MeasuredValues& r, int out) {
        return (r.out[static_cast<size_t>(out)].raw & 0x80) != 0;
    }

    ScriptedMessageBackend messages;
    PcCommSetting pc{};
    CCommand command;
    CCalc window;

private:
    ScopedMessageBackend m_scope;
};

TEST_F(CalcWindowTest, OutBoxesStatisticsAndRecordWithoutController) {
    window.SetConnection({1, 1, 0}, pc, &command);
    window.show();
    auto* out1 = Get<QCheckBox>(CCalc::IDC_SHOW_OUT1);
    auto* out2 = Get<QCheckBox>(CCalc::IDC_SHOW_OUT2);
    EXPECT_EQ(window.OutSelection(), 255);
    EXPECT_TRUE(Get(CCalc::IDC_SIMULTANEOUS)->isVisible());

    // Only OUT2: one wide panel that shows OUT2, no right-hand group, requests for OUT2 alone.
    out1->click();
    EXPECT_FALSE(out1->isChecked());
    EXPECT_EQ(window.OutSelection(), 1);
    EXPECT_FALSE(window.Control(CCalc::IDC_PANEL_RIGHT)->isVisible());
    EXPECT_FALSE(Get(CCalc::IDC_ZERO_RIGHT)->isVisible());
    EXPECT_FALSE(Get(CCalc::IDC_SIMULTANEOUS)->isVisible());
    EXPECT_EQ(Name(window.Control(CCalc::IDC_PANEL_LEFT)), "OUT2");
    // The last checked box cannot be cleared.
    out2->click();
    EXPECT_TRUE(out2->isChecked());
    EXPECT_EQ(window.OutSelection(), 1);
    out1->click();
    EXPECT_EQ(window.OutSelection(), 255);
    EXPECT_TRUE(window.Control(CCalc::IDC_PANEL_RIGHT)->isVisible());

    // Nothing works on the controller while stopped.
    for (int id :
         {CCalc::IDC_ZERO_LEFT, CCalc::IDC_RESET_LEFT, CCalc::IDC_TIMING_LEFT, CCalc::IDC_SIMULTANEOUS,
          CCalc::IDC_STAT_UPDATE, CCalc::IDC_STAT_CLEAR, CCalc::IDC_STAT_COPY})
        EXPECT_FALSE(Get(id)->isEnabled()) << id;
    EXPECT_EQ(Get(CCalc::IDC_START)->text(), QString::fromUtf8("測定値取得開始"));

    // The statistics part: its button's two texts, "***" in all nine rows without data.
    QPushButton* stat = Get(CCalc::IDC_STATISTICS);
    EXPECT_EQ(stat->text(), QString::fromUtf8("統計値表示"));
    EXPECT_FALSE(window.Control(CCalc::IDC_STAT_LIST)->isVisible());
    stat->click();
    EXPECT_EQ(stat->text(), QString::fromUtf8("統計値非表示"));
    auto* list = Get<QTableWidget>(CCalc::IDC_STAT_LIST);
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->rowCount(), 9);
    for (int row = 0; row < 9; ++row) {
        EXPECT_EQ(list->item(row, 1)->text(), QStringLiteral("***"));
        EXPECT_EQ(list->item(row, 2)->text(), QStringLiteral("***"));
    }
    EXPECT_EQ(list->item(8, 0)->text(), QString::fromUtf8("[LO]データ数"));

    // The record the main window saves.
    out2->click();
    const CalcViewSetting view = window.ViewRecord();
    EXPECT_EQ(view.IsOut1, 1);
    EXPECT_EQ(view.IsOut2, 0);
    EXPECT_EQ(view.IsDisplayResult, 1);
    // A record with neither OUT shows OUT1.
    window.SetConnection({0, 0, 0}, pc, &command);
    EXPECT_TRUE(window.OutShown(0));
    EXPECT_FALSE(window.StatisticsShown());
}

TEST_F(CalcWindowTest, ReadingsZeroTimingAndStatisticsWithTheController) {
    SimProcess sim;
    REQUIRE_SIM(sim);
    Connect(sim);
    Click(CCalc::IDC_START);
    ASSERT_FALSE(window.IsIdle());
    ASSERT_TRUE(WaitReadings(1));
    EXPECT_EQ(Get(CCalc::IDC_START)->text(), QString::fromUtf8("測定値取得停止"));
    EXPECT_EQ(command.RefCount(), 1) << "the worker holds one reference on the link";

    // The panels say what they show: "OUT1 <value> <unit> <judgement>".
    const std::string name = Name(window.Control(CCalc::IDC_PANEL_LEFT));
    EXPECT_EQ(name.rfind("OUT1 ", 0), 0u) << name;
    EXPECT_NE(name.find(" mm"), std::string::npos) << name;
    EXPECT_EQ(Name(window.Control(CCalc::IDC_PANEL_RIGHT)).rfind("OUT2 ", 0), 0u);
    EXPECT_NE(Name(window.Control(CCalc::IDC_PANEL_HEADS)).find("green"), std::string::npos);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Get(CCalc::IDC_TIMING_LEFT)->isEnabled(); }, 3000));

    // Auto-zero of OUT2 on, then off, as the controller reports it in later readings.
    EXPECT_FALSE(ZeroOn(window.LastReading(), 1));
    Get(CCalc::IDC_ZERO_RIGHT)->click();
    EXPECT_TRUE(Get(CCalc::IDC_ZERO_RIGHT)->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return ZeroOn(window.LastReading(), 1); }, 3000));
    EXPECT_FALSE(ZeroOn(window.LastReading(), 0));
    Get(CCalc::IDC_ZERO_RIGHT)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ZeroOn(window.LastReading(), 1); }, 3000));
    EXPECT_FALSE(Get(CCalc::IDC_ZERO_RIGHT)->isChecked());

    // A timing button says "通信中" and stays disabled from its click until the next reading.
    QPushButton* timing = Get(CCalc::IDC_TIMING_LEFT);
    timing->click();
    EXPECT_EQ(timing->text(), QString::fromUtf8("通信中"));
    EXPECT_FALSE(timing->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return timing->isEnabled(); }, 3000));
    EXPECT_EQ(timing->text(), QString::fromUtf8("タイミング(&3)"));

    // Statistics: fetched, copied with the title line, cleared.
    Click(CCalc::IDC_STAT_UPDATE);
    auto* list = Get<QTableWidget>(CCalc::IDC_STAT_LIST);
    EXPECT_NE(list->item(5, 1)->text(), QStringLiteral("***"));
    EXPECT_GT(list->item(5, 1)->text().toInt(), 0) << "the controller counted readings";
    QGuiApplication::clipboard()->clear();
    Click(CCalc::IDC_STAT_COPY);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(QString::fromUtf8("項目\tOUT1\tOUT2\r\n"))) << copied.toStdString();
    EXPECT_EQ(copied.count(QStringLiteral("\r\n")), 10);
    Click(CCalc::IDC_STAT_CLEAR);
    EXPECT_EQ(list->item(5, 1)->text(), QStringLiteral("***"));
    EXPECT_TRUE(messages.Shown().empty()) << messages.ShownTexts().front();

    // Stop: the link is let go and the panels are empty again.
    Get(CCalc::IDC_START)->click();
    EXPECT_TRUE(window.IsIdle());
    EXPECT_EQ(command.RefCount(), 0);
    EXPECT_EQ(Name(window.Control(CCalc::IDC_PANEL_LEFT)), "OUT1");
    EXPECT_EQ(Get(CCalc::IDC_START)->text(), QString::fromUtf8("測定値取得開始"));
}

TEST_F(CalcWindowTest, OnlyOut2ShownActsOnOut2) {
    SimProcess sim;
    REQUIRE_SIM(sim);
    Connect(sim, {0, 1, 0});
    EXPECT_EQ(window.OutSelection(), 1);
    Click(CCalc::IDC_START);
    ASSERT_TRUE(WaitReadings(1));
    EXPECT_EQ(Name(window.Control(CCalc::IDC_PANEL_LEFT)).rfind("OUT2 ", 0), 0u);
    // The left zero button switches OUT2's auto-zero.
    Click(CCalc::IDC_ZERO_LEFT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ZeroOn(window.LastReading(), 1); }, 3000));
    EXPECT_FALSE(ZeroOn(window.LastReading(), 0));
    EXPECT_TRUE(Get(CCalc::IDC_ZERO_LEFT)->isChecked());
}

TEST_F(CalcWindowTest, SettingModeEndsTheFirstReadingAndIsSkippedLater) {
    SimProcess sim;
    REQUIRE_SIM(sim);
    Connect(sim);
    // Setting mode from elsewhere before the start: the first reading is refused.
    ASSERT_EQ(sim.Control("mode setting"), "OK");
    Click(CCalc::IDC_START);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.IsIdle(); }, 5000));
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "測定値取得が失敗しました。");
    EXPECT_FALSE(Get(CCalc::IDC_START)->isChecked());
    EXPECT_EQ(command.RefCount(), 0);

    // Refusals after the first reading are skipped: acquisition goes on and readings come back.
    messages.Clear();
    ASSERT_EQ(sim.Control("mode measuring"), "OK");
    Click(CCalc::IDC_START);
    ASSERT_TRUE(WaitReadings(1));
    ASSERT_EQ(sim.Control("mode setting"), "OK");
    QTest::qWait(900);
    EXPECT_FALSE(window.IsIdle());
    EXPECT_TRUE(messages.Shown().empty());
    ASSERT_EQ(sim.Control("mode measuring"), "OK");
    EXPECT_TRUE(WaitReadings(1));
}

TEST_F(CalcWindowTest, FailedAutoZeroLeavesTheButtonAsTheControllerHasIt) {
    SimProcess sim;
    REQUIRE_SIM(sim);
    Connect(sim);
    Click(CCalc::IDC_START);
    ASSERT_TRUE(WaitReadings(1));
    ASSERT_EQ(sim.Control("status 12:2:1"), "OK");
    Get(CCalc::IDC_ZERO_LEFT)->click();
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "オートゼロが失敗しました。");
    EXPECT_FALSE(Get(CCalc::IDC_ZERO_LEFT)->isChecked());
}

}  // namespace

TEST(CalcPanelFrames, AreOneFullColourPixelAtEveryEdge) {
    // Drawn with antialiasing the frames were two half-tone lines; at 1 x every pixel of each
    // edge is the frame's own grey and the one inside it is the panel's background.
    qda::OutPanelView view;
    view.value = "1.2345";
    view.unit = "mm";
    view.style = qda::ValueStyle::kNormal;
    CCalcValuePanel value;
    value.resize(320, 150);
    value.Show(0, view);
    CCalcHeadPanel head;
    head.resize(130, 150);
    for (QWidget* panel : {static_cast<QWidget*>(&value), static_cast<QWidget*>(&head)}) {
        SCOPED_TRACE(panel->metaObject()->className());
        QImage image(panel->size(), QImage::Format_RGB32);
        image.setDevicePixelRatio(1);
        image.fill(Qt::magenta);
        panel->render(&image);
        const QRgb grey = QColor(Qt::darkGray).rgb();
        const int w = image.width(), h = image.height();
        for (int x = 0; x < w; x += 7) {
            EXPECT_EQ(image.pixel(x, 0), grey) << "top, x " << x;
            EXPECT_EQ(image.pixel(x, h - 1), grey) << "bottom, x " << x;
        }
        for (int y = 0; y < h; y += 7) {
            EXPECT_EQ(image.pixel(0, y), grey) << "left, y " << y;
            EXPECT_EQ(image.pixel(w - 1, y), grey) << "right, y " << y;
        }
        EXPECT_NE(image.pixel(1, h / 2), grey) << "the frame is one pixel wide";
    }
}
