// CDataStorage: construction, layout, painting, the keyboard routine, the button states, help
// and closing.
#include "storage/DataStorage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <cstdio>
#include <cstring>

#include "chart/Graph.h"
#include "comm/Command.h"
#include "pages/DrawnButton.h"
#include "pages/HelpRequest.h"
#include "pages/PageSupport.h"
#include "pages/ToolWindowFrame.h"
#include "pages/WindowPlacement.h"
#include "resources/Messages.h"
#include "storage/StorageGraphHead.h"
#include "storage/StoragePictures.h"
#include "windowing/WindowMessage.h"

namespace {

using qda::RepeatButton;

// The buttons of the top row: identifier, picture, caption, tool tip.
struct CaptionButton {
    int id;
    int picture;
    const char* caption;
    int toolTip;
};
constexpr CaptionButton kControlButtons[3] = {
    {CDataStorage::IDC_START, 228, "蓄積開始", 52},
    {CDataStorage::IDC_STOP, 227, "蓄積停止", 53},
    {CDataStorage::IDC_CLEAR, 230, "蓄積データクリア", 54},
};

// The plot buttons that repeat while held, in RepeatButton order.
struct PlotButton {
    int id;
    int picture;
    int toolTip;
};
constexpr PlotButton kRepeatPlotButtons[qda::kRepeatButtonCount] = {
    {CDataStorage::IDC_ZOOM_IN_V, 226, 59}, {CDataStorage::IDC_ZOOM_OUT_V, 214, 60},
    {CDataStorage::IDC_ZOOM_IN_H, 215, 61}, {CDataStorage::IDC_ZOOM_OUT_H, 220, 62},
    {CDataStorage::IDC_MOVE_UP, 216, 64},   {CDataStorage::IDC_MOVE_DOWN, 218, 65},
};
constexpr PlotButton kCursorPlotButtons[4] = {
    {CDataStorage::IDC_CURSOR_HIDE, 219, 66},
    {CDataStorage::IDC_CURSOR_A, 222, 67},
    {CDataStorage::IDC_CURSOR_B, 225, 68},
    {CDataStorage::IDC_CURSOR_AB, 223, 69},
};

constexpr int kMsgColumnTarget = 11;
constexpr int kMsgColumnFirst = 12;  // 12 ... 17
constexpr int kMsgRowFirst = 18;     // 18 ... 21

// The window's size when it opens, which is also its smallest size.
constexpr int kOpenWidth = 1040;
constexpr int kOpenHeight = 720;
constexpr int kMargin = 8;
constexpr int kHeaderPanelWidth = 250;
constexpr int kListHeight = 118;
constexpr int kStatusHeight = 24;

QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Button);
}

}  // namespace

