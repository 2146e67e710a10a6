// Receive and send of all settings through the real command layer against qd-atlas-sim on a
// pseudo-terminal, and the controller's error replies.
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include "MainWindowTestSupport.h"
#include "comm/Command.h"
#include "pages/DrawnButton.h"
#include "pages/OptionHeadSetting.h"
#include "pages/PageSupport.h"
#include "pages/TabHead.h"
#include "settings/SettingsDefaults.h"
#include "support/SimProcess.h"
#include "windowing/WindowMessage.h"

using namespace qda;
using namespace qda::test;

namespace {

class TransferTest : public MainWindowTest {
protected:
    ~TransferTest() override { qunsetenv("QDA_COM1"); }

    // The main window connected to the simulator as COM1, started with the defaults.
    void StartWith(const SimProcess& sim) {
        qputenv("QDA_COM1", QByteArray::fromStdString(sim.SlavePath()));
        dialogs.startupChoices = {2};
        SettingsBlock saved = DefaultBlock();
        saved.PcComm.CommType = kCommRs232c;
        saved.PcComm.PortNo = 0;
        CRegistrySettings(store).SaveBlock(saved);
        Start();
        window->Command().SetTimeouts(500, 3000);
        messages.Clear();
    }
    bool WaitIdle() {
        return QTest::qWaitFor([&] { return !window->TransferRunning(); }, 20000);
    }
    bool WaitForText(int code) {
        const std::string text = Msg(code);
        return QTest::qWaitFor(
            [&] {
                for (const std::string& t : Texts()) {
                    if (t == text) return true;
                }
                return false;
            },
            5000);
    }
};

TEST_F(TransferTest, SendThenReceiveRoundTrip) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    window->MutableSettings().Programs[4].HeadA.AlarmCnt = 123;
    window->MutableSettings().Programs[4].Out2.FilterType = 1;
    window->SelectProgram(false, 4);

    window->OnSend();
    EXPECT_TRUE(window->TransferRunning());
    EXPECT_FALSE(window->Button(CTR52Dlg::IDC_RECEIVE)->isEnabled())
        << "commands are off while a worker runs";
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(326)});
    EXPECT_EQ(messages.Shown()[0].style, MB_ICONINFORMATION);
    EXPECT_TRUE(window->Button(CTR52Dlg::IDC_RECEIVE)->isEnabled());
    EXPECT_TRUE(IsSameBlock(window->Settings(), window->SettingsRef()));
    EXPECT_EQ(window->Command().RefCount(), 0);
    EXPECT_NE(sim.Control("state").find("program=4"), std::string::npos);
    EXPECT_NE(sim.Control("state").find("mode=measuring"), std::string::npos);

    // Back to defaults here, then receive: the controller's values and program come back.
    messages.QueueAnswer(IDYES);
    window->OnInitialiseAll();
    window->SelectProgram(false, 0);
    messages.Clear();
    window->OnReceive();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(318)});
    EXPECT_EQ(window->Settings().Programs[4].HeadA.AlarmCnt, 123);
    EXPECT_EQ(window->Settings().Programs[4].Out2.FilterType, 1);
    EXPECT_EQ(window->GetSelectedProgram(), 4);
    EXPECT_TRUE(IsSameBlock(window->Settings(), window->SettingsRef()));
    EXPECT_EQ(window->Command().RefCount(), 0);
}

TEST_F(TransferTest, ReceivedImageThatFailsACheckIsDiscarded) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    // Program 5 is not on the pages, so its record goes out unchecked and comes back as it was:
    // an analog output of 20 V over 0.01 mm is steeper than the record check allows.
    OutSetting& out = window->MutableSettings().Programs[5].Out1;
    out.AScaleIn1 = 100000;
    out.AScaleIn2 = 99000;
    window->OnSend();
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(Texts(), std::vector<std::string>{Msg(326)});

    messages.QueueAnswer(IDYES);
    window->OnInitialiseAll();
    window->MutableSettings().Programs[2].HeadB.AlarmCnt = 22;
    const SettingsBlock before = window->Settings();
    messages.Clear();
    window->OnReceive();
    ASSERT_TRUE(WaitIdle());
    const std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], Msg(318)) << "the head check's message, then settings received";
    EXPECT_TRUE(IsSameBlock(window->Settings(), before)) << "the received image is discarded";
}

TEST_F(TransferTest, SendHandsTheControllersBaudRateToThePc) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    window->MutableSettings().Environment.Baudrate = 4;
    window->MutableSettings().Environment.Parity = 0;
    window->OnSend();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(326)});
    EXPECT_EQ(window->Settings().PcComm.Baudrate, 4);
    EXPECT_EQ(window->Settings().PcComm.Parity, 0);
}

TEST_F(TransferTest, ExitWaitsForARunningTransfer) {
    SimProcess sim({"--pace-baud", "460800"});
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    window->OnSend();
    ASSERT_TRUE(window->TransferRunning());
    window->OnExit();
    EXPECT_FALSE(window->Ended());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Ended(); }, 20000));
    // The send made the reference copy equal: no question before closing.
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(326)});
}

