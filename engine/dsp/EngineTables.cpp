#include "engine/dsp/EngineTables.h"

#include <cmath>
#include <mutex>

namespace {

// The white-noise generator of start-up: its seed lives as long as the
// process, so every instance continues the sequence where the last one left
// it. The lock keeps one instance's 65,536 draws together when two instances
// start at once; it is only taken at start-up.
std::mutex whiteNoiseLock;
uint32_t whiteNoiseSeed = 1;

}  // namespace

void buildUnipolarSine(TEngineTables& tables) {
    // 65535.98828125 rather than 65536: the last entry stops just short of a full cycle.
    constexpr float kTwoPi = 6.283185f;
    constexpr float kCycle = 65535.98828125f;
    for (int i = 0; i < ENGINE_TABLE_SIZE; ++i) {
        tables.unipolarSine[i] = 0.5f * std::sin(kTwoPi * static_cast<float>(i) / kCycle) + 0.5f;
    }
}

void buildPinkNoiseTable(TEngineTables& tables, TPinkNoise& pinkNoise, TRandSeed& seed) {
    for (int i = 0; i < ENGINE_TABLE_SIZE; ++i) {
        tables.pinkNoiseTable[i] = pinkNoise.doPinkNoise(0, seed);
    }
}

void buildWhiteNoiseTable(TEngineTables& tables) {
    std::lock_guard<std::mutex> hold(whiteNoiseLock);
    for (int i = 0; i < ENGINE_TABLE_SIZE; ++i) {
        const uint32_t product = whiteNoiseSeed * 16807u;
        whiteNoiseSeed = product + 1u;
        const float value = static_cast<float>(static_cast<int32_t>(product)) * 4.656613e-10f;
        tables.whiteNoiseTable[i] = ((value + 1.0f) * 0.5f) * 2.0f - 1.0f;
    }
}

void buildLfoWaveTables(TEngineTables& tables) {
    constexpr float kTwoPi = 6.283185f;
    for (int i = 0; i < ENGINE_TABLE_SIZE; ++i) {
        const float x = static_cast<float>(i) / 65536.0f;
        const float triangle = 1.0f - std::fabs(2.0f - 4.0f * x);
        const float saw = 2.0f * x - 1.0f;
        const float sine = std::sin(kTwoPi * x);
        const float square = x < 0.5f ? -1.0f : 1.0f;
        tables.lfoWaveTables[LFO_TRIANGLE_UP][i] = triangle;
        tables.lfoWaveTables[LFO_TRIANGLE_DOWN][i] = -triangle;
        tables.lfoWaveTables[LFO_SAW_UP][i] = saw;
        tables.lfoWaveTables[LFO_SAW_DOWN][i] = -saw;
        tables.lfoWaveTables[LFO_SINE_UP][i] = sine;
        tables.lfoWaveTables[LFO_SINE_DOWN][i] = -sine;
        tables.lfoWaveTables[LFO_SQUARE_UP][i] = square;
        tables.lfoWaveTables[LFO_SQUARE_DOWN][i] = -square;
        // Never read; kept silent so a stray read is harmless.
        tables.lfoWaveTables[LFO_SAMPLE_AND_HOLD][i] = 0.0f;
    }
}

void buildTunedNoiseGain(TEngineTables& tables) {
    // A narrow band-pass passes little energy; the gain rises steeply as the
    // band narrows (x -> 1) to keep tuned noise at a usable level.
    for (int i = 0; i < ENGINE_TABLE_SIZE; ++i) {
        const float x = static_cast<float>(i) / 65536.0f;
        const float d = 1.0f - 0.666f * x;
        tables.tunedNoiseGain[i] = 3.0f / (d * d * d);
    }
}

void buildEngineTables(TEngineTables& tables, TPinkNoise& pinkNoise, TRandSeed& seed) {
    buildUnipolarSine(tables);
    buildPinkNoiseTable(tables, pinkNoise, seed);
    buildWhiteNoiseTable(tables);
    buildLfoWaveTables(tables);
    buildTunedNoiseGain(tables);
}
