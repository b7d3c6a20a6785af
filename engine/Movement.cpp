// The Movement (a per-voice shaped modulator whose cycle can end the voice)
// and the Free LFO. Both run one chain: phase -> symmetry warp -> wave table ->
// bias -> sample and hold with bit reduction -> asymmetric smoothing -> curve.
// Settings are refreshed at control steps; the chain runs every frame.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstddef>
#include <cstring>

#include <emmintrin.h>
#include <xmmintrin.h>

#include "engine/dsp/EngineTables.h"
#include "engine/ModMath.h"
#include "engine/ModTables.h"
#include "engine/MovementLaneKernel.h"
#include "engine/MovementLanes.h"
#include "engine/SoundEngine.h"

namespace {

constexpr int MOVEMENT = TMovementState::MOVEMENT;
constexpr int FREE_LFO = TMovementState::FREE_LFO;
// The Movement's shape parameters and destinations, up first: every curve
// table names one of the two, so the curves read both whatever the waves.
template <std::size_t N>
constexpr bool onlyUpOrDown(const std::array<int, N>& table, int up) {
    for (int entry : table)
        if (entry != up && entry != up + 1) return false;
    return true;
}
static_assert(onlyUpOrDown(MOVE_SHAPE_UP_TAGS, tag::MOVEMENT_SHAPE_UP) &&
              onlyUpOrDown(MOVE_SHAPE_DOWN_TAGS, tag::MOVEMENT_SHAPE_UP) &&
              onlyUpOrDown(PAN_SHAPE_UP_TAGS, tag::MOVEMENT_SHAPE_UP) &&
              onlyUpOrDown(PAN_SHAPE_DOWN_TAGS, tag::MOVEMENT_SHAPE_UP) &&
              onlyUpOrDown(DEST_MOVE_SHAPE_UP, destination::MOVEMENT_UP_SHAPE) &&
              onlyUpOrDown(DEST_MOVE_SHAPE_DOWN, destination::MOVEMENT_UP_SHAPE) &&
              onlyUpOrDown(DEST_PAN_SHAPE_UP, destination::MOVEMENT_UP_SHAPE) &&
              onlyUpOrDown(DEST_PAN_SHAPE_DOWN, destination::MOVEMENT_UP_SHAPE));
constexpr int TABLE_LAST = TMovementState::WAVE_SIZE - 1;
constexpr int LAST_WAVE = TMovementState::WAVE_ROWS - 1;
static_assert(TMovementState::WAVE_ROWS == LFO_WAVE_ROWS && TMovementState::SAMPLE_AND_HOLD_ROW == LFO_SAMPLE_AND_HOLD);

// Table index of a 0..1 position (NaN reads as 0).
int tableIndex(double x) {
    const double scaled = x * 65535.99;
    if (!(scaled >= 0.0)) return 0;
    return scaled >= TABLE_LAST ? TABLE_LAST : static_cast<int>(scaled);
}

// The same for a warped position of the running chain, which is never NaN
// or negative: its phase comes from fraction() and its symmetry is clamped.
inline int warpedTableIndex(double x) {
    // minsd answers its first operand when that is the smaller.
    return _mm_cvttsd_si32(_mm_min_sd(_mm_set_sd(x * 65535.99), _mm_set_sd(TABLE_LAST)));
}

inline std::uint32_t bitsOf(float x) { return std::bit_cast<std::uint32_t>(x); }
inline std::uint64_t bitsOf(double x) { return std::bit_cast<std::uint64_t>(x); }

// Whether two arrays of floats hold the same bits, as memcmp tells, but
// element by element, with a branch each (predicted: the inputs rarely move)
// that keeps the compiler from reading them in wider pieces: an array just
// built from single floats and read so would wait for its stores to reach
// the cache.
template <std::size_t N>
inline bool sameBits(const std::array<float, N>& a, const std::array<float, N>& b) {
    for (std::size_t i = 0; i < N; ++i)
        if (bitsOf(a[i]) != bitsOf(b[i])) return false;
    return true;
}

// Position in the cycle with the first half of the table stretched over
// [0, sym) and the second over [sym, 1); 1 - sym is kept with the symmetry.
// An unwarped LFO (both 0.5) keeps p, bit for bit, for every p the chain
// gives it: the fraction of (phase + destination) + 10, which lies in [0, 1)
// and is 0 or a multiple of 2^-53 (a sum with 10 is a multiple of 2^-51 at
// least). There p 0.5 and (p - 0.5) 0.5 are exact, far above the
// subnormals, p - 0.5 is exact for p in [0.5, 1), dividing by 0.5 undoes the
// halving, and adding 0.5 back gives p, a double.
inline double warp(const TLfoState& lfo, double p) {
    if (lfo.unwarped) [[likely]]
        return p;
    return p < lfo.symmetry ? p * 0.5 / lfo.symmetry : (p - lfo.symmetry) * 0.5 / lfo.symmetryRest + 0.5;
}

double symmetryOf(float destination, float parameter) {
    return clampFinite(destination * 0.5f + parameter, 0.0f, 1.0f) * 0.998 + 0.001;
}

// The same, kept with the LFO: both inputs usually hold still for the note.
void keepSymmetry(TLfoState& lfo, float destination, float parameter) {
    lfo.symmetryDestKey = bitsOf(destination);
    lfo.symmetryParameterKey = bitsOf(parameter);
    lfo.symmetry = symmetryOf(destination, parameter);
    lfo.symmetryRest = 1.0 - lfo.symmetry;
    lfo.unwarped = lfo.symmetry == 0.5 && lfo.symmetryRest == 0.5;
}

// CheckDests false: the caller knows the destination equals its key (see
// destKeysNeutral), so only the parameter is compared.
template <bool CheckDests>
inline double symmetryOf(TLfoState& lfo, const float& destination, float parameter) {
    const bool moved = CheckDests ? (bitsOf(destination) != lfo.symmetryDestKey || bitsOf(parameter) != lfo.symmetryParameterKey)
                                  : bitsOf(parameter) != lfo.symmetryParameterKey;
    if (moved) [[unlikely]]
        keepSymmetry(lfo, destination, parameter);
    return lfo.symmetry;
}

// Largest value whose whole part the integer conversion below can hold.
constexpr double WHOLE_LIMIT = 4.0e15;
constexpr std::uint64_t WHOLE_LIMIT_INTEGER = 4000000000000000ull;

// Truncation as the processor does it: NaN and values outside the 64-bit
// range give INT64_MIN, which the callers' range tests turn away.
inline std::int64_t truncated(double x) { return _mm_cvttsd_si64(_mm_set_sd(x)); }

// The whole part of a value that is known to be at least 0 (NaN gives 0).
// Values below 0, from the limit on, and NaN all truncate outside [0, limit),
// and a value in (-1, 0) truncates to 0 as it should.
inline double wholePart(double x) {
    const std::int64_t whole = truncated(x);
    return static_cast<std::uint64_t>(whole) < WHOLE_LIMIT_INTEGER ? static_cast<double>(whole) : 0.0;
}

// The same for the quantisers, whose levels stay far below 2^31: a 32-bit
// truncation that comes out at 0 or above (NaN and values outside the range
// come out negative) is the whole part, and a value in (-1, 0) gives 0 as it
// should; anything else takes the general way.
inline double quantisedLevel(double x) {
    const int whole = _mm_cvttsd_si32(_mm_set_sd(x));
    if (whole >= 0) [[likely]]
        return static_cast<double>(whole);
    return wholePart(x);
}

[[gnu::noinline]] double fractionOutsideRange(double x) {
    if (x >= 0.0 && x < WHOLE_LIMIT) return x - wholePart(x);
    const double f = x - std::floor(x);
    return (f >= 0.0 && f < 1.0) ? f : 0.0;
}

// A whole part in [1, limit) means x itself lies in [1, limit), where x minus
// it is the fraction; the rest (values below 1 among them) takes the long way.
inline double fraction(double x) {
    const std::int64_t whole = truncated(x);
    if (static_cast<std::uint64_t>(whole) - 1u < WHOLE_LIMIT_INTEGER - 1u) [[likely]]
        return x - static_cast<double>(whole);
    return fractionOutsideRange(x);
}

// The fraction of phase + destination + 10, which lies in [10, 11) while the
// phase destination rests: there the whole part is 10.
inline double cyclePosition(double shifted) {
    if (shifted >= 10.0 && shifted < 11.0) [[likely]]
        return shifted - 10.0;
    return fraction(shifted);
}

// The same for a phase destination of 0 (either sign): phase + 0 + 10 is
// phase + 10 for every phase, -0 included.
template <bool CheckDests>
inline double cyclePosition(double phase, const float& phaseDest) {
    return cyclePosition(CheckDests ? phase + phaseDest + 10.0 : phase + 10.0);
}

// Curve exponent 2^(4 - 8 shape): 16 at shape 0, 1 at 0.5, 1/16 at 1.
float curveExponent(TCachedExp2& curve, float shape) { return static_cast<float>(curve(4.0f - 8.0f * shape)); }
float curveExponent(float shape) { return static_cast<float>(std::exp2(4.0 - 8.0 * shape)); }

bool curveDiffers(float shape) { return std::fabs(shape - 0.5f) > 0.00001f; }

float biasScaleFor(const TLfoState& lfo, float value) {
    return value < 0.0f ? lfo.lfoBiasScale[0] : (value > 0.0f ? lfo.lfoBiasScale[2] : lfo.lfoBiasScale[1]);
}

// A value times the bias scale for its sign, widened.
inline double biasedValue(const TLfoState& lfo, float value) {
    if (lfo.biasNeutral) [[likely]]
        return static_cast<double>(value);
    return value * biasScaleFor(lfo, value);
}

// A chain whose hold fires every frame with neutral bias on a power-of-two
// step count and without smoothing: see plainChain.
inline void keepPlainChain(TLfoState& lfo) {
    lfo.plainChain = lfo.holdFiresEveryFrame && lfo.holdStepsPowerOfTwo && lfo.biasNeutral && lfo.smoothingOff;
}

// Sample and hold with bit reduction: the accumulator fires at a rate set by
// its destination; each firing quantises the biased value to 2^(17 - 17 bits)
// steps (lfo.holdLevels is steps + 0.999). Returns true when it fired.
void keepHoldRate(TLfoState& lfo, float holdDest) {
    lfo.holdRateKey = bitsOf(holdDest);
    lfo.holdIncrement = 4.0 * lfo.holdRate(-16.0f * clampFinite(holdDest, 0.0f, 1.0f));
    lfo.holdIncrementWhole = lfo.holdIncrement >= 1.0 && lfo.holdIncrement == std::floor(lfo.holdIncrement);
    lfo.holdFiresEveryFrame = lfo.holdIncrementWhole && bitsOf(lfo.holdAccumulator) == 0;
    keepPlainChain(lfo);
}

void keepHoldSteps(TLfoState& lfo, float bitsDest) {
    lfo.holdBitsKey = bitsOf(bitsDest);
    const double steps = lfo.holdSteps(17.0f - 17.0f * clampFinite(bitsDest, 0.0f, 1.0f));
    lfo.holdStepCount = steps;
    lfo.holdLevels = steps + 0.999;
    // While the step count is a power of two (the usual whole bit depths),
    // multiplying by its inverse equals dividing, bit for bit.
    int exponent = 0;
    lfo.holdStepsInverse = std::frexp(steps, &exponent) == 0.5 ? 1.0 / steps : 0.0;
    lfo.holdStepsPowerOfTwo = lfo.holdStepsInverse != 0.0;
    keepPlainChain(lfo);
}

template <bool CheckDests>
[[gnu::always_inline]] inline bool sampleAndHold(TLfoState& lfo, float value, const float& holdDest, const float& bitsDest) {
    if (CheckDests && bitsOf(holdDest) != lfo.holdRateKey) [[unlikely]]
        keepHoldRate(lfo, holdDest);
    if (!lfo.holdFiresEveryFrame) {
        double accumulator = lfo.holdAccumulator + lfo.holdIncrement;
        if (!(accumulator >= 1.0)) {
            lfo.holdAccumulator = accumulator;  // above 0, as the step is
            return false;
        }
        accumulator -= wholePart(accumulator);
        if (!(accumulator >= 0.0 && accumulator < 1.0)) accumulator = 0.0;
        lfo.holdAccumulator = accumulator;
        lfo.holdFiresEveryFrame = lfo.holdIncrementWhole && bitsOf(accumulator) == 0;
        keepPlainChain(lfo);
    }
    if (CheckDests && bitsOf(bitsDest) != lfo.holdBitsKey) [[unlikely]]
        keepHoldSteps(lfo, bitsDest);
    // The biased value lies in -1..1, so the level is never negative; whole
    // is finite and at least 0, so level - 1 is never NaN or below -1.
    const double whole = quantisedLevel((biasedValue(lfo, value) + 1.0) * lfo.holdLevels);
    const double level = lfo.holdStepsPowerOfTwo ? whole * lfo.holdStepsInverse : whole / lfo.holdStepCount;
    lfo.held = static_cast<float>(std::min(level - 1.0, 1.0));
    return true;
}

// The pan channel's held value: |scaled| quantised to the levels, with the
// sign of scaled. The quotient is +0 or above, so copying the sign is setting
// the sign bit of scaled into it.
inline float quantisedPan(double scaled, double levels) {
    const double magnitude = quantisedLevel(std::fabs(scaled) * levels) / levels;
    const __m128d sign = _mm_and_pd(_mm_set_sd(scaled), _mm_set_sd(-0.0));
    return static_cast<float>(_mm_cvtsd_f64(_mm_or_pd(_mm_set_sd(magnitude), sign)));
}

// The hold of a plain chain, with the same arithmetic: the biased value is the
// value, and the level is the whole part times the steps' exact inverse.
inline void plainHold(TLfoState& lfo, float value) {
    const double whole = quantisedLevel((static_cast<double>(value) + 1.0) * lfo.holdLevels);
    lfo.held = static_cast<float>(std::min(whole * lfo.holdStepsInverse - 1.0, 1.0));
}

float smoothToward(float y, float target, float above, float below) {
    const float k = y > target ? above : below;
    return y * k + (1.0f - k) * target + 1e-15f;
}

inline float smoothToward(const TLfoState& lfo, float y, float target) {
    if (lfo.smoothingOff) [[likely]]
        return target + 1e-15f;
    return smoothToward(y, target, lfo.smoothAbove, lfo.smoothBelow);
}

// A phase that left [0, 1): back to 0 when it is not a finite number of at
// least 0; answers true when it passed the end of the cycle.
inline bool settlePhase(TLfoState& lfo, double phase) {
    lfo.phase = (!std::isfinite(phase) || phase < 0.0) ? 0.0 : phase;
    return lfo.phase >= 1.0;
}

// Advances the phase; answers true when it passed the end of the cycle.
inline bool advancePhase(TLfoState& lfo, double increment) {
    const double phase = lfo.phase + increment;
    if (phase >= 0.0 && phase < 1.0) [[likely]] {
        lfo.phase = phase;
        return false;
    }
    return settlePhase(lfo, phase);
}

}  // namespace

