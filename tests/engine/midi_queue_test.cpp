// The MIDI queue: events act at their frame, the queue's capacity, offsets a
// host gets wrong, and what happens to events while a program is applied.
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "plugin/uPlugin.h"
#include "tests/plugin/plugin_test_access.h"

using enginetest::EnginePlugin;
using enginetest::midiEvent;

// A note-on sent with offset d must start its voice in frame d: not one frame
// early, and not lost when d lies beyond the block it came with.
TEST(MidiQueue, NoteStartsAtItsFrame) {
    struct Case {
        int delta;
        int blockSize;
        const char* why;
    };
    const Case cases[] = {
        {0, 64, "first frame"},
        {1, 64, "offset 1 is the second frame, not the first"},
        {17, 64, "inside the block, off the 16-frame grid"},
        {63, 64, "last frame of the block"},
        {100, 64, "beyond the block: keeps counting in the next block"},
        {5000, 512, "beyond many blocks and a housekeeping tick"},
    };
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>();
        plugin->noteOn(60, 100, c.delta);
        plugin->render(c.delta, c.blockSize);
        EXPECT_EQ(plugin->voicesOn(), 0) << c.why << " (delta " << c.delta << ")";
        plugin->render(1);
        EXPECT_EQ(plugin->voicesOn(), 1) << c.why << " (delta " << c.delta << ")";
        EXPECT_EQ(TEngineTestAccess::midi(*plugin).numMidiEvents, 0);
    }
}

// Two events in one list at the same frame act in the order they were sent.
TEST(MidiQueue, SameFrameKeepsOrder) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->sendEvents({midiEvent(10, 0x90, 60, 100), midiEvent(10, 0x80, 60, 0), midiEvent(10, 0x90, 62, 90)});
    plugin->render(11);
    ASSERT_EQ(plugin->voicesOn(), 2);
    int keyUpVoices = 0;
    for (int v = 0; v < NUM_VOICES; ++v)
        keyUpVoices +=
            TEngineTestAccess::voices(*plugin).voiceOn[v] && TEngineTestAccess::voices(*plugin).voiceKeyUp[v];
    EXPECT_EQ(keyUpVoices, 1) << "the note-off of 60 came between the two note-ons";
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).keyDown[62]);
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).keyDown[60]);
}

TEST(MidiQueue, CapacityIs250AndANoteOffIsNeverLost) {
    auto plugin = std::make_unique<EnginePlugin>();
    std::vector<TMidiEvent> events;
    for (int i = 0; i < 251; ++i) events.push_back(midiEvent(1000 + i, 0xB0, 2, i & 127));
    plugin->sendEvents(events);
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).numMidiEvents, 250) << "the 251st event is dropped";

    // A full queue still takes a note-off, in place of the latest controller.
    plugin->sendEvents({midiEvent(3, 0x80, 64, 0)});
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).numMidiEvents, 250);
    bool queued = false;
    for (int slot = 1; slot <= 250; ++slot) {
        const auto& e = TEngineTestAccess::midi(*plugin).midiEvents[slot];
        queued = queued || ((e.midiData[0] & 0xF0) == 0x80 && e.midiData[1] == 64 && e.deltaFrames == 3);
    }
    EXPECT_TRUE(queued);

    // A further note-on is refused while the queue is full.
    plugin->sendEvents({midiEvent(3, 0x90, 65, 100)});
    plugin->render(2000, 256);
    EXPECT_EQ(plugin->voicesOn(), 0);
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).numMidiEvents, 0) << "every queued event drained";
}

// A negative offset other than the free marker would never reach 0 and would
// hold its slot; after 250 of them every later event would be dropped.
TEST(MidiQueue, NegativeOffsetsActAtOnceAndFreeTheirSlots) {
    auto plugin = std::make_unique<EnginePlugin>();
    for (int round = 0; round < 300; ++round) {
        plugin->send(round % 2 ? -5 : -99, 0xB0, 2, round & 127);
        plugin->render(1);
    }
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).numMidiEvents, 0);
    plugin->noteOn(60, 100, -7);
    plugin->render(1);
    EXPECT_EQ(plugin->voicesOn(), 1) << "the queue still accepts events";
}

