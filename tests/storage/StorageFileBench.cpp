// Writing and reading a full storage slot (65536 values), the largest file the window handles.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "storage/StorageFile.h"

namespace {

std::string BenchPath() {
    return (std::filesystem::temp_directory_path() /
            ("qda-storage-bench-" + std::to_string(::getpid()) + ".csv"))
        .string();
}

CStorageData FullSlot() {
    CStorageData slot;
    slot.Prepare();
    slot.SetFormat(0, 1, 2);
    std::vector<int32_t> values(CStorageData::kCapacity);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int32_t>((i * 7919) % 200000000) - 100000000;
    slot.Fill("Graph01", values.data(), static_cast<int>(values.size()));
    return slot;
}

void BM_WriteFullSlot(benchmark::State& state) {
    const CStorageData slot = FullSlot();
    const std::string path = BenchPath();
    for (auto _ : state) benchmark::DoNotOptimize(CStorageFile::Write(slot, path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteFullSlot)->Unit(benchmark::kMillisecond);

void BM_ReadFullSlot(benchmark::State& state) {
    const std::string path = BenchPath();
    CStorageFile::Write(FullSlot(), path);
    CStorageData slot;
    slot.Prepare();
    for (auto _ : state) benchmark::DoNotOptimize(CStorageFile::Read(slot, path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadFullSlot)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
