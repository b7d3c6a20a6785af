#include "engine/dsp/TFilter.h"

#include "engine/dsp/FilterTables.h"
#include "engine/dsp/SampleMath.h"
#include "engine/dsp/VectorLanes.h"

#include <emmintrin.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <type_traits>

using namespace filterlanes;

namespace {

// Saturation constants of the four-pole cascade. The channels differ in the
// last digit, so a cascade driven into saturation differs very slightly
// between left and right; neither is exactly 1/6.
constexpr float CASCADE_SATURATION[2] = {0.166666f, 0.16666f};
// The cascade's saturator x - c x^3 turns over at x = sqrt(1 / (3c)) and runs
// off to infinity beyond it; its argument is held at the turning point.
const float CASCADE_TURN[2] = {static_cast<float>(std::sqrt(1.0 / (3.0 * 0.166666f))),
                               static_cast<float>(std::sqrt(1.0 / (3.0 * 0.16666f)))};
constexpr float DENORMAL_GUARD = 1e-15f;
constexpr float HISTORY_LIMIT = 2.0f;     // biquad and formant histories, scaled domain
constexpr float COMB_LIMIT = 100.0f;
const Lanes LOWEST_HISTORY_LANES = allLanes(-HISTORY_LIMIT);
const Lanes HIGHEST_HISTORY_LANES = allLanes(HISTORY_LIMIT);

constexpr float TWO_SQRT2 = 2.82842708f;

// Formant frequencies in Hz of the vowels A, E, I, O, U (four formants each).
constexpr float FORMANTS[5][4] = {
    {650.0f, 1080.0f, 2650.0f, 2900.0f},
    {400.0f, 1700.0f, 2600.0f, 3200.0f},
    {290.0f, 1870.0f, 2800.0f, 3250.0f},
    {400.0f, 800.0f, 2800.0f, 3000.0f},
    {350.0f, 600.0f, 2700.0f, 2900.0f},
};

// The ring of three history slots: the index steps 0 -> 1 -> 2 -> 0, and at
// each index these are the slots of n, n-1 and n-2.
constexpr int ntempf[3] = {1, 2, 0};
constexpr int nf0[3] = {2, 1, 0};
constexpr int nf1[3] = {0, 2, 1};
constexpr int nf2[3] = {1, 0, 2};

constexpr int TABLE_LAST = FILTER_TABLE_SIZE - 1;
// Table index of a normalised frequency of 0.4, the highest a formant section uses.
constexpr int FORMANT_LIMIT_INDEX = 104857;
constexpr float COMB_DELAY_MIN = 513.0f;          // 3 entries
// 8191 entries: the longest delay whose read entry still trails the write
// entry; one entry more would read back the input just written, undelayed.
constexpr float COMB_DELAY_MAX = 8191.0f * 256.0f;
constexpr int COMB_POSITION_MASK = (1 << 21) - 1;

// A float clamped in float before it becomes an index; NaN gives 0.
int tableIndex(float x, int last) {
    if (!(x > 0.0f)) return 0;
    if (x >= static_cast<float>(last)) return last;
    return static_cast<int>(x);
}

// Clamp that maps NaN to the lower bound, so a bad value cannot stay in a history.
float clampTo(float x, float lo, float hi) {
    if (!(x > lo)) return lo;
    return x < hi ? x : hi;
}


// The comb output: held to +-100, otherwise lifted by the denormal guard.
float limitComb(float v) {
    if (v > COMB_LIMIT) return COMB_LIMIT;
    if (v < -COMB_LIMIT) return -COMB_LIMIT;
    return v == v ? v + DENORMAL_GUARD : 0.0f;
}


// The kernel's scaledLanesOf() for one frame.
inline __m128 scaledInput(const stereoOverStruct& in) {
    return _mm_mul_ps(finiteOnly(_mm_loadu_ps(in.lane)), load(INPUT_SCALE_LANES));
}

}  // namespace

void TFilter::bind(TFilterQuarter& quarter, int laneOfQuarter) {
    quarter.copyLane(laneOfQuarter, *values, lane);
    values = &quarter;
    lane = laneOfQuarter;
}

void TFilter::init(float sampleRate) {
    const float rate = (sampleRate >= 1000.0f && std::isfinite(sampleRate)) ? sampleRate : 44100.0f;
    TFilterQuarter& v = *values;
    const int i = lane;
    v.maxCutoff[i] = 0.4f * rate;
    v.invOverRate[i] = 1.0f / (2.0f * rate);
    v.smoothFreq[i] = 0.5f;
    v.offsetLeft[i] = v.env[i] = v.vel[i] = 0.0f;
    v.mod[i] = 0.0f;
    v.track[i] = 1.0f;
    v.rate[i] = rate;
    v.direct[i] = 0u;
    type = 0;
    v.appliedType[i] = -1;
    trackOctaves = std::numeric_limits<float>::quiet_NaN();
    for (int c = 0; c < 2; ++c) {
        v.cutoff[c][i] = v.appliedCutoff[c][i] = 0.0f;
        v.stateVariableF[c][i] = 0.0f;
        v.low[c][i] = v.band[c][i] = 0.0f;
    }
    v.q[i] = v.appliedQ[i] = v.vowel[i] = v.appliedVowel[i] = 0.0f;
    v.powerExponent[i] = rightPowerExponent = 0.0f;
    v.powerValue[i] = rightPowerValue = 1.0f;
    v.stateVariableD[i] = 0.0f;
    smoothPair[0] = smoothPair[1] = 0.0f;
    lfo = 0.0f;
    distort = distortGain = 0.0f;
    ringIndex = 0;
    ringPos[0] = 0;
    ringPos[1] = 1;
    ringPos[2] = 2;
    coef[0] = coef[1] = ChannelCoefficients{};
    forgetKeptCoefficients();
    state[0] = state[1] = ChannelState{};
    weightLow = weightBand = weightHigh = 0.0f;
    combFeedback = 0.0f;
    carrierPhase = 0.0f;
    std::memset(combIn, 0, sizeof(combIn));
    std::memset(combOut, 0, sizeof(combOut));
    combPosition = 0;
    combWritten = 0;
    bpFreq = -1.0f;
    bpWidth = -1.0f;
    bpGain = 1.0f;
    bpB0 = bpA1 = bpA2 = 0.0f;
    for (int k = 0; k < 3; ++k) bpIn[k] = bpOut[k] = 0.0f;
}

