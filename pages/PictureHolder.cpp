#include "pages/PictureHolder.h"

#include <QPainter>

#include "pages/PagePictures.h"

namespace qda {

PictureHolder::PictureHolder(int id, QSize size, QWidget* parent) : QWidget(parent) {
    setObjectName(QString::number(id));
    setFixedSize(size);
}

void PictureHolder::SetPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void PictureHolder::paintEvent(QPaintEvent*) {
    if (m_picture.isNull()) return;
    QPainter p(this);
    const QImage shown = WithBackground(m_picture, palette().color(QPalette::Window));
    // Centred in the place (the arrow marks are smaller than their statics).
    p.drawImage(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

}  // namespace qda
