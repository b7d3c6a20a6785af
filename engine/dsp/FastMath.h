// Exact replacements for library calls on the per-frame paths, where the
// target's baseline instruction set has no rounding instruction and the
// library call costs more than the arithmetic around it. Each returns what
// the library function returns, bit for bit.
#pragma once

#include <cmath>
#include <limits>

// floor(x): through the integer conversion where it is exact (|x| < 2^23,
// where every float with a fraction lives), the library elsewhere (NaN,
// infinities, huge values). copysign keeps floor(-0) at -0.
inline float exactFloor(float x) {
    if (std::fabs(x) < 8388608.0f) {
        float whole = static_cast<float>(static_cast<int>(x));
        if (whole > x) whole -= 1.0f;
        return std::copysign(whole, x);
    }
    return std::floor(x);
}

// 2^x recomputed only when its argument changes: the arguments hold still for
// long stretches, and the exponential costs more than a compare. T is the
// precision it is taken in (float: the float library call; double: the double
// one, for results that must match a double computation). The first call
// always computes: the argument starts as NaN, which never equals anything.
template <typename T>
struct TCachedExp2Of {
    float argument = std::numeric_limits<float>::quiet_NaN();
    T value = 1;
    T operator()(float x) {
        if (x != argument) {
            argument = x;
            value = std::exp2(static_cast<T>(x));
        }
        return value;
    }
};
using TCachedExp2f = TCachedExp2Of<float>;
using TCachedExp2 = TCachedExp2Of<double>;
