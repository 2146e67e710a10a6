#include "pages/SettingsPage.h"

#include <QLineEdit>

#include "pages/PageSupport.h"
#include "resources/Messages.h"

CSettingsPage::CSettingsPage(int dialogId, QWidget* parent)
    : QWidget(parent), m_messageWindow(this), m_dialogId(dialogId) {
    qda::MarkAsPage(this);
}

CSettingsPage::~CSettingsPage() {
    // The owner must never point at a page that is gone.
    if (GetMessageOwner() == &m_messageWindow) SetMessageOwner(nullptr);
}

void CSettingsPage::FocusControl(int id, bool selectText) {
    m_lastFocusId = id;
    QWidget* control = qda::FindControl(this, id);
    if (!control) return;
    control->setFocus(Qt::OtherFocusReason);
    if (selectText) {
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
    }
}

void CSettingsPage::FocusControl(int, int controlId, bool selectText) {
    FocusControl(controlId, selectText);
}

void CSettingsPage::BecomeMessageOwner() {
    SetMessageOwner(&m_messageWindow);
}
