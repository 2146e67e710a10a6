// The chart window: notifications to its owner, scroll bar, pointer shapes, repeat timer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <cmath>
#include <functional>
#include <vector>

#include "WidgetApplication.h"
#include "chart/Graph.h"
#include "windowing/WindowMessage.h"

namespace {

constexpr unsigned kOwnerMessage = 1026;

// The owner window: records each message it gets, noting whether it came while the
// sender was still inside its call (sent) or later from the event queue (posted).
class Owner : public QObject {
public:
    struct Received {
        unsigned message;
        std::uintptr_t wParam;
    };
    bool event(QEvent* e) override {
        if (e->type() == qda::WindowMessageEvent::EventType()) {
            auto* m = static_cast<qda::WindowMessageEvent*>(e);
            received.push_back({m->message, m->wParam});
            if (onMessage) onMessage(m->wParam);
            return true;
        }
        return QObject::event(e);
    }
    std::vector<uintptr_t> Codes() const {
        std::vector<uintptr_t> out;
        for (const auto& r : received) out.push_back(r.wParam);
        return out;
    }
    std::vector<Received> received;
    std::function<void(std::uintptr_t)> onMessage;
};

class GraphWidget : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureWidgetApplication(); }
    void SetUp() override {
        const int sb = graph.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        graph.resize(512, 512 + sb);
        ASSERT_EQ(graph.Create(&owner, kOwnerMessage, 0.125, 0.125, 0.75, 0.75, 8, 8, 2, 2, 1, 1000), 1);
        graph.SetTraceCapacity(0, 4096);
        graph.SetTraceProperties(0, 1, "T0", 0, 0x0000FF);
        graph.SetMode(0, 384, 2, 1);
        const std::vector<int32_t> samples(4096, 50);
        graph.SetTraceData(0, 0, 4096, 0, 100, GraphDisplayFormat{2, 0, 0}, 4096, samples.data());
        graph.SetCursor(0, 0xFFFFFF);
        graph.SetCursor(1, 0xFFFFFF);
        graph.show();
        QCoreApplication::sendPostedEvents();
        owner.received.clear();
    }
    Owner owner;
    CGraph graph;
};

}  // namespace

TEST_F(GraphWidget, ClickInThePlotMovesTheCursorAndPostsTheCursorNotification) {
    graph.SetCursorSelection(1);
    QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(164, 200));
    EXPECT_EQ(graph.GetCursorPosition(1), 100);
    EXPECT_TRUE(owner.received.empty());  // posted: nothing arrives before the queue runs
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(owner.received.size(), 1u);
    EXPECT_EQ(owner.received[0].message, kOwnerMessage);
    EXPECT_EQ(owner.received[0].wParam, static_cast<uintptr_t>(GRAPH_NOTIFY_CURSOR));
    EXPECT_FALSE(graph.IsDragging());
}

TEST_F(GraphWidget, CursorLabelDragNotifiesAndChangesThePointer) {
    QTest::mouseMove(&graph, QPoint(64, 58));
    EXPECT_EQ(graph.cursor().shape(), Qt::OpenHandCursor);  // over a label
    QTest::mousePress(&graph, Qt::LeftButton, {}, QPoint(64, 58));
    EXPECT_TRUE(graph.IsDragging());
    EXPECT_EQ(graph.cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseMove(&graph, QPoint(114, 58));
    EXPECT_EQ(graph.GetCursorPosition(0), 50);
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, QPoint(114, 58));
    EXPECT_FALSE(graph.IsDragging());
    EXPECT_NE(graph.cursor().shape(), Qt::ClosedHandCursor);
    QCoreApplication::sendPostedEvents();
    // Press, move and release each report the cursor.
    EXPECT_EQ(owner.Codes(), (std::vector<uintptr_t>{1, 1, 1}));
}

TEST_F(GraphWidget, TraceLabelDragReportsTheDragAndItsEnd) {
    QTest::mousePress(&graph, Qt::LeftButton, {}, QPoint(460, 256));
    QTest::mouseMove(&graph, QPoint(460, 300));
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, QPoint(460, 300));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(owner.Codes(), (std::vector<uintptr_t>{GRAPH_NOTIFY_LABEL_DRAG, GRAPH_NOTIFY_LABEL_DRAG}));
    int low = 0, high = 0;
    graph.GetTraceRange(0, low, high);
    EXPECT_GT(low, 0);  // dragged down: the range moved up
}

TEST_F(GraphWidget, ScrollBarStepsAreSentToTheOwnerAtOnce) {
    QScrollBar* bar = graph.ScrollBar();
    ASSERT_NE(bar, nullptr);
    // 4096 samples, 384 visible, 1000 units: the last position leaves the last window in view.
    EXPECT_EQ(bar->maximum(), 1000 - 1000 * 384 / 4095);
    EXPECT_EQ(bar->pageStep(), 1000 * 384 / 4096);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(graph.GetScrollUnits(), 100);
    ASSERT_EQ(owner.received.size(), 1u);  // sent, not posted
    EXPECT_EQ(owner.received[0].wParam, static_cast<uintptr_t>(GRAPH_NOTIFY_SCROLL));
    // An owner that reloads its trace on the notification: the chart draws once per step.
    const std::vector<int32_t> samples(4096, 40);
    owner.onMessage = [&](std::uintptr_t code) {
        if (code != GRAPH_NOTIFY_SCROLL) return;
        graph.SuspendRedraw(1);
        graph.SetTraceData(0, 0, 4096, 0, 100, GraphDisplayFormat{2, 0, 0}, 4096, samples.data());
        graph.SuspendRedraw(0);
    };
    const unsigned redraws = graph.Canvas().RedrawCount();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(graph.Canvas().RedrawCount(), redraws + 1);
    owner.onMessage = nullptr;
    EXPECT_EQ(graph.GetScrollUnits(), 101);
    EXPECT_EQ(graph.GetScrollSamples(), 101 * 4095 / 1000);
    // An owner that does nothing: the chart still draws the new position once.
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(graph.Canvas().RedrawCount(), redraws + 2);
    EXPECT_EQ(graph.GetScrollUnits(), bar->maximum());
    // Set by the owner: the bar follows, no notification.
    owner.received.clear();
    graph.SetScrollUnits(5);
    EXPECT_EQ(bar->value(), 5);
    EXPECT_TRUE(owner.received.empty());
}

