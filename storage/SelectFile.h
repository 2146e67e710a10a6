#pragma once
// The file selection of the data storage window: the standard file dialog with, below its own
// controls, the data slot it reads into (opening) or the slot to save (saving).
#include <QString>
#include <array>

class QWidget;

namespace qda {

enum class SelectFileMode { kOpen, kSave };

// The combo box of the slots and its label inside the dialog.
constexpr int kSelectFileSlotCombo = 1195;
constexpr int kSelectFileSlotLabel = 1196;

// Runs the dialog: title message 177 (open) or 178 (save), the slots `offered` in the combo with
// `slot` preselected (or the first offered), `path` as the starting name, CSV files listed.
// Opening needs an existing file; saving asks before replacing one. True on OK with `path` and
// `slot` set to the choice; false (both unchanged) on cancel.
bool SelectFile(QWidget* parent, SelectFileMode mode, const std::array<bool, 4>& offered, QString& path,
                int& slot);

}  // namespace qda