CDataStorage::CDataStorage(const SettingsBlock& settings, int activeProgram, QObject* owner,
                           unsigned requestMessage, CCommand* command, QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_activeProgram(activeProgram),
      m_owner(owner),
      m_requestMessage(requestMessage),
      m_command(command),
      m_messageWindow(this) {
    setObjectName(QStringLiteral("157"));
    setWindowTitle(qda::U8("データストレージ"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    SetMessageOwner(&m_messageWindow);

    BuildControls();
    // Every opening starts the headers over: shown, no offset, the slot's default name; the
    // colour is the operator's.
    for (int s = 0; s < qda::kStorageSlots; ++s) {
        CStorageGraphHead* head = m_heads[static_cast<size_t>(s)];
        head->Prepare(settings.StorageGraph[s], s, this, kHeaderMessage);
        m_records[static_cast<size_t>(s)] = head->GetRecord();
    }
    resize(kOpenWidth, kOpenHeight);
    setMinimumSize(kOpenWidth, kOpenHeight);
    LayOut();

    m_chartLink = std::make_unique<qda::GraphStorageChart>(*m_chart);
    m_display = std::make_unique<qda::CStorageDisplay>(*m_chartLink, m_slots);
    ApplyRecords();

    bool prepared = true;
    for (CStorageData& slot : m_slots) prepared = slot.Prepare(CStorageData::kCapacity) && prepared;
    if (!prepared) ShowMessageCode(332, MB_OK | MB_ICONWARNING);
    if (!CreateChart()) ShowMessageCode(255, MB_OK | MB_ICONWARNING);
    qda::RestoreWindowPlacement(*this, "STORAGE");
    LayOut();
    if (m_chartReady) m_chart->ResizeCanvas();

    OpenLink();
    ChooseCursors(qda::CursorChoice::kA);
    if (m_chartReady) m_display->SetSideBySide(true);
    UpdateButtons();
    qApp->installEventFilter(this);
}

CDataStorage::~CDataStorage() {
    qApp->removeEventFilter(this);
    m_repeatTimer.stop();
    StopWorker();
    if (GetMessageOwner() == &m_messageWindow) SetMessageOwner(nullptr);
}

void CDataStorage::BuildControls() {
    auto drawn = [this](int id, int picture, const QString& text, int toolTip) {
        auto* b = new CDrawnButton(id, text, this);
        b->SetBitmaps(qda::StoragePicture(picture), ButtonFace(), ButtonFace().lighter(108));
        b->SetFrame(true, true);
        b->setToolTip(qda::MessageQ(toolTip));
        if (text.isEmpty()) b->setAccessibleName(qda::MessageQ(toolTip));
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &CDrawnButton::command, this, &CDataStorage::OnCommand);
        return b;
    };
    std::array<CDrawnButton*, 3> control{};
    for (size_t i = 0; i < control.size(); ++i)
        control[i] = drawn(kControlButtons[i].id, kControlButtons[i].picture,
                           qda::U8(kControlButtons[i].caption), kControlButtons[i].toolTip);
    m_start = control[0];
    m_stop = control[1];
    m_clear = control[2];

    m_sideBySide = drawn(IDC_SIDE_BY_SIDE, 229, QString(), 57);
    m_overlaid = drawn(IDC_OVERLAID, 217, QString(), 58);
    for (size_t i = 0; i < m_repeatButtons.size(); ++i)
        m_repeatButtons[i] = drawn(kRepeatPlotButtons[i].id, kRepeatPlotButtons[i].picture, QString(),
                                   kRepeatPlotButtons[i].toolTip);
    m_autoScale = drawn(IDC_AUTO_SCALE, 221, QString(), 63);
    for (size_t i = 0; i < m_cursorButtons.size(); ++i)
        m_cursorButtons[i] = drawn(kCursorPlotButtons[i].id, kCursorPlotButtons[i].picture, QString(),
                                   kCursorPlotButtons[i].toolTip);

    auto plain = [this](int id, const char* text, int toolTip) {
        QPushButton* b = qda::MakeButton(this, id, qda::U8(text));
        b->setAutoDefault(false);
        b->setDefault(false);
        if (toolTip >= 0) b->setToolTip(qda::MessageQ(toolTip));
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        return b;
    };
    m_settingsButton = plain(IDC_SETTINGS, "データストレージ設定(&S)", 55);
    m_readout = plain(IDC_READOUT, "蓄積データの読み出し(&L)", 56);
    m_load = plain(IDC_LOAD, "ファイルから読み出し(&O)", 71);
    m_save = plain(IDC_SAVE, "ファイルに保存(&A)", 72);
    m_close = plain(IDC_CLOSE, "閉じる", -1);
    m_help = plain(IDC_HELP, "ヘルプ(&H)", 73);

    m_status = new QLabel(this);
    m_status->setObjectName(QString::number(IDC_STATUS));
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setFrameShadow(QFrame::Sunken);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_headers = new QWidget(this);
    m_headers->setObjectName(QString::number(IDC_HEADERS));
    for (CStorageGraphHead*& head : m_heads) head = new CStorageGraphHead(m_headers);

    m_chart = new CGraph(this);
    m_chart->setObjectName(QString::number(IDC_CHART));
    m_chart->setFocusPolicy(Qt::NoFocus);
    m_chart->setAccessibleName(qda::U8("データストレージ"));

    BuildCursorList();
    for (QFrame*& f : m_separators) {
        f = new QFrame(this);
        f->setFrameShape(QFrame::HLine);
        f->setFrameShadow(QFrame::Sunken);
    }
}

void CDataStorage::BuildCursorList() {
    m_listLabel = new QLabel(qda::U8("カーソル情報"), this);
    m_list = new QTableWidget(qda::kStorageSlots, 7, this);
    m_list->setObjectName(QString::number(IDC_CURSOR_LIST));
    m_list->setToolTip(qda::MessageQ(70));
    m_list->setAccessibleName(qda::U8("カーソル情報"));
    m_listLabel->setBuddy(m_list);
    m_list->setShowGrid(true);
    m_list->verticalHeader()->hide();
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFocusPolicy(Qt::TabFocus);
    QStringList columns{qda::MessageQ(kMsgColumnTarget)};
    for (int c = 0; c < 6; ++c) columns << qda::MessageQ(kMsgColumnFirst + c);
    m_list->setHorizontalHeaderLabels(columns);
    m_list->setColumnWidth(0, 128);
    for (int c = 1; c < 7; ++c) m_list->setColumnWidth(c, 80);
    for (int r = 0; r < qda::kStorageSlots; ++r) {
        auto* target = new QTableWidgetItem(qda::MessageQ(kMsgRowFirst + r));
        target->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_list->setItem(r, 0, target);
        for (int c = 1; c < 7; ++c) {
            auto* cell = new QTableWidgetItem();
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_list->setItem(r, c, cell);
        }
        m_list->setRowHeight(r, 22);
    }
}

void CDataStorage::LayOut() {
    const int w = width();
    const int h = height();
    // Top rows: start, stop and clear, and below them the status line as wide as the window
    // allows (beside the buttons it would be cut); settings and readout stay at the right.
    int x = kMargin;
    for (CDrawnButton* b : {m_start, m_stop, m_clear}) {
        // 150 wide, or as wide as a longer caption needs ("Gespeicherte Daten löschen").
        const int buttonWidth = std::max(150, b->sizeHint().width());
        b->setGeometry(x, kMargin, buttonWidth, 40);
        x += buttonWidth + 6;
    }
    const int rightColumn = 220;
    m_settingsButton->setGeometry(w - kMargin - rightColumn, kMargin, rightColumn, 26);
    m_readout->setGeometry(w - kMargin - rightColumn, kMargin + 30, rightColumn, 26);
    const int statusTop = kMargin + 40 + 6;
    m_status->setGeometry(kMargin, statusTop, w - 2 * kMargin - rightColumn - 8, kStatusHeight);
    const int separator = statusTop + kStatusHeight + 6;
    m_separators[0]->setGeometry(kMargin, separator, w - 2 * kMargin, 2);

    // Plot buttons.
    const int row = separator + 8;
    x = kMargin;
    auto place = [&](QWidget* b, int gapAfter = 0) {
        b->setGeometry(x, row, 36, 36);
        x += 40 + gapAfter;
    };
    place(m_sideBySide);
    place(m_overlaid, 14);
    for (int i : {qda::kRepeatVerticalIn, qda::kRepeatVerticalOut, qda::kRepeatHorizontalIn,
                  qda::kRepeatHorizontalOut})
        place(m_repeatButtons[static_cast<size_t>(i)]);
    place(m_autoScale);
    place(m_repeatButtons[qda::kRepeatMoveUp]);
    place(m_repeatButtons[qda::kRepeatMoveDown], 14);
    for (CDrawnButton* b : m_cursorButtons) place(b);
    m_separators[1]->setGeometry(kMargin, row + 42, w - 2 * kMargin, 2);

    // The bottom part keeps its distance from the bottom edge: the list with its label at the
    // left, the file, close and help buttons at the right.
    const int listTop = h - kMargin - kListHeight;
    const int labelTop = listTop - 20;
    m_listLabel->setGeometry(kMargin, labelTop, 200, 18);
    m_list->setGeometry(kMargin, listTop, 128 + 6 * 80 + 4, kListHeight);
    const int buttonWidth = 170;
    const int right = w - kMargin - qda::kSizeGrip;
    m_load->setGeometry(right - 2 * buttonWidth - kMargin, h - kMargin - 30 - 36, buttonWidth, 30);
    m_save->setGeometry(right - buttonWidth, h - kMargin - 30 - 36, buttonWidth, 30);
    m_close->setGeometry(right - 2 * buttonWidth - kMargin, h - kMargin - 30, buttonWidth, 30);
    m_help->setGeometry(right - buttonWidth, h - kMargin - 30, buttonWidth, 30);

    // Between them the headers (stacked, a quarter each) and the chart grow with the window.
    const int top = row + 50;
    const int bottom = labelTop - 8;
    m_headers->setGeometry(kMargin, top, kHeaderPanelWidth, bottom - top);
    const int quarter = (bottom - top) / qda::kStorageSlots;
    for (int k = 0; k < qda::kStorageSlots; ++k)
        m_heads[static_cast<size_t>(k)]->setGeometry(0, k * quarter, kHeaderPanelWidth, quarter);
    m_chart->setGeometry(kMargin * 2 + kHeaderPanelWidth, top, w - 3 * kMargin - kHeaderPanelWidth,
                         bottom - top);
}

void CDataStorage::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    LayOut();
}

void CDataStorage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    qda::PaintSizeGrip(*this, p);
}

