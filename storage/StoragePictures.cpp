#include "storage/StoragePictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "pages/PictureShapes.h"

namespace qda {

namespace {

const QColor kInk = kPictureInk;
const QColor kBlue = kPictureBlue;
const QColor kGreen = kPictureGreen;
const QColor kRed(200, 40, 40);
const QColor kCursor(90, 90, 90);

// A stored curve across `area`, the motif of the plot buttons.
void Curve(QPainter& p, QRectF area, QColor colour = kGreen) {
    QPainterPath path;
    path.moveTo(area.left(), area.center().y());
    path.cubicTo(area.left() + area.width() / 3, area.top(), area.left() + area.width() * 2 / 3,
                 area.bottom(), area.right(), area.center().y());
    p.setPen(QPen(colour, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

// A memory drum with a mark: start (triangle), stop (square), clear (cross).
void Drum(QPainter& p, int mark) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(210, 210, 220));
    p.drawRect(QRectF(2.5, 4.5, 12, 15));
    for (int y = 8; y <= 16; y += 4) p.drawLine(QPointF(4, y), QPointF(13, y));
    if (mark == 0) {
        FilledTriangle(p, {15, 6}, {15, 18}, {23, 12}, kGreen);
    } else if (mark == 1) {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawRect(QRectF(15, 8, 8, 8));
    } else {
        p.setPen(QPen(kRed, 2.5));
        p.drawLine(QPointF(15, 7), QPointF(23, 17));
        p.drawLine(QPointF(23, 7), QPointF(15, 17));
    }
}

void Layout(QPainter& p, bool sideBySide) {
    p.setRenderHint(QPainter::Antialiasing, true);
    if (sideBySide) {
        Curve(p, QRectF(3, 2, 18, 8), kGreen);
        Curve(p, QRectF(3, 13, 18, 8), kRed);
        p.setPen(QPen(kCursor, 1));
        p.drawLine(QPointF(2, 11.5), QPointF(22, 11.5));
    } else {
        Curve(p, QRectF(3, 5, 18, 12), kGreen);
        Curve(p, QRectF(3, 8, 18, 10), kRed);
    }
}

void Zoom(QPainter& p, bool horizontal, bool in) {
    p.setRenderHint(QPainter::Antialiasing, true);
    Curve(p, horizontal ? QRectF(7, 8, 10, 8) : QRectF(8, 7, 8, 10));
    ZoomArrows(p, horizontal, in);
}

void AutoScale(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    Curve(p, QRectF(4, 6, 16, 12));
    p.setPen(QPen(kBlue, 1.5));
    p.drawLine(QPointF(2, 5), QPointF(22, 5));
    p.drawLine(QPointF(2, 19), QPointF(22, 19));
}

void Move(QPainter& p, bool up) {
    p.setRenderHint(QPainter::Antialiasing, true);
    Curve(p, up ? QRectF(3, 14, 18, 7) : QRectF(3, 3, 18, 7));
    MoveArrow(p, up);
}

// Cursor lines: none (crossed out), A, B or both, each labelled.
void Cursors(QPainter& p, bool a, bool b) {
    p.setRenderHint(QPainter::Antialiasing, true);
    QFont font;
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    auto line = [&](double x, const char* label) {
        p.setPen(QPen(kCursor, 1.5));
        p.drawLine(QPointF(x, 9), QPointF(x, 22));
        p.setPen(kInk);
        p.drawText(QRectF(x - 5, 0, 10, 9), Qt::AlignCenter, QString::fromLatin1(label));
    };
    if (!a && !b) {
        line(12, "");
        p.setPen(QPen(kRed, 2));
        p.drawLine(QPointF(5, 8), QPointF(19, 22));
        return;
    }
    if (a) line(b ? 7 : 12, "A");
    if (b) line(a ? 17 : 12, "B");
}

const QSize kButton(kStorageButtonPicture, kStorageButtonPicture);

}  // namespace

DrawnPicture StoragePicture(int resource) {
    switch (resource) {
        case 228:
            return DrawnPicture(kButton, [](QPainter& p) { Drum(p, 0); });
        case 227:
            return DrawnPicture(kButton, [](QPainter& p) { Drum(p, 1); });
        case 230:
            return DrawnPicture(kButton, [](QPainter& p) { Drum(p, 2); });
        case 229:
            return DrawnPicture(kButton, [](QPainter& p) { Layout(p, true); });
        case 217:
            return DrawnPicture(kButton, [](QPainter& p) { Layout(p, false); });
        case 226:
            return DrawnPicture(kButton, [](QPainter& p) { Zoom(p, false, true); });
        case 214:
            return DrawnPicture(kButton, [](QPainter& p) { Zoom(p, false, false); });
        case 215:
            return DrawnPicture(kButton, [](QPainter& p) { Zoom(p, true, true); });
        case 220:
            return DrawnPicture(kButton, [](QPainter& p) { Zoom(p, true, false); });
        case 221:
            return DrawnPicture(kButton, [](QPainter& p) { AutoScale(p); });
        case 216:
            return DrawnPicture(kButton, [](QPainter& p) { Move(p, true); });
        case 218:
            return DrawnPicture(kButton, [](QPainter& p) { Move(p, false); });
        case 219:
            return DrawnPicture(kButton, [](QPainter& p) { Cursors(p, false, false); });
        case 222:
            return DrawnPicture(kButton, [](QPainter& p) { Cursors(p, true, false); });
        case 225:
            return DrawnPicture(kButton, [](QPainter& p) { Cursors(p, false, true); });
        case 223:
            return DrawnPicture(kButton, [](QPainter& p) { Cursors(p, true, true); });
        default:
            return {};
    }
}

}  // namespace qda
