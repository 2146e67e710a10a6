// The head settings page: both check forms, focus targets, the mode notification, enables, copy and
// paste between head A and head B.
#include <QComboBox>
#include <QPushButton>
#include <QSlider>

#include "PageTestSupport.h"
#include "pages/PictureHolder.h"
#include "pages/TabHead.h"
#include "settings/SettingsDefaults.h"

using namespace qda;
using namespace qda::test;

namespace {

class TabHeadTest : public PageTest {
protected:
    TabHeadTest() {
        SetHeadDefaults(record);
        pc = PcCommSetting{0, 0, 0, 2};
    }
    void Load(CTabHead& page, const char* letter) {
        page.LoadPage(&mainWindow, WM_HEAD_SEND_SETTINGS, WM_HEAD_MODE_CHANGED, record,
                      QString::fromUtf8(letter), pc, nullptr);
        page.RefreshPage();
    }
    HeadSetting record{};
    PcCommSetting pc{};
    CTabHead page;
};

TEST_F(TabHeadTest, AutoWithEmptyLowerLimitInBothForms) {
    record.Rova = kRovaAuto;
    Load(page, "A");
    SetEditText(&page, CTabHead::IDC_ROVA_LOWER, "");
    EXPECT_EQ(page.CheckPage(1), 1) << "form 1 restores the range quietly";
    EXPECT_TRUE(messages.ShownTexts().empty());
    EXPECT_EQ(EditText(&page, CTabHead::IDC_ROVA_LOWER), QStringLiteral("1"));
    EXPECT_EQ(EditText(&page, CTabHead::IDC_ROVA_UPPER), QStringLiteral("99"));
    EXPECT_EQ(page.Record().RovaLower, 1);
    EXPECT_EQ(page.Record().RovaUpper, 99);

    SetEditText(&page, CTabHead::IDC_ROVA_LOWER, "");
    EXPECT_EQ(page.CheckPage(0), 0);
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "設定可能範囲は1～99です。");
    EXPECT_EQ(page.LastFocusId(), CTabHead::IDC_ROVA_LOWER);
}

TEST_F(TabHeadTest, ManualRangeChecks) {
    record.Rova = kRovaManual;
    Load(page, "A");
    struct Case {
        const char *lower, *upper;
        const char* message;  // nullptr: passes
        int focus;
    } cases[] = {
        {"50", "40", "下限値≦上限値となるように設定してください", CTabHead::IDC_ROVA_UPPER},
        {"", "40", "設定可能範囲は1～99です。", CTabHead::IDC_ROVA_LOWER},
        {"10", "x", "設定可能範囲は1～99です。", CTabHead::IDC_ROVA_UPPER},
        {"0", "40", "設定可能範囲は1～99です。", CTabHead::IDC_ROVA_LOWER},
        {"40", "40", nullptr, -1},
        {"1", "99", nullptr, -1},
    };
    for (const auto& c : cases) {
        for (int form : {0, 1}) {
            messages.Clear();
            page.ClearFocusRecord();
            SetEditText(&page, CTabHead::IDC_ROVA_LOWER, c.lower);
            SetEditText(&page, CTabHead::IDC_ROVA_UPPER, c.upper);
            const int result = page.CheckPage(form);
            const std::string where = std::string(c.lower) + "/" + c.upper + " form " + std::to_string(form);
            if (!c.message) {
                EXPECT_EQ(result, 1) << where;
                EXPECT_TRUE(messages.ShownTexts().empty()) << where;
                continue;
            }
            EXPECT_EQ(result, 0) << where;
            ASSERT_EQ(messages.ShownTexts().size(), 1u) << where;
            EXPECT_EQ(messages.ShownTexts()[0], c.message) << where;
            EXPECT_EQ(page.LastFocusId(), c.focus) << where;
        }
    }
}

TEST_F(TabHeadTest, AlarmCount) {
    Load(page, "A");
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"999", nullptr},
        {"0", nullptr},
        {"", "アラーム処理回数を設定してください。\n設定可能範囲は0～999です。"},
        {"-", "アラーム回数が不正です。"},
        {"-1", "アラーム回数が不正です。"},
    };
    for (const auto& c : cases) {
        messages.Clear();
        page.ClearFocusRecord();
        SetEditText(&page, CTabHead::IDC_ALARM_COUNT, c.text);
        const int result = page.CheckPage(1);
        if (!c.message) {
            EXPECT_EQ(result, 1) << c.text;
            EXPECT_EQ(page.Record().AlarmCnt, std::atoi(c.text));
            continue;
        }
        EXPECT_EQ(result, 0) << c.text;
        ASSERT_EQ(messages.ShownTexts().size(), 1u) << c.text;
        EXPECT_EQ(messages.ShownTexts()[0], c.message);
        EXPECT_EQ(page.LastFocusId(), CTabHead::IDC_ALARM_COUNT);
    }
}

