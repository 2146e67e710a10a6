#include "chart/GraphFrame.h"

#include <algorithm>
#include <cstring>

namespace qda {
namespace {

// Damage is kept in square tiles: fine enough to follow a trace, coarse enough that the region
// handed to the painter stays a few hundred rectangles.
constexpr int kTile = 16;
// Past this share of the surface a whole repaint is cheaper than a clipped one.
constexpr int kWholePercent = 60;
// The common-subsequence table is built only up to this many cells; beyond, the operations
// between the common head and tail all count as changed (still correct, only larger).
constexpr size_t kMatchCells = 250000;

uint64_t Mix(uint64_t h, uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h;
}

uint64_t HashBytes(uint64_t h, const void* data, size_t size) {
    // Eight bytes a step: the hash only sorts out operations that differ (equal hashes are
    // compared in full), and a trace's points are most of what is hashed each frame.
    const auto* p = static_cast<const unsigned char*>(data);
    uint64_t f = 1469598103934665603ull ^ size;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        f = (f ^ word) * 0x9E3779B97F4A7C15ull;
        f ^= f >> 29;
    }
    for (; i < size; ++i) f = (f ^ p[i]) * 1099511628211ull;
    return Mix(h, f);
}

bool Empty(const GraphRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

class TileGrid {
public:
    TileGrid(int width, int height)
        : m_width(width),
          m_height(height),
          m_cols((width + kTile - 1) / kTile),
          m_rows((height + kTile - 1) / kTile),
          m_marks(static_cast<size_t>(m_cols) * m_rows, 0) {}

    void Mark(const GraphRect& r) {
        const GraphRect c = GraphIntersect(r, {0, 0, m_width, m_height});
        if (Empty(c)) return;
        const int c0 = c.left / kTile, c1 = (c.right - 1) / kTile;
        const int r0 = c.top / kTile, r1 = (c.bottom - 1) / kTile;
        for (int y = r0; y <= r1; ++y)
            std::memset(&m_marks[static_cast<size_t>(y) * m_cols + c0], 1, static_cast<size_t>(c1 - c0 + 1));
    }

    // A polyline marks the tiles of each segment's box rather than of the whole line's box.
    void MarkPolyline(const GraphPoint* p, int count, int pad, const GraphRect* clip) {
        const GraphRect limit =
            clip ? GraphIntersect(*clip, {0, 0, m_width, m_height}) : GraphRect{0, 0, m_width, m_height};
        if (Empty(limit)) return;
        int last[4] = {-1, -1, -1, -1};
        for (int i = 0; i + 1 < count; ++i) {
            const int l = std::max(limit.left, std::min(p[i].x, p[i + 1].x) - pad);
            const int r = std::min(limit.right, std::max(p[i].x, p[i + 1].x) + 1 + pad);
            const int t = std::max(limit.top, std::min(p[i].y, p[i + 1].y) - pad);
            const int b = std::min(limit.bottom, std::max(p[i].y, p[i + 1].y) + 1 + pad);
            if (l >= r || t >= b) continue;
            const int tiles[4] = {l / kTile, (r - 1) / kTile, t / kTile, (b - 1) / kTile};
            if (std::equal(tiles, tiles + 4, last)) continue;  // neighbouring segments share tiles
            std::copy(tiles, tiles + 4, last);
            for (int y = tiles[2]; y <= tiles[3]; ++y)
                std::memset(&m_marks[static_cast<size_t>(y) * m_cols + tiles[0]], 1,
                            static_cast<size_t>(tiles[1] - tiles[0] + 1));
        }
    }

    std::vector<GraphRect> Rects() const {
        std::vector<GraphRect> out;
        size_t marked = 0;
        for (const char m : m_marks) marked += m != 0;
        if (marked == 0) return out;
        if (marked * 100 > m_marks.size() * kWholePercent) return {{0, 0, m_width, m_height}};
        size_t bandStart = 0;  // first rectangle of the previous band
        for (int y = 0; y < m_rows; ++y) {
            const size_t rowStart = out.size();
            const char* row = &m_marks[static_cast<size_t>(y) * m_cols];
            const int top = y * kTile, bottom = std::min(m_height, top + kTile);
            for (int x = 0; x < m_cols;) {
                if (!row[x]) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < m_cols && row[x]) ++x;
                out.push_back({start * kTile, top, std::min(m_width, x * kTile), bottom});
            }
            // A row with the same runs as the band above joins that band.
            const size_t bandSize = rowStart - bandStart, rowSize = out.size() - rowStart;
            bool same = rowStart > 0 && bandSize == rowSize && out[bandStart].bottom == top;
            for (size_t k = 0; same && k < rowSize; ++k)
                same = out[bandStart + k].left == out[rowStart + k].left &&
                       out[bandStart + k].right == out[rowStart + k].right;
            if (same && rowSize > 0) {
                for (size_t k = 0; k < rowSize; ++k) out[bandStart + k].bottom = bottom;
                out.resize(rowStart);
            } else if (rowSize > 0) {
                bandStart = rowStart;
            }
        }
        return out;
    }

private:
    int m_width, m_height, m_cols, m_rows;
    std::vector<char> m_marks;
};

void MarkOp(TileGrid& grid, const GraphFrame& frame, const GraphOp& op) {
    if (op.kind == GraphOpKind::Polyline)
        grid.MarkPolyline(frame.Points(op), static_cast<int>(op.count), op.penWidth + 1,
                          op.clipped ? &op.clip : nullptr);
    else
        grid.Mark(op.bounds);
}

}  // namespace

