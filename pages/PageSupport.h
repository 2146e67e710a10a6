#pragma once
// Small helpers shared by the pages and dialogs: UTF-8 texts, message texts with their arguments
// filled in, and controls created with their resource identifier as objectName.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <initializer_list>
#include <string>

#include "resources/lang/UiText.h"
#include "settings/MessageFormat.h"

namespace qda {

// A literal of the built-in (Japanese) texts as the current language shows it.
inline QString U8(const char* text) {
    return UiText(text);
}
inline QString U8(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string ToStd(const QString& text) {
    return text.toStdString();
}

// The text of message `code` as a QString.
QString MessageQ(int code);

// Shows message `code` with its conversions filled by `args`; returns the answer of ShowMessage.
int ShowMessageFilled(int code, unsigned style, std::initializer_list<MessageArg> args);

// The control of `page` with identifier `id`, searched among the page's own widgets and not inside
// nested pages (sub-pages reuse identifiers); nullptr when there is none.
QWidget* FindControl(const QWidget* page, int id);
template <typename T>
T* Control(const QWidget* page, int id) {
    return qobject_cast<T*>(FindControl(page, id));
}
// Marks `widget` as a page of its own, so FindControl of an enclosing page does not look inside.
void MarkAsPage(QWidget* widget);

QComboBox* MakeCombo(QWidget* parent, int id, std::initializer_list<const char*> items);
// A label; with a buddy, its "&" mnemonic moves the focus to the buddy.
QLabel* MakeLabel(QWidget* parent, const QString& text, QWidget* buddy = nullptr, int id = -1);
QPushButton* MakeButton(QWidget* parent, int id, const QString& text);
// Sets the tool tip of control `id` of `page` to message `code`.
void SetToolTipCode(QWidget* page, int id, int code);

// The selection of combo `id` of `page` (-1 when none or no such combo).
int ComboSelection(const QWidget* page, int id);
// Selects `index` in combo `id` (an index outside the list leaves no selection).
void SetComboSelection(QWidget* page, int id, int index);

}  // namespace qda