void TFilter::reset() {
    TFilterQuarter& v = *values;
    for (int c = 0; c < 2; ++c) v.low[c][lane] = v.band[c][lane] = 0.0f;
    state[0] = state[1] = ChannelState{};
    clearCombLines();
    carrierPhase = 0.0f;
    ringPos[0] = 0;
    ringPos[1] = 1;
    ringPos[2] = 2;
    v.appliedType[lane] = -1;
    bpFreq = -1.0f;
    bpGain = 1.0f;
    for (int i = 0; i < 3; ++i) bpIn[i] = bpOut[i] = 0.0f;
}

void TFilter::clearCombLines() {
    // Entries not written since the last clear are still zero; only the
    // written span, which ends at the current write entry, needs clearing.
    if (combWritten <= 0) return;
    const int entry = (combPosition & COMB_POSITION_MASK) >> 8;
    int first = entry - combWritten + 1;
    if (first < 0) first += COMB_LENGTH;
    const int firstRun = combWritten < COMB_LENGTH - first ? combWritten : COMB_LENGTH - first;
    const int secondRun = combWritten - firstRun;
    for (int channel = 0; channel < 2; ++channel) {
        std::memset(&combIn[channel][first], 0, sizeof(float) * static_cast<size_t>(firstRun));
        std::memset(&combOut[channel][first], 0, sizeof(float) * static_cast<size_t>(firstRun));
        if (secondRun > 0) {
            std::memset(&combIn[channel][0], 0, sizeof(float) * static_cast<size_t>(secondRun));
            std::memset(&combOut[channel][0], 0, sizeof(float) * static_cast<size_t>(secondRun));
        }
    }
    combWritten = 0;
}

void TFilter::setType(int newType, bool resetOnChange) {
    if (newType != type && resetOnChange) reset();
    type = newType;
}

void TFilter::setTrack(float amount, float note) {
    // Held to +-64 octaves so that the factor stays a finite, non-zero float.
    const float octaves = clampTo(finiteOrZero(amount * note), -64.0f, 64.0f);
    if (octaves != trackOctaves) {
        trackOctaves = octaves;
        values->track[lane] = std::exp2(octaves);
    }
}

void TFilter::setVel(float amount, float velocity) { values->vel[lane] = finiteOrZero((velocity - 0.5f) * amount); }
void TFilter::setMod(float amount, float value) { values->mod[lane] = finiteOrZero(amount * value); }
void TFilter::setEnv(float amount) { values->env[lane] = finiteOrZero(amount); }

void TFilter::setDistort(float d) {
    distort = clampTo(d, 0.0f, 1.0f);
    distortGain = std::exp2(6.0f * d) - 1.0f;
}

float TFilter::octavePower(int channel, float position) { return exponentPower(channel, octaveExponent(position)); }

void TFilter::process(stereoStruct freq, stereoStruct cutoffOffset, float resonance, float vowelMix,
                      const stereoOverStruct& in, stereoOverStruct& out) {
    TFilterQuarter& v = *values;
    const int i = lane;
    const float offset[2] = {finiteOrZero(cutoffOffset.left), finiteOrZero(cutoffOffset.right)};
    v.offsetLeft[i] = offset[0];
    v.q[i] = coefficientQ(resonance);
    v.vowel[i] = coefficientVowel(vowelMix);

    const float target[2] = {std::isfinite(freq.left) ? freq.left : smoothPair[0],
                             std::isfinite(freq.right) ? freq.right : smoothPair[1]};
    for (int c = 0; c < 2; ++c)
        smoothPair[c] = v.direct[i] ? target[c] : target[c] * 0.01f + smoothPair[c] * 0.99f + DENORMAL_GUARD;
    v.direct[i] = 0u;
    v.smoothFreq[i] = smoothPair[0];

    for (int c = 0; c < 2; ++c) {
        const float x = ((((offset[c] + v.env[i]) + lfo) + v.vel[i]) + v.mod[i]) + smoothPair[c];
        v.cutoff[c][i] = sanitizeCutoff(v.track[i] * octavePower(c, x) * 20.0f);
    }
    if (type == filtertype::BYPASS) {
        out = in;
        return;
    }
    runFrame(in, out);
}

void TFilter::advanceRing() {
    ringIndex = ntempf[ringIndex];
    ringPos[0] = nf0[ringIndex];
    ringPos[1] = nf1[ringIndex];
    ringPos[2] = nf2[ringIndex];
}

// The plain state-variable types need two numbers per channel; a swept
// cutoff updates them every frame, so they skip the family sorting.
inline void TFilter::updateStateVariableCoefficients() {
    TFilterQuarter& v = *values;
    const int i = lane;
    // Both channels at once, in the lower two lanes.
    const __m128 cutoffs = _mm_setr_ps(v.cutoff[0][i], v.cutoff[1][i], 0.0f, 0.0f);
    const __m128i index = sineIndicesOf(TFourFloats{cutoffs}, TFourFloats{_mm_set1_ps(v.maxCutoff[i])},
                                        TFourFloats{_mm_set1_ps(v.invOverRate[i])});
    v.stateVariableF[0][i] = FilterSine[_mm_cvtsi128_si32(index)];
    v.stateVariableF[1][i] = FilterSine[_mm_cvtsi128_si32(_mm_srli_si128(index, 4))];
    v.stateVariableD[i] = 1.0f - v.appliedQ[i] + DENORMAL_GUARD;
}

// The morphing types' mix of their low-, band- and high-pass outputs at
// morph m: low to high, or low through band to high.
inline void TFilter::setMorphWeights(bool throughBand, float m) {
    if (!throughBand) {
        weightLow = 1.0f - m;
        weightBand = 0.0f;
        weightHigh = m;
    } else if (m < 0.5f) {
        weightLow = 1.0f - 2.0f * m;
        weightBand = 2.0f * m;
        weightHigh = 0.0f;
    } else {
        weightLow = 0.0f;
        weightBand = 2.0f - 2.0f * m;
        weightHigh = 2.0f * m - 1.0f;
    }
}

