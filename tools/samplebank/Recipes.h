// The recipes of the built-in sounds, one function per family, and the list
// that puts the 194 samples in bank order.
#pragma once

#include <string>
#include <vector>

#include "tools/samplebank/SynthKit.h"

namespace bank {

struct TSound {
    TStereo audio;
    double f0 = 0.0;     // the pitch it was made at (Hz); 0 for unpitched sounds
    int loopFrames = 0;  // > 0: a loop of this many frames from the start; the
                         // frames after it are blended into its start
    std::string kind;    // what it is, for the manifest
};

using TRecipe = TSound (*)(int variant, TRng& rng);

struct TBankEntry {
    TRecipe recipe;
    int variant;
};

// The 194 built-in samples in bank order: FX Percussive 01-99, Instrument
// 01-16, FX Loop 01-25, Vox 01-30, Cymbal 01-24.
std::vector<TBankEntry> bankEntries();

}  // namespace bank
