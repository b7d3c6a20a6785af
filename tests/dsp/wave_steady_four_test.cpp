// Four voices of a steady "Wave" frame rendered side by side must give what
// each voice's own frame gives, drawn in voice order from one seed: the same
// bits in every lane, phase, feedback level, pink rows and seed; voices that
// are off keep their state.
#include <cmath>
#include <memory>

#include "source_test_support.h"

namespace {

using sourcetest::Inf;
using sourcetest::NaN;
using sourcetest::sameBits;

struct FourCase {
    const char* why;
    int onBits;
    float waveSymmetry, waveFeedback, sourcePhase;
    float noiseKnob;
    float voiceInc[4];
    int waveIndex[4];
};

const FourCase FOUR_CASES[] = {
    {"four plain voices at different pitches", 0xF, 0.5f, 0.0f, 0.0f, 0.5f, {0.01f, 0.003f, 0.2f, 0.07f},
     {10, 60, 90, 127}},
    {"feedback and warped symmetry", 0xF, 0.3f, 0.7f, 0.25f, 0.5f, {0.02f, 0.011f, 0.005f, 0.3f}, {40, 64, 100, 70}},
    {"voices off in between", 0xB, 0.5f, 0.4f, 0.0f, 0.5f, {0.01f, 0.02f, 0.03f, 0.04f}, {60, 61, 62, 63}},
    {"one voice alone", 0x4, 0.6f, 0.0f, 0.1f, 0.5f, {0.02f, 0.02f, 0.02f, 0.02f}, {80, 80, 80, 80}},
    {"pink noise heard", 0xF, 0.5f, 0.2f, 0.0f, 0.2f, {0.01f, 0.013f, 0.017f, 0.019f}, {50, 70, 90, 110}},
    {"white noise heard", 0x7, 0.4f, 0.0f, 0.0f, 0.9f, {0.01f, 0.013f, 0.017f, 0.019f}, {50, 70, 90, 110}},
    {"steps off the common case", 0xF, 0.5f, 0.3f, -0.4f, 0.5f, {NaN, Inf, 1.7f, -0.01f}, {60, 60, 60, 60}},
    {"one odd step among plain ones", 0xF, 0.5f, 0.0f, 0.0f, 0.5f, {0.01f, 0.02f, 2.5f, 0.04f}, {30, 60, 90, 120}},
};

}  // namespace

class WaveSteadyFourTest : public VoiceSourceTest {};

TEST_F(WaveSteadyFourTest, FourVoicesMatchTheirOwnFrames) {
    constexpr int first = 4;
    for (const FourCase& c : FOUR_CASES) {
        SCOPED_TRACE(c.why);
        TVoiceSourceInput input;
        input.sourceMode = SOURCE_WAVE;
        input.waveMix = 0.35f;
        input.waveSymmetry = c.waveSymmetry;
        input.waveFeedback = c.waveFeedback;
        input.sourcePhase = c.sourcePhase;
        input.waveSampleNoiseMix = c.noiseKnob;
        prepareSteadyWaveFrame(input);
        ASSERT_TRUE(input.steadyWave.active);

        auto fourState = std::make_unique<TVoiceSourceState>();
        auto fourPink = std::make_unique<TPinkNoise>();
        TRandSeed fourSeed;
        alignas(16) int32_t offsets[4];
        for (int i = 0; i < 4; ++i) offsets[i] = waveTableOffset(c.waveIndex[i]);
        const __m128 voiceInc = _mm_loadu_ps(c.voiceInc);
        // Off voices carry a state of their own, which must stay as it is.
        for (int i = 0; i < 4; ++i) {
            fourState->voicePhase[first + i] = state->voicePhase[first + i] = 0.125f * static_cast<float>(i + 1);
            fourState->voiceLevel[first + i] = state->voiceLevel[first + i] = 0.0625f;
        }
        stereoOverStruct untouched;
        for (float& lane : untouched.lane) lane = 7.0f;

        // 300 frames pass two whole refreshes of every voice's pink rows.
        for (int frame = 0; frame < 300; ++frame) {
            stereoOverStruct expected[4];
            for (int i = 0; i < 4; ++i) {
                if (!(c.onBits & (1 << i))) continue;
                input.voiceInc = c.voiceInc[i];
                input.waveIndex = c.waveIndex[i];
                expected[i] = render(input, first + i);
            }
            stereoOverStruct got[4] = {untouched, untouched, untouched, untouched};
            voicesource::renderSteadyWaveOfFour(first, c.onBits, voiceInc, offsets, input.steadyWave, *fourState,
                                                *fourPink, fourSeed, got);
            ASSERT_EQ(seed.RandSeed, fourSeed.RandSeed) << "frame " << frame;
            for (int i = 0; i < 4; ++i) {
                const int v = first + i;
                const bool on = c.onBits & (1 << i);
                for (int lane = 0; lane < 4; ++lane) {
                    const float want = on ? expected[i].lane[lane] : 7.0f;
                    ASSERT_TRUE(sameBits(want, got[i].lane[lane]))
                        << "frame " << frame << " voice " << v << " lane " << lane << ": " << want << " vs "
                        << got[i].lane[lane];
                }
                ASSERT_TRUE(sameVoiceState(v, *fourState, *fourPink, frame % 13 == 0)) << "frame " << frame;
            }
        }
        for (int i = 0; i < 4; ++i) {
            if (c.onBits & (1 << i)) continue;
            EXPECT_EQ(fourState->voicePhase[first + i], 0.125f * static_cast<float>(i + 1));
            EXPECT_EQ(fourPink->counter(first + i), 0u);
        }
        SetUp();
    }
}

TEST_F(WaveSteadyFourTest, TableOffsetFollowsTheBand) {
    // Band 0 below index 60, one band more every two indices, 33 at the top;
    // indices outside 0..127 take the nearest end.
    const struct {
        int waveIndex;
        int band;
    } cases[] = {{-5, 0}, {0, 0}, {59, 0}, {127, 33}, {500, 33}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.waveIndex);
        EXPECT_EQ(waveTableOffset(c.waveIndex), c.band * WAVE_TABLE_SIZE);
    }
    // Every offset is the band's start: the steady frame reads the band's own table.
    for (int index = 0; index < WAVE_BAND_TABLE_SIZE; ++index)
        EXPECT_EQ(waveTables[WAVE_SAW][0] + waveTableOffset(index), waveTables[WAVE_SAW][waveBandTable[index]]);
}
