// The built-in sample bank: what the first instance in a process pays to
// read it into memory (at its first resume, off the audio thread), and what
// every further instance pays to share it. Plus the per-voice cost of playing it.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "engine/sample/SampleBank.h"
#include "engine/sample/SamplePlayback.h"
#include "tools/testhost/TestHost.h"

namespace {

void BM_SampleBankFirstInstance(benchmark::State& state) {
    for (auto _ : state) {
        auto bank = TSampleBank::acquire(KOLBRI_SAMPLE_BANK);
        bank->readIn();
        benchmark::DoNotOptimize(bank.get());
    }
}
BENCHMARK(BM_SampleBankFirstInstance)->Unit(benchmark::kMillisecond);

void BM_SampleBankFurtherInstance(benchmark::State& state) {
    auto first = TSampleBank::acquire(KOLBRI_SAMPLE_BANK);
    for (auto _ : state) {
        auto shared = TSampleBank::acquire(KOLBRI_SAMPLE_BANK);
        benchmark::DoNotOptimize(shared.get());
    }
    state.counters["banks_alive"] = TSampleBank::banksAlive();
}
BENCHMARK(BM_SampleBankFurtherInstance)->Unit(benchmark::kMicrosecond);

// A host opening the only instance in the process: load, open, rate, block
// size and resume (which reads the bank), then close again.
void BM_FirstPluginInstanceStarts(benchmark::State& state) {
    testhost::Host host;
    for (auto _ : state) {
        auto only = host.load(KOLBRI_SO_PATH);
        if (!only) {
            state.SkipWithError("the plug-in does not load");
            return;
        }
        only->render(512);
        benchmark::DoNotOptimize(only.get());
    }
}
BENCHMARK(BM_FirstPluginInstanceStarts)->Unit(benchmark::kMillisecond);

// A host opening a second instance of the library while the first holds the
// bank: load, open, rate, block size and resume, then close again. Should
// stay well under 20 ms.
void BM_SecondPluginInstanceStarts(benchmark::State& state) {
    testhost::Host host;
    auto first = host.load(KOLBRI_SO_PATH);
    if (!first) {
        state.SkipWithError("the plug-in does not load");
        return;
    }
    first->render(512);
    for (auto _ : state) {
        auto second = host.load(KOLBRI_SO_PATH);
        second->render(512);
        benchmark::DoNotOptimize(second.get());
    }
}
BENCHMARK(BM_SecondPluginInstanceStarts)->Unit(benchmark::kMillisecond);

// Sixteen voices of a looping built-in sample, per frame.
void BM_SamplePlaybackSixteenVoices(benchmark::State& state) {
    auto bank = TSampleBank::acquire(KOLBRI_SAMPLE_BANK);
    const bool grains = state.range(0) != 0;
    const TSampleSlotFrame slot = builtInSlotFrame(bank.get(), 120, false, 48000.0);
    TSamplePlayback play;
    for (int v = 0; v < SAMPLE_PLAYBACK_VOICES; ++v) play.startVoice(v, true, 0.0, 480.0f);
    TSampleVoiceInput input{0.5, 0.0f, grains, 0.5f, 480.0f, 0.3f};
    for (auto _ : state) {
        for (int v = 0; v < SAMPLE_PLAYBACK_VOICES; ++v) {
            input.pitchRatio = 0.5 + 0.01 * v;
            benchmark::DoNotOptimize(play.renderVoice(v, slot, input));
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SamplePlaybackSixteenVoices)->Arg(0)->Arg(1);

}  // namespace
