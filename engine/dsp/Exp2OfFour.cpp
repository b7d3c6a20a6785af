#include "engine/dsp/Exp2OfFour.h"

#include <immintrin.h>

#include <cmath>
#include <cstdint>

namespace {

// Lane by lane through the library: on processors the vector code cannot
// run on.
__m128 exp2OfFourByLane(__m128 x) {
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, x);
    for (float& lane : lanes) lane = std::exp2(lane);
    return _mm_load_ps(lanes);
}

// The lanes in the set special of the vector code's result replaced by the
// library's own values: arguments outside the range the vector code covers.
// Kept out of line so that the common case pays nothing for it.
[[gnu::noinline]] __m128 libraryLanesOf(__m128 x, __m128 result, int special) {
    alignas(16) float lanes[4], results[4];
    _mm_store_ps(lanes, x);
    _mm_store_ps(results, result);
    for (int i = 0; i < 4; ++i)
        if (special & (1 << i)) results[i] = std::exp2(lanes[i]);
    return _mm_load_ps(results);
}

// On x86-64 processors with FMA and AVX2 the C library computes exp2f as
// s * (1 + C2 r + (C0 r + C1) r^2) in double, where 2^x = 2^(k/32) * 2^r,
// k the nearest multiple of 1/32 to x and s = 2^(k/32) from a 32-entry table
// of 2^(i/32) with the exponent bits of i << 47 taken off (adding the whole of
// k << 47 then restores them and multiplies by 2^(k div 32)), the three
// multiply-adds each fused. Doing the same steps in the same precision gives
// the library's result exactly, without the call.
constexpr std::uint64_t EXP2_TABLE[32] = {
    0x3ff0000000000000, 0x3fefd9b0d3158574, 0x3fefb5586cf9890f, 0x3fef9301d0125b51,
    0x3fef72b83c7d517b, 0x3fef54873168b9aa, 0x3fef387a6e756238, 0x3fef1e9df51fdee1,
    0x3fef06fe0a31b715, 0x3feef1a7373aa9cb, 0x3feedea64c123422, 0x3feece086061892d,
    0x3feebfdad5362a27, 0x3feeb42b569d4f82, 0x3feeab07dd485429, 0x3feea47eb03a5585,
    0x3feea09e667f3bcd, 0x3fee9f75e8ec5f74, 0x3feea11473eb0187, 0x3feea589994cce13,
    0x3feeace5422aa0db, 0x3feeb737b0cdc5e5, 0x3feec49182a3f090, 0x3feed503b23e255d,
    0x3feee89f995ad3ad, 0x3feeff76f2fb5e47, 0x3fef199bdd85529c, 0x3fef3720dcef9069,
    0x3fef5818dcfba487, 0x3fef7c97337b9b5f, 0x3fefa4afa2a490da, 0x3fefd0765b6e4540,
};
// 1.5 * 2^47: adding it rounds a double to a multiple of 1/32 and leaves
// 32 k in the low bits of the sum.
constexpr std::uint64_t ROUNDING_SHIFT = 0x42e8000000000000;
// The polynomial's coefficients, C0 for r^3, C1 for r^2, C2 for r.
constexpr std::uint64_t C0 = 0x3fac6af84b912394;
constexpr std::uint64_t C1 = 0x3fcebfce50fac4f3;
constexpr std::uint64_t C2 = 0x3fe62e42ff0c52d6;
// The library's own special-case test, on the top 12 bits of the float less
// the sign: |x| >= 128, NaN and infinities among them. Every float whose bits
// without the sign are at least these is one.
constexpr int SPECIAL_LOW = 0x430 << 20;

#pragma GCC push_options
#pragma GCC target("avx2,fma")

__m128 exp2OfFourFused(__m128 x) {
    const __m256d shift = _mm256_castsi256_pd(_mm256_set1_epi64x(ROUNDING_SHIFT));
    const __m256d xd = _mm256_cvtps_pd(x);
    const __m256d shifted = _mm256_add_pd(xd, shift);
    const __m256i ki = _mm256_castpd_si256(shifted);
    const __m256d r = _mm256_sub_pd(xd, _mm256_sub_pd(shifted, shift));
    const __m256i entry = _mm256_i64gather_epi64(reinterpret_cast<const long long*>(EXP2_TABLE),
                                                 _mm256_and_si256(ki, _mm256_set1_epi64x(31)), 8);
    const __m256d s = _mm256_castsi256_pd(_mm256_add_epi64(entry, _mm256_slli_epi64(ki, 47)));
    const __m256d z = _mm256_fmadd_pd(_mm256_castsi256_pd(_mm256_set1_epi64x(C0)), r,
                                      _mm256_castsi256_pd(_mm256_set1_epi64x(C1)));
    const __m256d r2 = _mm256_mul_pd(r, r);
    __m256d y = _mm256_fmadd_pd(_mm256_castsi256_pd(_mm256_set1_epi64x(C2)), r, _mm256_set1_pd(1.0));
    y = _mm256_fmadd_pd(z, r2, y);
    const __m128 result = _mm256_cvtpd_ps(_mm256_mul_pd(y, s));

    const __m128i magnitude = _mm_and_si128(_mm_castps_si128(x), _mm_set1_epi32(0x7fffffff));
    const int special = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(magnitude, _mm_set1_epi32(SPECIAL_LOW - 1))));
    return special == 0 ? result : libraryLanesOf(x, result, special);
}

#pragma GCC pop_options

using Exp2OfFourFunction = __m128 (*)(__m128);

// The library makes the same choice when it loads; so does this unit, so
// that no call on the audio thread pays for examining the processor.
Exp2OfFourFunction chooseExp2OfFour() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("fma") && __builtin_cpu_supports("avx2") ? exp2OfFourFused : exp2OfFourByLane;
}

const Exp2OfFourFunction exp2OfFourChosen = chooseExp2OfFour();

}  // namespace

__m128 exp2OfFour(__m128 x) { return exp2OfFourChosen(x); }
