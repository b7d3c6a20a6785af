// The Low-Fi stage's wet path: a sample-and-hold that lowers the rate, a
// quantiser that lowers the bit depth, a level randomised per frame by the
// noise amount, then an optional low-pass and high-pass.
//
// Plain class; audio thread only.
#pragma once

#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/TFilter.h"
#include "engine/fx/FxControls.h"

class TLowFi {
public:
    // The filters are set up here, so the stage can run at once.
    TLowFi();
    TLowFi(const TLowFi&) = delete;
    TLowFi& operator=(const TLowFi&) = delete;

    // Clears the hold and the filters at the rate.
    void init(float sampleRate);
    // Settings from the stage's parameters and modulation.
    void setControls(const TFxView& controls);
    // The wet frame for the input x; draws two values from seed.
    stereoStruct process(stereoStruct x, TRandSeed& seed);

    float getHoldPeriod() const { return holdPeriod; }
    float getLevels() const { return levels; }

private:
    TFilter lowPass;
    TFilter highPass;
    float holdCounter = 0.0f;
    stereoStruct hold;
    // Settings.
    float holdPeriod = 1.0f;  // frames, 1..32
    float levels = 92681.9f;  // quantisation steps per unit, 1.414..92,682
    float noiseCube = 0.0f;
    float lowPassCutoff = 1.0f;
    float highPassCutoff = 0.0f;
};
