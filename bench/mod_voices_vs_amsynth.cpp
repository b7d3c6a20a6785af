// Sixteen voices of the wave source through a resonant low-pass and a
// distortion, with two matrix routes and a looping Movement, against Debian's
// amsynth playing sixteen notes of its default patch: CPU seconds per second
// of audio at 48 kHz, both measured by the test host's timing mode in one run.
// The counter "ratio" is Kolbri's cost over amsynth's (below 1: cheaper).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "plugin/uPlugin.h"
#include "tools/testhost/TestHost.h"

namespace {

const char* const AMSYNTH_PATH = "/usr/lib/vst/amsynth_vst.so";
constexpr double SECONDS = 8.0;

float stepValue(const APlugin& plugin, int tag, int step) {
    return static_cast<float>((step + 0.1) / plugin.getSteppedRange(tag));
}

// The default program's values with the patch under test on top.
std::vector<std::pair<int, float>> kolbriPatch() {
    const auto defaults = std::make_unique<APlugin>(nullptr);
    std::vector<std::pair<int, float>> values;
    for (int tag = 0; tag < APlugin::NUM_PARAMS; ++tag)
        if (tag != PRESET_APPLY_TAG) values.emplace_back(tag, defaults->getDefaultValue(tag));
    const APlugin& p = *defaults;
    const std::pair<int, float> patch[] = {
        {10, stepValue(p, 10, 3)},    // Source Mode: Wave
        {15, 0.3f},                   // Wave Mix: between saw and square
        {27, stepValue(p, 27, 3)},    // Filter Mode: 12dB LowPass
        {28, 0.55f},                  // Filter Frequency
        {30, 0.8f},                   // Filter Q: resonant
        {32, stepValue(p, 32, 13)},   // Filter Distortion Mode: Saturate
        {33, 0.5f},                   // Filter Distortion Amount
        {40, 1.0f},                   // Movement Loop: the notes are held throughout
        {111, stepValue(p, 111, 47)}, // slot 1: Free LFO ...
        {115, stepValue(p, 115, 28)}, // ... to the filter frequency
        {119, 0.7f},
        {112, stepValue(p, 112, 39)}, // slot 2: Movement ...
        {116, stepValue(p, 116, 9)},  // ... to the source fine tune
        {120, 0.6f},
        {63, 0.6f},                   // Free LFO Speed
        {64, 0.0f},                   // free running
    };
    for (const auto& setting : patch) values.emplace_back(setting);
    return values;
}

void ModVoicesAgainstAmsynth(benchmark::State& state) {
    if (!std::filesystem::exists(AMSYNTH_PATH)) {
        state.SkipWithError("amsynth is not installed (apt-get install amsynth)");
        return;
    }
    const auto patch = kolbriPatch();
    for (auto _ : state) {
        testhost::TimingOptions options;
        options.notes = 16;
        options.seconds = SECONDS;
        options.sampleRate = 48000;
        options.blockSize = 512;

        testhost::Host host;
        auto kolbri = host.load(KOLBRI_SO_PATH);
        auto amsynth = host.load(AMSYNTH_PATH);
        if (!kolbri || !amsynth) {
            state.SkipWithError("a plug-in failed to load");
            return;
        }
        // The patch and one block before the notes: the start program is applied
        // in the first block and a change of "Source Mode" at the next control
        // step, and each lets go of the notes sounding then.
        for (const auto& [tag, value] : patch) kolbri->setParameter(tag, value);
        kolbri->render(options.blockSize);
        amsynth->render(options.blockSize);
        options.parameters = patch;
        const testhost::TimingResult ours = testhost::measureTiming(*kolbri, options);
        options.parameters.clear();
        const testhost::TimingResult theirs = testhost::measureTiming(*amsynth, options);

        state.counters["kolbri_cpu_per_audio_s"] = ours.cpuSecondsPerAudioSecond;
        state.counters["amsynth_cpu_per_audio_s"] = theirs.cpuSecondsPerAudioSecond;
        state.counters["ratio"] = ours.cpuSecondsPerAudioSecond / theirs.cpuSecondsPerAudioSecond;
        state.counters["kolbri_rms"] = ours.levels.rms;
        state.counters["kolbri_finite"] = ours.levels.finite ? 1.0 : 0.0;
    }
}
BENCHMARK(ModVoicesAgainstAmsynth)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
