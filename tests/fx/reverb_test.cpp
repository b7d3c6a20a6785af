// TBasicReverb on its own: lengths at every rate and size, what a rate
// change keeps, the tail's length against the room size; and the chain's
// Reverb stage against the plain pre-delay, reverb and stage settings.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/fx/TBasicReverb.h"
#include "fx_test_support.h"
#include "reference_units.h"

using namespace fxtest;

namespace {

double fractionOfPhase(double x) { return x - std::floor(x); }

TEST(Reverb, LengthsFollowTheRate) {
    struct Case {
        const char* why;
        float rate, size;
        int firstCombLA, firstAllpassR;
    };
    const Case cases[] = {
        {"the tuning at 44.1 kHz", 44100, 1, 1116, 579},
        {"scaled and rounded at 96 kHz", 96000, 1, 2429, 1260},
        {"length 1 at 192 kHz is held at the ring", 192000, 4, 16383, 2521},
        {"500 kHz holds every comb inside the ring", 500000, 1, 12653, 6565},
        {"a tiny size still leaves a sample", 44100, 1e-6f, 1, 579},
    };
    for (const Case& c : cases) {
        auto reverb = std::make_unique<TBasicReverb>();
        reverb->setSampleRate(c.rate);
        reverb->setSize(c.size, 1.1f * c.size);
        EXPECT_EQ(reverb->getCombLength(0, 0), c.firstCombLA) << c.why;
        EXPECT_EQ(reverb->getAllpassSize(1, 0), c.firstAllpassR) << c.why;
        for (int lane = 0; lane < TBasicReverb::LANES; ++lane)
            for (int comb = 0; comb < REVERB_COMBS; ++comb) {
                EXPECT_GE(reverb->getCombLength(lane, comb), 1) << c.why;
                EXPECT_LE(reverb->getCombLength(lane, comb), TBasicReverb::MAX_COMB_LENGTH) << c.why;
            }
    }
}

// Every comb length against the plain reverb's, over sizes, length factors
// and rates: the products are taken in one order, and a length near a half
// rounds by it.
TEST(Reverb, CombLengthsOverSizesAndFactors) {
    int compared = 0;
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        auto reverb = std::make_unique<TBasicReverb>();
        reverb->setSampleRate(rate);
        ReferenceReverb reference(rate);
        for (float scale : {1.0f, 1.002f, 0.998f, 1.0013f, 0.9991f}) {
            reverb->setMod(scale, 2.0f - scale, scale, 2.0f - scale);
            reference.setMod(scale, 2.0f - scale, scale, 2.0f - scale);
            for (int step = 0; step <= 1000; ++step) {
                const float size = std::exp2(static_cast<float>(step) / 1000.0f * 8.0f - 6.0f);
                reverb->setSize(size, 1.1f * size);
                reference.setSize(size, 1.1f * size);
                for (int lane = 0; lane < TBasicReverb::LANES; ++lane)
                    for (int comb = 0; comb < REVERB_COMBS; ++comb) {
                        ASSERT_EQ(reverb->getCombLength(lane, comb),
                                  ReferenceReverb::RING - reference.combOffset[lane][comb])
                            << rate << " Hz, factor " << scale << ", size " << size << ", lane " << lane
                            << ", comb " << comb;
                        ++compared;
                    }
            }
        }
    }
    EXPECT_EQ(compared, 4 * 5 * 1001 * 40);
}

