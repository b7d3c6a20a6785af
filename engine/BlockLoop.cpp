// The audio block loop. Every block takes one of three paths: silence while a
// program is being applied, the sample preview, or the normal path that
// renders frame by frame: MIDI at its frame, housekeeping every 4096 frames,
// the global control step every 16 frames, the 16 voices at twice the host
// rate, the mix, the effects gate and the output stage.
#include <emmintrin.h>
#include <xmmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/dsp/Exp2OfFour.h"
#include "engine/dsp/SampleMath.h"
#include "engine/dsp/VectorLanes.h"
#include "engine/dsp/ParameterTags.h"
#include "engine/ModTables.h"
#include "engine/SoundEngine.h"
#include "engine/SampleState.h"

namespace {

// Flushes denormal numbers to zero for the block and restores the host's mode.
class TDenormalGuard {
public:
    TDenormalGuard() : saved(_mm_getcsr()) { _mm_setcsr(saved | 0x8040u); }
    ~TDenormalGuard() { _mm_setcsr(saved); }
    TDenormalGuard(const TDenormalGuard&) = delete;
    TDenormalGuard& operator=(const TDenormalGuard&) = delete;

private:
    unsigned saved;
};

}  // namespace

// ---------------------------------------------------------------- entries

void TSoundEngine::processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames,
                                    const TBlockTime& time) {
    TDenormalGuard denormals;
    blockTime = time;
    // The sample slots are read from here to the block's end; data replaced
    // meanwhile is freed only after it.
    beginSampleBlock();
    takeBlockRequests();
    if (sampleFrames > 0 && (!outputs || !outputs[0] || !outputs[1])) {
        endSampleBlock();
        return;
    }
    if (sampleFrames < 0) sampleFrames = 0;

    if (handOff.settingPreset) {
        for (std::int32_t i = 0; i < sampleFrames; ++i) renderSilentFrame(i, outputs);
    } else if (engine.previewFileOn || engine.previewUserOn) {
        renderPreview(outputs, sampleFrames);
    } else {
        renderNormal(inputs, outputs, sampleFrames);
    }
    publishEditorReadouts();
    endSampleBlock();
}

// The accumulating entry adds nothing to the host's buffers; queued MIDI is
// consumed as on the silent path so that no event waits for ever.
void TSoundEngine::processDeprecated(std::int32_t sampleFrames) {
    for (std::int32_t i = 0; i < sampleFrames && midi.numMidiEvents > 0; ++i) processMidi(i);
    publishEditorReadouts();
}

// Requests made by other threads since the last block, taken here so that the
// voice arrays are written by the audio thread only.
void TSoundEngine::takeBlockRequests() {
    takeSampleRate();
    if (engine.resetRequested.exchange(false, std::memory_order_acquire)) reset();
    if (engine.voicesOffRequested.exchange(false, std::memory_order_acquire)) turnAllVoicesOff();
    if (engine.previewNoteOffRequested.exchange(false, std::memory_order_acquire)) releasePreviewNoteNow();
    if (engine.previewNoteOnRequested.exchange(false, std::memory_order_acquire)) startPreviewNoteNow();
    takePreviewRequest();
    switch (engine.ribbonSpringRequest.exchange(TEngineState::SPRING_NOT_REQUESTED, std::memory_order_acquire)) {
    case TEngineState::SPRING_ON_REQUESTED: setRibbonSpringOn(); break;
    case TEngineState::SPRING_OFF_REQUESTED: setRibbbonSpringOff(); break;
    default: break;
    }
}

void TSoundEngine::renderSilentFrame(int frame, float** outputs) {
    if (midi.numMidiEvents > 0) processMidi(frame);
    ++engine.fxFrameCount;
    outputs[0][frame] = 0;
    outputs[1][frame] = 0;
}

// ---------------------------------------------------------------- the normal path

