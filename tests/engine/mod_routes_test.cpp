// The four matrix slots and the Movement and Free LFO routes, applied by the
// real block loop: how each destination type combines a source and an amount,
// globally and per voice, and what leaves a route out.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "mod_support.h"

namespace {

constexpr int SLOT_BYPASS = 107, SLOT_SOURCE = 111, SLOT_DEST = 115, SLOT_AMOUNT = 119;
// A source nothing else writes while the Gator is silent, so a test can set it.
constexpr int TEST_SOURCE = 60;
constexpr int OFFSET_SOURCE = 57;

void setSlot(ModRig& rig, int slot, int source, int dest, float amount, bool bypass = false) {
    rig.setStep(SLOT_SOURCE + slot, source);
    rig.setStep(SLOT_DEST + slot, dest);
    rig.set(SLOT_AMOUNT + slot, amount);
    rig.set(SLOT_BYPASS + slot, bypass ? 1.0f : 0.0f);
}

// A held note with a Movement that loops, so the voice stays for the test.
void startNote(ModRig& rig) {
    rig.set(40, 1.0f);
    rig.noteOn(60);
    rig.render(1);
}

struct RouteCase {
    const char* why;
    int dest;
    int source;
    float sourceValue;
    float amount;
    float expectedVoice;
    float expectedGlobal;
    bool twoRoutes = false;  // the same route in slots 1 and 3
};

// Each destination type, alone and with two routes on it.
TEST(ModRoutes, EachDestinationTypeCombinesSourceAndAmount) {
    const RouteCase cases[] = {
        {"added: filter frequency moves by amount x source", 28, TEST_SOURCE, 0.5f, 1.0f, 0.5f, 0.5f},
        {"added: a negative amount subtracts", 28, TEST_SOURCE, 0.5f, 0.0f, -0.5f, -0.5f},
        {"semitones per voice: whole cents of the source, in twelfths", 8, TEST_SOURCE, 0.5f, 1.0f, 1.5f, 0.5f},
        {"semitones truncate to whole cents", 8, TEST_SOURCE, 0.00004f, 1.0f, 0.0f, 0.00004f},
        {"octaves are added", 7, TEST_SOURCE, 0.5f, 0.75f, 0.25f, 0.25f},
        {"rate: 2^(4 a s)", 6, TEST_SOURCE, 0.5f, 1.0f, 4.0f, 4.0f},
        {"rate: a negative amount slows", 81, TEST_SOURCE, 0.25f, 0.0f, 0.5f, 0.5f},
        {"gain: s a + 1 - a", 1, TEST_SOURCE, 0.25f, 1.0f, 0.25f, 0.25f},
        {"gain: amount 0 leaves the level alone", 1, TEST_SOURCE, 0.25f, 0.5f, 1.0f, 1.0f},
        {"gain: full amount with source 0 mutes", 1, TEST_SOURCE, 0.0f, 1.0f, 0.0f, 0.0f},
        {"gain: full negative amount with source 1 mutes", 1, TEST_SOURCE, 1.0f, 0.0f, 0.0f, 0.0f},
        {"gain: negative amount scales by the distance from 1", 21, TEST_SOURCE, 0.25f, 0.25f, 0.875f, 0.875f},
        {"gain: a bipolar source is folded to 0..1 first", 1, 13, -1.0f, 1.0f, 0.0f, 0.0f},
        {"two rate routes multiply: 2^2 x 2^2", 6, TEST_SOURCE, 0.5f, 1.0f, 16.0f, 16.0f, true},
        {"two gain routes multiply: 0.5 x 0.5", 1, TEST_SOURCE, 0.5f, 1.0f, 0.25f, 0.25f, true},
        {"two added routes sum", 28, TEST_SOURCE, 0.5f, 1.0f, 1.0f, 1.0f, true},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig;
        setSlot(rig, 0, c.source, c.dest, c.amount);
        if (c.twoRoutes) setSlot(rig, 2, c.source, c.dest, c.amount);
        startNote(rig);
        rig->setModSrc(c.source, c.sourceValue);
        rig.render(48);
        const int v = rig.voice();
        ASSERT_TRUE(TEngineTestAccess::voices(*rig).voiceOn[v]);
        EXPECT_NEAR(TEngineTestAccess::mod(*rig).voiceModDest(v)[c.dest], c.expectedVoice, 1e-4f);
        EXPECT_NEAR(TEngineTestAccess::mod(*rig).globalModDest[c.dest], c.expectedGlobal, 1e-4f);
    }
}

TEST(ModRoutes, BypassedAndEmptyRoutesAreLeftOut) {
    ModRig rig;
    setSlot(rig, 0, TEST_SOURCE, 28, 1.0f, /*bypass=*/true);
    setSlot(rig, 1, TEST_SOURCE, 0, 1.0f);
    setSlot(rig, 2, TEST_SOURCE, 29, 1.0f);
    startNote(rig);
    rig->setModSrc(TEST_SOURCE, 1.0f);
    rig.render(48);
    ASSERT_EQ(TEngineTestAccess::mod(*rig).numActiveRoutes, 1);
    EXPECT_EQ(TEngineTestAccess::mod(*rig).activeRoutes[0], 2);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModDest(rig.voice())[28], 0.0f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModDest(rig.voice())[29], 1.0f);