// Family C's coefficients (types 7-12); updateCoefficients() works out those
// of the others. A swept Wah-Wah takes these every frame.
void TFilter::updateZeroDelayCoefficients() {
    const TFilterQuarter& v = *values;
    const float cutoff[2] = {v.cutoff[0][lane], v.cutoff[1][lane]};
    // A right channel at the left's cutoff takes the left's coefficients.
    const bool sameCutoff = cutoff[1] == cutoff[0];
    const float m = v.appliedVowel[lane];
    if (type == filtertype::ZERO_LOW_HIGH_PASS_12DB || type == filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB)
        setMorphWeights(type == filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB, m);
    const float damping = FilterZQ[tableIndex(v.appliedQ[lane] * 0.995f * 131071.0f, TABLE_LAST)];
    int entry[2];
    for (int c = 0; c < (sameCutoff ? 1 : 2); ++c) {
        const float limited = cutoff[c] < v.maxCutoff[lane] ? cutoff[c] : v.maxCutoff[lane];
        const float w = (limited + 0.001f) * v.invOverRate[lane] + DENORMAL_GUARD;
        entry[c] = tableIndex(w * 262143.0f, TABLE_LAST);
    }
    if (sameCutoff) entry[1] = entry[0];
    // The coefficients follow the cutoff only through its table entry: a
    // sweep stays on one entry for a few frames, and the coefficients it
    // made there stand (the division would wait on the table read).
    for (int c = 0; c < 2; ++c) {
        if (entry[c] == zeroDelayEntry[c] && damping == zeroDelayDamping) continue;
        zeroDelayEntry[c] = entry[c];
        ChannelCoefficients& k = coef[c];
        if (c == 1 && entry[1] == entry[0]) {
            k.zdfG = coef[0].zdfG;
            k.zdfRG = coef[0].zdfRG;
            k.zdfH = coef[0].zdfH;
            continue;
        }
        const float g = FilterZTan[entry[c]];
        k.zdfG = g;
        k.zdfRG = 2.0f * damping + g;
        k.zdfH = 1.0f / (1.0f + 2.0f * damping * g + g * g);
    }
    zeroDelayDamping = damping;
}

// The vocal type's coefficients, its four formant sections side by side in
// four lanes, each lane doing what one section's scalar steps would do. A
// TalkBox moves the vowel, so these are taken every frame.
void TFilter::updateVocalCoefficients() {
    const TFilterQuarter& v = *values;
    const float cutoff[2] = {v.cutoff[0][lane], v.cutoff[1][lane]};
    // Vowel position 0..4.99 over A E I O U, wrapping from U back to A.
    float position = std::fmod(v.appliedVowel[lane] * 4.99f + 1996.0f, 4.99f);
    if (!(position >= 0.0f)) position = 0.0f;
    const int row = tableIndex(position, 4);
    const float fraction = position - std::floor(position);
    const int nextRow = (row + 1) % 5;
    const __m128 rScaled = _mm_set1_ps((v.appliedQ[lane] * 0.399f + 0.2f) * 262143.0f);
    const __m128 formant = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(FORMANTS[row]), _mm_set1_ps(1.0f - fraction)),
                                      _mm_mul_ps(_mm_loadu_ps(FORMANTS[nextRow]), _mm_set1_ps(fraction)));
    const __m128 one = _mm_set1_ps(1.0f), highest = _mm_set1_ps(0.4f);
    const __m128 zero = _mm_setzero_ps(), last = _mm_set1_ps(static_cast<float>(TABLE_LAST));
    // tableIndex() for four lanes: max takes its second operand for a NaN, so NaN and below give 0.
    const auto entries = [&](__m128 x) { return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(x, zero), last)); };
    // A right channel at the left's cutoff takes the left's coefficients.
    const bool sameCutoff = cutoff[1] == cutoff[0];
    for (int c = 0; c < (sameCutoff ? 1 : 2); ++c) {
        // The cutoff transposes the formant set; 440 Hz leaves it in place.
        __m128 ws = _mm_mul_ps(_mm_mul_ps(formant, _mm_set1_ps(cutoff[c] / 440.0f)), _mm_set1_ps(v.invOverRate[lane]));
        ws = select(_mm_cmplt_ps(ws, highest), ws, highest);  // NaN too takes the highest
        alignas(16) std::int32_t cIndex[4], dIndex[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(cIndex), entries(_mm_mul_ps(rScaled, ws)));
        _mm_store_si128(reinterpret_cast<__m128i*>(dIndex), entries(_mm_mul_ps(ws, _mm_set1_ps(262143.0f))));
        const __m128 C = _mm_setr_ps(FilterVoxC[cIndex[0]], FilterVoxC[cIndex[1]], FilterVoxC[cIndex[2]],
                                     FilterVoxC[cIndex[3]]);
        const __m128 D = _mm_setr_ps(FilterVoxD[dIndex[0]], FilterVoxD[dIndex[1]], FilterVoxD[dIndex[2]],
                                     FilterVoxD[dIndex[3]]);
        const __m128 g = _mm_div_ps(one, _mm_add_ps(C, one));
        const __m128 a1 = _mm_mul_ps(_mm_mul_ps(_mm_xor_ps(D, _mm_set1_ps(-0.0f)), C), g);
        const __m128 a2 = _mm_mul_ps(_mm_sub_ps(C, one), g);
        for (ChannelCoefficients* k : {&coef[c], &coef[sameCutoff ? 1 : c]}) {
            _mm_storeu_ps(k->formantB0, g);
            _mm_storeu_ps(k->formantA1, a1);
            _mm_storeu_ps(k->formantA2, a2);
        }
    }
}

