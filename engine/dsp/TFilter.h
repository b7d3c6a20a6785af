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
#include "engine/dsp/SampleMath.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/VectorLanes.h"

// What the four-voice path of the plain state-variable types reads and
// writes every frame, for four filters side by side: each row holds one value
// of the four, a filter per lane, so that a row loads and stores as one
// vector. A filter keeps these values here and nowhere else: in a quarter of
// the engine's bank it is bound to, or in its own.
struct TFilterQuarter {
    // The cutoff terms a frame reads: the smoothed frequency (0..1 scale), the
    // left offset, the envelope and velocity offsets, the mod wheel offset,
    // the key-tracking factor, the rate, and the direct flag (all ones: the
    // next frame takes its frequency unsmoothed).
    alignas(16) float smoothFreq[4];
    alignas(16) float offsetLeft[4];
    alignas(16) float env[4];
    alignas(16) float vel[4];
    alignas(16) float mod[4];
    alignas(16) float track[4];
    alignas(16) float rate[4];
    alignas(16) std::uint32_t direct[4];
    // What the coefficients follow (cutoffs in Hz, left and right; q 0..0.95;
    // vowel 0..1), and the values and type they were last computed for (type
    // -1: none yet).
    alignas(16) float cutoff[2][4];
    alignas(16) float q[4];
    alignas(16) float vowel[4];
    alignas(16) float appliedCutoff[2][4];
    alignas(16) float appliedQ[4];
    alignas(16) float appliedVowel[4];
    alignas(16) std::int32_t appliedType[4];
    // The left channel's last cutoff exponent and its power of two.
    alignas(16) float powerExponent[4];
    alignas(16) float powerValue[4];
    // The limits of the rate init() was given: 1 / (2 rate), and 0.4 rate.
    alignas(16) float invOverRate[4];
    alignas(16) float maxCutoff[4];
    // Types 3-6: f of each channel and the damping. They are computed only
    // when the coefficients are, one of which a change of type always runs
    // before these types read them.
    alignas(16) float stateVariableF[2][4];
    alignas(16) float stateVariableD[4];
    // The state-variable recursion of types 3-6 and 13-16, per channel.
    alignas(16) float low[2][4];
    alignas(16) float band[2][4];

    static constexpr int ROWS = 28;
    // Every value of lane `from` of `source` into lane `to`.
    void copyLane(int to, const TFilterQuarter& source, int from);
};
static_assert(sizeof(TFilterQuarter) == TFilterQuarter::ROWS * 4 * sizeof(float), "rows of four 32-bit values only");

class TFilter {
public:
    static constexpr int NUM_TYPES = 35;          // 0 is the bypass
    static constexpr int COMB_LENGTH = 8192;      // entries per comb line

    // Type numbers the engine refers to by name.
    enum : int {
        TYPE_OFF = 0,
        TYPE_ZERO_DELAY_LOWPASS_12 = 7,
        TYPE_ZERO_DELAY_HIGHPASS_12 = 8,
        TYPE_VOCAL = 27,
        TYPE_POSITIVE_COMB = 30,
        TYPE_NEGATIVE_COMB = 31,
        TYPE_PING_PONG_COMB = 32,
        TYPE_RING_MODULATION = 33,
        TYPE_AMP_MODULATION = 34,
    };

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

    // The single-cutoff call in two steps. prepare() takes the call's
    // arguments and returns false when the type passes the frame unchanged;
    // otherwise the frame goes through process(in, out). (The block loop runs
    // the plain state-variable types through processPlainQuarter() instead.)
    bool prepare(float freq, float spreadFactor, stereoStruct cutoffOffset, float resonance, float vowelMix);
    bool isPlainStateVariable() const { return type >= 3 && type <= 6; }
    // The last cutoff power any voice of a frame computed, and its exponent:
    // voices in step (notes started together, with the same modulation) find
    // their power there instead of taking it again.
    struct SharedPower {
        float exponent = std::numeric_limits<float>::quiet_NaN();
        float value = 1.0f;
    };
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
    struct GroupInput {
        float freq;           // as prepareShared(): a non-finite value holds each voice's smoother
        __m128 freqLanes;     // freq in every lane
        __m128 freqPartLanes; // freq * 0.01 in every lane, when freq is finite
        bool spreadIsOne;     // every lane's spread is 1
        __m128 spread;
        __m128 offset;
        __m128 q;             // coefficientQ()
        __m128 vowel;         // coefficientVowel()
        __m128 lfoAmount;
        __m128 lfoValue;
        void setFrequency(float frequency) {
            freq = frequency;
            freqLanes = _mm_set1_ps(frequency);
            freqPartLanes = _mm_set1_ps(frequency * 0.01f);
        }
    };
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
    using PlainPairKernel = void (*)(TFilterQuarter* quarters, int type, int lanesOn, stereoOverStruct* frames,
                                     const __m128 lanes[8], const GroupInput& shared, const __m128 lfoValues[2],
                                     const __m128 offsets[2], SharedPower& lastPower);
    static const PlainPairKernel plainPairKernel;

