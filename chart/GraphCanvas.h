#pragma once
// The chart's drawing engine: bitmap, layout, traces, cursors, scroll position and the mouse's
// drag state. It draws through a GraphPainter and needs no window; CGraph is its window.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/GraphLayout.h"
#include "chart/GraphPainter.h"
#include "chart/GraphScroll.h"
#include "chart/GraphTrace.h"
#include "chart/GraphTypes.h"

class CGraphCanvas;

// Called after every redraw with the canvas, its painter and the owner's context.
using GraphDrawCallback = void (*)(CGraphCanvas* canvas, qda::GraphPainter* painter, void* context);

// What a mouse press did, for the window to act on.
struct GraphPressResult {
    int mode = GRAPH_DRAG_NONE;  // the drag mode chosen by the hit test
    bool ignored = false;        // mouse interaction is off
    bool startDrag = false;      // capture the mouse, drag pointer, repeat timer
    bool notifyCursor = false;   // post GRAPH_NOTIFY_CURSOR
    bool notifyLabelDrag = false;
};

// What a pointer movement during a drag did.
struct GraphMoveResult {
    bool processed = false;     // the position was processed: repaint now
    bool notifyCursor = false;  // post GRAPH_NOTIFY_CURSOR
};

class CGraphCanvas {
public:
    explicit CGraphCanvas(std::unique_ptr<qda::GraphPainter> painter);
    ~CGraphCanvas();
    CGraphCanvas(const CGraphCanvas&) = delete;
    CGraphCanvas& operator=(const CGraphCanvas&) = delete;

    // Stores the layout and grid, makes the bitmap of canvasWidth x canvasHeight and draws once.
    // Returns 1, or 0 when the bitmap cannot be made.
    int Create(double plotLeft, double plotTop, double plotWidth, double plotHeight, int yDivisions,
               int xDivisions, int yLabelStep, int xLabelStep, int xLabelsShown, int scrollResolution,
               int canvasWidth, int canvasHeight);
    // Remakes fonts and bitmap for a new canvas size and redraws. Returns 1, or 0 on failure.
    int Resize(int canvasWidth, int canvasHeight);
    // Face name and character set of both fonts (the face comes from the message table).
    void SetFontFace(const std::string& faceName, bool japanese);
    const qda::GraphFont& LabelFont() const { return m_labelFont; }
    const qda::GraphFont& AxisFont() const { return m_axisFont; }

    // Frees the trace, clears its fields and allocates `capacity` zeroed samples; 0 on failure.
    int SetTraceCapacity(int trace, int capacity);
    void FreeTrace(int trace);
    // Loads samples (or clears them when `samples` is null) with the range [low, high] in display counts.
    void SetTraceData(int trace, int xOrigin, int xTotal, int low, int high, const GraphDisplayFormat& format,
                      int count, const int32_t* samples);
    // Stores what changed; returns 1 (and redraws) only if something changed.
    int SetTraceProperties(int trace, int visible, const std::string& name, int xOffset, COLORREF colour);
    void SetMode(int sideBySide, int visibleSamples, int selectedPenWidth, int labelBoxes);
    void ComputeBands();
    void SelectTrace(int trace);
    int GetSelectedTrace() const { return m_selectedTrace; }
    // Allocated, visible, has data and count > 0.
    bool IsTraceShown(int trace) const;

    void SetCursor(int cursor, COLORREF colour);
    void SetCursorVisible(int cursor, int visible, int redrawNow);
    void SetCursorSelection(int selection);
    int GetCursorSelection() const { return m_cursorSelection; }
    // Absolute sample index, or -1 when the cursor does not exist or is hidden.
    int GetCursorPosition(int cursor) const;
    // Adds `delta` to a shown cursor's position (a negative result is ignored); true when it moved.
    bool MoveCursor(int cursor, int delta);

    // Values at the cursors and statistics between them; returns 1 when anything was found.
    int GetCursorStats(int trace, int indexA, int indexB, GraphCursorStats& stats) const;
    // The displayed range in display counts.
    void GetTraceRange(int trace, int& low, int& high) const;
    int GetValidCount(int trace) const;
    int HasLastValue(int trace) const;
    // 1 when moving the range one grid row up (direction 1) or down (0) keeps samples in view.
    int CanShift(int trace, int direction) const;

    int GetScrollSamples() const { return m_scroll.Samples(); }
    int GetScrollUnits() const { return m_scroll.Units(); }
    // Sets the scroll position in units (clamped) and, when `redraw`, redraws; true when it changed.
    bool SetScrollUnits(int units, bool redraw = true);
    const qda::GraphScroll& Scroll() const { return m_scroll; }

