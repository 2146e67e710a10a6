#include "pages/TabList.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "comm/Command.h"
#include "pages/Clipboard.h"
#include "pages/PageSupport.h"
#include "pages/SettingsListText.h"
#include "resources/Messages.h"
#include "resources/StringTable.h"

using namespace qda;

namespace {

// Marked cells are blue (0xFF0000 as a 0x00BBGGRR colour).
const QColor kMarked(0, 0, 255);

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        if (at == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

std::string Trim(const std::string& s) {
    const char* space = " \t\r\n";
    const size_t first = s.find_first_not_of(space);
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(space) - first + 1);
}

// Draws each cell as the list page wants it: one line, vertically centred, 4 pixels in from the
// left edge, blue when the row's difference mask has the column's bit, else the button-text colour.
class ListCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty()) return;
        const int mask = index.siblingAtColumn(0).data(Qt::UserRole).toInt();
        painter->save();
        painter->setPen(mask & (1 << index.column()) ? kMarked : option.palette.color(QPalette::ButtonText));
        painter->drawText(option.rect.adjusted(4, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        painter->restore();
    }
};

}  // namespace

CTabList::CTabList(QWidget* parent) : CSettingsPage(kDialogList, parent) {
    m_list = new QTableWidget(kInitialRows, kColumns, this);
    m_list->setObjectName(QString::number(IDC_LIST));
    m_list->horizontalHeader()->hide();
    m_list->verticalHeader()->hide();
    m_list->setShowGrid(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setWordWrap(false);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setItemDelegate(new ListCellDelegate(m_list));
    const bool japanese = CurrentLanguage() == "jp";
    m_baseWidths[0] = 160;
    for (int c = 1; c < kColumns; ++c) m_baseWidths[static_cast<size_t>(c)] = japanese ? 100 : 120;
    for (int c = 0; c < kColumns; ++c) m_list->setColumnWidth(c, m_baseWidths[static_cast<size_t>(c)]);
    m_list->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

    auto* add = MakeButton(this, IDC_ADD_MODELS, U8("接続ヘッド型式を設定一覧に追加する(&A)"));
    auto* copy = MakeButton(this, IDC_COPY, U8("設定一覧をクリップボードへコピー(&C)"));
    copy->setToolTip(MessageQ(173));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addStretch();
    buttons->addWidget(copy);
    auto* top = new QVBoxLayout(this);
    top->addWidget(m_list, 1);
    top->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] { AddHeadModels(); });
    connect(copy, &QPushButton::clicked, this, [this] { CopyToClipboard(); });
    copy->setEnabled(false);
}

void CTabList::LoadPage(QObject* mainWindow, int listWord, const std::string& current,
                        const std::string& reference, const PcCommSetting& pcComm, CCommand* command) {
    m_mainWindow = mainWindow;
    m_listWord = listWord;
    m_current = current;
    m_reference = reference;
    m_pcComm = pcComm;
    m_command = command;
    m_modelA.clear();
    m_modelB.clear();
}

void CTabList::SetCell(int row, int column, const QString& text) {
    if (row >= m_list->rowCount()) m_list->setRowCount(row + 1);
    QTableWidgetItem* item = m_list->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_list->setItem(row, column, item);
    }
    item->setText(text);
}

void CTabList::RefreshPage() {
    m_list->clearContents();
    const std::vector<std::string> current =
        m_current.empty() ? std::vector<std::string>{} : Split(m_current, "\r\n");
    const std::vector<std::string> reference = Split(m_reference, "\r\n");
    const int n = static_cast<int>(current.size());
    for (int i = 0; i < n; ++i) {
        const std::vector<std::string> pieces = Split(current[i], "\t");
        const std::vector<std::string> refPieces =
            i < static_cast<int>(reference.size()) ? Split(reference[i], "\t") : std::vector<std::string>{};
        int mask = 0;
        for (int j = 0; j < static_cast<int>(pieces.size()) && j < kColumns; ++j) {
            const std::string piece = Trim(pieces[j]);
            const std::string refPiece =
                j < static_cast<int>(refPieces.size()) ? Trim(refPieces[j]) : std::string();
            if (!piece.empty()) SetCell(i, j, U8(piece));
            if (piece != refPiece) mask |= 1 << j;
        }
        SetCell(i, 0, CellText(i, 0));
        m_list->item(i, 0)->setData(Qt::UserRole, mask);
    }
    if (m_modelA.empty()) {
        for (int r = n + 1; r <= n + 3; ++r) SetCell(r, 0, QString());
        SetCell(n + 2, 1, QString());
        SetCell(n + 3, 1, QString());
    } else {
        SetCell(n + 1, 0, MessageQ(370));
        SetCell(n + 2, 0, MessageQ(0));
        SetCell(n + 2, 1, U8(m_modelA));
        SetCell(n + 3, 0, MessageQ(1));
        SetCell(n + 3, 1, U8(m_modelB));
    }
    FitColumns();
    Control<QPushButton>(this, IDC_COPY)->setEnabled(!m_current.empty());
}

void CTabList::FitColumns() {
    // A label or value longer than its column (German labels are) widens the column rather than
    // being cut; the columns never get narrower than their starting widths.
    const QFontMetrics metrics(m_list->font());
    for (int c = 0; c < kColumns; ++c) {
        int width = m_baseWidths[static_cast<size_t>(c)];
        for (int r = 0; r < m_list->rowCount(); ++r) {
            if (const QTableWidgetItem* item = m_list->item(r, c))
                width = std::max(width, metrics.horizontalAdvance(item->text()) + kCellPadding);
        }
        m_list->setColumnWidth(c, width);
    }
}

void CTabList::AddHeadModels() {
    m_modelA.clear();
    m_modelB.clear();
    bool ok = m_command && m_command->OpenPort(m_pcComm);
    if (ok) {
        std::string* models[2] = {&m_modelA, &m_modelB};
        for (int head = 0; head < 2; ++head) {
            HeadInfo info;
            if (!m_command->GetHeadInfo(info, head)) {
                ok = false;
                continue;
            }
            CCommand::GetHeadModelName(info.modelCode, *models[head]);
        }
        m_command->ClosePort();
    }
    if (!ok) ShowMessageCode(293, MB_ICONWARNING);
    RefreshPage();
}

void CTabList::CopyToClipboard() {
    CClipboard::CopyText(SettingsListClipboardText(m_current, m_modelA, m_modelB));
}

QString CTabList::CellText(int row, int column) const {
    const QTableWidgetItem* item = m_list->item(row, column);
    return item ? item->text() : QString();
}

int CTabList::RowMask(int row) const {
    const QTableWidgetItem* item = m_list->item(row, 0);
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

bool CTabList::IsCellMarked(int row, int column) const {
    return !CellText(row, column).isEmpty() && (RowMask(row) & (1 << column)) != 0;
}

int CTabList::RowCount() const {
    return m_list->rowCount();
}
