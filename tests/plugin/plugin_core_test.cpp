// The plug-in object built directly: entry functions, start state, rate
// members and the base layer's value-to-text helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "plugin/EditorHooks.h"
#include "plain_program.h"
#include "plugin/uPlugin.h"
#include "tools/testhost/MidiEventList.h"

using namespace vst;

namespace {

// A host whose answers a test sets, recording which opcodes it was asked.
struct ScriptedHost {
    intptr versionAnswer = 2400;
    int32 throwOn = -1;  // the opcode whose call throws
    std::vector<int32> opcodes;
};
ScriptedHost* scripted = nullptr;

intptr scriptedCallback(AEffect*, int32 opcode, int32, intptr, void*, float) {
    scripted->opcodes.push_back(opcode);
    if (opcode == scripted->throwOn) throw std::bad_alloc();
    return opcode == audioMasterVersion ? scripted->versionAnswer : 0;
}

TEST(PluginCore, EntryFunctionsBuildNothingForAHostThatRefuses) {
    for (auto entry : {&VSTPluginMain, &main_macho}) {
        ScriptedHost host;
        host.versionAnswer = 0;
        scripted = &host;
        EXPECT_EQ(entry(scriptedCallback), nullptr);
        EXPECT_EQ(host.opcodes, std::vector<int32>{audioMasterVersion}) << "only the version is asked";
    }
    EXPECT_EQ(VSTPluginMain(nullptr), nullptr);
}

TEST(PluginCore, EntryFunctionsHandTheHostAWorkingRecord) {
    for (auto entry : {&VSTPluginMain, &main_macho}) {
        ScriptedHost host;
        scripted = &host;
        AEffect* effect = entry(scriptedCallback);
        ASSERT_NE(effect, nullptr);
        EXPECT_EQ(effect->magic, kEffectMagic);
        EXPECT_EQ(effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0), 0);
        EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0), 1);
    }
}

// Construction that throws (here the host's own answer, as a failed
// allocation or thread would) ends in no plug-in, never in an exception
// that crosses into the host.
TEST(PluginCore, EntryFunctionsTurnAFailedConstructionIntoNoPlugin) {
    struct Case {
        const char* what;
        int32 throwOn;
    } cases[] = {
        {"asked for the version", audioMasterVersion},
        {"while the object is built", audioMasterGetProductString},
    };
    for (const Case& c : cases) {
        for (auto entry : {&VSTPluginMain, &main_macho}) {
            SCOPED_TRACE(c.what);
            ScriptedHost host;
            host.throwOn = c.throwOn;
            scripted = &host;
            AEffect* effect = reinterpret_cast<AEffect*>(1);
            EXPECT_NO_THROW(effect = entry(scriptedCallback));
            EXPECT_EQ(effect, nullptr);
            EXPECT_EQ(host.opcodes.back(), c.throwOn) << "the failure came where it was meant to";
        }
    }
}

// The processor time that a test hands the plug-in at construction.
std::clock_t processorTimeNow = 0;
std::clock_t testProcessorClock() { return processorTimeNow; }

// "Set to Random" and the Gator's random pattern draw from the C library's
// generator, which each instance seeds with the processor time at its
// construction: a plug-in loaded at another moment draws other values, and
// one loaded at the same moment the same values, whatever was drawn before.
TEST(PluginCore, ConstructionSeedsTheRandomValuesWithTheProcessorTime) {
    struct RealClockAfterwards {
        ~RealClockAfterwards() { APlugin::setProcessorClock(nullptr); }
    } restore;
    APlugin::setProcessorClock(testProcessorClock);
    std::vector<std::array<int, 2>> earlier;
    for (std::clock_t clock : {1000, 250000, 7000000}) {
        processorTimeNow = clock;
        std::srand(12345);  // what the process drew before
        auto plugin = std::make_unique<APlugin>(nullptr);
        const std::array<int, 2> drawn{std::rand(), std::rand()};
        std::srand(static_cast<unsigned>(clock));
        const std::array<int, 2> seeded{std::rand(), std::rand()};
        EXPECT_EQ(drawn, seeded) << "seeded with the processor time " << clock;
        for (const auto& before : earlier) EXPECT_NE(drawn, before) << "a load at another time draws the same";
        earlier.push_back(drawn);
    }
}

