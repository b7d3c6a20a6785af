// The voice pass: one frame of the sixteen voices at twice the host rate.
// Every voice's steps first (control step, LFOs, routes), then four voices at
// a time: pitch, source, distortion and filter, and the mix into the frame.
// The steady-frame paths group the voices by quarters (four lanes) and pairs
// of quarters (eight lanes); see engine/dsp/VectorLanes.h for the words.
#include <emmintrin.h>
#include <xmmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/dsp/Exp2OfFour.h"
#include "engine/dsp/PanLaw.h"
#include "engine/dsp/SampleMath.h"
#include "engine/dsp/VectorLanes.h"
#include "engine/dsp/ParameterTags.h"
#include "engine/ModTables.h"
#include "engine/SoundEngine.h"
#include "engine/SampleState.h"

namespace {

constexpr float PAN_TAKE = 0.100000024f;

// The mix's constants (see VectorLanes.h).
const Lanes PAN_KEEP_LANES = allLanes(0.9f);
const Lanes PAN_TAKE_LANES = allLanes(PAN_TAKE);

// A destination of every voice as a vector, for a destination no route writes:
// once a voice's routes have run, it holds the neutral value.
inline __m128 neutralOfFour(const TModState& mod, int destination) {
    return _mm_set1_ps(mod.neutralModDest()[destination]);
}

// What every voice's mix reads alike in a frame, read once for all voices.
// The parts that combine a parameter with a destination no route writes are
// complete here; the others are finished per voice.
struct TVoiceMixInput {
    __m128 dcCoef, stereoPan, movementToPan, movementToLevel;
    bool panRouted, movementToPanRouted, movementToLevelRouted, volumeRouted;
    __m128 panSum, movementToPanSum, levelAmount, volume;  // while not routed
    bool voiceOutputInUse;
    // Some sounding voice has just started: only then do the started flags
    // need reading and clearing (the flag of a voice that is off is left as it is).
    bool anyStarted;
};

// std::clamp(x, 0, 1) lane by lane, with its answers for NaN and signed zeros.
inline __m128 clampUnit(__m128 x) { return _mm_min_ps(_mm_set1_ps(1.0f), _mm_max_ps(_mm_setzero_ps(), x)); }

TVoiceMixInput voiceMixInput(const TRates& rates, const TParameterValues& values, const TModState& mod,
                             const TVoiceState& voices) {
    TVoiceMixInput input;
    input.dcCoef = _mm_set1_ps(rates.dcCoef);
    input.stereoPan = _mm_set1_ps(parameterValueOf(values, tag::PAN));
    input.movementToPan = _mm_set1_ps(parameterValueOf(values, tag::MOVEMENT_TO_PAN));
    input.movementToLevel = _mm_set1_ps(parameterValueOf(values, tag::MOVEMENT_TO_VOLUME));
    input.panRouted = mod.destRouted[destination::PAN];
    input.movementToPanRouted = mod.destRouted[destination::MOVEMENT_TO_PAN];
    input.movementToLevelRouted = mod.destRouted[destination::MOVEMENT_TO_VOLUME];
    input.volumeRouted = mod.destRouted[destination::VOLUME];
    input.panSum = _mm_add_ps(input.stereoPan, neutralOfFour(mod, destination::PAN));
    input.movementToPanSum = _mm_add_ps(input.movementToPan, neutralOfFour(mod, destination::MOVEMENT_TO_PAN));
    input.levelAmount =
        clampUnit(_mm_add_ps(input.movementToLevel, neutralOfFour(mod, destination::MOVEMENT_TO_VOLUME)));
    input.volume = neutralOfFour(mod, destination::VOLUME);
    input.voiceOutputInUse = mod.voiceOutputInUse;
    input.anyStarted = (voiceFlagMask(voices.voiceJustStarted) & voiceFlagMask(voices.voiceOn)) != 0;
    return input;
}

static_assert(NUM_VOICES % 4 == 0, "the mix takes the voices four at a time");
static_assert(sizeof(stereoOverStruct) == 4 * sizeof(float), "a voice frame is one vector");

// One destination of four consecutive voices, lane i for voice first + i.
inline __m128 destOfFour(const TModState& mod, int first, int destination) {
    return _mm_set_ps(mod.modValues[TModState::VOICE_DEST_ROW + first + 3][destination],
                      mod.modValues[TModState::VOICE_DEST_ROW + first + 2][destination],
                      mod.modValues[TModState::VOICE_DEST_ROW + first + 1][destination],
                      mod.modValues[TModState::VOICE_DEST_ROW + first][destination]);
}

// Four consecutive doubles as floats.
inline __m128 floatsOfFour(const double* x) {
    return _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(x)), _mm_cvtpd_ps(_mm_loadu_pd(x + 2)));
}

