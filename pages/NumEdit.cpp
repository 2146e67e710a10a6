#include "pages/NumEdit.h"

#include <QFocusEvent>
#include <cstdlib>

#include "settings/Units.h"
#include "windowing/WindowMessage.h"

CNumEdit::CNumEdit(int id, QWidget* parent) : QLineEdit(parent), m_id(id) {
    setObjectName(QString::number(id));
    connect(this, &QLineEdit::textChanged, this, [this] { Test(); });
    // The cursor before a change, so a refused text-mode change can restore it.
    connect(this, &QLineEdit::cursorPositionChanged, this, [this](int, int now) {
        if (!m_restoring) m_lastCursor = now;
    });
}

void CNumEdit::Setup(QObject* notify, unsigned message, Mode mode, double minimum, double maximum, int family,
                     int mmDigits, int inchDigits) {
    m_notify = notify;
    m_message = message;
    m_mode = mode;
    m_min = minimum;
    m_max = maximum;
    m_family = family;
    m_mmDigits = mmDigits;
    m_inchDigits = inchDigits;
    Test();
}

void CNumEdit::SetConversion(int family, int mmDigits, int inchDigits) {
    m_family = family;
    m_mmDigits = mmDigits;
    m_inchDigits = inchDigits;
    Test();
}

void CNumEdit::SetText(const QString& text) {
    m_lastValid = text;
    setText(text);
}

void CNumEdit::SetLengthLimit(int limit) {
    m_limit = limit;
    setMaxLength(limit > 0 ? limit : 32767);
}

double CNumEdit::DisplayMinimum() const {
    if (m_mode != kDecimal || m_family == 2) return m_min;
    return ToDisplayValue(static_cast<int32_t>(m_min), m_family, m_mmDigits, m_inchDigits);
}

double CNumEdit::DisplayMaximum() const {
    if (m_mode != kDecimal || m_family == 2) return m_max;
    return ToDisplayValue(static_cast<int32_t>(m_max), m_family, m_mmDigits, m_inchDigits);
}

void CNumEdit::Test() {
    if (m_restoring) return;
    m_invalid = false;
    const std::string t = text().toStdString();
    switch (m_mode) {
        case kInteger: {
            if (!IsIntegerText(t)) {
                m_invalid = true;
            } else {
                const double v = std::atof(t.c_str());
                m_invalid = v < m_min || v > m_max;
            }
            break;
        }
        case kDecimal: {
            if (!IsDecimalText(t)) {
                m_invalid = true;
            } else {
                const double v = std::atof(t.c_str());
                m_invalid = v < DisplayMinimum() || v > DisplayMaximum();
            }
            break;
        }
        case kText: {
            if (text().contains(QLatin1Char('.')) || text().contains(QLatin1Char(','))) m_invalid = true;
            if (m_limit > 0) {
                if (IsSingleByteText(t)) {
                    m_lastValid = text();
                } else {
                    // A double-byte character: put the last valid text and its cursor back.
                    m_restoring = true;
                    setText(m_lastValid);
                    setCursorPosition(std::min<int>(m_lastCursor, m_lastValid.size()));
                    m_restoring = false;
                    m_invalid =
                        m_lastValid.contains(QLatin1Char('.')) || m_lastValid.contains(QLatin1Char(','));
                }
            }
            break;
        }
    }
    if (m_notify) qda::PostWindowMessage(m_notify, m_message, EN_CHANGE, m_id);
    ApplyColors();
}

void CNumEdit::ApplyColors() {
    // Only the enabled colour groups turn red; a disabled edit keeps its grey text.
    QPalette pal = palette();
    const QPalette standard;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Text,
                     m_invalid ? QColor(255, 0, 0) : standard.color(group, QPalette::Text));
    }
    setPalette(pal);
    update();
}

void CNumEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    if (e->reason() != Qt::PopupFocusReason) emit focusLost();
}
