#include "app/ButtonArt.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

namespace qda {

namespace {

// A small controller box with a head beneath, the motif of the transfer buttons.
void DrawController(QPainter& p, QColor body) {
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(3, 4, 18, 14), 2, 2);
    p.setBrush(QColor(40, 200, 60));
    p.drawRect(QRectF(6, 7, 4, 3));
    p.setBrush(QColor(230, 60, 40));
    p.drawRect(QRectF(12, 7, 4, 3));
}

void DrawArrow(QPainter& p, bool toPc) {
    QPainterPath path;
    if (toPc) {
        path.moveTo(22, 20);
        path.lineTo(30, 20);
        path.lineTo(26, 28);
    } else {
        path.moveTo(22, 28);
        path.lineTo(30, 28);
        path.lineTo(26, 20);
    }
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(toPc ? QColor(20, 90, 200) : QColor(200, 110, 20));
    p.drawPath(path);
    p.fillRect(QRectF(24.5, toPc ? 12 : 26, 3, 9), toPc ? QColor(20, 90, 200) : QColor(200, 110, 20));
}

void PaintButtonBitmap(QPainter& p, int resource) {
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (resource) {
        case 247:  // receive: controller to PC
        case 246:  // send: PC to controller
            DrawController(p, QColor(200, 200, 210));
            DrawArrow(p, resource == 247);
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(QColor(160, 210, 240));
            p.drawRect(QRectF(3, 21, 14, 9));
            break;
        case 210: {  // measured values: a numeric display
            p.setPen(QPen(QColor(30, 30, 30), 1));
            p.setBrush(QColor(20, 40, 20));
            p.drawRect(QRectF(2, 8, 27, 15));
            p.setPen(QPen(QColor(90, 240, 90), 2));
            for (int d = 0; d < 3; ++d) {
                const int x = 6 + d * 8;
                p.drawLine(x, 11, x + 4, 11);
                p.drawLine(x + 4, 11, x + 4, 19);
                p.drawLine(x, 15, x + 4, 15);
                p.drawLine(x, 19, x + 4, 19);
            }
            break;
        }
        case 212:    // waveform A
        case 211: {  // waveform B
            p.setPen(QPen(QColor(30, 30, 30), 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2, 4, 27, 23));
            p.setPen(QPen(resource == 212 ? QColor(210, 30, 30) : QColor(30, 60, 210), 2));
            const int peak = resource == 212 ? 10 : 20;
            QPolygon wave;
            for (int x = 4; x < 28; ++x) {
                const int d = x - peak;
                wave << QPoint(x, 24 - std::max(0, 16 - d * d));
            }
            p.drawPolyline(wave);
            p.setPen(QColor(20, 20, 20));
            QFont f = p.font();
            f.setPixelSize(9);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRect(20, 4, 9, 10), Qt::AlignCenter, resource == 212 ? "A" : "B");
            break;
        }
        case 213: {  // data storage: a drum of stored values
            p.setPen(QPen(QColor(40, 40, 40), 1));
            p.setBrush(QColor(240, 200, 80));
            for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(6, 22 - i * 7, 20, 7));
            p.setPen(QPen(QColor(30, 90, 200), 2));
            p.drawLine(16, 2, 16, 10);
            p.drawLine(12, 6, 16, 10);
            p.drawLine(20, 6, 16, 10);
            break;
        }
        default:
            break;
    }
}

void PaintProgramMarker(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 40, 30));
    p.drawPolygon(QPolygonF({QPointF(3, 2), QPointF(13, 8), QPointF(3, 14)}));
}

}  // namespace

DrawnPicture ButtonBitmap(int resource) {
    return DrawnPicture({32, 32}, [resource](QPainter& p) { PaintButtonBitmap(p, resource); });
}

DrawnPicture ProgramMarker() {
    return DrawnPicture({16, 16}, PaintProgramMarker);
}

namespace {

QIcon DrawApplicationIcon() {
    QIcon icon;
    // Sizes up to 2 x of the largest one shown (48 in the about box), so no screen gets an enlarged one.
    for (int size : {16, 24, 32, 48, 64, 96, 128}) {
        // Drawn premultiplied, the pixmap's own format: the same pixels, several times faster.
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 60, 120));
        p.drawRoundedRect(QRectF(4, 4, 56, 56), 10, 10);
        // A laser beam hitting a surface and its spot.
        p.setBrush(QColor(200, 210, 220));
        p.drawRect(QRectF(10, 44, 44, 8));
        p.setPen(QPen(QColor(255, 60, 40), 4));
        p.drawLine(QPointF(20, 12), QPointF(32, 44));
        p.setPen(QPen(QColor(255, 200, 60), 3));
        p.drawLine(QPointF(32, 44), QPointF(46, 14));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 240, 120));
        p.drawEllipse(QPointF(32, 44), 4, 4);
        p.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

// The drawn icon, kept for the application's lifetime (its pixmaps go before the application does).
QIcon* g_applicationIcon = nullptr;

void DropApplicationIcon() {
    delete g_applicationIcon;
    g_applicationIcon = nullptr;
}

}  // namespace

QIcon ApplicationIcon() {
    // Drawn once: the owner window, the main window and the dialogs all carry the same icon.
    if (g_applicationIcon == nullptr) {
        g_applicationIcon = new QIcon(DrawApplicationIcon());
        qAddPostRoutine(DropApplicationIcon);
    }
    return *g_applicationIcon;
}

namespace {

void PaintSplash(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 240);
    g.setColorAt(0, QColor(24, 48, 96));
    g.setColorAt(1, QColor(10, 20, 40));
    p.fillRect(QRect(0, 0, 400, 240), g);
    p.setPen(QPen(QColor(255, 60, 40), 3));
    p.drawLine(QPointF(60, 30), QPointF(110, 150));
    p.setPen(QPen(QColor(255, 200, 60), 2));
    p.drawLine(QPointF(110, 150), QPointF(170, 40));
    p.fillRect(QRectF(30, 150, 170, 10), QColor(190, 200, 215));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(36);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(180, 90, 210, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QD-Atlas"));
}

}  // namespace

DrawnPicture SplashPicture() {
    return DrawnPicture({400, 240}, PaintSplash);
}

}  // namespace qda
