#include "pages/SettingsListBuilder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <memory>

#include "pages/OptionEnvironment.h"
#include "pages/PageSupport.h"
#include "pages/SettingsListText.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "pages/TabOut.h"
#include "pages/TabOutCalcData.h"
#include "pages/TabOutDetailesSetting.h"
#include "pages/TabOutLoadData.h"
#include "resources/Messages.h"

using namespace qda;

namespace {

struct HiddenPages {
    CTabHead head[2];
    CTabOut out[2];
    CTabCommon common;
    COptionEnvironment environment;
};

std::unique_ptr<HiddenPages> g_pages;

HiddenPages& Pages() {
    if (!g_pages) {
        // Creating them must not take the message owner from the window that has it.
        IMessageWindow* owner = GetMessageOwner();
        g_pages = std::make_unique<HiddenPages>();
        SetMessageOwner(owner);
        qAddPostRoutine(DestroySettingsListPages);
    }
    return *g_pages;
}

std::string ComboText(const QWidget* page, int id) {
    auto* combo = Control<QComboBox>(page, id);
    return combo ? ToStd(combo->currentText()) : std::string();
}

std::string EditText(const QWidget* page, int id) {
    auto* edit = Control<QLineEdit>(page, id);
    return edit ? ToStd(edit->text()) : std::string();
}

HeadListValues HeadValues(const CTabHead& p) {
    return {ComboText(&p, CTabHead::IDC_ROVA),           EditText(&p, CTabHead::IDC_ROVA_UPPER),
            EditText(&p, CTabHead::IDC_ROVA_LOWER),      ComboText(&p, CTabHead::IDC_MSRMODE),
            ComboText(&p, CTabHead::IDC_INSTALL),        EditText(&p, CTabHead::IDC_ALARM_COUNT),
            EditText(&p, CTabHead::IDC_ALARM_LEVEL_TEXT)};
}

OutListValues OutValues(const CTabOut& p) {
    const QWidget* load = p.LoadDataPage();
    const QWidget* calc = p.CalcDataPage();
    const QWidget* det = p.DetailsPage();
    OutListValues v;
    v.toleUpper = EditText(load, CTabOutLoadData::IDC_TOLE_UPPER);
    v.toleLower = EditText(load, CTabOutLoadData::IDC_TOLE_LOWER);
    v.toleHys = EditText(load, CTabOutLoadData::IDC_TOLE_HYS);
    v.calc = ComboText(&p, CTabOut::IDC_CALC);
    v.calcWave = ComboText(&p, CTabOut::IDC_TARGET);
    v.scaleAIn1 = EditText(calc, CTabOutCalcData::IDC_A_IN1);
    v.scaleAIn2 = EditText(calc, CTabOutCalcData::IDC_A_IN2);
    v.scaleAOut1 = EditText(calc, CTabOutCalcData::IDC_A_OUT1);
    v.scaleAOut2 = EditText(calc, CTabOutCalcData::IDC_A_OUT2);
    v.scaleBIn1 = EditText(calc, CTabOutCalcData::IDC_B_IN1);
    v.scaleBIn2 = EditText(calc, CTabOutCalcData::IDC_B_IN2);
    v.scaleBOut1 = EditText(calc, CTabOutCalcData::IDC_B_OUT1);
    v.scaleBOut2 = EditText(calc, CTabOutCalcData::IDC_B_OUT2);
    v.filterType = ComboText(load, CTabOutLoadData::IDC_FILTER_TYPE);
    v.filterDetail = ComboText(load, CTabOutLoadData::IDC_FILTER_DETAIL);
    v.holdMode = ComboText(load, CTabOutLoadData::IDC_HOLD);
    v.trigger = ComboText(load, CTabOutLoadData::IDC_TRIGGER);
    v.offset = EditText(calc, CTabOutCalcData::IDC_OFFSET);
    v.displayDigits = ComboText(det, CTabOutDetailesSetting::IDC_DIGITS);
    v.analogIn1 = EditText(det, CTabOutDetailesSetting::IDC_ANALOG_IN1);
    v.analogIn2 = EditText(det, CTabOutDetailesSetting::IDC_ANALOG_IN2);
    v.analogOut1 = EditText(det, CTabOutDetailesSetting::IDC_ANALOG_OUT1);
    v.analogOut2 = EditText(det, CTabOutDetailesSetting::IDC_ANALOG_OUT2);
    v.analogThrough = ComboText(det, CTabOutDetailesSetting::IDC_THROUGH);
    return v;
}

}  // namespace

std::string BuildSettingsListText(const SettingsBlock& block, int program) {
    if (program < 0 || program >= kProgramCount) return {};
    HiddenPages& pages = Pages();
    const ProgramSetting& prog = block.Programs[program];
    const int unit = block.Environment.Unit;

    SettingsListValues values;
    const HeadSetting* heads[2] = {&prog.HeadA, &prog.HeadB};
    const OutSetting* outs[2] = {&prog.Out1, &prog.Out2};
    for (int i = 0; i < 2; ++i) {
        pages.head[i].LoadPage(nullptr, 0, 0, *heads[i], i == 0 ? QStringLiteral("A") : QStringLiteral("B"),
                               block.PcComm, nullptr);
        pages.head[i].RefreshPage();
        values.heads[i] = HeadValues(pages.head[i]);
        pages.out[i].LoadPage(nullptr, 0, 0, *outs[i], i == 0 ? QStringLiteral("1") : QStringLiteral("2"),
                              unit, block.PcComm, nullptr);
        pages.out[i].RefreshPage();
        values.outs[i] = OutValues(pages.out[i]);
    }
    CTabCommon& common = pages.common;
    common.LoadPage(nullptr, prog.Common, prog.Out1.OutMsrMode, prog.Out2.OutMsrMode);
    common.RefreshPage();
    values.common = {ComboText(&common, CTabCommon::IDC_SAMPLING),
                     ComboText(&common, CTabCommon::IDC_INTERFERENCE),
                     ComboText(&common, CTabCommon::IDC_SYNC),
                     ComboText(&common, CTabCommon::IDC_OUTSTYLE),
                     ComboText(&common, CTabCommon::IDC_STROBE),
                     ComboText(&common, CTabCommon::IDC_DS_TARGET),
                     EditText(&common, CTabCommon::IDC_DS_POINTS),
                     ComboText(&common, CTabCommon::IDC_DS_FACTOR),
                     ToStd(common.PeriodText())};
    COptionEnvironment& env = pages.environment;
    env.SetRecord(block.Environment, false);
    values.environment = {ComboText(&env, COptionEnvironment::IDC_BAUDRATE),
                          ComboText(&env, COptionEnvironment::IDC_PARITY),
                          ComboText(&env, COptionEnvironment::IDC_AUTOTRANS),
                          ComboText(&env, COptionEnvironment::IDC_ECO),
                          ComboText(&env, COptionEnvironment::IDC_PANELLOCK),
                          ComboText(&env, COptionEnvironment::IDC_PRGCHANGE)};
    return ComposeSettingsListText(values);
}

namespace qda {
void DestroySettingsListPages() {
    g_pages.reset();
}
}  // namespace qda