    // Band-pass section: freq in Hz, width 0..0.99 (0 is the narrowest).
    void setBP(float freq, float width, float gain, bool directFreq);
    void processBP(float in0, float in1, float& out0, float& out1);

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
        float formantOut[4][3];         // the four sections' outputs, on the ring
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
    void advanceRing();
    void clearCombLines();
    float saturateBand(float band) const;
    float runStateVariable(int channel, const ChannelCoefficients& k, float x, float& high, float& band);
    float runBiquad(ChannelState& s, const ChannelCoefficients& k, float x) const;
    float runCascade(ChannelState& s, const ChannelCoefficients& k, int channel, float v) const;
    float runFormants(ChannelState& s, const ChannelCoefficients& k, float x) const;
    void runCombs(float x[2][2], float y[2][2]);
    float exponentPower(int channel, float e);
    void runFrame(const stereoOverStruct& in, stereoOverStruct& out);
    bool takeMovedInputs();
    void updateIfMoved();
    template <bool ALL_ON>
    static void runPlainQuarter(TFilterQuarter& filters, int type, int lanesOn, stereoOverStruct* frames,
                                const __m128 lanes[4], const GroupInput& input, SharedPower& lastPower);
    template <int TYPE, bool ALL_ON>
    static void runPlainRecursion(TFilterQuarter& filters, int lanesOn, __m128 on, const __m128 lanes[4],
                                  stereoOverStruct* frames);
    static void processPlainQuarterPart(TFilterQuarter& filters, int type, int lanesOn, stereoOverStruct* frames,
                                        const __m128 lanes[4], const GroupInput& input, SharedPower& lastPower);
    void runFamilies(const stereoOverStruct& in, stereoOverStruct& out);
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
    float combFeedback = 0.0f;
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
    return type != TYPE_OFF;
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
    return type != TYPE_OFF;
}

inline void TFilter::process(float freq, float spreadFactor, stereoStruct cutoffOffset, float resonance,
                             float vowelMix, const stereoOverStruct& in, stereoOverStruct& out) {
    if (prepare(freq, spreadFactor, cutoffOffset, resonance, vowelMix))
        runFrame(in, out);
    else
        out = in;
}

