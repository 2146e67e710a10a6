#include "pages/TabOutLoadData.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "pages/NumEdit.h"
#include "pages/PageSupport.h"
#include "settings/Units.h"
#include "settings/Validation.h"

using namespace qda;

CTabOutLoadData::CTabOutLoadData(QWidget* parent) : COutSubPage(kDialogOutLoadData, parent) {
    auto* hold = MakeCombo(this, IDC_HOLD,
                           {"ノーマル", "ピークホールド", "ボトムホールド", "ピーク to ピークホールド",
                            "サンプルホールド", "アベレージホールド"});
    auto* trigger = MakeCombo(this, IDC_TRIGGER, {"外部トリガ1", "外部トリガ2"});
    auto* type = MakeCombo(this, IDC_FILTER_TYPE, {"移動平均", "ローパスフィルタ", "ハイパスフィルタ"});
    auto* detail = MakeCombo(this, IDC_FILTER_DETAIL, {});
    auto* upper = MakeLengthEdit(IDC_TOLE_UPPER);
    auto* lower = MakeLengthEdit(IDC_TOLE_LOWER);
    auto* hys = MakeLengthEdit(IDC_TOLE_HYS, true);
    m_detailLabel = MakeLabel(this, MessageQ(5), detail);
    m_detailUnit = new QLabel(MessageQ(6), this);

    auto* measure = new QGroupBox(this);
    auto* mg = new QGridLayout(measure);
    mg->addWidget(MakeLabel(measure, U8("計測モード(&M)"), hold), 0, 0);
    mg->addWidget(hold, 0, 1);
    mg->addWidget(MakeLabel(measure, U8("トリガ(&A)"), trigger), 1, 0);
    mg->addWidget(trigger, 1, 1);
    mg->setColumnStretch(2, 1);

    auto* filter = new QGroupBox(U8("フィルタ"), this);
    auto* fg = new QGridLayout(filter);
    fg->addWidget(MakeLabel(filter, U8("種類(&Y)"), type), 0, 0);
    fg->addWidget(type, 0, 1);
    fg->addWidget(m_detailLabel, 1, 0);
    fg->addWidget(detail, 1, 1);
    fg->addWidget(m_detailUnit, 1, 2);
    fg->setColumnStretch(3, 1);

    auto* tolerance = new QGroupBox(U8("公差"), this);
    auto* tg = new QGridLayout(tolerance);
    const std::pair<const char*, CNumEdit*> rows[] = {
        {"上限値", upper}, {"下限値", lower}, {"ヒステリシス", hys}};
    int r = 0;
    for (auto [text, edit] : rows) {
        tg->addWidget(MakeLabel(tolerance, U8(text), edit), r, 0);
        tg->addWidget(edit, r, 1);
        auto* unit = new QLabel(tolerance);
        m_unitLabels.append(unit);
        tg->addWidget(unit, r, 2);
        ++r;
    }

    tg->setColumnStretch(3, 1);

    auto* top = new QVBoxLayout(this);
    top->addWidget(measure);
    top->addWidget(filter);
    top->addWidget(tolerance);
    top->addStretch();

    connect(hold, &QComboBox::currentIndexChanged, this, [this] { OnHoldChanged(); });
    connect(type, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_refreshing) OnFilterTypeChanged();
    });
    SetToolTipCode(this, IDC_HOLD, 110);
    SetToolTipCode(this, IDC_TRIGGER, 111);
    SetToolTipCode(this, IDC_FILTER_TYPE, 107);
    FillDetail(true, -1);
}

void CTabOutLoadData::OnLoaded() {
    const QString unit = U8(UnitLabel(m_unit, m_unit == kUnitImperial ? m_inch : m_mm));
    for (QLabel* l : m_unitLabels) l->setText(unit);
    Control<QWidget>(this, IDC_TOLE_UPPER)->setToolTip(BoundsText(113, false));
    Control<QWidget>(this, IDC_TOLE_LOWER)->setToolTip(BoundsText(114, false));
    Control<QWidget>(this, IDC_TOLE_HYS)->setToolTip(BoundsText(115, true));
}

