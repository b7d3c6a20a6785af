// The engine's multimode stereo filter: 35 types run at twice the host rate on
// the two sub-samples of a voice frame, plus an independent band-pass section
// for the tuned noise source. Plain class: call init() before anything else;
// nothing allocates after that. Audio thread only.
#pragma once

#include <emmintrin.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/dsp/FilterTables.h"
#include "engine/dsp/FilterTypes.h"
#include "engine/dsp/SampleMath.h"
#include "engine/dsp/PlainFilterKernel.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/TFilterQuarter.h"
#include "engine/dsp/VectorLanes.h"

class TFilter {
public:
    static constexpr int COMB_LENGTH = 8192;      // entries per comb line

    TFilter() = default;
    // A filter's values live where it is bound: a copy would share them.
    TFilter(const TFilter&) = delete;
    TFilter& operator=(const TFilter&) = delete;

    // Keeps the filter's per-frame values in lane `laneOfQuarter` of
    // `quarter` from now on, taking over the values it holds.
    void bind(TFilterQuarter& quarter, int laneOfQuarter);
    void init(float sampleRate);
    void reset();
    void setType(int newType, bool resetOnChange);
    int getType() const { return type; }

    // Cutoff terms, refreshed by the block loop at the voice's control steps;
    // vel, mod and lfo are offsets on the 0..1 scale (one unit = ten octaves).
    // note: octaves from the centre note 57, (note - 57) / 12, as the engine's "Center Note" source.
    void setTrack(float amount, float note);
    // velocity: the voice's note-on velocity / 127, as the engine's "Velocity" source.
    void setVel(float amount, float velocity);
    // value: the voice's smoothed mod wheel 0..1, as the engine's per-voice "Mod Wheel" source.
    void setMod(float amount, float value);
    // value: the voice's Free LFO output -1..1. Inline: the block loop sets it
    // for every voice and frame.
    void setLFO(float amount, float value) {
        // |product| <= FLT_MAX as a mask: false for infinities and NaN, which give 0.
        const __m128 product = _mm_mul_ss(_mm_set_ss(amount), _mm_set_ss(value));
        const __m128 finite = _mm_cmple_ss(_mm_andnot_ps(_mm_set_ss(-0.0f), product),
                                           _mm_set_ss(std::numeric_limits<float>::max()));
        lfo = _mm_cvtss_f32(_mm_and_ps(product, finite));
    }
    void setEnv(float amount);
    void setDistort(float d);
    void setDirect() { values->direct[lane] = ~0u; }

    // Smoothed cutoff on the 0..1 scale plus the left offset, without the
    // tracking and the vel/mod/env/lfo offsets: a modulation source.
    float getFreq() const { return values->smoothFreq[lane] + values->offsetLeft[lane]; }

    // Single-cutoff call: one host frame (two sub-samples). In all three
    // process calls `in` and `out` may be the same frame. Inline: the block
    // loop calls it for every voice and frame.
    void process(float freq, float spreadFactor, stereoStruct cutoffOffset, float resonance,
                 float vowelMix, const stereoOverStruct& in, stereoOverStruct& out);
    // Cutoff-pair call: separate left and right cutoffs, no spread.
    void process(stereoStruct freq, stereoStruct cutoffOffset, float resonance, float vowelMix,
                 const stereoOverStruct& in, stereoOverStruct& out);
    // The per-type core with the cutoffs, q and vowel already stored.
    void process(const stereoOverStruct& in, stereoOverStruct& out);
    // The effects' low-pass and high-pass: the single-cutoff call with spread
    // 1, no offset and vowel 0, giving the same samples, with both channels
    // of types 7 and 8 run as one vector. Any other type takes that call.
    void processZeroDelay(float freq, float resonance, const stereoOverStruct& in, stereoOverStruct& out);

