// A chart repainted only where a change reached must hold exactly the pixels of a whole redraw.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <cmath>
#include <functional>

#include "WidgetApplication.h"
#include "chart/GraphCanvas.h"
#include "chart/QtGraphPainter.h"

namespace {

constexpr GraphDisplayFormat kCounts{2, 0, 0};
constexpr int kCapacity = 2048;

struct Marks {
    int x = 200;
    std::string text = "peak";
};

// An owner's drawing on top, as the waveform window draws its peak lines and marks.
void DrawMarks(CGraphCanvas*, qda::GraphPainter* p, void* context) {
    const Marks& m = *static_cast<const Marks*>(context);
    p->SetPen(0xFFFFFF, 1);
    p->Line(m.x, 20, m.x, 300);
    const qda::GraphPoint triangle[3] = {{m.x, 310}, {m.x + 8, 302}, {m.x + 8, 318}};
    p->FillPolygon(triangle, 3, 0xFFFFFF);
    p->Text({m.x + 10, 302, m.x + 200, 318}, m.text, qda::kTextLeft | qda::kTextVCenter,
            qda::GraphFontRole::Axis, 0xFFFFFF, false, 0);
    p->RotatedText(12, 150, "vertical title", qda::GraphFontRole::Axis, 0xFFFFFF, 2700);
}

std::vector<int32_t> Wave(double phase, int gapAt) {
    std::vector<int32_t> s(kCapacity);
    for (int i = 0; i < kCapacity; ++i)
        s[i] = static_cast<int32_t>(400000 * std::sin(i / 90.0 + phase) + 30000 * std::sin(i * 1.7));
    for (int i = gapAt; i < gapAt + 40 && i < kCapacity; ++i) s[i] = GRAPH_NO_DATA;
    s[100] = GRAPH_PLUS_OVER;
    s[101] = GRAPH_MINUS_OVER;
    return s;
}

// At 1 x and at 2 x (the image in device pixels, the tiles in logical ones).
class IncrementalRender : public testing::TestWithParam<double> {
protected:
    static void SetUpTestSuite() { EnsureWidgetApplication(); }

    void SetUp() override { Prepare(canvas, *painter, marks); }

    static void Prepare(CGraphCanvas& canvas, qda::QtGraphPainter& painter, Marks& marks) {
        painter.SetDevicePixelRatio(GetParam());
        ASSERT_EQ(canvas.Create(0.12, 0.05, 0.72, 0.9, 24, 32, 2, 2, 1, 32768, 700, 420), 1);
        ASSERT_EQ(canvas.Resize(700, 420), 1);
        const COLORREF colours[] = {0x00FFFF, 0xFF8000, 0x00FF00, 0xFF00FF};
        for (int t = 0; t < GRAPH_TRACE_COUNT; ++t) {
            canvas.SetTraceCapacity(t, kCapacity);
            canvas.SetTraceProperties(t, 1, "Graph0" + std::to_string(t + 1), 0, colours[t]);
            const auto s = Wave(t, 300 * (t + 1));
            canvas.SetTraceData(t, 0, kCapacity, -999999, 999999,
                                t == 1 ? GraphDisplayFormat{0, 2, 2} : kCounts, kCapacity, s.data());
        }
        canvas.SetCursor(0, 0xFFFFFF);
        canvas.SetCursor(1, 0xFFFFFF);
        canvas.MoveCursor(1, 600);
        canvas.SetMode(1, kCapacity, 2, 1);
        canvas.ComputeBands();
        canvas.SetDrawCallback(&DrawMarks, &marks);
    }

    // The image after the canvas's own (partial) repaint against the same state drawn whole.
    void ExpectSameAsWhole(const char* what) {
        SCOPED_TRACE(what);
        const QImage partial = painter->Image().copy();
        painter->ForgetFrame();
        canvas.Redraw();
        const QImage& whole = painter->Image();
        ASSERT_EQ(partial.size(), whole.size());
        int differing = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x)
                if (partial.pixel(x, y) != whole.pixel(x, y) && differing++ == 0)
                    ADD_FAILURE() << "first differing pixel " << x << "," << y;
        EXPECT_EQ(differing, 0);
        painter->TakeDamage();
    }

