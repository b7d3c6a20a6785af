// The steady "Wave" frame (the parts every voice shares taken once a frame)
// must give exactly what the per-voice frame gives: the same bits in every
// lane, the same phase, feedback level, pink rows and seed afterwards.
#include <cmath>
#include <memory>

#include "source_test_support.h"

namespace {

using sourcetest::Inf;
using sourcetest::NaN;
using sourcetest::sameBits;

struct SteadyCase {
    const char* why;
    float waveMix, sourceMix;
    float waveSymmetry, sourceSymmetry;
    float waveFeedback, sourceFeedback;
    float sourcePhase;
    float noiseKnob, sourceNoise;
    float voiceInc;
    int waveIndex;
};

const SteadyCase STEADY_CASES[] = {
    {"plain morph, no noise", 0.3f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.01f, 60},
    {"warped symmetry takes the divisions", 0.7f, 0.1f, 0.3f, 0.05f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.013f, 75},
    {"feedback moves the phase", 0.2f, 0.0f, 0.5f, 0.0f, 0.6f, 0.2f, 0.25f, 0.5f, 0.0f, 0.004f, 40},
    {"pink noise is heard", 0.5f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.2f, 0.1f, 0.02f, 90},
    {"white noise is heard", 0.5f, 0.0f, 0.6f, 0.0f, 0.3f, 0.0f, 0.0f, 0.9f, 0.0f, 0.02f, 100},
    {"negative morph and phase", 0.1f, -2.3f, 0.5f, 0.0f, 0.0f, 0.0f, -0.3f, 0.5f, 0.0f, 0.03f, 127},
    {"a step of NaN reads as 0", 0.3f, 0.0f, 0.5f, 0.0f, 0.2f, 0.0f, 0.0f, 0.5f, 0.0f, NaN, 60},
    {"an infinite step reads as 0", 0.3f, 0.0f, 0.4f, 0.0f, 0.0f, 0.0f, 0.0f, 0.3f, 0.0f, Inf, 60},
    {"a step above a cycle", 0.3f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 1.7f, 60},
    {"a negative step", 0.3f, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, -0.01f, 60},
    {"a NaN morph", NaN, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.01f, 60},
};

}  // namespace

class WaveSteadyTest : public VoiceSourceTest {};

TEST_F(WaveSteadyTest, SteadyFrameMatchesThePerVoiceFrame) {
    constexpr int voice = 5;
    for (const SteadyCase& c : STEADY_CASES) {
        SCOPED_TRACE(c.why);
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_WAVE;
        input.waveMix = c.waveMix;
        input.sourceMix = c.sourceMix;
        input.waveSymmetry = c.waveSymmetry;
        input.sourceSymmetry = c.sourceSymmetry;
        input.waveFeedback = c.waveFeedback;
        input.sourceFeedback = c.sourceFeedback;
        input.sourcePhase = c.sourcePhase;
        input.waveSampleNoiseMix = c.noiseKnob;
        input.sourceWaveSampleNoise = c.sourceNoise;
        input.voiceInc = c.voiceInc;
        input.waveIndex = c.waveIndex;
        prepareSteadyWaveFrame(input);
        ASSERT_TRUE(input.steadyWave.active);

        auto steadyState = std::make_unique<TVoiceSourceState>();
        auto steadyPink = std::make_unique<TPinkNoise>();
        TRandSeed steadySeed;
        // 300 frames pass two whole refreshes of the pink rows.
        for (int frame = 0; frame < 300; ++frame) {
            float shown = -1.0f;
            const stereoOverStruct expected = render(input, voice, &shown);
            stereoOverStruct got;
            _mm_storeu_ps(got.lane, voicesource::renderSteadyWaveFrame(voice, c.voiceInc, c.waveIndex,
                                                                       input.steadyWave, *steadyState, *steadyPink,
                                                                       steadySeed));
            for (int lane = 0; lane < 4; ++lane)
                ASSERT_TRUE(sameBits(expected.lane[lane], got.lane[lane]))
                    << "frame " << frame << " lane " << lane << ": " << expected.lane[lane] << " vs " << got.lane[lane];
            ASSERT_TRUE(sameBits(shown, input.steadyWave.noise.amountLanes[0])) << "frame " << frame;
            ASSERT_EQ(seed.RandSeed, steadySeed.RandSeed) << "frame " << frame;
            ASSERT_TRUE(sameVoiceState(voice, *steadyState, *steadyPink, true)) << "frame " << frame;
        }
        // Start the next case from fresh state on both sides.
        SetUp();
    }
}

TEST_F(WaveSteadyTest, SteadyFrameOnlyForThePlainWave) {
    struct Case {
        const char* why;
        int mode;
        float wrap;
        float subVolumeSmoothed;
        bool active;
    };
    const Case cases[] = {
        {"the plain wave", SOURCE_WAVE, 0.0f, 0.0f, true},
        {"a fold just below its threshold", SOURCE_WAVE, 0.001f, 0.0f, true},
        {"the fold is on", SOURCE_WAVE, 0.01f, 0.0f, false},
        {"the sub oscillator sounds", SOURCE_WAVE, 0.0f, 0.5f, false},
        {"a sample plays", SOURCE_SAMPLE, 0.0f, 0.0f, false},
        {"noise", SOURCE_NOISE, 0.0f, 0.0f, false},
        {"synced noise", SOURCE_SYNCED_NOISE, 0.0f, 0.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TVoiceSourceInput input;
        input.sourceMode = c.mode;
        input.sourceWrap = c.wrap;
        input.subVolumeSmoothed = c.subVolumeSmoothed;
        input.steadyWave.active = !c.active;
        prepareSteadyWaveFrame(input);
        EXPECT_EQ(input.steadyWave.active, c.active);
    }
}