// The keyed values start as computed from inputs of 0, so every key always
// matches the values kept with it.
TLfoState::TLfoState() {
    keepSymmetry(*this, 0.0f, 0.0f);
    keepHoldRate(*this, 0.0f);
    keepHoldSteps(*this, 0.0f);
}

// ---------------------------------------------------------------- start and restart

void TSoundEngine::initLFOs() {
    movement.laneReady = {};
    initGlobalLFO(MOVEMENT);
    initGlobalLFO(FREE_LFO);
    for (int v = 0; v < NUM_VOICES; ++v) {
        initVoiceLFO(v, MOVEMENT);
        initVoiceLFO(v, FREE_LFO);
        movement.movementSmoothed[v] = 0.0f;
        movement.panSmoothed[v] = 0.0f;
    }
}

namespace {
void resetLFO(TLfoState& lfo) {
    lfo.phase = 0.0;
    lfo.randomValue = 0.0f;
    lfo.holdAccumulator = 0.0;
    lfo.holdFiresEveryFrame = lfo.holdIncrementWhole;
    keepPlainChain(lfo);
    lfo.held = -1.0f;
    lfo.humanize = 1.0;
    lfo.smoothed = 0.0f;
    lfo.incrementValid = false;
}
}  // namespace

void TSoundEngine::initGlobalLFO(int lfo) {
    if (lfo != MOVEMENT && lfo != FREE_LFO) return;
    resetLFO(movement.globalLFO[lfo]);
}

void TSoundEngine::initVoiceLFO(int voice, int lfo) {
    if (!isValidVoice(voice) || (lfo != MOVEMENT && lfo != FREE_LFO)) return;
    resetLFO(movement.voiceLFO[voice][lfo]);
    movement.laneReady = {};
    movement.voiceLFO[voice][MOVEMENT].pan.held = -1.0f;
    movement.voiceLFO[voice][MOVEMENT].pan.smoothed = 0.0f;
    if (lfo == MOVEMENT) {
        voices.movementLevel[voice] = 1.0f;
        voices.movementPan[voice] = 0.5f;
    }
}

