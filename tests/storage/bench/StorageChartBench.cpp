// The data storage window with four full slots (4 x 65,536 values, loaded from data files
// through the window's own file dialog) and its chart at 1920 x 1080: a full redraw, a cursor
// move by Shift+Right (the chart repainted and the cursor information list refreshed) and a
// horizontal zoom by Alt+Right / Alt+Left, each until the window's repaint is done; after each
// round QCustomPlot drawing the same four traces in four stacked plot rectangles at the same
// size: a replot, a moved line, a changed x range. Prints median and 99th percentile of each.
//
//   QT_QPA_PLATFORM=offscreen build/main/bench/storage_chart_bench [--samples N] [--screenshot F.png]
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "chart/Graph.h"
#include "comm/Command.h"
#include "qcustomplot.h"
#include "settings/RegistryState.h"
#include "settings/SettingsDefaults.h"
#include "storage/DataStorage.h"
#include "storage/SelectFile.h"
#include "storage/StorageData.h"
#include "storage/StorageFile.h"
#include "support/BenchFigures.h"
#include "support/PaintWitness.h"
#include "support/ScriptedMessageBackend.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kValues = 65536;

using Figures = qda::bench::Spread;
using qda::bench::NowNs;
using qda::bench::Summarise;

// Slot `k`'s stored values: a slow wave with noise, a stretch without data and a few overs.
std::vector<int32_t> SlotValues(int k) {
    std::vector<int32_t> v(kValues);
    uint32_t noise = 12345u + static_cast<uint32_t>(k);
    for (int i = 0; i < kValues; ++i) {
        noise = noise * 1664525u + 1013904223u;
        v[i] = static_cast<int32_t>(4000000 * std::sin(i / (900.0 + 300 * k)) + 1000000 * k - 1500000 +
                                    static_cast<int>(noise >> 14) - 131072);
    }
    for (int i = 20000 + 5000 * k; i < 21000 + 5000 * k; ++i) v[i] = INT32_MIN;  // no data
    v[40000] = INT32_MIN + 1;                                                    // plus-over
    v[40001] = INT32_MIN + 2;                                                    // minus-over
    return v;
}

// Answers the next file dialog with `path` into `slot`, as the operator picks a file.
void AnswerFileDialog(const QString& path, int slot) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [path, slot, poll] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            QTimer::singleShot(5, *poll);
            return;
        }
        if (auto* combo = dialog->findChild<QComboBox*>(QString::number(qda::kSelectFileSlotCombo)))
            combo->setCurrentIndex(combo->findData(slot));
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    };
    QTimer::singleShot(0, *poll);
}

// Everything the window has queued (the chart's notifications, then the repaint) carried out now.
void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

void Key(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(type, key, modifiers);
    QApplication::sendEvent(target, &event);
}

// QCustomPlot with the four traces in four plot rectangles stacked as the side-by-side chart.
struct Reference {
    QCustomPlot plot;
    std::vector<QCPGraph*> graphs;
    std::vector<QCPAxisRect*> rects;
    QCPItemStraightLine* cursor = nullptr;

