// The engine as a whole: what it is built with, its start-up and the host's
// sample rate.
#include "engine/SoundEngine.h"

#include "engine/SampleState.h"

#include <cmath>

TSoundEngine::TSoundEngine(const TParameterAttributes& attr, TParameterValues& values, THandOffFlags& flags,
                           TEngineHost& host)
    : sampleState(std::make_unique<TSampleState>()),
      samples(*sampleState),
      parameterAttributes(attr),
      parameterValues(values),
      handOff(flags),
      upward(host) {}

TSoundEngine::~TSoundEngine() = default;

void TSoundEngine::start() {
    // The MIDI controller map and the receive channel from the preferences;
    // the parameter model's start has already cleared every soft-takeover reference.
    loadMIDIPreferences();
    // Lookup tables, voice units, modulation and LFOs; the reset sets the
    // filters and effects up. No block runs yet, so the rate asked for
    // before the start is taken here.
    initEngineUnits();
    initModulation();
    takeSampleRate();
    reset();
}

// The host may set the rate from any thread, even while a block renders; the
// delay lines, the reverb and the voices it resets are the audio thread's,
// so only the request is kept here.
void TSoundEngine::setSampleRate(float newRate) {
    if (!(newRate >= 5.0f && newRate <= 500000.0f)) return;  // NaN fails too
    engine.sampleRateRequested.store(newRate, std::memory_order_release);
}

// Block start (audio thread): the rate requested, and what follows from it.
void TSoundEngine::takeSampleRate() {
    const float newRate = engine.sampleRateRequested.exchange(0.0f, std::memory_order_acquire);
    if (newRate == 0.0f || std::fabs(newRate - rate.curSampleRate) < 0.00001f) return;

    rate.curSampleRate = newRate;
    rate.curSampleRateD = newRate;
    rate.invSampleRate = 1.0f / newRate;
    rate.dcCoef = 30.0f / (2.0f * newRate);
    rate.overSampleRate = 2.0f * newRate;
    rate.invOverSampleRate = 1.0f / (2.0f * newRate);
    rate.barFactor = 240.0f * newRate;
    rate.rateOverTempo = newRate / rate.tempo;
    rate.samplesPerBar = 240.0f * newRate / rate.tempo;
    updateBaseNote();
    // The Gator starts its pattern again from the first step (at the levels
    // of the last control step), as everything below starts afresh.
    fx.restartGator();
    turnAllVoicesOff();
    initFilters();
    // The delay lines, the reverb and the effect filters start afresh at the new rate.
    fx.setSampleRate(newRate);
    initFX();
}
