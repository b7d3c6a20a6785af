// Cost of each built-in program with sixteen voices, through the plug-in's
// binary interface at 48 kHz: the program's values set as a host sets them,
// sixteen notes struck again every half second (a one-shot program would
// otherwise fall silent and cost nothing). Reports the CPU seconds that
// processReplacing takes per second of audio; the heaviest program must stay
// well under half a core.
#include <benchmark/benchmark.h>

#include <span>

#include "engine/ParameterModel.h"
#include "plugin/BuiltinPrograms.h"
#include "bench/HostedKolbri.h"
#include "tools/testhost/TestHost.h"

namespace {

void BM_BuiltinProgramSixteenVoices(benchmark::State& state) {
    constexpr int kBlock = 512;
    constexpr double kRate = 48000;
    constexpr int kVoices = 16;
    constexpr int kBlocksBetweenStrikes = 47;  // half a second
    auto plugin = bench::loadHostedKolbri(state, kRate, kBlock);
    if (!plugin) return;
    const int program = static_cast<int>(state.range(0));
    state.SetLabel(std::string(builtinProgramName(program)));
    plugin->start();
    const std::span<const float> values = builtinProgramValues(program);
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        if (tag != NEVER_COPIED_TAG && tag != PRESET_APPLY_TAG) plugin->setParameter(tag, values[static_cast<std::size_t>(tag)]);
    plugin->render(2 * 4096);

    auto strike = [&plugin] {
        const long now = plugin->framesRendered();
        for (int i = 0; i < kVoices; ++i) plugin->noteOff(now, 40 + 3 * i);
        for (int i = 0; i < kVoices; ++i) plugin->noteOn(now, 40 + 3 * i, 100);
    };
    const double cpuBefore = plugin->processCpuSeconds();
    long frames = 0;
    int blocks = 0;
    for (auto _ : state) {
        if (blocks++ % kBlocksBetweenStrikes == 0) strike();
        testhost::Stereo audio = plugin->render(kBlock);
        benchmark::DoNotOptimize(audio.left.data());
        frames += kBlock;
    }
    const double audioSeconds = static_cast<double>(frames) / kRate;
    state.counters["cpu_s_per_audio_s"] = (plugin->processCpuSeconds() - cpuBefore) / audioSeconds;
}
BENCHMARK(BM_BuiltinProgramSixteenVoices)->DenseRange(0, BUILTIN_PROGRAM_COUNT - 1)->Unit(benchmark::kMicrosecond);

}  // namespace
