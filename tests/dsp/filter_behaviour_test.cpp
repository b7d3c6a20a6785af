// TFilter's controls and the behaviours of its non-linear and time-varying
// types: cutoff laws, offsets, smoothing, type changes, combs, modulators, the
// band-pass section and bad values.
#include "filter_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>

using namespace filtertest;

namespace {

TEST(FilterControls, BypassCopiesTheInputUnscaled) {
    TFilter filter;
    freshFilter(filter, 48000.0f, filtertype::BYPASS);
    const stereoOverStruct in = frameOf(0.123456789f, -0.987654321f, 1e-7f, 3.5f);
    stereoOverStruct out;
    filter.process(0.3f, 1.7f, stereoStruct{0.1f, -0.1f}, 0.8f, 0.2f, in, out);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out.lane[i], in.lane[i]);
}

// The cutoff in Hz after one unsmoothed call, for the cutoff laws: position,
// spread, offsets and the key-track, velocity, wheel and LFO terms.
TEST(FilterControls, CutoffLaws) {
    struct Case {
        const char* why;
        float freq, spread, offsetLeft;
        float trackAmount, trackNote, velAmount, velocity, modAmount, modValue, lfoAmount, lfoValue;
        float expectLeft, expectRight;
    };
    const Case cases[] = {
        {"position 0.5 is 20 Hz times 2^5", 0.5f, 1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 640, 640},
        {"below 0 holds 20 Hz", -0.5f, 1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 20, 20},
        {"above 1 holds 20480 Hz", 1.5f, 1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 20480, 20480},
        {"tracking scales the clamped range", 1.5f, 1, 0, 1, 0.5f, 0, 0.5f, 0, 0, 0, 0, 28963.1f, 28963.1f},
        {"spread 2: left an octave below, right above", 0.5f, 2, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 320, 1280},
        {"offset 0.1 is one octave on its channel", 0.5f, 1, 0.1f, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1280, 640},
        {"key track 1 at one octave doubles", 0.5f, 1, 0, 1, 1, 0, 0.5f, 0, 0, 0, 0, 1280, 1280},
        {"key track -1 at one octave halves", 0.5f, 1, 0, -1, 1, 0, 0.5f, 0, 0, 0, 0, 320, 320},
        {"velocity 0.6 with amount 1 adds an octave", 0.5f, 1, 0, 0, 0, 1, 0.6f, 0, 0, 0, 0, 1280, 1280},
        {"velocity 0.5 is neutral", 0.5f, 1, 0, 0, 0, 1, 0.5f, 0, 0, 0, 0, 640, 640},
        {"mod wheel 0.2 with amount 0.5 adds an octave", 0.5f, 1, 0, 0, 0, 0, 0.5f, 0.5f, 0.2f, 0, 0, 1280, 1280},
        {"LFO -0.1 lowers an octave", 0.5f, 1, 0, 0, 0, 0, 0.5f, 0, 0, 1, -0.1f, 320, 320},
    };
    for (const Case& c : cases) {
        TFilter filter;
        freshFilter(filter, 48000.0f, 7);
        filter.setTrack(c.trackAmount, c.trackNote);
        filter.setVel(c.velAmount, c.velocity);
        filter.setMod(c.modAmount, c.modValue);
        filter.setLFO(c.lfoAmount, c.lfoValue);
        filter.setDirect();
        stereoOverStruct out;
        filter.process(c.freq, c.spread, stereoStruct{c.offsetLeft, 0.0f}, 0.0f, 0.0f, stereoOverStruct{}, out);
        EXPECT_NEAR(filter.getCutoff(0), c.expectLeft, c.expectLeft * 1e-4f) << c.why;
        EXPECT_NEAR(filter.getCutoff(1), c.expectRight, c.expectRight * 1e-4f) << c.why;
    }
}

TEST(FilterControls, PairCallIgnoresTheStoredSpread) {
    TFilter filter;
    freshFilter(filter, 48000.0f, 7);
    stereoOverStruct out;
    filter.setDirect();
    filter.process(0.5f, 2.0f, stereoStruct{}, 0.0f, 0.0f, stereoOverStruct{}, out);
    filter.setDirect();
    filter.process(stereoStruct{0.5f, 0.6f}, stereoStruct{}, 0.0f, 0.0f, stereoOverStruct{}, out);
    EXPECT_NEAR(filter.getCutoff(0), 640.0f, 0.01f);
    EXPECT_NEAR(filter.getCutoff(1), 1280.0f, 0.01f);
    EXPECT_NEAR(filter.getFreq(), 0.5f, 1e-6f);  // the pair's left value
}

