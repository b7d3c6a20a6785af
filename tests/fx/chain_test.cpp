// TEffectsChain: the orders, the mix law, the delay's echo through the
// chain, the reverb's pre-delay, bypassing and the values the chain leaves
// for the modulation engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "fx_test_support.h"

using namespace fxtest;

namespace {

// Every stage off; tests switch on what they measure.
TFxControls quietControls() {
    TFxControls c = defaultControls();
    for (int tag : {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB}) setParam(c, tag, 0.0f);
    return c;
}

// A delay of exactly an eighth of a bar at 120 BPM (11,026 frames at
// 44.1 kHz), no feedback, no band-pass, no equal-decay rule, half mix.
void plainDelay(TFxControls& c) {
    setParam(c, tag::DELAY, 1.0f);
    setParam(c, tag::DELAY_TEMPO_SYNC, 1.0f);
    setParam(c, tag::DELAY_EQUAL_FEEDBACK, 0.0f);
    setParam(c, tag::DELAY_LEFT, 0.5f);
    setParam(c, tag::DELAY_RIGHT, 0.5f);
    setParam(c, tag::DELAY_FEED, 0.5f);
    setParam(c, tag::DELAY_CROSS, 0.5f);
    setParam(c, tag::DELAY_LOWPASS_FILTER_FREQUENCY, 1.0f);
    setParam(c, tag::DELAY_HIGHPASS_FILTER_FREQUENCY, 0.0f);
    setParam(c, tag::DELAY_MIX, 0.5f);
}
constexpr size_t EIGHTH_NOTE = 11026;

TEST(ChainTables, PathsAreThePermutationsInOrder) {
    std::set<std::array<int, FX_STAGE_COUNT>> seen;
    for (int p = 0; p < FX_PATH_COUNT; ++p) {
        std::array<int, FX_STAGE_COUNT> sorted = FX_PATH_NO[p];
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::array<int, FX_STAGE_COUNT>{0, 1, 2, 3})) << "path " << p;
        if (p > 0) {
            EXPECT_LT(FX_PATH_NO[p - 1], FX_PATH_NO[p]) << "path " << p;
        }
        seen.insert(FX_PATH_NO[p]);
    }
    EXPECT_EQ(seen.size(), 24u);
    EXPECT_EQ(FX_PATH_NO[23], (std::array<int, FX_STAGE_COUNT>{3, 2, 1, 0}));
}

// The delay's echo lands at its frame with 0.9 of the input, and with Bypass
// All FX on (or every stage off) the input passes untouched.
TEST(Chain, DelayEchoAndBypass) {
    TFxControls c = quietControls();
    plainDelay(c);
    setParam(c, tag::DELAY_FEED, 0.75f);  // feedback 0.495
    ChainRig rig(c);
    const std::vector<stereoStruct> y = rig.run(c, impulse(3 * EIGHTH_NOTE + 10));
    const float wet = 0.9f * 0.999987f;
    for (size_t i = 0; i < y.size(); ++i) {
        float expected = i == 0 ? 1.0f : 0.0f;
        if (i == EIGHTH_NOTE) expected = wet;
        if (i == 2 * EIGHTH_NOTE) expected = wet * 0.495f;
        if (i == 3 * EIGHTH_NOTE) expected = wet * 0.495f * 0.495f;
        ASSERT_NEAR(y[i].left, expected, 2e-4f) << "frame " << i;
        ASSERT_NEAR(y[i].right, y[i].left, 1e-6f) << "frame " << i;
    }

    for (const char* why : {"bypass all", "every stage off"}) {
        TFxControls off = c;
        if (why[0] == 'b')
            setParam(off, tag::BYPASS_ALL_FX, 1.0f);
        else
            setParam(off, tag::DELAY, 0.0f);
        ChainRig bypassed(off);
        const std::vector<stereoStruct> in = sine(2 * EIGHTH_NOTE, 441, 44100);
        const std::vector<stereoStruct> out = bypassed.run(off, in);
        for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i].left, in[i].left) << why << ", frame " << i;
        EXPECT_EQ(bypassed.chain->sources().stagesRun, 0u) << why;
    }
}

