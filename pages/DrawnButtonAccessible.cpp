#include "pages/DrawnButtonAccessible.h"

#include <QAccessibleWidget>
#include <mutex>

#include "pages/DrawnButton.h"

namespace qda {

namespace {

class DrawnButtonAccessible : public QAccessibleWidget {
public:
    explicit DrawnButtonAccessible(CDrawnButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    CDrawnButton* Button() const { return static_cast<CDrawnButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty()) {
            // The caption without its access-key marker, else the tool tip (picture-only buttons).
            s = Button()->Caption();
            s.remove(QLatin1Char('&'));
            if (s.isEmpty()) s = Button()->toolTip();
        }
        if (t == QAccessible::Description && s.isEmpty()) s = Button()->toolTip();
        return s;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = Button()->IsPressed();
        if (Button()->IsToggle()) {
            s.checkable = true;
            s.checked = Button()->IsSelected();
        } else {
            // A button held down by its key or its group shows as pressed too.
            s.pressed = s.pressed || Button()->IsSelected();
        }
        return s;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled()) names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& name) override {
        if (name == pressAction()) {
            Button()->Click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("CDrawnButton") && object != nullptr && object->isWidgetType())
        return new DrawnButtonAccessible(static_cast<CDrawnButton*>(object));
    return nullptr;
}

}  // namespace

void InstallDrawnButtonAccessibility() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(&Factory); });
}

}  // namespace qda
