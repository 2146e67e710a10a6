// The PC communication and environment dialogs: enables, checks that keep the dialog open, the
// unit question.
#include <QComboBox>
#include <QRadioButton>
#include <QTest>

#include "PageTestSupport.h"
#include "pages/HelpRequest.h"
#include "pages/OptionCommunication.h"
#include "pages/OptionEnvironment.h"
#include "pages/OptionHeadSetting.h"
#include "settings/SettingsDefaults.h"

using namespace qda;
using namespace qda::test;

namespace {

using OptionDialogsTest = PageTest;

TEST_F(OptionDialogsTest, UsbDisablesTheSerialSettingsButStillChecksThem) {
    COptionCommunication dlg;
    dlg.SetRecord(PcCommSetting{kCommUsb, 12, 1, 0});
    dlg.show();
    for (int id : {COptionCommunication::IDC_PORT, COptionCommunication::IDC_BAUDRATE,
                   COptionCommunication::IDC_PARITY})
        EXPECT_FALSE(Control<QWidget>(&dlg, id)->isEnabled()) << id;
    dlg.accept();
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "ポート番号が不正です。");
    EXPECT_EQ(dlg.LastFocusId(), COptionCommunication::IDC_PORT);
    EXPECT_TRUE(dlg.isVisible()) << "a failed check keeps the dialog open";

    Control<QRadioButton>(&dlg, COptionCommunication::IDC_RS232C)->click();
    EXPECT_TRUE(Control<QWidget>(&dlg, COptionCommunication::IDC_PORT)->isEnabled());
    SetComboSelection(&dlg, COptionCommunication::IDC_PORT, 2);
    Control<QRadioButton>(&dlg, COptionCommunication::IDC_USB)->click();
    dlg.accept();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Record().CommType, kCommUsb);
    EXPECT_EQ(dlg.Record().PortNo, 2);
    EXPECT_EQ(dlg.Record().Baudrate, 1);
    EXPECT_EQ(dlg.Record().Parity, 0);
}

TEST_F(OptionDialogsTest, NoRadioForAnUnknownInterface) {
    COptionCommunication dlg;
    dlg.SetRecord(PcCommSetting{5, 0, 0, 2});
    EXPECT_FALSE(Control<QRadioButton>(&dlg, COptionCommunication::IDC_USB)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(&dlg, COptionCommunication::IDC_RS232C)->isChecked());
    EXPECT_FALSE(Control<QWidget>(&dlg, COptionCommunication::IDC_PORT)->isEnabled());
}

TEST_F(OptionDialogsTest, UnitShownOnlyInExtendedMode) {
    EnvironmentSetting env{};
    SetEnvironmentDefaults(env);
    COptionEnvironment dlg;
    dlg.SetRecord(env, false);
    EXPECT_TRUE(Control<QWidget>(&dlg, COptionEnvironment::IDC_UNIT)->isHidden());
    EXPECT_TRUE(Control<QWidget>(&dlg, COptionEnvironment::IDC_UNIT_LABEL)->isHidden());
    dlg.SetRecord(env, true);
    EXPECT_FALSE(Control<QWidget>(&dlg, COptionEnvironment::IDC_UNIT)->isHidden());
}

TEST_F(OptionDialogsTest, UnitChangeAnsweredNoKeepsTheDialogOpen) {
    EnvironmentSetting env{};
    SetEnvironmentDefaults(env);
    COptionEnvironment dlg;
    dlg.SetRecord(env, true);
    dlg.show();
    SetComboSelection(&dlg, COptionEnvironment::IDC_UNIT, 1);
    SetComboSelection(&dlg, COptionEnvironment::IDC_AUTOTRANS, 3);
    messages.QueueAnswer(IDNO);
    dlg.accept();
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, LoadMessage(354));
    EXPECT_EQ(messages.Shown()[0].style, MB_YESNO | MB_ICONQUESTION);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.LastFocusId(), COptionEnvironment::IDC_UNIT);
    EXPECT_FALSE(dlg.UnitChanged());

    messages.QueueAnswer(IDYES);
    dlg.accept();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.UnitChanged());
    EXPECT_EQ(dlg.Record().Unit, 1);
    EXPECT_EQ(dlg.Record().AutoTrans, 3);
}

TEST_F(OptionDialogsTest, EnvironmentCheckStopsAtTheFirstBadValue) {
    EnvironmentSetting env{};
    SetEnvironmentDefaults(env);
    env.Eco = 7;
    env.PanelLock = 9;
    COptionEnvironment dlg;
    dlg.SetRecord(env, false);
    dlg.show();
    dlg.accept();
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "自動送信が不正です。");
    EXPECT_EQ(dlg.LastFocusId(), COptionEnvironment::IDC_ECO);
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(OptionDialogsTest, F1AsksForTheDialogsHelpDocument) {
    std::vector<std::string> asked;
    SetHelpHandler([&](const std::string& document) { asked.push_back(document); });
    COptionEnvironment env;
    env.show();
    QTest::keyClick(&env, Qt::Key_F1);
    COptionHeadSetting tuning(QStringLiteral("A"), nullptr, nullptr, 0);
    tuning.show();
    QTest::keyClick(&tuning, Qt::Key_F1);
    SetHelpHandler({});
    EXPECT_EQ(asked, (std::vector<std::string>{"QD-AtlasEnvironment.pdf", "QD-AtlasHead.pdf"}));
    EXPECT_FALSE(RequestHelp("QD-Atlas.pdf")) << "no opener installed";
}

}  // namespace
