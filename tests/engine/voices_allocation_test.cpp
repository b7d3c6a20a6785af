// Voice allocation: the 16-voice limit with one voice always kept free, the
// order in which voices are stolen, the voice shown as the latest, and the
// all-off controllers.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "engine_test_support.h"

using enginetest::EnginePlugin;

namespace {

// Starts voices 0..count-1 directly with given envelope ramps, some released.
void setVoices(EnginePlugin& plugin, const std::vector<double>& ramps, const std::vector<bool>& released) {
    for (size_t v = 0; v < ramps.size(); ++v) {
        TEngineTestAccess::voices(plugin).voiceOn[v] = true;
        TEngineTestAccess::voices(plugin).envRamp[v] = ramps[v];
        TEngineTestAccess::voices(plugin).voiceRelease[v] = released[v];
    }
}

}  // namespace

// With 15 voices sounding, a new note takes the free voice and cuts one other
// voice at once: the quietest of the released ones, else the quietest of all;
// ties go to the lower voice.
TEST(VoiceAllocation, StealingOrder) {
    struct Case {
        std::vector<double> ramps;  // voices 0..14
        std::vector<bool> released;
        int expectedVictim;
        const char* why;
    };
    const std::vector<double> flat(15, 1.0);
    const std::vector<bool> none(15, false);
    auto with = [](std::vector<double> v, int i, double x) {
        v[i] = x;
        return v;
    };
    auto releasedAt = [](std::initializer_list<int> voices) {
        std::vector<bool> r(15, false);
        for (int v : voices) r[v] = true;
        return r;
    };
    const Case cases[] = {
        {with(flat, 9, 0.2), none, 9, "no voice in release: the quietest voice"},
        {flat, none, 0, "all equal: the lowest voice"},
        {with(with(flat, 3, 0.1), 7, 0.6), releasedAt({7, 11}), 7,
         "a released voice goes first even when a held one is quieter"},
        {with(with(flat, 7, 0.6), 11, 0.3), releasedAt({7, 11}), 11, "the quietest of the released voices"},
        {with(with(flat, 4, 0.5), 12, 0.5), releasedAt({4, 12}), 4, "released tie: the lower voice"},
    };
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>();
        setVoices(*plugin, c.ramps, c.released);
        plugin->midiNoteDown(60, 100, 0);
        EXPECT_EQ(TEngineTestAccess::voices(*plugin).curVoice, 15) << c.why;
        EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceOn[15]) << c.why;
        EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceOn[c.expectedVictim]) << c.why;
        EXPECT_EQ(plugin->voicesOn(), 15) << c.why << ": one voice stays free";
    }
}

// Sixteen notes in "Poly" sound as 15 voices; the 17th note takes the voice the
// 16th freed, and again one voice is cut.
TEST(VoiceAllocation, SixteenNotesKeepOneVoiceFree) {
    auto plugin = std::make_unique<EnginePlugin>();
    for (int i = 0; i < 15; ++i) plugin->noteOn(40 + i, 100, i * 20);
    plugin->render(2000);  // every attack has finished: all voices at full level
    ASSERT_EQ(plugin->voicesOn(), 15);
    plugin->noteOn(70);
    plugin->render(1);
    EXPECT_EQ(plugin->voicesOn(), 15);
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).curVoice, 15);
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).voiceNote[15], 70);
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceOn[0]) << "equal levels: the lowest voice is cut";
    plugin->render(2000);
    plugin->noteOn(71);
    plugin->render(1);
    EXPECT_EQ(plugin->voicesOn(), 15);
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).curVoice, 0) << "the 17th note takes the voice freed by the cut";
    EXPECT_FALSE(TEngineTestAccess::voices(*plugin).voiceOn[1]);
    EXPECT_TRUE(TEngineTestAccess::voices(*plugin).voiceOn[15]);
}

