// The effects chain: Low-Fi, Mod FX, Delay and Reverb in one of 24 orders
// ("FX Path"), each stage with its own switch, a smoothed wet/dry mix and a
// pan of its wet signal, after the voices are mixed and before the output
// stage. Runs once per stereo frame.
//
// How the engine drives it (all on the audio thread):
//   - at start-up, at a sample-rate change (taken at a block start), at a
//     reset and when a preview note ends: setSampleRate() if the rate
//     changed, then initFX(); at a rate change and a reset restartGator()
//     as well;
//   - at every global control step (and a forced one): controlStep() with
//     the effect controls, for the stages' switches, the Mod FX mode and
//     the Gator's pattern;
//   - when the host transport starts: restartModulation();
//   - every frame the silence gate lets through: process() with that frame's
//     effect parameters, global modulation sums, tempo and "FX Path", then
//     the sources() of that frame to the modulation sources in use; or,
//     while runsNoStage(), passFrame(), which reads no control and leaves
//     no source.
// Every other setting follows the values of its frame; a group of settings
// is worked out again only in a frame where a value it comes from moved.
// The modulation sums and the tempo are the engine's control-step values:
// they move only at a control step, and are looked at after each.
// getGaterPos() may be called from any thread.
//
// Plain class, about 5 MB held by value plus 22 MB of delay lines allocated
// by the constructor; nothing allocates, locks or waits after that.
#pragma once

#include <array>
#include <cstdint>

#include "engine/dsp/EngineTables.h"
#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/fx/FxControls.h"
#include "engine/fx/FxTables.h"
#include "engine/fx/TBasicReverb.h"
#include "engine/fx/TDelay.h"
#include "engine/fx/TLowFi.h"
#include "engine/fx/TModFX.h"

// What a frame of the chain leaves for the modulation engine.
struct TFxSources {
    // (left + right) x 4 of each stage's output, in stage numbers (sources
    // "Low-Fi Output" to "Reverb Output"); meaningful for the stages that ran.
    std::array<float, FX_STAGE_COUNT> stageOutput{};
    unsigned stagesRun = 0;  // bit s: stage s ran this frame
    // The Gator's gains ("Gator Left", "Gator Right"; "Gator Average" is
    // their mean), when the Mod FX stage ran in the Gator mode.
    bool gatorRan = false;
    stereoStruct gatorGain;

    bool stageRan(int stage) const { return (stagesRun >> stage) & 1u; }
};

class TEffectsChain {
public:
    // Rates the chain is built for; others are held at these bounds.
    static constexpr float LOWEST_RATE = 1000.0f;
    static constexpr float HIGHEST_RATE = TModFXDelayModes::HIGHEST_RATE;

    // tables and randSeed belong to the engine and outlive the chain; the
    // chain reads the LFO shapes and the unipolar sine, and draws its noise
    // and humanize values from the seed the engine's other random users share.
    TEffectsChain(const TEngineTables& tables, TRandSeed& randSeed);
    TEffectsChain(const TEffectsChain&) = delete;
    TEffectsChain& operator=(const TEffectsChain&) = delete;

    // The rate for the next initFX().
    void setSampleRate(float rate);
    // Clears everything that holds sound, sets the mix smoothers to their
    // parameters, restarts the Mod FX modulator and the frame counter, and
    // takes the controls as a control step would. The Gator goes on where
    // it was: a preview note's end or a new play mode keeps the rhythm.
    void initFX(const TFxControls& controls);
    // The stages' switches, "Bypass All FX", the Mod FX mode (a change
    // resets the Mod FX) and the Gator's pattern.
    void controlStep(const TFxControls& controls);
    // Transport start: the Mod FX modulator and the Gator start again.
    void restartModulation();
    // The Gator alone back to its first step, at the levels of the pattern
    // the last control step took (a rate change, a reset).
    void restartGator();
    // One frame, with the controls of this frame. With "Bypass All FX" on
    // the input passes and nothing moves.
    stereoStruct process(stereoStruct in, const TFxView& controls);
    // Whether the stages' switches leave every stage off: a frame then
    // reads none of its controls, and passFrame() gives what process() would.
    bool runsNoStage() const { return noStageOn; }
    // process() of a frame that runs no stage: the input, a value that is
    // not a number as 0 (with "Bypass All FX" on, as it is), the frame counted.
    stereoStruct passFrame(stereoStruct in);

