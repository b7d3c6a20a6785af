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
        // The unwarped default gives x back exactly, so the divisions are
        // left out (WaveSourceTest.SymmetryWarpsThePhase).
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

// The four-voice frame's constants (see VectorLanes.h).
inline const Lanes SIXTEEN_LANES = allLanes(16.0f);
inline const Lanes ENTRY_SCALE_LANES = allLanes(4095.99f);

// Lanes whose bits, read unsigned, are below `limit`: SSE2 compares signed,
// so both sides have their top bit flipped first.
[[gnu::always_inline]] inline __m128i bitsBelow(__m128 x, uint32_t limit) {
    const __m128i flip = _mm_set1_epi32(std::numeric_limits<int32_t>::min());
    return _mm_cmplt_epi32(_mm_xor_si128(_mm_castps_si128(x), flip),
                           _mm_set1_epi32(static_cast<int32_t>(limit ^ 0x80000000u)));
}

// x - float(int(x)): fraction's answer where x is in 0..2^23.
[[gnu::always_inline]] inline __m128 fractionOfSmall(__m128 x) {
    return _mm_sub_ps(x, _mm_cvtepi32_ps(_mm_cvttps_epi32(x)));
}

// Table entries of four phases in 0..1 at one symmetry, as readMorph takes them.
[[gnu::always_inline]] inline __m128i steadyEntries(__m128 x, const TSteadyWaveFrame& steady) {
    __m128 warped = x;
    if (!steady.unwarped) {
        const __m128 half = load(HALF_LANES);
        const __m128 s = load(steady.symmetryLanes);
        const __m128 firstHalf = _mm_div_ps(_mm_mul_ps(x, half), s);
        const __m128 secondHalf =
            _mm_add_ps(_mm_div_ps(_mm_mul_ps(_mm_sub_ps(x, s), half), load(steady.symmetryRestLanes)), half);
        const __m128 below = _mm_cmplt_ps(x, s);
        warped = select(below, firstHalf, secondHalf);
    }
    return _mm_and_si128(_mm_cvttps_epi32(_mm_mul_ps(warped, load(ENTRY_SCALE_LANES))),
                         _mm_set1_epi32(WAVE_TABLE_MASK));
}

