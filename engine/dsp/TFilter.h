// The engine's multimode stereo filter: 35 types run at twice the host rate on
// the two sub-samples of a voice frame, plus an independent band-pass section
// for the tuned noise source. Plain class: call init() before anything else;
// nothing allocates after that. Audio thread only.
#pragma once

#include <emmintrin.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "engine/dsp/FilterTables.h"
#include "engine/dsp/SampleMath.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/VectorLanes.h"

class TFilter {
public:
    static constexpr int NUM_TYPES = 35;          // 0 is the bypass
    static constexpr int COMB_LENGTH = 8192;      // entries per comb line

    // What the coefficients follow, and the values they were last computed
    // for: laid out alike, so that one vector comparison finds a change.
    struct CoefficientInputs {
        float cutoff[2];    // Hz, left and right
        float q;            // resonance 0..0.95
        float vowel;        // 0..1
    };

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
    void setDirect() { control.direct = ~0u; }

    // Smoothed cutoff on the 0..1 scale plus the left offset, without the
    // tracking and the vel/mod/env/lfo offsets: a modulation source.
    float getFreq() const { return terms.smoothFreq + terms.offsetLeft; }

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
    // the plain state-variable types through processPlainGroup() instead.)
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
        if (!std::isfinite(freq)) freq = terms.smoothFreq;  // a bad value must not stick in the smoother
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
        float freqPart;       // freq * 0.01, when freq is finite
        bool spreadIsOne;     // every lane's spread is 1
        __m128 spread;
        __m128 offset;
        __m128 q;             // coefficientQ()
        __m128 vowel;         // coefficientVowel()
        __m128 lfoAmount;
        __m128 lfoValue;
    };
    // setLFO() and prepareShared() of four voices whose filters share one type
    // of 3 to 6, then their frames filtered in place: per voice the result of
    // those calls and process(). The LFO terms the filters keep are neither
    // read nor set: the lanes' products stand in for them. A filter may sit in
    // more than one lane (with the same input and frame in each), as when
    // fewer than four voices fill a group: the lanes then compute the same
    // values and store them alike.
    static void processPlainGroup(TFilter* const filters[4], stereoOverStruct* const frames[4], const GroupInput& input,
                                  SharedPower& lastPower);
    // processPlainGroup() for the filters and frames of voices[0..3] in
    // arrays indexed by voice: the block loop's call, which hands over four
    // indices rather than eight pointers.
    static void processPlainGroupOf(TFilter* filtersByVoice, stereoOverStruct* framesByVoice, const int voices[4],
                                    const GroupInput& input, SharedPower& lastPower);
    // processPlainGroup() for the four filters filters[0..3] and the frames
    // frames[0..3], with the frames handed over in lanes[] as one vector per
    // frame lane (left and right of the first sub-sample, then of the
    // second), a voice per lane: they are read from there and written to
    // frames[].
    static void processPlainQuarter(TFilter* filters, stereoOverStruct* frames, const __m128 lanes[4],
                                    const GroupInput& input, SharedPower& lastPower);

    // Band-pass section: freq in Hz, width 0..0.99 (0 is the narrowest).
    void setBP(float freq, float width, float gain, bool directFreq);
    void processBP(float in0, float in1, float& out0, float& out1);

    // Cutoff in Hz of the last call, channel 0 left, 1 right.
    float getCutoff(int channel) const { return inputs.cutoff[channel & 1]; }
    float getSampleRate() const { return control.rate; }
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
    bool takeIfMoved(__m128 now, int currentType);
    void updateIfMoved();
    template <class Pairs>
    static void runPlainGroupCall(TFilter* const filters[4], stereoOverStruct* const frames[4], Pairs pairs,
                                  const GroupInput& input, SharedPower& lastPower);
    template <int TYPE, class Pairs>
    static void runPlainGroup(TFilter* const filters[4], stereoOverStruct* const frames[4], Pairs pairsOf,
                              __m128 fFirst, __m128 dFirst, __m128 fSecond, __m128 dSecond);
    void runFamilies(const stereoOverStruct& in, stereoOverStruct& out);
    void updateStateVariableCoefficients();
    template <int TYPE>
    void runStateVariableFrame(const stereoOverStruct& in, stereoOverStruct& out);

    alignas(16) CoefficientInputs inputs = {};
    alignas(16) CoefficientInputs applied = {};

    // The cutoff terms a frame reads, side by side, so that four voices'
    // terms load as one vector each: the smoothed frequency and the left
    // offset (written every frame, together), the envelope and velocity
    // offsets; then the mod wheel offset, the key-tracking factor, the rate
    // and the direct flag (all ones: the next frame takes its frequency
    // unsmoothed).
    struct alignas(16) FrameTerms {
        float smoothFreq;
        float offsetLeft;
        float env;
        float vel;
    };
    struct alignas(16) ControlTerms {
        float mod;
        float track;
        float rate;
        std::uint32_t direct;
    };
    FrameTerms terms = {0.5f, 0.0f, 0.0f, 0.0f};
    ControlTerms control = {0.0f, 1.0f, 44100.0f, 0u};
    float smoothPair[2] = {0.0f, 0.0f};
    int type = 0;
    int prevType = -1;
    float invOverRate = 1.0f / 88200.0f;
    float maxCutoff = 17640.0f;
    // The octaves track was last computed for (NaN: none yet); a held note keeps them.
    float trackOctaves = std::numeric_limits<float>::quiet_NaN();
    float lfo = 0.0f;
    float distort = 0.0f, distortGain = 0.0f;
    int ringIndex = 0;
    int ringPos[3] = {0, 1, 2};         // positions of n, n-1, n-2
    float powerExponent[2] = {0.0f, 0.0f};  // last exponent of each channel's cutoff
    float powerValue[2] = {1.0f, 1.0f};     // and its power of two

    ChannelCoefficients coef[2] = {};
    // Types 3-6 keep f left, f right and the damping twice here instead, as
    // one vector: they are computed only by updateStateVariableCoefficients()
    // and processPlainGroup(), one of which a change of type always runs
    // before these types read them.
    alignas(16) float plainStateVariable[4] = {};
    // The state-variable recursion of types 3-6 and 13-16: low left, low
    // right, band left, band right, so that it loads as one vector.
    alignas(16) float stateVariable[4] = {};
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
    if (e != powerExponent[channel]) {
        powerExponent[channel] = e;
        if (channel == 1 && e == powerExponent[0])
            powerValue[1] = powerValue[0];
        else
            powerValue[channel] = static_cast<float>(std::exp2(static_cast<double>(e)));
    }
    return powerValue[channel];
}

