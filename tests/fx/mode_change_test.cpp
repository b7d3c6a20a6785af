// What a change of "Mod FX Mode" resets and what it keeps. Reset: the
// modulator (its phases, output, hold and humanize factors, the sample-and-
// hold value), the limiter's envelope, the Tremolo and AutoPan smoothers, the
// ring oscillator's phase, the Chorus and Flanger line, the Ensemble's rings
// and tap phases, the Phaser's sections and widen ring, the Wah-Wah and
// TalkBox filter, and the stage's mix smoother (to its parameter). Kept: the
// stage's low-pass and high-pass, the Gator's step and gain, the other
// stages, the chain's frame counter and the random seed.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "fx_test_support.h"

using namespace fxtest;

namespace {

float speedFor(double hz) { return static_cast<float>(std::log2(hz / (1.71875 / 256.0)) / 14.0); }

// A Mod FX unit driven as the chain drives it: a control step every 16 frames.
struct ModRig {
    TRandSeed seed;
    std::unique_ptr<TModFX> fx = std::make_unique<TModFX>(engineTables());
    std::uint32_t frame = 0;

    explicit ModRig(const TFxControls& c, std::uint32_t startFrame = 0, TRandSeed startSeed = {})
        : seed(startSeed), frame(startFrame) {
        fx->setSampleRate(44100);
        fx->init();
        fx->controlStep(c);
        fx->gator().restart();
    }
    stereoStruct step(const TFxControls& c, stereoStruct x) {
        if (frame % 16 == 0) fx->controlStep(c);
        fx->setControls(c);
        return fx->process(x, frame++, seed);
    }
};

struct Row {
    const char* what;
    bool reset;
    int modeA, modeB;
    std::function<void(TFxControls&)> settings;
    float level = 0.5f;
    // Whether what is kept goes on in mode B (the post-filters) or stands
    // still (the Gator).
    bool goesOnInB = true;
};

TFxControls rowControls(const Row& r, int mode) {
    TFxControls c = defaultControls();
    setParam(c, tag::MOD_FX_TEMPO_SYNC, 0.0f);
    setParam(c, tag::MOD_FX_1, speedFor(3.0));
    r.settings(c);
    setMode(c, mode);
    return c;
}

// Mode A, then B for a while, then A again: the unit that changed (U) plays
// from its return what a fresh unit (F) plays when what the row names is
// reset, and what a unit that stayed in A (T) plays when it is kept. F and T
// must differ there, or the row could not tell the two apart.
TEST(ModFXModeChange, ResetsItsListAndKeepsTheRest) {
    const auto wave = [](int step) { return (static_cast<float>(step) + 0.1f) / 9.99f; };
    const Row rows[] = {
        {"the modulator's phases", true, TModFX::TREMOLO, TModFX::CHORUS,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, wave(4));
             setParam(c, tag::MOD_FX_3, 1.0f);
             setParam(c, tag::MOD_FX_5, 0.0f);
         }},
        {"the sample-and-hold wave's value", true, TModFX::TREMOLO, TModFX::CHORUS,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_1, speedFor(20.0));
             setParam(c, tag::MOD_FX_2, wave(8));
             setParam(c, tag::MOD_FX_3, 1.0f);
             setParam(c, tag::MOD_FX_5, 0.0f);
         }},
        {"the modulator's hold and its counter", true, TModFX::TREMOLO, TModFX::RING,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, wave(4));
             setParam(c, tag::MOD_FX_3, 1.0f);
             setParam(c, tag::MOD_FX_5, 0.0f);
             setMod(c, destination::MOD_FX_S_AND_H, 0.43f);
         }},
        {"the humanize factors", true, TModFX::TREMOLO, TModFX::CHORUS,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_1, speedFor(40.0));
             setParam(c, tag::MOD_FX_2, wave(4));
             setParam(c, tag::MOD_FX_3, 1.0f);
             setParam(c, tag::MOD_FX_5, 0.0f);
             setMod(c, destination::MOD_FX_HUMANIZE, 1.0f);
         }},
        {"the Tremolo's smoother", true, TModFX::TREMOLO, TModFX::CHORUS,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, wave(4));
             setParam(c, tag::MOD_FX_3, 1.0f);
             setParam(c, tag::MOD_FX_5, 0.7f);
         }},
        {"the AutoPan's smoother", true, TModFX::AUTO_PAN, TModFX::CHORUS,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, wave(4));
             setParam(c, tag::MOD_FX_3, 1.0f);
             setParam(c, tag::MOD_FX_5, 0.7f);
         }},
        {"the ring oscillator's phase", true, TModFX::RING, TModFX::CHORUS,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_1, 0.3f);
             setParam(c, tag::MOD_FX_3, 1.0f);
             setParam(c, tag::MOD_FX_5, 1.0f);
         }},
        {"the Flanger's line", true, TModFX::FLANGER, TModFX::TREMOLO,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, 0.3f);
             setParam(c, tag::MOD_FX_5, 0.9f);
         }},
        {"the limiter's envelope", true, TModFX::FLANGER, TModFX::TREMOLO,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, 0.02f);
             setParam(c, tag::MOD_FX_3, 0.0f);
             setParam(c, tag::MOD_FX_5, 0.0f);
         },
         4.0f},
        {"the Ensemble's rings and tap phases", true, TModFX::ENSEMBLE, TModFX::TREMOLO,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, 0.2f);
             setParam(c, tag::MOD_FX_4, 0.3f);
             setParam(c, tag::MOD_FX_5, 0.5f);
         }},
        {"the Phaser's sections and widen ring", true, TModFX::PHASER, TModFX::TREMOLO,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, 0.6f);
             setParam(c, tag::MOD_FX_4, 0.5f);
             setParam(c, tag::MOD_FX_5, 0.8f);
         }},
        // Kept, its old state would ring out on the way back, over silence
        // too (see FxAudio.WahWahComesBackWithoutTheOldNote).
        {"the Wah-Wah filter", true, TModFX::WAH_WAH, TModFX::CHORUS,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, 0.5f);
             setParam(c, tag::MOD_FX_3, 0.2f);
             setParam(c, tag::MOD_FX_4, 0.8f);
             setParam(c, tag::MOD_FX_5, 0.9f);
         }},
        {"the TalkBox filter", true, TModFX::TALK_BOX, TModFX::TREMOLO,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_2, 0.5f);
             setParam(c, tag::MOD_FX_3, 0.0f);
             setParam(c, tag::MOD_FX_4, 1.0f);
             setParam(c, tag::MOD_FX_5, 0.6f);
         }},
        // Tremolo and Ring at Amount 0 pass their input, so only the filters
        // tell the units apart.
        {"the stage's low-pass and high-pass", false, TModFX::TREMOLO, TModFX::RING,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_3, 0.0f);
             setParam(c, tag::MOD_FX_5, 1.0f);
             setMod(c, destination::MOD_FX_LOW_PASS, 0.5f);
             setMod(c, destination::MOD_FX_HIGH_PASS, 0.3f);
         }},
        {"the Gator's step and gain", false, TModFX::GATOR, TModFX::TREMOLO,
         [&](TFxControls& c) {
             setParam(c, tag::MOD_FX_1, (17 + 0.1f) / 33.99f);
             setParam(c, tag::MOD_FX_2, 0.4f);
             setParam(c, tag::MOD_FX_3, (11 + 0.1f) / 15.99f);
             setParam(c, tag::MOD_FX_4, (0x5A5 + 0.5f) / 65535.9f);
             setParam(c, tag::MOD_FX_5, (0x3C3 + 0.5f) / 65535.9f);
         },
         0.5f, false},
    };
    constexpr int BEFORE = 4000, AWAY = 480, AFTER = 4000;  // frames; AWAY a whole number of control steps
    for (const Row& r : rows) {
        const TFxControls inA = rowControls(r, r.modeA), inB = rowControls(r, r.modeB);
        ModRig changed(inA), stayed(inA);
        TRandSeed noise;
        std::vector<stereoStruct> input;
        for (int i = 0; i < BEFORE + AWAY + AFTER; ++i)
            input.push_back(stereoStruct{r.level * noise.bipolar(), r.level * noise.bipolar()});
        for (int i = 0; i < BEFORE + AWAY; ++i) {
            const bool away = i >= BEFORE;
            changed.step(away ? inB : inA, input[static_cast<size_t>(i)]);
            if (!away || r.goesOnInB)
                stayed.step(inA, input[static_cast<size_t>(i)]);
            else
                ++stayed.frame;
        }
        ModRig fresh(inA, changed.frame, changed.seed);
        int sameAsFresh = 0, sameAsStayed = 0, freshAsStayed = 0;
        for (int i = BEFORE + AWAY; i < BEFORE + AWAY + AFTER; ++i) {
            const stereoStruct x = input[static_cast<size_t>(i)];
            const stereoStruct u = changed.step(inA, x), f = fresh.step(inA, x), t = stayed.step(inA, x);
            sameAsFresh += u.left == f.left && u.right == f.right;
            sameAsStayed += u.left == t.left && u.right == t.right;
            freshAsStayed += f.left == t.left && f.right == t.right;
        }
        EXPECT_EQ(r.reset ? sameAsFresh : sameAsStayed, AFTER) << r.what << (r.reset ? " is reset" : " is kept");
        EXPECT_LT(freshAsStayed, AFTER / 2) << r.what << ": a fresh unit plays what one that stayed plays";
    }
}