    // The single-cutoff call in two steps. prepare() takes the call's
    // arguments and returns false when the type passes the frame unchanged;
    // otherwise the frame goes through process(in, out). (The block loop runs
    // the plain state-variable types through processPlainQuarter() instead.)
    bool prepare(float freq, float spreadFactor, stereoStruct cutoffOffset, float resonance, float vowelMix);
    bool isPlainStateVariable() const { return type >= filtertype::LOWPASS_12DB && type <= filtertype::NOTCH_12DB; }
    // The last cutoff power any voice of a frame computed, and its exponent:
    // voices in step (notes started together, with the same modulation) find
    // their power there instead of taking it again.
    using SharedPower = TFilterSharedPower;
    // prepare() as the block loop calls it, one cutoff offset for both
    // channels, with the resonance and the vowel already turned into their
    // coefficient inputs by coefficientQ() and coefficientVowel(): the voices
    // of a frame mostly share them, so they are worked out once a frame.
    bool prepareShared(float freq, float spreadFactor, float cutoffOffset, float q, float vowel,
                       SharedPower& lastPower) {
        if (!std::isfinite(freq)) freq = values->smoothFreq[lane];  // a bad value must not stick in the smoother
        return prepareSmoothed(freq, freq * 0.01f, spreadFactor, cutoffOffset, q, vowel, lastPower);
    }
    // prepareShared() for a finite freq, with freq * 0.01 taken once for all voices.
    bool prepareSmoothed(float freq, float freqPart, float spreadFactor, float cutoffOffset, float q, float vowel,
                         SharedPower& lastPower);
    // Resonance 0..1 as q 0..0.95; NaN gives 0.
    static float coefficientQ(float resonance) {
        const float q = resonance < 0.0f ? 0.0f : (resonance > 1.0f ? 0.95f : resonance * 0.95f);
        return q >= 0.0f ? q : 0.0f;
    }
    static float coefficientVowel(float vowelMix) { return clampUnit(vowelMix); }
    // What a group of four voices of one plain state-variable type takes for
    // a frame besides the frame itself, a voice per lane: the arguments
    // prepareShared() takes, with setLFO()'s amount and value.
    using GroupInput = TFilterGroupInput;
    // setLFO() and prepareShared() of the filters bound to the lanes of
    // `filters` that lanesOn names (bit i: lane i), all of one type of 3 to
    // 6, then their frames filtered: per voice the result of those calls and
    // process(). The frames come in lanes[] as one vector per frame lane
    // (left and right of the first sub-sample, then of the second), a voice
    // per lane, and go to frames[i] of each lane i named. The LFO terms the
    // filters keep are neither read nor set: the lanes' products stand in for
    // them. The other lanes' values and frames are left as they are.
    static void processPlainQuarter(TFilterQuarter& filters, int type, int lanesOn, stereoOverStruct* frames,
                                    const __m128 lanes[4], const GroupInput& input, SharedPower& lastPower);
    // processPlainQuarter() of quarters[0] and then of quarters[1], which
    // lie side by side, eight voices at once: lanesOn holds the first's bits
    // and the second's above them, lanes[] the first's four frame lanes then
    // the second's, and frames[] the eight voices' frames. The quarters take
    // the input `shared` but for the LFO values and the offsets, which come
    // per quarter in lfoValues[] and offsets[]. Every lane ends as its own
    // call would leave it. Null where the processor lacks AVX2.
    using PlainPairKernel = TFilterPlainPairKernel;
    static const PlainPairKernel plainPairKernel;

    // Band-pass section: freq in Hz, width 0..0.99 (0 is the narrowest).
    void setBP(float freq, float width, float gain, bool directFreq);
    void processBP(float in0, float in1, float& out0, float& out1);

    // The next frame works its coefficients out whole, keeping none from the
    // frames before: the samples stay the same.
    void forgetKeptCoefficients() { zeroDelayEntry[0] = zeroDelayEntry[1] = -1; }

    // Cutoff in Hz of the last call, channel 0 left, 1 right.
    float getCutoff(int channel) const { return values->cutoff[channel & 1][lane]; }
    float getSampleRate() const { return values->rate[lane]; }
    // True when any recursive state holds a subnormal number (the recursions
    // add 1e-15 so that a silent input never leaves them there).
    bool hasSubnormalState() const;

private:
    // Per-channel recursion state of every type family. Only floats, so that
    // it can be cleared and inspected as a whole.
    struct ChannelState {
        float onePole;                  // family A
        float zdf1[2], zdf2[2];         // families C and F: the two sections' s1, s2
        float biquadIn[3], biquadOut[3];// families D and G, on the ring
        float cascade[5];               // families E and G: last input, then b1..b4
        float formantIn[3];             // types 27-29, on the ring
        float formantOut[3][4];         // on the ring: the four sections' outputs
    };
    struct ChannelCoefficients {
        float onePoleA, onePoleB;
        float svfF, svfD;
        float zdfG, zdfRG, zdfH;        // g, 2R + g, 1 / (1 + 2Rg + g^2)
        float biquadB0, biquadB1, biquadB2, biquadA1, biquadA2;
        float cascadeP, cascadeF, cascadeK;
        float formantB0[4], formantA1[4], formantA2[4];
        int combDelay;                  // in 1/256 of a sub-sample
    };

