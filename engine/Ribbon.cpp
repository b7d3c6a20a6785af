// The ribbon: a performance controller ("Ribbon Value") that feeds the
// "Ribbon" source through quantisation and smoothing and can spring back to
// its rest position in a note length at the host tempo.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/ModMath.h"
#include "engine/ModTables.h"
#include "engine/SoundEngine.h"

namespace {
constexpr int SPRING_OFF = 0;
constexpr int SPRING_INSTANT = 1;
constexpr double SPRING_STILL = 1e-10;
}  // namespace

int TSoundEngine::getRibbonQuant() {
    return std::clamp(paramStep(tag::RIBBON_QUANTIZATION), 0, static_cast<int>(RIBBON_QUANT_DIVIDE.size()) - 1);
}

int TSoundEngine::getRibbonSpringTime() {
    return std::clamp(paramStep(tag::RIBBON_SPRING_TIME), 0, static_cast<int>(RIBBON_SPRING_TIME_ARRAY.size()) - 1);
}

void TSoundEngine::setRibbbonSpringOff() { engine.ribbonSpringOn = false; }

void TSoundEngine::requestRibbonSpringOff() {
    engine.ribbonSpringRequest.store(TEngineState::SPRING_OFF_REQUESTED, std::memory_order_release);
}

void TSoundEngine::requestRibbonSpringOn() {
    engine.ribbonSpringRequest.store(TEngineState::SPRING_ON_REQUESTED, std::memory_order_release);
}

void TSoundEngine::setRibbonSpringOn() {
    engine.ribbonSpringOn = true;
    const int t = getRibbonSpringTime();
    if (t == SPRING_OFF) {
        engine.ribbonSpringStep = 0;
        engine.ribbonSpringOn = false;
        return;
    }
    const double rest = paramOn(tag::RIBBON_BIPOLAR) ? 0.5 : 0.0;
    mod.ribbonSpringRest = rest;
    const double v = programValue(tag::RIBBON_VALUE);
    if (std::fabs(v - rest) < 0.0001) {
        engine.ribbonSpringOn = false;
        engine.ribbonSpringStep = 0;
        return;
    }
    engine.ribbonPos = v;
    if (t == SPRING_INSTANT) {
        // A whole-range step reaches the rest at the next frame.
        engine.ribbonSpringStep = v >= rest + SPRING_STILL ? -1.0 : (v <= rest - SPRING_STILL ? 1.0 : 0.0);
        return;
    }
    const double springFrames = static_cast<double>(RIBBON_SPRING_TIME_ARRAY[t]) * rate.samplesPerBar;
    if (!(springFrames > 0.0) || !std::isfinite(springFrames)) {
        engine.ribbonSpringStep = v >= rest ? -1.0 : 1.0;
        return;
    }
    engine.ribbonSpringStep = (rest - engine.ribbonPos) / springFrames;
}

// One frame of the ribbon: settings at the control step, the spring motion,
// then the "Ribbon" source.
void TSoundEngine::updateRibbon() {
    if ((engine.frameCount & TEngineState::CONTROL_STEP_MASK) == 0) {
        engine.ribbonBipolar = paramOn(tag::RIBBON_BIPOLAR);
        const double smooth = mod.globalModDest[destination::RIBBON_SMOOTH];
        // Kept inside 0..1: a negative "Ribbon Smooth" would otherwise give a
        // coefficient that alternates in sign or grows without bound.
        engine.ribbonSmoothCoef =
            static_cast<float>(clampFinite((1.0 - std::exp2(-10.0 * smooth)) * 0.1 + 0.9, 0.0, 0.999999));
        engine.ribbonQuantIndex = getRibbonQuant();
        engine.ribbonQuantDiv = RIBBON_QUANT_DIVIDE[engine.ribbonQuantIndex];
    }

    if (std::fabs(engine.ribbonSpringStep) < SPRING_STILL) {
        engine.ribbonSpringOn = false;
    } else if (engine.ribbonSpringOn) {
        const double target = mod.ribbonSpringRest;
        const double speed = static_cast<double>(mod.globalModDest[destination::RIBBON_SPEED]) *
                             mod.globalModDest[destination::GLOBAL_SPEED];
        double next = engine.ribbonPos + speed * engine.ribbonSpringStep;
        if (!std::isfinite(next)) next = target;
        const bool movingDown = engine.ribbonSpringStep < 0;
        if ((movingDown && next <= target) || (!movingDown && next >= target)) {
            next = target;
            engine.ribbonSpringOn = false;
        }
        engine.ribbonPos = next;
        upward.setParameterFromEngine(tag::RIBBON_VALUE, static_cast<float>(next));
    }

    double v = paramValue(tag::RIBBON_VALUE);
    if (engine.ribbonBipolar) v = clampFinite(2.0 * v - 1.0, -1.0, 1.0);
    if (engine.ribbonQuantIndex != 0 && engine.ribbonQuantDiv > 0)
        v = std::floor(v * engine.ribbonQuantDiv + 0.5) / engine.ribbonQuantDiv;
    engine.ribbonSmoothed = engine.ribbonSmoothCoef * engine.ribbonSmoothed + (1.0 - engine.ribbonSmoothCoef) * v;
    const float source = static_cast<float>(
        clampFinite(engine.ribbonSmoothed + mod.globalModDest[destination::RIBBON_VALUE], -1.0, 1.0));
    mod.globalModSrc()[source::RIBBON] = source;
    if (!mod.voiceRibbonSourceKnown || std::bit_cast<std::uint32_t>(source) !=
                                           std::bit_cast<std::uint32_t>(mod.voiceRibbonSource)) {
        for (int v = 0; v < NUM_VOICES; ++v) mod.voiceModSrc(v)[source::RIBBON] = source;
        mod.voiceRibbonSource = source;
        mod.voiceRibbonSourceKnown = true;
    }
}
