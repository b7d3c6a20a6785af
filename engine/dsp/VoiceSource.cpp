#include "engine/dsp/VoiceSource.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/dsp/FastMath.h"
#include "engine/dsp/WaveTables.h"

namespace {

constexpr int NOISE_TABLE_MASK = ENGINE_TABLE_SIZE - 1;

// 0..1 with NaN read as 0.
float clamp01(float x) {
    return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
}

// Fractional part in 0..1; NaN and infinity give 0 so that no phase can be
// poisoned for the rest of the note. Below 2^23 x - floor(x) is exact and in
// 0..1 already (adding +0 turns the -0 of x = -0 into the +0 that floor's
// signed zero gives); at and above it every float is whole, so 0.
[[gnu::always_inline]] inline float fraction(float x) {
    if (!(std::fabs(x) < 8388608.0f)) return 0.0f;
    float whole = static_cast<float>(static_cast<int>(x));
    if (whole > x) whole -= 1.0f;
    return (x - whole) + 0.0f;
}

// One white value in -1..1: 2 x ((y x 0.5)) - 1 with y = product x 2^-31 + 1
// in 0..2 is y - 1 exactly, halving and doubling a normal number being exact.
[[gnu::always_inline]] inline float whiteValue(TRandSeed& seed) {
    return (static_cast<float>(seed.step()) * 4.656613e-10f + 1.0f) - 1.0f;
}

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

// Looks the shapes and the band up again only when the morph position or the
// band index moved; both hold still for as long as nothing modulates them.
[[gnu::noinline]] void refreshWaveRead(TWaveReadCache& cache, float m, int bandIndex, int highestIndex) {
    const ShapeBlend fresh = shapeBlend(m);
    const int band = waveBandTable[static_cast<size_t>(std::clamp(bandIndex, 0, highestIndex))];
    cache.argument = m;
    cache.bandIndex = bandIndex;
    cache.table = waveTables[fresh.shape][band];
    cache.nextTable = waveTables[fresh.nextShape][band];
    cache.blend = fresh.blend;
}

[[gnu::always_inline]] inline const TWaveReadCache& waveRead(TWaveReadCache& cache, float m, int bandIndex,
                                                             int highestIndex) {
    if (!(m == cache.argument) || bandIndex != cache.bandIndex) refreshWaveRead(cache, m, bandIndex, highestIndex);
    return cache;
}

// Symmetry s (0.01..0.99) moves the half-cycle point: the first half of the
// table is read in the first s of the cycle. x is a phase in 0..1 (from
// fraction), so the warped value stays in 0..1 and the entry in 0..4095; the
// mask keeps the read inside the table whatever happens.
[[gnu::always_inline]] inline int warpedEntry(float x, float s, float rest) {
    const float warped = x < s ? x * 0.5f / s : (x - s) * 0.5f / rest + 0.5f;
    return static_cast<int>(warped * 4095.99f) & WAVE_TABLE_MASK;
}

float symmetryOf(float amount) {
    return clamp01(amount) * 0.98f + 0.01f;
}

// Two sub-samples of a morph between two shapes at phases x1 and x2. Both
// shapes are read at the phase of their own sub-sample.
[[gnu::always_inline]] inline void readMorph(const TWaveReadCache& morph, float x1, float x2, float symmetry,
                                             float& out1, float& out2) {
    const float rest = 1.0f - symmetry;
    const int e1 = warpedEntry(x1, symmetry, rest);
    const int e2 = warpedEntry(x2, symmetry, rest);
    const float keep = 1.0f - morph.blend;
    out1 = keep * morph.table[e1] + morph.blend * morph.nextTable[e1];
    out2 = keep * morph.table[e2] + morph.blend * morph.nextTable[e2];
}

// Every lane that is not a finite number becomes 0, the four lanes tested
// together.
[[gnu::always_inline]] inline __m128 keepFinite(__m128 frame) {
    const __m128 magnitude = _mm_and_ps(frame, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
    return _mm_and_ps(frame, _mm_cmple_ps(magnitude, _mm_set1_ps(std::numeric_limits<float>::max())));
}

// (first, first, second, second): both channels of each sub-sample alike.
[[gnu::always_inline]] inline __m128 subSamplePairs(float first, float second) {
    const __m128 pair = _mm_unpacklo_ps(_mm_set_ss(first), _mm_set_ss(second));
    return _mm_unpacklo_ps(pair, pair);
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

// 2^(4w) for w in 0..1: the fold multiplies by up to 16.
// Called when clamp01(wrap) > 0.001.
void applyWaveFold(stereoOverStruct& frame, float wrap) {
    const float w = clamp01(wrap);
    const float gain = std::exp2(4.0f * w);
    for (float& x : frame.lane) {
        if (x == 0.0f) continue;
        const float y = gain * std::fabs(x);
        const float folded = 1.0f - std::fabs(y - 2.0f * exactFloor(y * 0.5f) - 1.0f);
        x = x > 0.0f ? folded : -folded;
    }
}

void addSubOscillator(int v, const TVoiceSourceInput& input, TVoiceSourceState& state, stereoOverStruct& frame) {
    const TWaveReadCache& morph = waveRead(state.subRead[v], (input.subWaveMix + 40.0f) * 3.0f, input.subIndex, 115);
    const float x1 = fraction(input.subPhaseOffset + 16.0f + state.subPhase[v]);
    const float x2 = fraction(input.subInc + x1);
    float first = 0.0f;
    float second = 0.0f;
    readMorph(morph, x1, x2, symmetryOf(input.subSymmetry + 0.5f), first, second);
    const float pan = clamp01(input.subPan + 0.5f);
    const float leftGain = std::max(std::min(2.0f - 2.0f * pan, 1.0f), 0.0f);
    const float rightGain = std::max(std::min(2.0f * pan, 1.0f), 0.0f);
    const float level = input.subVolumeGain * input.subVolume;
    frame.lane[0] += level * leftGain * first;
    frame.lane[1] += level * rightGain * first;
    frame.lane[2] += level * leftGain * second;
    frame.lane[3] += level * rightGain * second;
    state.subPhase[v] = fraction(state.subPhase[v] + 2.0f * input.subInc);
}

}  // namespace

stereoOverStruct renderVoiceSource(int v, const TVoiceSourceInput& input, TVoiceSourceState& state,
                                   const TEngineTables& tables, TPinkNoise& pinkNoise, TRandSeed& seed,
                                   TFilter& bandPass, float* noiseAmount) {
    stereoOverStruct out;
    if (v < 0 || v >= VOICE_SOURCE_VOICES) return out;

    // Fresh noise every frame, one value per sub-sample, drawn whatever the
    // mode so that the seed and the pink rows run on alike.
    float white[2];
    white[0] = whiteValue(seed);
    white[1] = whiteValue(seed);
    float pink[2];
    pinkNoise.doPinkNoisePair(v, seed, pink[0], pink[1]);

    const float inc = std::isfinite(input.voiceInc) ? input.voiceInc : 0.0f;
    const int mode = input.sourceMode;
    __m128 frame = _mm_setzero_ps();
    if (mode == SOURCE_WAVE) {
        const TWaveReadCache& morph = waveRead(state.waveRead[v], (input.waveMix + input.sourceMix + 40.0f) * 3.0f,
                                               input.waveIndex, WAVE_BAND_TABLE_SIZE - 1);
        const float phase = state.voicePhase[v];
        const float feedback = (input.waveFeedback + input.sourceFeedback) * 0.75f * state.voiceLevel[v];
        const float x1 = fraction(feedback + input.sourcePhase + 16.0f + phase);
        const float x2 = fraction(inc + x1);
        float first = 0.0f;
        float second = 0.0f;
        readMorph(morph, x1, x2, symmetryOf(input.waveSymmetry + input.sourceSymmetry), first, second);
        frame = subSamplePairs(first, second);
        state.voicePhase[v] = fraction(phase + 2.0f * inc);
    } else if (mode == SOURCE_SAMPLE) {
        frame = _mm_loadu_ps(input.sampleFrame.lane);
    } else if (mode == SOURCE_NOISE || mode == SOURCE_TUNED_NOISE || mode == SOURCE_SYNCED_NOISE) {
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
        frame = subSamplePairs(first, second);
    }

    if (mode == SOURCE_WAVE || mode == SOURCE_SAMPLE) {
        // Below 0.5 the knob fades pink noise in, above it white noise.
        const float x = input.waveSampleNoiseMix;
        const bool useWhite = x >= 0.5f;
        const float d = useWhite ? 2.0f * x - 1.0f : 1.0f - 2.0f * x;
        const float amount = clamp01(d * d * d * d + input.sourceWaveSampleNoise);
        const float* noise = useWhite ? white : pink;
        frame = _mm_add_ps(_mm_mul_ps(frame, _mm_set1_ps(1.0f - amount)),
                           _mm_mul_ps(_mm_set1_ps(amount), subSamplePairs(noise[0], noise[1])));
        if (noiseAmount != nullptr) *noiseAmount = amount;
    }

    // A NaN from a sample or a parameter must not reach the filters or the
    // feedback path, where it would stay for the rest of the note.
    if (clamp01(input.sourceWrap) > 0.001f) {
        _mm_storeu_ps(out.lane, frame);
        applyWaveFold(out, input.sourceWrap);
        frame = _mm_loadu_ps(out.lane);
    }
    frame = keepFinite(frame);

    _mm_storeu_ps(out.lane, frame);
    state.voiceLevel[v] = out.lane[0] * out.lane[2] * 0.5f;

    if (input.subVolumeSmoothed > 0.001f) {
        addSubOscillator(v, input, state, out);
        _mm_storeu_ps(out.lane, keepFinite(_mm_loadu_ps(out.lane)));
    }
    return out;
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
