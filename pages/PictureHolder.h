#pragma once
// A fixed-size place on a page that shows one of the page's pictures (or nothing).
#include <QImage>
#include <QWidget>

namespace qda {

class PictureHolder : public QWidget {
    Q_OBJECT
public:
    PictureHolder(int id, QSize size, QWidget* parent);
    // Shows `picture` (its transparent colour replaced by the face colour); a null image shows nothing.
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage m_picture;
};

}  // namespace qda
