#pragma once
// The pictures of the data storage window, drawn in code: start, stop and clear (228, 227, 230),
// side by side and overlaid (229, 217), the zoom, auto-scale and move buttons (226, 214, 215,
// 220, 221, 216, 218), the cursor buttons (219, 222, 225, 223) and the size grip (188, 16 x 16).
// Backgrounds are the transparent colour 0xFF00FF.
#include <QImage>
#include <QRgb>

namespace qda {

constexpr QRgb kStoragePictureTransparent = 0xFF00FF;
constexpr int kStorageButtonPicture = 24;  // the buttons' pictures are 24 x 24

// A picture by its resource number; a null image for a number the window does not use.
QImage StoragePicture(int resource);

}  // namespace qda
