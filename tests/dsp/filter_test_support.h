// Measuring helpers for the filter and distortion tests: steady-state gain of
// a sine through a TFilter, and the level of single frequencies in a signal.
#pragma once

#include "engine/dsp/FilterTables.h"
#include "engine/dsp/TFilter.h"

#include <cmath>
#include <vector>

namespace filtertest {

constexpr double PI = 3.14159265358979323846;

// Cutoff position on the 0..1 scale that gives `hz` (20 Hz * 2^(10x)).
inline float cutoffPosition(double hz) { return static_cast<float>(std::log2(hz / 20.0) / 10.0); }

struct FilterSetting {
    int type;
    float cutoffHz;
    float q;      // 0..1 as the caller passes it
    float vowel;  // 0..1
};

// `filter` made a filter of `type` at `rate`, fresh from its reset, with the tables built.
inline void freshFilter(TFilter& filter, float rate, int type) {
    buildFilterTables();
    filter.init(rate);
    filter.setType(type, true);
}

inline stereoOverStruct frameOf(float l0, float r0, float l1, float r1) {
    stereoOverStruct f;
    f.lane[0] = l0;
    f.lane[1] = r0;
    f.lane[2] = l1;
    f.lane[3] = r1;
    return f;
}

// Runs one host frame of the filter with its cutoff taken unsmoothed.
inline void runFrame(TFilter& filter, const FilterSetting& s, const stereoOverStruct& in, stereoOverStruct& out) {
    filter.setDirect();
    filter.process(cutoffPosition(s.cutoffHz), 1.0f, stereoStruct{}, s.q, s.vowel, in, out);
}

// Amplitude of the component at `hz` in a signal sampled at `rate`, by
// projection onto sine and cosine. Exact when the signal holds whole cycles.
inline double toneAmplitude(const std::vector<double>& signal, double hz, double rate) {
    double a = 0.0, b = 0.0;
    for (size_t n = 0; n < signal.size(); ++n) {
        const double phase = 2.0 * PI * std::fmod(hz * static_cast<double>(n), rate) / rate;
        a += signal[n] * std::sin(phase);
        b += signal[n] * std::cos(phase);
    }
    return 2.0 * std::sqrt(a * a + b * b) / static_cast<double>(signal.size());
}

// Steady-state gain of the left channel for a sine of `hz` at the doubled
// rate. The sine is `amplitude` peak, small enough that no saturator acts.
inline double measureGain(const FilterSetting& s, float hostRate, double hz, double amplitude = 0.1,
                          double settleSeconds = 0.6, double measureSeconds = 0.2) {
    TFilter filter;
    freshFilter(filter, hostRate, s.type);
    const double overRate = 2.0 * hostRate;
    const int settleFrames = static_cast<int>(settleSeconds * hostRate);
    const int measureFrames = static_cast<int>(measureSeconds * hostRate);
    std::vector<double> left;
    left.reserve(static_cast<size_t>(2 * measureFrames));
    long n = 0;
    for (int frame = 0; frame < settleFrames + measureFrames; ++frame) {
        stereoOverStruct in, out;
        for (int sub = 0; sub < 2; ++sub, ++n) {
            // The phase is taken modulo whole cycles so that it stays exact.
            const double cycles = std::fmod(hz * static_cast<double>(n), overRate) / overRate;
            const float v = static_cast<float>(amplitude * std::sin(2.0 * PI * cycles));
            in.lane[2 * sub] = v;
            in.lane[2 * sub + 1] = v;
        }
        runFrame(filter, s, in, out);
        if (frame >= settleFrames) {
            left.push_back(out.lane[0]);
            left.push_back(out.lane[2]);
        }
    }
    return toneAmplitude(left, hz, overRate) / amplitude;
}

inline double decibels(double gain) { return 20.0 * std::log10(gain + 1e-30); }

}  // namespace filtertest
