// The voice pan law, written once for one value and for four lanes: left
// min(2 - 2p, 1), right min(2p, 1), neither below 0. Centre (p = 0.5) leaves
// both channels at full level; each side fades only the opposite channel.
#pragma once

#include <xmmintrin.h>

#include "engine/dsp/VectorLanes.h"

namespace panlaw {

// min and max with the operand order of minps and maxps (the second operand
// answers for NaN), so that one value and four lanes agree bit for bit.
inline float minOf(float a, float b) { return a < b ? a : b; }
inline float maxOf(float a, float b) { return a > b ? a : b; }
inline __m128 minOf(__m128 a, __m128 b) { return _mm_min_ps(a, b); }
inline __m128 maxOf(__m128 a, __m128 b) { return _mm_max_ps(a, b); }

// The law itself; V is float or __m128, the constants come in its own form.
template <class V>
inline void gains(V pan, V one, V two, V zero, V& left, V& right) {
    const V twicePan = two * pan;
    left = maxOf(minOf(one, two - twicePan), zero);
    right = maxOf(minOf(one, twicePan), zero);
}

}  // namespace panlaw

// Gains of the left and right channel for pan position p (0 left, 1 right).
inline void panGains(float pan, float& left, float& right) { panlaw::gains(pan, 1.0f, 2.0f, 0.0f, left, right); }
// The same for four voices, lane by lane.
inline void panGains(__m128 pan, __m128& left, __m128& right) {
    panlaw::gains(pan, load(ONE_LANES), load(TWO_LANES), _mm_setzero_ps(), left, right);
}