inline bool TFilter::prepare(float freq, float spreadFactor, stereoStruct cutoffOffset, float resonance,
                             float vowelMix) {
    // Locals throughout: after the power's library call, members would be reloaded.
    const float offsetLeft = finiteOrZero(cutoffOffset.left);
    const float offsetRight = finiteOrZero(cutoffOffset.right);
    terms.offsetLeft = offsetLeft;
    inputs.q = coefficientQ(resonance);
    inputs.vowel = coefficientVowel(vowelMix);

    if (!std::isfinite(freq)) freq = terms.smoothFreq;  // a bad value must not stick in the smoother
    const float smoothed = control.direct ? freq : freq * 0.01f + terms.smoothFreq * 0.99f + SMOOTHER_GUARD;
    terms.smoothFreq = smoothed;
    control.direct = 0u;

    const float env = terms.env, vel = terms.vel, mod = control.mod;
    const float exponentLeft = octaveExponent(((((offsetLeft + env) + lfo) + vel) + mod) + smoothed);
    // Equal offsets give equal positions (at most a zero's sign differs,
    // which the exponent drops), so the right channel's sum is skipped.
    const float exponentRight = offsetRight == offsetLeft
                                    ? exponentLeft
                                    : octaveExponent(((((offsetRight + env) + lfo) + vel) + mod) + smoothed);
    const float powerLeft = exponentPower(0, exponentLeft);
    const float powerRight = exponentPower(1, exponentRight);
    const float track = control.track;
    inputs.cutoff[0] = sanitizeCutoff(powerLeft * track / spreadFactor * 20.0f);
    inputs.cutoff[1] = sanitizeCutoff(track * powerRight * spreadFactor * 20.0f);
    return type != TYPE_OFF;
}

