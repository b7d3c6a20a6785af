// MIDI input state of the engine: the event queue the plug-in fills with the
// host's events (queueMidiEvent) and the block loop drains at each event's
// frame, the receive channel, the controller map of MIDI learn with its soft takeover, and the
// controller values that become modulation sources.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// One MIDI message as the engine queues it: the frame of the block it acts in
// and its three bytes. The plug-in turns the host's events into these, so the
// engine knows nothing of the host's interface.
struct TMidiEvent {
    std::int32_t deltaFrames = 0;
    char midiData[3] = {};
};

// The controllers' smoothing at each control step: a first-order step of
// about 1% toward the received value.
constexpr float SMOOTH_KEEP = 0.99f;
constexpr float SMOOTH_TAKE = 0.00999999f;

struct TMidiState {
    static constexpr int NUM_CONTROLLERS = 128;
    static constexpr int NUM_CHANNELS = 16;
    // How close (in normalised value) a controller must come to the stored
    // reference before it takes over a parameter in capture mode.
    static constexpr float CAPTURE_WINDOW = 0.025f;
    // Housekeeping ticks after the last ribbon controller before the spring starts.
    static constexpr int RIBBON_SPRING_COUNTDOWN = 4;
    static constexpr int QUEUE_SIZE = 250;
    static constexpr int SLOT_FREE = -99;

    TMidiState() {
        for (TMidiEvent& event : midiEvents) event.deltaFrames = SLOT_FREE;
    }

    // 250 slots (1..250) are used as the queue; slot 0 never. A record is free
    // while its deltaFrames is SLOT_FREE. Held inline: nothing is allocated.
    std::array<TMidiEvent, 251> midiEvents{};
    int numMidiEvents = 0;

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