// Four consecutive voices into the frame's mix (left, right of both
// sub-samples): the DC blocker, pan, gain, the fade-in and envelope steps.
// The per-voice arithmetic runs with a voice per lane, each lane doing the
// scalar operations in their order (std::min, std::max and std::clamp map
// onto minps/maxps with the operands in the order that keeps their answers
// for NaN and signed zeros), and the contributions join the mix in voice
// order. Voices that are off keep their state and add nothing.
// ALL_ON: every one of the four voices is on, so no lane's state needs keeping.
template <bool ALL_ON>
[[gnu::always_inline]] inline __m128 mixFourOnVoicesInto(TVoiceState& voices, TModState& mod,
                                                        const TVoiceMixInput& input, int first, __m128i onInt,
                                                        int onBits, __m128 mix) {
    const __m128 on = _mm_castsi128_ps(onInt);
    // The new value where the voice is on, the old one where it is off.
    const auto keep = [on](__m128 now, __m128 old) { return ALL_ON ? now : select(on, now, old); };
    const __m128 started =
        input.anyStarted ? _mm_castsi128_ps(laneMask(&voices.voiceJustStarted[first])) : _mm_setzero_ps();
    const __m128 one = load(ONE_LANES);
    const __m128 tiny = load(GUARD_LANES);

    // Pan, smoothed unless the voice has just started.
    const __m128 panSum =
        input.panRouted ? _mm_add_ps(input.stereoPan, destOfFour(mod, first, destination::PAN)) : input.panSum;
    const __m128 movementToPan =
        input.movementToPanRouted
            ? _mm_add_ps(input.movementToPan, destOfFour(mod, first, destination::MOVEMENT_TO_PAN))
            : input.movementToPanSum;
    const __m128 panMovement =
        _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(&voices.movementPan[first]), load(HALF_LANES)), movementToPan);
    const __m128 panTarget = clampUnit(_mm_add_ps(panSum, panMovement));
    const __m128 oldPan = _mm_loadu_ps(&voices.voicePan[first]);
    __m128 pan = _mm_add_ps(_mm_mul_ps(load(PAN_KEEP_LANES), oldPan), _mm_mul_ps(load(PAN_TAKE_LANES), panTarget));
    if (input.anyStarted && _mm_movemask_ps(started) != 0) pan = select(started, panTarget, pan);
    _mm_storeu_ps(&voices.voicePan[first], keep(pan, oldPan));

    // Gain.
    const __m128 levelAmount =
        input.movementToLevelRouted
            ? clampUnit(_mm_add_ps(input.movementToLevel, destOfFour(mod, first, destination::MOVEMENT_TO_VOLUME)))
            : input.levelAmount;
    const __m128 movementGain = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(&voices.movementLevel[first]), levelAmount),
                                           _mm_sub_ps(one, levelAmount));
    __m128 gain = _mm_mul_ps(floatsOfFour(&voices.envRamp[first]), _mm_loadu_ps(&voices.voiceVelGain[first]));
    gain = _mm_mul_ps(_mm_mul_ps(gain, movementGain),
                      input.volumeRouted ? destOfFour(mod, first, destination::VOLUME) : input.volume);
    // A fade step is never negative nor NaN, so a fade that has reached 1
    // stays there, and a gain times 1 is the gain: once all four voices have
    // faded in, their fades are left alone.
    const __m128d oneDouble = _mm_set1_pd(1.0);
    const bool fadedIn =
        _mm_movemask_pd(_mm_and_pd(_mm_cmpeq_pd(_mm_loadu_pd(&voices.fadeGain[first]), oneDouble),
                                   _mm_cmpeq_pd(_mm_loadu_pd(&voices.fadeGain[first + 2]), oneDouble))) == 3;
    if (!fadedIn) gain = _mm_mul_ps(gain, floatsOfFour(&voices.fadeGain[first]));

    // Fade-in and envelope steps (two voices per double vector).
    const __m128d onLow = _mm_castsi128_pd(_mm_unpacklo_epi32(onInt, onInt));
    const __m128d onHigh = _mm_castsi128_pd(_mm_unpackhi_epi32(onInt, onInt));
    for (int half = 0; half < 2; ++half) {
        const __m128d onHalf = half == 0 ? onLow : onHigh;
        double* const fade = &voices.fadeGain[first + 2 * half];
        double* const ramp = &voices.envRamp[first + 2 * half];
        if (!fadedIn) {
            const __m128d oldFade = _mm_loadu_pd(fade);
            const __m128d newFade =
                _mm_min_pd(oneDouble, _mm_add_pd(oldFade, _mm_loadu_pd(&voices.fadeStep[first + 2 * half])));
            _mm_storeu_pd(fade, ALL_ON ? newFade : select(onHalf, newFade, oldFade));
        }
        const __m128d oldRamp = _mm_loadu_pd(ramp);
        const __m128d newRamp = _mm_add_pd(oldRamp, _mm_loadu_pd(&voices.envStep[first + 2 * half]));
        _mm_storeu_pd(ramp, ALL_ON ? newRamp : select(onHalf, newRamp, oldRamp));
    }

    __m128 leftGain, rightGain;
    panGains(pan, leftGain, rightGain);
    const __m128 leftLevel = _mm_mul_ps(leftGain, gain);
    const __m128 rightLevel = _mm_mul_ps(rightGain, gain);

    // The DC blocker two voices at a time, (left, right) of one voice then of
    // the next, as the frames and the blocker state lie: the first sub-sample
    // of both voices, then the second.
    const float* const frames = voices.voiceFrame[first].lane;
    const __m128 frame0 = _mm_loadu_ps(frames);
    const __m128 frame1 = _mm_loadu_ps(frames + 4);
    const __m128 frame2 = _mm_loadu_ps(frames + 8);
    const __m128 frame3 = _mm_loadu_ps(frames + 12);
    float* const dcState = voices.dcState[first].data();
    const __m128 oldDCLow = _mm_loadu_ps(dcState);
    const __m128 oldDCHigh = _mm_loadu_ps(dcState + 4);
    const __m128 k = input.dcCoef;
    auto block = [k, tiny](__m128& dc, __m128 x) {
        dc = _mm_add_ps(_mm_add_ps(dc, _mm_mul_ps(_mm_sub_ps(x, dc), k)), tiny);
        return _mm_sub_ps(x, dc);
    };
    __m128 dcLow = oldDCLow, dcHigh = oldDCHigh;
    const __m128 firstLow = block(dcLow, _mm_movelh_ps(frame0, frame1));
    const __m128 secondLow = block(dcLow, _mm_movehl_ps(frame1, frame0));
    const __m128 firstHigh = block(dcHigh, _mm_movelh_ps(frame2, frame3));
    const __m128 secondHigh = block(dcHigh, _mm_movehl_ps(frame3, frame2));
    if constexpr (ALL_ON) {
        _mm_storeu_ps(dcState, dcLow);
        _mm_storeu_ps(dcState + 4, dcHigh);
    } else {
        _mm_storeu_ps(dcState, select(_mm_unpacklo_ps(on, on), dcLow, oldDCLow));
        _mm_storeu_ps(dcState + 4, select(_mm_unpackhi_ps(on, on), dcHigh, oldDCHigh));
    }

    // Each voice's contribution, back to one vector per voice. The blocked
    // lanes are not stored: after the mix only the voice-output source reads
    // them, and the frame is written afresh before it is read again.
    const __m128 levelLow = _mm_unpacklo_ps(leftLevel, rightLevel);
    const __m128 levelHigh = _mm_unpackhi_ps(leftLevel, rightLevel);
    const __m128 firstLowOut = _mm_add_ps(_mm_mul_ps(levelLow, firstLow), tiny);
    const __m128 secondLowOut = _mm_add_ps(_mm_mul_ps(levelLow, secondLow), tiny);
    const __m128 firstHighOut = _mm_add_ps(_mm_mul_ps(levelHigh, firstHigh), tiny);
    const __m128 secondHighOut = _mm_add_ps(_mm_mul_ps(levelHigh, secondHigh), tiny);
    if (ALL_ON || (onBits & 1)) mix = _mm_add_ps(mix, _mm_movelh_ps(firstLowOut, secondLowOut));
    if (ALL_ON || (onBits & 2)) mix = _mm_add_ps(mix, _mm_movehl_ps(secondLowOut, firstLowOut));
    if (ALL_ON || (onBits & 4)) mix = _mm_add_ps(mix, _mm_movelh_ps(firstHighOut, secondHighOut));
    if (ALL_ON || (onBits & 8)) mix = _mm_add_ps(mix, _mm_movehl_ps(secondHighOut, firstHighOut));

    if (input.voiceOutputInUse) {
        // Each voice's blocked lanes summed in frame order: left and right of
        // the first sub-sample, then of the second.
        const auto sums = [](__m128 first, __m128 second) {
            const __m128 firstPair = _mm_add_ps(first, _mm_shuffle_ps(first, first, _MM_SHUFFLE(2, 3, 0, 1)));
            return _mm_add_ps(_mm_add_ps(firstPair, second), _mm_shuffle_ps(second, second, _MM_SHUFFLE(2, 3, 0, 1)));
        };
        // Voice i's sum in lane 2 i of its half.
        alignas(16) float sumLanes[8];
        _mm_store_ps(sumLanes, sums(firstLow, secondLow));
        _mm_store_ps(sumLanes + 4, sums(firstHigh, secondHigh));
        for (int i = 0; i < 4; ++i) {
            if (!(onBits & (1 << i))) continue;
            const int v = first + i;
            mod.voiceModSrc(v)[source::VOICE_OUTPUT] = sumLanes[2 * i];
            if (v == voices.curVoice) mod.globalModSrc()[source::VOICE_OUTPUT] = sumLanes[2 * i];
        }
    }

    // Voice bytes stay 0 or 1, so clearing the started flags of the voices
    // that are on is a byte-wise and-not.
    if (input.anyStarted) {
        std::uint32_t startedBytes, onBytes;
        std::memcpy(&startedBytes, &voices.voiceJustStarted[first], sizeof startedBytes);
        std::memcpy(&onBytes, &voices.voiceOn[first], sizeof onBytes);
        startedBytes &= ~onBytes;
        std::memcpy(&voices.voiceJustStarted[first], &startedBytes, sizeof startedBytes);
    }
    __m128i* const frameCounts = reinterpret_cast<__m128i*>(&voices.voiceFrameCount[first]);
    _mm_storeu_si128(frameCounts, _mm_sub_epi32(_mm_loadu_si128(frameCounts), onInt));
    return mix;
}

