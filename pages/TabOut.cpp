#include "pages/TabOut.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "pages/PagePictures.h"
#include "pages/PageSupport.h"
#include "pages/PictureHolder.h"
#include "pages/TabOutCalcData.h"
#include "pages/TabOutDetailesSetting.h"
#include "pages/TabOutLoadData.h"
#include "resources/Messages.h"
#include "settings/MessageFormat.h"
#include "settings/SettingsCopyBuffer.h"
#include "settings/SettingsDefaults.h"
#include "settings/Validation.h"

using namespace qda;

namespace {
const char* kCopyCaption = "OUT%sの設定をコピー(&C)";
constexpr int kSubButtons[3] = {CTabOut::IDC_SUB_LOAD, CTabOut::IDC_SUB_CALC, CTabOut::IDC_SUB_DETAILS};

bool UsesTarget(int calc) {
    return calc == kCalcHeadATransparent || calc == kCalcHeadBTransparent;
}
}  // namespace

CTabOut::CTabOut(QWidget* parent) : CSettingsPage(kDialogOut, parent) {
    auto* calc = MakeCombo(
        this, IDC_CALC,
        {"ヘッドA", "ヘッドB", "ヘッドA＋ヘッドB", "ヘッドA―ヘッドB", "ヘッドA透明体", "ヘッドB透明体"});
    auto* target = MakeCombo(this, IDC_TARGET,
                             {"第１ピーク", "第2ピーク", "第3ピーク", "第4ピーク", "第１ピーク－第2ピーク",
                              "第１ピーク－第3ピーク", "第１ピーク－第4ピーク", "第2ピーク－第3ピーク",
                              "第2ピーク－第4ピーク", "第3ピーク－第4ピーク"});
    auto* targetLabel = MakeLabel(this, U8("測定対象(&Q)"), target, IDC_TARGET_LABEL);
    auto* picture = new PictureHolder(IDC_PICTURE, QSize(kPictureWidth, kPictureHeight), this);
    auto* arrow1 = new PictureHolder(IDC_ARROW1, QSize(24, 16), this);
    auto* arrow2 = new PictureHolder(IDC_ARROW2, QSize(24, 16), this);
    arrow1->SetPicture(ArrowPicture());
    arrow2->SetPicture(ArrowPicture());

    auto* head = new QGridLayout;
    head->addWidget(MakeLabel(this, U8("演算方法(&K)"), calc), 0, 0);
    head->addWidget(calc, 1, 0);
    head->addWidget(arrow1, 1, 1);
    head->addWidget(targetLabel, 0, 2);
    head->addWidget(target, 1, 2);
    head->addWidget(arrow2, 1, 3);
    head->addWidget(picture, 0, 4, 2, 1);
    head->setColumnStretch(5, 1);

    auto* subButtons = new QHBoxLayout;
    const char* subTexts[3] = {"測定・公差(&P)", "スケーリング・オフセット(&R)", "表示・アナログ(&N)"};
    for (int i = 0; i < 3; ++i) {
        auto* b = MakeButton(this, kSubButtons[i], U8(subTexts[i]));
        b->setCheckable(true);
        connect(b, &QPushButton::clicked, this, [this, i] { OnSubPageButton(i); });
        subButtons->addWidget(b);
    }
    subButtons->addStretch();

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QString::number(IDC_FRAME));
    auto* frameLayout = new QVBoxLayout(frame);
    m_load = new CTabOutLoadData(frame);
    m_calc = new CTabOutCalcData(frame);
    m_details = new CTabOutDetailesSetting(frame);
    for (QWidget* sub : std::initializer_list<QWidget*>{m_load, m_calc, m_details})
        frameLayout->addWidget(sub);

    auto* copy = MakeButton(this, IDC_COPY, U8(FormatMessageText(ToStd(U8(kCopyCaption)), {std::string()})));
    auto* paste = MakeButton(this, IDC_PASTE, U8("コピーされたOUT設定を貼り付け(&V)"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(paste);

    auto* top = new QVBoxLayout(this);
    top->addLayout(head);
    top->addLayout(subButtons);
    top->addWidget(frame, 1);
    top->addLayout(buttons);

    connect(calc, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_refreshing) OnCalcChanged();
    });
    connect(target, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_refreshing) OnTargetChanged();
    });
    connect(copy, &QPushButton::clicked, this, [this] { OnCopy(); });
    connect(paste, &QPushButton::clicked, this, [this] { OnPaste(); });

    const std::pair<int, int> tips[] = {{IDC_SUB_LOAD, 91}, {IDC_SUB_CALC, 92}, {IDC_SUB_DETAILS, 93},
                                        {IDC_CALC, 94},     {IDC_TARGET, 95},   {IDC_COPY, 96},
                                        {IDC_PASTE, 97}};
    for (auto [id, code] : tips) SetToolTipCode(this, id, code);
    ShowSubPage(0);
    UpdateEnables();
}

COutSubPage* CTabOut::SubPage(int index) const {
    switch (index) {
        case 0:
            return m_load;
        case 1:
            return m_calc;
        default:
            return m_details;
    }
}

void CTabOut::LoadPage(QObject* mainWindow, unsigned sendMessage, unsigned reloadMessage,
                       const OutSetting& out, const QString& digit, int unit, const PcCommSetting& pcComm,
                       CCommand* command) {
    m_mainWindow = mainWindow;
    m_sendMessage = sendMessage;
    m_reloadMessage = reloadMessage;
    m_out = out;
    m_digit = digit;
    m_unit = unit;
    m_pcComm = pcComm;
    m_command = command;
    LoadSubPages();
    Control<QPushButton>(this, IDC_COPY)
        ->setText(U8(FormatMessageText(ToStd(U8(kCopyCaption)), {ToStd(digit)})));
    UpdateEnables();
}

