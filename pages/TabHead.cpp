#include "pages/TabHead.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QSlider>
#include <QVBoxLayout>
#include <cstdlib>

#include "comm/Command.h"
#include "pages/NumEdit.h"
#include "pages/OptionHeadSetting.h"
#include "pages/PagePictures.h"
#include "pages/PageSupport.h"
#include "pages/PictureHolder.h"
#include "resources/Messages.h"
#include "settings/SettingsCopyBuffer.h"
#include "settings/Units.h"
#include "settings/Validation.h"
#include "windowing/ToolWindows.h"
#include "windowing/WindowMessage.h"

using namespace qda;

namespace {
const char* kCopyCaption = "ヘッド%sの設定をコピー(&C)";
}

CTabHead::CTabHead(QWidget* parent) : CSettingsPage(kDialogHead, parent) {
    auto* mode = MakeCombo(this, IDC_MSRMODE, {"標準", "半透明体", "透明体", "透明体2", "多重反射体"});
    auto* rova = MakeCombo(this, IDC_ROVA, {"AUTO", "MANUAL"});
    auto* lower = new CNumEdit(IDC_ROVA_LOWER, this);
    auto* upper = new CNumEdit(IDC_ROVA_UPPER, this);
    auto* install = MakeCombo(this, IDC_INSTALL, {"拡散反射", "正反射"});
    auto* alarmCount = new CNumEdit(IDC_ALARM_COUNT, this);
    auto* levelText = new QLineEdit(this);
    levelText->setObjectName(QString::number(IDC_ALARM_LEVEL_TEXT));
    levelText->setReadOnly(true);
    levelText->setMaxLength(1);
    levelText->setFixedWidth(28);
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(QString::number(IDC_ALARM_LEVEL));
    slider->setRange(0, 9);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    for (CNumEdit* e : {lower, upper}) {
        e->SetLengthLimit(2);
        e->Setup(nullptr, 0, CNumEdit::kInteger, 1.0, 99.0);
        e->setFixedWidth(40);
    }
    alarmCount->SetLengthLimit(3);
    alarmCount->Setup(nullptr, 0, CNumEdit::kInteger, 0.0, 999.0);
    alarmCount->setFixedWidth(50);

    auto* picture = new PictureHolder(IDC_PICTURE, QSize(kPictureWidth, kPictureHeight), this);

    auto* tuning = MakeButton(this, IDC_ROVA_TUNING, U8("ROVAチューニング(&M)"));
    auto* copy = MakeButton(this, IDC_COPY, U8(FormatMessageText(ToStd(U8(kCopyCaption)), {std::string()})));
    auto* paste = MakeButton(this, IDC_PASTE, U8("コピーされたヘッド設定を貼り付け(&V)"));

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QString::number(IDC_FRAME));
    auto* grid = new QGridLayout(frame);
    grid->addWidget(MakeLabel(frame, U8("測定モード(&K)"), mode), 0, 0);
    grid->addWidget(mode, 0, 1);
    grid->addWidget(picture, 0, 2, 2, 1);
    grid->addWidget(MakeLabel(frame, U8("ROVA(&P)"), rova), 2, 0);
    auto* rovaRow = new QHBoxLayout;
    rovaRow->addWidget(rova);
    rovaRow->addWidget(lower);
    rovaRow->addWidget(new QLabel(U8("～"), frame));
    rovaRow->addWidget(upper);
    rovaRow->addWidget(tuning);
    rovaRow->addStretch();
    grid->addLayout(rovaRow, 2, 1, 1, 2);
    grid->addWidget(MakeLabel(frame, U8("設置モード(&B)"), install), 3, 0);
    grid->addWidget(install, 3, 1);

    auto* alarm = new QGroupBox(U8("アラーム"), frame);
    auto* ag = new QGridLayout(alarm);
    ag->addWidget(MakeLabel(alarm, U8("処理回数"), alarmCount), 0, 0);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(alarmCount);
    countRow->addWidget(new QLabel(U8("回"), alarm));
    countRow->addStretch();
    ag->addLayout(countRow, 0, 1);
    auto* note = MakeLabel(alarm,
                           U8("アラーム時、処理回数で設定された回数はアラーム直前の測定値をホールドします\n"
                              "また、999回に設定するとアラーム処理を行いません"),
                           nullptr, IDC_ALARM_NOTE);
    ag->addWidget(note, 1, 0, 1, 2);
    ag->addWidget(new QLabel(U8("レベル"), alarm), 2, 0);
    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(levelText);
    levelRow->addWidget(new QLabel(U8("低"), alarm));
    levelRow->addWidget(slider, 1);
    levelRow->addWidget(new QLabel(U8("高"), alarm));
    ag->addLayout(levelRow, 2, 1);
    ag->addWidget(new QLabel(U8("アラームレベルを「高」にするとアラームになりやすく、「低」にするとアラームに"
                                "なりにくくなります"),
                             alarm),
                  3, 0, 1, 2);
    grid->addWidget(alarm, 4, 0, 1, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(paste);
    auto* top = new QVBoxLayout(this);
    top->addWidget(frame);
    top->addStretch();
    top->addLayout(buttons);

    connect(mode, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_refreshing) OnModeChanged();
    });
    connect(rova, &QComboBox::currentIndexChanged, this, [this] { UpdateEnables(); });
    connect(slider, &QSlider::valueChanged, this,
            [levelText](int v) { levelText->setText(QString::number(v)); });
    connect(copy, &QPushButton::clicked, this, [this] { OnCopy(); });
    connect(paste, &QPushButton::clicked, this, [this] { OnPaste(); });
    connect(tuning, &QPushButton::clicked, this, [this] { OnRovaTuning(); });

    const std::pair<int, int> tips[] = {
        {IDC_MSRMODE, 80},     {IDC_ROVA, 81},        {IDC_ROVA_LOWER, 82},       {IDC_ROVA_UPPER, 83},
        {IDC_ROVA_TUNING, 84}, {IDC_ALARM_COUNT, 86}, {IDC_ALARM_LEVEL_TEXT, 87}, {IDC_ALARM_LEVEL, 88},
        {IDC_COPY, 89},        {IDC_PASTE, 90}};
    for (auto [id, code] : tips) SetToolTipCode(this, id, code);
    UpdateEnables();
}