TEST_F(GraphWidget, HeldCursorOutsideThePlotKeepsScrollingOnTheTimer) {
    graph.SetScrollUnits(200);
    const int start = graph.GetScrollSamples();
    graph.MoveCursor(0, start + 10);
    const qda::GraphRect box = graph.Canvas().CursorLabelBox(0);
    QTest::mousePress(&graph, Qt::LeftButton, {}, QPoint(box.left + 1, box.top + 1));
    QTest::mouseMove(&graph, QPoint(20, 58));
    const int afterMove = graph.GetScrollSamples();
    EXPECT_LT(afterMove, start);
    QTest::qWait(350);  // the 100 ms timer repeats the last position
    EXPECT_LT(graph.GetScrollSamples(), afterMove);
    EXPECT_EQ(graph.ScrollBar()->value(), graph.GetScrollUnits());
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, QPoint(20, 58));
    int scrolls = 0;
    for (const auto& r : owner.received)
        if (r.wParam == GRAPH_NOTIFY_SCROLL) ++scrolls;
    EXPECT_GE(scrolls, 2);
}

TEST_F(GraphWidget, WithoutInteractionTheMouseIsIgnored) {
    graph.SetMode(0, 384, 1, 0);
    QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(164, 200));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(owner.received.empty());
    EXPECT_EQ(graph.GetCursorPosition(0), 0);
}

TEST_F(GraphWidget, CanvasFollowsTheControlSizeLessTheScrollBar) {
    // Made at its size: fonts from the canvas size (512 wide, not twice as wide as high).
    EXPECT_EQ(graph.Canvas().AxisFont().height, 512 / 50);
    EXPECT_EQ(graph.Canvas().LabelFont().height, 512 / 60);
    const int sb = graph.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    graph.resize(1000, 400 + sb);
    GraphBitmapInfoHeader h;
    const uint8_t* bits = nullptr;
    graph.GetBitmap(h, bits);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(h.biWidth, 1024);
    EXPECT_EQ(h.biHeight, 400);
    EXPECT_EQ(graph.Canvas().AxisFont().height, 400 / 25);  // now more than twice as wide as high
    EXPECT_EQ(graph.ScrollBar()->geometry(), QRect(0, 400, 1000, sb));

    // A control created before it is laid out gets its canvas at its first resize.
    CGraph early;
    ASSERT_EQ(early.Create(&owner, kOwnerMessage, 0.1, 0.1, 0.8, 0.8, 8, 8, 2, 2, 0, 100), 1);
    early.resize(320, 240 + sb);
    early.GetBitmap(h, bits);
    EXPECT_EQ(h.biWidth, 320);
    EXPECT_EQ(h.biHeight, 240);
}

TEST_F(GraphWidget, PaintShowsTheCanvasBitmap) {
    const QImage shown = graph.grab().toImage();
    // Trace 0 (red, value 50) crosses the middle of the plot; above it is black background.
    EXPECT_EQ(shown.pixelColor(100, 256), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(100, 240), QColor(0, 0, 0));
    EXPECT_EQ(shown.pixelColor(100, 64), QColor(0x80, 0x80, 0x80));  // top grid line
}

TEST_F(GraphWidget, NewDataPaintedStraightOntoTheScreenIsWhatTheImageHolds) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));
    QCoreApplication::processEvents();
    const size_t before = graph.Painter().PaintedInto();
    for (int k = 1; k <= 6; ++k) {
        std::vector<int32_t> samples(4096);
        for (int i = 0; i < 4096; ++i) samples[i] = 50 + static_cast<int>(30 * std::sin(i / (20.0 + 7 * k)));
        graph.SetTraceData(0, 0, 4096, 0, 100, GraphDisplayFormat{2, 0, 0}, 4096, samples.data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    }
    EXPECT_GE(graph.Painter().PaintedInto(), before + 6)
        << "each change went straight onto the backing store";
    // The screen as the platform shows it (the backing store), against the image caught up.
    const QImage screen =
        graph.screen()->grabWindow(graph.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage& image = graph.Painter().Image();
    ASSERT_GE(screen.width(), image.width());
    ASSERT_GE(screen.height(), image.height());
    int differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) differing += screen.pixel(x, y) != image.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

TEST_F(GraphWidget, LosingTheMouseStopsTheDragQuietly) {
    QTest::mousePress(&graph, Qt::LeftButton, {}, QPoint(64, 58));
    ASSERT_TRUE(graph.IsDragging());
    QCoreApplication::sendPostedEvents();
    owner.received.clear();
    graph.hide();
    EXPECT_FALSE(graph.IsDragging());
    EXPECT_NE(graph.cursor().shape(), Qt::ClosedHandCursor);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(owner.received.empty());                            // no notification
    EXPECT_EQ(graph.Canvas().DragMode(), GRAPH_DRAG_CURSOR_LABEL);  // kept until the next press
}