void CTabOut::LoadSubPages() {
    const bool isOut2 = m_digit == QStringLiteral("2");
    m_load->LoadSlice(m_mainWindow, &m_out, isOut2, m_unit);
    m_calc->LoadSlice(m_mainWindow, &m_out, isOut2, m_unit);
    m_calc->SetContext(m_sendMessage, m_pcComm, m_command);
    m_calc->SetCalc(m_out.Calc, m_out.CalcWave);
    m_details->LoadSlice(m_mainWindow, &m_out, isOut2, m_unit);
    m_details->SetReloadMessage(m_reloadMessage);
}

void CTabOut::SetPcComm(const PcCommSetting& pcComm) {
    m_pcComm = pcComm;
    m_calc->SetPcComm(pcComm);
}

void CTabOut::StorePage(OutSetting& destination) {
    m_load->StoreSlice();
    m_calc->StoreSlice();
    m_details->StoreSlice();
    destination = m_out;
}

void CTabOut::RefreshPage() {
    m_refreshing = true;
    SetComboSelection(this, IDC_CALC, m_out.Calc);
    SetComboSelection(this, IDC_TARGET, m_out.CalcWave);
    m_refreshing = false;
    ShowSubPage(m_current);
    m_load->RefreshSlice();
    m_calc->RefreshSlice();
    m_details->RefreshSlice();
    UpdatePictures();
    UpdateEnables();
}

int CTabOut::CheckPage() {
    m_out.Calc = ComboSelection(this, IDC_CALC);
    m_out.CalcWave = ComboSelection(this, IDC_TARGET);
    m_calc->SetCalc(m_out.Calc, m_out.CalcWave);
    for (int i = 0; i < 3; ++i) {
        if (!SubPage(i)->CheckTexts()) {
            // The failing field was focused while its sub-page may have been hidden: focus it again.
            ShowSubPage(i);
            SubPage(i)->FocusControl(SubPage(i)->LastFocusId(), true);
            return 0;
        }
    }
    StorePage(m_out);
    const bool ok = ValidateOut(this, m_unit, m_out);
    // The check may have put an unused head's scaling back to its defaults: show what is kept.
    m_calc->RefreshSlice();
    return ok ? 1 : 0;
}

bool CTabOut::CanLeave() {
    return m_details->ConfirmDigitsChange();
}

void CTabOut::ResetDisplayDependentValues() {
    ResetOutForDigits(m_out, m_unit);
    CSettingsCopyBuffer::Global().ClearAll();
    LoadSubPages();
    RefreshPage();
}

void CTabOut::ShowSubPage(int index) {
    if (index < 0 || index > 2) index = 0;
    m_current = index;
    for (int i = 0; i < 3; ++i) {
        SubPage(i)->setVisible(i == index);
        Control<QPushButton>(this, kSubButtons[i])->setChecked(i == index);
    }
}

void CTabOut::OnSubPageButton(int index) {
    if (index == m_current) {
        // The visible sub-page's button only stays pressed.
        Control<QPushButton>(this, kSubButtons[index])->setChecked(true);
        return;
    }
    Control<QPushButton>(this, kSubButtons[index])->setChecked(false);
    if (!CheckPage()) return;
    ShowSubPage(index);
}

void CTabOut::FocusControl(int dialogId, int controlId, bool selectText) {
    m_lastFocusDialog = dialogId;
    for (int i = 0; i < 3; ++i) {
        if (SubPage(i)->DialogId() == dialogId) {
            ShowSubPage(i);
            SubPage(i)->FocusControl(controlId, selectText);
            CSettingsPage::ClearFocusRecord();
            return;
        }
    }
    CSettingsPage::FocusControl(controlId, selectText);
}

void CTabOut::OnCalcChanged() {
    m_out.Calc = ComboSelection(this, IDC_CALC);
    m_calc->SetCalc(m_out.Calc, m_out.CalcWave);
    UpdatePictures();
    UpdateEnables();
}

void CTabOut::OnTargetChanged() {
    m_out.CalcWave = ComboSelection(this, IDC_TARGET);
    m_calc->SetCalc(m_out.Calc, m_out.CalcWave);
    UpdatePictures();
}

void CTabOut::UpdatePictures() {
    auto* picture = Control<PictureHolder>(this, IDC_PICTURE);
    picture->SetPicture(UsesTarget(m_out.Calc) ? TargetPicture(m_out.CalcWave) : DrawnPicture());
}

void CTabOut::UpdateEnables() {
    Control<QWidget>(this, IDC_PASTE)->setEnabled(CSettingsCopyBuffer::Global().PasteOut(nullptr));
    const bool target = UsesTarget(ComboSelection(this, IDC_CALC));
    Control<QWidget>(this, IDC_TARGET)->setEnabled(target);
    Control<QWidget>(this, IDC_TARGET_LABEL)->setEnabled(target);
}

void CTabOut::OnCopy() {
    if (CheckPage()) CSettingsCopyBuffer::Global().CopyOut(m_out);
    UpdateEnables();
}

void CTabOut::OnPaste() {
    if (!CSettingsCopyBuffer::Global().PasteOut(&m_out)) return;
    LoadSubPages();
    RefreshPage();
    update();
}

void CTabOut::showEvent(QShowEvent* e) {
    UpdateEnables();
    CSettingsPage::showEvent(e);
}
