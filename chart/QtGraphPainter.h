#pragma once
// The chart's painter on Qt: draws with QPainter into a 32-bit image that the chart window shows
// directly and that is converted to the 24-bit bitmap when the bitmap is asked for.
//
// A redraw (BeginFrame ... EndFrame) is recorded first and then painted only inside the tiles
// where it differs from the previous frame (GraphFrame), so the image always holds exactly what
// a whole redraw would have painted; the region that changed is handed to the window to show.
// That painting waits until it is needed: the window paints the changed tiles straight onto the
// screen's backing store when it can (PaintInto), and the image catches up only when it is
// asked for (Image, CopyTo) or shown from.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRegion>
#include <QStaticText>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "chart/GraphFrame.h"
#include "chart/GraphPainter.h"
#include "chart/PixelLine.h"

namespace qda {

class QtGraphPainter : public GraphPainter {
public:
    QtGraphPainter();
    ~QtGraphPainter() override;

    bool Resize(int width, int height) override;
    bool SetFonts(const GraphFont& label, const GraphFont& axis) override;
    void BeginFrame() override;
    void EndFrame() override;
    void FillRect(const GraphRect& rect, COLORREF colour) override;
    void SetPen(COLORREF colour, int width) override;
    void Line(int x1, int y1, int x2, int y2) override;
    bool Polyline(const GraphPoint* points, int count) override;
    void FrameRect(const GraphRect& rect) override;
    void Text(const GraphRect& box, const std::string& text, unsigned flags, GraphFontRole font,
              COLORREF colour, bool opaque, COLORREF background) override;
    void FillPolygon(const GraphPoint* points, int count, COLORREF colour) override;
    void MeasureText(const std::string& text, GraphFontRole font, int& width, int& height) override;
    void RotatedText(int x, int y, const std::string& text, GraphFontRole font, COLORREF colour,
                     int angleTenths) override;
    void SetClip(const GraphRect& rect) override;
    void ClearClip() override;
    void CopyTo(uint8_t* bits, int width, int height, int stride) override;

    // Device pixels per logical pixel of the surface made by the next Resize: the image then
    // holds device pixels (with the ratio set) and everything is drawn at that resolution.
    void SetDevicePixelRatio(qreal ratio) { m_ratio = ratio > 0 ? ratio : 1.0; }
    qreal DevicePixelRatio() const { return m_ratio; }
    QSize DeviceSize() const { return m_image.size(); }
    // The surface with the last frame painted, in device pixels.
    const QImage& Image() {
        Sync();
        return m_image;
    }
    // Paints the last frame inside `region` (logical pixels) straight onto `target`, instead of
    // into the image and then from it: only at 1 x, where the image has not caught up with the
    // frame in all of `region` yet, and when `target` paints on a 32-bit image moved by whole
    // pixels (the backing store). False when it does not; the image is then the one to show.
    bool PaintInto(QPainter& target, const QRegion& region);
    // How many paints went straight onto their target.
    size_t PaintedInto() const { return m_paintedInto; }
    const QFont& Font(GraphFontRole role) const { return role == GraphFontRole::Label ? m_label : m_axis; }
    // The part of the image changed since the last call (the window repaints only that).
    QRegion TakeDamage();
    // The next frame is painted whole from nothing, whatever the last one was.
    void ForgetFrame() {
        m_retained = false;
        DropBase();
    }
    // How many leading operations of a frame the base image holds painted (0: none).
    size_t BaseOperations() const { return m_baseOps; }

