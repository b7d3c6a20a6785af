// Lookup tables that each plug-in instance owns: LFO shapes, noise tables and
// two auxiliary curves. Held by value in the plug-in object (about 3.4 MB).
#pragma once

#include <cstdint>

#include "engine/dsp/PinkNoise.h"

constexpr int ENGINE_TABLE_SIZE = 65536;
constexpr int LFO_WAVE_ROWS = 9;

// Rows of lfoWaveTables in the order of the LFO wave names. The last row,
// sample and hold, is never read: its users draw their own random values.
enum LfoWaveRow {
    LFO_TRIANGLE_UP,
    LFO_TRIANGLE_DOWN,
    LFO_SAW_UP,
    LFO_SAW_DOWN,
    LFO_SINE_UP,
    LFO_SINE_DOWN,
    LFO_SQUARE_UP,
    LFO_SQUARE_DOWN,
    LFO_SAMPLE_AND_HOLD,
};

struct TEngineTables {
    float lfoWaveTables[LFO_WAVE_ROWS][ENGINE_TABLE_SIZE];
    float tunedNoiseGain[ENGINE_TABLE_SIZE];
    float unipolarSine[ENGINE_TABLE_SIZE];
    float pinkNoiseTable[ENGINE_TABLE_SIZE];
    float whiteNoiseTable[ENGINE_TABLE_SIZE];
};

// Fills every table of one instance at start-up, before audio runs. The pink
// table takes 65,536 outputs of voice 0 of `pinkNoise`, which advances that
// voice and `seed`. The white table continues a generator that lives as long
// as the process, so each instance gets a different white table; two
// instances may build at the same time.
void buildEngineTables(TEngineTables& tables, TPinkNoise& pinkNoise, TRandSeed& seed);

// The parts on their own, in the order start-up needs them.
void buildUnipolarSine(TEngineTables& tables);
void buildPinkNoiseTable(TEngineTables& tables, TPinkNoise& pinkNoise, TRandSeed& seed);
void buildWhiteNoiseTable(TEngineTables& tables);
void buildLfoWaveTables(TEngineTables& tables);
void buildTunedNoiseGain(TEngineTables& tables);