    void SuspendRedraw(int flag);
    void SetDrawCallback(GraphDrawCallback callback, void* context);
    void FractionToPixel(double fx, double fy, int& x, int& y) const;
    // Copy of the bitmap header and the pointer to the bottom-up 24-bit pixels (null before Create).
    void GetBitmap(GraphBitmapInfoHeader& header, const uint8_t*& bits);

    // Draws everything into the bitmap (nothing while redraw is suspended).
    void Redraw();
    // How many redraws have been made so far (lets the window skip a redraw its owner already made).
    unsigned RedrawCount() const { return m_redraws; }

    // Mouse: a left press at (x, y).
    GraphPressResult Press(int x, int y);
    // Mouse: the pointer moved to (x, y) while a drag lasts.
    GraphMoveResult DragMove(int x, int y);
    // Repeat timer: processes the last pointer position again; true when it was processed.
    bool RepeatLastPosition();
    // Mouse: release ends the drag; returns the notification's wParam (1 after a cursor drag, else 0).
    int Release();
    // True when (x, y) lies on a trace label or a cursor label (pointer shape over labels).
    bool IsOverLabel(int x, int y) const;
    bool MouseInteraction() const { return m_labelBoxes != 0; }
    int DragMode() const { return m_dragMode; }
    int DragIndex() const { return m_dragIndex; }

    // Geometry used by drawing and hit tests.
    const qda::GraphLayout& Layout() const { return m_layout; }
    int BandCount() const;
    int ShownCount() const;
    qda::GraphRect TraceBand(int trace) const;
    qda::GraphRect TraceLabelBox(int trace) const;
    qda::GraphRect CursorLabelBox(int cursor) const;
    // Pixel x of a cursor or owner marker at screen position i (samples from the left edge).
    int CursorPixel(int i) const { return m_layout.CursorX(i, m_visibleSamples); }
    bool CursorInWindow(int cursor) const;
    const GraphTrace& Trace(int trace) const { return m_traces[trace]; }
    const GraphCursor& Cursor(int cursor) const { return m_cursors[cursor]; }
    int VisibleSamples() const { return m_visibleSamples; }
    int SideBySide() const { return m_sideBySide; }
    int YDivisions() const { return m_yDivisions; }
    int XDivisions() const { return m_xDivisions; }
    bool HasBitmap() const { return m_hasBitmap; }
    qda::GraphPainter* Painter() { return m_painter.get(); }

private:
    static bool ValidTrace(int trace) { return trace >= 0 && trace < GRAPH_TRACE_COUNT; }
    static bool ValidCursor(int cursor) { return cursor >= 0 && cursor < GRAPH_CURSOR_COUNT; }
    bool MakeBitmap(int canvasWidth, int canvasHeight);
    void InvalidateAll();
    void EnsurePointList(int trace);
    // The point lists of `traces` (the first `n`) not kept from the last redraw, two at a time
    // when there are many samples.
    void BuildPointLists(const int* traces, int n);
    static constexpr long long kSamplesForTwoThreads = 100000;
    void DrawGrid();
    void DrawXLabels();
    void DrawTrace(int trace, bool widePen);
    void DrawTraceLabel(int trace);
    void DrawYLabels(int trace);
    void DrawCursor(int cursor);
    void ProcessPosition(int x, int y);
    bool MoveCursorToX(int cursor, int x);
    void DragCursorsTo(int x);

    std::unique_ptr<qda::GraphPainter> m_painter;
    // Bitmap header and the 24-bit pixels, refreshed from the painter's surface when asked for.
    GraphBitmapInfoHeader m_header;
    std::vector<uint8_t> m_bits;
    bool m_hasBitmap = false;
    bool m_bitsStale = true;

    qda::GraphLayout m_layout;
    int m_yDivisions = 1, m_xDivisions = 1, m_yLabelStep = 1, m_xLabelStep = 1, m_xLabelsShown = 0;
    int m_xOrigin = 0, m_xTotal = 0;
    int m_selectedTrace = 0;
    qda::GraphFont m_labelFont, m_axisFont;

    int m_sideBySide = 0, m_visibleSamples = 0, m_selectedPenWidth = 1, m_labelBoxes = 0;
    std::array<GraphTrace, GRAPH_TRACE_COUNT> m_traces;
    std::array<GraphCursor, GRAPH_CURSOR_COUNT> m_cursors;

    int m_dragMode = GRAPH_DRAG_NONE, m_dragIndex = 0;
    int m_dragOffsetX = 0, m_dragOffsetY = 0;
    int m_lastX = -1, m_lastY = -1;
    int m_cursorSelection = 0;

    GraphDrawCallback m_callback = nullptr;
    void* m_callbackContext = nullptr;
    qda::GraphScroll m_scroll;
    int m_suspended = 0;
    unsigned m_redraws = 0;
};