TEST(FilterControls, CutoffSmoothingAndGetFreq) {
    TFilter filter;
    freshFilter(filter, 48000.0f, 7);
    EXPECT_FLOAT_EQ(filter.getFreq(), 0.5f);
    stereoOverStruct out;
    filter.process(0.0f, 1.0f, stereoStruct{0.02f, 0.0f}, 0.0f, 0.0f, stereoOverStruct{}, out);
    EXPECT_NEAR(filter.getFreq(), 0.495f + 0.02f, 1e-6f);
    // A step in position reaches 63 % after about 100 calls (0.99 per call).
    for (int i = 0; i < 99; ++i) filter.process(1.0f, 1.0f, stereoStruct{}, 0.0f, 0.0f, stereoOverStruct{}, out);
    const float expected = 1.0f - 0.505f * std::pow(0.99f, 99.0f);
    EXPECT_NEAR(filter.getFreq(), expected, 1e-4f);
}

// A DC input charges the zero-delay low-pass; a silent call then shows
// whether its state survived the type call.
TEST(FilterControls, TypeChangesClearStateOnlyWhenAskedAndChanged) {
    struct Case {
        int nextType;
        bool resetOnChange;
        bool stateKept;
        const char* why;
    };
    const Case cases[] = {
        {7, true, true, "the same type keeps the state"},
        {8, true, false, "a new type with reset clears it"},
        {9, false, true, "a new type without reset keeps it"},
    };
    for (const Case& c : cases) {
        TFilter filter;
        freshFilter(filter, 48000.0f, 7);
        stereoOverStruct out;
        for (int i = 0; i < 4000; ++i)
            filter.process(0.5f, 1.0f, stereoStruct{}, 0.0f, 0.0f, frameOf(0.5f, 0.5f, 0.5f, 0.5f), out);
        filter.setType(c.nextType, c.resetOnChange);
        filter.setType(7, false);
        filter.process(0.5f, 1.0f, stereoStruct{}, 0.0f, 0.0f, stereoOverStruct{}, out);
        EXPECT_EQ(std::fabs(out.lane[0]) > 0.1f, c.stateKept) << c.why;
    }
}

// doFilter runs each voice frame in place: the result must not depend on it.
TEST(FilterControls, InPlaceProcessingEqualsSeparateFrames) {
    for (int type = 0; type < FILTER_TYPE_COUNT; ++type) {
        TFilter inPlace;
        freshFilter(inPlace, 48000.0f, type);
        TFilter separate;
        freshFilter(separate, 48000.0f, type);
        for (int i = 0; i < 300; ++i) {
            const stereoOverStruct in = frameOf(std::sin(0.3f * i), std::cos(0.2f * i), std::sin(0.3f * i + 0.1f), 0.2f);
            stereoOverStruct frame = in, out;
            inPlace.process(0.6f, 1.3f, stereoStruct{}, 0.7f, 0.4f, frame, frame);
            separate.process(0.6f, 1.3f, stereoStruct{}, 0.7f, 0.4f, in, out);
            for (int k = 0; k < 4; ++k) ASSERT_EQ(frame.lane[k], out.lane[k]) << "type " << type;
        }
    }
}

TEST(FilterControls, RatesBelow1000FallBackTo44100) {
    TFilter low;
    freshFilter(low, 500.0f, 3);
    TFilter normal;
    freshFilter(normal, 44100.0f, 3);
    EXPECT_EQ(low.getSampleRate(), 44100.0f);
    for (int i = 0; i < 200; ++i) {
        const stereoOverStruct in = frameOf(std::sin(0.1f * i), 0.5f, std::cos(0.1f * i), -0.5f);
        stereoOverStruct a, b;
        low.process(0.6f, 1.0f, stereoStruct{}, 0.5f, 0.0f, in, a);
        normal.process(0.6f, 1.0f, stereoStruct{}, 0.5f, 0.0f, in, b);
        for (int k = 0; k < 4; ++k) ASSERT_EQ(a.lane[k], b.lane[k]);
    }
}

