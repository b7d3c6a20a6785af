// Vector constants for the DSP units' four-lane code.
#pragma once

#include <xmmintrin.h>

// One value in all four lanes. The units keep these as data filled when the
// library loads rather than as constant expressions: a constant the compiler
// can see it rebuilds from a scalar at every use (a load and a shuffle), one
// it must read from memory folds into the instruction.
struct alignas(16) Lanes {
    float value[4];
};

inline Lanes allLanes(float x) { return {{x, x, x, x}}; }

inline __m128 load(const Lanes& lanes) { return _mm_load_ps(lanes.value); }
