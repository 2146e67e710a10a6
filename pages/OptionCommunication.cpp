#include "pages/OptionCommunication.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdlib>

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
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* device = new QComboBox(this);
    device->setObjectName(QString::number(IDC_PORT_DEVICE));
    device->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* rescan = new QPushButton(U8("ポートを再検索(&S)"), this);
    rescan->setObjectName(QString::number(IDC_PORT_RESCAN));
    rescan->setAutoDefault(false);

    auto* box = new QGroupBox(this);
    auto* g = new QGridLayout(box);
    g->addWidget(MakeLabel(box, U8("ポート(&C)"), port), 0, 0);
    g->addWidget(port, 0, 1);
    g->addWidget(MakeLabel(box, U8("デバイス(&D)"), device), 1, 0);
    g->addWidget(device, 1, 1, 1, 2);
    g->addWidget(rescan, 1, 3);
    g->addWidget(path, 2, 1, 1, 3);
    g->addWidget(MakeLabel(box, U8("ボーレート(&B)"), baud), 3, 0);
    g->addWidget(baud, 3, 1);
    g->addWidget(MakeLabel(box, U8("パリティ(&P)"), parity), 4, 0);
    g->addWidget(parity, 4, 1);
    g->setColumnStretch(2, 1);

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
    connect(port, &QComboBox::currentIndexChanged, this, [this] {
        FillDeviceCombo();
        UpdatePortPath();
    });
    connect(device, &QComboBox::activated, this, [this](int index) { OnDeviceChosen(index); });
    connect(rescan, &QPushButton::clicked, this, [this] { Rescan(); });
    if (IPortPathStore* store = GetPortPathStore()) {
        for (int n = 1; n <= 9; ++n) m_stored[n - 1] = store->PortPath(n);
    }
    m_bindings = m_stored;
    m_lister = [] { return ListSerialPorts(); };
    m_ports = m_lister();
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
    FillDeviceCombo();
    UpdatePortPath();
}

void COptionCommunication::UpdateEnables() {
    const bool serial = Control<QRadioButton>(this, IDC_RS232C)->isChecked();
    for (int id : {IDC_PORT, IDC_BAUDRATE, IDC_PARITY, IDC_PORT_DEVICE, IDC_PORT_RESCAN})
        Control<QWidget>(this, id)->setEnabled(serial);
}

void COptionCommunication::UpdatePortPath() {
    const int port = ComboSelection(this, IDC_PORT);
    auto* label = Control<QLabel>(this, IDC_PORT_PATH);
    if (port < 0 || port > 8) {
        label->setText(QString());
        return;
    }
    // The path the port opens: the environment's override, else the binding as edited, else the default.
    const std::string var = "QDA_COM" + std::to_string(port + 1);
    if (const char* env = std::getenv(var.c_str()); env != nullptr && env[0] != '\0') {
        label->setText(QString::fromLocal8Bit(env) + QStringLiteral("  (") + QString::fromStdString(var) +
                       QStringLiteral(")"));
        return;
    }
    const std::string& bound = m_bindings[static_cast<size_t>(port)];
    label->setText(QString::fromStdString(bound.empty() ? DefaultComPortPath(port + 1) : bound));
}

void COptionCommunication::SetPortLister(PortLister lister) {
    m_lister = std::move(lister);
    Rescan();
}

void COptionCommunication::Rescan() {
    m_ports = m_lister ? m_lister() : std::vector<SerialPortInfo>{};
    FillDeviceCombo();
    UpdatePortPath();
}

void COptionCommunication::FillDeviceCombo() {
    auto* combo = Control<QComboBox>(this, IDC_PORT_DEVICE);
    const QSignalBlocker block(combo);
    combo->clear();
    const int port = ComboSelection(this, IDC_PORT);
    if (port < 0 || port > 8) return;
    // Item data: the path stored for the binding ("" = the port's default device).
    combo->addItem(U8("標準") + QStringLiteral(" (") + QString::fromStdString(DefaultComPortPath(port + 1)) +
                       QStringLiteral(")"),
                   QString());
    for (const SerialPortInfo& p : m_ports) {
        QString text = QString::fromStdString(p.device);
        const std::string description = PortDescription(p);
        if (!description.empty()) text += QStringLiteral("  ") + QString::fromStdString(description);
        if (!p.serialNumber.empty())
            text += QStringLiteral("  [") + QString::fromStdString(p.serialNumber) + QStringLiteral("]");
        combo->addItem(text, QString::fromStdString(StablePortPath(p)));
        combo->setItemData(combo->count() - 1, QString::fromStdString(StablePortPath(p)), Qt::ToolTipRole);
    }
    const std::string& bound = m_bindings[static_cast<size_t>(port)];
    if (bound.empty()) {
        combo->setCurrentIndex(0);
        return;
    }
    const int found = FindPortForPath(m_ports, bound);
    if (found >= 0) {
        combo->setCurrentIndex(found + 1);
        return;
    }
    // Bound to an adapter that is not plugged in now: the binding stays until the operator changes it.
    combo->addItem(QString::fromStdString(bound) + QStringLiteral(" (") + U8("未接続") + QStringLiteral(")"),
                   QString::fromStdString(bound));
    combo->setCurrentIndex(combo->count() - 1);
}

void COptionCommunication::OnDeviceChosen(int index) {
    const int port = ComboSelection(this, IDC_PORT);
    if (port < 0 || port > 8 || index < 0) return;
    m_bindings[static_cast<size_t>(port)] =
        Control<QComboBox>(this, IDC_PORT_DEVICE)->itemData(index).toString().toStdString();
    UpdatePortPath();
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
    // The COM bindings are kept where the program looks them up when it opens a port.
    if (IPortPathStore* store = GetPortPathStore()) {
        for (int n = 1; n <= 9; ++n) {
            const size_t i = static_cast<size_t>(n - 1);
            if (m_bindings[i] != m_stored[i]) store->SetPortPath(n, m_bindings[i]);
        }
        m_stored = m_bindings;
    }
    QDialog::accept();
}
