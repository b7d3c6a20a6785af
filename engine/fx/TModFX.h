// The Mod FX stage's wet path: a stereo modulator (an LFO with symmetry,
// phase, separation, spread, humanize, bias, bits and sample-and-hold), one
// of ten modes grouped by kind, the limiter of the Flanger and Phaser, and a
// low-pass and high-pass on the result.
//
// Plain class; the constructor allocates the delay modes' memory. Audio
// thread only, but for getGaterPos().
#pragma once

#include <array>
#include <cstdint>

#include "engine/dsp/EngineTables.h"
#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/TFilter.h"
#include "engine/fx/FxControls.h"
#include "engine/fx/ModFXDelayModes.h"
#include "engine/fx/ModFXFilterModes.h"
#include "engine/fx/ModFXGainModes.h"
#include "engine/fx/ModFXValues.h"
#include "engine/fx/TGator.h"

// What runs in the Mod FX from the chain's start, whether a note plays or
// not, as cycles per frame: up to six (the Ensemble's taps).
struct TModFXCycles {
    std::array<double, TModFXDelayModes::ENSEMBLE_TAPS> cyclesPerFrame{};
    int count = 0;
};

class TModFX {
public:
    // Mode numbers of "Mod FX Mode".
    enum Mode { CHORUS, FLANGER, ENSEMBLE, PHASER, WAH_WAH, TALK_BOX, TREMOLO, AUTO_PAN, RING, GATOR, MODE_COUNT };
    static constexpr float LIMITER_CEILING = 1.2f;

    // tables: the LFO shapes and the unipolar sine, kept by the owner.
    explicit TModFX(const TEngineTables& tables);
    TModFX(const TModFX&) = delete;
    TModFX& operator=(const TModFX&) = delete;

    void setSampleRate(float rate) {
        sampleRate = rate;
        settingsFrom.forget();
    }
    // The post-filters set up at the rate and the Mod FX state reset (the
    // FX initialisation); the Gator goes on.
    void init();
    // The state reset of a mode change: modulator, limiter and the modes'
    // memory, the swept filter's among it; not the post-filters or the Gator.
    void initModFX();
    // Transport start: the modulator and the Gator start again in time with the host.
    void restart();
    // At the control step: the mode (a change resets the Mod FX state; the
    // result says so) and the Gator's step pattern.
    bool controlStep(const TFxControls& controls);
    // This frame's settings from the parameters, the modulation and the
    // tempo, before process(). They are worked out again only when one of
    // the values they come from moved since the last frame.
    void setControls(const TFxView& controls);
    // The next setControls() works the settings out whether they moved or
    // not, and the swept filter its coefficients.
    void forgetSettings() {
        settingsFrom.forget();
        filterModeUnit.forgetKeptCoefficients();
    }
    // The wet frame for the input x. frame: the chain's frame counter.
    stereoStruct process(stereoStruct x, std::uint32_t frame, TRandSeed& seed);

    int getMode() const { return mode; }
    TModFXModulation getModOut() const { return modOut; }
    float getRate() const { return values.rate; }
    float getLimiterEnv() const { return limiterEnv; }
    const TGator& gator() const { return gatorUnit; }
    TGator& gator() { return gatorUnit; }
    const TModFXDelayModes& delayModes() const { return delayModeUnit; }
    const TModFXFilterModes& filterModes() const { return filterModeUnit; }
    // The Flanger and Phaser limiter on a frame (exposed for its own tests).
    stereoStruct limit(stereoStruct w);

    // The controls as every mode reads them, at a sample rate.
    static TModFXValues valuesOf(const TFxView& controls, float sampleRate);
    // What a mode hears run on its own for the controls: the modulator, at
    // the spread's multiple on the right (the Chorus to the AutoPan), the
    // six taps (the Ensemble, which reads no modulator), the carrier (the
    // Ring) or the step pattern (the Gator). What stands still is left out.
    static TModFXCycles freeRunningCycles(int mode, const TFxView& controls, float sampleRate);

private:
    static float spreadOf(const TFxView& c);
    void computeSettings(const TFxView& c);
    void readModulatorSettings(const TFxView& c);
    TModFXModulation runModulator(TRandSeed& seed);
    float skewed(float x) const;
    float waveValue(float x) const;
    float shaped(float out) const;
    stereoStruct runMode(stereoStruct x, TModFXModulation m, std::uint32_t frame);

    const TEngineTables& tables;
    float sampleRate = 44100.0f;
    int mode = CHORUS;
    TModFXValues values;
    // "Mod FX Tempo Sync" to "Mod FX 5", their modulation to "Mod FX Q", and the tempo.
    TFxWatch<tag::MOD_FX_TEMPO_SYNC, tag::MOD_FX_5, destination::MOD_FX_1, destination::MOD_FX_Q, true> settingsFrom;

    // Modulator settings.
    int wave = LFO_SINE_UP;
    float symmetry = 0.5f;
    float firstHalfScale = 1.0f, secondHalfScale = 1.0f;  // 0.5 / s, 0.5 / (1 - s)
    float phaseOffset = 10.0f;
    float separation = 0.0f;
    float spread = 1.0f;
    float humanize = 0.0f;
    float bias = 0.0f;
    bool bitsOn = false;
    float bitLevels = 1.0f;
    float holdStep = 1.0f;
    float lowPassCutoff = 1.0f;
    float highPassCutoff = 0.0f;
    // Modulator state. The phases are doubles, as the Movement's are: at the
    // slowest speed (0.0067 Hz) a step is 1.5e-7 of a cycle, a few units in
    // the last place of a float phase, and a float would round every step so
    // that the cycle came out 6.5 % short at 44.1 kHz (7.6 % long at 48 kHz).
    double modPhase[2] = {0.0, 0.0};
    float modRateMul[2] = {1.0f, 1.0f};
    float modSH = 0.0f;
    float modHold[2] = {0.0f, 0.0f};
    float modHoldCounter = 0.0f;
    TModFXModulation modOut;
    float limiterEnv = 1.0f;

    TModFXDelayModes delayModeUnit;
    TModFXFilterModes filterModeUnit;
    TModFXGainModes gainModeUnit;
    TGator gatorUnit;
    TFilter lowPass;
    TFilter highPass;
};
