// The voice distortion: 15 waveshaping kinds applied to every sounding voice's
// frame (two sub-samples at twice the host rate), followed by a DC blocker and
// faded in over the lowest twentieth of the amount. Plain class, clear when
// made; no allocation. Audio thread only.
#pragma once

#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/SampleMath.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/VectorLanes.h"

#include <emmintrin.h>

// The distortion's vector constants (see VectorLanes.h), shared by the inline four-voice steps below and Distortion.cpp.
namespace distortionlanes {

inline const Lanes GLIDE_KEEP_LANES = allLanes(0.9f);
inline const Lanes GLIDE_TAKE_LANES = allLanes(1.0f - 0.9f);
inline const Lanes NEGLIGIBLE_DRIVE_LANES = allLanes(1e-12f);
// Below this drive the shaped signal is blended with the dry one, so that the
// distortion fades in instead of switching on.
inline constexpr float BLEND_RANGE = 0.05f;
inline const Lanes BLEND_RANGE_LANES = allLanes(BLEND_RANGE);

}  // namespace distortionlanes

class TDistortion {
public:
    static constexpr int NUM_VOICES = 16;

    // Filter Distortion Mode, in the order of its menu.
    enum Kind : int {
        OFF = 0, ATAN, BITS, COS, CROSS, FOLD, LIMIT, NOISE, OCTAVE, OVER, POWER, RATE, RECTIFY,
        SATURATE, SQUARE, VALVE,
        NUM_KINDS
    };

    // Sets the DC blocker's rate and clears every voice's state.
    void init(float sampleRate);
    // Changes the DC blocker's rate only (30 Hz corner at the doubled rate).
    // The engine calls only this: the drives, the Rate holds, the blockers
    // and the Square signs live as long as the plug-in.
    void setSampleRate(float sampleRate);

    // The kind, refreshed at the global control steps; outside 0..15 is Off.
    void setType(int kind);
    int getType() const { return distortType; }

    // doDistort over the 16 voice frames, in place. amount is Filter Distortion
    // Amount (0..1), destAmount[v] the voice's Filter Distort Amount
    // modulation; voiceOn and voiceJustStarted hold 16 flags each. Noise draws
    // from the engine's shared random seed.
    void process(stereoOverStruct frames[NUM_VOICES], const bool voiceOn[NUM_VOICES],
                 const bool voiceJustStarted[NUM_VOICES], float amount, const float destAmount[NUM_VOICES],
                 TRandSeed& seed);

    // Kind 13 (Saturate) for the voices first..first + 3 (first a multiple of
    // 4) whose frames are given as one vector per frame lane (left and right
    // of the first sub-sample, then of the second), a voice per lane: what
    // process() does to those of them that sound, in place; on holds the
    // four voices' on flags as lane masks (all ones where the voice sounds).
    // The lanes of voices that are off come back unspecified; their state is
    // kept.
    void saturateLanes(int first, __m128 on, const bool voiceJustStarted[NUM_VOICES], float amount,
                       const float destAmount[NUM_VOICES], __m128 lanes[4]);

    // The drive a voice used in its last frame, after smoothing and modulation.
    float getDrive(int voice) const { return lastDrive[voice & (NUM_VOICES - 1)]; }
    bool hasSubnormalState() const;

    // Everything a kind derives from the drive: computed when the drive or the
    // kind changed, kept per voice (the drive settles and holds still).
    struct Shape {
        float d;   // drive 0..1
        float c;   // 0.99 d
        float k;   // the kind's main constant
        float g;   // a second constant where the kind has one
    };

private:
    // Smooths every sounding voice's drive towards amount and adds its
    // modulation: the drives of the frame, in lastDrive.
    void updateDrives(const bool voiceOn[NUM_VOICES], const bool voiceJustStarted[NUM_VOICES], float amount,
                      const float destAmount[NUM_VOICES]);
    // The drives of voices first..first+3 for this frame, as updateDrives()
    // leaves them; on and started are the voices' flags as lane masks.
    __m128 updateDriveGroup(int first, __m128 on, __m128 started, float amount, const float destAmount[NUM_VOICES]);
    // saturateLanes() for four voices, some of them sounding; on and started
    // are their flags as lane masks, onBits the sounding ones as bits.
    void saturateFour(int first, __m128 on, int onBits, __m128 started, float amount,
                      const float destAmount[NUM_VOICES], __m128 lanes[4]);
    // Kind 13, four voices at a time with a voice in each lane.
    void processSaturate(stereoOverStruct frames[NUM_VOICES], const bool voiceOn[NUM_VOICES],
                         const bool voiceJustStarted[NUM_VOICES], float amount, const float destAmount[NUM_VOICES]);
    // New shapes for the voices of first..first + 3 in moved (bit i: voice first + i).
    void refreshSaturateShapes(int first, int moved);
    template <int K>
    void processKind(stereoOverStruct frames[NUM_VOICES], const bool voiceOn[NUM_VOICES],
                     const bool voiceJustStarted[NUM_VOICES], float amount, const float destAmount[NUM_VOICES],
                     TRandSeed& seed);

