// The engine's random seed and the per-voice pink-noise generator.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "engine/dsp/VectorLanes.h"

// The engine's 32-bit linear congruential generator: one step multiplies the
// seed by 16807 with wrap-around, the product read as signed gives the value,
// and the seed becomes product + 1. Plain state, used on one thread at a time:
// every engine holds its own seeds, none is shared between instances.
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

    // The same draws as doPinkNoisePair, for a frame whose values nobody
    // reads: the seed and the counter advance alike, but the rows and the sum
    // are brought up to date only when something reads them (the next
    // doPinkNoisePair or doPinkNoise of the voice, resetRow4, row), by
    // replaying the frame from the seed it started with.
    void skipPinkNoisePair(int voice, uint32_t& randSeed);

    // n steps of the seed taken in one: s x multiplier + increment.
    struct TSeedJump {
        uint32_t multiplier;
        uint32_t increment;
        uint32_t operator()(uint32_t seedValue) const { return seedValue * multiplier + increment; }
    };

    // skipPinkNoisePair for the voices of first..first + 3 whose bit is set
    // in onBits (bit i: voice first + i), in voice order, each after `before`
    // moved the seed on (the draws its frame takes ahead of the pink ones).
    // Taken only when none of them reaches a whole refresh in this frame:
    // returns false and changes nothing otherwise.
    template <TSeedJump BEFORE>
    bool skipPinkNoisePairsOfFour(int first, int onBits, uint32_t& seedValue);

    // Note start: row 4 of the voice restarts at 0. The running sum drops the
    // old row value with it, so the output stays within -1..1.
    void resetRow4(int voice);

    // Back to the state of a new plug-in: every row, sum and counter zero.
    void reset();

    // The row as it stands after every frame drawn so far. Replays skipped
    // frames into a copy, so a reader changes nothing.
    float row(int voice, int rowIndex) const;
    uint32_t counter(int voice) const { return pinkCounter[voice]; }

    // A voice skips at most the frames between two whole refreshes (every
    // 128 frames), which skipPinkNoisePair takes at once.
    static constexpr int MAX_SKIPPED_FRAMES = 128;

private:
    // The rows and sum after the skipped frames of the voice.
    void catchUp(int voice);
    // The voice's skipped frames replayed onto the given rows and sum.
    void replaySkipped(int voice, float* rows, float& sum) const;
    // One frame's refresh (not a whole one) on rows and sum, counter c before it.
    static void refreshFrame(float* rows, float& sum, uint32_t c, uint32_t randSeed);

    alignas(16) uint32_t pinkCounter[PINK_NOISE_VOICES] = {};
    float pinkRows[PINK_NOISE_VOICES][PINK_NOISE_ROWS] = {};
    float pinkSum[PINK_NOISE_VOICES] = {};
    // Frames skipped since the rows were last brought up to date: how many,
    // and the seed each one started with. Only they moved the counter since,
    // two a frame, so the first one's counter is the counter less two each.
    alignas(16) int32_t skippedFrames[PINK_NOISE_VOICES] = {};
    // Voice v's at v x MAX_SKIPPED_FRAMES onwards.
    uint32_t skippedSeeds[PINK_NOISE_VOICES * MAX_SKIPPED_FRAMES] = {};
};