// The mix law on a stage whose wet frame is its input (Ring at Amount 0).
TEST(Chain, MixLaw) {
    struct Case {
        const char* why;
        float mix, mixModulation, panModulation;
        float left, right;  // gains on the input
    };
    const Case cases[] = {
        {"mix 0 is dry", 0.0f, 0, 0, 1, 1},
        {"mix 0.5 is dry plus wet", 0.5f, 0, 0, 2, 2},
        {"mix 1 is wet", 1.0f, 0, 0, 1, 1},
        {"mix modulation -0.5 brings 0.5 down to dry", 0.5f, -0.5f, 0, 1, 1},
        {"pan +1 puts the wet hard right", 0.5f, 0, 1, 1, 2},
        {"pan -1 puts it hard left", 0.5f, 0, -1, 2, 1},
        {"pan +0.5 halves the left wet", 0.5f, 0, 0.5f, 1.5f, 2},
    };
    for (const Case& c : cases) {
        TFxControls controls = quietControls();
        setParam(controls, tag::MOD_FX, 1.0f);
        setMode(controls, TModFX::RING);
        setParam(controls, tag::MOD_FX_3, 0.0f);
        setParam(controls, tag::MOD_FX_MIX, c.mix);
        setMod(controls, destination::MOD_FX_MIX, c.mixModulation);
        setMod(controls, destination::MOD_FX_PAN, c.panModulation);
        ChainRig rig(controls);
        const stereoStruct y = rig.run(controls, constant(100, 0.5f, 0.25f)).back();
        EXPECT_NEAR(y.left, 0.5f * c.left, 1e-4f) << c.why;
        EXPECT_NEAR(y.right, 0.25f * c.right, 1e-4f) << c.why;
    }
}

// Low-Fi at 1 bit of steps (1 / 1.414) and a half-mix delay: quantising the
// echoes gives other values than echoing the quantised input.
TEST(Chain, OrderChangesTheSamples) {
    struct Case {
        const char* why;
        int path;
        std::vector<float> values;
    };
    const float step = 0.70711f;
    const Case cases[] = {
        {"Low-Fi, Delay: 0.9 held at a step, then echoed", 2, {0, step, step * 1.9f, step * 0.9f}},
        {"Delay, Low-Fi: 0.9, 1.71 and 0.81 quantised", 12, {0, step, 2 * step}},
    };
    for (const Case& c : cases) {
        TFxControls controls = quietControls();
        setPath(controls, c.path);
        plainDelay(controls);
        setParam(controls, tag::LOW_FI, 1.0f);
        setParam(controls, tag::LOW_FI_MIX, 1.0f);
        setParam(controls, tag::LOW_FI_SAMPLE_RATE, 0.0f);
        setParam(controls, tag::LOW_FI_BITS, 1.0f);
        ChainRig rig(controls);
        std::vector<stereoStruct> in = constant(40000, 0, 0);
        std::fill(in.begin(), in.begin() + 20000, stereoStruct{0.9f, 0.9f});
        std::vector<int> count(c.values.size(), 0);
        for (const stereoStruct& y : rig.run(controls, in)) {
            int match = -1;
            for (size_t k = 0; k < c.values.size(); ++k)
                if (std::fabs(y.left - c.values[k]) < 1e-3f) match = static_cast<int>(k);
            ASSERT_GE(match, 0) << c.why << ": unexpected value " << y.left;
            ++count[static_cast<size_t>(match)];
        }
        for (size_t k = 0; k < c.values.size(); ++k) EXPECT_GT(count[k], 1000) << c.why << ", value " << k;
    }
}

