#include "pages/TabOutDetailesSetting.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "pages/NumEdit.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "settings/SettingsCopyBuffer.h"
#include "settings/Units.h"
#include "settings/Validation.h"
#include "windowing/WindowMessage.h"

using namespace qda;

namespace {
// Process-wide: the display-unit question is never asked twice at once (focus moves while it is open).
bool g_digitsQuestionOpen = false;
}  // namespace

CTabOutDetailesSetting::CTabOutDetailesSetting(QWidget* parent) : COutSubPage(kDialogOutDetails, parent) {
    auto* digits = MakeCombo(this, IDC_DIGITS, {});
    auto* through = MakeCombo(this, IDC_THROUGH, {"OFF", "ON"});
    auto* in1 = MakeLengthEdit(IDC_ANALOG_IN1);
    auto* in2 = MakeLengthEdit(IDC_ANALOG_IN2);
    auto* out1 = new CNumEdit(IDC_ANALOG_OUT1, this);
    auto* out2 = new CNumEdit(IDC_ANALOG_OUT2, this);
    for (CNumEdit* v : {out1, out2}) {
        v->Setup(nullptr, 0, CNumEdit::kDecimal, -10.5, 10.5);
        v->setFixedWidth(90);
        v->setAlignment(Qt::AlignRight);
    }

    auto* display = new QGroupBox(this);
    auto* dg = new QGridLayout(display);
    dg->addWidget(MakeLabel(display, U8("最小表示単位(&Y)"), digits), 0, 0);
    dg->addWidget(digits, 0, 1);
    dg->addWidget(MakeLabel(display, U8("アナログスルー(&A)"), through), 1, 0);
    dg->addWidget(through, 1, 1);

    auto* analog = new QGroupBox(U8("アナログ出力スケーリング"), this);
    auto* ag = new QGridLayout(analog);
    ag->addWidget(MakeLabel(analog, U8("入力値1"), in1), 0, 0);
    ag->addWidget(in1, 0, 1);
    ag->addWidget(MakeLabel(analog, QString(), nullptr, IDC_UNIT_LABEL1), 0, 2);
    ag->addWidget(MakeLabel(analog, U8("出力値1"), out1), 0, 3);
    ag->addWidget(out1, 0, 4);
    ag->addWidget(new QLabel(QStringLiteral("V"), analog), 0, 5);
    ag->addWidget(MakeLabel(analog, U8("入力値2"), in2), 1, 0);
    ag->addWidget(in2, 1, 1);
    ag->addWidget(MakeLabel(analog, QString(), nullptr, IDC_UNIT_LABEL2), 1, 2);
    ag->addWidget(MakeLabel(analog, U8("出力値2"), out2), 1, 3);
    ag->addWidget(out2, 1, 4);
    ag->addWidget(new QLabel(QStringLiteral("V"), analog), 1, 5);

    auto* top = new QVBoxLayout(this);
    top->addWidget(display);
    top->addWidget(analog);
    top->addStretch();

    connect(digits, &QComboBox::currentIndexChanged, this, [this] { UpdateUnitLabels(); });
    connect(through, &QComboBox::currentIndexChanged, this, [this, through] {
        if (m_out) m_out->AnaThrough = through->currentIndex();
    });
    digits->installEventFilter(this);
    SetToolTipCode(this, IDC_DIGITS, 116);
    SetToolTipCode(this, IDC_THROUGH, 117);
    SetToolTipCode(this, IDC_ANALOG_OUT1, 119);
    SetToolTipCode(this, IDC_ANALOG_OUT2, 121);
}

void CTabOutDetailesSetting::OnLoaded() {
    m_rememberedMm = m_out->DispDigitMm;
    m_rememberedInch = m_out->DispDigitInch;
    auto* digits = Control<QComboBox>(this, IDC_DIGITS);
    const QSignalBlocker block(digits);
    digits->clear();
    for (int row = 0; row < kDigitRowCount; ++row)
        digits->addItem(U8(StepText(m_unit, row) + "(" + UnitLabel(m_unit, row) + ")"));
    Control<QWidget>(this, IDC_ANALOG_IN1)->setToolTip(BoundsText(118, false));
    Control<QWidget>(this, IDC_ANALOG_IN2)->setToolTip(BoundsText(120, false));
}