[[gnu::always_inline]] inline __m128 mixFourVoicesInto(TVoiceState& voices, TModState& mod,
                                                      const TVoiceMixInput& input, int first, __m128 mix) {
    const __m128i onInt = laneMask(&voices.voiceOn[first]);
    const int onBits = _mm_movemask_ps(_mm_castsi128_ps(onInt));
    if (onBits == 0) return mix;
    if (onBits == 0xF) return mixFourOnVoicesInto<true>(voices, mod, input, first, onInt, onBits, mix);
    return mixFourOnVoicesInto<false>(voices, mod, input, first, onInt, onBits, mix);
}

// The 2^x caches of four consecutive voices (argument, value pairs) as one
// vector of arguments and one of values.
static_assert(sizeof(TCachedExp2f) == 2 * sizeof(float), "a cache is its argument and its value");
inline void loadCachesOfFour(const TCachedExp2f* caches, __m128& arguments, __m128& values) {
    const __m128 low = _mm_loadu_ps(&caches[0].argument);
    const __m128 high = _mm_loadu_ps(&caches[2].argument);
    arguments = _mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0));
    values = _mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
}

// 2^x of four lanes through the caches of four consecutive voices: only the
// voices in onBits whose argument moved take the new value (a NaN argument
// always does, as in the scalar cache); the others keep their cache. The
// caches are written back whole from registers, never read back after
// single-lane stores, which would stall the load.
inline __m128 cachedExp2OfFour(TCachedExp2f* caches, __m128 x, int onBits) {
    __m128 arguments, values;
    loadCachesOfFour(caches, arguments, values);
    const int moved = onBits & _mm_movemask_ps(_mm_cmpneq_ps(x, arguments));
    if (moved == 0) return values;
    const __m128 movedLanes = _mm_castsi128_ps(laneMaskOfBits(moved));
    arguments = select(movedLanes, x, arguments);
    values = select(movedLanes, exp2OfFour(x), values);
    _mm_storeu_ps(&caches[0].argument, _mm_unpacklo_ps(arguments, values));
    _mm_storeu_ps(&caches[2].argument, _mm_unpackhi_ps(arguments, values));
    return values;
}

// One source row entry of four consecutive voices, lane i for voice first + i.
inline __m128 voiceSourceOfFour(const TModState& mod, int first, int source) {
    return _mm_set_ps(mod.modValues[TModState::VOICE_SRC_ROW + first + 3][source],
                      mod.modValues[TModState::VOICE_SRC_ROW + first + 2][source],
                      mod.modValues[TModState::VOICE_SRC_ROW + first + 1][source],
                      mod.modValues[TModState::VOICE_SRC_ROW + first][source]);
}

// int() of four floats that may be NaN or huge: limited to the given range
// first, NaN to the low end (maxps answers its second operand for a NaN). The
// ends are floats exactly, so they convert back to themselves.
inline __m128i toIndexOfFour(__m128 x, float low, float high) {
    return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(x, _mm_set1_ps(low)), _mm_set1_ps(high)));
}

// What the pitch of every voice reads alike in a frame, read once for all
// voices after their routes have run. A destination no route writes holds
// its neutral value in every voice whose routes have run, and is taken from
// the neutral row.
struct TPitchFrameInput {
    __m128 fineNeutral, semiNeutral, movementToPitch, sourceSemi, sourceInc, subPitchNeutral;
    bool fineRouted, semiRouted, octaveRouted, movementToPitchRouted, subPitchRouted;
    bool voicesGlide, keyTrackOn, samplePitch, subSounding;
    float sourceRatio;
};

TPitchFrameInput pitchFrameInput(const TEngineState& engine, const TModState& mod, const TVoiceState& voices,
                                 const TOutputState& output, const TParameterValues& values) {
    TPitchFrameInput input;
    input.fineRouted = mod.destRouted[destination::SOURCE_FINE];
    input.semiRouted = mod.destRouted[destination::SOURCE_SEMI];
    input.octaveRouted = mod.destRouted[destination::SOURCE_OCTAVE];
    input.movementToPitchRouted = mod.destRouted[destination::MOVEMENT_TO_PITCH];
    input.subPitchRouted = mod.destRouted[destination::SUB_SEMI] || mod.destRouted[destination::SUB_FINE];
    input.fineNeutral = _mm_set1_ps(mod.neutralModDest()[destination::SOURCE_FINE]);
    input.semiNeutral = _mm_set1_ps(mod.neutralModDest()[destination::SOURCE_SEMI]);
    // The Movement's share, whole where unrouted.
    const float movementToPitch = parameterValueOf(values, tag::MOVEMENT_TO_PITCH);
    input.movementToPitch = _mm_set1_ps(
        input.movementToPitchRouted
            ? movementToPitch
            : (movementToPitch + mod.neutralModDest()[destination::MOVEMENT_TO_PITCH]) * 8.0f - 4.0f);
    input.sourceSemi = _mm_set1_ps(engine.sourceSemi);
    input.sourceInc = _mm_set1_ps(engine.sourceInc);
    input.subPitchNeutral = _mm_set1_ps(mod.neutralModDest()[destination::SUB_SEMI] +
                                        mod.neutralModDest()[destination::SUB_FINE] / 12.0f);
    // Held keys change only with MIDI, which comes before the voices.
    const int portamento = voices.portamentoMode;
    input.voicesGlide = portamento == PORTA_CONST_RATE || portamento == PORTA_CONST_TIME ||
                        ((portamento == PORTA_HELD_RATE || portamento == PORTA_HELD_TIME) && notesPlaying(voices) > 1);
    input.keyTrackOn = engine.keyTrackOn;
    input.samplePitch = engine.sourceMode == SOURCE_SAMPLE;
    input.subSounding = output.subVolumeSmoothed > 0.001f;
    input.sourceRatio = engine.sourceRatio;
    return input;
}

const Lanes TWELVE_LANES = allLanes(12.0f);
const Lanes EIGHT_LANES = allLanes(8.0f);
const Lanes FOUR_LANES = allLanes(4.0f);
const Lanes OCTAVE_ROUNDING_LANES = allLanes(0.1f);
const Lanes NOTE_LOW_LANES = allLanes(-100000.0f);
const Lanes NOTE_HIGH_LANES = allLanes(100000.0f);

