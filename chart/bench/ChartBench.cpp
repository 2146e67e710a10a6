// Redraw of four traces of 65,536 samples into a 1920 x 1080 image by the chart canvas, and the
// same data drawn by QCustomPlot (adaptive sampling on) into an image of the same size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <limits>
#include <vector>

#include "chart/GraphCanvas.h"
#include "chart/QtGraphPainter.h"
#include "chart/demo/DemoTraces.h"
#include "qcustomplot.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kSamples = 65536;
constexpr int kScrollVisible = 16384;       // the window of the scroll benchmarks
const GraphDisplayFormat kFormat{0, 1, 0};  // mm, 0.001

const std::vector<std::vector<int32_t>>& Data() {
    static const std::vector<std::vector<int32_t>> data = [] {
        std::vector<std::vector<int32_t>> d;
        for (int k = 0; k < 4; ++k) d.push_back(qda::MakeDemoTrace(k, kSamples));
        return d;
    }();
    return data;
}

struct Chart {
    qda::QtGraphPainter* painter = new qda::QtGraphPainter;
    CGraphCanvas canvas{std::unique_ptr<qda::GraphPainter>(painter)};
    explicit Chart(int visible) {
        canvas.Create(0.12, 0.05, 0.72, 0.9, 24, 32, 2, 2, 1, 32768, kWidth, kHeight);
        canvas.Resize(kWidth, kHeight);
        const COLORREF colours[4] = {0x00FFFF, 0xFFFF00, 0xFF00FF, 0x00FF00};
        canvas.SuspendRedraw(1);
        for (int t = 0; t < 4; ++t) {
            canvas.SetTraceCapacity(t, kSamples);
            canvas.SetTraceProperties(t, 1, "Graph0" + std::to_string(t + 1), 0, colours[t]);
        }
        canvas.SetMode(0, visible, 2, 1);
        Reload();
        canvas.ComputeBands();
        canvas.SetCursor(0, 0xFFFFFF);
        canvas.SetCursor(1, 0xFFFFFF);
        canvas.MoveCursor(1, visible / 2);
        canvas.SuspendRedraw(0);
    }
    // What the storage window does on a scroll notification: reload every trace, redraw once.
    void Reload() {
        const int scroll = canvas.GetScrollSamples();
        (void)scroll;
        canvas.SuspendRedraw(1);
        for (int t = 0; t < 4; ++t)
            canvas.SetTraceData(t, 0, kSamples, -4000, 4000, kFormat, kSamples, Data()[t].data());
        canvas.SuspendRedraw(0);
    }
};

// Full redraw: every point list rebuilt from the samples, then drawn.
void BM_CanvasFullRedraw(benchmark::State& state) {
    Chart chart(kSamples);
    for (auto _ : state) {
        chart.canvas.ComputeBands();  // invalidates every point list and redraws
        benchmark::DoNotOptimize(chart.painter->Image().constBits());
    }
}
BENCHMARK(BM_CanvasFullRedraw)->Unit(benchmark::kMillisecond);

// Loading the four traces again (the copy and the displayability scan) and redrawing.
void BM_CanvasReloadAndRedraw(benchmark::State& state) {
    Chart chart(kSamples);
    for (auto _ : state) chart.Reload();
}
BENCHMARK(BM_CanvasReloadAndRedraw)->Unit(benchmark::kMillisecond);

// A redraw after a scroll: the scroll bar moves by one page of units, the owner reloads.
void BM_CanvasScrollRedraw(benchmark::State& state) {
    Chart chart(kScrollVisible);
    int units = 0;
    for (auto _ : state) {
        units = (units + 100) % chart.canvas.Scroll().MaxUnits();
        chart.canvas.SuspendRedraw(1);
        chart.canvas.SetScrollUnits(units);
        chart.Reload();
    }
}
BENCHMARK(BM_CanvasScrollRedraw)->Unit(benchmark::kMillisecond);

// The 24-bit bitmap copy the clipboard takes.
void BM_CanvasBitmapCopy(benchmark::State& state) {
    Chart chart(kSamples);
    for (auto _ : state) {
        chart.canvas.Redraw();
        GraphBitmapInfoHeader header;
        const uint8_t* bits = nullptr;
        chart.canvas.GetBitmap(header, bits);
        benchmark::DoNotOptimize(bits);
    }
}
BENCHMARK(BM_CanvasBitmapCopy)->Unit(benchmark::kMillisecond);

struct Reference {
    QCustomPlot plot;
    QImage image{kWidth, kHeight, QImage::Format_RGB32};
    explicit Reference(int visible) {
        plot.resize(kWidth, kHeight);
        plot.setNotAntialiasedElements(QCP::aeAll);
        const QColor colours[4] = {Qt::yellow, Qt::cyan, Qt::magenta, Qt::green};
        for (int t = 0; t < 4; ++t) {
            QCPGraph* g = plot.addGraph();
            g->setAdaptiveSampling(true);
            g->setPen(QPen(colours[t], t == 0 ? 2 : 1));
            g->setName(QString("Graph0%1").arg(t + 1));
            QVector<double> x(kSamples), y(kSamples);
            for (int i = 0; i < kSamples; ++i) {
                const int32_t v = Data()[t][i];
                x[i] = i;
                // No data is a gap; over-range samples sit beyond the axis, as in the chart.
                y[i] = v == GRAPH_NO_DATA      ? std::numeric_limits<double>::quiet_NaN()
                       : v == GRAPH_PLUS_OVER  ? 1e6
                       : v == GRAPH_MINUS_OVER ? -1e6
                                               : v / 100000.0;
            }
            g->setData(x, y, true);
        }
        plot.xAxis->setRange(0, visible);
        plot.yAxis->setRange(-4, 4);
        plot.xAxis->grid()->setVisible(true);
        plot.yAxis->grid()->setVisible(true);
    }
    void Draw() {
        QCPPainter painter(&image);
        plot.toPainter(&painter, kWidth, kHeight);
    }
};

void BM_QCustomPlotRedraw(benchmark::State& state) {
    Reference ref(kSamples);
    for (auto _ : state) {
        ref.Draw();
        benchmark::DoNotOptimize(ref.image.constBits());
    }
}
BENCHMARK(BM_QCustomPlotRedraw)->Unit(benchmark::kMillisecond);

void BM_QCustomPlotScrollRedraw(benchmark::State& state) {
    Reference ref(kScrollVisible);
    int start = 0;
    for (auto _ : state) {
        start = (start + 200) % (kSamples - kScrollVisible);
        ref.plot.xAxis->setRange(start, start + kScrollVisible);
        ref.Draw();
        benchmark::DoNotOptimize(ref.image.constBits());
    }
}
BENCHMARK(BM_QCustomPlotScrollRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
