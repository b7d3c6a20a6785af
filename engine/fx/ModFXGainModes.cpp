#include "engine/fx/ModFXGainModes.h"

#include <cmath>

#include "engine/fx/FxControls.h"

namespace {

constexpr double TWO_PI = 6.283185307179586;

}  // namespace

void TModFXGainModes::init() { restart(); }

void TModFXGainModes::restart() {
    tremoloSmooth = stereoStruct{};
    autoPanSmooth = stereoStruct{};
    ringPhase = 0.0;
}

void TModFXGainModes::setValues(const TModFXValues& v) {
    values = v;
    // Smooth 0 follows the modulator; 1 takes 2^-13 of it per frame.
    smoothing = std::exp2(-13.0f * v.f5);
    ringIncrement = ringIncrementOf(v);
}

float TModFXGainModes::ringIncrementOf(const TModFXValues& v) {
    // Past about 12.8 on "Mod FX 1" the frequency is infinite; the phase
    // then stands at 0 (fraction() of an infinite phase).
    const float hz = 20.0f * std::exp2(10.0f * v.f1) + 100.0f * v.f2;
    return hz / v.sampleRate;
}

stereoStruct TModFXGainModes::tremolo(stereoStruct x, TModFXModulation m) {
    tremoloSmooth.left = (1.0f - smoothing) * tremoloSmooth.left + smoothing * m.left;
    tremoloSmooth.right = (1.0f - smoothing) * tremoloSmooth.right + smoothing * m.right;
    const float amount = values.f3;
    return stereoStruct{x.left * ((1.0f - amount) + amount * (0.5f * tremoloSmooth.left + 0.5f)),
                        x.right * ((1.0f - amount) + amount * (0.5f * tremoloSmooth.right + 0.5f))};
}

stereoStruct TModFXGainModes::autoPan(stereoStruct x, TModFXModulation m) {
    autoPanSmooth.left = (1.0f - smoothing) * autoPanSmooth.left + smoothing * m.left;
    autoPanSmooth.right = (1.0f - smoothing) * autoPanSmooth.right + smoothing * m.right;
    // The left modulator moves the pan; at the centre both sides keep full level.
    const float pan = 0.5f * values.f3 * autoPanSmooth.left + 0.5f;
    return stereoStruct{x.left * clamp01(2.0f - 2.0f * pan), x.right * clamp01(2.0f * pan)};
}

stereoStruct TModFXGainModes::ring(stereoStruct x) {
    // Ring Mod Spread puts the right carrier up to a cycle ahead.
    const float sineLeft = static_cast<float>(std::sin(TWO_PI * ringPhase));
    const float sineRight = static_cast<float>(std::sin(TWO_PI * fraction(ringPhase + values.f4)));
    ringPhase = fraction(ringPhase + ringIncrement);
    const float amount = values.f3;
    return stereoStruct{x.left * ((1.0f - amount) + amount * sineLeft),
                        x.right * ((1.0f - amount) + amount * sineRight)};
}
