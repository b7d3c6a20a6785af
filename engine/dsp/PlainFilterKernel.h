// The plain state-variable types (3-6) of whole quarters of the filter bank,
// written once over a float vector type V: four lanes (one quarter) or eight
// (two quarters side by side, the first's voices in the low half). Each file
// that instantiates them includes this (the AVX2 one after its target pragma,
// so that all of it is compiled for AVX2 there, and after every header this
// one includes, so that none of those is) and instantiates them with a vector
// type of its own. The anonymous namespace keeps every function here, and so
// every instantiation, to that file: no copy compiled for AVX2 can stand in,
// at link time, for the baseline's.
//
// V holds its vector as value, of type V::Raw (four floats a quarter), and
// offers V::all(Lanes) (a constant in every lane) and V::ofInt(int) (its bits
// in every lane); V::row(row) and V::storeRow(row, x) (a row of each
// quarter, the next quarter's lying one TFilterQuarter further on);
// V::shared(x) (a quarter's four lanes in every quarter), V::ofQuarters(x,
// stride) (x[i stride] in quarter i) and quarter(i) (quarter i's four lanes);
// & |, V::andNot(mask, x), V::equal, V::greater and V::atMost (ordered lane
// masks, false where either side is NaN), V::max (as maxps: the second
// operand where either is NaN), V::select(mask, ifTrue, ifFalse) and mask()
// (a bit a lane);
// V::Ints, an integer vector that & and | join: truncated() (as cvttps),
// V::sameBits(a, b) and V::offLanes(mask) (lanes whose bits agree, lanes
// outside a mask), V::allSet(bits) and V::maskOf(bits) (a bit a lane);
// V::laneMaskOfBits(bits), V::laneInAll(x, lane), V::entries(table, Ints)
// and V::transpose(rows) (four rows of four within each quarter). The
// arithmetic and the moves of whole vectors, the same at every width, are
// written here once.
//
// Each lane does the one-voice call's operations in their order, so every
// value is that call's.
#pragma once

#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/dsp/FilterTables.h"
#include "engine/dsp/FilterTypes.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/TFilterQuarter.h"
#include "engine/dsp/VectorLanes.h"

