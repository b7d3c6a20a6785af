#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>

#include "engine/dsp/WaveTables.h"

namespace {

class WaveTablesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { buildWaveTables(); }
};

float levelOf(const float* table) {
    double sum = 0.0;
    for (int n = 0; n < WAVE_TABLE_SIZE; ++n) sum += std::fabs(table[n]);
    return static_cast<float>(sum);
}

// Amplitude of harmonic h of one cycle, by a direct DFT in double precision.
double harmonicAmplitude(const float* table, int h) {
    std::complex<double> sum = 0.0;
    for (int n = 0; n < WAVE_TABLE_SIZE; ++n) {
        const double angle = 2.0 * M_PI * h * n / WAVE_TABLE_SIZE;
        sum += static_cast<double>(table[n]) * std::complex<double>(std::cos(angle), -std::sin(angle));
    }
    return 2.0 * std::abs(sum) / WAVE_TABLE_SIZE;
}

double energyOf(const float* table) {
    double sum = 0.0;
    for (int n = 0; n < WAVE_TABLE_SIZE; ++n) sum += static_cast<double>(table[n]) * table[n];
    return sum;
}

TEST_F(WaveTablesTest, BandTable) {
    struct Case {
        int index;
        int band;
        const char* why;
    } cases[] = {
        {0, 0, "lowest notes play the plain shape"},
        {59, 0, "last plain entry"},
        {60, 1, "first band-limited entry"},
        {61, 1, "a band spans a whole tone"},
        {62, 2, "next whole tone"},
        {114, 28, "highest sub-oscillator entry in use"},
        {122, 32, ""},
        {123, 32, ""},
        {124, 33, "top band from 124"},
        {127, 33, "last entry"},
    };
    for (const auto& c : cases) EXPECT_EQ(waveBandTable[c.index], c.band) << "index " << c.index << " " << c.why;
    for (int i = 1; i < WAVE_BAND_TABLE_SIZE; ++i) {
        ASSERT_GE(waveBandTable[i], waveBandTable[i - 1]);
        ASSERT_LE(waveBandTable[i] - waveBandTable[i - 1], 1);
    }
    const int counts[] = {149, 133, 118, 105, 94, 83, 74, 66, 59, 52, 47, 41, 37, 33, 29, 26, 23,
                          20,  18,  16,  14,  13, 11, 10, 9,  8,  7,  6,  5,  5,  4,  4,  3};
    for (int b = 1; b < WAVE_BANDS; ++b) EXPECT_EQ(harmonicCount[b], counts[b - 1]) << "band " << b;
}

TEST_F(WaveTablesTest, PlainShapes) {
    struct Case {
        int shape;
        int index;
        float expected;
        float tolerance;
        const char* why;
    } cases[] = {
        {WAVE_SQUARE, 0, -1.0f, 0.0f, "square starts low"},
        {WAVE_SQUARE, 2047, -1.0f, 0.0f, "still low just before half"},
        {WAVE_SQUARE, 2048, 1.0f, 0.0f, "switches exactly at entry 2048"},
        {WAVE_SQUARE, 4095, 1.0f, 0.0f, "ends high"},
        {WAVE_TRIANGLE, 0, -1.0f, 0.0f, "triangle starts at its lowest"},
        {WAVE_TRIANGLE, 2048, 1.0f, 1e-3f, "peaks at half cycle"},
        {WAVE_SAW, 0, -1.0f, 0.0f, "saw starts at the bottom"},
        {WAVE_SAW, 4095, 1.0f, 1e-3f, "saw ends at the top"},
        {WAVE_SINE, 0, 0.0f, 0.0f, "sine starts at zero"},
        {WAVE_SINE, 1024, 1.0f, 1e-6f, "sine peaks at a quarter"},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(waveTables[c.shape][0][c.index], c.expected, c.tolerance)
            << "shape " << c.shape << " entry " << c.index << ": " << c.why;
    }
}

