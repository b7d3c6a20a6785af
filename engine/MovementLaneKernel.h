// The lane chains written once over a four-double vector type D4. Each file
// that instantiates them includes this (the AVX2 one after its target
// pragma, so that all of it is compiled for AVX2 there) and instantiates
// them with a vector type of its own. The anonymous namespace keeps every
// function here, and so every instantiation, to that file: no copy compiled
// for AVX2 can stand in, at link time, for the baseline's.
//
// D4 offers: D4::all(x), D4::ofPair(group, member, first, second) (a double
// of each of the group's four LFOs and the double after it), store(group,
// member) (one double of each), + - * / & |, D4::andNot(mask, x),
// D4::less / atLeast (lane masks), D4::min(a, b) (a where a < b, else b, as
// minpd), mask() (four bits), D4::fromFloats(__m128) and toFloats(),
// truncated() (to D4::Ints, four int32 as cvttpd gives them), D4::fromInts,
// D4::anyNegative(Ints), D4::store(int*, Ints), toArray / fromArray, and
// D4::storeMovementSources (the Movement's eight sources of each voice from
// four lanes of level, smoothed level, pan and smoothed pan; 1 - x per lane
// is the scalar 1 - x).
//
// Each lane does the scalar chain's operations in their order, so every value
// is the scalar one.
#pragma once

#include <emmintrin.h>
#include <xmmintrin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "engine/ModTables.h"
#include "engine/MovementLanes.h"
#include "engine/MovementState.h"
#include "engine/VoiceState.h"

