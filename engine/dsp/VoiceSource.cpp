#include "engine/dsp/VoiceSource.h"

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
// poisoned for the rest of the note.
float fraction(float x) {
    const float f = x - exactFloor(x);
    return (f >= 0.0f && f < 1.0f) ? f : 0.0f;
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

[[gnu::always_inline]] inline ShapeBlend shapeBlend(TShapeBlendCache& cache, float m) {
    if (!(m == cache.argument)) {
        const ShapeBlend fresh = shapeBlend(m);
        cache.argument = m;
        cache.shape = fresh.shape;
        cache.nextShape = fresh.nextShape;
        cache.blend = fresh.blend;
    }
    return {cache.shape, cache.nextShape, cache.blend};
}

// Symmetry s (0.01..0.99) moves the half-cycle point: the first half of the
// table is read in the first s of the cycle.
int warpedEntry(float x, float s) {
    const float warped = x < s ? x * 0.5f / s : (x - s) * 0.5f / (1.0f - s) + 0.5f;
    const float scaled = warped * 4095.99f;
    if (!(scaled >= 0.0f && scaled < 4096.0f)) return 0;
    return static_cast<int>(scaled) & WAVE_TABLE_MASK;
}

float symmetryOf(float amount) {
    return clamp01(amount) * 0.98f + 0.01f;
}

int bandOf(int index, int highest) {
    return waveBandTable[static_cast<size_t>(std::clamp(index, 0, highest))];
}

// Two sub-samples of a morph between two shapes at phases x1 and x2. Both
// shapes are read at the phase of their own sub-sample.
[[gnu::always_inline]] inline void readMorph(const ShapeBlend& morph, int band, float x1, float x2, float symmetry, float& out1, float& out2) {
    const float* t = waveTables[morph.shape][band];
    const float* u = waveTables[morph.nextShape][band];
    const int e1 = warpedEntry(x1, symmetry);
    const int e2 = warpedEntry(x2, symmetry);
    const float keep = 1.0f - morph.blend;
    out1 = keep * t[e1] + morph.blend * u[e1];
    out2 = keep * t[e2] + morph.blend * u[e2];
}

// Every lane that is not a finite number becomes 0; written as a select so
// that the four lanes are tested together.
void keepFinite(stereoOverStruct& frame) {
    for (float& x : frame.lane) x = std::fabs(x) <= std::numeric_limits<float>::max() ? x : 0.0f;
}

void setLanes(stereoOverStruct& frame, float first, float second) {
    frame.lane[0] = first;
    frame.lane[1] = first;
    frame.lane[2] = second;
    frame.lane[3] = second;
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
void applyWaveFold(stereoOverStruct& frame, float wrap) {
    const float w = clamp01(wrap);
    if (w <= 0.001f) return;
    const float gain = std::exp2(4.0f * w);
    for (float& x : frame.lane) {
        if (x == 0.0f) continue;
        const float y = gain * std::fabs(x);
        const float folded = 1.0f - std::fabs(y - 2.0f * exactFloor(y * 0.5f) - 1.0f);
        x = x > 0.0f ? folded : -folded;
    }
}

void addSubOscillator(int v, const TVoiceSourceInput& input, TVoiceSourceState& state, stereoOverStruct& frame) {
    if (!(input.subVolumeSmoothed > 0.001f)) return;
    const ShapeBlend morph = shapeBlend(state.subMorph[v], (input.subWaveMix + 40.0f) * 3.0f);
    const float x1 = fraction(input.subPhaseOffset + 16.0f + state.subPhase[v]);
    const float x2 = fraction(input.subInc + x1);
    float first = 0.0f;
    float second = 0.0f;
    readMorph(morph, bandOf(input.subIndex, 115), x1, x2, symmetryOf(input.subSymmetry + 0.5f), first, second);
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
    stereoOverStruct frame;
    if (v < 0 || v >= VOICE_SOURCE_VOICES) return frame;

    // Fresh noise every frame, one value per sub-sample.
    float white[2];
    white[0] = seed.bipolar();
    white[1] = seed.bipolar();
    float pink[2];
    pink[0] = pinkNoise.doPinkNoise(v, seed);
    pink[1] = pinkNoise.doPinkNoise(v, seed);

    const float inc = std::isfinite(input.voiceInc) ? input.voiceInc : 0.0f;
    switch (input.sourceMode) {
        case SOURCE_NOISE:
        case SOURCE_TUNED_NOISE:
        case SOURCE_SYNCED_NOISE: {
            if (input.sourceMode == SOURCE_SYNCED_NOISE) readSyncedNoise(v, inc, state, tables, pink, white);
            const float m = triangleFold(input.noiseMix + input.sourceMix + 20.0f);
            float first = (1.0f - m) * pink[0] + m * white[0];
            float second = (1.0f - m) * pink[1] + m * white[1];
            if (input.sourceMode == SOURCE_TUNED_NOISE) {
                const float width = clamp01(input.sourceBandWidth + 0.5f);
                const int gainEntry = std::min(static_cast<int>(width * 65536.0f), ENGINE_TABLE_SIZE - 1);
                bandPass.setBP(4.0f * input.sampleRate * inc, 0.666f * width, tables.tunedNoiseGain[gainEntry], true);
                bandPass.processBP(first, second, first, second);
            }
            setLanes(frame, first, second);
            break;
        }
        case SOURCE_WAVE: {
            const ShapeBlend morph = shapeBlend(state.waveMorph[v], (input.waveMix + input.sourceMix + 40.0f) * 3.0f);
            const float feedback = (input.waveFeedback + input.sourceFeedback) * 0.75f * state.voiceLevel[v];
            const float x1 = fraction(feedback + input.sourcePhase + 16.0f + state.voicePhase[v]);
            const float x2 = fraction(inc + x1);
            float first = 0.0f;
            float second = 0.0f;
            readMorph(morph, bandOf(input.waveIndex, WAVE_BAND_TABLE_SIZE - 1), x1, x2,
                      symmetryOf(input.waveSymmetry + input.sourceSymmetry), first, second);
            setLanes(frame, first, second);
            state.voicePhase[v] = fraction(state.voicePhase[v] + 2.0f * inc);
            break;
        }
        case SOURCE_SAMPLE:
            frame = input.sampleFrame;
            break;
        default:
            break;
    }

    if (input.sourceMode == SOURCE_WAVE || input.sourceMode == SOURCE_SAMPLE) {
        // Below 0.5 the knob fades pink noise in, above it white noise.
        const float x = input.waveSampleNoiseMix;
        const bool useWhite = x >= 0.5f;
        const float d = useWhite ? 2.0f * x - 1.0f : 1.0f - 2.0f * x;
        const float amount = clamp01(d * d * d * d + input.sourceWaveSampleNoise);
        const float* noise = useWhite ? white : pink;
        for (int lane = 0; lane < 4; ++lane) {
            frame.lane[lane] = frame.lane[lane] * (1.0f - amount) + amount * noise[lane / 2];
        }
        if (noiseAmount != nullptr) *noiseAmount = amount;
    }

    applyWaveFold(frame, input.sourceWrap);

    // A NaN from a sample or a parameter must not reach the filters or the
    // feedback path, where it would stay for the rest of the note.
    keepFinite(frame);

    state.voiceLevel[v] = frame.lane[0] * frame.lane[2] * 0.5f;

    addSubOscillator(v, input, state, frame);
    keepFinite(frame);
    return frame;
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