// The start state runs at 44,099 Hz; a rate change is taken within 5 Hz to
// 500 kHz at the next block, and every member derived from the rate follows it.
TEST(PluginCore, SampleRateChangesFollowTheirRules) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    EXPECT_DOUBLE_EQ(plugin->rates().curSampleRateD, 44099.0);
    EXPECT_FLOAT_EQ(plugin->rates().tempo, 120.0f);
    EXPECT_FLOAT_EQ(plugin->rates().samplesPerBar, 240.0f * 44099.0f / 120.0f);
    EXPECT_EQ(plugin->getProgram(), 0);
    EXPECT_FALSE(plugin->hostFlags().hostIsReaper || plugin->hostFlags().hostIsNKS || plugin->hostFlags().hostIsProp ||
                 plugin->hostFlags().hostIsKore || plugin->hostFlags().hostIsSibling);
    struct Case {
        float requested;
        float expected;
        const char* why;
    } cases[] = {
        {0.0f, 44099.0f, "the start state (0 is ignored)"},
        {48000.0f, 48000.0f, "a new rate is taken"},
        {48000.0f, 48000.0f, "the same rate again changes nothing"},
        {4.0f, 48000.0f, "below 5 Hz is ignored"},
        {600000.0f, 48000.0f, "above 500 kHz is ignored"},
        {NAN, 48000.0f, "not a number is ignored"},
        {INFINITY, 48000.0f, "infinity is ignored"},
        {5.0f, 5.0f, "5 Hz is the lowest rate"},
        {500000.0f, 500000.0f, "500 kHz is the highest rate"},
        {22050.0f, 22050.0f, "a low studio rate"},
    };
    for (const Case& c : cases) {
        plugin->dispatcher(effSetSampleRate, 0, 0, nullptr, c.requested);
        // The audio thread takes the rate at the start of its next block.
        plugin->processReplacing(nullptr, nullptr, 0);
        EXPECT_FLOAT_EQ(plugin->rates().curSampleRate, c.expected) << c.why;
    }
    EXPECT_FLOAT_EQ(plugin->getSampleRate(), 44100.0f) << "the base layer's own rate is not touched";
}

// What follows from the rate is heard: after a change, a held note 69 plays
// 220 Hz at the new rate (the voices run at twice the host rate, the base note
// follows the rate, and so does every member derived from it).
TEST(PluginCore, ANoteKeepsItsPitchAcrossRateChanges) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    loadPlainProgram(*plugin);  // the plain sound, whatever program 0 is
    plugin->setSteppedValue(10, 3);    // "Source Mode": Wave
    plugin->setParameter(15, 0.0f);    // "Wave Mix": the sine
    plugin->setParameter(40, 1.0f);    // "Movement Loop": the note holds its level
    plugin->setParameter(52, 0.0f);    // the Movement leaves the level alone
    plugin->setParameter(957, 0.0f);   // no attack
    plugin->setParameter(1018, 0.0f);  // no brick-wall filter
    for (const float rate : {48000.0f, 22050.0f, 96000.0f}) {
        plugin->dispatcher(effSetSampleRate, 0, 0, nullptr, rate);
        const auto frames = static_cast<int32>(rate / 2);
        std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
        float* outputs[2] = {left.data(), right.data()};
        plugin->processReplacing(nullptr, outputs, frames);  // the program and the settings are taken

        testhost::MidiEventList noteOn{testhost::midiMessage(0x90, 69, 100)};
        plugin->processEvents(noteOn.events());
        plugin->processReplacing(nullptr, outputs, frames);
        // Periods between the first and the last rising zero crossing of the
        // last 0.4 s, each crossing placed between its two frames.
        const auto first = static_cast<std::size_t>(rate / 10);
        int rising = 0;
        double firstCrossing = 0, lastCrossing = 0;
        for (std::size_t i = first + 1; i < left.size(); ++i) {
            if (!(left[i - 1] < 0.0f && left[i] >= 0.0f)) continue;
            const double at = static_cast<double>(i - 1) + left[i - 1] / (left[i - 1] - left[i]);
            if (rising++ == 0) firstCrossing = at;
            lastCrossing = at;
        }
        ASSERT_GT(rising, 10) << "at " << rate << " Hz";
        const double hz = (rising - 1) / ((lastCrossing - firstCrossing) / rate);
        EXPECT_NEAR(hz, 220.0, 220.0 * 0.01) << "at " << rate << " Hz";
    }
}