void TFilter::updateCoefficients() {
    forgetKeptCoefficients();
    const TFilterQuarter& v = *values;
    const float maxCutoff = v.maxCutoff[lane];
    const float invOverRate = v.invOverRate[lane];
    const float appliedQ = v.appliedQ[lane];
    const float cutoff[2] = {v.cutoff[0][lane], v.cutoff[1][lane]};
    float w[2];
    int index[2];
    for (int c = 0; c < 2; ++c) {
        const float limited = cutoff[c] < maxCutoff ? cutoff[c] : maxCutoff;
        w[c] = (limited + 0.001f) * invOverRate + DENORMAL_GUARD;
        index[c] = tableIndex(w[c] * 262143.0f, TABLE_LAST);
    }
    const float m = v.appliedVowel[lane];

    // Mix weights of the 24 dB morphing types (the 12 dB ones are family C's).
    if (type == filtertype::ZERO_LOW_HIGH_PASS_24DB || type == filtertype::ZERO_LOW_BAND_HIGH_PASS_24DB)
        setMorphWeights(type == filtertype::ZERO_LOW_BAND_HIGH_PASS_24DB, m);

    // Only the families the type runs are computed (types 13-16 and 25-26
    // chain two families).
    const bool onePole = (type >= filtertype::LOWPASS_6DB && type <= filtertype::HIGHPASS_6DB) ||
                         (type >= filtertype::LOWPASS_18DB && type <= filtertype::HIGHPASS_18DB);
    const bool stateVariable = (type >= filtertype::LOWPASS_12DB && type <= filtertype::NOTCH_12DB) ||
                               (type >= filtertype::LOWPASS_18DB && type <= filtertype::HIGHPASS_24DB);
    const bool zeroDelayPair =
        type >= filtertype::ZERO_DELAY_LOWPASS_24DB && type <= filtertype::ZERO_LOW_BAND_HIGH_PASS_24DB;
    const bool cascadeStages = (type >= filtertype::BANDPASS_24DB && type <= filtertype::NOTCH_24DB) ||
                               (type >= filtertype::LOWPASS_36DB && type <= filtertype::HIGHPASS_36DB);
    float damping = 0.0f;
    if (zeroDelayPair) {
        // Follows the resonance only, which holds still while the cutoff sweeps.
        const float exponent = -3.0f * 0.995f * appliedQ;
        if (exponent != pairDampingExponent) {
            pairDampingExponent = exponent;
            pairDamping = 0.5f * static_cast<float>(std::exp2(static_cast<double>(exponent)));
        }
        damping = pairDamping;
    }

    // A right channel at the left's cutoff takes the left's coefficients,
    // written alongside them (the values just stored, read back at once as
    // a block, would wait for the stores); channels apart work out their own,
    // each written once. With BOTH (a std::bool_constant) channel c's values
    // go to k and k2, else to k alone.
    const auto channel = [&](auto both, int c, ChannelCoefficients& k, ChannelCoefficients& k2) {
        constexpr bool BOTH = decltype(both)::value;
        const auto put = [](auto& left, auto& right, auto value) {
            left = value;
            if constexpr (BOTH) right = value;
        };
        const int i = index[c];

        if (onePole) {
            put(k.onePoleA, k2.onePoleA, 2.0f * w[c]);
            put(k.onePoleB, k2.onePoleB, 1.0f - 2.0f * w[c]);
        }
        if (stateVariable) {
            put(k.svfF, k2.svfF, FilterSine[i]);
            put(k.svfD, k2.svfD, 1.0f - appliedQ + DENORMAL_GUARD);
        }
        if (zeroDelayPair) {
            const float g = FilterZTan[i];
            put(k.zdfG, k2.zdfG, g);
            put(k.zdfRG, k2.zdfRG, 2.0f * damping + g);
            put(k.zdfH, k2.zdfH, 1.0f / (1.0f + 2.0f * damping * g + g * g));
        }

        // The fixed biquad of families D (15, 16) and G (25, 26).
        if (type == filtertype::LOWPASS_24DB || type == filtertype::LOWPASS_36DB) {
            const float K = Filter12Lo2[i];
            const float a0 = 1.0f / (K * K + TWO_SQRT2 * K + 1.001f);
            put(k.biquadB0, k2.biquadB0, a0);
            put(k.biquadB1, k2.biquadB1, 2.0f * a0);
            put(k.biquadB2, k2.biquadB2, a0);
            put(k.biquadA1, k2.biquadA1, 2.0f * (1.0f - K * K) * a0);
            put(k.biquadA2, k2.biquadA2, (1.0f - TWO_SQRT2 * K + K * K) * a0);
        } else if (type == filtertype::HIGHPASS_24DB || type == filtertype::HIGHPASS_36DB) {
            const float K = Filter12Hi2[i];
            const float a0 = 1.0f / (K * K + TWO_SQRT2 * K + 1.0001f);
            put(k.biquadB0, k2.biquadB0, a0);
            put(k.biquadB1, k2.biquadB1, -2.0f * a0);
            put(k.biquadB2, k2.biquadB2, a0);
            put(k.biquadA1, k2.biquadA1, 2.0f * (K * K - 1.0f) * a0);
            put(k.biquadA2, k2.biquadA2, (1.0f - TWO_SQRT2 * K + K * K) * a0);
        }

        if (cascadeStages) {
            put(k.cascadeP, k2.cascadeP, FilterMFP[i]);
            put(k.cascadeF, k2.cascadeF, FilterMFF[i]);
            put(k.cascadeK, k2.cascadeK, appliedQ * FilterMFQ[i]);
        }

        if (type == filtertype::FORMANT_1 || type == filtertype::FORMANT_2) {
            const int qIndex = tableIndex(appliedQ * 131071.0f, TABLE_LAST);
            const float qi = FilterInvTmpq[qIndex];
            const float qs = FilterTmpqs[qIndex];
            for (int s = 0; s < 4; ++s) {
                float ws;
                if (type == filtertype::FORMANT_2) {
                    const float octaves = 2.0f * (static_cast<float>(s) * 0.6666667f * m - m);
                    ws = std::exp2(octaves) * (cutoff[c] + 0.001f) * invOverRate + DENORMAL_GUARD;
                } else {
                    // Two sections two octaves (at full mix) below the cutoff, two above.
                    const float octaves = s < 2 ? -2.0f * m : 2.0f * m;
                    ws = (cutoff[c] + 0.001f) * std::exp2(octaves) * invOverRate;
                }
                const int wi = ws > 0.4f ? FORMANT_LIMIT_INDEX : tableIndex(ws * 262143.0f, TABLE_LAST);
                const float t = qi * Filter2Sine[wi];
                const float n = 1.0f + t;
                put(k.formantB0[s], k2.formantB0[s], qs * 2.0f * t / n + DENORMAL_GUARD);
                put(k.formantA1[s], k2.formantA1[s], DENORMAL_GUARD - 2.0f * Filter2Cos[wi] / n);
                put(k.formantA2[s], k2.formantA2[s], (1.0f - t) / n + DENORMAL_GUARD);
            }
        } else if (type >= filtertype::POSITIVE_COMB_FILTER && type <= filtertype::PING_PONG_COMB_FILTER) {
            // One period of the cutoff at the doubled rate, in 1/256 sub-sample.
            // A cutoff of 0 (or below a fraction of a hertz) takes the longest line.
            const float limited = cutoff[c] < maxCutoff ? cutoff[c] : maxCutoff;
            float delay = limited > 0.0f ? v.rate[lane] * 512.0f / limited : COMB_DELAY_MAX;
            delay = clampTo(delay, COMB_DELAY_MIN, COMB_DELAY_MAX);
            put(k.combDelay, k2.combDelay, static_cast<int>(delay));
        }
    };
    if (cutoff[1] == cutoff[0]) {
        channel(std::true_type{}, 0, coef[0], coef[1]);
    } else {
        channel(std::false_type{}, 0, coef[0], coef[0]);
        channel(std::false_type{}, 1, coef[1], coef[1]);
    }

    if (type >= filtertype::POSITIVE_COMB_FILTER && type <= filtertype::PING_PONG_COMB_FILTER) {
        combFeedback = static_cast<float>(std::sqrt(std::sqrt(static_cast<double>(appliedQ)))) + DENORMAL_GUARD;
        if (type == filtertype::NEGATIVE_COMB_FILTER) combFeedback = -combFeedback;
    }
}

float TFilter::saturateBand(float band) const {
    const float b = clampTo(band, -BAND_TURN, BAND_TURN);
    return b - BAND_SATURATION * b * b * b;
}

