// The voice distortion: shaping values of each kind, their audible
// signatures, the dry path at amount 0, the fade-in blend, the drive
// smoothing, and bounded, subnormal-free output under harsh input.
#include "engine/dsp/Distortion.h"
#include "filter_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

namespace {

using filtertest::PI;
constexpr int VOICE = 5;  // any voice; the others stay off

struct Voices {
    stereoOverStruct frames[TDistortion::NUM_VOICES];
    bool on[TDistortion::NUM_VOICES] = {};
    bool justStarted[TDistortion::NUM_VOICES] = {};
    float dest[TDistortion::NUM_VOICES] = {};
};

// Runs one voice through `frames` of a signal; returns the output lanes in
// time order for the left channel (the right gets the same input).
std::vector<double> render(int kind, float amount, const std::vector<float>& input, float hostRate = 48000.0f,
                           TDistortion* keep = nullptr) {
    TDistortion local;
    TDistortion& distortion = keep ? *keep : local;
    distortion.init(hostRate);
    distortion.setType(kind);
    TRandSeed seed;
    Voices voices;
    voices.on[VOICE] = true;
    std::vector<double> out;
    for (size_t n = 0; n + 1 < input.size(); n += 2) {
        voices.justStarted[VOICE] = n == 0;
        stereoOverStruct& f = voices.frames[VOICE];
        f.lane[0] = f.lane[1] = input[n];
        f.lane[2] = f.lane[3] = input[n + 1];
        distortion.process(voices.frames, voices.on, voices.justStarted, amount, voices.dest, seed);
        out.push_back(f.lane[0]);
        out.push_back(f.lane[2]);
    }
    return out;
}

std::vector<float> sine(double hz, double amplitude, double overRate, int samples) {
    std::vector<float> s(static_cast<size_t>(samples));
    for (int n = 0; n < samples; ++n)
        s[static_cast<size_t>(n)] = static_cast<float>(amplitude * std::sin(2.0 * PI * std::fmod(hz * n, overRate) / overRate));
    return s;
}

// Amplitude of the harmonic `h` of 1 kHz in the last 0.5 s of a 96 kHz signal.
double harmonic(const std::vector<double>& signal, int h) {
    return filtertest::toneAmplitude(std::vector<double>(signal.end() - 48000, signal.end()), 1000.0 * h, 96000.0);
}

double rms(const std::vector<double>& signal) {
    const size_t start = signal.size() - 48000;
    double sum = 0.0;
    for (size_t n = start; n < signal.size(); ++n) sum += signal[n] * signal[n];
    return std::sqrt(sum / 48000.0);
}

// One frame of a constant input through each kind at full drive: the value
// the kind's curve gives (the DC blocker moves a first frame by < 0.1 %).
TEST(Distortion, ShapingValuesAtFullDrive) {
    struct Case {
        int kind;
        float x, expected;
        const char* why;
    };
    const Case cases[] = {
        {TDistortion::ATAN, 0.5f, 0.97832f, "atan curve normalised to reach 1 at 1"},
        {TDistortion::BITS, 0.8f, 0.70711f, "2^0.5 steps per unit: 0.8 falls to 1/sqrt 2"},
        {TDistortion::COS, 0.3f, -0.29892f, "x cos(kx) with k = (2^4.95 - 1) pi"},
        {TDistortion::CROSS, 0.1f, -0.196f, "below the 0.198 threshold the sign flips, doubled"},
        {TDistortion::FOLD, 0.05f, -0.51256f, "folded back and forth at 0.0199"},
        {TDistortion::LIMIT, 0.01f, 0.61393f, "gain 2^5.94 before the clip"},
        {TDistortion::LIMIT, 0.5f, 1.0f, "clipped at 1"},
        {TDistortion::OCTAVE, 0.3f, -0.591f, "almost all of the folded |x|"},
        {TDistortion::OVER, 0.5f, 0.98384f, "overdrive curve with k = 2^5.94 - 1"},
        {TDistortion::POWER, 0.5f, 0.995f, "k = 198"},
        {TDistortion::RECTIFY, -0.5f, 0.49f, "negative halves times -0.98"},
        {TDistortion::RECTIFY, 0.5f, 0.5f, "positive halves untouched"},
        {TDistortion::SATURATE, 0.5f, 0.94306f, "g = 2^3.96"},
        {TDistortion::SQUARE, 0.2f, 0.992f, "0.01 x + 0.99 sign(x)"},
        {TDistortion::VALVE, 0.5f, 0.93831f, "m / (m + 1) with k = 2^4.95 - 0.99"},
        {TDistortion::VALVE, -0.5f, -0.93831f, "odd symmetric"},
    };
    for (const Case& c : cases) {
        const std::vector<double> out = render(c.kind, 1.0f, {c.x, c.x});
        EXPECT_NEAR(out[0], c.expected, 1e-3) << c.why;
    }
}

// What a listener hears of each kind on a 1 kHz sine of 0.8 at full drive,
// measured by the harmonics of the last half second. (The harmonics of the
// symmetric and rectifying curves are measured through the plug-in.)
TEST(Distortion, SignaturesOfTheKinds) {
    const std::vector<float> input = sine(1000.0, 0.8, 96000.0, 96000);
    struct Case {
        int kind;
        const char* signature;
        bool (*holds)(const std::vector<double>& out);
    };
    const Case cases[] = {
        {TDistortion::LIMIT, "hard clip: a near-square of level 1",
         [](const std::vector<double>& o) { return std::fabs(harmonic(o, 1) - 4.0 / PI) < 0.05 && harmonic(o, 3) > 0.3; }},
        {TDistortion::SQUARE, "a square of level 0.99",
         [](const std::vector<double>& o) { return std::fabs(harmonic(o, 1) - 0.99 * 4.0 / PI) < 0.05 && harmonic(o, 3) > 0.3; }},
        {TDistortion::CROSS, "crossover: odd harmonics, fundamental kept",
         [](const std::vector<double>& o) { return harmonic(o, 3) > 0.05 && harmonic(o, 1) > 0.4; }},
        {TDistortion::FOLD, "folding spreads the energy far above the fundamental",
         [](const std::vector<double>& o) { return rms(o) > 2.0 * harmonic(o, 1); }},
        {TDistortion::COS, "cosine shaping spreads the energy far above the fundamental",
         [](const std::vector<double>& o) { return rms(o) > 2.0 * harmonic(o, 1); }},
        {TDistortion::BITS, "few levels: 1/sqrt 2 steps",
         [](const std::vector<double>& o) {
             std::set<long> levels;
             for (size_t n = o.size() / 2; n < o.size(); ++n) levels.insert(std::lround(o[n] * 100.0));
             return levels.size() <= 4;
         }},
        {TDistortion::RATE, "a frame held for 32 frames",
         [](const std::vector<double>& o) {
             int changes = 0;  // between the first sub-samples of consecutive frames
             for (size_t n = o.size() / 2; n + 2 < o.size(); n += 2) changes += std::fabs(o[n + 2] - o[n]) > 1e-3;
             const int frames = static_cast<int>(o.size() / 4);
             return changes <= frames / 32 + 1 && changes >= frames / 32 - 1;
         }},
        {TDistortion::NOISE, "noise amplitude modulation: the tone survives at about half level",
         [](const std::vector<double>& o) { return std::fabs(harmonic(o, 1) - 0.4) < 0.05 && rms(o) > 0.3; }},
    };
    for (const Case& c : cases) {
        const std::vector<double> out = render(c.kind, 1.0f, input);
        EXPECT_TRUE(c.holds(out)) << "kind " << c.kind << ": " << c.signature << " (h1 " << harmonic(out, 1)
                                  << ", h2 " << harmonic(out, 2) << ", h3 " << harmonic(out, 3) << ", rms " << rms(out)
                                  << ")";
    }
}

TEST(Distortion, AmountZeroAndKindOffLeaveTheSignalExactly) {
    const std::vector<float> input = sine(1234.0, 0.9, 96000.0, 4000);
    for (int kind = 0; kind < TDistortion::NUM_KINDS; ++kind) {
        const std::vector<double> out = render(kind, 0.0f, input);
        for (size_t n = 0; n < out.size(); ++n) ASSERT_EQ(static_cast<float>(out[n]), input[n]) << "kind " << kind;
    }
    // Off passes everything, whatever the amount, and skips the DC blocker.
    const std::vector<double> off = render(TDistortion::OFF, 1.0f, std::vector<float>(100, 0.5f));
    for (double v : off) ASSERT_EQ(v, 0.5);
}

TEST(Distortion, AtanLeavesVeryQuietInputsAlone) {
    const std::vector<float> input = sine(1000.0, 0.001, 96000.0, 2000);
    const std::vector<double> out = render(TDistortion::ATAN, 1.0f, input);
    // Only the DC blocker's slight phase shift (corner near 5 Hz) remains.
    for (size_t n = 0; n < out.size(); ++n) ASSERT_NEAR(out[n], input[n], 1e-5);
}

// Below drive 0.05 the shaped signal is blended in proportionally: at 0.025
// half dry, half shaped (Limit's gain there is 2^0.1485).
TEST(Distortion, LowDriveFadesTheShapeIn) {
    const std::vector<float> input = sine(1000.0, 0.01, 96000.0, 96000);
    const std::vector<double> out = render(TDistortion::LIMIT, 0.025f, input);
    const double expectedGain = 0.5 + 0.5 * std::exp2(6.0 * 0.99 * 0.025);
    EXPECT_NEAR(harmonic(out, 1) / 0.01, expectedGain, 0.005);
}

// The drive follows the amount with 0.9 per frame, takes it at once on the
// voice's first frame, and adds the voice's modulation, clamped to 0..1.
TEST(Distortion, DriveSmoothingAndModulation) {
    TDistortion distortion;
    distortion.init(48000.0f);
    distortion.setType(TDistortion::SATURATE);
    TRandSeed seed;
    Voices voices;
    voices.on[VOICE] = true;
    voices.on[VOICE + 1] = true;
    voices.justStarted[VOICE] = voices.justStarted[VOICE + 1] = true;
    voices.dest[VOICE + 1] = 0.8f;
    distortion.process(voices.frames, voices.on, voices.justStarted, 0.3f, voices.dest, seed);
    EXPECT_FLOAT_EQ(distortion.getDrive(VOICE), 0.3f);
    EXPECT_FLOAT_EQ(distortion.getDrive(VOICE + 1), 1.0f);
    voices.justStarted[VOICE] = voices.justStarted[VOICE + 1] = false;
    distortion.process(voices.frames, voices.on, voices.justStarted, 0.5f, voices.dest, seed);
    EXPECT_NEAR(distortion.getDrive(VOICE), 0.9f * 0.3f + 0.1f * 0.5f, 1e-6f);
    for (int i = 0; i < 200; ++i) distortion.process(voices.frames, voices.on, voices.justStarted, 0.5f, voices.dest, seed);
    EXPECT_NEAR(distortion.getDrive(VOICE), 0.5f, 1e-5f);
    EXPECT_EQ(distortion.getDrive(0), 0.0f);  // a voice that is off is not touched
}

// Every kind at full drive, fed +-1 noise and a full-scale sweep at 44.1 and
// 192 kHz: finite, bounded output, and nothing subnormal left after silence.
TEST(Distortion, EveryKindStaysBoundedAndSubnormalFree) {
    for (int kind = 1; kind < TDistortion::NUM_KINDS; ++kind)
        for (float rate : {44100.0f, 192000.0f})
            for (bool noise : {true, false}) {
                const int samples = static_cast<int>(0.2 * 2.0 * rate);
                std::vector<float> input(static_cast<size_t>(samples + 2 * static_cast<int>(rate)), 0.0f);
                uint32_t state = 99;
                double phase = 0.0;
                for (int n = 0; n < samples; ++n) {
                    if (noise) {
                        state = state * 1664525u + 1013904223u;
                        input[static_cast<size_t>(n)] = static_cast<float>(static_cast<int32_t>(state)) / 2147483648.0f;
                    } else {
                        phase += 20.0 * std::pow(0.45 * 2.0 * rate / 20.0, static_cast<double>(n) / samples) / (2.0 * rate);
                        phase -= std::floor(phase);
                        input[static_cast<size_t>(n)] = static_cast<float>(std::sin(2.0 * PI * phase));
                    }
                }
                TDistortion distortion;
                const std::vector<double> out = render(kind, 1.0f, input, rate, &distortion);
                double peak = 0.0;
                for (double v : out) {
                    ASSERT_TRUE(std::isfinite(v)) << "kind " << kind;
                    peak = std::max(peak, std::fabs(v));
                }
                EXPECT_LE(peak, 2.5) << "kind " << kind << " rate " << rate;
                EXPECT_FALSE(distortion.hasSubnormalState()) << "kind " << kind << " rate " << rate;
            }
}

TEST(Distortion, BadValuesNeverReachTheOutput) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (int kind = 1; kind < TDistortion::NUM_KINDS; ++kind) {
        TDistortion distortion;
        distortion.init(nan);  // a bad rate falls back to 44.1 kHz
        distortion.setType(kind);
        TRandSeed seed;
        Voices voices;
        voices.on[VOICE] = true;
        voices.dest[VOICE] = nan;
        for (int i = 0; i < 50; ++i) {
            stereoOverStruct& f = voices.frames[VOICE];
            f.lane[0] = nan;
            f.lane[1] = inf;
            f.lane[2] = -inf;
            f.lane[3] = 0.5f;
            distortion.process(voices.frames, voices.on, voices.justStarted, i % 2 ? nan : 1.0f, voices.dest, seed);
            for (float v : f.lane) ASSERT_TRUE(std::isfinite(v)) << "kind " << kind;
        }
    }
    TDistortion distortion;
    distortion.setType(99);
    EXPECT_EQ(distortion.getType(), TDistortion::OFF);
    distortion.setType(-3);
    EXPECT_EQ(distortion.getType(), TDistortion::OFF);
}

}  // namespace
