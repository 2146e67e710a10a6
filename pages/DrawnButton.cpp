#include "pages/DrawnButton.h"

#include "pages/DrawnButtonAccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>

namespace {

const QColor kDisabledText(128, 128, 128);

// Replaces every pixel of `key` colour by `fill`; `grey` turns the other pixels into a light grey scale.
QPixmap MakeImage(const QImage& src, QColor key, QColor fill, bool grey) {
    QImage img = src.convertToFormat(QImage::Format_RGB32);
    const QRgb keyRgb = key.rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == keyRgb) {
                line[x] = fill.rgb();
            } else if (grey) {
                // Lightened grey, so the disabled image reads as inactive on any face colour.
                const int g = 128 + qGray(line[x]) / 2;
                line[x] = qRgb(g, g, g);
            }
        }
    }
    return QPixmap::fromImage(img);
}

void SunkenFrame(QPainter& p, const QRect& r) {
    p.setPen(Qt::black);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(Qt::white);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

void RaisedFrame(QPainter& p, const QRect& r, const QPalette& pal, bool push) {
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(push ? pal.color(QPalette::Shadow) : pal.color(QPalette::Mid));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    if (push) {
        p.setPen(pal.color(QPalette::Mid));
        const QRect in = r.adjusted(1, 1, -1, -1);
        p.drawLine(in.bottomLeft(), in.bottomRight());
        p.drawLine(in.topRight(), in.bottomRight());
    }
}

void PushedFrame(QPainter& p, const QRect& r, const QPalette& pal) {
    p.setPen(pal.color(QPalette::Shadow));
    p.drawRect(r);
    p.setPen(pal.color(QPalette::Mid));
    p.drawRect(r.adjusted(1, 1, -1, -1));
}

}  // namespace

CDrawnButton::CDrawnButton(int id, const QString& text, QWidget* parent)
    : QWidget(parent), m_id(id), m_text(text) {
    setObjectName(QString::number(id));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
    GrabAccessKey();
    qda::InstallDrawnControlAccessibility();
}

void CDrawnButton::SetText(const QString& text) {
    m_text = text;
    GrabAccessKey();
    update();
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void CDrawnButton::GrabAccessKey() {
    if (m_accessKey != 0) releaseShortcut(m_accessKey);
    const QKeySequence key = QKeySequence::mnemonic(m_text);
    m_accessKey = key.isEmpty() ? 0 : grabShortcut(key);
}

void CDrawnButton::Click() {
    if (!isEnabled()) return;
    ButtonDown();
    ButtonUp(true);
}

bool CDrawnButton::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut && m_accessKey != 0 &&
        static_cast<QShortcutEvent*>(e)->shortcutId() == m_accessKey) {
        Click();
        return true;
    }
    return QWidget::event(e);
}

void CDrawnButton::SetBitmaps(const QImage& image, int width, int height, QColor transparent,
                              QColor normalFill, QColor hotFill) {
    const QImage cut = image.copy(0, 0, width, height);
    m_imageSize = QSize(width, height);
    m_normal = MakeImage(cut, transparent, normalFill, false);
    m_hot = MakeImage(cut, transparent, hotFill, false);
    m_disabled = MakeImage(cut, transparent, normalFill, true);
    update();
}

void CDrawnButton::SetFillColors(QColor normal, QColor pressed) {
    m_fillMode = true;
    m_fillNormal = normal;
    m_fillPressed = pressed;
    update();
}

void CDrawnButton::SetTextColor(QColor color) {
    m_textColor = color;
    update();
}

void CDrawnButton::SetFrame(bool flatFrame, bool pushFrame) {
    m_flatFrame = flatFrame;
    m_pushFrame = pushFrame;
    update();
}

void CDrawnButton::SetCutAccelerator(bool cut) {
    m_cutAccelerator = cut;
    update();
}

void CDrawnButton::SetSelected(bool selected) {
    m_selected = selected;
    update();
    NotifyAccessibleState();
    if (m_notifyOnPress) PostCommand();
}

QString CDrawnButton::Caption() const {
    if (!m_cutAccelerator) return m_text;
    const int cut = m_text.indexOf(QStringLiteral("(&"));
    return cut < 0 ? m_text : m_text.left(cut);
}

QColor CDrawnButton::CaptionColor() const {
    return isEnabled() ? m_textColor : kDisabledText;
}

QSize CDrawnButton::sizeHint() const {
    const QFontMetrics fm = parentWidget() ? parentWidget()->fontMetrics() : fontMetrics();
    QSize text = fm.size(Qt::TextShowMnemonic, Caption());
    int w = text.width() + 16 + (m_imageSize.isValid() ? m_imageSize.width() + 8 : 0);
    int h = std::max(text.height(), m_imageSize.isValid() ? m_imageSize.height() : 0) + 10;
    return {w, h};
}