// ---------------------------------------------------------------- settings

// Steps 3-6 of a settings refresh, shared by the global and the voice instances.
void TSoundEngine::refreshLFOSettings(TLfoState& lfo, int which, const TModState::Row& dest, float centerNote,
                                 float velocity) {
    // Every input, read once; the settings follow from them alone, so while
    // they hold still (the usual case between two control steps) nothing is
    // recomputed.
    const bool isMovement = which == MOVEMENT;
    const std::array<float, TLfoState::SETTINGS_INPUTS> inputs{
        dest[DEST_LFO_BIAS[which]],
        dest[DEST_LFO_SMOOTH[which]],
        dest[DEST_LFO_SMOOTH_ATT[which]],
        dest[DEST_LFO_SMOOTH_DEC[which]],
        paramValue(LFO_KEY_TRACK_TAGS[which]),
        dest[DEST_LFO_KEY_TRACK[which]],
        centerNote,
        isMovement ? paramValue(tag::MOVEMENT_VELOCITY_TRACKING) : paramValue(tag::FREE_LFO_SMOOTH),
        isMovement ? dest[destination::MOVEMENT_VELOCITY_TRACKING] : paramValue(tag::FREE_LFO_SHAPE),
        isMovement ? velocity : dest[destination::FREE_LFO_SHAPE]};
    if (lfo.settingsInputsValid && sameBits(inputs, lfo.settingsInputs)) return;
    lfo.settingsInputs = inputs;
    lfo.settingsInputsValid = true;
    const auto [biasDest, smoothDest, attackDest, decayDest, keyTrackParameter, keyTrackDest, note, third, fourth,
                fifth] = inputs;

    const float bias = clampFinite(biasDest, -1.0f, 1.0f);
    lfo.lfoBiasScale = {1.0f, 1.0f, 1.0f};
    if (bias > 0.0f)
        lfo.lfoBiasScale[0] = 1.0f - std::fabs(bias);
    else
        lfo.lfoBiasScale[2] = 1.0f - std::fabs(bias);
    lfo.biasNeutral = lfo.lfoBiasScale[0] == 1.0f && lfo.lfoBiasScale[2] == 1.0f;

    float smooth = smoothDest;
    if (!isMovement) smooth += third;  // "Free LFO Smooth"
    lfo.smoothAbove =
        static_cast<float>(1.0 - lfo.smoothAboveExp(-13.0f * clampFinite(smooth + attackDest, 0.0f, 1.0f)));
    lfo.smoothBelow =
        static_cast<float>(1.0 - lfo.smoothBelowExp(-13.0f * clampFinite(smooth + decayDest, 0.0f, 1.0f)));
    lfo.smoothingOff = lfo.smoothAbove == 0.0f && lfo.smoothBelow == 0.0f;
    keepPlainChain(lfo);

    const float keyTrack = keyTrackParameter + keyTrackDest;
    lfo.keyFactor = lfo.keyExp(clampFinite((2.0f * keyTrack - 1.0f) * note, -60.0f, 60.0f));
    lfo.velocityFactor = 1.0;
    if (isMovement) {
        const float track = third + fourth;  // velocity tracking parameter and destination
        lfo.velocityFactor = lfo.velocityExp(clampFinite((1.0f - fifth) * (track * 4.0f - 2.0f), -60.0f, 60.0f));
    } else {
        const float shape = clampFinite(fourth + fifth, 0.0f, 1.0f);  // "Free LFO Shape" and its destination
        lfo.curveOn = curveDiffers(shape);
        lfo.upExponent = lfo.downExponent = curveExponent(lfo.upCurve, shape);
    }
    // The key and velocity factors are factors of the phase increment.
    lfo.incrementValid = false;
}

// Step 7 and 8 of the voice refresh: the Movement and pan curves and the pan wave.
void TSoundEngine::refreshMovementCurves(int voice) {
    const auto& dest = mod.voiceModDest(voice);
    TLfoState& lfo = movement.voiceLFO[voice][MOVEMENT];
    TPanLfoState& pan = lfo.pan;
    const int wave = std::clamp(movement.globalLFOWave[MOVEMENT], 0, 3);

    // The pan mode follows its parameter's value alone: the same bits give
    // the same mode and fold.
    const float panModeValue = paramValue(tag::MOVEMENT_TO_PAN_SINGLE_MODE);
    if (!movement.panModeKnown || bitsOf(panModeValue) != movement.panModeKey) {
        movement.panModeKnown = true;
        movement.panModeKey = bitsOf(panModeValue);
        movement.panMoveMode = paramStep(tag::MOVEMENT_TO_PAN_SINGLE_MODE, panModeValue);
        const bool foldLeft = movement.panMoveMode == 5 || movement.panMoveMode == 7;
        const bool foldRight = movement.panMoveMode == 6 || movement.panMoveMode == 8;
        // 0.5 + (-0.5 q) is 0.5 - 0.5 q, bit for bit.
        movement.panFoldOffset = foldLeft || foldRight ? 0.5f : 0.0f;
        movement.panFoldScale = foldLeft ? -0.5f : (foldRight ? 0.5f : 1.0f);
    }
    movement.panWave =
        (movement.panMoveMode >= 1 && movement.panMoveMode <= 10) ? PAN_MOVE_TABLE[movement.panMoveMode - 1] : wave;
    const int panWave = movement.panWave;

    // The curves read the two shape parameters, the two shape destinations
    // and the common shape destination, chosen by the two waves.
    static_assert(tag::MOVEMENT_SHAPE_UP + 1 == tag::MOVEMENT_SHAPE_DOWN &&
                  destination::MOVEMENT_UP_SHAPE + 1 == destination::MOVEMENT_DOWN_SHAPE);
    const std::array<float, 2> shapeParameters{paramValue(tag::MOVEMENT_SHAPE_UP),
                                               paramValue(tag::MOVEMENT_SHAPE_DOWN)};
    const std::array<float, 3> shapeDests{dest[destination::MOVEMENT_UP_SHAPE], dest[destination::MOVEMENT_DOWN_SHAPE],
                                          dest[destination::MOVEMENT_SHAPE]};
    if (pan.curveInputsValid && pan.curveWaves[0] == wave && pan.curveWaves[1] == panWave &&
        sameBits(pan.curveParameters, shapeParameters) && sameBits(pan.curveDests, shapeDests))
        return;
    pan.curveInputsValid = true;
    pan.curveWaves = {wave, panWave};
    pan.curveParameters = shapeParameters;
    pan.curveDests = shapeDests;
    auto parameter = [&](int tag) { return shapeParameters[static_cast<std::size_t>(tag - tag::MOVEMENT_SHAPE_UP)]; };
    auto shapeDest = [&](int destination) {
        return shapeDests[static_cast<std::size_t>(destination - destination::MOVEMENT_UP_SHAPE)];
    };

    const float shapeMod = shapeDests[2];
    const float up =
        clampFinite(parameter(MOVE_SHAPE_UP_TAGS[wave]) + shapeDest(DEST_MOVE_SHAPE_UP[wave]) + shapeMod, 0.0f, 1.0f);
    const float down = clampFinite(
        parameter(MOVE_SHAPE_DOWN_TAGS[wave]) + shapeDest(DEST_MOVE_SHAPE_DOWN[wave]) + shapeMod, 0.0f, 1.0f);
    lfo.curveOn = curveDiffers(up) || curveDiffers(down);
    lfo.upExponent = curveExponent(lfo.upCurve, up);
    lfo.downExponent = curveExponent(lfo.downCurve, down);

    const float panUp = clampFinite(
        parameter(PAN_SHAPE_UP_TAGS[panWave]) + shapeDest(DEST_PAN_SHAPE_UP[panWave]) + shapeMod, 0.0f, 1.0f);
    const float panDown = clampFinite(
        parameter(PAN_SHAPE_DOWN_TAGS[panWave]) + shapeDest(DEST_PAN_SHAPE_DOWN[panWave]) + shapeMod, 0.0f, 1.0f);
    pan.curveOn = curveDiffers(panUp) || curveDiffers(panDown);
    pan.upExponent = curveExponent(pan.upCurve, panUp);
    pan.downExponent = curveExponent(pan.downCurve, panDown);
}

