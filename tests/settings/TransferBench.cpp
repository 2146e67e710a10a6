// Time of a full settings receive, a full settings send and a readout of 2 x 65536 stored values
// against qd-atlas-sim paced at 115200 baud, each as the ratio of the measured time to the wire
// time of every frame exchanged (bytes x 10 / 115200).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "comm/Command.h"
#include "settings/SettingsTransfer.h"
#include "settings/TransferTestSupport.h"
#include "storage/StorageReadout.h"
#include "support/ByteCounter.h"
#include "support/SimProcess.h"

namespace {

constexpr double kBaud = 115200.0;

using qda::test::ByteCounter;

// A paced simulator with an open link and the byte counter installed.
struct PacedLink {
    qda::test::SimProcess sim{{"--pace-baud", "115200"}};
    CCommand cmd;
    ByteCounter counter;
    bool ok = false;

    PacedLink() {
        if (!sim.ok()) return;
        g_bRetryAvailable = false;
        qda::SerialLine s;
        s.baud = 115200;
        s.devicePath = sim.SlavePath();
        ok = cmd.OpenPort(s);
        qda::SetDumpSink(&counter);  // after the command object, which clears the registration
    }
    ~PacedLink() {
        qda::SetDumpSink(nullptr);
        if (ok) cmd.ClosePort();
    }
};

// Runs `operation` once per iteration and reports the ratio of the elapsed time to the wire time.
template <class Operation>
void Measure(benchmark::State& state, PacedLink& link, Operation operation) {
    double elapsed = 0, wire = 0;
    int failures = 0;
    for (auto _ : state) {
        link.counter.Take();
        const auto start = std::chrono::steady_clock::now();
        if (!operation()) ++failures;
        elapsed += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        wire += qda::test::WireSeconds(link.counter.Take(), kBaud);
    }
    state.counters["wire_s"] = wire / static_cast<double>(state.iterations());
    state.counters["ratio_to_wire"] = elapsed / wire;
    state.counters["failures"] = failures;
}

void BM_FullReceivePaced115200(benchmark::State& state) {
    PacedLink link;
    if (!link.ok) return state.SkipWithError("qd-atlas-sim is not built next to the benchmarks (../bin)");
    TransferParam param;
    param.command = &link.cmd;
    param.image = qda::test::NonDefaultBlock(0);
    if (!SetSettings(param, 1, 1)) return state.SkipWithError("the settings could not be sent");
    Measure(state, link, [&] { return GetSettings(param); });
}

void BM_FullSendPaced115200(benchmark::State& state) {
    PacedLink link;
    if (!link.ok) return state.SkipWithError("qd-atlas-sim is not built next to the benchmarks (../bin)");
    TransferParam param;
    param.command = &link.cmd;
    param.image = qda::test::NonDefaultBlock(1);
    Measure(state, link, [&] { return SetSettings(param, 1, 1); });
}

void BM_ReadoutBothOutsPaced115200(benchmark::State& state) {
    PacedLink link;
    if (!link.ok) return state.SkipWithError("qd-atlas-sim is not built next to the benchmarks (../bin)");
    // Program 0 stores both OUTs every 20 us until 65536 values: full in 1.3 s.
    TransferParam param;
    param.command = &link.cmd;
    param.image = qda::test::NonDefaultBlock(0);
    CommonSetting& c = param.image.Programs[0].Common;
    c.SampRate = 0;
    c.DSFreq = 0;
    c.DSPoints = 65536;
    c.DSOut = 3;
    param.program = 0;
    qda::CommandReply r;
    if (!SetSettings(param, 1, 1) || !link.cmd.StorageStart(r) || r.status != 0)
        return state.SkipWithError("the storage could not be started");
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));

    CStorageData slots[2];
    slots[0].Prepare();
    slots[1].Prepare();
    CStorageData* const slotPointers[2] = {&slots[0], &slots[1]};
    const std::string names[2] = {"Graph01", "Graph02"};
    Measure(state, link, [&] {
        qda::ReadoutStatus status;
        const qda::ReadoutResult result = qda::RunStorageReadout(
            link.cmd, qda::PlanReadout(qda::kReadoutBoth), slotPointers, names, status);
        return result.ok && slots[0].Count() == 65536 && slots[1].Count() == 65536;
    });
}

BENCHMARK(BM_FullReceivePaced115200)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FullSendPaced115200)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadoutBothOutsPaced115200)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