TEST(MidiQueue, ReceiveChannelFilter) {
    struct Case {
        int setting;        // "MIDIChannel" preference
        int eventChannel;   // 0-based channel of the note
        bool heard;
    };
    const Case cases[] = {
        {0, 0, true}, {0, 9, true}, {3, 2, true}, {3, 0, false}, {3, 3, false}, {16, 15, true}, {17, 0, false},
        {-1, 4, true},  // hand-edited: every channel, not a deaf instrument
    };
    for (const Case& c : cases) {
        enginepreferences::setMidiChannelSetting(c.setting);
        auto plugin = std::make_unique<EnginePlugin>();
        plugin->updateMIDIChannel(false);
        plugin->render(1);  // the channel change resets the voices at the next block
        plugin->noteOn(60, 100, 0, c.eventChannel);
        plugin->render(4);
        EXPECT_EQ(plugin->voicesOn(), c.heard ? 1 : 0) << "setting " << c.setting << ", channel " << c.eventChannel;
        EXPECT_EQ(TEngineTestAccess::midi(*plugin).numMidiEvents, 0) << "ignored events are consumed";
    }
    enginepreferences::setMidiChannelSetting(0);
}

// While a program is applied the block is silent and every due event is
// discarded, note-offs included; the frames still count for housekeeping.
TEST(MidiQueue, DiscardedWhileAProgramIsApplied) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->noteOn(60);
    plugin->render(8);
    ASSERT_EQ(plugin->voicesOn(), 1);
    plugin->flags.settingPreset = true;
    const auto frameCount = TEngineTestAccess::engine(*plugin).frameCount;
    const auto fxFrameCount = TEngineTestAccess::engine(*plugin).fxFrameCount;
    plugin->noteOff(60, 2);
    plugin->noteOn(64, 100, 3);
    plugin->render(32);
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).numMidiEvents, 0);
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).keyDown[64]);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).keyDown[60]) << "the note-off was discarded too";
    EXPECT_EQ(TEngineTestAccess::engine(*plugin).frameCount, frameCount) << "the silent path does not move frameCount";
    EXPECT_EQ(TEngineTestAccess::engine(*plugin).fxFrameCount, fxFrameCount + 32);
    for (size_t i = plugin->outLeft.size() - 32; i < plugin->outLeft.size(); ++i) {
        EXPECT_EQ(plugin->outLeft[i], 0.0f);
        EXPECT_EQ(plugin->outRight[i], 0.0f);
    }
}

// The accumulating entry consumes MIDI as the silent path does and adds nothing.
TEST(MidiQueue, DeprecatedEntryConsumesEvents) {
    // Through the host's entry of the plug-in, which hands the block to the engine.
    enginetest::usePrivatePreferences();
    auto plugin = std::make_unique<APlugin>(enginetest::testAudioMaster);
    testhost::MidiEventList list{testhost::midiMessage(0x90, 60, 100, 5)};
    plugin->processEvents(list.events());
    ASSERT_EQ(TPluginTestAccess::midi(*plugin).numMidiEvents, 1);
    std::vector<float> left(16, 0.25f), right(16, -0.25f);
    float* outputs[2] = {left.data(), right.data()};
    plugin->getAeffect()->process(plugin->getAeffect(), nullptr, outputs, 16);
    EXPECT_EQ(TPluginTestAccess::midi(*plugin).numMidiEvents, 0);
    EXPECT_EQ(left[3], 0.25f);
    EXPECT_EQ(right[15], -0.25f);
}