    // A second chart drawn from nothing after every change, as the reference (drawing the
    // first one whole would drop its base).
    struct Reference {
        qda::QtGraphPainter* painter = new qda::QtGraphPainter;
        CGraphCanvas canvas{std::unique_ptr<qda::GraphPainter>(painter)};
        Marks marks;
    };
    using Change = std::function<void(CGraphCanvas&, Marks&)>;
    // `change` made to this chart and to `reference`, which is then drawn whole.
    void ChangeBoth(Reference& reference, const Change& change) {
        change(canvas, marks);
        change(reference.canvas, reference.marks);
        reference.painter->ForgetFrame();
        reference.canvas.Redraw();
    }
    // Waveform `k` of a series, with the owner's marks moved along.
    static Change NewWave(int k) {
        return [k](CGraphCanvas& c, Marks& m) {
            const auto s = Wave(0.3 * k, 200 + 37 * k);
            m.x = 200 + 9 * k;
            c.SetTraceData(3, 0, kCapacity, -999999, 999999, kCounts, kCapacity, s.data());
        };
    }

    qda::QtGraphPainter* painter = new qda::QtGraphPainter;
    CGraphCanvas canvas{std::unique_ptr<qda::GraphPainter>(painter)};
    Marks marks;
};

int DifferingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) differing += a.pixel(x, y) != b.pixel(x, y);
    return differing;
}

}  // namespace

TEST_P(IncrementalRender, EveryKindOfChangeLeavesTheWholeRedrawsPixels) {
    const auto wave = Wave(0.7, 900);
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"first frame", [] {}},
        {"new data in one trace",
         [&] { canvas.SetTraceData(2, 0, kCapacity, -999999, 999999, kCounts, kCapacity, wave.data()); }},
        {"cursor moved", [&] { canvas.MoveCursor(0, 37); }},
        {"cursor selection both", [&] { canvas.SetCursorSelection(2); }},
        {"other trace selected", [&] { canvas.SelectTrace(1); }},
        {"owner's marks moved",
         [&] {
             marks.x = 260;
             marks.text = "moved";
             canvas.Redraw();
         }},
        {"range of a trace",
         [&] {
             canvas.SetTraceData(1, 0, kCapacity, -200000, 300000, GraphDisplayFormat{0, 2, 2}, kCapacity,
                                 wave.data());
         }},
        {"trace hidden", [&] { canvas.SetTraceProperties(3, 0, "Graph04", 0, 0xFF00FF); }},
        {"bands recomputed", [&] { canvas.ComputeBands(); }},
        {"shifted right", [&] { canvas.SetTraceProperties(0, 1, "Graph01", 25, 0x00FFFF); }},
        {"zoomed in", [&] { canvas.SetMode(1, 512, 2, 1); }},
        {"scrolled",
         [&] {
             canvas.SetScrollUnits(5000);
             for (int t = 0; t < GRAPH_TRACE_COUNT; ++t) {
                 const auto s = Wave(t, 300 * (t + 1));
                 int low = 0, high = 0;
                 canvas.GetTraceRange(t, low, high);
                 canvas.SetTraceData(t, 0, kCapacity, low, high, canvas.Trace(t).Format().Format(), kCapacity,
                                     s.data());
             }
         }},
        {"overlaid",
         [&] {
             canvas.SetMode(0, 512, 2, 1);
             canvas.ComputeBands();
         }},
        {"cursors hidden", [&] { canvas.SetCursorVisible(0, 0, 1); }},
    };
    for (const auto& [what, change] : steps) {
        change();
        ExpectSameAsWhole(what);
    }
}

TEST_P(IncrementalRender, ChangesOverTheKeptBaseLeaveTheWholeRedrawsPixels) {
    // A waveform arriving again and again keeps everything before its trace the same: that part
    // is painted once as the base and each repaint starts from it. A second chart, drawn from
    // nothing every time, is the reference.
    Reference whole;
    Prepare(whole.canvas, *whole.painter, whole.marks);
    auto both = [&](const char* what, const Change& change) {
        SCOPED_TRACE(what);
        ChangeBoth(whole, change);
        EXPECT_EQ(DifferingPixels(painter->Image(), whole.painter->Image()), 0);
    };
    auto newWave = &NewWave;
    for (int k = 0; k < 4; ++k) both("waveform", newWave(k));
    EXPECT_GT(painter->BaseOperations(), 0u) << "the unchanged head became the base";
    for (int k = 4; k < 7; ++k) both("waveform over the base", newWave(k));
    both("cursor moved", [](CGraphCanvas& c, Marks&) { c.MoveCursor(0, 900); });
    both("zoomed: the base no longer fits", [](CGraphCanvas& c, Marks&) { c.SetMode(1, 1024, 2, 1); });
    for (int k = 7; k < 11; ++k) both("waveform after the zoom", newWave(k));
    both("scrolled", [](CGraphCanvas& c, Marks&) { c.SetScrollUnits(3000); });
    for (int k = 11; k < 14; ++k) both("waveform after the scroll", newWave(k));
    both("resized", [](CGraphCanvas& c, Marks&) { c.Resize(640, 400); });
    for (int k = 14; k < 17; ++k) both("waveform after the resize", newWave(k));
}

