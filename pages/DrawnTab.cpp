#include "pages/DrawnTab.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "pages/CrispLines.h"
#include "pages/DrawnButtonAccessible.h"

CDrawnTab::CDrawnTab(int id, QWidget* parent)
    : QWidget(parent), m_background(palette().color(QPalette::Button)) {
    setObjectName(QString::number(id));
    // Not focused by the click itself: a click asks the owner first and takes the focus afterwards.
    setFocusPolicy(Qt::TabFocus);
    qda::InstallDrawnControlAccessibility();
}

int CDrawnTab::InsertItem(const QString& text) {
    m_items.append(text);
    if (m_current < 0) m_current = 0;
    update();
    return ItemCount() - 1;
}

QString CDrawnTab::ItemText(int index) const {
    return index >= 0 && index < ItemCount() ? m_items[index] : QString();
}

bool CDrawnTab::SetCurSel(int index) {
    if (index < 0 || index >= ItemCount()) return false;
    m_current = index;
    update();
    NotifyAccessibleSelection();
    return true;
}

void CDrawnTab::NotifyAccessibleSelection() {
    if (m_current < 0) return;
    // The items are the first children of the tab control's accessible interface.
    QAccessibleEvent event(this, QAccessible::Selection);
    event.setChild(m_current);
    QAccessible::updateAccessibility(&event);
}

void CDrawnTab::SetBackgroundColor(QColor color) {
    m_background = color;
    update();
}

void CDrawnTab::SetExcludeRect(const QRect& rect) {
    m_exclude = rect;
    update();
}

int CDrawnTab::HeaderHeight() const {
    const QFontMetrics fm = parentWidget() ? parentWidget()->fontMetrics() : fontMetrics();
    return fm.height() + 8;
}

QRect CDrawnTab::ItemRect(int index) const {
    if (index < 0 || index >= ItemCount()) return {};
    const QFontMetrics fm = parentWidget() ? parentWidget()->fontMetrics() : fontMetrics();
    int x = 2;
    for (int i = 0; i < index; ++i) x += fm.horizontalAdvance(m_items[i]) + 16;
    return QRect(x, 2, fm.horizontalAdvance(m_items[index]) + 16, HeaderHeight() - 2);
}

QRect CDrawnTab::DisplayRect() const {
    return QRect(2, HeaderHeight() + 2, width() - 4, height() - HeaderHeight() - 4);
}

void CDrawnTab::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!m_exclude.isEmpty()) p.setClipRegion(QRegion(rect()).subtracted(QRegion(m_exclude)));
    p.fillRect(rect(), m_background);
    const QPalette& pal = palette();

    // Frame around the page area: highlight at top and left, shadow at bottom and right.
    const QRect page(0, HeaderHeight(), width() - 1, height() - HeaderHeight() - 1);
    qda::CrispLine(p, page.topLeft(), page.topRight(), pal.color(QPalette::Light));
    qda::CrispLine(p, page.topLeft(), page.bottomLeft(), pal.color(QPalette::Light));
    qda::CrispLine(p, page.bottomLeft(), page.bottomRight(), pal.color(QPalette::Dark));
    qda::CrispLine(p, page.topRight(), page.bottomRight(), pal.color(QPalette::Dark));

    if (parentWidget()) p.setFont(parentWidget()->font());
    for (int i = 0; i < ItemCount(); ++i) {
        QRect r = ItemRect(i);
        if (i == m_current) r.adjust(-1, -2, 0, 2);
        p.fillRect(r, m_background);
        // Raised soft edge on the left, top and right sides.
        qda::CrispLine(p, r.bottomLeft(), r.topLeft(), pal.color(QPalette::Light));
        qda::CrispLine(p, r.topLeft(), r.topRight(), pal.color(QPalette::Light));
        qda::CrispLine(p, r.topRight(), r.bottomRight(), pal.color(QPalette::Dark));
        p.setPen(pal.color(QPalette::ButtonText));
        p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, m_items[i]);
    }
}

bool CDrawnTab::UserSelect(int index) {
    if (index < 0 || index >= ItemCount() || index == m_current) return false;
    bool refuse = false;
    emit selectionChanging(&refuse);
    if (refuse) return false;
    m_current = index;
    update();
    NotifyAccessibleSelection();
    emit selectionChanged();
    // The owner may have put the selection back (a page check failed).
    return m_current == index;
}

bool CDrawnTab::ClickItem(int index) {
    // The owner is asked first, while the focus is still where the user left it, so that a page's
    // own focus-loss check does not run ahead of the owner's leave check. A refused or failed
    // change leaves the focus where the owner put it: on the field a failed check names.
    if (!isEnabled() || !UserSelect(index)) return false;
    setFocus(Qt::MouseFocusReason);
    return true;
}

void CDrawnTab::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    for (int i = 0; i < ItemCount(); ++i) {
        if (ItemRect(i).contains(e->position().toPoint())) {
            ClickItem(i);
            return;
        }
    }
}

void CDrawnTab::keyPressEvent(QKeyEvent* e) {
    if (e->modifiers() == Qt::NoModifier && e->key() == Qt::Key_Left) {
        UserSelect(m_current - 1);
    } else if (e->modifiers() == Qt::NoModifier && e->key() == Qt::Key_Right) {
        UserSelect(m_current + 1);
    } else {
        QWidget::keyPressEvent(e);
    }
}