inline bool TFilter::prepareSmoothed(float freq, float freqPart, float spreadFactor, float cutoffOffset, float q,
                                     float vowel, SharedPower& lastPower) {
    const float offsetBoth = finiteOrZero(cutoffOffset);
    terms.offsetLeft = offsetBoth;
    inputs.q = q;
    inputs.vowel = vowel;

    const float smoothed = control.direct ? freq : freqPart + terms.smoothFreq * 0.99f + SMOOTHER_GUARD;
    terms.smoothFreq = smoothed;
    control.direct = 0u;

    const float exponent =
        octaveExponent(((((offsetBoth + terms.env) + lfo) + terms.vel) + control.mod) + smoothed);
    // Both channels sit at the same position, so the right channel's power
    // is the left's; its own cache is left alone (it always holds the power
    // of its exponent, so it stays right whenever it is read).
    if (exponent != lastPower.exponent) {
        lastPower.value = exponent == powerExponent[0] ? powerValue[0]
                                                       : static_cast<float>(std::exp2(static_cast<double>(exponent)));
        lastPower.exponent = exponent;
    }
    const float power = lastPower.value;
    powerExponent[0] = exponent;
    powerValue[0] = power;
    const float tracked = power * control.track;
    if (spreadFactor == 1.0f) {
        // Dividing and multiplying by 1 are exact: both channels get the same cutoff.
        const float cutoff = sanitizeCutoff(tracked * 20.0f);
        inputs.cutoff[0] = cutoff;
        inputs.cutoff[1] = cutoff;
    } else {
        inputs.cutoff[0] = sanitizeCutoff(tracked / spreadFactor * 20.0f);
        inputs.cutoff[1] = sanitizeCutoff(tracked * spreadFactor * 20.0f);
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

// The four frames as runPlainGroup() takes them, read when it needs them.
struct TPairsOfFrames {
    stereoOverStruct* const* frames;
    void operator()(__m128 pairs[4]) const {
        __m128 x[4];
        for (int i = 0; i < 4; ++i) x[i] = _mm_loadu_ps(frames[i]->lane);
        pairs[0] = _mm_movelh_ps(x[0], x[1]);
        pairs[1] = _mm_movehl_ps(x[1], x[0]);
        pairs[2] = _mm_movelh_ps(x[2], x[3]);
        pairs[3] = _mm_movehl_ps(x[3], x[2]);
    }
};

// Four frames given as one vector per frame lane, a voice per lane.
struct TPairsOfLanes {
    const __m128* lanes;  // left 0, right 0, left 1, right 1
    void operator()(__m128 pairs[4]) const {
        pairs[0] = _mm_unpacklo_ps(lanes[0], lanes[1]);
        pairs[1] = _mm_unpacklo_ps(lanes[2], lanes[3]);
        pairs[2] = _mm_unpackhi_ps(lanes[0], lanes[1]);
        pairs[3] = _mm_unpackhi_ps(lanes[2], lanes[3]);
    }
};

}  // namespace filterlanes

// True when a value of now (the coefficient inputs, laid out as
// CoefficientInputs) moved by more than 1e-5 (|now - then| > 1e-5 per lane),
// or currentType is not the type last computed for; now and currentType are
// then taken as computed.
[[gnu::always_inline]] inline bool TFilter::takeIfMoved(__m128 now, int currentType) {
    const __m128 then = _mm_load_ps(&applied.cutoff[0]);
    const __m128 moved = _mm_cmpgt_ps(_mm_andnot_ps(load(SIGN_LANES), _mm_sub_ps(now, then)),
                                      load(filterlanes::MOVE_THRESHOLD_LANES));
    if (_mm_movemask_ps(moved) == 0 && currentType == prevType) return false;
    prevType = currentType;
    _mm_store_ps(&applied.cutoff[0], now);
    return true;
}

// Types 3-6 for four voices, two at a time: lanes 0 and 1 hold the first
// voice's channels, lanes 2 and 3 the second's. pairsOf() gives the frames so:
// the first sub-sample of voices 0 and 1, their second sub-sample, then the
// same of voices 2 and 3. Everything is loaded before anything is stored, so
// that a filter sitting in two lanes is run once.
template <int TYPE, class Pairs>
[[gnu::always_inline]] inline void TFilter::runPlainGroup(TFilter* const filters[4],
                                                          stereoOverStruct* const frames[4], Pairs pairsOf,
                                                          __m128 fFirst, __m128 dFirst, __m128 fSecond,
                                                          __m128 dSecond) {
    using namespace filterlanes;
    __m128 pairs[4];
    pairsOf(pairs);
    __m128 history[4];
    for (int i = 0; i < 4; ++i) history[i] = _mm_load_ps(filters[i]->stateVariable);
    const __m128 scale = load(OUTPUT_SCALE_LANES);
    __m128 out[4], newHistory[4];
    for (int a = 0; a < 4; a += 2) {
        const int b = a + 1;
        const __m128 f = a == 0 ? fFirst : fSecond;
        const __m128 d = a == 0 ? dFirst : dSecond;
        __m128 low = _mm_movelh_ps(history[a], history[b]);
        __m128 band = _mm_movehl_ps(history[b], history[a]);
        const __m128 first = _mm_mul_ps(stateVariableStep<TYPE>(scaledLanes(pairs[a]), f, d, low, band), scale);
        const __m128 second = _mm_mul_ps(stateVariableStep<TYPE>(scaledLanes(pairs[b]), f, d, low, band), scale);
        newHistory[a] = _mm_movelh_ps(low, band);
        newHistory[b] = _mm_movehl_ps(band, low);
        out[a] = _mm_movelh_ps(first, second);
        out[b] = _mm_movehl_ps(second, first);
    }
    for (int i = 0; i < 4; ++i) {
        _mm_store_ps(filters[i]->stateVariable, newHistory[i]);
        _mm_storeu_ps(frames[i]->lane, out[i]);
    }
}

template <class Pairs>
[[gnu::always_inline]] inline void TFilter::runPlainGroupCall(TFilter* const groupFilters[4],
                                                              stereoOverStruct* const groupFrames[4], Pairs pairs,
                                                              const GroupInput& input, SharedPower& lastPower) {
    using namespace filterlanes;
    // Locals: the vector stores below may alias anything, and would otherwise
    // make the compiler reload the pointers and the input after each one.
    TFilter* const filters[4] = {groupFilters[0], groupFilters[1], groupFilters[2], groupFilters[3]};
    stereoOverStruct* const frames[4] = {groupFrames[0], groupFrames[1], groupFrames[2], groupFrames[3]};
    const float freq = input.freq;
    const float freqPart = input.freqPart;
    const bool spreadIsOne = input.spreadIsOne;
    const __m128 spread = input.spread;
    const __m128 q = input.q;
    const __m128 vowel = input.vowel;
    const int type = filters[0]->type;

    // The voices' terms, a voice per lane.
    __m128 smooth = _mm_load_ps(&filters[0]->terms.smoothFreq);
    __m128 offsetBefore = _mm_load_ps(&filters[1]->terms.smoothFreq);
    __m128 env = _mm_load_ps(&filters[2]->terms.smoothFreq);
    __m128 vel = _mm_load_ps(&filters[3]->terms.smoothFreq);
    _MM_TRANSPOSE4_PS(smooth, offsetBefore, env, vel);
    static_assert(sizeof(ControlTerms) == 4 * sizeof(float));
    __m128 mod = _mm_load_ps(&filters[0]->control.mod);
    __m128 track = _mm_load_ps(&filters[1]->control.mod);
    __m128 rate = _mm_load_ps(&filters[2]->control.mod);
    __m128 direct = _mm_load_ps(&filters[3]->control.mod);
    _MM_TRANSPOSE4_PS(mod, track, rate, direct);

    // setLFO() and prepareShared(), lane by lane in their order.
    const __m128 product = _mm_mul_ps(input.lfoAmount, input.lfoValue);
    const __m128 lfo = _mm_and_ps(product, finiteMask(product));
    const __m128 offset = _mm_and_ps(input.offset, finiteMask(input.offset));
    __m128 target, part;
    if (std::isfinite(freq)) {
        target = _mm_set1_ps(freq);
        part = _mm_set1_ps(freqPart);
    } else {
        target = smooth;
        part = _mm_mul_ps(smooth, load(SMOOTHER_TAKE_LANES));
    }
    const __m128 glided =
        _mm_add_ps(_mm_add_ps(part, _mm_mul_ps(smooth, load(SMOOTHER_KEEP_LANES))), load(GUARD_LANES));
    const int directBits = _mm_movemask_ps(direct);
    const __m128 smoothed =
        directBits == 0 ? glided : select(direct, target, glided);
    const __m128 position =
        _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_add_ps(offset, env), lfo), vel), mod), smoothed);
    const __m128 exponent =
        _mm_min_ps(_mm_max_ps(_mm_mul_ps(load(OCTAVES_LANES), position), _mm_setzero_ps()), load(OCTAVES_LANES));
    __m128 power;
    if (_mm_movemask_ps(_mm_cmpeq_ps(exponent, _mm_set1_ps(lastPower.exponent))) == 0xF) {
        power = _mm_set1_ps(lastPower.value);
    } else if (_mm_movemask_ps(_mm_cmpeq_ps(exponent, _mm_shuffle_ps(exponent, exponent, 0))) == 0xF) {
        // Voices in step share one position: one power for all.
        const float e = _mm_cvtss_f32(exponent);
        TFilter& filter = *filters[0];
        lastPower.value = e == filter.powerExponent[0] ? filter.powerValue[0]
                                                       : static_cast<float>(std::exp2(static_cast<double>(e)));
        lastPower.exponent = e;
        filter.powerExponent[0] = e;
        filter.powerValue[0] = lastPower.value;
        power = _mm_set1_ps(lastPower.value);
    } else {
        alignas(16) float exponents[4], powers[4];
        _mm_store_ps(exponents, exponent);
        for (int i = 0; i < 4; ++i) {
            const float e = exponents[i];
            if (e != lastPower.exponent) {
                TFilter& filter = *filters[i];
                lastPower.value = e == filter.powerExponent[0]
                                      ? filter.powerValue[0]
                                      : static_cast<float>(std::exp2(static_cast<double>(e)));
                lastPower.exponent = e;
                filter.powerExponent[0] = e;
                filter.powerValue[0] = lastPower.value;
            }
            powers[i] = lastPower.value;
        }
        power = _mm_load_ps(powers);
    }
    const __m128 tracked = _mm_mul_ps(power, track);
    __m128 cutoffLeft, cutoffRight;
    if (spreadIsOne) {
        // Dividing and multiplying by 1 are exact: both channels get the same cutoff.
        cutoffLeft = cutoffRight = sanitizedCutoffs(_mm_mul_ps(tracked, load(TWENTY_LANES)));
    } else {
        cutoffLeft = sanitizedCutoffs(_mm_mul_ps(_mm_div_ps(tracked, spread), load(TWENTY_LANES)));
        cutoffRight = sanitizedCutoffs(_mm_mul_ps(_mm_mul_ps(tracked, spread), load(TWENTY_LANES)));
    }

    // The smoothed frequency and the offset, side by side in each filter.
    static_assert(offsetof(FrameTerms, offsetLeft) == sizeof(float));
    const __m128 termsLow = _mm_unpacklo_ps(smoothed, offset);
    const __m128 termsHigh = _mm_unpackhi_ps(smoothed, offset);
    _mm_storel_pi(reinterpret_cast<__m64*>(&filters[0]->terms.smoothFreq), termsLow);
    _mm_storeh_pi(reinterpret_cast<__m64*>(&filters[1]->terms.smoothFreq), termsLow);
    _mm_storel_pi(reinterpret_cast<__m64*>(&filters[2]->terms.smoothFreq), termsHigh);
    _mm_storeh_pi(reinterpret_cast<__m64*>(&filters[3]->terms.smoothFreq), termsHigh);
    if (directBits != 0)
        for (TFilter* filter : filters) filter->control.direct = 0u;

    // Each voice's coefficient inputs as takeMovedInputs() compares them.
    __m128 inputsOf[4] = {cutoffLeft, cutoffRight, q, vowel};
    _MM_TRANSPOSE4_PS(inputsOf[0], inputsOf[1], inputsOf[2], inputsOf[3]);
    int movedBits = 0;
    for (int i = 0; i < 4; ++i) {
        TFilter& filter = *filters[i];
        _mm_store_ps(&filter.inputs.cutoff[0], inputsOf[i]);
        if (filter.takeIfMoved(inputsOf[i], type)) movedBits |= 1 << i;
    }
    __m128 c0, c1, c2, c3;
    if (movedBits != 0) {
        // updateStateVariableCoefficients() lane by lane, with each voice's
        // limits as init() kept them.
        static_assert(offsetof(TFilter, maxCutoff) == offsetof(TFilter, invOverRate) + sizeof(float));
        __m128 limitsLow = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&filters[0]->invOverRate));
        limitsLow = _mm_loadh_pi(limitsLow, reinterpret_cast<const __m64*>(&filters[1]->invOverRate));
        __m128 limitsHigh = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&filters[2]->invOverRate));
        limitsHigh = _mm_loadh_pi(limitsHigh, reinterpret_cast<const __m64*>(&filters[3]->invOverRate));
        const __m128 invOverRates = _mm_shuffle_ps(limitsLow, limitsHigh, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 maxCutoffs = _mm_shuffle_ps(limitsLow, limitsHigh, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 damping = _mm_add_ps(_mm_sub_ps(load(ONE_LANES), q), load(GUARD_LANES));
        const __m128i left = sineIndices(cutoffLeft, maxCutoffs, invOverRates);
        const __m128i right = spreadIsOne ? left : sineIndices(cutoffRight, maxCutoffs, invOverRates);
        // Voices in step (notes started together under the same modulation)
        // share their cutoffs, q and rate: one voice's coefficients are all.
        const __m128 leftFirst = _mm_shuffle_ps(cutoffLeft, cutoffLeft, 0);
        const __m128 rightFirst = _mm_shuffle_ps(cutoffRight, cutoffRight, 0);
        const __m128 qFirst = _mm_shuffle_ps(q, q, 0);
        const __m128 rateFirst = _mm_shuffle_ps(rate, rate, 0);
        const __m128 inStep = _mm_and_ps(_mm_and_ps(_mm_cmpeq_ps(cutoffLeft, leftFirst), _mm_cmpeq_ps(cutoffRight, rightFirst)),
                                         _mm_and_ps(_mm_cmpeq_ps(q, qFirst), _mm_cmpeq_ps(rate, rateFirst)));
        if (_mm_movemask_ps(inStep) == 0xF) {
            const __m128 sines = _mm_unpacklo_ps(_mm_load_ss(&FilterSine[_mm_cvtsi128_si32(left)]),
                                                 _mm_load_ss(&FilterSine[_mm_cvtsi128_si32(right)]));
            c0 = c1 = c2 = c3 = _mm_movelh_ps(sines, _mm_unpacklo_ps(damping, damping));
        } else {
            alignas(16) int leftIndex[4], rightIndex[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(leftIndex), left);
            _mm_store_si128(reinterpret_cast<__m128i*>(rightIndex), right);
            const __m128 sinesLow = _mm_setr_ps(FilterSine[leftIndex[0]], FilterSine[rightIndex[0]],
                                                FilterSine[leftIndex[1]], FilterSine[rightIndex[1]]);
            const __m128 sinesHigh = _mm_setr_ps(FilterSine[leftIndex[2]], FilterSine[rightIndex[2]],
                                                 FilterSine[leftIndex[3]], FilterSine[rightIndex[3]]);
            const __m128 dampingLow = _mm_unpacklo_ps(damping, damping);
            const __m128 dampingHigh = _mm_unpackhi_ps(damping, damping);
            c0 = _mm_movelh_ps(sinesLow, dampingLow);
            c1 = _mm_movehl_ps(dampingLow, sinesLow);
            c2 = _mm_movelh_ps(sinesHigh, dampingHigh);
            c3 = _mm_movehl_ps(dampingHigh, sinesHigh);
        }
        if (movedBits == 0xF) {
            _mm_store_ps(filters[0]->plainStateVariable, c0);
            _mm_store_ps(filters[1]->plainStateVariable, c1);
            _mm_store_ps(filters[2]->plainStateVariable, c2);
            _mm_store_ps(filters[3]->plainStateVariable, c3);
        } else {
            if (movedBits & 1) _mm_store_ps(filters[0]->plainStateVariable, c0);
            if (movedBits & 2) _mm_store_ps(filters[1]->plainStateVariable, c1);
            if (movedBits & 4) _mm_store_ps(filters[2]->plainStateVariable, c2);
            if (movedBits & 8) _mm_store_ps(filters[3]->plainStateVariable, c3);
            // After the stores: a filter in two lanes may have been moved by the first.
            if (!(movedBits & 1)) c0 = _mm_load_ps(filters[0]->plainStateVariable);
            if (!(movedBits & 2)) c1 = _mm_load_ps(filters[1]->plainStateVariable);
            if (!(movedBits & 4)) c2 = _mm_load_ps(filters[2]->plainStateVariable);
            if (!(movedBits & 8)) c3 = _mm_load_ps(filters[3]->plainStateVariable);
        }
    } else {
        c0 = _mm_load_ps(filters[0]->plainStateVariable);
        c1 = _mm_load_ps(filters[1]->plainStateVariable);
        c2 = _mm_load_ps(filters[2]->plainStateVariable);
        c3 = _mm_load_ps(filters[3]->plainStateVariable);
    }
    // f and d of each pair of voices: f left, f right of the first, then of the second.
    const __m128 fFirst = _mm_movelh_ps(c0, c1);
    const __m128 dFirst = _mm_movehl_ps(c1, c0);
    const __m128 fSecond = _mm_movelh_ps(c2, c3);
    const __m128 dSecond = _mm_movehl_ps(c3, c2);
    switch (type) {
    case 3: runPlainGroup<3>(filters, frames, pairs, fFirst, dFirst, fSecond, dSecond); break;
    case 4: runPlainGroup<4>(filters, frames, pairs, fFirst, dFirst, fSecond, dSecond); break;
    case 5: runPlainGroup<5>(filters, frames, pairs, fFirst, dFirst, fSecond, dSecond); break;
    default: runPlainGroup<6>(filters, frames, pairs, fFirst, dFirst, fSecond, dSecond); break;
    }
}

[[gnu::always_inline]] inline void TFilter::processPlainQuarter(TFilter* filters, stereoOverStruct* frames,
                                                               const __m128 lanes[4], const GroupInput& input,
                                                               SharedPower& lastPower) {
    TFilter* const groupFilters[4] = {&filters[0], &filters[1], &filters[2], &filters[3]};
    stereoOverStruct* const groupFrames[4] = {&frames[0], &frames[1], &frames[2], &frames[3]};
    runPlainGroupCall(groupFilters, groupFrames, filterlanes::TPairsOfLanes{lanes}, input, lastPower);
}
