// Start-up time of qd-atlas (process start to main window shown and idle, start-up choice left
// out) against a minimal Qt Widgets program showing one empty dialog, both measured in this run
// as whole processes. The target is a ratio of at most 2.
//
//   build/<dir>/bench/app_startup_bench [--benchmark_repetitions=...]
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

std::string g_dir;
std::vector<double> g_minimal, g_atlas;

// Runs `program` to its end; seconds taken, or a negative value when it failed.
double RunOnce(const std::string& program) {
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Measure(benchmark::State& state, const char* name, std::vector<double>& samples) {
    const std::string program = (std::filesystem::path(g_dir) / name).string();
    for (auto _ : state) {
        const double seconds = RunOnce(program);
        if (seconds < 0) {
            std::fprintf(stderr, "%s did not run to its end\n", program.c_str());
            state.SkipWithError("a probe did not run to its end");
            return;
        }
        samples.push_back(seconds);
        state.SetIterationTime(seconds);
    }
}

void BM_MinimalDialog(benchmark::State& state) {
    Measure(state, "qda_probe_minimal_dialog", g_minimal);
}
void BM_QdAtlasToIdle(benchmark::State& state) {
    Measure(state, "qda_probe_qd_atlas_idle", g_atlas);
}
BENCHMARK(BM_MinimalDialog)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QdAtlasToIdle)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    // The probes live beside this program; they run offscreen, with their own settings and lock.
    const std::filesystem::path self(argv[0]);
    g_dir = self.has_parent_path() ? self.parent_path().string() : std::filesystem::current_path().string();
    char runtime[] = "/tmp/qda-bench-XXXXXX";
    if (mkdtemp(runtime) == nullptr) return 1;
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("XDG_CONFIG_HOME", runtime, 1);
    if (getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double minimal = Median(g_minimal), atlas = Median(g_atlas);
    if (minimal > 0 && atlas > 0) {
        std::printf(
            "median start to idle: minimal dialog %.1f ms, qd-atlas %.1f ms, ratio %.2f (target <= 2)\n",
            minimal * 1000, atlas * 1000, atlas / minimal);
    }
    std::error_code ec;
    std::filesystem::remove_all(runtime, ec);
    return ec ? 1 : 0;
}
