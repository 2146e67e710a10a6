#pragma once
// Rendering a widget as a screen of a given device pixel ratio shows it, and telling a picture drawn
// at that ratio from a 1 x one enlarged: the checks of the rendered-page tests at 1.5 x and 2 x.
#include <QImage>
#include <QWidget>
#include <QtMath>

namespace qda::test {

// `w` (with its children) rendered into an image of `ratio` device pixels per logical pixel.
inline QImage RenderAt(QWidget& w, qreal ratio) {
    QImage image(qCeil(w.width() * ratio), qCeil(w.height() * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    w.render(&image);
    return image;
}

// True when every 2 x 2 block of device pixels in `area` has one colour: a 1 x picture pixel-doubled,
// with no detail finer than a logical pixel.
inline bool PixelDoubled(const QImage& image, QRect area) {
    area &= image.rect();
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2)
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c || image.pixel(x + 1, y + 1) != c)
                return false;
        }
    return true;
}

// Whether `picture` (device pixels) appears unchanged in `shot` at some offset inside `area`: its
// opaque pixels equal the shot's there. A picture enlarged or smoothed on its way does not.
inline bool ContainsPicture(const QImage& shot, const QImage& picture, QRect area) {
    const QImage s = shot.convertToFormat(QImage::Format_ARGB32);
    const QImage pic = picture.convertToFormat(QImage::Format_ARGB32);
    area &= s.rect();
    for (int oy = area.top(); oy + pic.height() <= area.bottom() + 1; ++oy)
        for (int ox = area.left(); ox + pic.width() <= area.right() + 1; ++ox) {
            bool same = true;
            for (int y = 0; same && y < pic.height(); ++y) {
                const auto* want = reinterpret_cast<const QRgb*>(pic.constScanLine(y));
                const auto* got = reinterpret_cast<const QRgb*>(s.constScanLine(oy + y)) + ox;
                for (int x = 0; x < pic.width(); ++x)
                    if (qAlpha(want[x]) == 255 && (got[x] & 0xFFFFFF) != (want[x] & 0xFFFFFF)) {
                        same = false;
                        break;
                    }
            }
            if (same) return true;
        }
    return false;
}

// Where `child` lies in an image of its top widget `top` rendered at `ratio`, in device pixels.
inline QRect DeviceRect(const QWidget& child, const QWidget& top, qreal ratio) {
    const QRect r(child.mapTo(&top, QPoint(0, 0)), child.size());
    return QRect(qFloor(r.left() * ratio), qFloor(r.top() * ratio), qCeil(r.width() * ratio),
                 qCeil(r.height() * ratio));
}

}  // namespace qda::test