    // Cutoffs are kept finite and far above any usable rate's limit.
    static constexpr float CUTOFF_CEILING = 1e7f;
    // Keeps a smoother gliding towards 0 out of the subnormal range.
    static constexpr float SMOOTHER_GUARD = 1e-15f;

    // Scalar SSE max and min clamp without branches: max(x, 0) returns its
    // second operand for a NaN and for two zeros, so NaN and -0 become +0.
    static float clampZeroTo(float x, float ceiling) {
        return _mm_cvtss_f32(_mm_min_ss(_mm_max_ss(_mm_set_ss(x), _mm_setzero_ps()), _mm_set_ss(ceiling)));
    }
    // Not above 0 (or NaN) gives 0.
    static float sanitizeCutoff(float hz) { return clampZeroTo(hz, CUTOFF_CEILING); }
    // The 0..1 cutoff scale spans ten octaves; the power of two is taken in
    // double. 0 for x not above 0, 10 for x above 1 (where 10 x >= 10).
    static float octaveExponent(float x) { return clampZeroTo(10.0f * x, 10.0f); }
    // 0..1, NaN to 0.
    static float clampUnit(float x) {
        if (!(x > 0.0f)) return 0.0f;
        return x < 1.0f ? x : 1.0f;
    }

    float octavePower(int channel, float position);
    void updateCoefficients();
    void updateZeroDelayCoefficients();
    void updateVocalCoefficients();
    void advanceRing();
    void clearCombLines();
    float saturateBand(float band) const;
    float runStateVariable(int channel, const ChannelCoefficients& k, float x, float& high, float& band);
    float runBiquad(ChannelState& s, const ChannelCoefficients& k, float x) const;
    float runCascade(ChannelState& s, const ChannelCoefficients& k, int channel, float v) const;
    // Types 27-29: the frame's output, left and right of the first sub-sample, then of the second.
    __m128 runFormantFrame(const float x[2][2]);
    void runCombs(float x[2][2], float y[2][2]);
    float exponentPower(int channel, float e);
    void runFrame(const stereoOverStruct& in, stereoOverStruct& out);
    bool takeMovedInputs();
    void updateIfMoved();
    template <bool ALL_ON>
    static void runPlainQuarter(TFilterQuarter& filters, int type, int lanesOn, stereoOverStruct* frames,
                                const __m128 lanes[4], const GroupInput& input, SharedPower& lastPower);
    static void processPlainQuarterPart(TFilterQuarter& filters, int type, int lanesOn, stereoOverStruct* frames,
                                        const __m128 lanes[4], const GroupInput& input, SharedPower& lastPower);
    void runFamilies(const stereoOverStruct& in, stereoOverStruct& out);
    // TYPE 7 to 10, 12 for the two mixing types 11 and 12, or 0 for 7 or 8.
    template <int TYPE>
    void runZeroDelayFrame(const stereoOverStruct& in, stereoOverStruct& out);
    void updateStateVariableCoefficients();
    template <int TYPE>
    void runStateVariableFrame(const stereoOverStruct& in, stereoOverStruct& out);

    // Where the per-frame values live: the filter's own quarter until it is bound.
    TFilterQuarter* values = &ownValues;
    int lane = 0;
    TFilterQuarter ownValues = {};

