// Vector constants and lane helpers for the DSP units' four-lane code.
//
// The words of the lane code, here and in the voice pass:
//   lane     one float (or double) of a vector; each lane serves one voice.
//   quarter  four consecutive voices (0-3, 4-7, 8-11, 12-15) as one vector.
//   pair     two neighbouring quarters, eight voices run together where the
//            processor has eight-lane vectors (the filter's AVX2 kernel).
//   steady   a frame in which what a source reads alike holds the same value
//            in every voice (no route writes it), so it is taken once a frame.
//   plain    the common case of a unit, without its rarer extras (a plain
//            state-variable filter type, a plain LFO chain without curves).
//   grouped  every sounding voice of a frame runs quarter by quarter with the
//            shared values (one plain filter type, nothing routed per voice).
#pragma once

#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstdint>
#include <cstring>
#include <limits>

// One value in all four lanes. The units keep these as data filled when the
// library loads rather than as constant expressions: a constant the compiler
// can see it rebuilds from a scalar at every use (a load and a shuffle), one
// it must read from memory folds into the instruction.
struct alignas(16) Lanes {
    float value[4];
};

inline Lanes allLanes(float x) { return {{x, x, x, x}}; }

inline __m128 load(const Lanes& lanes) { return _mm_load_ps(lanes.value); }

inline const Lanes SIGN_LANES = allLanes(-0.0f);
// Beyond any level a sound reaches, below infinity.
inline const Lanes HUGE_LANES = allLanes(1e30f);
inline const Lanes HALF_LANES = allLanes(0.5f);
inline const Lanes ONE_LANES = allLanes(1.0f);
inline const Lanes TWO_LANES = allLanes(2.0f);
// Added to recursions' states so that a decaying one never turns subnormal.
inline const Lanes GUARD_LANES = allLanes(1e-15f);
inline const Lanes FLOAT_MAX_LANES = allLanes(std::numeric_limits<float>::max());

// Four flags of consecutive voices as lane masks (all bits set where true).
inline __m128i laneMask(const bool* flags) {
    static_assert(sizeof(bool) == 1);
    std::uint32_t bytes;
    std::memcpy(&bytes, flags, sizeof bytes);
    __m128i x = _mm_cvtsi32_si128(static_cast<int>(bytes));
    x = _mm_unpacklo_epi8(x, x);
    x = _mm_unpacklo_epi16(x, x);
    return _mm_cmpgt_epi32(x, _mm_setzero_si128());
}

// Lane masks of the bits of a four-bit set: lane i all ones where bit i is set.
[[gnu::always_inline]] inline __m128i laneMaskOfBits(int bits) {
    const __m128i laneBits = _mm_setr_epi32(1, 2, 4, 8);
    return _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(bits), laneBits), laneBits);
}

inline __m128 select(__m128 mask, __m128 ifTrue, __m128 ifFalse) {
    return _mm_or_ps(_mm_and_ps(mask, ifTrue), _mm_andnot_ps(mask, ifFalse));
}

inline __m128d select(__m128d mask, __m128d ifTrue, __m128d ifFalse) {
    return _mm_or_pd(_mm_and_pd(mask, ifTrue), _mm_andnot_pd(mask, ifFalse));
}

// finiteOrZero()'s test lane by lane: |x| <= FLT_MAX is false for infinities and NaN.
inline __m128 finiteMask(__m128 x) { return _mm_cmple_ps(_mm_andnot_ps(load(SIGN_LANES), x), load(FLOAT_MAX_LANES)); }

// x where it is a number a sound can hold, 0 elsewhere (NaN and infinities
// among them), so that it enters a recursion as silence rather than poisoning it.
inline __m128 finiteOnly(__m128 x) { return _mm_and_ps(x, _mm_cmple_ps(_mm_andnot_ps(load(SIGN_LANES), x), load(HUGE_LANES))); }
