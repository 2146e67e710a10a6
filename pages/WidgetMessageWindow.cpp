#include "pages/WidgetMessageWindow.h"

#include <QCoreApplication>

namespace qda {

void WidgetMessageWindow::SetEnabled(bool enable) {
    if (m_widget) m_widget->setEnabled(enable);
}

void WidgetMessageWindow::DispatchPending() {
    if (m_widget) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace qda