// Family B: one step of the saturating state-variable filter; returns low.
float TFilter::runStateVariable(int channel, const ChannelCoefficients& k, float x, float& high, float& band) {
    float& lowState = values->low[channel][lane];
    float& bandState = values->band[channel][lane];
    const float saturated = saturateBand(bandState);
    high = x - lowState - k.svfD * saturated;
    band = high * k.svfF + saturated + DENORMAL_GUARD;
    const float low = band * k.svfF + lowState + DENORMAL_GUARD;
    bandState = band;
    lowState = low;
    return low;
}

// Families D and G: one step of the biquad on the ring; the history keeps the
// clamped value, the unclamped one is returned.
float TFilter::runBiquad(ChannelState& s, const ChannelCoefficients& k, float x) const {
    const int n = ringPos[0], n1 = ringPos[1], n2 = ringPos[2];
    s.biquadIn[n] = x;
    const float y = k.biquadB0 * x + k.biquadB1 * s.biquadIn[n1] + k.biquadB2 * s.biquadIn[n2] -
                    k.biquadA1 * s.biquadOut[n1] - k.biquadA2 * s.biquadOut[n2] + DENORMAL_GUARD;
    s.biquadOut[n] = clampTo(y, -HISTORY_LIMIT, HISTORY_LIMIT);
    return y;
}

// Families E and G: one step of the four-pole cascade with feedback; the last
// stage saturates. Returns the new b4; b3 stays readable in the state.
float TFilter::runCascade(ChannelState& s, const ChannelCoefficients& k, int channel, float v) const {
    float* b = s.cascade;
    const float u = v - k.cascadeK * b[4];
    const float b1 = (u + b[0]) * k.cascadeP - b[1] * k.cascadeF + DENORMAL_GUARD;
    const float b2 = (b1 + b[1]) * k.cascadeP - b[2] * k.cascadeF + DENORMAL_GUARD;
    const float b3 = (b2 + b[2]) * k.cascadeP - b[3] * k.cascadeF + DENORMAL_GUARD;
    float b4 = (b3 + b[3]) * k.cascadeP - b[4] * k.cascadeF;
    b4 = clampTo(b4, -CASCADE_TURN[channel], CASCADE_TURN[channel]);
    b4 = (1.0f - b4 * b4 * CASCADE_SATURATION[channel]) * b4 + DENORMAL_GUARD;
    b[0] = u;
    b[1] = b1;
    b[2] = b2;
    b[3] = b3;
    b[4] = b4;
    return b4;
}

// Types 27-29: four band-pass sections in parallel on the ring, a channel's
// sections as one vector, each lane doing the scalar section step in the same
// order. The ring moves one place a sub-sample, so the second sub-sample's
// histories are the first's output and the first's n-1.
__m128 TFilter::runFormantFrame(const float x[2][2]) {
    const __m128 guard = load(GUARD_LANES);
    const __m128 lowest = load(LOWEST_HISTORY_LANES);
    const __m128 highest = load(HIGHEST_HISTORY_LANES);
    __m128 b0[2], a1[2], a2[2], older[2], old[2], sums[2];
    advanceRing();
    const int first = ringPos[0];
    for (int c = 0; c < 2; ++c) {
        const ChannelState& s = state[c];
        b0[c] = _mm_loadu_ps(coef[c].formantB0);
        a1[c] = _mm_loadu_ps(coef[c].formantA1);
        a2[c] = _mm_loadu_ps(coef[c].formantA2);
        old[c] = _mm_loadu_ps(s.formantOut[ringPos[1]]);
        older[c] = _mm_loadu_ps(s.formantOut[ringPos[2]]);
    }
    for (int sub = 0; sub < 2; ++sub) {
        if (sub == 1) advanceRing();
        const int n = ringPos[0], n2 = ringPos[2];
        __m128 out[2];
        for (int c = 0; c < 2; ++c) {
            ChannelState& s = state[c];
            s.formantIn[n] = x[sub][c];
            const __m128 difference = _mm_set1_ps(x[sub][c] - s.formantIn[n2]);
            const __m128 value = _mm_add_ps(_mm_sub_ps(_mm_sub_ps(_mm_mul_ps(b0[c], difference), _mm_mul_ps(a1[c], old[c])),
                                                       _mm_mul_ps(a2[c], older[c])),
                                            guard);
            // max then min: a NaN takes the lower bound, as clampTo() gives it.
            out[c] = _mm_min_ps(_mm_max_ps(value, lowest), highest);
            older[c] = old[c];
            old[c] = out[c];
        }
        // The sum section by section from 0, left in lane 0 and right in lane 1.
        const __m128 sections01 = _mm_unpacklo_ps(out[0], out[1]);
        const __m128 sections23 = _mm_unpackhi_ps(out[0], out[1]);
        __m128 sum = _mm_add_ps(_mm_setzero_ps(), sections01);
        sum = _mm_add_ps(sum, _mm_movehl_ps(sections01, sections01));
        sum = _mm_add_ps(sum, sections23);
        sums[sub] = _mm_add_ps(sum, _mm_movehl_ps(sections23, sections23));
    }
    // The two outputs at their ring places, the first's where the ring stood before the second.
    const int second = ringPos[0];
    for (int c = 0; c < 2; ++c) {
        _mm_storeu_ps(state[c].formantOut[first], older[c]);
        _mm_storeu_ps(state[c].formantOut[second], old[c]);
    }
    return _mm_movelh_ps(sums[0], sums[1]);
}

void TFilter::runCombs(float x[2][2], float y[2][2]) {
    const float g = combFeedback;
    for (int sub = 0; sub < 2; ++sub) {
        combPosition = (combPosition + 256) & COMB_POSITION_MASK;
        const int entry = combPosition >> 8;
        int read[2];
        for (int c = 0; c < 2; ++c) read[c] = ((combPosition - coef[c].combDelay) & COMB_POSITION_MASK) >> 8;
        for (int c = 0; c < 2; ++c) combIn[c][entry] = x[sub][c] + DENORMAL_GUARD;
        if (type == filtertype::PING_PONG_COMB_FILTER) {
            // Each channel feeds back the other's output: the echo alternates sides.
            const float left = limitComb(combIn[0][read[0]] - g * combOut[1][read[0]]);
            combOut[0][entry] = left;
            const float right = limitComb(combIn[1][read[1]] + g * combOut[0][read[1]]);
            combOut[1][entry] = right;
            y[sub][0] = left;
            y[sub][1] = right;
        } else {
            for (int c = 0; c < 2; ++c) {
                const float v = limitComb(combIn[c][read[c]] + g * combOut[c][read[c]]);
                combOut[c][entry] = v;
                y[sub][c] = v;
            }
        }
        if (combWritten < COMB_LENGTH) ++combWritten;
    }
}