    // Movement Destination 1 and Free LFO Destination 2 join the list in route order.
    rig.setStep(59, 30);
    rig.setStep(74, 31);
    rig.render(32);
    ASSERT_EQ(TEngineTestAccess::mod(*rig).numActiveRoutes, 3);
    EXPECT_EQ(TEngineTestAccess::mod(*rig).activeRoutes[1], 4);
    EXPECT_EQ(TEngineTestAccess::mod(*rig).activeRoutes[2], 7);
    EXPECT_EQ(TEngineTestAccess::mod(*rig).modRoute[4].src, 39);
    EXPECT_EQ(TEngineTestAccess::mod(*rig).modRoute[7].src, 47);
}

TEST(ModRoutes, MovingARouteRestoresTheDestinationItLeft) {
    ModRig rig;
    setSlot(rig, 0, OFFSET_SOURCE, 28, 1.0f);
    startNote(rig);
    rig.render(32);
    const int v = rig.voice();
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModDest(v)[28], 1.0f);
    rig.setStep(SLOT_DEST, 1);  // now a gain on the volume
    rig.set(SLOT_AMOUNT, 0.75f);
    rig.render(32);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModDest(v)[28], 0.0f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).globalModDest[28], 0.0f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModDest(v)[1], 1.0f);  // source 1 at amount 0.5: unchanged
    rig.setStep(SLOT_DEST, 0);
    rig.render(32);
    for (int dest = 0; dest < 126; ++dest) {
        EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModDest(v)[dest],
                        TEngineTestAccess::mod(*rig).neutralModDest()[dest])
            << dest;
        EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).globalModDest[dest],
                        TEngineTestAccess::mod(*rig).neutralModDest()[dest])
            << dest;
    }
}

TEST(ModRoutes, AmountModulationActsOneStepLater) {
    ModRig rig;
    // Slot 1: Offset -> filter frequency at amount 0 (a = 0, until modulated).
    setSlot(rig, 0, OFFSET_SOURCE, 28, 0.5f);
    // Slot 2: Offset -> "Mod Slot Amount 1" at a = 0.5.
    setSlot(rig, 1, OFFSET_SOURCE, 119, 0.75f);
    startNote(rig);
    rig.render(15);  // up to the frame before the next global step
    const int v = rig.voice();
    EXPECT_NEAR(TEngineTestAccess::mod(*rig).voiceModDest(v)[119], 0.5f, 1e-6f);
    EXPECT_NEAR(TEngineTestAccess::mod(*rig).voiceModDest(v)[28], 0.5f, 1e-6f);  // a sample later in the voice pass

    // Globally the amount arrives one control step later.
    ModRig fresh;
    setSlot(fresh, 0, OFFSET_SOURCE, 28, 0.5f);
    setSlot(fresh, 1, OFFSET_SOURCE, 119, 0.75f);
    fresh.render(1);
    EXPECT_NEAR(TEngineTestAccess::mod(*fresh).globalModDest[119], 0.5f, 1e-6f);
    EXPECT_NEAR(TEngineTestAccess::mod(*fresh).globalModDest[28], 0.0f, 1e-6f);
    fresh.render(16);
    EXPECT_NEAR(TEngineTestAccess::mod(*fresh).globalModDest[28], 0.5f, 1e-6f);
}

TEST(ModRoutes, PerVoiceSourcesGivePerVoiceSums) {
    ModRig rig;
    setSlot(rig, 0, 17, 28, 1.0f);  // velocity -> filter frequency
    rig.set(40, 1.0f);
    rig.noteOn(60, 127);
    rig.render(1);
    const int first = rig.voice();
    rig.noteOn(64, 32);
    rig.render(32);
    const int second = rig.voice();
    ASSERT_NE(first, second);
    EXPECT_NEAR(TEngineTestAccess::mod(*rig).voiceModDest(first)[28], 1.0f, 1e-5f);
    EXPECT_NEAR(TEngineTestAccess::mod(*rig).voiceModDest(second)[28], 32.0f / 127.0f, 1e-5f);
}

