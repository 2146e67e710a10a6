#pragma once
// The pictures of the data storage window, drawn in code: start, stop and clear (228, 227, 230),
// side by side and overlaid (229, 217), the zoom, auto-scale and move buttons (226, 214, 215,
// 220, 221, 216, 218) and the cursor buttons (219, 222, 225, 223), on transparent backgrounds,
// drawn at the ratio they are shown at. The size grip is the tool windows' shared one
// (pages/ToolWindowFrame.h).
#include "pages/DrawnPicture.h"

namespace qda {

constexpr int kStorageButtonPicture = 24;  // the buttons' pictures are 24 x 24

// A picture by its resource number; a null picture for a number the window does not use.
DrawnPicture StoragePicture(int resource);

}  // namespace qda
