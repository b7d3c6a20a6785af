// The voice filter as a host hears it: white noise through the zero-delay
// state-variable types against the same noise unfiltered. Each type is one
// such section ("12dB Zero Delay ...") or two in series ("24dB Zero
// Delay ..."), run at twice the host rate, so its response is known exactly:
// the analog prototype on the warped axis W = tan(pi f / 2r) / tan(pi fc / 2r).
// The mix averages the two sub-samples, which folds the frequency r - f onto
// f with weights cos^2 and sin^2 of pi f / 2r.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <numbers>
#include <string>

#include "audio_measure.h"

namespace am = audiomeasure;

namespace {

// Zero-delay types: 7..10 one section, 19..22 two.
constexpr int ZERO_DELAY_LOWPASS_12 = 7, ZERO_DELAY_HIGHPASS_12 = 8, ZERO_DELAY_BANDPASS_12 = 9, ZERO_DELAY_NOTCH_12 = 10,
              ZERO_DELAY_LOWPASS_24 = 19, ZERO_DELAY_HIGHPASS_24 = 20, ZERO_DELAY_BANDPASS_24 = 21;

// Response of a type at hz, W being the frequency over the cutoff on the
// warped axis of the doubled rate and D = 1 - W^2 + 2jRW the denominator of
// one section. One-section types read R from the damping table,
// 0.5 x 2^(-5 x 0.995 x 0.95 q); two-section types use 0.5 x 2^(-3 x 0.995 x 0.95 q).
// The band-pass doubles its band once: in the pair, only at the second section.
std::complex<double> response(int type, double hz, double cutoffHz, double q, double rate) {
    const double w = std::tan(std::numbers::pi * hz / (2 * rate)) / std::tan(std::numbers::pi * cutoffHz / (2 * rate));
    const bool pair = type >= ZERO_DELAY_LOWPASS_24;
    const double r = 0.5 * std::exp2(-(pair ? 3.0 : 5.0) * 0.995 * 0.95 * q);
    const std::complex<double> d(1 - w * w, 2 * r * w), jw(0, w);
    const std::complex<double> low = 1.0 / d, high = -w * w / d, band = jw / d;
    switch (type) {
    case ZERO_DELAY_LOWPASS_12: return low;
    case ZERO_DELAY_HIGHPASS_12: return high;
    case ZERO_DELAY_BANDPASS_12: return 2.0 * band;
    case ZERO_DELAY_NOTCH_12: return low + high;
    case ZERO_DELAY_LOWPASS_24: return low * low;
    case ZERO_DELAY_HIGHPASS_24: return high * high;
    case ZERO_DELAY_BANDPASS_24: return band * 2.0 * band;
    default: return 1.0;
    }
}

// Power gain heard at hz, with the image folded down by the mix.
double expectedGain(int type, double hz, double cutoffHz, double q, double rate) {
    const double fold = std::cos(std::numbers::pi * hz / (2 * rate));
    return fold * fold * std::norm(response(type, hz, cutoffHz, q, rate)) +
           (1 - fold * fold) * std::norm(response(type, rate - hz, cutoffHz, q, rate));
}

// "Filter Frequency" x puts the cutoff at 20 x 2^(10x) Hz.
float frequencyValue(double hz) { return static_cast<float>(std::log2(hz / 20.0) / 10.0); }

am::Spectrum heldWhiteNoise(double rate, int filterMode, double cutoffHz, float q, float& peak) {
    testhost::HostConfig config;
    config.sampleRate = rate;
    testhost::Host host(config);
    auto plugin = am::loadVoice(host, {{tag::SOURCE_MODE, am::stepValue(tag::SOURCE_MODE, am::SOURCE_NOISE)},
                                       {tag::NOISE_MIX, 1.0f},
                                       {tag::MAIN_VOLUME, 0.6f},  // headroom for the resonance
                                       {tag::FILTER_MODE, am::stepValue(tag::FILTER_MODE, filterMode)},
                                       {tag::FILTER_FREQUENCY, frequencyValue(cutoffHz)},
                                       {tag::FILTER_Q_AMOUNT, q}});
    if (!plugin) return {};
    const auto x = am::slice(am::holdNote(*plugin, 57, 4.2), rate, 0.2, 4.2);
    peak = testhost::measure({x, x}).peak;
    return am::averagedSpectrum(x, rate, 8192);
}

// Mean of the expected power gain over the bins of a band, in dB.
double expectedBand(const am::Spectrum& s, int type, double low, double high, double cutoffHz, double q, double rate) {
    double sum = 0;
    int bins = 0;
    for (std::size_t k = 0; k < s.power.size(); ++k) {
        const double hz = static_cast<double>(k) * s.binHz;
        if (hz >= low && hz < high) {
            sum += expectedGain(type, hz, cutoffHz, q, rate);
            ++bins;
        }
    }
    return am::decibels(sum / bins);
}

}  // namespace

