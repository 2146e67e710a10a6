// Time to build the settings list text of one program from the hidden pages (the main window does
// it after every change of program, receive, send, open, save and reset).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "pages/SettingsListBuilder.h"
#include "settings/SettingsDefaults.h"

namespace {

void BM_BuildSettingsListText(benchmark::State& state) {
    const SettingsBlock block = qda::DefaultBlock();
    BuildSettingsListText(block, 0);  // the hidden pages are made once, on the first call
    int program = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildSettingsListText(block, program));
        program = (program + 1) % 8;
    }
}
BENCHMARK(BM_BuildSettingsListText)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