// A host whose time information changes with every question: the answers
// are taken in turn, the last one repeated; a tempo of 0 stands for no answer.
struct ChangingClock {
    std::vector<double> tempos;
    std::size_t asked = 0;
    VstTimeInfo info{};
};
ChangingClock* changingClock = nullptr;

intptr answerChangingTime(AEffect*, int32 opcode, int32, intptr, void*, float) {
    if (opcode == audioMasterVersion) return 2400;
    if (opcode != audioMasterGetTime || !changingClock) return 0;
    ChangingClock& clock = *changingClock;
    const double tempo = clock.tempos[std::min(clock.asked++, clock.tempos.size() - 1)];
    if (tempo == 0) return 0;
    clock.info.tempo = tempo;
    clock.info.flags = kVstTempoValid | kVstPpqPosValid;
    return reinterpret_cast<intptr>(&clock.info);
}

// The host's time is read at the start of a block and again for each MIDI
// event handled; the control steps (every 16 frames) take the latest answer.
TEST(PluginCore, HostTimeIsReadAgainAtEachMidiEvent) {
    const struct {
        std::vector<int> eventFrames;
        std::vector<double> tempos;  // the block's answer first
        float tempo;                 // after a block of 64 frames
        std::size_t asked;
        const char* why;
    } cases[] = {
        {{}, {120, 90}, 120, 1, "no event: the block's answer only"},
        {{3}, {120, 90}, 90, 2, "an event at frame 3 brings the tempo of frame 16 on"},
        {{50}, {120, 90}, 120, 2, "after the block's last control step the new tempo waits"},
        {{3, 20}, {120, 90, 60}, 60, 3, "each event asks again"},
        {{3}, {120, 0}, 120, 2, "no answer at the event: the tempo stays"},
    };
    for (const auto& c : cases) {
        ChangingClock clock;
        clock.tempos = {120};
        changingClock = &clock;
        auto plugin = std::make_unique<APlugin>(answerChangingTime);
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        plugin->processReplacing(nullptr, outputs, 64);  // the program is applied
        std::vector<VstMidiEvent> controllers;
        for (int frame : c.eventFrames) controllers.push_back(testhost::midiMessage(0xB0, 2, 64, frame));
        testhost::MidiEventList list(controllers);
        plugin->processEvents(list.events());
        clock.tempos = c.tempos;
        clock.asked = 0;
        plugin->processReplacing(nullptr, outputs, 64);
        EXPECT_FLOAT_EQ(plugin->rates().tempo, c.tempo) << c.why;
        EXPECT_EQ(clock.asked, c.asked) << c.why;
        changingClock = nullptr;
    }
}

