// Small numeric helpers of the modulation engine.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/dsp/FastMath.h"  // TCachedExp2

// |base|^exponent kept with the bits of its two inputs: a held or settled
// modulator feeds the same values frame after frame, and the power costs far
// more than two compares.
struct TCachedPower {
    bool valid = false;
    std::uint32_t baseBits = 0, exponentBits = 0;
    float value = 0;
    float operator()(float base, float exponent) {
        const auto newBase = std::bit_cast<std::uint32_t>(base);
        const auto newExponent = std::bit_cast<std::uint32_t>(exponent);
        if (!valid || newBase != baseBits || newExponent != exponentBits) {
            valid = true;
            baseBits = newBase;
            exponentBits = newExponent;
            value = std::pow(std::fabs(base), exponent);
        }
        return value;
    }
};

// Clamp that also takes NaN to the lower bound, so a bad value can never
// travel on into an index or a divisor.
inline float clampFinite(float x, float lo, float hi) {
    if (!(x >= lo)) return lo;
    return x > hi ? hi : x;
}
inline double clampFinite(double x, double lo, double hi) {
    if (!(x >= lo)) return lo;
    return x > hi ? hi : x;
}

// The engine's linear congruential generator (seed = seed * 16807 + 1, 32-bit
// wrap-around; the value is read from the product before the + 1), one per
// use, so the audio thread never touches the C library's shared generator.
struct TModRandom {
    std::uint32_t seed = 1;
    float uniform() {
        seed *= 16807u;
        const float u = (static_cast<float>(static_cast<std::int32_t>(seed)) * 4.656613e-10f + 1.0f) * 0.5f;
        seed += 1u;
        return u;
    }
};

// Sixteen per-voice flags (bytes 0 or 1) as a mask, bit v for voice v.
inline std::uint32_t voiceFlagMask(const std::array<bool, 16>& flags) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(flags.data()));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(bytes, _mm_setzero_si128())));
}

// The voices whose frame count has none of the step bits set: those whose
// control step falls in this frame.
inline std::uint32_t controlStepMask(const std::array<std::uint32_t, 16>& frameCounts, std::uint32_t stepBits) {
    const __m128i bits = _mm_set1_epi32(static_cast<int>(stepBits));
    const __m128i zero = _mm_setzero_si128();
    __m128i due[4];
    for (int i = 0; i < 4; ++i) {
        const auto* counts = reinterpret_cast<const __m128i*>(&frameCounts[static_cast<std::size_t>(4 * i)]);
        due[i] = _mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(counts), bits), zero);
    }
    const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(due[0], due[1]), _mm_packs_epi32(due[2], due[3]));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(bytes));
}