    float smoothPair[2] = {0.0f, 0.0f};
    int type = 0;
    // The octaves track was last computed for (NaN: none yet); a held note keeps them.
    float trackOctaves = std::numeric_limits<float>::quiet_NaN();
    float lfo = 0.0f;
    float distort = 0.0f, distortGain = 0.0f;
    int ringIndex = 0;
    int ringPos[3] = {0, 1, 2};         // positions of n, n-1, n-2
    // The right channel's last cutoff exponent and its power of two (the
    // left channel's are among the per-frame values).
    float rightPowerExponent = 0.0f;
    float rightPowerValue = 1.0f;

    // Types 3-6 keep theirs among the per-frame values instead.
    ChannelCoefficients coef[2] = {};
    ChannelState state[2] = {};
    // Mix weights of low, band and high for the morphing types 11, 12, 23, 24.
    float weightLow = 0.0f, weightBand = 0.0f, weightHigh = 0.0f;
    void setMorphWeights(bool throughBand, float m);
    float combFeedback = 0.0f;
    // The table entries and the damping family C's coefficients were made
    // from (entry -1: none, or other coefficients written over them since).
    int zeroDelayEntry[2] = {-1, -1};
    float zeroDelayDamping = 0.0f;
    // The 24 dB zero-delay pair's damping and the exponent it was computed for
    // (NaN: not yet computed).
    float pairDampingExponent = std::numeric_limits<float>::quiet_NaN();
    float pairDamping = 0.5f;
    float carrierPhase = 0.0f;

    // Comb lines per channel: inputs and outputs. combWritten counts the
    // entries written since they were last cleared, ending at the write entry,
    // so that a reset clears only what a comb type could read back.
    float combIn[2][COMB_LENGTH] = {};
    float combOut[2][COMB_LENGTH] = {};
    int combPosition = 0;               // fixed point, 256 per entry, 21 bits
    int combWritten = 0;

    float bpFreq = -1.0f, bpWidth = -1.0f, bpGain = 1.0f;
    float bpB0 = 0.0f, bpA1 = 0.0f, bpA2 = 0.0f;
    float bpIn[3] = {0.0f, 0.0f, 0.0f};
    float bpOut[3] = {0.0f, 0.0f, 0.0f};
};

inline float TFilter::exponentPower(int channel, float e) {
    // The double-precision power is the costliest step of a call; a held
    // cutoff, or equal positions on both channels, reuse the last result.
    float& exponent = channel == 0 ? values->powerExponent[lane] : rightPowerExponent;
    float& value = channel == 0 ? values->powerValue[lane] : rightPowerValue;
    if (e != exponent) {
        exponent = e;
        if (channel == 1 && e == values->powerExponent[lane])
            value = values->powerValue[lane];
        else
            value = static_cast<float>(std::exp2(static_cast<double>(e)));
    }
    return value;
}

inline bool TFilter::prepare(float freq, float spreadFactor, stereoStruct cutoffOffset, float resonance,
                             float vowelMix) {
    // Locals throughout: after the power's library call, members would be reloaded.
    TFilterQuarter& v = *values;
    const int i = lane;
    const float offsetLeft = finiteOrZero(cutoffOffset.left);
    const float offsetRight = finiteOrZero(cutoffOffset.right);
    v.offsetLeft[i] = offsetLeft;
    v.q[i] = coefficientQ(resonance);
    v.vowel[i] = coefficientVowel(vowelMix);

    if (!std::isfinite(freq)) freq = v.smoothFreq[i];  // a bad value must not stick in the smoother
    const float smoothed = v.direct[i] ? freq : freq * 0.01f + v.smoothFreq[i] * 0.99f + SMOOTHER_GUARD;
    v.smoothFreq[i] = smoothed;
    v.direct[i] = 0u;

    const float env = v.env[i], vel = v.vel[i], mod = v.mod[i];
    const float exponentLeft = octaveExponent(((((offsetLeft + env) + lfo) + vel) + mod) + smoothed);
    // Equal offsets give equal positions (at most a zero's sign differs,
    // which the exponent drops), so the right channel's sum is skipped.
    const float exponentRight = offsetRight == offsetLeft
                                    ? exponentLeft
                                    : octaveExponent(((((offsetRight + env) + lfo) + vel) + mod) + smoothed);
    const float powerLeft = exponentPower(0, exponentLeft);
    const float powerRight = exponentPower(1, exponentRight);
    const float track = v.track[i];
    v.cutoff[0][i] = sanitizeCutoff(powerLeft * track / spreadFactor * 20.0f);
    v.cutoff[1][i] = sanitizeCutoff(track * powerRight * spreadFactor * 20.0f);
    return type != filtertype::BYPASS;
}

