// Small per-sample helpers shared by the engine and its DSP units.
#pragma once

#include <cmath>

// A non-finite value that reaches the audio path is read as silence, so one
// bad input cannot poison a recursive state for good.
inline float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }

inline float sign(float x) { return x > 0.0f ? 1.0f : (x < 0.0f ? -1.0f : 0.0f); }

inline bool isSubnormal(float x) { return std::fpclassify(x) == FP_SUBNORMAL; }
