#include "storage/StorageSettingDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cstdlib>

#include "comm/Command.h"
#include "pages/NumEdit.h"
#include "pages/PageSupport.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "settings/Units.h"
#include "settings/Validation.h"
#include "windowing/WidgetMessageWindow.h"
#include "windowing/WindowMessage.h"

using namespace qda;

namespace {
constexpr int kMsgReceiveAll = 262;
constexpr int kMsgSendAll = 246;
constexpr int kRequestSend = 0;
constexpr int kRequestReceive = 1;
constexpr int kRequestProgram = 2;
}  // namespace

CStorageSetting::CStorageSetting(QWidget* parent)
    : QDialog(parent), m_messageWindow(std::make_unique<WidgetMessageWindow>(this)) {
    setObjectName(QString::number(kDialogId));
    // Icon 179 is the application's window icon, which every dialog shows.
    setWindowTitle(U8("データストレージ設定"));
    auto* out = MakeCombo(this, IDC_DS_OUT, {"OFF", "OUT1", "OUT2", "両OUT"});
    auto* points = new CNumEdit(IDC_DS_POINTS, this);
    points->SetLengthLimit(5);
    points->Setup(nullptr, 0, CNumEdit::kInteger, 1.0, kDSPointsMax);
    points->setAlignment(Qt::AlignRight);
    points->setFixedWidth(80);
    auto* freq = MakeCombo(this, IDC_DS_FREQ, {"1", "2", "5", "10", "20", "50", "100", "200", "500", "1000"});
    auto* receive = MakeButton(this, IDC_RECEIVE, U8("コントローラから受信(&L)"));
    auto* send = MakeButton(this, IDC_SEND, U8("コントローラへ送信(&S)"));
    auto* close = MakeButton(this, IDC_CLOSE, U8("閉じる"));

    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel(this, U8("対象OUT(&O)"), out), 0, 0);
    grid->addWidget(out, 0, 1, Qt::AlignLeft);
    grid->addWidget(MakeLabel(this, U8("蓄積点数(&N)"), points), 1, 0);
    auto* pointsRow = new QHBoxLayout;
    pointsRow->addWidget(points);
    pointsRow->addWidget(new QLabel(U8("点"), this));
    pointsRow->addStretch();
    grid->addLayout(pointsRow, 1, 1);
    grid->addWidget(MakeLabel(this, U8("サンプリング周期(&F) x"), freq), 2, 0);
    grid->addWidget(freq, 2, 1, Qt::AlignLeft);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(receive);
    buttons->addWidget(send);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);

    const std::pair<int, int> tips[] = {{IDC_DS_OUT, 162}, {IDC_DS_POINTS, 169}, {IDC_DS_FREQ, 163}};
    for (auto [id, code] : tips) SetToolTipCode(this, id, code);
    for (QPushButton* b : {receive, send, close}) b->setAutoDefault(false);
    connect(receive, &QPushButton::clicked, this, [this] { Receive(); });
    connect(send, &QPushButton::clicked, this, [this] { Send(); });
    connect(close, &QPushButton::clicked, this, &CStorageSetting::reject);
}

CStorageSetting::~CStorageSetting() {
    if (GetMessageOwner() == m_messageWindow.get()) SetMessageOwner(m_previousOwner);
}

void CStorageSetting::Setup(const SettingsBlock& block, int activeProgram, QObject* owner,
                            unsigned requestMessage, CCommand* command) {
    m_block = block;
    m_program = activeProgram >= 0 && activeProgram < kProgramCount ? activeProgram : 0;
    m_owner = owner;
    m_requestMessage = requestMessage;
    m_command = command;
    m_transferred = false;
    ShowFields();
}

void CStorageSetting::showEvent(QShowEvent* event) {
    if (GetMessageOwner() != m_messageWindow.get()) {
        m_previousOwner = GetMessageOwner();
        SetMessageOwner(m_messageWindow.get());
    }
    QDialog::showEvent(event);
}

void CStorageSetting::hideEvent(QHideEvent* event) {
    if (GetMessageOwner() == m_messageWindow.get()) SetMessageOwner(m_previousOwner);
    QDialog::hideEvent(event);
}

void CStorageSetting::ShowFields() {
    const CommonSetting& c = m_block.Programs[m_program].Common;
    SetComboSelection(this, IDC_DS_OUT, c.DSOut);
    SetComboSelection(this, IDC_DS_FREQ, c.DSFreq);
    Control<CNumEdit>(this, IDC_DS_POINTS)->SetText(QString::number(c.DSPoints));
}

bool CStorageSetting::StoreFields() {
    CommonSetting& c = m_block.Programs[m_program].Common;
    c.DSOut = ComboSelection(this, IDC_DS_OUT);
    c.DSFreq = ComboSelection(this, IDC_DS_FREQ);
    auto* edit = Control<CNumEdit>(this, IDC_DS_POINTS);
    const std::string text = ToStd(edit->text());
    const long long points = IsIntegerText(text) ? std::atoll(text.c_str()) : 0;
    if (points <= 0 || points > kDSPointsMax) {
        ShowMessageFilled(kMsgSettableRange, MB_ICONWARNING, {int64_t{1}, int64_t{kDSPointsMax}});
        edit->setFocus(Qt::OtherFocusReason);
        return false;
    }
    c.DSPoints = static_cast<int32_t>(points);
    return true;
}

bool CStorageSetting::ControllerIsStoring() {
    if (m_command == nullptr || !m_command->OpenPort(m_block.PcComm)) return false;
    int storing = 0, mode = -1, count1 = 0, count2 = 0;
    const bool answered = m_command->GetControllerState(&storing, &mode, &count1, &count2);
    m_command->ClosePort();
    return answered && mode == kModeMeasuring && storing != 0;
}

bool CStorageSetting::CheckActiveProgram() {
    ProgramSetting& p = m_block.Programs[m_program];
    const int unit = m_block.Environment.Unit;
    return ValidateHead(nullptr, p.HeadA, true) && ValidateHead(nullptr, p.HeadB, true) &&
           ValidateOut(nullptr, unit, p.Out1) && ValidateOut(nullptr, unit, p.Out2) &&
           ValidateCommon(nullptr, p.Common);
}

std::intptr_t CStorageSetting::Request(int operation) {
    return SendWindowMessage(m_owner, m_requestMessage, static_cast<std::uintptr_t>(operation),
                             operation == kRequestProgram ? 0 : reinterpret_cast<std::intptr_t>(&m_block));
}

void CStorageSetting::Receive() {
    if (ControllerIsStoring() &&
        ShowMessageCode(qda::msg::kReceiveWhileStoring, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (ShowMessageCode(kMsgReceiveAll, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    if (Request(kRequestReceive) != 1) return;
    const std::intptr_t program = Request(kRequestProgram);
    if (program >= 0 && program < kProgramCount) m_program = static_cast<int>(program);
    m_transferred = true;
    ShowFields();
}

void CStorageSetting::Send() {
    if (!StoreFields() || !CheckActiveProgram()) return;
    if (ControllerIsStoring() &&
        ShowMessageCode(qda::msg::kSendWhileStoring, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (ShowMessageCode(kMsgSendAll, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    if (Request(kRequestSend) == 1) m_transferred = true;
}
