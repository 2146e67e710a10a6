#include "pages/TabCommon.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cstdlib>

#include "pages/NumEdit.h"
#include "pages/PageSupport.h"
#include "pages/StoragePeriod.h"
#include "resources/Messages.h"
#include "settings/SettingsCopyBuffer.h"
#include "settings/Units.h"
#include "settings/Validation.h"

using namespace qda;

CTabCommon::CTabCommon(QWidget* parent) : CSettingsPage(kDialogCommon, parent) {
    auto* sampling = MakeCombo(this, IDC_SAMPLING, {"20us", "50us", "100us", "200us", "500us", "1ms"});
    auto* interference = MakeCombo(this, IDC_INTERFERENCE, {"OFF", "ON"});
    auto* sync = MakeCombo(this, IDC_SYNC, {"非同期", "同期"});
    auto* strobe = MakeCombo(this, IDC_STROBE, {"2ms", "5ms", "10ms", "20ms"});
    auto* outStyle = MakeCombo(this, IDC_OUTSTYLE, {"ノーマル", "ホールド", "オフディレイ"});
    auto* target = MakeCombo(this, IDC_DS_TARGET, {"OFF", "OUT1", "OUT2", "両OUT"});
    auto* points = new CNumEdit(IDC_DS_POINTS, this);
    points->SetLengthLimit(5);
    points->Setup(nullptr, 0, CNumEdit::kInteger, 1.0, 65536.0);
    points->setFixedWidth(80);
    points->setAlignment(Qt::AlignRight);
    auto* factor =
        MakeCombo(this, IDC_DS_FACTOR, {"1", "2", "5", "10", "20", "50", "100", "200", "500", "1000"});
    auto* period = MakeLabel(this, U8("(100ms)"), nullptr, IDC_DS_PERIOD);
    auto* note = MakeLabel(this,
                           U8("計測モードがノーマルのOUTでは、\nストローブ時間は設定内容にかかわらず\n"
                              "サンプリング周期の半分で動作します。"),
                           nullptr, IDC_STROBE_NOTE);
    auto* copy = MakeButton(this, IDC_COPY, U8("共通設定をコピー(&C)"));
    auto* paste = MakeButton(this, IDC_PASTE, U8("コピーされた設定を貼り付け(&V)"));

    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel(this, U8("サンプリング周期(&A)"), sampling), 0, 0);
    grid->addWidget(sampling, 0, 1);
    grid->addWidget(MakeLabel(this, U8("相互干渉防止(&B)"), interference), 1, 0);
    grid->addWidget(interference, 1, 1);
    grid->addWidget(MakeLabel(this, U8("タイミング同期(&G)"), sync), 2, 0);
    grid->addWidget(sync, 2, 1);
    grid->addWidget(MakeLabel(this, U8("ストローブ時間(&9)"), strobe), 3, 0);
    grid->addWidget(strobe, 3, 1);
    grid->addWidget(note, 3, 2, 2, 1);
    grid->addWidget(MakeLabel(this, U8("公差判定出力形態(&K)"), outStyle), 5, 0);
    grid->addWidget(outStyle, 5, 1);

    auto* storage = new QGroupBox(U8("データストレージ"), this);
    auto* sg = new QGridLayout(storage);
    sg->addWidget(MakeLabel(storage, U8("対象OUT(&M)"), target), 0, 0);
    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(target);
    targetRow->addStretch();
    sg->addLayout(targetRow, 0, 1);
    sg->addWidget(MakeLabel(storage, U8("蓄積点数(&N)"), points), 1, 0);
    auto* pointsRow = new QHBoxLayout;
    pointsRow->addWidget(points);
    pointsRow->addWidget(new QLabel(U8("点"), storage));
    pointsRow->addStretch();
    sg->addLayout(pointsRow, 1, 1);
    sg->addWidget(MakeLabel(storage, U8("蓄積周期(&P)"), factor), 2, 0);
    auto* factorRow = new QHBoxLayout;
    factorRow->addWidget(new QLabel(U8("サンプリング周期 x"), storage));
    factorRow->addWidget(factor);
    factorRow->addWidget(period);
    factorRow->addStretch();
    sg->addLayout(factorRow, 2, 1);
    grid->addWidget(storage, 6, 0, 1, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(paste);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addStretch();
    top->addLayout(buttons);

    connect(sampling, &QComboBox::currentIndexChanged, this, [this] { UpdatePeriodText(); });
    connect(factor, &QComboBox::currentIndexChanged, this, [this] { UpdatePeriodText(); });
    connect(copy, &QPushButton::clicked, this, [this] { OnCopy(); });
    connect(paste, &QPushButton::clicked, this, [this] { OnPaste(); });

    const std::pair<int, int> tips[] = {{IDC_SAMPLING, 164},  {IDC_INTERFERENCE, 165}, {IDC_SYNC, 166},
                                        {IDC_STROBE, 167},    {IDC_OUTSTYLE, 168},     {IDC_DS_POINTS, 169},
                                        {IDC_DS_TARGET, 162}, {IDC_DS_FACTOR, 163},    {IDC_COPY, 171},
                                        {IDC_PASTE, 172}};
    for (auto [id, code] : tips) SetToolTipCode(this, id, code);
}