// The pitch of four consecutive voices for this frame, after their routes:
// portamento, the note, bend and modulation, the tuning; the increments of
// source and sub oscillator and the table bands. A voice per lane does the
// scalar operations in their order. Voices not in onBits keep their state.
// Returns the four voices' source increments.
[[gnu::always_inline]] inline __m128 setPitchOfFourVoices(TVoiceState& voices, const TModState& mod, TVoiceUnits& units,
                                                         const TPitchFrameInput& frame, int first, int onBits) {
    const bool allOn = onBits == 0xF;
    const __m128 on = _mm_castsi128_ps(laneMask(&voices.voiceOn[first]));
    const auto keep = [on, allOn](__m128 now, __m128 old) { return allOn ? now : select(on, now, old); };

    // Portamento.
    const __m128 notePitch = _mm_loadu_ps(&voices.voicePitch[first]);
    const __m128 oldGlide = _mm_loadu_ps(&voices.glidePos[first]);
    __m128 glidePos = notePitch;
    if (frame.voicesGlide) {
        const __m128 moved = _mm_add_ps(oldGlide, _mm_loadu_ps(&voices.glideStep[first]));
        const __m128 direction = _mm_loadu_ps(&voices.glideDir[first]);
        const __m128 zero = _mm_setzero_ps();
        const __m128 passed = _mm_or_ps(_mm_and_ps(_mm_cmplt_ps(direction, zero), _mm_cmplt_ps(moved, notePitch)),
                                        _mm_and_ps(_mm_cmpgt_ps(direction, zero), _mm_cmpgt_ps(moved, notePitch)));
        glidePos = select(passed, notePitch, moved);
    }
    _mm_storeu_ps(&voices.glidePos[first], keep(glidePos, oldGlide));

    // Pitch in octaves.
    // Unrouted, the octave destination is at its neutral 0, which is octave 0.
    const __m128 octave =
        frame.octaveRouted
            ? _mm_cvtepi32_ps(toIndexOfFour(_mm_add_ps(_mm_mul_ps(destOfFour(mod, first, destination::SOURCE_OCTAVE),
                                                                  load(EIGHT_LANES)),
                                                       load(OCTAVE_ROUNDING_LANES)),
                                            -64.0f, 64.0f))
            : _mm_setzero_ps();
    const __m128 movementToPitch =
        frame.movementToPitchRouted
            ? _mm_sub_ps(_mm_mul_ps(_mm_add_ps(frame.movementToPitch,
                                               destOfFour(mod, first, destination::MOVEMENT_TO_PITCH)),
                                    load(EIGHT_LANES)),
                         load(FOUR_LANES))
            : frame.movementToPitch;
    const __m128 twelve = load(TWELVE_LANES);
    __m128 pitch = _mm_div_ps(frame.fineRouted ? destOfFour(mod, first, destination::SOURCE_FINE)
                                               : frame.fineNeutral,
                              twelve);
    pitch = _mm_add_ps(pitch, octave);
    pitch = _mm_add_ps(pitch, _mm_mul_ps(movementToPitch, voiceSourceOfFour(mod, first, 39)));
    pitch = _mm_add_ps(pitch, frame.semiRouted ? destOfFour(mod, first, destination::SOURCE_SEMI)
                                               : frame.semiNeutral);
    pitch = _mm_add_ps(pitch, _mm_loadu_ps(&voices.voiceBend[first]));
    const __m128 key = frame.keyTrackOn ? glidePos : _mm_setzero_ps();

    // The wave and sub table bands follow the table note when it moves.
    const __m128i tableNote = _mm_cvttps_epi32(
        _mm_min_ps(_mm_max_ps(_mm_mul_ps(twelve, _mm_add_ps(_mm_add_ps(pitch, frame.sourceSemi), key)),
                              load(NOTE_LOW_LANES)),
                   load(NOTE_HIGH_LANES)));
    const __m128i sameNote =
        _mm_cmpeq_epi32(tableNote, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&voices.waveIndexNote[first])));
    const int movedNotes = onBits & ~_mm_movemask_ps(_mm_castsi128_ps(sameNote));
    if (movedNotes != 0) {
        alignas(16) int notes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(notes), tableNote);
        for (int i = 0; i < 4; ++i) {
            if (!(movedNotes & (1 << i))) continue;
            const int v = first + i;
            voices.waveIndexNote[v] = notes[i];
            voices.waveIndex[v] = std::min(std::max(notes[i], -57), 70) + 57;
            voices.waveTableOffset[v] = waveTableOffset(voices.waveIndex[v]);
            voices.subIndex[v] = std::max(std::min(notes[i], 70), -45) + 45;
        }
    }

    // The exponentials come last: their calls would have to save what is
    // still needed of the above.
    const __m128 ratio = cachedExp2OfFour(&units.pitchRatio[first], _mm_add_ps(pitch, key), onBits);
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 voiceInc = _mm_mul_ps(_mm_mul_ps(frame.sourceInc, ratio), half);
    const __m128 keptInc = keep(voiceInc, _mm_loadu_ps(&voices.voiceInc[first]));
    _mm_storeu_ps(&voices.voiceInc[first], keptInc);
    // The sample pitch is read only by the "Sample" source, the sub
    // oscillator's increment only while it sounds (the source takes it under
    // the same test, in this frame).
    if (frame.samplePitch) {
        alignas(16) float ratios[4];
        _mm_store_ps(ratios, ratio);
        for (int i = 0; i < 4; ++i)
            if (onBits & (1 << i)) voices.voiceSamplePitch[first + i] = double(frame.sourceRatio) * ratios[i] * 0.5;
    }
    if (frame.subSounding) {
        const __m128 subPitch =
            frame.subPitchRouted
                ? _mm_add_ps(destOfFour(mod, first, destination::SUB_SEMI),
                             _mm_div_ps(destOfFour(mod, first, destination::SUB_FINE), twelve))
                : frame.subPitchNeutral;
        const __m128 subRatio = cachedExp2OfFour(&units.subRatio[first], subPitch, onBits);
        _mm_storeu_ps(&voices.subInc[first],
                      keep(_mm_mul_ps(_mm_mul_ps(subRatio, voiceInc), half), _mm_loadu_ps(&voices.subInc[first])));
    }
    return keptInc;
}

// std::clamp(x, 0, 1) written as a min then a max, which compile to minss
// and maxss without a branch; a NaN passes through as it does there.
inline float clampUnitScalar(float x) {
    const float upper = 1.0f < x ? 1.0f : x;
    return 0.0f > upper ? 0.0f : upper;
}

// "Filter Distort Amount" of every voice for the distortion.
void setDistortAmountDest(TModState& mod, TVoiceUnits& units) {
    // Unrouted, the destination holds its neutral value in every sounding voice.
    if (mod.destRouted[destination::FILTER_DISTORT_AMOUNT])
        for (int v = 0; v < NUM_VOICES; ++v)
            units.distortAmountDest[v] = mod.voiceModDest(v)[destination::FILTER_DISTORT_AMOUNT];
    else
        units.distortAmountDest.fill(mod.neutralModDest()[destination::FILTER_DISTORT_AMOUNT]);
}

// What the voice filters of a frame take alike, worked out once per frame.
struct TFilterFrame {
    float frequency, spreadParameter, resonance, vowel, lfoAmount, movementAmount;
    bool lfoRouted, movementRouted, spreadRouted, resonanceRouted, vowelRouted;
    float lfoAmountShared, movementFactorShared, spreadShared, qShared, vowelShared;
    int plainType;
    // Every voice runs in groups of four with the shared values: the filters
    // are of one plain state-variable type and none of their shared
    // destinations is routed.
    bool grouped;
    TFilter::GroupInput input;
};

