#include "pages/TabOutCalcData.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "comm/Command.h"
#include "pages/NumEdit.h"
#include "pages/PageSupport.h"
#include "pages/ScalingRequest.h"
#include "resources/Messages.h"
#include "settings/Units.h"
#include "settings/Validation.h"
#include "windowing/ToolWindows.h"
#include "windowing/WindowMessage.h"

using namespace qda;

namespace {
constexpr int kMsgSendFirst = 368;
constexpr int kMsgSendFailed = 321;
constexpr int kMsgNoController = 356;
constexpr int kHeadA[4] = {CTabOutCalcData::IDC_A_IN1, CTabOutCalcData::IDC_A_OUT1,
                           CTabOutCalcData::IDC_A_IN2, CTabOutCalcData::IDC_A_OUT2};
constexpr int kHeadB[4] = {CTabOutCalcData::IDC_B_IN1, CTabOutCalcData::IDC_B_OUT1,
                           CTabOutCalcData::IDC_B_IN2, CTabOutCalcData::IDC_B_OUT2};
}  // namespace

CTabOutCalcData::CTabOutCalcData(QWidget* parent) : COutSubPage(kDialogOutCalcData, parent) {
    auto* top = new QVBoxLayout(this);
    const char* labels[4] = {"入力値1", "表示値1", "入力値2", "表示値2"};
    for (int head = 0; head < 2; ++head) {
        auto* box = new QGroupBox(MessageQ(head), this);  // "ヘッドA", "ヘッドB"
        auto* g = new QGridLayout(box);
        const int* ids = head == 0 ? kHeadA : kHeadB;
        for (int k = 0; k < 4; ++k) {
            CNumEdit* edit = MakeLengthEdit(ids[k]);
            const int row = k / 2, col = (k % 2) * 3;
            g->addWidget(MakeLabel(box, U8(labels[k]), edit), row, col);
            g->addWidget(edit, row, col + 1);
            auto* unit = new QLabel(box);
            m_unitLabels.append(unit);
            g->addWidget(unit, row, col + 2);
        }
        top->addWidget(box);
    }
    auto* offsetBox = new QGroupBox(this);
    auto* og = new QHBoxLayout(offsetBox);
    CNumEdit* offset = MakeLengthEdit(IDC_OFFSET);
    og->addWidget(MakeLabel(offsetBox, U8("オフセット"), offset));
    og->addWidget(offset);
    auto* unit = new QLabel(offsetBox);
    m_unitLabels.append(unit);
    og->addWidget(unit);
    og->addStretch();
    top->addWidget(offsetBox);

    auto* fromMeasured = MakeButton(this, IDC_FROM_MEASURED, U8("測定データから設定(&G)"));
    fromMeasured->setToolTip(MessageQ(106));
    connect(fromMeasured, &QPushButton::clicked, this, &CTabOutCalcData::OnFromMeasured);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(fromMeasured);
    top->addLayout(buttons);
    top->addStretch();
}

void CTabOutCalcData::SetContext(unsigned sendMessage, const PcCommSetting& pcComm, CCommand* command) {
    m_sendMessage = sendMessage;
    m_pcComm = pcComm;
    m_command = command;
}

void CTabOutCalcData::OnLoaded() {
    const QString unit = U8(UnitLabel(m_unit, m_unit == kUnitImperial ? m_inch : m_mm));
    for (QLabel* l : m_unitLabels) l->setText(unit);
    // Tool tips 98-105 for the scaling edits, 112 for the offset, each with the row's bounds.
    int code = 98;
    for (const int* ids : {kHeadA, kHeadB})
        for (int k = 0; k < 4; ++k) Control<QWidget>(this, ids[k])->setToolTip(BoundsText(code++, false));
    Control<QWidget>(this, IDC_OFFSET)->setToolTip(BoundsText(112, false));
}

void CTabOutCalcData::SetCalc(int calc, int target) {
    m_calc = calc;
    m_target = target;
    UpdateEnables();
}

