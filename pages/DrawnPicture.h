#pragma once
// DrawnPicture: a picture drawn by code in logical pixels and rendered at the device pixel ratio it
// is shown at. A bitmap drawn once at 1 x and stretched to 1.5 x or 2 x turns blurred or blocky;
// this one is drawn again, with all its detail, for the screen (or image) it lands on.
#include <QColor>
#include <QImage>
#include <QSize>
#include <functional>

class QPainter;

namespace qda {

class DrawnPicture {
public:
    // Paints the picture in the logical coordinates of its box (0, 0)-(width, height), over a
    // transparent background.
    using Painter = std::function<void(QPainter&)>;

    DrawnPicture() = default;
    DrawnPicture(QSize size, Painter paint);
    // A bitmap with a transparent colour (a picture that exists only as pixels): its `transparent`
    // pixels become transparent; at higher ratios it can only be enlarged, pixel by pixel.
    static DrawnPicture FromBitmap(const QImage& bitmap, QRgb transparent);

    bool IsNull() const { return !m_paint; }
    // The logical size.
    QSize Size() const { return m_size; }
    // The picture over `background` at `ratio`: size × ratio device pixels (rounded up) carrying
    // that device pixel ratio. A null picture renders as a null image.
    QImage Render(qreal ratio, QColor background = Qt::transparent) const;

private:
    QSize m_size;
    Painter m_paint;
};

// How many device pixels one logical pixel of `p` covers: the screen's device pixel ratio, or that of
// the image a window is rendered into (a widget's own ratio says only the former).
qreal PaintRatio(const QPainter& p);

// Draws `image` (a picture rendered at the painter's ratio) with its top-left corner at the device
// pixel nearest `at`, so that it lands pixel for pixel: at 1.5 x a logical position may fall between
// two device pixels, and an image drawn there is resampled.
void DrawOnDevicePixels(QPainter& p, QPoint at, const QImage& image);

}  // namespace qda