inline bool TFilter::prepareSmoothed(float freq, float freqPart, float spreadFactor, float cutoffOffset, float q,
                                     float vowel, SharedPower& lastPower) {
    TFilterQuarter& v = *values;
    const int i = lane;
    const float offsetBoth = finiteOrZero(cutoffOffset);
    v.offsetLeft[i] = offsetBoth;
    v.q[i] = q;
    v.vowel[i] = vowel;

    const float smoothed = v.direct[i] ? freq : freqPart + v.smoothFreq[i] * 0.99f + SMOOTHER_GUARD;
    v.smoothFreq[i] = smoothed;
    v.direct[i] = 0u;

    const float exponent = octaveExponent(((((offsetBoth + v.env[i]) + lfo) + v.vel[i]) + v.mod[i]) + smoothed);
    // Both channels sit at the same position, so the right channel's power
    // is the left's; its own cache is left alone (it always holds the power
    // of its exponent, so it stays right whenever it is read).
    if (exponent != lastPower.exponent) {
        lastPower.value = exponent == v.powerExponent[i] ? v.powerValue[i]
                                                         : static_cast<float>(std::exp2(static_cast<double>(exponent)));
        lastPower.exponent = exponent;
    }
    const float power = lastPower.value;
    v.powerExponent[i] = exponent;
    v.powerValue[i] = power;
    const float tracked = power * v.track[i];
    if (spreadFactor == 1.0f) {
        // Dividing and multiplying by 1 are exact: both channels get the same cutoff.
        const float cutoff = sanitizeCutoff(tracked * 20.0f);
        v.cutoff[0][i] = cutoff;
        v.cutoff[1][i] = cutoff;
    } else {
        v.cutoff[0][i] = sanitizeCutoff(tracked / spreadFactor * 20.0f);
        v.cutoff[1][i] = sanitizeCutoff(tracked * spreadFactor * 20.0f);
    }
    return type != filtertype::BYPASS;
}

inline void TFilter::process(float freq, float spreadFactor, stereoStruct cutoffOffset, float resonance,
                             float vowelMix, const stereoOverStruct& in, stereoOverStruct& out) {
    if (prepare(freq, spreadFactor, cutoffOffset, resonance, vowelMix))
        runFrame(in, out);
    else
        out = in;
}

// The plain state-variable kernel's vector type in the baseline's four lanes,
// one quarter to a vector (see PlainFilterKernel.h for what the kernel asks
// of it). Only baseline units include this header: the AVX2 unit has its own.
namespace filterlanes {

struct TFourFloats {
    using Raw = __m128;
    Raw value;
    using Ints = __m128i;

    static TFourFloats all(const Lanes& lanes) { return {load(lanes)}; }
    static TFourFloats ofInt(int x) { return {_mm_castsi128_ps(_mm_set1_epi32(x))}; }
    static TFourFloats row(const float* row) { return {_mm_load_ps(row)}; }
    static TFourFloats row(const std::uint32_t* row) { return {_mm_load_ps(reinterpret_cast<const float*>(row))}; }
    static TFourFloats row(const std::int32_t* row) { return {_mm_load_ps(reinterpret_cast<const float*>(row))}; }
    static void storeRow(float* row, TFourFloats x) { _mm_store_ps(row, x.value); }
    static void storeRow(std::uint32_t* row, TFourFloats x) { _mm_store_ps(reinterpret_cast<float*>(row), x.value); }
    static void storeRow(std::int32_t* row, TFourFloats x) { _mm_store_ps(reinterpret_cast<float*>(row), x.value); }
    static TFourFloats shared(__m128 x) { return {x}; }
    static TFourFloats ofQuarters(const __m128* x, int) { return {x[0]}; }
    __m128 quarter(int) const { return value; }