bool CDataStorage::event(QEvent* e) {
    if (qda::GripPressStartsResize(*this, e)) return true;
    if (e->type() != qda::WindowMessageEvent::EventType()) return QDialog::event(e);
    auto* m = static_cast<qda::WindowMessageEvent*>(e);
    if (m->message == qda::WM_STORAGE_STATUS) {
        OnWorkerMessage(m->wParam, m->lParam);
    } else if (m->message == kChartMessage) {
        OnChartNotify(m->wParam);
    } else if (m->message == kHeaderMessage) {
        OnHeaderMessage(m->wParam, m->lParam);
    } else {
        return QDialog::event(e);
    }
    return true;
}

CDrawnButton* CDataStorage::Button(int id) const {
    return qobject_cast<CDrawnButton*>(qda::FindControl(this, id));
}

QString CDataStorage::StatusLine() const {
    return m_status->text();
}

void CDataStorage::OnCommand(int id) {
    switch (id) {
        case IDC_START:
            OnStart();
            return;
        case IDC_STOP:
            OnStop();
            return;
        case IDC_CLEAR:
            OnClear();
            return;
        case IDC_READOUT:
            OnReadout();
            return;
        case IDC_SETTINGS:
            OnStorageSettings();
            return;
        case IDC_LOAD:
            OnLoad();
            return;
        case IDC_SAVE:
            OnSave();
            return;
        case IDC_CLOSE:
            OnClose();
            return;
        case IDC_HELP:
            OnHelp();
            return;
        default:
            OnPlotButton(id);
            return;
    }
}