// Impulse responses of the combs at 48 kHz with a 1 kHz cutoff: one period is
// 96 sub-samples. Full q gives feedback 0.95^(1/4).
TEST(FilterCombs, EchoesComeOncePerPeriodWithTheirSign) {
    const float g = std::sqrt(std::sqrt(0.95f));
    struct Case {
        int type;
        float leftAt96, rightAt192, leftAt192, leftAt288;
        const char* why;
    };
    const Case cases[] = {
        {30, 1.0f, 0.0f, g, g * g, "positive comb repeats with feedback g"},
        {31, 1.0f, 0.0f, -g, g * g, "negative comb alternates the sign"},
        {32, 1.0f, g, 0.0f, -g * g, "ping-pong comb sends the echo to the other side"},
    };
    for (const Case& c : cases) {
        TFilter filter;
        freshFilter(filter, 48000.0f, c.type);
        std::vector<float> left, right;
        for (int frame = 0; frame < 200; ++frame) {
            stereoOverStruct out;
            const stereoOverStruct in = frame == 0 ? frameOf(1.0f, 0.0f, 0.0f, 0.0f) : stereoOverStruct{};
            runFrame(filter, {c.type, 1000.0f, 1.0f, 0.0f}, in, out);
            left.push_back(out.lane[0]);
            left.push_back(out.lane[2]);
            right.push_back(out.lane[1]);
            right.push_back(out.lane[3]);
        }
        EXPECT_NEAR(left[95], 0.0f, 1e-6f) << c.why;
        EXPECT_NEAR(left[96], c.leftAt96, 1e-5f) << c.why;
        EXPECT_NEAR(right[192], c.rightAt192, 1e-5f) << c.why;
        EXPECT_NEAR(left[192], c.leftAt192, 1e-5f) << c.why;
        EXPECT_NEAR(left[288], c.leftAt288, 1e-5f) << c.why;
    }
}

// A cutoff driven to (almost) zero by key tracking used to divide by zero in
// the comb length; now it takes the longest line, and the input still comes
// out delayed by it rather than at once.
TEST(FilterCombs, VanishingCutoffTakesTheLongestDelay) {
    for (float trackAmount : {-1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        TFilter filter;
        freshFilter(filter, 44100.0f, 30);
        filter.setTrack(trackAmount, 64.0f);
        int firstOutput = -1;
        for (int n = 0; n < 20000; n += 2) {
            stereoOverStruct out;
            filter.setDirect();
            filter.process(0.0f, 1.0f, stereoStruct{}, 0.5f, 0.0f,
                           n == 0 ? frameOf(1.0f, 1.0f, 0.0f, 0.0f) : stereoOverStruct{}, out);
            for (int sub = 0; sub < 2; ++sub) {
                ASSERT_TRUE(std::isfinite(out.lane[2 * sub]));
                if (firstOutput < 0 && std::fabs(out.lane[2 * sub]) > 0.5f) firstOutput = n + sub;
            }
        }
        if (std::isnan(trackAmount)) EXPECT_EQ(firstOutput, 4410);  // NaN tracking is no tracking: 20 Hz
        else EXPECT_EQ(firstOutput, 8191);
    }
}

// Comb lines are cleared at reset only as far as they were written; what a
// comb plays after a reset must equal what a fresh filter plays.
TEST(FilterCombs, ResetLeavesNothingAudibleInTheLines) {
    // Notes of these lengths in frames, each ended by a reset; the last pair
    // leaves a written span that wraps around the end of the lines.
    const std::vector<std::vector<int>> notes = {{10}, {3000}, {9000}, {3000, 2000}};
    for (const std::vector<int>& played : notes) {
        const int playedFrames = played.back();
        for (int type : {30, 32}) {
            TFilter used;
            freshFilter(used, 44100.0f, type);
            const FilterSetting slow{type, 25.0f, 1.0f, 0.0f};
            stereoOverStruct out;
            for (int frames : played) {
                for (int i = 0; i < frames; ++i) runFrame(used, slow, frameOf(0.7f, -0.7f, 0.3f, 0.2f), out);
                used.reset();
            }
            TFilter fresh;
            freshFilter(fresh, 44100.0f, type);
            for (int i = 0; i < 12000; ++i) {
                const stereoOverStruct in = i == 5 ? frameOf(1.0f, 0.5f, 0.0f, 0.0f) : stereoOverStruct{};
                stereoOverStruct a, b;
                runFrame(used, slow, in, a);
                runFrame(fresh, slow, in, b);
                for (int k = 0; k < 4; ++k)
                    ASSERT_NEAR(a.lane[k], b.lane[k], 1e-6f) << "after " << playedFrames << " frames, type " << type;
            }
        }
    }
}

// Ring and amplitude modulation of a 1 kHz tone by a 200 Hz carrier at full
// amount (m = 0.95): the sidebands at 800 and 1200 Hz carry m/2 (ring) or
// m/4 (amplitude) of the tone, the tone itself 1 - m or 1 - m/2.
TEST(FilterModulators, SidebandsAtToneAndCarrierDistance) {
    struct Case {
        int type;
        double tone, lowerSideband, upperSideband;
    };
    const Case cases[] = {{33, 0.05, 0.475, 0.475}, {34, 0.525, 0.2375, 0.2375}};
    for (const Case& c : cases) {
        TFilter filter;
        freshFilter(filter, 48000.0f, c.type);
        std::vector<double> left, right;
        for (long n = 0; n < 2 * 48000; n += 2) {
            stereoOverStruct in, out;
            for (int sub = 0; sub < 2; ++sub) {
                const float v = static_cast<float>(0.5 * std::sin(2.0 * PI * std::fmod(1000.0 * (n + sub), 96000.0) / 96000.0));
                in.lane[2 * sub] = in.lane[2 * sub + 1] = v;
            }
            filter.setDirect();
            // Spread 3: left 200 Hz, right 1800 Hz; both channels follow the left carrier.
            filter.process(cutoffPosition(600.0), 3.0f, stereoStruct{}, 1.0f, 0.0f, in, out);
            left.push_back(out.lane[0]);
            left.push_back(out.lane[2]);
            right.push_back(out.lane[1]);
            right.push_back(out.lane[3]);
        }
        for (const auto* channel : {&left, &right}) {
            EXPECT_NEAR(toneAmplitude(*channel, 1000.0, 96000.0), 0.5 * c.tone, 0.005) << "type " << c.type;
            EXPECT_NEAR(toneAmplitude(*channel, 800.0, 96000.0), 0.5 * c.lowerSideband, 0.005) << "type " << c.type;
            EXPECT_NEAR(toneAmplitude(*channel, 1200.0, 96000.0), 0.5 * c.upperSideband, 0.005) << "type " << c.type;
        }
    }
}

// Every type, fed bad control values and bad samples (the faults each guards
// against: NaN cutoff, NaN or infinite spread, NaN q and vowel, NaN tracking,
// NaN and infinite input), keeps its output finite and recovers.
TEST(FilterBadValues, NoNaNReachesTheOutput) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (int type = 0; type < FILTER_TYPE_COUNT; ++type) {
        TFilter filter;
        freshFilter(filter, 48000.0f, type);
        filter.setTrack(nan, 1.0f);
        filter.setVel(nan, 0.2f);
        filter.setMod(inf, 0.0f);
        filter.setLFO(1.0f, nan);
        stereoOverStruct out;
        const float spreads[] = {nan, 0.0f, inf, 1.0f};
        for (int i = 0; i < 400; ++i) {
            const bool badInput = type != 0 && i % 7 == 0;
            const stereoOverStruct in = badInput ? frameOf(nan, inf, -inf, 0.5f) : frameOf(0.5f, -0.5f, 0.25f, 0.1f);
            filter.process(i % 5 == 0 ? nan : 0.6f, spreads[i % 4], stereoStruct{nan, 0.0f}, i % 3 == 0 ? nan : 0.9f,
                           nan, in, out);
            if (type == 0 && badInput) continue;  // the bypass passes its input as it is
            for (int k = 0; k < 4; ++k) ASSERT_TRUE(std::isfinite(out.lane[k])) << "type " << type << " call " << i;
        }
        EXPECT_TRUE(std::isfinite(filter.getFreq())) << "type " << type;
    }
}

