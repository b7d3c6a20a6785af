// The Mod FX modes built on filters: Phaser (four all-pass sections with
// feedback, the left output widened by a short delay), Wah-Wah (a morphing
// low/band/high-pass swept by the modulator) and TalkBox (the vocal filter
// with the modulator moving its vowel).
//
// Plain class; audio thread only.
#pragma once

#include <xmmintrin.h>

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
    // This frame's settings, when they moved.
    void setValues(const TModFXValues& values);
    // The swept filter's next coefficients worked out whole (the samples stay the same).
    void forgetKeptCoefficients() { filter.forgetKeptCoefficients(); }
    // frame: the chain's frame counter, which indexes the widen ring.
    stereoStruct phaser(stereoStruct x, TModFXModulation m, std::uint32_t frame);
    stereoStruct wahWah(stereoStruct x, TModFXModulation m);
    stereoStruct talkBox(stereoStruct x, TModFXModulation m);

    // The Phaser's frequencies in Hz for the modulator's unipolar values (0..1).
    stereoStruct phaserFrequencies(float unipolarLeft, float unipolarRight) const;
    // The all-pass sections' b0 left, b0 right, b1 left, b1 right for the
    // modulator's unipolar values.
    std::array<float, 4> phaserCoefficients(float unipolarLeft, float unipolarRight) const;
    // sin and cos of the angles in lanes 0 and 1 (each 0 to pi): lanes
    // sin a, sin b, cos a, cos b.
    static __m128 sinCosPair(__m128 angles);

private:
    __m128 phaserFrequencyLanes(float unipolarLeft, float unipolarRight) const;
    void sectionCoefficients(float unipolarLeft, float unipolarRight, __m128& b0, __m128& b1) const;

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
    float radiansPerHz = 6.28318531f / 44100.0f;  // 2 pi / rate
    float halfInverseQ = 1.0f / 0.1f;             // 1 / (2 q)
    std::uint32_t phaserWiden = 5;
    PhaserState phaserState{};
    std::array<float, WIDEN_RING_SIZE> widenRing{};
};