void CDataStorage::OnHelp() {
    qda::RequestHelp("QD-AtlasStorage.pdf");
}

void CDataStorage::UpdateButtons() {
    if (!m_display) return;
    const qda::StorageButtonStates s = m_display->ButtonStates();
    const bool ready = m_chartReady;
    m_repeatButtons[qda::kRepeatVerticalIn]->setEnabled(ready && s.verticalZoomIn);
    m_repeatButtons[qda::kRepeatVerticalOut]->setEnabled(ready && s.verticalZoomOut);
    m_repeatButtons[qda::kRepeatHorizontalIn]->setEnabled(ready && s.horizontalZoomIn);
    m_repeatButtons[qda::kRepeatHorizontalOut]->setEnabled(ready && s.horizontalZoomOut);
    m_repeatButtons[qda::kRepeatMoveUp]->setEnabled(ready && s.moveUp);
    m_repeatButtons[qda::kRepeatMoveDown]->setEnabled(ready && s.moveDown);
    m_autoScale->setEnabled(ready && s.autoScale);
    m_save->setEnabled(s.save);
    for (int k = 0; k < qda::kStorageSlots; ++k)
        m_heads[static_cast<size_t>(k)]->Enable(s.header[static_cast<size_t>(k)]);
    m_sideBySide->SetSelected(m_display->SideBySide());
    m_overlaid->SetSelected(!m_display->SideBySide());
    ShowCursorChoice();
}

bool CDataStorage::eventFilter(QObject* watched, QEvent* e) {
    qda::TrackPressActions(m_repeatButtons, m_actedOnPress, watched, e,
                           [this](size_t i) { PressPlotButton(static_cast<int>(i)); });
    if (qda::IsWindowKey(*this, watched, e) &&
        HandleKey(static_cast<QKeyEvent*>(e), e->type() == QEvent::KeyPress))
        return true;
    return QDialog::eventFilter(watched, e);
}

