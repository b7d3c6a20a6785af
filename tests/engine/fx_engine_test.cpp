// The effects chain inside the sound engine: every mode in every order stays
// finite and bounded at the common rates with its controls at their ends and
// the frame counters wrapping; the Gator's step for the editor; the silence
// gate resting and reopening the chain; the sources the chain feeds; and the
// host's rate changes and the editor's reads while the audio thread renders.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "engine/ModTables.h"
#include "engine/fx/FxControls.h"
#include "engine_test_support.h"
#include "plugin/uPlugin.h"

using enginetest::EnginePlugin;

namespace {

constexpr int TAG_MAIN_VOLUME = 1;
constexpr int TAG_SOURCE_MODE = 10;
constexpr int TAG_MOVEMENT_LOOP = 40;
constexpr int TAG_SLOT_SOURCE = 111, TAG_SLOT_DESTINATION = 115, TAG_SLOT_AMOUNT = 119;
constexpr int STAGE_ON_TAGS[] = {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB};

// Every stage on, held notes of loud noise, the Offset source on slot 0.
void everyStageOn(EnginePlugin& plugin) {
    plugin.setStep(TAG_SOURCE_MODE, 0);
    plugin.setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin.setParameter(tag::BYPASS_ALL_FX, 0.0f);
    for (int tag : STAGE_ON_TAGS) plugin.setParameter(tag, 1.0f);
}

void route(EnginePlugin& plugin, int slot, int source, int destination, float amount) {
    plugin.setStep(TAG_SLOT_SOURCE + slot, source);
    plugin.setStep(TAG_SLOT_DESTINATION + slot, destination);
    plugin.setParameter(TAG_SLOT_AMOUNT + slot, (amount + 1.0f) / 2.0f);
}

}  // namespace

// At each rate, every mode in three orders (so that each rate meets all 24),
// with every effect parameter at 0 or at 1 (the mixes at 1, so that every wet
// signal is heard) and the Offset source pushing the Mod FX speed and the
// delay's feedback past their ends, each started just before the frame
// counters wrap. Main volume at -60 dB shows the chain's output a thousand
// times below the output's clamp: it must stay under 500, and the notes must
// still sound at the end (a value that is not a number would have silenced
// the chain for good).
TEST(FxEngine, EveryModeAndOrderStaysBoundedAtEveryRate) {
    constexpr int MIX_TAGS[] = {tag::LOW_FI_MIX, tag::MOD_FX_MIX, tag::DELAY_MIX, tag::REVERB_MIX};
    for (const float rate : {22050.0f, 44100.0f, 96000.0f, 192000.0f}) {
        for (const float end : {0.0f, 1.0f}) {
            auto plugin = std::make_unique<EnginePlugin>(rate);
            for (int tag = TFxControls::FIRST_TAG; tag < TFxControls::FIRST_TAG + TFxControls::TAG_COUNT; ++tag)
                plugin->setParameter(tag, end);
            everyStageOn(*plugin);
            for (int tag : MIX_TAGS) plugin->setParameter(tag, 1.0f);
            plugin->setParameter(TAG_MAIN_VOLUME, 0.0f);
            route(*plugin, 0, source::OFFSET, destination::MOD_FX_1, 1.0f);
            route(*plugin, 1, source::OFFSET, destination::DELAY_FEED, end > 0.5f ? 1.0f : -1.0f);
            for (int note : {36, 60, 84}) plugin->noteOn(note, 127);
            for (int mode = 0; mode < 10; ++mode) {
                for (int path = mode; path < FX_PATH_COUNT; path += 10) {
                    SCOPED_TRACE(std::to_string(rate) + " Hz, parameters at " + std::to_string(end) + ", mode " +
                                 std::to_string(mode) + ", path " + std::to_string(path));
                    plugin->setStep(tag::MOD_FX_MODE, mode);
                    plugin->setStep(tag::FX_PATH, path);
                    TEngineTestAccess::engine(*plugin).frameCount = 0xFFFFFFFFu - 700;
                    TEngineTestAccess::engine(*plugin).fxFrameCount = 0xFFFFFFFFu - 900;
                    TEngineTestAccess::fx(*plugin).setFrameCountForTest(0xFFFFFFFFu - 1100);
                    plugin->outLeft.clear();
                    plugin->outRight.clear();
                    plugin->render(3072, 256);

                    float loudest = 0;
                    for (size_t i = 0; i < plugin->outLeft.size(); ++i)
                        loudest = std::fmax(loudest, std::fmax(std::fabs(plugin->outLeft[i]), std::fabs(plugin->outRight[i])));
                    EXPECT_LT(loudest, 0.5f);
                    double tail = 0;
                    for (size_t i = plugin->outLeft.size() - 512; i < plugin->outLeft.size(); ++i)
                        tail += std::fabs(plugin->outLeft[i]) + std::fabs(plugin->outRight[i]);
                    EXPECT_GT(tail, 0.0);
                    EXPECT_LT(TEngineTestAccess::fx(*plugin).getFrameCount(), 3072u) << "the chain's counter wrapped";
                    EXPECT_LT(TEngineTestAccess::engine(*plugin).frameCount, 3072u);
                }
            }
        }
    }
}

