// Block loop state of the sound engine: the frame counters, the frame being built, the
// values cached at the global control step, and the requests other threads
// hand to the audio thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/dsp/FastMath.h"
#include "engine/dsp/PinkNoise.h"

// A start for the per-note random values that differs between instances, so
// that two instances do not draw the same "random" notes. Thread-safe.
inline std::uint32_t noteRandomStartForNewInstance() {
    static std::atomic<std::uint32_t> instances{0};
    return 0x2545F491u + 0x9E3779B9u * instances.fetch_add(1, std::memory_order_relaxed);
}

struct TEngineState {
    static constexpr std::uint32_t HOUSEKEEPING_MASK = 4096 - 1;  // HOUSEKEEPING_FRAMES = 4096
    static constexpr std::uint32_t CONTROL_STEP_MASK = 16 - 1;

    // Counted unsigned and read through masks, so they may wrap after days of
    // running without upsetting the grids or the rings they index.
    std::uint32_t frameCount = 0;    // normal-path frames
    std::uint32_t fxFrameCount = 0;  // normal- and silent-path frames
    bool forceControlStep = false;

    std::array<float, 2> inputFrame{};
    std::array<float, 4> voiceMix{};
    std::array<float, 2> outFrame{};
    std::array<float, 2> fxInput{};

    // Ribbon.
    std::int32_t ribbonSpringCountdown = -1;
    bool ribbonSpringOn = false;
    double ribbonSpringStep = 0;
    bool ribbonBipolar = false;
    int ribbonQuantIndex = 0;
    float ribbonQuantDiv = 1;
    float ribbonSmoothCoef = 0.9f;
    double ribbonPos = 0, ribbonSmoothed = 0;

    int transportPlaying = 0, lastTransportPlaying = 0;
    double tempoD = 120;

    // Cached at the global control step.
    int sourceMode = 0;
    int filterDistortionMode = 0, filterMode = 0;
    float tuneInc = 0;
    float sourceRatio = 1, sourceInc = 0;
    float sourceSemi = 0;  // octaves, from "Source Semi" (and "Source Fine" for waves and samples)
    float sampleOffset = 0;
    bool keyTrackOn = false, sampleReverseOn = false, grainOn = false, distortPostFilter = false;
    float userSampleGain = 1;
    // 2^x of the global tuning and of the source transposition: their
    // parameters rest far more often than they move.
    TCachedExp2f tuneRatio, sourceTransposeRatio;
    bool controlStepsStarted = false;  // the first control step has no previous modes to compare

    TRandSeed randSeed;  // RandSeed of the block loop and the note start
    // The per-note random values; the C library's generator would take a lock.
    TRandSeed noteRandom{noteRandomStartForNewInstance()};

    // Sample preview (set by the editor thread, taken by the audio thread).
    std::atomic<bool> previewFileOn{false};
    std::atomic<bool> previewUserOn{false};
    double previewPos = 0;

    // Requests from the editor thread, taken at the start of the next block so
    // that the voice arrays are only ever written by the audio thread.
    std::atomic<bool> previewNoteOnRequested{false};
    std::atomic<bool> previewNoteOffRequested{false};
    std::atomic<bool> resetRequested{false};
    std::atomic<bool> voicesOffRequested{false};
    // A sample rate the host set, 0 when none waits: taken at the next block
    // start, so that the voices, filters and effects are rebuilt on the
    // thread that reads them.
    std::atomic<float> sampleRateRequested{0.0f};
    // The ribbon's spring started or stopped by the editor: the last request counts.
    static constexpr int SPRING_NOT_REQUESTED = 0, SPRING_ON_REQUESTED = 1, SPRING_OFF_REQUESTED = 2;
    std::atomic<int> ribbonSpringRequest{SPRING_NOT_REQUESTED};

    // Program requests queued by the editor while a program was being applied.
    std::atomic<bool> waitingProgramFromNo{false};
    std::atomic<bool> waitingProgramFromName{false};
    std::atomic<bool> waitingPreviewFromName{false};
};