// The four-voice path of the plain state-variable types, inline so that the
// block loop's one-pass frame keeps its vectors in registers.
namespace filterlanes {

inline constexpr float INPUT_SCALE = 0.1f;  // the recursions run at a tenth of the level
inline constexpr float OUTPUT_SCALE = 10.0f;
inline constexpr float SQRT2 = 1.41421354f;
// Soft saturation of the 12 dB state-variable band state: band - k band^3.
inline constexpr float BAND_SATURATION = 0.001f;
// ...which turns over at sqrt(1 / (3k)); beyond it the curve would diverge.
inline const float BAND_TURN = static_cast<float>(std::sqrt(1.0 / (3.0 * BAND_SATURATION)));

inline const Lanes INPUT_SCALE_LANES = allLanes(INPUT_SCALE);
inline const Lanes OUTPUT_SCALE_LANES = allLanes(OUTPUT_SCALE);
inline const Lanes SQRT2_LANES = allLanes(SQRT2);
inline const Lanes BAND_SATURATION_LANES = allLanes(BAND_SATURATION);
inline const Lanes CUTOFF_BIAS_LANES = allLanes(0.001f);
inline const Lanes TABLE_SCALE_LANES = allLanes(262143.0f);
inline const Lanes TABLE_LAST_LANES = allLanes(static_cast<float>(FILTER_TABLE_SIZE - 1));
inline const Lanes MOVE_THRESHOLD_LANES = allLanes(0.00001f);
// Defined after BAND_TURN in every unit, so initialised after it.
inline const Lanes BAND_TURN_LANES = allLanes(BAND_TURN);
inline const Lanes BAND_FLOOR_LANES = allLanes(-BAND_TURN);
inline const Lanes TWENTY_LANES = allLanes(20.0f);
inline const Lanes OCTAVES_LANES = allLanes(10.0f);
inline const Lanes SMOOTHER_KEEP_LANES = allLanes(0.99f);
inline const Lanes SMOOTHER_TAKE_LANES = allLanes(0.01f);
inline const Lanes CUTOFF_CEILING_LANES = allLanes(1e7f);

// TFilter::sanitizeCutoff() lane by lane.
inline __m128 sanitizedCutoffs(__m128 hz) {
    return _mm_min_ps(_mm_max_ps(hz, _mm_setzero_ps()), load(CUTOFF_CEILING_LANES));
}

// The frame's four lanes scaled into the recursions' range; a value that is
// not a finite number enters as silence rather than poisoning the state.
// Packed operations give every lane its scalar result.
inline __m128 scaledLanes(__m128 input) {
    return _mm_mul_ps(finiteOnly(input), load(INPUT_SCALE_LANES));
}

// The FilterSine entries of four cutoffs, as updateStateVariableCoefficients()
// finds them: min and max give the scalar clamps' results lane by lane (a NaN
// position takes entry 0, as tableIndex does).
inline __m128i sineIndices(__m128 cutoffs, __m128 maxCutoffs, __m128 invOverRates) {
    const __m128 limited = _mm_min_ps(cutoffs, maxCutoffs);
    const __m128 w = _mm_add_ps(_mm_mul_ps(_mm_add_ps(limited, load(CUTOFF_BIAS_LANES)), invOverRates),
                                load(GUARD_LANES));
    const __m128 position = _mm_min_ps(_mm_max_ps(_mm_mul_ps(w, load(TABLE_SCALE_LANES)), _mm_setzero_ps()),
                                       load(TABLE_LAST_LANES));
    return _mm_cvttps_epi32(position);
}

// One sub-sample of types 3-6 on every lane: the lanes hold channels (of one
// voice or two) side by side, and each goes through the operations of
// runStateVariable in the same order. Returns the type's output.
template <int TYPE>
[[gnu::always_inline]] inline __m128 stateVariableStep(__m128 input, __m128 f, __m128 d, __m128& low, __m128& band) {
    const __m128 guard = load(GUARD_LANES);
    const __m128 b = _mm_min_ps(_mm_max_ps(band, load(BAND_FLOOR_LANES)), load(BAND_TURN_LANES));
    const __m128 saturated = _mm_sub_ps(b, _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(load(BAND_SATURATION_LANES), b), b), b));
    const __m128 high = _mm_sub_ps(_mm_sub_ps(input, low), _mm_mul_ps(d, saturated));
    band = _mm_add_ps(_mm_add_ps(_mm_mul_ps(high, f), saturated), guard);
    low = _mm_add_ps(_mm_add_ps(_mm_mul_ps(band, f), low), guard);
    if constexpr (TYPE == 3) return _mm_mul_ps(low, load(SQRT2_LANES));
    else if constexpr (TYPE == 4) return _mm_mul_ps(high, load(SQRT2_LANES));
    else if constexpr (TYPE == 5) return _mm_mul_ps(band, load(TWO_LANES));
    else return _mm_mul_ps(_mm_sub_ps(low, high), load(SQRT2_LANES));
}

}  // namespace filterlanes

inline void TFilterQuarter::copyLane(int to, const TFilterQuarter& source, int from) {
    auto* target = reinterpret_cast<unsigned char*>(this);
    const auto* origin = reinterpret_cast<const unsigned char*>(&source);
    constexpr int ROW_BYTES = 4 * sizeof(float);
    // memmove: a lane may be copied onto itself.
    for (int row = 0; row < ROWS; ++row)
        std::memmove(target + row * ROW_BYTES + to * sizeof(float), origin + row * ROW_BYTES + from * sizeof(float),
                    sizeof(float));
}

