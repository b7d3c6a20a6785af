// MIDI input state of APlugin: the event queue the host fills from processEvents
// and the block loop drains at each event's frame.
#pragma once

#include <array>

#include "vst/vst2_abi.h"

struct TMidiState {
    // 250 slots are used as the queue; a record is free while its deltaFrames
    // is MIDI_SLOT_FREE. Held inline: nothing is allocated for them.
    std::array<vst::VstMidiEvent, 251> midiEvents{};
    int numMidiEvents = 0;
};