    const TFxSources& sources() const { return frameSources; }
    bool isBypassed() const { return bypassAll; }
    int getGaterPos() const { return modFX.gator().getGaterPos(); }
    float getSampleRate() const { return sampleRate; }
    std::uint32_t getFrameCount() const { return frameCount; }
    // Tests start the counter where a long run would have taken it (just
    // after an initFX()).
    void setFrameCountForTest(std::uint32_t count) { frameCount = lastReverbUpdate = count; }
    // The next frame works every setting out afresh, moved or not: tests
    // hold the settings kept between frames against settings made anew.
    void forgetSettingsForTest() { forgetSettings(); }

    // The units, for inspection.
    const TModFX& modFXUnit() const { return modFX; }
    const TDelay& delayUnit() const { return fxDelay; }
    const TBasicReverb& reverbUnit() const { return reverb; }
    const TDelay& preDelayUnit() const { return reverbDelay; }
    const TLowFi& lowFiUnit() const { return lowFi; }

private:
    // The mix law every stage ends with, the four stages one lane each:
    // the smoothers of the stages that are on move together, once a frame.
    struct StageMixes {
        alignas(16) float smooth[FX_STAGE_COUNT] = {};
        alignas(16) float running[FX_STAGE_COUNT] = {};  // all bits set for a stage that is on
        // The mix parameters (0..1) and the mix modulation as the stages read them.
        alignas(16) float parameter[FX_STAGE_COUNT] = {};
        alignas(16) float mixModulation[FX_STAGE_COUNT] = {};
        // This frame's gains: dry, wet, and the wet's pan gains with the
        // stage's share of it (0.9 for the delay).
        alignas(16) float dry[FX_STAGE_COUNT] = {};
        alignas(16) float wet[FX_STAGE_COUNT] = {};
        alignas(16) float panLeft[FX_STAGE_COUNT] = {};
        alignas(16) float panRight[FX_STAGE_COUNT] = {};

        // The mix parameters, the mix modulation and the pans of the four stages.
        void setControls(const TFxView& c);
        // This frame's gains.
        void advance();
        stereoStruct apply(int stage, stereoStruct x, stereoStruct w) const {
            return stereoStruct{x.left * dry[stage] + w.left * panLeft[stage] * wet[stage],
                                x.right * dry[stage] + w.right * panRight[stage] * wet[stage]};
        }
    };

    void setDelaySettings(const TFxView& c);
    void setPreDelay(const TFxView& c);
    void updateReverb(const TFxView& c);
    void forgetSettings();
    // Whether a parameter differs from the last frame's, or a control step
    // came between (which may have moved anything); keeps this frame's.
    bool controlsMoved(const TFxView& c);
    stereoStruct runStage(int stage, stereoStruct x, const TFxView& c, bool moved);
    stereoStruct runReverb(stereoStruct x, const TFxView& c, bool moved);

    TRandSeed& seed;
    float sampleRate = 44100.0f;
    std::uint32_t frameCount = 0;
    TFxSources frameSources;

    // Control-step values.
    bool bypassAll = false;
    std::array<bool, FX_STAGE_COUNT> stageOn{};
    bool noStageOn = true;
    StageMixes mix;
    // The parameters of the last frame (not known again after a control
    // step), and what the stages' settings were last worked out from.
    alignas(16) std::array<float, TFxControls::TAG_COUNT> lastParameters{};
    bool lastParametersKnown = false;
    TFxWatch<tag::LOW_FI_SAMPLE_RATE, tag::LOW_FI_BITS, destination::LOWFI_SAMPLE_RATE, destination::LOWFI_HIGH_PASS,
             false>
        lowFiFrom;
    TFxWatch<tag::DELAY_TEMPO_SYNC, tag::DELAY_HIGHPASS_FILTER_FREQUENCY, destination::DELAY_LEFT,
             destination::DELAY_HIGH_PASS, true>
        delayFrom;
    TFxWatch<tag::REVERB_PRE_DELAY, tag::REVERB_PRE_DELAY, destination::REVERB_PREDELAY, destination::REVERB_PREWIDEN,
             false>
        preDelayFrom;
    // The reverb's slow modulation.
    std::array<double, 4> widenPhase{};
    std::array<double, 2> combModPhase{};
    std::uint32_t lastReverbUpdate = 0;

    TLowFi lowFi;
    TModFX modFX;
    TDelay fxDelay;
    TDelay reverbDelay;
    TBasicReverb reverb;
};
