// The storage settings dialog against the simulator's controller: the points check, and receive and
// send through the main window with their questions.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "ControllerOnPty.h"
#include "pages/PageTestSupport.h"
#include "settings/SettingsDefaults.h"
#include "storage/StorageSettingDialog.h"
#include "windowing/WindowMessage.h"

namespace {

using namespace qda;

class StorageSettingTest : public qda::test::ControllerOnPty {
protected:
    void SetUp() override {
        ControllerOnPty::SetUp();
        // The main window stand-in: a receive changes program 5's points and selects program 5.
        mainWindow.onMessage = [this](const qda::test::ReceivedMessage& m) -> std::intptr_t {
            if (m.message != WM_TRANSFER_REQUEST) return 0;
            auto* block = reinterpret_cast<SettingsBlock*>(m.lParam);
            if (m.wParam == 0) sent.push_back(*block);
            if (m.wParam == 1) block->Programs[5].Common.DSPoints = 1234;
            if (m.wParam == 2) return 5;
            return result;
        };
        block = DefaultBlock();
        block.Programs[2].Common.DSPoints = 900;
        block.Programs[2].Common.DSOut = 2;
        block.Programs[2].Common.DSFreq = 7;
        ASSERT_TRUE(cmd.OpenPort(link));  // the storage window's reference
    }
    void StartStoring() {
        Program(1, 60000);
        qda::CommandReply r;
        ASSERT_TRUE(cmd.StorageStart(r) && r.status == 0);
    }
    void Open(CCommand* command) {
        dlg.Setup(block, 2, &mainWindow, WM_TRANSFER_REQUEST, command);
        dlg.show();
    }
    QLineEdit* Points() { return Control<QLineEdit>(&dlg, CStorageSetting::IDC_DS_POINTS); }
    std::vector<unsigned> Requests() const {
        std::vector<unsigned> ops;
        for (const auto& m : mainWindow.Of(WM_TRANSFER_REQUEST))
            ops.push_back(static_cast<unsigned>(m.wParam));
        return ops;
    }

