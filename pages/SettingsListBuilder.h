#pragma once
// BuildSettingsListText: the settings list text of one program, read back from never-shown
// instances of the pages, so the list always shows what the pages would show.
#include <string>

#include "settings/SettingsBlock.h"

// The text of `program` (0..7) of `block`; empty for another program number. Needs a QApplication.
std::string BuildSettingsListText(const SettingsBlock& block, int program);

namespace qda {
// Destroys the hidden page instances (the main window at exit; also done when the application ends).
void DestroySettingsListPages();
}  // namespace qda
