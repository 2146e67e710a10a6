#include "chart/QtGraphPainter.h"

#include "chart/PixelLine.h"

#include <algorithm>
#include <cstring>

#include <QFontMetrics>
#include <QPaintEngine>
#include <QStaticText>
#include <QTransform>
#include <QtMath>

namespace qda {
namespace {

int ToQtFlags(unsigned flags) {
    int qt = 0;
    if (flags & kTextRight)
        qt |= Qt::AlignRight;
    else if (flags & kTextHCenter)
        qt |= Qt::AlignHCenter;
    else
        qt |= Qt::AlignLeft;
    qt |= (flags & kTextVCenter) ? Qt::AlignVCenter : Qt::AlignTop;
    if (flags & kTextSingleLine) qt |= Qt::TextSingleLine;
    return qt;
}

QRect ToQRect(const GraphRect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

GraphRect FromQRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

bool IsEmpty(const GraphRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The pixels of a 32-bit image, for the lines set directly. The pointer is taken once, before a
// painter is begun on the image, so that the two always write the same memory.
PixelSurface SurfaceOf(QImage& image) {
    return {reinterpret_cast<uint32_t*>(image.bits()), image.bytesPerLine() / 4, image.width(),
            image.height()};
}

}  // namespace

// While it lives, drawing goes to `painter` and the lines set directly to `surface`.
class QtGraphPainter::Retarget {
public:
    // With a `limit`, nothing is drawn outside it, clipped or not.
    Retarget(QtGraphPainter& owner, QPainter* painter, const PixelSurface& surface,
             const GraphRect* limit = nullptr)
        : m_owner(owner), m_painter(owner.m_painter), m_surface(owner.m_surface), m_clip(owner.m_pixelClip) {
        owner.m_painter = painter;
        owner.m_surface = surface;
        owner.m_pixelClip = {0, 0, surface.width, surface.height};
        owner.m_limited = limit != nullptr;
        if (limit != nullptr) owner.m_limit = *limit;
    }
    ~Retarget() {
        m_owner.m_painter = m_painter;
        m_owner.m_surface = m_surface;
        m_owner.m_pixelClip = m_clip;
        m_owner.m_limited = false;
    }
    Retarget(const Retarget&) = delete;
    Retarget& operator=(const Retarget&) = delete;

private:
    QtGraphPainter& m_owner;
    QPainter* m_painter;
    PixelSurface m_surface;
    GraphRect m_clip;
};

QtGraphPainter::QtGraphPainter() : m_pen(Qt::white, 0) {}

QtGraphPainter::~QtGraphPainter() {
    if (m_imagePainter) m_imagePainter->end();
}

QColor QtGraphPainter::ToQColor(COLORREF c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

QFont QtGraphPainter::ToQFont(const GraphFont& font) {
    QFont f;
    if (!font.faceName.empty()) f.setFamilies({QString::fromStdString(font.faceName), f.family()});
    // A positive height is the character cell (ascent + descent), a negative one the em height;
    // 0 asks for the default size, as with a logical font.
    if (font.height > 0) {
        f.setPixelSize(font.height);
        const int cell = QFontMetrics(f).height();
        if (cell > font.height) f.setPixelSize(std::max(1, font.height * font.height / cell));
    } else {
        f.setPixelSize(font.height < 0 ? -font.height : 12);
    }
    f.setWeight(font.weight >= 600 ? QFont::Bold : QFont::Normal);
    f.setItalic(font.italic != 0);
    return f;
}

bool QtGraphPainter::Resize(int width, int height) {
    if (m_imagePainter) {
        m_imagePainter->end();
        m_imagePainter.reset();
    }
    m_painter = nullptr;
    m_stale = QRegion();
    m_image = QImage();
    m_surface = {};
    m_retained = false;
    m_recording = false;
    DropBase();
    m_damage = QRegion();
    if (width <= 0 || height <= 0) return false;
    QImage image(qCeil(width * m_ratio), qCeil(height * m_ratio), QImage::Format_RGB32);
    if (image.isNull()) return false;
    image.setDevicePixelRatio(m_ratio);
    m_image = std::move(image);
    m_surface = SurfaceOf(m_image);
    m_imagePainter = std::make_unique<QPainter>();
    if (!m_imagePainter->begin(&m_image)) {
        m_imagePainter.reset();
        m_image = QImage();
        m_surface = {};
        return false;
    }
    m_painter = m_imagePainter.get();
    m_pixelClip = {0, 0, m_surface.width, m_surface.height};
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setPen(m_pen);
    m_damage = QRegion(0, 0, width, height);
    return true;
}

bool QtGraphPainter::SetFonts(const GraphFont& label, const GraphFont& axis) {
    Sync();  // what is still to paint was laid out in the old fonts
    m_label = ToQFont(label);
    m_axis = ToQFont(axis);
    m_textBoxes.clear();
    m_textSizes.clear();
    m_staticTexts.clear();
    m_retained = false;
    DropBase();  // its texts were laid out in the old fonts
    return true;
}

QRegion QtGraphPainter::TakeDamage() {
    QRegion damage;
    damage.swap(m_damage);
    // Past a few dozen rectangles, clipping to each costs more than painting their bounds. The
    // bounds are then also what is painted anew: the window is asked to show all of them.
    if (damage.rectCount() > kMostDamageRects) {
        damage = damage.boundingRect();
        m_stale += damage;
    }
    return damage;
}

void QtGraphPainter::DrewDirectly() {
    m_retained = false;
    m_damage = QRegion(0, 0, qCeil(m_image.width() / m_ratio), qCeil(m_image.height() / m_ratio));
}

GraphOp QtGraphPainter::NewOp(GraphOpKind kind, const GraphRect& bounds) const {
    GraphOp op;
    op.kind = kind;
    // Only lines take the pen; the other operations carry their own colour and no pen width, so
    // that a pen left over from an earlier call does not make them differ.
    const bool pen = kind == GraphOpKind::Line || kind == GraphOpKind::Polyline || kind == GraphOpKind::Frame;
    op.colour = pen ? m_penColour : 0;
    op.penWidth = pen ? m_penWidth : 0;
    op.clipped = m_clipped;
    op.clip = m_clip;
    op.bounds = m_clipped ? GraphIntersect(bounds, m_clip) : bounds;
    return op;
}

int QtGraphPainter::GlyphPad(GraphFontRole font) const {
    // Glyphs may reach past their advance and line box (bearings, accents, antialiased edges).
    return std::max(3, Font(font).pixelSize() / 3);
}

QRect QtGraphPainter::InkRect(const QString& text, const QSize& box, int flags, const QRect& laid,
                              GraphFontRole font) {
    // Where the glyphs may reach: past their advance and line box (bearings, accents,
    // antialiased edges).
    const int pad = GlyphPad(font);
    const QRect area = laid.adjusted(-pad, -pad, pad, pad);
    // At a fractional ratio a text's device position depends on where its box lies: the
    // margin stays.
    if (m_ratio != std::floor(m_ratio) || area.isEmpty()) return area;
    // Drawn once on black in the image's own format and ratio, the lit pixels are the ink; the
    // same text in a box elsewhere is the same pixels moved by whole device pixels.
    QImage scratch(qCeil(area.width() * m_ratio), qCeil(area.height() * m_ratio), QImage::Format_RGB32);
    if (scratch.isNull()) return area;
    scratch.setDevicePixelRatio(m_ratio);
    scratch.fill(Qt::black);
    {
        QPainter p(&scratch);
        p.setFont(Font(font));
        p.setPen(Qt::white);
        p.translate(-area.left(), -area.top());
        StrokeText(p, QRect(QPoint(0, 0), box), text, flags, laid, font);
    }
    int left = scratch.width(), right = -1, top = scratch.height(), bottom = -1;
    for (int y = 0; y < scratch.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
        for (int x = 0; x < scratch.width(); ++x)
            if ((row[x] & 0xFFFFFF) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    if (right < 0) return {};  // nothing to see: blanks
    const int ratio = static_cast<int>(m_ratio);
    // In logical pixels, one more all round.
    return QRect(QPoint(area.left() + left / ratio - 1, area.top() + top / ratio - 1),
                 QPoint(area.left() + right / ratio + 1, area.top() + bottom / ratio + 1));
}

void QtGraphPainter::StrokeText(QPainter& p, const QRect& box, const QString& text, int flags,
                                const QRect& laid, GraphFontRole font) {
    // A line that fits its box is drawn from its layout kept once, at the place the box's
    // layout gives it: laying it out on every draw was most of the texts' cost. Anything else
    // is drawn as Qt lays it out in the box, clipped to it.
    if (laid.isEmpty() || !QRect(QPoint(0, 0), box.size()).contains(laid) ||
        text.contains(QLatin1Char('\n'))) {
        p.drawText(box, flags, text);
        return;
    }
    QString key = text;
    key += font == GraphFontRole::Label ? QLatin1Char('L') : QLatin1Char('A');
    auto it = m_staticTexts.find(key);
    if (it == m_staticTexts.end()) {
        if (m_staticTexts.size() >= kTextLayoutsKept) m_staticTexts.clear();
        QStaticText prepared(text);
        prepared.setTextFormat(Qt::PlainText);
        prepared.prepare(QTransform(), Font(font));
        it = m_staticTexts.emplace(std::move(key), std::move(prepared)).first;
    }
    p.drawStaticText(box.topLeft() + laid.topLeft(), it->second);
}

const QtGraphPainter::TextLayout& QtGraphPainter::LayoutOf(const GraphRect& box, const std::string& text,
                                                           unsigned flags, GraphFontRole font) {
    std::string key;
    key.reserve(text.size() + 24);
    key += font == GraphFontRole::Label ? 'L' : 'A';
    key += std::to_string(flags) + ',' + std::to_string(box.right - box.left) + ',' +
           std::to_string(box.bottom - box.top) + ',';
    key += text;
    auto it = m_textBoxes.find(key);
    if (it == m_textBoxes.end()) {
        // Labels change with every scroll and zoom: the layouts kept stay bounded.
        if (m_textBoxes.size() >= kTextLayoutsKept) m_textBoxes.clear();
        const QSize size(box.right - box.left, box.bottom - box.top);
        const QString s = ToQString(text);
        TextLayout layout;
        layout.laid = QFontMetrics(Font(font)).boundingRect(QRect(QPoint(0, 0), size), ToQtFlags(flags), s);
        layout.ink = InkRect(s, size, ToQtFlags(flags), layout.laid, font);
        it = m_textBoxes.emplace(std::move(key), layout).first;
    }
    return it->second;
}

GraphRect QtGraphPainter::TextBounds(const GraphRect& box, const std::string& text, unsigned flags,
                                     GraphFontRole font, bool opaque) {
    const TextLayout& layout = LayoutOf(box, text, flags, font);
    QRect reach = layout.ink;
    // An opaque text also fills its laid-out extent inside the box.
    if (opaque) reach |= layout.laid & QRect(0, 0, box.right - box.left, box.bottom - box.top);
    return FromQRect(reach.translated(box.left, box.top));
}

GraphRect QtGraphPainter::RotatedTextBounds(int x, int y, const std::string& text, GraphFontRole font,
                                            int angleTenths) {
    int w = 0, h = 0;
    MeasureText(text, font, w, h);
    const int pad = GlyphPad(font);
    QTransform t;
    t.translate(x, y);
    t.rotate(-angleTenths / 10.0);
    return GraphPadRect(FromQRect(t.mapRect(QRectF(-pad, -pad, w + 2 * pad, h + 2 * pad)).toAlignedRect()),
                        1);
}

void QtGraphPainter::BeginFrame() {
    m_recording = m_painter != nullptr;
    m_frames[m_current].Clear();
}

void QtGraphPainter::EndFrame() {
    if (!m_recording) return;
    m_recording = false;
    const GraphFrame& now = m_frames[m_current];
    const GraphFrame& before = m_frames[1 - m_current];
    const int w = qRound(m_image.width() / m_ratio), h = qRound(m_image.height() / m_ratio);
    const GraphRect whole{0, 0, w, h};
    size_t head = 0;
    const std::vector<GraphRect> rects =
        m_retained ? GraphFrameDamage(before, now, w, h, &head) : std::vector<GraphRect>{whole};
    // Nothing is painted yet: the changed parts are noted, to be painted where they are shown.
    if (rects.size() == 1 && rects.front() == whole) {
        m_damage = QRegion(0, 0, w, h);
        m_stale = m_damage;
    } else if (!rects.empty()) {
        std::vector<QRect> q;
        q.reserve(rects.size());
        for (const GraphRect& r : rects) q.push_back(ToQRect(r));
        QRegion region;
        region.setRects(q.data(), static_cast<int>(q.size()));
        m_damage += region;
        m_stale += region;
        // A larger stale part is only more to paint later; a region of many rectangles costs
        // more to test and to paint under than its bounds.
        if (m_stale.rectCount() > kMostStaleRects) m_stale = m_stale.boundingRect();
    }
    // A head that kept its length over two changed frames is what stays while the rest
    // changes: it becomes the base once, unless the base holds it already.
    if (m_retained && head >= 2 && head < now.Ops().size() && head == m_lastHead && BaseFor(now) != head)
        BuildBase(now, head);
    if (!m_retained)
        m_lastHead = 0;
    else if (head < now.Ops().size())
        m_lastHead = head;  // an unchanged frame keeps the last change's head
    RestoreCallerState();
    m_retained = true;
    m_current = 1 - m_current;
}

size_t QtGraphPainter::BaseFor(const GraphFrame& frame) const {
    return m_baseOps > 0 && m_baseFrame.SameHead(frame, m_baseOps) ? m_baseOps : 0;
}

void QtGraphPainter::RenderRegion(const GraphFrame& frame, const QRegion& region) {
    const int w = qRound(m_image.width() / m_ratio), h = qRound(m_image.height() / m_ratio);
    const GraphRect whole{0, 0, w, h};
    const size_t first = BaseFor(frame);
    if (region.rectCount() == 1 && region.boundingRect().contains(ToQRect(whole))) {
        Unclip();
        if (first > 0) DrawBase(whole);
        DrawWhole(frame, first, frame.Ops().size());
        return;
    }
    std::vector<GraphRect> parts;
    parts.reserve(static_cast<size_t>(region.rectCount()));
    for (const QRect& r : region) {
        const GraphRect part = GraphIntersect(FromQRect(r), whole);
        if (!IsEmpty(part)) parts.push_back(part);
    }
    if (!parts.empty()) RepaintParts(frame, parts, first);
}

void QtGraphPainter::RestoreCallerState() {
    if (m_clipped)
        ClipTo(m_clip);
    else
        Unclip();
    ApplyPen(m_penColour, m_penWidth);
}

void QtGraphPainter::Sync() {
    if (m_stale.isEmpty()) return;
    QRegion stale;
    stale.swap(m_stale);
    if (m_painter == nullptr) return;
    // Inside a frame being recorded, the last one ended is still what the image shows.
    RenderRegion(m_frames[1 - m_current], stale);
    RestoreCallerState();
}

bool QtGraphPainter::PaintInto(QPainter& target, const QRegion& region) {
    const bool painted = PaintStraightInto(target, region);
    if (painted) ++m_paintedInto;
    return painted;
}

bool QtGraphPainter::PaintStraightInto(QPainter& target, const QRegion& region) {
    if (m_ratio != 1.0 || m_painter == nullptr || m_recording || region.isEmpty() || m_stale.isEmpty())
        return false;
    // Where the image holds the frame already, showing it costs only a copy.
    if (!(region - m_stale).isEmpty()) return false;
    QPaintEngine* engine = target.paintEngine();
    QPaintDevice* device = engine != nullptr ? engine->paintDevice() : nullptr;
    if (device == nullptr || device->devType() != QInternal::Image) return false;
    QImage& image = *static_cast<QImage*>(device);
    if ((image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied) ||
        image.devicePixelRatio() != 1.0 || !image.isDetached())
        return false;
    const QTransform t = target.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()) ||
        t.dx() < 0 || t.dy() < 0)
        return false;
    const int dx = static_cast<int>(t.dx()), dy = static_cast<int>(t.dy());
    // Nothing is drawn outside the region's bounds on the image's part of the target.
    const QRect bounds = region.boundingRect() & m_image.rect();
    const GraphRect limit = FromQRect(bounds);
    PixelSurface surface;
    surface.stride = image.bytesPerLine() / 4;
    surface.width = std::min(image.width() - dx, bounds.right() + 1);
    surface.height = std::min(image.height() - dy, bounds.bottom() + 1);
    if (surface.width <= 0 || surface.height <= 0) return false;
    // The painter writes the same memory: its engine keeps this pointer, taken from a detached
    // image, since it was begun.
    surface.pixels =
        reinterpret_cast<uint32_t*>(const_cast<uchar*>(image.constBits())) + dy * surface.stride + dx;
    {
        Retarget to(*this, &target, surface, &limit);
        target.save();
        target.setRenderHint(QPainter::Antialiasing, false);
        RenderRegion(m_frames[1 - m_current], region);
        target.restore();
    }
    return true;
}

void QtGraphPainter::DrawWhole(const GraphFrame& frame, size_t first, size_t end) {
    for (size_t i = first; i < end; ++i) {
        const GraphOp& op = frame.Ops()[i];
        if (op.clipped)
            ClipTo(op.clip);
        else
            Unclip();
        Draw(frame, op);
    }
}

void QtGraphPainter::BuildBase(const GraphFrame& frame, size_t count) {
    if (m_base.size() != m_image.size()) {
        m_base = QImage(m_image.size(), QImage::Format_RGB32);
        if (m_base.isNull()) {
            DropBase();
            return;
        }
        m_base.setDevicePixelRatio(m_ratio);
    }
    // The operations are drawn by the same routines, on the base's own painter.
    const PixelSurface baseSurface = SurfaceOf(m_base);
    QPainter painter;
    const bool ok = painter.begin(&m_base);
    if (ok) {
        Retarget to(*this, &painter, baseSurface);
        painter.setRenderHint(QPainter::Antialiasing, false);
        DrawWhole(frame, 0, count);
        painter.end();
    }
    if (!ok) {
        DropBase();
        return;
    }
    m_baseFrame.AssignHead(frame, count);
    m_baseOps = count;
}

void QtGraphPainter::DropBase() {
    m_base = QImage();
    m_baseFrame.Clear();
    m_baseOps = 0;
    m_lastHead = 0;
}

void QtGraphPainter::DrawBase(const GraphRect& part) {
    // Same pixel format and ratio: a straight copy of the part. Above 1 x the painter copies it,
    // under the part's clip set by the caller, so that at a fractional ratio it covers the device
    // pixels the operations drawn over it cover.
    QRect r = ToQRect(part) & m_image.rect();
    if (m_ratio == 1.0) r &= QRect(0, 0, m_surface.width, m_surface.height);
    if (r.isEmpty()) return;
    if (m_ratio == 1.0) {
        // Row by row: the painter's own copy costs several times as much for small parts.
        const size_t bytes = static_cast<size_t>(r.width()) * sizeof(uint32_t);
        const ptrdiff_t stride = m_surface.stride;
        uint32_t* to = m_surface.pixels + r.top() * stride + r.left();
        const ptrdiff_t baseStride = m_base.bytesPerLine() / 4;
        const uint32_t* from =
            reinterpret_cast<const uint32_t*>(m_base.constBits()) + r.top() * baseStride + r.left();
        for (int y = r.top(); y <= r.bottom(); ++y, to += stride, from += baseStride)
            std::memcpy(to, from, bytes);
    } else {
        m_painter->drawImage(
            QRectF(r), m_base,
            QRectF(r.x() * m_ratio, r.y() * m_ratio, r.width() * m_ratio, r.height() * m_ratio));
    }
}

void QtGraphPainter::ClipTo(const GraphRect& rect) {
    const GraphRect r = m_limited ? GraphIntersect(rect, m_limit) : rect;
    m_painter->setClipRect(ToQRect(r));
    m_pixelClip = r;
}

void QtGraphPainter::Unclip() {
    if (m_limited) {
        ClipTo(m_limit);
        return;
    }
    m_painter->setClipping(false);
    m_pixelClip = {0, 0, m_surface.width, m_surface.height};
}

void QtGraphPainter::RepaintParts(const GraphFrame& frame, const std::vector<GraphRect>& parts,
                                  size_t first) {
    // Everything of the new frame that reaches a changed part is painted again there, in its
    // order, over the frame's own background (its first operation fills the surface) or over
    // the base's pixels, which hold the operations before `first`. Each part is painted under a
    // plain rectangle clip, which the raster engine handles far faster than a clip region of
    // many rectangles.
    if (first > 0)
        for (const GraphRect& part : parts) {
            if (m_ratio != 1.0) ClipTo(part);
            DrawBase(part);
        }
    std::vector<GraphRect> pieces;
    for (size_t i = first; i < frame.Ops().size(); ++i) {
        const GraphOp& op = frame.Ops()[i];
        if (IsEmpty(op.bounds)) continue;
        pieces.clear();
        for (const GraphRect& part : parts) {
            const GraphRect piece = GraphIntersect(op.bounds, part);
            if (!IsEmpty(piece)) pieces.push_back(piece);
        }
        if (pieces.empty()) continue;
        const bool axisLine = op.kind == GraphOpKind::Line && op.penWidth <= 1 &&
                              (op.rect.left == op.rect.right || op.rect.top == op.rect.bottom);
        if (op.kind == GraphOpKind::Fill || axisLine) {
            // Rectangles are cut to each piece exactly: no clip needed.
            GraphRect r = op.rect;
            if (axisLine)
                r = {std::min(op.rect.left, op.rect.right), std::min(op.rect.top, op.rect.bottom),
                     std::max(op.rect.left, op.rect.right) + 1, std::max(op.rect.top, op.rect.bottom) + 1};
            if (op.clipped) r = GraphIntersect(r, op.clip);
            const QColor colour = ToQColor(op.colour);
            for (const GraphRect& piece : pieces) {
                const GraphRect cut = GraphIntersect(r, piece);
                if (!IsEmpty(cut)) {
                    ClipTo(cut);
                    m_painter->fillRect(ToQRect(cut), colour);
                }
            }
            continue;
        }
        if (op.kind == GraphOpKind::Polyline) {
            ApplyPen(op.colour, op.penWidth);
            const GraphPoint* pts = frame.Points(op);
            const int n = static_cast<int>(op.count);
            const bool monotone = std::is_sorted(
                pts, pts + n, [](const GraphPoint& a, const GraphPoint& b) { return a.x < b.x; });
            const int pad = op.penWidth + 1;
            // A one-pixel line at 1 x is set segment by segment into each piece directly.
            const bool direct = m_ratio == 1.0 && op.penWidth <= 1;
            const uint32_t colour = 0xFF000000u | m_pen.color().rgb();
            for (const GraphRect& piece : pieces) {
                if (!direct) ClipTo(piece);
                int lo = 0, hi = n;
                if (monotone) {
                    // A trace goes left to right: only the points reaching this piece, and one
                    // more on each side for the segments that cross its edges.
                    lo = static_cast<int>(
                        std::lower_bound(pts, pts + n, piece.left - pad,
                                         [](const GraphPoint& p, int x) { return p.x < x; }) -
                        pts);
                    hi = static_cast<int>(
                        std::upper_bound(pts, pts + n, piece.right + pad,
                                         [](int x, const GraphPoint& p) { return x < p.x; }) -
                        pts);
                    lo = std::max(0, lo - 1);
                    hi = std::min(n, hi + 1);
                }
                // Of those, the runs of segments that reach the piece: a piece across the whole
                // width (a trace's noisy baseline) would otherwise stroke every segment again.
                int run = -1;
                for (int k = lo; k + 1 < hi; ++k) {
                    const GraphPoint& a = pts[k];
                    const GraphPoint& b = pts[k + 1];
                    const bool reaches =
                        std::max(a.y, b.y) + pad >= piece.top && std::min(a.y, b.y) - pad < piece.bottom &&
                        std::max(a.x, b.x) + pad >= piece.left && std::min(a.x, b.x) - pad < piece.right;
                    if (direct) {
                        if (reaches) DrawPixelLine(m_surface, piece, colour, a.x, a.y, b.x, b.y);
                    } else if (reaches && run < 0) {
                        run = k;
                    } else if (!reaches && run >= 0) {
                        DrawPolyline(pts + run, k + 1 - run);
                        run = -1;
                    }
                }
                if (run >= 0) DrawPolyline(pts + run, hi - run);
            }
            continue;
        }
        if (op.kind == GraphOpKind::Line) {
            // A slanted line, piece by piece: one-pixel lines are set directly under a rectangle.
            for (const GraphRect& piece : pieces) {
                ClipTo(piece);
                Draw(frame, op);
            }
            continue;
        }
        // Texts, polygons and frames: once, clipped to the pieces they reach.
        if (pieces.size() == 1) {
            ClipTo(pieces.front());
        } else {
            std::vector<QRect> q;
            for (const GraphRect& piece : pieces) q.push_back(ToQRect(piece));
            QRegion region;
            region.setRects(q.data(), static_cast<int>(q.size()));
            // Qt 6.4's raster engine ignores a clip region set after clipping was switched off
            // once a clip rectangle had been used; a rectangle set first makes the region take.
            m_painter->setClipRect(QRect(0, 0, m_image.width(), m_image.height()));
            m_painter->setClipRegion(region);
        }
        Draw(frame, op);
    }
}

void QtGraphPainter::Draw(const GraphFrame& frame, const GraphOp& op) {
    switch (op.kind) {
        case GraphOpKind::Fill:
            // At 1 x under the rectangle in force (as every operation of a whole redraw is),
            // the pixels are set directly: the background of a whole chart is most of its cost.
            if (m_ratio == 1.0)
                FillPixels(m_surface, m_pixelClip, ToQColor(op.colour).rgba(), op.rect);
            else
                m_painter->fillRect(ToQRect(op.rect), ToQColor(op.colour));
            break;
        case GraphOpKind::Line:
            ApplyPen(op.colour, op.penWidth);
            DrawLine(op.rect.left, op.rect.top, op.rect.right, op.rect.bottom);
            break;
        case GraphOpKind::Polyline:
            ApplyPen(op.colour, op.penWidth);
            DrawPolyline(frame.Points(op), static_cast<int>(op.count));
            break;
        case GraphOpKind::Frame:
            ApplyPen(op.colour, op.penWidth);
            DrawFrameRect(op.rect);
            break;
        case GraphOpKind::Text:
            DrawText(op.rect, op.text, op.flags, op.font, op.colour, op.opaque, op.background);
            break;
        case GraphOpKind::Polygon:
            DrawPolygon(frame.Points(op), static_cast<int>(op.count), op.colour);
            break;
        case GraphOpKind::RotatedText:
            DrawRotatedText(op.rect.left, op.rect.top, op.text, op.font, op.colour, op.angle);
            break;
    }
}

void QtGraphPainter::FillRect(const GraphRect& rect, COLORREF colour) {
    if (!m_painter) return;
    if (m_recording) {
        GraphOp op = NewOp(GraphOpKind::Fill, rect);
        op.colour = colour;
        op.rect = rect;
        m_frames[m_current].Add(std::move(op));
        return;
    }
    Sync();
    m_painter->fillRect(ToQRect(rect), ToQColor(colour));
    DrewDirectly();
}

void QtGraphPainter::SetPen(COLORREF colour, int width) {
    m_penColour = colour;
    m_penWidth = width;
    if (!m_recording) ApplyPen(colour, width);
}

void QtGraphPainter::ApplyPen(COLORREF colour, int width) {
    // Width 1 is the cosmetic one-pixel pen; wider pens have round ends and joins.
    m_width = width < 1 ? 1 : width;
    if (m_ratio != 1.0 && width <= 1)
        m_pen = QPen(ToQColor(colour), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    else
        m_pen = QPen(ToQColor(colour), width <= 1 ? 0 : width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (m_painter) m_painter->setPen(m_pen);
}

void QtGraphPainter::Line(int x1, int y1, int x2, int y2) {
    if (!m_painter) return;
    if (m_recording) {
        const int pad = m_penWidth + 1;
        GraphOp op =
            NewOp(GraphOpKind::Line,
                  GraphPadRect(
                      {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1}, pad));
        op.rect = {x1, y1, x2, y2};
        m_frames[m_current].Add(std::move(op));
        return;
    }
    Sync();
    DrawLine(x1, y1, x2, y2);
    DrewDirectly();
}

void QtGraphPainter::DrawLine(int x1, int y1, int x2, int y2) {
    // The raster engine strokes a one-pixel vertical line pixel by pixel, which made the grid the
    // largest part of a chart redraw; as a one-pixel-wide rectangle the same pixels (both end
    // points included) are filled row by row at a fraction of the cost.
    if (m_width == 1 && (x1 == x2 || y1 == y2)) {
        m_painter->fillRect(
            QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))),
            m_pen.color());
        return;
    }
    const QPoint ends[2] = {{x1, y1}, {x2, y2}};
    if (m_width == 1) {
        StrokeOnePixel(ends, 2);
        return;
    }
    m_painter->drawLine(x1, y1, x2, y2);
}

void QtGraphPainter::StrokeOnePixel(const QPoint* points, int count) {
    if (m_ratio == 1.0) {
        const uint32_t colour = 0xFF000000u | m_pen.color().rgb();
        for (int i = 0; i + 1 < count; ++i)
            DrawPixelLine(m_surface, m_pixelClip, colour, points[i].x(), points[i].y(), points[i + 1].x(),
                          points[i + 1].y());
        return;
    }
    m_centred.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) m_centred[i] = QPointF(points[i].x() + 0.5, points[i].y() + 0.5);
    m_painter->drawPolyline(m_centred.data(), count);
}

bool QtGraphPainter::Polyline(const GraphPoint* points, int count) {
    if (!m_painter || count < 2) return false;
    if (m_recording) {
        GraphOp op = NewOp(GraphOpKind::Polyline, GraphPointBounds(points, count, m_penWidth + 1));
        m_frames[m_current].Add(std::move(op), points, count);
        return true;
    }
    Sync();
    DrawPolyline(points, count);
    DrewDirectly();
    return true;
}

void QtGraphPainter::DrawPolyline(const GraphPoint* points, int count) {
    // Repeated points add nothing to the line; flat stretches of a trace repeat every point of a
    // column, so dropping them halves the work. A run of one point stays two points long.
    m_buffer.clear();
    m_buffer.reserve(static_cast<size_t>(count));
    m_buffer.emplace_back(points[0].x, points[0].y);
    for (int i = 1; i < count; ++i)
        if (points[i].x != points[i - 1].x || points[i].y != points[i - 1].y)
            m_buffer.emplace_back(points[i].x, points[i].y);
    if (m_buffer.size() == 1) m_buffer.push_back(m_buffer.front());
    count = static_cast<int>(m_buffer.size());
    if (m_width <= 1) {
        StrokeOnePixel(m_buffer.data(), count);
        return;
    }
    // A wide trace is the one-pixel line repeated across the pen's width horizontally and
    // vertically: the same look as a stroked wide pen at a fraction of its cost, which matters
    // for the thousands of short segments of a dense trace.
    const QPen saved = m_painter->pen();
    if (m_ratio == 1.0)
        m_painter->setPen(QPen(saved.color(), 0));
    else
        m_painter->setPen(QPen(saved.color(), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const int first = -(m_width - 1) / 2;
    m_shifted.resize(m_buffer.size());
    for (int d = first; d < first + m_width; ++d) {
        for (int axis = 0; axis < 2; ++axis) {
            if (d == 0 && axis == 1) continue;  // the centre line is drawn once
            const QPoint shift(axis == 0 ? d : 0, axis == 1 ? d : 0);
            for (int i = 0; i < count; ++i) m_shifted[i] = m_buffer[i] + shift;
            StrokeOnePixel(m_shifted.data(), count);
        }
    }
    m_painter->setPen(saved);
}

void QtGraphPainter::FrameRect(const GraphRect& rect) {
    if (!m_painter || rect.right <= rect.left || rect.bottom <= rect.top) return;
    if (m_recording) {
        GraphOp op = NewOp(GraphOpKind::Frame, GraphPadRect(rect, m_penWidth + 1));
        op.rect = rect;
        m_frames[m_current].Add(std::move(op));
        return;
    }
    Sync();
    DrawFrameRect(rect);
    DrewDirectly();
}

void QtGraphPainter::DrawFrameRect(const GraphRect& rect) {
    if (m_ratio != 1.0) {
        // The four edges as one-pixel lines, as at 1 x.
        const QPoint edge[5] = {{rect.left, rect.top},
                                {rect.right - 1, rect.top},
                                {rect.right - 1, rect.bottom - 1},
                                {rect.left, rect.bottom - 1},
                                {rect.left, rect.top}};
        StrokeOnePixel(edge, 5);
        return;
    }
    m_painter->setBrush(Qt::NoBrush);
    m_painter->drawRect(rect.left, rect.top, rect.right - rect.left - 1, rect.bottom - rect.top - 1);
}

void QtGraphPainter::Text(const GraphRect& box, const std::string& text, unsigned flags, GraphFontRole font,
                          COLORREF colour, bool opaque, COLORREF background) {
    if (!m_painter) return;
    if (m_recording) {
        GraphOp op = NewOp(GraphOpKind::Text, TextBounds(box, text, flags, font, opaque));
        op.rect = box;
        op.text = text;
        op.flags = flags;
        op.font = font;
        op.colour = colour;
        op.opaque = opaque;
        op.background = opaque ? background : 0;
        m_frames[m_current].Add(std::move(op));
        return;
    }
    Sync();
    DrawText(box, text, flags, font, colour, opaque, background);
    DrewDirectly();
}

void QtGraphPainter::DrawText(const GraphRect& box, const std::string& text, unsigned flags,
                              GraphFontRole font, COLORREF colour, bool opaque, COLORREF background) {
    const QRect laid = LayoutOf(box, text, flags, font).laid;
    const QRect r = ToQRect(box);
    m_painter->setFont(Font(font));
    if (opaque) m_painter->fillRect(laid.translated(r.topLeft()) & r, ToQColor(background));
    m_painter->setPen(ToQColor(colour));
    StrokeText(*m_painter, r, ToQString(text), ToQtFlags(flags), laid, font);
    m_painter->setPen(m_pen);
}

void QtGraphPainter::FillPolygon(const GraphPoint* points, int count, COLORREF colour) {
    if (!m_painter || count < 3) return;
    if (m_recording) {
        GraphOp op = NewOp(GraphOpKind::Polygon, GraphPointBounds(points, count, 1));
        op.colour = colour;
        m_frames[m_current].Add(std::move(op), points, count);
        return;
    }
    Sync();
    DrawPolygon(points, count, colour);
    DrewDirectly();
}

void QtGraphPainter::DrawPolygon(const GraphPoint* points, int count, COLORREF colour) {
    m_buffer.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) m_buffer[i] = QPoint(points[i].x, points[i].y);
    m_painter->setPen(Qt::NoPen);
    m_painter->setBrush(ToQColor(colour));
    m_painter->drawPolygon(m_buffer.data(), count);
    m_painter->setBrush(Qt::NoBrush);
    m_painter->setPen(m_pen);
}

void QtGraphPainter::MeasureText(const std::string& text, GraphFontRole font, int& width, int& height) {
    std::string key(1, font == GraphFontRole::Label ? 'L' : 'A');
    key += text;
    auto it = m_textSizes.find(key);
    if (it == m_textSizes.end()) {
        if (m_textSizes.size() >= kTextLayoutsKept) m_textSizes.clear();
        const QRect r =
            QFontMetrics(Font(font))
                .boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, ToQString(text));
        it = m_textSizes.emplace(std::move(key), r.size()).first;
    }
    width = it->second.width();
    height = it->second.height();
}

void QtGraphPainter::RotatedText(int x, int y, const std::string& text, GraphFontRole font, COLORREF colour,
                                 int angleTenths) {
    if (!m_painter) return;
    if (m_recording) {
        GraphOp op = NewOp(GraphOpKind::RotatedText, RotatedTextBounds(x, y, text, font, angleTenths));
        op.rect = {x, y, x, y};
        op.text = text;
        op.font = font;
        op.colour = colour;
        op.angle = angleTenths;
        m_frames[m_current].Add(std::move(op));
        return;
    }
    Sync();
    DrawRotatedText(x, y, text, font, colour, angleTenths);
    DrewDirectly();
}

void QtGraphPainter::DrawRotatedText(int x, int y, const std::string& text, GraphFontRole font,
                                     COLORREF colour, int angleTenths) {
    m_painter->save();
    m_painter->translate(x, y);
    m_painter->rotate(-angleTenths / 10.0);
    m_painter->setFont(Font(font));
    m_painter->setPen(ToQColor(colour));
    m_painter->drawText(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, ToQString(text));
    m_painter->restore();
}

void QtGraphPainter::SetClip(const GraphRect& rect) {
    m_clipped = true;
    m_clip = rect;
    if (m_painter && !m_recording) ClipTo(rect);
}

void QtGraphPainter::ClearClip() {
    m_clipped = false;
    if (m_painter && !m_recording) Unclip();
}

void QtGraphPainter::CopyTo(uint8_t* bits, int width, int height, int stride) {
    Sync();
    // The bitmap has the canvas's logical size: at a higher ratio each of its pixels takes the
    // device pixel at its top-left corner.
    const int w = std::min(width, qFloor(m_image.width() / m_ratio));
    const int h = std::min(height, qFloor(m_image.height() / m_ratio));
    for (int y = 0; y < h; ++y) {
        // Device-independent bitmaps store the bottom row first, blue-green-red.
        const QRgb* src = reinterpret_cast<const QRgb*>(m_image.constScanLine(qFloor(y * m_ratio)));
        uint8_t* dst = bits + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const QRgb c = m_ratio == 1.0 ? src[x] : src[qFloor(x * m_ratio)];
            dst[3 * x] = static_cast<uint8_t>(qBlue(c));
            dst[3 * x + 1] = static_cast<uint8_t>(qGreen(c));
            dst[3 * x + 2] = static_cast<uint8_t>(qRed(c));
        }
    }
}

}  // namespace qda