// The plug-in hands the host's MIDI messages to the engine's queue as they
// came, offset and bytes; holes in the list, other kinds of event and empty
// or missing lists queue nothing.
TEST(MidiQueue, HostEventListsQueueTheirMessagesOnly) {
    enum Entry { HOLE, NOTE, SYSEX };
    struct Case {
        bool list;
        int numEvents;  // as the host says, whatever the list holds
        std::vector<Entry> entries;
        int noteDelta, queuedDelta;
        const char* why;
    };
    const Case cases[] = {
        {false, 1, {}, 0, 0, "no list at all"},
        {true, 0, {NOTE}, 9, 0, "a list that says it is empty"},
        {true, -2, {NOTE}, 9, 0, "a negative count"},
        {true, 3, {HOLE, NOTE, SYSEX}, 7, 7, "a hole and a system-exclusive event around the note"},
        {true, 1, {NOTE}, -3, 0, "a negative offset is taken as now"},
    };
    for (const Case& c : cases) {
        enginetest::usePrivatePreferences();
        auto plugin = std::make_unique<APlugin>(enginetest::testAudioMaster);
        vst::VstMidiEvent note = testhost::midiMessage(0x91, 61, 99, c.noteDelta);
        vst::VstMidiSysexEvent sysex{};
        sysex.type = vst::kVstSysExType;
        sysex.byteSize = sizeof sysex;
        std::vector<char> buffer(sizeof(vst::VstEvents) + c.entries.size() * sizeof(vst::VstEvent*));
        auto* list = reinterpret_cast<vst::VstEvents*>(buffer.data());
        list->numEvents = c.numEvents;
        for (size_t i = 0; i < c.entries.size(); ++i)
            list->events[i] = c.entries[i] == HOLE   ? nullptr
                              : c.entries[i] == NOTE ? reinterpret_cast<vst::VstEvent*>(&note)
                                                     : reinterpret_cast<vst::VstEvent*>(&sysex);
        EXPECT_EQ(plugin->processEvents(c.list ? list : nullptr), 1) << c.why;

        const TMidiState& midi = TPluginTestAccess::midi(*plugin);
        const bool noteSent = c.list && c.numEvents > 0;
        ASSERT_EQ(midi.numMidiEvents, noteSent ? 1 : 0) << c.why;
        if (!noteSent) continue;
        const TMidiEvent& queued = midi.midiEvents[1];
        EXPECT_EQ(queued.deltaFrames, c.queuedDelta) << c.why;
        EXPECT_EQ(static_cast<unsigned char>(queued.midiData[0]), 0x91) << c.why;
        EXPECT_EQ(queued.midiData[1], 61) << c.why;
        EXPECT_EQ(queued.midiData[2], 99) << c.why;
    }
}

// Bytes a host or a broken controller may send: data bytes without a status,
// system messages, program changes and data bytes with the top bit set.
TEST(MidiQueue, MalformedMessagesAreHarmless) {
    struct Case {
        int status, data1, data2;
        int voicesAfter;
        const char* why;
    };
    const Case cases[] = {
        {0x00, 60, 100, 0, "a data byte in the status place"},
        {0x7F, 60, 100, 0, "another data byte"},
        {0xF0, 0x7E, 0x7F, 0, "system exclusive start"},
        {0xFF, 0xFF, 0xFF, 0, "system reset"},
        {0xC0, 5, 0, 0, "program change is not used"},
        {0x90, 0xC8, 0xE4, 1, "data bytes keep their low seven bits: note 72, velocity 100"},
        {0xB0, 0xFF, 0xFF, 0, "controller 127 with value 127"},
        {0xE3, 0xFF, 0xFF, 0, "pitch bend with stray top bits"},
    };
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>();
        plugin->send(3, c.status, c.data1, c.data2);
        plugin->render(64);
        EXPECT_EQ(plugin->voicesOn(), c.voicesAfter) << c.why;
        EXPECT_TRUE(enginetest::allFinite(plugin->outLeft)) << c.why;
        EXPECT_LE(std::fabs(TEngineTestAccess::mod(*plugin).globalModSrc()[18]), 1.0f) << c.why;
    }
}
