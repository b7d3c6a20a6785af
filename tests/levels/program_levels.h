// How a built-in program's level is measured, by the level test and by the
// sweep that finds each program's loudest keys (tools/levelsweep): a key
// held four seconds from a fresh instance after a wait of silence, the wait
// picking the phases of what runs on its own from the plug-in's start (the
// Free LFO in its Free mode and the Mod FX) and the draws of the noise and
// random sources, which depend on how long the plug-in has run.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "engine/OutputState.h"
#include "engine/ParameterTable.h"
#include "engine/dsp/ParameterTags.h"
#include "engine/fx/FxControls.h"
#include "engine/fx/TModFX.h"
#include "plugin/BuiltinPrograms.h"
#include "tools/testhost/TestHost.h"
#include "program_play.h"

namespace levels {

constexpr double RATE = 48000;
constexpr double HOST_TEMPO = 120;
constexpr double HELD_SECONDS = 4.0;

// A key and the wait of silence before it goes down.
struct LoudKey {
    int note, velocity;
    double loudestAfterSeconds;
};

// The step of a stepped tag's value, as the parameter store reads it.
inline int programStep(std::span<const float> v, int tag) {
    for (const TParameterRow& row : NAMED_PARAMETERS)
        if (row.tag == tag) return steppedValueOf(v[static_cast<std::size_t>(tag)], row.steppedRange, row.steppedNum);
    return 0;
}

// The cycles, in seconds, of what runs from the plug-in's start rather than
// from a note, at the rates the engine reckons for the program's values (the
// modulation at rest): the Free LFO in its Free mode (the Poly mode starts
// with each voice, the Mono mode with each note), and whatever the Mod FX's
// mode hears run on its own (TModFX::freeRunningCycles).
struct FreeRunning {
    std::vector<double> freeLfo, modFx;
};

constexpr int FREE_LFO_FREE_MODE = 1;

inline FreeRunning freeRunningCycles(std::span<const float> v) {
    FreeRunning running;
    if (programStep(v, tag::FREE_LFO_MODE) == FREE_LFO_FREE_MODE)
        running.freeLfo.push_back(
            lfoCycleSeconds(v[tag::FREE_LFO_SPEED], isOn(v, tag::FREE_LFO_TEMPO_SYNC), RATE, HOST_TEMPO));
    if (isOn(v, tag::MOD_FX) && !isOn(v, tag::BYPASS_ALL_FX)) {
        TFxControls controls;
        for (int t = 0; t < TFxControls::TAG_COUNT; ++t)
            controls.parameters[static_cast<std::size_t>(t)] = v[static_cast<std::size_t>(TFxControls::FIRST_TAG + t)];
        controls.tempo = static_cast<float>(HOST_TEMPO);
        const TModFXCycles cycles =
            TModFX::freeRunningCycles(programStep(v, tag::MOD_FX_MODE), TFxView(controls), static_cast<float>(RATE));
        for (int k = 0; k < cycles.count; ++k)
            running.modFx.push_back(1.0 / (cycles.cyclesPerFrame[static_cast<std::size_t>(k)] * RATE));
    }
    return running;
}

// The longest wait that still finds the effects chain elsewhere: the silence
// gate stops it once the plug-in has been silent that long, and a later note
// finds it where it stopped.
inline double chainRunSeconds() {
    return TOutputState::SILENCE_GATE_SECONDS - static_cast<double>(SETTLING_FRAMES) / RATE;
}

// The time over which the starts differ. One cycle repeats with itself. The
// phases of several (the Ensemble's six taps beat against each other, the
// Free LFO against the Mod FX) come back together at a common multiple of
// their cycles: the first within 2 % of a cycle of each, if one comes before
// the chain stops; else every start up to then finds them anew, and the
// starts spread over all that time, or the longest cycle if it is longer. A
// cycle of the chain longer than its run is only heard as far as the run. 0
// when nothing runs.
inline double startSpanSeconds(const FreeRunning& running) {
    std::vector<double> cycles = running.freeLfo;
    for (const double cycle : running.modFx) cycles.push_back(std::min(cycle, chainRunSeconds()));
    if (cycles.empty()) return 0.0;
    const double longest = *std::max_element(cycles.begin(), cycles.end());
    for (double span = longest; span <= chainRunSeconds(); span += longest) {
        const bool together = std::all_of(cycles.begin(), cycles.end(), [span](double cycle) {
            const double turns = span / cycle;
            return std::abs(turns - std::round(turns)) <= 0.02;
        });
        if (together) return span;
    }
    return std::max(longest, chainRunSeconds());
}

// One take: a key held HELD_SECONDS from the note-on, after the wait, heard
// for listenSeconds from the note-on.
struct LevelTake {
    double peakDbfs = -200.0;
    double peakSeconds = 0.0;  // from the note-on
    bool finite = true;
    std::string error;  // why the plug-in did not play
};

inline LevelTake playLevelTake(int program, const LoudKey& key, double listenSeconds) {
    const TProgramTake take =
        playProgramNote(program,
                        {.note = key.note, .velocity = key.velocity, .heldSeconds = HELD_SECONDS,
                         .seconds = listenSeconds, .waitSeconds = key.loudestAfterSeconds},
                        RATE, HOST_TEMPO);
    LevelTake result;
    result.error = take.error;
    const testhost::Levels levels = testhost::measure(take.audio);
    result.peakDbfs = dBFS(levels.peak);
    result.finite = levels.finite;
    for (long f = 0; f < take.audio.frames(); ++f) {
        const auto i = static_cast<std::size_t>(f);
        if (std::max(std::abs(take.audio.left[i]), std::abs(take.audio.right[i])) == levels.peak) {
            result.peakSeconds = static_cast<double>(f) / RATE;
            break;
        }
    }
    return result;
}

}  // namespace levels
