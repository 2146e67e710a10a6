#include "monitor/WaveDrawing.h"

#include "chart/GraphCanvas.h"

namespace qda {

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;

// Characters of a UTF-8 text (continuation bytes do not count).
int CharacterCount(const std::string& text) {
    int n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

}  // namespace

std::string RotatedAxisTitle(const std::string& title) {
    std::string out;
    out.reserve(title.size());
    for (size_t i = 0; i < title.size(); ++i) {
        if (title[i] == '\n') {
            if (!out.empty() && out.back() == '-')
                out.pop_back();
            else
                out.push_back(' ');
            continue;
        }
        if (title[i] != '\r') out.push_back(title[i]);
    }
    return out;
}

int WavePeakPixel(const CGraphCanvas& canvas, int position, int scroll) {
    if (position <= 0) return -1;
    const int width = canvas.Layout().BitmapWidth();
    if (width <= 0) return -1;
    const int x = canvas.CursorPixel(position - scroll);
    const double f = static_cast<double>(x) / width;
    return f >= kWavePeakMinX && f <= kWavePeakMaxX ? x : -1;
}

void DrawWaveOverlay(const CGraphCanvas& canvas, GraphPainter& painter, const WaveOverlayInput& in) {
    const GraphLayout& layout = canvas.Layout();
    const int width = layout.BitmapWidth();
    const int height = layout.BitmapHeight();
    if (width <= 0 || height <= 0) return;
    const int fontHeight = canvas.AxisFont().height;

    // 1. The vertical axis title.
    if (in.japanese) {
        int w = 0, h = 0;
        painter.MeasureText(in.axisTitle, GraphFontRole::Axis, w, h);
        const int x = layout.Px(0.01);
        const int top = layout.Py(0.5) - h / 2;
        painter.Text(GraphRect{x, top, x + 500, top + 1000}, in.axisTitle, kTextLeft | kTextTop,
                     GraphFontRole::Axis, kWhite, false, 0);
    } else {
        const std::string title = RotatedAxisTitle(in.axisTitle);
        int w = 0, h = 0;
        painter.MeasureText(title, GraphFontRole::Axis, w, h);
        painter.RotatedText(fontHeight + 1, (height - w) / 2, title, GraphFontRole::Axis, kWhite, 2700);
    }

    // 2. A line at each light peak of the last waveform.
    if (in.dataValid) {
        painter.SetPen(kWhite, 1);
        const int top = layout.Py(0.05);
        const int bottom = layout.Py(0.95);
        for (const uint16_t p : in.peak) {
            const int x = WavePeakPixel(canvas, p, in.scroll);
            if (x >= 0) painter.Line(x, top, x, bottom);
        }
    }

    // 3. Near (left) and Far (right) below the plot: a triangle one font height tall and half
    // as wide, pointing outwards, with its text on the inner side.
    const int half = fontHeight / 2;
    const int top = layout.Py(kWavePlotTop) + layout.Py(kWavePlotHeight) + fontHeight / 3;
    const int left = layout.Px(kWavePlotLeft);
    const int right = layout.Px(kWavePlotLeft + kWavePlotWidth);
    const GraphPoint nearMark[3] = {{left, top + half}, {left + half, top}, {left + half, top + fontHeight}};
    painter.FillPolygon(nearMark, 3, kWhite);
    painter.Text(GraphRect{left + half + 2, top, left + half + 2 + 1000, top + fontHeight}, in.nearText,
                 kTextLeft | kTextVCenter | kTextSingleLine, GraphFontRole::Axis, kWhite, false, 0);
    const GraphPoint farMark[3] = {
        {right, top + half}, {right - half, top}, {right - half, top + fontHeight}};
    painter.FillPolygon(farMark, 3, kWhite);
    // The width is estimated as half the font height per character, as the mark's own size is.
    const int farWidth = half * CharacterCount(in.farText);
    painter.Text(GraphRect{right - half - 2 - farWidth, top, right - half - 2, top + fontHeight}, in.farText,
                 kTextRight | kTextVCenter | kTextSingleLine, GraphFontRole::Axis, kWhite, false, 0);
}

}  // namespace qda
