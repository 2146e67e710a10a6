// From the arrival of a waveform reply to the repaint of its 1024 samples in a 1920 x 1080 chart:
// a real CWave window acquiring from qd-atlas-sim over a pseudo-terminal (the worker notes when
// each reply had come; the window takes it, loads the chart, redraws it with its peak lines and
// marks, and the chart widget is repainted), and after each QCustomPlot given the same samples
// and repainted at the same size. Prints median and 99th percentile of each.
//
//   QT_QPA_PLATFORM=offscreen build/main/bench/wave_repaint_bench [--samples N] [--screenshot F.png]
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "chart/Graph.h"
#include "comm/Command.h"
#include "monitor/Wave.h"
#include "qcustomplot.h"
#include "support/BenchFigures.h"
#include "support/PaintWitness.h"
#include "support/SimProcess.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

using Figures = qda::bench::Spread;
using qda::bench::NowNs;
using qda::bench::Summarise;

// QCustomPlot set up as the waveform chart: one yellow trace over 0..1023, 0..256, the grid.
struct Reference {
    QCustomPlot plot;
    QCPGraph* graph = nullptr;
    QVector<double> x;
    Reference() : x(1024) {
        plot.resize(kWidth, kHeight);
        plot.setNotAntialiasedElements(QCP::aeAll);
        plot.setBackground(Qt::black);
        graph = plot.addGraph();
        graph->setPen(QPen(Qt::yellow, 1));
        for (int i = 0; i < 1024; ++i) x[i] = i;
        plot.xAxis->setRange(0, 1024);
        plot.yAxis->setRange(0, 256);
        exposed = qda::bench::ShowExposed(plot);
        plot.installEventFilter(&paints);
    }
    bool exposed = false;
    qda::bench::PaintCounter paints;
    void Show(const std::vector<uint8_t>& samples) {
        QVector<double> y(1024);
        for (int i = 0; i < 1024; ++i) y[i] = samples[static_cast<size_t>(i)];
        graph->setData(x, y, true);
        plot.replot(QCustomPlot::rpImmediateRefresh);  // repaints the widget at once
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int wanted = 60;
    QString screenshot;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--samples") == 0) wanted = std::max(5, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--screenshot") == 0) screenshot = QString::fromLocal8Bit(argv[i + 1]);
    }
    qda::test::SimProcess sim;
    if (!sim.ok()) {
        std::fprintf(stderr, "qd-atlas-sim did not start (set QDA_BIN_DIR)\n");
        return 1;
    }
    qputenv("QDA_COM1", QByteArray::fromStdString(sim.SlavePath()));
    PcCommSetting pc{};
    pc.CommType = qda::kCommRs232c;
    pc.PortNo = 0;
    pc.Baudrate = 4;  // 115200
    pc.Parity = 2;    // none
    CCommand command;
    CWave wave;
    wave.SetConnection('A', 0, pc, &command);
    wave.show();
    // The chart 1920 x 1080: the window grows by what its frame and buttons take.
    wave.resize(kWidth + 400, kHeight + 400);
    QApplication::processEvents();
    const QSize chart = wave.Chart()->size();
    wave.resize(wave.width() - (chart.width() - kWidth), wave.height() - (chart.height() - kHeight));
    QApplication::processEvents();

    // QCustomPlot draws each waveform right after the window has shown it, so that both meet
    // the machine in the same state.
    Reference reference;
    std::vector<double> theirs;
    std::vector<double> ours;
    std::vector<double> oursPaint;  // of which the repaint of the window after the chart was drawn
    std::vector<std::vector<uint8_t>> waves;
    // The chart asks Qt to repaint what changed; the window's pending update is carried out at
    // once, as the event loop would do next, and the chart's paint events are counted to be sure.
    qda::bench::PaintCounter paints;
    wave.Chart()->installEventFilter(&paints);
    QObject::connect(&wave, &CWave::waveformAccepted, &wave, [&] {
        const int64_t drawn = NowNs();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        const int64_t shown = NowNs();
        ours.push_back((shown - wave.LastArrivalNs()) / 1000.0);
        oursPaint.push_back((shown - drawn) / 1000.0);
        const auto& s = wave.LastReply().sample;
        waves.emplace_back(s.begin(), s.end());
        const int64_t t0 = NowNs();
        reference.Show(waves.back());
        theirs.push_back((NowNs() - t0) / 1000.0);
        if (static_cast<int>(ours.size()) >= wanted) wave.StopAcquisition(false);
    });
    wave.StartAcquisition();
    QTimer::singleShot(wanted * 400 + 10000, &app, [&] { wave.StopAcquisition(false); });
    // Blocking waits, as the program's own event loop waits, not a spinning poll.
    while (!wave.IsIdle() || ours.empty()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (wave.IsIdle() && ours.empty()) break;
    }
    if (ours.empty()) {
        std::fprintf(stderr, "no waveform arrived\n");
        return 1;
    }

    // The window as the operator saw it at the end, for a look.
    if (!screenshot.isEmpty()) wave.grab().save(screenshot);

    // A reference that was never painted timed only half the work.
    if (!reference.exposed || reference.paints.count < static_cast<int>(waves.size())) {
        std::fprintf(stderr, "QCustomPlot was painted %d times for %zu waveforms\n", reference.paints.count,
                     waves.size());
        return 1;
    }
    const Figures a = Summarise(ours);
    const Figures b = Summarise(theirs);
    std::printf("chart %dx%d, %zu waveforms of 1024 samples\n", wave.Chart()->width(), wave.Chart()->height(),
                ours.size());
    std::printf("chart paint events: %d, of which straight onto the backing store: %zu\n", paints.count,
                wave.Chart()->Painter().PaintedInto());
    std::printf("CWave  reply arrival -> repaint: median %8.1f us  p99 %8.1f us\n", a.median, a.p99);
    const Figures paint = Summarise(oursPaint);
    std::printf("  of which the window's repaint:  median %8.1f us  p99 %8.1f us\n", paint.median, paint.p99);
    std::printf("QCustomPlot paint events: %d\n", reference.paints.count);
    std::printf("QCustomPlot set data -> repaint: median %8.1f us  p99 %8.1f us\n", b.median, b.p99);
    std::printf("ratio of medians %.2f (target <= 0.5)\n", b.median > 0 ? a.median / b.median : 0.0);
    return 0;
}
