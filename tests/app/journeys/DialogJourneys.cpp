// Journeys through the dialogs of the main window: the controller environment, the PC
// communication settings, ROVA tuning, help and the version information.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "Journey.h"
#include "app/TR52Dlg.h"
#include "usbwire/VantorUsbWire.h"

using namespace qda::journey;

namespace {

constexpr int kMsgHelpMissing = 371;
constexpr int kMsgReceiveFailed = 319;
constexpr int kMsgReceived = 318;
constexpr int kMsgStartingWithDefaults = 313;
constexpr int kMsgTuningDone = 308;
constexpr int kMsgTuningCancelled = 309;
constexpr int kMsgTuningStartFailed = 306;
constexpr const char* kControllerInUse = "コントローラーは別のプログラムが転送中のため使用中です。";

void ExpectIcon(Operator& op, const QPointer<QWidget>& dialog, const std::string& what) {
    if (op.Ui([dialog] { return dialog.isNull() || dialog->windowIcon().isNull(); }))
        op.Fail(what + " shows no application icon");
}

// Another program that keeps the controller through the driver host until it is let go: a child
// process (the host tells its clients apart by process) that says hello, reserves and waits.
class OtherProgramHolding {
public:
    OtherProgramHolding() {
        const char* dir = std::getenv("VANTORUSB_SOCKET_DIR");
        if (dir == nullptr || ::pipe(m_ready) != 0 || ::pipe(m_letGo) != 0) return;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s/VantorUSB_U-0", dir);
        // Encoded before the fork: the child only makes system calls.
        const std::vector<uint8_t> hello = qda::wire::EncodeHello();
        const std::vector<uint8_t> reserve = qda::wire::EncodeReserve(qda::wire::MessageType::Reserve);
        const std::vector<uint8_t> release = qda::wire::EncodeReserve(qda::wire::MessageType::Release);
        m_child = ::fork();
        if (m_child != 0) {
            ::close(m_ready[1]);
            ::close(m_letGo[0]);
            return;
        }
        ::close(m_ready[0]);
        ::close(m_letGo[1]);
        char granted = 0;
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        uint8_t reply[64];
        if (s >= 0 && ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::write(s, hello.data(), hello.size()) == static_cast<ssize_t>(hello.size()) &&
            ::read(s, reply, qda::wire::kHeaderSize + sizeof(qda::wire::HelloReplyBody)) > 0 &&
            ::write(s, reserve.data(), reserve.size()) == static_cast<ssize_t>(reserve.size()) &&
            ::read(s, reply, qda::wire::kHeaderSize + sizeof(qda::wire::ReserveReplyBody)) ==
                static_cast<ssize_t>(qda::wire::kHeaderSize + sizeof(qda::wire::ReserveReplyBody))) {
            int32_t status = -1;
            std::memcpy(&status, reply + qda::wire::kHeaderSize, sizeof status);
            granted = status == 0 ? 1 : 0;
        }
        (void)!::write(m_ready[1], &granted, 1);
        char ignored;
        (void)!::read(m_letGo[0], &ignored, 1);  // until the parent closes its end
        // Given back and answered before the child ends, so that the parent finds the controller
        // free once it has waited for the child (a closed connection is noticed only later).
        if (granted == 1 &&
            ::write(s, release.data(), release.size()) == static_cast<ssize_t>(release.size()))
            (void)!::read(s, reply, qda::wire::kHeaderSize + sizeof(qda::wire::ReserveReplyBody));
        ::_exit(0);
    }
    ~OtherProgramHolding() { LetGo(); }
    // Whether the child holds the controller now.
    bool Holding() {
        char granted = 0;
        return m_child > 0 && ::read(m_ready[0], &granted, 1) == 1 && granted == 1;
    }
    // Ends the child once it has given the controller back.
    void LetGo() {
        if (m_child <= 0) return;
        ::close(m_letGo[1]);
        ::close(m_ready[0]);
        int status = 0;
        ::waitpid(m_child, &status, 0);
        m_child = -1;
    }

private:
    pid_t m_child = -1;
    int m_ready[2] = {-1, -1};
    int m_letGo[2] = {-1, -1};
};

void SkipStartupChoice(Operator& op) {
    const QPointer<QWidget> choice = op.WaitForDialog(QStringLiteral("167"));
    op.Key(Qt::Key_Escape);
    op.WaitClosed(choice, "the start-up choice");
}

TEST(DialogJourney, EnvironmentAndPcCommunication) {
    // The last run talked over USB, which is not there now.
    ProgramSetup setup;
    setup.savedState = [](SettingsBlock& block) { block.PcComm.CommType = qda::kCommUsb; };
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        SkipStartupChoice(op);
        const QPointer<CTR52Dlg> main = op.Main();

        op.Step("the environment dialog: automatic output for OUT2 only");
        op.Click(QStringLiteral("1014"), main.data());
        QPointer<QWidget> dialog = op.WaitForDialog(QStringLiteral("COptionEnvironment"));
        ExpectIcon(op, dialog, "the environment dialog");
        op.Choose(QStringLiteral("1110"), 2, dialog);
        op.Step("F1 in the environment dialog: its document is missing");
        op.Key(Qt::Key_F1);
        op.Answer(kMsgHelpMissing);
        op.ClickStandard(QDialogButtonBox::Ok);
        op.WaitClosed(dialog, "the environment dialog");
        if (op.Ui([main] { return main->Settings().Environment.AutoTrans; }) != 2)
            op.Fail("the environment dialog's choice was not taken");
        op.Step("the environment dialog, cancelled");
        op.Click(QStringLiteral("1014"), main.data());
        dialog = op.WaitForDialog(QStringLiteral("COptionEnvironment"));
        op.Choose(QStringLiteral("1110"), 0, dialog);
        op.Key(Qt::Key_Escape);
        op.WaitClosed(dialog, "the environment dialog");
        if (op.Ui([main] { return main->Settings().Environment.AutoTrans; }) != 2)
            op.Fail("a cancelled environment dialog changed the settings");

        op.Step("receive over USB without a driver host");
        op.Key(Qt::Key_F4);
        {
            // The program's message, and below it why: no driver host, with where it was looked for.
            const std::string text = op.Answer(-1);
            if (text.rfind(Operator::Message(kMsgReceiveFailed) + "\n", 0) != 0 ||
                text.find("vantorusbd") == std::string::npos)
                op.Fail("the failed receive says \"" + text + "\"");
        }
        // The start-up choice was closed with Esc, so the start is still pending: the failed
        // receive falls back to the defaults.
        op.Answer(kMsgStartingWithDefaults);

        op.Step("the PC communication dialog: RS-232C on COM1");
        op.ChooseMenu("通信設定(&O)", "PC通信設定(&C)");
        dialog = op.WaitForDialog(QStringLiteral("COptionCommunication"));
        ExpectIcon(op, dialog, "the PC communication dialog");
        op.Click(QStringLiteral("1118"), dialog);
        op.Choose(QStringLiteral("1119"), 0, dialog);
        op.ClickStandard(QDialogButtonBox::Ok);
        op.WaitClosed(dialog, "the PC communication dialog");
        op.Key(Qt::Key_F4);
        op.Answer(kMsgReceived);
        op.ExitDiscarding();
    });
}

