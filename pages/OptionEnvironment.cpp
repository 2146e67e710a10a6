#include "pages/OptionEnvironment.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "pages/HelpRequest.h"
#include "pages/PageSupport.h"
#include "resources/Messages.h"
#include "settings/Validation.h"

using namespace qda;

COptionEnvironment::COptionEnvironment(QWidget* parent) : QDialog(parent), m_messageWindow(this) {
    setWindowTitle(U8("環境設定"));
    auto* baud = MakeCombo(this, IDC_BAUDRATE, {"9600", "19200", "38400", "57600", "115200"});
    auto* parity = MakeCombo(this, IDC_PARITY, {"EVEN", "ODD", "NONE"});
    auto* autoTrans = MakeCombo(this, IDC_AUTOTRANS, {"OFF", "OUT1のみ", "OUT2のみ", "両OUT"});
    auto* eco = MakeCombo(this, IDC_ECO, {"OFF", "エコハーフ", "エコオール"});
    auto* lock = MakeCombo(this, IDC_PANELLOCK, {"OFF", "ON"});
    auto* prg = MakeCombo(this, IDC_PRGCHANGE, {"パネル", "端子"});
    auto* unit = MakeCombo(this, IDC_UNIT, {"mm(um)", "inch(mil)"});

    auto* rs = new QGroupBox(U8("コントローラRS-232C設定"), this);
    auto* rg = new QGridLayout(rs);
    rg->addWidget(MakeLabel(rs, U8("ボーレート(&B)"), baud), 0, 0);
    rg->addWidget(baud, 0, 1);
    rg->addWidget(MakeLabel(rs, U8("パリティ(&P)"), parity), 1, 0);
    rg->addWidget(parity, 1, 1);

    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel(this, U8("自動送信(&A)"), autoTrans), 0, 0);
    grid->addWidget(autoTrans, 0, 1);
    grid->addWidget(MakeLabel(this, U8("省電力モード(&E)"), eco), 1, 0);
    grid->addWidget(eco, 1, 1);
    grid->addWidget(MakeLabel(this, U8("パネルロック(&L)"), lock), 2, 0);
    grid->addWidget(lock, 2, 1);
    grid->addWidget(MakeLabel(this, U8("プログラム切り替え(&C)"), prg), 3, 0);
    grid->addWidget(prg, 3, 1);
    grid->addWidget(MakeLabel(this, U8("Unit(&U)"), unit, IDC_UNIT_LABEL), 4, 0);
    grid->addWidget(unit, 4, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionEnvironment::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionEnvironment::reject);
    auto* top = new QVBoxLayout(this);
    top->addWidget(rs);
    top->addLayout(grid);
    top->addWidget(buttons);

    const std::pair<int, int> tips[] = {{IDC_BAUDRATE, 140}, {IDC_PARITY, 141},    {IDC_AUTOTRANS, 142},
                                        {IDC_ECO, 143},      {IDC_PANELLOCK, 144}, {IDC_PRGCHANGE, 145},
                                        {IDC_UNIT, 146}};
    for (auto [id, code] : tips) SetToolTipCode(this, id, code);
    SetRecord(m_env, false);
}

COptionEnvironment::~COptionEnvironment() {
    if (GetMessageOwner() == &m_messageWindow) SetMessageOwner(nullptr);
}

void COptionEnvironment::SetRecord(const EnvironmentSetting& env, bool extended) {
    m_env = env;
    m_extended = extended;
    m_unitChanged = false;
    SetComboSelection(this, IDC_BAUDRATE, env.Baudrate);
    SetComboSelection(this, IDC_PARITY, env.Parity);
    SetComboSelection(this, IDC_AUTOTRANS, env.AutoTrans);
    SetComboSelection(this, IDC_ECO, env.Eco);
    SetComboSelection(this, IDC_PANELLOCK, env.PanelLock);
    SetComboSelection(this, IDC_PRGCHANGE, env.PrgChange);
    SetComboSelection(this, IDC_UNIT, env.Unit);
    Control<QWidget>(this, IDC_UNIT)->setVisible(extended);
    Control<QWidget>(this, IDC_UNIT_LABEL)->setVisible(extended);
}

void COptionEnvironment::showEvent(QShowEvent* e) {
    SetMessageOwner(&m_messageWindow);
    QDialog::showEvent(e);
}

void COptionEnvironment::FocusControl(int, int controlId, bool) {
    m_lastFocusId = controlId;
    if (QWidget* w = FindControl(this, controlId)) w->setFocus(Qt::OtherFocusReason);
}

void COptionEnvironment::accept() {
    EnvironmentSetting env = m_env;
    env.Baudrate = ComboSelection(this, IDC_BAUDRATE);
    env.Parity = ComboSelection(this, IDC_PARITY);
    env.AutoTrans = ComboSelection(this, IDC_AUTOTRANS);
    env.Eco = ComboSelection(this, IDC_ECO);
    env.PanelLock = ComboSelection(this, IDC_PANELLOCK);
    env.PrgChange = ComboSelection(this, IDC_PRGCHANGE);
    const int unit = ComboSelection(this, IDC_UNIT);
    if (unit != -1 && unit != m_env.Unit) {
        if (ShowMessageCode(354, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            FocusControl(kDialogEnvironment, IDC_UNIT, false);
            return;
        }
        env.Unit = unit;
        m_env.Unit = unit;
        m_unitChanged = true;
    }
    if (!ValidateEnvironment(this, env)) return;
    m_env = env;
    QDialog::accept();
}

void COptionEnvironment::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1 && e->modifiers() == Qt::NoModifier) {
        RequestHelp("QD-AtlasEnvironment.pdf");
        return;
    }
    QDialog::keyPressEvent(e);
}
