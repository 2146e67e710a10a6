#include "windowing/WidgetMessageWindow.h"

#include <QCoreApplication>
#include <QList>

namespace qda {

void WidgetMessageWindow::SetEnabled(bool enable) {
    if (!m_widget) return;
    if (enable) {
        m_widget->setEnabled(true);
        return;
    }
    // Disabling a window leaves the windows it owns as they are: Qt would hand the disabled state
    // on to every child window, so a dialog opened from a page just before its main window is
    // disabled (ROVA tuning) could then neither be used nor closed.
    QList<QWidget*> ownedWindows;
    for (QWidget* child : m_widget->findChildren<QWidget*>()) {
        if (child->isWindow() && child->isEnabled()) ownedWindows.push_back(child);
    }
    m_widget->setEnabled(false);
    for (QWidget* owned : ownedWindows) owned->setEnabled(true);
}

void WidgetMessageWindow::DispatchPending() {
    if (m_widget) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace qda
