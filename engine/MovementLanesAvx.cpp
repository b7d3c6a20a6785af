// The lane chains of the Movement and the Free LFO compiled for AVX2, four
// doubles to a vector: the conversions between the four float lanes and the
// doubles take one instruction each, and every double step is done once, not
// once per pair. Nothing here runs unless the processor has AVX2 (see
// movementLaneKernels), so the library still loads on the baseline.
#include <emmintrin.h>
#include <immintrin.h>
#include <xmmintrin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "engine/ModTables.h"
#include "engine/MovementLanes.h"
#include "engine/MovementState.h"
#include "engine/VoiceState.h"

// Every function defined from here on is compiled for AVX2; those of the
// headers above keep the baseline. Without "fma": nothing may be contracted.
// All of it has internal linkage but the one table of entry points, so the
// linker cannot take a copy from here for the baseline's.
#pragma GCC target("avx2")

#include "engine/MovementLaneKernel.h"

namespace {

// Four doubles in one vector (see MovementLaneKernel.h for what the lanes ask
// of them).
struct TDoubleQuad {
    __m256d value;
    using Ints = __m128i;
    static TDoubleQuad all(double x) { return {_mm256_set1_pd(x)}; }
    // Two adjacent doubles of each: the halves of voices 0 and 2 and of 1 and
    // 3 loaded together, then split by member.
    static void ofPair(const TVoiceGroup& group, double TLfoState::*member, TDoubleQuad& first,
                       TDoubleQuad& second) {
        const __m256d even = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&(group.lfo[0]->*member))),
                                                  _mm_loadu_pd(&(group.lfo[2]->*member)), 1);
        const __m256d odd = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&(group.lfo[1]->*member))),
                                                 _mm_loadu_pd(&(group.lfo[3]->*member)), 1);
        first = {_mm256_unpacklo_pd(even, odd)};
        second = {_mm256_unpackhi_pd(even, odd)};
    }
    void store(const TVoiceGroup& group, double TLfoState::*member) const {
        const __m128d low = _mm256_castpd256_pd128(value), high = _mm256_extractf128_pd(value, 1);
        _mm_storel_pd(&(group.lfo[0]->*member), low);
        _mm_storeh_pd(&(group.lfo[1]->*member), low);
        _mm_storel_pd(&(group.lfo[2]->*member), high);
        _mm_storeh_pd(&(group.lfo[3]->*member), high);
    }
    static TDoubleQuad fromArray(const double* lanes) { return {_mm256_load_pd(lanes)}; }
    void toArray(double* lanes) const { _mm256_store_pd(lanes, value); }
    TDoubleQuad operator+(TDoubleQuad x) const { return {_mm256_add_pd(value, x.value)}; }
    TDoubleQuad operator-(TDoubleQuad x) const { return {_mm256_sub_pd(value, x.value)}; }
    TDoubleQuad operator*(TDoubleQuad x) const { return {_mm256_mul_pd(value, x.value)}; }
    TDoubleQuad operator/(TDoubleQuad x) const { return {_mm256_div_pd(value, x.value)}; }
    TDoubleQuad operator&(TDoubleQuad x) const { return {_mm256_and_pd(value, x.value)}; }
    TDoubleQuad operator|(TDoubleQuad x) const { return {_mm256_or_pd(value, x.value)}; }
    static TDoubleQuad andNot(TDoubleQuad mask, TDoubleQuad x) { return {_mm256_andnot_pd(mask.value, x.value)}; }
    // The ordered predicates, false where either side is NaN, as cmpltpd and
    // cmpnltpd with swapped operands (the baseline's cmpgepd) answer.
    static TDoubleQuad less(TDoubleQuad a, TDoubleQuad b) { return {_mm256_cmp_pd(a.value, b.value, _CMP_LT_OS)}; }
    static TDoubleQuad atLeast(TDoubleQuad a, TDoubleQuad b) {
        return {_mm256_cmp_pd(a.value, b.value, _CMP_GE_OS)};
    }
    static TDoubleQuad min(TDoubleQuad a, TDoubleQuad b) { return {_mm256_min_pd(a.value, b.value)}; }
    int mask() const { return _mm256_movemask_pd(value); }
    static TDoubleQuad fromFloats(__m128 x) { return {_mm256_cvtps_pd(x)}; }
    __m128 toFloats() const { return _mm256_cvtpd_ps(value); }
    Ints truncated() const { return _mm256_cvttpd_epi32(value); }
    static TDoubleQuad fromInts(Ints x) { return {_mm256_cvtepi32_pd(x)}; }
    static bool anyNegative(Ints x) { return _mm_movemask_ps(_mm_castsi128_ps(x)) != 0; }
    static void store(int* lanes, Ints x) { _mm_store_si128(reinterpret_cast<__m128i*>(lanes), x); }
    // The level in the low half of a vector, the pan channel in the high: a
    // row of the two halves' transposes is a voice's eight sources.
    static void storeMovementSources(const TVoiceGroup& group, __m128 u, __m128 smoothedLevel, __m128 q,
                                     __m128 smoothedPan) {
        const __m256 values = _mm256_insertf128_ps(_mm256_castps128_ps256(u), q, 1);
        const __m256 smoothed = _mm256_insertf128_ps(_mm256_castps128_ps256(smoothedLevel), smoothedPan, 1);
        const __m256 one = _mm256_set1_ps(1.0f);
        const __m256 inverses = _mm256_sub_ps(one, values), smoothedInverses = _mm256_sub_ps(one, smoothed);
        const __m256 firstPairs = _mm256_unpacklo_ps(values, smoothed);
        const __m256 lastPairs = _mm256_unpackhi_ps(values, smoothed);
        const __m256 firstInversePairs = _mm256_unpacklo_ps(inverses, smoothedInverses);
        const __m256 lastInversePairs = _mm256_unpackhi_ps(inverses, smoothedInverses);
        const __m256 rows[4] = {_mm256_shuffle_ps(firstPairs, firstInversePairs, _MM_SHUFFLE(1, 0, 1, 0)),
                                _mm256_shuffle_ps(firstPairs, firstInversePairs, _MM_SHUFFLE(3, 2, 3, 2)),
                                _mm256_shuffle_ps(lastPairs, lastInversePairs, _MM_SHUFFLE(1, 0, 1, 0)),
                                _mm256_shuffle_ps(lastPairs, lastInversePairs, _MM_SHUFFLE(3, 2, 3, 2))};
        for (int i = 0; i < 4; ++i) _mm256_storeu_ps(&group.sources[i][source::MOVEMENT], rows[i]);
    }
};

}  // namespace

const TMovementLaneKernels AVX2_MOVEMENT_LANES{movementLanesOf<TDoubleQuad>, freeLanesOf<TDoubleQuad>,
                                               bothLanesOf<TDoubleQuad>};
