// The engine's multimode stereo filter: 35 types run at twice the host rate on
// the two sub-samples of a voice frame, plus an independent band-pass section
// for the tuned noise source. Plain class: call init() before anything else;
// nothing allocates after that. Audio thread only.
#pragma once

#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/dsp/SampleMath.h"
#include "engine/dsp/StereoTypes.h"

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
    void updateIfMoved();
    template <class Pairs>
    static void runPlainGroupCall(TFilter* const filters[4], stereoOverStruct* const frames[4], Pairs pairs,
                                  const GroupInput& input, SharedPower& lastPower);
    template <int TYPE, class Pairs>
    static void runPlainGroup(TFilter* const filters[4], stereoOverStruct* const frames[4], Pairs pairsOf,
                              __m128 fFirst, __m128 dFirst,
                              __m128 fSecond, __m128 dSecond);
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
    float resonanceQ = resonance < 0.0f ? 0.0f : (resonance > 1.0f ? 0.95f : resonance * 0.95f);
    if (!(resonanceQ >= 0.0f)) resonanceQ = 0.0f;
    inputs.q = resonanceQ;
    inputs.vowel = clampUnit(vowelMix);

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
