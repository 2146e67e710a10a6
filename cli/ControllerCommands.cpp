// qd-atlas-cli commands that talk to the controller: state, mode, head-info, measure, stats,
// stats-clear, zero, reset, timing, waveform, init-controller.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/CliCommand.h"
#include "cli/ConnectionOptions.h"
#include "comm/ControllerReplies.h"
#include "monitor/TimingRule.h"
#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "settings/Units.h"

namespace qda::cli {

namespace {

constexpr int kMsgCommunicationFailed = 293;
constexpr int kMsgWaveformFailed = 369;
constexpr int kMsgInitDone = 378;
constexpr int kMsgInitFailed = 379;

std::string Text(int stringId) {
    return LoadResourceString(stringId);
}

// Head letter A/B (either case) to 0/1; -1 otherwise.
int HeadIndex(const std::string& word) {
    if (word == "A" || word == "a") return 0;
    if (word == "B" || word == "b") return 1;
    return -1;
}

// OUT number 1/2 to 0/1; -1 otherwise.
int OutIndex(const std::string& word) {
    if (word == "1") return 0;
    if (word == "2") return 1;
    return -1;
}

bool TakeWord(CliArgs& args, const char* what, std::string& word) {
    const auto w = args.TakePositional();
    if (!w) {
        args.AddError(std::string("missing ") + what);
        return false;
    }
    word = *w;
    return true;
}

// "<value> <label>" of a measured value; the invalid marker and "-" for an unusable format.
std::string MeasuredText(int32_t value, int unit, int row) {
    if (row < 0) return FormatMeasured(kNoValue, 0, 0, 0) + " -";
    return FormatMeasured(value, unit, row, row) + " " + UnitLabel(unit, row);
}

// The lit judgement lamps of an OUT: HI, GO, LO joined by "+", or "-".
std::string Judgement(OutFlags flags) {
    std::string out;
    auto add = [&](bool lit, const char* name) {
        if (!lit) return;
        if (!out.empty()) out += "+";
        out += name;
    };
    add(flags.Hi(), "HI");
    add(flags.Go(), "GO");
    add(flags.Lo(), "LO");
    return out.empty() ? "-" : out;
}

void PrintReading(std::ostream& os, const MeasuredValues& r) {
    for (size_t out = 0; out < 2; ++out) {
        const ValueFormat& f = r.format[out];
        const int row = UnitRowOfReportedFormat(f.unitCode, f.rowHint, f.decimals);
        const OutFlags flags = r.out[out];
        os << "OUT" << out + 1 << " " << MeasuredText(r.value[out], f.unitCode, row) << " "
           << Judgement(flags);
        if (flags.AutoZero()) os << " ZERO";
        if (flags.Timing()) os << " TIMING";
        os << "\n";
    }
}

constexpr const char* kStateUsage =
    "usage: qd-atlas-cli state [connection options]\n"
    "Prints the controller's storage status line (stored counts of OUT1 and OUT2, state).\n"
    "Exit 1 when the controller cannot be asked (the line then says so).\n";

int RunState(CliArgs& args, CliContext& ctx) {
    return RunControllerCommand(
        args, ctx, kStateUsage, [](CliArgs&) { return true; },
        [&](ControllerSession& s) -> int {
            std::string line;
            const bool ok = s.Command().GetStorageStatusText(line);
            ctx.out << line;
            return ok ? kExitOk : kExitFailure;
        });
}

constexpr const char* kModeUsage =
    "usage: qd-atlas-cli mode measure|setting [connection options]\n"
    "Brings the controller into measuring or setting mode.\n";

int RunMode(CliArgs& args, CliContext& ctx) {
    int mode = -1;
    return RunControllerCommand(
        args, ctx, kModeUsage,
        [&](CliArgs& a) {
            std::string w;
            if (!TakeWord(a, "mode", w)) return false;
            mode = w == "measure" ? kModeMeasuring : w == "setting" ? kModeSetting : -1;
            if (mode < 0) a.AddError("mode must be measure or setting");
            return mode >= 0;
        },
        [&](ControllerSession& s) -> int {
            if (s.Command().SetControllerMode(mode)) return kExitOk;
            ShowMessage(LoadMessage(kMsgCommunicationFailed), MB_OK | MB_ICONWARNING);
            return kExitFailure;
        });
}

constexpr const char* kHeadInfoUsage =
    "usage: qd-atlas-cli head-info A|B [connection options]\n"
    "Prints the model name of sensor head A or B (\"未接続\" and exit 1 when no head is known).\n";

int RunHeadInfo(CliArgs& args, CliContext& ctx) {
    int head = -1;
    return RunControllerCommand(
        args, ctx, kHeadInfoUsage,
        [&](CliArgs& a) {
            std::string w;
            if (!TakeWord(a, "head", w)) return false;
            head = HeadIndex(w);
            if (head < 0) a.AddError("head must be A or B");
            return head >= 0;
        },
        [&](ControllerSession& s) -> int {
            HeadInfo r;
            if (!s.Command().GetHeadInfo(r, head)) return s.Fail(LoadMessage(kMsgCommunicationFailed), r);
            std::string name;
            const bool known = CCommand::GetHeadModelName(r.modelCode, name);
            ctx.out << name << "\n";
            return known ? kExitOk : kExitFailure;
        });
}

constexpr const char* kMeasureUsage =
    "usage: qd-atlas-cli measure [--count N] [--interval MS] [connection options]\n"
    "Reads the measured values of OUT1 and OUT2 N times (default 1), MS milliseconds apart\n"
    "(default 300). Each reading prints two lines:\n"
    "  OUT<n> <value> <unit> <judgement> [ZERO] [TIMING]\n"
    "value as the measured value window shows it (\"--------\" no value, \"FFFFFF\" / \"-FFFFFF\"\n"
    "over range; unit \"-\" for an unusable display format); judgement the lit lamps HI, GO, LO\n"
    "joined by \"+\", or \"-\"; ZERO when auto-zero is on; TIMING when timing input is on.\n";

int RunMeasure(CliArgs& args, CliContext& ctx) {
    long count = 1, interval = 300;
    return RunControllerCommand(
        args, ctx, kMeasureUsage,
        [&](CliArgs& a) {
            bool ok = true;
            if (const auto c = a.TakeOption("--count")) {
                const auto n = ParseIntArg(*c, 1, 1000000);
                if (!n) a.AddError("--count must be 1 to 1000000");
                ok = ok && n;
                if (n) count = *n;
            }
            if (const auto i = a.TakeOption("--interval")) {
                const auto n = ParseIntArg(*i, 0, 3600000);
                if (!n) a.AddError("--interval must be 0 to 3600000 ms");
                ok = ok && n;
                if (n) interval = *n;
            }
            return ok;
        },
        [&](ControllerSession& s) -> int {
            for (long i = 0; i < count; ++i) {
                if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(interval));
                MeasuredValues r;
                if (!s.Command().GetMeasuredValues(r, 255)) return s.Fail(Text(kStrCalcReadFailed), r);
                PrintReading(ctx.out, r);
                ctx.out.flush();
            }
            return kExitOk;
        });
}

constexpr const char* kStatsUsage =
    "usage: qd-atlas-cli stats [connection options]\n"
    "Prints the controller's statistics of OUT1 and OUT2 as the measured value window lists\n"
    "them: a title line and nine rows, columns separated by TAB (\"***\" for a column without a\n"
    "usable display format).\n";

int RunStats(CliArgs& args, CliContext& ctx) {
    return RunControllerCommand(
        args, ctx, kStatsUsage, [](CliArgs&) { return true; },
        [&](ControllerSession& s) -> int {
            std::string cells[9][2];
            for (int out = 0; out < 2; ++out) {
                Statistics r;
                if (!s.Command().GetStatistics(r, out)) return s.Fail(Text(kStrCalcStatisticsReadFailed), r);
                const int unit = r.format.unitCode;
                const int row = UnitRowOfReportedFormat(unit, r.format.rowHint, r.format.decimals);
                for (int i = 0; i < Statistics::kRows; ++i) {
                    const int32_t v = r.RowValue(i);
                    if (row < 0)
                        cells[i][out] = "***";
                    else if (Statistics::IsMeasuredRow(i))
                        cells[i][out] = FormatMeasured(v, unit, row, row);
                    else
                        cells[i][out] = std::to_string(v);
                }
            }
            static const int kLabels[9] = {
                kStrStatisticsAverage, kStrStatisticsMaximum,   kStrStatisticsMinimum,
                kStrStatisticsRange,   kStrStatisticsDeviation, kStrStatisticsCount,
                kStrStatisticsHiCount, kStrStatisticsGoCount,   kStrStatisticsLoCount};
            ctx.out << Text(kStrCalcColumnItem) << "\tOUT1\tOUT2\n";
            for (int i = 0; i < 9; ++i)
                ctx.out << Text(kLabels[i]) << "\t" << cells[i][0] << "\t" << cells[i][1] << "\n";
            return kExitOk;
        });
}

constexpr const char* kStatsClearUsage =
    "usage: qd-atlas-cli stats-clear [connection options]\n"
    "Clears the statistics in the controller.\n";

int RunStatsClear(CliArgs& args, CliContext& ctx) {
    return RunControllerCommand(
        args, ctx, kStatsClearUsage, [](CliArgs&) { return true; },
        [&](ControllerSession& s) -> int {
            CommandReply r;
            if (!s.Command().ClearStatistics(r)) return s.Fail(Text(kStrCalcStatisticsClearFailed), r);
            return kExitOk;
        });
}

constexpr const char* kZeroUsage =
    "usage: qd-atlas-cli zero 1|2 on|off [connection options]\n"
    "Switches auto-zero of OUT1 or OUT2 on or off.\n";

int RunZero(CliArgs& args, CliContext& ctx) {
    int out = -1, on = -1;
    return RunControllerCommand(
        args, ctx, kZeroUsage,
        [&](CliArgs& a) {
            std::string w1, w2;
            if (!TakeWord(a, "OUT", w1) || !TakeWord(a, "on|off", w2)) return false;
            out = OutIndex(w1);
            on = w2 == "on" ? 1 : w2 == "off" ? 0 : -1;
            if (out < 0) a.AddError("OUT must be 1 or 2");
            if (on < 0) a.AddError("the switch must be on or off");
            return out >= 0 && on >= 0;
        },
        [&](ControllerSession& s) -> int {
            CommandReply r;
            if (!s.Command().AutoZero(r, on, out)) return s.Fail(Text(kStrCalcAutoZeroFailed), r);
            return kExitOk;
        });
}

constexpr const char* kResetUsage =
    "usage: qd-atlas-cli reset 1|2 [connection options]\n"
    "Gives the reset input to OUT1 or OUT2.\n";

int RunReset(CliArgs& args, CliContext& ctx) {
    int out = -1;
    return RunControllerCommand(
        args, ctx, kResetUsage,
        [&](CliArgs& a) {
            std::string w;
            if (!TakeWord(a, "OUT", w)) return false;
            out = OutIndex(w);
            if (out < 0) a.AddError("OUT must be 1 or 2");
            return out >= 0;
        },
        [&](ControllerSession& s) -> int {
            CommandReply r;
            if (!s.Command().Reset(r, out)) return s.Fail(Text(kStrCalcResetFailed), r);
            return kExitOk;
        });
}

constexpr const char* kTimingUsage =
    "usage: qd-atlas-cli timing 1|2|both [connection options]\n"
    "Gives the timing input to OUT1, OUT2 or both at once, as the measured value window does: a\n"
    "reading first tells whether the input is held (sent on) or pulsed (sent on, then off).\n";

int RunTiming(CliArgs& args, CliContext& ctx) {
    int target = -1;  // 0, 1, or 2 = both
    return RunControllerCommand(
        args, ctx, kTimingUsage,
        [&](CliArgs& a) {
            std::string w;
            if (!TakeWord(a, "OUT", w)) return false;
            target = w == "both" ? 2 : OutIndex(w);
            if (target < 0) a.AddError("OUT must be 1, 2 or both");
            return target >= 0;
        },
        [&](ControllerSession& s) -> int {
            MeasuredValues r;
            if (!s.Command().GetMeasuredValues(r, 255)) return s.Fail(Text(kStrCalcReadFailed), r);
            // The measured value window's rule: held or pulsed from this reading.
            CommandReply t;
            const bool ok = target == 2 ? SendSimultaneousTiming(s.Command(), t, r)
                                        : SendTimingInput(s.Command(), t, target, TimingHolds(r, target));
            if (!ok) return s.Fail(Text(kStrCalcTimingFailed), t);
            return kExitOk;
        });
}

constexpr const char* kWaveformUsage =
    "usage: qd-atlas-cli waveform A|B [--peak N] [connection options]\n"
    "Reads the received-light waveform of head A or B (--peak 1-4: the ROVA light peak the\n"
    "waveform is processed for, default 1) and prints it as CSV:\n"
    "  peaks,<p1>,<p2>,<p3>,<p4>     light-peak positions (sample index, 0 = none)\n"
    "  samples,<n>                   number of samples the controller reports\n"
    "  index,light                   then 1024 lines <index>,<light amount 0-255>\n";

int RunWaveform(CliArgs& args, CliContext& ctx) {
    int head = -1, peak = 0;
    return RunControllerCommand(
        args, ctx, kWaveformUsage,
        [&](CliArgs& a) {
            bool ok = true;
            if (const auto p = a.TakeOption("--peak")) {
                const auto n = ParseIntArg(*p, 1, 4);
                if (!n) a.AddError("--peak must be 1 to 4");
                ok = ok && n;
                if (n) peak = static_cast<int>(*n) - 1;
            }
            std::string w;
            if (!TakeWord(a, "head", w)) return false;
            head = HeadIndex(w);
            if (head < 0) a.AddError("head must be A or B");
            return ok && head >= 0;
        },
        [&](ControllerSession& s) -> int {
            WaveReply r;
            if (!s.Command().GetWaveform(r, head, peak)) return s.Fail(LoadMessage(kMsgWaveformFailed), r);
            ctx.out << "peaks";
            for (uint16_t p : r.peak) ctx.out << "," << p;
            ctx.out << "\nsamples," << r.sampleCount << "\nindex,light\n";
            std::string lines;
            for (int i = 0; i < WaveReply::kSamples; ++i)
                lines += std::to_string(i) + "," + std::to_string(r.sample[static_cast<size_t>(i)]) + "\n";
            ctx.out << lines;
            return kExitOk;
        });
}

constexpr const char* kInitUsage =
    "usage: qd-atlas-cli init-controller [connection options]\n"
    "Initialises the controller (as after a memory error).\n";

int RunInitController(CliArgs& args, CliContext& ctx) {
    return RunControllerCommand(
        args, ctx, kInitUsage, [](CliArgs&) { return true; },
        [&](ControllerSession& s) -> int {
            CommandReply r;
            if (!s.Command().InitializeController(r)) return s.Fail(LoadMessage(kMsgInitFailed), r);
            ctx.out << LoadMessage(kMsgInitDone) << "\n";
            return kExitOk;
        });
}

}  // namespace

int RunStateCommand(CliArgs& a, CliContext& c) {
    return RunState(a, c);
}
int RunModeCommand(CliArgs& a, CliContext& c) {
    return RunMode(a, c);
}
int RunHeadInfoCommand(CliArgs& a, CliContext& c) {
    return RunHeadInfo(a, c);
}
int RunMeasureCommand(CliArgs& a, CliContext& c) {
    return RunMeasure(a, c);
}
int RunStatsCommand(CliArgs& a, CliContext& c) {
    return RunStats(a, c);
}
int RunStatsClearCommand(CliArgs& a, CliContext& c) {
    return RunStatsClear(a, c);
}
int RunZeroCommand(CliArgs& a, CliContext& c) {
    return RunZero(a, c);
}
int RunResetCommand(CliArgs& a, CliContext& c) {
    return RunReset(a, c);
}
int RunTimingCommand(CliArgs& a, CliContext& c) {
    return RunTiming(a, c);
}
int RunWaveformCommand(CliArgs& a, CliContext& c) {
    return RunWaveform(a, c);
}
int RunInitControllerCommand(CliArgs& a, CliContext& c) {
    return RunInitController(a, c);
}

}  // namespace qda::cli
