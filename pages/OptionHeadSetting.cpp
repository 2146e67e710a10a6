#include "pages/OptionHeadSetting.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>
#include <system_error>

#include "comm/Command.h"
#include "comm/ControllerReservation.h"
#include "comm/Event.h"
#include "comm/LinkFailure.h"
#include "comm/SettingAddresses.h"
#include "pages/HelpRequest.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "settings/SettingWireForm.h"
#include "windowing/WindowMessage.h"

using namespace qda;

COptionHeadSetting::COptionHeadSetting(const QString& letter, CCommand* command, QObject* mainWindow,
                                       unsigned sendMessage, QWidget* parent)
    : QDialog(parent),
      m_letter(letter),
      m_command(command),
      m_mainWindow(mainWindow),
      m_sendMessage(sendMessage),
      m_messageWindow(this) {
    setWindowTitle(U8("ROVAチューニング"));
    auto* sendBefore = new QCheckBox(U8("実行時にPCの設定をコントローラに送信する(&R)"), this);
    sendBefore->setObjectName(QString::number(IDC_SEND_BEFORE));
    sendBefore->setToolTip(MessageQ(85));
    auto* start = MakeButton(this, IDC_START, U8("スタート(&S)"));
    auto* stop = MakeButton(this, IDC_STOP, U8("ストップ(&P)"));
    auto* cancel = MakeButton(this, IDC_CANCEL_TUNING, U8("キャンセル"));
    auto* close = MakeButton(this, IDC_CLOSE, U8("閉じる"));

    auto* texts = new QHBoxLayout;
    texts->addWidget(new QLabel(U8("スタート\nストップ\nキャンセル"), this));
    texts->addWidget(
        new QLabel(U8("：チューニングを開始します\n：チューニングを終了し、ROVA設定を取得します\n"
                      "：チューニングを中断します（ROVA設定は変更されません）"),
                   this));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start);
    buttons->addWidget(stop);
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* top = new QVBoxLayout(this);
    top->addWidget(sendBefore);
    top->addLayout(texts);
    top->addLayout(buttons);

    connect(start, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(stop, &QPushButton::clicked, this, [this] { OnStop(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(close, &QPushButton::clicked, this, [this] { reject(); });
    sendBefore->setChecked(true);
    SetState(kIdle);
}

COptionHeadSetting::~COptionHeadSetting() {
    EndWorker();
    if (GetMessageOwner() == &m_messageWindow) SetMessageOwner(nullptr);
}

void COptionHeadSetting::EndWorker() {
    if (!m_worker.joinable()) return;
    m_quit->Set();
    // The worker may be waiting for the main window's answer on this thread: keep serving it.
    while (!m_done.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::yield();
    }
    m_worker.join();
}

void COptionHeadSetting::showEvent(QShowEvent* e) {
    SetMessageOwner(&m_messageWindow);
    QDialog::showEvent(e);
}

void COptionHeadSetting::SetState(State state) {
    // Enables of 1116, 1140, 3 and 1215 per state.
    static const bool kEnables[5][4] = {{true, true, false, false},
                                        {false, false, false, false},
                                        {false, false, true, true},
                                        {true, true, false, false},
                                        {true, true, false, true}};
    m_state = state;
    const int ids[4] = {IDC_SEND_BEFORE, IDC_START, IDC_STOP, IDC_CANCEL_TUNING};
    for (int i = 0; i < 4; ++i) Control<QWidget>(this, ids[i])->setEnabled(kEnables[state][i]);
    if (state == kTuning) Control<QWidget>(this, IDC_STOP)->setFocus();
    if (state == kFinished || state == kCancelled) Control<QWidget>(this, IDC_START)->setFocus();
}

void COptionHeadSetting::OnStart() {
    if (m_worker.joinable() || !m_command) return;
    const bool sendBefore = Control<QCheckBox>(this, IDC_SEND_BEFORE)->isChecked();
    m_start = std::make_unique<CEvent>();
    m_finish = std::make_unique<CEvent>();
    m_cancel = std::make_unique<CEvent>();
    m_quit = std::make_unique<CEvent>();
    m_done = false;
    m_refused = false;
    try {
        const int head = m_letter == QStringLiteral("A") ? 0 : 1;
        m_worker = std::thread([this, head, sendBefore] { Work(head, sendBefore); });
    } catch (const std::system_error&) {
        ShowMessageCode(284, MB_ICONWARNING);
        return;
    }
    m_start->Set();
    SetState(kBusy);
}

void COptionHeadSetting::OnStop() {
    if (!m_worker.joinable()) return;
    m_finish->Set();
    SetState(kBusy);
}

void COptionHeadSetting::OnCancel() {
    if (!m_worker.joinable()) return;
    m_cancel->Set();
    SetState(kBusy);
}

void COptionHeadSetting::Post(int step, bool success) {
    PostWindowMessage(this, kProgressMessage, static_cast<std::uintptr_t>(step), success ? 1 : 0);
}

bool COptionHeadSetting::ReadBack(int head, Result& result) {
    // The tuned ROVA mode and range come back in their setting wire forms.
    ProgramSetting program{};
    for (const HeadItem item : {kHeadRova, kHeadRovaRange}) {
        const SettingAddress a = HeadAddress(head, item);
        SettingValue value;
        if (!m_command->SendGetCommandAndReceivePacket(a.group, a.sub, a.item, value)) return false;
        if (!DecodeProgramSetting(program, kUnitMetric, a, value.Data())) return false;
    }
    const HeadSetting& h = head == 0 ? program.HeadA : program.HeadB;
    result.rova = h.Rova;
    result.upper = h.RovaUpper;
    result.lower = h.RovaLower;
    return true;
}

void COptionHeadSetting::Work(int head, bool sendBefore) {
    bool leaveSettingMode = true;
    bool running = true;
    // Kept from the start to the return to measuring mode: another program's commands between
    // start and finish would end the tuning or change what it tunes.
    std::optional<CControllerReservation> reservation;
    while (running) {
        const int which = CEvent::WaitAny({m_start.get(), m_finish.get(), m_cancel.get(), m_quit.get()}, -1);
        CommandReply reply;
        switch (which) {
            case 0:  // start
                reservation.emplace(*m_command);
                if (!reservation->Held()) {
                    m_refused = true;
                    Post(1, false);
                    leaveSettingMode = false;
                    running = false;
                    break;
                }
                if ((sendBefore && SendWindowMessage(m_mainWindow, m_sendMessage, 0, 0) != 1) ||
                    !m_command->SetControllerMode(1)) {
                    Post(1, false);
                    leaveSettingMode = false;
                    running = false;
                    break;
                }
                if (m_command->SendSetCommandAndReceivePacket(kGroupHead, head, kHeadTuningStart, nullptr, 0,
                                                              reply)) {
                    Post(1, true);
                } else {
                    Post(1, false);
                    running = false;
                }
                break;
            case 1: {  // finish
                Result result;
                const bool ok = m_command->SendSetCommandAndReceivePacket(kGroupHead, head, kHeadTuningFinish,
                                                                          nullptr, 0, reply) &&
                                ReadBack(head, result);
                if (ok) {
                    const std::lock_guard<std::mutex> lock(m_resultLock);
                    m_pending = result;
                }
                Post(2, ok);
                running = false;
                break;
            }
            case 2:  // cancel
                Post(3, m_command->SendSetCommandAndReceivePacket(kGroupHead, head, kHeadTuningCancel,
                                                                  nullptr, 0, reply));
                running = false;
                break;
            default:  // quit
                leaveSettingMode = false;
                running = false;
                break;
        }
    }
    if (leaveSettingMode) m_command->SetControllerMode(0);
    m_done = true;
    Post(0, true);
}

bool COptionHeadSetting::event(QEvent* e) {
    if (e->type() == WindowMessageEvent::EventType()) {
        auto* m = static_cast<WindowMessageEvent*>(e);
        if (m->message == kProgressMessage) {
            OnProgress(static_cast<int>(m->wParam), m->lParam != 0);
            return true;
        }
    }
    return QDialog::event(e);
}

void COptionHeadSetting::OnProgress(int step, bool success) {
    switch (step) {
        case 0:
            if (m_worker.joinable()) m_worker.join();
            m_start.reset();
            m_finish.reset();
            m_cancel.reset();
            m_quit.reset();
            SetState(kIdle);
            break;
        case 1:
            if (success) {
                SetState(kTuning);
            } else {
                SetState(kBusy);
                if (m_refused) {
                    // The program's message, and below it who keeps the controller.
                    ShowMessage(LoadMessage(306) + "\n" + LinkFailureText(m_command->LastLinkFailure()),
                                MB_OK | MB_ICONWARNING);
                } else {
                    ShowMessageCode(306, MB_ICONWARNING);
                }
            }
            break;
        case 2:
            if (success) {
                {
                    const std::lock_guard<std::mutex> lock(m_resultLock);
                    m_result = m_pending;
                }
                ShowMessageCode(308, MB_ICONINFORMATION);
                SetState(kFinished);
                m_tuned = true;
            } else {
                SetState(kBusy);
                ShowMessageCode(307, MB_ICONWARNING);
                m_tuned = false;
            }
            break;
        case 3:
            m_tuned = false;
            if (success) {
                SetState(kCancelled);
                ShowMessageCode(309, MB_ICONINFORMATION);
            } else {
                SetState(kBusy);
                ShowMessageCode(305, MB_ICONWARNING);
            }
            break;
        default:
            break;
    }
}

void COptionHeadSetting::reject() {
    if (m_worker.joinable()) return;
    QDialog::reject();
}

void COptionHeadSetting::closeEvent(QCloseEvent* e) {
    if (m_worker.joinable()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void COptionHeadSetting::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
        RequestHelp("QD-AtlasHead.pdf");
        return;
    }
    QDialog::keyPressEvent(e);
}
