// The plain structs behind the 1024 host parameters: their fixed attributes
// (written once during construction, read-only afterwards) and their values
// (written from the host's threads, the editor's thread and the audio thread).
// The plug-in's parameter store writes them; the sound engine reads them.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "engine/dsp/ParameterTags.h"

// A parameter value shared between threads. Every load and store is a relaxed
// atomic access: a reader sees either the old or the new value, never a torn
// one, and pays nothing on x86-64. No ordering between different values is
// promised (a reader may see a multi-parameter change half done).
class TSharedFloat {
public:
    TSharedFloat() = default;
    TSharedFloat(float value) : stored(value) {}
    TSharedFloat(const TSharedFloat& other) : stored(other.load()) {}
    TSharedFloat& operator=(const TSharedFloat& other) {
        store(other.load());
        return *this;
    }
    TSharedFloat& operator=(float value) {
        store(value);
        return *this;
    }
    operator float() const { return load(); }

    float load() const { return std::atomic_ref<float>(const_cast<float&>(stored)).load(std::memory_order_relaxed); }
    void store(float value) { std::atomic_ref<float>(stored).store(value, std::memory_order_relaxed); }
    // Stores value only while the entry still holds expected (compared bit by
    // bit, so a NaN read back matches itself).
    void replaceIf(float expected, float value) {
        std::atomic_ref<float>(stored).compare_exchange_strong(expected, value, std::memory_order_relaxed);
    }

private:
    alignas(std::atomic_ref<float>::required_alignment) float stored = 0;
};
static_assert(sizeof(TSharedFloat) == sizeof(float));

// A program's name shared between threads: the host's and the editor's
// threads write it, the host's threads read it; the audio thread never
// touches it. A reader never sees half of one name and half of another: the
// version count is odd while a writer is at work and moves on when it is
// done, and a reader that saw it move reads again. Writers take turns through
// the same count. Nobody takes a lock.
class TSharedProgramName {
public:
    static constexpr std::size_t BYTES = 32;  // 31 characters and the terminating zero

    // The text up to its first zero, cut to 31 characters.
    void store(std::string_view text) {
        std::array<std::uint32_t, WORDS> bytes{};
        const std::size_t length = std::min({text.size(), text.find('\0'), BYTES - 1});
        if (length > 0) std::memcpy(bytes.data(), text.data(), length);
        std::uint32_t version = sequence.load(std::memory_order_relaxed);
        for (;;) {
            if (version & 1u) {
                std::this_thread::yield();
                version = sequence.load(std::memory_order_relaxed);
            } else if (sequence.compare_exchange_weak(version, version + 1, std::memory_order_acquire,
                                                      std::memory_order_relaxed)) {
                break;
            }
        }
        // Released word by word: a reader that takes one of them also sees the
        // odd count stored before it, and reads again.
        for (std::size_t i = 0; i < WORDS; ++i) words[i].store(bytes[i], std::memory_order_release);
        sequence.store(version + 2, std::memory_order_release);
    }

    // Copies the name and its zero into out (BYTES bytes); answers its length.
    std::size_t load(char (&out)[BYTES]) const {
        std::array<std::uint32_t, WORDS> bytes{};
        for (;;) {
            const std::uint32_t version = sequence.load(std::memory_order_acquire);
            if (version & 1u) {
                std::this_thread::yield();
                continue;
            }
            for (std::size_t i = 0; i < WORDS; ++i) bytes[i] = words[i].load(std::memory_order_acquire);
            if (sequence.load(std::memory_order_relaxed) == version) break;
        }
        std::memcpy(out, bytes.data(), BYTES);
        out[BYTES - 1] = 0;
        return std::strlen(out);
    }

private:
    static constexpr std::size_t WORDS = BYTES / sizeof(std::uint32_t);
    std::atomic<std::uint32_t> sequence{0};
    std::array<std::atomic<std::uint32_t>, WORDS> words{};
};

// The program record: the 1024 values of the program the host sees, and the
// name a host gave it.
struct TProgramRecord {
    std::array<TSharedFloat, PARAMETER_COUNT> values{};
    TSharedProgramName name;
};

// A program as the host saves it in a chunk (4,128 bytes, no header): 1024
// values in the machine's byte order, then a NUL-terminated name.
struct TProgram {
    std::array<TSharedFloat, PARAMETER_COUNT> values{};
    char name[TSharedProgramName::BYTES] = {};
};
static_assert(sizeof(TProgram) == 4128);
static_assert(offsetof(TProgram, name) == 4096);

// Fixed attributes of every tag, and the two per-number tables of the
// modulation numbering that the tags' destinations use.
struct TParameterAttributes {
    std::array<float, PARAMETER_COUNT> defaultValue{};
    std::array<std::int32_t, PARAMETER_COUNT> paramType{};
    std::array<std::int32_t, PARAMETER_COUNT> steppedNum{};  // -1: continuous
    std::array<float, PARAMETER_COUNT> steppedRange{};       // divisor of the stepped encoding
    std::array<float, PARAMETER_COUNT> zeroValue{};
    std::array<bool, PARAMETER_COUNT> isOnOff{};
    std::array<std::int32_t, PARAMETER_COUNT> tagDest{};     // modulation destination fed, 0 = none
    std::array<std::string, PARAMETER_COUNT> paramName;
    std::array<bool, PARAMETER_COUNT> hasControl{};          // the editor has a control for the tag

