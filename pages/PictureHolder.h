#pragma once
// A fixed-size place on a page that shows one of the page's pictures (or nothing).
#include <QImage>
#include <QWidget>

#include "pages/DrawnPicture.h"

namespace qda {

class PictureHolder : public QWidget {
    Q_OBJECT
public:
    PictureHolder(int id, QSize size, QWidget* parent);
    // Shows `picture` over the page's own background, centred; a null picture shows nothing.
    void SetPicture(const DrawnPicture& picture);
    const DrawnPicture& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    DrawnPicture m_picture;
    QImage m_shown;  // m_picture drawn at the ratio of the last paint
};

}  // namespace qda
