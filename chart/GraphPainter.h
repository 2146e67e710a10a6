#pragma once
// The small drawing surface the chart engine draws through. The product adapter paints with
// QPainter into an image; tests record the calls, so the geometry is checked without a display.
#include <cstdint>
#include <string>

#include "chart/GraphTypes.h"

namespace qda {

// Text placement flags of GraphPainter::Text.
enum GraphTextFlags : unsigned {
    kTextLeft = 0x00,
    kTextHCenter = 0x01,
    kTextRight = 0x02,
    kTextTop = 0x00,
    kTextVCenter = 0x04,
    kTextSingleLine = 0x20,
};

// Which of the canvas's two fonts a text uses.
enum class GraphFontRole { Label, Axis };

class GraphPainter {
public:
    virtual ~GraphPainter() = default;

    // Makes a surface of width x height pixels (contents undefined); false when it cannot be made.
    virtual bool Resize(int width, int height) = 0;
    // Makes the two fonts; false when either cannot be made.
    virtual bool SetFonts(const GraphFont& label, const GraphFont& axis) = 0;

    // A redraw of the whole surface starts and ends: everything drawn in between is one frame,
    // which a painter may compare with the last one to repaint only what changed.
    virtual void BeginFrame() {}
    virtual void EndFrame() {}

    // Fills `rect` (right and bottom edges excluded) with `colour`.
    virtual void FillRect(const GraphRect& rect, COLORREF colour) = 0;
    // Selects the pen of the following line drawing.
    virtual void SetPen(COLORREF colour, int width) = 0;
    // A straight line between two points with the current pen.
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    // A connected line through `count` points with the current pen; false when it could not be drawn.
    virtual bool Polyline(const GraphPoint* points, int count) = 0;
    // The outline of `rect` (left..right-1, top..bottom-1) with the current pen.
    virtual void FrameRect(const GraphRect& rect) = 0;
    // Text (UTF-8) placed in `box` by `flags`; `opaque` fills the text's extent with `background` first.
    virtual void Text(const GraphRect& box, const std::string& text, unsigned flags, GraphFontRole font,
                      COLORREF colour, bool opaque, COLORREF background) = 0;
    // A polygon filled with `colour` (used by owners' draw callbacks for markers).
    virtual void FillPolygon(const GraphPoint* points, int count, COLORREF colour) = 0;
    // Size in pixels of `text` (UTF-8, line breaks kept) in `font`; width and height are set.
    virtual void MeasureText(const std::string& text, GraphFontRole font, int& width, int& height) = 0;
    // Text (UTF-8) whose top-left starts at (x, y), turned by `angleTenths` tenths of a degree
    // counter-clockwise, transparent background.
    virtual void RotatedText(int x, int y, const std::string& text, GraphFontRole font, COLORREF colour,
                             int angleTenths) = 0;
    // Restricts drawing to `rect` (right and bottom edges excluded) until ClearClip.
    virtual void SetClip(const GraphRect& rect) = 0;
    virtual void ClearClip() = 0;

    // Copies the surface into a bottom-up 24-bit blue-green-red buffer of `width` x `height` pixels
    // with rows of `stride` bytes.
    virtual void CopyTo(uint8_t* bits, int width, int height, int stride) = 0;
};

}  // namespace qda