[[gnu::flatten]] void TSoundEngine::renderNormal(float** inputs, float** outputs, std::int32_t sampleFrames) {
    if (!(handOff.settingPreset || handOff.presetPending || handOff.screenUpdatePending)) {
        // Requests the editor queued while a program was being applied.
        if (engine.waitingProgramFromNo.exchange(false, std::memory_order_acquire))
            upward.setProgramAfterWaitingFromNo();
        if (engine.waitingProgramFromName.exchange(false, std::memory_order_acquire))
            upward.setProgramAfterWaitingFromName();
        if (engine.waitingPreviewFromName.exchange(false, std::memory_order_acquire))
            upward.setPreviewAfterWaitingFromName();
    }

    const float* inputLeft = inputs ? inputs[0] : nullptr;
    const float* inputRight = inputs ? inputs[1] : nullptr;

    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        engine.outFrame = {0, 0};
        const bool housekeepingFrame = (engine.fxFrameCount & TEngineState::HOUSEKEEPING_MASK) == 0;
        // A program waiting at this frame is applied before the frame's MIDI:
        // applied after it, its voice reset would cut the notes played at the
        // same moment (every note of the first block after loading). The
        // editor still hears of it at the next tick, as before.
        const bool screenUpdateWasPending = handOff.screenUpdatePending;
        const bool programBeforeMidi = housekeepingFrame && handOff.presetPending;
        if (programBeforeMidi) applyPendingProgram();
        if (midi.numMidiEvents > 0) processMidi(i);

        engine.inputFrame = {inputLeft ? finiteOrZero(inputLeft[i]) : 0.0f,
                             inputRight ? finiteOrZero(inputRight[i]) : 0.0f};
        if (mod.inputInUse) setModSrc(source::INPUT, (engine.inputFrame[0] + engine.inputFrame[1]) * 4.0f);

        // The grid is read again after the MIDI: a note that ends a preview
        // note restarts the effects and their frame count, and the housekeeping
        // then runs at once. A screen update raised by the MIDI is delivered
        // here too, unless it is the applied program's own.
        if ((engine.fxFrameCount & TEngineState::HOUSEKEEPING_MASK) == 0)
            runHousekeeping(programBeforeMidi ? screenUpdateWasPending : handOff.screenUpdatePending.load());
        // The applied program's own update reaches the editor at the next tick.
        if (programBeforeMidi) handOff.screenUpdatePending = true;

        if (!handOff.settingPreset && !handOff.presetPending) {
            engine.voiceMix = {0, 0, 0, 0};
            if (mod.whiteNoiseInUse) {
                const float u = engine.randSeed.uniform();
                setModSrc(source::WHITE_NOISE, 2.0f * u - 1.0f);
                setModSrc(source::WHITE_UNIPOLAR_NOISE, u);
            }
            updateRibbon();
            setGlobalLFOS();
            if ((engine.frameCount & TEngineState::CONTROL_STEP_MASK) == 0 || engine.forceControlStep)
                runGlobalControlStep();
            renderVoices();
            engine.fxInput = {(engine.voiceMix[0] + engine.voiceMix[2]) * 0.5f + 1e-15f,
                              (engine.voiceMix[1] + engine.voiceMix[3]) * 0.5f + 1e-15f};
            applyFX();
        }

        runOutputStage();

        engine.forceControlStep = false;
        output.scopeRing[engine.frameCount & TOutputState::SCOPE_RING_MASK] =
            (engine.outFrame[0] + engine.outFrame[1]) * 0.5f;
        ++engine.frameCount;
        ++engine.fxFrameCount;
        outputs[0][i] = engine.outFrame[0];
        outputs[1][i] = engine.outFrame[1];
    }
}

void TSoundEngine::runHousekeeping(bool screenUpdateWasPending) {
    if (engine.ribbonSpringCountdown >= 0) {
        --engine.ribbonSpringCountdown;
        if (engine.ribbonSpringCountdown == 0) setRibbonSpringOn();
    }
    if (output.brickOn) updateBrickFilter();
    if (screenUpdateWasPending) upward.updateEditorScreen();
    if (handOff.presetPending) applyPendingProgram();
}

// The program waiting in the program record becomes the sound. The block is
// silent meanwhile (settingPreset), and MIDI arriving now is discarded.
void TSoundEngine::applyPendingProgram() {
    if (handOff.settingPreset) return;
    // Taken in one step: a request raised from here on (a chunk arriving
    // while the record is read) stays raised and is applied at the next pass.
    if (!handOff.presetPending.exchange(false)) return;
    handOff.settingPreset = true;
    upward.applyProgramValues();
    applyProgramToEngine();
    handOff.settingPreset = false;
    handOff.screenUpdatePending = true;
}

// What the engine does when a program has been applied: no gliding into it.
void TSoundEngine::applyProgramToEngine() {
    updateBaseNote();
    requestTuningForProgram();
    voices.noteCycle = 0;
    engine.forceControlStep = true;
    mod.globalModDest = mod.neutralModDest();
    output.mainVolumeSmoothed = paramValue(tag::MAIN_VOLUME);
    output.mainVolumeGain = outputstage::mainVolumeGain(output.mainVolumeSmoothed);
    voices.curVoice = 0;
    voices.lastVoice = 0;
    engine.sourceMode = paramStep(tag::SOURCE_MODE);
    voices.playMode = paramStep(tag::PLAY_MODE);
    voices.portamentoMode = paramStep(tag::PORTAMENTO_MODE);
    voices.noteStackTop = -1;
    voices.monoHeld = false;
    engine.previewPos = 0;
    engine.previewFileOn = false;
    engine.previewUserOn = false;
    engine.ribbonSpringOn = false;
    const float storedRibbon = paramValue(tag::RIBBON_VALUE);
    engine.ribbonPos = engine.ribbonSmoothed = storedRibbon;
    engine.ribbonSpringStep = 0;
    setRibbbonSpringOff();
    if (getRibbonSpringTime() != 0) {
        // A ribbon with a spring starts at rest, whatever the program stored.
        // Written past the plug-in's store, so kept as its rules keep a value.
        const float atRest = paramOn(tag::RIBBON_BIPOLAR) ? 0.5f : 0.0f;
        const float rest = storableParameterValue(parameterAttributes, tag::RIBBON_VALUE, atRest).value_or(atRest);
        const auto ribbon = static_cast<std::size_t>(tag::RIBBON_VALUE);
        // Not over a chunk that a host thread copied into the record since the
        // values were taken: its own request applies it next.
        parameterValues.programs[0].values[ribbon].replaceIf(storedRibbon, rest);
        parameterValues.curValue[ribbon] = rest;
        parameterValues.lastValue[ribbon] = rest;
        parameterValues.origValue[ribbon] = rest;
        parameterValues.captureValue[ribbon] = rest;
        engine.ribbonSpringOn = true;
        engine.ribbonPos = engine.ribbonSmoothed = rest;
        engine.ribbonSpringCountdown = -1;
    }
    reset();
}

