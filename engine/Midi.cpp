// MIDI input: the event queue, dispatch at each event's frame, the controllers
// that feed modulation sources, sustain, the all-off controllers, and MIDI learn
// with soft takeover.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/EnginePreferences.h"
#include "engine/dsp/ParameterTags.h"
#include "engine/ModTables.h"
#include "engine/SoundEngine.h"

namespace {

constexpr int FIRST_SLOT = 1;
constexpr int LAST_SLOT = 250;

// Controllers whose value becomes a modulation source, and the source each feeds.
struct TControllerSource {
    int controller;
    int source;
};
constexpr TControllerSource CONTROLLER_SOURCES[] = {
    {2, source::CC_2_BREATH}, {3, source::CC_3},   {4, source::CC4_FOOT},        {11, source::CC11_EXPRESSION},
    {16, source::CC_16},      {17, source::CC_17}, {18, source::CC_18},          {19, source::CC_19},
    {20, source::CC_20},      {21, source::CC_21}, {74, source::CC74_BRIGHTNESS}, {84, source::CC_84},
    {85, source::CC_85},      {86, source::CC_86}, {87, source::CC_87},          {88, source::CC_88},
    {89, source::CC_89},      {90, source::CC_90}, {113, source::CC_113},        {114, source::CC_114},
};

bool isAllOffController(int controller) { return controller == 120 || controller == 121 || controller == 123; }

bool isNoteOff(const TMidiEvent& event) {
    auto status = static_cast<unsigned char>(event.midiData[0]) & 0xF0;
    return status == 0x80 || (status == 0x90 && (event.midiData[2] & 127) == 0);
}

}  // namespace

// ---------------------------------------------------------------- queue

void TSoundEngine::queueMidiEvent(TMidiEvent incoming) {
    // A negative offset is a host's mistake: counted down it would never
    // reach zero and would hold its slot for ever. It is taken as "now".
    incoming.deltaFrames = std::max(incoming.deltaFrames, 0);

    int freeSlot = 0;
    if (midi.numMidiEvents < TMidiState::QUEUE_SIZE)
        for (int slot = FIRST_SLOT; slot <= LAST_SLOT; ++slot)
            if (midi.midiEvents[slot].deltaFrames == TMidiState::SLOT_FREE) {
                freeSlot = slot;
                break;
            }
    if (freeSlot) {
        midi.midiEvents[freeSlot] = incoming;
        ++midi.numMidiEvents;
        return;
    }
    // Full queue. A lost note-off leaves a note hanging, so a note-off takes
    // the place of the queued event that is furthest away and is not a note-off.
    if (!isNoteOff(incoming)) return;
    int victim = 0;
    for (int slot = FIRST_SLOT; slot <= LAST_SLOT; ++slot) {
        const TMidiEvent& queued = midi.midiEvents[slot];
        if (queued.deltaFrames == TMidiState::SLOT_FREE || isNoteOff(queued)) continue;
        if (!victim || queued.deltaFrames >= midi.midiEvents[victim].deltaFrames) victim = slot;
    }
    if (victim) midi.midiEvents[victim] = incoming;
}

// An event queued with offset d is handled in frame d of the block: each frame
// counts the pending offsets down by one, and an offset of 0 is due now.
void TSoundEngine::processMidi(long /*frame*/) {
    for (int slot = FIRST_SLOT; slot <= LAST_SLOT; ++slot) {
        TMidiEvent& event = midi.midiEvents[slot];
        if (event.deltaFrames == TMidiState::SLOT_FREE) continue;
        if (event.deltaFrames > 0) {
            --event.deltaFrames;
            continue;
        }
        if (midi.numMidiEvents > 0) --midi.numMidiEvents;
        // A host may move its tempo or transport between events of one
        // block; the next control step takes what it says now.
        upward.refreshHostTime(blockTime);
        handleMidiEvent(event);
        event.deltaFrames = TMidiState::SLOT_FREE;
    }
}

// ---------------------------------------------------------------- dispatch

