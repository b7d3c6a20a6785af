// The plain state-variable types for two full quarters at once, eight voices
// to a 256-bit vector: the kernel of PlainFilterKernel.h over eight lanes, so
// every lane does what the four-voice path does for its voice, in the same
// order, and every value is that path's. Nothing here runs unless the
// processor has AVX2 (see TFilter::plainPairKernel), so the library still
// loads on the baseline.
#include <emmintrin.h>
#include <immintrin.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "engine/dsp/FilterTables.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/TFilterQuarter.h"
#include "engine/dsp/VectorLanes.h"

// Every function defined from here on is compiled for AVX2; those of the
// headers above keep the baseline. Without "fma": nothing may be contracted.
// All of it has internal linkage but the one entry point, so the linker
// cannot take a copy from here for the baseline's.
#pragma GCC target("avx2")

#include "engine/dsp/PlainFilterKernel.h"

namespace {

// The same row of the second quarter lies one quarter further on.
constexpr std::ptrdiff_t NEXT_QUARTER = sizeof(TFilterQuarter);

// Eight floats in one vector, the first quarter's in the low half (see
// PlainFilterKernel.h for what the kernel asks of them).
struct TEightFloats {
    using Raw = __m256;
    Raw value;
    using Ints = __m256i;

    static TEightFloats all(const Lanes& lanes) { return {_mm256_broadcast_ss(lanes.value)}; }
    static TEightFloats ofInt(int x) { return {_mm256_castsi256_ps(_mm256_set1_epi32(x))}; }
    template <class T>
    static TEightFloats row(const T* row) {
        const auto* first = reinterpret_cast<const float*>(row);
        const auto* second = reinterpret_cast<const float*>(reinterpret_cast<const unsigned char*>(row) + NEXT_QUARTER);
        return {_mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ps(first)), _mm_load_ps(second), 1)};
    }
    template <class T>
    static void storeRow(T* row, TEightFloats x) {
        auto* first = reinterpret_cast<float*>(row);
        auto* second = reinterpret_cast<float*>(reinterpret_cast<unsigned char*>(row) + NEXT_QUARTER);
        _mm_store_ps(first, _mm256_castps256_ps128(x.value));
        _mm_store_ps(second, _mm256_extractf128_ps(x.value, 1));
    }
    static TEightFloats shared(__m128 x) { return {_mm256_set_m128(x, x)}; }
    static TEightFloats ofQuarters(const __m128* x, int stride) { return {_mm256_set_m128(x[stride], x[0])}; }
    __m128 quarter(int i) const { return i == 0 ? _mm256_castps256_ps128(value) : _mm256_extractf128_ps(value, 1); }

    TEightFloats operator&(TEightFloats x) const { return {_mm256_and_ps(value, x.value)}; }
    TEightFloats operator|(TEightFloats x) const { return {_mm256_or_ps(value, x.value)}; }
    static TEightFloats andNot(TEightFloats mask, TEightFloats x) { return {_mm256_andnot_ps(mask.value, x.value)}; }
    static TEightFloats max(TEightFloats a, TEightFloats b) { return {_mm256_max_ps(a.value, b.value)}; }
    // The masks are whole lanes, so the blend's sign bits pick as the bits would.
    static TEightFloats select(TEightFloats mask, TEightFloats ifTrue, TEightFloats ifFalse) {
        return {_mm256_blendv_ps(ifFalse.value, ifTrue.value, mask.value)};
    }
    int mask() const { return _mm256_movemask_ps(value); }
    static TEightFloats equal(TEightFloats a, TEightFloats b) { return {_mm256_cmp_ps(a.value, b.value, _CMP_EQ_OQ)}; }
    static TEightFloats greater(TEightFloats a, TEightFloats b) {
        return {_mm256_cmp_ps(a.value, b.value, _CMP_GT_OS)};
    }
    static TEightFloats atMost(TEightFloats a, TEightFloats b) { return {_mm256_cmp_ps(a.value, b.value, _CMP_LE_OS)}; }
    static Ints sameBits(TEightFloats a, TEightFloats b) {
        return _mm256_cmpeq_epi32(_mm256_castps_si256(a.value), _mm256_castps_si256(b.value));
    }
    static Ints offLanes(TEightFloats mask) {
        return _mm256_andnot_si256(_mm256_castps_si256(mask.value), _mm256_set1_epi32(-1));
    }
    // Every byte's top bit: 32 of them.
    static bool allSet(Ints x) { return _mm256_movemask_epi8(x) == -1; }
    static int maskOf(Ints x) { return _mm256_movemask_ps(_mm256_castsi256_ps(x)); }
    static TEightFloats laneMaskOfBits(int bits) {
        const __m256i laneBits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
        return {_mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(bits), laneBits), laneBits))};
    }
    static TEightFloats laneInAll(TEightFloats x, int lane) {
        return {_mm256_permutevar8x32_ps(x.value, _mm256_set1_epi32(lane))};
    }
    Ints truncated() const { return _mm256_cvttps_epi32(value); }
    static TEightFloats entries(const float* table, Ints indices) { return {_mm256_i32gather_ps(table, indices, 4)}; }
    // Each half transposed as its own four rows: the shuffles work within halves.
    static void transpose(TEightFloats (&rows)[4]) {
        const __m256 t0 = _mm256_unpacklo_ps(rows[0].value, rows[1].value);
        const __m256 t1 = _mm256_unpacklo_ps(rows[2].value, rows[3].value);
        const __m256 t2 = _mm256_unpackhi_ps(rows[0].value, rows[1].value);
        const __m256 t3 = _mm256_unpackhi_ps(rows[2].value, rows[3].value);
        rows[0] = {_mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0))};
        rows[1] = {_mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2))};
        rows[2] = {_mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0))};
        rows[3] = {_mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2))};
    }
};

void plainPair(TFilterQuarter* quarters, int type, int lanesOn, stereoOverStruct* frames, const __m128 lanes[8],
               const TFilterGroupInput& shared, const __m128 lfoValues[2], const __m128 offsets[2],
               TFilterSharedPower& lastPower) {
    if (lanesOn == 0xFF)
        plainQuartersOf<TEightFloats, true>(quarters, type, lanesOn, frames, lanes, shared, lfoValues, offsets,
                                            lastPower);
    else if (lanesOn != 0)
        plainQuartersOf<TEightFloats, false>(quarters, type, lanesOn, frames, lanes, shared, lfoValues, offsets,
                                             lastPower);
}

}  // namespace

const TFilterPlainPairKernel AVX2_PLAIN_PAIR_KERNEL = plainPair;
