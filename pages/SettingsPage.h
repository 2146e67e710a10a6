#pragma once
// CSettingsPage: what every settings page shares: it can be told to focus one of its controls after
// a failed check, and it can stand as the owner of the message boxes.
#include <QWidget>

#include "settings/ValidationFocus.h"
#include "windowing/WidgetMessageWindow.h"

class CSettingsPage : public QWidget, public qda::IValidationFocus {
    Q_OBJECT
public:
    // `dialogId` is the resource dialog this page stands for (133 head page, 138 common page, ...).
    explicit CSettingsPage(int dialogId, QWidget* parent = nullptr);
    ~CSettingsPage() override;

    int DialogId() const { return m_dialogId; }
    // Moves the focus to control `id` (selecting an edit's text when asked) and remembers it.
    void FocusControl(int id, bool selectText);
    // The check's request: a page with sub-pages routes it by dialog; this page takes its own.
    void FocusControl(int dialogId, int controlId, bool selectText) override;
    // The control the last failed check focused (-1 when none since the last ClearFocusRecord).
    int LastFocusId() const { return m_lastFocusId; }
    void ClearFocusRecord() { m_lastFocusId = -1; }

    // Makes this page the owner of the message boxes.
    void BecomeMessageOwner();

protected:
    qda::WidgetMessageWindow m_messageWindow;

private:
    int m_dialogId;
    int m_lastFocusId = -1;
};
