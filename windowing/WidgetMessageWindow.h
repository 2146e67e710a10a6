#pragma once
// An IMessageWindow over a widget, so that a page or dialog can be the message owner or a tool window.
#include <QPointer>
#include <QWidget>

#include "resources/MessageWindow.h"

namespace qda {

class WidgetMessageWindow : public IMessageWindow {
public:
    explicit WidgetMessageWindow(QWidget* widget) : m_widget(widget) {}
    bool IsCreated() const override { return !m_widget.isNull(); }
    void SetEnabled(bool enable) override;
    void DispatchPending() override;
    QWidget* Widget() const { return m_widget; }

private:
    QPointer<QWidget> m_widget;
};

}  // namespace qda
