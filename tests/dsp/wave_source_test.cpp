#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "dsp/source_test_support.h"

namespace {

class WaveSourceTest : public VoiceSourceTest {
protected:
    // Frequency in Hz of the first lane, from the first and last rising zero
    // crossings, located between frames by linear interpolation.
    double measureFrequency(const TVoiceSourceInput& input, int frames, int lane = 0) {
        std::vector<float> out(frames);
        for (float& x : out) x = render(input).lane[lane];
        double first = -1.0;
        double last = -1.0;
        int crossings = 0;
        for (int i = 1; i < frames; ++i) {
            if (out[i - 1] < 0.0f && out[i] >= 0.0f) {
                const double at = (i - 1) + out[i - 1] / (out[i - 1] - out[i]);
                if (first < 0.0) first = at;
                last = at;
                ++crossings;
            }
        }
        if (crossings < 2) return 0.0;
        return (crossings - 1) / (last - first) * input.sampleRate;
    }
};

double cents(double measured, double expected) {
    return 1200.0 * std::log2(measured / expected);
}

TEST_F(WaveSourceTest, MorphPicksShapesAndBlend) {
    struct Case {
        float waveMix;
        float sourceMix;
        int shape;
        int next;
        float blend;
        const char* why;
    } cases[] = {
        {0.0f, 0.0f, WAVE_SINE, WAVE_SAW, 0.0f, "knob at 0: sine"},
        {0.0f, 0.25f, WAVE_SINE, WAVE_SAW, 0.75f, "three quarters towards the saw"},
        {0.0f, 2.0f / 3.0f, WAVE_SQUARE, WAVE_TRIANGLE, 0.0f, "square"},
        {0.0f, -50.0f, WAVE_SQUARE, WAVE_TRIANGLE, 0.0f, "negative morph -30 wraps to square, not a negative shape"},
        {0.0f, -40.25f, WAVE_TRIANGLE, WAVE_SINE, 0.25f, "negative morph -0.75: triangle towards sine"},
        {0.0f, std::numeric_limits<float>::quiet_NaN(), WAVE_SINE, WAVE_SAW, 0.0f, "NaN morph falls back to sine"},
    };
    for (const auto& c : cases) {
        SetUp();
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_WAVE;
        input.voiceInc = 0.25f;
        input.waveMix = c.waveMix;
        input.sourceMix = c.sourceMix;
        const stereoOverStruct frame = render(input);
        const float* t = waveTables[c.shape][0];
        const float* u = waveTables[c.next][0];
        // First sub-sample at phase 0 (entry 0), second at phase 0.25 (entry 1023).
        const float expected1 = (1.0f - c.blend) * t[0] + c.blend * u[0];
        const float expected2 = (1.0f - c.blend) * t[1023] + c.blend * u[1023];
        EXPECT_NEAR(frame.lane[0], expected1, 2e-4f) << c.why;
        EXPECT_NEAR(frame.lane[1], expected1, 2e-4f) << c.why;
        EXPECT_NEAR(frame.lane[2], expected2, 2e-4f) << c.why;
        EXPECT_NEAR(frame.lane[3], expected2, 2e-4f) << c.why;
    }
}

TEST_F(WaveSourceTest, BandFollowsTheWaveIndex) {
    struct Case {
        int waveIndex;
        int band;
    } cases[] = {{0, 0}, {59, 0}, {60, 1}, {127, 33}, {-5, 0}, {500, 33}};
    for (const auto& c : cases) {
        SetUp();
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_WAVE;
        input.sourceMix = 2.0f / 3.0f;  // square: band 0 and band-limited tables differ most
        input.voiceInc = 0.25f;
        input.waveIndex = c.waveIndex;
        const stereoOverStruct frame = render(input);
        EXPECT_FLOAT_EQ(frame.lane[0], waveTables[WAVE_SQUARE][c.band][0]) << "index " << c.waveIndex;
        EXPECT_FLOAT_EQ(frame.lane[2], waveTables[WAVE_SQUARE][c.band][1023]) << "index " << c.waveIndex;
    }
}

TEST_F(WaveSourceTest, SymmetryWarpsThePhase) {
    struct Case {
        float symmetry;
        int entry;
        const char* why;
    } cases[] = {
        {0.5f, 1023, "0.5 leaves the table unwarped"},
        {0.0f, static_cast<int>(((0.25f - 0.01f) * 0.5f / 0.99f + 0.5f) * 4095.99f), "first half squeezed into 1 %"},
        {1.0f, static_cast<int>(0.25f * 0.5f / 0.99f * 4095.99f), "first half stretched to 99 %"},
    };
    for (const auto& c : cases) {
        SetUp();
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_WAVE;
        input.voiceInc = 0.25f;
        input.waveSymmetry = c.symmetry;
        const stereoOverStruct frame = render(input);
        EXPECT_FLOAT_EQ(frame.lane[2], waveTables[WAVE_SINE][0][c.entry]) << c.why;
    }
}

TEST_F(WaveSourceTest, FoldAndNoiseBlendOnSampleLanes) {
    struct Case {
        float wrap;
        float in[4];
        float out[4];
        const char* why;
    } cases[] = {
        {0.0f, {0.1f, -0.1f, 0.7f, 0.0f}, {0.1f, -0.1f, 0.7f, 0.0f}, "wrap 0 leaves the source untouched"},
        {0.5f, {0.1f, -0.1f, 0.3f, 0.0f}, {0.4f, -0.4f, 0.8f, 0.0f}, "x4 before folding"},
        {1.0f, {0.1f, -0.1f, 0.7f, 0.0f}, {0.4f, -0.4f, 0.8f, 0.0f}, "x16 before folding, sign kept"},
        // 0.1f x 2^20 = 104857.6015625 and 0.7f x 2^20 = 734003.1875, folded by hand.
        {5.0f, {0.1f, -0.1f, 0.7f, 0.0f}, {0.3984375f, -0.3984375f, 0.8125f, 0.0f}, "wrap 5 multiplies by 2^20"},
        {2.0f, {0.1f, -0.1f, 0.004f, 0.0f}, {0.4f, -0.4f, 0.976f, 0.0f}, "wrap 2 multiplies by 256"},
        {40.0f, {0.1f, -0.7f, 4.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 0.0f}, "past 2^128: held at the largest finite gain"},
        {std::numeric_limits<float>::infinity(), {0.3f, -1.0f, 1e30f, 0.0f}, {0.0f, 0.0f, 0.0f, 0.0f},
         "an infinite wrap folds like the largest, never to NaN"},
    };
    for (const auto& c : cases) {
        SetUp();
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_SAMPLE;
        input.sourceWrap = c.wrap;
        for (int i = 0; i < 4; ++i) input.sampleFrame.lane[i] = c.in[i];
        const stereoOverStruct frame = render(input);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(frame.lane[i], c.out[i], 1e-5f) << c.why << " lane " << i;
    }
}

TEST_F(WaveSourceTest, WaveSampleNoiseAmount) {
    struct Case {
        float knob;
        float modulation;
        float amount;
        bool white;
        const char* why;
    } cases[] = {
        {0.5f, 0.0f, 0.0f, false, "centre: no noise"},
        {0.0f, 0.0f, 1.0f, false, "left end: all pink"},
        {1.0f, 0.0f, 1.0f, true, "right end: all white"},
        {0.75f, 0.0f, 0.0625f, true, "(2x - 1)^4"},
        {0.25f, 0.5f, 0.5625f, false, "modulation adds to the curve"},
        {0.5f, 3.0f, 1.0f, true, "clamped to 1; the centre counts as the white side"},
    };
    for (const auto& c : cases) {
        SetUp();
        TRandSeed replicaSeed = seed;
        TPinkNoise replicaPink = *pink;
        float white[2] = {replicaSeed.bipolar(), replicaSeed.bipolar()};
        float pinkValues[2] = {replicaPink.doPinkNoise(0, replicaSeed), replicaPink.doPinkNoise(0, replicaSeed)};
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_SAMPLE;
        input.waveSampleNoiseMix = c.knob;
        input.sourceWaveSampleNoise = c.modulation;
        input.sampleFrame.lane[0] = input.sampleFrame.lane[1] = 0.5f;
        input.sampleFrame.lane[2] = input.sampleFrame.lane[3] = -0.5f;
        float amount = -1.0f;
        const stereoOverStruct frame = render(input, 0, &amount);
        EXPECT_NEAR(amount, c.amount, 1e-6f) << c.why;
        const float* noise = c.white ? white : pinkValues;
        EXPECT_NEAR(frame.lane[0], 0.5f * (1.0f - c.amount) + c.amount * noise[0], 1e-6f) << c.why;
        EXPECT_NEAR(frame.lane[3], -0.5f * (1.0f - c.amount) + c.amount * noise[1], 1e-6f) << c.why;
    }
}

TEST_F(WaveSourceTest, SubOscillatorPitchPanAndGate) {
    struct Case {
        float pan;
        float leftGain;
        float rightGain;
    } pans[] = {{0.0f, 1.0f, 1.0f}, {-0.5f, 1.0f, 0.0f}, {0.5f, 0.0f, 1.0f}, {-0.25f, 1.0f, 0.5f}};
    for (const auto& c : pans) {
        SetUp();
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_SAMPLE;  // the sample lanes stay silent: only the sub sounds
        input.sampleRate = 48000.0f;
        input.subInc = 0.25f;
        input.subVolumeSmoothed = 1.0f;
        input.subVolumeGain = 1.0f;
        input.subPan = c.pan;
        const stereoOverStruct frame = render(input);
        const float second = waveTables[WAVE_SINE][0][1023];  // sub phase 0.25 on the second sub-sample
        EXPECT_NEAR(frame.lane[2], c.leftGain * second, 1e-6f) << "pan " << c.pan;
        EXPECT_NEAR(frame.lane[3], c.rightGain * second, 1e-6f) << "pan " << c.pan;
    }

    SetUp();
    TVoiceSourceInput input;
    input.sourceMode = SOURCE_SAMPLE;
    input.sampleRate = 48000.0f;
    input.subVolumeSmoothed = 1.0f;
    input.subVolumeGain = 1.0f;
    const double hz = 73.42;  // the sub sits an octave and more below the voice
    input.subInc = static_cast<float>(hz / (2.0 * input.sampleRate));
    input.subIndex = 30;
    EXPECT_NEAR(cents(measureFrequency(input, 48000), hz), 0.0, 1.0);

    SetUp();
    input.subVolumeSmoothed = 0.0009f;  // below the gate: the sub is off and keeps its phase
    const stereoOverStruct silent = render(input);
    for (float x : silent.lane) EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(state->subPhase[0], 0.0f);
}

TEST_F(WaveSourceTest, FeedbackBendsTheWave) {
    TVoiceSourceInput input;
    input.sourceMode = SOURCE_WAVE;
    input.voiceInc = 0.01f;
    std::vector<float> plain;
    for (int i = 0; i < 200; ++i) plain.push_back(render(input).lane[0]);
    SetUp();
    input.waveFeedback = 1.0f;
    double difference = 0.0;
    for (int i = 0; i < 200; ++i) difference += std::fabs(render(input).lane[0] - plain[i]);
    EXPECT_GT(difference / 200.0, 0.01) << "feedback must change the waveform";
    EXPECT_LE(std::fabs(state->voiceLevel[0]), 0.5f + 1e-6f);
}

}  // namespace
