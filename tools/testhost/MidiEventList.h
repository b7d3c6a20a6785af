// MIDI messages laid out as a host hands them to a plug-in's processEvents:
// a VstEvents record whose pointers lead to the messages it keeps.
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <vector>

#include "vst/vst2_abi.h"

namespace testhost {

// One MIDI message at a frame offset of the next block.
inline vst::VstMidiEvent midiMessage(int status, int data1, int data2, int deltaFrames = 0) {
    vst::VstMidiEvent event{};
    event.type = vst::kVstMidiType;
    event.byteSize = sizeof event;
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

class MidiEventList {
public:
    MidiEventList(std::initializer_list<vst::VstMidiEvent> events) : MidiEventList(std::vector(events)) {}
    explicit MidiEventList(std::vector<vst::VstMidiEvent> events)
        : messages(std::move(events)), record(2 + std::max<std::size_t>(messages.size(), 2)) {
        events_()->numEvents = static_cast<vst::int32>(messages.size());
        for (std::size_t i = 0; i < messages.size(); ++i)
            record[2 + i] = reinterpret_cast<vst::intptr>(&messages[i]);
    }
    // The pointers lead into this object: it is neither copied nor moved.
    MidiEventList(const MidiEventList&) = delete;
    MidiEventList& operator=(const MidiEventList&) = delete;

    vst::VstEvents* events() { return events_(); }

private:
    vst::VstEvents* events_() { return reinterpret_cast<vst::VstEvents*>(record.data()); }

    std::vector<vst::VstMidiEvent> messages;
    std::vector<vst::intptr> record;  // numEvents, reserved, then one pointer a message
};

}  // namespace testhost
