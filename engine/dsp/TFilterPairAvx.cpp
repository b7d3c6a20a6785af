// The plain state-variable types for two full quarters at once, eight voices
// to a 256-bit vector: every lane does what runPlainQuarter() does for its
// voice, in the same order, so every value is the four-voice path's. Nothing
// here runs unless the processor has AVX2 (see TFilter::plainPairKernel), so
// the library still loads on the baseline.
#include <emmintrin.h>
#include <immintrin.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "engine/dsp/FilterTables.h"
#include "engine/dsp/TFilter.h"
#include "engine/dsp/VectorLanes.h"

namespace {

// Every function from here to the pop is compiled for AVX2; those of the
// headers above keep the baseline. Without "fma": nothing may be contracted.
// All of it has internal linkage, so the linker cannot take a copy from here
// for the baseline's.
#pragma GCC push_options
#pragma GCC target("avx2")

using namespace filterlanes;

// The same row of the second quarter lies one quarter further on.
constexpr std::ptrdiff_t NEXT_QUARTER = sizeof(TFilterQuarter);

const float* secondRow(const float* row) {
    return reinterpret_cast<const float*>(reinterpret_cast<const unsigned char*>(row) + NEXT_QUARTER);
}
float* secondRow(float* row) {
    return reinterpret_cast<float*>(reinterpret_cast<unsigned char*>(row) + NEXT_QUARTER);
}

// A row of both quarters, the first's voices in the low half.
__m256 loadRow(const float* row) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ps(row)), _mm_load_ps(secondRow(row)), 1);
}
__m256 loadRow(const std::uint32_t* row) { return loadRow(reinterpret_cast<const float*>(row)); }
__m256 loadRow(const std::int32_t* row) { return loadRow(reinterpret_cast<const float*>(row)); }

void storeRow(float* row, __m256 x) {
    _mm_store_ps(row, _mm256_castps256_ps128(x));
    _mm_store_ps(secondRow(row), _mm256_extractf128_ps(x, 1));
}
void storeRow(std::uint32_t* row, __m256 x) { storeRow(reinterpret_cast<float*>(row), x); }
void storeRow(std::int32_t* row, __m256 x) { storeRow(reinterpret_cast<float*>(row), x); }

__m256 pairOf(__m128 first, __m128 second) { return _mm256_set_m128(second, first); }

__m256 all8(const Lanes& lanes) { return _mm256_broadcast_ss(lanes.value); }

// finiteMask() and finiteOnly() over eight lanes.
__m256 finiteMask8(__m256 x) {
    return _mm256_cmp_ps(_mm256_andnot_ps(all8(SIGN_LANES), x), all8(FLOAT_MAX_LANES), _CMP_LE_OS);
}
__m256 finiteOnly8(__m256 x) {
    return _mm256_and_ps(x, _mm256_cmp_ps(_mm256_andnot_ps(all8(SIGN_LANES), x), all8(HUGE_LANES), _CMP_LE_OS));
}

// Lane masks of the bits of an eight-bit set.
__m256 laneMaskOfBits8(int bits) {
    const __m256i laneBits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    return _mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(bits), laneBits), laneBits));
}

__m256i sameBits(__m256 a, __m256 b) { return _mm256_cmpeq_epi32(_mm256_castps_si256(a), _mm256_castps_si256(b)); }

__m256 sanitizedCutoffs8(__m256 hz) {
    return _mm256_min_ps(_mm256_max_ps(hz, _mm256_setzero_ps()), all8(CUTOFF_CEILING_LANES));
}

