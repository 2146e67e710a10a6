#pragma once
// Plain records and constants shared by the chart's drawing engine, its window and its owners.
#include <cstdint>
#include <string>

// wParam values of the owner's notification message.
constexpr int GRAPH_NOTIFY_LABEL_DRAG = 0;  // a trace label drag started
constexpr int GRAPH_NOTIFY_CURSOR = 1;      // a cursor moved or the cursor selection changed
constexpr int GRAPH_NOTIFY_SCROLL = 2;      // the scroll position changed (sent, not posted)

// Command identifier of the chart's horizontal scroll bar.
constexpr int ID_GRAPH_SCROLLBAR = 32782;

// Sample markers of chart traces (the same values as stored samples).
constexpr int32_t GRAPH_NO_DATA = INT32_MIN;         // 0x80000000
constexpr int32_t GRAPH_PLUS_OVER = INT32_MIN + 1;   // 0x80000001
constexpr int32_t GRAPH_MINUS_OVER = INT32_MIN + 2;  // 0x80000002

// Drag modes of the mouse.
constexpr int GRAPH_DRAG_NONE = 0;
constexpr int GRAPH_DRAG_TRACE_LABEL = 1;
constexpr int GRAPH_DRAG_CURSOR_LABEL = 2;
constexpr int GRAPH_DRAG_PLOT_CLICK = 3;
constexpr int GRAPH_DRAG_EMPTY_LABEL = 4;

constexpr int GRAPH_TRACE_COUNT = 4;
constexpr int GRAPH_CURSOR_COUNT = 2;

// A colour as 0x00BBGGRR.
using COLORREF = uint32_t;
constexpr COLORREF GraphRgb(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// The 40-byte header of a device-independent bitmap, little-endian fields as stored on the clipboard.
#pragma pack(push, 1)
struct GraphBitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 24;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(GraphBitmapInfoHeader) == 40, "bitmap header is 40 bytes");

// One vertical cursor: index 0 is cursor A, 1 is cursor B.
struct GraphCursor {
    int exists = 0;
    int visible = 0;
    COLORREF colour = 0;
    int position = 0;  // absolute sample index
};

// Values at the cursors and statistics between them, in display units.
// 2147483648.0 stands for "no value", 2147483649.0 plus-over, 2147483650.0 minus-over.
struct GraphCursorStats {
    double valueA = 0;
    double valueB = 0;
    double minimum = 0;
    double maximum = 0;
    double average = 0;
};
constexpr double GRAPH_STAT_NO_VALUE = 2147483648.0;
constexpr double GRAPH_STAT_PLUS_OVER = 2147483649.0;
constexpr double GRAPH_STAT_MINUS_OVER = 2147483650.0;

// The display-format triple of a trace: unit system, metric format index, inch format index.
struct GraphDisplayFormat {
    int unit = 2;
    int metricDigits = 0;
    int inchDigits = 0;
};

namespace qda {

// A pixel point; y == GRAPH_NO_DATA marks a gap in a point list.
struct GraphPoint {
    int x = 0;
    int y = 0;
    bool operator==(const GraphPoint&) const = default;
};

// A pixel rectangle with the right and bottom edges outside, as device rectangles are.
struct GraphRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    // Inclusive hit test: edges count as inside.
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    bool operator==(const GraphRect&) const = default;
};

// A font description (a subset of the Windows logical font).
struct GraphFont {
    int height = 0;
    int weight = 400;
    int italic = 0;
    int charSet = 1;
    int outPrecision = 3;
    int clipPrecision = 2;
    int quality = 2;
    int pitchAndFamily = 0x32;
    std::string faceName;
    bool operator==(const GraphFont&) const = default;
};

}  // namespace qda