void CTabHead::LoadPage(QObject* owner, unsigned sendMessage, unsigned modeMessage, const HeadSetting& head,
                        const QString& letter, const PcCommSetting& pcComm, CCommand* command) {
    m_owner = owner;
    m_sendMessage = sendMessage;
    m_modeMessage = modeMessage;
    m_head = head;
    m_letter = letter;
    m_pcComm = pcComm;
    m_command = command;
    m_loaded = true;
    Control<QPushButton>(this, IDC_COPY)
        ->setText(U8(FormatMessageText(ToStd(U8(kCopyCaption)), {ToStd(letter)})));
    UpdateEnables();
}

void CTabHead::StorePage(HeadSetting& destination) const {
    destination = m_head;
}

void CTabHead::RefreshPage() {
    m_refreshing = true;
    SetComboSelection(this, IDC_MSRMODE, m_head.HdMsrMode);
    SetComboSelection(this, IDC_ROVA, m_head.Rova);
    Control<CNumEdit>(this, IDC_ROVA_LOWER)->SetText(QString::number(m_head.RovaLower));
    Control<CNumEdit>(this, IDC_ROVA_UPPER)->SetText(QString::number(m_head.RovaUpper));
    SetComboSelection(this, IDC_INSTALL, m_head.InstallMode);
    Control<CNumEdit>(this, IDC_ALARM_COUNT)->SetText(QString::number(m_head.AlarmCnt));
    Control<QLineEdit>(this, IDC_ALARM_LEVEL_TEXT)->setText(QString::number(m_head.AlarmLv));
    auto* slider = Control<QSlider>(this, IDC_ALARM_LEVEL);
    {
        // The record's level stays in the text even when the slider cannot show it.
        const QSignalBlocker block(slider);
        slider->setValue(m_head.AlarmLv);
    }
    m_refreshing = false;
    OnModeChanged();
    UpdateEnables();
}

bool CTabHead::CheckRovaText(int id, int form) {
    const std::string text = ToStd(Control<CNumEdit>(this, id)->text());
    if (IsIntegerText(text)) return true;
    if (form == 1 && m_head.Rova == kRovaAuto) {
        m_head.RovaLower = 1;
        m_head.RovaUpper = 99;
        Control<CNumEdit>(this, IDC_ROVA_LOWER)->SetText(QStringLiteral("1"));
        Control<CNumEdit>(this, IDC_ROVA_UPPER)->SetText(QStringLiteral("99"));
        return true;
    }
    ShowMessageFilled(kMsgSettableRange, MB_ICONWARNING, {int64_t{1}, int64_t{99}});
    FocusControl(id, true);
    return false;
}