// stateVariableStep() over eight lanes.
template <int TYPE>
[[gnu::always_inline]] inline __m256 stateVariableStep8(__m256 input, __m256 f, __m256 d, __m256& low,
                                                        __m256& band) {
    const __m256 guard = all8(GUARD_LANES);
    const __m256 b = _mm256_min_ps(_mm256_max_ps(band, all8(BAND_FLOOR_LANES)), all8(BAND_TURN_LANES));
    const __m256 saturated =
        _mm256_sub_ps(b, _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(all8(BAND_SATURATION_LANES), b), b), b));
    const __m256 high = _mm256_sub_ps(_mm256_sub_ps(input, low), _mm256_mul_ps(d, saturated));
    band = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(high, f), saturated), guard);
    low = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(band, f), low), guard);
    if constexpr (TYPE == 3) return _mm256_mul_ps(low, all8(SQRT2_LANES));
    else if constexpr (TYPE == 4) return _mm256_mul_ps(high, all8(SQRT2_LANES));
    else if constexpr (TYPE == 5) return _mm256_mul_ps(band, all8(TWO_LANES));
    else return _mm256_mul_ps(_mm256_sub_ps(low, high), all8(SQRT2_LANES));
}

// A row of both quarters stored for the lanes `on`, the others left as they
// are: with ALL_ON every lane is.
template <bool ALL_ON>
[[gnu::always_inline]] inline void storeRowOn(float* row, __m256 on, __m256 value) {
    storeRow(row, ALL_ON ? value : _mm256_blendv_ps(loadRow(row), value, on));
}

// runPlainRecursion() of eight voices. The shuffles work within each half,
// so each quarter's frames come out as its own call arranges them; the
// alike-channel shortcut is taken when all eight voices qualify.
template <int TYPE, bool ALL_ON>
[[gnu::always_inline]] inline void runRecursion8(TFilterQuarter& v, int lanesOn, __m256 on, const __m256 lanes[4],
                                                 stereoOverStruct* frames) {
    __m256 out[4];  // left and right of the first sub-sample, then of the second
    const __m256 d = loadRow(v.stateVariableD);
    __m256 f[2], low[2], band[2];
    for (int c = 0; c < 2; ++c) {
        f[c] = loadRow(v.stateVariableF[c]);
        low[c] = loadRow(v.low[c]);
        band[c] = loadRow(v.band[c]);
    }
    const auto runChannel = [&](int c) {
        const __m256 inScale = all8(INPUT_SCALE_LANES);
        const __m256 outScale = all8(OUTPUT_SCALE_LANES);
        out[c] = _mm256_mul_ps(
            stateVariableStep8<TYPE>(_mm256_mul_ps(finiteOnly8(lanes[c]), inScale), f[c], d, low[c], band[c]),
            outScale);
        out[2 + c] = _mm256_mul_ps(
            stateVariableStep8<TYPE>(_mm256_mul_ps(finiteOnly8(lanes[2 + c]), inScale), f[c], d, low[c], band[c]),
            outScale);
    };
    __m256i alike = _mm256_and_si256(
        _mm256_and_si256(_mm256_and_si256(sameBits(lanes[0], lanes[1]), sameBits(lanes[2], lanes[3])),
                         sameBits(f[0], f[1])),
        _mm256_and_si256(sameBits(low[0], low[1]), sameBits(band[0], band[1])));
    if constexpr (!ALL_ON) alike = _mm256_or_si256(alike, _mm256_andnot_si256(_mm256_castps_si256(on),
                                                                              _mm256_set1_epi32(-1)));
    runChannel(0);
    if (_mm256_movemask_epi8(alike) == -1) {
        low[1] = low[0];
        band[1] = band[0];
        const __m256 low01 = _mm256_unpacklo_ps(out[0], out[2]);
        const __m256 high01 = _mm256_unpackhi_ps(out[0], out[2]);
        out[0] = _mm256_shuffle_ps(low01, low01, _MM_SHUFFLE(1, 1, 0, 0));
        out[1] = _mm256_shuffle_ps(low01, low01, _MM_SHUFFLE(3, 3, 2, 2));
        out[2] = _mm256_shuffle_ps(high01, high01, _MM_SHUFFLE(1, 1, 0, 0));
        out[3] = _mm256_shuffle_ps(high01, high01, _MM_SHUFFLE(3, 3, 2, 2));
    } else {
        runChannel(1);
        const __m256 t0 = _mm256_unpacklo_ps(out[0], out[1]);
        const __m256 t1 = _mm256_unpacklo_ps(out[2], out[3]);
        const __m256 t2 = _mm256_unpackhi_ps(out[0], out[1]);
        const __m256 t3 = _mm256_unpackhi_ps(out[2], out[3]);
        out[0] = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        out[1] = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        out[2] = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
        out[3] = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2));
    }
    for (int c = 0; c < 2; ++c) {
        storeRowOn<ALL_ON>(v.low[c], on, low[c]);
        storeRowOn<ALL_ON>(v.band[c], on, band[c]);
    }
    for (int i = 0; i < 4; ++i) {
        if (ALL_ON || (lanesOn >> i & 1)) _mm_storeu_ps(frames[i].lane, _mm256_castps256_ps128(out[i]));
        if (ALL_ON || (lanesOn >> (4 + i) & 1)) _mm_storeu_ps(frames[4 + i].lane, _mm256_extractf128_ps(out[i], 1));
    }
}

