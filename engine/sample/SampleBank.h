// The built-in sample bank: "Kolbri.raw" from the bundle's resources, frames
// of 16-bit little-endian left and right, the 194 samples back to back. One
// read-only copy per process serves every plug-in instance: the file is
// mapped, so its pages are shared (with other processes too) and counted
// once. The per-sample tables that address it are built once per process.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/sample/SampleBankTables.h"

// The text the editor shows when the bank cannot be used.
inline constexpr const char* SAMPLE_BANK_PROBLEM_TEXT = "Problem with Kolbri.raw file";
inline constexpr const char* SAMPLE_BANK_FILE_NAME = "Kolbri.raw";

// Where each built-in sample lies and how it loops; entry 194 (the user
// sample) is not filled here. All zero while the bank is missing, which
// makes every built-in sample silent.
struct TSampleBankTables {
    template <typename T>
    using PerSlot = std::array<T, SAMPLE_SLOTS>;
    PerSlot<std::int32_t> sampleStartFrame{};  // first frame within the bank
    PerSlot<std::int32_t> sampleEndFrame{};    // one past the last frame
    PerSlot<std::int32_t> sampleLength{};      // index of the last frame within the sample
    PerSlot<std::int32_t> sampleHasLoop{};     // 1 when the sample loops by itself
    PerSlot<std::int32_t> sampleLoopStart{};   // frame indices within the sample
    PerSlot<std::int32_t> sampleLoopEnd{};
    PerSlot<double> samplePitchFactor{};
};

// The tables of the generated bank, built once per process.
const TSampleBankTables& builtInSampleTables();

class TSampleBank {
public:
    // The process's bank for the file at path (normally the resources folder
    // + "/Kolbri.raw"): loaded on the first call, shared afterwards while any
    // instance holds it. A bank that could not be used is answered too (with
    // its problem text), and the next call tries the file again. The first
    // problem in the process is written once to standard error. Thread-safe;
    // not for the audio thread.
    static std::shared_ptr<const TSampleBank> acquire(const std::string& path);

    ~TSampleBank();
    TSampleBank(const TSampleBank&) = delete;
    TSampleBank& operator=(const TSampleBank&) = delete;

    // False when the file could not be opened or mapped: every built-in
    // sample is silent, the user sample is unaffected.
    bool isLoaded() const { return frameData != nullptr; }
    // "" when the bank is whole; else SAMPLE_BANK_PROBLEM_TEXT, for the editor.
    const std::string& problemText() const { return problem; }
    // Why, in more words (the path and the system's reason), for logs and tests.
    const std::string& problemDetail() const { return detail; }
    const TSampleBankTables& tables() const { return *table; }

    // The frames the file really holds (a short file holds fewer than the
    // tables address; the rest reads as silence).
    std::int64_t framesPresent() const { return presentFrames; }
    // Frame f of the bank times 1/32768; silence outside the frames present.
    // Audio thread safe.
    void readFrame(std::int64_t frame, float& left, float& right) const {
        if (frame < 0 || frame >= presentFrames) {
            left = right = 0.0f;
            return;
        }
        constexpr float SCALE = 1.0f / 32768.0f;
        left = static_cast<float>(frameData[2 * frame]) * SCALE;
        right = static_cast<float>(frameData[2 * frame + 1]) * SCALE;
    }
    const std::int16_t* frames() const { return frameData; }

    // Reads every page of the mapping in, so that the first note of a sample
    // does not wait for the disk on the audio thread. Call from a thread that
    // may block (start-up's worker), once; cheap when already resident.
    void prefault() const;

    // The number of banks alive in the process (for tests of the sharing).
    static int banksAlive();

private:
    TSampleBank() = default;
    void load(const std::string& path);

    const std::int16_t* frameData = nullptr;
    std::int64_t presentFrames = 0;
    void* mapping = nullptr;  // the file's mapping, or null
    std::size_t mappedBytes = 0;
    std::unique_ptr<std::int16_t[]> copy;  // a short file's frames, zero-padded
    const TSampleBankTables* table = nullptr;
    std::string problem, detail;
};
