// The four wave shapes as a host hears them: each has the harmonic series of
// its shape ("Saw" every harmonic at 1/h, "Square" the odd ones at 1/h,
// "Triangle" the odd ones at 1/h^2, "Sine" none), and a high note plays a
// band-limited table that stops at its band's harmonic count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "audio_measure.h"

namespace am = audiomeasure;

namespace {

struct Shape {
    const char* name;
    float waveMix;  // "Wave Mix": a third per shape
    bool evenHarmonics;
    double power;  // amplitude of harmonic h is 1 / h^power
};
constexpr Shape SHAPES[] = {
    {"saw", 1.0f / 3.0f, true, 1.0},
    {"square", 2.0f / 3.0f, false, 1.0},
    {"triangle", 1.0f, false, 2.0},
};

// Expected level of harmonic h against the fundamental, in dB, or a very low
// value for a harmonic the shape does not have. The mix averages the two
// sub-samples of each frame, a gentle low-pass of cos(pi f / 2 rate).
double expectedDb(const Shape& shape, int h, double hz, double rate) {
    if (!shape.evenHarmonics && h % 2 == 0) return -200.0;
    const auto average = [&](double f) { return std::cos(std::numbers::pi * f / (2.0 * rate)); };
    return 20.0 * std::log10(std::pow(h, -shape.power) * average(h * hz) / average(hz));
}

am::Samples heldWave(float waveMix, int note, double rate) {
    testhost::HostConfig config;
    config.sampleRate = rate;
    testhost::Host host(config);
    auto plugin = am::loadVoice(host, {{tag::SOURCE_MODE, am::stepValue(tag::SOURCE_MODE, am::SOURCE_WAVE)},
                                       {tag::WAVE_MIX, waveMix},
                                       {tag::MAIN_VOLUME, 0.6f}});
    if (!plugin) return {};
    return am::slice(am::holdNote(*plugin, note, 1.2), rate, 0.2, 1.2);
}

double levelDb(const am::Samples& x, double rate, double hz, int h) {
    return 20.0 * std::log10(std::max(am::toneAmplitude(x, rate, h * hz), 1e-12) / am::toneAmplitude(x, rate, hz));
}

}  // namespace

TEST(SourceShapes, EachShapeHasItsHarmonics) {
    const double rate = 48000;
    const int note = 57;  // 110 Hz: the plain, full shapes
    const double hz = am::noteHz(note);
    for (const Shape& shape : SHAPES) {
        SCOPED_TRACE(shape.name);
        const auto x = heldWave(shape.waveMix, note, rate);
        ASSERT_FALSE(x.empty());
        for (int h = 2; h <= 7; ++h) {
            const double expected = expectedDb(shape, h, hz, rate);
            if (expected < -100)
                EXPECT_LT(levelDb(x, rate, hz, h), -50.0) << "harmonic " << h;
            else
                EXPECT_NEAR(levelDb(x, rate, hz, h), expected, 0.5) << "harmonic " << h;
        }
    }
    SCOPED_TRACE("sine");
    const auto sine = heldWave(0.0f, note, rate);
    for (int h = 2; h <= 7; ++h) EXPECT_LT(levelDb(sine, rate, hz, h), -50.0) << "harmonic " << h;
}

// Note 93 reads band 17 of the tables, which holds 23 harmonics: they are
// all there, at the levels of the shape, and nothing above them is.
TEST(SourceShapes, HighNotesAreBandLimited) {
    const double rate = 96000;  // room above the last harmonic (23 x 880 Hz)
    const int note = 93;
    const double hz = am::noteHz(note);
    const int harmonics = 23;
    for (const Shape& shape : SHAPES) {
        SCOPED_TRACE(shape.name);
        const auto x = heldWave(shape.waveMix, note, rate);
        ASSERT_FALSE(x.empty());
        for (int h : {2, 3, 5, 11, 21, 23}) {
            const double expected = expectedDb(shape, h, hz, rate);
            if (expected < -100)
                EXPECT_LT(levelDb(x, rate, hz, h), -80.0) << "harmonic " << h;
            else
                EXPECT_NEAR(levelDb(x, rate, hz, h), expected, 0.3) << "harmonic " << h;
        }
        for (int h = harmonics + 1; h <= harmonics + 8; ++h) EXPECT_LT(levelDb(x, rate, hz, h), -80.0) << "harmonic " << h;
    }
}
