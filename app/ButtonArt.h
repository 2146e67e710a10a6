#pragma once
// The program's own pictures: the top buttons' bitmaps, the program marker, the application icon
// and the splash picture, drawn at run time at the ratio of the screen they are shown on.
#include <QIcon>

#include "pages/DrawnPicture.h"

namespace qda {

// The bitmap of a top button by its resource number (247 receive, 246 send, 210 measured values,
// 212/211 waveform A/B, 213 data storage); 32 x 32, on a transparent background.
DrawnPicture ButtonBitmap(int resource);
// Bitmap 237: the 16 x 16 marker beside the selected program button.
DrawnPicture ProgramMarker();
// Icon 179: the application icon.
QIcon ApplicationIcon();
// Bitmap 190: the 400 x 240 splash picture (the version text is drawn over it at (220, 210)).
DrawnPicture SplashPicture();

}  // namespace qda
