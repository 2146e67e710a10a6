// The OUT settings page and its three sub-pages: enables and pictures, checks with their focus,
// the display-unit question with the reload, copy and paste between OUT1 and OUT2.
#include <QComboBox>
#include <QFocusEvent>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "PageTestSupport.h"
#include "pages/DrawnTab.h"
#include "pages/NumEdit.h"
#include "pages/PictureHolder.h"
#include "pages/TabOut.h"
#include "pages/TabOutCalcData.h"
#include "pages/TabOutDetailesSetting.h"
#include "pages/TabOutLoadData.h"
#include "settings/SettingsDefaults.h"

using namespace qda;
using namespace qda::test;

namespace {

class TabOutTest : public PageTest {
protected:
    TabOutTest() { SetOutDefaults(record, kUnitMetric); }
    void Load(CTabOut& page, const char* digit, int unit = kUnitMetric) {
        page.LoadPage(&mainWindow, WM_OUT_SEND_SETTINGS, WM_OUT_RELOAD, record, QString::fromUtf8(digit),
                      unit, PcCommSetting{0, 0, 0, 2}, nullptr);
        page.RefreshPage();
    }
    static void LoseFocus(QWidget* w) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(w, &out);
    }
    OutSetting record{};
    CTabOut page;
};

TEST_F(TabOutTest, TargetComboAndPictureFollowTheCalculationMethod) {
    Load(page, "1");
    auto* target = Control<QWidget>(&page, CTabOut::IDC_TARGET);
    auto* picture = Control<PictureHolder>(&page, CTabOut::IDC_PICTURE);
    EXPECT_FALSE(target->isEnabled());
    EXPECT_FALSE(Control<QWidget>(&page, CTabOut::IDC_TARGET_LABEL)->isEnabled());
    EXPECT_TRUE(picture->Picture().IsNull());

    SetComboSelection(&page, CTabOut::IDC_CALC, kCalcHeadBTransparent);
    SetComboSelection(&page, CTabOut::IDC_TARGET, 2);
    EXPECT_TRUE(target->isEnabled());
    ASSERT_FALSE(picture->Picture().IsNull());
    const QImage third = picture->Picture().Render(1);
    SetComboSelection(&page, CTabOut::IDC_TARGET, 5);
    EXPECT_NE(picture->Picture().Render(1), third) << "each target has its own picture";
    EXPECT_EQ(page.Record().Calc, kCalcHeadBTransparent);
    EXPECT_EQ(page.Record().CalcWave, 5);

    // The scaling sub-page enables the scaling of the heads the method uses.
    auto* aIn = Control<QWidget>(page.CalcDataPage(), CTabOutCalcData::IDC_A_IN1);
    auto* bIn = Control<QWidget>(page.CalcDataPage(), CTabOutCalcData::IDC_B_IN1);
    EXPECT_FALSE(aIn->isEnabled());
    EXPECT_TRUE(bIn->isEnabled());
    SetComboSelection(&page, CTabOut::IDC_CALC, kCalcSum);
    EXPECT_TRUE(aIn->isEnabled());
    EXPECT_TRUE(bIn->isEnabled());
    EXPECT_FALSE(target->isEnabled());
}

TEST_F(TabOutTest, ToleranceSubPageRefusesSwitchWithLowerAboveUpper) {
    Load(page, "1");
    EXPECT_EQ(page.CurrentSubPage(), 0);
    SetEditText(page.LoadDataPage(), CTabOutLoadData::IDC_TOLE_UPPER, "1");
    SetEditText(page.LoadDataPage(), CTabOutLoadData::IDC_TOLE_LOWER, "2");
    Control<QPushButton>(&page, CTabOut::IDC_SUB_LOAD)->click();
    EXPECT_TRUE(Control<QPushButton>(&page, CTabOut::IDC_SUB_LOAD)->isChecked())
        << "its own button stays pressed";
    EXPECT_TRUE(messages.ShownTexts().empty()) << "and checks nothing";
    SetEditText(page.LoadDataPage(), CTabOutLoadData::IDC_TOLE_LOWER, "2");
    Control<QPushButton>(&page, CTabOut::IDC_SUB_CALC)->click();
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "下限値＜上限値となるように設定してください");
    EXPECT_EQ(page.CurrentSubPage(), 0);
    EXPECT_TRUE(Control<QPushButton>(&page, CTabOut::IDC_SUB_LOAD)->isChecked());
    EXPECT_FALSE(Control<QPushButton>(&page, CTabOut::IDC_SUB_CALC)->isChecked());
    EXPECT_EQ(page.LastFocusDialog(), 135);
    EXPECT_EQ(page.LoadDataPage()->LastFocusId(), CTabOutLoadData::IDC_TOLE_UPPER);

    messages.Clear();
    SetEditText(page.LoadDataPage(), CTabOutLoadData::IDC_TOLE_LOWER, "-1");
    Control<QPushButton>(&page, CTabOut::IDC_SUB_CALC)->click();
    EXPECT_TRUE(messages.ShownTexts().empty());
    EXPECT_EQ(page.CurrentSubPage(), 1);
    EXPECT_TRUE(page.CalcDataPage()->isVisibleTo(&page));
    EXPECT_FALSE(page.LoadDataPage()->isVisibleTo(&page));
}

