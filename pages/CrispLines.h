#pragma once
// One-pixel lines of the drawn controls, filled as one-pixel rectangles. A stroked one-pixel line at
// whole coordinates straddles two pixel rows: at 2 x it lands half a pixel off (and half outside the
// control on its top and left edges); a filled rectangle covers exactly its pixels at every ratio.
#include <QColor>
#include <QPoint>
#include <QRect>

class QPainter;

namespace qda {

// The horizontal or vertical line of pixels from `a` to `b`, both ends included.
void CrispLine(QPainter& p, QPoint a, QPoint b, QColor colour);
// The outline of `r` as QPainter::drawRect draws it with a one-pixel pen at 1 x: its left and top
// edges at r.left() and r.top(), its right and bottom ones at r.right() + 1 and r.bottom() + 1.
void CrispFrame(QPainter& p, const QRect& r, QColor colour);

}  // namespace qda