    int distortType = OFF;
    float dcCoef = 30.0f / 88200.0f;
    alignas(16) float smoothedDrive[NUM_VOICES] = {};
    alignas(16) float lastDrive[NUM_VOICES] = {};
    float rateCounter[NUM_VOICES] = {};
    stereoOverStruct rateHold[NUM_VOICES] = {};
    // The DC blocker's state, left channel's row then right's: a row holds
    // four voices' lanes side by side.
    alignas(16) float dcState[2][NUM_VOICES] = {};
    // Kind 14 keeps the last sign it used per voice and lane, so a quiet
    // voice holds its own square level rather than another voice's.
    float squareSign[NUM_VOICES][4] = {};
    // Saturate keeps only its main constant, in shapeMain; the other kinds the whole shape.
    Shape shapeOf[NUM_VOICES] = {};
    // Side by side for four-voice vectors.
    alignas(16) float shapeMain[NUM_VOICES] = {};
    alignas(16) float shapeDrive[NUM_VOICES] = {};
    alignas(16) int shapeKind[NUM_VOICES] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};

[[gnu::always_inline]] inline __m128 TDistortion::updateDriveGroup(int first, __m128 on, __m128 started,
                                                                   float amount, const float destAmount[NUM_VOICES]) {
    using namespace distortionlanes;
    // Every lane goes through the scalar steps in their order, and voices
    // that are off keep both values.
    const __m128 signBit = load(SIGN_LANES);
    const __m128 target = _mm_set1_ps(amount);
    const __m128 takenPart = _mm_mul_ps(load(GLIDE_TAKE_LANES), target);
    const __m128 previous = _mm_load_ps(&smoothedDrive[first]);
    const __m128 glided = _mm_add_ps(_mm_mul_ps(load(GLIDE_KEEP_LANES), previous), takenPart);
    __m128 smoothed = select(started, target, glided);
    // A drive decaying towards 0 would end as a subnormal; 1e-12 is far below audibility.
    const __m128 negligible = _mm_cmplt_ps(_mm_andnot_ps(signBit, smoothed), load(NEGLIGIBLE_DRIVE_LANES));
    smoothed = _mm_andnot_ps(negligible, smoothed);
    const __m128 modulation = _mm_loadu_ps(&destAmount[first]);
    // max then min: NaN and anything not above 0 give 0, as clamp01.
    const __m128 drive = _mm_min_ps(_mm_max_ps(_mm_add_ps(smoothed, _mm_and_ps(modulation, finiteMask(modulation))), _mm_setzero_ps()),
                                    load(ONE_LANES));
    _mm_store_ps(&smoothedDrive[first], select(on, smoothed, previous));
    const __m128 lastOfFour = select(on, drive, _mm_load_ps(&lastDrive[first]));
    _mm_store_ps(&lastDrive[first], lastOfFour);
    return lastOfFour;
}

