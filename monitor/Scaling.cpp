// CScaling: the controls, the worker's readings, "セット", and the checks of OK.
#include "monitor/Scaling.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <chrono>
#include <climits>
#include <system_error>

#include "comm/Command.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "settings/Units.h"
#include "windowing/WindowMessage.h"

namespace {

constexpr int kMsgCannotConnect = 357;

constexpr int kIds[2][4] = {
    {CScaling::IDC_A_IN1, CScaling::IDC_A_OUT1, CScaling::IDC_A_IN2, CScaling::IDC_A_OUT2},
    {CScaling::IDC_B_IN1, CScaling::IDC_B_OUT1, CScaling::IDC_B_IN2, CScaling::IDC_B_OUT2}};
constexpr int kSetIds[2][2] = {{CScaling::IDC_A_SET1, CScaling::IDC_A_SET2},
                               {CScaling::IDC_B_SET1, CScaling::IDC_B_SET2}};
constexpr const char* kLabels[4] = {"入力値1", "表示値1", "入力値2", "表示値2"};

// A live value that stands for a measurement: not "no value", not a range marker, not the
// controller's "not measured yet".
bool IsMeasurement(int32_t v) {
    return v != INT32_MAX && v > INT32_MIN + 2;
}

}  // namespace

CScaling::CScaling(int out, const qda::ScalingValueSet& values, int unit, int mmDigits, int inchDigits,
                   const PcCommSetting& pcComm, CCommand* command, QWidget* parent)
    : QDialog(parent),
      m_out(out == 1 ? 1 : 0),
      m_values(values),
      m_unit(unit),
      m_mm(mmDigits),
      m_inch(inchDigits),
      m_pcComm(pcComm),
      m_command(command) {
    setObjectName(QStringLiteral("CScaling"));
    setWindowTitle(qda::U8("スケーリング設定"));
    setModal(true);
    m_live.fill(qda::kNoValue);
    const QString unitText =
        QString::fromStdString(UnitLabel(m_unit, m_unit == qda::kUnitImperial ? m_inch : m_mm));

    auto* root = new QVBoxLayout(this);
    for (int head = 0; head < 2; ++head) {
        auto* box = new QGroupBox(qda::MessageQ(head), this);  // "ヘッドA", "ヘッドB"
        auto* g = new QGridLayout(box);
        auto* live = new QLabel(box);
        live->setObjectName(QString::number(head == 0 ? IDC_A_LIVE : IDC_B_LIVE));
        live->setFrameShape(QFrame::Box);
        live->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        live->setMinimumWidth(140);
        QFont big = live->font();
        big.setBold(true);
        big.setPointSizeF(big.pointSizeF() * 1.4);
        live->setFont(big);
        m_liveLabel[static_cast<size_t>(head)] = live;
        g->addWidget(live, 0, 0, 2, 1);
        g->addWidget(new QLabel(unitText, box), 0, 1, 2, 1);
        for (int field = 0; field < 4; ++field) {
            auto* edit = new QLineEdit(box);
            edit->setObjectName(QString::number(kIds[head][field]));
            edit->setMaxLength(8);
            edit->setText(QString::fromStdString(FormatLength(
                m_values[static_cast<size_t>(head)][static_cast<size_t>(field)], m_unit, m_mm, m_inch)));
            m_edit[static_cast<size_t>(head)][static_cast<size_t>(field)] = edit;
            const int row = field / 2;
            const int column = 2 + (field % 2) * 4;
            g->addWidget(qda::MakeLabel(box, qda::U8(kLabels[field]), edit), row, column);
            g->addWidget(edit, row, column + 1);
            g->addWidget(new QLabel(unitText, box), row, column + 2);
            if (field % 2 == 0) {
                QPushButton* set = qda::MakeButton(box, kSetIds[head][field / 2], qda::U8("セット"));
                connect(set, &QPushButton::clicked, this, [this, head, field] { OnSet(head, field); });
                g->addWidget(set, row, column + 3);
            }
        }
        root->addWidget(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(IDOK));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(IDCANCEL));
    connect(buttons, &QDialogButtonBox::accepted, this, &CScaling::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CScaling::reject);
    root->addWidget(buttons);
    ShowLive();
}

CScaling::~CScaling() {
    if (m_worker.joinable()) {
        m_param.stop.Set();
        m_worker.join();
    }
    if (m_portOpen && m_command != nullptr) m_command->ClosePort();
}

