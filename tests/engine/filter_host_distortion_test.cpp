// The voice distortion as a host hears it on a 110 Hz sine: at amount 0
// every kind leaves the voice exactly as it is without distortion, and at
// full drive each kind adds the harmonics of its curve (odd ones for the
// symmetric curves, the second for the rectifying ones); and its state
// through resets and rate changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "audio_measure.h"
#include "engine/dsp/Distortion.h"
#include "engine_test_support.h"

namespace am = audiomeasure;

namespace {

constexpr double RATE = 48000;
constexpr int NOTE = 57;  // 110 Hz
constexpr double HZ = 110.0;

am::Samples distortedSine(int kind, float amount, bool postFilter = false) {
    testhost::HostConfig config;
    config.sampleRate = RATE;
    testhost::Host host(config);
    auto plugin = am::loadVoice(host, {{tag::SOURCE_MODE, am::stepValue(tag::SOURCE_MODE, am::SOURCE_WAVE)},
                                       {tag::WAVE_MIX, 0.0f},
                                       {tag::MAIN_VOLUME, 0.6f},  // below the output clamp at any drive
                                       {tag::FILTER_DISTORTION_MODE, am::stepValue(tag::FILTER_DISTORTION_MODE, kind)},
                                       {tag::FILTER_DISTORTION_AMOUNT, amount},
                                       {tag::PRE_POST_FILTER_DISTORTION, postFilter ? 1.0f : 0.0f}});
    if (!plugin) return {};
    return am::holdNote(*plugin, NOTE, 1.2);
}

// Level of harmonic n relative to the fundamental, in dB.
double harmonic(const am::Samples& steady, int n) {
    return 20.0 * std::log10(std::max(am::toneAmplitude(steady, RATE, n * HZ), 1e-12) /
                             std::max(am::toneAmplitude(steady, RATE, HZ), 1e-12));
}

}  // namespace

TEST(DistortionHost, AmountZeroLeavesTheSineUntouched) {
    const auto clean = distortedSine(0, 0.0f);
    ASSERT_FALSE(clean.empty());
    const auto steady = am::slice(clean, RATE, 0.2, 1.2);
    ASSERT_GT(am::toneAmplitude(steady, RATE, HZ), 0.05);
    // The clean sine itself: no harmonic above -60 dB.
    for (int n = 2; n <= 5; ++n) EXPECT_LT(harmonic(steady, n), -60.0) << "harmonic " << n;

    for (int kind = 1; kind <= 15; ++kind) {
        for (bool post : {false, true}) {
            SCOPED_TRACE("kind " + std::to_string(kind) + (post ? " after the filter" : " before the filter"));
            const auto x = distortedSine(kind, 0.0f, post);
            ASSERT_EQ(x.size(), clean.size());
            float worst = 0;
            for (std::size_t i = 0; i < x.size(); ++i) worst = std::max(worst, std::fabs(x[i] - clean[i]));
            EXPECT_LT(worst, 1e-6f);
        }
    }
}

TEST(DistortionHost, FullDriveAddsTheHarmonicsOfItsCurve) {
    struct Case {
        int kind;
        const char* name;
        int strong;        // the harmonic that must appear
        double atLeastDb;  // its level relative to the fundamental
        int absent;        // a harmonic the curve's symmetry rules out
    } cases[] = {
        {1, "Atan: near a square", 3, -15, 2},
        {3, "Cos", 3, -20, 2},
        {5, "Fold", 3, -20, 2},
        {6, "Limit: clipped", 3, -20, 2},
        {9, "Over", 3, -20, 2},
        {10, "Power", 3, -20, 2},
        {13, "Saturate", 3, -20, 2},
        {14, "Square", 3, -15, 2},
        {15, "Valve", 3, -20, 2},
        {8, "Octave: the pitch doubles", 2, 20, 3},
        {12, "Rectify: full wave, the energy moves to the second harmonic", 2, 20, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto x = distortedSine(c.kind, 1.0f);
        ASSERT_FALSE(x.empty());
        const auto steady = am::slice(x, RATE, 0.2, 1.2);
        EXPECT_TRUE(testhost::measure({steady, steady}).finite);
        EXPECT_GT(harmonic(steady, c.strong), c.atLeastDb) << "harmonic " << c.strong;
        EXPECT_LT(harmonic(steady, c.absent), -50.0) << "harmonic " << c.absent;
    }
}

// The drives, the Rate holds, the DC blockers and the Square signs live as
// long as the plug-in: a reset (every program's application) leaves them as
// they were and a rate change moves only the blocker's coefficient, so a copy
// taken before either goes on exactly as the engine's own.
TEST(DistortionHost, ResetsAndRateChangesKeepItsState) {
    for (const float rate : {48000.0f, 44100.0f}) {
        auto plugin = std::make_unique<enginetest::EnginePlugin>(48000.0f);
        plugin->setStep(tag::SOURCE_MODE, am::SOURCE_WAVE);
        plugin->setStep(tag::FILTER_DISTORTION_MODE, TDistortion::RATE);
        plugin->setParameter(tag::FILTER_DISTORTION_AMOUNT, 0.6f);
        plugin->setParameter(tag::MOVEMENT_LOOP, 1.0f);
        plugin->noteOn(NOTE);
        plugin->render(4801);
        // Square next, so that its signs are set as well as the Rate holds.
        plugin->setStep(tag::FILTER_DISTORTION_MODE, TDistortion::SQUARE);
        plugin->render(4801);
        TDistortion kept = TEngineTestAccess::units(*plugin).distortion;
        kept.setSampleRate(rate);
        plugin->requestReset();
        plugin->setSampleRate(rate);  // the reset (and the rate) at a block start
        TDistortion engines = TEngineTestAccess::units(*plugin).distortion;
        stereoOverStruct a[16], b[16];
        const bool on[16] = {true}, started[16] = {};
        const float modulation[16] = {};
        TRandSeed seedA, seedB;
        for (int kind : {TDistortion::RATE, TDistortion::SQUARE}) {
            kept.setType(kind);
            engines.setType(kind);
            for (int frame = 0; frame < 8; ++frame) {
                for (int lane = 0; lane < 4; ++lane) a[0].lane[lane] = b[0].lane[lane] = 0.0005f * (lane - 1.5f);
                kept.process(a, on, started, 0.6f, modulation, seedA);
                engines.process(b, on, started, 0.6f, modulation, seedB);
                for (int lane = 0; lane < 4; ++lane) ASSERT_EQ(a[0].lane[lane], b[0].lane[lane]) << rate << " Hz, kind " << kind;
            }
        }
    }
}