void CDrawnButton::NotifyAccessibleState() {
    QAccessible::State changed;
    changed.pressed = true;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void CDrawnButton::PostCommand() {
    QMetaObject::invokeMethod(
        this, [this] { emit command(m_id); }, Qt::QueuedConnection);
}

void CDrawnButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const QColor face = pal.color(QPalette::Button);
    // The client rectangle without its bottom line.
    const QRect r(0, 0, width(), height() - 1);
    const QRect frame = r.adjusted(0, 0, -1, -1);

    if (m_pressed) {
        if (m_fillMode) {
            p.fillRect(r, m_fillPressed);
            SunkenFrame(p, frame);
        } else {
            p.fillRect(r, face);
            PushedFrame(p, frame, pal);
        }
    } else if (m_selected) {
        if (m_fillMode) {
            p.fillRect(r, m_fillPressed);
        } else {
            p.fillRect(r, face);
            RaisedFrame(p, frame, pal, false);
        }
        SunkenFrame(p, frame);
    } else if (m_fillMode) {
        p.fillRect(r, m_fillNormal);
        p.setPen(Qt::black);
        p.drawRect(frame);
    } else if (m_hover) {
        p.fillRect(r, face);
        RaisedFrame(p, frame, pal, m_pushFrame);
    } else {
        p.fillRect(r, face);
        if (m_flatFrame) RaisedFrame(p, frame, pal, m_pushFrame);
    }

    QRect textRect = r;
    const QString caption = Caption();
    if (m_imageSize.isValid()) {
        const QPixmap& img = !isEnabled() ? m_disabled : (m_pressed ? m_hot : m_normal);
        QPoint at;
        if (caption.isEmpty()) {
            at = QPoint((r.width() - m_imageSize.width()) / 2, (r.height() - m_imageSize.height()) / 2);
        } else {
            at = QPoint(4, (r.height() - m_imageSize.height()) / 2);
            textRect.setLeft(4 + m_imageSize.width() + 4);
        }
        p.drawPixmap(at, img);
    }
    if (!caption.isEmpty()) {
        if (parentWidget()) p.setFont(parentWidget()->font());
        p.setPen(CaptionColor());
        // One line or a block of lines, centred both ways.
        p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, caption);
    }
}

void CDrawnButton::ButtonDown() {
    m_pressed = true;
    if (m_notifyOnPress) PostCommand();
    update();
    NotifyAccessibleState();
    setFocus(Qt::MouseFocusReason);
}

void CDrawnButton::ButtonUp(bool inside) {
    if (inside && m_pressed) {
        if (m_toggle) m_selected = !m_selected;
        if (m_notifyOnPress) m_selected = false;
        PostCommand();
    }
    m_pressed = false;
    update();
    NotifyAccessibleState();
}

void CDrawnButton::CancelMode() {
    if (m_notifyOnPress) {
        m_pressed = false;
        m_selected = false;
    }
    update();
    NotifyAccessibleState();
}

void CDrawnButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) ButtonDown();
}

void CDrawnButton::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) ButtonDown();
}

void CDrawnButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) ButtonUp(rect().contains(e->position().toPoint()));
}

void CDrawnButton::mouseMoveEvent(QMouseEvent* e) {
    if (rect().contains(e->position().toPoint())) {
        m_hover = true;
    } else if (m_hover) {
        m_hover = false;
        if (m_pressed) {
            m_pressed = false;
            NotifyAccessibleState();
        }
    }
    update();
}

void CDrawnButton::leaveEvent(QEvent*) {
    // Without a held button the pointer simply left; a held button keeps the grab and sees the moves.
    m_hover = false;
    update();
}

void CDrawnButton::focusOutEvent(QFocusEvent*) {
    m_hover = false;
    const bool wasPressed = m_pressed;
    m_pressed = false;
    update();
    if (wasPressed) NotifyAccessibleState();
}

void CDrawnButton::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        ButtonDown();
        return;
    }
    if (e->key() == Qt::Key_Escape && m_pressed) {
        CancelMode();
        return;
    }
    QWidget::keyPressEvent(e);
}

void CDrawnButton::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat()) {
        ButtonUp(true);
        return;
    }
    QWidget::keyReleaseEvent(e);
}

void CDrawnButton::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_pressed = false;
            m_hover = false;
        }
        update();
    }
    QWidget::changeEvent(e);
}
