// Reading, checking and writing a full settings file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "resources/Messages.h"
#include "settings/Configuration.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsFileCheck.h"
#include "settings/SettingsFileFormat.h"

namespace {

SettingsBlock BusyBlock() {
    SettingsBlock block = qda::DefaultBlock();
    for (int p = 0; p < qda::kProgramCount; ++p) {
        block.Programs[p].Out1.AScaleOut1 = -8.19 + p;
        block.Programs[p].Out2.ToleUpper = 123450 + p * 10;
    }
    return block;
}

std::string TempPath() {
    return (std::filesystem::temp_directory_path() / ("qda-bench-" + std::to_string(::getpid()) + ".qdt"))
        .string();
}

void BM_ParseAndValidateText(benchmark::State& state) {
    const std::string text = qda::WriteSettingsText(BusyBlock(), 3);
    SetMessageSilent(1);
    for (auto _ : state) {
        SettingsBlock block = qda::DefaultBlock();
        int active = 0;
        bool ok = qda::ParseSettingsText(text, block, active) && qda::ValidateOpenedBlock(block, active);
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseAndValidateText);

void BM_WriteText(benchmark::State& state) {
    const SettingsBlock block = BusyBlock();
    for (auto _ : state) benchmark::DoNotOptimize(qda::WriteSettingsText(block, 3));
}
BENCHMARK(BM_WriteText);

void BM_OpenFile(benchmark::State& state) {
    const std::string path = TempPath();
    CConfiguration().Save(path, BusyBlock(), 3);
    for (auto _ : state) {
        SettingsBlock block = qda::DefaultBlock();
        int active = 0;
        benchmark::DoNotOptimize(qda::ReadAndCheckSettingsFile(path, block, active));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenFile);

void BM_SaveFile(benchmark::State& state) {
    const std::string path = TempPath();
    const SettingsBlock block = BusyBlock();
    for (auto _ : state) benchmark::DoNotOptimize(CConfiguration().Save(path, block, 3));
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveFile);

}  // namespace

BENCHMARK_MAIN();
