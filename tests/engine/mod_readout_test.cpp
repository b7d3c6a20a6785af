// What the editor reads back: knob values with their modulation, the output
// scope, and the bounds of both.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "mod_support.h"

namespace {

void offsetRoute(ModRig& rig, int dest, float amount) {
    rig.setStep(111, 57);  // Offset
    rig.setStep(115, dest);
    rig.set(119, amount);
}

TEST(ModReadout, KnobValuesWithModulation) {
    ModRig rig;
    EXPECT_FLOAT_EQ(rig->getModValue(1024), 0.0f);
    EXPECT_FLOAT_EQ(rig->getModValue(-1), 0.0f);
    rig.set(2, 0.3f);
    EXPECT_FLOAT_EQ(rig->getModValue(2), 0.3f);  // no voice on: the plain value

    struct Case {
        const char* why;
        int tag;
        float value;
        int dest;
        float amount;
        float expected;
    } cases[] = {
        {"added destination: value + sum", 2, 0.3f, 2, 0.75f, 0.8f},
        {"added destination: clamped to 1", 2, 0.7f, 2, 1.0f, 1.0f},
        {"added destination: clamped to 0", 2, 0.3f, 2, 0.0f, 0.0f},
        {"a tag without a destination: its value", 5, 0.0f, 2, 1.0f, 0.0f},
        {"Free LFO Speed: a rate of 2 adds 1/14", 63, 0.5f, 105, 0.625f, 0.5f + 1.0f / 14.0f},
        {"Movement Speed: a rate of 1/2 takes 1/14", 41, 0.5f, 81, 0.375f, 0.5f - 1.0f / 14.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig playing;
        playing.set(c.tag, c.value);
        offsetRoute(playing, c.dest, c.amount);
        playing.set(40, 1.0f);
        playing.noteOn(60);
        playing.render(64);
        EXPECT_NEAR(playing->getModValue(c.tag), c.expected, 1e-4f);
    }
}

TEST(ModReadout, VolumeKnobShowsTheModulatedLevelInDecibels) {
    ModRig rig;
    offsetRoute(rig, 1, 0.75f);  // a gain route at a = 0.5 with s = 1 keeps the level: 1 x 0.5 + 0.5
    rig.set(40, 1.0f);
    rig.noteOn(60);
    rig.render(64);
    const float gain = rig->getMainVolumeGain();
    ASSERT_GT(gain, 0.001f);
    EXPECT_NEAR(rig->getModValue(1), std::clamp((20.0f * std::log10(gain) + 60.0f) / 80.0f, 0.0f, 1.0f), 1e-4f);
    // A muted volume destination shows the bottom of the knob.
    rig.set(119, 0.0f);  // a = -1 with s = 1: muted
    rig.render(64);
    EXPECT_FLOAT_EQ(rig->getModValue(1), 0.0f);
}

TEST(ModReadout, ScopeReadsTheNewestFramesOfTheRing) {
    ModRig rig;
    std::vector<float> out(100, -7.0f);
    rig->getWaveDisplay(49, 1.0f, out.data());
    rig->getWaveDisplay(5001, 1.0f, out.data());
    rig->getWaveDisplay(100, 1.0f, nullptr);
    for (float x : out) EXPECT_FLOAT_EQ(x, -7.0f);  // refused: nothing written

    // Before anything was rendered every point is the centre line.
    rig->getWaveDisplay(100, 1.0f, out.data());
    for (float x : out) EXPECT_FLOAT_EQ(x, 0.5f);

    // A ring holding its own index pattern: the last point is the newest frame,
    // the first lies 16,384 x zoom frames back.
    auto& ring = TEngineTestAccess::output(*rig).scopeRing;
    for (std::size_t i = 0; i < ring.size(); ++i) ring[i] = static_cast<float>(i % 7) * 0.05f - 0.15f;
    TEngineTestAccess::engine(*rig).frameCount = 200000;
    rig->publishEditorReadouts();  // as the audio thread does at the end of a block
    rig->getWaveDisplay(100, 0.5f, out.data());
    const auto ringAt = [&](long k) { return std::clamp(2.0f * ring[k % 131072] + 0.5f, 0.0f, 1.0f); };
    EXPECT_FLOAT_EQ(out[99], ringAt(199999));
    EXPECT_FLOAT_EQ(out[0], ringAt(199999 - 8192));
    for (float x : out) EXPECT_TRUE(x >= 0.0f && x <= 1.0f);
    // A bad zoom reads the newest frame everywhere, never outside the ring.
    rig->getWaveDisplay(100, std::nanf(""), out.data());
    for (float x : out) EXPECT_FLOAT_EQ(x, ringAt(199999));
}

}  // namespace
