#pragma once
// Saving and restoring a tool window's placement in the registry store (the 44-byte record under
// "WINDOWPLACEMENT"). The window's name is "CALC", "STORAGE", "WAVE_A" or "WAVE_B".
#include <string>

class QWidget;

namespace qda {

// Writes the window's placement (state and normal geometry); true when the value was set.
bool SaveWindowPlacement(const QWidget& window, const std::string& name);
// Applies a stored placement when its normal rectangle lies partly on the desktop; otherwise the
// window keeps its position. True when a placement was applied.
bool RestoreWindowPlacement(QWidget& window, const std::string& name);

}  // namespace qda