namespace {

constexpr int LANE_TABLE_LAST = TMovementState::WAVE_SIZE - 1;

// cyclePosition of four shifted phases; unless all lie in [10, 11) (then the
// whole part is 10), every lane takes the scalar way.
template <class D4>
inline D4 cyclePositionsOf(D4 shifted, D4 inside) {
    if (inside.mask() == 15) return shifted - D4::all(10.0);
    alignas(32) double lanes[4];
    shifted.toArray(lanes);
    for (double& lane : lanes) lane = laneCyclePosition(lane);
    return D4::fromArray(lanes);
}

// warpedTableIndex(warp(lfo, p)) of four chains, the half chosen before the
// one division (MovementLanes.EveryListLengthAndOrderAgreesWithTheScalarChain).
template <class D4>
inline typename D4::Ints warpedIndicesOf(D4 p, const TVoiceGroup& group) {
    D4 symmetry, symmetryRest;
    D4::ofPair(group, &TLfoState::symmetry, symmetry, symmetryRest);
    const D4 half = D4::all(0.5);
    const D4 firstHalf = D4::less(p, symmetry);
    const D4 numerator = (p - D4::andNot(firstHalf, symmetry)) * half;
    const D4 divisor = (firstHalf & symmetry) | D4::andNot(firstHalf, symmetryRest);
    const D4 warped = numerator / divisor + D4::andNot(firstHalf, half);
    return D4::min(warped * D4::all(65535.99), D4::all(LANE_TABLE_LAST)).truncated();
}

// The same where symmetry and symmetryRest are exactly 0.5: the warp then gives
// p back bit for bit (MovementLanes.BaselineAndAvx2LanesAgreeBitForBit).
template <class D4>
inline typename D4::Ints unwarpedIndicesOf(D4 p) {
    return D4::min(p * D4::all(65535.99), D4::all(LANE_TABLE_LAST)).truncated();
}

// quantisedLevel of the vectors x[0 .. Count), into whole: a 32-bit truncation
// per lane, checked once for them all; a negative one (rare) sends them all
// the scalar way.
template <class D4, int Count>
inline void quantisedLevelsOf(const D4 (&x)[Count], D4 (&whole)[Count]) {
    typename D4::Ints truncated[Count];
    for (int i = 0; i < Count; ++i) truncated[i] = x[i].truncated();
    typename D4::Ints signs = truncated[0];
    for (int i = 1; i < Count; ++i) signs = signs | truncated[i];
    if (!D4::anyNegative(signs)) [[likely]] {
        for (int i = 0; i < Count; ++i) whole[i] = D4::fromInts(truncated[i]);
        return;
    }
    for (int i = 0; i < Count; ++i) {
        alignas(32) double lanes[4];
        x[i].toArray(lanes);
        for (double& lane : lanes) lane = laneQuantisedLevel(lane);
        whole[i] = D4::fromArray(lanes);
    }
}

// The shared part of four plain chains: the phase steps (answered, stored by
// the caller after every read of the group's state), the table indices and
// the hold's levels and inverses; bit i of outside tells that lane i's phase
// left [0, 1).
template <class D4>
struct TChainLanes {
    D4 advanced, levels, inverse;
    typename D4::Ints index;
    int outside = 0;
    explicit TChainLanes(const TVoiceGroup& group) {
        const D4 ten = D4::all(10.0), eleven = D4::all(11.0);
        const D4 zero = D4::all(0.0), one = D4::all(1.0);
        D4 phase, increment;
        D4::ofPair(group, &TLfoState::phase, phase, increment);
        const D4 shifted = phase + ten;
        advanced = phase + increment;
        // cyclePosition's common case and advancePhase's, for the group at once.
        const D4 shiftedInside = D4::atLeast(shifted, ten) & D4::less(shifted, eleven);
        const D4 phaseInside = D4::atLeast(advanced, zero) & D4::less(advanced, one);
        if ((shiftedInside & phaseInside).mask() == 15) [[likely]] {
            const D4 position = shifted - ten;
            if (group.unwarped()) [[likely]]
                index = unwarpedIndicesOf(position);
            else
                index = warpedIndicesOf(position, group);
        } else {
            outside = ~phaseInside.mask() & 15;
            index = warpedIndicesOf(cyclePositionsOf(shifted, shiftedInside), group);
        }
        D4::ofPair(group, &TLfoState::holdLevels, levels, inverse);
    }
    std::array<int, 4> indices() const {
        alignas(16) std::array<int, 4> lanes;
        D4::store(lanes.data(), index);
        return lanes;
    }
    // The four lanes' values of a table row, read one by one: a gather would
    // save instructions but not time here, and is slow on processors whose
    // microcode guards it.
    __m128 valuesOf(const float* row) const {
        const std::array<int, 4> at = indices();
        return _mm_setr_ps(row[at[0]], row[at[1]], row[at[2]], row[at[3]]);
    }
    // The quantiser input of four table values, (value + 1) levels.
    D4 holdInput(__m128 values) const { return (D4::fromFloats(values) + D4::all(1.0)) * levels; }
    // The held values from the quantised levels (plainHold; min answers its
    // first operand where that is the smaller, as std::min(x, 1.0) answers
    // 1.0 only where 1.0 < x).
    __m128 held(D4 whole) const {
        const D4 one = D4::all(1.0);
        return D4::min(one, whole * inverse - one).toFloats();
    }
    // The phases stored (raw: a phase that left [0, 1) is settled later, in
    // voice order), and the voices whose phase left it.
    std::uint32_t storePhases(const TVoiceGroup& group) const {
        advanced.store(group, &TLfoState::phase);
        if (outside == 0) [[likely]]
            return 0;
        std::uint32_t voicesOutside = 0;
        for (int i = 0; i < 4; ++i)
            if (outside & (1 << i)) voicesOutside |= 1u << group.voice[i];
        return voicesOutside;
    }
};

// A float pair per voice (lanes i of x and y) into the two adjacent floats at
// the given place of each voice's instance.
template <typename At>
inline void storePairs(__m128 x, __m128 y, At at) {
    const __m128 low = _mm_unpacklo_ps(x, y), high = _mm_unpackhi_ps(x, y);
    _mm_storel_pi(reinterpret_cast<__m64*>(at(0)), low);
    _mm_storeh_pi(reinterpret_cast<__m64*>(at(1)), low);
    _mm_storel_pi(reinterpret_cast<__m64*>(at(2)), high);
    _mm_storeh_pi(reinterpret_cast<__m64*>(at(3)), high);
}

// One per-voice float array's values of the group's voices.
inline __m128 perVoiceOf(const TVoiceGroup& group, const std::array<float, NUM_VOICES>& values) {
    if (group.consecutive) return _mm_loadu_ps(&values[static_cast<std::size_t>(group.voice[0])]);
    return _mm_setr_ps(values[group.voice[0]], values[group.voice[1]], values[group.voice[2]], values[group.voice[3]]);
}

inline void storePerVoice(const TVoiceGroup& group, std::array<float, NUM_VOICES>& values, __m128 x) {
    if (group.consecutive) {
        _mm_storeu_ps(&values[static_cast<std::size_t>(group.voice[0])], x);
        return;
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, x);
    for (int i = 0; i < 4; ++i) values[static_cast<std::size_t>(group.voice[i])] = lanes[i];
}

static_assert(std::is_standard_layout_v<TLfoState> && std::is_standard_layout_v<TPanLfoState>);
static_assert(offsetof(TLfoState, increment) == offsetof(TLfoState, phase) + sizeof(double) &&
              offsetof(TLfoState, symmetryRest) == offsetof(TLfoState, symmetry) + sizeof(double) &&
              offsetof(TLfoState, holdStepsInverse) == offsetof(TLfoState, holdLevels) + sizeof(double));
static_assert(offsetof(TLfoState, smoothed) == offsetof(TLfoState, held) + sizeof(float) &&
              offsetof(TPanLfoState, smoothed) == offsetof(TPanLfoState, held) + sizeof(float));
static_assert(source::FREE_UNIPOLAR_LFO == source::FREE_LFO + 1);
// The Movement's eight sources in their row order: the level, its smoothing
// and their inverses, then the same for the pan channel.
static_assert(source::SMOOTHED_MOVEMENT == source::MOVEMENT + 1 && source::INVERSE_MOVEMENT == source::MOVEMENT + 2 &&
              source::SMOOTHED_INVERSE_MOVEMENT == source::MOVEMENT + 3 &&
              source::PAN_MOVEMENT == source::MOVEMENT + 4 && source::SMOOTHED_PAN_MOVEMENT == source::MOVEMENT + 5 &&
              source::INVERSE_PAN_MOVEMENT == source::MOVEMENT + 6 &&
              source::SMOOTHED_INVERSE_PAN_MOVEMENT == source::MOVEMENT + 7);

// The plain Movement of four listed voices from first on (runVoiceMovement
// <false> with a plain chain and no curves), up to the phase step; answers
// the voices whose phase left [0, 1), for endMovementCycle in voice order.
template <class D4>
[[gnu::always_inline]] inline std::uint32_t movementGroupOf(TMovementState& movement, TVoiceState& voices,
                                                            const TVoiceGroup& group, const TChainLanes<D4>& chain,
                                                            const TPanHistory& pan) {
    const auto* const tables = movement.lfoWaveTables;
    const float* const levelRow = tables[movement.movementWaveRow];
    const __m128 tiny = _mm_set1_ps(1e-15f), half = _mm_set1_ps(0.5f);
    const __m128 keep = _mm_set1_ps(0.9f), take = _mm_set1_ps(1.0f - 0.9f);
    __m128 panValues, foldOffset, foldScale;
    if (pan.changes == 0) [[likely]] {
        panValues = chain.valuesOf(tables[pan.start.wave]);
        foldOffset = _mm_set1_ps(pan.start.foldOffset);
        foldScale = _mm_set1_ps(pan.start.foldScale);
    } else {
        const TPanShape* shape[4];
        for (int i = 0; i < 4; ++i) shape[i] = &pan.of(group.voice[i]);
        const std::array<int, 4> index = chain.indices();
        panValues = _mm_setr_ps(tables[shape[0]->wave][index[0]], tables[shape[1]->wave][index[1]],
                                tables[shape[2]->wave][index[2]], tables[shape[3]->wave][index[3]]);
        foldOffset =
            _mm_setr_ps(shape[0]->foldOffset, shape[1]->foldOffset, shape[2]->foldOffset, shape[3]->foldOffset);
        foldScale = _mm_setr_ps(shape[0]->foldScale, shape[1]->foldScale, shape[2]->foldScale, shape[3]->foldScale);
    }
    // The level's quantiser input, then quantisedPan's: |scaled| levels,
    // quantised, over levels, with the sign of scaled.
    const D4 signBit = D4::all(-0.0);
    const D4 scaled = D4::fromFloats(panValues);
    const D4 quantiserInputs[2] = {chain.holdInput(chain.valuesOf(levelRow)),
                                   D4::andNot(signBit, scaled) * chain.levels};
    D4 wholes[2];
    quantisedLevelsOf(quantiserInputs, wholes);
    const __m128 held = chain.held(wholes[0]);
    const __m128 panHeld = (wholes[1] / chain.levels | (scaled & signBit)).toFloats();
    const __m128 level = _mm_add_ps(held, tiny);
    const __m128 panLevel = _mm_add_ps(panHeld, tiny);
    const __m128 u = _mm_add_ps(_mm_mul_ps(level, half), half);
    const __m128 q = _mm_add_ps(foldOffset, _mm_mul_ps(foldScale, _mm_add_ps(_mm_mul_ps(panLevel, half), half)));
    const __m128 smoothedLevel =
        _mm_add_ps(_mm_mul_ps(keep, perVoiceOf(group, movement.movementSmoothed)), _mm_mul_ps(take, u));
    const __m128 smoothedPan =
        _mm_add_ps(_mm_mul_ps(keep, perVoiceOf(group, movement.panSmoothed)), _mm_mul_ps(take, q));

    // Every read of the group's state is done: the stores.
    storePairs(held, level, [&](int i) { return &group.lfo[i]->held; });
    storePairs(panHeld, panLevel, [&](int i) { return &group.lfo[i]->pan.held; });
    const std::uint32_t voicesOutside = chain.storePhases(group);
    storePerVoice(group, movement.movementSmoothed, smoothedLevel);
    storePerVoice(group, movement.panSmoothed, smoothedPan);
    storePerVoice(group, voices.movementLevel, smoothedLevel);
    storePerVoice(group, voices.movementPan, smoothedPan);
    D4::storeMovementSources(group, u, smoothedLevel, q, smoothedPan);
    return voicesOutside;
}

// The plain Free LFO of four listed voices from first on (runFreeLFO<false>
// with a plain chain and no curve), up to the phase step; answers the voices
// whose phase left [0, 1), for wrapCycle in voice order.
template <class D4>
[[gnu::always_inline]] inline std::uint32_t freeGroupOf(const TMovementState& movement, const TVoiceGroup& group,
                                                        const TChainLanes<D4>& chain) {
    const bool randomWave = movement.freeWaveRow == TMovementState::SAMPLE_AND_HOLD_ROW;
    const float* const row = movement.lfoWaveTables[movement.freeWaveRow];
    const __m128 tiny = _mm_set1_ps(1e-15f), half = _mm_set1_ps(0.5f);
    const __m128 values = randomWave ? _mm_setr_ps(group.lfo[0]->randomValue, group.lfo[1]->randomValue,
                                                   group.lfo[2]->randomValue, group.lfo[3]->randomValue)
                                     : chain.valuesOf(row);
    const D4 quantiserInputs[1] = {chain.holdInput(values)};
    D4 wholes[1];
    quantisedLevelsOf(quantiserInputs, wholes);
    const __m128 held = chain.held(wholes[0]);
    const __m128 smoothed = _mm_add_ps(held, tiny);
    const __m128 unipolar = _mm_add_ps(_mm_mul_ps(smoothed, half), half);
    storePairs(held, smoothed, [&](int i) { return &group.lfo[i]->held; });
    const std::uint32_t voicesOutside = chain.storePhases(group);
    storePairs(smoothed, unipolar, [&](int i) { return &group.sources[i][source::FREE_LFO]; });
    return voicesOutside;
}

template <class D4>
std::uint32_t movementLanesOf(TMovementState& movement, TVoiceState& voices, const TMovementState::LaneVoices& list,
                              const TPanHistory& pan) {
    std::uint32_t voicesOutside = 0;
    for (int first = 0; first < list.count; first += 4) {
        const TVoiceGroup group(list, first, TMovementState::MOVEMENT);
        voicesOutside |= movementGroupOf(movement, voices, group, TChainLanes<D4>(group), pan);
    }
    return voicesOutside;
}

template <class D4>
std::uint32_t freeLanesOf(TMovementState& movement, const TMovementState::LaneVoices& list) {
    std::uint32_t voicesOutside = 0;
    for (int first = 0; first < list.count; first += 4) {
        const TVoiceGroup group(list, first, TMovementState::FREE_LFO);
        voicesOutside |= freeGroupOf(movement, group, TChainLanes<D4>(group));
    }
    return voicesOutside;
}

// Both chains of the same voices, a group's Movement and Free LFO together.
// Each step of a chain waits on the one before; with two chains in flight the
// processor fills one's waits with the other's work. The two touch separate
// state and neither reads what the other writes, so the order between them
// changes nothing.
template <class D4>
TLaneEnds bothLanesOf(TMovementState& movement, TVoiceState& voices, const TMovementState::LaneVoices& list,
                      const TPanHistory& pan) {
    TLaneEnds ends;
    for (int first = 0; first < list.count; first += 4) {
        // Both chains' phase steps and table indices first, so that the two
        // chains' table reads are under way together.
        const TVoiceGroup movementGroup(list, first, TMovementState::MOVEMENT);
        const TVoiceGroup freeGroup(list, first, TMovementState::FREE_LFO);
        const TChainLanes<D4> movementChain(movementGroup), freeChain(freeGroup);
        ends.movement |= movementGroupOf(movement, voices, movementGroup, movementChain, pan);
        ends.freeLFO |= freeGroupOf(movement, freeGroup, freeChain);
    }
    return ends;
}

}  // namespace
