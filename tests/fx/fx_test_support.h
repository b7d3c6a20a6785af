// Shared pieces of the effects tests: the engine tables the chain reads, the
// effect parameters at their defaults, stepped values as the store keeps
// them, and a chain with its own random seed.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "engine/dsp/EngineTables.h"
#include "engine/dsp/FilterTables.h"
#include "engine/fx/EffectsChain.h"

namespace fxtest {

// The LFO shapes and the unipolar sine, built once for every test.
inline const TEngineTables& engineTables() {
    static const std::unique_ptr<TEngineTables> tables = [] {
        auto built = std::make_unique<TEngineTables>();
        buildLfoWaveTables(*built);
        buildUnipolarSine(*built);
        buildFilterTables();
        return built;
    }();
    return *tables;
}

// Effect parameters at the defaults of the parameter table, no modulation.
inline TFxControls defaultControls() {
    static constexpr float DEFAULTS[TFxControls::TAG_COUNT] = {
        0, 0, 0, 1, 0.5f, 0.5f,                                             // 75-80: path, bypass, Low-Fi
        0, 0, 1, 0.25f, 0.42f, 0.481f, 0.44f, 0.36f, 1,                    // 81-89: Mod FX
        0, 1, 1, 0.167f, 0.67f, 0.585f, 0.69f, 0.5f, 0.935f, 0.185f,       // 90-99: Delay
        0, 0.15f, 0.61f, 0.645f, 0.81f, 0.285f, 0.1f,                      // 100-106: Reverb
    };
    TFxControls c;
    for (int i = 0; i < TFxControls::TAG_COUNT; ++i) c.parameters[i] = DEFAULTS[i];
    return c;
}

inline void setParam(TFxControls& c, int tag, float value) { c.parameters[tag - TFxControls::FIRST_TAG] = value; }
inline void setMod(TFxControls& c, int dest, float value) { c.modulation[dest - TFxControls::FIRST_DEST] = value; }
// Step s of a menu parameter as the store writes it.
inline void setStep(TFxControls& c, int tag, int step, float range) {
    setParam(c, tag, (static_cast<float>(step) + 0.1f) / range);
}
// The two menus the engine hands over as steps.
inline void setMode(TFxControls& c, int mode) { c.modFXMode = mode; }
inline void setPath(TFxControls& c, int path) { c.path = path; }

// A chain at a rate, initialised with the controls.
struct ChainRig {
    TRandSeed seed;
    std::unique_ptr<TEffectsChain> chain;

    explicit ChainRig(const TFxControls& controls, float rate = 44100.0f)
        : chain(std::make_unique<TEffectsChain>(engineTables(), seed)) {
        // As the engine starts it: the effects, then the Gator on its first step.
        chain->setSampleRate(rate);
        chain->initFX(controls);
        chain->restartGator();
    }
    // Frames of the input through the chain, with the control step every 16 frames.
    std::vector<stereoStruct> run(const TFxControls& controls, const std::vector<stereoStruct>& input) {
        std::vector<stereoStruct> out;
        out.reserve(input.size());
        for (size_t i = 0; i < input.size(); ++i) {
            if (i % 16 == 0) chain->controlStep(controls);
            out.push_back(chain->process(input[i], controls));
        }
        return out;
    }
};

inline std::vector<stereoStruct> impulse(size_t frames, float level = 1.0f) {
    std::vector<stereoStruct> x(frames);
    x[0] = stereoStruct{level, level};
    return x;
}

inline std::vector<stereoStruct> constant(size_t frames, float left, float right) {
    return std::vector<stereoStruct>(frames, stereoStruct{left, right});
}

// A sine of the frequency in Hz on both channels.
inline std::vector<stereoStruct> sine(size_t frames, double hz, double rate, float level = 1.0f) {
    std::vector<stereoStruct> x(frames);
    for (size_t i = 0; i < frames; ++i) {
        const float v = level * static_cast<float>(std::sin(6.283185307179586 * hz * static_cast<double>(i) / rate));
        x[i] = stereoStruct{v, v};
    }
    return x;
}

// Upward zero crossings of a channel within [from, to), as frequency in Hz.
inline double crossingFrequency(const std::vector<float>& x, size_t from, size_t to, double rate) {
    int crossings = 0;
    size_t first = 0, last = 0;
    for (size_t i = from + 1; i < to; ++i)
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    return crossings < 2 ? 0.0 : (crossings - 1) * rate / static_cast<double>(last - first);
}

}  // namespace fxtest
