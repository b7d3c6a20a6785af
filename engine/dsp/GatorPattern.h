// The Gator's 16-step on/off pattern as one parameter value ("Mod FX 4" left,
// "Mod FX 5" right): bit k of the mask is step k + 1. Written once here so that
// what the editor shows and edits is what the effect plays: a value a host
// wrote (anything in 0..1, not only the middles of the mask slots) reads the
// same everywhere.
#pragma once

#include <cstdint>

namespace gator {

constexpr int PATTERN_STEPS = 16;
constexpr std::uint32_t FULL_PATTERN = 0xFFFF;

// The mask a value holds: value x 65535.9 in single precision, truncated.
// Outside 0..1 reads as the nearer end, as the effect clamps; NaN reads as 0,
// the empty pattern.
inline std::uint32_t patternMask(float value) {
    const float unit = value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f;
    return static_cast<std::uint32_t>(unit * 65535.9f) & FULL_PATTERN;
}

// A mask stored in the middle of its 1/65536 slot, so that reading it back is
// exact whatever the rounding.
inline float patternValue(std::uint32_t mask) { return (static_cast<float>(mask & FULL_PATTERN) + 0.5f) / 65536.0f; }

}  // namespace gator
