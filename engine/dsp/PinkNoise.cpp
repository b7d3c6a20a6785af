#include "engine/dsp/PinkNoise.h"

void TPinkNoise::refreshFrame(float* rows, float& sum, uint32_t c, uint32_t randSeed) {
    // The refreshing part of doPinkNoisePair, draw for draw.
    const uint32_t refreshCount = (c | 1u) + 1u;
    const int count = pinknoise::REFRESH_ROWS.rows[(refreshCount >> 1) & 31u];
    for (int r = 0; r < count; ++r) {
        const float fresh = pinknoise::randomRowValue(randSeed);
        sum = sum - rows[r] + fresh;
        rows[r] = fresh;
    }
}

void TPinkNoise::replaySkipped(int voice, float* rows, float& sum) const {
    uint32_t c = pinkCounter[voice] - 2u * static_cast<uint32_t>(skippedFrames[voice]);
    for (int frame = 0; frame < skippedFrames[voice]; ++frame, c += 2u)
        refreshFrame(rows, sum, c, skippedSeeds[voice * MAX_SKIPPED_FRAMES + frame]);
}

void TPinkNoise::catchUp(int voice) {
    replaySkipped(voice, pinkRows[voice], pinkSum[voice]);
    skippedFrames[voice] = 0;
}

float TPinkNoise::row(int voice, int rowIndex) const {
    float rows[PINK_NOISE_ROWS];
    float sum = pinkSum[voice];
    for (int r = 0; r < PINK_NOISE_ROWS; ++r) rows[r] = pinkRows[voice][r];
    replaySkipped(voice, rows, sum);
    return rows[rowIndex];
}

void TPinkNoise::resetRow4(int voice) {
    if (voice < 0 || voice >= PINK_NOISE_VOICES) return;
    catchUp(voice);
    pinkSum[voice] -= pinkRows[voice][4];
    pinkRows[voice][4] = 0.0f;
}

void TPinkNoise::reset() {
    *this = TPinkNoise{};
}