// At 87.890625 BPM and 48 kHz speed step 17 (two steps a sixteenth) makes
// a Gator step exactly 4096 frames, its phase exact at every frame.
constexpr double GATOR_TEMPO = 87.890625;
constexpr long GATOR_STEP_FRAMES = 4096;

// The Gator running at that tempo on a held note, a pattern of lengthStep + 1 steps.
std::unique_ptr<EnginePlugin> runningGator(int lengthStep = 15) {
    auto plugin = std::make_unique<EnginePlugin>(48000.0f);
    enginetest::hostClock().timeInfo.tempo = GATOR_TEMPO;
    plugin->setParameter(tag::MOD_FX, 1.0f);
    plugin->setStep(tag::MOD_FX_MODE, 9);
    plugin->setParameter(tag::MOD_FX_1, (17 + 0.1f) / 33.99f);
    plugin->setParameter(tag::MOD_FX_3, (static_cast<float>(lengthStep) + 0.1f) / 15.99f);
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->noteOn(60);
    return plugin;
}

// The editor's Gator step: the step the phase has reached after the last
// frame rendered, within the pattern's length; a block that ends on a
// step's last frame already shows the next step.
TEST(FxEngine, GatorPositionForTheEditor) {
    struct Case {
        int lengthStep;  // "Mod FX 3": the pattern has lengthStep + 1 steps
        const char* why;
    } cases[] = {{15, "16 steps"}, {11, "12 steps"}, {0, "a single step stays at 0"}};
    for (const Case& c : cases) {
        auto plugin = runningGator(c.lengthStep);
        EXPECT_EQ(plugin->getGaterPos(), 0) << "before the Gator ran";
        const int steps = c.lengthStep + 1;
        long rendered = 0;
        for (int k = 1; k <= 20; ++k) {
            for (long block : {GATOR_STEP_FRAMES - 1, 1L}) {
                plugin->render(block);
                rendered += block;
                const int expected = static_cast<int>((rendered / GATOR_STEP_FRAMES) % steps);
                EXPECT_EQ(plugin->getGaterPos(), expected) << c.why << ", after " << rendered << " frames";
            }
        }
    }
}

// The Gator's pattern starts again at its first step on a rate change, a
// reset (a program, a channel change, "Reset Everything") and the host's
// transport starting; a preview note's end and a new Play, Portamento or
// Source Mode let every voice go but leave the rhythm running.
TEST(FxEngine, WhatRestartsTheGator) {
    using enginetest::hostClock;
    const struct {
        const char* why;
        void (*event)(EnginePlugin&);
        bool restarts;
    } cases[] = {
        {"a rate change", [](EnginePlugin& p) { p.setSampleRate(44100.0f); }, true},
        {"a reset", [](EnginePlugin& p) { p.requestReset(); }, true},
        {"the transport starting", [](EnginePlugin&) { hostClock().timeInfo.flags |= vst::kVstTransportPlaying; }, true},
        {"a preview note's end", [](EnginePlugin& p) { p.previewNoteReleased(); }, false},
        {"a new Play Mode", [](EnginePlugin& p) { p.setStep(tag::PLAY_MODE, 2); }, false},
        {"a new Portamento Mode", [](EnginePlugin& p) { p.setStep(tag::PORTAMENTO_MODE, 1); }, false},
        {"a new Source Mode", [](EnginePlugin& p) { p.setStep(TAG_SOURCE_MODE, 1); }, false},
    };
    for (const auto& c : cases) {
        auto plugin = runningGator();
        plugin->render(GATOR_STEP_FRAMES * 5 / 2, 512);
        c.event(*plugin);
        plugin->render(32);
        EXPECT_EQ(plugin->getGaterPos(), c.restarts ? 0 : 2) << c.why;
    }
}