void CTabCommon::LoadPage(QObject* mainWindow, const CommonSetting& common, int out1HoldMode,
                          int out2HoldMode) {
    m_mainWindow = mainWindow;
    m_common = common;
    m_out1Hold = out1HoldMode;
    m_out2Hold = out2HoldMode;
    UpdateEnables();
}

void CTabCommon::StorePage(CommonSetting& destination) const {
    destination = m_common;
}

void CTabCommon::RefreshPage() {
    SetComboSelection(this, IDC_SAMPLING, m_common.SampRate);
    SetComboSelection(this, IDC_INTERFERENCE, m_common.AntiItfrnc);
    SetComboSelection(this, IDC_SYNC, m_common.SyncTim);
    SetComboSelection(this, IDC_STROBE, m_common.StrobeTime);
    SetComboSelection(this, IDC_OUTSTYLE, m_common.OutStyle);
    SetComboSelection(this, IDC_DS_TARGET, m_common.DSOut);
    SetComboSelection(this, IDC_DS_FACTOR, m_common.DSFreq);
    Control<CNumEdit>(this, IDC_DS_POINTS)->SetText(QString::number(m_common.DSPoints));
    UpdatePeriodText();
    UpdateEnables();
}

int CTabCommon::CheckPage() {
    m_common.SampRate = ComboSelection(this, IDC_SAMPLING);
    m_common.AntiItfrnc = ComboSelection(this, IDC_INTERFERENCE);
    m_common.SyncTim = ComboSelection(this, IDC_SYNC);
    m_common.StrobeTime = ComboSelection(this, IDC_STROBE);
    m_common.OutStyle = ComboSelection(this, IDC_OUTSTYLE);
    m_common.DSOut = ComboSelection(this, IDC_DS_TARGET);
    m_common.DSFreq = ComboSelection(this, IDC_DS_FACTOR);
    const std::string points = ToStd(Control<CNumEdit>(this, IDC_DS_POINTS)->text());
    if (!IsIntegerText(points)) {
        ShowMessageFilled(325, MB_ICONWARNING, {int64_t{1}, int64_t{65536}});
        FocusControl(IDC_DS_POINTS, true);
        return 0;
    }
    m_common.DSPoints = std::atoi(points.c_str());
    return ValidateCommon(this, m_common) ? 1 : 0;
}

QString CTabCommon::PeriodText() const {
    return Control<QLabel>(this, IDC_DS_PERIOD)->text();
}

bool CTabCommon::IsStrobeNoteShown() const {
    return !Control<QLabel>(this, IDC_STROBE_NOTE)->isHidden();
}

void CTabCommon::showEvent(QShowEvent* e) {
    UpdateEnables();
    CSettingsPage::showEvent(e);
}

void CTabCommon::UpdatePeriodText() {
    Control<QLabel>(this, IDC_DS_PERIOD)
        ->setText(
            U8(StoragePeriodText(ComboSelection(this, IDC_SAMPLING), ComboSelection(this, IDC_DS_FACTOR))));
}

void CTabCommon::UpdateEnables() {
    Control<QPushButton>(this, IDC_PASTE)->setEnabled(CSettingsCopyBuffer::Global().PasteCommon(nullptr));
    // In hold mode "ノーマル" the controller runs the strobe at half the sampling period.
    Control<QLabel>(this, IDC_STROBE_NOTE)->setVisible(m_out1Hold == 0 || m_out2Hold == 0);
}

void CTabCommon::OnCopy() {
    if (CheckPage()) CSettingsCopyBuffer::Global().CopyCommon(m_common);
    UpdateEnables();
}

void CTabCommon::OnPaste() {
    if (!CSettingsCopyBuffer::Global().PasteCommon(&m_common)) return;
    RefreshPage();
}