void TSoundEngine::handleMidiEvent(const TMidiEvent& event) {
    const int status = static_cast<unsigned char>(event.midiData[0]);
    const int channel = status & 15;
    const int kind = status & 0xF0;
    const int note = event.midiData[1] & 127;
    const int value = event.midiData[2] & 127;

    const int receiveChannel = midi.midiChannel.load(std::memory_order_relaxed);
    if (receiveChannel != -1 && channel != receiveChannel) return;
    // While a program is applied every event is discarded, note-offs included
    // (the program's reset ends every voice anyway).
    if (handOff.settingPreset) return;

    const bool mpe = voices.playMode == PLAY_POLY_MPE;
    switch (kind) {
        case 0x90:
            if (value > 0)
                midiNoteDown(note, value, channel);
            else
                midiNoteRelease(note, channel);
            break;
        case 0x80: midiNoteRelease(note, channel); break;
        case 0xA0: {
            const float amount = value / 127.0f;
            if (mpe) {
                for (int v = 0; v < NUM_VOICES; ++v)
                    if (voices.voiceChannel[v] == channel) midi.polyAftertouch[v] = amount;
                midi.channelPolyAftertouch[channel] = amount;
            } else {
                bool found = false;
                for (int v = 0; v < NUM_VOICES; ++v)
                    if (voices.voiceOn[v] && voices.voiceNote[v] == note) {
                        midi.polyAftertouch[v] = amount;
                        found = true;
                    }
                if (!found) midi.polyAftertouch.fill(amount);
            }
            break;
        }
        case 0xD0: {
            const float pressure = note / 127.0f;
            if (mpe) {
                for (int v = 0; v < NUM_VOICES; ++v)
                    if (voices.voiceChannel[v] == channel) midi.voicePressure[v] = pressure;
                midi.channelPressure[channel] = pressure;
            } else {
                midi.voicePressure.fill(pressure);
            }
            break;
        }
        case 0xE0: {
            // -1 at 0x0000, 0 at 0x2000, just under +1 at 0x3FFF.
            const float bend = ((note * 0.0078125f + value) * 0.0078125f - 0.5f) * 2.0f;
            if (mpe) {
                for (int v = 0; v < NUM_VOICES; ++v)
                    if (voices.voiceChannel[v] == channel) mod.voiceModSrc(v)[source::PITCHBEND] = bend;
                mod.channelModSrc[channel][source::PITCHBEND] = bend;
            } else {
                for (int v = 0; v < NUM_VOICES; ++v) mod.voiceModSrc(v)[source::PITCHBEND] = bend;
            }
            midi.pitchBend = bend;
            mod.globalModSrc()[source::PITCHBEND] = bend;
            break;
        }
        case 0xB0: handleController(note, value, channel); break;
        default: break;  // program change, system messages: not used
    }
}

void TSoundEngine::handleController(int controller, int value, int channel) {
    const float v = value / 127.0f;
    const bool mpe = voices.playMode == PLAY_POLY_MPE;

    if (controller == 1) {
        if (mpe) {
            for (int voice = 0; voice < NUM_VOICES; ++voice)
                if (voices.voiceChannel[voice] == channel) midi.voiceModWheel[voice] = v;
            midi.channelModWheel[channel] = v;
        } else {
            midi.voiceModWheel.fill(v);
        }
        midi.modWheel = v;
    } else if (controller == 64) {
        const bool wasOn = midi.sustainOn;
        midi.sustainOn = v > 0.5f;
        if (wasOn && !midi.sustainOn) {
            // Pedal up: the releases held back while it was down happen now, and
            // the held-back flags are spent so a later note on the voice starts clean.
            for (int voice = 0; voice < NUM_VOICES; ++voice) {
                voices.voiceKeyUp[voice] = voices.voiceKeyUp[voice] || voices.voiceSustainKeyUp[voice];
                voices.voiceRelease[voice] = voices.voiceRelease[voice] || voices.voiceSustainRelease[voice];
                voices.voiceSustainKeyUp[voice] = false;
                voices.voiceSustainRelease[voice] = false;
            }
        }
    } else if (isAllOffController(controller)) {
        setEverythingOff(true);
        return;  // these can be neither learned nor mapped
    } else {
        for (const TControllerSource& entry : CONTROLLER_SOURCES)
            if (entry.controller == controller) {
                setModSrc(entry.source, v, channel);
                break;
            }
    }

    // MIDI learn: the next controller takes the armed tag.
    if (midi.midiLearnArmed.load(std::memory_order_relaxed)) {
        const int tag = midi.midiLearnTag.load(std::memory_order_relaxed);
        if (isValidParameterTag(tag)) {
            midi.midiCCTag[controller].store(tag, std::memory_order_relaxed);
            parameterValues.captureValue[tag] = programValue(tag);
            parameterValues.captured[tag].store(false, std::memory_order_relaxed);
            enginepreferences::storeControllerBinding(controller, tag);
        }
        midi.midiLearnArmed.store(false, std::memory_order_relaxed);
    }

    const int tag = midi.midiCCTag[controller].load(std::memory_order_relaxed);
    if (tag == 0 || !isControllerTarget(tag)) return;
    bool takesOver = true;
    if (enginepreferences::captureModeSetting() && !parameterValues.captured[tag].load(std::memory_order_relaxed)) {
        // Soft takeover: the controller moves the parameter only once it has
        // come close to the value the parameter had when it was captured.
        if (std::abs(v - parameterValues.captureValue[tag]) >= TMidiState::CAPTURE_WINDOW)
            takesOver = false;
        else
            parameterValues.captured[tag].store(true, std::memory_order_relaxed);
    }
    if (takesOver) upward.setParameterFromEngine(tag, v);
    handOff.screenUpdatePending = true;
    // Any message of a controller bound to the ribbon restarts the spring's
    // countdown, also one that has not yet caught up with the ribbon.
    if (tag == tag::RIBBON_VALUE && enginepreferences::springModeSetting())
        engine.ribbonSpringCountdown = TMidiState::RIBBON_SPRING_COUNTDOWN;
}

