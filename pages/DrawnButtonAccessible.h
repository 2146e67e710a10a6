#pragma once
// What assistive technology sees of a CDrawnButton: a button (checkable when it toggles) named by
// its caption, its accessible name or its tool tip, with its pressed and selected states and a
// press action that clicks it.

namespace qda {

// Installs the accessibility factory of the drawn buttons (once per process).
void InstallDrawnButtonAccessibility();

}  // namespace qda
