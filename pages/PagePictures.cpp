#include "pages/PagePictures.h"

#include <QPainter>
#include <QPainterPath>

namespace qda {
namespace {

// The sensor head at the top left, with its emitter and receiver windows.
void DrawHead(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(90, 90, 110));
    p.drawRect(8, 2, 60, 16);
    p.setBrush(QColor(230, 60, 60));
    p.drawRect(14, 14, 8, 4);
    p.setBrush(QColor(120, 180, 255));
    p.drawRect(50, 14, 10, 4);
}

// The slanted beams are smoothed; the boxes keep whole-pixel edges.
void Beam(QPainter& p, QPointF a, QPointF b, bool dashed = false) {
    QPen pen(QColor(220, 0, 0), 1.5);
    if (dashed) pen.setStyle(Qt::DashLine);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(pen);
    p.drawLine(a, b);
    p.restore();
}

void PaintHeadMode(QPainter& p, int mode) {
    DrawHead(p);
    const QPointF source(18, 18);
    switch (mode) {
        case 0:  // standard: an opaque object reflecting diffusely
            p.setPen(Qt::black);
            p.setBrush(QColor(150, 110, 70));
            p.drawRect(4, 52, 106, 16);
            Beam(p, source, {36, 52});
            Beam(p, {36, 52}, {55, 18});
            for (int dx : {-14, -6, 6, 14}) Beam(p, {36, 52}, {36.0 + dx, 40}, true);
            break;
        case 1:  // translucent: the light spreads inside the object
            p.setPen(Qt::black);
            p.setBrush(QColor(240, 230, 180));
            p.drawRect(4, 48, 106, 20);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 150, 150));
            p.drawEllipse(QPointF(36, 56), 12, 6);
            Beam(p, source, {36, 48});
            Beam(p, {36, 48}, {55, 18});
            break;
        case 2:  // transparent: front and back surface of a glass plate
        case 3:  // transparent 2: a thin plate, both reflections close together
        {
            const int thick = mode == 2 ? 16 : 6;
            p.setPen(QColor(40, 90, 160));
            p.setBrush(QColor(170, 210, 255));
            p.drawRect(4, 44, 106, thick);
            Beam(p, source, {32, 44});
            Beam(p, {32, 44}, {52, 18});
            Beam(p, {32, 44}, {32 + thick * 0.6, 44.0 + thick});
            Beam(p, {32 + thick * 0.6, 44.0 + thick}, {58, 18}, true);
            break;
        }
        case 4:  // multiple reflection: a mirror-like surface with stray reflections
            p.setPen(Qt::black);
            p.setBrush(QColor(200, 200, 210));
            p.drawRect(4, 54, 106, 14);
            p.setBrush(QColor(200, 200, 210));
            p.drawRect(84, 20, 12, 34);
            Beam(p, source, {40, 54});
            Beam(p, {40, 54}, {55, 18});
            Beam(p, {40, 54}, {84, 30}, true);
            Beam(p, {84, 30}, {60, 18}, true);
            break;
    }
}

void PaintTarget(QPainter& p, int target) {
    // Four surfaces (peaks 1..4) of a layered transparent object; the chosen ones are highlighted.
    static const int kPairs[10][2] = {{0, -1}, {1, -1}, {2, -1}, {3, -1}, {0, 1},
                                      {0, 2},  {0, 3},  {1, 2},  {1, 3},  {2, 3}};
    const int a = kPairs[target][0];
    const int b = kPairs[target][1];
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    for (int i = 0; i < 4; ++i) {
        const int y = 10 + i * 16;
        const bool chosen = i == a || i == b;
        p.setPen(QPen(chosen ? QColor(220, 0, 0) : QColor(40, 90, 160), chosen ? 3 : 1));
        p.drawLine(10, y, 80, y);
        p.setPen(Qt::black);
        p.drawText(QRectF(84, y - 7, 30, 14), Qt::AlignLeft | Qt::AlignVCenter, QString::number(i + 1));
    }
    if (b >= 0) {
        // The distance between the two surfaces.
        const int y1 = 10 + a * 16;
        const int y2 = 10 + b * 16;
        p.setPen(QPen(QColor(220, 0, 0), 1.5));
        p.drawLine(45, y1 + 2, 45, y2 - 2);
        QPainterPath head;
        head.moveTo(45, y1 + 2);
        head.lineTo(41, y1 + 8);
        head.lineTo(49, y1 + 8);
        head.closeSubpath();
        head.moveTo(45, y2 - 2);
        head.lineTo(41, y2 - 8);
        head.lineTo(49, y2 - 8);
        head.closeSubpath();
        p.fillPath(head, QColor(220, 0, 0));
    }
}

void PaintArrow(QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(0, 3);
    arrow.lineTo(11, 3);
    arrow.lineTo(11, 0);
    arrow.lineTo(18, 5);
    arrow.lineTo(11, 10);
    arrow.lineTo(11, 7);
    arrow.lineTo(0, 7);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(0, 0, 128));
}

}  // namespace

DrawnPicture HeadModePicture(int mode) {
    if (mode < 0 || mode > 4) return {};
    return DrawnPicture({kPictureWidth, kPictureHeight}, [mode](QPainter& p) { PaintHeadMode(p, mode); });
}

DrawnPicture TargetPicture(int target) {
    if (target < 0 || target > 9) return {};
    return DrawnPicture({kPictureWidth, kPictureHeight}, [target](QPainter& p) { PaintTarget(p, target); });
}

DrawnPicture ArrowPicture() {
    return DrawnPicture({19, 11}, PaintArrow);
}

}  // namespace qda
