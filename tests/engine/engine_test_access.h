// The sound engine's private state, opened to its own tests and benchmarks
// only: what a test arranges (a voice set up by hand, a full event queue) or
// checks beyond the operations the plug-in calls.
#pragma once

#include "engine/SoundEngine.h"

struct TEngineTestAccess {
    static TEngineState& engine(TSoundEngine& e) { return e.engine; }
    static TVoiceState& voices(TSoundEngine& e) { return e.voices; }
    static const TVoiceState& voices(const TSoundEngine& e) { return e.voices; }
    static TModState& mod(TSoundEngine& e) { return e.mod; }
    static TOutputState& output(TSoundEngine& e) { return e.output; }
    static TVoiceUnits& units(TSoundEngine& e) { return e.units; }
    static TMovementState& movement(TSoundEngine& e) { return e.movement; }
    static TMidiState& midi(TSoundEngine& e) { return e.midi; }
    static TSampleState& samples(TSoundEngine& e) { return e.samples; }
    static TEffectsChain& fx(TSoundEngine& e) { return e.fx; }
};