// The chain: the stage's mix smoother starts a new mode at its parameter
// (Ring at Amount 0 passes its input: mix 0.25 gives x + 0.5 x at once),
// and a mode change leaves the other stages, their smoothers, the chain's
// frame counter and the random seed as they were: with the Mod FX stage off
// the output is the same sample for sample.
TEST(ModFXModeChange, TheChainResetsTheStagesMixAndKeepsTheOtherStages) {
    TFxControls c = defaultControls();
    for (int tag : {tag::LOW_FI, tag::DELAY, tag::REVERB}) setParam(c, tag, 0.0f);
    setParam(c, tag::MOD_FX, 1.0f);
    setParam(c, tag::MOD_FX_MIX, 1.0f);
    setParam(c, tag::MOD_FX_3, 0.0f);
    setMode(c, TModFX::RING);
    ChainRig mixRig(c);
    mixRig.run(c, constant(2000, 0.1f, 0.1f));
    setParam(c, tag::MOD_FX_MIX, 0.25f);
    setMode(c, TModFX::TREMOLO);
    const std::vector<stereoStruct> out = mixRig.run(c, constant(64, 0.1f, 0.1f));
    EXPECT_NEAR(out.front().left, 0.15f, 1e-6f) << "the mix starts at its parameter";
    EXPECT_NEAR(out.back().left, 0.15f, 1e-6f);

    TFxControls others = defaultControls();
    for (int tag : {tag::LOW_FI, tag::DELAY, tag::REVERB}) setParam(others, tag, 1.0f);
    setParam(others, tag::MOD_FX, 0.0f);
    setParam(others, tag::DELAY_FEED, 0.9f);
    setMod(others, destination::LOWFI_NOISE_AMOUNT, 0.7f);
    ChainRig changing(others), steady(others);
    TRandSeed noise;
    int different = 0;
    for (int frame = 0; frame < 30000; ++frame) {
        TFxControls now = others;
        setMode(now, (frame / 1000) % TModFX::MODE_COUNT);
        if (frame % 16 == 0) {
            changing.chain->controlStep(now);
            steady.chain->controlStep(others);
        }
        const stereoStruct x{0.3f * noise.bipolar(), 0.3f * noise.bipolar()};
        const stereoStruct a = changing.chain->process(x, now), b = steady.chain->process(x, others);
        different += a.left != b.left || a.right != b.right;
    }
    EXPECT_EQ(different, 0);
    EXPECT_EQ(changing.chain->getFrameCount(), steady.chain->getFrameCount());
}

}  // namespace
