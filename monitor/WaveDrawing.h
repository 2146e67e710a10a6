#pragma once
// What a received-light waveform window draws over its chart after every redraw: the vertical
// axis title, a line at each light peak of the last waveform, and the Near and Far marks below
// the plot. Drawn through the chart's painter, so it is checked without a window.
#include <array>
#include <cstdint>
#include <string>

#include "chart/GraphPainter.h"

class CGraphCanvas;

namespace qda {

// Layout of the waveform chart: plot rectangle as fractions of the bitmap.
constexpr double kWavePlotLeft = 0.08;
constexpr double kWavePlotTop = 0.05;
constexpr double kWavePlotWidth = 0.85;
constexpr double kWavePlotHeight = 0.9;
// Peak lines are drawn only between these fractions of the bitmap width.
constexpr double kWavePeakMinX = 0.08;
constexpr double kWavePeakMaxX = 0.93;

struct WaveOverlayInput {
    bool japanese = true;            // the Japanese user interface writes the axis title upright
    std::string axisTitle;           // message 191, one character (or word part) per line
    std::string nearText;            // message 384
    std::string farText;             // message 385
    bool dataValid = false;          // peaks are drawn only over an accepted waveform
    std::array<uint16_t, 4> peak{};  // sample index of each light peak, 0 = none
    int scroll = 0;                  // the chart's scroll position in samples
};

// The axis title as one line for the rotated form: a line break after a hyphen joins the word
// ("inten-\nsity" -> "intensity"), any other line break becomes a space.
std::string RotatedAxisTitle(const std::string& title);

// Pixel x of peak `position` on the canvas, or -1 when it is not drawn (scrolled outside the
// shown part of the plot, or 0 = no peak).
int WavePeakPixel(const CGraphCanvas& canvas, int position, int scroll);

// Draws the title, the peak lines and the Near/Far marks on the canvas's bitmap.
void DrawWaveOverlay(const CGraphCanvas& canvas, GraphPainter& painter, const WaveOverlayInput& input);

}  // namespace qda
