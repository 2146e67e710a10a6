// CCalc: construction, layout, the OUT check boxes, the statistics part, the saved state,
// placement, help and closing.
#include "monitor/Calc.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "comm/Command.h"
#include "monitor/CalcPanels.h"
#include "pages/HelpRequest.h"
#include "pages/PageSupport.h"
#include "pages/WindowPlacement.h"
#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "windowing/WindowMessage.h"

namespace {

constexpr const char* kPlacementName = "CALC";

QString Named(int id) {
    return QString::fromStdString(qda::LoadResourceString(id));
}

}  // namespace

CCalc::CCalc(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("156"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setWindowTitle(qda::U8("測定値表示"));
    BuildControls();
    ApplyLayout();
    ShowStatistics(false);
    ClearDisplay();
}

CCalc::~CCalc() {
    if (m_worker.joinable()) {
        m_param.stop.Set();
        m_worker.join();
        if (m_command != nullptr) m_command->ClosePort();
    }
}

void CCalc::BuildControls() {
    auto button = [this](int id, const QString& text, bool checkable) {
        QPushButton* b = qda::MakeButton(this, id, text);
        b->setDefault(false);
        b->setCheckable(checkable);
        // A push-like check button changes its state only through the window (clicked, below).
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        return b;
    };
    m_start = button(IDC_START, Named(qda::kStrCalcStart), true);
    m_start->setMinimumHeight(34);
    for (int out = 0; out < 2; ++out) {
        auto* box = new QCheckBox(qda::U8(out == 0 ? "OUT1を表示(&A)" : "OUT2を表示(&B)"), this);
        box->setObjectName(QString::number(out == 0 ? IDC_SHOW_OUT1 : IDC_SHOW_OUT2));
        box->setChecked(true);
        connect(box, &QCheckBox::clicked, this, [this, out](bool checked) { OnOutCheck(out, checked); });
        m_showBox[out] = box;
    }
    for (int side = 0; side < 2; ++side) {
        m_panel[side] = new CCalcValuePanel(this);
        m_panel[side]->setObjectName(QString::number(side == 0 ? IDC_PANEL_LEFT : IDC_PANEL_RIGHT));
    }
    m_heads = new CCalcHeadPanel(this);
    m_heads->setObjectName(QString::number(IDC_PANEL_HEADS));

    m_zero[0] = button(IDC_ZERO_LEFT, qda::U8("ゼロ(&1)"), true);
    m_reset[0] = button(IDC_RESET_LEFT, qda::U8("リセット(&2)"), false);
    m_timing[0] = button(IDC_TIMING_LEFT, qda::U8("タイミング(&3)"), true);
    m_zero[1] = button(IDC_ZERO_RIGHT, qda::U8("ゼロ(&4)"), true);
    m_reset[1] = button(IDC_RESET_RIGHT, qda::U8("リセット(&5)"), false);
    m_timing[1] = button(IDC_TIMING_RIGHT, qda::U8("タイミング(&6)"), true);
    for (int side = 0; side < 2; ++side) m_timingText[side] = m_timing[side]->text();
    m_simultaneous = button(IDC_SIMULTANEOUS, qda::U8("同時タイミング(&7)"), false);

    m_statisticsButton = button(IDC_STATISTICS, Named(qda::kStrCalcStatisticsShow), true);
    m_statUpdate = button(IDC_STAT_UPDATE, qda::U8("統計値更新(&U)"), false);
    m_statClear = button(IDC_STAT_CLEAR, qda::U8("統計値クリア(&T)"), false);
    m_statCopy = button(IDC_STAT_COPY, qda::U8("統計値一覧を\nクリップボードへコピー(&C)"), false);
    m_close = button(IDC_CLOSE, qda::U8("閉じる"), false);
    m_help = button(IDC_HELP, qda::U8("ヘルプ(&H)"), false);

    m_statList = new QTableWidget(qda::CStatisticsTable::kRows, 3, this);
    m_statList->setObjectName(QString::number(IDC_STAT_LIST));
    m_statList->setAccessibleName(qda::U8("統計値表示"));
    m_statList->setHorizontalHeaderLabels({QString::fromStdString(qda::CStatisticsTable::ItemTitle()),
                                           QStringLiteral("OUT1"), QStringLiteral("OUT2")});
    m_statList->verticalHeader()->hide();
    m_statList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_statList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_statList->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // All nine rows in view, without scrolling.
    m_statList->setMinimumHeight(
        m_statList->verticalHeader()->defaultSectionSize() * qda::CStatisticsTable::kRows +
        m_statList->horizontalHeader()->sizeHint().height() + 2 * m_statList->frameWidth());
    m_statList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int row = 0; row < qda::CStatisticsTable::kRows; ++row) {
        m_statList->setItem(
            row, 0, new QTableWidgetItem(QString::fromStdString(qda::CStatisticsTable::RowLabel(row))));
        for (int column = 1; column < 3; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_statList->setItem(row, column, item);
        }
    }

    // Rows: start and the OUT boxes; the panels; the buttons of each OUT under its panel; the
    // statistics part; close and help.
    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(m_start, 2);
    top->addSpacing(16);
    top->addWidget(m_showBox[0]);
    top->addWidget(m_showBox[1]);
    top->addStretch(1);
    root->addLayout(top);

    auto* panels = new QGridLayout;
    panels->addWidget(m_panel[0], 0, 0);
    panels->addWidget(m_panel[1], 0, 1);
    panels->addWidget(m_heads, 0, 2);
    auto* left = new QHBoxLayout;
    for (QPushButton* b : {m_zero[0], m_reset[0], m_timing[0]}) left->addWidget(b);
    panels->addLayout(left, 1, 0);
    m_rightGroup = new QWidget(this);
    auto* right = new QHBoxLayout(m_rightGroup);
    right->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* b : {m_zero[1], m_reset[1], m_timing[1]}) right->addWidget(b);
    panels->addWidget(m_rightGroup, 1, 1);
    panels->addWidget(m_simultaneous, 1, 2);
    root->addLayout(panels, 1);

    m_statisticsPart = new QWidget(this);
    auto* stat = new QHBoxLayout(m_statisticsPart);
    stat->setContentsMargins(0, 0, 0, 0);
    stat->addWidget(m_statList, 1);
    auto* statButtons = new QVBoxLayout;
    for (QPushButton* b : {m_statUpdate, m_statClear, m_statCopy}) statButtons->addWidget(b);
    statButtons->addStretch(1);
    stat->addLayout(statButtons);
    root->addWidget(m_statisticsPart, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_statisticsButton);
    bottom->addStretch(1);
    bottom->addWidget(m_close);
    bottom->addWidget(m_help);
    root->addLayout(bottom);
}

