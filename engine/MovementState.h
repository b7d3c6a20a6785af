// State of the two low-frequency modulators: the per-voice Movement (with its
// pan channel) and the Free LFO, each once globally and once per voice.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "engine/ModMath.h"

// The pan channel the Movement carries per voice.
struct TPanLfoState {
    float held = -1.0f;
    float smoothed = 0;
    float upExponent = 1.0f, downExponent = 1.0f;
    bool curveOn = false;
    TCachedExp2 upCurve, downCurve;
    TCachedPower curvePower;
    // The inputs both curves of the voice were last computed from: the
    // Movement and pan waves, the shape parameters up and down, the shape
    // destinations up and down and the common shape destination.
    bool curveInputsValid = false;
    std::array<int, 2> curveWaves{};
    std::array<float, 2> curveParameters{};
    std::array<float, 3> curveDests{};
};

// One LFO instance: phase, the sample-and-hold and smoothing stages, and the
// settings its control step refreshes.
struct TLfoState {
    // Values of the chain that follow from a few raw inputs alone are kept
    // with those inputs, so a frame or refresh whose inputs did not move skips
    // the work. A key holds the bits of a float input and is compared bit for
    // bit (0 and -0 may give different results). The constructor computes the
    // keyed values for inputs of 0, so a key always matches its values.
    TLfoState();

    // The phase (0..1) and its step per frame side by side, and so the
    // quantiser's levels and the steps' inverse further down: the lanes read
    // each pair with one load.
    // Both are doubles for the slow end of the range: at speed 0 (0.0067 Hz,
    // 44.1 kHz) a step is 1.5e-7 of a cycle, two or three units in the last
    // place of a float phase past 0.5, and a float would round every step so
    // that the cycle came out 6.5 % short (at 48 kHz 7.6 % long).
    double phase = 0;
    double increment = 0;
    float randomValue = 0;       // -1..1, new each cycle (wave "Sample and Hold")
    double holdAccumulator = 0;  // sample and hold
    double humanize = 1.0;
    // The held value and its smoothing side by side: the voices' frames
    // store the two with one write.
    float held = -1.0f;
    float smoothed = 0;

    // Refreshed at control steps.
    float smoothAbove = 0, smoothBelow = 0;  // smoothing coefficients while rising / falling
    std::array<float, 3> lfoBiasScale{1.0f, 1.0f, 1.0f};  // for negative, zero and positive values
    double keyFactor = 1.0, velocityFactor = 1.0;
    float upExponent = 1.0f, downExponent = 1.0f;
    bool curveOn = false;

    // The exponentials of the settings follow parameters and destinations that
    // rarely move: each is recomputed only when its argument changed.
    TCachedExp2 holdRate, holdSteps;
    bool holdStepsPowerOfTwo = false;
    // The symmetry point, 1 - symmetry (the divisor of the warp's second half)
    // and the bits of the destination and parameter they were computed from.
    std::uint32_t symmetryDestKey = 0, symmetryParameterKey = 0;
    double symmetry = 0.5, symmetryRest = 0.5;
    // Both are exactly 0.5 (the centred symmetry): the warp then leaves the
    // cycle's position as it is, and the lanes skip its division.
    bool unwarped = false;
    TCachedExp2 smoothAboveExp, smoothBelowExp, keyExp, velocityExp, upCurve, downCurve;
    // The curve's powers: of the output (the Movement's level, the Free
    // LFO's bipolar value) and of the Free LFO's unipolar value.
    TCachedPower curvePower, unipolarCurvePower;
    // The inputs the last settings refresh read (destinations, parameters,
    // note and velocity); the same inputs leave the settings as they are.
    static constexpr int SETTINGS_INPUTS = 10;
    std::array<float, SETTINGS_INPUTS> settingsInputs{};
    bool settingsInputsValid = false;

    // Sample and hold: the accumulator's step 4 * 2^(-16 dest), and whether it
    // is a whole number of at least 1 (from 0 the accumulator then fires and
    // returns to exactly 0 every frame).
    std::uint32_t holdRateKey = 0;
    double holdIncrement = 0;
    bool holdIncrementWhole = false;
    // ... and the accumulator is exactly 0 (never -0: it starts at 0, and a
    // difference of equals is +0), so the next frame fires without a sum.
    bool holdFiresEveryFrame = false;
    // The quantiser's step count and its steps + 0.999 levels.
    std::uint32_t holdBitsKey = 0;
    double holdStepCount = 0, holdLevels = 0;
    // 1 / steps while the step count is a power of two (the usual whole bit
    // depths), where multiplying by it equals dividing, bit for bit; 0 otherwise.
    double holdStepsInverse = 0;
    // All three bias scales are 1: a value times its scale is the value.
    bool biasNeutral = true;
    // Both smoothing coefficients are 0: y k + (1 - k) held + 1e-15 is held + 1e-15
    // for every finite y, and y is always finite.
    bool smoothingOff = true;
    // All four at once: the hold fires every frame, the bias is neutral, the
    // step count is a power of two and there is no smoothing.
    bool plainChain = false;
    // Whether the phase increment holds, and the destination bits it was
    // computed from; the other factors (rate, humanize, key and velocity
    // factors) clear incrementValid where they change.
    bool incrementValid = false;
    std::uint32_t incrementGlobalSpeedBits = 0, incrementSpeedBits = 0;
    // The Movement's key instead: the global and own speed destinations, the
    // speed control's amount parameter and destination, and its source value.
    std::array<std::uint32_t, 4> incrementSpeedControlKey{};
    std::uint32_t incrementSpeedControlSourceBits = 0;
    // Every destination key above (symmetry, hold rate and bits, the speeds
    // and the speed control's destination) holds the neutral row's value, as
    // the last frame that compared them left it.
    bool destKeysNeutral = false;

