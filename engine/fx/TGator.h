// The Gator: a rhythmic gate of up to 16 steps per channel, the left
// pattern in "Mod FX 4" and the right in "Mod FX 5" (bit k of the value
// times 65535.9 opens step k + 1), stepping in time with the host's tempo.
//
// Plain class; process() and the settings run on the audio thread, the step
// position is read by the editor at any time.
#pragma once

#include <array>
#include <atomic>

#include "engine/dsp/StereoTypes.h"
#include "engine/fx/FxControls.h"

class TGator {
public:
    static constexpr int MAX_STEPS = 16;
    // Every pattern length 1..16 divides this, so the phase can be wrapped
    // by it without moving a step.
    static constexpr double PHASE_WRAP = 720720.0;

    // The step levels from "Mod FX 4" and "Mod FX 5", at the control step.
    void setPattern(const TFxControls& controls);
    // Speed, length and smoothing from the parameters, the modulation, the
    // tempo and the rate, every frame the Gator runs.
    void setControls(const TFxView& controls, float sampleRate);
    // Back to the first step, the gain at that step's levels.
    void restart();
    // The gated frame.
    stereoStruct process(stereoStruct x);

    stereoStruct getGain() const { return gain; }
    // The step the phase stands on after the last frame, 0..15 (0 before
    // the Gator has run and after a restart). Any thread.
    int getGaterPos() const { return position.load(std::memory_order_relaxed); }
    int getSteps() const { return steps; }
    double getPhase() const { return phase; }
    // The step of a phase for a pattern length.
    static int stepAt(double phase, int steps);
    // The pattern's length and the steps it moves per frame, for the controls.
    static int stepsOf(const TFxView& controls);
    static double stepsPerFrame(const TFxView& controls, float sampleRate);
    // Tests start the phase where a long run would have left it.
    void setPhaseForTest(double newPhase) { phase = newPhase; }

private:
    std::array<stereoStruct, MAX_STEPS> level{};
    int steps = MAX_STEPS;
    double increment = 0.0;  // steps per frame
    float smoothing = 1.0f;  // weight of the old gain against the step level (1)
    double phase = 0.0;
    stereoStruct gain;
    std::atomic<int> position{0};
};