// The power of two of each lane's exponent for the lanes on, lastPower
// carried through them in order as two calls in a row carry it.
template <bool ALL_ON>
[[gnu::always_inline]] inline __m256 powersOf(TFilterQuarter* quarters, int lanesOn, __m256 exponent,
                                              TFilter::SharedPower& lastPower) {
    const auto allOnEqual = [lanesOn](__m256 a, __m256 b) {
        return (_mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_EQ_OQ)) & lanesOn) == lanesOn;
    };
    if (allOnEqual(exponent, _mm256_set1_ps(lastPower.exponent))) return _mm256_set1_ps(lastPower.value);
    const int first = ALL_ON ? 0 : __builtin_ctz(static_cast<unsigned>(lanesOn));
    const __m256 firstInAll = _mm256_permutevar8x32_ps(exponent, _mm256_set1_epi32(first));
    if (allOnEqual(exponent, firstInAll)) {
        // Voices in step share one position: one power for all.
        TFilterQuarter& v = quarters[first / 4];
        const int lane = first % 4;
        const float e = _mm256_cvtss_f32(firstInAll);
        lastPower.value =
            e == v.powerExponent[lane] ? v.powerValue[lane] : static_cast<float>(std::exp2(static_cast<double>(e)));
        lastPower.exponent = e;
        v.powerExponent[lane] = e;
        v.powerValue[lane] = lastPower.value;
        return _mm256_set1_ps(lastPower.value);
    }
    alignas(32) float exponents[8], powers[8];
    _mm256_store_ps(exponents, exponent);
    for (int i = 0; i < 8; ++i) {
        const float e = exponents[i];
        if (e != lastPower.exponent && (ALL_ON || (lanesOn >> i & 1))) {
            TFilterQuarter& q = quarters[i / 4];
            const int lane = i % 4;
            lastPower.value = e == q.powerExponent[lane] ? q.powerValue[lane]
                                                         : static_cast<float>(std::exp2(static_cast<double>(e)));
            lastPower.exponent = e;
            q.powerExponent[lane] = e;
            q.powerValue[lane] = lastPower.value;
        }
        powers[i] = lastPower.value;
    }
    return _mm256_load_ps(powers);
}