// The reverb says nothing until the pre-delay and its shortest undelayed
// comb have passed, then speaks at once.
TEST(Chain, ReverbPreDelayLeavesSilence) {
    struct Case {
        float rate, preDelay;
    };
    for (const Case c : {Case{44100, 0.5f}, Case{44100, 0.3f}, Case{48000, 0.7f}, Case{96000, 0.2f}}) {
        TFxControls controls = quietControls();
        setParam(controls, tag::REVERB, 1.0f);
        setParam(controls, tag::REVERB_MIX, 1.0f);
        setParam(controls, tag::REVERB_PRE_DELAY, c.preDelay);
        setParam(controls, tag::REVERB_LENGTH, 0.75f);  // combs at their tuning
        ChainRig rig(controls, c.rate);
        // Pre-delay in whole frames, then the right-fed lanes' tenth comb
        // (1,046 + 23 samples at 44.1 kHz) reads the input undelayed.
        const int preDelay = static_cast<int>(std::exp2(10.0 * c.preDelay) / 2000.0 * c.rate + 1.0);
        const int comb = static_cast<int>(1069.0 * c.rate / 44100.0 + 0.5);
        const int expected = preDelay + comb;
        const std::vector<stereoStruct> y = rig.run(controls, impulse(static_cast<size_t>(expected + 200)));
        int first = -1;
        for (size_t i = 0; i < y.size() && first < 0; ++i)
            if (std::fabs(y[i].left) + std::fabs(y[i].right) > 1e-6f) first = static_cast<int>(i);
        EXPECT_NEAR(first, expected, 1) << c.rate << " Hz, pre-delay " << c.preDelay;
        EXPECT_GT(std::fabs(y[static_cast<size_t>(expected + 1)].right), 1e-3f);
    }
}

