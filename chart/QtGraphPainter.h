#pragma once
// The chart's painter on Qt: draws with QPainter into a 32-bit image that the chart window shows
// directly and that is converted to the 24-bit bitmap when the bitmap is asked for.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <memory>
#include <vector>

#include "chart/GraphPainter.h"

namespace qda {

class QtGraphPainter : public GraphPainter {
public:
    QtGraphPainter();
    ~QtGraphPainter() override;

    bool Resize(int width, int height) override;
    bool SetFonts(const GraphFont& label, const GraphFont& axis) override;
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
    void CopyTo(uint8_t* bits, int width, int height, int stride) const override;

    // The surface as painted so far (the chart window paints it on screen).
    const QImage& Image() const { return m_image; }
    const QFont& Font(GraphFontRole role) const { return role == GraphFontRole::Label ? m_label : m_axis; }

    static QColor ToQColor(COLORREF colour);
    static QFont ToQFont(const GraphFont& font);

private:
    QImage m_image;
    std::unique_ptr<QPainter> m_painter;
    QPen m_pen;
    int m_width = 1;
    QFont m_label, m_axis;
    std::vector<QPoint> m_buffer;
    std::vector<QPoint> m_shifted;
};

}  // namespace qda