void CCalc::SetConnection(const CalcViewSetting& view, const PcCommSetting& pcComm, CCommand* command) {
    m_pcComm = pcComm;
    m_command = command;
    if (!Acquiring()) {
        m_param.command = command;
        m_showOut[0] = view.IsOut1 != 0;
        m_showOut[1] = view.IsOut2 != 0;
        // A record that shows neither OUT shows OUT1.
        if (!m_showOut[0] && !m_showOut[1]) m_showOut[0] = true;
        for (int out = 0; out < 2; ++out) m_showBox[out]->setChecked(m_showOut[out]);
        ApplyLayout();
    }
    ShowStatistics(view.IsDisplayResult != 0);
}

void CCalc::SetCommunication(const PcCommSetting& pcComm) {
    m_pcComm = pcComm;
}

CalcViewSetting CCalc::ViewRecord() const {
    CalcViewSetting view{};
    view.IsOut1 = m_showOut[0] ? 1 : 0;
    view.IsOut2 = m_showOut[1] ? 1 : 0;
    view.IsDisplayResult = m_statisticsShown ? 1 : 0;
    return view;
}

void CCalc::LoadPlacement() {
    qda::RestoreWindowPlacement(*this, kPlacementName);
}

void CCalc::SavePlacement() {
    if (m_shownThisRun) qda::SaveWindowPlacement(*this, kPlacementName);
}

void CCalc::showEvent(QShowEvent* e) {
    m_shownThisRun = true;
    QDialog::showEvent(e);
}

void CCalc::EnableControls(bool enable) {
    m_controlsEnabled = enable;
    UpdateControls();
}

QWidget* CCalc::Control(int id) const {
    return qda::FindControl(this, id);
}

int CCalc::LeftOut() const {
    return m_showOut[0] ? 0 : 1;
}