namespace {

// A vector type of the kernel: GCC's vector operators on its raw vector
// compile to the instructions of its width (addps or vaddps and so on), as
// the intrinsics themselves are written.
template <class V>
concept PlainFilterLanes = requires(V x) {
    typename V::Raw;
    x.value;
};

// How many lanes V has: four a quarter.
template <PlainFilterLanes V>
constexpr int LANES = sizeof(typename V::Raw) / sizeof(float);

// Zeros, and x in every lane.
template <PlainFilterLanes V>
[[gnu::always_inline]] inline V zeroLanes() { return {typename V::Raw{}}; }
template <PlainFilterLanes V, int... I>
[[gnu::always_inline]] inline V broadcastLanes(float x, std::integer_sequence<int, I...>) {
    const typename V::Raw first = {x};
    return {__builtin_shufflevector(first, first, (I * 0)...)};
}
template <PlainFilterLanes V>
[[gnu::always_inline]] inline V broadcastLanes(float x) {
    return broadcastLanes<V>(x, std::make_integer_sequence<int, LANES<V>>{});
}

template <PlainFilterLanes V>
[[gnu::always_inline]] inline V operator+(V a, V b) { return {a.value + b.value}; }
template <PlainFilterLanes V>
[[gnu::always_inline]] inline V operator-(V a, V b) { return {a.value - b.value}; }
template <PlainFilterLanes V>
[[gnu::always_inline]] inline V operator*(V a, V b) { return {a.value * b.value}; }
template <PlainFilterLanes V>
[[gnu::always_inline]] inline V operator/(V a, V b) { return {a.value / b.value}; }

// Lane 0.
template <PlainFilterLanes V>
[[gnu::always_inline]] inline float firstLane(V x) { return x.value[0]; }
// An array of LANES<V> floats aligned as V, from and to a vector (the raw
// vector types may alias anything).
template <PlainFilterLanes V>
[[gnu::always_inline]] inline void storeLanes(float* lanes, V x) {
    *reinterpret_cast<typename V::Raw*>(lanes) = x.value;
}
template <PlainFilterLanes V>
[[gnu::always_inline]] inline V loadLanes(const float* lanes) {
    return {*reinterpret_cast<const typename V::Raw*>(lanes)};
}

// minps: the second operand where either is NaN, or where both are zeros.
template <PlainFilterLanes V>
[[gnu::always_inline]] inline V minLanes(V a, V b) { return {a.value < b.value ? a.value : b.value}; }

// Lanes picked within each quarter: lane j of a quarter of the result is
// lane PICK[j] of the same quarter of a, or of b for a pick from 4 on.
template <int... PICK, PlainFilterLanes V, int... I>
[[gnu::always_inline]] inline V pickedInQuarters(V a, V b, std::integer_sequence<int, I...>) {
    constexpr int pick[4] = {PICK...};
    return {__builtin_shufflevector(a.value, b.value,
                                    (4 * (I / 4) + pick[I % 4] % 4 + pick[I % 4] / 4 * LANES<V>)...)};
}
template <int... PICK, PlainFilterLanes V>
[[gnu::always_inline]] inline V pickedInQuarters(V a, V b) {
    return pickedInQuarters<PICK...>(a, b, std::make_integer_sequence<int, LANES<V>>{});
}

// A bit a lane, all set.
template <PlainFilterLanes V>
constexpr int ALL_LANE_BITS = (1 << LANES<V>) - 1;

// |x| <= FLT_MAX lane by lane, as finiteOrZero() tests: false for infinities and NaN.
template <class V>
[[gnu::always_inline]] inline V finiteMaskOf(V x) {
    return V::atMost(V::andNot(V::all(SIGN_LANES), x), V::all(FLOAT_MAX_LANES));
}

// The frame's lanes scaled into the recursions' range; a value that is not a
// finite number a sound can hold enters as silence rather than poisoning the
// state.
template <class V>
[[gnu::always_inline]] inline V scaledLanesOf(V input) {
    const V finite = input & V::atMost(V::andNot(V::all(SIGN_LANES), input), V::all(HUGE_LANES));
    return finite * V::all(filterlanes::INPUT_SCALE_LANES);
}

// TFilter::sanitizeCutoff() lane by lane.
template <class V>
[[gnu::always_inline]] inline V sanitizedCutoffsOf(V hz) {
    return minLanes(V::max(hz, zeroLanes<V>()), V::all(filterlanes::CUTOFF_CEILING_LANES));
}

// The FilterSine entries of the cutoffs, as the one-voice coefficients find
// them: min and max give the scalar clamps' results lane by lane (a NaN
// position takes entry 0, as tableIndex does), so every index lies in the table.
template <class V>
[[gnu::always_inline]] inline typename V::Ints sineIndicesOf(V cutoffs, V maxCutoffs, V invOverRates) {
    using namespace filterlanes;
    const V limited = minLanes(cutoffs, maxCutoffs);
    const V w = (limited + V::all(CUTOFF_BIAS_LANES)) * invOverRates + V::all(GUARD_LANES);
    const V position = minLanes(V::max(w * V::all(TABLE_SCALE_LANES), zeroLanes<V>()), V::all(TABLE_LAST_LANES));
    return position.truncated();
}

// One sub-sample of types 3-6 on every lane: the lanes hold channels (of one
// voice or of several) side by side, and each goes through the operations of
// TFilter::runStateVariable in the same order. Returns the type's output.
template <int TYPE, class V>
[[gnu::always_inline]] inline V stateVariableStepOf(V input, V f, V d, V& low, V& band) {
    using namespace filterlanes;
    const V guard = V::all(GUARD_LANES);
    const V b = minLanes(V::max(band, V::all(BAND_FLOOR_LANES)), V::all(BAND_TURN_LANES));
    const V saturated = b - V::all(BAND_SATURATION_LANES) * b * b * b;
    const V high = (input - low) - d * saturated;
    band = high * f + saturated + guard;
    low = band * f + low + guard;
    if constexpr (TYPE == filtertype::LOWPASS_12DB) return low * V::all(SQRT2_LANES);
    else if constexpr (TYPE == filtertype::HIGHPASS_12DB) return high * V::all(SQRT2_LANES);
    else if constexpr (TYPE == filtertype::BANDPASS_12DB) return band * V::all(TWO_LANES);
    else return (low - high) * V::all(SQRT2_LANES);
}

// A row of the quarters stored for the lanes `on`, the others left as they
// are: with ALL_ON every lane is.
template <bool ALL_ON, class V>
[[gnu::always_inline]] inline void storeRowOn(float* row, V on, V value) {
    V::storeRow(row, ALL_ON ? value : V::select(on, value, V::row(row)));
}

// One frame of the recursion of types 3-6 for the filters of the quarters,
// each channel of their voices in one vector; lanes[] holds the first
// quarter's four frame lanes, then the next quarter's. Where every voice's
// left and right channels hold the same inputs, coefficients and states bit
// for bit, the right channel's operations would repeat the left's on the same
// numbers: the left's results stand for both. Lanes not `on` need not agree.
template <int TYPE, bool ALL_ON, class V>
[[gnu::always_inline]] inline void plainRecursionOf(TFilterQuarter& v, int lanesOn, V on, const __m128* lanes,
                                                    stereoOverStruct* frames) {
    using namespace filterlanes;
    V in[4], out[4];  // left and right of the first sub-sample, then of the second
    for (int k = 0; k < 4; ++k) in[k] = V::ofQuarters(lanes + k, 4);
    const V d = V::row(v.stateVariableD);
    V f[2], low[2], band[2];
    for (int c = 0; c < 2; ++c) {
        f[c] = V::row(v.stateVariableF[c]);
        low[c] = V::row(v.low[c]);
        band[c] = V::row(v.band[c]);
    }
    const auto runChannel = [&](int c) {
        const V scale = V::all(OUTPUT_SCALE_LANES);
        out[c] = stateVariableStepOf<TYPE>(scaledLanesOf(in[c]), f[c], d, low[c], band[c]) * scale;
        out[2 + c] = stateVariableStepOf<TYPE>(scaledLanesOf(in[2 + c]), f[c], d, low[c], band[c]) * scale;
    };
    typename V::Ints alike = V::sameBits(in[0], in[1]) & V::sameBits(in[2], in[3]) & V::sameBits(f[0], f[1]) &
                             (V::sameBits(low[0], low[1]) & V::sameBits(band[0], band[1]));
    if constexpr (!ALL_ON) alike = alike | V::offLanes(on);
    runChannel(0);
    if (V::allSet(alike)) {
        low[1] = low[0];
        band[1] = band[0];
        // Each voice's frame is its left values twice: first, first, second, second.
        const V firsts = pickedInQuarters<0, 4, 1, 5>(out[0], out[2]);
        const V lasts = pickedInQuarters<2, 6, 3, 7>(out[0], out[2]);
        out[0] = pickedInQuarters<0, 0, 1, 1>(firsts, firsts);
        out[1] = pickedInQuarters<2, 2, 3, 3>(firsts, firsts);
        out[2] = pickedInQuarters<0, 0, 1, 1>(lasts, lasts);
        out[3] = pickedInQuarters<2, 2, 3, 3>(lasts, lasts);
    } else {
        runChannel(1);
        V::transpose(out);
    }
    for (int c = 0; c < 2; ++c) {
        storeRowOn<ALL_ON>(v.low[c], on, low[c]);
        storeRowOn<ALL_ON>(v.band[c], on, band[c]);
    }
    // Each quarter's frames come out as its own call arranges them.
    for (int k = 0; k < LANES<V> / 4; ++k)
        for (int i = 0; i < 4; ++i)
            if (ALL_ON || (lanesOn >> (4 * k + i) & 1)) _mm_storeu_ps(frames[4 * k + i].lane, out[i].quarter(k));
}

// The power of two of each lane's exponent for the lanes on, lastPower
// carried through them in order as calls one voice after another carry it.
template <bool ALL_ON, class V>
[[gnu::always_inline]] inline V powersOf(TFilterQuarter* quarters, int lanesOn, V exponent,
                                         TFilterSharedPower& lastPower) {
    const auto allOnEqual = [lanesOn](V a, V b) { return (V::equal(a, b).mask() & lanesOn) == lanesOn; };
    if (allOnEqual(exponent, broadcastLanes<V>(lastPower.exponent))) return broadcastLanes<V>(lastPower.value);
    // lanesOn has no bits beyond the lanes: the mask tells the compiler so.
    const int first = ALL_ON ? 0 : __builtin_ctz(static_cast<unsigned>(lanesOn)) & (LANES<V> - 1);
    const V firstInAll = V::laneInAll(exponent, first);
    if (allOnEqual(exponent, firstInAll)) {
        // Voices in step share one position: one power for all.
        TFilterQuarter& v = quarters[first / 4];
        const int lane = first % 4;
        const float e = firstLane(firstInAll);
        lastPower.value =
            e == v.powerExponent[lane] ? v.powerValue[lane] : static_cast<float>(std::exp2(static_cast<double>(e)));
        lastPower.exponent = e;
        v.powerExponent[lane] = e;
        v.powerValue[lane] = lastPower.value;
        return broadcastLanes<V>(lastPower.value);
    }
    alignas(sizeof(V)) float exponents[LANES<V>], powers[LANES<V>];
    storeLanes(exponents, exponent);
    for (int k = 0; k < LANES<V> / 4; ++k) {
        TFilterQuarter& v = quarters[k];
        for (int lane = 0; lane < 4; ++lane) {
            const int i = 4 * k + lane;
            const float e = exponents[i];
            if (e != lastPower.exponent && (ALL_ON || (lanesOn >> i & 1))) {
                lastPower.value = e == v.powerExponent[lane] ? v.powerValue[lane]
                                                             : static_cast<float>(std::exp2(static_cast<double>(e)));
                lastPower.exponent = e;
                v.powerExponent[lane] = e;
                v.powerValue[lane] = lastPower.value;
            }
            powers[i] = lastPower.value;
        }
    }
    return loadLanes<V>(powers);
}

// TFilter::setLFO(), prepareShared() and process() of the filters of the
// quarters, lane by lane in their order, as TFilter::processPlainQuarter()
// describes; each quarter takes the input `shared` but for the LFO values and
// the offsets, which come per quarter in lfoValues[] and offsets[].
template <class V, bool ALL_ON>
[[gnu::always_inline]] inline void plainQuartersOf(TFilterQuarter* quarters, int type, int lanesOn,
                                                   stereoOverStruct* frames, const __m128* lanes,
                                                   const TFilterGroupInput& shared, const __m128* lfoValues,
                                                   const __m128* offsets, TFilterSharedPower& lastPower) {
    using namespace filterlanes;
    TFilterQuarter& v = quarters[0];
    const V on = ALL_ON ? zeroLanes<V>() : V::laneMaskOfBits(lanesOn);
    // Locals: the vector stores below may alias anything, and would otherwise
    // make the compiler reload the input after each one.
    const float freq = shared.freq;
    const bool spreadIsOne = shared.spreadIsOne;
    const V spread = V::shared(shared.spread);
    const V q = V::shared(shared.q);
    const V vowel = V::shared(shared.vowel);
    const V rawOffset = V::ofQuarters(offsets, 1);

    const V smooth = V::row(v.smoothFreq);
    const V direct = V::row(v.direct);
    const V product = V::shared(shared.lfoAmount) * V::ofQuarters(lfoValues, 1);
    const V lfo = product & finiteMaskOf(product);
    const V offset = rawOffset & finiteMaskOf(rawOffset);
    V target, part;
    if (std::isfinite(freq)) {
        target = V::shared(shared.freqLanes);
        part = V::shared(shared.freqPartLanes);
    } else {
        target = smooth;
        part = smooth * V::all(SMOOTHER_TAKE_LANES);
    }
    const V glided = part + smooth * V::all(SMOOTHER_KEEP_LANES) + V::all(GUARD_LANES);
    const V smoothed = direct.mask() == 0 ? glided : V::select(direct, target, glided);
    const V position = offset + V::row(v.env) + lfo + V::row(v.vel) + V::row(v.mod) + smoothed;
    const V exponent = minLanes(V::max(V::all(OCTAVES_LANES) * position, zeroLanes<V>()), V::all(OCTAVES_LANES));
    // Stored before the powers, whose library calls would otherwise have to
    // keep these values aside.
    storeRowOn<ALL_ON>(v.smoothFreq, on, smoothed);
    storeRowOn<ALL_ON>(v.offsetLeft, on, offset);
    // Every flag is cleared, as each filter's own call clears it.
    V::storeRow(v.direct, ALL_ON ? zeroLanes<V>() : V::andNot(on, direct));
    const V tracked = powersOf<ALL_ON>(quarters, lanesOn, exponent, lastPower) * V::row(v.track);
    V cutoffLeft, cutoffRight;
    if (spreadIsOne) {
        // Dividing and multiplying by 1 are exact: both channels get the same cutoff.
        cutoffLeft = cutoffRight = sanitizedCutoffsOf(tracked * V::all(TWENTY_LANES));
    } else {
        cutoffLeft = sanitizedCutoffsOf(tracked / spread * V::all(TWENTY_LANES));
        cutoffRight = sanitizedCutoffsOf(tracked * spread * V::all(TWENTY_LANES));
    }
    storeRowOn<ALL_ON>(v.cutoff[0], on, cutoffLeft);
    storeRowOn<ALL_ON>(v.cutoff[1], on, cutoffRight);
    storeRowOn<ALL_ON>(v.q, on, q);
    storeRowOn<ALL_ON>(v.vowel, on, vowel);

    // TFilter::takeMovedInputs() lane by lane: a value moved by more than
    // 1e-5, or a new type.
    const V now[4] = {cutoffLeft, cutoffRight, q, vowel};
    float* const applied[4] = {v.appliedCutoff[0], v.appliedCutoff[1], v.appliedQ, v.appliedVowel};
    V moved = zeroLanes<V>();
    for (int k = 0; k < 4; ++k) {
        const V change = V::andNot(V::all(SIGN_LANES), now[k] - V::row(applied[k]));
        moved = moved | V::greater(change, V::all(MOVE_THRESHOLD_LANES));
    }
    const V typeNow = V::ofInt(type);
    const V appliedType = V::row(v.appliedType);
    const int sameTypeBits = V::maskOf(V::sameBits(appliedType, typeNow));
    const int movedBits = (moved.mask() | (sameTypeBits ^ ALL_LANE_BITS<V>)) & lanesOn;
    if (movedBits != 0) {
        // The one-voice coefficients lane by lane, with each voice's limits
        // as init() kept them. Lanes that did not move keep theirs.
        const auto store = [movedBits](float* row, V computed) {
            if (movedBits == ALL_LANE_BITS<V>)
                V::storeRow(row, computed);
            else
                V::storeRow(row, V::select(V::laneMaskOfBits(movedBits), computed, V::row(row)));
        };
        for (int k = 0; k < 4; ++k) store(applied[k], now[k]);
        // Lanes on that did not move hold the type already.
        V::storeRow(v.appliedType, ALL_ON ? typeNow : V::select(on, typeNow, appliedType));
        const V maxCutoffs = V::row(v.maxCutoff);
        const V invOverRates = V::row(v.invOverRate);
        const auto sines = [maxCutoffs, invOverRates](V cutoffs) {
            return V::entries(FilterSine, sineIndicesOf(cutoffs, maxCutoffs, invOverRates));
        };
        const V fLeft = sines(cutoffLeft);
        store(v.stateVariableF[0], fLeft);
        store(v.stateVariableF[1], spreadIsOne ? fLeft : sines(cutoffRight));
        store(v.stateVariableD, V::all(ONE_LANES) - q + V::all(GUARD_LANES));
    }
    using namespace filtertype;
    switch (type) {
    case LOWPASS_12DB: plainRecursionOf<LOWPASS_12DB, ALL_ON>(v, lanesOn, on, lanes, frames); break;
    case HIGHPASS_12DB: plainRecursionOf<HIGHPASS_12DB, ALL_ON>(v, lanesOn, on, lanes, frames); break;
    case BANDPASS_12DB: plainRecursionOf<BANDPASS_12DB, ALL_ON>(v, lanesOn, on, lanes, frames); break;
    default: plainRecursionOf<NOTCH_12DB, ALL_ON>(v, lanesOn, on, lanes, frames); break;
    }
}

}  // namespace
