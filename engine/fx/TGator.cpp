#include "engine/fx/TGator.h"

#include <cmath>
#include <cstdint>

#include "engine/dsp/GatorPattern.h"
#include "engine/fx/FxTables.h"

void TGator::setPattern(const TFxControls& c) {
    // Read as the editor's display and menu read it, so they show what plays.
    const std::uint32_t leftMask = gator::patternMask(c.param(tag::MOD_FX_4));
    const std::uint32_t rightMask = gator::patternMask(c.param(tag::MOD_FX_5));
    for (int k = 0; k < MAX_STEPS; ++k)
        level[k] = stereoStruct{(leftMask >> k) & 1u ? 1.0f : 0.0f, (rightMask >> k) & 1u ? 1.0f : 0.0f};
}

int TGator::stepsOf(const TFxView& c) { return c.step(tag::MOD_FX_3, 15.99f, MAX_STEPS) + 1; }

double TGator::stepsPerFrame(const TFxView& c, float sampleRate) {
    // Speed entry i gives 2 x GATER_SPEED_TIME[i] steps per sixteenth note;
    // "Mod FX 1" modulation scales it by 4 per unit, in double so that it
    // stays finite for any modulation the chain takes.
    const double stepTime = 2.0 * GATER_SPEED_TIME[static_cast<size_t>(c.step(tag::MOD_FX_1, 33.99f, 34))];
    const double sixteenthsPerFrame = c.beatsPerMinute() / 15.0 / sampleRate;
    return sixteenthsPerFrame * stepTime * std::exp2(2.0 * static_cast<double>(c.mod(destination::MOD_FX_1)));
}

void TGator::setControls(const TFxView& c, float sampleRate) {
    steps = stepsOf(c);
    increment = stepsPerFrame(c, sampleRate);
    smoothing = std::exp2(20.0f * c.clamped(tag::MOD_FX_2, destination::MOD_FX_1 + 1) - 8.0f);
}

void TGator::restart() {
    phase = 0.0;
    gain = level[0];
    position.store(0, std::memory_order_relaxed);
}

int TGator::stepAt(double phase, int steps) {
    return static_cast<int>(static_cast<long long>(phase) % (steps > 0 ? steps : 1));
}

stereoStruct TGator::process(stereoStruct x) {
    const int k = stepAt(phase, steps);
    gain.left = (smoothing * gain.left + level[k].left) / (smoothing + 1.0f) + 1e-15f;
    gain.right = (smoothing * gain.right + level[k].right) / (smoothing + 1.0f) + 1e-15f;
    phase += increment;
    if (phase >= PHASE_WRAP) phase = std::fmod(phase, PHASE_WRAP);
    // The editor marks the step the phase has reached: the step of the next
    // frame, which differs from this frame's only at a step boundary.
    position.store(stepAt(phase, steps), std::memory_order_relaxed);
    return stereoStruct{x.left * gain.left, x.right * gain.right};
}