namespace filterlanes {

// Lane `lane` of x in every lane.
[[gnu::always_inline]] inline __m128 laneInAll(__m128 x, int lane) {
    switch (lane) {
    case 0: return _mm_shuffle_ps(x, x, _MM_SHUFFLE(0, 0, 0, 0));
    case 1: return _mm_shuffle_ps(x, x, _MM_SHUFFLE(1, 1, 1, 1));
    case 2: return _mm_shuffle_ps(x, x, _MM_SHUFFLE(2, 2, 2, 2));
    default: return _mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 3, 3, 3));
    }
}

// A quarter's row stored for the lanes `on`, the others left as they are:
// with ALL_ON every lane is.
template <bool ALL_ON>
[[gnu::always_inline]] inline void storeRow(float* row, __m128 on, __m128 value) {
    if constexpr (ALL_ON)
        _mm_store_ps(row, value);
    else
        _mm_store_ps(row, select(on, value, _mm_load_ps(row)));
}

}  // namespace filterlanes

// One frame of the recursion of types 3-6 for the filters of a quarter, each
// channel of the four voices in one vector. Where every voice's left and
// right channels hold the same inputs, coefficients and states bit for bit,
// the right channel's operations would repeat the left's on the same
// numbers: the left's results stand for both. Lanes not `on` need not agree.
template <int TYPE, bool ALL_ON>
[[gnu::always_inline]] inline void TFilter::runPlainRecursion(TFilterQuarter& filters, int lanesOn, __m128 on,
                                                              const __m128 lanes[4], stereoOverStruct* frames) {
    using namespace filterlanes;
    __m128 out[4];  // left and right of the first sub-sample, then of the second
    const __m128 d = _mm_load_ps(filters.stateVariableD);
    __m128 f[2], low[2], band[2];
    for (int c = 0; c < 2; ++c) {
        f[c] = _mm_load_ps(filters.stateVariableF[c]);
        low[c] = _mm_load_ps(filters.low[c]);
        band[c] = _mm_load_ps(filters.band[c]);
    }
    const auto runChannel = [&](int c) {
        const __m128 scale = load(OUTPUT_SCALE_LANES);
        out[c] = _mm_mul_ps(stateVariableStep<TYPE>(scaledLanes(lanes[c]), f[c], d, low[c], band[c]), scale);
        out[2 + c] = _mm_mul_ps(stateVariableStep<TYPE>(scaledLanes(lanes[2 + c]), f[c], d, low[c], band[c]), scale);
    };
    const auto sameBits = [](__m128 a, __m128 b) { return _mm_cmpeq_epi32(_mm_castps_si128(a), _mm_castps_si128(b)); };
    __m128i alike =
        _mm_and_si128(_mm_and_si128(_mm_and_si128(sameBits(lanes[0], lanes[1]), sameBits(lanes[2], lanes[3])),
                                    sameBits(f[0], f[1])),
                      _mm_and_si128(sameBits(low[0], low[1]), sameBits(band[0], band[1])));
    if constexpr (!ALL_ON) alike = _mm_or_si128(alike, _mm_andnot_si128(_mm_castps_si128(on), _mm_set1_epi32(-1)));
    runChannel(0);
    if (_mm_movemask_epi8(alike) == 0xFFFF) {
        low[1] = low[0];
        band[1] = band[0];
        // Each voice's frame is its left values twice: first, first, second, second.
        const __m128 low01 = _mm_unpacklo_ps(out[0], out[2]);
        const __m128 high01 = _mm_unpackhi_ps(out[0], out[2]);
        out[0] = _mm_shuffle_ps(low01, low01, _MM_SHUFFLE(1, 1, 0, 0));
        out[1] = _mm_shuffle_ps(low01, low01, _MM_SHUFFLE(3, 3, 2, 2));
        out[2] = _mm_shuffle_ps(high01, high01, _MM_SHUFFLE(1, 1, 0, 0));
        out[3] = _mm_shuffle_ps(high01, high01, _MM_SHUFFLE(3, 3, 2, 2));
    } else {
        runChannel(1);
        _MM_TRANSPOSE4_PS(out[0], out[1], out[2], out[3]);
    }
    for (int c = 0; c < 2; ++c) {
        storeRow<ALL_ON>(filters.low[c], on, low[c]);
        storeRow<ALL_ON>(filters.band[c], on, band[c]);
    }
    for (int i = 0; i < 4; ++i)
        if (ALL_ON || (lanesOn >> i & 1)) _mm_storeu_ps(frames[i].lane, out[i]);
}