// The LFO's speed as a phase increment per frame: free (0.0067 Hz .. 110 Hz)
// or one cycle per synced period in bars at the host tempo.
double TSoundEngine::lfoIncrement(int which) {
    float sync, speed;
    if (which == MOVEMENT) {
        sync = getLockVar(LFO_SYNC_ON_TAGS[MOVEMENT]);
        speed = getLockVar(LFO_SPEED_TAGS[MOVEMENT]);
    } else {
        sync = programValue(LFO_SYNC_ON_TAGS[FREE_LFO]);
        speed = programValue(LFO_SPEED_TAGS[FREE_LFO]);
    }
    const double sampleRate = rate.curSampleRate > 0 ? rate.curSampleRate : START_SAMPLE_RATE;
    const double tempo = rate.tempo > 0 ? rate.tempo : 120.0;
    return lfoCyclesPerFrame(clampFinite(speed, 0.0f, 1.0f), sync >= 0.5f, sampleRate, tempo);
}

// ---------------------------------------------------------------- per frame

namespace {

// A new cycle: the phase wraps, the random value and the humanize factor are drawn.
void wrapCycle(TMovementState& movement, TLfoState& lfo, float humanizeDest) {
    lfo.phase = fraction(lfo.phase);
    if (!(lfo.phase >= 0.0 && lfo.phase < 1.0)) lfo.phase = 0.0;
    lfo.randomValue = 2.0f * movement.randomSeed.uniform() - 1.0f;
    const float u = movement.humanizeSeed.uniform();
    lfo.humanize = std::exp2(clampFinite((4.0f * u - 2.0f) * humanizeDest, -60.0f, 60.0f));
    lfo.incrementValid = false;
}

// Whether every destination key of an LFO's chain holds the neutral row's
// value. While it does and no route writes those destinations, a frame can
// take the keys as matching without reading the destinations.
bool destKeysAtNeutral(const TLfoState& lfo, int which, const TModState::Row& neutral) {
    bool atNeutral = lfo.symmetryDestKey == bitsOf(neutral[DEST_LFO_SYMMETRY[which]]) &&
                     lfo.holdRateKey == bitsOf(neutral[DEST_LFO_SAMPLE_HOLD[which]]) &&
                     lfo.holdBitsKey == bitsOf(neutral[DEST_LFO_BITS[which]]);
    if (which == MOVEMENT) {
        atNeutral = atNeutral && lfo.incrementSpeedControlKey[0] == bitsOf(neutral[destination::GLOBAL_SPEED]) &&
                    lfo.incrementSpeedControlKey[1] == bitsOf(neutral[destination::MOVEMENT_SPEED]) &&
                    lfo.incrementSpeedControlKey[3] == bitsOf(neutral[destination::MOVEMENT_SPEED_CONTROL_AMOUNT]);
    } else {
        atNeutral = atNeutral && lfo.incrementGlobalSpeedBits == bitsOf(neutral[destination::GLOBAL_SPEED]) &&
                    lfo.incrementSpeedBits == bitsOf(neutral[destination::FREE_LFO_SPEED]);
    }
    return atNeutral;
}

// The destinations the chains read every frame: the phase offsets and those
// they compare with their keys.
constexpr std::array<int, 12> FRAME_DESTS{DEST_LFO_PHASE[MOVEMENT],
                                          DEST_LFO_PHASE[FREE_LFO],
                                          destination::GLOBAL_SPEED,
                                          destination::MOVEMENT_SPEED,
                                          DEST_LFO_SYMMETRY[MOVEMENT],
                                          DEST_LFO_BITS[MOVEMENT],
                                          DEST_LFO_SAMPLE_HOLD[MOVEMENT],
                                          destination::MOVEMENT_SPEED_CONTROL_AMOUNT,
                                          destination::FREE_LFO_SPEED,
                                          DEST_LFO_SYMMETRY[FREE_LFO],
                                          DEST_LFO_BITS[FREE_LFO],
                                          DEST_LFO_SAMPLE_HOLD[FREE_LFO]};

// A voice's frame destinations hold the neutral row's values: its routes last
// ran under the current routes (which leave every destination they do not
// write at neutral) and none of those routes writes a frame destination.
// The neutral phase offsets are 0 as well, or the answer is no.
inline bool keyedDestsNeutral(TMovementState& movement, const TModState& mod, int voice) {
    const std::uint64_t generation = mod.routeGeneration;
    if (movement.keyedDestsGeneration != generation) [[unlikely]] {
        movement.keyedDestsGeneration = generation;
        movement.keyedDestsUnrouted = mod.neutralModDest()[DEST_LFO_PHASE[MOVEMENT]] == 0.0f &&
                                      mod.neutralModDest()[DEST_LFO_PHASE[FREE_LFO]] == 0.0f;
        for (int d : FRAME_DESTS)
            if (mod.destRouted[static_cast<std::size_t>(d)]) movement.keyedDestsUnrouted = false;
    }
    return mod.voiceRouteGeneration[static_cast<std::size_t>(voice)] == generation && movement.keyedDestsUnrouted;
}

// The Free LFO's phase increment, worked out again when a factor moved.
template <bool CheckDests>
[[gnu::always_inline]] inline void settleFreeIncrement(const TMovementState& movement, TLfoState& lfo,
                                                       const TModState::Row& dest) {
    const float& globalSpeed = dest[destination::GLOBAL_SPEED];
    const float& speed = dest[destination::FREE_LFO_SPEED];
    if (!lfo.incrementValid ||
        (CheckDests && (bitsOf(globalSpeed) != lfo.incrementGlobalSpeedBits || bitsOf(speed) != lfo.incrementSpeedBits)))
        [[unlikely]] {
        lfo.increment = movement.globalLFOInc[FREE_LFO] * lfo.humanize * globalSpeed * speed * lfo.keyFactor *
                        lfo.velocityFactor;
        lfo.incrementGlobalSpeedBits = bitsOf(globalSpeed);
        lfo.incrementSpeedBits = bitsOf(speed);
        lfo.incrementValid = true;
    }
}

// One frame of a Free LFO, global or a voice's own: its value, bipolar and
// unipolar, then the step of its phase. CheckDests false: the keyed
// destinations are known to equal their keys.
template <bool CheckDests>
[[gnu::always_inline]] inline void runFreeLFO(TMovementState& movement, TLfoState& lfo, const TModState::Row& dest,
                                              float symmetryParameter, float& bipolar, float& unipolar) {
    const double p = cyclePosition<CheckDests>(lfo.phase, dest[DEST_LFO_PHASE[FREE_LFO]]);
    symmetryOf<CheckDests>(lfo, dest[DEST_LFO_SYMMETRY[FREE_LFO]], symmetryParameter);
    const int wave = movement.freeWaveRow;
    const float a = wave == TMovementState::SAMPLE_AND_HOLD_ROW
                        ? lfo.randomValue
                        : movement.lfoWaveTables[wave][warpedTableIndex(warp(lfo, p))];
    float smoothed;
    if (!CheckDests && lfo.plainChain) {
        plainHold(lfo, a);
        smoothed = lfo.held + 1e-15f;
    } else {
        sampleAndHold<CheckDests>(lfo, a, dest[DEST_LFO_SAMPLE_HOLD[FREE_LFO]], dest[DEST_LFO_BITS[FREE_LFO]]);
        smoothed = smoothToward(lfo, lfo.smoothed, lfo.held);
    }
    lfo.smoothed = smoothed;

    settleFreeIncrement<CheckDests>(movement, lfo, dest);
    if (advancePhase(lfo, lfo.increment)) [[unlikely]]
        wrapCycle(movement, lfo, dest[DEST_LFO_HUMANIZE[FREE_LFO]]);

    if (lfo.curveOn) [[unlikely]] {
        bipolar = std::copysign(lfo.curvePower(smoothed, lfo.upExponent), smoothed);
        unipolar = lfo.unipolarCurvePower(smoothed * 0.5f + 0.5f, lfo.upExponent);
    } else {
        bipolar = smoothed;
        unipolar = smoothed * 0.5f + 0.5f;
    }
}

}  // namespace

