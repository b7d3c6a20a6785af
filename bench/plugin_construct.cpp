// Cost of making and destroying one plug-in instance, directly and as a
// scanning host does through the library.
#include <benchmark/benchmark.h>

#include "plugin/uPlugin.h"
#include "tools/testhost/TestHost.h"

static void ConstructAndDestroy(benchmark::State& state) {
    for (auto _ : state) {
        AudioEffect* effect = createEffectInstance(nullptr);
        benchmark::DoNotOptimize(effect);
        delete effect;
    }
}
BENCHMARK(ConstructAndDestroy)->Unit(benchmark::kMillisecond);

static void ScanThroughTheLibrary(benchmark::State& state) {
    for (auto _ : state) {
        testhost::ScanResult result = testhost::scanRepeatedly(KOLBRI_SO_PATH, 1);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(ScanThroughTheLibrary)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
