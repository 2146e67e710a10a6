#include "pages/DrawnButtonAccessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <mutex>
#include <vector>

#include "pages/ButtonBar.h"
#include "pages/ColorStatic.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"

namespace qda {

namespace {

// A caption as it is read out: without its access-key marker ("&&" stays one "&") and with its
// lines joined.
QString SpokenText(const QString& caption) {
    QString s;
    s.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        if (c == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) s += caption[++i];
            continue;
        }
        s += c == QLatin1Char('\n') ? QLatin1Char(' ') : c;
    }
    return s;
}

class DrawnButtonAccessible : public QAccessibleWidget {
public:
    explicit DrawnButtonAccessible(CDrawnButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    CDrawnButton* Button() const { return static_cast<CDrawnButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            // The accessible name, else the caption as drawn, else the tool tip (picture-only
            // buttons). Not the widget default: inside a group box that is the box's title.
            QString s = Button()->accessibleName();
            if (s.isEmpty()) s = SpokenText(Button()->Caption());
            if (s.isEmpty()) s = Button()->toolTip();
            return s;
        }
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Description && s.isEmpty()) s = Button()->toolTip();
        return s;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = Button()->IsPressed();
        if (Button()->IsCheckable()) {
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
        if (widget()->isEnabled()) {
            if (Button()->IsToggle()) names.prepend(toggleAction());
            names.prepend(pressAction());
        }
        return names;
    }

    void doAction(const QString& name) override {
        if (name == pressAction() || (name == toggleAction() && Button()->IsToggle())) {
            Button()->Click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

// One item of a drawn tab control. It has no object of its own; the tab control's interface
// registers it and deletes it with itself.
class DrawnTabItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    DrawnTabItemAccessible(CDrawnTab* tab, int index) : m_tab(tab), m_index(index) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    bool isValid() const override { return !m_tab.isNull() && m_index < m_tab->ItemCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_tab.isNull() ? nullptr : m_tab->window()->windowHandle(); }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_tab); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid() || t != QAccessible::Name) return {};
        return SpokenText(m_tab->ItemText(m_index));
    }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = m_tab->CurSel() == m_index;
        s.focused = s.selected && m_tab->hasFocus();
        s.disabled = !m_tab->isEnabled();
        s.invisible = !m_tab->isVisible();
        return s;
    }

    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = m_tab->ItemRect(m_index);
        return QRect(m_tab->mapToGlobal(r.topLeft()), r.size());
    }

    QStringList actionNames() const override {
        if (!isValid() || !m_tab->isEnabled()) return {};
        return {pressAction()};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid()) m_tab->ClickItem(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<CDrawnTab> m_tab;
    int m_index;
};

// The tab control: its items first, then its child widgets (the pages).
class DrawnTabAccessible : public QAccessibleWidget {
public:
    explicit DrawnTabAccessible(CDrawnTab* tab) : QAccessibleWidget(tab, QAccessible::PageTabList) {}
    ~DrawnTabAccessible() override {
        for (QAccessible::Id id : m_items) QAccessible::deleteAccessibleInterface(id);
    }

    CDrawnTab* Tab() const { return static_cast<CDrawnTab*>(widget()); }

    int childCount() const override { return Tab()->ItemCount() + QAccessibleWidget::childCount(); }

    QAccessibleInterface* child(int index) const override {
        const int items = Tab()->ItemCount();
        if (index < 0) return nullptr;
        if (index >= items) return QAccessibleWidget::child(index - items);
        // Items are only ever appended, so an index keeps naming the same item.
        while (static_cast<int>(m_items.size()) <= index) {
            auto* item = new DrawnTabItemAccessible(Tab(), static_cast<int>(m_items.size()));
            m_items.push_back(QAccessible::registerAccessibleInterface(item));
        }
        return QAccessible::accessibleInterface(m_items[static_cast<size_t>(index)]);
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr) return -1;
        if (child->role() == QAccessible::PageTab && child->object() == nullptr) {
            const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child));
            for (size_t i = 0; i < m_items.size(); ++i) {
                if (m_items[i] == id) return static_cast<int>(i);
            }
            return -1;
        }
        const int index = QAccessibleWidget::indexOfChild(child);
        return index < 0 ? -1 : index + Tab()->ItemCount();
    }

    QAccessibleInterface* focusChild() const override {
        if (Tab()->hasFocus() && Tab()->CurSel() >= 0) return child(Tab()->CurSel());
        return QAccessibleWidget::focusChild();
    }

private:
    mutable std::vector<QAccessible::Id> m_items;
};

class ColorStaticAccessible : public QAccessibleWidget {
public:
    explicit ColorStaticAccessible(CColorStatic* s) : QAccessibleWidget(s, QAccessible::StaticText) {}

    CColorStatic* Static() const { return static_cast<CColorStatic*>(widget()); }

    QAccessible::Role role() const override {
        return Static()->Text().isEmpty() ? QAccessible::Graphic : QAccessible::StaticText;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = Static()->accessibleName();
            return name.isEmpty() ? SpokenText(Static()->Text()) : name;
        }
        QString s = QAccessibleWidget::text(t);
        // What the fill tells (a graph colour, a state) is its colour.
        if (t == QAccessible::Value && s.isEmpty()) s = Static()->Color().name();
        return s;
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("CDrawnButton"))
        return new DrawnButtonAccessible(static_cast<CDrawnButton*>(object));
    if (className == QLatin1String("CDrawnTab"))
        return new DrawnTabAccessible(static_cast<CDrawnTab*>(object));
    if (className == QLatin1String("CColorStatic"))
        return new ColorStaticAccessible(static_cast<CColorStatic*>(object));
    if (className == QLatin1String("CButtonBar"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::ToolBar);
    // A page's picture, the program marker, the waveform window's head: named by its owner.
    if (className == QLatin1String("qda::PictureHolder"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

}  // namespace

void InstallDrawnControlAccessibility() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(&Factory); });
}

}  // namespace qda
