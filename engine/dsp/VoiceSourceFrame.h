// The per-frame path of the voice source, inline because it runs for every
// voice and every frame: the noise draws, the "Wave" source and the
// wave/sample noise blend. The rarer parts (the noise modes, the fold, the sub
// oscillator and the look-ups behind the caches) stay in VoiceSource.cpp.
#pragma once

#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/dsp/VoiceSource.h"
#include "engine/dsp/WaveTables.h"

namespace voicesource {

// 0..1 with NaN read as 0.
inline float clamp01(float x) {
    return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
}

// Fractional part in 0..1; NaN and infinity give 0 so that no phase can be
// poisoned for the rest of the note. The common case, 0 <= x < 2^23, is told
// by the bits (a set sign bit reads as a large number): there truncation is
// floor and x - floor(x) is exact. Otherwise: below 2^23 in size floor comes
// from the truncation (adding +0 turns the -0 of x = -0 into the +0 that
// floor's signed zero gives); at and above it every float is whole, so 0.
[[gnu::always_inline]] inline float fraction(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    if (bits < 0x4B000000u) [[likely]]
        return x - static_cast<float>(static_cast<int>(x));
    if (!(std::fabs(x) < 8388608.0f)) return 0.0f;
    float whole = static_cast<float>(static_cast<int>(x));
    if (whole > x) whole -= 1.0f;
    return (x - whole) + 0.0f;
}

// fraction(x + step) for a phase x in 0..1. A step in 0..1 (any note below
// the rate) keeps the sum below 2, where the whole part is 0 or 1.
[[gnu::always_inline]] inline float fractionAfterStep(float x, float step) {
    uint32_t bits;
    std::memcpy(&bits, &step, sizeof bits);
    const float sum = step + x;
    if (bits < 0x3F800000u) [[likely]]
        return sum >= 1.0f ? sum - 1.0f : sum;
    return fraction(sum);
}

// The white value in -1..1 of one step's product: 2 x (y x 0.5) - 1, with
// y = product x 2^-31 + 1 a normal number in 0..2, is y - 1 exactly (halving
// and doubling it never round). The step itself is taken every frame; the
// value only where it is heard.
[[gnu::always_inline]] inline float whiteValue(int32_t product) {
    return (static_cast<float>(product) * 4.656613e-10f + 1.0f) - 1.0f;
}

// Symmetry s (0.01..0.99) moves the half-cycle point: the first half of the
// table is read in the first s of the cycle; `rest` is 1 - s. x is a phase in
// 0..1 (from fraction), so the warped value stays in 0..1 and the entry in
// 0..4095; the mask keeps the read inside the table whatever happens.
[[gnu::always_inline]] inline int warpedEntry(float x, float s, float rest) {
    const float warped = x < s ? x * 0.5f / s : (x - s) * 0.5f / rest + 0.5f;
    return static_cast<int>(warped * 4095.99f) & WAVE_TABLE_MASK;
}

inline float symmetryOf(float amount) {
    return clamp01(amount) * 0.98f + 0.01f;
}

// Out of line: the look-ups behind the caches, and the parts of a frame that
// only some programs use.
void refreshWaveRead(TWaveReadCache& cache, float m, int bandIndex, int highestIndex);
void refreshNoiseBlend(TNoiseBlendCache& cache, float knob, float modulation);
__m128 renderNoiseModes(int v, int mode, float inc, const TVoiceSourceInput& input, TVoiceSourceState& state,
                        const TEngineTables& tables, TFilter& bandPass, float white0, float white1, float pink0,
                        float pink1);
__m128 applyWaveFold(__m128 frame, float wrap);
__m128 addSubOscillator(int v, const TVoiceSourceInput& input, TVoiceSourceState& state, __m128 frame);

// The tables and blend of a morph: looked up again only when the morph
// position or the band index moved.
[[gnu::always_inline]] inline const TWaveReadCache& waveRead(TWaveReadCache& cache, float m, int bandIndex,
                                                             int highestIndex) {
    if (!(m == cache.argument) || bandIndex != cache.bandIndex) refreshWaveRead(cache, m, bandIndex, highestIndex);
    return cache;
}

// (first, first, second, second): both channels of each sub-sample alike.
[[gnu::always_inline]] inline __m128 subSamplePairs(float first, float second) {
    return _mm_shuffle_ps(_mm_set1_ps(first), _mm_set1_ps(second), _MM_SHUFFLE(0, 0, 0, 0));
}

// Two sub-samples of a morph at table entries e1 and e2, as the four lanes of
// a frame.
[[gnu::always_inline]] inline __m128 readMorphEntries(const TWaveReadCache& morph, int e1, int e2) {
    // Blended as (first, second) in two lanes, then spread to the four.
    const __m128 shape = _mm_unpacklo_ps(_mm_load_ss(&morph.table[e1]), _mm_load_ss(&morph.table[e2]));
    const __m128 nextShape = _mm_unpacklo_ps(_mm_load_ss(&morph.nextTable[e1]), _mm_load_ss(&morph.nextTable[e2]));
    const __m128 blended = _mm_add_ps(_mm_mul_ps(_mm_load_ps(morph.keepLanes), shape),
                                      _mm_mul_ps(_mm_load_ps(morph.blendLanes), nextShape));
    return _mm_unpacklo_ps(blended, blended);
}

// Two sub-samples of a morph between two shapes at phases x1 and x2, as the
// four lanes of a frame. Both shapes are read at the phase of their own
// sub-sample.
[[gnu::always_inline]] inline __m128 readMorph(const TWaveReadCache& morph, float x1, float x2, float symmetry) {
    int e1;
    int e2;
    if (symmetry == 0.5f) {
        // The unwarped default: x x 0.5 / 0.5 and (x - 0.5) x 0.5 / 0.5 + 0.5
        // give x back exactly (halving is exact, and x - 0.5 is for x in
        // 0.5..1), so the divisions can be left out.
        e1 = static_cast<int>(x1 * 4095.99f) & WAVE_TABLE_MASK;
        e2 = static_cast<int>(x2 * 4095.99f) & WAVE_TABLE_MASK;
    } else {
        const float rest = 1.0f - symmetry;
        e1 = warpedEntry(x1, symmetry, rest);
        e2 = warpedEntry(x2, symmetry, rest);
    }
    return readMorphEntries(morph, e1, e2);
}

// Every lane that is not a finite number becomes 0, the four lanes tested
// together: x - x is 0 exactly when x is finite, NaN otherwise.
[[gnu::always_inline]] inline __m128 keepFinite(__m128 frame) {
    return _mm_and_ps(frame, _mm_cmpeq_ps(_mm_sub_ps(frame, frame), _mm_setzero_ps()));
}

// The wave or sample frame with its noise blended in, drawing the pink rows
// only when they are heard (the seed moves on alike either way). With no
// noise, lane x 1 + 0 x noise is the lane itself (the noise is finite and
// never -0), except that a -0 lane meets a +0 where the noise is positive; so
// the blend is left out unless a lane is -0.
[[gnu::always_inline]] inline __m128 blendNoise(__m128 frame, const TNoiseBlend& blend, int v, TPinkNoise& pinkNoise,
                                                uint32_t& randSeed, int32_t whiteProduct0, int32_t whiteProduct1) {
    const __m128i negativeZero =
        _mm_cmpeq_epi32(_mm_castps_si128(frame), _mm_set1_epi32(std::numeric_limits<int32_t>::min()));
    if (blend.noNoise && _mm_movemask_epi8(negativeZero) == 0) {
        pinkNoise.skipPinkNoisePair(v, randSeed);
        return frame;
    }
    __m128 noise;
    if (blend.useWhite) {
        pinkNoise.skipPinkNoisePair(v, randSeed);
        noise = subSamplePairs(whiteValue(whiteProduct0), whiteValue(whiteProduct1));
    } else {
        const TPinkNoise::TPair pink = pinkNoise.doPinkNoisePair(v, randSeed);
        noise = subSamplePairs(pink.first(), pink.second());
    }
    return _mm_add_ps(_mm_mul_ps(frame, _mm_load_ps(blend.keepLanes)), _mm_mul_ps(_mm_load_ps(blend.amountLanes), noise));
}

// The "Wave" source: a morph of two shapes, read at two phases a sub-sample
// apart, with the feedback of the last frame moving the first phase.
[[gnu::always_inline]] inline __m128 renderWave(int v, float inc, const TVoiceSourceInput& input,
                                                TVoiceSourceState& state) {
    const TWaveReadCache& morph = waveRead(state.caches[v].waveRead, (input.waveMix + input.sourceMix + 40.0f) * 3.0f,
                                           input.waveIndex, WAVE_BAND_TABLE_SIZE - 1);
    const float phase = state.voicePhase[v];
    const float feedback = (input.waveFeedback + input.sourceFeedback) * 0.75f * state.voiceLevel[v];
    const float x1 = fraction(feedback + input.sourcePhase + 16.0f + phase);
    const float x2 = fractionAfterStep(x1, inc);
    state.voicePhase[v] = fraction(phase + 2.0f * inc);
    return readMorph(morph, x1, x2, symmetryOf(input.waveSymmetry + input.sourceSymmetry));
}

// One frame of a valid voice (0..15) as four lanes; renderVoiceSource in
// VoiceSource.h tells what it does.
[[gnu::always_inline]] inline __m128 renderVoiceSourceFrame(int v, const TVoiceSourceInput& input,
                                                            TVoiceSourceState& state, const TEngineTables& tables,
                                                            TPinkNoise& pinkNoise, TRandSeed& seed,
                                                            TFilter& bandPass, float* noiseAmount) {
    // Fresh noise every frame, one value per sub-sample, drawn whatever the
    // mode so that the seed and the pink rows run on alike. The seed stays in
    // a local meanwhile: the pink rows and counters are stored as it is drawn
    // from, and the compiler cannot tell them apart from it.
    // The pink draws follow the white ones; the rows behind them are worked
    // out only when the frame hears them. Nothing else draws from the seed
    // meanwhile.
    uint32_t randSeed = seed.RandSeed;
    const int32_t whiteProduct0 = TRandSeed::step(randSeed);
    const int32_t whiteProduct1 = TRandSeed::step(randSeed);

    const float inc = input.voiceInc - input.voiceInc == 0.0f ? input.voiceInc : 0.0f;  // finite or 0
    const int mode = input.sourceMode;
    __m128 frame;
    if (mode == SOURCE_WAVE || mode == SOURCE_SAMPLE) {
        frame = mode == SOURCE_WAVE ? renderWave(v, inc, input, state) : _mm_loadu_ps(input.sampleFrame.lane);
        // Below 0.5 the knob fades pink noise in, above it white noise.
        TNoiseBlendCache& cache = state.caches[v].noiseBlend;
        if (!(input.waveSampleNoiseMix == cache.knob && input.sourceWaveSampleNoise == cache.modulation))
            refreshNoiseBlend(cache, input.waveSampleNoiseMix, input.sourceWaveSampleNoise);
        frame = blendNoise(frame, cache.blend, v, pinkNoise, randSeed, whiteProduct0, whiteProduct1);
        seed.RandSeed = randSeed;
        if (noiseAmount != nullptr) *noiseAmount = cache.blend.amountLanes[0];
    } else {
        const TPinkNoise::TPair pink = pinkNoise.doPinkNoisePair(v, randSeed);
        seed.RandSeed = randSeed;
        frame = renderNoiseModes(v, mode, inc, input, state, tables, bandPass, whiteValue(whiteProduct0),
                                 whiteValue(whiteProduct1), pink.first(), pink.second());
    }

    // clamp01(wrap) > 0.001 is wrap > 0.001.
    if (input.sourceWrap > 0.001f) [[unlikely]]
        frame = applyWaveFold(frame, input.sourceWrap);
    // A NaN from a sample or a parameter must not reach the filters or the
    // feedback path, where it would stay for the rest of the note.
    frame = keepFinite(frame);
    state.voiceLevel[v] = _mm_cvtss_f32(frame) * _mm_cvtss_f32(_mm_movehl_ps(frame, frame)) * 0.5f;

    if (input.subVolumeSmoothed > 0.001f) [[unlikely]]
        frame = addSubOscillator(v, input, state, frame);
    return frame;
}

// One frame of a valid voice (0..15) while input.steadyWave is active: what
// renderVoiceSourceFrame gives for it, with the parts every voice shares
// taken from the frame. Only the voice's pitch increment and band index are
// its own; the noise amount is steady.noise.amountLanes[0].
[[gnu::always_inline]] inline __m128 renderSteadyWaveFrame(int v, float voiceInc, int waveIndex,
                                                           const TSteadyWaveFrame& steady, TVoiceSourceState& state,
                                                           TPinkNoise& pinkNoise, TRandSeed& seed) {
    // The draws as in renderVoiceSourceFrame.
    uint32_t randSeed = seed.RandSeed;
    const int32_t whiteProduct0 = TRandSeed::step(randSeed);
    const int32_t whiteProduct1 = TRandSeed::step(randSeed);

    const TWaveReadCache& morph =
        waveRead(state.caches[v].waveRead, steady.morphArgument, waveIndex, WAVE_BAND_TABLE_SIZE - 1);
    const float phase = state.voicePhase[v];
    const float feedback = steady.feedbackGain * state.voiceLevel[v];
    const float x1 = fraction(feedback + steady.sourcePhase + 16.0f + phase);
    float x2;
    uint32_t incBits;
    std::memcpy(&incBits, &voiceInc, sizeof incBits);
    if (incBits < 0x3F800000u) [[likely]] {
        // An increment in 0..1 (every note below the rate) is finite, so it
        // is taken as it stands, and fractionAfterStep's own test is this one.
        const float sum = voiceInc + x1;
        x2 = sum >= 1.0f ? sum - 1.0f : sum;
        state.voicePhase[v] = fraction(phase + 2.0f * voiceInc);
    } else {
        const float inc = voiceInc - voiceInc == 0.0f ? voiceInc : 0.0f;  // finite or 0
        x2 = fractionAfterStep(x1, inc);
        state.voicePhase[v] = fraction(phase + 2.0f * inc);
    }
    int e1;
    int e2;
    if (steady.unwarped) {
        // As in readMorph: the unwarped entries need no division.
        e1 = static_cast<int>(x1 * 4095.99f) & WAVE_TABLE_MASK;
        e2 = static_cast<int>(x2 * 4095.99f) & WAVE_TABLE_MASK;
    } else {
        e1 = warpedEntry(x1, steady.symmetry, steady.symmetryRest);
        e2 = warpedEntry(x2, steady.symmetry, steady.symmetryRest);
    }
    __m128 frame = readMorphEntries(morph, e1, e2);

    frame = blendNoise(frame, steady.noise, v, pinkNoise, randSeed, whiteProduct0, whiteProduct1);
    seed.RandSeed = randSeed;

    // Finite already: table entries are within WAVE_ENTRY_LIMIT, the blend
    // weights in 0..1 and the noise in -1..1, so no lane needs keepFinite.
    state.voiceLevel[v] = _mm_cvtss_f32(frame) * _mm_cvtss_f32(_mm_movehl_ps(frame, frame)) * 0.5f;
    return frame;
}

}  // namespace voicesource

inline stereoOverStruct renderVoiceSource(int v, const TVoiceSourceInput& input, TVoiceSourceState& state,
                                          const TEngineTables& tables, TPinkNoise& pinkNoise, TRandSeed& seed,
                                          TFilter& bandPass, float* noiseAmount) {
    stereoOverStruct out;
    if (v < 0 || v >= VOICE_SOURCE_VOICES) return out;
    _mm_storeu_ps(out.lane,
                  voicesource::renderVoiceSourceFrame(v, input, state, tables, pinkNoise, seed, bandPass, noiseAmount));
    return out;
}
