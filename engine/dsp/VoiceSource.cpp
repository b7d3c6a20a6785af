#include "engine/dsp/VoiceSource.h"

#include "engine/dsp/PanLaw.h"

#include <algorithm>
#include <iterator>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/dsp/FastMath.h"

namespace {

constexpr int NOISE_TABLE_MASK = ENGINE_TABLE_SIZE - 1;

// A triangle fold of x into 0..1: 0 at even x, 1 at odd x.
float triangleFold(float x) {
    const float folded = 1.0f - std::fabs(x - 2.0f * exactFloor(x * 0.5f) - 1.0f);
    return (folded >= 0.0f && folded <= 1.0f) ? folded : 0.0f;
}

// The morph position m picks two neighbouring shapes of the four and a blend
// between them. Floored so that a negative m (possible through modulation)
// still gives a shape 0..3 and a blend 0..1.
struct ShapeBlend {
    int shape;
    int nextShape;
    float blend;
};

ShapeBlend shapeBlend(float m) {
    if (!std::isfinite(m)) m = 0.0f;
    float reduced = m - 4.0f * exactFloor(m * 0.25f);
    if (!(reduced >= 0.0f && reduced < 4.0f)) reduced = 0.0f;
    const int whole = static_cast<int>(reduced);
    return {whole & 3, (whole + 1) & 3, reduced - static_cast<float>(whole)};
}

// Synced noise: one noise segment starting at syncStart, replayed from its
// start once per pitch period. Reads two positions per frame, one per sub-sample.
void readSyncedNoise(int v, float inc, TVoiceSourceState& state, const TEngineTables& tables, float pink[2],
                     float white[2]) {
    const int32_t first = state.syncPos[v] & NOISE_TABLE_MASK;
    float t = state.voicePhase[v] + inc;
    int32_t second;
    if (t <= 1.0f) {
        second = (first + 1) & NOISE_TABLE_MASK;
    } else {
        t -= exactFloor(t);
        second = state.syncStart[v] & NOISE_TABLE_MASK;
    }
    pink[0] = tables.pinkNoiseTable[first];
    pink[1] = tables.pinkNoiseTable[second];
    white[0] = tables.whiteNoiseTable[first];
    white[1] = tables.whiteNoiseTable[second];
    // Kept inside the table: at very low pitch the position would otherwise
    // grow for as long as the note is held.
    state.syncPos[v] = (second + 1) & NOISE_TABLE_MASK;
    float phase = t + inc;
    if (phase > 1.0f) {
        phase -= exactFloor(phase);
        state.syncPos[v] = state.syncStart[v] & NOISE_TABLE_MASK;
    }
    state.voicePhase[v] = std::isfinite(phase) ? phase : 0.0f;
}

}  // namespace

