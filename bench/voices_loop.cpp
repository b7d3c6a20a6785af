// Cost of the block loop with 0, 1 and 16 sounding voices: one second of audio
// at 48 kHz per iteration, in host blocks of 512 frames, through the sound
// engine itself (no plug-in object around it). The "cpu_per_audio_second"
// counter is the share of one core the loop needs to keep up (0.1 = a tenth of
// a core).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "tools/enginehost/EngineHarness.h"

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 512;

class LoopPlugin : public enginehost::EngineHarness {
public:
    explicit LoopPlugin(int sourceMode) : EngineHarness(static_cast<float>(kRate)) {
        setSteppedValue(10, sourceMode);  // "Source Mode"
        setParameter(1, 0.6f);             // "Main Volume"
        setParameter(11, 1.0f);            // "Key Track"
        setParameter(12, 0.5f);            // "Source Semi": no transposition
        setParameter(17, 0.5f);            // "Wave Symmetry"
        setParameter(40, 1.0f);            // "Movement Loop": held keys keep their voices
        setParameter(1017, 0.5f);          // "Global Tuning"
        setSteppedValue(27, 7);            // a 12 dB low-pass
        setParameter(28, 0.6f);
        setParameter(30, 0.5f);
        reset();
        // The program record (the defaults with the settings above) becomes
        // the sound at the first block, as the plug-in's start program does.
        flags.presetPending = true;
    }
    void play(int notes) {
        for (int i = 0; i < notes; ++i) noteOn(40 + 3 * i);
    }
};

// range(0): voices; range(1): source mode (0 noise, 3 wave).
void BM_BlockLoop(benchmark::State& state) {
    auto plugin = std::make_unique<LoopPlugin>(static_cast<int>(state.range(1)));
    const int voices = static_cast<int>(state.range(0));
    // Fifteen voices sound at most with one kept free; sixteen notes keep fifteen busy.
    plugin->play(voices);
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    float sink = 0;
    for (auto _ : state) {
        for (int frame = 0; frame < kRate; frame += kBlock) {
            plugin->processReplacing(nullptr, outputs, kBlock);
            sink += left[0];
        }
    }
    benchmark::DoNotOptimize(sink);
    state.counters["cpu_per_audio_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * kRate);
}

BENCHMARK(BM_BlockLoop)->Args({0, 3})->Args({1, 3})->Args({4, 3})->Args({16, 3})->Args({16, 0})->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The whole voice state reset that a program change or an all-off request
// costs the audio thread once.
void BM_VoiceReset(benchmark::State& state) {
    auto plugin = std::make_unique<LoopPlugin>(3);
    plugin->play(8);
    for (auto _ : state) plugin->reset();
}

BENCHMARK(BM_VoiceReset)->Unit(benchmark::kMicrosecond);

}  // namespace
