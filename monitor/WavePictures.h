#pragma once
// The pictures of the waveform window, drawn in code: the start and pause pictures of the
// acquisition button (231, 238), the zoom and move buttons (248, 209, 244, 245, 232, 233), the
// four ROVA peak buttons (240, 241, 242, 239) and the head pictures (167 head A, 168 head B,
// 32 x 28), on transparent backgrounds, drawn at the ratio they are shown at. The size grip is
// the tool windows' shared one (pages/ToolWindowFrame.h).
#include "pages/DrawnPicture.h"

namespace qda {

constexpr int kWaveButtonPicture = 24;  // the buttons' pictures are 24 x 24

// A picture by its resource number; a null picture for a number the window does not use.
DrawnPicture WavePicture(int resource);

}  // namespace qda
