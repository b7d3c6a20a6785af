// Cost of the voice sources: 16 held voices of one source mode for one second
// of audio at 48 kHz, reported per voice frame.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/dsp/EngineTables.h"
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/VoiceSource.h"
#include "engine/dsp/WaveTables.h"

namespace {

constexpr int kVoices = 16;
constexpr int kRate = 48000;

struct SourceBench {
    std::unique_ptr<TEngineTables> tables = std::make_unique<TEngineTables>();
    std::unique_ptr<TVoiceSourceState> state = std::make_unique<TVoiceSourceState>();
    std::unique_ptr<TPinkNoise> pink = std::make_unique<TPinkNoise>();
    std::unique_ptr<TFilter[]> bandPass = std::make_unique<TFilter[]>(kVoices);
    TRandSeed seed;

    SourceBench() {
        buildFilterTables();
        buildWaveTables();
        buildEngineTables(*tables, *pink, seed);
        for (int v = 0; v < kVoices; ++v) {
            bandPass[v].init(static_cast<float>(kRate));
            startVoiceSource(v, *state, *pink, seed);
        }
    }
};

void BM_VoiceSource(benchmark::State& benchState) {
    static SourceBench bench;
    const int mode = static_cast<int>(benchState.range(0));
    const bool withSub = benchState.range(1) != 0;
    TVoiceSourceInput input[kVoices];
    for (int v = 0; v < kVoices; ++v) {
        input[v].sourceMode = mode;
        input[v].sampleRate = static_cast<float>(kRate);
        input[v].voiceInc = (55.0f * static_cast<float>(v + 1)) / (2.0f * kRate);
        input[v].subInc = input[v].voiceInc * 0.5f;
        input[v].waveIndex = 40 + 4 * v;
        input[v].subIndex = 28 + 4 * v;
        input[v].waveMix = 0.4f;  // a blend of two shapes: both tables read
        input[v].noiseMix = 0.3f;
        input[v].subVolumeSmoothed = withSub ? 1.0f : 0.0f;
        input[v].subVolumeGain = 0.5f;
    }
    float sink = 0.0f;
    for (auto _ : benchState) {
        for (int frame = 0; frame < kRate; ++frame) {
            for (int v = 0; v < kVoices; ++v) {
                const stereoOverStruct out =
                    renderVoiceSource(v, input[v], *bench.state, *bench.tables, *bench.pink, bench.seed, bench.bandPass[v]);
                sink += out.lane[0];
            }
        }
    }
    benchmark::DoNotOptimize(sink);
    // One iteration is one second of audio, so its time is the share of one
    // core the 16 voices take; items are voice frames.
    benchState.SetItemsProcessed(benchState.iterations() * kRate * kVoices);
}
BENCHMARK(BM_VoiceSource)
    ->ArgNames({"mode", "sub"})
    ->Args({SOURCE_NOISE, 0})
    ->Args({SOURCE_TUNED_NOISE, 0})
    ->Args({SOURCE_SYNCED_NOISE, 0})
    ->Args({SOURCE_WAVE, 0})
    ->Args({SOURCE_WAVE, 1})
    ->Args({SOURCE_SAMPLE, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