void CTabOutLoadData::FillDetail(bool average, int index) {
    auto* detail = Control<QComboBox>(this, IDC_FILTER_DETAIL);
    detail->clear();
    if (average) {
        for (const char* t : {"1", "4", "16", "64", "256", "1024", "4096", "16384", "65536", "262144"})
            detail->addItem(t);
        m_detailLabel->setText(MessageQ(5));
        m_detailUnit->setText(MessageQ(6));
        detail->setToolTip(MessageQ(108));
    } else {
        for (const char* t : {"1000", "300", "100", "30", "10", "3", "1", "0.3", "0.1"}) detail->addItem(t);
        m_detailLabel->setText(MessageQ(4));
        m_detailUnit->setText(QStringLiteral("Hz"));
        detail->setToolTip(MessageQ(109));
    }
    m_detailIsAverage = average;
    SetComboSelection(this, IDC_FILTER_DETAIL, index);
}

void CTabOutLoadData::OnHoldChanged() {
    // The trigger matters only for the hold modes.
    Control<QWidget>(this, IDC_TRIGGER)->setEnabled(ComboSelection(this, IDC_HOLD) != 0);
}

void CTabOutLoadData::OnFilterTypeChanged() {
    if (!m_out) return;
    // Keep what the list showed in the field of its kind, then list the other kind.
    const int shown = ComboSelection(this, IDC_FILTER_DETAIL);
    if (m_detailIsAverage) {
        m_out->FilterAverage = shown;
    } else {
        m_out->FilterCutoff = shown;
    }
    const bool average = ComboSelection(this, IDC_FILTER_TYPE) == kFilterMovingAverage;
    FillDetail(average, average ? m_out->FilterAverage : m_out->FilterCutoff);
}

void CTabOutLoadData::RefreshSlice() {
    m_refreshing = true;
    SetComboSelection(this, IDC_HOLD, m_out->OutMsrMode);
    SetComboSelection(this, IDC_TRIGGER, m_out->Trigger);
    SetComboSelection(this, IDC_FILTER_TYPE, m_out->FilterType);
    const bool average = m_out->FilterType == kFilterMovingAverage;
    FillDetail(average, average ? m_out->FilterAverage : m_out->FilterCutoff);
    ShowLength(IDC_TOLE_UPPER, m_out->ToleUpper);
    ShowLength(IDC_TOLE_LOWER, m_out->ToleLower);
    ShowLength(IDC_TOLE_HYS, m_out->ToleHys);
    m_refreshing = false;
    OnHoldChanged();
}

void CTabOutLoadData::StoreSlice() {
    m_out->OutMsrMode = ComboSelection(this, IDC_HOLD);
    m_out->Trigger = ComboSelection(this, IDC_TRIGGER);
    m_out->FilterType = ComboSelection(this, IDC_FILTER_TYPE);
    if (m_detailIsAverage) {
        m_out->FilterAverage = ComboSelection(this, IDC_FILTER_DETAIL);
    } else {
        m_out->FilterCutoff = ComboSelection(this, IDC_FILTER_DETAIL);
    }
    m_out->ToleUpper = ReadLength(IDC_TOLE_UPPER, m_out->ToleUpper);
    m_out->ToleLower = ReadLength(IDC_TOLE_LOWER, m_out->ToleLower);
    m_out->ToleHys = ReadLength(IDC_TOLE_HYS, m_out->ToleHys);
}

int CTabOutLoadData::CheckTexts() {
    if (!CheckLengthText(IDC_TOLE_UPPER, false)) return 0;
    if (!CheckLengthText(IDC_TOLE_LOWER, false)) return 0;
    if (!CheckLengthText(IDC_TOLE_HYS, true)) return 0;
    return 1;
}

QString CTabOutLoadData::DetailLabel() const {
    return m_detailLabel->text();
}
QString CTabOutLoadData::DetailUnit() const {
    return m_detailUnit->text();
}
