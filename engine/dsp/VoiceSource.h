// The raw source of one voice, rendered per host frame as two sub-samples at
// twice the host rate: noise, tuned noise, synced noise, the four-shape wave
// morph or the voice's sample, then the wave/sample noise blend, the wave
// fold and the sub oscillator. Audio thread only; nothing allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/dsp/EngineTables.h"
#include "engine/dsp/PinkNoise.h"
#include "engine/dsp/StereoTypes.h"
#include "engine/dsp/TFilter.h"
#include "engine/dsp/VectorLanes.h"

constexpr int VOICE_SOURCE_VOICES = 16;

// Source modes in the order of the source-mode names.
enum SourceMode {
    SOURCE_NOISE,
    SOURCE_TUNED_NOISE,
    SOURCE_SYNCED_NOISE,
    SOURCE_WAVE,
    SOURCE_SAMPLE,
};

// The two tables a morph reads and the blend between them, kept while the
// morph position and the band index hold still (argument NaN: nothing kept
// yet, so the first frame always looks them up).
struct TWaveReadCache {
    float argument = std::numeric_limits<float>::quiet_NaN();
    int bandIndex = -1;
    const float* table = nullptr;
    const float* nextTable = nullptr;
    // The blend and 1 - blend, once for each lane of a frame.
    alignas(16) float blendLanes[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    alignas(16) float keepLanes[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};

// How much noise a wave or sample frame takes in, and which noise.
struct TNoiseBlend {
    // The amount and 1 - amount, once for each lane of a frame.
    alignas(16) float amountLanes[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    alignas(16) float keepLanes[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    bool useWhite = false;
    bool noNoise = true;  // amount 0
};

// The wave/sample noise amount for one knob value and one modulation value,
// kept while both hold still (NaN: nothing kept yet).
struct TNoiseBlendCache {
    float knob = std::numeric_limits<float>::quiet_NaN();
    float modulation = std::numeric_limits<float>::quiet_NaN();
    TNoiseBlend blend;
};

// The source's own state per voice (struct of arrays). The pitch increments
// and table indices are the voice's, set every frame by the block loop, and
// come in with TVoiceSourceInput.
struct TVoiceSourceState {
    float voicePhase[VOICE_SOURCE_VOICES] = {};  // 0..1: wave and synced-noise cycle
    float voiceLevel[VOICE_SOURCE_VOICES] = {};  // wave feedback: lane 0 x lane 2 x 0.5 of the last frame
    int32_t syncStart[VOICE_SOURCE_VOICES] = {};  // synced noise: segment start in the noise tables
    int32_t syncPos[VOICE_SOURCE_VOICES] = {};    // synced noise: read position, always 0..65535
    float subPhase[VOICE_SOURCE_VOICES] = {};     // 0..1: sub-oscillator cycle
    // What a voice keeps between frames, side by side so that one address
    // serves all three.
    struct TCaches {
        TWaveReadCache waveRead;
        TWaveReadCache subRead;
        TNoiseBlendCache noiseBlend;
    };
    TCaches caches[VOICE_SOURCE_VOICES] = {};
};

// What every voice of a frame shares while the "Wave" source's own
// destinations hold the same value in every voice (no route writes them), the
// sub oscillator is silent and the fold is off: the sums of parameter and
// destination, and what follows from them, are then taken once a frame.
struct TSteadyWaveFrame {
    bool active = false;
    float morphArgument = 0.0f;  // (waveMix + sourceMix + 40) x 3
    float feedbackGain = 0.0f;   // (waveFeedback + sourceFeedback) x 0.75
    float sourcePhase = 0.0f;
    bool unwarped = true;        // the symmetry is 0.5
    float symmetry = 0.5f;
    float symmetryRest = 0.5f;   // 1 - symmetry
    TNoiseBlend noise;
    // The morph's two shapes at band 0 (a band's table lies waveTableOffset
    // entries further on) and their blend, kept while morphArgument holds
    // still (argument NaN: nothing kept yet).
    TWaveReadCache morph;
    // feedbackGain, sourcePhase, symmetry and symmetryRest in every lane,
    // for four voices at once.
    Lanes feedbackGainLanes{}, sourcePhaseLanes{}, symmetryLanes{}, symmetryRestLanes{};
    // The input values all of the above follow from, as last worked out (bit
    // for bit): a frame whose values match them is not worked out again.
    struct TInputs {
        // TVoiceSourceInput's noiseMix to sourceWrap, which lie side by side.
        alignas(16) float values[12] = {};
        int32_t sourceMode = -1;
        float subVolumeSmoothed = 0.0f;
    };
    TInputs preparedFrom;
    bool prepared = false;
};

// Where the band of a wave index (0..127, clamped) starts in the tables of a
// wave shape, counted in entries from the shape's band 0.
int waveTableOffset(int waveIndex);

// What one frame of one voice needs besides the state. The fields named after
// a parameter are its current value (curValue); the fields named after a
// destination are the voice's destination value (voiceModDest[v]). The
// defaults are the neutral values: no modulation, full sub volume ratio.
struct TVoiceSourceInput {
    int sourceMode = SOURCE_NOISE;  // stepped "Source Mode"
    float sampleRate = 44100.0f;    // host rate
    float voiceInc = 0.0f;          // cycles per sub-sample
    float subInc = 0.0f;            // cycles per sub-sample
    int waveIndex = 0;              // 0..127, band choice of the wave
    int subIndex = 0;               // 0..115, band choice of the sub oscillator

    // Parameter values.
    float noiseMix = 0.0f;            // 14 "Noise Mix"
    float waveMix = 0.0f;             // 15 "Wave Mix"
    float waveSampleNoiseMix = 0.5f;  // 16 "Wave/Sample Noise Mix" (0.5: no noise)
    float waveSymmetry = 0.5f;        // 17 "Wave Symmetry" (0.5: unwarped)
    float waveFeedback = 0.0f;        // 18 "Wave Feedback"

    // Destination values of the voice.
    float sourceMix = 0.0f;              // 10 "Source Mix"
    float sourceBandWidth = 0.0f;        // 11 "Source Band Width"
    float sourceWaveSampleNoise = 0.0f;  // 12 "Source Wave/Sample Noise"
    float sourceSymmetry = 0.0f;         // 13 "Source Symmetry"
    float sourceFeedback = 0.0f;         // 14 "Source Feedback"
    float sourcePhase = 0.0f;            // 15 "Source Phase"
    float sourceWrap = 0.0f;             // 16 "Source Wrap"
    float subVolume = 1.0f;              // 21 "Sub Volume" (a ratio)
    float subPan = 0.0f;                 // 22 "Sub Pan"
    float subWaveMix = 0.0f;             // 23 "Sub Wave Mix"
    float subSymmetry = 0.0f;            // 26 "Sub Symmetry"
    float subPhaseOffset = 0.0f;         // 27 "Sub Phase"

    // Sub volume of the output stage: the smoothed value gates the sub
    // oscillator, the gain scales it.
    float subVolumeSmoothed = 0.0f;
    float subVolumeGain = 0.0f;

    // "Sample" mode plays these lanes, rendered by the sample playback
    // (silence until it is wired).
    stereoOverStruct sampleFrame;

    // Set by prepareSteadyWaveFrame; inactive by default.
    TSteadyWaveFrame steadyWave;
};

// The voice's own part of the input in two copies: the seven destinations
// "Source Mix" to "Source Wrap", which the modulation table keeps side by side
// in the order of the fields, and the sub oscillator's "Sub Volume", "Sub Pan",
// "Sub Wave Mix" (three side by side), "Sub Symmetry" and "Sub Phase" (two).
inline void setSourceDestinations(TVoiceSourceInput& input, const float* sourceMixOnwards) {
    static_assert(offsetof(TVoiceSourceInput, sourceWrap) - offsetof(TVoiceSourceInput, sourceMix) == 6 * sizeof(float));
    std::memcpy(reinterpret_cast<char*>(&input) + offsetof(TVoiceSourceInput, sourceMix), sourceMixOnwards,
                7 * sizeof(float));
}
inline void setSubDestinations(TVoiceSourceInput& input, const float* subVolumeOnwards,
                               const float* subSymmetryOnwards) {
    static_assert(offsetof(TVoiceSourceInput, subWaveMix) - offsetof(TVoiceSourceInput, subVolume) == 2 * sizeof(float));
    static_assert(offsetof(TVoiceSourceInput, subPhaseOffset) - offsetof(TVoiceSourceInput, subSymmetry) ==
                  sizeof(float));
    std::memcpy(reinterpret_cast<char*>(&input) + offsetof(TVoiceSourceInput, subVolume), subVolumeOnwards,
                3 * sizeof(float));
    std::memcpy(reinterpret_cast<char*>(&input) + offsetof(TVoiceSourceInput, subSymmetry), subSymmetryOnwards,
                2 * sizeof(float));
}

// Fills input.steadyWave from the input's parameter values and its
// destination values, which must be those of every voice of the frame; it
// stays inactive unless the source is "Wave", the fold is off and the sub
// oscillator silent. It is worked out again only when one of the values it
// follows from moved since the last call.
inline void prepareSteadyWaveFrame(TVoiceSourceInput& input);
// The same, worked out whatever moved.
void refreshSteadyWaveFrame(TVoiceSourceInput& input);

// Renders one frame of voice v (0..15; another index renders silence and
// touches nothing). Draws two white values from `seed` and two pink values
// of voice v from `pinkNoise` every frame, whatever the mode. `bandPass` is
// the voice's band-pass filter, used by "Tuned Noise". When `noiseAmount` is
// given, the wave/sample noise amount of modes 3 and 4 is stored there (the
// display of the current voice). Never returns NaN or infinity.
// Inline (defined in VoiceSourceFrame.h): it runs for every voice and frame.
// The block loop calls voicesource::renderVoiceSourceFrame, the same without
// the voice check, which hands the frame over as four lanes.
inline stereoOverStruct renderVoiceSource(int v, const TVoiceSourceInput& input, TVoiceSourceState& state,
                                          const TEngineTables& tables, TPinkNoise& pinkNoise, TRandSeed& seed,
                                          TFilter& bandPass, float* noiseAmount = nullptr);

// Note start: the wave phase and feedback level restart at 0, row 4 of the
// voice's pink noise is cleared, and the synced noise starts its segment at a
// random place (one step of `seed`). The sub oscillator runs on.
void startVoiceSource(int v, TVoiceSourceState& state, TPinkNoise& pinkNoise, TRandSeed& seed);

#include "engine/dsp/VoiceSourceFrame.h"
