// Cost on the audio thread of applying a program: the housekeeping block
// that takes a pending program, against the same block with none pending.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "plugin/uPlugin.h"

namespace {

constexpr int TICK = 4096;
constexpr int BLOCK = 64;

struct TApplyBench {
    std::unique_ptr<APlugin> plugin = std::make_unique<APlugin>(nullptr);
    std::vector<float> left = std::vector<float>(BLOCK), right = std::vector<float>(BLOCK);
    float* outputs[2] = {left.data(), right.data()};

    TApplyBench() {
        plugin->setSampleRate(48000.0f);
        for (int i = 0; i < 4 * TICK / BLOCK; ++i) plugin->processReplacing(nullptr, outputs, BLOCK);
    }
    // From the end of a tick's block to the start of the next tick.
    void toTick() {
        for (int i = 0; i < TICK / BLOCK - 1; ++i) plugin->processReplacing(nullptr, outputs, BLOCK);
    }
};

void TickBlock(benchmark::State& state, bool withProgram) {
    TApplyBench bench;
    // Every timed block starts at a tick, where a pending program is applied.
    for (auto _ : state) {
        state.PauseTiming();
        if (withProgram) bench.plugin->setProgram(0);
        state.ResumeTiming();
        bench.plugin->processReplacing(nullptr, bench.outputs, BLOCK);
        benchmark::DoNotOptimize(bench.left.data());
        state.PauseTiming();
        bench.toTick();
        state.ResumeTiming();
    }
}

}  // namespace

static void ProgramApplicationBlock(benchmark::State& state) { TickBlock(state, true); }
BENCHMARK(ProgramApplicationBlock)->Unit(benchmark::kMicrosecond);

static void HousekeepingBlockWithoutProgram(benchmark::State& state) { TickBlock(state, false); }
BENCHMARK(HousekeepingBlockWithoutProgram)->Unit(benchmark::kMicrosecond);
