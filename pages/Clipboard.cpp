#include "pages/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

namespace {

int32_t Le32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
int Le16(const uint8_t* p) {
    return p[0] | p[1] << 8;
}

}  // namespace

bool CClipboard::CopyText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return true;
}

bool CClipboard::CopyBitmap(const uint8_t* header, const uint8_t* bits, size_t bitsLength) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || !header || !bits) return false;
    // Only the plain form the chart writes: a 40-byte header, one plane, 24 bits, no compression.
    const int32_t size = Le32(header);
    const int32_t width = Le32(header + 4);
    const int32_t height = Le32(header + 8);
    if (size != 40 || Le16(header + 12) != 1 || Le16(header + 14) != 24 || Le32(header + 16) != 0)
        return false;
    if (width <= 0 || width > 32768 || height == 0 || height < -32768 || height > 32768) return false;
    const int rows = height < 0 ? -height : height;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const int32_t imageSize = Le32(header + 20);
    const size_t needed = stride * static_cast<size_t>(rows);
    if ((imageSize != 0 && static_cast<size_t>(imageSize) < needed) || bitsLength < needed) return false;

    QImage image(width, rows, QImage::Format_RGB32);
    for (int y = 0; y < rows; ++y) {
        // A positive height stores the bottom row first.
        const uint8_t* src = bits + stride * static_cast<size_t>(height > 0 ? rows - 1 - y : y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
    }
    clipboard->setImage(image);
    return true;
}
