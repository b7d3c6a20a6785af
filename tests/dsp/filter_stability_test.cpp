// Every filter type and the band-pass section under the harshest inputs the
// voices can give them: full-scale noise and sweeps at the extremes of cutoff
// and resonance, at the lowest and highest common rates. The output must stay
// finite and bounded, and the state must hold no subnormal number once the
// input has gone silent.
#include "filter_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace filtertest;

namespace {

enum class Input { WhiteNoise, SineSweep };

// Deterministic +-1 white noise.
struct Noise {
    uint32_t seed = 12345;
    float next() {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int32_t>(seed)) * (1.0f / 2147483648.0f);
    }
};

// Full-scale logarithmic sweep from 20 Hz to 0.45 of the doubled rate.
struct Sweep {
    double phase = 0.0;
    double rate;
    long length;
    long n = 0;
    float next() {
        const double position = static_cast<double>(n++) / static_cast<double>(length);
        const double hz = 20.0 * std::pow(0.45 * rate / 20.0, position);
        phase += hz / rate;
        phase -= std::floor(phase);
        return static_cast<float>(std::sin(2.0 * PI * phase));
    }
};

// The largest output a type can give for a +-1 input: the comb lines hold
// +-100 and the formant histories +-2 per section, times the output scale 10.
float outputBound(int type) {
    if (type >= 30 && type <= 32) return 1000.0f;
    if (type >= 27 && type <= 29) return 80.0f;
    return 400.0f;
}

struct RunResult {
    float peak = 0.0f;
    bool finite = true;
    bool subnormalAfterSilence = false;
};

RunResult run(int type, float hostRate, float cutoffPosition, float q, Input input) {
    TFilter filter;
    freshFilter(filter, hostRate, type);
    const long signalFrames = static_cast<long>(0.15 * hostRate);
    const long silentFrames = static_cast<long>(0.5 * hostRate);
    Noise noise;
    Sweep sweep{0.0, 2.0 * hostRate, 2 * signalFrames};
    RunResult result;
    for (long frame = 0; frame < signalFrames + silentFrames; ++frame) {
        stereoOverStruct in, out;
        if (frame < signalFrames) {
            for (int sub = 0; sub < 2; ++sub) {
                if (input == Input::WhiteNoise) {
                    in.lane[2 * sub] = noise.next();
                    in.lane[2 * sub + 1] = noise.next();
                } else {
                    const float v = sweep.next();
                    in.lane[2 * sub] = v;
                    in.lane[2 * sub + 1] = -v;
                }
            }
        }
        filter.process(cutoffPosition, 1.0f, stereoStruct{}, q, 0.5f, in, out);
        for (float v : out.lane) {
            if (!std::isfinite(v)) result.finite = false;
            else result.peak = std::max(result.peak, std::fabs(v));
        }
    }
    result.subnormalAfterSilence = filter.hasSubnormalState();
    return result;
}

TEST(FilterStability, EveryTypeStaysFiniteAndBoundedAtTheExtremes) {
    for (int type = 0; type < FILTER_TYPE_COUNT; ++type)
        for (float rate : {44100.0f, 192000.0f})
            for (float cutoff : {0.0f, 1.0f})
                for (float q : {0.0f, 1.0f})
                    for (Input input : {Input::WhiteNoise, Input::SineSweep}) {
                        const RunResult r = run(type, rate, cutoff, q, input);
                        const std::string where = "type " + std::to_string(type) + " rate " +
                                                  std::to_string(static_cast<int>(rate)) + " cutoff " +
                                                  std::to_string(cutoff) + " q " + std::to_string(q) +
                                                  (input == Input::WhiteNoise ? " noise" : " sweep");
                        EXPECT_TRUE(r.finite) << where;
                        EXPECT_LE(r.peak, outputBound(type)) << where;
                        EXPECT_FALSE(r.subnormalAfterSilence) << where;
                    }
}

// The cubic band saturator of the 12 dB types and the last cascade stage of the
// 24/36 dB types used to run away once their state passed the turning point of
// their curve, ending in infinity and NaN. Far too loud an input must now give
// a finite, bounded output and leave the filter usable.
TEST(FilterStability, SaturatorsSurviveInputsFarBeyondFullScale) {
    for (int type : {3, 4, 5, 6, 13, 14, 15, 16, 17, 18, 25, 26}) {
        TFilter filter;
        freshFilter(filter, 48000.0f, type);
        Noise noise;
        float peak = 0.0f;
        bool finite = true;
        for (int frame = 0; frame < 20000; ++frame) {
            stereoOverStruct in, out;
            for (float& v : in.lane) v = 1e6f * noise.next();
            filter.process(0.7f, 1.0f, stereoStruct{}, 1.0f, 0.0f, in, out);
            for (float v : out.lane) {
                finite = finite && std::isfinite(v);
                if (std::isfinite(v)) peak = std::max(peak, std::fabs(v));
            }
        }
        EXPECT_TRUE(finite) << "type " << type;
        EXPECT_LT(peak, 1e9f) << "type " << type;
        // Back to a quiet sine: the filter recovers and passes it finitely.
        float after = 0.0f;
        for (int frame = 0; frame < 48000; ++frame) {
            stereoOverStruct in, out;
            const float v = 0.1f * std::sin(0.05f * static_cast<float>(frame));
            in.lane[0] = in.lane[1] = in.lane[2] = in.lane[3] = v;
            filter.process(0.7f, 1.0f, stereoStruct{}, 1.0f, 0.0f, in, out);
            for (float o : out.lane) {
                ASSERT_TRUE(std::isfinite(o)) << "type " << type;
                if (frame >= 24000) after = std::max(after, std::fabs(o));  // once the overload has decayed
            }
        }
        EXPECT_LT(after, 50.0f) << "type " << type;
    }
}

TEST(FilterStability, BandPassSectionStaysWithinUnitRange) {
    for (float rate : {44100.0f, 192000.0f})
        for (float freq : {0.0f, 20.0f, 1000.0f, 1e6f})
            for (float width : {0.0f, 0.5f, 1.0f})
                for (float gain : {1.0f, 27.0f}) {
                    TFilter filter;
                    freshFilter(filter, rate, filtertype::BYPASS);
                    Noise noise;
                    float peak = 0.0f;
                    bool finite = true;
                    for (int frame = 0; frame < 20000; ++frame) {
                        filter.setBP(freq, width, gain, true);
                        float out0, out1;
                        const bool silent = frame >= 5000;
                        filter.processBP(silent ? 0.0f : noise.next(), silent ? 0.0f : noise.next(), out0, out1);
                        finite = finite && std::isfinite(out0) && std::isfinite(out1);
                        peak = std::max({peak, std::fabs(out0), std::fabs(out1)});
                    }
                    EXPECT_TRUE(finite);
                    EXPECT_LE(peak, 1.0f) << "freq " << freq << " width " << width;
                    EXPECT_FALSE(filter.hasSubnormalState()) << "freq " << freq << " width " << width;
                }
}

}  // namespace
