#pragma once
// For the bench programs that time a repaint: a widget's window really on screen before the
// clock starts, and a count of the paint events the widget got, so a figure that included no
// paint at all shows up as such. A repaint() asked of a window Qt has not yet seen exposed is
// dropped without a paint event.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTest>
#include <QWidget>

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

// Shows `widget` and waits until Qt has its window exposed (at most `ms`).
inline bool ShowExposed(QWidget& widget, int ms = 5000) {
    widget.show();
    const bool exposed = QTest::qWaitForWindowExposed(&widget, ms);
    QCoreApplication::processEvents();
    return exposed;
}

}  // namespace qda::bench
