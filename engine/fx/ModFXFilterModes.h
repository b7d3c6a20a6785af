// The Mod FX modes built on filters: Phaser (four all-pass sections with
// feedback, the left output widened by a short delay), Wah-Wah (a morphing
// low/band/high-pass swept by the modulator) and TalkBox (the vocal filter
// with the modulator moving its vowel).
//
// Plain class; audio thread only.
#pragma once

#include <array>
#include <cstdint>

#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/TFilter.h"
#include "engine/fx/ModFXValues.h"

class TModFXFilterModes {
public:
    static constexpr int PHASER_SECTIONS = 4;
    static constexpr int WIDEN_RING_SIZE = 16384;
    static constexpr int WIDEN_RING_MASK = WIDEN_RING_SIZE - 1;
    // The sweep stays below this share of the rate, where the all-pass
    // coefficients stay finite.
    static constexpr float PHASER_HIGHEST_FREQUENCY = 0.45f;
    // A moved cutoff or vowel makes the filter recompute its coefficients,
    // its costliest work; a sweep of a few octaves a second needs them no
    // more often than every few frames, so Wah-Wah and TalkBox hand theirs
    // over every SWEEP_STEP frames.
    static constexpr int SWEEP_STEP = 4;

    TModFXFilterModes();
    TModFXFilterModes(const TModFXFilterModes&) = delete;
    TModFXFilterModes& operator=(const TModFXFilterModes&) = delete;

    void init(float sampleRate);
    void controlStep(const TModFXValues& values);
    // frame: the chain's frame counter, which indexes the widen ring.
    stereoStruct phaser(stereoStruct x, TModFXModulation m, std::uint32_t frame);
    stereoStruct wahWah(stereoStruct x, TModFXModulation m);
    stereoStruct talkBox(stereoStruct x, TModFXModulation m);

    // The Phaser's frequencies in Hz for the modulator's unipolar values (0..1).
    stereoStruct phaserFrequencies(float unipolarLeft, float unipolarRight) const;

private:
    // The all-pass sections' last two inputs and outputs, left and right in
    // the first two lanes of each row, so that both channels run as one.
    struct PhaserState {
        alignas(16) float in1[PHASER_SECTIONS][4];
        alignas(16) float in2[PHASER_SECTIONS][4];
        alignas(16) float out1[PHASER_SECTIONS][4];
        alignas(16) float out2[PHASER_SECTIONS][4];
        alignas(16) float last[4];  // output of the last section, fed back
    };
    stereoStruct sweptFilter(int type, stereoStruct cutoffs, float vowel, stereoStruct x);

    TFilter filter;
    float sampleRate = 44100.0f;
    TModFXValues values;
    // Phaser settings.
    float phaserDepth = 0.0f;
    float phaserFeed = 0.0f;
    std::uint32_t phaserWiden = 5;
    PhaserState phaserState{};
    // Wah-Wah and TalkBox: the cutoffs smoothed here each frame as the
    // filter would smooth them, and what the filter was last handed.
    stereoStruct sweepSmooth;
    stereoStruct heldCutoff;
    float heldVowel = 0.0f;
    int sweepCountdown = 0;
    // The type and the bits of the cutoffs, resonance and vowel the filter
    // was last handed (type -1: nothing since init()).
    int handedType = -1;
    std::array<std::uint32_t, 4> handedBits{};
    std::array<float, WIDEN_RING_SIZE> widenRing{};
};
