#pragma once
// Turns the chart's layout fractions into pixels of its bitmap.
#include "chart/GraphTypes.h"

namespace qda {

class GraphLayout {
public:
    GraphLayout() = default;
    GraphLayout(double left, double top, double width, double height)
        : m_left(left), m_top(top), m_width(width), m_height(height) {}

    // Sets the bitmap size in pixels (width already rounded up to 32 pixels).
    void SetBitmapSize(int width, int height) {
        m_bitmapWidth = width;
        m_bitmapHeight = height;
    }
    int BitmapWidth() const { return m_bitmapWidth; }
    int BitmapHeight() const { return m_bitmapHeight; }

    double Left() const { return m_left; }
    double Top() const { return m_top; }
    double Width() const { return m_width; }
    double Height() const { return m_height; }

    // Pixel x of a width fraction, truncated.
    int Px(double f) const { return TruncClamp(f * m_bitmapWidth, 2147483647.0); }
    // Pixel y of a height fraction, truncated and clamped to -32767..32767.
    int Py(double f) const { return TruncClamp(f * m_bitmapHeight, 32767.0); }

    // The plot rectangle: px(left) .. px(left + width), py(top) .. py(top + height).
    int PlotLeft() const { return Px(m_left); }
    int PlotRight() const { return Px(m_left + m_width); }
    int PlotTop() const { return Py(m_top); }
    int PlotBottom() const { return Py(m_top + m_height); }
    bool InPlot(int x, int y) const;

    // Band of a trace whose band offset is `offset` among `bands` bands (right and bottom inclusive
    // edges as given by the layout).
    GraphRect Band(double offset, int bands) const;
    // Pixel y of display value `v` in a band with range [minimum, maximum].
    int ValueToY(double v, double minimum, double maximum, double offset, int bands) const;
    // Pixel x of screen position `i` (samples from the left edge) for trace points.
    int TraceX(int i, int visibleSamples) const;
    // Pixel x of screen position `i` for cursors and owner markers (integer arithmetic).
    int CursorX(int i, int visibleSamples) const;

private:
    // Truncates toward zero within -limit..limit, so that the conversion is always defined (NaN gives 0).
    static int TruncClamp(double v, double limit) {
        if (!(v == v)) return 0;
        if (v > limit) return static_cast<int>(limit);
        if (v < -limit) return -static_cast<int>(limit);
        return static_cast<int>(v);
    }
    double m_left = 0, m_top = 0, m_width = 1, m_height = 1;
    int m_bitmapWidth = 0, m_bitmapHeight = 0;
};

// Rounds a canvas width up to the bitmap width, a multiple of 32 pixels.
int GraphBitmapWidth(int canvasWidth);

}  // namespace qda
