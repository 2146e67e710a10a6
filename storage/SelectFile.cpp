#include "storage/SelectFile.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

#include "pages/PageSupport.h"

namespace qda {

namespace {

constexpr int kMsgOpenTitle = 177;
constexpr int kMsgSaveTitle = 178;
constexpr int kMsgSaveLabel = 183;
constexpr int kMsgOpenLabel = 184;
constexpr int kMsgSlotName = 179;  // 179 ... 182: "データ1" ... "データ4"
constexpr int kMsgFilter = 8;      // "CSVファイル (*%s)|*%s||"

QString CsvFilter() {
    QString text = MessageQ(kMsgFilter);
    text.replace(QStringLiteral("%s"), QStringLiteral(".csv"));
    const QStringList parts = text.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QStringLiteral("*.csv") : parts.front();
}

}  // namespace

bool SelectFile(QWidget* parent, SelectFileMode mode, const std::array<bool, 4>& offered, QString& path,
                int& slot) {
    const bool open = mode == SelectFileMode::kOpen;
    QFileDialog dialog(parent, MessageQ(open ? kMsgOpenTitle : kMsgSaveTitle), path, CsvFilter());
    // The slot combo lives inside the dialog, so the dialog is Qt's own on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (!path.isEmpty()) dialog.selectFile(path);

    auto* combo = new QComboBox(&dialog);
    combo->setObjectName(QString::number(kSelectFileSlotCombo));
    for (int s = 0; s < 4; ++s) {
        if (!offered[static_cast<size_t>(s)]) continue;
        combo->addItem(MessageQ(kMsgSlotName + s), s);
        if (s == slot) combo->setCurrentIndex(combo->count() - 1);
    }
    if (combo->count() == 0) return false;
    auto* label = new QLabel(MessageQ(open ? kMsgOpenLabel : kMsgSaveLabel), &dialog);
    label->setObjectName(QString::number(kSelectFileSlotLabel));
    // "(&D)": Alt+D moves the focus to the combo.
    label->setBuddy(combo);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(combo, row, 1);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    path = dialog.selectedFiles().front();
    slot = combo->currentData().toInt();
    return true;
}

}  // namespace qda