    TFourFloats operator&(TFourFloats x) const { return {_mm_and_ps(value, x.value)}; }
    TFourFloats operator|(TFourFloats x) const { return {_mm_or_ps(value, x.value)}; }
    static TFourFloats andNot(TFourFloats mask, TFourFloats x) { return {_mm_andnot_ps(mask.value, x.value)}; }
    // maxps itself: the compiler would make a maximum with zero a mask and an and.
    static TFourFloats max(TFourFloats a, TFourFloats b) { return {_mm_max_ps(a.value, b.value)}; }
    // No blend below SSE4.1: the masks' bits pick.
    static TFourFloats select(TFourFloats mask, TFourFloats ifTrue, TFourFloats ifFalse) {
        return {::select(mask.value, ifTrue.value, ifFalse.value)};
    }
    int mask() const { return _mm_movemask_ps(value); }
    static TFourFloats equal(TFourFloats a, TFourFloats b) { return {_mm_cmpeq_ps(a.value, b.value)}; }
    static TFourFloats greater(TFourFloats a, TFourFloats b) { return {_mm_cmpgt_ps(a.value, b.value)}; }
    static TFourFloats atMost(TFourFloats a, TFourFloats b) { return {_mm_cmple_ps(a.value, b.value)}; }
    static Ints sameBits(TFourFloats a, TFourFloats b) {
        return _mm_cmpeq_epi32(_mm_castps_si128(a.value), _mm_castps_si128(b.value));
    }
    static Ints offLanes(TFourFloats mask) {
        return _mm_andnot_si128(_mm_castps_si128(mask.value), _mm_set1_epi32(-1));
    }
    static bool allSet(Ints x) { return _mm_movemask_epi8(x) == 0xFFFF; }
    static int maskOf(Ints x) { return _mm_movemask_ps(_mm_castsi128_ps(x)); }
    static TFourFloats laneMaskOfBits(int bits) { return {_mm_castsi128_ps(::laneMaskOfBits(bits))}; }
    static TFourFloats laneInAll(TFourFloats x, int lane) {
        switch (lane) {
        case 0: return {_mm_shuffle_ps(x.value, x.value, _MM_SHUFFLE(0, 0, 0, 0))};
        case 1: return {_mm_shuffle_ps(x.value, x.value, _MM_SHUFFLE(1, 1, 1, 1))};
        case 2: return {_mm_shuffle_ps(x.value, x.value, _MM_SHUFFLE(2, 2, 2, 2))};
        default: return {_mm_shuffle_ps(x.value, x.value, _MM_SHUFFLE(3, 3, 3, 3))};
        }
    }
    Ints truncated() const { return _mm_cvttps_epi32(value); }
    // No gather below AVX2: four reads.
    static TFourFloats entries(const float* table, Ints indices) {
        alignas(16) int index[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(index), indices);
        return {_mm_setr_ps(table[index[0]], table[index[1]], table[index[2]], table[index[3]])};
    }
    static void transpose(TFourFloats (&rows)[4]) {
        _MM_TRANSPOSE4_PS(rows[0].value, rows[1].value, rows[2].value, rows[3].value);
    }
};

}  // namespace filterlanes

// setLFO(), prepareShared() and process() of the filters of a quarter, lane
// by lane in their order, as processPlainQuarter() describes.
template <bool ALL_ON>
[[gnu::always_inline]] inline void TFilter::runPlainQuarter(TFilterQuarter& filters, int type, int lanesOn,
                                                            stereoOverStruct* frames, const __m128 lanes[4],
                                                            const GroupInput& input, SharedPower& lastPower) {
    plainQuartersOf<filterlanes::TFourFloats, ALL_ON>(&filters, type, lanesOn, frames, lanes, input, &input.lfoValue,
                                                      &input.offset, lastPower);
}

// Inline for the block loop's quarters of four sounding voices; a quarter
// with voices off takes the call that keeps their lanes.
[[gnu::always_inline]] inline void TFilter::processPlainQuarter(TFilterQuarter& filters, int type, int lanesOn,
                                                               stereoOverStruct* frames, const __m128 lanes[4],
                                                               const GroupInput& input, SharedPower& lastPower) {
    if (lanesOn == 0xF)
        runPlainQuarter<true>(filters, type, lanesOn, frames, lanes, input, lastPower);
    else if (lanesOn != 0)
        processPlainQuarterPart(filters, type, lanesOn, frames, lanes, input, lastPower);
}