// Types 3-6, both channels at once in lanes 0 and 1, the state held in
// registers across the two sub-samples.
template <int TYPE>
void TFilter::runStateVariableFrame(const stereoOverStruct& in, stereoOverStruct& out) {
    TFilterQuarter& v = *values;
    const int i = lane;
    const __m128 x = scaledInput(in);
    const TFourFloats f{_mm_setr_ps(v.stateVariableF[0][i], v.stateVariableF[1][i], 0.0f, 0.0f)};
    const TFourFloats d{_mm_set1_ps(v.stateVariableD[i])};
    TFourFloats low{_mm_setr_ps(v.low[0][i], v.low[1][i], 0.0f, 0.0f)};
    TFourFloats band{_mm_setr_ps(v.band[0][i], v.band[1][i], 0.0f, 0.0f)};
    const __m128 first = stateVariableStepOf<TYPE>(TFourFloats{x}, f, d, low, band).value;
    const __m128 second = stateVariableStepOf<TYPE>(TFourFloats{_mm_movehl_ps(x, x)}, f, d, low, band).value;
    alignas(16) float lowOut[4], bandOut[4];
    storeLanes(lowOut, low);
    storeLanes(bandOut, band);
    for (int c = 0; c < 2; ++c) {
        v.low[c][i] = lowOut[c];
        v.band[c][i] = bandOut[c];
    }
    _mm_storeu_ps(out.lane, _mm_mul_ps(_mm_movelh_ps(first, second), load(OUTPUT_SCALE_LANES)));
}

// Whether the coefficient inputs prepare() stored last, or the type, differ
// from those the coefficients were computed for: a value by more than 1e-5.
// They are then taken as computed.
inline bool TFilter::takeMovedInputs() {
    TFilterQuarter& v = *values;
    const int i = lane;
    const float now[4] = {v.cutoff[0][i], v.cutoff[1][i], v.q[i], v.vowel[i]};
    float* const applied[4] = {&v.appliedCutoff[0][i], &v.appliedCutoff[1][i], &v.appliedQ[i], &v.appliedVowel[i]};
    bool moved = v.appliedType[i] != type;
    for (int k = 0; k < 4; ++k) moved = moved || std::fabs(now[k] - *applied[k]) > 0.00001f;
    if (!moved) return false;
    v.appliedType[i] = type;
    for (int k = 0; k < 4; ++k) *applied[k] = now[k];
    return true;
}

inline void TFilter::updateIfMoved() {
    if (!takeMovedInputs()) return;
    if (isPlainStateVariable())
        updateStateVariableCoefficients();
    else if (type >= filtertype::ZERO_DELAY_LOWPASS_12DB && type <= filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB)
        updateZeroDelayCoefficients();
    else if (type == filtertype::VOCAL)
        updateVocalCoefficients();
    else
        updateCoefficients();
}

void TFilter::runFrame(const stereoOverStruct& in, stereoOverStruct& out) {
    updateIfMoved();
    switch (type) {
    case filtertype::LOWPASS_12DB: runStateVariableFrame<filtertype::LOWPASS_12DB>(in, out); break;
    case filtertype::HIGHPASS_12DB: runStateVariableFrame<filtertype::HIGHPASS_12DB>(in, out); break;
    case filtertype::BANDPASS_12DB: runStateVariableFrame<filtertype::BANDPASS_12DB>(in, out); break;
    case filtertype::NOTCH_12DB: runStateVariableFrame<filtertype::NOTCH_12DB>(in, out); break;
    // Family C here, in the one choice of the frame: ahead of the other
    // families it would cost each of those a choice more.
    case filtertype::ZERO_DELAY_LOWPASS_12DB: runZeroDelayFrame<filtertype::ZERO_DELAY_LOWPASS_12DB>(in, out); break;
    case filtertype::ZERO_DELAY_HIGHPASS_12DB: runZeroDelayFrame<filtertype::ZERO_DELAY_HIGHPASS_12DB>(in, out); break;
    case filtertype::ZERO_DELAY_BANDPASS_12DB: runZeroDelayFrame<filtertype::ZERO_DELAY_BANDPASS_12DB>(in, out); break;
    case filtertype::ZERO_DELAY_NOTCH_12DB: runZeroDelayFrame<filtertype::ZERO_DELAY_NOTCH_12DB>(in, out); break;
    case filtertype::ZERO_LOW_HIGH_PASS_12DB:
    case filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB:
        runZeroDelayFrame<filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB>(in, out);
        break;
    default: runFamilies(in, out); break;
    }
}


// The eight-voice kernel where the processor has AVX2.
const TFilter::PlainPairKernel TFilter::plainPairKernel = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? AVX2_PLAIN_PAIR_KERNEL : nullptr;
}();

void TFilter::processPlainQuarterPart(TFilterQuarter& filters, int type, int lanesOn, stereoOverStruct* frames,
                                      const __m128 lanes[4], const GroupInput& input, SharedPower& lastPower) {
    runPlainQuarter<false>(filters, type, lanesOn, frames, lanes, input, lastPower);
}

void TFilter::process(const stereoOverStruct& in, stereoOverStruct& out) { runFrame(in, out); }