// ---------------------------------------------------------------- learn and bindings

void TSoundEngine::setMIDILatch(int tag, bool arm) {
    if (!isValidParameterTag(tag)) return;
    midi.midiLearnTag.store(tag, std::memory_order_relaxed);
    if (arm) {
        midi.midiLearnArmed.store(true, std::memory_order_relaxed);
        return;
    }
    for (int controller = 0; controller < TMidiState::NUM_CONTROLLERS; ++controller)
        if (midi.midiCCTag[controller].load(std::memory_order_relaxed) == tag) {
            midi.midiCCTag[controller].store(0, std::memory_order_relaxed);
            enginepreferences::storeControllerBinding(controller, 0);
        }
    parameterValues.captureValue[tag] = 0;
    parameterValues.captured[tag].store(false, std::memory_order_relaxed);
}

void TSoundEngine::bindController(int controller, int tag) {
    if (!isValidParameterTag(tag) || controller < 0 || controller >= TMidiState::NUM_CONTROLLERS) return;
    midi.midiCCTag[controller].store(tag, std::memory_order_relaxed);
    enginepreferences::storeControllerBinding(controller, tag);
}

void TSoundEngine::resetMIDI() {
    for (int controller = 0; controller < TMidiState::NUM_CONTROLLERS; ++controller) {
        midi.midiCCTag[controller].store(0, std::memory_order_relaxed);
        enginepreferences::storeControllerBinding(controller, 0);
    }
    resetMIDICapture();
}

void TSoundEngine::resetMIDICapture() {
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
        parameterValues.captureValue[tag] = programValue(tag);
        parameterValues.captured[tag].store(false, std::memory_order_relaxed);
    }
}

TEcsMap TSoundEngine::getControllerMap() const {
    TEcsMap map{};
    for (int controller = 0; controller < TMidiState::NUM_CONTROLLERS; ++controller)
        map[static_cast<std::size_t>(controller)] = midi.midiCCTag[controller].load(std::memory_order_relaxed);
    return map;
}

void TSoundEngine::setControllerMap(const TEcsMap& map) {
    for (int controller = 0; controller < TMidiState::NUM_CONTROLLERS; ++controller) {
        const int tag = map[static_cast<std::size_t>(controller)];
        const int bound = isValidParameterTag(tag) ? tag : 0;
        midi.midiCCTag[controller].store(bound, std::memory_order_relaxed);
        enginepreferences::storeControllerBinding(controller, bound);
    }
    resetMIDICapture();
}

bool TSoundEngine::isControllerTarget(int tag) const {
    if (!isValidParameterTag(tag)) return false;
    // The attack and release knobs are controls that can be learned like any
    // other, though the editor is not told of their changes (no has-control mark).
    return parameterAttributes.hasControl[static_cast<std::size_t>(tag)] || tag == tag::ATTACK || tag == tag::RELEASE;
}

void TSoundEngine::loadMIDIPreferences() {
    for (int controller = 0; controller < TMidiState::NUM_CONTROLLERS; ++controller) {
        const int tag = enginepreferences::controllerBinding(controller);
        midi.midiCCTag[controller].store(isValidParameterTag(tag) ? tag : 0, std::memory_order_relaxed);
    }
    updateMIDIChannel(false);
}

void TSoundEngine::updateMIDIChannel(bool force) {
    const int channel = enginepreferences::receiveChannel();
    const int previous = midi.midiChannel.exchange(channel, std::memory_order_relaxed);
    if (channel != previous || force) requestReset();
}
