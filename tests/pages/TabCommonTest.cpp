// The common settings page: storage period text, storage count check, strobe note, record checks,
// copy and paste.
#include <QComboBox>
#include <QPushButton>

#include "PageTestSupport.h"
#include "pages/StoragePeriod.h"
#include "pages/TabCommon.h"
#include "settings/SettingsDefaults.h"

using namespace qda;
using namespace qda::test;

namespace {

TEST(StoragePeriod, TextOfSamplingTimesFactor) {
    struct Case {
        int sampling, factor;
        const char* text;
    } cases[] = {
        {4, 2, "(2.5ms)"},                                       // 500us x 5 = 2500us
        {0, 0, "(20us)"},  {5, 9, "(1000ms)"}, {3, 4, "(4ms)"},  // the defaults: 200us x 20
        {0, 4, "(400us)"}, {1, 3, "(500us)"},  {2, 9, "(100ms)"},
        {1, 5, "(2.5ms)"}, {-1, -1, "(20us)"},  // no selection counts as the first item
    };
    for (const auto& c : cases)
        EXPECT_EQ(StoragePeriodText(c.sampling, c.factor), c.text) << c.sampling << "," << c.factor;
}

class TabCommonTest : public PageTest {
protected:
    void Load(const CommonSetting& rec, int hold1 = 0, int hold2 = 0) {
        page.LoadPage(&mainWindow, rec, hold1, hold2);
        page.RefreshPage();
    }
    CommonSetting Defaults() {
        CommonSetting c{};
        SetCommonDefaults(c);
        return c;
    }
    CTabCommon page;
};

TEST_F(TabCommonTest, PeriodTextFollowsBothCombos) {
    Load(Defaults());
    EXPECT_EQ(page.PeriodText(), QStringLiteral("(4ms)"));
    SetComboSelection(&page, CTabCommon::IDC_SAMPLING, 4);
    SetComboSelection(&page, CTabCommon::IDC_DS_FACTOR, 2);
    EXPECT_EQ(page.PeriodText(), QStringLiteral("(2.5ms)"));
    SetComboSelection(&page, CTabCommon::IDC_SAMPLING, 5);
    SetComboSelection(&page, CTabCommon::IDC_DS_FACTOR, 9);
    EXPECT_EQ(page.PeriodText(), QStringLiteral("(1000ms)"));
}

TEST_F(TabCommonTest, StorageCountBeyondRangeIsRefused) {
    Load(Defaults());
    struct Case {
        const char* text;
        bool passes;
    } cases[] = {{"65537", false}, {"65536", true}, {"0", false}, {"1", true}, {"", false}, {"1x", false}};
    for (const auto& c : cases) {
        messages.Clear();
        page.ClearFocusRecord();
        SetEditText(&page, CTabCommon::IDC_DS_POINTS, c.text);
        EXPECT_EQ(page.CheckPage(), c.passes ? 1 : 0) << c.text;
        if (c.passes) {
            EXPECT_TRUE(messages.ShownTexts().empty()) << c.text;
            continue;
        }
        ASSERT_EQ(messages.ShownTexts().size(), 1u) << c.text;
        EXPECT_EQ(messages.ShownTexts()[0], "設定可能範囲は1～65536です。");
        EXPECT_EQ(messages.Shown()[0].style & 0xF0, 0x30u) << "a warning";
        EXPECT_EQ(page.LastFocusId(), CTabCommon::IDC_DS_POINTS) << c.text;
        EXPECT_TRUE(Control<QLineEdit>(&page, CTabCommon::IDC_DS_POINTS)->hasSelectedText() || !*c.text);
    }
    SetEditText(&page, CTabCommon::IDC_DS_POINTS, "655370");
    EXPECT_EQ(EditText(&page, CTabCommon::IDC_DS_POINTS), QStringLiteral("65537"))
        << "five characters at most";
}

TEST_F(TabCommonTest, BadRecordShowsEveryFailingMessage) {
    CommonSetting bad = Defaults();
    bad.SampRate = 9;
    bad.StrobeTime = 7;
    Load(bad);
    EXPECT_EQ(page.CheckPage(), 0);
    const auto texts = messages.ShownTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "サンプリング周期が不正です。");
    EXPECT_EQ(texts[1], "ストローブ時間が不正です。");
}

TEST_F(TabCommonTest, StrobeNoteShownWhileAnOutIsNormal) {
    struct Case {
        int hold1, hold2;
        bool shown;
    } cases[] = {{1, 0, true}, {0, 0, true}, {0, 3, true}, {1, 2, false}, {5, 4, false}};
    for (const auto& c : cases) {
        Load(Defaults(), c.hold1, c.hold2);
        EXPECT_EQ(page.IsStrobeNoteShown(), c.shown) << c.hold1 << "," << c.hold2;
    }
}

TEST_F(TabCommonTest, CopyAndPasteBetweenPages) {
    CommonSetting rec = Defaults();
    Load(rec);
    auto* paste = Control<QPushButton>(&page, CTabCommon::IDC_PASTE);
    EXPECT_FALSE(paste->isEnabled());
    SetComboSelection(&page, CTabCommon::IDC_SAMPLING, 1);
    SetComboSelection(&page, CTabCommon::IDC_DS_TARGET, 3);
    SetEditText(&page, CTabCommon::IDC_DS_POINTS, "1234");
    Control<QPushButton>(&page, CTabCommon::IDC_COPY)->click();
    EXPECT_TRUE(paste->isEnabled());

    CTabCommon other;
    other.LoadPage(&mainWindow, rec, 0, 0);
    other.RefreshPage();
    Control<QPushButton>(&other, CTabCommon::IDC_PASTE)->click();
    EXPECT_EQ(other.Record().SampRate, 1);
    EXPECT_EQ(other.Record().DSOut, 3);
    EXPECT_EQ(other.Record().DSPoints, 1234);
    EXPECT_EQ(EditText(&other, CTabCommon::IDC_DS_POINTS), QStringLiteral("1234"));
    EXPECT_EQ(other.PeriodText(), QStringLiteral("(1ms)"));
    CommonSetting stored{};
    other.StorePage(stored);
    EXPECT_EQ(stored.DSPoints, 1234);
    EXPECT_TRUE(messages.ShownTexts().empty());
}

}  // namespace
