#include "pages/OutSubPage.h"

#include "pages/NumEdit.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "settings/MessageFormat.h"
#include "settings/Units.h"
#include "settings/Validation.h"

using namespace qda;

void COutSubPage::LoadSlice(QObject* mainWindow, OutSetting* out, bool isOut2, int unit) {
    m_mainWindow = mainWindow;
    m_out = out;
    m_isOut2 = isOut2;
    m_unit = unit;
    m_mm = out->DispDigitMm;
    m_inch = out->DispDigitInch;
    ApplyRow();
    OnLoaded();
}

CNumEdit* COutSubPage::MakeLengthEdit(int id, bool nonNegative) {
    auto* edit = new CNumEdit(id, this);
    edit->setFixedWidth(90);
    edit->setAlignment(Qt::AlignRight);
    m_lengthEdits.push_back({edit, nonNegative});
    connect(edit, &CNumEdit::focusLost, this, [this, edit] {
        const std::string text = ToStd(edit->text());
        if (!IsDecimalText(text)) return;
        edit->setText(U8(FormatLength(ParseLength(text, m_unit, m_mm, m_inch), m_unit, m_mm, m_inch)));
    });
    return edit;
}

void COutSubPage::ShowLength(int id, int32_t v) {
    Control<CNumEdit>(this, id)->SetText(U8(FormatLength(v, m_unit, m_mm, m_inch)));
}

int32_t COutSubPage::ReadLength(int id, int32_t keep) const {
    const std::string text = ToStd(Control<CNumEdit>(this, id)->text());
    if (!IsDecimalText(text)) return keep;
    return ParseLength(text, m_unit, m_mm, m_inch);
}

QString COutSubPage::BoundsText(int code, bool nonNegative) const {
    return U8(FormatMessage(code, {FormatStepBound(nonNegative ? 0 : -kMaxSteps, m_unit, m_mm, m_inch),
                                   FormatStepBound(kMaxSteps, m_unit, m_mm, m_inch)}));
}

bool COutSubPage::CheckLengthText(int id, bool nonNegative) {
    if (IsDecimalText(ToStd(Control<CNumEdit>(this, id)->text()))) return true;
    ShowMessage(ToStd(BoundsText(kMsgInputRange, nonNegative)), MB_ICONWARNING);
    FocusControl(id, true);
    return false;
}

void COutSubPage::ApplyRow() {
    const int64_t step = SelectUnitRow(m_unit, m_mm, m_inch).Step();
    for (const LengthEdit& e : m_lengthEdits) {
        const double lo = e.nonNegative ? 0.0 : static_cast<double>(-kMaxSteps * step);
        e.edit->Setup(nullptr, 0, CNumEdit::kDecimal, lo, static_cast<double>(kMaxSteps * step), m_unit, m_mm,
                      m_inch);
    }
}