// One frame of the voices first..first + 3 (first + 3 below 16) whose bit is
// set in onBits (bit i: voice first + i), while the frame's steady wave is
// active: for each of them what renderVoiceSourceFrame gives, drawing from
// the seed in voice order. Lane i of voiceInc and tableOffsets[i] (the
// voice's waveTableOffset) are voice first + i's own; everything else is the
// frame's. Writes the voices' frames to frames[0..3]; the other voices keep
// their state and frames. With LANES the frames go to lanes[0..3] instead, as
// one vector per frame lane (left and right of the first sub-sample, then of
// the second), a voice per lane; frames[] may then be written too, and the
// lanes of voices that are off are unspecified.
template <bool LANES = false>
[[gnu::always_inline]] inline void renderSteadyWaveOfFour(int first, int onBits, __m128 voiceInc,
                                                          const int32_t* tableOffsets, const TSteadyWaveFrame& steady,
                                                          TVoiceSourceState& state, TPinkNoise& pinkNoise,
                                                          TRandSeed& seed, stereoOverStruct* frames,
                                                          __m128* lanes = nullptr) {
    const __m128 on = _mm_castsi128_ps(laneMaskOfBits(onBits));
    const auto keep = [on, onBits](__m128 now, __m128 old) {
        return onBits == 0xF ? now : select(on, now, old);
    };
    const __m128 one = load(ONE_LANES);

    // The phases, a voice per lane, with renderVoiceSourceFrame's operations
    // in their order.
    const __m128 phase = _mm_loadu_ps(&state.voicePhase[first]);
    const __m128 level = _mm_loadu_ps(&state.voiceLevel[first]);
    const __m128 feedback = _mm_mul_ps(load(steady.feedbackGainLanes), level);
    const __m128 firstSum =
        _mm_add_ps(_mm_add_ps(_mm_add_ps(feedback, load(steady.sourcePhaseLanes)), load(SIXTEEN_LANES)), phase);
    const __m128 phaseSum = _mm_add_ps(phase, _mm_mul_ps(load(TWO_LANES), voiceInc));
    // Where both sums are in 0..2^23 and the increment in 0..1, fraction and
    // fractionAfterStep take their common case, which the lanes take here.
    const __m128i common =
        _mm_and_si128(_mm_and_si128(bitsBelow(firstSum, 0x4B000000u), bitsBelow(phaseSum, 0x4B000000u)),
                      bitsBelow(voiceInc, 0x3F800000u));
    __m128 x1 = fractionOfSmall(firstSum);
    const __m128 secondSum = _mm_add_ps(voiceInc, x1);
    // sum - 0 is the sum, -0 included.
    __m128 x2 = _mm_sub_ps(secondSum, _mm_and_ps(_mm_cmpge_ps(secondSum, one), one));
    __m128 nextPhase = fractionOfSmall(phaseSum);
    if ((_mm_movemask_ps(_mm_castsi128_ps(common)) & onBits) != onBits) [[unlikely]] {
        // Some voice is off the common case: every lane the scalar way.
        alignas(16) float feedbackLanes[4], phaseLanes[4], incLanes[4], x1Lanes[4], x2Lanes[4], nextLanes[4];
        _mm_store_ps(feedbackLanes, feedback);
        _mm_store_ps(phaseLanes, phase);
        _mm_store_ps(incLanes, voiceInc);
        for (int i = 0; i < 4; ++i) {
            const float voiceIncLane = incLanes[i];
            const float inc = voiceIncLane - voiceIncLane == 0.0f ? voiceIncLane : 0.0f;  // finite or 0
            x1Lanes[i] = fraction(feedbackLanes[i] + steady.sourcePhase + 16.0f + phaseLanes[i]);
            x2Lanes[i] = fractionAfterStep(x1Lanes[i], inc);
            nextLanes[i] = fraction(phaseLanes[i] + 2.0f * inc);
        }
        x1 = _mm_load_ps(x1Lanes);
        x2 = _mm_load_ps(x2Lanes);
        nextPhase = _mm_load_ps(nextLanes);
    }
    _mm_storeu_ps(&state.voicePhase[first], keep(nextPhase, phase));

    // The table reads: the morph's two shapes at each voice's band, a voice per lane.
    const __m128i offsets = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tableOffsets));
    // Unsigned, so that they index without a sign extension.
    alignas(16) uint32_t firstEntry[4];
    alignas(16) uint32_t secondEntry[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(firstEntry), _mm_add_epi32(offsets, steadyEntries(x1, steady)));
    _mm_store_si128(reinterpret_cast<__m128i*>(secondEntry), _mm_add_epi32(offsets, steadyEntries(x2, steady)));
    const float* const shape = steady.morph.table;
    const float* const nextShape = steady.morph.nextTable;
    const auto gather = [](const float* table, const uint32_t* entries) {
        return _mm_setr_ps(table[entries[0]], table[entries[1]], table[entries[2]], table[entries[3]]);
    };
    const __m128 keepShare = _mm_load_ps(steady.morph.keepLanes);
    const __m128 blendShare = _mm_load_ps(steady.morph.blendLanes);
    const __m128 firstValue = _mm_add_ps(_mm_mul_ps(keepShare, gather(shape, firstEntry)),
                                         _mm_mul_ps(blendShare, gather(nextShape, firstEntry)));
    const __m128 secondValue = _mm_add_ps(_mm_mul_ps(keepShare, gather(shape, secondEntry)),
                                          _mm_mul_ps(blendShare, gather(nextShape, secondEntry)));

    // Each voice's frame: (first, first, second, second).
    const auto frameOf = [firstValue, secondValue](int i) {
        // (first, second) of voices 0 and 1, or of 2 and 3.
        const __m128 pair = i < 2 ? _mm_unpacklo_ps(firstValue, secondValue) : _mm_unpackhi_ps(firstValue, secondValue);
        return i % 2 == 0 ? _mm_unpacklo_ps(pair, pair) : _mm_unpackhi_ps(pair, pair);
    };

    // With no noise heard and no -0 lane (see blendNoise) the frames stand as
    // read, and the voices' draws only move the seed and the pink counters:
    // the two white steps, then the pink skip.
    const __m128i negativeZero = _mm_set1_epi32(std::numeric_limits<int32_t>::min());
    const int negativeZeroLanes =
        _mm_movemask_ps(_mm_castsi128_ps(_mm_or_si128(_mm_cmpeq_epi32(_mm_castps_si128(firstValue), negativeZero),
                                                      _mm_cmpeq_epi32(_mm_castps_si128(secondValue), negativeZero))));
    constexpr TPinkNoise::TSeedJump TWO_WHITE_STEPS = {16807u * 16807u, 16807u + 1u};
    if (steady.noise.noNoise && (negativeZeroLanes & onBits) == 0 &&
        pinkNoise.skipPinkNoisePairsOfFour<TWO_WHITE_STEPS>(first, onBits, seed.RandSeed)) [[likely]] {
        // Finite already: table entries are within WAVE_ENTRY_LIMIT and the
        // blend weights in 0..1, so no lane needs keepFinite.
        const __m128 nextLevel = _mm_mul_ps(_mm_mul_ps(firstValue, secondValue), load(HALF_LANES));
        _mm_storeu_ps(&state.voiceLevel[first], keep(nextLevel, level));
        if constexpr (LANES) {
            lanes[0] = lanes[1] = firstValue;
            lanes[2] = lanes[3] = secondValue;
        } else {
            for (int i = 0; i < 4; ++i)
                if (onBits == 0xF || (onBits & (1 << i))) _mm_storeu_ps(frames[i].lane, frameOf(i));
        }
    } else {
        // Voice by voice, in voice order for the seed.
        uint32_t randSeed = seed.RandSeed;
        for (int i = 0; i < 4; ++i) {
            if (!(onBits & (1 << i))) continue;
            const int32_t whiteProduct0 = TRandSeed::step(randSeed);
            const int32_t whiteProduct1 = TRandSeed::step(randSeed);
            const __m128 blended =
                blendNoise(frameOf(i), steady.noise, first + i, pinkNoise, randSeed, whiteProduct0, whiteProduct1);
            // Finite: the noise is in -1..1 as well.
            state.voiceLevel[first + i] =
                _mm_cvtss_f32(blended) * _mm_cvtss_f32(_mm_movehl_ps(blended, blended)) * 0.5f;
            _mm_storeu_ps(frames[i].lane, blended);
        }
        seed.RandSeed = randSeed;
        if constexpr (LANES) {
            for (int i = 0; i < 4; ++i) lanes[i] = _mm_loadu_ps(frames[i].lane);
            _MM_TRANSPOSE4_PS(lanes[0], lanes[1], lanes[2], lanes[3]);
        }
    }
}

