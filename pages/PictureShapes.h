#pragma once
// Shapes the tool windows' button pictures are made of (drawn on a 24 x 24 logical picture), and
// the colours they share, so that the waveform and data storage windows' zoom buttons look alike.
#include <QColor>
#include <QPointF>

class QPainter;

namespace qda {

inline const QColor kPictureInk(30, 30, 30);
inline const QColor kPictureBlue(30, 90, 200);
inline const QColor kPictureGreen(20, 150, 60);

// A filled triangle without outline.
void FilledTriangle(QPainter& p, QPointF a, QPointF b, QPointF c, QColor colour);

// Two blue arrows on one axis through the picture's middle, pointing outwards (zoom in) or
// inwards (zoom out).
void ZoomArrows(QPainter& p, bool horizontal, bool outwards);

// A blue arrow at the top pointing up, or at the bottom pointing down (the move buttons).
void MoveArrow(QPainter& p, bool up);

}  // namespace qda
