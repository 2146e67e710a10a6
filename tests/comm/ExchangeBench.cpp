// Exchanges per second of CMD_GET_STORAGE_STATUS against qd-atlas-sim over a pseudo-terminal,
// unpaced and paced at 115200 baud, with the ratio of the time per exchange to the wire time
// (bytes x 10 / baud) of the command and reply frames.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>

#include "comm/Command.h"
#include "support/SimProcess.h"

namespace {

constexpr double kBaud = 115200.0;
constexpr int kCommandFrameBytes = 12;  // "CC," + length + 4-byte packet + checksum

void Exchanges(benchmark::State& state, bool paced) {
    std::vector<std::string> args;
    if (paced) args = {"--pace-baud", "115200"};
    qda::test::SimProcess sim(args);
    if (!sim.ok()) {
        state.SkipWithError("qd-atlas-sim is not built next to the benchmarks (../bin)");
        return;
    }
    g_bRetryAvailable = false;
    CCommand cmd;
    qda::SerialLine s;
    s.baud = 115200;
    s.devicePath = sim.SlavePath();
    if (!cmd.OpenPort(s)) {
        state.SkipWithError("cannot open the simulator's pty");
        return;
    }
    qda::StorageStatus r;
    if (!cmd.GetStorageStatus(r)) {
        state.SkipWithError("no answer");
        return;
    }
    const int replyFrameBytes = r.length + 8;
    int failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!cmd.GetStorageStatus(r)) ++failures;
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cmd.ClosePort();
    const double wireSeconds = (kCommandFrameBytes + replyFrameBytes) * 10.0 / kBaud;
    state.counters["exchanges_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["wire_ms"] = wireSeconds * 1000.0;
    state.counters["failures"] = failures;
    // Time per exchange over the wire time of its two frames at 115200 baud.
    state.counters["ratio_to_wire"] = elapsed / static_cast<double>(state.iterations()) / wireSeconds;
}

void BM_StorageStatusUnpaced(benchmark::State& state) {
    Exchanges(state, false);
}
void BM_StorageStatusPaced115200(benchmark::State& state) {
    Exchanges(state, true);
}

BENCHMARK(BM_StorageStatusUnpaced)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_StorageStatusPaced115200)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