// setLFO(), prepareShared() and process() of the filters of a quarter, lane
// by lane in their order, as processPlainQuarter() describes.
template <bool ALL_ON>
[[gnu::always_inline]] inline void TFilter::runPlainQuarter(TFilterQuarter& filters, int type, int lanesOn,
                                                            stereoOverStruct* frames, const __m128 lanes[4],
                                                            const GroupInput& input, SharedPower& lastPower) {
    using namespace filterlanes;
    TFilterQuarter& v = filters;
    const __m128 on = ALL_ON ? _mm_setzero_ps() : _mm_castsi128_ps(laneMaskOfBits(lanesOn));
    // Locals: the vector stores below may alias anything, and would otherwise
    // make the compiler reload the input after each one.
    const float freq = input.freq;
    const bool spreadIsOne = input.spreadIsOne;
    const __m128 spread = input.spread;
    const __m128 q = input.q;
    const __m128 vowel = input.vowel;

    const __m128 smooth = _mm_load_ps(v.smoothFreq);
    const __m128 direct = _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(v.direct)));
    const __m128 product = _mm_mul_ps(input.lfoAmount, input.lfoValue);
    const __m128 lfo = _mm_and_ps(product, finiteMask(product));
    const __m128 offset = _mm_and_ps(input.offset, finiteMask(input.offset));
    __m128 target, part;
    if (std::isfinite(freq)) {
        target = input.freqLanes;
        part = input.freqPartLanes;
    } else {
        target = smooth;
        part = _mm_mul_ps(smooth, load(SMOOTHER_TAKE_LANES));
    }
    const __m128 glided =
        _mm_add_ps(_mm_add_ps(part, _mm_mul_ps(smooth, load(SMOOTHER_KEEP_LANES))), load(GUARD_LANES));
    const __m128 smoothed = _mm_movemask_ps(direct) == 0 ? glided : select(direct, target, glided);
    const __m128 position = _mm_add_ps(
        _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_add_ps(offset, _mm_load_ps(v.env)), lfo), _mm_load_ps(v.vel)),
                   _mm_load_ps(v.mod)),
        smoothed);
    const __m128 exponent =
        _mm_min_ps(_mm_max_ps(_mm_mul_ps(load(OCTAVES_LANES), position), _mm_setzero_ps()), load(OCTAVES_LANES));
    __m128 power;
    if ((_mm_movemask_ps(_mm_cmpeq_ps(exponent, _mm_set1_ps(lastPower.exponent))) & lanesOn) == lanesOn) {
        power = _mm_set1_ps(lastPower.value);
    } else if (const int first = ALL_ON ? 0 : __builtin_ctz(static_cast<unsigned>(lanesOn));
               (_mm_movemask_ps(_mm_cmpeq_ps(exponent, laneInAll(exponent, first))) & lanesOn) == lanesOn) {
        // Voices in step share one position: one power for all.
        const float e = _mm_cvtss_f32(laneInAll(exponent, first));
        lastPower.value =
            e == v.powerExponent[first] ? v.powerValue[first] : static_cast<float>(std::exp2(static_cast<double>(e)));
        lastPower.exponent = e;
        v.powerExponent[first] = e;
        v.powerValue[first] = lastPower.value;
        power = _mm_set1_ps(lastPower.value);
    } else {
        alignas(16) float exponents[4], powers[4];
        _mm_store_ps(exponents, exponent);
        for (int i = 0; i < 4; ++i) {
            const float e = exponents[i];
            if (e != lastPower.exponent && (ALL_ON || (lanesOn >> i & 1))) {
                lastPower.value =
                    e == v.powerExponent[i] ? v.powerValue[i] : static_cast<float>(std::exp2(static_cast<double>(e)));
                lastPower.exponent = e;
                v.powerExponent[i] = e;
                v.powerValue[i] = lastPower.value;
            }
            powers[i] = lastPower.value;
        }
        power = _mm_load_ps(powers);
    }
    const __m128 tracked = _mm_mul_ps(power, _mm_load_ps(v.track));
    __m128 cutoffLeft, cutoffRight;
    if (spreadIsOne) {
        // Dividing and multiplying by 1 are exact: both channels get the same cutoff.
        cutoffLeft = cutoffRight = sanitizedCutoffs(_mm_mul_ps(tracked, load(TWENTY_LANES)));
    } else {
        cutoffLeft = sanitizedCutoffs(_mm_mul_ps(_mm_div_ps(tracked, spread), load(TWENTY_LANES)));
        cutoffRight = sanitizedCutoffs(_mm_mul_ps(_mm_mul_ps(tracked, spread), load(TWENTY_LANES)));
    }
    storeRow<ALL_ON>(v.smoothFreq, on, smoothed);
    storeRow<ALL_ON>(v.offsetLeft, on, offset);
    // Every flag is cleared, as each filter's own call clears it.
    if (ALL_ON)
        _mm_store_si128(reinterpret_cast<__m128i*>(v.direct), _mm_setzero_si128());
    else
        _mm_store_ps(reinterpret_cast<float*>(v.direct), _mm_andnot_ps(on, direct));
    storeRow<ALL_ON>(v.cutoff[0], on, cutoffLeft);
    storeRow<ALL_ON>(v.cutoff[1], on, cutoffRight);
    storeRow<ALL_ON>(v.q, on, q);
    storeRow<ALL_ON>(v.vowel, on, vowel);

    // takeMovedInputs() lane by lane: a value moved by more than 1e-5, or a
    // new type.
    const __m128 now[4] = {cutoffLeft, cutoffRight, q, vowel};
    float* const applied[4] = {v.appliedCutoff[0], v.appliedCutoff[1], v.appliedQ, v.appliedVowel};
    __m128 moved = _mm_setzero_ps();
    for (int k = 0; k < 4; ++k) {
        const __m128 change = _mm_andnot_ps(load(SIGN_LANES), _mm_sub_ps(now[k], _mm_load_ps(applied[k])));
        moved = _mm_or_ps(moved, _mm_cmpgt_ps(change, load(MOVE_THRESHOLD_LANES)));
    }
    const __m128i typeNow = _mm_set1_epi32(type);
    const __m128i appliedType = _mm_load_si128(reinterpret_cast<const __m128i*>(v.appliedType));
    const int sameTypeBits = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(appliedType, typeNow)));
    const int movedBits = (_mm_movemask_ps(moved) | (sameTypeBits ^ 0xF)) & lanesOn;
    if (movedBits != 0) {
        // updateStateVariableCoefficients() lane by lane, with each voice's
        // limits as init() kept them. Lanes that did not move keep theirs.
        const auto store = [movedBits](float* row, __m128 computed) {
            if (movedBits == 0xF)
                _mm_store_ps(row, computed);
            else
                _mm_store_ps(row, select(_mm_castsi128_ps(laneMaskOfBits(movedBits)), computed, _mm_load_ps(row)));
        };
        for (int k = 0; k < 4; ++k) store(applied[k], now[k]);
        // Lanes on that did not move hold the type already.
        _mm_store_si128(reinterpret_cast<__m128i*>(v.appliedType),
                        ALL_ON ? typeNow : _mm_castps_si128(select(on, _mm_castsi128_ps(typeNow),
                                                                   _mm_castsi128_ps(appliedType))));
        const __m128 maxCutoffs = _mm_load_ps(v.maxCutoff);
        const __m128 invOverRates = _mm_load_ps(v.invOverRate);
        const auto sines = [maxCutoffs, invOverRates](__m128 cutoffs) {
            alignas(16) int index[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(index), sineIndices(cutoffs, maxCutoffs, invOverRates));
            return _mm_setr_ps(FilterSine[index[0]], FilterSine[index[1]], FilterSine[index[2]], FilterSine[index[3]]);
        };
        const __m128 fLeft = sines(cutoffLeft);
        store(v.stateVariableF[0], fLeft);
        store(v.stateVariableF[1], spreadIsOne ? fLeft : sines(cutoffRight));
        store(v.stateVariableD, _mm_add_ps(_mm_sub_ps(load(ONE_LANES), q), load(GUARD_LANES)));
    }
    switch (type) {
    case 3: runPlainRecursion<3, ALL_ON>(filters, lanesOn, on, lanes, frames); break;
    case 4: runPlainRecursion<4, ALL_ON>(filters, lanesOn, on, lanes, frames); break;
    case 5: runPlainRecursion<5, ALL_ON>(filters, lanesOn, on, lanes, frames); break;
    default: runPlainRecursion<6, ALL_ON>(filters, lanesOn, on, lanes, frames); break;
    }
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
