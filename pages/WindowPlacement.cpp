#include "pages/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "settings/RegistryState.h"

namespace qda {

bool SaveWindowPlacement(const QWidget& window, const std::string& name) {
    IRegistryStore* store = GetRegistryStore();
    if (store == nullptr) return false;
    WindowPlacementRecord record;
    record.showCmd = window.isMaximized()   ? kShowMaximized
                     : window.isMinimized() ? kShowMinimized
                                            : kShowNormal;
    const QRect normal = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    record.left = normal.left();
    record.top = normal.top();
    record.right = normal.left() + normal.width();
    record.bottom = normal.top() + normal.height();
    return WritePlacement(*store, name, record);
}

bool RestoreWindowPlacement(QWidget& window, const std::string& name) {
    IRegistryStore* store = GetRegistryStore();
    WindowPlacementRecord record;
    if (store == nullptr || !ReadPlacement(*store, name, record)) return false;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return false;
    const QSize desktop = screen->virtualGeometry().size();
    if (!IsPlacementOnDesktop(record, desktop.width(), desktop.height())) return false;
    window.setGeometry(record.left, record.top, record.right - record.left, record.bottom - record.top);
    if (record.showCmd == kShowMaximized) window.setWindowState(Qt::WindowMaximized);
    return true;
}

}  // namespace qda
