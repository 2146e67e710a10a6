// The measured-value window in the assembled main window: its record and placement kept between
// runs, the busy state of a transfer, and exit waiting for its worker.
#include <QCheckBox>
#include <QPushButton>

#include "MainWindowTestSupport.h"
#include "comm/Command.h"
#include "monitor/Calc.h"
#include "pages/DrawnButton.h"
#include "settings/SettingsDefaults.h"
#include "support/SimProcess.h"

using namespace qda;
using namespace qda::test;

namespace {

class CalcMainWindowTest : public MainWindowTest {
protected:
    CalcMainWindowTest() { SetRegistryStore(&store); }
    ~CalcMainWindowTest() override {
        if (window) window->CalcWindow()->StopAcquisition(true);
        window.reset();
        SetRegistryStore(nullptr);
        qunsetenv("QDA_COM1");
    }
    static void Pump() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }
    QPushButton* Start() const {
        return qobject_cast<QPushButton*>(window->CalcWindow()->Control(CCalc::IDC_START));
    }
};

TEST_F(CalcMainWindowTest, RecordPlacementAndBusyState) {
    RegWriteInt(store, "CALC", "ISOUT1", 0);
    RegWriteInt(store, "CALC", "ISOUT2", 1);
    RegWriteInt(store, "CALC", "ISDISPLAYRESULT", 1);
    dialogs.startupChoices = {2};
    MainWindowTest::Start();
    CCalc& calc = *window->CalcWindow();
    EXPECT_FALSE(calc.isVisible());
    EXPECT_FALSE(calc.OutShown(0));
    EXPECT_TRUE(calc.StatisticsShown());
    EXPECT_EQ(calc.OutSelection(), 1);

    // A transfer: the button, the menu item, F5 and the window's own controls are off.
    window->EnableCommands(false);
    EXPECT_FALSE(window->Button(CTR52Dlg::IDC_CALC)->isEnabled());
    EXPECT_FALSE(window->MenuAction(CTR52Dlg::ID_CALC)->isEnabled());
    EXPECT_FALSE(Start()->isEnabled());
    window->activateWindow();
    QTest::keyClick(window.get(), Qt::Key_F5);
    Pump();
    EXPECT_FALSE(calc.isVisible()) << "no command from the keyboard while busy";
    window->EnableCommands(true);
    EXPECT_TRUE(Start()->isEnabled());

    window->MenuAction(CTR52Dlg::ID_CALC)->trigger();
    Pump();
    EXPECT_TRUE(calc.isVisible());
    qobject_cast<QCheckBox*>(calc.Control(CCalc::IDC_SHOW_OUT1))->click();
    window->OnCalcWindow();
    Pump();
    EXPECT_FALSE(calc.isVisible());
    EXPECT_TRUE(store.Has("WINDOWPLACEMENT", "WINDOWPLACEMENT_CALC"));

    // Exit writes the record as the window stands; a window record alone asks nothing.
    window->OnExit();
    ASSERT_TRUE(window->Ended());
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(RegReadInt(store, "CALC", "ISOUT1", -1), 1);
    EXPECT_EQ(RegReadInt(store, "CALC", "ISOUT2", -1), 1);
    EXPECT_EQ(RegReadInt(store, "CALC", "ISDISPLAYRESULT", -1), 1);
}

TEST_F(CalcMainWindowTest, ExitWaitsForTheWorker) {
    SimProcess sim;
    if (SimProcess::Binary().empty()) GTEST_SKIP() << "qd-atlas-sim is not built in QDA_BIN_DIR";
    ASSERT_TRUE(sim.ok());
    qputenv("QDA_COM1", QByteArray::fromStdString(sim.SlavePath()));
    dialogs.startupChoices = {2};
    SettingsBlock saved = DefaultBlock();
    saved.PcComm.CommType = kCommRs232c;
    saved.PcComm.PortNo = 0;
    CRegistrySettings(store).SaveBlock(saved);
    MainWindowTest::Start();
    window->Command().SetTimeouts(500, 3000);
    window->OnCalcWindow();
    Pump();
    Start()->click();
    CCalc& calc = *window->CalcWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return calc.ReadingValid(); }, 5000));

    // The first exit only stops the acquisition; the exit it posts comes back and ends.
    window->OnExit();
    EXPECT_FALSE(window->Ended());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Ended(); }, 5000));
    EXPECT_TRUE(calc.IsIdle());
    EXPECT_EQ(window->Command().RefCount(), 0);
}

}  // namespace
