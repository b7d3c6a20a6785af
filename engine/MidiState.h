// MIDI input state of APlugin: the event queue the host fills from
// processEvents and the block loop drains at each event's frame, the receive
// channel, the controller map of MIDI learn with its soft takeover, and the
// controller values that become modulation sources.
#pragma once

#include <array>
#include <atomic>

#include "vst/vst2_abi.h"

// The other engine member groups of APlugin come with this header, which is
// the one plugin/uPlugin.h includes for the engine.
#include "engine/EngineState.h"
#include "engine/ModState.h"
#include "engine/OutputState.h"
#include "engine/VoiceState.h"
#include "engine/VoiceUnits.h"

struct TMidiState {
    static constexpr int NUM_CONTROLLERS = 128;
    static constexpr int NUM_CHANNELS = 16;
    // How close (in normalised value) a controller must come to the stored
    // reference before it takes over a parameter in capture mode.
    static constexpr float CAPTURE_WINDOW = 0.025f;
    // Housekeeping ticks after the last ribbon controller before the spring starts.
    static constexpr int RIBBON_SPRING_COUNTDOWN = 4;

    // 250 slots (1..250) are used as the queue; slot 0 never. A record is free
    // while its deltaFrames is MIDI_SLOT_FREE. Held inline: nothing is allocated.
    std::array<vst::VstMidiEvent, 251> midiEvents{};
    int numMidiEvents = 0;
    // Host time information: refreshed once per block and for each handled event.
    vst::VstTimeInfo* timeInfo = nullptr;

    // Receive channel 0..15, -1 for all channels; 16 matches no channel.
    // Written by the editor thread (updateMIDIChannel), read per event.
    std::atomic<int> midiChannel{-1};

    // MIDI learn. The map is written by the editor thread and the audio thread;
    // each entry is one word, so a reader sees either the old or the new binding.
    std::array<std::atomic<int>, NUM_CONTROLLERS> midiCCTag{};
    std::atomic<bool> midiLearnArmed{false};
    std::atomic<int> midiLearnTag{0};

    // Controller values as received, 0..1 (pitch bend -1..1).
    float modWheel = 0;
    float modWheelSmoothed = 0;  // the global mod wheel, smoothed at the control step
    std::array<float, 16> voiceModWheel{}, polyAftertouch{}, voicePressure{};
    std::array<float, 16> voiceModWheelSmoothed{}, polyAftertouchSmoothed{}, voicePressureSmoothed{};
    std::array<float, NUM_CHANNELS> channelModWheel{}, channelPolyAftertouch{}, channelPressure{};
    float pitchBend = 0;
    bool sustainOn = false;
};
