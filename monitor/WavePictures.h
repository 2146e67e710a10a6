#pragma once
// The pictures of the waveform window, drawn in code: the start and pause pictures of the
// acquisition button (231, 238), the zoom and move buttons (248, 209, 244, 245, 232, 233), the
// four ROVA peak buttons (240, 241, 242, 239), the head pictures (167 head A, 168 head B,
// 32 x 28) and the size grip (188, 16 x 16). Backgrounds are the transparent colour 0xFF00FF.
#include <QImage>
#include <QRgb>

namespace qda {

constexpr QRgb kWavePictureTransparent = 0xFF00FF;
constexpr int kWaveButtonPicture = 24;  // the buttons' pictures are 24 x 24

// A picture by its resource number; a null image for a number the window does not use.
QImage WavePicture(int resource);

}  // namespace qda
