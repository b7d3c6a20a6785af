// The eight play modes: which voice a note takes, what happens to the note
// before it, the note stack of the mono and legato modes, and sustain.
#include <gtest/gtest.h>

#include "engine_test_support.h"

using enginetest::EnginePlugin;

namespace {

enum { POLY, POLY_MPE, MONO, MONO_HI, MONO_LO, LEGATO, LEGATO_HI, LEGATO_LO };
constexpr int TAG_PLAY_MODE = 5;

std::unique_ptr<EnginePlugin> pluginInMode(int mode) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setStep(TAG_PLAY_MODE, mode);
    plugin->render(16);  // the mode is read at the next control step
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).playMode, mode);
    return plugin;
}

}  // namespace

// A step of a scenario: a key goes down (velocity > 0) or up (velocity 0),
// or, with note VOICES_OFF, every voice stops as at a rate change.
struct Key {
    int note;
    int velocity;
};
constexpr int VOICES_OFF = -1;

TEST(PlayModes, MonoStack) {
    struct Case {
        int mode;
        std::vector<Key> keys;
        int soundingNote;   // note of the current voice at the end, -1 = phrase ended
        int voicesStarted;  // note starts seen (retriggers)
        const char* why;
    };
    const Case cases[] = {
        {MONO, {{60, 100}, {62, 100}, {64, 100}}, 64, 3, "every key restarts the voice"},
        {MONO, {{60, 100}, {62, 100}, {64, 100}, {64, 0}}, 62, 4, "releasing the newest resumes the previous key"},
        {MONO, {{60, 100}, {62, 100}, {64, 100}, {62, 0}}, 64, 3, "releasing a key below the newest changes nothing"},
        {MONO_HI, {{60, 100}, {48, 100}}, 60, 1, "Mono Hi ignores a lower key"},
        {MONO_HI, {{60, 100}, {48, 100}, {60, 0}}, -1, 1, "and releasing the upper key ends the phrase"},
        {MONO_HI, {{60, 100}, {72, 100}}, 72, 2, "Mono Hi takes a higher key"},
        {MONO_LO, {{60, 100}, {72, 100}}, 60, 1, "Mono Lo ignores a higher key"},
        {MONO_LO, {{60, 100}, {48, 100}}, 48, 2, "Mono Lo takes a lower key"},
        {MONO, {{0, 100}, {5, 100}, {5, 0}}, -1, 2, "a held note 0 is dropped: the phrase ends, no note -1"},
        {MONO, {{60, 100}, {60, 100}, {60, 0}}, -1, 2, "the same key twice and up once: the phrase ends"},
        {MONO, {{60, 100}, {62, 100}, {60, 100}, {60, 0}}, 62, 4, "a key pressed again moves to the top"},
        {LEGATO_LO, {{60, 100}, {67, 100}}, 60, 1, "Legato Lo ignores a higher key"},
        {LEGATO_LO, {{60, 100}, {67, 100}, {55, 100}}, 55, 1, "and glides to a lower one without a restart"},
    };
    for (const Case& c : cases) {
        auto plugin = pluginInMode(c.mode);
        int starts = 0;
        for (const Key& key : c.keys) {
            const int before = TEngineTestAccess::voices(*plugin).noteCycle;
            if (key.velocity > 0)
                plugin->midiNoteDown(key.note, key.velocity, 0);
            else
                plugin->midiNoteRelease(key.note, 0);
            starts += TEngineTestAccess::voices(*plugin).noteCycle != before;
        }
        EXPECT_EQ(starts, c.voicesStarted) << c.why;
        const int v = TEngineTestAccess::voices(*plugin).curVoice;
        if (c.soundingNote < 0) {
            EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceKeyUp[v]) << c.why;
            EXPECT_EQ(TEngineTestAccess::voices(*plugin).noteStackTop, -1) << c.why;
            EXPECT_FALSE(TEngineTestAccess::voices(*plugin).monoHeld) << c.why;
        } else {
            EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceOn[v]) << c.why;
            EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceKeyUp[v]) << c.why;
            EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceNote[v], c.soundingNote) << c.why;
        }
        for (int i = 0; i <= TEngineTestAccess::voices(*plugin).noteStackTop; ++i)
            EXPECT_GE(TEngineTestAccess::voices(*plugin).noteStack[i], 0) << c.why;
    }
}