// One frame of a valid voice (0..15) while input.steadyWave is active: what
// renderVoiceSourceFrame gives for it, with the parts every voice shares
// taken from the frame. Only the voice's pitch increment and band index are
// its own; the noise amount is steady.noise.amountLanes[0].
inline __m128 renderSteadyWaveFrame(int v, float voiceInc, int waveIndex, const TSteadyWaveFrame& steady,
                                    TVoiceSourceState& state, TPinkNoise& pinkNoise, TRandSeed& seed) {
    const int lane = v & 3;
    alignas(16) int32_t tableOffsets[4] = {};
    tableOffsets[lane] = waveTableOffset(waveIndex);
    stereoOverStruct frames[4];
    renderSteadyWaveOfFour(v - lane, 1 << lane, _mm_set1_ps(voiceInc), tableOffsets, steady, state, pinkNoise, seed,
                           frames);
    return _mm_loadu_ps(frames[lane].lane);
}

}  // namespace voicesource

inline void prepareSteadyWaveFrame(TVoiceSourceInput& input) {
    const TSteadyWaveFrame& steady = input.steadyWave;
    static_assert(offsetof(TVoiceSourceInput, sourceWrap) - offsetof(TVoiceSourceInput, noiseMix) == 11 * sizeof(float),
                  "noiseMix to sourceWrap side by side");
    // Compared as bits: equal bits give equal results, NaN included.
    const float* const values = &input.noiseMix;
    const __m128i* const last = reinterpret_cast<const __m128i*>(steady.preparedFrom.values);
    const __m128i same = _mm_and_si128(
        _mm_and_si128(_mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values)), _mm_load_si128(last)),
                      _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values + 4)),
                                      _mm_load_si128(last + 1))),
        _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values + 8)), _mm_load_si128(last + 2)));
    uint32_t subVolumeBits, lastSubVolumeBits;
    std::memcpy(&subVolumeBits, &input.subVolumeSmoothed, sizeof subVolumeBits);
    std::memcpy(&lastSubVolumeBits, &steady.preparedFrom.subVolumeSmoothed, sizeof lastSubVolumeBits);
    if (steady.prepared && _mm_movemask_epi8(same) == 0xFFFF && input.sourceMode == steady.preparedFrom.sourceMode &&
        subVolumeBits == lastSubVolumeBits)
        return;
    refreshSteadyWaveFrame(input);
}

inline stereoOverStruct renderVoiceSource(int v, const TVoiceSourceInput& input, TVoiceSourceState& state,
                                          const TEngineTables& tables, TPinkNoise& pinkNoise, TRandSeed& seed,
                                          TFilter& bandPass, float* noiseAmount) {
    stereoOverStruct out;
    if (v < 0 || v >= VOICE_SOURCE_VOICES) return out;
    _mm_storeu_ps(out.lane,
                  voicesource::renderVoiceSourceFrame(v, input, state, tables, pinkNoise, seed, bandPass, noiseAmount));
    return out;
}
