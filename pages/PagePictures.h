#pragma once
// The pictures of the settings pages, drawn in code: measuring modes of a head (bitmaps 151-155),
// measured surfaces of an OUT (156-165) and the arrow mark (234). Each has the transparent colour
// 0xFF00FF as background, which the pages replace by their face colour.
#include <QColor>
#include <QImage>

namespace qda {

constexpr QRgb kPictureTransparent = 0xFF00FF;
constexpr int kPictureWidth = 115;
constexpr int kPictureHeight = 72;

// Bitmap 151 + mode for head measuring mode 0..4 (a null image for any other mode).
QImage HeadModePicture(int mode);
// Bitmap 156 + target for measured surface 0..9 (a null image for any other target).
QImage TargetPicture(int target);
// Bitmap 234: the 19 × 11 arrow mark.
QImage ArrowPicture();
// `picture` with its transparent colour replaced by `face`.
QImage WithBackground(const QImage& picture, QColor face);

}  // namespace qda