// Every band holds exactly its harmonics, at the amplitudes of the harmonic
// table relative to the fundamental, and nothing else; and every band has the
// level (sum of absolute values) of the plain shape.
TEST_F(WaveTablesTest, HarmonicContentAndLevelOfEveryBand) {
    for (int s = 0; s < WAVE_SHAPES; ++s) {
        const float reference = levelOf(waveTables[s][0]);
        for (int b = 1; b < WAVE_BANDS; ++b) {
            const float* table = waveTables[s][b];
            const int harmonics = harmonicCount[b];
            const double fundamental = harmonicAmplitude(table, 1);
            ASSERT_GT(fundamental, 0.1) << "shape " << s << " band " << b;
            double explained = 0.0;
            for (int h = 1; h <= harmonics; ++h) {
                const double amplitude = harmonicAmplitude(table, h);
                const double expected = ADDA_WAVE[s * WAVE_HARMONIC_ROW + h] / ADDA_WAVE[s * WAVE_HARMONIC_ROW + 1];
                EXPECT_NEAR(amplitude / fundamental, expected, 2e-4)
                    << "shape " << s << " band " << b << " harmonic " << h;
                explained += amplitude * amplitude * WAVE_TABLE_SIZE / 2.0;
            }
            // Parseval: what the listed harmonics do not explain is energy at other frequencies.
            const double stray = energyOf(table) - explained;
            EXPECT_LT(stray / energyOf(table), 1e-6) << "shape " << s << " band " << b << " has extra partials";
            EXPECT_NEAR(levelOf(table) / reference, 1.0, 1e-4) << "shape " << s << " band " << b << " level";
        }
    }
}

TEST_F(WaveTablesTest, ShapeOfEveryBand) {
    for (int b = 1; b < WAVE_BANDS; ++b) {
        for (int n = 0; n < WAVE_TABLE_SIZE; ++n) {
            ASSERT_NEAR(waveTables[WAVE_SINE][b][n], waveTables[WAVE_SINE][0][n], 1e-4f) << "sine band " << b << " " << n;
        }
        const float* saw = waveTables[WAVE_SAW][b];
        // The ramp is odd about entry 2047.5: it crosses zero between 2047 and 2048.
        // (With an even harmonic count the ramp is flat there, so signs alone would not tell.)
        for (int n = 0; n < 2048; ++n) {
            ASSERT_NEAR(saw[n], -saw[4095 - n], 1e-3f) << "saw band " << b << " entry " << n;
        }
        EXPECT_LT(saw[1024], -0.4f) << "saw band " << b << " rises through the cycle";
        EXPECT_GT(saw[3072], 0.4f) << "saw band " << b;
        EXPECT_GT(saw[4095], saw[0]) << "saw band " << b << " jumps down at the wrap";
        const float* square = waveTables[WAVE_SQUARE][b];
        for (int n = 0; n < WAVE_TABLE_SIZE; ++n) {
            ASSERT_EQ(square[n] > 0.0f, n >= 2048) << "square band " << b << " entry " << n;
        }
        const float* triangle = waveTables[WAVE_TRIANGLE][b];
        float lowest = triangle[0];
        float highest = triangle[2048];
        for (int n = 0; n < WAVE_TABLE_SIZE; ++n) {
            ASSERT_GE(triangle[n], lowest - 1e-6f) << "triangle band " << b << " lowest at entry 0";
            ASSERT_LE(triangle[n], highest + 1e-6f) << "triangle band " << b << " highest at entry 2048";
        }
    }
    // Top band: square and triangle carry harmonics 1 and 3, the saw 1, 2 and 3.
    EXPECT_GT(harmonicAmplitude(waveTables[WAVE_SAW][33], 2), 0.1);
    EXPECT_LT(harmonicAmplitude(waveTables[WAVE_SQUARE][33], 2), 1e-5);
    EXPECT_GT(harmonicAmplitude(waveTables[WAVE_SQUARE][33], 3), 0.1);
    EXPECT_LT(harmonicAmplitude(waveTables[WAVE_TRIANGLE][33], 2), 1e-5);
}

