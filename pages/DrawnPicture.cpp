#include "pages/DrawnPicture.h"

#include <QPainter>
#include <QtMath>
#include <cmath>
#include <utility>

namespace qda {

DrawnPicture::DrawnPicture(QSize size, Painter paint) : m_size(size), m_paint(std::move(paint)) {}

DrawnPicture DrawnPicture::FromBitmap(const QImage& bitmap, QRgb transparent) {
    QImage keyed = bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent & 0xFFFFFF;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return DrawnPicture(keyed.size(), [keyed](QPainter& p) { p.drawImage(QPoint(0, 0), keyed); });
}

QImage DrawnPicture::Render(qreal ratio, QColor background) const {
    if (IsNull() || m_size.isEmpty()) return {};
    if (!(ratio > 0)) ratio = 1;
    QImage image(qCeil(m_size.width() * ratio), qCeil(m_size.height() * ratio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(background);
    QPainter p(&image);
    m_paint(p);
    return image;
}

qreal PaintRatio(const QPainter& p) {
    const QTransform t = p.deviceTransform();
    const qreal scale = std::hypot(t.m11(), t.m12());
    return scale > 0 ? scale : 1.0;
}

void DrawOnDevicePixels(QPainter& p, QPoint at, const QImage& image) {
    const QTransform toDevice = p.deviceTransform();
    const QPointF device = toDevice.map(QPointF(at));
    const QPointF snapped(std::round(device.x()), std::round(device.y()));
    p.drawImage(toDevice.inverted().map(snapped), image);
}

}  // namespace qda