TEST(DialogJourney, RovaTuningStartFinishCancelAndClose) {
    ProgramSetup setup;
    setup.helpDocuments = {"JP/QD-AtlasHead.pdf"};
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(0);
        op.Answer(kMsgReceived);

        op.Step("open ROVA tuning from head A");
        op.Click(QStringLiteral("1052"), op.Page(0));
        const QPointer<QWidget> dialog = op.WaitForDialog(QStringLiteral("COptionHeadSetting"));
        ExpectIcon(op, dialog, "the ROVA tuning dialog");
        if (op.Ui([main = op.Main()] { return main->isEnabled(); }))
            op.Fail("the main window stays enabled under the tuning dialog");
        op.Step("F1 opens the tuning dialog's document");
        op.Key(Qt::Key_F1);
        op.ExpectNoMessage();

        op.Step("start (sending the settings first), then stop");
        op.Click(QStringLiteral("1140"), dialog);
        const QPointer<QWidget> stop = op.Find(QStringLiteral("3"), dialog);
        op.WaitUntil([stop] { return stop->isEnabled(); }, "the tuning to run");
        op.Step("Esc is ignored while the tuning runs");
        op.Key(Qt::Key_Escape);
        op.ExpectNoMessage();
        if (!op.Ui([dialog] { return !dialog.isNull() && dialog->isVisible(); }))
            op.Fail("Esc closed the dialog while the tuning ran");
        op.Click(stop);
        op.Answer(kMsgTuningDone);

        op.Step("start again, then cancel");
        op.Click(QStringLiteral("1140"), dialog);
        const QPointer<QWidget> cancel = op.Find(QStringLiteral("1215"), dialog);
        op.WaitUntil([cancel] { return cancel->isEnabled(); }, "the tuning to run again");
        op.Click(cancel);
        op.Answer(kMsgTuningCancelled);

        op.Step("close");
        const QPointer<QWidget> start = op.Find(QStringLiteral("1140"), dialog);
        op.WaitUntil([start] { return start->isEnabled(); }, "the worker to end");
        op.Click(QStringLiteral("2"), dialog);
        op.WaitClosed(dialog, "the tuning dialog");
        op.WaitUntil([main = op.Main()] { return main->isEnabled(); }, "the main window to come back");
        op.ExitDiscarding();
    });
    EXPECT_EQ(journey.OpenedDocuments(),
              std::vector<QString>{journey.Path(QStringLiteral("help/JP/QD-AtlasHead.pdf"))});
}

