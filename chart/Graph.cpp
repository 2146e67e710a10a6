#include "chart/Graph.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QtMath>
#include <cmath>

#include "windowing/WindowMessage.h"

namespace {
// Period of the repeat timer that keeps a drag going while the pointer stands still.
constexpr int kRepeatMs = 100;
}  // namespace

CGraph::CGraph(QWidget* parent)
    : QWidget(parent),
      m_painter(new qda::QtGraphPainter),
      m_canvas(std::unique_ptr<qda::GraphPainter>(m_painter)) {
    // The bitmap covers the whole client area: no background erase, so repainting never flickers.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
}

CGraph::~CGraph() {
    m_repeat.stop();
}

int CGraph::ScrollBarHeight() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

int CGraph::Create(QObject* owner, unsigned message, double plotLeft, double plotTop, double plotWidth,
                   double plotHeight, int yDivisions, int xDivisions, int yLabelStep, int xLabelStep,
                   int xLabelsShown, int scrollResolution) {
    m_owner = owner;
    m_message = message;
    if (!m_scrollBar) {
        m_scrollBar = new QScrollBar(Qt::Horizontal, this);
        m_scrollBar->setObjectName(QString::number(ID_GRAPH_SCROLLBAR));
        m_scrollBar->setSingleStep(1);
        connect(m_scrollBar, &QScrollBar::actionTriggered, this, &CGraph::OnScrollAction);
        connect(m_scrollBar, &QScrollBar::valueChanged, this, &CGraph::OnScrollValue);
    }
    const int sb = ScrollBarHeight();
    m_scrollBar->setGeometry(0, height() - sb, width(), sb);
    m_scrollBar->show();
    m_ratio = devicePixelRatioF();
    m_painter->SetDevicePixelRatio(m_ratio);
    // A control that has not been laid out yet starts with a one-pixel canvas; its first resize
    // makes the real one, as the owners resize the chart once after creating it.
    const int ok = m_canvas.Create(plotLeft, plotTop, plotWidth, plotHeight, yDivisions, xDivisions,
                                   yLabelStep, xLabelStep, xLabelsShown, scrollResolution,
                                   std::max(1, width()), std::max(1, height() - sb));
    m_created = ok != 0;
    // Qt delivers no resize event for a resize to the same size, so a control that already has its
    // size makes its fonts and bitmap now.
    if (m_created && width() > 0 && height() - sb > 0 && !ResizeCanvas()) return 0;
    SyncScrollBar();
    update();
    return ok;
}

int CGraph::ResizeCanvas() {
    if (!m_created) return 0;
    if (m_painter->DevicePixelRatio() != m_ratio) m_painter->SetDevicePixelRatio(m_ratio);
    const int sb = ScrollBarHeight();
    if (m_scrollBar) m_scrollBar->setGeometry(0, height() - sb, width(), sb);
    const int ok = m_canvas.Resize(width(), height() - sb);
    update();
    return ok;
}

void CGraph::resizeEvent(QResizeEvent*) {
    ResizeCanvas();
}

void CGraph::EnsureCanvasSize() {
    // Qt holds back the resize events of a hidden control until it is shown; whoever needs the
    // bitmap before that gets it at the control's current size.
    const int h = height() - ScrollBarHeight();
    const qda::GraphLayout& layout = m_canvas.Layout();
    if (m_created && (layout.BitmapWidth() != qda::GraphBitmapWidth(width()) || layout.BitmapHeight() != h))
        ResizeCanvas();
}

void CGraph::GetBitmap(GraphBitmapInfoHeader& header, const uint8_t*& bits) {
    EnsureCanvasSize();
    m_canvas.GetBitmap(header, bits);
}

