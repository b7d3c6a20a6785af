// The built-in sample bank: what the first instance in a process pays to
// map it (and to read its pages in, off the audio thread), and what every
// further instance pays to share it. Plus the per-voice cost of playing it.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

#include "engine/sample/SampleBank.h"
#include "engine/sample/SamplePlayback.h"
#include "tools/testhost/TestHost.h"

namespace {

void BM_SampleBankFirstInstance(benchmark::State& state) {
    for (auto _ : state) {
        auto bank = TSampleBank::acquire(KOLBRI_SAMPLE_BANK);
        bank->prefault();
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

// How many times the bank file is mapped into this process: once, however
// many instances share it.
int bankMappings() {
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
        if (line.find(SAMPLE_BANK_FILE_NAME) != std::string::npos) ++count;
    return count;
}

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
    int mappingsWhileTwo = 0;
    for (auto _ : state) {
        auto second = host.load(KOLBRI_SO_PATH);
        benchmark::DoNotOptimize(second.get());
        state.PauseTiming();
        mappingsWhileTwo = bankMappings();
        state.ResumeTiming();
    }
    state.counters["bank_mappings_with_two_instances"] = mappingsWhileTwo;
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
