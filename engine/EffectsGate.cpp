// The effects' place in the frame: the silence gate that lets the chain rest,
// the chain itself (engine/fx/EffectsChain.h) between the voice mix and the
// output stage, the values it hands the modulation engine, and what the chain
// reads of the engine at each frame and control step.
#include <xmmintrin.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "engine/ModTables.h"
#include "engine/SoundEngine.h"

namespace {

// |L| + |R| at or below this counts as silence for the effects gate.
constexpr float GATE_THRESHOLD = 0.0001f;

// The effect parameters of a frame, each read as the shared value it is and
// stored four at a time: the chain reads them back as vectors at once, and
// a vector load of values stored one by one would wait for those stores.
inline void readFxParameters(const TParameterValues& values, float* parameters) {
    static_assert(TFxControls::TAG_COUNT % 4 == 0);
    const TSharedFloat* shared = &values.curValue[TFxControls::FIRST_TAG];
#pragma GCC unroll 8
    for (int t = 0; t < TFxControls::TAG_COUNT; t += 4)
        _mm_store_ps(parameters + t, _mm_setr_ps(shared[t].load(), shared[t + 1].load(), shared[t + 2].load(),
                                                 shared[t + 3].load()));
}

}  // namespace

float TSoundEngine::silenceGateLimit() const { return TOutputState::SILENCE_GATE_SECONDS * rate.curSampleRate; }

// Frame step 15: the effects chain runs while its input or output was audible
// within the last eight seconds and "Bypass All FX" is off. A gate that opens
// again finds the chain as it left it.
void TSoundEngine::applyFX() {
    const auto& input = engine.fxInput;
    if (std::fabs(input[0]) + std::fabs(input[1]) > GATE_THRESHOLD) output.silentFrames = 0;
    std::array<float, 2> result = input;
    if (output.silentFrames < static_cast<std::int32_t>(silenceGateLimit()) && !fx.isBypassed()) {
        stereoStruct out;
        if (fx.runsNoStage()) {
            // No stage reads a control or gives a source this frame.
            out = fx.passFrame(stereoStruct{input[0], input[1]});
        } else {
            // This frame's effect parameters as the host and editor left them; the
            // modulation sums are the audio thread's own and read where they lie.
            alignas(16) std::array<float, TFxControls::TAG_COUNT> parameters;
            readFxParameters(parameterValues, parameters.data());
            const float path = parameters[tag::FX_PATH - TFxControls::FIRST_TAG];
            const TFxView controls(parameters.data(), &mod.globalModDest[TFxControls::FIRST_DEST], rate.tempo,
                                   output.fxPathStep(path, [&] { return paramStep(tag::FX_PATH, path); }));
            out = fx.process(stereoStruct{input[0], input[1]}, controls);
            publishFXSources();
        }
        result = {out.left, out.right};
    }
    if (std::fabs(result[0]) + std::fabs(result[1]) < GATE_THRESHOLD && output.silentFrames < INT32_MAX)
        ++output.silentFrames;
    engine.outFrame = result;
}

// The stages' outputs reach the routes that read them; the Gator's gains are
// sources whenever the Gator ran.
void TSoundEngine::publishFXSources() {
    const TFxSources& sources = fx.sources();
    if (sources.stagesRun != 0) {
        const bool inUse[FX_STAGE_COUNT] = {mod.lowFiOutputInUse, mod.modFXOutputInUse, mod.delayOutputInUse,
                                            mod.reverbOutputInUse};
        for (int stage = 0; stage < FX_STAGE_COUNT; ++stage)
            if (inUse[stage] && sources.stageRan(stage))
                setModSrc(source::LOW_FI_OUTPUT + stage, sources.stageOutput[static_cast<std::size_t>(stage)]);
    }
    if (sources.gatorRan) {
        setModSrc(source::GATOR_LEFT, sources.gatorGain.left);
        setModSrc(source::GATOR_RIGHT, sources.gatorGain.right);
        setModSrc(source::GATOR_AVERAGE, (sources.gatorGain.left + sources.gatorGain.right) * 0.5f);
    }
}

// What the chain reads at a frame and at a control step: the effect
// parameters, the global sums of the effect destinations, the tempo and the
// two menus' steps.
TFxControls TSoundEngine::fxControls() const {
    TFxControls controls;
    for (int t = 0; t < TFxControls::TAG_COUNT; ++t)
        controls.parameters[static_cast<std::size_t>(t)] = paramValue(TFxControls::FIRST_TAG + t);
    for (int d = 0; d < TFxControls::DEST_COUNT; ++d)
        controls.modulation[static_cast<std::size_t>(d)] = mod.globalModDest[TFxControls::FIRST_DEST + d];
    controls.tempo = rate.tempo;
    controls.path = paramStep(tag::FX_PATH);
    controls.modFXMode = paramStep(tag::MOD_FX_MODE);
    return controls;
}

// At start-up, a rate change, every reset and a preview note's end (audio
// thread but for start-up): the chain starts afresh from the current
// values, its frame count with it.
void TSoundEngine::initFX() {
    engine.fxFrameCount = 0;
    fx.initFX(fxControls());
}
