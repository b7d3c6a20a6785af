// Measuring rendered audio: the pitch of a tone by its spectral peak, the
// level of chosen harmonics, band energies of noise from an averaged
// spectrum, and the period of a repeating signal by autocorrelation. Plus a
// voice loaded through the test host as a host loads the plug-in, with the
// default program and a clean signal path, for the audio tests to build on.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "engine/dsp/ParameterTags.h"
#include "plugin/uPlugin.h"
#include "tools/testhost/TestHost.h"

namespace audiomeasure {

using Samples = std::vector<float>;

// In-place radix-2 transform; the size must be a power of two.
inline void fft(std::vector<std::complex<double>>& data) {
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(data[i], data[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        for (std::size_t start = 0; start < n; start += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
                const std::complex<double> a = data[start + k], b = data[start + k + len / 2] * w;
                data[start + k] = a + b;
                data[start + k + len / 2] = a - b;
            }
        }
    }
}

inline std::size_t nextPowerOfTwo(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

// Four-term Blackman-Harris: sidelobes below -92 dB, so a loud partial does
// not lift the measurement of a quiet one an octave away.
inline std::vector<double> blackmanHarris(std::size_t n) {
    std::vector<double> w(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n - 1);
        w[i] = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
    }
    return w;
}

inline Samples slice(const Samples& x, double rate, double fromSeconds, double toSeconds) {
    const auto first = static_cast<std::size_t>(std::clamp(fromSeconds * rate, 0.0, static_cast<double>(x.size())));
    const auto last = static_cast<std::size_t>(std::clamp(toSeconds * rate, 0.0, static_cast<double>(x.size())));
    return Samples(x.begin() + static_cast<std::ptrdiff_t>(first), x.begin() + static_cast<std::ptrdiff_t>(std::max(first, last)));
}

// Amplitude of the partial at `hz`: the windowed transform evaluated at that
// exact frequency, scaled so that a sine of amplitude A reads A.
inline double toneAmplitude(const Samples& x, double rate, double hz) {
    if (x.size() < 2) return 0.0;
    const std::vector<double> w = blackmanHarris(x.size());
    std::complex<double> sum = 0, turn = 1;
    const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi * hz / rate);
    double weights = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sum += w[i] * static_cast<double>(x[i]) * turn;
        turn *= step;
        if ((i & 1023) == 1023) turn /= std::abs(turn);  // keep the rotation on the unit circle
        weights += w[i];
    }
    return 2.0 * std::abs(sum) / weights;
}

