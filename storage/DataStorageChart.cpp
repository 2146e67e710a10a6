// CDataStorage: the chart — its set-up, the plot buttons with their auto-repeat, the cursor
// buttons, the chart's notifications and the cursor information list.
#include <QTableWidget>

#include "chart/Graph.h"
#include "pages/DrawnButton.h"
#include "storage/DataStorage.h"
#include "storage/StorageGraphHead.h"

namespace {

// The list cells the display writes.
class TableInfoList : public qda::IStorageInfoList {
public:
    explicit TableInfoList(QTableWidget& table) : m_table(table) {}
    void SetCell(int row, int column, const std::string& text) override {
        if (QTableWidgetItem* item = m_table.item(row, column)) item->setText(QString::fromStdString(text));
    }

private:
    QTableWidget& m_table;
};

}  // namespace

bool CDataStorage::CreateChart() {
    m_chartReady = m_chart->Create(this, kChartMessage, 0.12, 0.05, 0.72, 0.9, 24, 32, 2, 2, 1, 32768) != 0;
    if (!m_chartReady) return false;
    m_chart->SuspendRedraw(1);
    for (int s = 0; s < qda::kStorageSlots; ++s) {
        if (!m_chart->SetTraceCapacity(s, CStorageData::kCapacity)) {
            m_chart->SuspendRedraw(0);
            m_chartReady = false;
            return false;
        }
    }
    m_chart->SetCursor(0, kCursorColour);
    m_chart->SetCursor(1, kCursorColour);
    m_chart->SetMode(1, m_display->VisibleSamples(), 1, 1);
    for (int s = 0; s < qda::kStorageSlots; ++s) m_display->ApplyHeader(s);
    m_chart->SuspendRedraw(0);
    return true;
}

void CDataStorage::ApplyRecords() {
    for (int s = 0; s < qda::kStorageSlots; ++s) m_display->SetHeader(s, m_records[static_cast<size_t>(s)]);
}

void CDataStorage::OnPlotButton(int id) {
    if (!m_chartReady) return;
    for (size_t i = 0; i < m_repeatButtons.size(); ++i) {
        if (m_repeatButtons[i]->ControlId() != id) continue;
        // The command of a mouse click comes when the button is let go; the press acted already.
        if (m_actedOnPress[i]) {
            m_actedOnPress[i] = false;
            return;
        }
        RunPlotAction(static_cast<int>(i));
        return;
    }
    switch (id) {
        case IDC_SIDE_BY_SIDE:
        case IDC_OVERLAID:
            m_display->SetSideBySide(id == IDC_SIDE_BY_SIDE);
            break;
        case IDC_AUTO_SCALE:
            m_display->AutoScale();
            RefreshList();
            break;
        case IDC_CURSOR_HIDE:
            ChooseCursors(qda::CursorChoice::kHidden);
            break;
        case IDC_CURSOR_A:
            ChooseCursors(qda::CursorChoice::kA);
            break;
        case IDC_CURSOR_B:
            ChooseCursors(qda::CursorChoice::kB);
            break;
        case IDC_CURSOR_AB:
            ChooseCursors(qda::CursorChoice::kBoth);
            break;
        default:
            return;
    }
    UpdateButtons();
}

void CDataStorage::PressPlotButton(int repeatButton) {
    RunPlotAction(repeatButton);
    m_display->StartRepeat();
    if (!m_repeatTimer.isActive()) m_repeatTimer.start(200, this);
}

void CDataStorage::KeyPressPlotButton(int repeatButton) {
    CDrawnButton* b = m_repeatButtons[static_cast<size_t>(repeatButton)];
    if (!b->isEnabled() || !m_chartReady) return;
    b->SetSelected(true);
    PressPlotButton(repeatButton);
}

void CDataStorage::RunPlotAction(int repeatButton) {
    if (!m_chartReady || !m_repeatButtons[static_cast<size_t>(repeatButton)]->isEnabled()) return;
    switch (repeatButton) {
        case qda::kRepeatVerticalIn:
        case qda::kRepeatVerticalOut:
            m_display->VerticalZoom(repeatButton == qda::kRepeatVerticalIn);
            RefreshList();
            break;
        case qda::kRepeatHorizontalIn:
        case qda::kRepeatHorizontalOut:
            m_display->HorizontalZoom(repeatButton == qda::kRepeatHorizontalIn);
            RefreshList();
            break;
        default:
            m_display->Move(repeatButton == qda::kRepeatMoveUp);
            break;
    }
    UpdateButtons();
}

void CDataStorage::ChooseCursors(qda::CursorChoice choice) {
    if (!m_chartReady) return;
    m_display->ChooseCursors(choice);
    ShowCursorChoice();
}

void CDataStorage::ShowCursorChoice() {
    const qda::CursorChoice c = m_display->Cursors();
    m_cursorButtons[0]->SetSelected(c == qda::CursorChoice::kHidden);
    m_cursorButtons[1]->SetSelected(c == qda::CursorChoice::kA);
    m_cursorButtons[2]->SetSelected(c == qda::CursorChoice::kB);
    m_cursorButtons[3]->SetSelected(c == qda::CursorChoice::kBoth);
}

void CDataStorage::OnChartNotify(std::uintptr_t code) {
    if (!m_chartReady) return;
    if (code == GRAPH_NOTIFY_CURSOR) {
        m_display->OnCursorNotify();
        RefreshList();
    } else if (code == GRAPH_NOTIFY_SCROLL) {
        m_display->OnScroll();
    }
    UpdateButtons();
}

void CDataStorage::RefreshList() {
    if (!m_chartReady) return;
    TableInfoList list(*m_list);
    m_display->RefreshList(list);
}

void CDataStorage::RefreshHeaderLimits() {
    for (CStorageGraphHead* head : m_heads)
        head->SetOffsetLimits(-qda::CStorageDisplay::kOffsetLimit, qda::CStorageDisplay::kOffsetLimit);
}

void CDataStorage::OnHeaderMessage(std::uintptr_t wParam, std::intptr_t lParam) {
    // The display works on the records as the headers hold them now.
    for (int s = 0; s < qda::kStorageSlots; ++s) {
        m_records[static_cast<size_t>(s)] = m_heads[static_cast<size_t>(s)]->GetRecord();
        m_display->SetHeader(s, m_records[static_cast<size_t>(s)]);
    }
    if (!m_chartReady) return;
    const int slot = static_cast<int>(lParam);
    switch (wParam) {
        case 0:
            m_display->OnHeaderChanged(lParam == 1);
            RefreshList();
            break;
        case 1:
            if (slot < 0 || slot >= qda::kStorageSlots) return;
            m_display->OnHeaderEnableChanged(slot);
            RefreshHeaderLimits();
            break;
        case 2:
            if (slot < 0 || slot >= qda::kStorageSlots) return;
            m_display->OnHeaderOffsetChanged(slot);
            RefreshHeaderLimits();
            RefreshList();
            break;
        default:
            return;
    }
    UpdateButtons();
}
