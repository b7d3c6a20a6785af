#include "mod_support.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Preferences.h"

namespace {

// One rig at a time answers the host's time info.
vst::VstTimeInfo hostTime{};

vst::intptr rigHost(vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float) {
    if (opcode == vst::audioMasterVersion) return 2400;
    if (opcode == vst::audioMasterGetTime) return reinterpret_cast<vst::intptr>(&hostTime);
    return 0;
}

}  // namespace

namespace {
// Opens the hand-off flags to the rig.
struct RigPlugin : APlugin {
    using APlugin::APlugin;
    using APlugin::flags;
};
}  // namespace

ModRig::ModRig(float sampleRate, double tempo) : rate(sampleRate) {
    // The plug-in reads its settings at construction: from a folder of the
    // tests' own, never the user's.
    static const bool privatePreferences = [] {
        char folder[] = "/tmp/kolbri-mod-tests-XXXXXX";
        if (mkdtemp(folder)) setenv("XDG_CONFIG_HOME", folder, 1);
        platform::reopenPreferences();
        return true;
    }();
    (void)privatePreferences;
    hostTime = vst::VstTimeInfo{};
    hostTime.sampleRate = sampleRate;
    hostTime.tempo = tempo;
    hostTime.flags = vst::kVstTempoValid | vst::kVstPpqPosValid;
    auto rigObject = std::make_unique<RigPlugin>(rigHost);
    // The rig sets its own values: the start program the constructor queued
    // must not reset the engine at the first block of a test.
    rigObject->flags.presetPending = false;
    object = std::move(rigObject);
    object->setSampleRate(sampleRate);
    object->setBlockSize(64);
    for (int tag = 0; tag < APlugin::NUM_PARAMS; ++tag)
        if (tag != PRESET_APPLY_TAG) object->setParameter(tag, object->getDefaultValue(tag));
    object->initModulation();
    object->movement.lfoWaveTables = modTestLfoTables();
    object->resume();
}

ModRig::~ModRig() = default;

void ModRig::setStep(int tag, int step) {
    object->setParameter(tag, static_cast<float>((step + 0.1) / object->getSteppedRange(tag)));
}

namespace {
void sendMidi(APlugin& plugin, unsigned char status, unsigned char d1, unsigned char d2) {
    vst::VstMidiEvent event{};
    event.type = vst::kVstMidiType;
    event.byteSize = sizeof(event);
    event.deltaFrames = 0;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(d1);
    event.midiData[2] = static_cast<char>(d2);
    vst::VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<vst::VstEvent*>(&event);
    plugin.processEvents(&events);
}
}  // namespace

void ModRig::noteOn(int note, int velocity, int channel) {
    sendMidi(*object, static_cast<unsigned char>(0x90 | channel), static_cast<unsigned char>(note),
             static_cast<unsigned char>(velocity));
}

void ModRig::noteOff(int note, int channel) {
    sendMidi(*object, static_cast<unsigned char>(0x80 | channel), static_cast<unsigned char>(note), 0);
}

void ModRig::render(long frames) {
    outLeft.clear();
    outRight.clear();
    while (frames > 0) {
        const int block = static_cast<int>(std::min<long>(frames, 64));
        std::vector<float> l(block), r(block);
        inLeft.assign(block, 0.0f);
        inRight.assign(block, 0.0f);
        float* outputs[2] = {l.data(), r.data()};
        float* inputs[2] = {inLeft.data(), inRight.data()};
        object->processReplacing(inputs, outputs, block);
        outLeft.insert(outLeft.end(), l.begin(), l.end());
        outRight.insert(outRight.end(), r.begin(), r.end());
        hostTime.samplePos += block;
        frames -= block;
    }
}

void ModRig::setTransportPlaying(bool playing) {
    if (playing)
        hostTime.flags |= vst::kVstTransportPlaying;
    else
        hostTime.flags &= ~vst::kVstTransportPlaying;
}

void ModRig::setTempo(double tempo) { hostTime.tempo = tempo; }
