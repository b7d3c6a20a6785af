#include "engine/dsp/PinkNoise.h"

#include <atomic>

namespace {

// A row value uniform in 0..0.25, so that seven rows and the extra term sum to 0..2.
float randomRowValue(TRandSeed& seed) {
    return (static_cast<float>(seed.step()) * 4.656613e-10f + 1.0f) * 0.5f * 0.25f;
}

// How many rows (from row 0 up) a call with the even count c refreshes. The
// 0x2F mask is deliberate: it makes the refresh pattern over 64 calls uneven,
// which is part of the generator's colour.
int rowsToRefresh(uint32_t c) {
    if ((c & 0x3F) == 0) return 7;
    if ((c & 0x2F) == 0) return 6;
    if ((c & 0x1F) == 0) return 5;
    if ((c & 0x0F) == 0) return 4;
    if ((c & 0x07) == 0) return 3;
    if ((c & 0x03) == 0) return 2;
    return 1;
}

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

float TPinkNoise::doPinkNoise(int voice, TRandSeed& seed) {
    if (voice < 0 || voice >= PINK_NOISE_VOICES) return 0.0f;
    const uint32_t c = ++pinkCounter[voice];
    float* rows = pinkRows[voice];
    if ((c & 1u) == 0u) {
        if ((c & 0xFFu) == 0u) {
            // Recomputing from scratch every 256 calls removes rounding drift of the running sum.
            float sum = 0.0f;
            for (int r = 0; r < PINK_NOISE_ROWS; ++r) {
                rows[r] = randomRowValue(seed);
                sum += rows[r];
            }
            const float extra = randomRowValue(seed);
            pinkSum[voice] = extra + sum;
        } else {
            const int count = rowsToRefresh(c);
            for (int r = 0; r < count; ++r) {
                const float fresh = randomRowValue(seed);
                pinkSum[voice] = pinkSum[voice] - rows[r] + fresh;
                rows[r] = fresh;
            }
        }
    }
    return pinkSum[voice] - 1.0f;
}

void TPinkNoise::resetRow4(int voice) {
    if (voice < 0 || voice >= PINK_NOISE_VOICES) return;
    pinkSum[voice] -= pinkRows[voice][4];
    pinkRows[voice][4] = 0.0f;
}

void TPinkNoise::reset() {
    *this = TPinkNoise{};
}