    SettingsBlock block{};
    std::intptr_t result = 1;
    std::vector<SettingsBlock> sent;
    qda::test::MessageSink mainWindow;
    CStorageSetting dlg;
};

TEST_F(StorageSettingTest, OpeningShowsTheActiveProgramsFields) {
    Open(&cmd);
    EXPECT_EQ(Control<QComboBox>(&dlg, CStorageSetting::IDC_DS_OUT)->currentText(), "OUT2");
    EXPECT_EQ(Control<QComboBox>(&dlg, CStorageSetting::IDC_DS_FREQ)->currentText(), "200");
    EXPECT_EQ(Points()->text(), "900");
    EXPECT_FALSE(dlg.Transferred());
    EXPECT_EQ(dlg.ActiveProgram(), 2);
}

TEST_F(StorageSettingTest, PointsOutsideOneTo65536AreRefusedWithMessage325AndNothingIsSent) {
    Open(&cmd);
    struct Case {
        const char* text;
        bool ok;
    } cases[] = {{"65536", true}, {"1", true}, {"0", false}, {"65537", false}, {"", false}, {"-5", false}};
    for (const Case& c : cases) {
        messages.Clear();
        Points()->setText(c.text);
        const int before = dlg.Block().Programs[2].Common.DSPoints;
        EXPECT_EQ(dlg.StoreFields(), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(dlg.Block().Programs[2].Common.DSPoints, std::atoi(c.text));
            EXPECT_TRUE(messages.Shown().empty()) << c.text;
        } else {
            EXPECT_EQ(dlg.Block().Programs[2].Common.DSPoints, before) << "a refused number is not kept";
            ASSERT_EQ(messages.Shown().size(), 1u) << c.text;
            EXPECT_NE(messages.Shown()[0].text.find("1～65536"), std::string::npos)
                << messages.Shown()[0].text;
        }
    }
    messages.Clear();
    Control<QPushButton>(&dlg, CStorageSetting::IDC_SEND)->click();
    EXPECT_EQ(messages.Shown().size(), 1u);
    EXPECT_TRUE(Requests().empty());
}

TEST_F(StorageSettingTest, ReceiveWhileStoringAsksFirstThenTakesTheReceivedSettingsAndProgram) {
    StartStoring();
    Open(&cmd);
    messages.QueueAnswer(IDNO);
    dlg.Receive();
    EXPECT_EQ(messages.ShownTexts(), std::vector<std::string>{LoadMessage(299)});
    EXPECT_TRUE(Requests().empty());

    messages.Clear();
    messages.QueueAnswer(IDYES);
    messages.QueueAnswer(IDOK);
    Control<QPushButton>(&dlg, CStorageSetting::IDC_RECEIVE)->click();
    EXPECT_EQ(messages.ShownTexts(), (std::vector<std::string>{LoadMessage(299), LoadMessage(262)}));
    EXPECT_EQ(Requests(), (std::vector<unsigned>{1, 2}));
    EXPECT_TRUE(dlg.Transferred());
    EXPECT_EQ(dlg.ActiveProgram(), 5);
    EXPECT_EQ(Points()->text(), "1234");
    EXPECT_EQ(cmd.RefCount(), 1) << "the dialog gives back the reference it took for its query";
}

TEST_F(StorageSettingTest, ReceiveWithoutStoringAsksOnlyWhetherToReceiveAndCancelDoesNothing) {
    Open(nullptr);  // no controller to ask: no storing question
    messages.QueueAnswer(IDCANCEL);
    dlg.Receive();
    EXPECT_EQ(messages.ShownTexts(), std::vector<std::string>{LoadMessage(262)});
    EXPECT_TRUE(Requests().empty());
    EXPECT_FALSE(dlg.Transferred());

    messages.Clear();
    result = 0;  // the main window's receive failed (it showed its own message)
    mainWindow.onMessage = [](const qda::test::ReceivedMessage&) -> std::intptr_t { return 0; };
    messages.QueueAnswer(IDOK);
    dlg.Receive();
    EXPECT_EQ(Requests(), std::vector<unsigned>{1});
    EXPECT_FALSE(dlg.Transferred());
    EXPECT_EQ(dlg.ActiveProgram(), 2);
}

TEST_F(StorageSettingTest, SendChecksTheActiveProgramAsksWhileStoringAndSendsTheEditedCopy) {
    block.Programs[2].HeadB.AlarmCnt = 1000;  // out of 0 ... 999
    Open(&cmd);
    dlg.Send();
    EXPECT_EQ(messages.ShownTexts(), std::vector<std::string>{LoadMessage(381)});
    EXPECT_TRUE(Requests().empty());

    block.Programs[2].HeadB.AlarmCnt = 5;
    Open(&cmd);
    StartStoring();
    messages.Clear();
    Points()->setText("4096");
    messages.QueueAnswer(IDYES);
    messages.QueueAnswer(IDOK);
    dlg.Send();
    EXPECT_EQ(messages.ShownTexts(), (std::vector<std::string>{LoadMessage(300), LoadMessage(246)}));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Programs[2].Common.DSPoints, 4096);
    EXPECT_TRUE(dlg.Transferred());

    // A send the main window could not finish leaves the flag as it was.
    CStorageSetting second;
    second.Setup(block, 2, &mainWindow, WM_TRANSFER_REQUEST, &cmd);
    result = 0;
    messages.QueueAnswer(IDYES);
    messages.QueueAnswer(IDOK);
    second.Send();
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_FALSE(second.Transferred());
}

TEST_F(StorageSettingTest, TheDialogOwnsTheMessageBoxesWhileShown) {
    test::RecordingWindow storageWindow;
    SetMessageOwner(&storageWindow);
    Open(&cmd);
    EXPECT_NE(GetMessageOwner(), &storageWindow);
    dlg.hide();
    EXPECT_EQ(GetMessageOwner(), &storageWindow);
    SetMessageOwner(nullptr);
}

}  // namespace