TEST_F(TabOutTest, ChecksOfTheSubPagesShowTheirMessageOnTheirPage) {
    struct Case {
        int sub;
        int id;
        const char* text;
        const char* message;
    } cases[] = {
        {0, CTabOutLoadData::IDC_TOLE_UPPER, "abc",
         "不正な入力です。\n-99.9999～99.9999の数値を入力してください。"},
        {0, CTabOutLoadData::IDC_TOLE_HYS, "", "不正な入力です。\n0.0000～99.9999の数値を入力してください。"},
        {0, CTabOutLoadData::IDC_TOLE_HYS, "10", "上限値－下限値をこえるヒステリシスは設定できません。"},
        {1, CTabOutCalcData::IDC_A_IN2, "0", "入力値に同じ値は設定できません。"},
        {1, CTabOutCalcData::IDC_A_OUT2, "10",
         "スケーリング設定のスパン値は9.999以下となるように設定してください。"},
        {1, CTabOutCalcData::IDC_OFFSET, "100",
         "不正な入力です。\n-99.9999～99.9999の数値を入力してください。"},
        {2, CTabOutDetailesSetting::IDC_ANALOG_OUT1, "10.6",
         "不正な入力です。\n-10.500～10.500の数値を入力してください。"},
        {2, CTabOutDetailesSetting::IDC_ANALOG_IN2, "1", "入力値に同じ値は設定できません。"},
    };
    for (const auto& c : cases) {
        CTabOut out;
        Load(out, "1");
        messages.Clear();
        COutSubPage* sub = c.sub == 0   ? static_cast<COutSubPage*>(out.LoadDataPage())
                           : c.sub == 1 ? static_cast<COutSubPage*>(out.CalcDataPage())
                                        : static_cast<COutSubPage*>(out.DetailsPage());
        SetEditText(sub, c.id, c.text);
        EXPECT_EQ(out.CheckPage(), 0) << c.id << " " << c.text;
        ASSERT_FALSE(messages.ShownTexts().empty()) << c.id << " " << c.text;
        EXPECT_EQ(messages.ShownTexts()[0], c.message) << c.id << " " << c.text;
        EXPECT_EQ(out.CurrentSubPage(), c.sub) << c.id << " " << c.text;
        EXPECT_NE(sub->LastFocusId(), -1) << c.id << " " << c.text;
    }
}

TEST_F(TabOutTest, FailedCheckPutsTheKeyboardFocusOnTheFieldOfAHiddenSubPage) {
    Load(page, "1");
    page.resize(640, 520);
    page.show();
    QApplication::setActiveWindow(&page);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    Control<QPushButton>(&page, CTabOut::IDC_SUB_DETAILS)->click();
    ASSERT_EQ(page.CurrentSubPage(), 2);
    SetEditText(page.LoadDataPage(), CTabOutLoadData::IDC_TOLE_LOWER, "x");
    EXPECT_EQ(page.CheckPage(), 0);
    EXPECT_EQ(page.CurrentSubPage(), 0);
    EXPECT_EQ(QApplication::focusWidget(),
              Control<QWidget>(page.LoadDataPage(), CTabOutLoadData::IDC_TOLE_LOWER));

    // A record check that fails on another sub-page shows that one and focuses its field too.
    SetEditText(page.LoadDataPage(), CTabOutLoadData::IDC_TOLE_LOWER, "-5");
    SetEditText(page.DetailsPage(), CTabOutDetailesSetting::IDC_ANALOG_IN2, "1");
    EXPECT_EQ(page.CheckPage(), 0);
    EXPECT_EQ(page.CurrentSubPage(), 2);
    EXPECT_EQ(QApplication::focusWidget(),
              Control<QWidget>(page.DetailsPage(), CTabOutDetailesSetting::IDC_ANALOG_IN1));
}

