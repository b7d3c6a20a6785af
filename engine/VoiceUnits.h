// The DSP units every voice runs through, owned by the sound engine: the per-instance
// engine tables the sources and LFOs read, the pink-noise rows, the source
// state, the tuned-noise band-pass and the main filter of each voice, and the
// voice distortion.
#pragma once

#include <array>

#include "engine/dsp/Distortion.h"
#include "engine/dsp/EngineTables.h"
#include "engine/dsp/FastMath.h"
#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/TFilter.h"
#include "engine/dsp/VoiceSource.h"

struct TVoiceUnits {
    TEngineTables engineTables;
    TPinkNoise pinkNoise;
    // The noise module's seed: draws of the sources, the pink-noise rows,
    // the band-pass and the distortion's noise kind. One per instance, not one
    // for the process: a host runs instances on several audio threads at
    // once, which would all write a shared seed without order (a data race),
    // and each instance's noise would hang on what the others drew. Each
    // starts from 1, so an instance renders the same noise every time.
    TRandSeed noiseSeed;
    TVoiceSourceState source;
    std::array<TFilter, 16> voiceBPFilter;
    std::array<TFilter, 16> voiceFilter;
    // The voice filters' per-frame values, four voices to a quarter; each
    // filter is bound to its lane by initFilters(). Neighbouring quarters lie
    // side by side, so that two of them go through the filter together.
    std::array<TFilterQuarter, 4> voiceFilterValues{};
    TDistortion distortion;
    // "Filter Distort Amount" of each voice for the distortion pass.
    std::array<float, 16> distortAmountDest{};
    // The wave/sample noise amount of the current voice, for the editor.
    float noiseAmountShown = 0;
    bool tablesBuilt = false;
    // Per voice: 2^x of the filter spread, the source pitch and the sub
    // oscillator's pitch, whose arguments hold still while nothing modulates them.
    std::array<TCachedExp2f, 16> filterSpread{};
    std::array<TCachedExp2f, 16> pitchRatio{};
    std::array<TCachedExp2f, 16> subRatio{};
    // The source input of the voice being rendered: the frame's common part
    // is set once before the voices, the voice's own part per voice.
    TVoiceSourceInput sourceInput;
};
