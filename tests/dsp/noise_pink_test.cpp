// The pink generator's row refresh, range and bad voices; its spectrum is
// measured where a host hears it, in the engine's noise-source tests.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/dsp/PinkNoise.h"

namespace {

TEST(PinkNoise, GeneratorRules) {
    TPinkNoise pink;
    TRandSeed seed;
    EXPECT_EQ(pink.doPinkNoise(0, seed), -1.0f) << "first call of a fresh voice changes nothing";
    EXPECT_EQ(seed.RandSeed, 1u) << "odd calls draw no random value";

    // Even calls draw rows in order; count the draws per call over one 256-call cycle.
    struct Case {
        int call;
        int draws;
        const char* why;
    } cases[] = {
        {2, 1, "row 0 only"},
        {4, 2, "rows 0-1"},
        {8, 3, "rows 0-2"},
        {16, 6, "the 0x2F mask refreshes six rows at 16 mod 64"},
        {32, 5, "five rows at 32 mod 64"},
        {48, 4, "four rows at 48 mod 64"},
        {64, 7, "all seven rows"},
        {256, 8, "full recompute: seven rows and the extra term"},
    };
    TPinkNoise counted;
    TRandSeed countingSeed;
    int call = 0;
    for (const auto& c : cases) {
        int draws = 0;
        while (call < c.call) {
            TRandSeed before = countingSeed;
            counted.doPinkNoise(1, countingSeed);
            ++call;
            draws = 0;
            while (before.RandSeed != countingSeed.RandSeed) {
                before.step();
                ++draws;
            }
        }
        EXPECT_EQ(draws, c.draws) << "call " << c.call << ": " << c.why;
    }
}

TEST(PinkNoise, FullRecomputeAndRangeOverManyCalls) {
    TPinkNoise pink;
    TRandSeed seed;
    for (int v = 0; v < PINK_NOISE_VOICES; ++v) {
        for (int i = 0; i < 256; ++i) pink.doPinkNoise(v, seed);
        // After call 256 the sum is the rows plus one extra value in 0..0.25.
        float rows = 0.0f;
        for (int r = 0; r < PINK_NOISE_ROWS; ++r) rows += pink.row(v, r);
        const float sum = pink.doPinkNoise(v, seed) + 1.0f;  // call 257 is odd: unchanged
        EXPECT_GE(sum - rows, -1e-6f) << "voice " << v;
        EXPECT_LT(sum - rows, 0.25f + 1e-6f) << "voice " << v;
    }
    float lowest = 1.0f;
    float highest = -1.0f;
    for (int i = 0; i < 1000000; ++i) {
        // Note starts now and then must not push the output out of range.
        if (i % 997 == 0) pink.resetRow4(i % PINK_NOISE_VOICES);
        const float x = pink.doPinkNoise(i % PINK_NOISE_VOICES, seed);
        lowest = std::min(lowest, x);
        highest = std::max(highest, x);
    }
    EXPECT_GE(lowest, -1.0f);
    EXPECT_LE(highest, 1.0f);
    EXPECT_LT(lowest, -0.5f) << "the output should use its range";
    EXPECT_GT(highest, 0.5f);
}

TEST(PinkNoise, BadVoiceIndexIsRefusedWithoutTouchingState) {
    TPinkNoise pink;
    TRandSeed seed;
    for (int voice : {-1, 16, 1000}) {
        EXPECT_EQ(pink.doPinkNoise(voice, seed), 0.0f) << voice;
        pink.resetRow4(voice);
    }
    EXPECT_EQ(seed.RandSeed, 1u);
}

TEST(PinkNoise, ResetRow4ClearsTheRowAndItsShareOfTheSum) {
    TPinkNoise pink;
    TRandSeed seed;
    for (int i = 0; i < 16; ++i) pink.doPinkNoise(2, seed);  // call 16 refreshes rows 0-5
    ASSERT_GT(pink.row(2, 4), 0.0f);
    pink.resetRow4(2);
    EXPECT_EQ(pink.row(2, 4), 0.0f);
    // Before the first full recompute the sum is exactly the rows; call 17 is odd and changes nothing.
    float rows = 0.0f;
    for (int r = 0; r < PINK_NOISE_ROWS; ++r) rows += pink.row(2, r);
    EXPECT_NEAR(pink.doPinkNoise(2, seed) + 1.0f, rows, 1e-6f) << "the sum must drop the cleared row";
}

}  // namespace