void CGraph::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    // The chart is drawn in the device pixels of what it is painted on: the screen's backing
    // store, or an image of another ratio the window is rendered into.
    const qreal ratio = p.deviceTransform().m11() > 0 ? p.deviceTransform().m11() : 1.0;
    if (ratio != m_ratio) {
        m_ratio = ratio;
        ResizeCanvas();
    }
    EnsureCanvasSize();
    const int h = height() - ScrollBarHeight();
    if (!m_canvas.HasBitmap() || h <= 0) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    // Only what Qt asks for is painted: after a waveform that is the tiles its trace changed.
    // The new frame goes straight onto the backing store where it can; otherwise the image
    // catches up and is copied.
    const qreal r = m_painter->DevicePixelRatio();
    const QSize device = m_painter->DeviceSize();
    const QRect shown(0, 0, qFloor(device.width() / r), std::min(h, qFloor(device.height() / r)));
    if (m_painter->PaintInto(p, event->region() & shown)) return;
    const QImage& image = m_painter->Image();
    for (QRect part : event->region()) {
        // At a fractional ratio the parts start and end on even logical pixels, where device
        // pixels begin, so that they are copied pixel for pixel.
        if (r != std::floor(r))
            part.setCoords(part.left() & ~1, part.top() & ~1, part.right() | 1, part.bottom() | 1);
        part &= shown;
        if (part.isEmpty()) continue;
        // One rectangle of the region as the clip: under the region's many rectangles the
        // raster engine copies pixel by pixel, under one it copies rows.
        p.setClipRect(part);
        if (r == 1.0)
            p.drawImage(part.topLeft(), image, part);
        else
            p.drawImage(QRectF(part), image,
                        QRectF(part.x() * r, part.y() * r, part.width() * r, part.height() * r));
    }
}

void CGraph::Invalidate() {
    const QRegion damage = m_painter->TakeDamage();
    if (!damage.isEmpty()) update(damage);
}

void CGraph::RepaintNow() {
    const QRegion damage = m_painter->TakeDamage();
    if (!damage.isEmpty()) repaint(damage);
}

int CGraph::SetTraceCapacity(int trace, int capacity) {
    const int ok = m_canvas.SetTraceCapacity(trace, capacity);
    SyncScrollBar();
    Invalidate();
    return ok;
}

void CGraph::FreeTrace(int trace) {
    m_canvas.FreeTrace(trace);
    Invalidate();
}

void CGraph::SetTraceData(int trace, int xOrigin, int xTotal, int low, int high,
                          const GraphDisplayFormat& format, int count, const int32_t* samples) {
    m_canvas.SetTraceData(trace, xOrigin, xTotal, low, high, format, count, samples);
    Invalidate();
}

int CGraph::SetTraceProperties(int trace, int visible, const std::string& name, int xOffset,
                               COLORREF colour) {
    const int changed = m_canvas.SetTraceProperties(trace, visible, name, xOffset, colour);
    if (changed) Invalidate();
    return changed;
}

void CGraph::SetMode(int sideBySide, int visibleSamples, int selectedPenWidth, int labelBoxes) {
    m_canvas.SetMode(sideBySide, visibleSamples, selectedPenWidth, labelBoxes);
    if (!labelBoxes && m_dragging) CancelDrag();
    SyncScrollBar();
    Invalidate();
}

void CGraph::ComputeBands() {
    m_canvas.ComputeBands();
    Invalidate();
}

void CGraph::SelectTrace(int trace) {
    m_canvas.SelectTrace(trace);
    Invalidate();
}

void CGraph::SetCursor(int cursor, COLORREF colour) {
    m_canvas.SetCursor(cursor, colour);
    Invalidate();
}

void CGraph::SetCursorVisible(int cursor, int visible, int redrawNow) {
    m_canvas.SetCursorVisible(cursor, visible, redrawNow);
    Invalidate();
    Post(GRAPH_NOTIFY_CURSOR);
}

void CGraph::SetCursorSelection(int selection) {
    m_canvas.SetCursorSelection(selection);
    Invalidate();
}

void CGraph::MoveCursor(int cursor, int delta) {
    m_canvas.MoveCursor(cursor, delta);
    Invalidate();
    Post(GRAPH_NOTIFY_CURSOR);
}

void CGraph::SetScrollUnits(int units) {
    m_canvas.SetScrollUnits(units);
    SyncScrollBar();
    Invalidate();
}

void CGraph::SuspendRedraw(int flag) {
    m_canvas.SuspendRedraw(flag);
    if (!flag) Invalidate();
}

void CGraph::SetDrawCallback(GraphDrawCallback callback, void* context) {
    m_canvas.SetDrawCallback(callback, context);
    Invalidate();
}

void CGraph::SyncScrollBar() {
    if (!m_scrollBar) return;
    const QSignalBlocker block(m_scrollBar);
    const qda::GraphScroll& s = m_canvas.Scroll();
    m_scrollBar->setRange(0, std::max(0, s.MaxUnits()));
    m_scrollBar->setPageStep(std::max(1, s.Page()));
    m_scrollBar->setValue(s.Units());
}

