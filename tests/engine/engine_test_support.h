// A plug-in object driven directly, block by block, for the engine's unit
// tests: MIDI events at chosen offsets, parameters, a host clock whose tempo
// and transport the test sets, and access to the engine's state.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include <cstdlib>
#include <string>

#include "engine/EnginePreferences.h"
#include "platform/Preferences.h"
#include "plugin/uPlugin.h"

namespace enginetest {

// The tests' preferences live in a folder of their own, never the user's.
inline void usePrivatePreferences() {
    static const bool done = [] {
        char folder[] = "/tmp/kolbri-engine-tests-XXXXXX";
        if (mkdtemp(folder)) setenv("XDG_CONFIG_HOME", folder, 1);
        platform::reopenPreferences();
        return true;
    }();
    (void)done;
}

// The host the object talks to: a version, and time information that the
// test may change (or withdraw) between blocks.
struct TestHostClock {
    vst::VstTimeInfo timeInfo{};
    bool answerTimeInfo = true;
};

inline TestHostClock& hostClock() {
    static TestHostClock clock;
    return clock;
}

inline vst::intptr testAudioMaster(vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float) {
    if (opcode == vst::audioMasterVersion) return 2400;
    if (opcode == vst::audioMasterGetTime)
        return hostClock().answerTimeInfo ? reinterpret_cast<vst::intptr>(&hostClock().timeInfo) : 0;
    return 0;
}

inline vst::VstMidiEvent midiEvent(int deltaFrames, int status, int data1, int data2) {
    vst::VstMidiEvent event{};
    event.type = vst::kVstMidiType;
    event.byteSize = sizeof event;
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

// Opens the engine's protected state and steps to the tests.
class EnginePlugin : public APlugin {
public:
    explicit EnginePlugin(float sampleRate = 48000.0f) : APlugin((usePrivatePreferences(), testAudioMaster)) {
        hostClock() = TestHostClock{};
        hostClock().timeInfo.tempo = 120;
        hostClock().timeInfo.sampleRate = sampleRate;
        hostClock().timeInfo.flags = vst::kVstTempoValid;
        initParameters();
        initModulation();
        setSampleRate(sampleRate);
        reset();
        // The reset asks for an editor refresh; nothing here waits for one.
        flags.screenUpdatePending = false;
        // The tests set their own values: the start program the constructor
        // queued must not replace them at the first block.
        flags.presetPending = false;
    }

    using APlugin::applyFX;
    using APlugin::flags;
    using APlugin::midi;
    using APlugin::rate;
    using APlugin::runOutputStage;

    // One MIDI message at a frame offset of the next block.
    void send(int deltaFrames, int status, int data1, int data2) {
        sendEvents({midiEvent(deltaFrames, status, data1, data2)});
    }
    void sendEvents(std::vector<vst::VstMidiEvent> events) {
        std::vector<char> buffer(sizeof(vst::VstEvents) + events.size() * sizeof(vst::VstEvent*));
        auto* list = reinterpret_cast<vst::VstEvents*>(buffer.data());
        list->numEvents = static_cast<vst::int32>(events.size());
        for (size_t i = 0; i < events.size(); ++i) list->events[i] = reinterpret_cast<vst::VstEvent*>(&events[i]);
        processEvents(list);
    }
    void noteOn(int note, int velocity = 100, int delta = 0, int channel = 0) { send(delta, 0x90 | channel, note, velocity); }
    void noteOff(int note, int delta = 0, int channel = 0) { send(delta, 0x80 | channel, note, 0); }
    void controller(int cc, int value, int delta = 0, int channel = 0) { send(delta, 0xB0 | channel, cc, value); }

    // Renders frames in one block (or in blocks of blockSize) and keeps them.
    void render(long frames, int blockSize = 0, const float* inputLeft = nullptr, const float* inputRight = nullptr) {
        if (blockSize <= 0) blockSize = static_cast<int>(std::max(frames, 1L));
        for (long done = 0; done < frames || (frames == 0 && done == 0);) {
            const int n = static_cast<int>(std::min<long>(blockSize, frames - done));
            std::vector<float> left(static_cast<size_t>(std::max(n, 1))), right(left.size());
            float* outputs[2] = {left.data(), right.data()};
            const float* inputs[2] = {inputLeft ? inputLeft + done : nullptr, inputRight ? inputRight + done : nullptr};
            processReplacing(const_cast<float**>(inputs), outputs, n);
            outLeft.insert(outLeft.end(), left.begin(), left.begin() + n);
            outRight.insert(outRight.end(), right.begin(), right.begin() + n);
            done += n;
            if (frames == 0) break;
        }
    }
    void setStep(int tag, int step) { setSteppedValue(tag, step); }
    int voicesOn() const {
        int count = 0;
        for (bool on : voices.voiceOn) count += on;
        return count;
    }

    std::vector<float> outLeft, outRight;
};

inline bool allFinite(const std::vector<float>& samples) {
    for (float x : samples)
        if (!std::isfinite(x)) return false;
    return true;
}

}  // namespace enginetest
