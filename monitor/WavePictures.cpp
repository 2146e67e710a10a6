#include "monitor/WavePictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "pages/PictureShapes.h"

namespace qda {

namespace {

const QColor kInk = kPictureInk;
const QColor kBlue = kPictureBlue;
const QColor kGreen = kPictureGreen;

// A small received-light curve across the picture, the motif of the zoom buttons.
void Wave(QPainter& p, QRectF area) {
    QPainterPath path;
    path.moveTo(area.left(), area.bottom());
    path.lineTo(area.left() + area.width() * 0.35, area.bottom());
    path.lineTo(area.center().x(), area.top());
    path.lineTo(area.left() + area.width() * 0.65, area.bottom());
    path.lineTo(area.right(), area.bottom());
    p.setPen(QPen(kGreen, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void ZoomPicture(QPainter& p, bool horizontal, bool zoomIn) {
    p.setRenderHint(QPainter::Antialiasing, true);
    Wave(p, horizontal ? QRectF(7, 8, 10, 8) : QRectF(8, 7, 8, 10));
    ZoomArrows(p, horizontal, zoomIn);
}

void MovePicture(QPainter& p, bool up) {
    p.setRenderHint(QPainter::Antialiasing, true);
    Wave(p, up ? QRectF(3, 14, 18, 7) : QRectF(3, 3, 18, 7));
    MoveArrow(p, up);
}

// Four surfaces' peaks with the chosen one (0..3) drawn tall and its number below.
void PeakPicture(QPainter& p, int chosen) {
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < 4; ++i) {
        const double x = 3 + i * 6;
        const double height = i == chosen ? 14 : 6;
        FilledTriangle(p, {x, 16}, {x + 3, 16 - height}, {x + 6, 16},
                       i == chosen ? kGreen : QColor(150, 150, 150));
    }
    p.setPen(kInk);
    QFont font = p.font();
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 16, kWaveButtonPicture, 8), Qt::AlignCenter, QString::number(chosen + 1));
}

void StartPicture(QPainter& p, bool pause) {
    p.setRenderHint(QPainter::Antialiasing, true);
    if (pause) {
        p.fillRect(QRectF(6, 5, 4, 14), kBlue);
        p.fillRect(QRectF(14, 5, 4, 14), kBlue);
    } else {
        FilledTriangle(p, {7, 4}, {7, 20}, {19, 12}, kGreen);
    }
}

// A sensor head seen from the side with its letter and the laser beam.
void HeadPicture(QPainter& p, char letter) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(200, 200, 210));
    p.drawRoundedRect(QRectF(2, 2, 22, 16), 2, 2);
    p.setPen(QPen(QColor(220, 30, 30), 1.5));
    p.drawLine(QPointF(13, 18), QPointF(13, 26));
    p.drawLine(QPointF(8, 26), QPointF(18, 26));
    QFont font = p.font();
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(2, 2, 22, 16), Qt::AlignCenter, QString(QChar::fromLatin1(letter)));
}

const QSize kButton(kWaveButtonPicture, kWaveButtonPicture);

}  // namespace

DrawnPicture WavePicture(int resource) {
    switch (resource) {
        case 231:
            return DrawnPicture(kButton, [](QPainter& p) { StartPicture(p, false); });
        case 238:
            return DrawnPicture(kButton, [](QPainter& p) { StartPicture(p, true); });
        case 248:
            return DrawnPicture(kButton, [](QPainter& p) { ZoomPicture(p, true, true); });
        case 209:
            return DrawnPicture(kButton, [](QPainter& p) { ZoomPicture(p, true, false); });
        case 244:
            return DrawnPicture(kButton, [](QPainter& p) { ZoomPicture(p, false, true); });
        case 245:
            return DrawnPicture(kButton, [](QPainter& p) { ZoomPicture(p, false, false); });
        case 232:
            return DrawnPicture(kButton, [](QPainter& p) { MovePicture(p, true); });
        case 233:
            return DrawnPicture(kButton, [](QPainter& p) { MovePicture(p, false); });
        case 240:
            return DrawnPicture(kButton, [](QPainter& p) { PeakPicture(p, 0); });
        case 241:
            return DrawnPicture(kButton, [](QPainter& p) { PeakPicture(p, 1); });
        case 242:
            return DrawnPicture(kButton, [](QPainter& p) { PeakPicture(p, 2); });
        case 239:
            return DrawnPicture(kButton, [](QPainter& p) { PeakPicture(p, 3); });
        case 167:
            return DrawnPicture(QSize(32, 28), [](QPainter& p) { HeadPicture(p, 'A'); });
        case 168:
            return DrawnPicture(QSize(32, 28), [](QPainter& p) { HeadPicture(p, 'B'); });
        default:
            return {};
    }
}

}  // namespace qda