void CGraph::OnScrollAction(int action) {
    // The chart's own step sizes: arrow 1 unit, page 100 units, home 0, end the whole range.
    const qda::GraphScroll& s = m_canvas.Scroll();
    int target = s.Units();
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            target = s.ActionTarget(qda::GraphScrollAction::LineLeft);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            target = s.ActionTarget(qda::GraphScrollAction::LineRight);
            break;
        case QAbstractSlider::SliderPageStepSub:
            target = s.ActionTarget(qda::GraphScrollAction::PageLeft);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            target = s.ActionTarget(qda::GraphScrollAction::PageRight);
            break;
        case QAbstractSlider::SliderToMinimum:
            target = s.ActionTarget(qda::GraphScrollAction::Home);
            break;
        case QAbstractSlider::SliderToMaximum:
            target = s.ActionTarget(qda::GraphScrollAction::End);
            break;
        case QAbstractSlider::SliderMove:
            target = s.ActionTarget(qda::GraphScrollAction::Thumb, m_scrollBar->sliderPosition());
            break;
        default:
            return;
    }
    m_scrollBar->setSliderPosition(target);
}

void CGraph::OnScrollValue(int value) {
    // The owner reloads its traces on the notification and that redraws; draw here only if it did not.
    const unsigned redraws = m_canvas.RedrawCount();
    if (!m_canvas.SetScrollUnits(value, false)) return;
    if (m_owner) qda::SendWindowMessage(m_owner, m_message, GRAPH_NOTIFY_SCROLL, 0);
    if (m_canvas.RedrawCount() == redraws) m_canvas.Redraw();
    Invalidate();
}

void CGraph::AfterScroll(int unitsBefore) {
    if (m_canvas.GetScrollUnits() == unitsBefore) return;
    SyncScrollBar();
    if (m_owner) qda::SendWindowMessage(m_owner, m_message, GRAPH_NOTIFY_SCROLL, 0);
}

void CGraph::Post(int code) {
    if (m_owner) qda::PostWindowMessage(m_owner, m_message, static_cast<std::uintptr_t>(code), 0);
}

void CGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_created) return;
    const QPoint pos = event->position().toPoint();
    const int before = m_canvas.GetScrollUnits();
    const GraphPressResult result = m_canvas.Press(pos.x(), pos.y());
    if (result.ignored) return;
    AfterScroll(before);
    if (result.notifyCursor) Post(GRAPH_NOTIFY_CURSOR);
    if (result.notifyLabelDrag) Post(GRAPH_NOTIFY_LABEL_DRAG);
    if (result.startDrag) {
        // Qt holds the mouse for the pressed widget until release: that is the capture.
        m_dragging = true;
        setCursor(Qt::ClosedHandCursor);
        m_repeat.start(kRepeatMs, this);
    }
    Invalidate();
}

void CGraph::mouseMoveEvent(QMouseEvent* event) {
    if (!m_created || !m_canvas.MouseInteraction()) return;
    const QPoint pos = event->position().toPoint();
    if (m_dragging) {
        const int before = m_canvas.GetScrollUnits();
        const GraphMoveResult result = m_canvas.DragMove(pos.x(), pos.y());
        if (result.notifyCursor) Post(GRAPH_NOTIFY_CURSOR);
        if (!result.processed) return;
        AfterScroll(before);
        RepaintNow();
        return;
    }
    if (m_canvas.IsOverLabel(pos.x(), pos.y()))
        setCursor(Qt::OpenHandCursor);
    else
        unsetCursor();
}

void CGraph::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragging) return;
    const int code = m_canvas.Release();
    Post(code);
    m_dragging = false;
    m_repeat.stop();
    unsetCursor();
    Invalidate();
}

void CGraph::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_repeat.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    if (!m_dragging) {
        m_repeat.stop();
        return;
    }
    const int before = m_canvas.GetScrollUnits();
    if (m_canvas.RepeatLastPosition()) {
        AfterScroll(before);
        RepaintNow();
    }
}

void CGraph::CancelDrag() {
    m_dragging = false;
    m_repeat.stop();
    unsetCursor();
}

void CGraph::hideEvent(QHideEvent* event) {
    if (m_dragging) CancelDrag();
    QWidget::hideEvent(event);
}

void CGraph::changeEvent(QEvent* event) {
    // Another window taking the activation takes the mouse with it.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && m_dragging) CancelDrag();
    QWidget::changeEvent(event);
}