TEST(HarmonicData, RowsFollowTheirRules) {
    struct Case {
        int shape;
        int harmonic;
        float amplitude;
        float phase;
    } cases[] = {
        {WAVE_SINE, 1, 1.0f, 0.75f},         {WAVE_SINE, 2, 0.0f, 0.0f},
        {WAVE_SAW, 1, 1.0f, 0.24988f},       {WAVE_SAW, 2, 0.5f, 0.24976f},
        {WAVE_SAW, 3, 0.33333f, 0.24963f},   {WAVE_SAW, 255, 0.00392f, 0.21887f},
        {WAVE_SAW, 256, 0.0f, 0.21875f},     {WAVE_SQUARE, 3, 0.33333f, 0.24963f},
        {WAVE_SQUARE, 2, 0.0f, 0.5f},        {WAVE_TRIANGLE, 3, 0.11111f, 0.0f},
        {WAVE_TRIANGLE, 7, 0.02041f, 0.0f},  {WAVE_TRIANGLE, 4, 0.0f, 0.5f},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(ADDA_WAVE[c.shape * WAVE_HARMONIC_ROW + c.harmonic], c.amplitude, 1e-6f)
            << "shape " << c.shape << " harmonic " << c.harmonic;
        EXPECT_NEAR(ADDP_WAVE[c.shape * WAVE_HARMONIC_ROW + c.harmonic], c.phase, 1e-6f)
            << "shape " << c.shape << " harmonic " << c.harmonic;
    }
}

TEST(FourierTransform, BitHelpers) {
    struct Case {
        int n;
        int bits;
    } bitCases[] = {{4096, 12}, {2, 1}, {1, 0}, {0, 16}, {65536, 16}, {6, 1}};
    for (const auto& c : bitCases) EXPECT_EQ(TFourierTransform::numberOfBitsNeeded(c.n), c.bits) << c.n;
    struct Reverse {
        int index;
        int bits;
        int expected;
    } reverseCases[] = {{1, 12, 2048}, {6, 3, 3}, {0b1011, 4, 0b1101}, {5, 0, 0}, {5, -1, 0}};
    for (const auto& c : reverseCases) {
        EXPECT_EQ(TFourierTransform::reverseBits(c.index, c.bits), c.expected) << c.index << "/" << c.bits;
    }
}

TEST(FourierTransform, MatchesDirectTransformAndRefusesBadSizes) {
    auto transform = std::make_unique<TFourierTransform>();
    for (int n : {2, 8, 64, 4096}) {
        for (int k = 0; k < n; ++k) {
            transform->fftRealIn[k] = std::sin(0.37 * k) + 0.25f * static_cast<float>(k % 5);
            transform->fftImagIn[k] = std::cos(1.3 * k);
        }
        for (bool inverse : {false, true}) {
            ASSERT_TRUE(inverse ? transform->ifft(n) : transform->fft(n));
            const double sign = inverse ? -1.0 : 1.0;
            for (int m = 0; m < n; m += (n > 64 ? 97 : 1)) {
                std::complex<double> sum = 0.0;
                for (int k = 0; k < n; ++k) {
                    const double angle = sign * 2.0 * M_PI * k * m / n;
                    sum += std::complex<double>(transform->fftRealIn[k], transform->fftImagIn[k]) *
                           std::complex<double>(std::cos(angle), std::sin(angle));
                }
                EXPECT_NEAR(transform->fftRealOut[m], sum.real(), 2e-3 * std::sqrt(n)) << n << " bin " << m;
                EXPECT_NEAR(transform->fftImagOut[m], sum.imag(), 2e-3 * std::sqrt(n)) << n << " bin " << m;
            }
        }
    }
    transform->fftRealOut[0] = 42.0f;
    for (int bad : {0, 1, 3, 100, 8192, -4}) {
        EXPECT_FALSE(transform->fft(bad)) << bad;
    }
    EXPECT_EQ(transform->fftRealOut[0], 42.0f) << "a refused transform leaves the outputs alone";
}

TEST(BandLimitedWave, SilentBandInsteadOfNaN) {
    // A band scaled by a zero level sum must stay silent, not divide by zero.
    auto transform = std::make_unique<TFourierTransform>();
    float table[WAVE_TABLE_SIZE];
    buildBandLimitedWave(*transform, WAVE_SQUARE, 5, 0.0f, table);
    for (float x : table) ASSERT_EQ(x, 0.0f);
    buildBandLimitedWave(*transform, 7, 5, 1000.0f, table);  // no such shape
    for (float x : table) ASSERT_EQ(x, 0.0f);
    buildBandLimitedWave(*transform, WAVE_SAW, 34, 1000.0f, table);  // no such band
    for (float x : table) ASSERT_EQ(x, 0.0f);
}

}  // namespace
