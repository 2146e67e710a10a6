#include "comm/DumpDialog.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include "pages/Clipboard.h"
#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace qda {

// The rows the window has taken from the recorder.
class DumpRowsModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 5; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        const DumpRow& r = m_rows[static_cast<size_t>(index.row())];
        const std::string* fields[] = {&r.number, &r.time, &r.caption, &r.length, &r.data};
        return QString::fromStdString(*fields[index.column()]);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        static const char* const kTitles[] = {"No.", "Time", "Caption", "Length", "Data"};
        return section >= 0 && section < 5 ? QString::fromLatin1(kTitles[section]) : QVariant();
    }

    void Append(std::vector<DumpRow>&& rows) {
        if (rows.empty()) return;
        const int first = rowCount();
        beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
        endInsertRows();
    }

    void Clear() {
        beginResetModel();
        m_rows.clear();
        endResetModel();
    }

private:
    std::vector<DumpRow> m_rows;
};

}  // namespace qda

CDumpDialog::CDumpDialog(QWidget* parent) : QDialog(parent), m_model(std::make_unique<qda::DumpRowsModel>()) {
    setObjectName(QStringLiteral("DUMP"));
    setWindowTitle(QStringLiteral("DUMP"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    m_list = new QTableView(this);
    m_list->setObjectName(QString::number(IDC_LIST));
    m_list->setAccessibleName(QStringLiteral("DUMP"));
    m_list->setModel(m_model.get());
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 4);
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Every byte stays readable: the data column holds a whole row of 32 bytes, never cut short.
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setWordWrap(false);
    const QFontMetrics metrics(m_list->font());
    const QString samples[] = {QStringLiteral("00000"), QStringLiteral("00:00:00:000 "),
                               QStringLiteral("Recevie data "), QStringLiteral("000000"),
                               QStringLiteral("00000000 ") + QStringLiteral(":00").repeated(33)};
    int total = 0;
    for (int c = 0; c < 5; ++c) {
        const int w = metrics.horizontalAdvance(samples[c]) + 12;
        m_list->setColumnWidth(c, w);
        total += w;
    }

    m_stopScroll = new QCheckBox(QStringLiteral("Stop scroll"), this);
    m_stopScroll->setObjectName(QString::number(IDC_STOP_SCROLL));
    m_copy = new QPushButton(QStringLiteral("&Copy"), this);
    m_copy->setObjectName(QString::number(IDC_COPY));
    m_copy->setAutoDefault(false);
    m_clear = new QPushButton(QStringLiteral("C&lear"), this);
    m_clear->setObjectName(QString::number(IDC_CLEAR));
    m_clear->setAutoDefault(false);
    connect(m_copy, &QPushButton::clicked, this, [this] { OnCopy(); });
    connect(m_clear, &QPushButton::clicked, this, &CDumpDialog::OnClear);
    resize(total + 40, 420);

    // Both notifications come on the logging thread; the window answers on its own.
    m_recorder.SetNotifications(
        [this] {
            if (!m_takePending.exchange(true))
                QMetaObject::invokeMethod(this, &CDumpDialog::TakeNewRows, Qt::QueuedConnection);
        },
        [this] {
            if (!m_failurePending.exchange(true))
                QMetaObject::invokeMethod(this, &CDumpDialog::ShowLockFailure, Qt::QueuedConnection);
        });
    qda::SetDumpSink(&m_recorder);
}

CDumpDialog::~CDumpDialog() {
    // No thread logs into the recorder once this returns.
    qda::ClearDumpSink(&m_recorder);
}

int CDumpDialog::RowCount() const {
    return m_model->rowCount();
}

void CDumpDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    m_recorder.SetEnabled(true);
}

void CDumpDialog::hideEvent(QHideEvent* e) {
    m_recorder.SetEnabled(false);
    QDialog::hideEvent(e);
}

void CDumpDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    // The list fills the window but for 8 pixels of width and 40 of height for the controls.
    const int w = width(), h = height();
    m_list->setGeometry(4, 4, w - 8, h - 40);
    const int y = h - 32;
    m_stopScroll->setGeometry(8, y, 140, 26);
    m_clear->setGeometry(w - 4 - 100, y, 100, 26);
    m_copy->setGeometry(w - 8 - 200, y, 100, 26);
}

void CDumpDialog::TakeNewRows() {
    m_takePending.store(false);
    std::vector<qda::DumpRow> rows;
    if (m_recorder.TakeNewRows(rows) == 0) return;
    m_model->Append(std::move(rows));
    if (!m_stopScroll->isChecked()) m_list->scrollToBottom();
}

void CDumpDialog::ShowLockFailure() {
    m_failurePending.store(false);
    ShowMessage(qda::LoadResourceString(qda::kStrDumpFailed), MB_OK | MB_ICONWARNING);
}

bool CDumpDialog::OnCopy() {
    if (CClipboard::CopyText(m_recorder.Text())) return true;
    ShowMessage(qda::LoadResourceString(qda::kStrClipboardCopyFailed), MB_OK | MB_ICONWARNING);
    return false;
}

void CDumpDialog::OnClear() {
    m_recorder.Clear();
    m_model->Clear();
}
