// The engine as a whole: what it is built with, its start-up and the host's
// sample rate.
#include "engine/SoundEngine.h"

#include <cmath>

TSoundEngine::TSoundEngine(const TParameterAttributes& attr, TParameterValues& values, THandOffFlags& flags,
                           TEngineHost& host)
    : parameterAttributes(attr), parameterValues(values), handOff(flags), upward(host) {}

void TSoundEngine::start() {
    // The MIDI controller map and the receive channel from the preferences;
    // the parameter model's start has already cleared every soft-takeover reference.
    loadMIDIPreferences();
    // Lookup tables, voice units, modulation and LFOs; the reset sets the
    // filters and effects up.
    initEngineUnits();
    initModulation();
    reset();
}

void TSoundEngine::setSampleRate(float newRate) {
    if (!(newRate >= 5.0f && newRate <= 500000.0f)) return;  // NaN fails too
    if (std::fabs(newRate - rate.curSampleRate) < 0.00001f) return;

    rate.curSampleRate = newRate;
    rate.curSampleRateD = newRate;
    rate.invSampleRate = 1.0f / newRate;
    rate.dcCoef = 30.0f / (2.0f * newRate);
    rate.overSampleRate = 2.0f * newRate;
    rate.invOverSampleRate = 1.0f / (2.0f * newRate);
    rate.lfoBaseInc = (1.71875 / newRate) * 0.00390625;
    rate.barFactor = 240.0f * newRate;
    rate.rateOverTempo = newRate / rate.tempo;
    rate.samplesPerBar = 240.0f * newRate / rate.tempo;
    // The base note, the Gator, the voices, the filters and the effects follow
    // the new rate from here as the engine grows.
    updateBaseNote();
    turnAllVoicesOff();
    initFilters();
}
