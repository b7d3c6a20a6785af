// Portamento in its five modes: how far the pitch travels per frame, when it
// arrives, and when the "Held" modes glide at all.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_test_support.h"

using enginetest::EnginePlugin;

namespace {

constexpr int TAG_PORTAMENTO_MODE = 6;
constexpr int TAG_PORTAMENTO_AMOUNT = 7;
constexpr int TAG_MOVEMENT_LOOP = 40;

enum { OFF, CONST_RATE, CONST_TIME, HELD_RATE, HELD_TIME };

}  // namespace

TEST(Portamento, GlideByMode) {
    struct Case {
        int mode;
        float amount;        // "Portamento Amount": T = 2^(12 amount)
        int toNote;          // from note 57 (pitch 0)
        bool holdFirstKey;   // the first key is still down when the second comes
        long frames;         // frames rendered after the second note
        float expectedPitch;  // octaves
        const char* why;
    };
    const float T6 = 64.0f;  // 2^(12 x 0.5)
    const Case cases[] = {
        {OFF, 0.5f, 69, true, 1, 1.0f, "Off: the new pitch at once"},
        {CONST_TIME, 0.0f, 69, true, 8, 0.5f, "Const Time, T = 1: half way after 8 frames"},
        {CONST_TIME, 0.0f, 69, true, 16, 1.0f, "Const Time arrives after 16 T frames"},
        {CONST_TIME, 0.0f, 81, true, 16, 2.0f, "whatever the interval"},
        {CONST_TIME, 0.5f, 81, true, 512, 1.0f, "T = 64: half of two octaves after 512 frames"},
        {CONST_RATE, 0.0f, 81, true, 16, 1.0f, "Const Rate: one octave per 16 T frames"},
        {CONST_RATE, 0.0f, 81, true, 32, 2.0f, "and stops at the target"},
        {CONST_RATE, 0.0f, 81, true, 100, 2.0f, "without overshoot"},
        {CONST_RATE, 0.5f, 69, true, static_cast<long>(8 * T6), 0.5f, "T = 64: half an octave in 8 T frames"},
        {CONST_RATE, 0.0f, 45, true, 8, -0.5f, "downwards too"},
        {HELD_RATE, 0.0f, 81, true, 16, 1.0f, "Held Rate glides while two keys are down"},
        {HELD_RATE, 0.0f, 81, false, 1, 2.0f, "and jumps for a single key"},
        {HELD_TIME, 0.0f, 69, true, 8, 0.5f, "Held Time glides while two keys are down"},
        {HELD_TIME, 0.0f, 69, false, 1, 1.0f, "and jumps for a single key"},
    };
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>();
        plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);  // a held key keeps its voice
        plugin->setParameter(TAG_PORTAMENTO_AMOUNT, c.amount);
        plugin->setStep(TAG_PORTAMENTO_MODE, c.mode);
        plugin->render(16);
        ASSERT_EQ(TEngineTestAccess::voices(*plugin).portamentoMode, c.mode);
        plugin->noteOn(57);
        plugin->render(64);
        if (!c.holdFirstKey) {
            plugin->noteOff(57);
            plugin->render(1);
        }
        plugin->noteOn(c.toNote);
        plugin->render(c.frames);
        const int v = TEngineTestAccess::voices(*plugin).curVoice;
        ASSERT_EQ(TEngineTestAccess::voices(*plugin).voiceNote[v], c.toNote) << c.why;
        EXPECT_NEAR(TEngineTestAccess::voices(*plugin).glidePos[v], c.expectedPitch, 1e-4f) << c.why;
    }
}

// After everything is turned off hard, the next note starts where it is,
// without a glide from the last note.
TEST(Portamento, NoGlideAfterAllNotesOff) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->setStep(TAG_PORTAMENTO_MODE, CONST_TIME);
    plugin->render(16);
    plugin->noteOn(45);
    plugin->render(32);
    plugin->controller(123, 0);
    plugin->noteOn(69, 100, 1);
    plugin->render(2);
    EXPECT_FLOAT_EQ(TEngineTestAccess::voices(*plugin).glidePos[TEngineTestAccess::voices(*plugin).curVoice], 1.0f);
}

TEST(PitchBend, RangeAndValues) {
    struct Case {
        int tag;       // 8 "Pitch Bend Down", 9 "Pitch Bend Up"
        int step;      // menu step: 0 "Off", 1..12 semitones, 13 "24", 14 "36", 15 "48"
        float x;       // bend position 0..1
        float octaves;
    };
    const Case cases[] = {
        {9, 12, 1.0f, 1.04125f}, {9, 0, 1.0f, 0.0f}, {9, 2, 1.0f, 0.5f * 2.0f / 12.0f * 24.99f / 12.0f},
        {8, 15, 1.0f, 0.5f * 4.0f * 24.99f / 12.0f}, {9, 12, 0.5f, 0.0f},
    };
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>();
        plugin->setParameter(c.tag, (c.step + 0.1f) / 15.99f);
        EXPECT_NEAR(plugin->getPitchBendValue(c.tag, c.x), c.octaves, 1e-5f) << "tag " << c.tag << " step " << c.step;
    }
    auto plugin = std::make_unique<EnginePlugin>();
    EXPECT_EQ(plugin->getPitchBendValue(-1, 1.0f), 0.0f);
    EXPECT_EQ(plugin->getPitchBendValue(4000, 1.0f), 0.0f);
}

TEST(PitchBend, MessageValues) {
    struct Case {
        int lsb, msb;
        float value;
    };
    const Case cases[] = {{0, 0, -1.0f}, {0, 64, 0.0f}, {127, 127, 0.99988f}, {0, 96, 0.5f}};
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>();
        plugin->send(0, 0xE0, c.lsb, c.msb);
        plugin->render(1);
        EXPECT_NEAR(TEngineTestAccess::midi(*plugin).pitchBend, c.value, 1e-4f);
        EXPECT_NEAR(TEngineTestAccess::mod(*plugin).globalModSrc()[18], c.value, 1e-4f);
        EXPECT_NEAR(TEngineTestAccess::mod(*plugin).voiceModSrc(7)[18], c.value, 1e-4f);
    }
}