    // The pan channel a voice's Movement carries beside it (the Free LFO and
    // the global instances leave it unused), where the frame finds it with
    // the rest of its chain.
    TPanLfoState pan;
};

struct TMovementState {
    static constexpr int MOVEMENT = 0;
    static constexpr int FREE_LFO = 1;

    // The instance's LFO wave tables (nine rows of one cycle each, in the order
    // of the LFO wave names); set at start-up. While unset the LFOs rest.
    static constexpr int WAVE_ROWS = 9;
    static constexpr int WAVE_SIZE = 65536;
    // The last row, "Sample and Hold", is never read: its chains draw their
    // own random values.
    static constexpr int SAMPLE_AND_HOLD_ROW = WAVE_ROWS - 1;
    const float (*lfoWaveTables)[WAVE_SIZE] = nullptr;

    // Global instances: index 0 carries the Movement settings, index 1 is the
    // Free LFO that modes "Free" and "Mono" share among the voices.
    std::array<TLfoState, 2> globalLFO{};
    std::array<double, 2> globalLFOInc{};
    std::array<int, 2> globalLFOWave{};
    int freeLFOMode = 0;
    int moveSpeedCtlSrc = 0;
    int panMoveMode = 0;
    // The bits of the "Pan Single Mode" value the mode and fold were set from.
    bool panModeKnown = false;
    std::uint32_t panModeKey = 0;
    int panWave = 0;
    // The table rows of the waves in use (the wave settings clamped to their
    // ranges) and the fold of the pan modes as q -> offset + scale q:
    // 0.5 - 0.5 q for "C>L" and "C>L>C", 0.5 + 0.5 q for "C>R" and "C>R>C",
    // else 0 + 1 q, which is q itself (q is never -0).
    int movementWaveRow = 0;
    int freeWaveRow = 0;
    float panFoldOffset = 0.0f, panFoldScale = 1.0f;

    // Per voice: [voice][0 Movement with its pan channel, 1 Free LFO], and
    // the smoothed outputs the mix reads.
    std::array<std::array<TLfoState, 2>, 16> voiceLFO{};
    std::array<float, 16> movementSmoothed{};
    std::array<float, 16> panSmoothed{};
    // Speed control factor per voice.
    std::array<TCachedExp2, 16> speedControl{};

    // Whether the routes of the route generation named here leave every
    // destination the chains compare with their keys at neutral.
    std::uint64_t keyedDestsGeneration = ~std::uint64_t{0};
    bool keyedDestsUnrouted = false;

    // The voices whose chains, one mask per kind, were last found fit to run
    // four voices at a time (plain chains without curves, destinations and
    // their keys at neutral, symmetry and increment settled). A bit holds
    // while the voice is on and runs in the lanes with no control step, no
    // first frame and no cycle end, and while the frame's values in laneKey
    // hold still; the LFOs' restarts and a new rate clear every bit.
    struct LaneKey {
        std::uint32_t movementSymmetry = 0, freeSymmetry = 0, speedControlAmount = 0, freeLFOMode = 0;
        std::uint32_t speedControlSource = 0;
        std::uint64_t routeGeneration = 0;
        bool operator==(const LaneKey&) const = default;
    };
    LaneKey laneKey{};
    std::array<std::uint32_t, 2> laneReady{};

    // The voices of a lane mask in voice order, with their two instances (the
    // Movement's; the Free LFO's follows it) and source rows, padded to whole
    // groups of four by repeating the last voice. The last mask's list is
    // kept: the same voices usually run in lanes frame after frame. The
    // pointers lead into the state that built the list (owner).
    struct LaneVoices {
        static constexpr int CAPACITY = 16 + 3;
        const void* owner = nullptr;
        std::uint32_t mask = 0;
        int count = 0;
        std::array<int, CAPACITY> voice{};
        std::array<TLfoState*, CAPACITY> lfo{};
        std::array<float*, CAPACITY> sources{};
    };
    LaneVoices laneVoices{};
    // The Free LFO's, when its lane voices differ (voices in release).
    LaneVoices freeLaneVoices{};

    // Random values of the LFOs: the cycle's random value and the humanize draw.
    TModRandom randomSeed{};
    TModRandom humanizeSeed{};
};
