#include "resources/lang/UiText.h"

#include <QHash>
#include <QReadWriteLock>

namespace qda {
namespace {

struct UiTable {
    QReadWriteLock lock;
    QHash<QString, QString> byJapanese;
};

// Never destroyed, so that widgets and the module release at exit still find it.
UiTable& Table() {
    static UiTable* table = new UiTable;
    return *table;
}

}  // namespace

QString UiText(const QString& japanese) {
    UiTable& table = Table();
    QReadLocker guard(&table.lock);
    const auto it = table.byJapanese.constFind(japanese);
    return it == table.byJapanese.constEnd() ? japanese : *it;
}

QString UiText(const char* japaneseUtf8) {
    return UiText(QString::fromUtf8(japaneseUtf8 ? japaneseUtf8 : ""));
}

int SetUiTexts(const std::vector<TranslatedUiText>& texts) {
    QHash<QString, QString> next;
    int refused = 0;
    for (const TranslatedUiText& t : texts) {
        if (t.text.empty() || !SamePlaceholders(t.japanese, t.text)) {
            ++refused;
            continue;
        }
        next.insert(QString::fromStdString(t.japanese), QString::fromStdString(t.text));
    }
    UiTable& table = Table();
    QWriteLocker guard(&table.lock);
    table.byJapanese.swap(next);
    return refused;
}

int UiTextCount() {
    UiTable& table = Table();
    QReadLocker guard(&table.lock);
    return static_cast<int>(table.byJapanese.size());
}

}  // namespace qda
