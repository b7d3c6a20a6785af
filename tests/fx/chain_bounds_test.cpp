// Every Mod FX mode with every stage on stays finite and bounded at the
// common rates with parameters and modulation at their extremes, and runs
// on unchanged across a wrap of the chain's frame counter.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "fx_test_support.h"

using namespace fxtest;

namespace {

// Loud white noise, the same every time.
std::vector<stereoStruct> noise(size_t frames, float level) {
    std::vector<stereoStruct> x(frames);
    TRandSeed seed;
    for (stereoStruct& f : x) f = stereoStruct{level * seed.bipolar(), level * seed.bipolar()};
    return x;
}

struct Extreme {
    const char* why;
    float parameters;
    float modulation;
};

TFxControls extremeControls(const Extreme& e, int mode) {
    TFxControls c;
    c.parameters.fill(e.parameters);
    c.modulation.fill(e.modulation);
    c.tempo = 30000.0f;
    setParam(c, tag::BYPASS_ALL_FX, 0.0f);
    for (int tag : {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB}) setParam(c, tag, 1.0f);
    setMode(c, mode);
    // The orders vary with the case and the mode, as the filled parameters did.
    setPath(c, (static_cast<int>(e.parameters * 23.0f) + 5 * mode) % FX_PATH_COUNT);
    return c;
}

TEST(ChainBounds, EveryModeAtEveryRateWithExtremes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Extreme extremes[] = {
        {"parameters 1, modulation +64", 1.0f, 64.0f},
        {"parameters 0, modulation -64", 0.0f, -64.0f},
        {"parameters 1, modulation -64", 1.0f, -64.0f},
        {"parameters 0.5, modulation not a number", 0.5f, nan},
    };
    const std::vector<stereoStruct> input = noise(12000, 4.0f);
    float loudest = 0;
    for (float rate : {22050.0f, 44100.0f, 96000.0f, 192000.0f}) {
        ChainRig rig(TFxControls{}, rate);
        for (const Extreme& e : extremes)
            for (int mode = 0; mode < TModFX::MODE_COUNT; ++mode) {
                const TFxControls c = extremeControls(e, mode);
                rig.chain->initFX(c);
                for (const stereoStruct& y : rig.run(c, input)) {
                    ASSERT_TRUE(std::isfinite(y.left) && std::isfinite(y.right))
                        << rate << " Hz, mode " << mode << ", " << e.why;
                    loudest = std::fmax(loudest, std::fmax(std::fabs(y.left), std::fabs(y.right)));
                }
                // Input peaks of 4 come out below about 52 at worst.
                ASSERT_LT(loudest, 200.0f) << rate << " Hz, mode " << mode << ", " << e.why;
            }
    }
}

// The counter indexes the Ensemble rings, the Phaser's widen ring and the
// reverb's updates by mask: started just before its wrap, a chain plays
// exactly what a chain started at 0 plays.
TEST(ChainBounds, CounterWrapChangesNothing) {
    for (int mode : {TModFX::ENSEMBLE, TModFX::PHASER, TModFX::CHORUS}) {
        TFxControls c = defaultControls();
        for (int tag : {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB}) setParam(c, tag, 1.0f);
        setParam(c, tag::REVERB_PRE_DELAY, 0.2f);
        setMode(c, mode);
        ChainRig fromZero(c), nearWrap(c);
        nearWrap.chain->setFrameCountForTest(0xFFFFC000u);
        const std::vector<stereoStruct> input = noise(40000, 0.5f);
        const std::vector<stereoStruct> a = fromZero.run(c, input);
        const std::vector<stereoStruct> b = nearWrap.run(c, input);
        EXPECT_LT(nearWrap.chain->getFrameCount(), 40000u);
        for (size_t i = 0; i < a.size(); ++i) {
            ASSERT_EQ(a[i].left, b[i].left) << "mode " << mode << ", frame " << i;
            ASSERT_EQ(a[i].right, b[i].right) << "mode " << mode << ", frame " << i;
        }
    }
}

}  // namespace