TEST_F(TabOutTest, AnalogSlopeRefusedWithTheMessageOfTheUnit) {
    struct Case {
        int unit, digits;
        const char *in1, *in2;
        const char* message;
    } cases[] = {
        {kUnitMetric, 5, "0.00", "0.01", "１Ｖあたり1μｍ以上の出力レンジになるよう設定してください"},
        {kUnitMetric, 3, "0.00000", "0.00001",
         "１Ｖあたり0.001ｍｍ以上の出力レンジになるよう設定してください"},
        {kUnitImperial, 1, "0.00000", "0.00001",
         "１Ｖあたり0.00001ｉｎｃｈ以上の出力レンジになるよう設定してください"},
        {kUnitImperial, 5, "0.0000", "0.0001",
         "１Ｖあたり0.01ｍｉｌ以上の出力レンジになるよう設定してください"},
    };
    for (const auto& c : cases) {
        SetOutDefaults(record, c.unit);
        record.DispDigitMm = c.unit == kUnitMetric ? c.digits : 2;
        record.DispDigitInch = c.unit == kUnitImperial ? c.digits : 2;
        CTabOut out;
        Load(out, "1", c.unit);
        messages.Clear();
        auto* details = out.DetailsPage();
        SetEditText(details, CTabOutDetailesSetting::IDC_ANALOG_IN1, c.in1);
        SetEditText(details, CTabOutDetailesSetting::IDC_ANALOG_IN2, c.in2);
        SetEditText(details, CTabOutDetailesSetting::IDC_ANALOG_OUT1, "10");
        SetEditText(details, CTabOutDetailesSetting::IDC_ANALOG_OUT2, "-10");
        EXPECT_EQ(out.CheckPage(), 0) << c.unit << "/" << c.digits;
        ASSERT_EQ(messages.ShownTexts().size(), 1u) << c.unit << "/" << c.digits;
        EXPECT_EQ(messages.ShownTexts()[0], c.message);
        EXPECT_EQ(out.CurrentSubPage(), 2);
        EXPECT_EQ(details->LastFocusId(), CTabOutDetailesSetting::IDC_ANALOG_IN1);
    }
}

TEST_F(TabOutTest, LengthsShownAndRewrittenInTheDisplayFormat) {
    Load(page, "1");  // metric, 0.0001 mm
    auto* upper = Control<CNumEdit>(page.LoadDataPage(), CTabOutLoadData::IDC_TOLE_UPPER);
    EXPECT_EQ(upper->text(), QStringLiteral("5.0000"));
    struct Case {
        const char *typed, *shown;
    } cases[] = {{"1.5", "1.5000"}, {"-0.00456", "-0.0045"}, {"+2", "2.0000"}, {"abc", "abc"}, {"", ""}};
    for (const auto& c : cases) {
        upper->setText(QString::fromUtf8(c.typed));
        LoseFocus(upper);
        EXPECT_EQ(upper->text(), QString::fromUtf8(c.shown)) << c.typed;
    }
    upper->setText(QStringLiteral("1.5"));
    OutSetting stored{};
    page.StorePage(stored);
    EXPECT_EQ(stored.ToleUpper, 150000);

    // In the µm row 99.9999 mm does not fit: the same text is red there.
    upper->setText(QStringLiteral("100"));
    EXPECT_TRUE(upper->IsInvalid());
    upper->setText(QStringLiteral("99.9999"));
    EXPECT_FALSE(upper->IsInvalid());
}

TEST_F(TabOutTest, FilterComboListsWhatTheTypeUses) {
    record.FilterAverage = 3;
    record.FilterCutoff = 6;
    Load(page, "1");
    auto* sub = page.LoadDataPage();
    auto* detail = Control<QComboBox>(sub, CTabOutLoadData::IDC_FILTER_DETAIL);
    EXPECT_EQ(detail->count(), 10);
    EXPECT_EQ(detail->currentText(), QStringLiteral("64"));
    EXPECT_EQ(sub->DetailLabel(), QString::fromUtf8("平均回数(&9)"));
    EXPECT_EQ(sub->DetailUnit(), QString::fromUtf8("回"));

    SetComboSelection(sub, CTabOutLoadData::IDC_FILTER_DETAIL, 8);
    SetComboSelection(sub, CTabOutLoadData::IDC_FILTER_TYPE, kFilterLowPass);
    EXPECT_EQ(detail->count(), 9);
    EXPECT_EQ(detail->currentText(), QStringLiteral("1"));
    EXPECT_EQ(sub->DetailLabel(), QString::fromUtf8("カットオフ周波数(&9)"));
    EXPECT_EQ(sub->DetailUnit(), QStringLiteral("Hz"));
    SetComboSelection(sub, CTabOutLoadData::IDC_FILTER_DETAIL, 7);
    SetComboSelection(sub, CTabOutLoadData::IDC_FILTER_TYPE, kFilterHighPass);
    EXPECT_EQ(detail->currentText(), QStringLiteral("0.3"));

    OutSetting stored{};
    page.StorePage(stored);
    EXPECT_EQ(stored.FilterType, kFilterHighPass);
    EXPECT_EQ(stored.FilterCutoff, 7);
    EXPECT_EQ(stored.FilterAverage, 8) << "the average count chosen before the switch is kept";

    // The trigger applies only to the hold modes.
    EXPECT_FALSE(Control<QWidget>(sub, CTabOutLoadData::IDC_TRIGGER)->isEnabled());
    SetComboSelection(sub, CTabOutLoadData::IDC_HOLD, 1);
    EXPECT_TRUE(Control<QWidget>(sub, CTabOutLoadData::IDC_TRIGGER)->isEnabled());
}

