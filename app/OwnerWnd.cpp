#include "app/OwnerWnd.h"

#include "app/ButtonArt.h"

COwnerWnd::COwnerWnd(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("188"));
    setWindowTitle(QStringLiteral("QD-Atlas"));
    setWindowIcon(qda::ApplicationIcon());
    // Created, never shown.
    setAttribute(Qt::WA_DontShowOnScreen);
}