// Family C (types 7-12): the left channel in lane 0 and the right in lane 1,
// each lane taking the family's step for one channel.
template <int TYPE>
void TFilter::runZeroDelayFrame(const stereoOverStruct& in, stereoOverStruct& out) {
    const __m128 x = scaledInput(in);
    const __m128 g = _mm_setr_ps(coef[0].zdfG, coef[1].zdfG, 0.0f, 0.0f);
    const __m128 rg = _mm_setr_ps(coef[0].zdfRG, coef[1].zdfRG, 0.0f, 0.0f);
    const __m128 h = _mm_setr_ps(coef[0].zdfH, coef[1].zdfH, 0.0f, 0.0f);
    const __m128 guard = _mm_set1_ps(DENORMAL_GUARD), two = _mm_set1_ps(2.0f);
    const __m128 weightL = _mm_set1_ps(weightLow), weightB = _mm_set1_ps(weightBand), weightH = _mm_set1_ps(weightHigh);
    // TYPE 0: the low-pass or the high-pass as the type says, without a branch.
    const __m128 lowPass = _mm_castsi128_ps(_mm_set1_epi32(type == filtertype::ZERO_DELAY_LOWPASS_12DB ? -1 : 0));
    __m128 s0 = _mm_setr_ps(state[0].zdf1[0], state[1].zdf1[0], 0.0f, 0.0f);
    __m128 s1 = _mm_setr_ps(state[0].zdf1[1], state[1].zdf1[1], 0.0f, 0.0f);
    __m128 y[2];
    for (int sub = 0; sub < 2; ++sub) {
        const __m128 input = sub == 0 ? x : _mm_movehl_ps(x, x);
        const __m128 high = _mm_mul_ps(_mm_sub_ps(_mm_sub_ps(input, _mm_mul_ps(rg, s0)), s1), h);
        const __m128 p = _mm_mul_ps(g, high);
        const __m128 band = _mm_add_ps(s0, p);
        const __m128 r = _mm_mul_ps(g, band);
        const __m128 low = _mm_add_ps(s1, r);
        s0 = _mm_add_ps(_mm_add_ps(band, p), guard);
        s1 = _mm_add_ps(_mm_add_ps(low, r), guard);
        if constexpr (TYPE == 0)
            y[sub] = _mm_or_ps(_mm_and_ps(lowPass, low), _mm_andnot_ps(lowPass, high));
        else if constexpr (TYPE == filtertype::ZERO_DELAY_LOWPASS_12DB)
            y[sub] = low;
        else if constexpr (TYPE == filtertype::ZERO_DELAY_HIGHPASS_12DB)
            y[sub] = high;
        else if constexpr (TYPE == filtertype::ZERO_DELAY_BANDPASS_12DB)
            y[sub] = _mm_mul_ps(two, band);
        else if constexpr (TYPE == filtertype::ZERO_DELAY_NOTCH_12DB)
            y[sub] = _mm_add_ps(high, low);
        else
            y[sub] = _mm_add_ps(_mm_add_ps(_mm_mul_ps(low, weightL), _mm_mul_ps(_mm_mul_ps(two, band), weightB)),
                                _mm_mul_ps(high, weightH));
    }
    alignas(16) float first[4], second[4];
    _mm_store_ps(first, s0);
    _mm_store_ps(second, s1);
    for (int c = 0; c < 2; ++c) {
        state[c].zdf1[0] = first[c];
        state[c].zdf1[1] = second[c];
    }
    _mm_storeu_ps(out.lane, _mm_mul_ps(_mm_movelh_ps(y[0], y[1]), load(OUTPUT_SCALE_LANES)));
}

// Family C's step of runFamilies() for the effects' low-pass and high-pass.
void TFilter::processZeroDelay(float freq, float resonance, const stereoOverStruct& in, stereoOverStruct& out) {
    if (type != filtertype::ZERO_DELAY_LOWPASS_12DB && type != filtertype::ZERO_DELAY_HIGHPASS_12DB) {
        process(freq, 1.0f, stereoStruct{}, resonance, 0.0f, in, out);
        return;
    }
    prepare(freq, 1.0f, stereoStruct{}, resonance, 0.0f);
    updateIfMoved();
    runZeroDelayFrame<0>(in, out);
}

// Every type but the plain state-variable ones and family C (runFrame()
// takes those), with the coefficients current.
void TFilter::runFamilies(const stereoOverStruct& in, stereoOverStruct& out) {
    // x[sub-sample][channel], in the order of the frame's lanes.
    float x[2][2];
    _mm_storeu_ps(&x[0][0], scaledInput(in));
    float y[2][2] = {{x[0][0], x[0][1]}, {x[1][0], x[1][1]}};

    switch (type) {
    case filtertype::LOWPASS_6DB:
    case filtertype::HIGHPASS_6DB:
        for (int sub = 0; sub < 2; ++sub)
            for (int c = 0; c < 2; ++c) {
                ChannelState& s = state[c];
                const float low = coef[c].onePoleA * x[sub][c] + coef[c].onePoleB * s.onePole + DENORMAL_GUARD;
                s.onePole = low;
                y[sub][c] = type == filtertype::LOWPASS_6DB ? low : x[sub][c] - low;
            }
        break;
    case filtertype::LOWPASS_18DB:
    case filtertype::HIGHPASS_18DB:
        for (int sub = 0; sub < 2; ++sub)
            for (int c = 0; c < 2; ++c) {
                ChannelState& s = state[c];
                const float onePole = coef[c].onePoleA * x[sub][c] + coef[c].onePoleB * s.onePole + DENORMAL_GUARD;
                s.onePole = onePole;
                float high, band;
                const float low = runStateVariable(
                    c, coef[c], type == filtertype::LOWPASS_18DB ? onePole : x[sub][c] - onePole, high, band);
                y[sub][c] = (type == filtertype::LOWPASS_18DB ? low : high) * SQRT2;
            }
        break;
    case filtertype::LOWPASS_24DB:
    case filtertype::HIGHPASS_24DB:
        for (int sub = 0; sub < 2; ++sub) {
            advanceRing();
            for (int c = 0; c < 2; ++c) {
                ChannelState& s = state[c];
                runBiquad(s, coef[c], x[sub][c]);
                float high, band;
                const float low = runStateVariable(c, coef[c], s.biquadOut[ringPos[0]], high, band);
                y[sub][c] = (type == filtertype::LOWPASS_24DB ? low : high) * SQRT2;
            }
        }
        break;
    case filtertype::BANDPASS_24DB:
    case filtertype::NOTCH_24DB:
        for (int sub = 0; sub < 2; ++sub)
            for (int c = 0; c < 2; ++c) {
                ChannelState& s = state[c];
                runCascade(s, coef[c], c, x[sub][c]);
                const float band = s.cascade[3] - s.cascade[4];
                y[sub][c] = type == filtertype::BANDPASS_24DB ? band * 6.0f : (x[sub][c] - band * 3.0f) * 1.0f;
            }
        break;
    case filtertype::ZERO_DELAY_LOWPASS_24DB:
    case filtertype::ZERO_DELAY_HIGHPASS_24DB:
    case filtertype::ZERO_DELAY_BANDPASS_24DB:
    case filtertype::ZERO_DELAY_NOTCH_24DB:
    case filtertype::ZERO_LOW_HIGH_PASS_24DB:
    case filtertype::ZERO_LOW_BAND_HIGH_PASS_24DB:
        for (int sub = 0; sub < 2; ++sub)
            for (int c = 0; c < 2; ++c) {
                const ChannelCoefficients& k = coef[c];
                float v = x[sub][c];
                for (int section = 0; section < 2; ++section) {
                    float* s = section == 0 ? state[c].zdf1 : state[c].zdf2;
                    const float high = (v - k.zdfRG * s[0] - s[1]) * k.zdfH;
                    const float p = k.zdfG * high;
                    const float band = s[0] + p;
                    const float r = k.zdfG * band;
                    const float low = s[1] + r;
                    s[0] = band + p + DENORMAL_GUARD;
                    s[1] = low + r + DENORMAL_GUARD;
                    // The first section passes its band on once, the second doubles it.
                    const float bandGain = section == 0 ? 1.0f : 2.0f;
                    switch (type) {
                    case filtertype::ZERO_DELAY_LOWPASS_24DB: v = low; break;
                    case filtertype::ZERO_DELAY_HIGHPASS_24DB: v = high; break;
                    case filtertype::ZERO_DELAY_BANDPASS_24DB: v = bandGain * band; break;
                    case filtertype::ZERO_DELAY_NOTCH_24DB: v = high + low; break;
                    default: v = low * weightLow + bandGain * band * weightBand + high * weightHigh; break;
                    }
                }
                y[sub][c] = v;
            }
        break;
    case filtertype::LOWPASS_36DB:
    case filtertype::HIGHPASS_36DB:
        for (int sub = 0; sub < 2; ++sub) {
            advanceRing();
            for (int c = 0; c < 2; ++c) {
                ChannelState& s = state[c];
                const float unclamped = runBiquad(s, coef[c], x[sub][c]);
                const float clamped = s.biquadOut[ringPos[0]];
                // The low-pass cascade takes the raw biquad value, the high-pass
                // the clamped one that also enters the history.
                const float b4 = runCascade(s, coef[c], c, type == filtertype::LOWPASS_36DB ? unclamped : clamped);
                y[sub][c] = (type == filtertype::LOWPASS_36DB ? b4 * 2.0f : (clamped - b4) * 1.0f) + DENORMAL_GUARD;
            }
        }
        break;
    case filtertype::VOCAL:
    case filtertype::FORMANT_1:
    case filtertype::FORMANT_2:
        // Straight from the sums' lanes: a vector read of the four values
        // stored one by one would wait for the stores.
        _mm_storeu_ps(out.lane, _mm_mul_ps(runFormantFrame(x), load(OUTPUT_SCALE_LANES)));
        return;
    case filtertype::POSITIVE_COMB_FILTER:
    case filtertype::NEGATIVE_COMB_FILTER:
    case filtertype::PING_PONG_COMB_FILTER:
        runCombs(x, y);
        break;
    case filtertype::RING_MODULATION:
    case filtertype::AMP_MODULATION: {
        float increment = values->cutoff[0][lane] * values->invOverRate[lane];
        increment -= std::floor(increment);
        const float m = values->appliedQ[lane] + DENORMAL_GUARD;
        for (int sub = 0; sub < 2; ++sub) {
            const float sine = std::sin(6.2831853f * carrierPhase);
            const float carrier = type == filtertype::RING_MODULATION ? sine : 0.5f * sine + 0.5f;
            const float gain = (1.0f - m) + m * carrier;
            for (int c = 0; c < 2; ++c) y[sub][c] = x[sub][c] * gain + DENORMAL_GUARD;
            carrierPhase += increment;
            carrierPhase -= std::floor(carrierPhase);
        }
        break;
    }
    default:
        break;
    }

    _mm_storeu_ps(out.lane, _mm_mul_ps(_mm_loadu_ps(&y[0][0]), load(OUTPUT_SCALE_LANES)));
}

