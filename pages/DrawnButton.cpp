#include "pages/DrawnButton.h"

#include "pages/CrispLines.h"
#include "pages/DrawnButtonAccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>

namespace {

const QColor kDisabledText(128, 128, 128);

// `image` with its colours turned into a light grey scale (alpha kept), over `fill`: the disabled
// image reads as inactive on any face colour.
QImage Greyed(const QImage& image, QColor fill) {
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int g = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(g, g, g, qAlpha(line[x]));
        }
    }
    QImage shown(image.size(), QImage::Format_ARGB32_Premultiplied);
    shown.setDevicePixelRatio(image.devicePixelRatio());
    shown.fill(fill);
    QPainter p(&shown);
    p.drawImage(QPoint(0, 0), grey);
    return shown;
}

void SunkenFrame(QPainter& p, const QRect& r) {
    qda::CrispLine(p, r.topLeft(), r.topRight(), Qt::black);
    qda::CrispLine(p, r.topLeft(), r.bottomLeft(), Qt::black);
    qda::CrispLine(p, r.bottomLeft(), r.bottomRight(), Qt::white);
    qda::CrispLine(p, r.topRight(), r.bottomRight(), Qt::white);
}

void RaisedFrame(QPainter& p, const QRect& r, const QPalette& pal, bool push) {
    const QColor light = pal.color(QPalette::Light);
    qda::CrispLine(p, r.topLeft(), r.topRight(), light);
    qda::CrispLine(p, r.topLeft(), r.bottomLeft(), light);
    const QColor dark = push ? pal.color(QPalette::Shadow) : pal.color(QPalette::Mid);
    qda::CrispLine(p, r.bottomLeft(), r.bottomRight(), dark);
    qda::CrispLine(p, r.topRight(), r.bottomRight(), dark);
    if (push) {
        const QRect in = r.adjusted(1, 1, -1, -1);
        qda::CrispLine(p, in.bottomLeft(), in.bottomRight(), pal.color(QPalette::Mid));
        qda::CrispLine(p, in.topRight(), in.bottomRight(), pal.color(QPalette::Mid));
    }
}

void PushedFrame(QPainter& p, const QRect& r, const QPalette& pal) {
    qda::CrispFrame(p, r, pal.color(QPalette::Shadow));
    qda::CrispFrame(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Mid));
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
    SetBitmaps(qda::DrawnPicture::FromBitmap(image.copy(0, 0, width, height), transparent.rgb()), normalFill,
               hotFill);
}

void CDrawnButton::SetBitmaps(const qda::DrawnPicture& picture, QColor normalFill, QColor hotFill) {
    m_picture = picture;
    m_imageSize = picture.IsNull() ? QSize() : picture.Size();
    m_imageFill = normalFill;
    m_imageHotFill = hotFill;
    m_imageRatio = 0;
    update();
}

const QImage& CDrawnButton::StateImage(qreal ratio) {
    if (ratio != m_imageRatio) {
        m_normal = m_picture.Render(ratio, m_imageFill);
        m_hot = m_picture.Render(ratio, m_imageHotFill);
        m_disabled = Greyed(m_picture.Render(ratio), m_imageFill);
        m_imageRatio = ratio;
    }
    return !isEnabled() ? m_disabled : (m_pressed ? m_hot : m_normal);
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
        qda::CrispFrame(p, frame, Qt::black);
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
        const QImage& img = StateImage(qda::PaintRatio(p));
        QPoint at;
        if (caption.isEmpty()) {
            at = QPoint((r.width() - m_imageSize.width()) / 2, (r.height() - m_imageSize.height()) / 2);
        } else {
            at = QPoint(4, (r.height() - m_imageSize.height()) / 2);
            textRect.setLeft(4 + m_imageSize.width() + 4);
        }
        qda::DrawOnDevicePixels(p, at, img);
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