// The tuned-noise band-pass: unity gain at its centre times the gain given,
// less away from it, narrower with a larger width value, never beyond +-1.
TEST(FilterBandPass, PeakAtCentreAndWidthNarrows) {
    float peak = 0.0f;
    auto gainAt = [&peak](double hz, float width, float gain) {
        TFilter filter;
        freshFilter(filter, 48000.0f, filtertype::BYPASS);
        std::vector<double> signal;
        for (long n = 0; n < 96000; n += 2) {
            filter.setBP(1000.0f, width, gain, true);
            float in[2], out[2];
            for (int k = 0; k < 2; ++k)
                in[k] = static_cast<float>(0.2 * std::sin(2.0 * PI * std::fmod(hz * (n + k), 96000.0) / 96000.0));
            filter.processBP(in[0], in[1], out[0], out[1]);
            peak = std::max({peak, std::fabs(out[0]), std::fabs(out[1])});
            if (n >= 48000) {
                signal.push_back(out[0]);
                signal.push_back(out[1]);
            }
        }
        return toneAmplitude(signal, hz, 96000.0) / 0.2;
    };
    EXPECT_NEAR(gainAt(1000.0, 0.3f, 1.0f), 1.0, 0.02);
    EXPECT_NEAR(gainAt(1000.0, 0.3f, 2.0f), 2.0, 0.04);
    EXPECT_LT(gainAt(2000.0, 0.3f, 1.0f), 0.5);
    EXPECT_LT(gainAt(1100.0, 0.9f, 1.0f), gainAt(1100.0, 0.3f, 1.0f));
    EXPECT_LE(peak, 0.2f * 2.0f * 1.05f);
    // A gain of 20 would give 4.0: the output is held at 1.
    gainAt(1000.0, 0.3f, 20.0f);
    EXPECT_EQ(peak, 1.0f);
}

}  // namespace