// Every source on every destination at the extreme amounts, with a loud
// input and amount routes feeding each other: nothing in the rows or the
// output may become infinite or NaN.
TEST(ModRoutes, ExtremeRoutesStayFinite) {
    for (int source = 1; source <= 62; ++source) {
        SCOPED_TRACE("source " + std::to_string(source));
        ModRig rig;
        for (int slot = 0; slot < 4; ++slot)
            setSlot(rig, slot, source, (source * 4 + slot * 31) % 125 + 1, slot % 2 ? 1.0f : 0.0f);
        if (source % 3 == 0) {
            // Slots that modulate each other's amounts.
            setSlot(rig, 0, source, 120, 1.0f);
            setSlot(rig, 1, source, 119, 1.0f);
        }
        rig.setStep(59, (source * 7) % 125 + 1);
        rig.set(57, 1.0f);
        rig.setStep(73, (source * 11) % 125 + 1);
        rig.set(71, 0.0f);
        rig.set(40, 1.0f);
        rig.set(42, 0.0f);
        rig.set(41, 1.0f);
        rig.noteOn(60);
        rig.noteOn(72);
        rig->setModSrc(TEST_SOURCE, 1.0f);
        rig.render(2048);
        for (float x : rig.left()) ASSERT_TRUE(std::isfinite(x));
        for (float x : rig.right()) ASSERT_TRUE(std::isfinite(x));
        for (int dest = 0; dest < 126; ++dest) {
            ASSERT_TRUE(std::isfinite(TEngineTestAccess::mod(*rig).globalModDest[dest])) << dest;
            for (int v = 0; v < 16; ++v)
                ASSERT_TRUE(std::isfinite(TEngineTestAccess::mod(*rig).voiceModDest(v)[dest])) << dest;
        }
    }
}

TEST(ModRoutes, SourceWritesReachTheirRows) {
    ModRig rig;
    rig->setModSrc(TEST_SOURCE, 0.7f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).globalModSrc()[TEST_SOURCE], 0.7f);
    for (int v = 0; v < 16; ++v) EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModSrc(v)[TEST_SOURCE], 0.7f);
    rig->setModSrc(0, 5.0f);
    rig->setModSrc(63, 5.0f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).globalModSrc()[0], 0.0f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).globalModSrc()[63], 0.0f);
    // Controller values land in the MIDI rows of the voices.
    rig->setModSrc(25, 0.4f, 3);
    for (int v = 0; v < 16; ++v) EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceMidiModSrc(v)[25], 0.4f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).globalModSrc()[57], 1.0f);  // "Offset"
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).neutralModDest()[1], 1.0f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).neutralModDest()[123], 1.0f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).neutralModDest()[28], 0.0f);
}

// The voice form writes one voice's row and nothing else; numbers out of
// range write nowhere.
TEST(ModRoutes, VoiceSourceWritesReachOneRowOnly) {
    const struct {
        int voice, source;
        bool written;
        const char* why;
    } cases[] = {
        {3, TEST_SOURCE, true, "a voice in the middle"},
        {0, 1, true, "first voice, first source"},
        {15, 62, true, "last voice, last source"},
        {16, TEST_SOURCE, false, "no voice 16"},
        {-1, TEST_SOURCE, false, "no voice -1"},
        {3, 0, false, "source 0 is none"},
        {3, 63, false, "no source 63"},
    };
    for (const auto& c : cases) {
        ModRig rig;
        std::vector<TModState::Row> before;
        for (int v = 0; v < 16; ++v) before.push_back(TEngineTestAccess::mod(*rig).voiceModSrc(v));
        const TModState::Row global = TEngineTestAccess::mod(*rig).globalModSrc();
        rig->setModSrc(c.voice, c.source, 0.625f);
        for (int v = 0; v < 16; ++v)
            for (int s = 0; s < TModState::ROW_SIZE; ++s) {
                const bool target = c.written && v == c.voice && s == c.source;
                EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModSrc(v)[s], target ? 0.625f : before[v][s])
                    << c.why << ": voice " << v << " source " << s;
            }
        EXPECT_EQ(TEngineTestAccess::mod(*rig).globalModSrc(), global) << c.why << ": the global row stays";
    }
    // The ribbon writes its source into every row at its next frame, over a
    // voice's own value, as it does after any other write.
    ModRig rig;
    rig.render(64);
    const float ribbon = TEngineTestAccess::mod(*rig).voiceModSrc(0)[49];
    rig->setModSrc(2, 49, ribbon + 0.5f);
    rig.render(1);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*rig).voiceModSrc(2)[49], ribbon);
}

}  // namespace