// Releasing the newest key in "Mono" restarts on the previous key and lets
// the old voice fall fast.
TEST(PlayModes, MonoReleaseFastReleasesTheOldVoice) {
    auto plugin = pluginInMode(MONO);
    plugin->midiNoteDown(60, 100, 0);
    plugin->midiNoteDown(64, 100, 0);
    const int old = TEngineTestAccess::voices(*plugin).curVoice;
    plugin->midiNoteRelease(64, 0);
    EXPECT_NE(TEngineTestAccess::voices(*plugin).curVoice, old);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceRelease[old]);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceFastRelease[old]);
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceNote[TEngineTestAccess::voices(*plugin).curVoice], 60);
}

// "Legato": a second key glides the sounding voice without a restart, at the
// first note's velocity; releasing it glides back.
TEST(PlayModes, LegatoGlidesWithoutRestart) {
    for (int mode : {LEGATO, LEGATO_HI}) {
        auto plugin = pluginInMode(mode);
        plugin->noteOn(60, 50);
        plugin->render(100);
        const int v = TEngineTestAccess::voices(*plugin).curVoice;
        const auto framesBefore = TEngineTestAccess::voices(*plugin).voiceFrameCount[v];
        plugin->noteOn(64, 120);
        plugin->render(1);
        EXPECT_EQ(TEngineTestAccess::voices(*plugin).curVoice, v);
        EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceNote[v], 64);
        EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceFrameCount[v], framesBefore + 1) << "not restarted";
        EXPECT_FLOAT_EQ(TEngineTestAccess::voices(*plugin).voiceVelocity[v], 50 / 127.0f)
            << "the first note's velocity";
        EXPECT_EQ(plugin->voicesOn(), 1);
        plugin->noteOff(64);
        plugin->render(1);
        EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceNote[v], 60) << "glides back";
        EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceOn[v]);
        EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceKeyUp[v]);
        plugin->noteOff(60);
        plugin->render(1);
        EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceKeyUp[v]) << "the last key ends the phrase";
    }
}

TEST(PlayModes, PolyMpeKeepsChannels) {
    auto plugin = pluginInMode(POLY_MPE);
    plugin->noteOn(60, 100, 0, 2);
    plugin->noteOn(60, 100, 0, 5);
    plugin->render(4);
    ASSERT_EQ(plugin->voicesOn(), 2);
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceChannel[0], 2);
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceChannel[1], 5);
    // Pitch bend on channel 5 moves only that voice.
    plugin->send(0, 0xE5, 127, 127);
    plugin->noteOff(60, 0, 2);
    plugin->render(1);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceKeyUp[0]);
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceKeyUp[1]) << "the same note on another channel still sounds";
    EXPECT_NEAR(TEngineTestAccess::mod(*plugin).voiceModSrc(1)[18], 1.0f, 0.001f);
    EXPECT_EQ(TEngineTestAccess::mod(*plugin).voiceModSrc(0)[18], 0.0f);
}

// Changing the play mode lets every sounding voice go at the next control step.
TEST(PlayModes, ModeChangeReleasesVoices) {
    auto plugin = pluginInMode(POLY);
    plugin->noteOn(60);
    plugin->noteOn(64);
    plugin->render(32);
    plugin->setStep(TAG_PLAY_MODE, MONO);
    plugin->render(16);
    for (int v = 0; v < 2; ++v) EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceRelease[v]);
}

// Sustain: releases wait for the pedal; the held-back flags are spent when the
// pedal goes up and do not release a later note.
TEST(Sustain, PedalHoldsAndReleases) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->controller(64, 127);
    plugin->noteOn(60);
    plugin->render(32);
    plugin->noteOff(60);
    plugin->render(32);
    plugin->setVoiceOff(0);  // what the Movement does at the end of its cycle once the key is up
    plugin->render(32);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceOn[0]);
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceRelease[0]) << "held by the pedal";
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceSustainRelease[0]);

    plugin->controller(64, 0);
    plugin->render(1);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceRelease[0]) << "released with the pedal";
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceSustainRelease[0]) << "the held-back release is spent";
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceSustainKeyUp[0]);

    // Pedal down again with a new note held: lifting the pedal must not
    // release it through flags left from the first note.
    plugin->render(20000);
    plugin->controller(64, 127);
    plugin->noteOn(62);
    plugin->render(32);
    plugin->controller(64, 0);
    plugin->render(32);
    const int v = TEngineTestAccess::voices(*plugin).curVoice;
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceNote[v], 62);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceOn[v]);
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceRelease[v]) << "a held key is not released by the pedal";
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceKeyUp[v]);
}

