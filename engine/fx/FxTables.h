// Constant tables of the effects chain: the 24 stage orders, the note values
// of the tempo-synced delay, Mod FX and Gator speeds, and the reverb's tuning.
#pragma once

#include <array>

constexpr int FX_STAGE_COUNT = 4;
constexpr int FX_PATH_COUNT = 24;

// Stage numbers as FX_PATH_NO lists them.
enum TFxStage { FX_STAGE_LOW_FI = 0, FX_STAGE_MOD_FX = 1, FX_STAGE_DELAY = 2, FX_STAGE_REVERB = 3 };

// For each "FX Path" step, the stages in the order they run: every
// permutation of the four, in lexicographic order.
extern const std::array<std::array<int, FX_STAGE_COUNT>, FX_PATH_COUNT> FX_PATH_NO;

// Tempo-synced delay lengths in whole notes, one per "Delay Left/Right" step.
extern const std::array<float, 15> DELAY_LEN_ARRAY;

// Tempo-synced Mod FX modulator periods in whole notes, one per speed step;
// step 0 ("Off") stops the modulator and its entry is never read.
extern const std::array<double, 34> LFO_PERIOD_ARRAY;

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