// A parameter moved between control steps is heard from its own frame:
// with the switches, the mode and the Gator's pattern held, a chain given a
// control step every 16 frames plays what one given a step every frame plays.
TEST(Chain, SettingsFollowEachFrame) {
    struct Case {
        const char* why;
        int mode;
        int tag;
        float from, to;
    };
    const Case cases[] = {
        {"Low-Fi Bits", TModFX::RING, tag::LOW_FI_BITS, 0.2f, 0.9f},
        {"Low-Fi Sample Rate", TModFX::RING, tag::LOW_FI_SAMPLE_RATE, 0.1f, 0.5f},
        {"Ring Mod Amount", TModFX::RING, tag::MOD_FX_3, 0.2f, 1.0f},
        {"Mod FX speed", TModFX::CHORUS, tag::MOD_FX_1, 0.3f, 0.9f},
        {"Tremolo Symmetry", TModFX::TREMOLO, tag::MOD_FX_4, 0.1f, 0.8f},
        {"Gator speed", TModFX::GATOR, tag::MOD_FX_1, (30 + 0.1f) / 33.99f, (33 + 0.1f) / 33.99f},
        {"Phaser pitch", TModFX::PHASER, tag::MOD_FX_2, 0.2f, 0.7f},
        {"Delay Feedback", TModFX::RING, tag::DELAY_FEED, 0.5f, 0.9f},
        {"Delay Left", TModFX::RING, tag::DELAY_LEFT, 0.3f, 0.35f},
        {"Delay HighPass", TModFX::RING, tag::DELAY_HIGHPASS_FILTER_FREQUENCY, 0.0f, 0.4f},
        {"Reverb Pre-Delay", TModFX::RING, tag::REVERB_PRE_DELAY, 0.3f, 0.1f},
        {"Reverb Size", TModFX::RING, tag::REVERB_SIZE, 0.3f, 0.95f},
        {"Delay Mix", TModFX::RING, tag::DELAY_MIX, 0.2f, 0.8f},
        {"Reverb Mix", TModFX::RING, tag::REVERB_MIX, 0.2f, 0.9f},
        {"FX Path", TModFX::RING, tag::FX_PATH, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        TFxControls controls = defaultControls();
        for (int tag : {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB}) setParam(controls, tag, 1.0f);
        setParam(controls, tag::LOW_FI_MIX, 0.5f);
        setParam(controls, tag::MOD_FX_MIX, 0.5f);
        setParam(controls, tag::DELAY_LEFT, 0.3f);
        setMode(controls, c.mode);
        ChainRig everySixteen(controls), everyFrame(controls);
        TRandSeed noise;
        for (int frame = 0; frame < 12000; ++frame) {
            // The value moves at frames off the 16-frame grid, back and forth.
            const bool moved = frame >= 1003 && (frame - 1003) / 1709 % 2 == 0;
            if (c.tag == tag::FX_PATH)
                setPath(controls, moved ? 17 : 2);
            else
                setParam(controls, c.tag, moved ? c.to : c.from);
            if (frame % 16 == 0) everySixteen.chain->controlStep(controls);
            everyFrame.chain->controlStep(controls);
            const stereoStruct x{0.3f * noise.bipolar(), 0.3f * noise.bipolar()};
            const stereoStruct a = everySixteen.chain->process(x, controls);
            const stereoStruct b = everyFrame.chain->process(x, controls);
            ASSERT_EQ(a.left, b.left) << c.why << ", frame " << frame;
            ASSERT_EQ(a.right, b.right) << c.why << ", frame " << frame;
        }
    }
}

// Settings kept from frame to frame, worked out again only when a value
// they come from moved, equal settings worked out afresh every frame: with
// every parameter wandering at any frame, and the modulation and the tempo
// at control steps (where the engine moves them), one at a time and several
// at once, in every mode.
TEST(Chain, KeptSettingsEqualSettingsMadeEachFrame) {
    for (int mode = 0; mode < TModFX::MODE_COUNT; ++mode) {
        TFxControls controls = defaultControls();
        for (int tag : {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB}) setParam(controls, tag, 1.0f);
        setMode(controls, mode);
        ChainRig kept(controls), remade(controls);
        TRandSeed noise, walk;
        for (int frame = 0; frame < 6000; ++frame) {
            // Mostly still; now and then one value or a burst of them moves.
            const float u = walk.uniform();
            const int moves = u < 0.9f ? 0 : (u < 0.98f ? 1 : 8);
            const bool controlStep = frame % 16 == 0;
            for (int k = 0; k < moves; ++k) {
                const int which = static_cast<int>(walk.uniform() * (controlStep ? 79.99f : 31.99f));
                if (which < TFxControls::TAG_COUNT) {
                    const int tag = TFxControls::FIRST_TAG + which;
                    // The switches, the mode, the path and the Gator's pattern stay.
                    if (tag == tag::FX_PATH || tag == tag::BYPASS_ALL_FX || tag == tag::LOW_FI ||
                        tag == tag::MOD_FX || tag == tag::MOD_FX_MODE || tag == tag::DELAY ||
                        tag == tag::REVERB || (mode == TModFX::GATOR && tag >= tag::MOD_FX_4 && tag <= tag::MOD_FX_5))
                        continue;
                    setParam(controls, tag, walk.uniform());
                } else if (which < TFxControls::TAG_COUNT + TFxControls::DEST_COUNT) {
                    setMod(controls, TFxControls::FIRST_DEST + which - TFxControls::TAG_COUNT, walk.bipolar() * 0.5f);
                } else {
                    controls.tempo = 60.0f + 140.0f * walk.uniform();
                }
            }
            if (controlStep) {
                kept.chain->controlStep(controls);
                remade.chain->controlStep(controls);
            }
            remade.chain->forgetSettingsForTest();
            const stereoStruct x{0.3f * noise.bipolar(), 0.3f * noise.bipolar()};
            const stereoStruct a = kept.chain->process(x, controls);
            const stereoStruct b = remade.chain->process(x, controls);
            ASSERT_EQ(a.left, b.left) << "mode " << mode << ", frame " << frame;
            ASSERT_EQ(a.right, b.right) << "mode " << mode << ", frame " << frame;
        }
    }
}

// What the chain leaves for the modulation engine: each stage's output level
// while it runs, and the Gator's gains in its mode.
TEST(Chain, Sources) {
    TFxControls c = quietControls();
    setParam(c, tag::LOW_FI, 1.0f);
    setParam(c, tag::LOW_FI_MIX, 0.0f);
    setParam(c, tag::MOD_FX, 1.0f);
    setParam(c, tag::MOD_FX_MIX, 1.0f);
    setMode(c, TModFX::GATOR);
    setParam(c, tag::MOD_FX_2, 0.0f);
    setParam(c, tag::MOD_FX_4, 1.0f);  // every left step open
    setParam(c, tag::MOD_FX_5, 0.0f);  // every right step closed
    ChainRig rig(c);
    stereoStruct y;
    for (int i = 0; i < 200; ++i) y = rig.chain->process(stereoStruct{0.25f, 0.5f}, c);
    const TFxSources& s = rig.chain->sources();
    EXPECT_EQ(s.stagesRun, (1u << FX_STAGE_LOW_FI) | (1u << FX_STAGE_MOD_FX));
    EXPECT_NEAR(s.stageOutput[FX_STAGE_LOW_FI], 3.0f, 1e-4f);
    EXPECT_NEAR(s.stageOutput[FX_STAGE_MOD_FX], (y.left + y.right) * 4.0f, 1e-6f);
    EXPECT_TRUE(s.gatorRan);
    EXPECT_NEAR(s.gatorGain.left, 1.0f, 1e-4f);
    EXPECT_NEAR(s.gatorGain.right, 0.0f, 1e-4f);
    EXPECT_NEAR(y.left, 0.25f, 1e-4f);
    EXPECT_NEAR(y.right, 0.0f, 1e-4f);
}

// A transport start puts the Gator back on its first step.
TEST(Chain, RestartPutsTheGatorOnItsFirstStep) {
    TFxControls c = quietControls();
    setParam(c, tag::MOD_FX, 1.0f);
    setMode(c, TModFX::GATOR);
    setStep(c, tag::MOD_FX_1, 30, 33.99f);
    ChainRig rig(c);
    rig.run(c, constant(5000, 1, 1));
    EXPECT_NE(rig.chain->getGaterPos(), 0);
    rig.chain->restartModulation();
    EXPECT_EQ(rig.chain->getGaterPos(), 0);
    rig.chain->process(stereoStruct{1, 1}, c);
    EXPECT_EQ(rig.chain->getGaterPos(), 0);
}

// The editor reads the Gator's step from its own thread while the audio
// thread runs the chain: always a step of the pattern.
TEST(ChainThreads, GaterPositionReadWhileTheChainRuns) {
    TFxControls c = quietControls();
    setParam(c, tag::MOD_FX, 1.0f);
    setMode(c, TModFX::GATOR);
    setStep(c, tag::MOD_FX_1, 33, 33.99f);
    setStep(c, tag::MOD_FX_3, 11, 15.99f);  // 12 steps
    ChainRig rig(c);
    std::atomic<bool> running{true};
    std::atomic<int> outside{0}, reads{0};
    std::thread editor([&] {
        while (running.load()) {
            const int step = rig.chain->getGaterPos();
            if (step < 0 || step >= 12) ++outside;
            ++reads;
        }
    });
    // 100,000 frames in pieces, and on until the editor's thread has read 100
    // steps beside them, however the two are scheduled.
    const std::vector<stereoStruct> piece = constant(1000, 1, 1);
    for (int run = 0; run < 100 || reads.load() < 100; ++run) rig.run(c, piece);
    running = false;
    editor.join();
    EXPECT_EQ(outside.load(), 0);
}

}  // namespace
