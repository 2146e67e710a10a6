#include "pages/PictureShapes.h"

#include <QPainter>
#include <QPolygonF>

namespace qda {

void FilledTriangle(QPainter& p, QPointF a, QPointF b, QPointF c, QColor colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({a, b, c}));
}

void ZoomArrows(QPainter& p, bool horizontal, bool outwards) {
    const double c = 12;
    for (int side : {-1, 1}) {
        const double tip = outwards ? c + side * 11 : c + side * 4;
        const double base = outwards ? c + side * 6 : c + side * 9;
        if (horizontal)
            FilledTriangle(p, {tip, c}, {base, c - 4}, {base, c + 4}, kPictureBlue);
        else
            FilledTriangle(p, {c, tip}, {c - 4, base}, {c + 4, base}, kPictureBlue);
    }
}

void MoveArrow(QPainter& p, bool up) {
    if (up)
        FilledTriangle(p, {12, 2}, {5, 11}, {19, 11}, kPictureBlue);
    else
        FilledTriangle(p, {12, 22}, {5, 13}, {19, 13}, kPictureBlue);
}

}  // namespace qda