TEST(FilterHost, ZeroDelayTypesOnWhiteNoise) {
    struct Case {
        const char* why;
        int type;
        double rate, cutoffHz;
        float q;
    } cases[] = {
        {"24 dB low-pass, 1 kHz at 48 kHz", ZERO_DELAY_LOWPASS_24, 48000, 1000, 0.0f},
        {"24 dB low-pass, 3 kHz at 44.1 kHz", ZERO_DELAY_LOWPASS_24, 44100, 3000, 0.0f},
        {"24 dB low-pass with resonance 0.6: a peak of about 20 dB", ZERO_DELAY_LOWPASS_24, 48000, 1000, 0.6f},
        {"24 dB low-pass with resonance 0.6, 500 Hz at 96 kHz", ZERO_DELAY_LOWPASS_24, 96000, 500, 0.6f},
        {"24 dB high-pass with resonance 0.3, 2 kHz", ZERO_DELAY_HIGHPASS_24, 48000, 2000, 0.3f},
        {"24 dB band-pass, resonance 0.5", ZERO_DELAY_BANDPASS_24, 48000, 1000, 0.5f},
        {"12 dB low-pass", ZERO_DELAY_LOWPASS_12, 48000, 1000, 0.0f},
        {"12 dB high-pass with resonance 0.5", ZERO_DELAY_HIGHPASS_12, 44100, 1000, 0.5f},
        {"12 dB band-pass with resonance 0.4", ZERO_DELAY_BANDPASS_12, 44100, 2000, 0.4f},
        {"12 dB notch at 96 kHz", ZERO_DELAY_NOTCH_12, 96000, 1000, 0.0f},
    };
    // The same noise unfiltered, once per rate.
    std::map<double, am::Spectrum> references;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        if (!references.count(c.rate)) {
            float peak = 0;
            references[c.rate] = heldWhiteNoise(c.rate, 0, 1000, 0.0f, peak);
            ASSERT_FALSE(references[c.rate].power.empty());
            ASSERT_LT(peak, 0.95f);
        }
        const am::Spectrum& reference = references[c.rate];
        float filteredPeak = 0;
        const auto filtered = heldWhiteNoise(c.rate, c.type, c.cutoffHz, c.q, filteredPeak);
        ASSERT_FALSE(filtered.power.empty());
        // Nothing clipped at the output clamp, or the spectrum would lie.
        ASSERT_LT(filteredPeak, 0.95f);

        // Bands from three octaves below the cutoff to two above; where the
        // response is 60 dB down only its depth is checked.
        const double fc = c.cutoffHz;
        const double bands[][2] = {{fc / 8, fc / 4}, {fc / 2, fc * 0.7}, {fc * 0.9, fc * 1.1},
                                   {fc * 1.5, fc * 2}, {fc * 2, fc * 2.5}, {fc * 4, fc * 5}};
        for (const auto& band : bands) {
            const double measured = am::decibels(am::bandPower(filtered, band[0], band[1]) / am::bandPower(reference, band[0], band[1]));
            const double expected = expectedBand(filtered, c.type, band[0], band[1], fc, c.q, c.rate);
            if (expected < -60)
                EXPECT_LT(measured, -55.0) << band[0] << " to " << band[1] << " Hz";
            else
                EXPECT_NEAR(measured, expected, expected < -30 ? 1.5 : 1.0) << band[0] << " to " << band[1] << " Hz";
        }

        // A resonant low-pass peaks where the response says (just below the
        // cutoff), measured on the ratio smoothed over five bins.
        if (c.type == ZERO_DELAY_LOWPASS_24 && c.q > 0) {
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
                if (expectedGain(c.type, hz, fc, c.q, c.rate) > expectedPeak) {
                    expectedPeak = expectedGain(c.type, hz, fc, c.q, c.rate);
                    expectedPeakHz = hz;
                }
            EXPECT_NEAR(bestHz / expectedPeakHz, 1.0, 0.03) << bestHz << " Hz";
            EXPECT_GT(am::decibels(expectedPeak), 15.0);
            EXPECT_NEAR(am::decibels(bestRatio), am::decibels(expectedPeak), 2.0);
        }
    }
}
