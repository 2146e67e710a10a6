#pragma once
// CLoadStorageSelect: the dialog "蓄積データ読み出し" (dialog 158) that asks which OUT the storage
// window reads out and into which data slot each OUT's values go. Reading is enabled only for a
// usable choice (two OUTs never into one slot); when the readout would overwrite values that
// slots hold now, it asks first (message 270, No keeps the dialog open).
//
// Use from the storage window:
//   CLoadStorageSelect dlg(this);
//   dlg.SetSelection({choice, 0, 1}, counts);   // choice 1 OUT1, 2 OUT2, 3 both; 0 shows OUT1
//   if (dlg.exec() == QDialog::Accepted) { qda::ReadoutSelection s = dlg.Selection(); ... }
#include <QDialog>
#include <array>
#include <memory>

#include "storage/ReadoutSelection.h"

namespace qda {
class IMessageWindow;
}

class CLoadStorageSelect : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 158;
    // Control identifiers (also the objectNames).
    static constexpr int IDC_OUT_CHOICE = 1171;
    static constexpr int IDC_OUT1_SLOT = 1172;
    static constexpr int IDC_OUT2_SLOT = 1173;
    static constexpr int IDC_OUT2_LABEL = 1230;
    static constexpr int IDC_READ = 1;
    static constexpr int IDC_CANCEL = 2;

    explicit CLoadStorageSelect(QWidget* parent = nullptr);
    ~CLoadStorageSelect() override;

    // Presets the combos (an OUT choice outside 1..3 shows OUT1) and takes the number of values
    // each of the four slots holds now.
    void SetSelection(const qda::ReadoutSelection& selection, const std::array<int, 4>& slotCounts);
    // The operator's choice as the combos show it.
    qda::ReadoutSelection Selection() const;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void UpdateEnables();

    std::array<int, 4> m_counts{};
    std::unique_ptr<qda::IMessageWindow> m_messageWindow;
    qda::IMessageWindow* m_previousOwner = nullptr;
};