// After eight seconds without sound the chain rests; a new note opens it
// again and the chain goes on where it stopped (its frame count moves on from
// where it was, its delay line still holds what it held).
TEST(FxEngine, TheGateRestsTheChainAndReopensIt) {
    constexpr float RATE = 22050.0f;
    auto plugin = std::make_unique<EnginePlugin>(RATE);
    plugin->setParameter(tag::DELAY, 1.0f);
    plugin->setParameter(TAG_MOVEMENT_LOOP, 0.0f);
    plugin->render(static_cast<long>(RATE), 1024);
    const std::uint32_t running = TEngineTestAccess::fx(*plugin).getFrameCount();
    EXPECT_GE(running, static_cast<std::uint32_t>(RATE) - 16) << "the chain runs while the gate is open";
    plugin->render(static_cast<long>(8 * RATE), 1024);
    const std::uint32_t rested = TEngineTestAccess::fx(*plugin).getFrameCount();
    EXPECT_LE(rested, static_cast<std::uint32_t>(8 * RATE) + 16) << "the gate closed after eight quiet seconds";
    plugin->render(static_cast<long>(RATE), 1024);
    EXPECT_EQ(TEngineTestAccess::fx(*plugin).getFrameCount(), rested) << "nothing moves while the gate is closed";
    plugin->noteOn(60);
    plugin->render(256);
    // The gate opens at the first frame of the note's attack above the threshold.
    EXPECT_GT(TEngineTestAccess::fx(*plugin).getFrameCount(), rested + 128)
        << "the chain runs on from where it stopped";
    EXPECT_LE(TEngineTestAccess::fx(*plugin).getFrameCount(), rested + 256);
}

// The chain's outputs reach the modulation sources: a stage's output while a
// slot reads it, the Gator's gains whenever the Gator runs.
TEST(FxEngine, TheChainFeedsItsSources) {
    auto plugin = std::make_unique<EnginePlugin>(48000.0f);
    plugin->setStep(TAG_SOURCE_MODE, 3);
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->setParameter(tag::DELAY, 1.0f);
    plugin->setParameter(tag::MOD_FX, 1.0f);
    plugin->setStep(tag::MOD_FX_MODE, 9);
    plugin->setParameter(tag::MOD_FX_4, 1.0f);  // every left step open
    plugin->setParameter(tag::MOD_FX_5, 0.0f);  // every right step closed
    route(*plugin, 0, source::DELAY_OUTPUT, 1, 0.0f);
    plugin->noteOn(60);
    plugin->render(4000, 100);
    const auto& sources = TEngineTestAccess::mod(*plugin).globalModSrc();
    EXPECT_NE(sources[source::DELAY_OUTPUT], 0.0f) << "the delay's output, read by slot 0";
    EXPECT_EQ(sources[source::REVERB_OUTPUT], 0.0f) << "the reverb is off";
    EXPECT_NEAR(sources[source::GATOR_LEFT], 1.0f, 1e-3f);
    EXPECT_NEAR(sources[source::GATOR_RIGHT], 0.0f, 1e-3f);
    EXPECT_NEAR(sources[source::GATOR_AVERAGE], 0.5f, 1e-3f);
    EXPECT_EQ(TEngineTestAccess::mod(*plugin).voiceModSrc(0)[source::GATOR_AVERAGE], sources[source::GATOR_AVERAGE])
        << "the voices read it too";
}

