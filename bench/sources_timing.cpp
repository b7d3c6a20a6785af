// CPU cost of the voice sources as a host pays it: 16 held voices of each
// source mode, and 16 voices with a resonant low-pass and distortion on,
// rendered through the plug-in's binary interface in the test host's timing
// mode. Reported as CPU seconds per second of audio (0.05 = 5 % of a core).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "plugin/uPlugin.h"
#include "tools/testhost/TestHost.h"

namespace {

using Patch = std::vector<std::pair<int, float>>;

constexpr int MAIN_VOLUME = 1, SOURCE_MODE = 10, WAVE_MIX = 15, NOISE_MIX = 14, SUB_VOLUME = 26, FILTER_MODE = 27,
              FILTER_FREQUENCY = 28, FILTER_Q = 30, DISTORTION_MODE = 32, DISTORTION_AMOUNT = 33, MOVEMENT_LOOP = 40,
              MOVEMENT_TO_VOLUME = 52;

float stepValue(int tag, int value) {
    static const auto attributes = std::make_unique<APlugin>(nullptr);
    return static_cast<float>((value + 0.1) / attributes->getSteppedRange(tag));
}

// The default program with voices that keep sounding while held, then the case's settings.
Patch voicePatch(const Patch& settings) {
    Patch all;
    {
        const auto defaults = std::make_unique<APlugin>(nullptr);
        for (int tag = 0; tag < APlugin::NUM_PARAMS; ++tag)
            if (tag != PRESET_APPLY_TAG) all.emplace_back(tag, defaults->getDefaultValue(tag));
    }
    all.emplace_back(MOVEMENT_LOOP, 1.0f);
    all.emplace_back(MOVEMENT_TO_VOLUME, 0.0f);
    all.emplace_back(MAIN_VOLUME, 0.5f);  // -20 dB: sixteen voices stay below the output clamp
    all.insert(all.end(), settings.begin(), settings.end());
    return all;
}

struct SourceCase {
    const char* name;
    Patch settings;
};

const std::vector<SourceCase>& cases() {
    static const std::vector<SourceCase> all = {
        {"noise", {{SOURCE_MODE, stepValue(SOURCE_MODE, 0)}, {NOISE_MIX, 0.5f}}},
        {"tuned_noise", {{SOURCE_MODE, stepValue(SOURCE_MODE, 1)}}},
        {"synced_noise", {{SOURCE_MODE, stepValue(SOURCE_MODE, 2)}}},
        // A blend of two shapes reads both tables.
        {"wave", {{SOURCE_MODE, stepValue(SOURCE_MODE, 3)}, {WAVE_MIX, 0.4f}}},
        {"wave_with_sub", {{SOURCE_MODE, stepValue(SOURCE_MODE, 3)}, {WAVE_MIX, 0.4f}, {SUB_VOLUME, 1.0f}}},
        {"sample", {{SOURCE_MODE, stepValue(SOURCE_MODE, 4)}}},
        // "24dB Zero Delay LowPass" at 640 Hz with resonance, "Saturate" at half drive.
        {"wave_resonant_lowpass_distortion",
         {{SOURCE_MODE, stepValue(SOURCE_MODE, 3)},
          {WAVE_MIX, 0.4f},
          {FILTER_MODE, stepValue(FILTER_MODE, 19)},
          {FILTER_FREQUENCY, 0.5f},
          {FILTER_Q, 0.8f},
          {DISTORTION_MODE, stepValue(DISTORTION_MODE, 13)},
          {DISTORTION_AMOUNT, 0.5f}}},
    };
    return all;
}

void BM_SixteenVoicesThroughTheHost(benchmark::State& state) {
    const SourceCase& source = cases()[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(source.name);
    testhost::TimingOptions options;
    options.notes = 16;
    options.seconds = 2.0;
    options.sampleRate = 48000;
    options.blockSize = 512;
    options.parameters = voicePatch(source.settings);
    double cpuPerAudio = 0, rms = 0;
    int runs = 0;
    for (auto _ : state) {
        auto plugin = testhost::Host().load(KOLBRI_SO_PATH);
        if (!plugin) {
            state.SkipWithError(testhost::Host::lastError().c_str());
            return;
        }
        // The start program the plug-in queues on load is applied at its first
        // housekeeping tick and would end notes started before it: the
        // settings go in and settle first, then the timing mode plays.
        plugin->config().sampleRate = options.sampleRate;
        plugin->config().blockSize = options.blockSize;
        for (const auto& [tag, value] : options.parameters) plugin->setParameter(tag, value);
        plugin->render(static_cast<long>(0.2 * options.sampleRate));
        testhost::TimingOptions play = options;
        play.parameters.clear();
        const testhost::TimingResult result = testhost::measureTiming(*plugin, play);
        cpuPerAudio += result.cpuSecondsPerAudioSecond;
        rms += result.levels.rms;
        ++runs;
    }
    if (runs > 0) {
        state.counters["cpu_s_per_audio_s"] = cpuPerAudio / runs;
        // The output level shows the voices really sounded.
        state.counters["output_rms"] = rms / runs;
    }
}
BENCHMARK(BM_SixteenVoicesThroughTheHost)->DenseRange(0, 6)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
