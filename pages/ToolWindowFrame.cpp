#include "pages/ToolWindowFrame.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include "pages/DrawnButton.h"

namespace qda {

DrawnPicture SizeGripPicture() {
    return DrawnPicture(QSize(kSizeGrip, kSizeGrip), [](QPainter& p) {
        for (int k = 0; k < 3; ++k) {
            const int o = 4 + k * 4;
            p.setPen(QColor(255, 255, 255));
            p.drawLine(o, 15, 15, o);
            p.setPen(QColor(128, 128, 128));
            p.drawLine(o + 1, 15, 15, o + 1);
            p.drawLine(o + 2, 15, 15, o + 2);
        }
    });
}

void PaintSizeGrip(const QWidget& window, QPainter& p) {
    DrawOnDevicePixels(p, QPoint(window.width() - kSizeGrip, window.height() - kSizeGrip),
                       SizeGripPicture().Render(PaintRatio(p)));
}

bool GripPressStartsResize(QWidget& window, QEvent* e) {
    if (e->type() != QEvent::MouseButtonPress) return false;
    auto* m = static_cast<QMouseEvent*>(e);
    const QPoint pos = m->position().toPoint();
    return m->button() == Qt::LeftButton && pos.x() >= window.width() - kSizeGrip &&
           pos.y() >= window.height() - kSizeGrip && window.windowHandle() != nullptr &&
           window.windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
}

bool BlockedByModal(const QWidget& window) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == &window) return false;
    if (modal->windowModality() != Qt::WindowModal) return true;
    for (const QWidget* p = modal->parentWidget(); p != nullptr; p = p->parentWidget()) {
        if (p->window() == &window) return true;
    }
    return false;
}

bool IsWindowKey(const QWidget& window, QObject* watched, QEvent* e) {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget != nullptr && widget->window() == &window && !BlockedByModal(window);
}

void TrackPressActions(std::span<CDrawnButton* const> buttons, std::span<bool> acted, QObject* watched,
                       QEvent* e, const std::function<void(size_t)>& act) {
    if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick &&
        e->type() != QEvent::MouseButtonRelease)
        return;
    const auto* mouse = static_cast<QMouseEvent*>(e);
    if (mouse->button() != Qt::LeftButton) return;
    for (size_t i = 0; i < buttons.size() && i < acted.size(); ++i) {
        CDrawnButton* b = buttons[i];
        if (watched != b) continue;
        if (e->type() == QEvent::MouseButtonRelease) {
            // Let go outside: the button sends no command, so none is to be skipped.
            if (!b->rect().contains(mouse->position().toPoint())) acted[i] = false;
        } else if (b->isEnabled()) {
            acted[i] = true;
            act(i);
        }
        return;
    }
}

}  // namespace qda