TEST_F(TransferTest, PcCommChangeWhileTheLinkIsOpenAsksFirst) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    PcCommSetting other = window->Settings().PcComm;
    other.Baudrate = 2;
    // Link closed: taken at once.
    dialogs.pcComms = {other};
    window->OnPcComm();
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(window->Settings().PcComm.Baudrate, 2);

    ASSERT_TRUE(window->Command().OpenPort(window->Settings().PcComm));
    other.Baudrate = 4;
    for (int answer : {IDNO, IDYES}) {
        messages.Clear();
        messages.QueueAnswer(answer);
        dialogs.pcComms = {other};
        window->OnPcComm();
        EXPECT_EQ(Texts(), std::vector<std::string>{Msg(247)});
        EXPECT_EQ(window->Settings().PcComm.Baudrate, answer == IDYES ? 4 : 2);
    }
    window->Command().ClosePort();
}

TEST_F(TransferTest, TransferRequestsOfTheDataStorageWindow) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    window->SelectProgram(false, 2);
    EXPECT_EQ(SendWindowMessage(window.get(), WM_TRANSFER_REQUEST, 2, 0), 2);

    // Send the storage window's image: it becomes the current settings, the reference stays.
    SettingsBlock image = window->Settings();
    image.Programs[2].Common.DSPoints = 2000;
    EXPECT_EQ(SendWindowMessage(window.get(), WM_TRANSFER_REQUEST, 0, reinterpret_cast<intptr_t>(&image)), 1);
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(window->Settings().Programs[2].Common.DSPoints, 2000);
    EXPECT_EQ(window->SettingsRef().Programs[2].Common.DSPoints, 65536);
    EXPECT_EQ(window->Command().RefCount(), 0);

    // Receive into it: the controller's values come back into both.
    window->MutableSettings().Programs[2].Common.DSPoints = 7;
    SettingsBlock received = DefaultBlock();
    received.PcComm = window->Settings().PcComm;
    EXPECT_EQ(SendWindowMessage(window.get(), WM_TRANSFER_REQUEST, 1, reinterpret_cast<intptr_t>(&received)),
              1);
    EXPECT_EQ(received.Programs[2].Common.DSPoints, 2000);
    EXPECT_EQ(window->Settings().Programs[2].Common.DSPoints, 2000);
    EXPECT_EQ(window->GetSelectedProgram(), 2) << "the controller's program";

    // A link that cannot be opened: message 321 with the reason, result 0.
    SettingsBlock unreachable = window->Settings();
    unreachable.PcComm.PortNo = 7;  // COM8 is not mapped to the simulator
    qputenv("QDA_COM8", QFile::encodeName(Path("no-such-tty")));
    EXPECT_EQ(
        SendWindowMessage(window.get(), WM_TRANSFER_REQUEST, 0, reinterpret_cast<intptr_t>(&unreachable)), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(321) + "\nデバイス " + Path("no-such-tty").toStdString() +
                                                " がありません。"});
    qunsetenv("QDA_COM8");
}

TEST_F(TransferTest, StorageRunningAsksFirst) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    // Storage of OUT1 and OUT2 at one value a second, so that it still runs during the test.
    CommonSetting& common = window->MutableSettings().Programs[0].Common;
    common.DSOut = 3;
    common.SampRate = 5;
    common.DSFreq = 9;
    window->SelectProgram(false, 0);
    window->OnSend();
    ASSERT_TRUE(WaitIdle());
    messages.Clear();
    ASSERT_TRUE(window->Command().OpenPort(window->Settings().PcComm));
    ASSERT_TRUE(window->Command().SetControllerMode(0));
    CommandReply reply;
    window->Command().StorageStart(reply);
    window->Command().ClosePort();
    ASSERT_NE(sim.Control("state").find("storing=1"), std::string::npos);

    window->MutableSettings().Programs[1].HeadB.AlarmCnt = 99;
    window->SelectProgram(false, 1);
    messages.QueueAnswer(IDNO);
    window->OnReceive();
    EXPECT_FALSE(window->TransferRunning());
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(299)});
    EXPECT_EQ(window->Settings().Programs[1].HeadB.AlarmCnt, 99);
    EXPECT_EQ(window->Command().RefCount(), 0);

    messages.Clear();
    messages.QueueAnswer(IDNO);
    window->OnSend();
    EXPECT_FALSE(window->TransferRunning());
    EXPECT_EQ(Texts(), std::vector<std::string>{Msg(300)});
    EXPECT_EQ(window->Command().RefCount(), 0);
    EXPECT_NE(sim.Control("state").find("storing=1"), std::string::npos);
}

TEST_F(TransferTest, SynchronousSendForThePages) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    window->MutableSettings().Programs[0].HeadA.AlarmCnt = 45;
    window->SelectProgram(false, 0);
    EXPECT_EQ(SendWindowMessage(window.get(), WM_HEAD_SEND_SETTINGS, 1, 0), 0) << "wParam must be 0";
    EXPECT_EQ(SendWindowMessage(window.get(), WM_OUT_SEND_SETTINGS, 0, 0), 1);
    EXPECT_TRUE(messages.Shown().empty()) << "the caller reports";
    EXPECT_EQ(window->Command().RefCount(), 0);
    EXPECT_TRUE(window->Button(CTR52Dlg::IDC_SEND)->isEnabled());
}