TFilterFrame filterFrame(const TParameterValues& values, const TModState& mod, TVoiceUnits& units) {
    TFilterFrame frame;
    frame.frequency = parameterValueOf(values, tag::FILTER_FREQUENCY);
    frame.spreadParameter = parameterValueOf(values, tag::FILTER_SPREAD);
    frame.resonance = parameterValueOf(values, tag::FILTER_Q_AMOUNT);
    frame.vowel = parameterValueOf(values, tag::FILTER_VOWEL_MIX);
    frame.lfoAmount = 2.0f * parameterValueOf(values, tag::LFO_TO_FILTER_FREQUENCY) - 1.0f;
    frame.movementAmount = parameterValueOf(values, tag::MOVEMENT_TO_FILTER_FREQUENCY);
    // A destination no route writes holds its neutral value in every voice
    // whose routes have run (every sounding voice), so what the filter makes
    // of it is the same for all voices and is worked out once here.
    const auto& neutral = mod.neutralModDest();
    frame.lfoRouted = mod.destRouted[destination::LFO_TO_FILTER];
    frame.movementRouted = mod.destRouted[destination::MOVEMENT_TO_FILTER_FREQUENCY];
    frame.spreadRouted = mod.destRouted[destination::FILTER_SPREAD];
    frame.resonanceRouted = mod.destRouted[destination::FILTER_Q_AMOUNT];
    frame.vowelRouted = mod.destRouted[destination::FILTER_VOWEL_FORMANT_MIX];
    frame.lfoAmountShared = frame.lfoAmount + neutral[destination::LFO_TO_FILTER];
    frame.movementFactorShared =
        2.0f * (frame.movementAmount + neutral[destination::MOVEMENT_TO_FILTER_FREQUENCY]) - 1.0f;
    // Any of the caches gives the same power; the first one keeps the shared argument.
    frame.spreadShared = frame.spreadRouted ? 1.0f
                                            : units.filterSpread[0](frame.spreadParameter +
                                                                    neutral[destination::FILTER_SPREAD]);
    frame.qShared = TFilter::coefficientQ(clampUnitScalar(frame.resonance + neutral[destination::FILTER_Q_AMOUNT]));
    frame.vowelShared =
        TFilter::coefficientVowel(clampUnitScalar(frame.vowel + neutral[destination::FILTER_VOWEL_FORMANT_MIX]));
    // Voices of the frame's plain state-variable type run four at a time, a
    // voice per lane; the other types one voice at a time. The voices'
    // filters share nothing, so the order in which they run does not matter.
    // A group short of four voices repeats its last voice, which then runs
    // once with the same values in each of its lanes.
    const bool anyRouted = frame.lfoRouted || frame.movementRouted || frame.spreadRouted || frame.resonanceRouted ||
                           frame.vowelRouted;
    TFilter::GroupInput& input = frame.input;
    input.setFrequency(frame.frequency);
    input.spreadIsOne = !frame.spreadRouted && frame.spreadShared == 1.0f;
    input.spread = _mm_set1_ps(frame.spreadShared);
    input.q = _mm_set1_ps(frame.qShared);
    input.vowel = _mm_set1_ps(frame.vowelShared);
    input.lfoAmount = _mm_set1_ps(frame.lfoAmountShared);
    // The filters all take the frame's type at the global control steps.
    const auto& filters = units.voiceFilter;
    frame.plainType = filters[0].getType();
    bool oneType = filters[0].isPlainStateVariable();
    for (int v = 1; v < NUM_VOICES; ++v) oneType = oneType && filters[v].getType() == frame.plainType;
    frame.grouped = oneType && !anyRouted;
    return frame;
}

// The voices' own part of a quarter's filter input while frame.grouped, for
// the four voices from first on: movementOf holds their smoothed Movement.
[[gnu::always_inline]] inline void setFilterQuarterInput(const TModState& mod, TFilterFrame& frame, int first,
                                                         __m128 movementOf) {
    frame.input.lfoValue = voiceSourceOfFour(mod, first, source::FREE_LFO);
    frame.input.offset = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(frame.movementFactorShared), movementOf),
                                    destOfFour(mod, first, destination::FILTER_FREQUENCY));
}

// Every sounding voice into the frame's voice mix.
void mixVoices(std::array<float, 4>& voiceMix, TVoiceState& voices, TModState& mod, const TRates& rates,
               const TParameterValues& values) {
    const TVoiceMixInput mixInput = voiceMixInput(rates, values, mod, voices);
    __m128 mix = _mm_loadu_ps(voiceMix.data());
    for (int first = 0; first < NUM_VOICES; first += 4) mix = mixFourVoicesInto(voices, mod, mixInput, first, mix);
    _mm_storeu_ps(voiceMix.data(), mix);
}

// The frame of the four voices from frames on, one vector per frame lane, as
// the grouped filter takes it.
inline void loadFrameLanes(const stereoOverStruct* frames, __m128 lanes[4]) {
    for (int i = 0; i < 4; ++i) lanes[i] = _mm_loadu_ps(frames[i].lane);
    _MM_TRANSPOSE4_PS(lanes[0], lanes[1], lanes[2], lanes[3]);
}

// The voices of lanesOn of the quarter from voice first on through the
// grouped filter, their frames read from where the voices keep them.
inline void filterQuarterOfFrames(TVoiceUnits& units, TVoiceState& voices, const TFilterFrame& filter, int first,
                                  int lanesOn, TFilter::SharedPower& lastPower) {
    stereoOverStruct* frames = &voices.voiceFrame[first];
    __m128 lanes[4];
    loadFrameLanes(frames, lanes);
    TFilter::processPlainQuarter(units.voiceFilterValues[first / 4], filter.plainType, lanesOn, frames, lanes,
                                 filter.input, lastPower);
}

// The sounding voices through the grouped filter two quarters at a time,
// once both are filled (TFilter::plainPairKernel must serve). For a quarter
// with a sounding voice fillQuarter(first, on, onBits, lanes) leaves its
// frame in lanes[], one vector per frame lane, and its own part of the
// filter input in filter.input; a quarter without one hands over zeros,
// which the filter computes and drops.
template <class FillQuarter>
[[gnu::always_inline]] inline void filterPairs(TVoiceState& voices, TVoiceUnits& units, TFilterFrame& filter,
                                               TFilter::SharedPower& lastPower, FillQuarter&& fillQuarter) {
    // One loop over the quarters, the filter after every second.
    __m128 lanes[8], lfoValues[2], offsets[2];
    int pairBits = 0;
    for (int first = 0; first < NUM_VOICES; first += 4) {
        const int half = first >> 2 & 1;
        // The envelope step may have ended a voice.
        const __m128 on = _mm_castsi128_ps(laneMask(&voices.voiceOn[first]));
        const int onBits = _mm_movemask_ps(on);
        pairBits |= onBits << 4 * half;
        if (onBits != 0) {
            fillQuarter(first, on, onBits, &lanes[4 * half]);
            lfoValues[half] = filter.input.lfoValue;
            offsets[half] = filter.input.offset;
        } else {
            for (int k = 0; k < 4; ++k) lanes[4 * half + k] = _mm_setzero_ps();
            lfoValues[half] = offsets[half] = _mm_setzero_ps();
        }
        if (half == 0) continue;
        if (pairBits != 0)
            TFilter::plainPairKernel(&units.voiceFilterValues[first / 4 - 1], filter.plainType, pairBits,
                                     &voices.voiceFrame[first - 4], lanes, filter.input, lfoValues, offsets, lastPower);
        pairBits = 0;
    }
}

// The pitch, the steady wave source and "Saturate" (with SATURATE) of the
// sounding voices of the quarter from voice first on (onBits of them, on as
// lane masks), their frame left as one vector per frame lane in lanes[], and
// their filter input.
template <bool SATURATE>
[[gnu::always_inline]] inline void renderSteadyQuarterSource(TVoiceState& voices, const TModState& mod,
                                                             TVoiceUnits& units, const TMovementState& movement,
                                                             const TPitchFrameInput& pitchFrame, TFilterFrame& filter,
                                                             float distortionAmount, int first, __m128 on, int onBits,
                                                             __m128 lanes[4]) {
    const __m128 voiceInc = setPitchOfFourVoices(voices, mod, units, pitchFrame, first, onBits);
    voicesource::renderSteadyWaveOfFour<true>(first, onBits, voiceInc, &voices.waveTableOffset[first],
                                              units.sourceInput.steadyWave, units.source, units.pinkNoise,
                                              units.noiseSeed, &voices.voiceFrame[first], lanes);
    if constexpr (SATURATE)
        units.distortion.saturateLanes(first, on, voices.voiceJustStarted.data(), distortionAmount,
                                       units.distortAmountDest.data(), lanes);
    setFilterQuarterInput(mod, filter, first, _mm_loadu_ps(&movement.movementSmoothed[first]));
}

