// The built-in sample bank: "Kolbri.raw" from the bundle's resources, frames
// of 16-bit little-endian left and right, the 194 samples back to back. One
// copy per process serves every plug-in instance, read into the process's own
// memory: an upgrade may rewrite or truncate the installed file while a host
// plays, and memory that still maps the file would then lose its pages and
// take the host down. The per-sample tables that address it are built once
// per process.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
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
    // + "/Kolbri.raw"), shared while any instance holds it. Only opens the
    // file and looks at its size, so that a host scanning the plug-in pays
    // nothing for the frames; readIn() reads them. A bank that could not be
    // opened is answered too (with its problem text), and the next call tries
    // the file again. The first problem in the process is written once to
    // standard error. Thread-safe; not for the audio thread.
    static std::shared_ptr<const TSampleBank> acquire(const std::string& path);

    ~TSampleBank();
    TSampleBank(const TSampleBank&) = delete;
    TSampleBank& operator=(const TSampleBank&) = delete;

    // Reads the file's frames into memory of the process's own, on the first
    // call; later calls (from any instance) return at once. Blocks for the
    // read: call it before audio starts (the host's resume), never on the
    // audio thread. Until it has run every built-in sample is silent.
    void readIn() const;

    // False when the file could not be opened: every built-in sample is
    // silent, the user sample is unaffected.
    bool isLoaded() const { return table != &silentTables(); }
    // "" when the bank is whole; else SAMPLE_BANK_PROBLEM_TEXT, for the editor.
    std::string problemText() const;
    // Why, in more words (the path and the system's reason), for logs and tests.
    std::string problemDetail() const;
    const TSampleBankTables& tables() const { return *table; }

    // The frames read so far (a short file holds fewer than the tables
    // address; the rest reads as silence). Zero before readIn().
    std::int64_t framesPresent() const { return presentFrames.load(std::memory_order_acquire); }
    // Frame f of the bank times 1/32768; silence outside the frames present.
    // Audio thread safe.
    void readFrame(std::int64_t frame, float& left, float& right) const {
        if (frame < 0 || frame >= presentFrames.load(std::memory_order_acquire)) {
            left = right = 0.0f;
            return;
        }
        constexpr float SCALE = 1.0f / 32768.0f;
        left = static_cast<float>(frameData[2 * frame]) * SCALE;
        right = static_cast<float>(frameData[2 * frame + 1]) * SCALE;
    }

    // The number of banks alive in the process (for tests of the sharing).
    static int banksAlive();

private:
    TSampleBank() = default;
    static const TSampleBankTables& silentTables();
    void open(const std::string& path);
    void fail(const std::string& why) const;  // under stateMutex

    const TSampleBankTables* table = &silentTables();
    mutable std::mutex stateMutex;            // the fields below but presentFrames
    mutable int descriptor = -1;              // open from acquire() until the read
    mutable std::int64_t bytesToRead = 0;     // at most the bank's length
    mutable bool readDone = false;
    mutable std::int16_t* frameData = nullptr;  // the process's copy, or null
    mutable std::size_t copyBytes = 0;
    mutable std::atomic<std::int64_t> presentFrames{0};
    mutable std::string problem, detail;
};
