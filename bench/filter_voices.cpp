// Cost of the voice filter and distortion: 16 sounding voices for one second
// of audio at 48 kHz, each through distortion and then its filter, as the
// block loop runs them. The cutoff moves slowly, as under an envelope or LFO,
// so the coefficients are recomputed as they would be in play.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "engine/dsp/Distortion.h"
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/TFilter.h"

namespace {

constexpr int kVoices = TDistortion::NUM_VOICES;
constexpr int kRate = 48000;
constexpr int kNoiseLength = 4096;

struct VoiceBench {
    std::unique_ptr<TFilter[]> filters = std::make_unique<TFilter[]>(kVoices);
    TDistortion distortion;
    TRandSeed seed;
    float noise[kNoiseLength];

    VoiceBench() {
        buildFilterTables();
        uint32_t state = 7;
        for (float& n : noise) {
            state = state * 1664525u + 1013904223u;
            n = static_cast<float>(static_cast<int32_t>(state)) / 2147483648.0f;
        }
    }
};

// range(0): filter type; range(1): distortion kind (0 = off).
void BM_FilterVoices(benchmark::State& benchState) {
    static VoiceBench bench;
    const int type = static_cast<int>(benchState.range(0));
    const int kind = static_cast<int>(benchState.range(1));
    for (int v = 0; v < kVoices; ++v) {
        bench.filters[v].init(static_cast<float>(kRate));
        bench.filters[v].setType(type, true);
        bench.filters[v].setTrack(1.0f, (static_cast<float>(v) * 3.0f - 24.0f) / 12.0f);
    }
    bench.distortion.init(static_cast<float>(kRate));
    bench.distortion.setType(kind);

    stereoOverStruct frames[kVoices];
    bool on[kVoices], justStarted[kVoices] = {};
    float dest[kVoices] = {};
    for (bool& o : on) o = true;
    float sink = 0.0f;
    int noisePos = 0;
    for (auto _ : benchState) {
        for (int frame = 0; frame < kRate; ++frame) {
            // A slow sweep of about two octaves, once a second.
            const float cutoff = 0.55f + 0.1f * std::sin(6.2831853f * static_cast<float>(frame) / kRate);
            for (int v = 0; v < kVoices; ++v)
                for (float& lane : frames[v].lane) {
                    lane = bench.noise[noisePos];
                    noisePos = (noisePos + 1) & (kNoiseLength - 1);
                }
            bench.distortion.process(frames, on, justStarted, 0.6f, dest, bench.seed);
            for (int v = 0; v < kVoices; ++v) {
                bench.filters[v].process(cutoff, 1.1f, stereoStruct{}, 0.8f, 0.3f, frames[v], frames[v]);
                sink += frames[v].lane[0];
            }
        }
    }
    benchmark::DoNotOptimize(sink);
    // One iteration is one second of audio: its time is the share of one core
    // that 16 voices of filter and distortion take. Items are voice frames.
    benchState.SetItemsProcessed(benchState.iterations() * kRate * kVoices);
}
BENCHMARK(BM_FilterVoices)
    ->ArgNames({"type", "distortion"})
    ->Args({0, TDistortion::OFF})        // the harness alone: filling 16 frames, bypass
    ->Args({15, TDistortion::SATURATE})  // 24 dB resonant low-pass with distortion: the reference case
    ->Args({15, TDistortion::OFF})
    ->Args({7, TDistortion::SATURATE})
    ->Args({19, TDistortion::SATURATE})
    ->Args({25, TDistortion::SATURATE})
    ->Args({27, TDistortion::SATURATE})
    ->Args({30, TDistortion::SATURATE})
    ->Args({33, TDistortion::SATURATE})
    ->Args({15, TDistortion::ATAN})
    ->Args({15, TDistortion::NOISE})
    ->Unit(benchmark::kMillisecond);

}  // namespace
