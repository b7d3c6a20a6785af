// Start-up cost of the lookup tables: the first instance in a process builds
// the shared tables (filter coefficients, sample conversion, band-limited
// waves) and its own; every further instance builds only its own.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/dsp/EngineTables.h"
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/SampleConvert.h"
#include "engine/dsp/WaveTables.h"

namespace {

void buildInstanceTables(TEngineTables& tables) {
    buildFilterTables();
    buildSampleConvertTables();
    buildWaveTables();
    TPinkNoise pink;
    TRandSeed seed;
    buildEngineTables(tables, pink, seed);
}

// Runs once: only the first build in the process pays for the shared tables.
// Registered first so that nothing has built them before.
void BM_TablesFirstInstance(benchmark::State& state) {
    auto tables = std::make_unique<TEngineTables>();
    for (auto _ : state) {
        buildInstanceTables(*tables);
        benchmark::DoNotOptimize(tables->whiteNoiseTable[0]);
    }
}
BENCHMARK(BM_TablesFirstInstance)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TablesFurtherInstance(benchmark::State& state) {
    auto tables = std::make_unique<TEngineTables>();
    buildInstanceTables(*tables);
    for (auto _ : state) {
        buildInstanceTables(*tables);
        benchmark::DoNotOptimize(tables->whiteNoiseTable[0]);
    }
}
BENCHMARK(BM_TablesFurtherInstance)->Unit(benchmark::kMillisecond);

// The shared wave build on its own, repeatable: 132 transforms of 4096 points.
void BM_WaveBandsAllShapes(benchmark::State& state) {
    auto transform = std::make_unique<TFourierTransform>();
    auto table = std::make_unique<float[]>(WAVE_TABLE_SIZE);
    for (auto _ : state) {
        for (int s = 0; s < WAVE_SHAPES; ++s) {
            for (int b = 1; b < WAVE_BANDS; ++b) {
                buildBandLimitedWave(*transform, s, b, 2048.0f, table.get());
                benchmark::DoNotOptimize(table[0]);
            }
        }
    }
    state.counters["transforms"] = benchmark::Counter(WAVE_SHAPES * (WAVE_BANDS - 1));
}
BENCHMARK(BM_WaveBandsAllShapes)->Unit(benchmark::kMillisecond);

}  // namespace
