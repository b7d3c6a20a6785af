// A plug-in object for the modulation tests: built directly, at a chosen rate
// and host tempo, with the default program's values, the modulation engine
// started and its LFO tables in place. Notes and frames go through the real
// block loop (processEvents, processReplacing).
#pragma once

#include <memory>
#include <vector>

#include "plugin/uPlugin.h"

const float (*modTestLfoTables())[65536];

class ModRig {
public:
    explicit ModRig(float sampleRate = 48000.0f, double tempo = 120.0);
    ~ModRig();

    APlugin& plugin() { return *object; }
    APlugin* operator->() { return object.get(); }

    void set(int tag, float value) { object->setParameter(tag, value); }
    void setStep(int tag, int step);
    void noteOn(int note, int velocity = 100, int channel = 0);
    void noteOff(int note, int channel = 0);
    // Renders frames through processReplacing, in blocks of at most 64.
    void render(long frames);
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
    const std::vector<float>& left() const { return outLeft; }
    const std::vector<float>& right() const { return outRight; }
    float sampleRate() const { return rate; }
    // Host transport as the time info answers it.
    void setTransportPlaying(bool playing);
    void setTempo(double tempo);
    // The voice the latest note went to.
    int voice() const { return object->voices.curVoice; }

private:
    std::unique_ptr<APlugin> object;
    float rate;
    std::vector<float> outLeft, outRight, inLeft, inRight;
};
