#pragma once
// CGraph, the chart window: shows the canvas's bitmap, owns the horizontal scroll bar and turns
// mouse, timer and scroll input into canvas calls; tells its owner what happened through
// window messages (GRAPH_NOTIFY_LABEL_DRAG and GRAPH_NOTIFY_CURSOR posted, GRAPH_NOTIFY_SCROLL sent).
#include <QBasicTimer>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>
#include <memory>

#include "chart/GraphCanvas.h"
#include "chart/QtGraphPainter.h"

class CGraph : public QWidget {
    Q_OBJECT
public:
    explicit CGraph(QWidget* parent = nullptr);
    ~CGraph() override;

    // Builds the canvas at the client size less the scroll bar and makes the scroll bar.
    // `owner` receives `message` with the GRAPH_NOTIFY_ codes. Returns 1, or 0 when the bitmap
    // cannot be made.
    int Create(QObject* owner, unsigned message, double plotLeft, double plotTop, double plotWidth,
               double plotHeight, int yDivisions, int xDivisions, int yLabelStep, int xLabelStep,
               int xLabelsShown, int scrollResolution);
    // Remakes the canvas for the current client size; returns 1, or 0 when it cannot be made.
    int ResizeCanvas();

    int SetTraceCapacity(int trace, int capacity);
    void FreeTrace(int trace);
    void SetTraceData(int trace, int xOrigin, int xTotal, int low, int high, const GraphDisplayFormat& format,
                      int count, const int32_t* samples);
    int SetTraceProperties(int trace, int visible, const std::string& name, int xOffset, COLORREF colour);
    void SetMode(int sideBySide, int visibleSamples, int selectedPenWidth, int labelBoxes);
    void ComputeBands();
    void SelectTrace(int trace);
    int GetSelectedTrace() const { return m_canvas.GetSelectedTrace(); }
    bool IsTraceShown(int trace) const { return m_canvas.IsTraceShown(trace); }
    void SetCursor(int cursor, COLORREF colour);
    // Shows or hides a cursor and posts GRAPH_NOTIFY_CURSOR.
    void SetCursorVisible(int cursor, int visible, int redrawNow);
    void SetCursorSelection(int selection);
    int GetCursorSelection() const { return m_canvas.GetCursorSelection(); }
    int GetCursorPosition(int cursor) const { return m_canvas.GetCursorPosition(cursor); }
    // Moves a shown cursor by `delta` samples and posts GRAPH_NOTIFY_CURSOR.
    void MoveCursor(int cursor, int delta);
    int GetCursorStats(int trace, int indexA, int indexB, GraphCursorStats& stats) const {
        return m_canvas.GetCursorStats(trace, indexA, indexB, stats);
    }
    void GetTraceRange(int trace, int& low, int& high) const { m_canvas.GetTraceRange(trace, low, high); }
    int GetValidCount(int trace) const { return m_canvas.GetValidCount(trace); }
    int HasLastValue(int trace) const { return m_canvas.HasLastValue(trace); }
    int CanShift(int trace, int direction) const { return m_canvas.CanShift(trace, direction); }
    int GetScrollSamples() const { return m_canvas.GetScrollSamples(); }
    int GetScrollUnits() const { return m_canvas.GetScrollUnits(); }
    void SetScrollUnits(int units);
    void SuspendRedraw(int flag);
    void SetDrawCallback(GraphDrawCallback callback, void* context);
    void FractionToPixel(double fx, double fy, int& x, int& y) const {
        m_canvas.FractionToPixel(fx, fy, x, y);
    }
    // Copy of the bitmap header and pointer to the 24-bit pixels, for the clipboard.
    void GetBitmap(GraphBitmapInfoHeader& header, const uint8_t*& bits);

    CGraphCanvas& Canvas() { return m_canvas; }
    // The Qt painter that holds the image shown (ForgetFrame forces a whole redraw).
    qda::QtGraphPainter& Painter() { return *m_painter; }
    const CGraphCanvas& Canvas() const { return m_canvas; }
    QScrollBar* ScrollBar() const { return m_scrollBar; }
    // True while a mouse drag lasts on the window side (capture held, repeat timer running).
    bool IsDragging() const { return m_dragging; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Asks Qt to repaint the part of the image the canvas changed (later, or at once).
    void Invalidate();
    void RepaintNow();
    void OnScrollAction(int action);
    void OnScrollValue(int value);
    void SyncScrollBar();
    void EnsureCanvasSize();
    // After canvas work that may have scrolled: follows with the scroll bar and tells the owner.
    void AfterScroll(int unitsBefore);
    void Post(int code);
    // Capture lost: stops the window side of a drag without telling the owner.
    void CancelDrag();
    int ScrollBarHeight() const;

    qda::QtGraphPainter* m_painter;  // owned by m_canvas
    CGraphCanvas m_canvas;
    QScrollBar* m_scrollBar = nullptr;
    QPointer<QObject> m_owner;
    unsigned m_message = 0;
    bool m_created = false;
    bool m_dragging = false;
    qreal m_ratio = 1.0;  // device pixels per logical pixel the canvas is drawn at
    QBasicTimer m_repeat;
};