TEST(PluginCore, ValueToTextHelpers) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    char text[64];
    struct FloatCase {
        float value;
        const char* expected;
    } floats[] = {
        {1.5f, "1.500000"},  {-1.5f, "-1.50000"},      {0.0f, "0.000000"},    {123.25f, "123.2500"},
        {12345678.0f, "2345678."},                     {100000000.0f, "Huge!"}, {-10000000.0f, "Huge!"},
        {NAN, "Huge!"},
    };
    for (const FloatCase& c : floats) {
        plugin->float2string(c.value, text, 63);
        EXPECT_STREQ(text, c.expected) << c.value;
    }
    struct IntCase {
        int32 value;
        const char* expected;
    } ints[] = {{0, "0"},
                {-5, "-5"},
                {42, "42"},
                {99999999, "99999999"},
                {100000000, "Huge!"},
                {-999999999, "-999999999"},
                {-1000000000, "Huge!"},  // its ten digits would not fit the nine a negative value has
                {INT32_MIN, "Huge!"}};
    for (const IntCase& c : ints) {
        plugin->int2string(c.value, text, 63);
        EXPECT_STREQ(text, c.expected) << c.value;
    }
    plugin->dB2string(0.0f, text, 63);
    EXPECT_STREQ(text, "-oo");
    plugin->dB2string(1.0f, text, 63);
    EXPECT_STREQ(text, "0.000000");
    plugin->Hz2string(0.0f, text, 63);
    EXPECT_STREQ(text, "0.000000");
    plugin->float2string(1.5f, text, 3);
    EXPECT_STREQ(text, "1.5") << "maxLen bounds the text";
}

// The plug-in object holds all its state inline (several megabytes), so tests
// build it on the heap as the entry function does.

// An editor that only records what the plug-in tells it.
struct RecordingEditor : AEffEditor, TEditorHooks {
    explicit RecordingEditor(AudioEffect* effect, std::vector<int>& tags) : AEffEditor(effect), tags(tags) {}
    void setEditTag(int tag) override { tags.push_back(tag); }
    void setParameter(int, float) override {}
    void updateIdleVars() override {}
    void updateModFX() override {}
    void clearUndos() override {}
    std::vector<int>& tags;
};

intptr answerEdits(AEffect*, int32 opcode, int32 index, intptr, void*, float) {
    scripted->opcodes.push_back(opcode);
    if (opcode == audioMasterVersion) return scripted->versionAnswer;
    return (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit) && index == 7 ? 1 : 0;
}

TEST(PluginCore, EditBracketsTellTheEditorAndTheHost) {
    ScriptedHost host;
    scripted = &host;
    auto plugin = std::make_unique<APlugin>(answerEdits);
    std::vector<int> tags;
    plugin->setEditor(new RecordingEditor(plugin.get(), tags));
    EXPECT_NE(plugin->getAeffect()->flags & effFlagsHasEditor, 0);

    host.opcodes.clear();
    EXPECT_TRUE(plugin->beginEdit(7));
    EXPECT_TRUE(plugin->endEdit(7));
    EXPECT_FALSE(plugin->beginEdit(8)) << "the host's answer is passed on";
    EXPECT_EQ(tags, (std::vector<int>{7, -1, 8}));
    EXPECT_EQ(host.opcodes, (std::vector<int32>{audioMasterBeginEdit, audioMasterEndEdit, audioMasterBeginEdit}));

    auto hostless = std::make_unique<APlugin>(nullptr);
    EXPECT_FALSE(hostless->beginEdit(7)) << "without a host nothing is recorded";
}

TEST(PluginCore, SpeakerArrangementHelpers) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    VstSpeakerArrangement* arrangement = nullptr;
    ASSERT_TRUE(plugin->allocateArrangement(&arrangement, 2));
    ASSERT_NE(arrangement, nullptr);
    EXPECT_EQ(arrangement->numChannels, 2);
    std::snprintf(arrangement->speakers[0].name, sizeof arrangement->speakers[0].name, "Left");
    arrangement->type = 1;
    VstSpeakerArrangement* copy = nullptr;
    EXPECT_TRUE(plugin->matchArrangement(&copy, arrangement));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->type, 1);
    EXPECT_STREQ(copy->speakers[0].name, "Left");
    EXPECT_FALSE(plugin->matchArrangement(&copy, nullptr));
    EXPECT_TRUE(plugin->deallocateArrangement(&arrangement));
    EXPECT_EQ(arrangement, nullptr);
    EXPECT_TRUE(plugin->deallocateArrangement(&copy));
    EXPECT_TRUE(plugin->deallocateArrangement(&copy)) << "deallocating nothing is fine";
}

}  // namespace
