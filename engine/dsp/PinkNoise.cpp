#include "engine/dsp/PinkNoise.h"

#include <atomic>

namespace {

std::atomic<uint32_t> instancesSeeded{0};

}  // namespace

TRandSeed TRandSeed::forNewInstance() {
    const uint32_t instance = instancesSeeded.fetch_add(1, std::memory_order_relaxed);
    TRandSeed seed;
    // Odd multiples of the golden-ratio constant give starts far apart in the
    // generator's sequence; instance 0 keeps the documented start of 1.
    seed.RandSeed = 1u + instance * 0x9E3779B9u;
    return seed;
}

void TPinkNoise::resetRow4(int voice) {
    if (voice < 0 || voice >= PINK_NOISE_VOICES) return;
    pinkSum[voice] -= pinkRows[voice][4];
    pinkRows[voice][4] = 0.0f;
}

void TPinkNoise::reset() {
    *this = TPinkNoise{};
}
