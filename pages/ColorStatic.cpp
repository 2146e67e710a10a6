#include "pages/ColorStatic.h"

#include <QAccessible>
#include <QPainter>

#include "pages/DrawnButtonAccessible.h"

CColorStatic::CColorStatic(int id, const QString& text, QWidget* parent)
    : QWidget(parent), m_color(palette().color(QPalette::Button)), m_text(text) {
    setObjectName(QString::number(id));
    qda::InstallDrawnControlAccessibility();
}

void CColorStatic::SetColor(QColor color) {
    m_color = color;
    update();
}

void CColorStatic::SetText(const QString& text) {
    m_text = text;
    update();
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void CColorStatic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_color);
    if (m_text.isEmpty()) return;
    if (parentWidget()) p.setFont(parentWidget()->font());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic, m_text);
}
