#pragma once
// For the bench programs that time a repaint: a widget's window really on screen before the
// clock starts, and a count of the paint events the widget got, so a figure that included no
// paint at all shows up as such. A repaint() asked of a window Qt has not yet seen exposed is
// dropped without a paint event.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>

namespace qda::bench {

// Counts the paint events of the widgets it is installed on.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// Shows `widget` and carries out events until its window is exposed (at most `ms`).
inline bool ShowExposed(QWidget& widget, int ms = 5000) {
    widget.show();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents();
        QWindow* window = widget.window()->windowHandle();
        if (window != nullptr && window->isExposed() && widget.window()->testAttribute(Qt::WA_Mapped)) {
            QCoreApplication::processEvents();
            return true;
        }
    }
    return false;
}

}  // namespace qda::bench
