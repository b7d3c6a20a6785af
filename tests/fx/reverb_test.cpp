// TBasicReverb on its own: lengths at every rate, what a rate change keeps,
// and the tail's length against the room size.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/fx/TBasicReverb.h"

namespace {

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