// runPlainQuarter() of quarters[0] and then of quarters[1], lane by lane.
template <bool ALL_ON>
[[gnu::always_inline]] inline void plainPairOf(TFilterQuarter* quarters, int type, int lanesOn,
                                               stereoOverStruct* frames, const __m128 lanes[8],
                                               const TFilter::GroupInput& input, const __m128 lfoValues[2],
                                               const __m128 offsets[2], TFilter::SharedPower& lastPower) {
    TFilterQuarter& v = quarters[0];
    const __m256 on = ALL_ON ? _mm256_setzero_ps() : laneMaskOfBits8(lanesOn);
    const float freq = input.freq;
    const bool spreadIsOne = input.spreadIsOne;
    const __m256 spread = pairOf(input.spread, input.spread);
    const __m256 q = pairOf(input.q, input.q);
    const __m256 vowel = pairOf(input.vowel, input.vowel);
    const __m256 rawOffset = pairOf(offsets[0], offsets[1]);

    const __m256 smooth = loadRow(v.smoothFreq);
    const __m256 direct = loadRow(v.direct);
    const __m256 product = _mm256_mul_ps(pairOf(input.lfoAmount, input.lfoAmount), pairOf(lfoValues[0], lfoValues[1]));
    const __m256 lfo = _mm256_and_ps(product, finiteMask8(product));
    const __m256 offset = _mm256_and_ps(rawOffset, finiteMask8(rawOffset));
    __m256 target, part;
    if (std::isfinite(freq)) {
        target = pairOf(input.freqLanes, input.freqLanes);
        part = pairOf(input.freqPartLanes, input.freqPartLanes);
    } else {
        target = smooth;
        part = _mm256_mul_ps(smooth, all8(SMOOTHER_TAKE_LANES));
    }
    const __m256 glided =
        _mm256_add_ps(_mm256_add_ps(part, _mm256_mul_ps(smooth, all8(SMOOTHER_KEEP_LANES))), all8(GUARD_LANES));
    const __m256 smoothed = _mm256_movemask_ps(direct) == 0 ? glided : _mm256_blendv_ps(glided, target, direct);
    const __m256 position = _mm256_add_ps(
        _mm256_add_ps(
            _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(offset, loadRow(v.env)), lfo), loadRow(v.vel)),
            loadRow(v.mod)),
        smoothed);
    const __m256 exponent = _mm256_min_ps(
        _mm256_max_ps(_mm256_mul_ps(all8(OCTAVES_LANES), position), _mm256_setzero_ps()), all8(OCTAVES_LANES));
    const __m256 tracked =
        _mm256_mul_ps(powersOf<ALL_ON>(quarters, lanesOn, exponent, lastPower), loadRow(v.track));
    __m256 cutoffLeft, cutoffRight;
    if (spreadIsOne) {
        cutoffLeft = cutoffRight = sanitizedCutoffs8(_mm256_mul_ps(tracked, all8(TWENTY_LANES)));
    } else {
        cutoffLeft = sanitizedCutoffs8(_mm256_mul_ps(_mm256_div_ps(tracked, spread), all8(TWENTY_LANES)));
        cutoffRight = sanitizedCutoffs8(_mm256_mul_ps(_mm256_mul_ps(tracked, spread), all8(TWENTY_LANES)));
    }
    storeRowOn<ALL_ON>(v.smoothFreq, on, smoothed);
    storeRowOn<ALL_ON>(v.offsetLeft, on, offset);
    // Every flag is cleared, as each filter's own call clears it.
    storeRow(v.direct, ALL_ON ? _mm256_setzero_ps() : _mm256_andnot_ps(on, direct));
    storeRowOn<ALL_ON>(v.cutoff[0], on, cutoffLeft);
    storeRowOn<ALL_ON>(v.cutoff[1], on, cutoffRight);
    storeRowOn<ALL_ON>(v.q, on, q);
    storeRowOn<ALL_ON>(v.vowel, on, vowel);

    const __m256 now[4] = {cutoffLeft, cutoffRight, q, vowel};
    float* const applied[4] = {v.appliedCutoff[0], v.appliedCutoff[1], v.appliedQ, v.appliedVowel};
    __m256 moved = _mm256_setzero_ps();
    for (int k = 0; k < 4; ++k) {
        const __m256 change = _mm256_andnot_ps(all8(SIGN_LANES), _mm256_sub_ps(now[k], loadRow(applied[k])));
        moved = _mm256_or_ps(moved, _mm256_cmp_ps(change, all8(MOVE_THRESHOLD_LANES), _CMP_GT_OS));
    }
    const __m256 typeNow = _mm256_castsi256_ps(_mm256_set1_epi32(type));
    const __m256 appliedType = loadRow(v.appliedType);
    const int sameTypeBits = _mm256_movemask_ps(
        _mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_castps_si256(appliedType), _mm256_castps_si256(typeNow))));
    const int movedBits = (_mm256_movemask_ps(moved) | (sameTypeBits ^ 0xFF)) & lanesOn;
    if (movedBits != 0) {
        // Lanes that did not move keep theirs; lanes on that did not move
        // hold the type already.
        const auto store = [movedBits](float* row, __m256 computed) {
            storeRow(row, movedBits == 0xFF ? computed
                                            : _mm256_blendv_ps(loadRow(row), computed, laneMaskOfBits8(movedBits)));
        };
        for (int k = 0; k < 4; ++k) store(applied[k], now[k]);
        storeRow(v.appliedType, ALL_ON ? typeNow : _mm256_blendv_ps(appliedType, typeNow, on));
        const __m256 maxCutoffs = loadRow(v.maxCutoff);
        const __m256 invOverRates = loadRow(v.invOverRate);
        // sineIndices() and the table's entries over eight lanes; the
        // indices lie in the table (a NaN position takes entry 0).
        const auto sines = [maxCutoffs, invOverRates](__m256 cutoffs) {
            const __m256 limited = _mm256_min_ps(cutoffs, maxCutoffs);
            const __m256 w = _mm256_add_ps(
                _mm256_mul_ps(_mm256_add_ps(limited, all8(CUTOFF_BIAS_LANES)), invOverRates), all8(GUARD_LANES));
            const __m256 position =
                _mm256_min_ps(_mm256_max_ps(_mm256_mul_ps(w, all8(TABLE_SCALE_LANES)), _mm256_setzero_ps()),
                              all8(TABLE_LAST_LANES));
            return _mm256_i32gather_ps(FilterSine, _mm256_cvttps_epi32(position), 4);
        };
        const __m256 fLeft = sines(cutoffLeft);
        store(v.stateVariableF[0], fLeft);
        store(v.stateVariableF[1], spreadIsOne ? fLeft : sines(cutoffRight));
        store(v.stateVariableD, _mm256_add_ps(_mm256_sub_ps(all8(ONE_LANES), q), all8(GUARD_LANES)));
    }
    __m256 lanesOfBoth[4];
    for (int k = 0; k < 4; ++k) lanesOfBoth[k] = pairOf(lanes[k], lanes[4 + k]);
    switch (type) {
    case 3: runRecursion8<3, ALL_ON>(v, lanesOn, on, lanesOfBoth, frames); break;
    case 4: runRecursion8<4, ALL_ON>(v, lanesOn, on, lanesOfBoth, frames); break;
    case 5: runRecursion8<5, ALL_ON>(v, lanesOn, on, lanesOfBoth, frames); break;
    default: runRecursion8<6, ALL_ON>(v, lanesOn, on, lanesOfBoth, frames); break;
    }
}

void plainPair(TFilterQuarter* quarters, int type, int lanesOn, stereoOverStruct* frames, const __m128 lanes[8],
               const TFilter::GroupInput& input, const __m128 lfoValues[2], const __m128 offsets[2],
               TFilter::SharedPower& lastPower) {
    if (lanesOn == 0xFF)
        plainPairOf<true>(quarters, type, lanesOn, frames, lanes, input, lfoValues, offsets, lastPower);
    else if (lanesOn != 0)
        plainPairOf<false>(quarters, type, lanesOn, frames, lanes, input, lfoValues, offsets, lastPower);
}

#pragma GCC pop_options

TFilter::PlainPairKernel choosePlainPairKernel() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? plainPair : nullptr;
}

}  // namespace

const TFilter::PlainPairKernel TFilter::plainPairKernel = choosePlainPairKernel();
