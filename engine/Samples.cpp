// The "Sample" source inside the sound engine: the chosen sample as every
// voice reads it in a frame, a voice's start, its two sub-samples, the slots'
// block boundaries and the preview path's frames. The players themselves are
// plain units (engine/sample/); this file only feeds them the parameters.
#include <algorithm>
#include <cmath>

#include "engine/dsp/ParameterTags.h"
#include "engine/OutputState.h"
#include "engine/SoundEngine.h"
#include "engine/SampleState.h"

void TSoundEngine::setSampleBank(std::shared_ptr<const TSampleBank> bank) { samples.bank = std::move(bank); }

bool TSoundEngine::userSampleUsable() const {
    return samples.userSamplePresent.load(std::memory_order_relaxed) && paramOn(tag::SAMPLE_LOADED);
}

TUserSampleSettings TSoundEngine::userSampleSettings() const {
    TUserSampleSettings settings;
    settings.usable = userSampleUsable();
    settings.loopMode = paramStep(tag::SAMPLE_LOOP_MODE);
    settings.start = paramValue(tag::SAMPLE_START);
    settings.loopStart = paramValue(tag::SAMPLE_LOOP_START);
    settings.loopEnd = paramValue(tag::SAMPLE_LOOP_END);
    settings.gain = engine.userSampleGain;
    return settings;
}

// The audio thread must not read the file the program names: it keeps the
// slot silent and leaves the load to a thread that may block.
void TSoundEngine::requestUserSampleForProgram() {
    samples.userSamplePresent.store(paramOn(tag::SAMPLE_LOADED), std::memory_order_relaxed);
    samples.userSample.requestLoad();
}

void TSoundEngine::requestSamplePreview(int kind, double startPos) {
    samples.previewRequestPos.store(std::isfinite(startPos) && startPos > 0.0 ? startPos : 0.0,
                                    std::memory_order_relaxed);
    samples.previewRequest.store(kind, std::memory_order_release);
}

void TSoundEngine::beginSampleBlock() {
    samples.userData = samples.userSample.beginBlock();
    samples.previewData = samples.previewSample.beginBlock();
}

void TSoundEngine::endSampleBlock() {
    samples.slot = TSampleSlotFrame{};
    samples.userData = samples.previewData = nullptr;
    samples.previewSample.endBlock();
    samples.userSample.endBlock();
}

void TSoundEngine::takePreviewRequest() {
    const int request = samples.previewRequest.exchange(TSampleState::PREVIEW_NONE, std::memory_order_acquire);
    if (request == TSampleState::PREVIEW_NONE) return;
    engine.previewPos = samples.previewRequestPos.load(std::memory_order_relaxed);
    engine.previewFileOn = request == TSampleState::PREVIEW_FILE;
    engine.previewUserOn = request == TSampleState::PREVIEW_USER;
}

void TSoundEngine::setSampleSlotFrame() {
    const int n = paramStep(tag::SAMPLE);
    samples.slot = n == USER_SAMPLE_SLOT
                       ? userSlotFrame(samples.userData, userSampleSettings(), rate.curSampleRateD)
                       : builtInSlotFrame(samples.bank.get(), n, engine.sampleReverseOn, rate.curSampleRateD);
}

void TSoundEngine::startVoiceSample(int v) {
    const bool user = paramStep(tag::SAMPLE) == USER_SAMPLE_SLOT;
    const auto& dest = mod.voiceModDest(v);
    const float size = std::exp2(9.0f * std::clamp(paramValue(tag::GRAIN_SIZE) + dest[destination::GRAIN_SIZE], 0.0f,
                                                   1.0f)) *
                       rate.curSampleRate / 1000.0f;
    double start = 0.0;
    if (user)
        start = static_cast<double>(paramValue(tag::SAMPLE_START)) *
                userSampleLength(samples.userData, userSampleUsable());
    samples.playback.startVoice(v, user ? paramOn(tag::SAMPLE_LOADED) : true, start, size);
}

stereoOverStruct TSoundEngine::renderVoiceSample(int v) {
    TSampleVoiceInput input;
    input.pitchRatio = voices.voiceSamplePitch[v];
    input.offset = engine.sampleOffset + mod.voiceModDest(v)[destination::SAMPLE_OFFSET];
    input.grainOn = engine.grainOn;
    input.grainLength = voices.voiceGrainLen[v];
    input.grainSize = voices.voiceGrainSize[v];
    input.grainRandom = voices.voiceGrainRandom[v];
    return samples.playback.renderVoice(v, samples.slot, input);
}

// The preview plays the file alone: no volume, no effects, but the output
// stage's clamp, which is all that keeps a float file past full scale or the
// user sample at +40 dB from reaching the host far above it.
// The user sample plays for its user length, so a sample that is not usable
// (a failed load keeps the last file's frames in the slot) plays nothing.
// Its gain is the voices' "Sample Volume" gain of the last control step: no
// control step runs while a preview plays, and the two are heard alike.
void TSoundEngine::renderPreview(float** outputs, std::int32_t sampleFrames) {
    const float userGain = engine.userSampleGain;
    const double userLength = userSampleLength(samples.userData, userSampleUsable());
    const double fileLength = samples.previewData ? samples.previewData->getLen() : 0.0;
    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        float left = 0, right = 0;
        if (engine.previewUserOn) {
            if (!renderPreviewFrame(samples.userData, userLength, userGain, engine.previewPos, left, right))
                engine.previewUserOn = false;
        } else if (engine.previewFileOn) {
            if (!renderPreviewFrame(samples.previewData, fileLength, 1.0f, engine.previewPos, left, right))
                engine.previewFileOn = false;
        }
        outputs[0][i] = outputstage::clampOutput(left);
        outputs[1][i] = outputstage::clampOutput(right);
    }
}
