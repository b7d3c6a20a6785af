// Microtuning: the ".tun" file reader, the tuning name kept in parameters
// 960..999, and the table that note start reads on the audio thread.
//
// A tuning file is text. Its "[Tuning]" or "[Exact Tuning]" section (the
// exact one wins when both are there) lists lines "note <n>=<cents>": the
// pitch of note n in cents above note 0. A section runs from its header to
// the first line beginning with ';'. Notes without an entry keep their
// standard pitch.
//
// Nothing here knows the plug-in: the parser turns bytes into a table, the
// name helpers turn the name into parameter values and back, and the holder
// hands a finished table to the audio thread.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/ParameterModel.h"

inline constexpr int TUNING_NOTE_COUNT = 128;

// The reader sees at most 512 lines of at most 127 bytes: a longer line
// arrives in pieces of 127 bytes, each taken as a line of its own. 512 such
// pieces with their line breaks are 64 KiB, so no file needs more than that
// to be read: what follows is never looked at.
inline constexpr int TUNING_MAX_LINES = 512;
inline constexpr std::size_t TUNING_LINE_LIMIT = 127;
inline constexpr std::size_t TUNING_FILE_MAX_BYTES = 65536;

// Pitches a file may give, in cents above note 0: ten octaves below it to
// twenty above, far beyond hearing at both ends, so that an absurd entry
// still makes a finite oscillator step. Entries outside are clamped;
// non-finite ones ("inf", "nan", "1e999") are dropped.
inline constexpr double TUNING_MIN_CENTS = -12800.0;
inline constexpr double TUNING_MAX_CENTS = 25600.0;

// The name lives in 40 parameters (TUNING_NAME_SLOTS from TUNING_NAME_PARAM),
// one character each; the last holds character 0, so a stored name has at most 39 characters.
inline constexpr int TUNING_NAME_LIMIT = TUNING_NAME_SLOTS - 1;

// Pitch of every MIDI note in semitones above note 0.
struct TTuningTable {
    std::array<float, TUNING_NOTE_COUNT> tuningTable{};

    // Note n sounds n semitones above note 0.
    static TTuningTable identity();
    bool operator==(const TTuningTable&) const = default;
};

struct TTuningFileResult {
    TTuningTable table = TTuningTable::identity();
    // A "[Tuning]" or "[Exact Tuning]" header was seen: the file is a tuning
    // (possibly with an empty section) and its name may be stored.
    bool sectionFound = false;
};

// Parses the text of a tuning file; only its first TUNING_FILE_MAX_BYTES
// bytes are looked at. Any bytes are accepted.
TTuningFileResult parseTuningText(std::string_view text);

// Reads the regular file at path (its first 64 KiB) and parses it. A file
// that cannot be read gives the identity and no section. Not for the audio
// thread.
TTuningFileResult readTuningFile(const std::string& path);

// ---- the tuning's name

// The name comes from parameters that a host or a stored program may set to
// anything, and it becomes a file name inside the tuning folder: it must not
// leave the folder nor name a hidden or odd file. Refused: the empty name,
// '/', '\', a leading '.', control characters (below 32, and 127).
bool isSafeTuningName(std::string_view name);

// The file that a program's tuning name stands for: "<folder>/<name>.tun";
// empty when the name is refused.
std::string tuningFilePath(const std::string& folder, std::string_view name);

// The parameter values that spell name: character c as (c + 0.5) / 255.99,
// character 0 after the name's end, the name cut to 39 characters. A byte
// above 127 counts as negative, so its value is clamped to 0, which ends the
// name there.
std::array<float, TUNING_NAME_SLOTS> spellTuningName(std::string_view name);

// The name spelled in the 40 values: each character int(v * 255.99), the
// name ending at the first 0. Values outside 0..1 (and NaN) count as the
// nearest end of the range.
std::string readTuningName(const std::array<float, TUNING_NAME_SLOTS>& values);

// ---- the table in use

// Holds the table that note start reads. A new table is built aside and
// published by swapping one pointer, so a reader sees either the whole old
// table or the whole new one. The old table is freed by the publishing
// thread once no reader can still be inside it; readers never wait, never
// allocate and never free.
class TTuningTableHolder {
public:
    TTuningTableHolder();
    ~TTuningTableHolder();
    TTuningTableHolder(const TTuningTableHolder&) = delete;
    TTuningTableHolder& operator=(const TTuningTableHolder&) = delete;

    // Any thread but the audio thread (it allocates and may wait a moment for
    // a reader to leave the old table).
    void publish(const TTuningTable& table);
    void publishIdentity() { publish(TTuningTable::identity()); }

    // The audio thread: the pitch of a note (clamped to 0..127) in semitones,
    // or the whole table.
    float getPitch(int note) const noexcept;
    void copyTable(TTuningTable& out) const noexcept;

    // The audio thread must not read files, so applying a program only asks
    // for the table to be rebuilt; a non-audio thread takes the request and
    // publishes the result.
    void requestRebuild() noexcept { rebuildRequested.store(true, std::memory_order_release); }
    bool takeRebuildRequest() noexcept { return rebuildRequested.exchange(false, std::memory_order_acquire); }

private:
    // Readers count themselves in and out around each access; a publisher
    // frees the old table only after seeing the count at 0 once the new
    // pointer is in place: every reader that came in later can only find the
    // new table.
    class TReading;

    std::mutex publishing;  // one publisher at a time
    std::atomic<const TTuningTable*> active;
    mutable std::atomic<int> readers{0};
    std::atomic<bool> rebuildRequested{false};
};
