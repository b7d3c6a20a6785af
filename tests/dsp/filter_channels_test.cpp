// Each channel of a filter follows its own cutoff: a filter whose channels
// sit apart gives on its left, bit for bit, what a filter with both channels
// at the left cutoff gives there, and on its right what one at the right
// cutoff gives. The coefficients are worked out once for both channels when
// they share a cutoff and channel by channel when they do not; a value
// written to the wrong channel, or left from the shared case, shows here.
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/TFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

std::uint32_t bitsOf(float x) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

TEST(FilterChannels, EachChannelFollowsItsOwnCutoff) {
    buildFilterTables();
    using namespace filtertype;
    // Every type whose channels do not feed each other (the ping-pong comb
    // crosses them). The plain state-variable types come in too, alone.
    const int types[] = {LOWPASS_6DB,          HIGHPASS_6DB,          LOWPASS_12DB,         NOTCH_12DB,
                         ZERO_DELAY_LOWPASS_12DB, ZERO_LOW_BAND_HIGH_PASS_12DB, LOWPASS_18DB, HIGHPASS_18DB,
                         LOWPASS_24DB,         HIGHPASS_24DB,         BANDPASS_24DB,        NOTCH_24DB,
                         ZERO_DELAY_LOWPASS_24DB, ZERO_LOW_HIGH_PASS_24DB, ZERO_LOW_BAND_HIGH_PASS_24DB,
                         LOWPASS_36DB,         HIGHPASS_36DB,         VOCAL,                FORMANT_1,
                         FORMANT_2,            POSITIVE_COMB_FILTER,  NEGATIVE_COMB_FILTER};
    for (int type : types) {
        // apart: the channels at their own cutoffs; leftOnly, rightOnly: both at one of them.
        auto apart = std::make_unique<TFilter>(), leftOnly = std::make_unique<TFilter>(),
             rightOnly = std::make_unique<TFilter>();
        for (TFilter* f : {apart.get(), leftOnly.get(), rightOnly.get()}) {
            f->init(48000.0f);
            f->setType(type, true);
        }
        for (int frame = 0; frame < 6000; ++frame) {
            // The right channel sweeps around the left: apart most of the
            // time, at the same cutoff now and then, and for a stretch.
            const float left = 0.45f + 0.15f * std::sin(static_cast<float>(frame) * 0.0007f);
            float right = left + 0.1f * std::sin(static_cast<float>(frame) * 0.0031f);
            if (frame % 97 < 5 || (frame >= 3000 && frame < 3400)) right = left;
            const float resonance = 0.4f + 0.3f * std::sin(static_cast<float>(frame) * 0.0005f);
            const float vowel = 0.5f + 0.4f * std::sin(static_cast<float>(frame) * 0.0011f);
            const float x = std::sin(static_cast<float>(frame) * 0.21f) + 0.4f * std::sin(static_cast<float>(frame) * 0.013f);
            const stereoOverStruct in{{x, x, 0.9f * x, 0.9f * x}};
            stereoOverStruct both, leftOut, rightOut;
            apart->process(stereoStruct{left, right}, stereoStruct{}, resonance, vowel, in, both);
            leftOnly->process(stereoStruct{left, left}, stereoStruct{}, resonance, vowel, in, leftOut);
            rightOnly->process(stereoStruct{right, right}, stereoStruct{}, resonance, vowel, in, rightOut);
            for (int lane : {stereoOverStruct::LEFT0, stereoOverStruct::LEFT1})
                ASSERT_EQ(bitsOf(both.lane[lane]), bitsOf(leftOut.lane[lane]))
                    << "type " << type << ", frame " << frame << ", left lane " << lane;
            for (int lane : {stereoOverStruct::RIGHT0, stereoOverStruct::RIGHT1})
                ASSERT_EQ(bitsOf(both.lane[lane]), bitsOf(rightOut.lane[lane]))
                    << "type " << type << ", frame " << frame << ", right lane " << lane;
        }
    }
}

}  // namespace
