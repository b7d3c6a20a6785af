// Cost of rendering through the plug-in's binary interface as a host sees it:
// N held notes, one host block per iteration. Reports the CPU seconds that
// processReplacing takes per second of audio, as `vsthost time` does.
#include <benchmark/benchmark.h>

#include "bench/HostedKolbri.h"
#include "tools/testhost/TestHost.h"

namespace {

void BM_HostRenderHeldNotes(benchmark::State& state) {
    constexpr int kBlock = 512;
    constexpr double kRate = 48000;
    auto plugin = bench::loadHostedKolbri(state, kRate, kBlock);
    if (!plugin) return;
    // Notes a tone apart in the middle of the keyboard, held throughout.
    const int notes = static_cast<int>(state.range(0));
    for (int i = 0; i < notes; ++i) plugin->noteOn(0, 48 + 2 * i, 100);
    plugin->render(kBlock);  // the notes start outside the measurement

    const double cpuBefore = plugin->processCpuSeconds();
    long frames = 0;
    for (auto _ : state) {
        testhost::Stereo audio = plugin->render(kBlock);
        benchmark::DoNotOptimize(audio.left.data());
        frames += kBlock;
    }
    const double audioSeconds = static_cast<double>(frames) / kRate;
    state.counters["cpu_s_per_audio_s"] = (plugin->processCpuSeconds() - cpuBefore) / audioSeconds;
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HostRenderHeldNotes)->Arg(0)->Arg(1)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);

}  // namespace