void TSoundEngine::setGlobalLFOS() {
    TLfoState& lfo = movement.globalLFO[FREE_LFO];
    const auto& dest = mod.globalModDest;
    auto& sources = mod.globalModSrc();

    if ((engine.frameCount & TEngineState::CONTROL_STEP_MASK) == 0) {
        movement.moveSpeedCtlSrc =
            std::clamp(paramStep(tag::MOVEMENT_SPEED_CONTROL_SOURCE), 0, MOD_SOURCE_COUNT - 1);
        movement.freeLFOMode = paramStep(tag::FREE_LFO_MODE);
        for (int which = MOVEMENT; which <= FREE_LFO; ++which) {
            movement.globalLFOWave[which] = paramStep(LFO_WAVE_TAGS[which]);
            const double increment = lfoIncrement(which);
            if (bitsOf(increment) != bitsOf(movement.globalLFOInc[which])) {
                movement.globalLFOInc[which] = increment;
                movement.globalLFO[which].incrementValid = false;
                for (auto& voice : movement.voiceLFO) voice[which].incrementValid = false;
                movement.laneReady = {};
            }
            refreshLFOSettings(movement.globalLFO[which], which, dest, sources[source::CENTER_NOTE],
                               sources[source::VELOCITY]);
        }
        movement.movementWaveRow = std::clamp(movement.globalLFOWave[MOVEMENT], 0, 3);
        movement.freeWaveRow = std::clamp(movement.globalLFOWave[FREE_LFO], 0, LAST_WAVE);
    }
    if (!movement.lfoWaveTables) return;

    runFreeLFO<true>(movement, lfo, dest, paramValue(LFO_SYMMETRY_TAGS[FREE_LFO]), sources[source::FREE_LFO],
                     sources[source::FREE_UNIPOLAR_LFO]);
}

namespace {

// What a voice's Movement and Free LFO read and write beyond their own
// state: the voices (the mix's Movement values, a release), the modulation
// rows, the sustain pedal and the parameters.
struct TLfoPass {
    TMovementState& movement;
    TVoiceState& voices;
    TModState& mod;
    const TMidiState& midi;
    const TParameterValues& values;
};

// The end of a voice's Movement cycle: a new cycle while it loops and the key
// is held, else the end of the sound.
void endMovementCycle(const TLfoPass& pass, int voice, TLfoState& lfo, const TModState::Row& dest) {
    if (!parameterOnOf(pass.values, tag::MOVEMENT_LOOP) || pass.voices.voiceKeyUp[voice]) {
        // One cycle is the sound's time line: hold at the end and release.
        lfo.phase = 0.9999;
        releaseVoiceKey(pass.voices, voice, pass.midi.sustainOn);
    } else {
        wrapCycle(pass.movement, lfo, dest[DEST_LFO_HUMANIZE[MOVEMENT]]);
    }
}

// The Movement's phase increment, worked out again when a factor moved. The
// speed control's source is read as the frame found it, before the voice's
// Movement and Free LFO write their sources.
template <bool CheckDests>
[[gnu::always_inline]] inline void settleMovementIncrement(TMovementState& movement, TLfoState& lfo, int voice,
                                                           const TModState::Row& dest, const TModState::Row& sources,
                                                           float speedControlAmount) {
    const float speedControlSource = sources[movement.moveSpeedCtlSrc];
    bool incrementMoved;
    if constexpr (CheckDests) {
        // Four of the inputs compared at once, bit for bit.
        const __m128i key =
            _mm_castps_si128(_mm_setr_ps(dest[destination::GLOBAL_SPEED], dest[destination::MOVEMENT_SPEED],
                                         speedControlAmount, dest[destination::MOVEMENT_SPEED_CONTROL_AMOUNT]));
        const __m128i keySeen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lfo.incrementSpeedControlKey.data()));
        incrementMoved = _mm_movemask_epi8(_mm_cmpeq_epi32(key, keySeen)) != 0xFFFF;
    } else {
        incrementMoved = bitsOf(speedControlAmount) != lfo.incrementSpeedControlKey[2];
    }
    if (!lfo.incrementValid || incrementMoved || bitsOf(speedControlSource) != lfo.incrementSpeedControlSourceBits)
        [[unlikely]] {
        const float globalSpeed = dest[destination::GLOBAL_SPEED];
        const float speed = dest[destination::MOVEMENT_SPEED];
        const float speedControlDest = dest[destination::MOVEMENT_SPEED_CONTROL_AMOUNT];
        const float speedControl = (2.0f * (speedControlAmount + speedControlDest) - 1.0f) * 2.0f * speedControlSource;
        lfo.increment = movement.globalLFOInc[MOVEMENT] * lfo.humanize * globalSpeed * speed * lfo.keyFactor *
                        lfo.velocityFactor * movement.speedControl[voice](clampFinite(speedControl, -60.0f, 60.0f));
        lfo.incrementSpeedControlKey = {bitsOf(globalSpeed), bitsOf(speed), bitsOf(speedControlAmount),
                                        bitsOf(speedControlDest)};
        lfo.incrementSpeedControlSourceBits = bitsOf(speedControlSource);
        lfo.incrementValid = true;
    }
}

// One frame of a voice's Movement with its pan channel (the voice is not
// released). CheckDests false: the keyed destinations equal their keys, and
// it is not the voice's first frame.
template <bool CheckDests>
[[gnu::always_inline]] inline void runVoiceMovement(const TLfoPass& pass, int voice, const TModState::Row& dest,
                                                    TModState::Row& sources, bool firstFrame) {
    const bool justStarted = CheckDests && firstFrame;
    TMovementState& movement = pass.movement;
    const auto* tables = movement.lfoWaveTables;
    TLfoState& lfo = movement.voiceLFO[voice][MOVEMENT];
    TPanLfoState& pan = lfo.pan;
    const double p = cyclePosition<CheckDests>(lfo.phase, dest[DEST_LFO_PHASE[MOVEMENT]]);
    const double sym = symmetryOf<CheckDests>(lfo, dest[DEST_LFO_SYMMETRY[MOVEMENT]],
                                              parameterValueOf(pass.values, LFO_SYMMETRY_TAGS[MOVEMENT]));
    const int index = warpedTableIndex(warp(lfo, p));
    const float a = tables[movement.movementWaveRow][index];
    // The smoothed level and pan, kept in locals for the outputs below.
    float level, panLevel;
    if (!CheckDests && lfo.plainChain) {
        plainHold(lfo, a);
        const float panHeld = quantisedPan(static_cast<double>(tables[movement.panWave][index]), lfo.holdLevels);
        pan.held = panHeld;
        level = lfo.held + 1e-15f;
        panLevel = panHeld + 1e-15f;
    } else {
        if (sampleAndHold<CheckDests>(lfo, a, dest[DEST_LFO_SAMPLE_HOLD[MOVEMENT]], dest[DEST_LFO_BITS[MOVEMENT]]))
            pan.held = quantisedPan(biasedValue(lfo, tables[movement.panWave][index]), lfo.holdLevels);
        if (justStarted) {
            level = lfo.held;
            panLevel = pan.held;
        } else {
            level = smoothToward(lfo, lfo.smoothed, lfo.held);
            panLevel = smoothToward(lfo, pan.smoothed, pan.held);
        }
    }
    lfo.smoothed = level;
    pan.smoothed = panLevel;

    settleMovementIncrement<CheckDests>(movement, lfo, voice, dest, sources,
                                        parameterValueOf(pass.values, tag::MOVEMENT_SPEED_CONTROL_AMOUNT));
    if (advancePhase(lfo, lfo.increment)) [[unlikely]]
        endMovementCycle(pass, voice, lfo, dest);

    float u = level * 0.5f + 0.5f;
    if (lfo.curveOn) [[unlikely]]
        u = lfo.curvePower(u, p < sym ? lfo.upExponent : lfo.downExponent);
    float q = panLevel * 0.5f + 0.5f;
    if (pan.curveOn) [[unlikely]]
        q = pan.curvePower(q, p < sym ? pan.upExponent : pan.downExponent);
    q = movement.panFoldOffset + movement.panFoldScale * q;

    float smoothedLevel = u, smoothedPan = q;
    if (!justStarted) {
        smoothedLevel = 0.9f * movement.movementSmoothed[voice] + (1.0f - 0.9f) * u;
        smoothedPan = 0.9f * movement.panSmoothed[voice] + (1.0f - 0.9f) * q;
    }
    movement.movementSmoothed[voice] = smoothedLevel;
    movement.panSmoothed[voice] = smoothedPan;
    // The eight sources in their row order: the level, its smoothing and
    // their inverses, then the same for the pan channel (1 - x per lane is
    // the scalar 1 - x).
    static_assert(
        source::SMOOTHED_MOVEMENT == source::MOVEMENT + 1 && source::INVERSE_MOVEMENT == source::MOVEMENT + 2 &&
        source::SMOOTHED_INVERSE_MOVEMENT == source::MOVEMENT + 3 && source::PAN_MOVEMENT == source::MOVEMENT + 4 &&
        source::SMOOTHED_PAN_MOVEMENT == source::MOVEMENT + 5 && source::INVERSE_PAN_MOVEMENT == source::MOVEMENT + 6 &&
        source::SMOOTHED_INVERSE_PAN_MOVEMENT == source::MOVEMENT + 7);
    const __m128 values4 = _mm_setr_ps(u, smoothedLevel, q, smoothedPan);
    const __m128 inverses = _mm_sub_ps(_mm_set1_ps(1.0f), values4);
    const __m128 levelSources = _mm_movelh_ps(values4, inverses);
    const __m128 panSources = _mm_movehl_ps(inverses, values4);
    _mm_storeu_ps(&sources[source::MOVEMENT], levelSources);
    _mm_storeu_ps(&sources[source::PAN_MOVEMENT], panSources);
    // The current voice's Movement, pan channel included, also feeds the
    // global routes: a global destination on "Pan Movement" would otherwise
    // never move.
    if (voice == pass.voices.curVoice) {
        _mm_storeu_ps(&pass.mod.globalModSrc()[source::MOVEMENT], levelSources);
        _mm_storeu_ps(&pass.mod.globalModSrc()[source::PAN_MOVEMENT], panSources);
    }
    // What the mix reads for "Movement > Volume" and "Movement > Pan".
    pass.voices.movementLevel[voice] = smoothedLevel;
    pass.voices.movementPan[voice] = smoothedPan;
    if constexpr (CheckDests) lfo.destKeysNeutral = destKeysAtNeutral(lfo, MOVEMENT, pass.mod.neutralModDest());
}

