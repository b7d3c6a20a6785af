// The tables that belong to the built-in sample bank "Kolbri.raw". The bank
// generator writes them in the same run that writes the bank, into a source
// file of the build tree, so the bank and its tables cannot drift apart.
#pragma once

#include <cstdint>

constexpr int BANK_SAMPLES = 194;     // built-in samples 0..193
constexpr int USER_SAMPLE_SLOT = 194;  // the user's own sample
constexpr int SAMPLE_SLOTS = 195;
constexpr double BANK_RATE = 48000.0;  // frames per second of every built-in sample

// Frames of each built-in sample in bank order; entries 194 and 195 are 0.
extern const std::int32_t SAMPLE_LEN[196];
// Frames of the whole bank (the sum of SAMPLE_LEN); the file holds four bytes a frame.
extern const std::int64_t SAMPLE_BANK_FRAMES;

// The built-in samples that loop by themselves: loop start and end are frame
// indices within the sample, the end at most its last frame.
struct TSampleLoopRow {
    int sample;
    std::int32_t loopStart;
    std::int32_t loopEnd;
};
extern const TSampleLoopRow SAMPLE_LOOPS[];
extern const int SAMPLE_LOOP_COUNT;

// Playback-rate factor of each built-in sample: 1.0 plays it as recorded; a
// tonal sample's factor makes note 57 sound at 110 Hz. Entry 194 is 1.0.
extern const double SAMPLE_PITCH_FACTOR[195];
