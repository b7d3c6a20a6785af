// What the editor's displays read of the sound engine while it plays: the
// audio thread publishes it here at the end of every block, and the editor's
// thread reads it at any moment. Every value is a relaxed atomic: a reader
// sees a value of some block, never a torn one, and the audio thread pays a
// plain store for each. The output ring itself stays in TOutputState (one
// relaxed store per frame); the frame count published here with release
// tells a reader how far it has been written.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/ParameterModel.h"

struct TEditorReadouts {
    // Output frames written to the scope ring so far (release by the audio
    // thread, acquire by readers: every ring value below it is in place).
    std::atomic<std::uint32_t> framesRendered{0};

    // The Movement phase (0..1) of the voice started last; -1 while no voice sounds.
    std::atomic<float> movementPos{-1.0f};
    // The pan of the voice started last, kept while no voice sounds.
    std::atomic<float> pan{0.5f};

    // What a knob's modulation ring shows: the sounding notes, and the
    // current voice's destination sums and state.
    std::atomic<int> notesOn{0};
    std::array<TSharedFloat, MOD_DEST_COUNT> voiceModDest{};
    TSharedFloat mainVolumeGain, subVolumeGain;
    TSharedFloat filterFrequency;  // the current voice's filter, normalised 0..1
    TSharedFloat pinkNoiseRow;     // a slow row of the pink noise, which the noise-mix knob shows
};
