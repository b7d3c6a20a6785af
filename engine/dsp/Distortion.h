// The voice distortion: 15 waveshaping kinds applied to every sounding voice's
// frame (two sub-samples at twice the host rate), followed by a DC blocker and
// faded in over the lowest twentieth of the amount. Plain class; init() before
// use; no allocation. Audio thread only.
#pragma once

#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/StereoTypes.h"

#include <xmmintrin.h>

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
    // Kind 13, four voices at a time with a voice in each lane.
    void processSaturate(stereoOverStruct frames[NUM_VOICES], const bool voiceOn[NUM_VOICES],
                         const bool voiceJustStarted[NUM_VOICES], float amount, const float destAmount[NUM_VOICES]);
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
    Shape shapeOf[NUM_VOICES] = {};
    // Each voice's shape's main constant again, side by side for four-voice vectors.
    alignas(16) float shapeMain[NUM_VOICES] = {};
    alignas(16) float shapeDrive[NUM_VOICES] = {};
    alignas(16) int shapeKind[NUM_VOICES] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};