int CTabHead::CheckPage(int form) {
    m_head.HdMsrMode = ComboSelection(this, IDC_MSRMODE);
    m_head.Rova = ComboSelection(this, IDC_ROVA);
    m_head.RovaLower = std::atoi(ToStd(Control<CNumEdit>(this, IDC_ROVA_LOWER)->text()).c_str());
    m_head.RovaUpper = std::atoi(ToStd(Control<CNumEdit>(this, IDC_ROVA_UPPER)->text()).c_str());
    if (!CheckRovaText(IDC_ROVA_LOWER, form)) return 0;
    if (!CheckRovaText(IDC_ROVA_UPPER, form)) return 0;
    m_head.InstallMode = ComboSelection(this, IDC_INSTALL);
    const std::string count = ToStd(Control<CNumEdit>(this, IDC_ALARM_COUNT)->text());
    if (count.empty()) {
        ShowMessageFilled(251, MB_ICONWARNING, {int64_t{0}, int64_t{999}});
        FocusControl(IDC_ALARM_COUNT, true);
        return 0;
    }
    if (!IsIntegerText(count)) {
        ShowMessageCode(kMsgAlarmCntInvalid, MB_ICONWARNING);
        FocusControl(IDC_ALARM_COUNT, true);
        return 0;
    }
    m_head.AlarmCnt = std::atoi(count.c_str());
    m_head.AlarmLv = std::atoi(ToStd(Control<QLineEdit>(this, IDC_ALARM_LEVEL_TEXT)->text()).c_str());
    const bool ok = ValidateHead(this, m_head, form == 1);
    if (form == 1) {
        // The correct form may have restored the ROVA range; the edits show what is kept.
        Control<CNumEdit>(this, IDC_ROVA_LOWER)->SetText(QString::number(m_head.RovaLower));
        Control<CNumEdit>(this, IDC_ROVA_UPPER)->SetText(QString::number(m_head.RovaUpper));
    }
    return ok ? 1 : 0;
}

void CTabHead::OnModeChanged() {
    Control<PictureHolder>(this, IDC_PICTURE)->SetPicture(HeadModePicture(ComboSelection(this, IDC_MSRMODE)));
    if (m_loaded && m_owner) {
        PostWindowMessage(m_owner, m_modeMessage, m_letter == QStringLiteral("A") ? 0 : 1,
                          ComboSelection(this, IDC_MSRMODE));
    }
}

void CTabHead::UpdateEnables() {
    const bool manual = ComboSelection(this, IDC_ROVA) == kRovaManual;
    Control<QWidget>(this, IDC_ROVA_LOWER)->setEnabled(manual);
    Control<QWidget>(this, IDC_ROVA_UPPER)->setEnabled(manual);
    Control<QWidget>(this, IDC_PASTE)->setEnabled(CSettingsCopyBuffer::Global().PasteHead(nullptr));
    Control<QWidget>(this, IDC_ROVA_TUNING)->setEnabled(m_command != nullptr);
}

void CTabHead::OnCopy() {
    if (CheckPage(1)) CSettingsCopyBuffer::Global().CopyHead(m_head);
    UpdateEnables();
}

void CTabHead::OnPaste() {
    if (!CSettingsCopyBuffer::Global().PasteHead(&m_head)) return;
    RefreshPage();
    update();
}

void CTabHead::OnRovaTuning() {
    if (!m_command) return;
    if (!m_command->OpenPort(m_pcComm)) {
        ShowMessageCode(356, MB_ICONWARNING);
        return;
    }
    {
        COptionHeadSetting dialog(m_letter, m_command, m_owner, m_sendMessage, this);
        EnableToolWindows(false);
        dialog.exec();
        EnableToolWindows(true);
        BecomeMessageOwner();
        if (dialog.Tuned()) {
            m_head.Rova = dialog.RovaMode();
            m_head.RovaLower = dialog.RovaLower();
            m_head.RovaUpper = dialog.RovaUpper();
            SetComboSelection(this, IDC_ROVA, m_head.Rova);
            Control<CNumEdit>(this, IDC_ROVA_LOWER)->SetText(QString::number(m_head.RovaLower));
            Control<CNumEdit>(this, IDC_ROVA_UPPER)->SetText(QString::number(m_head.RovaUpper));
            UpdateEnables();
        }
    }
    m_command->ClosePort();
}

void CTabHead::showEvent(QShowEvent* e) {
    UpdateEnables();
    CSettingsPage::showEvent(e);
}