void TFilter::setBP(float freq, float width, float gain, bool directFreq) {
    width = clampTo(width, 0.0f, 0.99f);
    if (!std::isfinite(freq)) freq = bpFreq;  // hold the last frequency
    bool changed;
    if (directFreq) {
        changed = std::fabs(bpFreq - freq) > 0.00001f;
        bpFreq = freq;
    } else {
        bpFreq = 0.1f * freq + 0.9f * bpFreq;
        changed = std::fabs(bpFreq - freq) > 0.00001f;
    }
    const bool widthMoved = std::fabs(width - bpWidth) > 0.00001f;
    bpWidth = width;
    bpGain = std::isfinite(gain) ? gain : 0.0f;
    if (!changed && !widthMoved) return;

    bpFreq = clampTo(bpFreq, 0.0001f, values->maxCutoff[lane]);
    const float w = (bpFreq + 0.001f) * values->invOverRate[lane] + DENORMAL_GUARD;
    // The width narrows the bandwidth by up to ten octaves below the centre.
    const float bandwidth = static_cast<float>(std::exp2(-10.0 * static_cast<double>(width)));
    const float t = FilterTanBP[tableIndex(bandwidth * w * 262143.98f, TABLE_LAST)];
    const float c = Filter2Cos[tableIndex(w * 262143.98f, TABLE_LAST)];
    bpB0 = 1.0f / (t + 1.0f);
    bpA1 = -2.0f * c * t * bpB0;
    bpA2 = (t - 1.0f) * bpB0;
}

void TFilter::processBP(float in0, float in1, float& out0, float& out1) {
    const float inputs[2] = {in0, in1};
    float outputs[2];
    for (int i = 0; i < 2; ++i) {
        advanceRing();
        const int n = ringPos[0], n1 = ringPos[1], n2 = ringPos[2];
        const float x = (std::fabs(inputs[i]) <= 1e30f ? inputs[i] : 0.0f) * INPUT_SCALE;
        bpIn[n] = x + DENORMAL_GUARD;
        const float y = clampTo((x - bpIn[n2]) * bpB0 - bpOut[n1] * bpA1 - bpOut[n2] * bpA2 + DENORMAL_GUARD,
                                -HISTORY_LIMIT, HISTORY_LIMIT);
        bpOut[n] = y;
        outputs[i] = clampTo(bpGain * OUTPUT_SCALE * y, -1.0f, 1.0f);
    }
    out0 = outputs[0];
    out1 = outputs[1];
}

bool TFilter::hasSubnormalState() const {
    for (const ChannelState& s : state) {
        float values[sizeof(ChannelState) / sizeof(float)];
        static_assert(sizeof(ChannelState) % sizeof(float) == 0, "ChannelState holds floats only");
        std::memcpy(values, &s, sizeof(ChannelState));
        for (float v : values)
            if (isSubnormal(v)) return true;
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < COMB_LENGTH; ++i)
            if (isSubnormal(combIn[c][i]) || isSubnormal(combOut[c][i])) return true;
    for (int i = 0; i < 3; ++i)
        if (isSubnormal(bpIn[i]) || isSubnormal(bpOut[i])) return true;
    for (int c = 0; c < 2; ++c)
        if (isSubnormal(values->low[c][lane]) || isSubnormal(values->band[c][lane])) return true;
    return isSubnormal(carrierPhase) || isSubnormal(values->smoothFreq[lane]) || isSubnormal(smoothPair[0]) ||
           isSubnormal(smoothPair[1]);
}