TEST_F(TabHeadTest, SliderSetsLevelAndCheckReadsIt) {
    Load(page, "A");
    Control<QSlider>(&page, CTabHead::IDC_ALARM_LEVEL)->setValue(7);
    EXPECT_EQ(EditText(&page, CTabHead::IDC_ALARM_LEVEL_TEXT), QStringLiteral("7"));
    EXPECT_EQ(page.CheckPage(1), 1);
    EXPECT_EQ(page.Record().AlarmLv, 7);
}

TEST_F(TabHeadTest, ModeChangePostsNotificationAndPicture) {
    CTabHead headB;
    Load(headB, "B");
    QApplication::processEvents();
    mainWindow.received.clear();
    Control<QComboBox>(&headB, CTabHead::IDC_MSRMODE)->setCurrentIndex(3);
    EXPECT_TRUE(mainWindow.Of(WM_HEAD_MODE_CHANGED).empty()) << "posted, not sent";
    QApplication::processEvents();
    auto got = mainWindow.Of(WM_HEAD_MODE_CHANGED);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].wParam, 1u);
    EXPECT_EQ(got[0].lParam, 3);
    EXPECT_FALSE(Control<PictureHolder>(&headB, CTabHead::IDC_PICTURE)->Picture().IsNull());

    // Every refresh tells the main window too, with wParam 0 for head A.
    Load(page, "A");
    QApplication::processEvents();
    got = mainWindow.Of(WM_HEAD_MODE_CHANGED);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].wParam, 0u);
    EXPECT_EQ(got[1].lParam, 0);
}

TEST_F(TabHeadTest, RovaLimitsEnabledOnlyInManual) {
    Load(page, "A");
    auto* lower = Control<QWidget>(&page, CTabHead::IDC_ROVA_LOWER);
    EXPECT_FALSE(lower->isEnabled());
    Control<QComboBox>(&page, CTabHead::IDC_ROVA)->setCurrentIndex(kRovaManual);
    EXPECT_TRUE(lower->isEnabled());
    EXPECT_TRUE(Control<QWidget>(&page, CTabHead::IDC_ROVA_UPPER)->isEnabled());
}

TEST_F(TabHeadTest, CopyOnHeadAPasteOnHeadB) {
    Load(page, "A");
    EXPECT_EQ(Control<QPushButton>(&page, CTabHead::IDC_COPY)->text(),
              QString::fromUtf8("ヘッドAの設定をコピー(&C)"));
    CTabHead headB;
    Load(headB, "B");
    EXPECT_EQ(Control<QPushButton>(&headB, CTabHead::IDC_COPY)->text(),
              QString::fromUtf8("ヘッドBの設定をコピー(&C)"));
    EXPECT_FALSE(Control<QPushButton>(&headB, CTabHead::IDC_PASTE)->isEnabled());

    SetComboSelection(&page, CTabHead::IDC_MSRMODE, 4);
    SetComboSelection(&page, CTabHead::IDC_ROVA, kRovaManual);
    SetEditText(&page, CTabHead::IDC_ROVA_LOWER, "20");
    SetEditText(&page, CTabHead::IDC_ROVA_UPPER, "30");
    SetComboSelection(&page, CTabHead::IDC_INSTALL, 1);
    SetEditText(&page, CTabHead::IDC_ALARM_COUNT, "12");
    Control<QSlider>(&page, CTabHead::IDC_ALARM_LEVEL)->setValue(9);
    Control<QPushButton>(&page, CTabHead::IDC_COPY)->click();
    EXPECT_TRUE(messages.ShownTexts().empty());

    headB.RefreshPage();  // the pages update their enables when shown or refreshed
    ASSERT_TRUE(Control<QPushButton>(&headB, CTabHead::IDC_PASTE)->isEnabled());
    Control<QPushButton>(&headB, CTabHead::IDC_PASTE)->click();
    HeadSetting b{};
    headB.StorePage(b);
    EXPECT_EQ(b.HdMsrMode, 4);
    EXPECT_EQ(b.Rova, kRovaManual);
    EXPECT_EQ(b.RovaLower, 20);
    EXPECT_EQ(b.RovaUpper, 30);
    EXPECT_EQ(b.InstallMode, 1);
    EXPECT_EQ(b.AlarmCnt, 12);
    EXPECT_EQ(b.AlarmLv, 9);
    EXPECT_EQ(ComboSelection(&headB, CTabHead::IDC_MSRMODE), 4);
    EXPECT_EQ(EditText(&headB, CTabHead::IDC_ROVA_LOWER), QStringLiteral("20"));
}

TEST_F(TabHeadTest, RecordWithBadModeFailsWithoutOwnMessage) {
    record.HdMsrMode = 7;
    Load(page, "A");
    EXPECT_EQ(page.CheckPage(1), 0);
    EXPECT_TRUE(messages.ShownTexts().empty());
}

}  // namespace