// The chain with only the Reverb stage on, against the plain pre-delay and
// reverb driven as the stage drives them: the widen taps' triangles, the
// combs' slow drift and the settings every 16 frames, the pre-delay's
// lengths and feedback every frame, the wet's gain and the mix.
TEST(Reverb, TheStageMatchesThePlainStage) {
    struct Case {
        const char* why;
        float rate, mix, preDelay, room, length, damp, highPass;
        float preFeed, preWiden;  // modulation of "Reverb Pre-Delay Feedback" and "... Widening"
    };
    const Case cases[] = {
        {"the defaults, mix 1", 44100, 1.0f, 0.61f, 0.645f, 0.81f, 0.285f, 0.1f, 0, 0},
        {"half mix, a short pre-delay feeding back, widened", 48000, 0.5f, 0.2f, 0.9f, 0.6f, 0.1f, 0.0f, 0.5f, 0.7f},
        {"96 kHz, a long room", 96000, 0.8f, 0.4f, 1.0f, 0.95f, 0.5f, 0.3f, -0.3f, -0.4f},
        {"the shortest combs at 22.05 kHz, shorter than a block of the bank", 22050, 1.0f, 0.1f, 0.3f, 0.02f, 0.5f,
         0.0f, 0, 0},
    };
    for (const Case& c : cases) {
        TFxControls controls = defaultControls();
        for (int tag : {tag::LOW_FI, tag::MOD_FX, tag::DELAY}) setParam(controls, tag, 0.0f);
        setParam(controls, tag::REVERB, 1.0f);
        setParam(controls, tag::REVERB_MIX, c.mix);
        setParam(controls, tag::REVERB_PRE_DELAY, c.preDelay);
        setParam(controls, tag::REVERB_SIZE, c.room);
        setParam(controls, tag::REVERB_LENGTH, c.length);
        setParam(controls, tag::REVERB_DAMP, c.damp);
        setParam(controls, tag::REVERB_HIGHPASS_FILTER_FREQUENCY, c.highPass);
        setMod(controls, destination::REVERB_PREFEED, c.preFeed);
        setMod(controls, destination::REVERB_PREWIDEN, c.preWiden);
        ChainRig rig(controls, c.rate);

        ReferenceDelay preDelay(c.rate);
        auto reverb = std::make_unique<ReferenceReverb>(c.rate);
        double widenPhase[4] = {0, 0, 0, 0};
        const float widenMs[4] = {4.278032f, 17.379171f, 63.0f, 41.224243f};
        const double widenStep[4] = {5.642177e-05, 3.706845e-05, 6.4e-05, 4.573257e-05};
        const float widenDepth[4] = {0.050505f, 0.030303f, 0.030303f, 0.060606f};
        float smooth = c.mix;
        TRandSeed noise;
        float loudest = 0;
        for (int frame = 0; frame < 40000; ++frame) {
            if (frame % 16 == 0) {
                int taps[4];
                for (int i = 0; i < 4; ++i) {
                    widenPhase[i] = fractionOfPhase(widenPhase[i] + widenStep[i]);
                    const float triangle = std::fabs(2.0f * static_cast<float>(widenPhase[i]) - 1.0f);
                    taps[i] = static_cast<int>(c.rate / 1000.0f * widenMs[i] * (1 - widenDepth[i] * triangle) + 1);
                }
                reverb->setWiden(taps[0], taps[1], taps[2], taps[3]);
                const double t = static_cast<double>(frame) * 6.283185;
                const float a = 1 + 0.002f * static_cast<float>(std::sin(t * 0.015197279 / c.rate));
                const float b = 1 + 0.002f * static_cast<float>(std::sin(t * 0.015409426 / c.rate));
                reverb->setMod(a, b, a, b);
                reverb->setRoomSize(c.room);
                reverb->setDamp(c.damp);
                reverb->setFilter(1.0f, c.highPass);
                const float size = std::exp2(c.length * 8 - 6);
                reverb->setSize(size, 1.1f * size);
            }
            const float left = std::exp2(10 * c.preDelay) / 2000 * c.rate + 1;
            preDelay.setDelayLenDirect(left, left * std::exp2(c.preWiden));
            preDelay.setFeed(-0.995f * c.preFeed, 0.0f);

            const float click = frame % 9000 == 0 ? 0.8f : 0.0f;
            const stereoStruct x{0.1f * noise.bipolar() + click, 0.1f * noise.bipolar()};
            float delayedL, delayedR, o[4];
            preDelay.process(x.left, x.right, delayedL, delayedR);
            reverb->process(delayedL, delayedR, o);
            const float wetL = (o[0] + o[2]) * 0.707f * 0.9f + 1e-15f, wetR = (o[1] + o[3]) * 0.707f * 0.9f + 1e-15f;
            smooth = smooth * 0.999f + c.mix * 0.000999987f + 1e-15f;
            const float dry = std::min(std::max(2 - 2 * smooth, 0.0f), 1.0f);
            const float wet = std::min(std::max(2 * smooth, 0.0f), 1.0f);
            const float expectedL = x.left * dry + wetL * wet, expectedR = x.right * dry + wetR * wet;

            if (frame % 16 == 0) rig.chain->controlStep(controls);
            const stereoStruct y = rig.chain->process(x, controls);
            ASSERT_NEAR(y.left, expectedL, 2e-5f) << c.why << ", frame " << frame;
            ASSERT_NEAR(y.right, expectedR, 2e-5f) << c.why << ", frame " << frame;
            loudest = std::max(loudest, std::fabs(wetL));
        }
        EXPECT_GT(loudest, 0.01f) << c.why << ": the reverb is heard";
    }
}

// Energy of the second half of a second of output, after an impulse or
// with silence in.
double lateEnergy(TBasicReverb& reverb, bool withImpulse) {
    double energy = 0;
    for (int i = 0; i < 44100; ++i) {
        float o1, o2, o3, o4;
        const float x = i == 0 && withImpulse ? 1.0f : 0.0f;
        reverb.process(x, x, o1, o2, o3, o4);
        if (i >= 22050) energy += o1 * o1 + o2 * o2 + o3 * o3 + o4 * o4;
    }
    return energy;
}

TEST(Reverb, BiggerRoomsRingLonger) {
    double previous = 0;
    for (float room : {0.0f, 0.5f, 1.0f}) {
        auto reverb = std::make_unique<TBasicReverb>();
        reverb->setRoomSize(room);
        const double energy = lateEnergy(*reverb, true);
        EXPECT_GT(energy, previous * 3) << "room " << room;
        previous = energy;
    }
}

// Setting the rate it already has keeps the tail; a new rate clears it.
TEST(Reverb, SameRateKeepsTheTail) {
    auto reverb = std::make_unique<TBasicReverb>();
    reverb->setRoomSize(1.0f);
    float o1, o2, o3, o4;
    reverb->process(1, 1, o1, o2, o3, o4);
    for (int i = 0; i < 4000; ++i) reverb->process(0, 0, o1, o2, o3, o4);
    reverb->setSampleRate(44100.00005f);
    EXPECT_GT(lateEnergy(*reverb, false), 1e-3);
    reverb->setSampleRate(48000);
    // What is left is the all-passes' denormal guard.
    EXPECT_LT(lateEnergy(*reverb, false), 1e-9);
}

}  // namespace
