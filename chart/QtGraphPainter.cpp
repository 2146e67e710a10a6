#include "chart/QtGraphPainter.h"

#include <algorithm>

#include <QFontMetrics>

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

}  // namespace

QtGraphPainter::QtGraphPainter() : m_pen(Qt::white, 0) {}

QtGraphPainter::~QtGraphPainter() {
    if (m_painter) m_painter->end();
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
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
    m_image = QImage();
    if (width <= 0 || height <= 0) return false;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return false;
    m_image = std::move(image);
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(&m_image)) {
        m_painter.reset();
        m_image = QImage();
        return false;
    }
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setPen(m_pen);
    return true;
}

bool QtGraphPainter::SetFonts(const GraphFont& label, const GraphFont& axis) {
    m_label = ToQFont(label);
    m_axis = ToQFont(axis);
    return true;
}

void QtGraphPainter::FillRect(const GraphRect& rect, COLORREF colour) {
    if (m_painter) m_painter->fillRect(ToQRect(rect), ToQColor(colour));
}

void QtGraphPainter::SetPen(COLORREF colour, int width) {
    // Width 1 is the cosmetic one-pixel pen; wider pens have round ends and joins.
    m_width = width < 1 ? 1 : width;
    m_pen = QPen(ToQColor(colour), width <= 1 ? 0 : width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (m_painter) m_painter->setPen(m_pen);
}

void QtGraphPainter::Line(int x1, int y1, int x2, int y2) {
    if (!m_painter) return;
    // The raster engine strokes a one-pixel vertical line pixel by pixel, which made the grid the
    // largest part of a chart redraw; as a one-pixel-wide rectangle the same pixels (both end
    // points included) are filled row by row at a fraction of the cost.
    if (m_width == 1 && (x1 == x2 || y1 == y2)) {
        m_painter->fillRect(
            QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))),
            m_pen.color());
        return;
    }
    m_painter->drawLine(x1, y1, x2, y2);
}

bool QtGraphPainter::Polyline(const GraphPoint* points, int count) {
    if (!m_painter || count < 2) return false;
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
        m_painter->drawPolyline(m_buffer.data(), count);
        return true;
    }
    // A wide trace is the one-pixel line repeated across the pen's width horizontally and
    // vertically: the same look as a stroked wide pen at a fraction of its cost, which matters
    // for the thousands of short segments of a dense trace.
    const QPen saved = m_painter->pen();
    m_painter->setPen(QPen(saved.color(), 0));
    const int first = -(m_width - 1) / 2;
    m_shifted.resize(m_buffer.size());
    for (int d = first; d < first + m_width; ++d) {
        for (int axis = 0; axis < 2; ++axis) {
            if (d == 0 && axis == 1) continue;  // the centre line is drawn once
            const QPoint shift(axis == 0 ? d : 0, axis == 1 ? d : 0);
            for (int i = 0; i < count; ++i) m_shifted[i] = m_buffer[i] + shift;
            m_painter->drawPolyline(m_shifted.data(), count);
        }
    }
    m_painter->setPen(saved);
    return true;
}

void QtGraphPainter::FrameRect(const GraphRect& rect) {
    if (!m_painter || rect.right <= rect.left || rect.bottom <= rect.top) return;
    m_painter->setBrush(Qt::NoBrush);
    m_painter->drawRect(rect.left, rect.top, rect.right - rect.left - 1, rect.bottom - rect.top - 1);
}

void QtGraphPainter::Text(const GraphRect& box, const std::string& text, unsigned flags, GraphFontRole font,
                          COLORREF colour, bool opaque, COLORREF background) {
    if (!m_painter) return;
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QRect r = ToQRect(box);
    const int qtFlags = ToQtFlags(flags);
    m_painter->setFont(Font(font));
    if (opaque) m_painter->fillRect(m_painter->boundingRect(r, qtFlags, s) & r, ToQColor(background));
    m_painter->setPen(ToQColor(colour));
    m_painter->drawText(r, qtFlags, s);
    m_painter->setPen(m_pen);
}

void QtGraphPainter::FillPolygon(const GraphPoint* points, int count, COLORREF colour) {
    if (!m_painter || count < 3) return;
    m_buffer.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) m_buffer[i] = QPoint(points[i].x, points[i].y);
    m_painter->setPen(Qt::NoPen);
    m_painter->setBrush(ToQColor(colour));
    m_painter->drawPolygon(m_buffer.data(), count);
    m_painter->setBrush(Qt::NoBrush);
    m_painter->setPen(m_pen);
}

void QtGraphPainter::MeasureText(const std::string& text, GraphFontRole font, int& width, int& height) {
    const QFontMetrics metrics(Font(font));
    const QRect r = metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop,
                                         QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    width = r.width();
    height = r.height();
}

void QtGraphPainter::RotatedText(int x, int y, const std::string& text, GraphFontRole font, COLORREF colour,
                                 int angleTenths) {
    if (!m_painter) return;
    m_painter->save();
    m_painter->translate(x, y);
    m_painter->rotate(-angleTenths / 10.0);
    m_painter->setFont(Font(font));
    m_painter->setPen(ToQColor(colour));
    m_painter->drawText(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop,
                        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    m_painter->restore();
}

void QtGraphPainter::SetClip(const GraphRect& rect) {
    if (m_painter) m_painter->setClipRect(ToQRect(rect));
}

void QtGraphPainter::ClearClip() {
    if (m_painter) m_painter->setClipping(false);
}

void QtGraphPainter::CopyTo(uint8_t* bits, int width, int height, int stride) const {
    const int w = std::min(width, m_image.width());
    const int h = std::min(height, m_image.height());
    for (int y = 0; y < h; ++y) {
        // Device-independent bitmaps store the bottom row first, blue-green-red.
        const QRgb* src = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
        uint8_t* dst = bits + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = static_cast<uint8_t>(qBlue(src[x]));
            dst[3 * x + 1] = static_cast<uint8_t>(qGreen(src[x]));
            dst[3 * x + 2] = static_cast<uint8_t>(qRed(src[x]));
        }
    }
}

}  // namespace qda