namespace voicesource {

void refreshWaveRead(TWaveReadCache& cache, float m, int bandIndex, int highestIndex) {
    const ShapeBlend fresh = shapeBlend(m);
    const int band = waveBandTable[static_cast<size_t>(std::clamp(bandIndex, 0, highestIndex))];
    cache.argument = m;
    cache.bandIndex = bandIndex;
    cache.table = waveTables[fresh.shape][band];
    cache.nextTable = waveTables[fresh.nextShape][band];
    for (float& lane : cache.blendLanes) lane = fresh.blend;
    for (float& lane : cache.keepLanes) lane = 1.0f - fresh.blend;
}

void refreshNoiseBlend(TNoiseBlendCache& cache, float knob, float modulation) {
    const bool useWhite = knob >= 0.5f;
    const float d = useWhite ? 2.0f * knob - 1.0f : 1.0f - 2.0f * knob;
    const float amount = clamp01(d * d * d * d + modulation);
    cache.knob = knob;
    cache.modulation = modulation;
    for (float& lane : cache.blend.amountLanes) lane = amount;
    for (float& lane : cache.blend.keepLanes) lane = 1.0f - amount;
    cache.blend.useWhite = useWhite;
    cache.blend.noNoise = amount == 0.0f;
}

// "Noise", "Tuned Noise" and "Synced Noise": pink and white blended by the
// noise mix; tuned noise then passes the voice's band-pass. Any other mode
// gives silence.
__m128 renderNoiseModes(int v, int mode, float inc, const TVoiceSourceInput& input, TVoiceSourceState& state,
                        const TEngineTables& tables, TFilter& bandPass, float white0, float white1, float pink0,
                        float pink1) {
    if (mode != SOURCE_NOISE && mode != SOURCE_TUNED_NOISE && mode != SOURCE_SYNCED_NOISE) return _mm_setzero_ps();
    float white[2] = {white0, white1};
    float pink[2] = {pink0, pink1};
    if (mode == SOURCE_SYNCED_NOISE) readSyncedNoise(v, inc, state, tables, pink, white);
    const float m = triangleFold(input.noiseMix + input.sourceMix + 20.0f);
    float first = (1.0f - m) * pink[0] + m * white[0];
    float second = (1.0f - m) * pink[1] + m * white[1];
    if (mode == SOURCE_TUNED_NOISE) {
        const float width = clamp01(input.sourceBandWidth + 0.5f);
        const int gainEntry = std::min(static_cast<int>(width * 65536.0f), ENGINE_TABLE_SIZE - 1);
        bandPass.setBP(4.0f * input.sampleRate * inc, 0.666f * width, tables.tunedNoiseGain[gainEntry], true);
        bandPass.processBP(first, second, first, second);
    }
    return subSamplePairs(first, second);
}

// Called when clamp01(wrap) > 0.001, so wrap is above 0.001 and a number.
// The gain 2^(4w) takes "Source Wrap" as modulation leaves it (16 at 1, 256
// at 2); only from w = 32 on would it overflow, so w stops just below.
__m128 applyWaveFold(__m128 frame, float wrap) {
    constexpr float LARGEST_FINITE_WRAP = 31.999998f;  // 2^(4w) < 2^128
    float lanes[4];
    _mm_storeu_ps(lanes, frame);
    const float gain = std::exp2(4.0f * std::min(wrap, LARGEST_FINITE_WRAP));
    for (float& x : lanes) {
        if (x == 0.0f) continue;
        const float y = gain * std::fabs(x);
        // Every float from 2^24 on is an even whole number, which folds to 0;
        // a product that overflows is taken as one of them.
        const float folded = std::isfinite(y) ? 1.0f - std::fabs(y - 2.0f * exactFloor(y * 0.5f) - 1.0f) : 0.0f;
        x = x > 0.0f ? folded : -folded;
    }
    return _mm_loadu_ps(lanes);
}

// Called while the sub volume is above 0.001; adds the sub oscillator to the
// frame and keeps the sum finite.
__m128 addSubOscillator(int v, const TVoiceSourceInput& input, TVoiceSourceState& state, __m128 lanes) {
    const TWaveReadCache& morph = waveRead(state.caches[v].subRead, (input.subWaveMix + 40.0f) * 3.0f, input.subIndex, 115);
    const float x1 = fraction(input.subPhaseOffset + 16.0f + state.subPhase[v]);
    const float x2 = fractionAfterStep(x1, input.subInc);
    const __m128 sub = readMorph(morph, x1, x2, symmetryOf(input.subSymmetry + 0.5f));
    const float pan = clamp01(input.subPan + 0.5f);
    float leftGain, rightGain;
    panGains(pan, leftGain, rightGain);
    const float level = input.subVolumeGain * input.subVolume;
    const float left = level * leftGain;
    const float right = level * rightGain;
    state.subPhase[v] = fraction(state.subPhase[v] + 2.0f * input.subInc);
    return keepFinite(_mm_add_ps(lanes, _mm_mul_ps(_mm_setr_ps(left, right, left, right), sub)));
}

}  // namespace voicesource

void refreshSteadyWaveFrame(TVoiceSourceInput& input) {
    TSteadyWaveFrame& steady = input.steadyWave;
    std::memcpy(steady.preparedFrom.values, &input.noiseMix, sizeof steady.preparedFrom.values);
    steady.preparedFrom.sourceMode = input.sourceMode;
    steady.preparedFrom.subVolumeSmoothed = input.subVolumeSmoothed;
    steady.prepared = true;
    steady.active = input.sourceMode == SOURCE_WAVE && !(input.sourceWrap > 0.001f) &&
                    !(input.subVolumeSmoothed > 0.001f);
    if (!steady.active) return;
    // The same expressions as the frame's, in the same order, so every value
    // is the one each voice would work out.
    steady.morphArgument = (input.waveMix + input.sourceMix + 40.0f) * 3.0f;
    // The shapes at band 0: the lowest wave indices read band 0.
    voicesource::waveRead(steady.morph, steady.morphArgument, 0, 0);
    steady.feedbackGain = (input.waveFeedback + input.sourceFeedback) * 0.75f;
    steady.sourcePhase = input.sourcePhase;
    steady.symmetry = voicesource::symmetryOf(input.waveSymmetry + input.sourceSymmetry);
    steady.unwarped = steady.symmetry == 0.5f;
    steady.symmetryRest = 1.0f - steady.symmetry;
    steady.feedbackGainLanes = allLanes(steady.feedbackGain);
    steady.sourcePhaseLanes = allLanes(steady.sourcePhase);
    steady.symmetryLanes = allLanes(steady.symmetry);
    steady.symmetryRestLanes = allLanes(steady.symmetryRest);
    TNoiseBlendCache blend;
    voicesource::refreshNoiseBlend(blend, input.waveSampleNoiseMix, input.sourceWaveSampleNoise);
    steady.noise = blend.blend;
}

int waveTableOffset(int waveIndex) {
    const int band = waveBandTable[static_cast<size_t>(std::clamp(waveIndex, 0, WAVE_BAND_TABLE_SIZE - 1))];
    return band * WAVE_TABLE_SIZE;
}

void startVoiceSource(int v, TVoiceSourceState& state, TPinkNoise& pinkNoise, TRandSeed& seed) {
    if (v < 0 || v >= VOICE_SOURCE_VOICES) return;
    state.voicePhase[v] = 0.0f;
    state.voiceLevel[v] = 0.0f;
    pinkNoise.resetRow4(v);
    const int32_t start = static_cast<int32_t>(seed.uniform() * 65535.0f);
    state.syncStart[v] = start & NOISE_TABLE_MASK;
    state.syncPos[v] = state.syncStart[v];
}
