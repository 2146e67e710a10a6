#pragma once
// The pictures of the settings pages, drawn in code at the ratio they are shown at: measuring modes
// of a head (bitmaps 151-155), measured surfaces of an OUT (156-165) and the arrow mark (234), each
// on a transparent background, so the page shows through.
#include "pages/DrawnPicture.h"

namespace qda {

constexpr int kPictureWidth = 115;
constexpr int kPictureHeight = 72;

// Bitmap 151 + mode for head measuring mode 0..4 (a null picture for any other mode).
DrawnPicture HeadModePicture(int mode);
// Bitmap 156 + target for measured surface 0..9 (a null picture for any other target).
DrawnPicture TargetPicture(int target);
// Bitmap 234: the 19 × 11 arrow mark.
DrawnPicture ArrowPicture();

}  // namespace qda
