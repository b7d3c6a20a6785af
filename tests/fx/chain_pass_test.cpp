// TEffectsChain::passFrame(): while every stage is off the engine hands the
// chain its frames without their controls. A chain driven that way gives,
// frame for frame and bit for bit, what process() gives, also after a
// control step switches stages on again (the frame count, the mixes, the
// settings kept between frames, the sources).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "fx_test_support.h"

using namespace fxtest;

namespace {

std::uint32_t bitsOf(float x) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// Which stages are on in each quarter of the run, and what moves meanwhile.
struct Case {
    const char* why;
    std::vector<int> onInQuarter[4];  // stage switches on in quarters 0..3
    int mode;
};

TEST(ChainPass, FramesWithEveryStageOffPassAsProcessPassesThem) {
    const int STAGE_TAGS[FX_STAGE_COUNT] = {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB};
    const Case cases[] = {
        {"the reverb after a rest (its drift and update frames follow the count)", {{}, {3}, {}, {3}}, TModFX::CHORUS},
        {"the delay after a rest", {{}, {2}, {}, {2}}, TModFX::CHORUS},
        {"Low-Fi after a rest", {{}, {0}, {}, {0}}, TModFX::CHORUS},
        {"the Gator after a rest (its gains as sources)", {{}, {1}, {}, {1}}, TModFX::GATOR},
        {"the Phaser after a rest", {{1}, {}, {1}, {}}, TModFX::PHASER},
        {"every stage, on and off", {{0, 1, 2, 3}, {}, {0, 1, 2, 3}, {}}, TModFX::FLANGER},
    };
    constexpr int QUARTER = 6000;  // frames; not a multiple of 16, so switches fall inside a reverb update period
    for (const Case& c : cases) {
        TFxControls controls = defaultControls();
        for (int t : STAGE_TAGS) setParam(controls, t, 0.0f);
        setParam(controls, tag::REVERB_MIX, 0.5f);
        setMode(controls, c.mode);
        ChainRig processed(controls), passed(controls);
        std::uint32_t noise = 12345;
        int passedFrames = 0;
        for (int frame = 0; frame < 4 * QUARTER; ++frame) {
            const int quarter = frame / QUARTER;
            if (frame % 16 == 0) {
                for (int s = 0; s < FX_STAGE_COUNT; ++s) setParam(controls, STAGE_TAGS[s], 0.0f);
                for (int s : c.onInQuarter[quarter]) setParam(controls, STAGE_TAGS[s], 1.0f);
                processed.chain->controlStep(controls);
                passed.chain->controlStep(controls);
            }
            // Values move while the stages rest: a mix, a delay length, the mix modulation.
            setParam(controls, tag::DELAY_LEFT, 0.3f + 0.2f * static_cast<float>(frame % 997) / 997.0f);
            setParam(controls, tag::MOD_FX_MIX, 0.4f + 0.3f * static_cast<float>(frame % 499) / 499.0f);
            setMod(controls, destination::REVERB_MIX, frame % 3000 < 1500 ? 0.0f : -0.25f);
            noise = noise * 1664525u + 1013904223u;
            const float x = static_cast<float>(static_cast<std::int32_t>(noise)) / 4294967296.0f;
            // Now and then a value that is not a number, which the chain hears as 0.
            const float left = frame % 1001 == 0 ? std::numeric_limits<float>::quiet_NaN() : x;
            const stereoStruct in{left, 0.5f * x};

            const stereoStruct want = processed.chain->process(in, controls);
            stereoStruct got;
            if (passed.chain->runsNoStage()) {
                got = passed.chain->passFrame(in);
                ++passedFrames;
            } else {
                got = passed.chain->process(in, controls);
            }
            ASSERT_EQ(bitsOf(got.left), bitsOf(want.left)) << c.why << ", frame " << frame;
            ASSERT_EQ(bitsOf(got.right), bitsOf(want.right)) << c.why << ", frame " << frame;
            // The sources the engine publishes: the stages that ran, their outputs, the Gator's gains.
            const TFxSources& a = passed.chain->sources();
            const TFxSources& b = processed.chain->sources();
            ASSERT_EQ(a.stagesRun, b.stagesRun) << c.why << ", frame " << frame;
            ASSERT_EQ(a.gatorRan, b.gatorRan) << c.why << ", frame " << frame;
            ASSERT_EQ(b.gatorRan ? bitsOf(a.gatorGain.left) : 0u, b.gatorRan ? bitsOf(b.gatorGain.left) : 0u) << c.why;
            for (int s = 0; s < FX_STAGE_COUNT; ++s)
                ASSERT_EQ(b.stageRan(s) ? bitsOf(a.stageOutput[s]) : 0u, b.stageRan(s) ? bitsOf(b.stageOutput[s]) : 0u)
                    << c.why << ", frame " << frame << ", stage " << s;
        }
        EXPECT_EQ(passed.chain->getFrameCount(), processed.chain->getFrameCount()) << c.why;
        // Half the run rests: the frames that rested took the short way.
        EXPECT_GE(passedFrames, 2 * QUARTER - 16) << c.why;
    }
}

// The switches as the stages' rest reads them; "Bypass All FX" passes the
// input as it is, a value that is not a number too, and counts no frame.
TEST(ChainPass, RestFollowsTheSwitches) {
    struct Switches {
        const char* why;
        float lowFi, modFX, delay, reverb, bypass;
        bool rests;
    };
    const Switches cases[] = {
        {"every stage off", 0, 0, 0, 0, 0, true},
        {"Low-Fi on", 1, 0, 0, 0, 0, false},
        {"Reverb on", 0, 0, 0, 1, 0, false},
        {"a switch just under one half is off", 0.49f, 0, 0.3f, 0, 0, true},
        {"bypassed with every stage off", 0, 0, 0, 0, 1, true},
    };
    for (const Switches& s : cases) {
        TFxControls controls = defaultControls();
        setParam(controls, tag::LOW_FI, s.lowFi);
        setParam(controls, tag::MOD_FX, s.modFX);
        setParam(controls, tag::DELAY, s.delay);
        setParam(controls, tag::REVERB, s.reverb);
        setParam(controls, tag::BYPASS_ALL_FX, s.bypass);
        ChainRig rig(controls);
        EXPECT_EQ(rig.chain->runsNoStage(), s.rests) << s.why;
        if (!s.rests) continue;
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const stereoStruct out = rig.chain->passFrame(stereoStruct{nan, 0.25f});
        EXPECT_EQ(std::isnan(out.left), s.bypass != 0) << s.why;
        EXPECT_EQ(out.right, 0.25f) << s.why;
        EXPECT_EQ(rig.chain->getFrameCount(), s.bypass != 0 ? 0u : 1u) << s.why;
    }
}

}  // namespace
