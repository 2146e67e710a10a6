#include "pages/CrispLines.h"

#include <QPainter>
#include <algorithm>

namespace qda {

void CrispLine(QPainter& p, QPoint a, QPoint b, QColor colour) {
    const int left = std::min(a.x(), b.x());
    const int top = std::min(a.y(), b.y());
    p.fillRect(QRect(left, top, std::abs(a.x() - b.x()) + 1, std::abs(a.y() - b.y()) + 1), colour);
}

void CrispFrame(QPainter& p, const QRect& r, QColor colour) {
    const QRect outline = r.adjusted(0, 0, 1, 1);
    CrispLine(p, outline.topLeft(), outline.topRight(), colour);
    CrispLine(p, outline.bottomLeft(), outline.bottomRight(), colour);
    CrispLine(p, outline.topLeft(), outline.bottomLeft(), colour);
    CrispLine(p, outline.topRight(), outline.bottomRight(), colour);
}

}  // namespace qda