// A voice restarted while it carried a held-back release starts clean.
TEST(Sustain, VoiceStartClearsHeldBackRelease) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->controller(64, 127);
    plugin->render(1);
    plugin->setVoiceOff(0);
    ASSERT_TRUE(TEngineTestAccess::voices(*plugin).voiceSustainRelease[0]);
    plugin->setVoiceOn(0);
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceSustainRelease[0]);
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceSustainKeyUp[0]);
}

// A mono or legato phrase that has held two keys stays held until its last key
// goes up, also when only one key is left.
TEST(PlayModes, PhraseStaysHeldUntilTheLastKey) {
    struct Case {
        int mode;
        std::vector<Key> keys;
        bool held;
        const char* why;
    };
    const Case cases[] = {
        {MONO, {{60, 100}}, false, "one key: not held"},
        {MONO, {{60, 100}, {62, 100}}, true, "two keys"},
        {MONO, {{60, 100}, {62, 100}, {62, 0}}, true, "back to one key: still held"},
        {MONO, {{60, 100}, {62, 100}, {60, 0}}, true, "the older key up: still held"},
        {MONO, {{60, 100}, {62, 100}, {62, 0}, {60, 0}}, false, "the last key up ends it"},
        {LEGATO, {{60, 100}, {62, 100}, {62, 0}}, true, "Legato: back to one key, still held"},
        {LEGATO, {{60, 100}, {62, 100}, {62, 0}, {60, 0}}, false, "Legato: the last key up ends it"},
        {MONO, {{60, 100}, {62, 100}, {VOICES_OFF, 0}}, true, "the voices stopped: the keys may still be down"},
        {LEGATO, {{60, 100}, {62, 100}, {VOICES_OFF, 0}, {64, 90}}, true,
         "Legato: a note after the voices stopped, the keys still down: still held"},
    };
    for (const Case& c : cases) {
        auto plugin = pluginInMode(c.mode);
        for (const Key& key : c.keys) {
            if (key.note == VOICES_OFF)
                plugin->turnAllVoicesOff();
            else if (key.velocity > 0)
                plugin->midiNoteDown(key.note, key.velocity, 0);
            else
                plugin->midiNoteRelease(key.note, 0);
        }
        EXPECT_EQ(TEngineTestAccess::voices(*plugin).monoHeld, c.held) << c.why;
        if (c.held) {
            EXPECT_EQ(plugin->getNotesOn(), 2) << c.why;
        }
    }
}

// The preview note is asked for and let go on the editor's thread and played on
// the audio thread; however the requests fall between two blocks, the note the
// button asked for last is what sounds, and a released preview never hangs.
TEST(PreviewNote, RequestsBetweenBlocks) {
    struct Case {
        std::vector<bool> requests;  // true: pressed, false: let go
        bool sounding;
        const char* why;
    };
    const Case cases[] = {
        {{true}, true, "pressed"},
        {{true, false}, false, "pressed and let go before the block: no hanging note"},
        {{true, false, true}, true, "pressed again: it sounds"},
        {{false}, false, "let go with nothing pressed"},
    };
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>();
        plugin->setParameter(40, 1.0f);  // "Movement Loop": only a key-up ends the voice
        for (bool pressed : c.requests) {
            if (pressed)
                plugin->previewNoteOn();
            else
                plugin->previewNoteReleased();
        }
        plugin->render(64);
        EXPECT_EQ(TEngineTestAccess::voices(*plugin).previewNoteIsOn, c.sounding) << c.why;
        int held = 0;
        for (int v = 0; v < NUM_VOICES; ++v)
            held += TEngineTestAccess::voices(*plugin).voiceOn[v] && !TEngineTestAccess::voices(*plugin).voiceKeyUp[v];
        EXPECT_EQ(held, c.sounding ? 1 : 0) << c.why;
    }
}