void CScaling::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!m_started) {
        m_started = true;
        StartWorker();
    }
}

void CScaling::StartWorker() {
    if (m_command == nullptr || !m_command->OpenPort(m_pcComm)) {
        ShowMessageCode(kMsgCannotConnect, MB_ICONWARNING);
        return;
    }
    m_portOpen = true;
    m_param.notify = [this](unsigned message, uintptr_t wParam, intptr_t lParam) {
        qda::PostWindowMessage(this, message, wParam, lParam);
    };
    m_param.command = m_command;
    try {
        m_worker = std::thread([this] { qda::RunScalingThread(m_param); });
    } catch (const std::system_error&) {
        ShowMessageCode(kMsgCannotConnect, MB_ICONWARNING);
        // No worker will put the controller back into measuring mode: do it here.
        m_command->SetControllerMode(0);
        m_command->ClosePort();
        m_portOpen = false;
    }
}

void CScaling::StopWorker() {
    if (!m_worker.joinable()) return;
    m_param.stop.Set();
    // The worker returns the controller to measuring mode; the windows keep answering meanwhile.
    while (!m_param.done.load(std::memory_order_acquire)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    QCoreApplication::sendPostedEvents(this, qda::WindowMessageEvent::EventType());
    if (m_worker.joinable()) m_worker.join();
}

bool CScaling::event(QEvent* e) {
    if (e->type() != qda::WindowMessageEvent::EventType()) return QDialog::event(e);
    auto* m = static_cast<qda::WindowMessageEvent*>(e);
    if (m->message != qda::WM_SCALING_NOTIFY) return QDialog::event(e);
    OnWorkerMessage(m->wParam, m->lParam);
    return true;
}

void CScaling::OnWorkerMessage(uintptr_t wParam, intptr_t) {
    if (wParam == qda::kScalingNotifyEnded) {
        if (m_worker.joinable()) m_worker.join();
        m_live.fill(qda::kNoValue);
        ShowLive();
        // The dialog's own reference on the link goes once, however the worker ended.
        if (m_portOpen && m_command != nullptr) m_command->ClosePort();
        m_portOpen = false;
        if (!m_param.failureText.empty()) ShowMessage(m_param.failureText, MB_OK | MB_ICONWARNING);
        return;
    }
    if (m_param.readingRequested.load(std::memory_order_acquire)) return;
    for (size_t head = 0; head < 2; ++head)
        m_live[head] = m_param.reply.value[static_cast<size_t>(m_out)][head];
    m_param.readingRequested.store(true, std::memory_order_release);
    ShowLive();
    emit readingShown();
}

void CScaling::ShowLive() {
    for (size_t head = 0; head < 2; ++head) {
        const int32_t v = m_live[head];
        m_liveLabel[head]->setText(IsMeasurement(v)
                                       ? QString::fromStdString(FormatMeasured(v, m_unit, m_mm, m_inch))
                                       : QStringLiteral("--------"));
        m_liveLabel[head]->setAccessibleName(qda::MessageQ(static_cast<int>(head)) + QLatin1Char(' ') +
                                             m_liveLabel[head]->text());
    }
}

void CScaling::OnSet(int head, int field) {
    const int32_t v = m_live[head == 1 ? 1 : 0];
    if (!IsMeasurement(v)) return;
    m_edit[static_cast<size_t>(head)][static_cast<size_t>(field)]->setText(
        QString::fromStdString(FormatLength(v, m_unit, m_mm, m_inch)));
}

void CScaling::accept() {
    qda::ScalingTexts texts;
    for (size_t head = 0; head < 2; ++head)
        for (size_t field = 0; field < 4; ++field)
            texts[head][field] = m_edit[head][field]->text().trimmed().toStdString();
    const qda::ScalingCheckResult r = qda::CheckScalingTexts(texts, m_unit, m_mm, m_inch);
    if (!r.ok) {
        ShowMessage(r.text, MB_OK | MB_ICONWARNING);
        QLineEdit* edit = m_edit[static_cast<size_t>(r.head)][static_cast<size_t>(r.field)];
        edit->setFocus();
        edit->selectAll();
        return;
    }
    m_values = r.values;
    StopWorker();
    if (m_portOpen && m_command != nullptr) m_command->ClosePort();
    m_portOpen = false;
    QDialog::accept();
}

void CScaling::reject() {
    StopWorker();
    if (m_portOpen && m_command != nullptr) m_command->ClosePort();
    m_portOpen = false;
    QDialog::reject();
}
