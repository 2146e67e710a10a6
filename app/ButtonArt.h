#pragma once
// The program's own pictures: the top buttons' bitmaps, the program marker, the application icon
// and the splash picture, drawn at run time. Bitmaps use 0xFF00FF as their transparent colour.
#include <QIcon>
#include <QImage>

namespace qda {

constexpr unsigned kTransparentColor = 0xFF00FF;

// The bitmap of a top button by its resource number (247 receive, 246 send, 210 measured values,
// 212/211 waveform A/B, 213 data storage); 32 x 32.
QImage ButtonBitmap(int resource);
// Bitmap 237: the 16 x 16 marker beside the selected program button.
QImage ProgramMarker();
// Icon 179: the application icon.
QIcon ApplicationIcon();
// Bitmap 190: the splash picture (the version text is drawn over it at (220, 210)).
QImage SplashPicture();

}  // namespace qda