void CTabOutCalcData::UpdateEnables() {
    // Without the scaling dialog (a page shown on its own) the button has nothing to run.
    Control<QWidget>(this, IDC_FROM_MEASURED)->setEnabled(m_command != nullptr && HasScalingRunner());
    for (int k = 0; k < 4; ++k) {
        Control<QWidget>(this, kHeadA[k])->setEnabled(UsesHeadA(m_calc));
        Control<QWidget>(this, kHeadB[k])->setEnabled(UsesHeadB(m_calc));
    }
}

void CTabOutCalcData::RefreshSlice() {
    const int32_t a[4] = {m_out->ScaleAIn1, m_out->ScaleAOut1, m_out->ScaleAIn2, m_out->ScaleAOut2};
    const int32_t b[4] = {m_out->ScaleBIn1, m_out->ScaleBOut1, m_out->ScaleBIn2, m_out->ScaleBOut2};
    for (int k = 0; k < 4; ++k) {
        ShowLength(kHeadA[k], a[k]);
        ShowLength(kHeadB[k], b[k]);
    }
    ShowLength(IDC_OFFSET, m_out->Offset);
    UpdateEnables();
}

void CTabOutCalcData::StoreSlice() {
    int32_t* a[4] = {&m_out->ScaleAIn1, &m_out->ScaleAOut1, &m_out->ScaleAIn2, &m_out->ScaleAOut2};
    int32_t* b[4] = {&m_out->ScaleBIn1, &m_out->ScaleBOut1, &m_out->ScaleBIn2, &m_out->ScaleBOut2};
    for (int k = 0; k < 4; ++k) {
        *a[k] = ReadLength(kHeadA[k], *a[k]);
        *b[k] = ReadLength(kHeadB[k], *b[k]);
    }
    m_out->Offset = ReadLength(IDC_OFFSET, m_out->Offset);
}

int CTabOutCalcData::CheckTexts() {
    // Only the heads the method uses must hold numbers; the record check repairs the others.
    if (UsesHeadA(m_calc))
        for (int id : kHeadA)
            if (!CheckLengthText(id, false)) return 0;
    if (UsesHeadB(m_calc))
        for (int id : kHeadB)
            if (!CheckLengthText(id, false)) return 0;
    return CheckLengthText(IDC_OFFSET, false) ? 1 : 0;
}

void CTabOutCalcData::OnFromMeasured() {
    // The controller measures with the settings it holds: the edited ones go there first.
    if (ShowMessageCode(kMsgSendFirst, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    if (SendWindowMessage(m_mainWindow, m_sendMessage, 0, 0) != 1) {
        ShowMessageCode(kMsgSendFailed, MB_ICONWARNING);
        return;
    }
    const bool open = m_command != nullptr && m_command->OpenPort(m_pcComm);
    if (!open || !m_command->SetControllerMode(1)) {
        ShowMessageCode(kMsgNoController, MB_ICONWARNING);
    } else {
        ScalingRequest request;
        request.parent = this;
        request.out = m_isOut2 ? 1 : 0;
        request.values = {{{m_out->ScaleAIn1, m_out->ScaleAOut1, m_out->ScaleAIn2, m_out->ScaleAOut2},
                           {m_out->ScaleBIn1, m_out->ScaleBOut1, m_out->ScaleBIn2, m_out->ScaleBOut2}}};
        request.unit = m_unit;
        request.mmDigits = m_mm;
        request.inchDigits = m_inch;
        request.pcComm = m_pcComm;
        request.command = m_command;
        EnableToolWindows(false);
        const bool ok = RunScalingDialog(request);
        EnableToolWindows(true);
        BecomeMessageOwner();
        if (ok) {
            const auto& a = request.values[0];
            const auto& b = request.values[1];
            m_out->ScaleAIn1 = a[0];
            m_out->ScaleAOut1 = a[1];
            m_out->ScaleAIn2 = a[2];
            m_out->ScaleAOut2 = a[3];
            m_out->ScaleBIn1 = b[0];
            m_out->ScaleBOut1 = b[1];
            m_out->ScaleBIn2 = b[2];
            m_out->ScaleBOut2 = b[3];
            RefreshSlice();
        }
    }
    if (open) m_command->ClosePort();
}
