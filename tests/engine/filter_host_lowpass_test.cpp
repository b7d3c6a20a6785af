// The voice filter as a host hears it: white noise through the "24dB Zero
// Delay LowPass" against the same noise unfiltered. The filter is two
// zero-delay state-variable sections at twice the host rate, so its response
// is known exactly: per section 1 / ((1 - W^2)^2 + (2 R W)^2) in power, with
// W = tan(pi f / 2r) / tan(pi fc / 2r) and R = 0.5 x 2^(-3 x 0.995 x 0.95 q).
// The mix averages the two sub-samples, which folds the frequency r - f onto
// f with weights cos^2 and sin^2 of pi f / 2r.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "audio_measure.h"

namespace am = audiomeasure;

namespace {

constexpr int ZERO_DELAY_LOWPASS_24 = 19;

double sectionPower(double hz, double cutoffHz, double r, double rate) {
    const double w = std::tan(std::numbers::pi * hz / (2 * rate)) / std::tan(std::numbers::pi * cutoffHz / (2 * rate));
    const double a = 1 - w * w, b = 2 * r * w;
    return 1.0 / (a * a + b * b);
}

// Power gain heard at hz: both sections, and the image folded down by the mix.
double expectedGain(double hz, double cutoffHz, double q, double rate) {
    const double r = 0.5 * std::exp2(-3.0 * 0.995 * 0.95 * q);
    const auto both = [&](double f) { return std::pow(sectionPower(f, cutoffHz, r, rate), 2.0); };
    const double fold = std::cos(std::numbers::pi * hz / (2 * rate));
    return fold * fold * both(hz) + (1 - fold * fold) * both(rate - hz);
}

// "Filter Frequency" x puts the cutoff at 20 x 2^(10x) Hz.
float frequencyValue(double hz) { return static_cast<float>(std::log2(hz / 20.0) / 10.0); }

am::Spectrum heldWhiteNoise(double rate, int filterMode, double cutoffHz, float q, float& peak) {
    testhost::HostConfig config;
    config.sampleRate = rate;
    testhost::Host host(config);
    auto plugin = am::loadVoice(host, {{am::tag::SOURCE_MODE, am::stepValue(am::tag::SOURCE_MODE, am::SOURCE_NOISE)},
                                       {am::tag::NOISE_MIX, 1.0f},
                                       {am::tag::MAIN_VOLUME, 0.6f},  // headroom for the resonance
                                       {am::tag::FILTER_MODE, am::stepValue(am::tag::FILTER_MODE, filterMode)},
                                       {am::tag::FILTER_FREQUENCY, frequencyValue(cutoffHz)},
                                       {am::tag::FILTER_Q, q}});
    if (!plugin) return {};
    const auto x = am::slice(am::holdNote(*plugin, 57, 4.2), rate, 0.2, 4.2);
    peak = testhost::measure({x, x}).peak;
    return am::averagedSpectrum(x, rate, 8192);
}

// Mean of the expected power gain over the bins of a band, in dB.
double expectedBand(const am::Spectrum& s, double low, double high, double cutoffHz, double q, double rate) {
    double sum = 0;
    int bins = 0;
    for (std::size_t k = 0; k < s.power.size(); ++k) {
        const double hz = static_cast<double>(k) * s.binHz;
        if (hz >= low && hz < high) {
            sum += expectedGain(hz, cutoffHz, q, rate);
            ++bins;
        }
    }
    return am::decibels(sum / bins);
}

}  // namespace

TEST(FilterHost, LowPassSlopeAndResonanceOnWhiteNoise) {
    struct Case {
        const char* why;
        double rate, cutoffHz;
        float q;
    } cases[] = {
        {"no resonance, 1 kHz at 48 kHz", 48000, 1000, 0.0f},
        {"no resonance, 3 kHz at 44.1 kHz", 44100, 3000, 0.0f},
        {"resonance 0.6: a peak of about 20 dB, 1 kHz at 48 kHz", 48000, 1000, 0.6f},
        {"resonance 0.6, 500 Hz at 96 kHz", 96000, 500, 0.6f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        float peak = 0, filteredPeak = 0;
        const auto reference = heldWhiteNoise(c.rate, 0, c.cutoffHz, c.q, peak);
        const auto filtered = heldWhiteNoise(c.rate, ZERO_DELAY_LOWPASS_24, c.cutoffHz, c.q, filteredPeak);
        ASSERT_FALSE(reference.power.empty());
        ASSERT_FALSE(filtered.power.empty());
        // Nothing clipped at the output clamp, or the spectrum would lie.
        ASSERT_LT(peak, 0.95f);
        ASSERT_LT(filteredPeak, 0.95f);

        // Bands from well below the cutoff into the stop band, where the
        // slope approaches 24 dB an octave.
        const double fc = c.cutoffHz;
        const double bands[][2] = {{fc / 8, fc / 4}, {fc / 2, fc * 0.7}, {fc * 0.9, fc * 1.1},
                                   {fc * 1.5, fc * 2}, {fc * 2, fc * 2.5}, {fc * 4, fc * 5}};
        for (const auto& band : bands) {
            const double measured = am::decibels(am::bandPower(filtered, band[0], band[1]) / am::bandPower(reference, band[0], band[1]));
            const double expected = expectedBand(filtered, band[0], band[1], fc, c.q, c.rate);
            EXPECT_NEAR(measured, expected, expected < -30 ? 1.5 : 1.0) << band[0] << " to " << band[1] << " Hz";
        }

        // The resonance peaks where the response says (just below the
        // cutoff), measured on the ratio smoothed over five bins.
        if (c.q > 0) {
            double bestHz = 0, bestRatio = 0, expectedPeakHz = 0, expectedPeak = 0;
            for (std::size_t k = 2; k + 2 < filtered.power.size(); ++k) {
                const double hz = static_cast<double>(k) * filtered.binHz;
                if (hz < fc / 2 || hz > fc * 2) continue;
                double f = 0, r = 0;
                for (std::size_t j = k - 2; j <= k + 2; ++j) {
                    f += filtered.power[j];
                    r += reference.power[j];
                }
                if (f / r > bestRatio) {
                    bestRatio = f / r;
                    bestHz = hz;
                }
            }
            for (double hz = fc / 2; hz < fc * 2; hz *= 1.0005)
                if (expectedGain(hz, fc, c.q, c.rate) > expectedPeak) {
                    expectedPeak = expectedGain(hz, fc, c.q, c.rate);
                    expectedPeakHz = hz;
                }
            EXPECT_NEAR(bestHz / expectedPeakHz, 1.0, 0.03) << bestHz << " Hz";
            EXPECT_GT(am::decibels(expectedPeak), 15.0);
            EXPECT_NEAR(am::decibels(bestRatio), am::decibels(expectedPeak), 2.0);
        }
    }
}