GraphRect GraphPadRect(const GraphRect& r, int pad) {
    return {r.left - pad, r.top - pad, r.right + pad, r.bottom + pad};
}

GraphRect GraphIntersect(const GraphRect& a, const GraphRect& b) {
    GraphRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    if (Empty(r)) return {};
    return r;
}

GraphRect GraphPointBounds(const GraphPoint* p, int count, int pad) {
    if (count <= 0) return {};
    GraphRect r{p[0].x, p[0].y, p[0].x + 1, p[0].y + 1};
    for (int i = 1; i < count; ++i) {
        r.left = std::min(r.left, p[i].x);
        r.top = std::min(r.top, p[i].y);
        r.right = std::max(r.right, p[i].x + 1);
        r.bottom = std::max(r.bottom, p[i].y + 1);
    }
    return GraphPadRect(r, pad);
}

void GraphFrame::Clear() {
    m_ops.clear();
    m_points.clear();
}

void GraphFrame::Add(GraphOp op, const GraphPoint* points, int count) {
    op.first = static_cast<uint32_t>(m_points.size());
    op.count = static_cast<uint32_t>(std::max(0, count));
    if (count > 0) m_points.insert(m_points.end(), points, points + count);
    uint64_t h = static_cast<uint64_t>(op.kind);
    const int64_t fields[] = {op.colour,
                              op.penWidth,
                              op.clipped,
                              op.clip.left,
                              op.clip.top,
                              op.clip.right,
                              op.clip.bottom,
                              op.rect.left,
                              op.rect.top,
                              op.rect.right,
                              op.rect.bottom,
                              op.flags,
                              static_cast<int>(op.font),
                              op.opaque,
                              op.background,
                              op.angle,
                              op.count};
    h = HashBytes(h, fields, sizeof fields);
    h = HashBytes(h, op.text.data(), op.text.size());
    if (count > 0) h = HashBytes(h, points, sizeof(GraphPoint) * static_cast<size_t>(count));
    op.hash = h;
    m_ops.push_back(std::move(op));
}

bool GraphFrame::Same(const GraphOp& a, const GraphFrame& other, const GraphOp& b) const {
    if (a.hash != b.hash || a.kind != b.kind || a.colour != b.colour || a.penWidth != b.penWidth ||
        a.clipped != b.clipped || (a.clipped && !(a.clip == b.clip)) || !(a.rect == b.rect) ||
        a.flags != b.flags || a.font != b.font || a.opaque != b.opaque || a.background != b.background ||
        a.angle != b.angle || a.count != b.count || a.text != b.text)
        return false;
    return a.count == 0 ||
           std::memcmp(Points(a), other.Points(b), sizeof(GraphPoint) * static_cast<size_t>(a.count)) == 0;
}

void GraphFrame::AssignHead(const GraphFrame& other, size_t count) {
    count = std::min(count, other.m_ops.size());
    m_ops.assign(other.m_ops.begin(), other.m_ops.begin() + static_cast<std::ptrdiff_t>(count));
    size_t points = 0;
    for (const GraphOp& op : m_ops) points = std::max<size_t>(points, op.first + op.count);
    m_points.assign(other.m_points.begin(), other.m_points.begin() + static_cast<std::ptrdiff_t>(points));
}

bool GraphFrame::SameHead(const GraphFrame& other, size_t count) const {
    if (count > m_ops.size() || count > other.m_ops.size()) return false;
    for (size_t i = 0; i < count; ++i)
        if (!Same(m_ops[i], other, other.m_ops[i])) return false;
    return true;
}

std::vector<GraphRect> GraphFrameDamage(const GraphFrame& before, const GraphFrame& now, int width,
                                        int height, size_t* sameHead) {
    // Any order-preserving pairing of equal operations is sound: a pixel outside every unpaired
    // operation is touched by the same operations in the same order in both frames.
    const auto& a = before.Ops();
    const auto& b = now.Ops();
    size_t head = 0;
    while (head < a.size() && head < b.size() && before.Same(a[head], now, b[head])) ++head;
    if (sameHead != nullptr) *sameHead = head;
    size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           before.Same(a[a.size() - 1 - tail], now, b[b.size() - 1 - tail]))
        ++tail;
    const size_t n = a.size() - head - tail, m = b.size() - head - tail;
    std::vector<char> pairedA(n, 0), pairedB(m, 0);
    if (n > 0 && m > 0 && (n + 1) * (m + 1) <= kMatchCells) {
        // Longest common subsequence of the middle parts, then walked back to mark the pairs.
        std::vector<uint16_t> len((n + 1) * (m + 1), 0);
        auto at = [&](size_t i, size_t j) -> uint16_t& { return len[i * (m + 1) + j]; };
        for (size_t i = n; i-- > 0;)
            for (size_t j = m; j-- > 0;)
                at(i, j) = before.Same(a[head + i], now, b[head + j])
                               ? static_cast<uint16_t>(at(i + 1, j + 1) + 1)
                               : std::max(at(i + 1, j), at(i, j + 1));
        for (size_t i = 0, j = 0; i < n && j < m;) {
            if (before.Same(a[head + i], now, b[head + j])) {
                pairedA[i++] = 1;
                pairedB[j++] = 1;
            } else if (at(i + 1, j) >= at(i, j + 1)) {
                ++i;
            } else {
                ++j;
            }
        }
    }
    TileGrid grid(width, height);
    for (size_t i = 0; i < n; ++i)
        if (!pairedA[i]) MarkOp(grid, before, a[head + i]);
    for (size_t j = 0; j < m; ++j)
        if (!pairedB[j]) MarkOp(grid, now, b[head + j]);
    return grid.Rects();
}

}  // namespace qda