    explicit Reference(const std::vector<std::vector<int32_t>>& series) {
        plot.resize(kWidth, kHeight);
        plot.setNotAntialiasedElements(QCP::aeAll);
        plot.setBackground(Qt::black);
        plot.plotLayout()->clear();
        const QColor colours[] = {Qt::yellow, Qt::cyan, Qt::green, Qt::magenta};
        for (size_t k = 0; k < series.size(); ++k) {
            auto* rect = new QCPAxisRect(&plot);
            plot.plotLayout()->addElement(static_cast<int>(k), 0, rect);
            QCPGraph* g = plot.addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            g->setPen(QPen(colours[k], 1));
            QVector<double> x(kValues), y(kValues);
            for (int i = 0; i < kValues; ++i) {
                x[i] = i;
                // No data is a gap, as in the chart.
                y[i] = series[k][i] <= INT32_MIN + 2 ? qQNaN() : series[k][i];
            }
            g->setData(x, y, true);
            rect->axis(QCPAxis::atBottom)->setRange(0, kValues);
            rect->axis(QCPAxis::atLeft)->setRange(-999999, 999999);
            graphs.push_back(g);
            rects.push_back(rect);
        }
        cursor = new QCPItemStraightLine(&plot);
        cursor->setClipAxisRect(rects.front());
        cursor->setPen(QPen(Qt::white));
        MoveCursor(0);
        exposed = qda::bench::ShowExposed(plot);
        plot.replot(QCustomPlot::rpImmediateRefresh);
        plot.installEventFilter(&paints);
    }
    bool exposed = false;
    qda::bench::PaintCounter paints;
    void MoveCursor(double x) {
        cursor->point1->setAxes(rects.front()->axis(QCPAxis::atBottom), rects.front()->axis(QCPAxis::atLeft));
        cursor->point2->setAxes(rects.front()->axis(QCPAxis::atBottom), rects.front()->axis(QCPAxis::atLeft));
        cursor->point1->setCoords(x, 0);
        cursor->point2->setCoords(x, 1);
    }
    void SetVisible(int visible) {
        for (QCPAxisRect* r : rects) r->axis(QCPAxis::atBottom)->setRange(0, visible);
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
    // No controller: the window says so through the message table and stays open.
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scope(messages);
    qda::MemoryRegistryStore store;
    qda::SetRegistryStore(&store);
    qputenv("QDA_COM1", "/nonexistent/tty");

    // Four data files of 65,536 values, written by the program's own writer.
    QTemporaryDir dir;
    std::vector<std::vector<int32_t>> values;
    for (int k = 0; k < qda::kStorageSlots; ++k) {
        values.push_back(SlotValues(k));
        CStorageData slot;
        slot.Prepare();
        slot.Fill("Graph0" + std::to_string(k + 1), values.back().data(), kValues);
        slot.SetFormat(0, 2, 2);
        if (!CStorageFile::Write(slot, dir.filePath(QString("slot%1.csv").arg(k)).toStdString())) {
            std::fprintf(stderr, "the data files could not be written\n");
            return 1;
        }
    }

    SettingsBlock block = qda::DefaultBlock();
    CCommand command;
    CDataStorage window(block, 0, nullptr, 0, &command);
    window.show();
    window.resize(kWidth + 600, kHeight + 600);
    QApplication::processEvents();
    const QSize grown = window.Chart()->size();
    window.resize(window.width() - (grown.width() - kWidth), window.height() - (grown.height() - kHeight));
    QApplication::processEvents();
    for (int k = 0; k < qda::kStorageSlots; ++k) {
        AnswerFileDialog(dir.filePath(QString("slot%1.csv").arg(k)), k);
        window.OnLoad();
    }
    Settle();
    for (int k = 0; k < qda::kStorageSlots; ++k)
        if (window.Slot(k).Count() != kValues) {
            std::fprintf(stderr, "slot %d holds %d values\n", k + 1, window.Slot(k).Count());
            return 1;
        }
    CGraph* chart = window.Chart();
    qda::bench::PaintCounter ourPaints;
    chart->installEventFilter(&ourPaints);

    // QCustomPlot's round follows each of the window's, so that both meet the machine in the
    // same state.
    Reference reference(values);
    std::vector<double> theirFull, theirCursor, theirZoom;
    auto theirRound = [&](int i) {
        int64_t t0 = NowNs();
        reference.plot.replot(QCustomPlot::rpImmediateRefresh);
        theirFull.push_back((NowNs() - t0) / 1000.0);
        t0 = NowNs();
        reference.MoveCursor(i + 1);
        reference.plot.replot(QCustomPlot::rpImmediateRefresh);
        theirCursor.push_back((NowNs() - t0) / 1000.0);
        t0 = NowNs();
        reference.SetVisible(i % 2 == 0 ? kValues / 2 : kValues);
        reference.plot.replot(QCustomPlot::rpImmediateRefresh);
        theirZoom.push_back((NowNs() - t0) / 1000.0);
    };

    std::vector<double> full, cursor, zoom;
    for (int i = 0; i < wanted; ++i) {
        // A full redraw: every trace's points again and the whole chart painted and shown, as
        // the chart asks for it (its scroll bar, unchanged, is not painted again).
        int64_t t0 = NowNs();
        chart->Painter().ForgetFrame();
        chart->ComputeBands();
        Settle();
        full.push_back((NowNs() - t0) / 1000.0);

        // Shift+Right: the selected cursor one sample on, the chart and the list after it.
        t0 = NowNs();
        Key(&window, QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
        Settle();
        cursor.push_back((NowNs() - t0) / 1000.0);
        Key(&window, QEvent::KeyRelease, Qt::Key_Right, Qt::ShiftModifier);
        Settle();

        // Alt+Right zooms in, Alt+Left back out: 65,536 and 32,768 visible samples in turn.
        const int key = i % 2 == 0 ? Qt::Key_Right : Qt::Key_Left;
        t0 = NowNs();
        Key(&window, QEvent::KeyPress, key, Qt::AltModifier);
        Settle();
        zoom.push_back((NowNs() - t0) / 1000.0);
        Key(&window, QEvent::KeyRelease, key, Qt::AltModifier);
        Settle();
        theirRound(i);
    }
    chart->removeEventFilter(&ourPaints);
    if (!screenshot.isEmpty()) window.grab().save(screenshot);
    const int cursorAt = chart->GetCursorPosition(0);

    // A reference that was never painted timed only half the work.
    if (ourPaints.count < 3 * wanted || !reference.exposed || reference.paints.count < 3 * wanted) {
        std::fprintf(stderr, "painted %d times (the chart) and %d times (QCustomPlot) for %d redraws each\n",
                     ourPaints.count, reference.paints.count, 3 * wanted);
        return 1;
    }
    std::printf("chart %dx%d, 4 slots of %d values, %d rounds; cursor A ended at sample %d\n", chart->width(),
                chart->height(), kValues, wanted, cursorAt);
    std::printf("paint events: the chart %d (straight onto the backing store: %zu), QCustomPlot %d\n",
                ourPaints.count, chart->Painter().PaintedInto(), reference.paints.count);
    const struct {
        const char* what;
        const std::vector<double>& ours;
        const std::vector<double>& theirs;
    } rows[] = {
        {"full redraw", full, theirFull}, {"cursor move", cursor, theirCursor}, {"zoom", zoom, theirZoom}};
    for (const auto& row : rows) {
        const Figures a = Summarise(row.ours);
        const Figures b = Summarise(row.theirs);
        std::printf(
            "%-12s CDataStorage median %8.1f us  p99 %8.1f us | QCustomPlot median %8.1f us  p99 %8.1f us"
            " | ratio %.2f\n",
            row.what, a.median, a.p99, b.median, b.p99, b.median > 0 ? a.median / b.median : 0.0);
    }
    std::printf("targets: full redraw ratio <= 0.5, cursor move median <= 8000 us\n");
    window.OnClose();
    qda::SetRegistryStore(nullptr);
    return 0;
}
