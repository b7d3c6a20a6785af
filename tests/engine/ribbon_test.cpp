// The ribbon: spring-back time and rest position, instant and off springs,
// quantisation steps and the bipolar mapping of the "Ribbon" source. The
// ribbon's frame step is run here as the block loop runs it.
#include <gtest/gtest.h>

#include <cmath>

#include "mod_support.h"

namespace {

constexpr int RIBBON_VALUE = 123, RIBBON_BIPOLAR = 124, RIBBON_SPRING_TIME = 125, RIBBON_QUANT = 126;
constexpr int SPRING_OFF = 0, SPRING_INSTANT = 1, SPRING_ONE_BAR = 17;

void ribbonFrames(TSoundEngine& plugin, long frames) {
    for (long i = 0; i < frames; ++i) {
        plugin.updateRibbon();
        ++TEngineTestAccess::engine(plugin).frameCount;
    }
}

long framesUntilRest(TSoundEngine& plugin, long limit) {
    for (long frame = 0; frame <= limit; ++frame) {
        if (!TEngineTestAccess::engine(plugin).ribbonSpringOn) return frame;
        plugin.updateRibbon();
        ++TEngineTestAccess::engine(plugin).frameCount;
    }
    return limit + 1;
}

TEST(Ribbon, SpringReturnsToRestInTheChosenNoteLength) {
    struct Case {
        const char* why;
        float rate;
        double tempo;
        int springStep;
        bool bipolar;
        float from;
        float rest;
        double frames;
    } cases[] = {
        {"one bar at 120 BPM, 44.1 kHz: 88,200 frames", 44100.0f, 120.0, SPRING_ONE_BAR, false, 1.0f, 0.0f, 88200.0},
        {"bipolar rests at the centre: half the way in one bar", 44100.0f, 120.0, SPRING_ONE_BAR, true, 1.0f, 0.5f,
         88200.0},
        {"bipolar from below moves up", 48000.0f, 120.0, 12, true, 0.0f, 0.5f, 96000.0 / 4.0},
        {"1/48 bar at 120 BPM", 48000.0f, 120.0, 2, false, 0.6f, 0.0f, 96000.0 / 48.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig(c.rate, c.tempo);
        auto& plugin = rig.plugin();
        rig.set(RIBBON_BIPOLAR, c.bipolar ? 1.0f : 0.0f);
        rig.setStep(RIBBON_SPRING_TIME, c.springStep);
        rig.set(RIBBON_VALUE, c.from);
        plugin.setRibbonSpringOn();
        ASSERT_TRUE(TEngineTestAccess::engine(plugin).ribbonSpringOn);
        // Half way through, the ribbon is half way home.
        ribbonFrames(plugin, static_cast<long>(c.frames / 2));
        EXPECT_NEAR(plugin.getParameter(RIBBON_VALUE), (c.from + c.rest) / 2.0f, 1e-3f);
        const long frames = static_cast<long>(c.frames / 2) + framesUntilRest(plugin, static_cast<long>(c.frames));
        EXPECT_NEAR(static_cast<double>(frames), c.frames, 2.0);
        EXPECT_FLOAT_EQ(plugin.getParameter(RIBBON_VALUE), c.rest);
    }
}

// The rest is the one "Ribbon BiPolar" named when the spring started: switching
// it while the ribbon moves neither makes the ribbon jump to the other rest nor
// changes where it stops.
TEST(Ribbon, BipolarChangeDuringTheSpringKeepsItsRest) {
    struct Case {
        const char* why;
        bool bipolarAtStart;
        float from;
        float rest;
    } cases[] = {
        {"unipolar spring down to 0, bipolar switched on", false, 0.2f, 0.0f},
        {"bipolar spring up to 0.5, bipolar switched off", true, 0.2f, 0.5f},
        {"bipolar spring down to 0.5, bipolar switched off", true, 0.9f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig(48000.0f, 120.0);
        auto& plugin = rig.plugin();
        rig.set(RIBBON_BIPOLAR, c.bipolarAtStart ? 1.0f : 0.0f);
        rig.setStep(RIBBON_SPRING_TIME, SPRING_ONE_BAR);
        rig.set(RIBBON_VALUE, c.from);
        plugin.setRibbonSpringOn();
        ASSERT_TRUE(TEngineTestAccess::engine(plugin).ribbonSpringOn);
        ribbonFrames(plugin, 24000);  // a quarter of the bar
        rig.set(RIBBON_BIPOLAR, c.bipolarAtStart ? 0.0f : 1.0f);
        ribbonFrames(plugin, 1);
        EXPECT_TRUE(TEngineTestAccess::engine(plugin).ribbonSpringOn);
        EXPECT_NEAR(plugin.getParameter(RIBBON_VALUE), c.from + (c.rest - c.from) * 24001.0f / 96000.0f, 1e-3f);
        const long frames = 24001 + framesUntilRest(plugin, 96000);
        EXPECT_NEAR(static_cast<double>(frames), 96000.0, 2.0);
        EXPECT_FLOAT_EQ(plugin.getParameter(RIBBON_VALUE), c.rest);
    }
}

// Springs that never glide: off, released at the rest, or instant.
TEST(Ribbon, SpringsThatDoNotGlide) {
    struct Case {
        const char* why;
        int springStep;
        float value;
        bool bipolar;
        float settled;  // the value from the next frame on
    } cases[] = {
        {"spring Off leaves the ribbon where it is", SPRING_OFF, 0.8f, false, 0.8f},
        {"released at the rest: no spring", SPRING_ONE_BAR, 0.00005f, false, 0.00005f},
        {"released at the bipolar rest: no spring", SPRING_ONE_BAR, 0.50005f, true, 0.50005f},
        {"instant spring: at the rest the next frame", SPRING_INSTANT, 0.9f, false, 0.0f},
        {"instant spring: at the bipolar rest the next frame", SPRING_INSTANT, 0.9f, true, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig;
        auto& plugin = rig.plugin();
        rig.set(RIBBON_BIPOLAR, c.bipolar ? 1.0f : 0.0f);
        rig.setStep(RIBBON_SPRING_TIME, c.springStep);
        rig.set(RIBBON_VALUE, c.value);
        plugin.setRibbonSpringOn();
        if (c.springStep != SPRING_INSTANT) {
            EXPECT_FALSE(TEngineTestAccess::engine(plugin).ribbonSpringOn);
            EXPECT_EQ(TEngineTestAccess::engine(plugin).ribbonSpringStep, 0.0);
        }
        ribbonFrames(plugin, 1);
        EXPECT_FALSE(TEngineTestAccess::engine(plugin).ribbonSpringOn);
        EXPECT_FLOAT_EQ(plugin.getParameter(RIBBON_VALUE), c.settled);
        ribbonFrames(plugin, 1000);
        EXPECT_FLOAT_EQ(plugin.getParameter(RIBBON_VALUE), c.settled);
    }
}

TEST(Ribbon, SpringStopsWhereItIsAndFollowsTheSpeedDestinations) {
    ModRig rig(48000.0f);
    auto& plugin = rig.plugin();
    rig.set(RIBBON_BIPOLAR, 0.0f);
    rig.setStep(RIBBON_SPRING_TIME, SPRING_ONE_BAR);
    rig.set(RIBBON_VALUE, 1.0f);
    plugin.setRibbonSpringOn();
    ribbonFrames(plugin, 24000);
    plugin.setRibbbonSpringOff();
    const float stopped = plugin.getParameter(RIBBON_VALUE);
    EXPECT_NEAR(stopped, 0.75f, 1e-3f);
    ribbonFrames(plugin, 1000);
    EXPECT_FLOAT_EQ(plugin.getParameter(RIBBON_VALUE), stopped);

    // "Ribbon Speed" x "Global Speed" scale the spring.
    plugin.setRibbonSpringOn();
    TEngineTestAccess::mod(plugin).globalModDest[123] = 2.0f;
    TEngineTestAccess::mod(plugin).globalModDest[6] = 1.5f;
    const long frames = framesUntilRest(plugin, 100000);
    // The spring covers whatever distance is left in the chosen time.
    EXPECT_NEAR(static_cast<double>(frames), 96000.0 / 3.0, 2.0);
}

TEST(Ribbon, QuantisationAndBipolarMapping) {
    struct Case {
        const char* why;
        int quant;
        bool bipolar;
        float value;
        float source;
    } cases[] = {
        {"unquantised, unipolar: the value itself", 0, false, 0.37f, 0.37f},
        {"unquantised, bipolar: 2v - 1", 0, true, 0.8f, 0.6f},
        {"2 steps, unipolar: 0 below the middle", 12, false, 0.49f, 0.0f},
        {"2 steps, unipolar: 1 from the middle", 12, false, 0.5f, 1.0f},
        {"2 steps, bipolar: -1", 12, true, 0.2f, -1.0f},
        {"2 steps, bipolar: 0", 12, true, 0.6f, 0.0f},
        {"2 steps, bipolar: 1", 12, true, 0.9f, 1.0f},
        {"32 steps: nearest 31st", 1, false, 0.5f, 16.0f / 31.0f},
        {"5 steps: nearest quarter", 9, false, 0.6f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ModRig rig;
        auto& plugin = rig.plugin();
        rig.setStep(RIBBON_QUANT, c.quant);
        rig.set(RIBBON_BIPOLAR, c.bipolar ? 1.0f : 0.0f);
        rig.set(RIBBON_VALUE, c.value);
        EXPECT_EQ(plugin.getRibbonQuant(), c.quant);
        ribbonFrames(plugin, 3000);  // the source is smoothed; let it settle
        EXPECT_NEAR(TEngineTestAccess::mod(plugin).globalModSrc()[49], c.source, 1e-4f);
        EXPECT_NEAR(TEngineTestAccess::mod(plugin).voiceModSrc(5)[49], c.source, 1e-4f);
    }
}

TEST(Ribbon, SmoothingFollowsRibbonSmoothAndValueAdds) {
    ModRig rig;
    auto& plugin = rig.plugin();
    rig.set(RIBBON_BIPOLAR, 0.0f);
    rig.set(RIBBON_VALUE, 1.0f);
    ribbonFrames(plugin, 10);
    // Smoothing 0.9 per frame: 1 - 0.9^10 after ten frames.
    EXPECT_NEAR(TEngineTestAccess::mod(plugin).globalModSrc()[49], 1.0f - std::pow(0.9f, 10.0f), 1e-4f);

    // "Ribbon Value" adds after the smoothing; the source stays within -1..1.
    TEngineTestAccess::mod(plugin).globalModDest[125] = -0.25f;
    ribbonFrames(plugin, 2000);
    EXPECT_NEAR(TEngineTestAccess::mod(plugin).globalModSrc()[49], 0.75f, 1e-4f);
    TEngineTestAccess::mod(plugin).globalModDest[125] = 5.0f;
    ribbonFrames(plugin, 1);
    EXPECT_FLOAT_EQ(TEngineTestAccess::mod(plugin).globalModSrc()[49], 1.0f);

    // "Ribbon Smooth" slows it: 1 - 2^-10 more of the old value per frame.
    TEngineTestAccess::mod(plugin).globalModDest[125] = 0.0f;
    TEngineTestAccess::mod(plugin).globalModDest[124] = 1.0f;
    rig.set(RIBBON_VALUE, 0.0f);
    TEngineTestAccess::engine(plugin).frameCount = 0;
    ribbonFrames(plugin, 100);
    const double coefficient = (1.0 - std::exp2(-10.0)) * 0.1 + 0.9;
    EXPECT_NEAR(TEngineTestAccess::mod(plugin).globalModSrc()[49], std::pow(coefficient, 100.0), 1e-3);
    // A negative smoothing never makes the source run away.
    TEngineTestAccess::mod(plugin).globalModDest[124] = -3.0f;
    TEngineTestAccess::engine(plugin).frameCount = 0;
    rig.set(RIBBON_VALUE, 1.0f);
    ribbonFrames(plugin, 5000);
    EXPECT_NEAR(TEngineTestAccess::mod(plugin).globalModSrc()[49], 1.0f, 1e-4f);
}

}  // namespace
