// A built-in program played through the plug-in as a host plays it: a fresh
// instance, every value of the program set as a host sets parameters, the
// smoothing let settle, then one note, which may wait a while in silence
// first (what runs on its own from the plug-in's start has moved on by then).
// Without the test framework, so that the tools play programs the same way.
#pragma once

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <string_view>

#include "engine/dsp/ParameterTags.h"
#include "engine/dsp/SyncedPeriods.h"
#include "plugin/BuiltinPrograms.h"
#include "tools/testhost/TestHost.h"

inline double dBFS(double level) { return 20.0 * std::log10(std::max(level, 1e-12)); }

inline bool isOn(std::span<const float> values, int tag) { return values[static_cast<std::size_t>(tag)] >= 0.5f; }

// The cycle of the Movement or the Free LFO at a speed, as the engine steps it.
inline double lfoCycleSeconds(float speed, bool synced, double rate, double tempo) {
    return 1.0 / (lfoCyclesPerFrame(std::clamp(speed, 0.0f, 1.0f), synced, rate, tempo) * rate);
}

// The frames rendered before the wait, for the smoothing to settle.
constexpr long SETTLING_FRAMES = 2 * 4096;

struct TProgramNote {
    int note = 60;
    int velocity = 100;
    double heldSeconds = 1.0;
    double seconds = 1.0;       // rendered from the note-on
    double waitSeconds = 0.0;   // silence before the note-on, after the settling
    bool effects = true;
};

struct TProgramTake {
    testhost::Stereo audio;  // from the note-on
    long keyUpFrame = 0;     // from the start of `audio`
    std::string hostName;    // the program's name as the host reads it
    std::string error;       // why the plug-in did not load; empty when it played
};

inline TProgramTake playProgramNote(int program, const TProgramNote& note, double rate = 48000, double tempo = 120) {
    TProgramTake take;
    testhost::HostConfig config;
    config.sampleRate = rate;
    config.tempo = tempo;
    auto plugin = testhost::Host(config).load(KOLBRI_SO_PATH);
    if (!plugin) {
        take.error = testhost::Host::lastError();
        return take;
    }
    plugin->start();
    const std::span<const float> values = builtinProgramValues(program);
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        // A host sets every value it can; a write of the apply tag asks for the program record.
        if (tag != NEVER_COPIED_TAG && tag != PRESET_APPLY_TAG) plugin->setParameter(tag, values[static_cast<std::size_t>(tag)]);
    if (!note.effects) plugin->setParameter(tag::BYPASS_ALL_FX, 1.0f);
    plugin->render(SETTLING_FRAMES + std::lround(note.waitSeconds * rate));
    take.hostName = plugin->programName();
    const long start = plugin->framesRendered();
    take.keyUpFrame = std::lround(note.heldSeconds * rate);
    plugin->noteOn(start, note.note, note.velocity);
    plugin->noteOff(start + take.keyUpFrame, note.note);
    take.audio = plugin->render(std::lround(note.seconds * rate));
    return take;
}

// The built-in program of that name; BUILTIN_PROGRAM_COUNT when none is.
inline int builtinProgramNamed(std::string_view name) {
    int program = 0;
    while (program < BUILTIN_PROGRAM_COUNT && builtinProgramName(program) != name) ++program;
    return program;
}
