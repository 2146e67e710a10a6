#include "pages/PictureHolder.h"

#include <QPainter>

#include "pages/DrawnButtonAccessible.h"

namespace qda {

PictureHolder::PictureHolder(int id, QSize size, QWidget* parent) : QWidget(parent) {
    setObjectName(QString::number(id));
    setFixedSize(size);
    InstallDrawnControlAccessibility();
}

void PictureHolder::SetPicture(const DrawnPicture& picture) {
    m_picture = picture;
    m_shown = QImage();
    update();
}

void PictureHolder::paintEvent(QPaintEvent*) {
    if (m_picture.IsNull()) return;
    QPainter p(this);
    const qreal ratio = PaintRatio(p);
    if (m_shown.isNull() || m_shown.devicePixelRatio() != ratio) m_shown = m_picture.Render(ratio);
    // Centred in the place (the arrow marks are smaller than their statics).
    const QSize size = m_picture.Size();
    DrawOnDevicePixels(p, QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), m_shown);
}

}  // namespace qda
