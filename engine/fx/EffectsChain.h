// The effects chain: Low-Fi, Mod FX, Delay and Reverb in one of 24 orders
// ("FX Path"), each stage with its own switch, a smoothed wet/dry mix and a
// pan of its wet signal, after the voices are mixed and before the output
// stage. Runs once per stereo frame.
//
// How the engine drives it (all on the audio thread):
//   - at start-up, at a sample-rate change (taken at a block start), at a
//     reset and when a preview note ends: setSampleRate() if the rate
//     changed, then initFX();
//   - at every global control step (and a forced one): controlStep() with
//     the effect parameters, the global modulation sums and the tempo;
//   - when the host transport starts: restartModulation();
//   - every frame the silence gate lets through: process(), then the
//     sources() of that frame to the modulation sources in use.
// getGaterPos() may be called from any thread.
//
// Plain class, about 5 MB held by value plus 18 MB of delay lines allocated
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
    // parameters, restarts the modulators and the frame counter, and takes
    // the controls as a control step would.
    void initFX(const TFxControls& controls);
    // Switches, order, mode and every stage's settings; a Mod FX mode change
    // resets the Mod FX.
    void controlStep(const TFxControls& controls);
    // Transport start: the Mod FX modulator and the Gator start again.
    void restartModulation();
    // One frame. With "Bypass All FX" on the input passes and nothing moves.
    stereoStruct process(stereoStruct in);

    const TFxSources& sources() const { return frameSources; }
    bool isBypassed() const { return bypassAll; }
    int getGaterPos() const { return modFX.gator().getGaterPos(); }
    float getSampleRate() const { return sampleRate; }
    std::uint32_t getFrameCount() const { return frameCount; }
    // Tests start the counter where a long run would have taken it (just
    // after an initFX()).
    void setFrameCountForTest(std::uint32_t count) { frameCount = lastReverbUpdate = count; }

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
        alignas(16) float parameter[FX_STAGE_COUNT] = {};  // the stages' mix parameters
        alignas(16) float mixModulation[FX_STAGE_COUNT] = {};
        alignas(16) float running[FX_STAGE_COUNT] = {};     // all bits set for a stage that is on
        // Pan gains of the wet, with the stage's share of it (0.9 for the delay).
        alignas(16) float wetLeft[FX_STAGE_COUNT] = {};
        alignas(16) float wetRight[FX_STAGE_COUNT] = {};
        // This frame's gains.
        alignas(16) float dry[FX_STAGE_COUNT] = {};
        alignas(16) float wet[FX_STAGE_COUNT] = {};

        void setControls(int stage, bool on, float mixParameter, float mix, float pan, float factor);
        void advance();
        stereoStruct apply(int stage, stereoStruct x, stereoStruct w) const {
            return stereoStruct{x.left * dry[stage] + w.left * wetLeft[stage] * wet[stage],
                                x.right * dry[stage] + w.right * wetRight[stage] * wet[stage]};
        }
    };

    void setDelaySettings(const TFxControls& c);
    void setReverbStageSettings(const TFxControls& c);
    void updateReverb();
    stereoStruct runStage(int stage, stereoStruct x);
    stereoStruct runReverb(stereoStruct x);

    TRandSeed& seed;
    float sampleRate = 44100.0f;
    std::uint32_t frameCount = 0;
    TFxSources frameSources;

    // Control-step values.
    bool bypassAll = false;
    std::array<bool, FX_STAGE_COUNT> stageOn{};
    int path = 0;
    StageMixes mix;
    // Reverb stage settings (read at its 16-frame updates).
    float reverbRoom = 0.0f, reverbDamp = 0.0f, reverbHighPass = 0.0f, reverbSize = 1.0f;
    std::array<double, 4> widenPhase{};
    std::array<double, 2> combModPhase{};
    std::uint32_t lastReverbUpdate = 0;

    TLowFi lowFi;
    TModFX modFX;
    TDelay fxDelay;
    TDelay reverbDelay;
    TBasicReverb reverb;
};
