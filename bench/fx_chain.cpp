// Cost of the effects chain with every stage on: one second of audio at
// 48 kHz per iteration, a frame at a time with the control step every 16
// frames, as the block loop runs it. "cpu_per_audio_second" is the share of
// one core the chain needs; BM_BlockLoop/4 voices gives the voices' cost
// beside it.
#include <benchmark/benchmark.h>

#include <xmmintrin.h>

#include <memory>

#include "engine/dsp/EngineTables.h"
#include "engine/fx/EffectsChain.h"

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
            for (int dest : {fxdest::LOW_FI_HIGH_PASS, fxdest::MOD_FX_LOW_PASS, fxdest::MOD_FX_HIGH_PASS})
                controls.modulation[dest - TFxControls::FIRST_DEST] = 0.2f;
            controls.modulation[fxdest::LOW_FI_LOW_PASS - TFxControls::FIRST_DEST] = -0.2f;
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
            sink += bench.chain->process(stereoStruct{x, x}).left;
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

}  // namespace
