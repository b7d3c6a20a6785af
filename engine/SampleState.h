// The "Sample" source's state in the sound engine: the built-in bank, the two
// sample slots (the user sample, number 194, and the file being auditioned),
// the per-voice players and the preview. The slots are filled by other
// threads and published by an atomic swap (engine/sample/TSample.h); the
// audio thread only reads them between beginBlock and endBlock.
#pragma once

#include <atomic>
#include <memory>

#include "engine/sample/SampleBank.h"
#include "engine/sample/SamplePlayback.h"
#include "engine/sample/TSample.h"

struct TSampleState {
    // Set once before the audio thread runs; null or not loaded: every
    // built-in sample is silent.
    std::shared_ptr<const TSampleBank> bank;
    TSample userSample;
    TSample previewSample;
    TSamplePlayback playback;

    // A user sample was loaded from its folder (a failed load clears it;
    // program application sets it from "Sample Loaded"). Any thread.
    std::atomic<bool> userSamplePresent{false};

    // Audio thread: what the slots hold for the block under way, and the
    // chosen sample as the voices read it in the current frame.
    const TSampleData* userData = nullptr;
    const TSampleData* previewData = nullptr;
    TSampleSlotFrame slot;

    // The preview the editor asked for, taken at the next block start.
    static constexpr int PREVIEW_NONE = 0, PREVIEW_FILE = 1, PREVIEW_USER = 2, PREVIEW_STOP = 3;
    std::atomic<int> previewRequest{PREVIEW_NONE};
    std::atomic<double> previewRequestPos{0.0};
};
