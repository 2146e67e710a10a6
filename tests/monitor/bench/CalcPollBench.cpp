// The measured-value window polling qd-atlas-sim over a pseudo-terminal paced as a 115200 baud
// line, with the window shown: the poll period (mean and worst against the nominal 300 ms of
// RS-232C), the CPU time of this process per second of polling (window and worker; the simulator
// is another process), and the time from a reply's arrival to the paint of the panel that shows
// it (median and 99th percentile).
//
//   QT_QPA_PLATFORM=offscreen build/main/bench/calc_poll_bench [--seconds N]
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "comm/Command.h"
#include "monitor/Calc.h"
#include "monitor/PollPeriod.h"
#include "resources/MessageBackend.h"
#include "settings/SettingsDefaults.h"
#include "support/ScriptedMessageBackend.h"
#include "support/SimProcess.h"

namespace {

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(static_cast<double>(v.size()) * p))];
}

// Notes when the value panel is painted after a reading was taken.
class PaintProbe : public QObject {
public:
    int64_t pendingArrival = 0;
    std::vector<double> latencyMs;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && pendingArrival != 0) {
            latencyMs.push_back(static_cast<double>(NowNs() - pendingArrival) / 1e6);
            pendingArrival = 0;
        }
        return QObject::eventFilter(watched, e);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int seconds = 60;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::max(5, std::atoi(argv[i + 1]));
    QApplication app(argc, argv);

    qda::test::SimProcess sim({"--pace-baud", "115200"});
    if (!sim.ok()) {
        std::fprintf(stderr, "qd-atlas-sim did not start (QDA_BIN_DIR)\n");
        return 1;
    }
    qda::test::ScriptedMessageBackend messages;
    qda::test::ScopedMessageBackend scope(messages);
    qputenv("QDA_COM1", QByteArray::fromStdString(sim.SlavePath()));
    PcCommSetting pc{};
    qda::SetPcCommDefaults(pc);
    pc.CommType = kCommRs232c;
    pc.PortNo = 0;
    CCommand command;
    CCalc window;
    window.SetConnection({1, 1, 0}, pc, &command);
    window.resize(800, 300);
    window.show();

    PaintProbe probe;
    window.Control(CCalc::IDC_PANEL_LEFT)->installEventFilter(&probe);
    std::vector<int64_t> arrivals;
    QObject::connect(&window, &CCalc::readingAccepted, [&] {
        arrivals.push_back(window.LastArrivalNs());
        probe.pendingArrival = window.LastArrivalNs();
    });

    double cpuStart = 0;
    QElapsedTimer wall;
    QTimer::singleShot(0, [&] {
        window.StartAcquisition();
        cpuStart = CpuSeconds();
        wall.start();
    });
    QTimer::singleShot(seconds * 1000, [&] {
        const double cpu = CpuSeconds() - cpuStart;
        const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
        window.StopAcquisition(true);
        std::vector<double> periods;
        for (size_t i = 1; i < arrivals.size(); ++i)
            periods.push_back(static_cast<double>(arrivals[i] - arrivals[i - 1]) / 1e6);
        double mean = 0;
        for (double p : periods) mean += p;
        mean = periods.empty() ? 0 : mean / static_cast<double>(periods.size());
        const double worst = periods.empty() ? 0 : *std::max_element(periods.begin(), periods.end());
        const double nominal = qda::kPollPeriodSerialMs;
        std::printf("polling %.1f s, %zu readings, messages %zu\n", elapsed, arrivals.size(), messages.Shown().size());
        std::printf("poll period: mean %.1f ms (%+.2f %% of %.0f), worst %.1f ms (%.2f x nominal)\n", mean,
                    (mean - nominal) / nominal * 100, nominal, worst, worst / nominal);
        std::printf("cpu: %.2f ms per second of polling\n", cpu * 1000 / elapsed);
        std::printf("arrival to paint: median %.2f ms, p99 %.2f ms (%zu paints)\n", Percentile(probe.latencyMs, 0.5),
                    Percentile(probe.latencyMs, 0.99), probe.latencyMs.size());
        QApplication::quit();
    });
    return QApplication::exec();
}