    // How a modulation of each destination number acts: 1 added, 2 rate
    // (exponential ratio), 3 added in semitones, 4 added in octaves, 5 level (scaled).
    std::array<std::int32_t, MOD_DEST_COUNT> destType{};
    // Sources whose value runs from -1 to 1. Sized like the destination table;
    // only the first MOD_SOURCE_COUNT entries name sources.
    std::array<bool, MOD_DEST_COUNT> srcIsBipolar{};
};

// The values of every tag. curValue is what the engine, the displays and the
// editor read; programs[curProgram] is what the host reads back.
struct TParameterValues {
    std::array<TSharedFloat, PARAMETER_COUNT> curValue{};
    TProgramRecord programs[1];
    std::array<TSharedFloat, PARAMETER_COUNT> editValue{};     // the edited program
    std::array<TSharedFloat, PARAMETER_COUNT> origValue{};     // the program as applied
    std::array<TSharedFloat, PARAMETER_COUNT> lastValue{};     // last value that counted as a change
    std::array<TSharedFloat, PARAMETER_COUNT> captureValue{};  // MIDI soft-takeover reference
    std::array<std::atomic<bool>, PARAMETER_COUNT> captured{};
    std::atomic<bool> editChanged{false};
    TProgramRecord spareProgram;  // addressed only by the text helpers when asked to
};

// One unsigned comparison: negative tags wrap to large values and fail too.
inline bool isValidParameterTag(int tag) { return static_cast<std::uint32_t>(tag) < std::uint32_t{PARAMETER_COUNT}; }

// The step a stepped value stands for: int(value x range + 0.1), held to
// 0..num - 1; 0 for values that are not numbers. Taken in float, product and
// sum rounded each, as every stored program and menu reckons its steps: in
// double a value near a step's edge can read as the neighbouring step.
inline int steppedValueOf(float value, float range, int num) {
    if (!std::isfinite(value) || !std::isfinite(range) || num < 1) return 0;
    const float product = value * range;
    const float scaled = product + 0.1f;
    if (scaled < 0.0f) return 0;
    if (scaled >= static_cast<float>(num)) return num - 1;
    return static_cast<int>(scaled);
}

// The value that stores step s: (s + 0.1) / range, in float as it is read back.
inline float steppedValueFor(int step, float range) { return (static_cast<float>(step) + 0.1f) / range; }

// The parameters as the engine reads them. The current value of a tag (a valid one).
inline float parameterValueOf(const TParameterValues& values, int tag) {
    return values.curValue[static_cast<std::size_t>(tag)];
}

// A switch is on from 0.5 up; a tag out of range is off.
inline bool parameterOnOf(const TParameterValues& values, int tag) {
    return isValidParameterTag(tag) && parameterValueOf(values, tag) >= 0.5f;
}

// The step a value of a tag stands for; 0 for a continuous tag or one out of range.
inline int parameterStepOf(const TParameterAttributes& attr, int tag, float value) {
    if (!isValidParameterTag(tag) || attr.steppedNum[static_cast<std::size_t>(tag)] == -1) return 0;
    return steppedValueOf(value, attr.steppedRange[static_cast<std::size_t>(tag)],
                          attr.steppedNum[static_cast<std::size_t>(tag)]);
}

// The parameter store's rules, which every writer of a value follows (the
// plug-in's store, the engine's own write-backs, the tests' store): what is
// kept of a value written to a tag. Refused (nothing changes) for a tag out
// of range and for a value that is not a number or is infinite: either would
// pass the clamp and poison later float-to-index conversions. Otherwise held
// to 0..1, a denormal kept as 0 (read by its bits: the audio thread compares
// a denormal as zero, so a negative one would pass the clamp and reach other
// threads as it is), and a switch snapped to 0 below one half, else 1.
inline std::optional<float> storableParameterValue(const TParameterAttributes& attr, int tag, float value) {
    if (!isValidParameterTag(tag) || !std::isfinite(value)) return std::nullopt;
    if ((std::bit_cast<std::uint32_t>(value) & 0x7f800000u) == 0) value = 0.0f;
    value = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    if (attr.isOnOff[static_cast<std::size_t>(tag)]) value = value < 0.5f ? 0.0f : 1.0f;
    return value;
}

// The value a stepped tag keeps for step s, the step held to the tag's
// steps; refused for a continuous tag or one out of range.
inline std::optional<float> storableStepValue(const TParameterAttributes& attr, int tag, int step) {
    if (!isValidParameterTag(tag) || attr.steppedNum[static_cast<std::size_t>(tag)] == -1) return std::nullopt;
    const int last = std::max(attr.steppedNum[static_cast<std::size_t>(tag)] - 1, 0);
    return steppedValueFor(std::clamp(step, 0, last), attr.steppedRange[static_cast<std::size_t>(tag)]);
}

// The value the host reads back for a tag (the program record's), held to
// 0..1; 0 for a value that is not a number (a foreign chunk may leave one).
inline float programValueOf(const TParameterValues& values, int tag) {
    if (!isValidParameterTag(tag)) return 0.0f;
    const float value = values.programs[0].values[static_cast<std::size_t>(tag)];
    if (!std::isfinite(value)) return 0.0f;
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

// Start-up: zeroes the value arrays and fills every attribute of the 1024
// tags, the editor's has-control flags and the modulation type tables
// (engine/ParameterTable.cpp).
void initParameterModel(TParameterAttributes& attr, TParameterValues& values);
// Writes one tag's attributes; a zero value below 0 takes the default.
void setParameterAttributes(TParameterAttributes& attr, int tag, float defaultValue, bool isOnOff,
                            float steppedRange, int steppedNum, int tagDest, int paramType, const std::string& name,
                            float zeroValue);