// The voice shown as the latest is the one started last, also when the frame
// counter wrapped between the two starts.
TEST(VoiceAllocation, LastVoiceAcrossTheCounterWrap) {
    auto plugin = std::make_unique<EnginePlugin>();
    TEngineTestAccess::engine(*plugin).frameCount = 0xFFFFFFFFu - 40;
    plugin->noteOn(60);
    plugin->render(20);
    plugin->noteOn(64, 100, 30);  // started after the wrap
    plugin->render(64);
    ASSERT_LT(TEngineTestAccess::engine(*plugin).frameCount, 100u);
    ASSERT_EQ(plugin->voicesOn(), 2);
    TEngineTestAccess::voices(*plugin).curVoice = 0;
    plugin->setLastVoice();
    EXPECT_EQ(TEngineTestAccess::voices(*plugin).lastVoice, 1);
}

TEST(VoiceAllocation, AllOffControllersSilenceAtOnce) {
    for (int cc : {120, 121, 123}) {
        auto plugin = std::make_unique<EnginePlugin>();
        TEngineTestAccess::midi(*plugin).midiCCTag[cc] = 3;  // a binding cannot stop them
        plugin->noteOn(60);
        plugin->noteOn(64);
        plugin->render(64);
        TEngineTestAccess::voices(*plugin).lastPitch = 0.25f;
        ASSERT_EQ(plugin->voicesOn(), 2);
        plugin->controller(cc, 0, 5);
        plugin->render(6);
        EXPECT_EQ(plugin->voicesOn(), 0) << "controller " << cc << ": no release tails";
        EXPECT_EQ(TEngineTestAccess::voices(*plugin).lastPitch, -10.0f) << "the next note does not glide";
        EXPECT_FALSE(TEngineTestAccess::voices(*plugin).keyDown[60]);
        EXPECT_EQ(plugin->getNotesPlaying(), 0);
    }
}

TEST(VoiceAllocation, VoiceSettersIgnoreBadVoices) {
    auto plugin = std::make_unique<EnginePlugin>();
    for (int v : {-1, 16, 1000}) {
        plugin->setVoiceOn(v);
        plugin->setVoiceOff(v);
        plugin->setVoiceTotallyOff(v);
        plugin->setNotePressed(v, 60, 100, true);
        EXPECT_FALSE(plugin->getIsVoicePlaying(v));
    }
    EXPECT_EQ(plugin->voicesOn(), 0);
    plugin->midiNoteDown(-3, 100, 0);
    plugin->midiNoteDown(128, 100, 0);
    plugin->midiNoteRelease(200, 0);
    EXPECT_EQ(plugin->voicesOn(), 0);
}

// The voice shown as the latest: the sounding voice started last, the lower
// one of a chord started in one frame; a start at frame 0 counts as none, and
// the current voice stands when no other voice counts.
TEST(VoiceAllocation, LastVoiceChoice) {
    struct Case {
        std::vector<std::pair<int, std::uint32_t>> sounding;  // voice, start frame
        int curVoice;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {{{0, 100}, {1, 100}, {2, 100}}, 2, 0, "a chord in one frame: the lowest voice of it"},
        {{{0, 100}, {1, 200}, {2, 150}}, 0, 1, "the voice started last"},
        {{{4, 300}, {9, 300}, {3, 120}}, 9, 4, "the tie goes to the lower voice, not the current one"},
        {{{0, 0}, {1, 0}, {2, 0}}, 2, 2, "starts at frame 0 do not count: the current voice"},
        {{{0, 0}, {5, 40}}, 0, 5, "a voice started later than frame 0 wins over it"},
        {{{3, 50}, {7, 80}}, 12, 7, "the current voice is silent"},
        {{}, 6, 11, "nothing sounds: the last choice stays"},
    };
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>();
        TEngineTestAccess::engine(*plugin).frameCount = 1000;
        TEngineTestAccess::voices(*plugin).lastVoice = 11;
        for (const auto& [voice, start] : c.sounding) {
            TEngineTestAccess::voices(*plugin).voiceOn[voice] = true;
            TEngineTestAccess::voices(*plugin).voiceStartFrame[voice] = start;
        }
        TEngineTestAccess::voices(*plugin).curVoice = c.curVoice;
        plugin->setLastVoice();
        EXPECT_EQ(TEngineTestAccess::voices(*plugin).lastVoice, c.expected) << c.why;
    }
}