[[gnu::always_inline]] inline void TDistortion::saturateFour(int first, __m128 on, int onBits, __m128 started,
                                                             float amount, const float destAmount[NUM_VOICES],
                                                             __m128 lanes[4]) {
    using namespace distortionlanes;
    const __m128 signBit = load(SIGN_LANES);
    const __m128 one = load(ONE_LANES);
    const __m128 guard = load(GUARD_LANES);
    const __m128 blockerCoef = _mm_set1_ps(dcCoef);
    const __m128 drive = updateDriveGroup(first, on, started, amount, destAmount);

    // Shapes whose drive or kind moved, for the sounding voices.
    const __m128i kinds = _mm_load_si128(reinterpret_cast<const __m128i*>(&shapeKind[first]));
    const __m128i kindMoved = _mm_xor_si128(_mm_cmpeq_epi32(kinds, _mm_set1_epi32(SATURATE)), _mm_set1_epi32(-1));
    const int moved = _mm_movemask_ps(_mm_or_ps(_mm_castsi128_ps(kindMoved),
                                                _mm_cmpneq_ps(drive, _mm_load_ps(&shapeDrive[first])))) &
                      onBits;
    if (moved != 0) refreshSaturateShapes(first, moved);

    // A non-number enters as silence.
    const __m128 left0 = lanes[0], right0 = lanes[1], left1 = lanes[2], right1 = lanes[3];
    // A source that is the same on both channels (the wave source is)
    // gives the same values on both up to the DC blocker: they are worked
    // out once for the pair.
    const __m128i sameChannels =
        _mm_and_si128(_mm_cmpeq_epi32(_mm_castps_si128(left0), _mm_castps_si128(right0)),
                      _mm_cmpeq_epi32(_mm_castps_si128(left1), _mm_castps_si128(right1)));
    const bool channelsAlike = _mm_movemask_ps(_mm_castsi128_ps(sameChannels)) == 0xF;
    __m128 dry[4];
    dry[0] = finiteOnly(left0);
    dry[2] = finiteOnly(left1);
    dry[1] = channelsAlike ? dry[0] : finiteOnly(right0);
    dry[3] = channelsAlike ? dry[2] : finiteOnly(right1);

    // (x + z) / (|z| + 1) with z = k x, each sum guarded against subnormals;
    // then the DC blocker per channel, first sub-sample then second.
    const __m128 k = _mm_load_ps(&shapeMain[first]);
    __m128 blocker[2] = {_mm_load_ps(&dcState[0][first]), _mm_load_ps(&dcState[1][first])};
    const auto shape = [k, guard, signBit, one](__m128 x) {
        const __m128 z = _mm_add_ps(_mm_mul_ps(k, x), guard);
        return _mm_add_ps(_mm_div_ps(_mm_add_ps(x, z), _mm_add_ps(_mm_andnot_ps(signBit, z), one)), guard);
    };
    __m128 shaped[4];
    shaped[0] = shape(dry[0]);
    shaped[2] = shape(dry[2]);
    if (channelsAlike) {
        shaped[1] = shaped[0];
        shaped[3] = shaped[2];
    } else {
        shaped[1] = shape(dry[1]);
        shaped[3] = shape(dry[3]);
    }
    __m128 wet[4];
    for (int i = 0; i < 4; ++i) {
        const __m128 y = shaped[i];
        __m128& b = blocker[i & 1];
        b = _mm_add_ps(_mm_add_ps(b, _mm_mul_ps(_mm_sub_ps(y, b), blockerCoef)), guard);
        wet[i] = _mm_sub_ps(y, b);
    }
    for (int c = 0; c < 2; ++c)
        _mm_store_ps(&dcState[c][first],
                     onBits == 0xF ? blocker[c]
                                   : select(on, blocker[c], _mm_load_ps(&dcState[c][first])));

    // Below the blend range the shaped frame fades in over the dry one.
    // Silent voices' lanes are not stored, so only the sounding ones count.
    if ((_mm_movemask_ps(_mm_cmpge_ps(drive, load(BLEND_RANGE_LANES))) | (onBits ^ 0xF)) != 0xF) {
        const __m128 none = _mm_cmple_ps(drive, _mm_setzero_ps());
        const __m128 partial = _mm_cmplt_ps(drive, load(BLEND_RANGE_LANES));
        const __m128 share = _mm_div_ps(drive, load(BLEND_RANGE_LANES));
        const __m128 dryShare = _mm_sub_ps(one, share);
        for (int i = 0; i < 4; ++i) {
            const __m128 blend = _mm_add_ps(_mm_mul_ps(dryShare, dry[i]), _mm_mul_ps(share, wet[i]));
            const __m128 faded = select(partial, blend, wet[i]);
            wet[i] = select(none, dry[i], faded);
        }
    }

    for (int i = 0; i < 4; ++i) lanes[i] = wet[i];
}

[[gnu::always_inline]] inline void TDistortion::saturateLanes(int first, __m128 on,
                                                              const bool voiceJustStarted[NUM_VOICES], float amount,
                                                              const float destAmount[NUM_VOICES], __m128 lanes[4]) {
    const int onBits = _mm_movemask_ps(on);
    if (onBits == 0) return;
    saturateFour(first, on, onBits, _mm_castsi128_ps(laneMask(voiceJustStarted + first)), finiteOrZero(amount),
                 destAmount, lanes);
}
