// The engine test object as the modulation tests use it: at a chosen rate and
// host tempo, with the default program's values and the modulation engine
// started. Notes and frames go through the real block loop (processEvents,
// processReplacing), in blocks of at most 64.
#pragma once

#include <memory>
#include <vector>

#include "engine_test_support.h"

class ModRig {
public:
    explicit ModRig(float sampleRate = 48000.0f, double tempo = 120.0)
        : object(std::make_unique<enginetest::EnginePlugin>(sampleRate)), rate(sampleRate) {
        enginetest::hostClock().timeInfo.tempo = tempo;
        enginetest::hostClock().timeInfo.flags |= vst::kVstPpqPosValid;
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
            if (tag != PRESET_APPLY_TAG) object->setParameter(tag, object->getDefaultValue(tag));
        object->initModulation();
    }

    enginetest::EnginePlugin& plugin() { return *object; }
    enginetest::EnginePlugin* operator->() { return object.get(); }
    enginetest::EnginePlugin& operator*() { return *object; }

    void set(int tag, float value) { object->setParameter(tag, value); }
    void setStep(int tag, int step) {
        object->setParameter(tag, steppedValueFor(step, object->getSteppedRange(tag)));
    }
    void noteOn(int note, int velocity = 100, int channel = 0) { object->noteOn(note, velocity, 0, channel); }
    void noteOff(int note, int channel = 0) { object->noteOff(note, 0, channel); }
    // Keeps only the frames of this call.
    void render(long frames) {
        object->outLeft.clear();
        object->outRight.clear();
        if (frames > 0) object->render(frames, 64);
        enginetest::hostClock().timeInfo.samplePos += static_cast<double>(frames);
    }
    // Renders frame by frame until the predicate holds or the limit passes;
    // answers the frames rendered (limit + 1 when it never held).
    template <typename Predicate>
    long renderUntil(long limit, Predicate&& holds) {
        for (long frame = 0; frame <= limit; ++frame) {
            if (holds()) return frame;
            render(1);
        }
        return limit + 1;
    }
    const std::vector<float>& left() const { return object->outLeft; }
    const std::vector<float>& right() const { return object->outRight; }
    float sampleRate() const { return rate; }
    void setTransportPlaying(bool playing) {
        auto& flags = enginetest::hostClock().timeInfo.flags;
        flags = playing ? flags | vst::kVstTransportPlaying : flags & ~vst::kVstTransportPlaying;
    }
    // The voice the latest note went to.
    int voice() const { return TEngineTestAccess::voices(*object).curVoice; }

private:
    std::unique_ptr<enginetest::EnginePlugin> object;
    float rate;
};
