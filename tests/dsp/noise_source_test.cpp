#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "dsp/source_test_support.h"

namespace {

using NoiseSourceTest = VoiceSourceTest;

TEST_F(NoiseSourceTest, NoiseMixBlendsPinkAndWhite) {
    struct Case {
        float noiseMix;
        float sourceMix;
        float whiteShare;
        const char* why;
    } cases[] = {
        {0.0f, 0.0f, 0.0f, "knob at 0: pure pink"},
        {1.0f, 0.0f, 1.0f, "knob at 1: pure white"},
        {0.5f, 0.0f, 0.5f, "equal mix"},
        {1.0f, 0.5f, 0.5f, "modulation past the end folds back"},
        {0.0f, -0.25f, 0.25f, "negative modulation folds too"},
    };
    for (const auto& c : cases) {
        SetUp();
        TRandSeed replicaSeed = seed;
        TPinkNoise replicaPink = *pink;
        const float w1 = replicaSeed.bipolar();
        const float w2 = replicaSeed.bipolar();
        const float p1 = replicaPink.doPinkNoise(0, replicaSeed);
        const float p2 = replicaPink.doPinkNoise(0, replicaSeed);
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_NOISE;
        input.noiseMix = c.noiseMix;
        input.sourceMix = c.sourceMix;
        const stereoOverStruct frame = render(input);
        const float m = c.whiteShare;
        EXPECT_NEAR(frame.lane[0], (1.0f - m) * p1 + m * w1, 1e-5f) << c.why;
        EXPECT_EQ(frame.lane[1], frame.lane[0]) << c.why;
        EXPECT_NEAR(frame.lane[2], (1.0f - m) * p2 + m * w2, 1e-5f) << c.why;
        EXPECT_EQ(frame.lane[3], frame.lane[2]) << c.why;
        EXPECT_EQ(seed.RandSeed, replicaSeed.RandSeed) << "two white draws and two pink calls per frame";
    }
}

TEST_F(NoiseSourceTest, SyncedNoiseRepeatsOncePerPeriod) {
    struct Case {
        float inc;
        int periodFrames;
    } cases[] = {{1.0f / 64.0f, 32}, {1.0f / 256.0f, 128}, {1.0f / 16.0f, 8}};
    for (const auto& c : cases) {
        SetUp();
        startVoiceSource(0, *state, *pink, seed);
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_SYNCED_NOISE;
        input.voiceInc = c.inc;
        input.noiseMix = 0.5f;  // both tables take part
        std::vector<stereoOverStruct> frames;
        for (int i = 0; i < 6 * c.periodFrames; ++i) frames.push_back(render(input));
        int different = 0;
        // The first period reads one position more, because the phase starts at 0
        // rather than one increment past the wrap; from then on the segment repeats.
        for (int i = c.periodFrames + 1; i + c.periodFrames < static_cast<int>(frames.size()); ++i) {
            for (int lane = 0; lane < 4; ++lane) {
                different += frames[i].lane[lane] != frames[i + c.periodFrames].lane[lane];
            }
        }
        EXPECT_EQ(different, 0) << "period " << c.periodFrames;
        // Within a period the segment is noise, not a constant.
        EXPECT_NE(frames[c.periodFrames].lane[0], frames[c.periodFrames + 1].lane[0]);
    }
}

TEST_F(NoiseSourceTest, SyncedNoiseReadPositionStaysInTheTable) {
    struct Case {
        int32_t start;
        float inc;
        int frames;
        const char* why;
    } cases[] = {
        {65530, 1.0f / 64.0f, 100, "segment running over the table end wraps"},
        {0, 1e-9f, 200000, "very low pitch: the position must not grow without bound"},
        {-7, 0.001f, 1000, "a negative start from a caller is masked"},
    };
    for (const auto& c : cases) {
        SetUp();
        state->syncStart[0] = c.start;
        state->syncPos[0] = c.start;
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_SYNCED_NOISE;
        input.voiceInc = c.inc;
        for (int i = 0; i < c.frames; ++i) {
            const stereoOverStruct frame = render(input);
            ASSERT_GE(state->syncPos[0], 0) << c.why;
            ASSERT_LT(state->syncPos[0], 65536) << c.why;
            ASSERT_TRUE(std::isfinite(frame.lane[0])) << c.why;
        }
    }
}

TEST_F(NoiseSourceTest, BadValuesNeverReachTheOutput) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    float TVoiceSourceInput::*fields[] = {
        &TVoiceSourceInput::sampleRate,      &TVoiceSourceInput::voiceInc,       &TVoiceSourceInput::subInc,
        &TVoiceSourceInput::noiseMix,        &TVoiceSourceInput::waveMix,        &TVoiceSourceInput::waveSampleNoiseMix,
        &TVoiceSourceInput::waveSymmetry,    &TVoiceSourceInput::waveFeedback,   &TVoiceSourceInput::sourceMix,
        &TVoiceSourceInput::sourceBandWidth, &TVoiceSourceInput::sourceWaveSampleNoise,
        &TVoiceSourceInput::sourceSymmetry,  &TVoiceSourceInput::sourceFeedback, &TVoiceSourceInput::sourcePhase,
        &TVoiceSourceInput::sourceWrap,      &TVoiceSourceInput::subVolume,      &TVoiceSourceInput::subPan,
        &TVoiceSourceInput::subWaveMix,      &TVoiceSourceInput::subSymmetry,    &TVoiceSourceInput::subPhaseOffset,
        &TVoiceSourceInput::subVolumeGain,
    };
    for (int mode = SOURCE_NOISE; mode <= SOURCE_SAMPLE + 1; ++mode) {
        for (auto field : fields) {
            for (float bad : {nan, inf, -inf, 1e30f}) {
                SetUp();
                TVoiceSourceInput input;
                input.sourceMode = mode;
                input.voiceInc = 0.01f;
                input.subInc = 0.005f;
                input.subVolumeSmoothed = 1.0f;
                input.subVolumeGain = 1.0f;
                input.sampleFrame.lane[0] = nan;  // a sample gone bad
                input.*field = bad;
                for (int i = 0; i < 64; ++i) {
                    const stereoOverStruct frame = render(input, i % 16);
                    for (float x : frame.lane) ASSERT_TRUE(std::isfinite(x)) << "mode " << mode << " value " << bad;
                }
                ASSERT_TRUE(std::isfinite(state->voicePhase[0]));
                ASSERT_TRUE(std::isfinite(state->subPhase[0]));
                ASSERT_TRUE(std::isfinite(state->voiceLevel[0]));
            }
        }
    }
}

