#include "pages/ButtonBar.h"

#include "pages/DrawnButtonAccessible.h"

CButtonBar::CButtonBar(QWidget* parent) : QWidget(parent) {
    qda::InstallDrawnControlAccessibility();
}
