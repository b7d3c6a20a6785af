// Skipped pink frames must leave exactly what drawn ones leave: the same seed
// at once, and the same rows, sums and values once something reads them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/dsp/PinkNoise.h"

namespace {

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Which frames a pattern skips: frame f is skipped when the pattern says so.
struct SkipCase {
    const char* why;
    int frames;
    int (*skips)(int frame);  // 1: skip, 0: draw
    int startCounterCalls;     // single doPinkNoise calls first (odd: the odd counter)
};

const SkipCase SKIP_CASES[] = {
    {"every frame skipped past two whole refreshes", 400, [](int) { return 1; }, 0},
    {"skips broken by a drawn frame now and then", 600, [](int f) { return f % 37 == 0 ? 0 : 1; }, 0},
    {"drawn and skipped in turn", 300, [](int f) { return f & 1; }, 0},
    {"long skips with an odd counter", 500, [](int f) { return f % 200 < 190 ? 1 : 0; }, 1},
    {"a whole refresh right after a skip", 260, [](int f) { return f == 126 ? 1 : (f % 3 == 0 ? 1 : 0); }, 0},
};

}  // namespace

TEST(PinkNoiseSkip, SkippedFramesCatchUpExactly) {
    constexpr int voice = 7;
    for (const SkipCase& c : SKIP_CASES) {
        SCOPED_TRACE(c.why);
        auto drawn = std::make_unique<TPinkNoise>();
        auto skipping = std::make_unique<TPinkNoise>();
        TRandSeed drawnSeed;
        TRandSeed skippingSeed;
        for (int i = 0; i < c.startCounterCalls; ++i) {
            drawn->doPinkNoise(voice, drawnSeed);
            skipping->doPinkNoise(voice, skippingSeed);
        }
        for (int frame = 0; frame < c.frames; ++frame) {
            const TPinkNoise::TPair expected = drawn->doPinkNoisePair(voice, drawnSeed.RandSeed);
            if (c.skips(frame)) {
                skipping->skipPinkNoisePair(voice, skippingSeed.RandSeed);
            } else {
                const TPinkNoise::TPair got = skipping->doPinkNoisePair(voice, skippingSeed.RandSeed);
                ASSERT_TRUE(sameBits(expected.first(), got.first())) << "frame " << frame;
                ASSERT_TRUE(sameBits(expected.second(), got.second())) << "frame " << frame;
            }
            // The seed moves on at once, as other voices draw from it next.
            ASSERT_EQ(drawnSeed.RandSeed, skippingSeed.RandSeed) << "frame " << frame;
            ASSERT_EQ(drawn->counter(voice), skipping->counter(voice));
            // A reader sees the rows as if every frame had been drawn.
            if (frame % 11 == 0) {
                for (int row = 0; row < PINK_NOISE_ROWS; ++row) {
                    ASSERT_TRUE(sameBits(drawn->row(voice, row), skipping->row(voice, row)))
                        << "frame " << frame << " row " << row;
                }
            }
        }
        // A note start clears row 4 of the rows as they stand.
        drawn->resetRow4(voice);
        skipping->resetRow4(voice);
        for (int row = 0; row < PINK_NOISE_ROWS; ++row)
            EXPECT_TRUE(sameBits(drawn->row(voice, row), skipping->row(voice, row))) << "row " << row;
        const TPinkNoise::TPair expected = drawn->doPinkNoisePair(voice, drawnSeed.RandSeed);
        const TPinkNoise::TPair got = skipping->doPinkNoisePair(voice, skippingSeed.RandSeed);
        EXPECT_TRUE(sameBits(expected.first(), got.first()));
        EXPECT_TRUE(sameBits(expected.second(), got.second()));
        // The single-value call also sees the skipped frames.
        skipping->skipPinkNoisePair(voice, skippingSeed.RandSeed);
        drawn->doPinkNoisePair(voice, drawnSeed.RandSeed);
        EXPECT_TRUE(sameBits(drawn->doPinkNoise(voice, drawnSeed), skipping->doPinkNoise(voice, skippingSeed)));
        EXPECT_EQ(drawnSeed.RandSeed, skippingSeed.RandSeed);
    }
}

TEST(PinkNoiseSkip, OtherVoicesAreUntouched) {
    auto pink = std::make_unique<TPinkNoise>();
    TRandSeed seed;
    for (int frame = 0; frame < 50; ++frame) pink->doPinkNoisePair(2, seed.RandSeed);
    const float rowBefore = pink->row(2, 0);
    const uint32_t counterBefore = pink->counter(2);
    for (int frame = 0; frame < 50; ++frame) pink->skipPinkNoisePair(3, seed.RandSeed);
    EXPECT_TRUE(sameBits(rowBefore, pink->row(2, 0)));
    EXPECT_EQ(counterBefore, pink->counter(2));
    EXPECT_EQ(pink->counter(3), 100u);
}
