// chart-demo: draws four generated traces of 65,536 samples (with no-data, plus-over and
// minus-over markers) and two cursors into a PNG, so the chart's output can be looked at.
//   chart-demo -o out.png [-w width] [-h height] [--overlay] [--visible n] [--scroll units]
#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "chart/GraphCanvas.h"
#include "chart/QtGraphPainter.h"
#include "chart/demo/DemoTraces.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: chart-demo -o out.png [-w width] [-h height] [--overlay] [--visible n] "
                 "[--scroll units]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    int width = 1280, height = 720, visible = 65536, scroll = 0;
    bool overlay = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o" && i + 1 < argc)
            out = argv[++i];
        else if (a == "-w" && i + 1 < argc)
            width = std::atoi(argv[++i]);
        else if (a == "-h" && i + 1 < argc)
            height = std::atoi(argv[++i]);
        else if (a == "--visible" && i + 1 < argc)
            visible = std::atoi(argv[++i]);
        else if (a == "--scroll" && i + 1 < argc)
            scroll = std::atoi(argv[++i]);
        else if (a == "--overlay")
            overlay = true;
        else
            return Usage();
    }
    if (out.empty() || width < 32 || height < 32 || visible < 1) return Usage();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    auto* painter = new qda::QtGraphPainter;
    CGraphCanvas canvas{std::unique_ptr<qda::GraphPainter>(painter)};
    // The storage window's layout: 24 rows, 32 columns, x labels on.
    // Fonts are made on the first resize, as the owner windows resize the chart once after creating it.
    if (!canvas.Create(0.12, 0.05, 0.72, 0.9, 24, 32, 2, 2, 1, 32768, width, height) ||
        !canvas.Resize(width, height)) {
        std::fprintf(stderr, "chart-demo: the canvas could not be made\n");
        return 1;
    }
    const COLORREF colours[4] = {GraphRgb(255, 255, 0), GraphRgb(0, 255, 255), GraphRgb(255, 0, 255),
                                 GraphRgb(0, 255, 0)};
    const char* names[4] = {"Graph01", "Graph02", "Graph03", "Graph04"};
    const int n = 65536;
    const GraphDisplayFormat format{0, 1, 0};  // mm, 0.001
    canvas.SuspendRedraw(1);
    for (int t = 0; t < 4; ++t) {
        canvas.SetTraceCapacity(t, n);
        canvas.SetTraceProperties(t, 1, names[t], 0, colours[t]);
    }
    canvas.SetMode(overlay ? 0 : 1, visible, 2, 1);
    canvas.SetScrollUnits(scroll);
    for (int t = 0; t < 4; ++t) {
        const std::vector<int32_t> samples = qda::MakeDemoTrace(t, n);
        canvas.SetTraceData(t, 0, n, -4000, 4000, format, n, samples.data());
    }
    canvas.ComputeBands();
    canvas.SetCursor(0, 0xFFFFFF);
    canvas.SetCursor(1, 0xFFFFFF);
    canvas.MoveCursor(0, canvas.GetScrollSamples() + visible / 4);
    canvas.MoveCursor(1, canvas.GetScrollSamples() + visible * 3 / 4);
    canvas.SelectTrace(1);
    canvas.SuspendRedraw(0);

    // Save through the 24-bit bitmap, as the clipboard copy would see it.
    GraphBitmapInfoHeader header;
    const uint8_t* bits = nullptr;
    canvas.GetBitmap(header, bits);
    if (!bits) return 1;
    QImage image(header.biWidth, header.biHeight, QImage::Format_RGB888);
    for (int y = 0; y < header.biHeight; ++y) {
        const uint8_t* src = bits + static_cast<size_t>(header.biHeight - 1 - y) * header.biWidth * 3;
        uchar* dst = image.scanLine(y);
        for (int x = 0; x < header.biWidth; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    if (!image.copy(0, 0, width, height).save(QString::fromStdString(out), "PNG")) {
        std::fprintf(stderr, "chart-demo: cannot write %s\n", out.c_str());
        return 1;
    }
    GraphCursorStats stats;
    canvas.GetCursorStats(1, canvas.GetCursorPosition(0), canvas.GetCursorPosition(1), stats);
    std::printf("wrote %s (%dx%d); trace 2 between cursors: min %.3f max %.3f avg %.3f\n", out.c_str(), width,
                height, stats.minimum, stats.maximum, stats.average);
    return 0;
}
