#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/dsp/EngineTables.h"
#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/WaveTables.h"

namespace {

constexpr int kBlock = 4096;

// Average power spectrum of a signal over Hann-windowed 4096-point blocks
// with 50 % overlap.
std::vector<double> powerSpectrum(const std::vector<float>& signal) {
    auto transform = std::make_unique<TFourierTransform>();
    std::vector<double> power(kBlock / 2, 0.0);
    int blocks = 0;
    for (size_t start = 0; start + kBlock <= signal.size(); start += kBlock / 2) {
        for (int n = 0; n < kBlock; ++n) {
            const double window = 0.5 - 0.5 * std::cos(2.0 * M_PI * n / kBlock);
            transform->fftRealIn[n] = static_cast<float>(signal[start + n] * window);
            transform->fftImagIn[n] = 0.0f;
        }
        transform->fft(kBlock);
        for (int m = 0; m < kBlock / 2; ++m) {
            const double re = transform->fftRealOut[m];
            const double im = transform->fftImagOut[m];
            power[m] += re * re + im * im;
        }
        ++blocks;
    }
    for (double& p : power) p /= blocks;
    return power;
}

// Mean power per bin of the octave [low, 2 low) in dB.
double octaveLevel(const std::vector<double>& power, int low) {
    double sum = 0.0;
    for (int m = low; m < 2 * low; ++m) sum += power[m];
    return 10.0 * std::log10(sum / low);
}

std::vector<float> pinkSequence(int count) {
    TPinkNoise pink;
    TRandSeed seed;
    std::vector<float> out(count);
    for (float& x : out) x = pink.doPinkNoise(3, seed);
    return out;
}

TEST(PinkNoise, FallsAboutThreeDecibelsPerOctave) {
    const auto power = powerSpectrum(pinkSequence(1 << 21));
    // Octaves from 1/256 to 1/8 of the rate: the range the seven rows cover.
    // (Above it the two-call hold of every value rolls the spectrum off.)
    const int lows[] = {16, 32, 64, 128, 256};
    for (size_t k = 0; k + 1 < std::size(lows); ++k) {
        const double slope = octaveLevel(power, lows[k + 1]) - octaveLevel(power, lows[k]);
        EXPECT_NEAR(slope, -3.0, 1.5) << "octave starting at bin " << lows[k];
    }
    const double overall = (octaveLevel(power, lows[4]) - octaveLevel(power, lows[0])) / 4.0;
    EXPECT_NEAR(overall, -3.0, 0.75) << "mean slope per octave";
}

TEST(WhiteNoise, TableIsFlat) {
    auto tables = std::make_unique<TEngineTables>();
    buildWhiteNoiseTable(*tables);
    std::vector<float> signal(tables->whiteNoiseTable, tables->whiteNoiseTable + ENGINE_TABLE_SIZE);
    const auto power = powerSpectrum(signal);
    const double reference = octaveLevel(power, 16);
    for (int low = 32; low <= 1024; low *= 2) {
        EXPECT_NEAR(octaveLevel(power, low) - reference, 0.0, 1.0) << "octave starting at bin " << low;
    }
}

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
