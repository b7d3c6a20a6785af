// TModFX on its own: the defining behaviour of each of the ten modes, the
// limiter and the modulator's own laws.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "fx_test_support.h"

using namespace fxtest;

namespace {

// Mod FX 1 for a free-running modulator of about hz cycles per second.
float speedFor(double hz) { return static_cast<float>(std::log2(hz / (1.71875 / 256.0)) / 14.0); }

TFxControls modeControls(int mode) {
    TFxControls c = defaultControls();
    setMode(c, mode);
    setParam(c, tag::MOD_FX_TEMPO_SYNC, 0.0f);
    return c;
}

struct ModRig {
    TRandSeed seed;
    std::unique_ptr<TModFX> fx = std::make_unique<TModFX>(engineTables());
    TFxControls controls;
    std::uint32_t frame = 0;

    explicit ModRig(const TFxControls& c, float rate = 44100.0f) : controls(c) {
        fx->setSampleRate(rate);
        fx->init();
        fx->controlStep(controls);
        fx->setControls(controls);
        fx->gator().restart();
    }
    stereoStruct step(stereoStruct x) {
        if (frame % 16 == 0) fx->controlStep(controls);
        fx->setControls(controls);
        return fx->process(x, frame++, seed);
    }
    std::vector<stereoStruct> run(const std::vector<stereoStruct>& in) {
        std::vector<stereoStruct> out;
        for (const stereoStruct& x : in) out.push_back(step(x));
        return out;
    }
};

std::vector<float> lefts(const std::vector<stereoStruct>& frames) {
    std::vector<float> out;
    for (const stereoStruct& f : frames) out.push_back(f.left);
    return out;
}

// RMS of consecutive windows of a channel.
std::vector<double> windowRms(const std::vector<float>& x, size_t from, size_t window) {
    std::vector<double> out;
    for (size_t start = from; start + window <= x.size(); start += window) {
        double sum = 0;
        for (size_t i = start; i < start + window; ++i) sum += static_cast<double>(x[i]) * x[i];
        out.push_back(std::sqrt(sum / static_cast<double>(window)));
    }
    return out;
}

TEST(ModFXDelayModes, LengthsAndFeedback) {
    engineTables();
    {
        // Chorus with Width 0: both lengths hold still while the modulator runs.
        TFxControls c = modeControls(TModFX::CHORUS);
        setParam(c, tag::MOD_FX_1, speedFor(5));
        setParam(c, tag::MOD_FX_3, 0.0f);
        ModRig rig(c);
        const float base = 1.0f + 0.05f * 44100.0f * 0.481f, widen = 4.0f * std::exp2(8.0f * 0.36f) + 1.0f;
        for (int i = 0; i < 20000; ++i) {
            rig.step(stereoStruct{0.1f, 0.1f});
            ASSERT_NEAR(rig.fx->delayModes().line().getDelayLen(0), base, 1e-3f);
            ASSERT_NEAR(rig.fx->delayModes().line().getDelayLen(1), base + widen, 1e-3f);
        }
    }
    {
        // Flanger Feedback 1 asks for -1, which the line holds at -0.999.
        TFxControls c = modeControls(TModFX::FLANGER);
        setParam(c, tag::MOD_FX_5, 1.0f);
        ModRig rig(c);
        rig.step(stereoStruct{});
        EXPECT_FLOAT_EQ(rig.fx->delayModes().line().getFeedDirect(0), -0.999f);
        EXPECT_FLOAT_EQ(rig.fx->delayModes().line().getFeedDirect(1), -0.999f);
    }
    {
        // Ensemble Amount 1: all six taps alike.
        TFxControls c = modeControls(TModFX::ENSEMBLE);
        setParam(c, tag::MOD_FX_4, 1.0f);
        ModRig rig(c);
        const TModFXDelayModes& modes = rig.fx->delayModes();
        for (int k = 1; k < TModFXDelayModes::ENSEMBLE_TAPS; ++k) {
            EXPECT_EQ(modes.getEnsembleLength(k), modes.getEnsembleLength(0));
            EXPECT_EQ(modes.getEnsembleRate(k), modes.getEnsembleRate(0));
            EXPECT_EQ(modes.getEnsembleDepth(k), modes.getEnsembleDepth(0));
        }
    }
}

// A short Ensemble length reads between this frame's input and the last,
// never a frame a whole ring ago.
TEST(ModFXDelayModes, EnsembleAtLengthZeroHasNoLateEcho) {
    TFxControls c = modeControls(TModFX::ENSEMBLE);
    setParam(c, tag::MOD_FX_2, 0.0f);
    setParam(c, tag::MOD_FX_5, 0.0f);
    ModRig rig(c);
    const std::vector<float> y = lefts(rig.run(impulse(40000)));
    for (size_t i = 3; i < y.size(); ++i) ASSERT_LT(std::fabs(y[i]), 1e-6f) << "frame " << i;
}

TEST(ModFXFilterModes, PhaserFrequency) {
    struct Case {
        const char* why;
        float rate, pitch, width;
        float atLow, atHigh;  // Hz with the modulator at its lowest and highest
    };
    const Case cases[] = {
        {"Width 0 and Pitch 0 hold both sides at 15 Hz", 44100, 0, 0, 15, 15},
        {"Pitch 1 at rest is 15 x 2^5 Hz", 44100, 1, 0, 480, 480},
        {"Width 1 sweeps Pitch 1 up to 10.5 kHz", 44100, 1, 1, 480, 10527.6f},
        {"at 22.05 kHz the top is held at 0.45 of the rate", 22050, 1, 1, 480, 9922.5f},
        {"at 1 kHz likewise", 1000, 1, 1, 450, 450},
    };
    for (const Case& c : cases) {
        TFxControls controls = modeControls(TModFX::PHASER);
        setParam(controls, tag::MOD_FX_2, c.pitch);
        setParam(controls, tag::MOD_FX_3, c.width);
        ModRig rig(controls, c.rate);
        const stereoStruct hz = rig.fx->filterModes().phaserFrequencies(0.0f, 1.0f);
        EXPECT_NEAR(hz.left, c.atLow, c.atLow * 2e-3f) << c.why;
        EXPECT_NEAR(hz.right, c.atHigh, c.atHigh * 2e-3f) << c.why;
        // Full feedback and a loud input stay finite and bounded.
        setParam(rig.controls, tag::MOD_FX_5, 1.0f);
        for (const stereoStruct& y : rig.run(sine(20000, 3000, c.rate, 4.0f)))
            ASSERT_TRUE(std::isfinite(y.left) && std::isfinite(y.right) && std::fabs(y.left) < 200) << c.why;
    }
}

// sin and cos of the Phaser's angles over the whole range they take, to
// within two steps of a float; and the sections' coefficients from 2 pi f /
// rate at the sweep's ends, where a table of the angle would be furthest
// off (15 Hz at 192 kHz lies between its 20th and 21st entries).
TEST(ModFXFilterModes, PhaserCoefficientsFromTheAngle) {
    for (int k = 0; k <= 20000; ++k) {
        const float a = 3.14159265f * static_cast<float>(k) / 20000.0f;
        const float b = 1e-5f * static_cast<float>(k);
        alignas(16) float out[4];
        _mm_store_ps(out, TModFXFilterModes::sinCosPair(_mm_setr_ps(a, b, 0.0f, 0.0f)));
        const double expected[4] = {std::sin(static_cast<double>(a)), std::sin(static_cast<double>(b)),
                                    std::cos(static_cast<double>(a)), std::cos(static_cast<double>(b))};
        for (int lane = 0; lane < 4; ++lane)
            ASSERT_NEAR(out[lane], expected[lane], std::max(1e-8, std::fabs(expected[lane]) * 2.5e-7))
                << "angle " << (lane % 2 ? b : a) << ", lane " << lane;
    }
    struct Case {
        const char* why;
        float rate, pitch, width, q;
        float unipolar;  // the modulator, 0..1
    };
    const Case cases[] = {
        {"15 Hz at 192 kHz", 192000, 0, 0, 0.3f, 0.5f},
        {"15 Hz at 44.1 kHz, the narrowest sections", 44100, 0, 0, 1.0f, 0.5f},
        {"the top of a wide sweep at 44.1 kHz", 44100, 1, 1, 0, 1},
        {"the top, held at 0.45 of 22.05 kHz", 22050, 1, 1, 0.5f, 1},
        {"the middle of a sweep at 96 kHz", 96000, 0.7f, 0.6f, 0.8f, 0.3f},
    };
    for (const Case& c : cases) {
        TFxControls controls = modeControls(TModFX::PHASER);
        setParam(controls, tag::MOD_FX_2, c.pitch);
        setParam(controls, tag::MOD_FX_3, c.width);
        setMod(controls, destination::MOD_FX_Q, c.q);
        ModRig rig(controls, c.rate);
        const std::array<float, 4> k = rig.fx->filterModes().phaserCoefficients(c.unipolar, c.unipolar);
        const double hz = std::min(15.0 * std::exp2(10.0 * c.pitch * (0.45 * 0.99 * c.width * c.unipolar + 0.5)),
                                   0.45 * c.rate);
        const double omega = 2 * 3.141592653589793 * hz / c.rate;
        const double alpha = std::sin(omega) / (2 * (c.q * 0.9 + 0.05));
        const double b0 = (1 - alpha) / (1 + alpha), b1 = -2 * std::cos(omega) / (1 + alpha);
        // Near 1 a step of a float is 6e-8; alpha is 4e-4 and less at 15 Hz.
        EXPECT_NEAR(k[0], b0, 3e-7) << c.why;
        EXPECT_NEAR(k[1], b0, 3e-7) << c.why;
        EXPECT_NEAR(k[2], b1, 5e-7) << c.why;
        EXPECT_NEAR(k[3], b1, 5e-7) << c.why;
    }
}

// Wah-Wah and TalkBox hand the filter this frame's cutoffs and vowel every
// frame: a filter of the same type called so, working its coefficients out
// whole every frame, gives the same samples, swept or held.
TEST(ModFXFilterModes, SweptFiltersTakeEachFramesValues) {
    struct Case {
        const char* why;
        int mode;
        float speed, f2, f3, f4, f5;
    };
    const Case cases[] = {
        {"Wah-Wah, a fast sweep", TModFX::WAH_WAH, speedFor(9), 0.5f, 0.2f, 0.9f, 0.7f},
        {"Wah-Wah, low to band", TModFX::WAH_WAH, speedFor(2), 0.3f, 0.4f, 0.6f, 0.2f},
        {"TalkBox across the vowels", TModFX::TALK_BOX, speedFor(5), 0.6f, 0.0f, 1.0f, 0.5f},
        {"Wah-Wah, a slow sweep", TModFX::WAH_WAH, speedFor(0.1), 0.8f, 0.3f, 0.35f, 0.9f},
        {"Wah-Wah held", TModFX::WAH_WAH, speedFor(3), 0.1f, 0.5f, 0.5f, 0.4f},
        {"TalkBox held", TModFX::TALK_BOX, speedFor(3), 0.4f, 0.7f, 0.7f, 0.6f},
    };
    for (const Case& c : cases) {
        TFxControls controls = modeControls(c.mode);
        setParam(controls, tag::MOD_FX_1, c.speed);
        setParam(controls, tag::MOD_FX_2, c.f2);
        setParam(controls, tag::MOD_FX_3, c.f3);
        setParam(controls, tag::MOD_FX_4, c.f4);
        setParam(controls, tag::MOD_FX_5, c.f5);
        ModRig rig(controls);
        auto filter = std::make_unique<TFilter>();
        filter->init(44100);
        TRandSeed noise;
        for (int frame = 0; frame < 20000; ++frame) {
            const float x = 0.4f * noise.bipolar();
            const stereoStruct y = rig.step(stereoStruct{x, -x});
            const TModFXModulation m = rig.fx->getModOut();
            stereoStruct cutoffs{c.f2, c.f2};
            float vowel = c.f3 + (c.f4 - c.f3) * m.unipolarLeft();
            if (c.mode == TModFX::WAH_WAH) {
                cutoffs = stereoStruct{c.f3 + (c.f4 - c.f3) * m.unipolarLeft(), c.f3 + (c.f4 - c.f3) * m.unipolarRight()};
                vowel = c.f2;
            }
            filter->setType(c.mode == TModFX::WAH_WAH ? filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB : filtertype::VOCAL,
                            true);
            stereoOverStruct out;
            filter->forgetKeptCoefficients();
            filter->process(cutoffs, stereoStruct{}, c.f5, vowel, stereoOverStruct{{x, -x, x, -x}}, out);
            ASSERT_EQ(y.left, out.lane[0]) << c.why << ", frame " << frame;
            ASSERT_EQ(y.right, out.lane[1]) << c.why << ", frame " << frame;
        }
    }
}

// Wah-Wah sweeps a low-pass across a 5 kHz tone; TalkBox moves a vowel
// across a 1 kHz tone. Both change the tone's level as the modulator moves,
// and hold it when the sweep's ends meet.
TEST(ModFXFilterModes, SweepsFollowTheModulator) {
    struct Case {
        const char* why;
        int mode;
        double tone;
        float low, high, minimumSwing;
    };
    const Case cases[] = {
        {"Wah-Wah from 80 Hz to 10 kHz", TModFX::WAH_WAH, 5000, 0.2f, 0.9f, 10.0f},
        {"Wah-Wah held", TModFX::WAH_WAH, 5000, 0.6f, 0.6f, 1.0f},
        {"TalkBox across the vowels", TModFX::TALK_BOX, 1000, 0.0f, 1.0f, 1.5f},
        {"TalkBox held", TModFX::TALK_BOX, 1000, 0.5f, 0.5f, 1.0f},
    };
    for (const Case& c : cases) {
        TFxControls controls = modeControls(c.mode);
        setParam(controls, tag::MOD_FX_1, speedFor(2));
        setParam(controls, tag::MOD_FX_2, c.mode == TModFX::WAH_WAH ? 0.0f : 0.7f);
        setParam(controls, tag::MOD_FX_3, c.low);
        setParam(controls, tag::MOD_FX_4, c.high);
        setParam(controls, tag::MOD_FX_5, 0.3f);
        ModRig rig(controls);
        const std::vector<double> rms = windowRms(lefts(rig.run(sine(44100, c.tone, 44100, 0.5f))), 4410, 441);
        const double swing = *std::max_element(rms.begin(), rms.end()) / *std::min_element(rms.begin(), rms.end());
        if (c.minimumSwing > 1.0f)
            EXPECT_GT(swing, c.minimumSwing) << c.why;
        else
            EXPECT_LT(swing, 1.05) << c.why;
    }
}

// Tremolo at Amount a keeps the level between 1 - a and 1.
TEST(ModFXGainModes, TremoloDepth) {
    for (float amount : {0.0f, 0.5f, 1.0f}) {
        TFxControls c = modeControls(TModFX::TREMOLO);
        setParam(c, tag::MOD_FX_1, speedFor(20));
        setStep(c, tag::MOD_FX_2, LFO_SINE_UP, 9.99f);
        setParam(c, tag::MOD_FX_3, amount);
        setParam(c, tag::MOD_FX_4, 0.5f);
        setParam(c, tag::MOD_FX_5, 0.0f);
        ModRig rig(c);
        const std::vector<float> y = lefts(rig.run(constant(44100, 1, 1)));
        EXPECT_NEAR(*std::min_element(y.begin(), y.end()), 1.0f - amount, 1e-3f) << amount;
        EXPECT_NEAR(*std::max_element(y.begin(), y.end()), 1.0f, 1e-3f) << amount;
    }
}

// AutoPan: one side is always whole while the other falls, down to silence
// at Amount 1.
TEST(ModFXGainModes, AutoPanLaw) {
    TFxControls c = modeControls(TModFX::AUTO_PAN);
    setParam(c, tag::MOD_FX_1, speedFor(20));
    setStep(c, tag::MOD_FX_2, LFO_TRIANGLE_UP, 9.99f);
    setParam(c, tag::MOD_FX_3, 1.0f);
    setParam(c, tag::MOD_FX_4, 0.5f);
    setParam(c, tag::MOD_FX_5, 0.0f);
    ModRig rig(c);
    float leastLeft = 1, leastRight = 1;
    for (const stereoStruct& y : rig.run(constant(44100, 1, 1))) {
        ASSERT_NEAR(std::max(y.left, y.right), 1.0f, 1e-5f);
        ASSERT_GE(std::min(y.left, y.right), 0.0f);
        leastLeft = std::min(leastLeft, y.left);
        leastRight = std::min(leastRight, y.right);
    }
    EXPECT_LT(leastLeft, 0.01f);
    EXPECT_LT(leastRight, 0.01f);
}

TEST(ModFXGainModes, Ring) {
    {
        // Amount 0 passes every value unchanged.
        TFxControls c = modeControls(TModFX::RING);
        setParam(c, tag::MOD_FX_3, 0.0f);
        ModRig rig(c);
        const std::vector<stereoStruct> in = sine(5000, 123.4, 44100, 0.7f);
        const std::vector<stereoStruct> out = rig.run(in);
        for (size_t i = 0; i < in.size(); ++i) {
            ASSERT_EQ(out[i].left, in[i].left) << i;
            ASSERT_EQ(out[i].right, in[i].right) << i;
        }
    }
    {
        // Amount 1 multiplies by a sine of 20 x 2^(10 f1) + 100 f2 Hz.
        TFxControls c = modeControls(TModFX::RING);
        setParam(c, tag::MOD_FX_1, 0.3f);
        setParam(c, tag::MOD_FX_2, 0.5f);
        setParam(c, tag::MOD_FX_3, 1.0f);
        ModRig rig(c);
        EXPECT_NEAR(crossingFrequency(lefts(rig.run(constant(44100, 1, 1))), 0, 44100, 44100), 210.0, 0.5);
    }
}

// Mod FX 4 as a step pattern: bit k opens step k + 1.
float pattern(unsigned mask) { return (static_cast<float>(mask) + 0.5f) / 65535.9f; }

// What a mode hears run on its own, as TModFX::freeRunningCycles reckons it
// for the controls (the level test spreads its note starts over it), is what
// the running unit keeps: the cycles measured from the modulator's output
// (each side), the Gator's returns to its first step, the Ring's carrier in
// the output, and the Ensemble's taps as the unit runs them.
TEST(ModFXFreeRunning, CyclesAreThoseTheUnitRuns) {
    enum Heard { MODULATOR, GATOR_STEPS, RING_CARRIER, ENSEMBLE_TAPS };
    struct Case {
        const char* why;
        int mode;
        Heard heard;
        void (*set)(TFxControls&);
        std::size_t count;
    };
    const Case cases[] = {
        {"a free Chorus modulator", TModFX::CHORUS, MODULATOR,
         [](TFxControls& c) { setParam(c, tag::MOD_FX_1, speedFor(23.0)); }, 1},
        {"a synced step read as the store rounds it: just under step 30's edge is step 30 (1/24 bar), not 29",
         TModFX::TREMOLO, MODULATOR,
         [](TFxControls& c) {
             setParam(c, tag::MOD_FX_TEMPO_SYNC, 1.0f);
             setParam(c, tag::MOD_FX_1, 29.95f / 33.99f);
         },
         1},
        {"the spread runs the right side 2.5 times as fast", TModFX::FLANGER, MODULATOR,
         [](TFxControls& c) {
             setParam(c, tag::MOD_FX_1, speedFor(9.0));
             setMod(c, destination::MOD_FX_SPREAD, 0.5f);
         },
         2},
        {"synced step 0 stands still", TModFX::CHORUS, MODULATOR,
         [](TFxControls& c) {
             setParam(c, tag::MOD_FX_TEMPO_SYNC, 1.0f);
             setStep(c, tag::MOD_FX_1, 0, 33.99f);
         },
         0},
        {"the Gator's pattern of 5 steps", TModFX::GATOR, GATOR_STEPS,
         [](TFxControls& c) {
             setStep(c, tag::MOD_FX_1, 20, 33.99f);
             setStep(c, tag::MOD_FX_3, 4, 15.99f);
         },
         1},
        {"the Ring's carrier, not the modulator", TModFX::RING, RING_CARRIER,
         [](TFxControls& c) {
             setParam(c, tag::MOD_FX_1, 0.3f);
             setParam(c, tag::MOD_FX_2, 0.5f);
             setParam(c, tag::MOD_FX_3, 1.0f);
         },
         1},
        {"the Ensemble's six taps, at Mod FX 4 and its modulation", TModFX::ENSEMBLE, ENSEMBLE_TAPS,
         [](TFxControls& c) {
             setParam(c, tag::MOD_FX_4, 0.2f);
             setMod(c, destination::MOD_FX_1 + 3, 0.14f);
         },
         6},
    };
    constexpr float RATE = 48000.0f;
    constexpr std::size_t FRAMES = 48000;
    for (const Case& c : cases) {
        TFxControls controls = modeControls(c.mode);
        c.set(controls);
        const TModFXCycles reckoned = TModFX::freeRunningCycles(c.mode, controls, RATE);
        ASSERT_EQ(static_cast<std::size_t>(reckoned.count), c.count) << c.why;
        ModRig rig(controls, RATE);
        std::vector<double> measured;  // frames per cycle
        std::vector<float> left, right, gated;
        std::vector<std::size_t> firstStep;  // the frames that enter it
        bool wasFirst = true;
        for (std::size_t i = 0; i < FRAMES; ++i) {
            const stereoStruct y = rig.step(stereoStruct{1.0f, 1.0f});
            left.push_back(rig.fx->getModOut().left);
            right.push_back(rig.fx->getModOut().right);
            gated.push_back(y.left);
            const bool atFirst = rig.fx->gator().getGaterPos() == 0;
            if (atFirst && !wasFirst) firstStep.push_back(i);
            wasFirst = atFirst;
        }
        if (c.heard == MODULATOR && c.count > 0) {
            measured.push_back(RATE / crossingFrequency(left, 0, FRAMES, RATE));
            if (c.count == 2) measured.push_back(RATE / crossingFrequency(right, 0, FRAMES, RATE));
        } else if (c.heard == GATOR_STEPS) {
            measured.push_back(static_cast<double>(firstStep.back() - firstStep.front()) /
                               static_cast<double>(firstStep.size() - 1));
        } else if (c.heard == RING_CARRIER) {
            measured.push_back(RATE / crossingFrequency(gated, 0, FRAMES, RATE));
        } else if (c.heard == ENSEMBLE_TAPS) {
            for (int k = 0; k < TModFXDelayModes::ENSEMBLE_TAPS; ++k)
                measured.push_back(1.0 / rig.fx->delayModes().getEnsembleRate(k));
        }
        ASSERT_EQ(measured.size(), c.count) << c.why;
        for (std::size_t k = 0; k < measured.size(); ++k)
            EXPECT_NEAR(1.0 / reckoned.cyclesPerFrame[k], measured[k], 0.002 * measured[k]) << c.why << ", cycle " << k;
    }
}

TEST(ModFXGator, PeriodFollowsTheTempo) {
    struct Case {
        const char* why;
        float tempo;
        int speed;
        double framesPerStep;
    };
    const Case cases[] = {
        {"entry 17 at 120 BPM: a 1/32 note a step", 120, 17, 44100 * 0.5 / 8},
        {"entry 20 at 90 BPM: a 1/64 note a step", 90, 20, 44100 * (60.0 / 90) / 16},
        {"entry 11 at 140 BPM: an eighth a step", 140, 11, 44100 * (60.0 / 140) / 2},
    };
    for (const Case& c : cases) {
        TFxControls controls = modeControls(TModFX::GATOR);
        controls.tempo = c.tempo;
        setStep(controls, tag::MOD_FX_1, c.speed, 33.99f);
        setParam(controls, tag::MOD_FX_2, 0.0f);
        setStep(controls, tag::MOD_FX_3, 15, 15.99f);
        setParam(controls, tag::MOD_FX_4, pattern(0x5555));
        setParam(controls, tag::MOD_FX_5, pattern(0xAAAA));
        ModRig rig(controls);
        const std::vector<stereoStruct> y = rig.run(constant(static_cast<size_t>(c.framesPerStep * 9), 1, 1));
        // Runs of open and closed frames between the changes of the left gate.
        std::vector<size_t> changes;
        for (size_t i = 1; i < y.size(); ++i) {
            ASSERT_NEAR(y[i].left + y[i].right, 1.0f, 0.02f) << c.why << ": the sides are each other's complement";
            if ((y[i].left > 0.5f) != (y[i - 1].left > 0.5f)) changes.push_back(i);
        }
        ASSERT_GE(changes.size(), 7u) << c.why;
        EXPECT_GT(y[0].left, 0.5f) << c.why << ": step 1 is open";
        for (size_t k = 1; k < changes.size(); ++k)
            EXPECT_NEAR(static_cast<double>(changes[k] - changes[k - 1]), c.framesPerStep, 1.5) << c.why;
        EXPECT_NEAR(static_cast<double>(changes[0]), c.framesPerStep, 2.5) << c.why;
    }
}

// The phase wraps at a multiple of every pattern length: the steps go on as
// if it had not, and the editor always reads the step the phase has reached.
TEST(ModFXGator, StepsContinueAcrossThePhaseWrap) {
    for (int steps : {1, 7, 13, 16}) {
        TFxControls controls = modeControls(TModFX::GATOR);
        setStep(controls, tag::MOD_FX_1, 33, 33.99f);
        setStep(controls, tag::MOD_FX_3, steps - 1, 15.99f);
        ModRig rig(controls);
        const double start = TGator::PHASE_WRAP - 5.25;
        rig.fx->gator().setPhaseForTest(start);
        const double increment = 120.0 / 15.0 / 44100.0 * 96.0;
        for (int n = 0; n < 1000; ++n) {
            rig.step(stereoStruct{1, 1});
            const long long unwrapped = static_cast<long long>(start + (n + 1) * increment);
            ASSERT_EQ(rig.fx->gator().getGaterPos(), static_cast<int>(unwrapped % steps)) << steps << " steps, frame " << n;
        }
        EXPECT_LT(rig.fx->gator().getPhase(), 20.0);
    }
}

TEST(ModFXLimiter, HoldsLoudFramesNearTheCeiling) {
    ModRig rig(modeControls(TModFX::FLANGER));
    // A frame below the ceiling passes unchanged while the envelope stays low.
    for (int i = 0; i < 10000; ++i) {
        const stereoStruct w = rig.fx->limit(stereoStruct{0.9f, -0.9f});
        ASSERT_EQ(w.left, 0.9f);
    }
    int firstLimited = -1;
    float loudest = 0;
    for (int i = 0; i < 40000; ++i) {
        const float v = 2.0f * static_cast<float>(std::sin(0.05 * i));
        const stereoStruct w = rig.fx->limit(stereoStruct{v, v});
        if (firstLimited < 0 && rig.fx->getLimiterEnv() >= TModFX::LIMITER_CEILING) firstLimited = i;
        if (i > 20000) loudest = std::max(loudest, std::fabs(w.left));
    }
    ASSERT_GE(firstLimited, 0);
    EXPECT_LT(firstLimited, 5000);
    // The envelope settles at the sine's mean magnitude, 4 / pi.
    EXPECT_NEAR(loudest, 2.0f * 1.2f / (4.0f / 3.14159265f), 0.05f);
}

}  // namespace
