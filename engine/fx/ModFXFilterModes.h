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

    TModFXFilterModes();
    TModFXFilterModes(const TModFXFilterModes&) = delete;
    TModFXFilterModes& operator=(const TModFXFilterModes&) = delete;

    void init(float sampleRate);
    void controlStep(const TModFXValues& values);
    // frame: the chain's frame counter, which indexes the widen ring.
    stereoStruct phaser(stereoStruct x, TModFXModulation m, std::uint32_t frame);
    stereoStruct wahWah(stereoStruct x, TModFXModulation m);
    stereoStruct talkBox(stereoStruct x, TModFXModulation m);

    // The Phaser's frequency in Hz for a unipolar modulator value (0..1).
    float phaserFrequency(float unipolar) const;

private:
    // One channel's all-pass sections: last two inputs and outputs of each.
    struct PhaserChannel {
        std::array<float, PHASER_SECTIONS> in1{}, in2{}, out1{}, out2{};
        float last = 0.0f;  // output of the last section, fed back
    };
    float phaserChannel(PhaserChannel& channel, float x, float unipolar);
    stereoStruct sweptFilter(int type, stereoStruct cutoffs, float q, float vowel, stereoStruct x);

    TFilter filter;
    float sampleRate = 44100.0f;
    TModFXValues values;
    // Phaser settings.
    float phaserDepth = 0.0f;
    float phaserFeed = 0.0f;
    std::uint32_t phaserWiden = 5;
    std::array<PhaserChannel, 2> phaserState{};
    std::array<float, WIDEN_RING_SIZE> widenRing{};
};