// Frequency of the strongest partial between lowHz and highHz: the largest
// bin of a zero-padded transform, then the maximum of the windowed transform
// found by golden-section search within a bin either side. On a steady tone
// of a second this is exact to far below a cent.
inline double peakFrequency(const Samples& x, double rate, double lowHz, double highHz) {
    if (x.size() < 16) return 0.0;
    const std::vector<double> w = blackmanHarris(x.size());
    const std::size_t n = nextPowerOfTwo(x.size()) * 2;
    std::vector<std::complex<double>> data(n);
    for (std::size_t i = 0; i < x.size(); ++i) data[i] = w[i] * static_cast<double>(x[i]);
    fft(data);
    const double binHz = rate / static_cast<double>(n);
    const auto first = static_cast<std::size_t>(std::max(1.0, std::ceil(lowHz / binHz)));
    const auto last = static_cast<std::size_t>(std::min(static_cast<double>(n / 2 - 1), std::floor(highHz / binHz)));
    if (first > last) return 0.0;
    std::size_t best = first;
    for (std::size_t k = first; k <= last; ++k)
        if (std::norm(data[k]) > std::norm(data[best])) best = k;
    double a = (static_cast<double>(best) - 1.0) * binHz, b = (static_cast<double>(best) + 1.0) * binHz;
    const double golden = (std::sqrt(5.0) - 1.0) / 2.0;
    double c = b - golden * (b - a), d = a + golden * (b - a);
    double fc = toneAmplitude(x, rate, c), fd = toneAmplitude(x, rate, d);
    while (b - a > 1e-6 * (a + b)) {
        if (fc > fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - golden * (b - a);
            fc = toneAmplitude(x, rate, c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + golden * (b - a);
            fd = toneAmplitude(x, rate, d);
        }
    }
    return (a + b) / 2.0;
}

inline double cents(double measured, double expected) { return 1200.0 * std::log2(measured / expected); }

// Averaged power spectrum (Hann windows overlapping by half), one value per
// bin of `segment` points; power[k] belongs to k * rate / segment Hz.
struct Spectrum {
    std::vector<double> power;
    double binHz = 0;
};

inline Spectrum averagedSpectrum(const Samples& x, double rate, std::size_t segment = 8192) {
    Spectrum result;
    result.binHz = rate / static_cast<double>(segment);
    result.power.assign(segment / 2 + 1, 0.0);
    std::vector<double> w(segment);
    for (std::size_t i = 0; i < segment; ++i)
        w[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(segment));
    int count = 0;
    std::vector<std::complex<double>> data(segment);
    for (std::size_t start = 0; start + segment <= x.size(); start += segment / 2) {
        for (std::size_t i = 0; i < segment; ++i) data[i] = w[i] * static_cast<double>(x[start + i]);
        fft(data);
        for (std::size_t k = 0; k < result.power.size(); ++k) result.power[k] += std::norm(data[k]);
        ++count;
    }
    if (count > 0)
        for (double& p : result.power) p /= count;
    return result;
}

// Mean power per bin over [lowHz, highHz).
inline double bandPower(const Spectrum& s, double lowHz, double highHz) {
    double sum = 0;
    int bins = 0;
    for (std::size_t k = 0; k < s.power.size(); ++k) {
        const double hz = static_cast<double>(k) * s.binHz;
        if (hz >= lowHz && hz < highHz) {
            sum += s.power[k];
            ++bins;
        }
    }
    return bins > 0 ? sum / bins : 0.0;
}

inline double decibels(double powerRatio) { return 10.0 * std::log10(std::max(powerRatio, 1e-30)); }

// Centre of a resonant band in an averaged spectrum: a parabola fitted to
// the log power against log frequency within halfWidth (natural-log units)
// of the centre, re-centred until it settles. A resonance is symmetric in log
// frequency, so the vertex is its centre.
inline double bandCentre(const Spectrum& s, double guessHz, double halfWidth) {
    double centre = std::log(guessHz);
    for (int pass = 0; pass < 6; ++pass) {
        double m[3][4] = {};
        for (std::size_t k = 1; k < s.power.size(); ++k) {
            const double u = std::log(static_cast<double>(k) * s.binHz) - centre;
            if (std::fabs(u) > halfWidth) continue;
            const double y = std::log(s.power[k] + 1e-30), powers[5] = {1, u, u * u, u * u * u, u * u * u * u};
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) m[r][c] += powers[4 - r - c];
                m[r][3] += powers[2 - r] * y;
            }
        }
        for (int i = 0; i < 3; ++i)
            for (int j = i + 1; j < 3; ++j) {
                if (m[i][i] == 0) return 0.0;
                const double f = m[j][i] / m[i][i];
                for (int k = i; k < 4; ++k) m[j][k] -= f * m[i][k];
            }
        double c[3];
        for (int i = 2; i >= 0; --i) {
            double v = m[i][3];
            for (int k = i + 1; k < 3; ++k) v -= m[i][k] * c[k];
            c[i] = v / m[i][i];
        }
        // y = c0 u^2 + c1 u + c2: a peak needs c0 < 0.
        if (!(c[0] < 0)) return 0.0;
        const double shift = -c[1] / (2 * c[0]);
        if (!(std::fabs(shift) < halfWidth)) return 0.0;
        centre += shift;
        if (std::fabs(shift) < 1e-7) break;
    }
    return std::exp(centre);
}