// ---------------------------------------------------------------- global control step

void TSoundEngine::runGlobalControlStep() {
    setLastVoice();

    midi.modWheelSmoothed = SMOOTH_KEEP * midi.modWheelSmoothed + SMOOTH_TAKE * midi.modWheel + 1e-15f;
    mod.globalModSrc()[source::MOD_WHEEL] = midi.modWheelSmoothed;
    setModSrc(source::OFFSET, 1.0f);

    // Route sources in use, the sources the effects write afresh, the routes.
    buildRoutes();

    // Tempo and transport. A host tempo that is not a number keeps the last one.
    if (blockTime.known) {
        if (blockTime.tempoValid && std::isfinite(blockTime.tempo)) {
            engine.tempoD = std::clamp(blockTime.tempo, 1.0, 30000.0);
            rate.tempo = static_cast<float>(engine.tempoD);
        }
        rate.rateOverTempo = rate.curSampleRate / rate.tempo;
        rate.samplesPerBar = rate.barFactor / rate.tempo;
        engine.lastTransportPlaying = engine.transportPlaying;
        engine.transportPlaying = blockTime.transportPlaying ? 1 : 0;
        if (engine.transportPlaying && !engine.lastTransportPlaying) {
            initGlobalLFO(0);
            initGlobalLFO(1);
            // The Mod FX modulator and the Gator start in time with the host.
            fx.restartModulation();
            setRibbbonSpringOff();
        } else if (!engine.transportPlaying && engine.lastTransportPlaying) {
            setRibbbonSpringOff();
        }
    }

    // The effects take their switches, Mod FX mode (a changed mode resets
    // the Mod FX) and Gator pattern from the values of now.
    fx.controlStep(fxControls());

    updateVolumes();
    engine.tuneInc = engine.tuneRatio(2.0f * paramValue(tag::GLOBAL_TUNING) - 1.0f) * voices.baseNoteInc;

    const int sourceMode = paramStep(tag::SOURCE_MODE);
    const int playMode = paramStep(tag::PLAY_MODE);
    const int portamentoMode = paramStep(tag::PORTAMENTO_MODE);
    // A change of the way notes are played lets every sounding voice go.
    if (engine.controlStepsStarted &&
        (playMode != voices.playMode || portamentoMode != voices.portamentoMode || sourceMode != engine.sourceMode))
        releasePreviewNoteNow();
    engine.sourceMode = sourceMode;
    voices.playMode = playMode;
    voices.portamentoMode = portamentoMode;
    engine.controlStepsStarted = true;

    engine.filterDistortionMode = paramStep(tag::FILTER_DISTORTION_MODE);
    units.distortion.setType(engine.filterDistortionMode);
    engine.filterMode = paramStep(tag::FILTER_MODE);
    for (TFilter& filter : units.voiceFilter) filter.setType(engine.filterMode, true);

    float semi = static_cast<float>(static_cast<int>(paramValue(tag::SOURCE_SEMI) * 96.99f) - 48) / 12.0f;
    if (engine.sourceMode > 2) semi += (2.0f * paramValue(tag::SOURCE_FINE) - 1.0f) / 12.0f;
    engine.sourceSemi = semi;
    engine.sourceRatio = engine.sourceTransposeRatio(semi);
    engine.sourceInc = engine.tuneInc * engine.sourceRatio;

    engine.sampleOffset = paramStep(tag::SAMPLE) == USER_SAMPLE_SLOT ? 0.0f : paramValue(tag::SAMPLE_OFFSET);

    engine.keyTrackOn = paramOn(tag::KEY_TRACK);
    engine.sampleReverseOn = paramOn(tag::SAMPLE_REV);
    engine.grainOn = paramOn(tag::GRAIN);
    engine.distortPostFilter = paramOn(tag::PRE_POST_FILTER_DISTORTION);
    output.brickOn = paramOn(tag::BRICK_FILTER);

    engine.userSampleGain = static_cast<float>(std::pow(10.0, (80.0 * paramValue(tag::SAMPLE_VOLUME) - 40.0) / 20.0));
}
