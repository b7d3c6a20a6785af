// The Mod FX modes that only change gains: Tremolo (level), AutoPan (the
// balance between the sides) and Ring (multiplication by a sine).
//
// Plain class; audio thread only.
#pragma once

#include "engine/dsp/StereoTypes.h"
#include "engine/fx/ModFXValues.h"

class TModFXGainModes {
public:
    void init();
    // The smoothers of Tremolo and AutoPan and the Ring's phase back to their start.
    void restart();
    // This frame's settings, when they moved.
    void setValues(const TModFXValues& values);
    stereoStruct tremolo(stereoStruct x, TModFXModulation m);
    stereoStruct autoPan(stereoStruct x, TModFXModulation m);
    stereoStruct ring(stereoStruct x);
    // The Ring carrier's cycles per frame for the values.
    static float ringIncrementOf(const TModFXValues& values);

private:
    TModFXValues values;
    float smoothing = 1.0f;  // share of the modulator taken per frame
    float ringIncrement = 0.0f;
    stereoStruct tremoloSmooth;
    stereoStruct autoPanSmooth;
    // A double, as the modulator's phase: modulation takes "Ring Mod
    // Frequency" far below its 20 Hz floor (20 x 2^-10 Hz at -1), where the
    // increment is so small against a float phase's steps that the rounding
    // would put the cycle 1.7 % off at 48 kHz, 2.8 % at 44.1 and 6.0 % at 96.
    double ringPhase = 0.0;
};