TEST_F(TabOutTest, DisplayUnitQuestionCancelKeepsTheOldUnit) {
    Load(page, "2");
    auto* details = page.DetailsPage();
    SetComboSelection(details, CTabOutDetailesSetting::IDC_DIGITS, 4);
    EXPECT_EQ(Control<QLabel>(details, CTabOutDetailesSetting::IDC_UNIT_LABEL1)->text(),
              QStringLiteral("um"));
    messages.QueueAnswer(IDCANCEL);
    EXPECT_FALSE(page.CanLeave());
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, LoadMessage(302));
    EXPECT_EQ(messages.Shown()[0].style, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(ComboSelection(details, CTabOutDetailesSetting::IDC_DIGITS), 2);
    EXPECT_EQ(Control<QLabel>(details, CTabOutDetailesSetting::IDC_UNIT_LABEL1)->text(),
              QStringLiteral("mm"));
    EXPECT_TRUE(mainWindow.Of(WM_OUT_RELOAD).empty());
    EXPECT_TRUE(page.CanLeave()) << "nothing changed any more: no question";
    EXPECT_EQ(messages.Shown().size(), 1u);
}

TEST_F(TabOutTest, DisplayUnitQuestionOkResetsTheValuesAndEmptiesTheCopyBuffer) {
    record.ToleUpper = 123450;
    record.ToleLower = -20000;
    record.Offset = 5000;
    record.Calc = kCalcHeadB;
    Load(page, "2");
    // The main window's part: store the page, load it again, reset the display-dependent values.
    mainWindow.onMessage = [&](const ReceivedMessage& m) -> std::intptr_t {
        if (m.message != WM_OUT_RELOAD || m.wParam != 0) return 0;
        OutSetting stored{};
        page.StorePage(stored);
        page.LoadPage(&mainWindow, WM_OUT_SEND_SETTINGS, WM_OUT_RELOAD, stored, QStringLiteral("2"),
                      kUnitMetric, PcCommSetting{0, 0, 0, 2}, nullptr);
        page.ResetDisplayDependentValues();
        return 0;
    };
    CSettingsCopyBuffer::Global().CopyHead(HeadSetting{});
    CSettingsCopyBuffer::Global().CopyCommon(CommonSetting{});
    CSettingsCopyBuffer::Global().CopyOut(record);
    CSettingsCopyBuffer::Global().CopyProgram(ProgramSetting{});

    auto* details = page.DetailsPage();
    SetComboSelection(details, CTabOutDetailesSetting::IDC_DIGITS, 5);
    messages.QueueAnswer(IDOK);
    LoseFocus(Control<QComboBox>(details, CTabOutDetailesSetting::IDC_DIGITS));
    ASSERT_EQ(messages.Shown().size(), 1u);
    const auto reloads = mainWindow.Of(WM_OUT_RELOAD);
    ASSERT_EQ(reloads.size(), 1u);
    EXPECT_EQ(reloads[0].lParam, 1) << "OUT2";

    auto& buffer = CSettingsCopyBuffer::Global();
    EXPECT_FALSE(buffer.PasteHead(nullptr));
    EXPECT_FALSE(buffer.PasteOut(nullptr));
    EXPECT_FALSE(buffer.PasteCommon(nullptr));
    EXPECT_FALSE(buffer.PasteProgram(nullptr));

    OutSetting after{};
    page.StorePage(after);
    EXPECT_EQ(after.DispDigitMm, 5);
    EXPECT_EQ(after.ToleUpper, 500000);
    EXPECT_EQ(after.ToleLower, -500000);
    EXPECT_EQ(after.ToleHys, 0);
    EXPECT_EQ(after.Offset, 0);
    EXPECT_EQ(after.AScaleIn1, 100000);
    EXPECT_EQ(after.AScaleIn2, -100000);
    EXPECT_EQ(after.AScaleOut1, 10.0);
    EXPECT_EQ(after.AScaleOut2, -10.0);
    EXPECT_EQ(after.Calc, kCalcHeadB) << "other fields stay";
    EXPECT_EQ(EditText(page.LoadDataPage(), CTabOutLoadData::IDC_TOLE_UPPER), QStringLiteral("5000.00"));
    EXPECT_TRUE(page.CanLeave()) << "the new unit is remembered";
    EXPECT_EQ(messages.Shown().size(), 1u);
}

