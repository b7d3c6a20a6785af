// The engine's random seed and the per-voice pink-noise generator.
#pragma once

#include <cstdint>

// The engine's 32-bit linear congruential generator: one step multiplies the
// seed by 16807 with wrap-around, the product read as signed gives the value,
// and the seed becomes product + 1. Plain state, used on one thread at a time.
struct TRandSeed {
    uint32_t RandSeed = 1;

    // One step: the product, read as a signed 32-bit integer.
    int32_t step() { return step(RandSeed); }
    // The same step on a seed value held elsewhere.
    static int32_t step(uint32_t& seedValue) {
        const uint32_t product = seedValue * 16807u;
        seedValue = product + 1u;
        return static_cast<int32_t>(product);
    }
    // One step as a uniform value in 0..1.
    float uniform() { return (static_cast<float>(step()) * 4.656613e-10f + 1.0f) * 0.5f; }
    // One step as a bipolar value in -1..1.
    float bipolar() { return 2.0f * uniform() - 1.0f; }

    // The seed for a new plug-in instance: 1 for the first instance in the
    // process, a different start for every further one, so that two instances
    // playing the same noise program do not play the same noise. Thread-safe.
    static TRandSeed forNewInstance();
};

constexpr int PINK_NOISE_VOICES = 16;
constexpr int PINK_NOISE_ROWS = 7;

// Voss row-refresh pink noise: seven random rows per voice, row r refreshed
// about every 2^(r+1) calls, plus a slow extra term renewed every 256 calls.
// The sum of rows with such halving refresh rates falls about 3 dB per octave.
class TPinkNoise {
public:
    // One sample in -1..1 for voice 0..15; another index gives 0. Audio thread
    // (and start-up, which fills the pink-noise table from voice 0).
    float doPinkNoise(int voice, TRandSeed& seed);

    // Two calls of doPinkNoise for a valid voice (0..15) in one, on the
    // seed's value held by the caller: a voice frame takes one value per
    // sub-sample. Of two consecutive counts exactly one is even, so exactly
    // one refresh happens.
    struct TPair {
        float sumBefore;
        float sumAfter;
        bool firstRefreshes;
        float first() const { return (firstRefreshes ? sumAfter : sumBefore) - 1.0f; }
        float second() const { return sumAfter - 1.0f; }
    };
    TPair doPinkNoisePair(int voice, uint32_t& randSeed);

    // Note start: row 4 of the voice restarts at 0. The running sum drops the
    // old row value with it, so the output stays within -1..1.
    void resetRow4(int voice);

    // Back to the state of a new plug-in: every row, sum and counter zero.
    void reset();

    float row(int voice, int rowIndex) const { return pinkRows[voice][rowIndex]; }
    uint32_t counter(int voice) const { return pinkCounter[voice]; }

private:
    uint32_t pinkCounter[PINK_NOISE_VOICES] = {};
    float pinkRows[PINK_NOISE_VOICES][PINK_NOISE_ROWS] = {};
    float pinkSum[PINK_NOISE_VOICES] = {};
};

