// The sound engine driven directly, without the plug-in around it: the
// parameter store with the plug-in's rules, the program's application, a host
// clock whose tempo and transport the caller sets, MIDI events at chosen
// offsets and the rendered frames kept. The engine's tests and the
// benchmarks that time the engine alone both stand on it.
#pragma once

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "engine/EnginePreferences.h"
#include "engine/SoundEngine.h"
#include "platform/Preferences.h"
#include "vst/vst2_abi.h"

namespace enginehost {

namespace detail {

// Plain storage: the folder is removed after the static objects are gone.
inline char privateFolder[PATH_MAX];
inline pid_t privateFolderOwner = 0;

inline void removePrivateFolder() {
    // A child forked from this process that ends with exit() leaves it alone.
    if (getpid() != privateFolderOwner) return;
    // What the store still holds is written now, so that its last write at
    // exit finds nothing to do and makes no folder again.
    platform::flushPreferences();
    std::error_code ignored;
    std::filesystem::remove_all(privateFolder, ignored);
}

}  // namespace detail

// The preferences live in a folder of their own, never the user's nor the
// machine's: made in TMPDIR (else /tmp) and removed when the process ends,
// so that a program built on the harness needs no test start-up for it (the
// tests and the benchmarks have one too, and the folder is then inside theirs).
inline void usePrivatePreferences() {
    static const bool done = [] {
        const char* temporary = std::getenv("TMPDIR");
        std::string folder =
            std::string(temporary && temporary[0] == '/' ? temporary : "/tmp") + "/kolbri-engine-XXXXXX";
        if (folder.size() >= sizeof detail::privateFolder || !mkdtemp(folder.data())) {
            // The user's settings instead would change what is measured.
            std::fprintf(stderr, "no folder for the engine's preferences could be made: %s\n", folder.c_str());
            std::abort();
        }
        std::memcpy(detail::privateFolder, folder.c_str(), folder.size() + 1);
        detail::privateFolderOwner = getpid();
        std::atexit(detail::removePrivateFolder);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        setenv("XDG_CONFIG_DIRS", folder.c_str(), 1);
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

// One message as the engine queues it.
inline TMidiEvent midiEvent(int deltaFrames, int status, int data1, int data2) {
    TMidiEvent event;
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

// The parameter model and the hand-off flags an engine reads, built before it.
struct EngineParameters {
    TParameterAttributes attr;
    TParameterValues values;
    THandOffFlags flags;
};

// The engine with what the plug-in would give it: the parameter store (the
// plug-in's rules: clamped, switches snapped, non-finite values refused, the
// program trigger), the program's application and the host's clock.
class EngineHarness : public EngineParameters, public TEngineHost, public TSoundEngine {
public:
    explicit EngineHarness(float sampleRate = 48000.0f) : TSoundEngine(attr, values, flags, *this) {
        usePrivatePreferences();
        hostClock() = TestHostClock{};
        hostClock().timeInfo.tempo = 120;
        hostClock().timeInfo.sampleRate = sampleRate;
        hostClock().timeInfo.flags = vst::kVstTempoValid;
        // As the plug-in starts: the model, the start rate, the engine, the
        // default program in the record; then the values cleared again, so
        // that every test sets what it relies on.
        initParameterModel(attr, values);
        TSoundEngine::setSampleRate(START_SAMPLE_RATE);
        start();
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag) values.programs[0].values[tag] = attr.defaultValue[tag];
        initParameterModel(attr, values);
        initModulation();
        setSampleRate(sampleRate);
        reset();
        // The reset asks for an editor refresh; nothing here waits for one.
        flags.screenUpdatePending = false;
        flags.presetPending = false;
    }

    // ---- the plug-in's share, as TEngineHost and as the tests use it
    void applyProgramValues() override {
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
            setParameter(tag, values.programs[0].values[tag]);
            values.captured[tag].store(false, std::memory_order_relaxed);
        }
    }
    void setParameterFromEngine(int tag, float value) override { setParameter(tag, value); }
    void updateEditorScreen() override { flags.screenUpdatePending = false; }

    void setParameter(int tag, float value) {
        const std::optional<float> stored = storableParameterValue(attr, tag, value);
        if (!stored) return;
        value = *stored;
        if (tag == PRESET_APPLY_TAG && !flags.settingPreset.load()) flags.presetPending = true;
        values.curValue[tag] = value;
        values.programs[0].values[tag] = value;
        values.editValue[tag] = value;
    }
    float getParameter(int tag) const { return programValue(tag); }
    float getDefaultValue(int tag) const { return isValidParameterTag(tag) ? attr.defaultValue[tag] : 0.0f; }
    float getSteppedRange(int tag) const { return isValidParameterTag(tag) ? attr.steppedRange[tag] : 1.0f; }
    bool getOnOff(int tag) const { return paramOn(tag); }
    void setSteppedValue(int tag, int step) {
        if (const std::optional<float> value = storableStepValue(attr, tag, step)) setParameter(tag, *value);
    }
    // The rate is taken at the start of a block, as with a host: an empty one.
    void setSampleRate(float rate) {
        TSoundEngine::setSampleRate(rate);
        processReplacing(nullptr, nullptr, 0);
    }

    // One block with the host's time for it, as the plug-in hands it over,
    // and the time read again at each MIDI event.
    using TSoundEngine::processReplacing;
    void processReplacing(float** inputs, float** outputs, int frames) {
        processReplacing(inputs, outputs, frames, hostTime());
    }
    void refreshHostTime(TBlockTime& time) override { time = hostTime(); }
    static TBlockTime hostTime() {
        TBlockTime time;
        if (hostClock().answerTimeInfo) {
            const vst::VstTimeInfo& info = hostClock().timeInfo;
            time.known = true;
            time.tempoValid = (info.flags & vst::kVstTempoValid) != 0;
            time.tempo = info.tempo;
            time.transportPlaying = (info.flags & vst::kVstTransportPlaying) != 0;
        }
        return time;
    }

    // One MIDI message at a frame offset of the next block.
    void send(int deltaFrames, int status, int data1, int data2) {
        sendEvents({midiEvent(deltaFrames, status, data1, data2)});
    }
    void sendEvents(const std::vector<TMidiEvent>& events) {
        for (const TMidiEvent& event : events) queueMidiEvent(event);
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

    std::vector<float> outLeft, outRight;
};

}  // namespace enginehost