// A voice's Movement after its preparation (the voice is not released).
[[gnu::always_inline]] inline void runVoiceMovementChain(const TLfoPass& pass, int voice, bool destsNeutral) {
    const bool justStarted = pass.voices.voiceJustStarted[voice];
    const auto& dest = pass.mod.voiceModDest(voice);
    auto& sources = pass.mod.voiceModSrc(voice);
    if (destsNeutral && pass.movement.voiceLFO[voice][MOVEMENT].destKeysNeutral && !justStarted)
        runVoiceMovement<false>(pass, voice, dest, sources, justStarted);
    else
        runVoiceMovement<true>(pass, voice, dest, sources, justStarted);
}

// A voice's Free LFO after its Movement: it runs after release too and never
// ends the voice.
[[gnu::always_inline]] inline void runVoiceFreeChain(const TLfoPass& pass, int voice, bool destsNeutral) {
    TMovementState& movement = pass.movement;
    TModState& mod = pass.mod;
    auto& sources = mod.voiceModSrc(voice);
    if (movement.freeLFOMode != 0) {
        // "Free" and "Mono": every voice follows the one global LFO.
        sources[source::FREE_LFO] = mod.globalModSrc()[source::FREE_LFO];
        sources[source::FREE_UNIPOLAR_LFO] = mod.globalModSrc()[source::FREE_UNIPOLAR_LFO];
        return;
    }
    const auto& dest = mod.voiceModDest(voice);
    TLfoState& freeLFO = movement.voiceLFO[voice][FREE_LFO];
    const float symmetryParameter = parameterValueOf(pass.values, LFO_SYMMETRY_TAGS[FREE_LFO]);
    if (destsNeutral && freeLFO.destKeysNeutral) {
        runFreeLFO<false>(movement, freeLFO, dest, symmetryParameter, sources[source::FREE_LFO],
                          sources[source::FREE_UNIPOLAR_LFO]);
    } else {
        runFreeLFO<true>(movement, freeLFO, dest, symmetryParameter, sources[source::FREE_LFO],
                         sources[source::FREE_UNIPOLAR_LFO]);
        freeLFO.destKeysNeutral = destKeysAtNeutral(freeLFO, FREE_LFO, mod.neutralModDest());
    }
}

// ---- Several voices' chains at once: see MovementLanes.h.

// Fills a lane list with the voices of a mask.
void buildLaneVoices(TMovementState::LaneVoices& list, TMovementState& movement, TModState& mod,
                     std::uint32_t voices) {
    static_assert(MOVEMENT == 0 && FREE_LFO == 1);
    list.owner = &movement;
    list.mask = voices;
    list.count = 0;
    for (; voices != 0; voices &= voices - 1) {
        const int v = std::countr_zero(voices);
        const auto at = static_cast<std::size_t>(list.count++);
        list.voice[at] = v;
        list.lfo[at] = movement.voiceLFO[static_cast<std::size_t>(v)].data();
        list.sources[at] = mod.voiceModSrc(v).data();
    }
    for (int i = list.count; list.count > 0 && i % 4 != 0; ++i) {
        const auto padded = static_cast<std::size_t>(i), last = static_cast<std::size_t>(list.count - 1);
        list.voice[padded] = list.voice[last];
        list.lfo[padded] = list.lfo[last];
        list.sources[padded] = list.sources[last];
    }
}

// Four doubles as two pairs, the baseline processor's vectors (see
// MovementLaneKernel.h for what the lanes ask of them).
struct TDoublePairs {
    __m128d low, high;
    // Two int32 per pair, in the low half of each, as cvttpd gives them.
    struct Ints {
        __m128i low, high;
        Ints operator|(Ints x) const { return {_mm_or_si128(low, x.low), _mm_or_si128(high, x.high)}; }
    };
    static TDoublePairs all(double x) { return {_mm_set1_pd(x), _mm_set1_pd(x)}; }
    static void ofPair(const TVoiceGroup& group, double TLfoState::*member, TDoublePairs& first,
                       TDoublePairs& second) {
        const __m128d a = _mm_loadu_pd(&(group.lfo[0]->*member)), b = _mm_loadu_pd(&(group.lfo[1]->*member));
        const __m128d c = _mm_loadu_pd(&(group.lfo[2]->*member)), d = _mm_loadu_pd(&(group.lfo[3]->*member));
        first = {_mm_unpacklo_pd(a, b), _mm_unpacklo_pd(c, d)};
        second = {_mm_unpackhi_pd(a, b), _mm_unpackhi_pd(c, d)};
    }
    void store(const TVoiceGroup& group, double TLfoState::*member) const {
        _mm_storel_pd(&(group.lfo[0]->*member), low);
        _mm_storeh_pd(&(group.lfo[1]->*member), low);
        _mm_storel_pd(&(group.lfo[2]->*member), high);
        _mm_storeh_pd(&(group.lfo[3]->*member), high);
    }
    static TDoublePairs fromArray(const double* lanes) { return {_mm_load_pd(lanes), _mm_load_pd(lanes + 2)}; }
    void toArray(double* lanes) const {
        _mm_store_pd(lanes, low);
        _mm_store_pd(lanes + 2, high);
    }
    TDoublePairs operator+(TDoublePairs x) const { return {_mm_add_pd(low, x.low), _mm_add_pd(high, x.high)}; }
    TDoublePairs operator-(TDoublePairs x) const { return {_mm_sub_pd(low, x.low), _mm_sub_pd(high, x.high)}; }
    TDoublePairs operator*(TDoublePairs x) const { return {_mm_mul_pd(low, x.low), _mm_mul_pd(high, x.high)}; }
    TDoublePairs operator/(TDoublePairs x) const { return {_mm_div_pd(low, x.low), _mm_div_pd(high, x.high)}; }
    TDoublePairs operator&(TDoublePairs x) const { return {_mm_and_pd(low, x.low), _mm_and_pd(high, x.high)}; }
    TDoublePairs operator|(TDoublePairs x) const { return {_mm_or_pd(low, x.low), _mm_or_pd(high, x.high)}; }
    static TDoublePairs andNot(TDoublePairs mask, TDoublePairs x) {
        return {_mm_andnot_pd(mask.low, x.low), _mm_andnot_pd(mask.high, x.high)};
    }
    static TDoublePairs less(TDoublePairs a, TDoublePairs b) {
        return {_mm_cmplt_pd(a.low, b.low), _mm_cmplt_pd(a.high, b.high)};
    }
    static TDoublePairs atLeast(TDoublePairs a, TDoublePairs b) {
        return {_mm_cmpge_pd(a.low, b.low), _mm_cmpge_pd(a.high, b.high)};
    }
    static TDoublePairs min(TDoublePairs a, TDoublePairs b) {
        return {_mm_min_pd(a.low, b.low), _mm_min_pd(a.high, b.high)};
    }
    int mask() const { return _mm_movemask_pd(low) | _mm_movemask_pd(high) << 2; }
    static TDoublePairs fromFloats(__m128 x) { return {_mm_cvtps_pd(x), _mm_cvtps_pd(_mm_movehl_ps(x, x))}; }
    __m128 toFloats() const { return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high)); }
    Ints truncated() const { return {_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high)}; }
    static TDoublePairs fromInts(Ints x) { return {_mm_cvtepi32_pd(x.low), _mm_cvtepi32_pd(x.high)}; }
    static bool anyNegative(Ints x) { return (_mm_movemask_ps(_mm_castsi128_ps(_mm_or_si128(x.low, x.high))) & 3) != 0; }
    static void store(int* lanes, Ints x) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(lanes), x.low);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(lanes + 2), x.high);
    }
    static void storeMovementSources(const TVoiceGroup& group, __m128 u, __m128 smoothedLevel, __m128 q,
                                     __m128 smoothedPan) {
        __m128 rows[4] = {u, smoothedLevel, q, smoothedPan};
        _MM_TRANSPOSE4_PS(rows[0], rows[1], rows[2], rows[3]);
        const __m128 one = _mm_set1_ps(1.0f);
        for (int i = 0; i < 4; ++i) {
            float* const sources = group.sources[i];
            const __m128 inverses = _mm_sub_ps(one, rows[i]);
            _mm_storeu_ps(&sources[source::MOVEMENT], _mm_movelh_ps(rows[i], inverses));
            _mm_storeu_ps(&sources[source::PAN_MOVEMENT], _mm_movehl_ps(inverses, rows[i]));
        }
    }
};

