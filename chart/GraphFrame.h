#pragma once
// One redraw of the chart kept as a list of drawing operations, so that the next redraw repaints
// only where it differs from this one. Operations found in both frames in the same order leave
// their pixels as they are; everything else is repainted inside the tiles the differing
// operations cover. A waveform arriving changes its trace and its peak lines, not the grid and
// the thirty-odd label texts whose layout made most of a whole redraw.
#include <cstdint>
#include <string>
#include <vector>

#include "chart/GraphPainter.h"

namespace qda {

enum class GraphOpKind : uint8_t { Fill, Line, Polyline, Frame, Text, Polygon, RotatedText };

struct GraphOp {
    GraphOpKind kind = GraphOpKind::Fill;
    COLORREF colour = 0;  // fill, pen or text colour
    int penWidth = 1;
    bool clipped = false;
    GraphRect clip;  // the clip in force, when clipped
    // Fill, frame or text box; a line's end points as (left, top) -> (right, bottom); the anchor
    // of a rotated text as (left, top).
    GraphRect rect;
    uint32_t first = 0;  // points of a polyline or polygon in the frame's pool
    uint32_t count = 0;
    std::string text;
    unsigned flags = 0;
    GraphFontRole font = GraphFontRole::Label;
    bool opaque = false;
    COLORREF background = 0;
    int angle = 0;
    // Every pixel the operation may change, the clip applied (empty when it changes none).
    GraphRect bounds;
    uint64_t hash = 0;
};

class GraphFrame {
public:
    void Clear();
    // Appends `op` with its points (copied into the pool); the caller has set everything but
    // first, count and hash.
    void Add(GraphOp op, const GraphPoint* points = nullptr, int count = 0);
    // Makes this frame the first `count` operations of `other`, with their points.
    void AssignHead(const GraphFrame& other, size_t count);
    // True when the first `count` operations of this frame and of `other` draw the same.
    bool SameHead(const GraphFrame& other, size_t count) const;
    const std::vector<GraphOp>& Ops() const { return m_ops; }
    const GraphPoint* Points(const GraphOp& op) const { return m_points.data() + op.first; }
    // True when `a` of this frame draws exactly what `b` of `other` draws.
    bool Same(const GraphOp& a, const GraphFrame& other, const GraphOp& b) const;

private:
    std::vector<GraphOp> m_ops;
    std::vector<GraphPoint> m_points;
};

// Where `now` may differ from `before` on a width x height surface, as a banded list of
// rectangles (sorted by top, then left; rectangles of one band share top and bottom and do not
// touch). Empty when nothing differs; the whole surface when most of it does. `sameHead`, when
// given, is set to how many leading operations the two frames share.
std::vector<GraphRect> GraphFrameDamage(const GraphFrame& before, const GraphFrame& now, int width,
                                        int height, size_t* sameHead = nullptr);

// The pixels a rectangle, line or point set may touch with a pen of `penWidth`.
GraphRect GraphPadRect(const GraphRect& rect, int pad);
GraphRect GraphPointBounds(const GraphPoint* points, int count, int pad);
GraphRect GraphIntersect(const GraphRect& a, const GraphRect& b);

}  // namespace qda