// The pitch, the steady wave source, "Saturate" (with SATURATE) and
// the grouped plain state-variable filter of every sounding voice, four
// voices at a time, the frame handed from one to the next as one vector per
// frame lane: what the passes of renderVoices() give, as the voices' own
// steps and the seed's draws come in the same order. With PAIRS the filter
// takes two quarters at once, after both quarters' sources: the source of
// the second neither reads nor writes what the filter of the first does.
template <bool SATURATE, bool PAIRS>
[[gnu::noinline]] void renderSteadyVoiceFrames(TVoiceState& voices, TModState& mod, TVoiceUnits& units,
                                              const TMovementState& movement, const TParameterValues& values,
                                              const TPitchFrameInput& pitchFrame, TFilterFrame& filter) {
    setDistortAmountDest(mod, units);
    const float distortionAmount = parameterValueOf(values, tag::FILTER_DISTORTION_AMOUNT);
    TFilter::SharedPower lastPower;
    if constexpr (PAIRS) {
        filterPairs(voices, units, filter, lastPower, [&](int first, __m128 on, int onBits, __m128* lanes) {
            renderSteadyQuarterSource<SATURATE>(voices, mod, units, movement, pitchFrame, filter, distortionAmount,
                                                first, on, onBits, lanes);
        });
    } else {
        for (int first = 0; first < NUM_VOICES; first += 4) {
            const __m128 on = _mm_castsi128_ps(laneMask(&voices.voiceOn[first]));
            const int onBits = _mm_movemask_ps(on);
            if (onBits == 0) continue;
            __m128 lanes[4];
            renderSteadyQuarterSource<SATURATE>(voices, mod, units, movement, pitchFrame, filter, distortionAmount,
                                                first, on, onBits, lanes);
            TFilter::processPlainQuarter(units.voiceFilterValues[first / 4], filter.plainType, onBits,
                                         &voices.voiceFrame[first], lanes, filter.input, lastPower);
        }
    }
}

// The steady-frame paths, by "Saturate" before the filter and by two quarters
// at a time (where the eight-voice filter serves).
using TSteadyVoiceFrames = void (*)(TVoiceState&, TModState&, TVoiceUnits&, const TMovementState&,
                                    const TParameterValues&, const TPitchFrameInput&, TFilterFrame&);
constexpr TSteadyVoiceFrames STEADY_VOICE_FRAMES[2][2] = {
    {renderSteadyVoiceFrames<false, false>, renderSteadyVoiceFrames<false, true>},
    {renderSteadyVoiceFrames<true, false>, renderSteadyVoiceFrames<true, true>},
};

}  // namespace

// One frame of every sounding voice, mixed into engine.voiceMix.
[[gnu::flatten]] void TSoundEngine::renderVoices() {
    // The routes' amount parameters, read once for all voices of the frame.
    for (int k = 0; k < mod.numActiveRoutes; ++k) {
        const TVoiceRoute& route = mod.voiceRoutes[k];
        const float base = 2.0f * paramValue(MOD_AMT_TAGS[route.route]) - 1.0f;
        mod.voiceRouteAmountBase[k] = base;
        mod.voiceRouteAmount[k] = routeAmountLimit(base + route.neutralAmountModulation);
    }

    setSourceFrameInput();
    // First every voice's steps (control step, LFOs, routes), then the
    // sound, four voices at a time. No voice's pitch or source reads what
    // another voice's steps write, and each pass draws from its random
    // seeds in voice order.
    runVoiceSteps();
    // The pitch draws nothing, so the pitch and the source of four voices
    // run together, four voices at a time. Only the frames of sounding voices
    // are written: the distortion, the filter and the mix use no other
    // voice's frame (a silent lane of a vector is computed and dropped).
    const TPitchFrameInput pitchFrame = pitchFrameInput(engine, mod, voices, output, parameterValues);
    const TSteadyWaveFrame& steadyWave = units.sourceInput.steadyWave;
    // Every voice's noise amount is the steady frame's.
    if (steadyWave.active && voices.curVoice >= 0 && voices.curVoice < NUM_VOICES && voices.voiceOn[voices.curVoice])
        units.noiseAmountShown = steadyWave.noise.amountLanes[0];
    // "Saturate" before the filter, or no distortion ("Off" leaves the
    // frames as they are, wherever it stands).
    const int distortionType = units.distortion.getType();
    const bool saturate = distortionType == TDistortion::SATURATE && !engine.distortPostFilter;
    if (steadyWave.active && (saturate || distortionType == TDistortion::OFF)) {
        TFilterFrame filter = filterFrame(parameterValues, mod, units);
        if (filter.grouped) {
            const bool pairs = TFilter::plainPairKernel != nullptr;
            STEADY_VOICE_FRAMES[saturate][pairs](voices, mod, units, movement, parameterValues, pitchFrame, filter);
            mixVoices(engine.voiceMix, voices, mod, rate, parameterValues);
            return;
        }
    }
    for (int first = 0; first < NUM_VOICES; first += 4) {
        // The envelope step may have ended a voice.
        const int onBits = _mm_movemask_ps(_mm_castsi128_ps(laneMask(&voices.voiceOn[first])));
        if (onBits == 0) continue;
        const __m128 voiceInc = setPitchOfFourVoices(voices, mod, units, pitchFrame, first, onBits);
        if (steadyWave.active) {
            voicesource::renderSteadyWaveOfFour(first, onBits, voiceInc, &voices.waveTableOffset[first], steadyWave,
                                                units.source, units.pinkNoise, units.noiseSeed,
                                                &voices.voiceFrame[first]);
        } else {
            for (int i = 0; i < 4; ++i)
                if (onBits & (1 << i)) renderSource(first + i);
        }
    }
    if (engine.distortPostFilter) {
        doFilter();
        doDistort();
    } else {
        doDistort();
        doFilter();
    }
    mixVoices(engine.voiceMix, voices, mod, rate, parameterValues);
}

// ---------------------------------------------------------------- voices