void CCalc::OnCommand(int id) {
    switch (id) {
        case IDC_START:
            if (m_start->isChecked())
                OnStart();
            else
                OnStop();
            return;
        case IDC_ZERO_LEFT:
            OnZero(LeftOut(), m_zero[0]->isChecked());
            return;
        case IDC_ZERO_RIGHT:
            OnZero(1, m_zero[1]->isChecked());
            return;
        case IDC_RESET_LEFT:
            OnReset(LeftOut());
            return;
        case IDC_RESET_RIGHT:
            OnReset(1);
            return;
        case IDC_TIMING_LEFT:
            OnTiming(LeftOut());
            return;
        case IDC_TIMING_RIGHT:
            OnTiming(1);
            return;
        case IDC_SIMULTANEOUS:
            OnSimultaneousTiming();
            return;
        case IDC_STATISTICS:
            ShowStatistics(m_statisticsButton->isChecked());
            return;
        case IDC_STAT_UPDATE:
            OnStatisticsUpdate();
            return;
        case IDC_STAT_CLEAR:
            OnStatisticsClear();
            return;
        case IDC_STAT_COPY:
            OnStatisticsCopy();
            return;
        case IDC_CLOSE:
            OnClose();
            return;
        case IDC_HELP:
            qda::RequestHelp("QD-AtlasCalc.pdf");
            return;
        default:
            return;
    }
}

void CCalc::OnOutCheck(int out, bool checked) {
    qda::ApplyOutCheck(m_showOut, out, checked);
    for (int i = 0; i < 2; ++i) m_showBox[i]->setChecked(m_showOut[i]);
    // The zero buttons now stand for other OUTs: they take the state of the last reading.
    if (m_readingValid) {
        for (int i = 0; i < 2; ++i)
            m_zeroState[static_cast<size_t>(i)] = m_reading.out[static_cast<size_t>(i)].raw & 0x80;
    }
    ApplyLayout();
}

void CCalc::ApplyLayout() {
    qda::CalcWindowState s;
    s.showOut[0] = m_showOut[0];
    s.showOut[1] = m_showOut[1];
    const qda::CalcControlStates c = qda::ComputeCalcControls(s);
    m_param.outSelection = c.outSelection;
    // One wide panel for one OUT, two panels for both.
    m_panel[1]->setVisible(c.bothShown);
    m_rightGroup->setVisible(c.rightGroupVisible);
    m_simultaneous->setVisible(c.rightGroupVisible);
    RefreshDisplay();
}

void CCalc::ShowStatistics(bool show) {
    m_statisticsShown = show;
    m_statisticsButton->setChecked(show);
    m_statisticsButton->setText(Named(show ? qda::kStrCalcStatisticsHide : qda::kStrCalcStatisticsShow));
    m_statisticsPart->setVisible(show);
    FillStatisticsList();
    if (!show) adjustSize();
}

void CCalc::UpdateControls() {
    qda::CalcWindowState s;
    s.running = Acquiring();
    s.readingValid = m_readingValid;
    s.readingStatus = m_reading.status;
    s.controlsEnabled = m_controlsEnabled;
    s.showOut[0] = m_showOut[0];
    s.showOut[1] = m_showOut[1];
    s.timingAllowed[0] = m_param.timingAllowed[0].load();
    s.timingAllowed[1] = m_param.timingAllowed[1].load();
    const qda::CalcControlStates c = qda::ComputeCalcControls(s);
    m_start->setEnabled(m_controlsEnabled);
    for (QCheckBox* box : m_showBox) box->setEnabled(m_controlsEnabled);
    m_zero[0]->setEnabled(c.leftZero);
    m_reset[0]->setEnabled(c.leftReset);
    m_timing[0]->setEnabled(c.leftTiming);
    m_zero[1]->setEnabled(c.rightZero);
    m_reset[1]->setEnabled(c.rightReset);
    m_timing[1]->setEnabled(c.rightTiming);
    m_simultaneous->setEnabled(c.simultaneousTiming);
    for (QPushButton* b : {m_statUpdate, m_statClear, m_statCopy}) b->setEnabled(c.statistics);
}

void CCalc::FillStatisticsList() {
    for (int row = 0; row < qda::CStatisticsTable::kRows; ++row) {
        for (int out = 0; out < 2; ++out)
            m_statList->item(row, out + 1)->setText(QString::fromStdString(m_statistics.Cell(row, out)));
    }
}

bool CCalc::event(QEvent* e) {
    if (e->type() != qda::WindowMessageEvent::EventType()) return QDialog::event(e);
    auto* m = static_cast<qda::WindowMessageEvent*>(e);
    if (m->message != qda::WM_CALC_NOTIFY) return QDialog::event(e);
    OnWorkerMessage(m->wParam, m->lParam);
    return true;
}

void CCalc::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        qda::RequestHelp("QD-AtlasCalc.pdf");
        return;
    }
    // Enter presses no default button here.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(e);
}

void CCalc::OnClose() {
    if (Acquiring()) StopAcquisition(true);
    SavePlacement();
    hide();
}

void CCalc::reject() {
    OnClose();
}

void CCalc::closeEvent(QCloseEvent* e) {
    // The window lives as long as the main window: closing only hides it.
    e->ignore();
    OnClose();
}
