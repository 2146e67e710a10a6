#pragma once
// The tool windows that the main window switches off around each of its modal dialogs and back
// on afterwards, so that no other window takes input while the dialog runs.
#include "resources/MessageWindow.h"

namespace qda {

constexpr int kMaxToolWindows = 10;

// Appends `window` to the tool window list; false (nothing added) when the list already holds
// kMaxToolWindows windows or `window` is nullptr.
bool RegisterToolWindow(IMessageWindow* window);
// Enables or disables every registered window that currently exists; the others are skipped.
void EnableToolWindows(bool enable);
// Empties the tool window list (the main window leaves).
void ClearToolWindows();

}  // namespace qda
