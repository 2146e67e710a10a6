#include "pages/OptionCommunication.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "comm/PortPathStore.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "settings/Validation.h"

using namespace qda;

COptionCommunication::COptionCommunication(QWidget* parent) : QDialog(parent), m_messageWindow(this) {
    setWindowTitle(U8("PC通信設定"));
    auto* usb = new QRadioButton(U8("USBで通信する(&U)"), this);
    usb->setObjectName(QString::number(IDC_USB));
    auto* rs = new QRadioButton(U8("RS-232Cで通信する(&R)"), this);
    rs->setObjectName(QString::number(IDC_RS232C));
    auto* port =
        MakeCombo(this, IDC_PORT, {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"});
    auto* baud = MakeCombo(this, IDC_BAUDRATE, {"9600", "19200", "38400", "57600", "115200"});
    auto* parity = MakeCombo(this, IDC_PARITY, {"EVEN", "ODD", "NONE"});
    auto* path = MakeLabel(this, QString(), nullptr, IDC_PORT_PATH);

    auto* box = new QGroupBox(this);
    auto* g = new QGridLayout(box);
    g->addWidget(MakeLabel(box, U8("ポート(&C)"), port), 0, 0);
    g->addWidget(port, 0, 1);
    g->addWidget(path, 0, 2);
    g->addWidget(MakeLabel(box, U8("ボーレート(&B)"), baud), 1, 0);
    g->addWidget(baud, 1, 1);
    g->addWidget(MakeLabel(box, U8("パリティ(&P)"), parity), 2, 0);
    g->addWidget(parity, 2, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionCommunication::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionCommunication::reject);
    auto* top = new QVBoxLayout(this);
    top->addWidget(usb);
    top->addWidget(rs);
    top->addWidget(box);
    top->addWidget(buttons);

    connect(usb, &QRadioButton::clicked, this, [this] { UpdateEnables(); });
    connect(rs, &QRadioButton::clicked, this, [this] { UpdateEnables(); });
    connect(port, &QComboBox::currentIndexChanged, this, [this] { UpdatePortPath(); });
    const std::pair<int, int> tips[] = {
        {IDC_USB, 135}, {IDC_RS232C, 136}, {IDC_PORT, 137}, {IDC_BAUDRATE, 138}, {IDC_PARITY, 139}};
    for (auto [id, code] : tips) SetToolTipCode(this, id, code);
    SetRecord(m_pc);
}

COptionCommunication::~COptionCommunication() {
    if (GetMessageOwner() == &m_messageWindow) SetMessageOwner(nullptr);
}

void COptionCommunication::SetRecord(const PcCommSetting& pc) {
    m_pc = pc;
    auto* usb = Control<QRadioButton>(this, IDC_USB);
    auto* rs = Control<QRadioButton>(this, IDC_RS232C);
    // Neither radio is checked for a value that is neither USB nor RS-232C.
    usb->setAutoExclusive(false);
    rs->setAutoExclusive(false);
    usb->setChecked(pc.CommType == kCommUsb);
    rs->setChecked(pc.CommType == kCommRs232c);
    usb->setAutoExclusive(true);
    rs->setAutoExclusive(true);
    SetComboSelection(this, IDC_PORT, pc.PortNo);
    SetComboSelection(this, IDC_BAUDRATE, pc.Baudrate);
    SetComboSelection(this, IDC_PARITY, pc.Parity);
    UpdateEnables();
    UpdatePortPath();
}

void COptionCommunication::UpdateEnables() {
    const bool serial = Control<QRadioButton>(this, IDC_RS232C)->isChecked();
    for (int id : {IDC_PORT, IDC_BAUDRATE, IDC_PARITY}) Control<QWidget>(this, id)->setEnabled(serial);
}

void COptionCommunication::UpdatePortPath() {
    const int port = ComboSelection(this, IDC_PORT);
    Control<QLabel>(this, IDC_PORT_PATH)->setText(port < 0 ? QString() : U8(ResolveComPortPath(port + 1)));
}

void COptionCommunication::showEvent(QShowEvent* e) {
    SetMessageOwner(&m_messageWindow);
    QDialog::showEvent(e);
}

void COptionCommunication::FocusControl(int, int controlId, bool) {
    m_lastFocusId = controlId;
    if (QWidget* w = FindControl(this, controlId)) w->setFocus(Qt::OtherFocusReason);
}

void COptionCommunication::accept() {
    PcCommSetting pc{};
    pc.CommType = Control<QRadioButton>(this, IDC_USB)->isChecked() ? kCommUsb : kCommRs232c;
    pc.PortNo = ComboSelection(this, IDC_PORT);
    pc.Baudrate = ComboSelection(this, IDC_BAUDRATE);
    pc.Parity = ComboSelection(this, IDC_PARITY);
    if (!ValidatePcComm(this, pc)) return;
    m_pc = pc;
    QDialog::accept();
}
