// Cost of the effects chain with every stage on, in CPU seconds per second
// of audio at 48 kHz ("cpu_per_audio_second", the share of one core):
//   BM_EffectsChain      the chain alone, a frame at a time with the control
//                        step every 16 frames, as the block loop runs it;
//   BM_EngineEffects     the sound engine playing four voices with the chain
//                        as it runs there (effects 0: every stage off).
// The chain's cost in the engine is BM_EngineEffects less its effects:0 run;
// four voices cost BM_EngineEffects/voices:4/effects:0 less voices:0.
#include <benchmark/benchmark.h>

#include <xmmintrin.h>

#include <memory>
#include <vector>

#include "engine/ModTables.h"
#include "engine/dsp/EngineTables.h"
#include "engine/fx/EffectsChain.h"
#include "tools/enginehost/EngineHarness.h"

namespace {

constexpr int kRate = 48000;

struct ChainBench {
    std::unique_ptr<TEngineTables> tables = std::make_unique<TEngineTables>();
    TRandSeed seed;
    std::unique_ptr<TEffectsChain> chain;
    TFxControls controls;

    ChainBench(int mode, bool filters) {
        buildLfoWaveTables(*tables);
        buildUnipolarSine(*tables);
        chain = std::make_unique<TEffectsChain>(*tables, seed);
        chain->setSampleRate(static_cast<float>(kRate));
        // The parameters' defaults with every stage on and the Mod FX in the
        // mode asked for (the delay's band-pass runs at its defaults).
        static constexpr float DEFAULTS[TFxControls::TAG_COUNT] = {
            0, 0, 1, 1, 0.5f, 0.5f,                                        // 75-80
            1, 0, 1, 0.25f, 0.42f, 0.481f, 0.44f, 0.36f, 1,                // 81-89
            1, 1, 1, 0.167f, 0.67f, 0.585f, 0.69f, 0.5f, 0.935f, 0.185f,  // 90-99
            1, 0.15f, 0.61f, 0.645f, 0.81f, 0.285f, 0.1f,                 // 100-106
        };
        for (int i = 0; i < TFxControls::TAG_COUNT; ++i) controls.parameters[i] = DEFAULTS[i];
        controls.modFXMode = mode;
        if (filters) {
            // The four filters that modulation switches on: Low-Fi and Mod FX low-pass and high-pass.
            for (int dest : {destination::LOWFI_HIGH_PASS, destination::MOD_FX_LOW_PASS, destination::MOD_FX_HIGH_PASS})
                controls.modulation[dest - TFxControls::FIRST_DEST] = 0.2f;
            controls.modulation[destination::LOWFI_LOW_PASS - TFxControls::FIRST_DEST] = -0.2f;
        }
        chain->initFX(controls);
    }
};

// range(0): Mod FX mode; range(1): 1 with the Low-Fi and Mod FX filters running.
void BM_EffectsChain(benchmark::State& state) {
    // The engine flushes denormals on entry to its audio callback.
    const unsigned savedCsr = _mm_getcsr();
    _mm_setcsr(savedCsr | 0x8040);
    ChainBench bench(static_cast<int>(state.range(0)), state.range(1) != 0);
    TRandSeed noise;
    float sink = 0;
    for (auto _ : state) {
        for (int frame = 0; frame < kRate; ++frame) {
            if ((frame & 15) == 0) bench.chain->controlStep(bench.controls);
            const float x = 0.3f * noise.bipolar();
            sink += bench.chain->process(stereoStruct{x, x}, bench.controls).left;
        }
    }
    benchmark::DoNotOptimize(sink);
    _mm_setcsr(savedCsr);
    state.counters["cpu_per_audio_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * kRate);
}
BENCHMARK(BM_EffectsChain)
    ->ArgNames({"mode", "filters"})
    ->ArgsProduct({benchmark::CreateDenseRange(0, TModFX::MODE_COUNT - 1, 1), {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The engine with sine voices, as BM_BlockLoop plays them, and the effects:
// 0 every stage off, 1 every stage on at the parameters' defaults, 2 with the
// Low-Fi and Mod FX filters that modulation switches on running as well;
// 10 + s only stage s on (0 Low-Fi, 1 Mod FX, 2 Delay, 3 Reverb), to see
// what each stage costs.
class EffectsPlugin : public enginehost::EngineHarness {
public:
    EffectsPlugin(int effects, int mode) : EngineHarness(static_cast<float>(kRate)) {
        setSteppedValue(10, 3);  // "Source Mode": Wave
        setParameter(1, 0.6f);   // "Main Volume"
        setParameter(11, 1.0f);  // "Key Track"
        setParameter(12, 0.5f);  // "Source Semi": no transposition
        setParameter(17, 0.5f);  // "Wave Symmetry"
        setParameter(40, 1.0f);  // "Movement Loop": held keys keep their voices
        setParameter(1017, 0.5f);
        setSteppedValue(27, 7);  // a 12 dB low-pass on the voices
        setParameter(28, 0.6f);
        setParameter(30, 0.5f);
        const int stageTags[FX_STAGE_COUNT] = {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB};
        for (int s = 0; s < FX_STAGE_COUNT; ++s)
            setParameter(stageTags[s], (effects > 0 && effects < 10) || effects == 10 + s ? 1.0f : 0.0f);
        setSteppedValue(tag::MOD_FX_MODE, mode);
        if (effects == 2) {
            // The Offset source moves the four filters' cutoffs into their ranges.
            const int dests[4] = {destination::LOWFI_LOW_PASS, destination::LOWFI_HIGH_PASS,
                                  destination::MOD_FX_LOW_PASS, destination::MOD_FX_HIGH_PASS};
            const float amounts[4] = {-0.2f, 0.2f, 0.2f, 0.2f};
            for (int slot = 0; slot < 4; ++slot) {
                setSteppedValue(111 + slot, source::OFFSET);
                setSteppedValue(115 + slot, dests[slot]);
                setParameter(119 + slot, (amounts[slot] + 1.0f) / 2.0f);
            }
        }
        // The program record (the defaults with the settings above) becomes
        // the sound at the first block, as in BM_BlockLoop.
        reset();
        flags.presetPending = true;
    }
};

// range(0): voices; range(1): effects (as above); range(2): Mod FX mode.
void BM_EngineEffects(benchmark::State& state) {
    auto plugin = std::make_unique<EffectsPlugin>(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    for (int i = 0; i < state.range(0); ++i) plugin->noteOn(40 + 3 * i);
    constexpr int BLOCK = 512;
    std::vector<float> left(BLOCK), right(BLOCK);
    float* outputs[2] = {left.data(), right.data()};
    float sink = 0;
    for (auto _ : state) {
        for (int frame = 0; frame < kRate; frame += BLOCK) {
            plugin->processReplacing(nullptr, outputs, BLOCK);
            sink += left[0];
        }
    }
    benchmark::DoNotOptimize(sink);
    state.counters["cpu_per_audio_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * kRate);
}
BENCHMARK(BM_EngineEffects)
    ->ArgNames({"voices", "effects", "mode"})
    ->Args({0, 0, 0})
    ->Args({4, 0, 0})
    ->ArgsProduct({{4}, {1, 2}, benchmark::CreateDenseRange(0, TModFX::MODE_COUNT - 1, 1)})
    ->ArgsProduct({{4}, {10, 12, 13}, {0}})
    ->ArgsProduct({{4}, {11}, benchmark::CreateDenseRange(0, TModFX::MODE_COUNT - 1, 1)})
    ->Unit(benchmark::kMillisecond);

}  // namespace
