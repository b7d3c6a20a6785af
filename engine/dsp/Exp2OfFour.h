// 2^x of four floats at once, equal lane for lane to std::exp2(float).
#pragma once

#include <xmmintrin.h>

// Lane i of the result is std::exp2(lane i of x), bit for bit, including the
// library's special cases (NaN, infinities, overflow and underflow).
// Callable from any thread once the library has loaded (the processor is
// examined then), so not from another unit's static initialisers.
__m128 exp2OfFour(__m128 x);
