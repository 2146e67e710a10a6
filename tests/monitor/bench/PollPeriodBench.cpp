// The poll periods of the measured-value window, alone or with both waveform windows, in the
// assembled program (CTR52App with its real main window and tool windows, shown) against
// qd-atlas-sim paced as a 115200 baud line, on a pseudo-terminal or over the USB road through
// vantorusbd. An operator's script opens the windows from the main window's buttons and starts
// them; then, for the time asked:
//   - each window's poll period, from the times its requests went out (the command layer's dump
//     hook), mean and worst against the nominal period of the link;
//   - the CPU time of the whole process (user + system, getrusage) per second of polling, beside
//     the same figure with the windows shown but idle;
//   - from the arrival of a measured-value reply to the paint of the value panel showing it.
//
//   QT_QPA_PLATFORM=offscreen build/main/bench/poll_period_bench [--seconds 60] [--link pty|usb]
//       [--windows calc|calc+wave] [--start calc-first|calc-last]
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "PollRecorder.h"
#include "ThreadCpu.h"
#include "app/TR52Dlg.h"
#include "comm/DumpSink.h"
#include "journeys/Journey.h"
#include "monitor/Calc.h"
#include "monitor/PollPeriod.h"
#include "monitor/Wave.h"

using namespace qda::journey;
using qda::bench::Spread;

namespace {

struct Options {
    int seconds = 60;
    bool usb = false;
    bool waves = false;
    // With the waveform windows: the measured-value window started after them instead of before.
    bool calcLast = false;
};

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::string value = i + 1 < argc ? argv[i + 1] : "";
        if (arg == "--seconds" && !value.empty()) {
            o.seconds = std::max(1, std::atoi(value.c_str()));
        } else if (arg == "--link" && (value == "pty" || value == "usb")) {
            o.usb = value == "usb";
        } else if (arg == "--windows" && (value == "calc" || value == "calc+wave")) {
            o.waves = value == "calc+wave";
        } else if (arg == "--start" && (value == "calc-first" || value == "calc-last")) {
            o.calcLast = value == "calc-last";
        } else {
            std::fprintf(
                stderr,
                "usage: poll_period_bench [--seconds N] [--link pty|usb] [--windows calc|calc+wave]\n"
                "       [--start calc-first|calc-last]\n"
                "       [--start calc-first|calc-last]\n");
            return false;
        }
        ++i;
    }
    return true;
}

double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// From a reading's acceptance by the window to the next paint of its value panel.
class PaintProbe : public QObject {
public:
    int64_t pendingArrivalNs = 0;
    std::vector<double> latencyMs;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && pendingArrivalNs != 0) {
            latencyMs.push_back(static_cast<double>(qda::bench::NowNs() - pendingArrivalNs) / 1e6);
            pendingArrivalNs = 0;
        }
        return QObject::eventFilter(watched, e);
    }
};

// Measures between the two marks the script sets on the user-interface thread.
struct Run {
    int64_t idleFrom = 0, idleTo = 0, from = 0, to = 0;
    double idleCpuFrom = 0, idleCpuTo = 0, cpuFrom = 0, cpuTo = 0;
    std::map<int, double> threadsFrom, threadsTo;
    // The script's and the harness's own threads, up before the program's workers.
    std::set<int> harness;
    bool measuring = false;
};