TEST_F(NoiseSourceTest, VoiceIndexOutOfRangeRendersSilence) {
    TVoiceSourceInput input;
    input.sourceMode = SOURCE_WAVE;
    input.voiceInc = 0.01f;
    for (int voice : {-1, 16, 100000}) {
        const stereoOverStruct frame = render(input, voice);
        for (float x : frame.lane) EXPECT_EQ(x, 0.0f) << voice;
        startVoiceSource(voice, *state, *pink, seed);
    }
    EXPECT_EQ(seed.RandSeed, 1u) << "nothing drawn for a voice that does not exist";
}

TEST_F(NoiseSourceTest, NoteStartResetsTheSource) {
    TVoiceSourceInput input;
    input.sourceMode = SOURCE_WAVE;
    input.voiceInc = 0.013f;
    for (int i = 0; i < 50; ++i) render(input, 5);
    ASSERT_NE(state->voicePhase[5], 0.0f);
    TRandSeed replica = seed;
    const int32_t expectedStart = static_cast<int32_t>(replica.uniform() * 65535.0f);
    startVoiceSource(5, *state, *pink, seed);
    EXPECT_EQ(state->voicePhase[5], 0.0f);
    EXPECT_EQ(state->voiceLevel[5], 0.0f);
    EXPECT_EQ(pink->row(5, 4), 0.0f);
    EXPECT_EQ(state->syncStart[5], expectedStart);
    EXPECT_EQ(state->syncPos[5], expectedStart);
    EXPECT_EQ(seed.RandSeed, replica.RandSeed) << "one random step per note start";
}

}  // namespace