// The host sets the rate from its own thread and the editor reads the Gator's
// step while the audio thread renders with every effect on: the rate is only
// a request the block start takes, the step an atomic word.
TEST(FxThreads, RateChangesAndGatorReadsWhileRendering) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    for (int tag : STAGE_ON_TAGS) plugin->setParameter(tag, 1.0f);
    plugin->setSteppedValue(tag::MOD_FX_MODE, 9);
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->resume();
    // 1500 blocks, and on until the other thread has changed the rate 20
    // times beside them, however the two are scheduled.
    std::atomic<bool> rendering{true};
    std::atomic<int> badFrames{0}, changes{0};
    std::thread audio([&] {
        std::vector<float> left(128), right(128);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < 1500 || changes.load() < 20; ++block) {
            if (block % 50 == 0) {
                testhost::MidiEventList note{testhost::midiMessage(0x90, 48 + block % 24, 100)};
                plugin->processEvents(note.events());
            }
            plugin->processReplacing(nullptr, outputs, 128);
            for (int i = 0; i < 128; ++i)
                if (!(std::fabs(left[i]) <= 0.99f && std::fabs(right[i]) <= 0.99f)) badFrames.fetch_add(1);
        }
        rendering = false;
    });
    int wrongSteps = 0;
    while (rendering) {
        plugin->setSampleRate(changes.fetch_add(1) % 2 ? 48000.0f : 44100.0f);
        const int step = plugin->getGaterPos();
        if (step < 0 || step > 15) ++wrongSteps;
        std::this_thread::yield();
    }
    audio.join();
    EXPECT_EQ(wrongSteps, 0);
    EXPECT_EQ(badFrames.load(), 0) << "frames that were not finite or beyond the clamp";
}

// A reverb whose high-pass went off after a note with a steady part lets the
// output fall silent, and eight seconds later the gate rests the chain. Had
// the high-pass kept its state, the offset would hold the gate open for good.
TEST(FxEngine, TheGateClosesAfterTheReverbsHighPassGoesOff) {
    constexpr float RATE = 22050.0f;
    auto plugin = std::make_unique<EnginePlugin>(RATE);
    plugin->setStep(TAG_SOURCE_MODE, 3);
    plugin->setParameter(tag::WAVE_MIX, 0.6f);
    plugin->setParameter(tag::WAVE_SYMMETRY, 0.9f);  // a lopsided pulse
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->setParameter(TAG_MAIN_VOLUME, 0.75f);  // 0 dB
    plugin->setParameter(tag::REVERB, 1.0f);
    plugin->setParameter(tag::REVERB_MIX, 1.0f);
    plugin->setParameter(tag::REVERB_LENGTH, 0.5f);
    plugin->setParameter(tag::REVERB_HIGHPASS_FILTER_FREQUENCY, 0.5f);  // 640 Hz: on
    plugin->noteOn(36);
    plugin->render(static_cast<long>(0.5f * RATE), 512);
    float sounding = 0;
    for (float x : plugin->outLeft) sounding = std::fmax(sounding, std::fabs(x));
    EXPECT_GT(sounding, 0.01f) << "the reverb sounds";
    plugin->setParameter(tag::REVERB_HIGHPASS_FILTER_FREQUENCY, 0.1f);  // 40 Hz: off
    plugin->noteOff(36);
    plugin->render(static_cast<long>(14 * RATE), 512);
    const std::uint32_t rested = TEngineTestAccess::fx(*plugin).getFrameCount();
    plugin->outLeft.clear();
    plugin->outRight.clear();
    plugin->render(static_cast<long>(RATE), 512);
    EXPECT_EQ(TEngineTestAccess::fx(*plugin).getFrameCount(), rested) << "the gate rests the chain";
    float loudest = 0;
    for (size_t i = 0; i < plugin->outLeft.size(); ++i)
        loudest = std::fmax(loudest, std::fmax(std::fabs(plugin->outLeft[i]), std::fabs(plugin->outRight[i])));
    EXPECT_LT(loudest, 1e-6f);
}
