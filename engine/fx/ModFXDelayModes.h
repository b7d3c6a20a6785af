// The Mod FX modes built on modulated delay lines: Chorus and Flanger (one
// stereo delay line whose lengths follow the modulator) and Ensemble (six
// taps with their own rings, lengths, rates and depths).
//
// Plain class; the rings are allocated by the constructor. Audio thread only.
#pragma once

#include <array>
#include <cstdint>

#include "engine/dsp/StereoTypes.h"
#include "engine/fx/ModFXValues.h"
#include "engine/fx/TDelay.h"

class TModFXDelayModes {
public:
    static constexpr int ENSEMBLE_TAPS = 6;
    static constexpr int ENSEMBLE_RING_SIZE = 16384;
    static constexpr int ENSEMBLE_RING_MASK = ENSEMBLE_RING_SIZE - 1;
    static constexpr float ENSEMBLE_MAX_LENGTH = ENSEMBLE_RING_SIZE - 1;
    // Chorus and Flanger lengths reach 50 ms plus a 1,025-sample widening;
    // the line holds that up to this rate.
    static constexpr float HIGHEST_RATE = 500000.0f;

    // unipolarSine: one cycle of 0.5 sin + 0.5 in 65,536 entries.
    explicit TModFXDelayModes(const float* unipolarSine);
    TModFXDelayModes(const TModFXDelayModes&) = delete;
    TModFXDelayModes& operator=(const TModFXDelayModes&) = delete;

    // Clears the line, the rings and the tap phases for the rate.
    void init(float sampleRate);
    // This frame's settings, when they moved.
    void setValues(const TModFXValues& values);
    stereoStruct chorus(stereoStruct x, TModFXModulation m);
    stereoStruct flanger(stereoStruct x, TModFXModulation m);
    // frame: the chain's frame counter, which indexes the rings.
    stereoStruct ensemble(stereoStruct x, std::uint32_t frame);

    // A tap's cycles per frame for the values.
    static float ensembleTapRate(const TModFXValues& values, int tap);

    const TDelay& line() const { return delay; }
    float getEnsembleLength(int tap) const { return ensembleLength[tap]; }
    float getEnsembleRate(int tap) const { return ensembleRate[tap]; }
    float getEnsembleDepth(int tap) const { return ensembleDepth[tap]; }

private:
    // The power of two, in fifths, that shortens a tap's length against the first's.
    static float ensembleSpread(const TModFXValues& values, int tap);
    stereoStruct modulatedLine(stereoStruct x, TModFXModulation m, float feed);

    const float* unipolarSine;
    TDelay delay;
    float sampleRate = 44100.0f;
    // Chorus and Flanger: length at rest, depth and the right channel's extra length.
    float lineBase = 1.0f, lineDepth = 0.0f, lineWiden = 5.0f;
    float flangerFeed = 0.0f;
    // Ensemble.
    float ensembleFeed = 0.0f;
    std::array<float, ENSEMBLE_TAPS> ensembleLength{};
    std::array<float, ENSEMBLE_TAPS> ensembleRate{};
    std::array<float, ENSEMBLE_TAPS> ensembleDepth{};
    // Each tap's delay is rest + swing x the sine: length x (1 - depth) and length x depth.
    std::array<float, ENSEMBLE_TAPS> ensembleRest{};
    std::array<float, ENSEMBLE_TAPS> ensembleSwing{};
    // Doubles, as the modulator's phase: the slowest tap runs at a quarter of
    // the modulator's slowest rate, where a float phase would put the cycle
    // 7 to 13 % off.
    std::array<double, ENSEMBLE_TAPS> ensemblePhase{};
    // Padded by a cache line so that the six rings' lines do not share cache sets.
    struct alignas(64) TEnsembleRing {
        std::array<stereoStruct, ENSEMBLE_RING_SIZE> frame;
        stereoStruct padding[8];
    };
    std::array<TEnsembleRing, ENSEMBLE_TAPS> ensembleRing{};
};