    static QColor ToQColor(COLORREF colour);
    static QFont ToQFont(const GraphFont& font);

private:
    // Drawing straight into the image, with the pen and clip in force.
    void ApplyPen(COLORREF colour, int width);
    void DrawLine(int x1, int y1, int x2, int y2);
    void DrawPolyline(const GraphPoint* points, int count);
    // One pass of a one-pixel line through `points`: the cosmetic pen at 1 x; above, a pen one
    // logical pixel wide through the pixel centres, so that it covers the same logical pixels.
    void StrokeOnePixel(const QPoint* points, int count);
    void DrawFrameRect(const GraphRect& rect);
    void DrawText(const GraphRect& box, const std::string& text, unsigned flags, GraphFontRole font,
                  COLORREF colour, bool opaque, COLORREF background);
    void DrawPolygon(const GraphPoint* points, int count, COLORREF colour);
    void DrawRotatedText(int x, int y, const std::string& text, GraphFontRole font, COLORREF colour,
                         int angleTenths);
    void Draw(const GraphFrame& frame, const GraphOp& op);
    // Operations first..end-1 of `frame`, each under its own clip, over the whole surface.
    void DrawWhole(const GraphFrame& frame, size_t first, size_t end);
    // Paints the operations of `frame` from `first` on again inside `parts` (the changed
    // rectangles), over the base image when `first` is not 0.
    void RepaintParts(const GraphFrame& frame, const std::vector<GraphRect>& parts, size_t first);
    // The base: the first `count` operations of `frame` painted on their own.
    void BuildBase(const GraphFrame& frame, size_t count);
    void DropBase();
    // Copies the base's pixels of `part` into the image.
    void DrawBase(const GraphRect& part);
    void ClipTo(const GraphRect& rect);
    void Unclip();
    bool PaintStraightInto(QPainter& target, const QRegion& region);
    // The image brought up to the last frame where it has not caught up yet.
    void Sync();
    // The last frame painted inside `region` on the painter and surface in use.
    void RenderRegion(const GraphFrame& frame, const QRegion& region);
    // How many leading operations of `frame` the base holds (0 when it holds another head).
    size_t BaseFor(const GraphFrame& frame) const;
    // The pen and clip the caller set, on the image's painter, after painting a frame.
    void RestoreCallerState();
    // Painting on another painter and surface for a while (the base, the backing store).
    class Retarget;
    // A drawing call outside a frame: the image no longer matches the recorded frame.
    void DrewDirectly();

    // The op as recorded now: pen and clip in force, bounds clipped.
    GraphOp NewOp(GraphOpKind kind, const GraphRect& bounds) const;
    GraphRect TextBounds(const GraphRect& box, const std::string& text, unsigned flags, GraphFontRole font,
                         bool opaque);
    struct TextLayout;
    // Where a text lies in a box of its size and where its ink reaches, measured once.
    const TextLayout& LayoutOf(const GraphRect& box, const std::string& text, unsigned flags,
                               GraphFontRole font);
    // Draws `text` laid out at `laid` in `box` (Qt flags), as both the ink measure and the
    // drawing do, so that the two always agree.
    void StrokeText(QPainter& p, const QRect& box, const QString& text, int flags, const QRect& laid,
                    GraphFontRole font);
    // The pixels a text laid out at `laid` in a box of `box` may change, relative to the box.
    QRect InkRect(const QString& text, const QSize& box, int flags, const QRect& laid, GraphFontRole font);
    GraphRect RotatedTextBounds(int x, int y, const std::string& text, GraphFontRole font, int angleTenths);
    int GlyphPad(GraphFontRole font) const;

    QImage m_image;
    // Where one-pixel lines at 1 x are set directly: the image being painted (the base while it
    // is made) and the clip rectangle in force. Lines are only drawn under a rectangle.
    PixelSurface m_surface;
    GraphRect m_pixelClip;
    // While painting on a target other than the image: nothing is drawn outside m_limit.
    bool m_limited = false;
    GraphRect m_limit;
    qreal m_ratio = 1.0;
    std::unique_ptr<QPainter> m_imagePainter;
    QPainter* m_painter = nullptr;  // the painter in use: the image's, or a Retarget's
    // Where the image does not hold the last frame yet (logical pixels).
    QRegion m_stale;
    static constexpr int kMostStaleRects = 64;
    static constexpr int kMostDamageRects = 48;
    size_t m_paintedInto = 0;
    QPen m_pen;
    int m_width = 1;
    QFont m_label, m_axis;
    std::vector<QPoint> m_buffer;
    std::vector<QPoint> m_shifted;
    std::vector<QPointF> m_centred;

    // Pen and clip as the caller set them (applied to the QPainter only when drawing).
    COLORREF m_penColour = 0xFFFFFF;
    int m_penWidth = 1;
    bool m_clipped = false;
    GraphRect m_clip;

    bool m_recording = false;
    bool m_retained = false;  // the image holds the previous frame exactly
    GraphFrame m_frames[2];
    int m_current = 0;
    QRegion m_damage;
    // The leading operations that stayed the same over the last two frames, painted once on
    // their own: a repaint starts from their pixels instead of drawing them again (the
    // background, grid and labels under a waveform that changes several times a second).
    QImage m_base;
    GraphFrame m_baseFrame;
    size_t m_baseOps = 0;
    size_t m_lastHead = 0;  // leading operations the last frame shared with the one before
    // Text layouts measured once per font: where each text lies and where its ink reaches,
    // relative to its box; text sizes.
    struct TextLayout {
        QRect laid, ink;
    };
    static constexpr size_t kTextLayoutsKept = 4096;
    std::unordered_map<std::string, TextLayout> m_textBoxes;
    std::unordered_map<std::string, QSize> m_textSizes;
    // Lines of text laid out once per font, for drawing at their place in a box.
    std::unordered_map<QString, QStaticText> m_staticTexts;
};

}  // namespace qda