TEST_F(TabOutTest, TabClickAfterADisplayUnitChangeAsksOnceAndCancelKeepsTheTab) {
    QWidget window;
    auto* tab = new CDrawnTab(1015, &window);
    tab->InsertItem(QStringLiteral("OUT1"));
    tab->InsertItem(QStringLiteral("OUT2"));
    tab->setGeometry(0, 0, 700, 600);
    auto* out = new CTabOut(&window);
    out->setGeometry(tab->DisplayRect());
    out->LoadPage(&mainWindow, WM_OUT_SEND_SETTINGS, WM_OUT_RELOAD, record, QStringLiteral("1"), kUnitMetric,
                  PcCommSetting{0, 0, 0, 2}, nullptr);
    out->RefreshPage();
    QObject::connect(tab, &CDrawnTab::selectionChanging, [&](bool* refuse) { *refuse = !out->CanLeave(); });
    window.resize(700, 600);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    out->ShowSubPage(2);
    auto* digits = Control<QComboBox>(out->DetailsPage(), CTabOutDetailesSetting::IDC_DIGITS);
    digits->setFocus();
    ASSERT_TRUE(digits->hasFocus());
    digits->setCurrentIndex(4);

    messages.QueueAnswer(IDCANCEL);
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->ItemRect(1).center());
    EXPECT_EQ(messages.Shown().size(), 1u) << "one question, not one per focus change";
    EXPECT_EQ(tab->CurSel(), 0) << "cancel keeps the tab";
    EXPECT_EQ(digits->currentIndex(), 2) << "and the old display unit";

    digits->setFocus();
    digits->setCurrentIndex(4);
    messages.QueueAnswer(IDOK);
    QTest::mouseClick(tab, Qt::LeftButton, {}, tab->ItemRect(1).center());
    EXPECT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(tab->CurSel(), 1);
    EXPECT_EQ(mainWindow.Of(WM_OUT_RELOAD).size(), 1u);
}

TEST_F(TabOutTest, CopyOut1PasteOut2TakesAllBytes) {
    record.Calc = kCalcHeadATransparent;
    record.CalcWave = 7;
    record.OutMsrMode = 3;
    record.Trigger = 1;
    record.FilterType = kFilterLowPass;
    record.FilterCutoff = 5;
    record.ScaleAOut2 = 150000;
    record.Offset = -2500;
    record.AnaThrough = 1;
    record.AScaleOut1 = 5.5;
    Load(page, "1");
    EXPECT_EQ(Control<QPushButton>(&page, CTabOut::IDC_COPY)->text(),
              QString::fromUtf8("OUT1の設定をコピー(&C)"));
    Control<QPushButton>(&page, CTabOut::IDC_COPY)->click();
    EXPECT_TRUE(messages.ShownTexts().empty());

    OutSetting other{};
    SetOutDefaults(other, kUnitMetric);
    CTabOut out2;
    out2.LoadPage(&mainWindow, WM_OUT_SEND_SETTINGS, WM_OUT_RELOAD, other, QStringLiteral("2"), kUnitMetric,
                  PcCommSetting{0, 0, 0, 2}, nullptr);
    out2.RefreshPage();
    ASSERT_TRUE(Control<QPushButton>(&out2, CTabOut::IDC_PASTE)->isEnabled());
    Control<QPushButton>(&out2, CTabOut::IDC_PASTE)->click();
    OutSetting a{}, b{};
    page.StorePage(a);
    out2.StorePage(b);
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(b.Calc, kCalcHeadATransparent);
    EXPECT_EQ(ComboSelection(&out2, CTabOut::IDC_CALC), kCalcHeadATransparent);
}

}  // namespace
