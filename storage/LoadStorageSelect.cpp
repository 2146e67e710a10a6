#include "storage/LoadStorageSelect.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "pages/PageSupport.h"
#include "resources/MessageCodes.h"
#include "resources/Messages.h"
#include "windowing/WidgetMessageWindow.h"

using namespace qda;

namespace {}

CLoadStorageSelect::CLoadStorageSelect(QWidget* parent)
    : QDialog(parent), m_messageWindow(std::make_unique<WidgetMessageWindow>(this)) {
    setObjectName(QString::number(kDialogId));
    // Icon 179 is the application's window icon, which every dialog shows.
    setWindowTitle(U8("蓄積データ読み出し"));
    auto* choice = MakeCombo(this, IDC_OUT_CHOICE, {"OUT1", "OUT2", "両OUT"});
    auto* out1 = MakeCombo(this, IDC_OUT1_SLOT, {"データ1", "データ2", "データ3", "データ4"});
    auto* out2 = MakeCombo(this, IDC_OUT2_SLOT, {"データ1", "データ2", "データ3", "データ4"});
    auto* read = MakeButton(this, IDC_READ, U8("読み出し(&R)"));
    auto* cancel = MakeButton(this, IDC_CANCEL, U8("キャンセル"));
    read->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel(this, U8("対象OUT"), choice), 0, 0);
    grid->addWidget(choice, 0, 1);
    grid->addWidget(MakeLabel(this, U8("OUT1(&1)→"), out1), 1, 0);
    grid->addWidget(out1, 1, 1);
    grid->addWidget(MakeLabel(this, U8("OUT2(&2)→"), out2, IDC_OUT2_LABEL), 2, 0);
    grid->addWidget(out2, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(read);
    buttons->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);

    const std::pair<int, int> tips[] = {{IDC_OUT_CHOICE, 159}, {IDC_OUT1_SLOT, 160}, {IDC_OUT2_SLOT, 161}};
    for (auto [id, code] : tips) SetToolTipCode(this, id, code);
    for (QComboBox* combo : {choice, out1, out2})
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { UpdateEnables(); });
    connect(read, &QPushButton::clicked, this, &CLoadStorageSelect::accept);
    connect(cancel, &QPushButton::clicked, this, &CLoadStorageSelect::reject);
    SetSelection(ReadoutSelection{}, m_counts);
}

CLoadStorageSelect::~CLoadStorageSelect() {
    if (GetMessageOwner() == m_messageWindow.get()) SetMessageOwner(m_previousOwner);
}

void CLoadStorageSelect::SetSelection(const ReadoutSelection& selection,
                                      const std::array<int, 4>& slotCounts) {
    m_counts = slotCounts;
    const int choice = selection.choice >= kReadoutOut1 && selection.choice <= kReadoutBoth ? selection.choice
                                                                                            : kReadoutOut1;
    SetComboSelection(this, IDC_OUT_CHOICE, choice - 1);
    SetComboSelection(this, IDC_OUT1_SLOT, selection.out1Slot);
    SetComboSelection(this, IDC_OUT2_SLOT, selection.out2Slot);
    UpdateEnables();
}

ReadoutSelection CLoadStorageSelect::Selection() const {
    return {ComboSelection(this, IDC_OUT_CHOICE) + 1, ComboSelection(this, IDC_OUT1_SLOT),
            ComboSelection(this, IDC_OUT2_SLOT)};
}

void CLoadStorageSelect::UpdateEnables() {
    const ReadoutSelectionEnables e = EnablesFor(Selection());
    FindControl(this, IDC_OUT1_SLOT)->setEnabled(e.out1Slot);
    FindControl(this, IDC_OUT2_SLOT)->setEnabled(e.out2Slot);
    FindControl(this, IDC_OUT2_LABEL)->setEnabled(e.out2Slot);
    FindControl(this, IDC_READ)->setEnabled(e.read);
}

void CLoadStorageSelect::showEvent(QShowEvent* event) {
    // Its question disables this dialog, not the storage window behind it.
    if (GetMessageOwner() != m_messageWindow.get()) {
        m_previousOwner = GetMessageOwner();
        SetMessageOwner(m_messageWindow.get());
    }
    QDialog::showEvent(event);
}

void CLoadStorageSelect::hideEvent(QHideEvent* event) {
    if (GetMessageOwner() == m_messageWindow.get()) SetMessageOwner(m_previousOwner);
    QDialog::hideEvent(event);
}

void CLoadStorageSelect::accept() {
    const ReadoutSelection s = Selection();
    // Enter reaches here even while reading is not possible.
    if (!EnablesFor(s).read) return;
    if (OverwrittenValues(s, m_counts) > 0 &&
        ShowMessageCode(qda::msg::kOverwriteShownData, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    QDialog::accept();
}