TEST_P(IncrementalRender, ASmallChangeRepaintsASmallPart) {
    painter->TakeDamage();
    canvas.Redraw();
    EXPECT_TRUE(painter->TakeDamage().isEmpty()) << "an unchanged frame repaints nothing";

    canvas.MoveCursor(0, 10);
    const QRegion damage = painter->TakeDamage();
    qint64 area = 0;
    for (const QRect& r : damage) area += qint64(r.width()) * r.height();
    EXPECT_GT(area, 0);
    EXPECT_LT(area * 10, qint64(700) * 420) << "a cursor step repaints its old and new place, not the chart";
}

TEST_P(IncrementalRender, PaintedStraightOntoTheScreenShowsTheWholeRedraw) {
    // The window paints each change straight onto its backing store, which holds the frame
    // shown before; the image catches up only when asked. Here the store is an image larger than
    // the chart, the chart placed inside it, with a painter as the window's is set up.
    Reference whole;
    Prepare(whole.canvas, *whole.painter, whole.marks);
    const QPoint at(13, 7);
    const QSize size = painter->DeviceSize();
    QImage screen(size + QSize(40, 30), QImage::Format_RGB32);
    constexpr QRgb kAround = 0xFF123456;
    screen.fill(kAround);
    auto show = [&](const QRegion& region) {
        QPainter p(&screen);
        p.translate(at);
        p.setClipRegion(region);
        const bool straight = painter->PaintInto(p, region);
        if (!straight)
            for (const QRect& r : region) p.drawImage(r.topLeft(), painter->Image(), r);
        return straight;
    };
    auto both = [&](const char* what, const Change& change) {
        SCOPED_TRACE(what);
        ChangeBoth(whole, change);
        const QRegion damage = painter->TakeDamage();
        ASSERT_FALSE(damage.isEmpty());
        EXPECT_EQ(show(damage), GetParam() == 1.0) << "straight at 1 x only";
        if (GetParam() != 1.0) return;
        EXPECT_EQ(DifferingPixels(screen.copy(QRect(at, size)), whole.painter->Image()), 0);
        int around = 0;
        for (int y = 0; y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x)
                around += !QRect(at, size).contains(x, y) && screen.pixel(x, y) != kAround;
        EXPECT_EQ(around, 0) << "nothing painted outside the chart";
    };
    auto newWave = &NewWave;
    // Drawn whole, the mark's text reaches past the chart's right edge.
    both("first frame", [](CGraphCanvas& c, Marks& m) {
        m.x = 690;
        c.Redraw();
    });
    for (int k = 0; k < 6; ++k) both("waveform", newWave(k));
    both("cursor moved", [](CGraphCanvas& c, Marks&) { c.MoveCursor(0, 900); });
    both("zoomed", [](CGraphCanvas& c, Marks&) { c.SetMode(1, 1024, 2, 1); });
    // Enough waveforms that what the image lags behind in outgrows its rectangle count.
    for (int k = 6; k < 30; ++k) both("waveform after the zoom", newWave(k));
    if (GetParam() != 1.0) return;

    both("scrolled", [](CGraphCanvas& c, Marks&) { c.SetScrollUnits(3000); });
    // The image, asked for at last, catches up with every frame painted only on the screen.
    EXPECT_EQ(DifferingPixels(painter->Image(), whole.painter->Image()), 0);
    // Up to date, the image is what an expose of the whole chart is shown from.
    EXPECT_FALSE(show(QRegion(QRect(QPoint(0, 0), size))));
    EXPECT_EQ(DifferingPixels(screen.copy(QRect(at, size)), whole.painter->Image()), 0);
}

INSTANTIATE_TEST_SUITE_P(Ratios, IncrementalRender, testing::Values(1.0, 2.0));