void TSoundEngine::runVoiceControlStep(int v) {
    setEnvs(v);

    const bool justStarted = voices.voiceJustStarted[v];
    auto smooth = [justStarted](float& smoothed, float target) {
        smoothed = justStarted ? target : SMOOTH_KEEP * smoothed + SMOOTH_TAKE * target;
    };
    smooth(midi.voiceModWheelSmoothed[v], midi.voiceModWheel[v]);
    smooth(midi.polyAftertouchSmoothed[v], midi.polyAftertouch[v]);
    smooth(midi.voicePressureSmoothed[v], midi.voicePressure[v]);
    auto& voiceSrc = mod.voiceModSrc(v);
    auto& voiceMidiSrc = mod.voiceMidiModSrc(v);
    voiceSrc[source::MOD_WHEEL] = midi.voiceModWheelSmoothed[v];
    voiceSrc[source::MOD_WHEEL_AFTERTOUCH] = std::max(midi.voiceModWheelSmoothed[v], midi.voicePressureSmoothed[v]);
    voiceSrc[source::CHANNEL_AFTERTOUCH] = midi.voicePressureSmoothed[v];
    voiceSrc[source::POLY_AFTERTOUCH] = midi.polyAftertouchSmoothed[v];
    const bool isCurrent = v == voices.curVoice;
    if (isCurrent) {
        auto& global = mod.globalModSrc();
        global[source::MOD_WHEEL_AFTERTOUCH] = voiceSrc[source::MOD_WHEEL_AFTERTOUCH];
        global[source::CHANNEL_AFTERTOUCH] = voiceSrc[source::CHANNEL_AFTERTOUCH];
        global[source::POLY_AFTERTOUCH] = voiceSrc[source::POLY_AFTERTOUCH];
    }
    // The controller sources, smoothed four at a time (the rows are distinct,
    // so the order of the entries does not matter).
    constexpr int FIRST_CONTROLLER = source::CC_2_BREATH, CONTROLLERS = source::CC_114 - FIRST_CONTROLLER + 1;
    static_assert(CONTROLLERS % 4 == 0);
    float* const smoothed = &voiceSrc[FIRST_CONTROLLER];
    const float* const controllers = &voiceMidiSrc[FIRST_CONTROLLER];
    if (justStarted) {
        std::memcpy(smoothed, controllers, CONTROLLERS * sizeof(float));
    } else {
        const __m128 keep = _mm_set1_ps(SMOOTH_KEEP), take = _mm_set1_ps(SMOOTH_TAKE);
        for (int i = 0; i < CONTROLLERS; i += 4)
            _mm_storeu_ps(smoothed + i, _mm_add_ps(_mm_mul_ps(keep, _mm_loadu_ps(smoothed + i)),
                                                   _mm_mul_ps(take, _mm_loadu_ps(controllers + i))));
    }
    if (isCurrent) std::memcpy(&mod.globalModSrc()[FIRST_CONTROLLER], controllers, CONTROLLERS * sizeof(float));

    const float bend = voiceSrc[source::PITCHBEND] * 0.5f + 0.5f;
    voices.voiceBend[v] = bend > 0.5f ? getPitchBendValue(tag::PITCH_BEND_UP, bend)
                               : -getPitchBendValue(tag::PITCH_BEND_DOWN, 1.0f - bend);

    const auto& dest = mod.voiceModDest(v);
    voices.voiceGrainLen[v] = std::clamp(paramValue(tag::GRAIN_LENGTH) + dest[destination::GRAIN_LEN], 0.0f, 1.0f);
    voices.voiceGrainSize[v] =
        voices.grainSizeRatio[v](9.0f * std::clamp(paramValue(tag::GRAIN_SIZE) + dest[destination::GRAIN_SIZE], 0.0f, 1.0f)) *
        rate.curSampleRate / 1000.0f;
    voices.voiceGrainRandom[v] = std::clamp(paramValue(tag::GRAIN_RANDOM) + dest[destination::GRAIN_RANDOM], 0.0f, 1.0f);
    TFilter& filter = units.voiceFilter[v];
    filter.setMod(2.0f * paramValue(tag::MODWHEEL_TO_FILTER_FREQUENCY) - 1.0f + dest[destination::MODWHEEL_TO_FILTER],
                  voiceSrc[source::MOD_WHEEL]);
    filter.setTrack(2.0f * paramValue(tag::FILTER_KEY_TRACK) - 1.0f + dest[destination::FILTER_KEY_TRACK],
                    voiceSrc[source::CENTER_NOTE]);
    filter.setVel(2.0f * paramValue(tag::VELOCITY_TO_FILTER_FREQUENCY) - 1.0f + dest[destination::VELOCITY_TO_FILTER],
                  voices.voiceVelocity[v]);
}

// A new voice's humanize factors for its Movement and Free LFO rates, drawn
// from the block loop's seed at its first frame.
void TSoundEngine::drawVoiceRandFactors(int v) {
    const auto& dest = mod.voiceModDest(v);
    const float u1 = engine.randSeed.uniform();
    const float u2 = engine.randSeed.uniform();
    voices.voiceRandFactor[v] = {std::exp2(double(dest[destination::MOVEMENT_HUMANIZE]) * (4.0 * u1 - 2.0)),
                                 std::exp2(double(dest[destination::FREE_LFO_HUMANIZE]) * (4.0 * u2 - 2.0))};
}

void TSoundEngine::runVoice(int v) {
    if ((voices.voiceFrameCount[v] & TEngineState::CONTROL_STEP_MASK) == 0) runVoiceControlStep(v);
    if (!voices.voiceOn[v]) return;  // the envelope step may have ended it

    if (voices.voiceJustStarted[v]) drawVoiceRandFactors(v);
    setVoiceLFOS(v);
    if (!mod.applySteadyVoiceRoutes(v)) applyVoiceRoutes(v);
}

// runVoice for every sounding voice, in three passes: the control steps and
// first-frame draws, the LFOs, the routes. A voice's steps read and write its
// own rows and state (the current voice also writes global sources nothing
// here reads), so each pass keeps the order within a voice and the draws from
// the block loop's seed stay in voice order; the LFO pass keeps its own seeds'
// order.
void TSoundEngine::runVoiceSteps() {
    if (!movement.lfoWaveTables) {
        for (int v = 0; v < NUM_VOICES; ++v)
            if (voices.voiceOn[v]) runVoice(v);
        return;
    }
    // The voices with a control step or their first frame, in voice order.
    const std::uint32_t started = voiceFlagMask(voices.voiceJustStarted);
    const std::uint32_t stepDue = started | controlStepMask(voices.voiceFrameCount, TEngineState::CONTROL_STEP_MASK);
    const std::uint32_t due = voiceFlagMask(voices.voiceOn) & stepDue;
    for (std::uint32_t pending = due; pending != 0; pending &= pending - 1) {
        const int v = std::countr_zero(pending);
        if ((voices.voiceFrameCount[v] & TEngineState::CONTROL_STEP_MASK) == 0) {
            runVoiceControlStep(v);
            if (!voices.voiceOn[v]) continue;  // the envelope step ended it
        }
        if (voices.voiceJustStarted[v]) drawVoiceRandFactors(v);
    }
    runVoiceLFOs(started, stepDue);
    for (std::uint32_t full = mod.applySteadyVoiceRoutes(voiceFlagMask(voices.voiceOn)); full != 0; full &= full - 1)
        applyVoiceRoutes(std::countr_zero(full));
}

// What every voice's source reads alike in this frame, set once before the voices.
void TSoundEngine::setSourceFrameInput() {
    TVoiceSourceInput& input = units.sourceInput;
    input.sourceMode = engine.sourceMode;
    input.sampleRate = rate.curSampleRate;
    input.noiseMix = paramValue(tag::NOISE_MIX);
    input.waveMix = paramValue(tag::WAVE_MIX);
    input.waveSampleNoiseMix = paramValue(tag::WAVE_SAMPLE_NOISE_MIX);
    input.waveSymmetry = paramValue(tag::WAVE_SYMMETRY);
    input.waveFeedback = paramValue(tag::WAVE_FEEDBACK);
    input.subVolumeSmoothed = output.subVolumeSmoothed;
    input.subVolumeGain = output.subVolumeGain;
    // The chosen sample as every voice reads it in this frame; each voice
    // renders its own lanes in renderSource.
    if (input.sourceMode == SOURCE_SAMPLE) setSampleSlotFrame();
    // A destination no route writes holds its neutral value in every voice
    // once the voice's routes have run, as they have before its source: with
    // none of the source's own destinations routed, every voice reads alike.
    // The seven flags as two overlapping words: any flag set, any word nonzero.
    static_assert(destination::SOURCE_WRAP - destination::SOURCE_MIX == 6 && sizeof(bool) == 1);
    std::uint32_t lowFlags, highFlags;
    std::memcpy(&lowFlags, &mod.destRouted[destination::SOURCE_MIX], sizeof lowFlags);
    std::memcpy(&highFlags, &mod.destRouted[destination::SOURCE_MIX + 3], sizeof highFlags);
    if ((lowFlags | highFlags) == 0) {
        setSourceDestinations(input, &mod.neutralModDest()[destination::SOURCE_MIX]);
        prepareSteadyWaveFrame(input);
    } else {
        input.steadyWave.active = false;
        input.steadyWave.prepared = false;
    }
}