void CTabOutDetailesSetting::UpdateUnitLabels() {
    const int row = ComboSelection(this, IDC_DIGITS);
    const QString label = U8(UnitLabel(m_unit, row < 0 ? kInvalidDigitRow : row));
    Control<QLabel>(this, IDC_UNIT_LABEL1)->setText(label);
    Control<QLabel>(this, IDC_UNIT_LABEL2)->setText(label);
}

void CTabOutDetailesSetting::RefreshSlice() {
    SetComboSelection(this, IDC_DIGITS, m_unit == kUnitImperial ? m_out->DispDigitInch : m_out->DispDigitMm);
    SetComboSelection(this, IDC_THROUGH, m_out->AnaThrough);
    ShowLength(IDC_ANALOG_IN1, m_out->AScaleIn1);
    ShowLength(IDC_ANALOG_IN2, m_out->AScaleIn2);
    Control<CNumEdit>(this, IDC_ANALOG_OUT1)->SetText(U8(FormatFixed(m_out->AScaleOut1, 3)));
    Control<CNumEdit>(this, IDC_ANALOG_OUT2)->SetText(U8(FormatFixed(m_out->AScaleOut2, 3)));
    UpdateUnitLabels();
}

void CTabOutDetailesSetting::StoreSlice() {
    (m_unit == kUnitImperial ? m_out->DispDigitInch : m_out->DispDigitMm) = ComboSelection(this, IDC_DIGITS);
    m_out->AnaThrough = ComboSelection(this, IDC_THROUGH);
    m_out->AScaleIn1 = ReadLength(IDC_ANALOG_IN1, m_out->AScaleIn1);
    m_out->AScaleIn2 = ReadLength(IDC_ANALOG_IN2, m_out->AScaleIn2);
    double volts = 0;
    if (ParseVoltageText(ToStd(Control<CNumEdit>(this, IDC_ANALOG_OUT1)->text()), volts))
        m_out->AScaleOut1 = volts;
    if (ParseVoltageText(ToStd(Control<CNumEdit>(this, IDC_ANALOG_OUT2)->text()), volts))
        m_out->AScaleOut2 = volts;
}

int CTabOutDetailesSetting::CheckTexts() {
    const std::pair<int, int> points[] = {{IDC_ANALOG_IN1, IDC_ANALOG_OUT1},
                                          {IDC_ANALOG_IN2, IDC_ANALOG_OUT2}};
    for (auto [in, out] : points) {
        if (!CheckLengthText(in, false)) return 0;
        double volts = 0;
        if (!ParseVoltageText(ToStd(Control<CNumEdit>(this, out)->text()), volts)) {
            ShowMessage(FormatMessage(kMsgVoltageRange, {-10.5, 10.5}), MB_ICONWARNING);
            FocusControl(out, true);
            return 0;
        }
    }
    return 1;
}

bool CTabOutDetailesSetting::ConfirmDigitsChange() {
    if (!m_out || g_digitsQuestionOpen) return true;
    const int selection = ComboSelection(this, IDC_DIGITS);
    if (selection == Remembered()) return true;
    g_digitsQuestionOpen = true;
    const int answer = ShowMessageCode(302, MB_OKCANCEL | MB_ICONQUESTION);
    g_digitsQuestionOpen = false;
    if (answer != IDOK) {
        SetComboSelection(this, IDC_DIGITS, Remembered());
        return false;
    }
    Remembered() = selection;
    // Records copied in the old display unit do not fit any more.
    CSettingsCopyBuffer::Global().ClearAll();
    SendWindowMessage(m_mainWindow, m_reloadMessage, 0, m_isOut2 ? 1 : 0);
    return true;
}

bool CTabOutDetailesSetting::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && watched == Control<QComboBox>(this, IDC_DIGITS) &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        ConfirmDigitsChange();
    }
    return COutSubPage::eventFilter(watched, event);
}
