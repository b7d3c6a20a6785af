// TLowFi on its own: the hold period, the quantisation levels and the noise.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fx_test_support.h"

using namespace fxtest;

namespace {

// A Low-Fi at 44.1 kHz taking its settings, with its own random seed.
struct LowFiRig {
    TLowFi lowFi;
    TRandSeed seed;
    LowFiRig(float rate, float bits, float rateModulation = 0, float bitsModulation = 0, float noise = 0) {
        engineTables();
        TFxControls c = defaultControls();
        setParam(c, tag::LOW_FI_SAMPLE_RATE, rate);
        setParam(c, tag::LOW_FI_BITS, bits);
        setMod(c, destination::LOWFI_SAMPLE_RATE, rateModulation);
        setMod(c, destination::LOWFI_BITS, bitsModulation);
        setMod(c, destination::LOWFI_NOISE_AMOUNT, noise);
        lowFi.init(44100);
        lowFi.setControls(c);
    }
    stereoStruct step(float x) { return lowFi.process(stereoStruct{x, x}, seed); }
};

TEST(LowFi, HoldPeriod) {
    struct Case {
        const char* why;
        float rate;
        std::vector<int> sampledFrames;  // the frames (from 1) whose input is taken
    };
    const Case cases[] = {
        {"rate 0 takes every frame from the second on", 0.0f, {2, 3, 4, 5, 6, 7, 8, 9}},
        {"rate 0.4 holds 4 frames: the counter must pass 4", 0.4f, {5, 9}},
        {"rate 1 holds 32 frames", 1.0f, {}},
        {"a negative modulated rate holds 1 frame", -0.3f, {2, 3, 4, 5, 6, 7, 8, 9}},
    };
    for (const Case& c : cases) {
        LowFiRig rig(c.rate < 0 ? 0.0f : c.rate, 0.0f, c.rate < 0 ? c.rate : 0.0f);
        // Frame n carries n / 1000, so the output tells which frame was held.
        std::vector<int> sampled;
        int held = 0;
        for (int frame = 1; frame <= 9; ++frame) {
            const stereoStruct y = rig.step(static_cast<float>(frame) / 1000.0f);
            const int now = static_cast<int>(y.left * 1000.0f + 0.5f);
            if (now != held) sampled.push_back(now);
            held = now;
        }
        EXPECT_EQ(sampled, c.sampledFrames) << c.why;
    }
}

TEST(LowFi, QuantisationLevels) {
    struct Case {
        const char* why;
        float bits, modulation, input, expected;
    };
    const Case cases[] = {
        {"bits 1: steps of 1 / 1.414", 1.0f, 0, 0.9f, 0.70711f},
        {"bits 1: below a step is silence", 1.0f, 0, 0.6f, 0.0f},
        {"bits 1: the sign stays", 1.0f, 0, -1.5f, -1.41421f},
        {"bits 0.5: 2^8.5 levels", 0.5f, 0, 0.3f, 108.0f / 362.0387f},
        {"bits 0: 92,682 levels pass nearly everything", 0.0f, 0, 0.3f, 27804.0f / 92681.9f},
        {"modulation adds to the bits", 0.5f, 0.5f, 0.9f, 0.70711f},
    };
    for (const Case& c : cases) {
        LowFiRig rig(0.0f, c.bits, 0.0f, c.modulation);
        stereoStruct y;
        for (int i = 0; i < 3; ++i) y = rig.step(c.input);
        EXPECT_NEAR(y.left, c.expected, 2e-5f) << c.why;
        EXPECT_NEAR(y.right, c.expected, 2e-5f) << c.why;
    }
}

// Noise amount 1 scales every frame by a fresh factor 0..1 per channel.
TEST(LowFi, NoiseScalesEachFrame) {
    LowFiRig rig(0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    float low = 1, high = 0, sum = 0;
    int different = 0;
    for (int i = 0; i < 20000; ++i) {
        const stereoStruct y = rig.step(0.5f);
        if (i == 0) continue;
        low = std::min(low, y.left);
        high = std::max(high, y.left);
        sum += y.left;
        if (y.left != y.right) ++different;
    }
    EXPECT_LT(low, 0.01f);
    EXPECT_GT(high, 0.49f);
    EXPECT_LE(high, 0.5f);
    EXPECT_NEAR(sum / 19999, 0.25f, 0.01f);
    EXPECT_GT(different, 19000);
}

}  // namespace
