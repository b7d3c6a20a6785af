// The voice pan law, written once for one value and for four lanes: left
// min(2 - 2p, 1), right min(2p, 1), neither below 0. Centre (p = 0.5) leaves
// both channels at full level; each side fades only the opposite channel.
#pragma once

#include <xmmintrin.h>

namespace panlaw {

// min and max with the operand order of minps and maxps (the second operand
// answers for NaN), so that one value and four lanes agree bit for bit.
inline float minOf(float a, float b) { return a < b ? a : b; }
inline float maxOf(float a, float b) { return a > b ? a : b; }
inline __m128 minOf(__m128 a, __m128 b) { return _mm_min_ps(a, b); }
inline __m128 maxOf(__m128 a, __m128 b) { return _mm_max_ps(a, b); }

template <class V>
inline V splat(float x) {
    if constexpr (sizeof(V) == sizeof(float))
        return x;
    else
        return _mm_set1_ps(x);
}

}  // namespace panlaw

// Gains of the left and right channel for pan position p (0 left, 1 right);
// V is float or __m128.
template <class V>
inline void panGains(V pan, V& left, V& right) {
    using namespace panlaw;
    const V one = splat<V>(1.0f), two = splat<V>(2.0f), zero = splat<V>(0.0f);
    const V twicePan = two * pan;
    left = maxOf(minOf(one, two - twicePan), zero);
    right = maxOf(minOf(one, twicePan), zero);
}
