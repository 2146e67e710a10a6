#pragma once
// What assistive technology sees of the drawn controls, as it sees Qt's own widgets:
// - CDrawnButton: a button (checkable when it toggles or its owner selects it in a group) named by
//   its caption, its accessible name or its tool tip, with its pressed and checked states and a
//   press action (and a toggle action when it toggles) that clicks it;
// - CDrawnTab: a page tab list whose items are page tabs named by their texts, selectable and
//   selected, pressed like a click on them; the pages stay its children;
// - CColorStatic: a static text named by its text, or a graphic when it has none; its colour is
//   its value;
// - CButtonBar: a tool bar.

namespace qda {

// Installs the accessibility factory of the drawn controls (once per process).
void InstallDrawnControlAccessibility();

}  // namespace qda
