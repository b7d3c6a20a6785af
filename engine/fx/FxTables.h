// Constant tables of the effects chain: the note values of the tempo-synced
// delay and Gator speeds and the reverb's tuning; with them the stage orders
// and the synced LFO periods, which the chain shares with others.
#pragma once

#include <array>

#include "engine/dsp/SyncedPeriods.h"
#include "engine/fx/FxPath.h"

// Tempo-synced delay lengths in whole notes, one per "Delay Left/Right" step.
extern const std::array<float, 15> DELAY_LEN_ARRAY;

// Gator steps per sixteenth note is twice the entry; entry 0 stops the
// pattern. The 35th entry is never read.
extern const std::array<double, 35> GATER_SPEED_TIME;

// Reverb comb lengths at 44.1 kHz for the left-fed lanes; the right-fed
// lanes add REVERB_STEREO_SPREAD. Combs 1-8 and the all-passes are the
// classic Schroeder-Moorer tuning, combs 9 and 10 extend it.
constexpr int REVERB_COMBS = 10;
constexpr int REVERB_ALLPASS_STAGES = 4;
constexpr int REVERB_STEREO_SPREAD = 23;
extern const std::array<int, REVERB_COMBS> REVERB_COMB_TUNING;
extern const std::array<int, REVERB_ALLPASS_STAGES> REVERB_ALLPASS_TUNING;

// The reverb's four widen taps: base length in ms, the step of each tap's
// triangle LFO per 16-frame update (in cycles), and its depth.
struct TReverbWidenTap {
    float baseMs;
    float lfoStep;
    float depth;
};
extern const std::array<TReverbWidenTap, 4> REVERB_WIDEN_TAPS;