void Mark(Operator& op, int64_t& at, double& cpu, std::map<int, double>* threads = nullptr) {
    op.Ui([&] {
        at = qda::bench::NowNs();
        cpu = CpuMs();
        if (threads != nullptr) *threads = qda::bench::ThreadCpuMs();
    });
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QD-Atlas"));
    QApplication::setOrganizationName(QStringLiteral("Vantor"));

    ProgramSetup setup;
    setup.link = options.usb ? Link::kUsb : Link::kRs232c;
    setup.simArgs = {"--pace-baud", "115200"};
    Journey journey(setup);
    if (!journey.Ready()) {
        std::fprintf(stderr, "poll_period_bench: %s\n", journey.Why().c_str());
        return 1;
    }

    qda::bench::CPollRecorder recorder;
    PaintProbe probe;
    Run run;
    const int idleSeconds = std::max(1, options.seconds / 12);
    journey.Run([&](Operator& op) {
        for (const auto& [tid, ms] : qda::bench::ThreadCpuMs())
            if (tid != ::getpid()) run.harness.insert(tid);
        op.PassSplash();
        const QPointer<QWidget> choice = op.WaitForDialog(QStringLiteral("167"));
        op.Key(Qt::Key_Escape);
        op.WaitClosed(choice, "the start-up choice");
        const QPointer<CTR52Dlg> main = op.Main();
        // After the command object exists: constructing it clears the registration.
        op.Ui([&] { qda::SetDumpSink(&recorder); });

        op.Step("the windows open from the main window");
        op.Click(QStringLiteral("1003"), main.data());
        const QPointer<CCalc> calc = op.Ui([main] { return QPointer<CCalc>(main->CalcWindow()); });
        std::vector<QPointer<CWave>> waves;
        if (options.waves) {
            for (int head = 0; head < 2; ++head) {
                op.Click(QString::number(1004 + head), main.data());
                waves.push_back(op.Ui([main, head] { return QPointer<CWave>(main->WaveWindow(head)); }));
            }
        }
        op.WaitUntil(
            [&] {
                return calc->isVisible() &&
                       std::all_of(waves.begin(), waves.end(), [](auto& w) { return w->isVisible(); });
            },
            "the windows to show");
        op.Ui([&] {
            calc->Control(CCalc::IDC_PANEL_LEFT)->installEventFilter(&probe);
            QObject::connect(calc.data(), &CCalc::readingAccepted, &probe, [&] {
                if (run.measuring) probe.pendingArrivalNs = calc->LastArrivalNs();
            });
        });

        op.Step("the windows shown and idle");
        Mark(op, run.idleFrom, run.idleCpuFrom);
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        Mark(op, run.idleTo, run.idleCpuTo);

        op.Step("acquisition starts");
        auto wavesShown = [&] {
            return std::all_of(waves.begin(), waves.end(), [](auto& w) { return w->DataValid(); });
        };
        if (!options.calcLast) op.Click(QStringLiteral("1300"), calc.data());
        for (const QPointer<CWave>& w : waves) op.Click(QStringLiteral("1140"), w.data());
        if (options.calcLast) {
            // Started just after a waveform request went out, the measured-value window's polls
            // come due while that exchange holds the update lock, as they do for an operator who
            // starts it at a moment of the waveform windows' period that lies inside one of their
            // exchanges (two thirds of the period at 115200 baud).
            op.WaitUntil(wavesShown, "the waveforms");
            const size_t sent = recorder.Sent(qda::bench::kWaveAPolls);
            while (recorder.Sent(qda::bench::kWaveAPolls) == sent)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            op.Click(QStringLiteral("1300"), calc.data());
        }
        op.WaitUntil(
            [&] {
                return calc->ReadingValid() &&
                       std::all_of(waves.begin(), waves.end(), [](auto& w) { return w->DataValid(); });
            },
            "a reading and the waveforms");
        // The first polls settle the workers' phases against each other.
        std::this_thread::sleep_for(std::chrono::seconds(1));

        op.Step("polling");
        op.Ui([&] { run.measuring = true; });
        Mark(op, run.from, run.cpuFrom, &run.threadsFrom);
        std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
        Mark(op, run.to, run.cpuTo, &run.threadsTo);
        op.Ui([&] { run.measuring = false; });

        op.Step("acquisition stops and the program exits");
        op.Click(QStringLiteral("1300"), calc.data());
        for (const QPointer<CWave>& w : waves) op.Click(QStringLiteral("1140"), w.data());
        op.WaitUntil(
            [&] {
                return calc->IsIdle() &&
                       std::all_of(waves.begin(), waves.end(), [](auto& w) { return w->IsIdle(); });
            },
            "the workers to end");
        op.Ui([&] { qda::ClearDumpSink(&recorder); });
        op.ExitDiscarding();
    });
    qda::ClearDumpSink(&recorder);
    if (!journey.Failures().empty()) {
        for (const std::string& f : journey.Failures())
            std::fprintf(stderr, "poll_period_bench: %s\n", f.c_str());
        return 1;
    }

    const double nominal = options.usb ? qda::kPollPeriodUsbMs : qda::kPollPeriodSerialMs;
    const double seconds = static_cast<double>(run.to - run.from) / 1e9;
    std::printf("poll_period_bench: %s, qd-atlas-sim paced at 115200 baud, windows %s, %.1f s of polling\n",
                options.usb ? "USB (vantorusbd --sim)" : "RS-232C (pty)",
                !options.waves     ? "calc"
                : options.calcLast ? "calc+wave (calc started last)"
                                   : "calc+wave",
                seconds);
    std::printf("%-8s %8s %6s %9s %8s %9s %7s %12s %9s\n", "window", "nominal", "polls", "mean ms", "mean %",
                "worst ms", "worst/n", "exchange ms", "phase ms");
    const char* names[] = {"calc", "wave A", "wave B"};
    std::vector<qda::bench::PollTimes> times;
    for (int source = 0; source < (options.waves ? 3 : 1); ++source)
        times.push_back(recorder.Times(static_cast<qda::bench::PollSource>(source), run.from, run.to));
    // Where in the period each window's requests go out, against the measured-value window's.
    const int64_t reference = times[0].sent.empty() ? run.from : times[0].sent.front();
    for (size_t source = 0; source < times.size(); ++source) {
        const qda::bench::PollTimes& t = times[source];
        const Spread period = qda::bench::Summarise(qda::bench::Intervals(t.sent));
        std::vector<double> exchange;
        for (size_t i = 0; i < t.sent.size(); ++i)
            if (t.replied[i] != 0) exchange.push_back(static_cast<double>(t.replied[i] - t.sent[i]) / 1e6);
        const double deviation = (period.mean - nominal) / nominal * 100;
        const double phase =
            t.sent.empty()
                ? 0
                : std::fmod(static_cast<double>(t.sent.front() - reference) / 1e6 + nominal * 1000, nominal);
        // Alone the measured-value window keeps within 2 % and never 1.5 periods; with the
        // waveform windows beside it each window keeps within 5 % on average.
        const bool met =
            period.count > 0 && (options.waves ? std::abs(deviation) <= 5
                                               : std::abs(deviation) <= 2 && period.worst <= 1.5 * nominal);
        std::printf("%-8s %8.0f %6zu %9.1f %+8.2f %9.1f %7.2f %12.1f %9.1f  %s\n", names[source], nominal,
                    period.count, period.mean, deviation, period.worst, period.worst / nominal,
                    qda::bench::Summarise(exchange).mean, phase, Verdict(met));
    }
    const double cpuPerSecond = (run.cpuTo - run.cpuFrom) / seconds;
    const double idlePerSecond =
        (run.idleCpuTo - run.idleCpuFrom) / (static_cast<double>(run.idleTo - run.idleFrom) / 1e9);
    std::printf(
        "cpu (process user+system, getrusage): %.2f ms per second of polling (%s, target <= 10); "
        "windows shown and idle %.2f ms/s\n",
        cpuPerSecond, Verdict(cpuPerSecond <= 10), idlePerSecond);
    // The same interval thread by thread: the user-interface thread, the program's other threads
    // (the link's worker, the polling workers), and the bench's own (script, watchdog).
    double harness = 0;
    std::vector<double> others;
    double ui = 0;
    for (const auto& [tid, ms] : run.threadsTo) {
        const auto before = run.threadsFrom.find(tid);
        const double used = (ms - (before == run.threadsFrom.end() ? 0 : before->second)) / seconds;
        if (tid == ::getpid())
            ui = used;
        else if (run.harness.count(tid) != 0)
            harness += used;
        else
            others.push_back(used);
    }
    std::sort(others.rbegin(), others.rend());
    std::string breakdown;
    for (double used : others)
        breakdown += (breakdown.empty() ? "" : " ") + std::to_string(used).substr(0, 4);
    std::printf(
        "  by thread (schedstat, ms/s): user interface %.2f; other program threads %s; bench harness %.2f "
        "(program without the harness %.2f)\n",
        ui, breakdown.c_str(), harness, cpuPerSecond - harness);
    const Spread paint = qda::bench::Summarise(probe.latencyMs);
    std::printf(
        "reply arrival to value panel paint: median %.2f ms, p99 %.2f ms, worst %.2f ms over %zu paints "
        "(%s, target median <= 16)\n",
        paint.median, paint.p99, paint.worst, paint.count, Verdict(paint.count > 0 && paint.median <= 16));
    // The verdicts are read from the table; a run that measured is a success.
    return 0;
}