// Inline into the four-voice source loop of renderVoices(), its only caller:
// one frame instead of two for the registers the source needs.
[[gnu::always_inline]] inline void TSoundEngine::renderSource(int v) {
    TVoiceSourceInput& input = units.sourceInput;
    // v is a sounding voice, 0..15, and the frame is not the steady wave's.
    float* const noiseAmount = v == voices.curVoice ? &units.noiseAmountShown : nullptr;
    const auto& dest = mod.voiceModDest(v);
    input.voiceInc = voices.voiceInc[v];
    input.waveIndex = voices.waveIndex[v];
    static_assert(destination::SOURCE_WRAP - destination::SOURCE_MIX == 6);
    setSourceDestinations(input, &dest[destination::SOURCE_MIX]);
    // The sub oscillator's part is read only while it sounds.
    if (input.subVolumeSmoothed > 0.001f) {
        static_assert(destination::SUB_WAVE_MIX - destination::SUB_VOLUME == 2 &&
                      destination::SUB_PHASE - destination::SUB_SYMMETRY == 1);
        input.subInc = voices.subInc[v];
        input.subIndex = voices.subIndex[v];
        setSubDestinations(input, &dest[destination::SUB_VOLUME], &dest[destination::SUB_SYMMETRY]);
    }
    if (input.sourceMode == SOURCE_SAMPLE) input.sampleFrame = renderVoiceSample(v);
    _mm_storeu_ps(voices.voiceFrame[v].lane,
                  voicesource::renderVoiceSourceFrame(v, input, units.source, units.engineTables, units.pinkNoise,
                                                      units.noiseSeed, units.voiceBPFilter[v], noiseAmount));
}

// Distortion over the 16 voice frames (kind 0 passes them unchanged).
void TSoundEngine::doDistort() {
    setDistortAmountDest(mod, units);
    units.distortion.process(voices.voiceFrame.data(), voices.voiceOn.data(), voices.voiceJustStarted.data(),
                             paramValue(tag::FILTER_DISTORTION_AMOUNT), units.distortAmountDest.data(),
                             units.noiseSeed);
}

// The voice filter of every sounding voice (type 0 passes the frame).
void TSoundEngine::doFilter() {
    TFilterFrame frame = filterFrame(parameterValues, mod, units);
    TFilter::GroupInput& input = frame.input;
    TFilter::SharedPower lastPower;
    if (frame.grouped && TFilter::plainPairKernel) {
        filterPairs(voices, units, frame, lastPower, [this, &frame](int first, __m128, int, __m128* lanes) {
            setFilterQuarterInput(mod, frame, first, _mm_loadu_ps(&movement.movementSmoothed[first]));
            loadFrameLanes(&voices.voiceFrame[first], lanes);
        });
        return;
    }
    if (frame.grouped) {
        for (int first = 0; first < NUM_VOICES; first += 4) {
            const int onBits = _mm_movemask_ps(_mm_castsi128_ps(laneMask(&voices.voiceOn[first])));
            if (onBits == 0) continue;
            setFilterQuarterInput(mod, frame, first, _mm_loadu_ps(&movement.movementSmoothed[first]));
            filterQuarterOfFrames(units, voices, frame, first, onBits, lastPower);
        }
        return;
    }
    // Voices of the frame's plain type run four at a time with their own
    // values; the others run one at a time as they come.
    const int plainType = frame.plainType;
    alignas(16) float lfoValue[NUM_VOICES] = {}, offset[NUM_VOICES] = {};
    alignas(16) float lfoAmountOf[NUM_VOICES] = {}, spreadOf[NUM_VOICES] = {}, qOf[NUM_VOICES] = {},
                      vowelOf[NUM_VOICES] = {};
    int plainBits = 0;
    for (int v = 0; v < NUM_VOICES; ++v) {
        if (!voices.voiceOn[v]) continue;
        const auto& dest = mod.voiceModDest(v);
        TFilter& filter = units.voiceFilter[v];
        const float lfoAmountOfVoice =
            frame.lfoRouted ? frame.lfoAmount + dest[destination::LFO_TO_FILTER] : frame.lfoAmountShared;
        const float movementFactor =
            frame.movementRouted
                ? 2.0f * (frame.movementAmount + dest[destination::MOVEMENT_TO_FILTER_FREQUENCY]) - 1.0f
                : frame.movementFactorShared;
        const float spread = frame.spreadRouted
                                 ? units.filterSpread[v](frame.spreadParameter + dest[destination::FILTER_SPREAD])
                                 : frame.spreadShared;
        const float q =
            frame.resonanceRouted
                ? TFilter::coefficientQ(clampUnitScalar(frame.resonance + dest[destination::FILTER_Q_AMOUNT]))
                : frame.qShared;
        const float vowelMix =
            frame.vowelRouted
                ? TFilter::coefficientVowel(clampUnitScalar(frame.vowel + dest[destination::FILTER_VOWEL_FORMANT_MIX]))
                : frame.vowelShared;
        const float offsetOfVoice = movementFactor * movement.movementSmoothed[v] + dest[destination::FILTER_FREQUENCY];
        if (filter.isPlainStateVariable() && filter.getType() == plainType) {
            plainBits |= 1 << v;
            lfoValue[v] = mod.voiceModSrc(v)[source::FREE_LFO];
            offset[v] = offsetOfVoice;
            lfoAmountOf[v] = lfoAmountOfVoice;
            spreadOf[v] = spread;
            qOf[v] = q;
            vowelOf[v] = vowelMix;
        } else {
            filter.setLFO(lfoAmountOfVoice, mod.voiceModSrc(v)[source::FREE_LFO]);
            // Type 0 leaves the frame as it is.
            if (filter.prepareShared(frame.frequency, spread, offsetOfVoice, q, vowelMix, lastPower))
                filter.process(voices.voiceFrame[v], voices.voiceFrame[v]);
        }
    }
    for (int first = 0; first < NUM_VOICES; first += 4) {
        const int lanesOn = (plainBits >> first) & 0xF;
        if (lanesOn == 0) continue;
        // The lanes of the other voices are computed and dropped.
        input.lfoValue = _mm_load_ps(&lfoValue[first]);
        input.offset = _mm_load_ps(&offset[first]);
        input.lfoAmount = _mm_load_ps(&lfoAmountOf[first]);
        input.spread = _mm_load_ps(&spreadOf[first]);
        input.q = _mm_load_ps(&qOf[first]);
        input.vowel = _mm_load_ps(&vowelOf[first]);
        filterQuarterOfFrames(units, voices, frame, first, lanesOn, lastPower);
    }
}