TEST_F(TransferTest, NoControllerReportsFailure) {
    qputenv("QDA_COM1", QFile::encodeName(Path("no-such-tty")));
    dialogs.startupChoices = {2};
    SettingsBlock saved = DefaultBlock();
    saved.PcComm.CommType = kCommRs232c;
    CRegistrySettings(store).SaveBlock(saved);
    Start();
    messages.Clear();
    window->OnSend();
    window->OnReceive();
    EXPECT_EQ(SendWindowMessage(window.get(), WM_OUT_SEND_SETTINGS, 0, 0), 0);
    // Each failure names the reason below the program's message.
    const std::string reason = "\nデバイス " + Path("no-such-tty").toStdString() + " がありません。";
    EXPECT_EQ(Texts(), (std::vector<std::string>{Msg(321) + reason, Msg(319) + reason, Msg(321) + reason}));
    EXPECT_TRUE(window->Button(CTR52Dlg::IDC_SEND)->isEnabled());
}

TEST_F(TransferTest, ControllerErrorReplies) {
    struct Case {
        int code;
        std::vector<int> expected;  // after the error message itself
    };
    const Case cases[] = {{5, {377}}, {2, {373}}, {7, {376, 378}}};
    for (const Case& c : cases) {
        SimProcess sim;
        QDA_REQUIRE_SIM(sim);
        StartWith(sim);
        ASSERT_EQ(sim.Control("error-reply all:" + std::to_string(c.code) + ":2").rfind("OK", 0), 0u);
        window->OnReceive();
        for (int code : c.expected)
            EXPECT_TRUE(WaitForText(code)) << "code " << c.code << " message " << code;
        ASSERT_TRUE(WaitIdle());
        QTest::qWait(50);
        const std::vector<ShownMessage> shown = messages.Shown();
        for (const ShownMessage& m : shown) {
            if (m.text == Msg(c.expected[0])) {
                EXPECT_EQ(m.style, MB_ICONERROR);
            }
            if (c.code == 7 && m.text == Msg(378)) {
                EXPECT_EQ(m.style, MB_ICONINFORMATION);
            }
        }
        EXPECT_EQ(window->Command().RefCount(), 0);
        window.reset();
        qunsetenv("QDA_COM1");
    }
}

}  // namespace

// The ROVA tuning dialog run from the head page of the assembled main window: the main window is
// disabled around it as around every modal dialog, yet the dialog itself stays usable, tunes, and
// closes with Esc.
TEST_F(TransferTest, RovaTuningDialogOfTheHeadPageIsUsable) {
    SimProcess sim;
    QDA_REQUIRE_SIM(sim);
    StartWith(sim);
    CTabHead* head = window->HeadPage(0);
    ASSERT_NE(head, nullptr);
    auto* tuning = Control<QPushButton>(head, CTabHead::IDC_ROVA_TUNING);
    ASSERT_NE(tuning, nullptr);

    bool seen = false, enabled = false, mainDisabled = false, closed = false, done = false;
    bool startEnabled = false, tuned = false;
    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<COptionHeadSetting*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        watcher.stop();
        seen = true;
        enabled = dialog->isEnabled();
        mainDisabled = !window->isEnabled();
        auto* start = Control<QPushButton>(dialog, COptionHeadSetting::IDC_START);
        startEnabled = start != nullptr && start->isEnabled();
        if (startEnabled) {
            QTest::mouseClick(start, Qt::LeftButton);
            if (QTest::qWaitFor([&] { return dialog->CurrentState() == COptionHeadSetting::kTuning; },
                                5000)) {
                QTest::mouseClick(Control<QPushButton>(dialog, COptionHeadSetting::IDC_STOP), Qt::LeftButton);
                (void)QTest::qWaitFor([&] { return !dialog->WorkerRunning(); }, 5000);
                tuned = dialog->Tuned();
            }
            QTest::keyClick(dialog, Qt::Key_Escape);
            closed = !dialog->isVisible();
        }
        // Never leave the test hanging on the fault.
        if (dialog->isVisible()) dialog->done(QDialog::Rejected);
        done = true;
    });
    watcher.start();
    QTest::mouseClick(tuning, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 20000));
    EXPECT_TRUE(seen) << "the ROVA tuning dialog opened modally";
    EXPECT_TRUE(enabled) << "the dialog is usable while its main window is disabled";
    EXPECT_TRUE(mainDisabled) << "the main window is disabled around the dialog";
    EXPECT_TRUE(startEnabled);
    EXPECT_TRUE(tuned) << "start and stop tuned the head";
    EXPECT_TRUE(closed) << "Esc closes the idle dialog";
    (void)QTest::qWaitFor([&] { return window->Command().RefCount() == 0; }, 2000);
    EXPECT_TRUE(window->isEnabled()) << "the main window comes back";
    EXPECT_EQ(window->Command().RefCount(), 0);
}