namespace pinknoise {
// A row value uniform in 0..0.25, so that seven rows and the extra term sum to 0..2.
inline float randomRowValue(TRandSeed& seed) {
    return (static_cast<float>(seed.step()) * 4.656613e-10f + 1.0f) * 0.5f * 0.25f;
}

// The same value from a seed kept in a register. Scaling by 1/8 is exact
// here (no value comes near the subnormal range) and commutes with rounding,
// so ((a x k + 1) x 0.5) x 0.25 is a x (k / 8) + 1/8 to the bit, for every
// 32-bit product a.
inline float randomRowValue(uint32_t& randSeed) {
    constexpr float scale = 4.656613e-10f * 0.125f;
    const uint32_t product = randSeed * 16807u;
    randSeed = product + 1u;
    return static_cast<float>(static_cast<int32_t>(product)) * scale + 0.125f;
}

// How many rows (from row 0 up) a call with the even count c refreshes. The
// 0x2F mask is deliberate: it makes the refresh pattern over 64 calls uneven,
// which is part of the generator's colour.
constexpr int rowsToRefresh(uint32_t c) {
    if ((c & 0x3F) == 0) return 7;
    if ((c & 0x2F) == 0) return 6;
    if ((c & 0x1F) == 0) return 5;
    if ((c & 0x0F) == 0) return 4;
    if ((c & 0x07) == 0) return 3;
    if ((c & 0x03) == 0) return 2;
    return 1;
}

// rowsToRefresh of the even count c, looked up by bits 1..5 of c (the only
// bits its masks test).
inline constexpr auto REFRESH_ROWS = [] {
    struct {
        uint8_t rows[32];
    } table{};
    for (uint32_t i = 0; i < 32; ++i) table.rows[i] = static_cast<uint8_t>(rowsToRefresh(2 * i));
    return table;
}();
}  // namespace pinknoise

// Defined here so the sources, which draw two values per voice and frame,
// can inline it.
inline float TPinkNoise::doPinkNoise(int voice, TRandSeed& seed) {
    if (voice < 0 || voice >= PINK_NOISE_VOICES) return 0.0f;
    const uint32_t c = ++pinkCounter[voice];
    float* rows = pinkRows[voice];
    if ((c & 1u) == 0u) {
        if ((c & 0xFFu) == 0u) {
            // Recomputing from scratch every 256 calls removes rounding drift of the running sum.
            float sum = 0.0f;
            for (int r = 0; r < PINK_NOISE_ROWS; ++r) {
                rows[r] = pinknoise::randomRowValue(seed);
                sum += rows[r];
            }
            const float extra = pinknoise::randomRowValue(seed);
            pinkSum[voice] = extra + sum;
        } else {
            const int count = pinknoise::rowsToRefresh(c);
            for (int r = 0; r < count; ++r) {
                const float fresh = pinknoise::randomRowValue(seed);
                pinkSum[voice] = pinkSum[voice] - rows[r] + fresh;
                rows[r] = fresh;
            }
        }
    }
    return pinkSum[voice] - 1.0f;
}

inline TPinkNoise::TPair TPinkNoise::doPinkNoisePair(int voice, uint32_t& seedValue) {
    const uint32_t c = pinkCounter[voice];
    pinkCounter[voice] = c + 2u;
    const uint32_t refreshCount = (c | 1u) + 1u;  // the even one of c + 1 and c + 2
    float* rows = pinkRows[voice];
    const float before = pinkSum[voice];
    float sum = before;
    // The seed in a register for the draws: nothing else touches it meanwhile.
    uint32_t randSeed = seedValue;
    if ((refreshCount & 0xFFu) == 0u) {
        float rowSum = 0.0f;
        for (int r = 0; r < PINK_NOISE_ROWS; ++r) {
            rows[r] = pinknoise::randomRowValue(randSeed);
            rowSum += rows[r];
        }
        const float extra = pinknoise::randomRowValue(randSeed);
        sum = extra + rowSum;
    } else {
        const int count = pinknoise::REFRESH_ROWS.rows[(refreshCount >> 1) & 31u];
        auto refresh = [&](int r) {
            const float fresh = pinknoise::randomRowValue(randSeed);
            sum = sum - rows[r] + fresh;
            rows[r] = fresh;
        };
        // Row 0 every time, row 1 every other time, and so on: written out,
        // since half of all refreshes stop after row 0.
        refresh(0);
        if (count > 1) {
            refresh(1);
            if (count > 2) {
                refresh(2);
                if (count > 3) {
                    for (int r = 3; r < count; ++r) refresh(r);
                }
            }
        }
    }
    seedValue = randSeed;
    pinkSum[voice] = sum;
    // An odd c means the first call was the refreshing one.
    return {before, sum, (c & 1u) != 0u};
}