// The lanes for this processor: the four-double vectors of AVX2 where it has
// them, else the pairs. Asked once, when the library loads: code compiled
// for AVX2 runs only after this answer.
const TMovementLaneKernels& lanesForThisProcessor() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? AVX2_MOVEMENT_LANES : SSE2_MOVEMENT_LANES;
}

const TMovementLaneKernels& LANE_KERNELS = lanesForThisProcessor();

// The speed control of the listed voices' Movement, settled before their
// lanes run (see TMovementLaneKernels). Its source may move from frame to
// frame; it is read before the voice's chains write their sources (each
// voice's lanes write only its own row, so settling every voice first reads
// what the group would). Entry 0 of a source row (no source) is never
// written: with no source a ready chain's key holds (a new source clears the
// ready chains).
void settleLaneSpeedControl(TMovementState& movement, TModState& mod, const TParameterValues& values,
                            const TMovementState::LaneVoices& list) {
    const float speedControlAmount = parameterValueOf(values, tag::MOVEMENT_SPEED_CONTROL_AMOUNT);
    const int speedControlSource = movement.moveSpeedCtlSrc;
    for (int i = 0; speedControlSource != source::NONE && i < list.count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        TLfoState& lfo = list.lfo[at][MOVEMENT];
        const int voice = list.voice[at];
        if (bitsOf(list.sources[at][speedControlSource]) != lfo.incrementSpeedControlSourceBits) [[unlikely]]
            settleMovementIncrement<false>(movement, lfo, voice, mod.voiceModDest(voice), mod.voiceModSrc(voice),
                                           speedControlAmount);
    }
}

std::uint32_t runMovementLanes(const TLfoPass& pass, const TMovementState::LaneVoices& list, const TPanHistory& pan) {
    settleLaneSpeedControl(pass.movement, pass.mod, pass.values, list);
    return LANE_KERNELS.movement(pass.movement, pass.voices, list, pan);
}

// Both chains of the same voices; the speed control is settled before
// either chain writes a source, as runMovementLanes then runFreeLanes do.
TLaneEnds runBothLanes(const TLfoPass& pass, const TMovementState::LaneVoices& list, const TPanHistory& pan) {
    settleLaneSpeedControl(pass.movement, pass.mod, pass.values, list);
    return LANE_KERNELS.both(pass.movement, pass.voices, list, pan);
}

std::uint32_t runFreeLanes(TMovementState& movement, const TMovementState::LaneVoices& list) {
    return LANE_KERNELS.freeLFO(movement, list);
}

}  // namespace

const TMovementLaneKernels SSE2_MOVEMENT_LANES{movementLanesOf<TDoublePairs>, freeLanesOf<TDoublePairs>,
                                               bothLanesOf<TDoublePairs>};

const TMovementLaneKernels& movementLaneKernels() { return LANE_KERNELS; }

double laneCyclePosition(double shifted) { return cyclePosition(shifted); }

double laneQuantisedLevel(double x) { return quantisedLevel(x); }

// The steps of a voice's frame before its chains: the refreshes of its
// control step and, on its first frame, the start of both cycles. The
// refreshes are taken inline, where the kind of each is known.
[[gnu::flatten]] void TSoundEngine::prepareVoiceLFOs(int voice) {
    const auto& dest = mod.voiceModDest(voice);
    auto& sources = mod.voiceModSrc(voice);
    if ((voices.voiceFrameCount[voice] & TEngineState::CONTROL_STEP_MASK) == 0) {
        const float center = sources[source::CENTER_NOTE], velocity = sources[source::VELOCITY];
        if (!voices.voiceRelease[voice]) {
            refreshLFOSettings(movement.voiceLFO[voice][MOVEMENT], MOVEMENT, dest, center, velocity);
            refreshMovementCurves(voice);
        }
        refreshLFOSettings(movement.voiceLFO[voice][FREE_LFO], FREE_LFO, dest, center, velocity);
    }
    if (voices.voiceJustStarted[voice]) {
        // The per-note humanize draws of the block loop start both cycles.
        movement.voiceLFO[voice][MOVEMENT].humanize = voices.voiceRandFactor[voice][0];
        movement.voiceLFO[voice][FREE_LFO].humanize = voices.voiceRandFactor[voice][1];
        movement.voiceLFO[voice][MOVEMENT].incrementValid = false;
        movement.voiceLFO[voice][FREE_LFO].incrementValid = false;
    }
}

void TSoundEngine::setVoiceLFOS(int voice) {
    if (!isValidVoice(voice)) return;
    const bool released = voices.voiceRelease[voice];
    prepareVoiceLFOs(voice);
    if (!movement.lfoWaveTables) {
        // No wave tables: the Movement rests at full level and centre pan and,
        // like a cycle that ends at once, lets the voice go when its key is up.
        voices.movementLevel[voice] = 1.0f;
        voices.movementPan[voice] = 0.5f;
        if (voices.voiceKeyUp[voice] && !released) setVoiceOff(voice);
        return;
    }
    const bool destsNeutral = keyedDestsNeutral(movement, mod, voice);
    const TLfoPass pass{movement, voices, mod, midi, parameterValues};
    // A released voice keeps its last Movement values.
    if (!released) runVoiceMovementChain(pass, voice, destsNeutral);
    runVoiceFreeChain(pass, voice, destsNeutral);
}