TEST(DialogJourney, RovaTuningWhileAnotherProgramKeepsTheUsbController) {
    ProgramSetup setup;
    setup.link = Link::kUsb;
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(0);
        op.Answer(kMsgReceived);

        op.Step("another program keeps the controller; start the tuning");
        OtherProgramHolding other;
        if (!other.Holding()) op.Fail("the other program could not reserve the controller");
        op.Click(QStringLiteral("1052"), op.Page(0));
        const QPointer<QWidget> dialog = op.WaitForDialog(QStringLiteral("COptionHeadSetting"));
        op.Click(QStringLiteral("1140"), dialog);
        {
            const std::string text = op.Answer(-1);
            if (text != Operator::Message(kMsgTuningStartFailed) + "\n" + kControllerInUse)
                op.Fail("the refused tuning says \"" + text + "\"");
        }

        op.Step("the other program ends; the tuning starts and finishes");
        other.LetGo();
        const QPointer<QWidget> start = op.Find(QStringLiteral("1140"), dialog);
        op.WaitUntil([start] { return start->isEnabled(); }, "the refused worker to end");
        op.Click(start);
        const QPointer<QWidget> stop = op.Find(QStringLiteral("3"), dialog);
        op.WaitUntil([stop] { return stop->isEnabled(); }, "the tuning to run");
        {
            OtherProgramHolding intruder;
            if (intruder.Holding()) op.Fail("another program got the controller while the tuning ran");
        }
        op.Click(stop);
        op.Answer(kMsgTuningDone);
        op.WaitUntil([start] { return start->isEnabled(); }, "the worker to end");
        op.Click(QStringLiteral("2"), dialog);
        op.WaitClosed(dialog, "the tuning dialog");
        op.ExitDiscarding();
    });
}

TEST(DialogJourney, HelpAndVersionInformation) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(2);
        const QPointer<CTR52Dlg> main = op.Main();
        op.Step("help without documents: button, F1 and menu");
        op.Click(QStringLiteral("1021"), main.data());
        op.Answer(kMsgHelpMissing);
        op.Key(Qt::Key_F1);
        op.Answer(kMsgHelpMissing);
        op.ChooseMenu("ヘルプ(&H)", "ヘルプの表示(&H)");
        op.Answer(kMsgHelpMissing);

        op.Step("version information");
        op.ChooseMenu("ヘルプ(&H)", "バージョン情報(&A)");
        const QPointer<QWidget> about = op.WaitForDialog(QStringLiteral("100"));
        if (!op.FieldText(QStringLiteral("1102"), about).startsWith(QStringLiteral("qd-atlas ")))
            op.Fail("the version information does not name the program");
        op.Click(QStringLiteral("1"), about);
        op.WaitClosed(about, "the version information");
        op.Exit();
        op.WaitForExit();
    });
}

TEST(DialogJourney, HelpDocumentOpensInTheLanguageFolder) {
    ProgramSetup setup;
    setup.helpDocuments = {"JP/QD-Atlas.pdf"};
    Journey journey(setup);
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(2);
        op.Key(Qt::Key_F1);
        op.ExpectNoMessage();
        op.Exit();
        op.WaitForExit();
    });
    const std::vector<QString> opened = journey.OpenedDocuments();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], journey.Path(QStringLiteral("help/JP/QD-Atlas.pdf")));
}

}  // namespace