namespace pinknoise {
// A row value uniform in 0..0.25, so that seven rows and the extra term sum to 0..2.
// Written as a x (k / 8) + 1/8 rather than ((a x k + 1) x 0.5) x 0.25: scaling
// by 1/8 is exact here (no value comes near the subnormal range) and commutes
// with rounding, so the two agree to the bit for every 32-bit product a.
inline float randomRowValue(uint32_t& randSeed) {
    constexpr float scale = 4.656613e-10f * 0.125f;
    const uint32_t product = randSeed * 16807u;
    randSeed = product + 1u;
    return static_cast<float>(static_cast<int32_t>(product)) * scale + 0.125f;
}

// Every row drawn afresh, and the sum of them and an extra term: every 256
// calls, which removes the rounding drift of the running sum.
inline float redrawAllRows(float* rows, uint32_t& randSeed) {
    float sum = 0.0f;
    for (int r = 0; r < PINK_NOISE_ROWS; ++r) {
        rows[r] = randomRowValue(randSeed);
        sum += rows[r];
    }
    const float extra = randomRowValue(randSeed);
    return extra + sum;
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

// The seed after n steps, n = rowsToRefresh of an even count, taken in one:
// n steps of s -> s x 16807 + 1 are s x 16807^n + (16807^(n-1) + ... + 1),
// wrapping alike. Looked up like REFRESH_ROWS.
// One affine seed jump s -> s x multiplier + increment per entry.
struct TSeedJumps {
    uint32_t multiplier[32];
    uint32_t increment[32];
};

inline constexpr TSeedJumps REFRESH_SEED_JUMP = [] {
    TSeedJumps table{};
    for (uint32_t i = 0; i < 32; ++i) {
        uint32_t multiplier = 1u;
        uint32_t increment = 0u;
        for (int step = 0; step < rowsToRefresh(2 * i); ++step) {
            multiplier *= 16807u;
            increment = increment * 16807u + 1u;
        }
        table.multiplier[i] = multiplier;
        table.increment[i] = increment;
    }
    return table;
}();

// REFRESH_SEED_JUMP followed by the jump (multiplier, increment), entry by
// entry, taken in one: (s m1 + i1) m2 + i2 = s (m1 m2) + (i1 m2 + i2), wrapping alike.
template <uint32_t MULTIPLIER, uint32_t INCREMENT>
inline constexpr TSeedJumps REFRESH_SEED_JUMP_THEN = [] {
    TSeedJumps table{};
    for (uint32_t i = 0; i < 32; ++i) {
        table.multiplier[i] = REFRESH_SEED_JUMP.multiplier[i] * MULTIPLIER;
        table.increment[i] = REFRESH_SEED_JUMP.increment[i] * MULTIPLIER + INCREMENT;
    }
    return table;
}();
}  // namespace pinknoise

// Defined here so the sources, which draw two values per voice and frame,
// can inline it.
inline float TPinkNoise::doPinkNoise(int voice, TRandSeed& seed) {
    if (voice < 0 || voice >= PINK_NOISE_VOICES) return 0.0f;
    catchUp(voice);
    const uint32_t c = ++pinkCounter[voice];
    float* rows = pinkRows[voice];
    if ((c & 1u) == 0u) {
        if ((c & 0xFFu) == 0u) {
            pinkSum[voice] = pinknoise::redrawAllRows(rows, seed.RandSeed);
        } else {
            const int count = pinknoise::rowsToRefresh(c);
            for (int r = 0; r < count; ++r) {
                const float fresh = pinknoise::randomRowValue(seed.RandSeed);
                pinkSum[voice] = pinkSum[voice] - rows[r] + fresh;
                rows[r] = fresh;
            }
        }
    }
    return pinkSum[voice] - 1.0f;
}

inline TPinkNoise::TPair TPinkNoise::doPinkNoisePair(int voice, uint32_t& seedValue) {
    if (skippedFrames[voice] != 0) [[unlikely]]
        catchUp(voice);
    const uint32_t c = pinkCounter[voice];
    pinkCounter[voice] = c + 2u;
    const uint32_t refreshCount = (c | 1u) + 1u;  // the even one of c + 1 and c + 2
    float* rows = pinkRows[voice];
    const float before = pinkSum[voice];
    float sum = before;
    // The seed in a register for the draws: nothing else touches it meanwhile.
    uint32_t randSeed = seedValue;
    if ((refreshCount & 0xFFu) == 0u) {
        sum = pinknoise::redrawAllRows(rows, randSeed);
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

inline void TPinkNoise::skipPinkNoisePair(int voice, uint32_t& seedValue) {
    const uint32_t c = pinkCounter[voice];
    const uint32_t refreshCount = (c | 1u) + 1u;
    if ((refreshCount & 0xFFu) == 0u) [[unlikely]] {
        // A whole refresh rewrites every row and the sum from its own draws
        // alone: the skipped frames before it no longer matter.
        skippedFrames[voice] = 0;
        doPinkNoisePair(voice, seedValue);
        return;
    }
    pinkCounter[voice] = c + 2u;
    // Never more than 127: the 128th frame after a whole refresh is the next one.
    int& skipped = skippedFrames[voice];
    skippedSeeds[voice * MAX_SKIPPED_FRAMES + skipped] = seedValue;
    ++skipped;
    const uint32_t entry = (refreshCount >> 1) & 31u;
    seedValue = seedValue * pinknoise::REFRESH_SEED_JUMP.multiplier[entry] + pinknoise::REFRESH_SEED_JUMP.increment[entry];
}

template <TPinkNoise::TSeedJump BEFORE>
inline bool TPinkNoise::skipPinkNoisePairsOfFour(int first, int onBits, uint32_t& seedValue) {
    // The counters of the four voices side by side, one per lane.
    const __m128i on = laneMaskOfBits(onBits);
    __m128i* const counters = reinterpret_cast<__m128i*>(&pinkCounter[first]);
    const __m128i c = _mm_loadu_si128(counters);
    const __m128i one = _mm_set1_epi32(1);
    const __m128i refreshCount = _mm_add_epi32(_mm_or_si128(c, one), one);
    const __m128i whole = _mm_cmpeq_epi32(_mm_and_si128(refreshCount, _mm_set1_epi32(0xFF)), _mm_setzero_si128());
    if ((_mm_movemask_ps(_mm_castsi128_ps(whole)) & onBits) != 0) return false;
    _mm_storeu_si128(counters, _mm_add_epi32(c, _mm_and_si128(on, _mm_set1_epi32(2))));
    __m128i* const skippedCounts = reinterpret_cast<__m128i*>(&skippedFrames[first]);
    const __m128i skipped = _mm_loadu_si128(skippedCounts);
    _mm_storeu_si128(skippedCounts, _mm_sub_epi32(skipped, on));
    // Where each voice's seed goes, and its refresh's entry in the jump table.
    alignas(16) uint32_t slot[4];
    alignas(16) uint32_t entry[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(slot),
                    _mm_add_epi32(skipped, _mm_setr_epi32(0, MAX_SKIPPED_FRAMES, 2 * MAX_SKIPPED_FRAMES,
                                                          3 * MAX_SKIPPED_FRAMES)));
    _mm_store_si128(reinterpret_cast<__m128i*>(entry),
                    _mm_and_si128(_mm_srli_epi32(refreshCount, 1), _mm_set1_epi32(31)));
    uint32_t* const seeds = &skippedSeeds[first * MAX_SKIPPED_FRAMES];
    uint32_t randSeed = seedValue;
    const auto skip = [&](int i) {
        randSeed = BEFORE(randSeed);
        seeds[slot[i]] = randSeed;
        randSeed = randSeed * pinknoise::REFRESH_SEED_JUMP.multiplier[entry[i]] +
                   pinknoise::REFRESH_SEED_JUMP.increment[entry[i]];
    };
    if (onBits == 0xF) {
        // A voice's refresh and the next voice's draws before its own are one jump.
        constexpr auto& then = pinknoise::REFRESH_SEED_JUMP_THEN<BEFORE.multiplier, BEFORE.increment>;
        randSeed = BEFORE(randSeed);
        seeds[slot[0]] = randSeed;
        for (int i = 1; i < 4; ++i) {
            randSeed = randSeed * then.multiplier[entry[i - 1]] + then.increment[entry[i - 1]];
            seeds[slot[i]] = randSeed;
        }
        randSeed = randSeed * pinknoise::REFRESH_SEED_JUMP.multiplier[entry[3]] +
                   pinknoise::REFRESH_SEED_JUMP.increment[entry[3]];
    } else {
        for (int i = 0; i < 4; ++i)
            if (onBits & (1 << i)) skip(i);
    }
    seedValue = randSeed;
    return true;
}