// Normalised autocorrelation at one lag (1 = the signal repeats exactly).
inline double autocorrelation(const Samples& x, std::size_t lag) {
    if (lag >= x.size()) return 0.0;
    double sum = 0, energyA = 0, energyB = 0;
    for (std::size_t i = 0; i + lag < x.size(); ++i) {
        const double a = x[i], b = x[i + lag];
        sum += a * b;
        energyA += a * a;
        energyB += b * b;
    }
    return energyA > 0 && energyB > 0 ? sum / std::sqrt(energyA * energyB) : 0.0;
}

// The lag in [minLag, maxLag] where the signal best matches itself.
inline std::size_t bestPeriod(const Samples& x, std::size_t minLag, std::size_t maxLag) {
    std::size_t best = minLag;
    double bestValue = -2.0;
    for (std::size_t lag = minLag; lag <= maxLag; ++lag) {
        const double value = autocorrelation(x, lag);
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    return best;
}

// ---- A voice through the test host ----

using Patch = std::vector<std::pair<int, float>>;

constexpr int SOURCE_NOISE = 0, SOURCE_TUNED_NOISE = 1, SOURCE_SYNCED_NOISE = 2, SOURCE_WAVE = 3;

// The stored value of step `value` of a menu parameter.
inline float stepValue(int tagIndex, int value) {
    static const auto attributes = std::make_unique<APlugin>(nullptr);
    return static_cast<float>((value + 0.1) / attributes->getSteppedRange(tagIndex));
}

// Modulation slot 0..3 driven by the constant Offset source: the destination
// moves by the amount a = 2 x value - 1.
inline Patch offsetRoute(int slot, int destination, float amount) {
    return {{tag::MODULATION_SLOT_1_SOURCE + slot, stepValue(tag::MODULATION_SLOT_1_SOURCE, source::OFFSET)},
            {tag::MODULATION_SLOT_1_DESTINATION + slot, stepValue(tag::MODULATION_SLOT_1_DESTINATION, destination)},
            {tag::MODULATION_SLOT_1_AMOUNT + slot, (amount + 1.0f) / 2.0f}};
}

inline Patch join(std::initializer_list<Patch> parts) {
    Patch all;
    for (const Patch& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The default program as a steady voice: a held key keeps a constant level
// (the Movement loops and does not touch the volume, no fade-in), no output
// brick filter, the main volume at 0 dB; then the test's settings. The main
// volume glides from the start, so it settles before the test plays.
inline std::unique_ptr<testhost::Plugin> loadVoice(testhost::Host& host, const Patch& settings,
                                                   const std::string& library = KOLBRI_SO_PATH) {
    auto plugin = host.load(library);
    if (!plugin) return plugin;
    {
        const auto defaults = std::make_unique<APlugin>(nullptr);
        for (int t = 0; t < APlugin::NUM_PARAMS; ++t)
            if (t != PRESET_APPLY_TAG) plugin->setParameter(t, defaults->getDefaultValue(t));
    }
    const Patch steady = {
        {tag::MAIN_VOLUME, 0.75f},  {tag::MOVEMENT_LOOP, 1.0f}, {tag::MOVEMENT_TO_VOLUME, 0.0f},
        {tag::ATTACK, 0.0f},        {tag::BRICK_FILTER, 0.0f},
    };
    for (const auto& [t, value] : steady) plugin->setParameter(t, value);
    for (const auto& [t, value] : settings) plugin->setParameter(t, value);
    plugin->render(static_cast<long>(0.3 * plugin->config().sampleRate));
    return plugin;
}

// Holds one note from now for `seconds` and returns the left channel.
inline Samples holdNote(testhost::Plugin& plugin, int note, double seconds) {
    plugin.noteOn(plugin.framesRendered(), note, 100);
    return plugin.render(std::lround(seconds * plugin.config().sampleRate)).left;
}

// The pitch the source plays for a note: 110 Hz at note 57, 12 notes an octave.
inline double noteHz(double note) { return 110.0 * std::exp2((note - 57.0) / 12.0); }

}  // namespace audiomeasure