// The Movement and Free LFO of every sounding voice, as setVoiceLFOS runs
// them voice by voice (the wave tables are set), after the voices' control
// steps; started and stepDue tell the voices on their first frame and those
// with a step in this frame (either counts as a step due). The plain chains, the usual
// case, run four voices at a time; the others run voice by voice. Nothing a
// voice's chains read is written by another voice's chains or steps, but for
// the pan shape (see TPanHistory) and the draws from the LFOs' random seeds
// when a cycle wraps: the vector passes only step the phases, and the ends of
// the cycles, like the chains that run alone, follow in voice order.
void TSoundEngine::runVoiceLFOs(std::uint32_t started, std::uint32_t stepDue) {
    const std::uint32_t on = voiceFlagMask(voices.voiceOn);
    if (on == 0) {
        movement.laneReady = {};
        return;
    }
    const TLfoPass pass{movement, voices, mod, midi, parameterValues};
    const float movementSymmetry = paramValue(LFO_SYMMETRY_TAGS[MOVEMENT]);
    const float freeSymmetry = paramValue(LFO_SYMMETRY_TAGS[FREE_LFO]);
    const float speedControlAmount = paramValue(tag::MOVEMENT_SPEED_CONTROL_AMOUNT);
    const bool ownFreeLFOs = movement.freeLFOMode == 0;
    // What every voice's lane check compared with the frame's values: while
    // they hold still, a voice found ready stays ready (see laneReady).
    const TMovementState::LaneKey laneKey{bitsOf(movementSymmetry),
                                          bitsOf(freeSymmetry),
                                          bitsOf(speedControlAmount),
                                          static_cast<std::uint32_t>(movement.freeLFOMode),
                                          static_cast<std::uint32_t>(movement.moveSpeedCtlSrc),
                                          mod.routeGeneration};
    if (!(laneKey == movement.laneKey)) {
        movement.laneKey = laneKey;
        movement.laneReady = {};
    }
    const std::uint32_t released = voiceFlagMask(voices.voiceRelease);
    // The chains that run in lanes: first those still ready, then those the
    // checks below find fit.
    std::uint32_t movementLanes = movement.laneReady[MOVEMENT] & on & ~stepDue & ~released;
    std::uint32_t freeLanes =
        ownFreeLFOs ? movement.laneReady[FREE_LFO] & on & ~stepDue & (movementLanes | released) : 0;
    // The Movement reads the voice's sources (its speed control) before the
    // Free LFO writes them: behind a Movement that runs alone, the Free LFO
    // runs alone too. Chains that run alone wait for the lanes when a voice
    // below theirs runs in lanes (its cycle may end and draw first), and run
    // at once otherwise (doneAlone).
    std::uint32_t slowMovement = 0, slowFree = 0, doneAlone = 0;
    TPanHistory pan(movement);
    // Voices that need nothing more here: no step falls due, and each chain
    // runs in lanes, rests (a released Movement) or follows the global LFO.
    const std::uint32_t settled = (movementLanes | released) & (ownFreeLFOs ? freeLanes : ~0u) & ~stepDue;
    for (std::uint32_t pending = on & ~settled; pending != 0; pending &= pending - 1) {
        const int v = std::countr_zero(pending);
        const std::uint32_t bit = 1u << v;
        if (stepDue & bit) {
            prepareVoiceLFOs(v);
            const TPanShape shape(movement);
            if (!(shape == (pan.changes == 0 ? pan.start : pan.after[static_cast<std::size_t>(pan.changes - 1)])))
                pan.record(v, shape);
        }
        const auto& dest = mod.voiceModDest(v);
        auto& sources = mod.voiceModSrc(v);
        if (!(released & bit) && !(movementLanes & bit)) {
            TLfoState& lfo = movement.voiceLFO[v][MOVEMENT];
            if (lfo.plainChain && !lfo.curveOn && !lfo.pan.curveOn && lfo.destKeysNeutral && !(started & bit) &&
                keyedDestsNeutral(movement, mod, v)) {
                symmetryOf<false>(lfo, dest[DEST_LFO_SYMMETRY[MOVEMENT]], movementSymmetry);
                settleMovementIncrement<false>(movement, lfo, v, dest, sources, speedControlAmount);
                movementLanes |= bit;
            } else if (((movementLanes | freeLanes) & (bit - 1)) == 0) {
                const bool destsNeutral = keyedDestsNeutral(movement, mod, v);
                runVoiceMovementChain(pass, v, destsNeutral);
                runVoiceFreeChain(pass, v, destsNeutral);
                doneAlone |= bit;
                continue;
            } else {
                slowMovement |= bit;
                slowFree |= bit;
                continue;
            }
        }
        if (!ownFreeLFOs || (freeLanes & bit)) continue;
        TLfoState& freeLFO = movement.voiceLFO[v][FREE_LFO];
        if (freeLFO.plainChain && !freeLFO.curveOn && freeLFO.destKeysNeutral && keyedDestsNeutral(movement, mod, v)) {
            symmetryOf<false>(freeLFO, dest[DEST_LFO_SYMMETRY[FREE_LFO]], freeSymmetry);
            settleFreeIncrement<false>(movement, freeLFO, dest);
            freeLanes |= bit;
        } else if ((released & bit) && ((movementLanes | freeLanes) & (bit - 1)) == 0) {
            runVoiceFreeChain(pass, v, keyedDestsNeutral(movement, mod, v));
            doneAlone |= bit;
        } else {
            slowFree |= bit;
        }
    }

    // Usually the same voices run both chains in lanes: one list serves both.
    std::uint32_t movementEnds = 0, freeEnds = 0;
    if ((movementLanes | freeLanes) != 0) {
        // Each kept list is rebuilt only when its voices change.
        auto kept = [&](TMovementState::LaneVoices& list, std::uint32_t mask) -> const TMovementState::LaneVoices& {
            if (list.mask != mask || list.owner != &movement) buildLaneVoices(list, movement, mod, mask);
            return list;
        };
        const TMovementState::LaneVoices& movementList = kept(movement.laneVoices, movementLanes);
        if (freeLanes == movementLanes) {
            const TLaneEnds ends = runBothLanes(pass, movementList, pan);
            movementEnds = ends.movement;
            freeEnds = ends.freeLFO;
        } else {
            if (movementLanes != 0) movementEnds = runMovementLanes(pass, movementList, pan);
            // Released voices run only their Free LFO: their own list.
            if (freeLanes != 0) freeEnds = runFreeLanes(movement, kept(movement.freeLaneVoices, freeLanes));
        }
    }
    if (!ownFreeLFOs) {
        // "Free" and "Mono": every voice follows the one global LFO (the
        // voices whose Movement runs alone take it after their Movement).
        const auto& global = mod.globalModSrc();
        for (std::uint32_t copying = on & ~slowFree & ~doneAlone; copying != 0; copying &= copying - 1) {
            auto& sources = mod.voiceModSrc(std::countr_zero(copying));
            sources[source::FREE_LFO] = global[source::FREE_LFO];
            sources[source::FREE_UNIPOLAR_LFO] = global[source::FREE_UNIPOLAR_LFO];
        }
    }
    // The current voice's Movement, pan channel included, also feeds the
    // global routes (see runVoiceMovement).
    const int current = voices.curVoice;
    if (isValidVoice(current) && (movementLanes & (1u << current)) != 0) {
        const auto& sources = mod.voiceModSrc(current);
        std::memcpy(&mod.globalModSrc()[source::MOVEMENT], &sources[source::MOVEMENT], 8 * sizeof(float));
    }
    // A new cycle draws a new humanize factor and so a new increment.
    movement.laneReady = {movementLanes & ~movementEnds, freeLanes & ~freeEnds};

    // In voice order: the chains that run alone and the ends of cycles.
    for (std::uint32_t pending = slowMovement | slowFree | movementEnds | freeEnds; pending != 0;
         pending &= pending - 1) {
        const int v = std::countr_zero(pending);
        const std::uint32_t bit = 1u << v;
        const bool destsNeutral = ((slowMovement | slowFree) & bit) != 0 && keyedDestsNeutral(movement, mod, v);
        if (slowMovement & bit) {
            if (pan.changes == 0) [[likely]] {
                runVoiceMovementChain(pass, v, destsNeutral);
            } else {
                const TPanShape now(movement);
                pan.of(v).setInto(movement);
                runVoiceMovementChain(pass, v, destsNeutral);
                now.setInto(movement);
            }
        } else if (movementEnds & bit) {
            TLfoState& lfo = movement.voiceLFO[v][MOVEMENT];
            if (settlePhase(lfo, lfo.phase)) endMovementCycle(pass, v, lfo, mod.voiceModDest(v));
        }
        if (slowFree & bit) {
            runVoiceFreeChain(pass, v, destsNeutral);
        } else if (freeEnds & bit) {
            TLfoState& lfo = movement.voiceLFO[v][FREE_LFO];
            if (settlePhase(lfo, lfo.phase)) wrapCycle(movement, lfo, mod.voiceModDest(v)[DEST_LFO_HUMANIZE[FREE_LFO]]);
        }
    }
}

// ---------------------------------------------------------------- editor read-outs

float TSoundEngine::getMovementValue(int mode, float x) {
    if (!movement.lfoWaveTables) return 0.0f;
    mode = std::clamp(mode, 0, 3);
    const double position = clampFinite(x, 0.0f, 1.0f);
    const double sym = clampFinite(static_cast<float>(paramValue(LFO_SYMMETRY_TAGS[MOVEMENT])), 0.0f, 1.0f) * 0.998 + 0.001;
    const bool firstHalf = position < sym;
    const double warped = firstHalf ? 0.5 / sym * position : (position - sym) * 0.5 / (1.0 - sym) + 0.5;
    const float curve = paramValue(firstHalf ? MOVE_SHAPE_UP_TAGS[mode] : MOVE_SHAPE_DOWN_TAGS[mode]);
    const float base = movement.lfoWaveTables[mode][tableIndex(warped)] * 0.5f + 0.5f;
    return std::pow(std::max(base, 0.0f), curveExponent(clampFinite(curve, 0.0f, 1.0f)));
}