bool CDataStorage::HandleKey(QKeyEvent* key, bool press) {
    const int k = key->key();
    const bool alt = key->modifiers() & Qt::AltModifier;
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    const bool tab = k == Qt::Key_Tab || k == Qt::Key_Backtab;
    if (!press) {
        // A held key repeats through the window's own timer, not through the keyboard's repeat.
        if (key->isAutoRepeat()) return k == Qt::Key_Up || k == Qt::Key_Down || (ctrl && tab);
        m_display->ResetCursorStep();
        if (k == Qt::Key_Up) m_upHeld = false;
        if (k == Qt::Key_Down) m_downHeld = false;
        if (ctrl && tab) {
            if (m_chartReady && m_display->SelectAdjacentSlot(!(shift || k == Qt::Key_Backtab)))
                RefreshList();
            UpdateButtons();
            return true;
        }
        if (k == Qt::Key_Up) {
            m_repeatButtons[qda::kRepeatMoveUp]->SetSelected(false);
            m_repeatButtons[qda::kRepeatVerticalIn]->SetSelected(false);
            return true;
        }
        if (k == Qt::Key_Down) {
            m_repeatButtons[qda::kRepeatVerticalOut]->SetSelected(false);
            m_repeatButtons[qda::kRepeatMoveDown]->SetSelected(false);
            return true;
        }
        return false;
    }
    if (k == Qt::Key_Up) m_upHeld = true;
    if (k == Qt::Key_Down) m_downHeld = true;
    if (ctrl && tab) return true;  // acts when it is let go
    if (ctrl && !alt) {
        switch (k) {
            case Qt::Key_Left:
            case Qt::Key_Right:
                if (m_chartReady && m_chart->ScrollBar() != nullptr)
                    m_chart->ScrollBar()->triggerAction(k == Qt::Key_Left
                                                            ? QAbstractSlider::SliderSingleStepSub
                                                            : QAbstractSlider::SliderSingleStepAdd);
                return true;
            case Qt::Key_Up:
                if (!key->isAutoRepeat()) KeyPressPlotButton(qda::kRepeatMoveUp);
                return true;
            case Qt::Key_Down:
                if (!key->isAutoRepeat()) KeyPressPlotButton(qda::kRepeatMoveDown);
                return true;
            default:
                return false;
        }
    }
    if (alt) {
        int target = -1;
        switch (k) {
            case Qt::Key_Left:
                target = qda::kRepeatHorizontalOut;
                break;
            case Qt::Key_Right:
                target = qda::kRepeatHorizontalIn;
                break;
            case Qt::Key_Up:
                target = qda::kRepeatVerticalIn;
                break;
            case Qt::Key_Down:
                target = qda::kRepeatVerticalOut;
                break;
            default:
                // The access keys of the window's buttons work; other keys with Alt do nothing.
                for (QPushButton* b : {m_settingsButton, m_readout, m_load, m_save, m_help}) {
                    if (QKeySequence::mnemonic(b->text()) == QKeySequence(Qt::ALT | Qt::Key(k))) return false;
                }
                return k != Qt::Key_Alt;
        }
        if (!key->isAutoRepeat()) KeyPressPlotButton(target);
        return true;
    }
    if (shift && (k == Qt::Key_Left || k == Qt::Key_Right)) {
        if (m_chartReady) m_display->MoveCursorsByKey(k == Qt::Key_Left ? -1 : 1);
        return true;
    }
    if (k == Qt::Key_F1) {
        if (!key->isAutoRepeat()) OnHelp();
        return true;
    }
    return false;
}

void CDataStorage::timerEvent(QTimerEvent* e) {
    if (e->timerId() != m_repeatTimer.timerId()) {
        QDialog::timerEvent(e);
        return;
    }
    std::array<bool, qda::kRepeatButtonCount> pressed{};
    std::array<bool, qda::kRepeatButtonCount> held{};
    for (size_t i = 0; i < pressed.size(); ++i) {
        CDrawnButton* b = m_repeatButtons[i];
        pressed[i] = b->IsDown();
        const bool upKey =
            i == qda::kRepeatVerticalIn || i == qda::kRepeatHorizontalIn || i == qda::kRepeatMoveUp;
        held[i] = b->IsPressed() || (upKey ? m_upHeld : m_downHeld);
    }
    const qda::RepeatDecision d = m_display->RepeatTick(pressed, held);
    for (size_t i = 0; i < pressed.size(); ++i) {
        if (d.release[i]) m_repeatButtons[i]->SetSelected(false);
        if (d.repeat[i]) RunPlotAction(static_cast<int>(i));
    }
    if (d.stopTimer) m_repeatTimer.stop();
}

void CDataStorage::OnClose() {
    if (m_closing) return;
    m_closing = true;
    StopWorker();
    qda::SaveWindowPlacement(*this, "STORAGE");
    m_repeatTimer.stop();
    done(QDialog::Accepted);
}

void CDataStorage::reject() {
    OnClose();
}

void CDataStorage::closeEvent(QCloseEvent* e) {
    e->ignore();
    OnClose();
}

std::array<StorageGraphSetting, qda::kStorageSlots> CDataStorage::GraphRecords() const {
    std::array<StorageGraphSetting, qda::kStorageSlots> records{};
    for (int s = 0; s < qda::kStorageSlots; ++s)
        records[static_cast<size_t>(s)] = m_heads[static_cast<size_t>(s)]->GetRecord();
    return records;
}
