#include "pages/PageSupport.h"

#include "resources/Messages.h"

namespace qda {

QString MessageQ(int code) {
    return QString::fromStdString(LoadMessage(code));
}

int ShowMessageFilled(int code, unsigned style, std::initializer_list<MessageArg> args) {
    return ShowMessage(FormatMessage(code, args), style);
}

void MarkAsPage(QWidget* widget) {
    widget->setProperty("qdaPage", true);
}

QWidget* FindControl(const QWidget* page, int id) {
    const QString name = QString::number(id);
    QList<const QWidget*> level{page};
    while (!level.isEmpty()) {
        QList<const QWidget*> next;
        for (const QWidget* w : level) {
            for (QObject* child : w->children()) {
                auto* cw = qobject_cast<QWidget*>(child);
                if (!cw) continue;
                if (cw->objectName() == name) return cw;
                if (!cw->property("qdaPage").toBool()) next.append(cw);
            }
        }
        level = next;
    }
    return nullptr;
}

QComboBox* MakeCombo(QWidget* parent, int id, std::initializer_list<const char*> items) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::number(id));
    for (const char* item : items) combo->addItem(U8(item));
    return combo;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QWidget* buddy, int id) {
    auto* label = new QLabel(text, parent);
    if (id >= 0) label->setObjectName(QString::number(id));
    if (buddy) label->setBuddy(buddy);
    return label;
}

QPushButton* MakeButton(QWidget* parent, int id, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    return button;
}

void SetToolTipCode(QWidget* page, int id, int code) {
    if (auto* w = Control<QWidget>(page, id)) w->setToolTip(MessageQ(code));
}

int ComboSelection(const QWidget* page, int id) {
    auto* combo = Control<QComboBox>(page, id);
    return combo ? combo->currentIndex() : -1;
}

void SetComboSelection(QWidget* page, int id, int index) {
    auto* combo = Control<QComboBox>(page, id);
    if (!combo) return;
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

}  // namespace qda
