// The effects' zero-delay low-pass and high-pass runs both channels as one
// vector: it must give bit for bit what the single-cutoff call gives, through
// cutoff sweeps, held cutoffs, resonance, unlike channels and bad inputs.
#include "engine/dsp/FilterTables.h"
#include "engine/dsp/TFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

TEST(FilterZeroDelayFx, SameSamplesAsTheSingleCutoffCall) {
    buildFilterTables();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        int type;
        float rate;
        float resonance;
        bool sweep;  // the cutoff moves every frame, else it holds after a jump
        const char* why;
    } cases[] = {
        {filtertype::ZERO_DELAY_LOWPASS_12DB, 44100.0f, 0.0f, false, "the Low-Fi and Mod FX low-pass"},
        {filtertype::ZERO_DELAY_HIGHPASS_12DB, 48000.0f, 0.0f, true, "the high-pass under a sweep"},
        {filtertype::ZERO_DELAY_LOWPASS_12DB, 192000.0f, 0.9f, true, "resonant, at a high rate"},
        {filtertype::ZERO_DELAY_HIGHPASS_12DB, 22050.0f, 0.5f, false, "resonant, at a low rate"},
        {12, 44100.0f, 0.3f, true, "another type takes the plain call"},
    };
    for (const Case& c : cases) {
        auto vector = std::make_unique<TFilter>(), scalar = std::make_unique<TFilter>();
        for (TFilter* f : {vector.get(), scalar.get()}) {
            f->init(c.rate);
            f->setType(c.type, true);
        }
        for (int frame = 0; frame < 6000; ++frame) {
            const float cutoff = c.sweep ? 0.5f + 0.45f * std::sin(frame * 0.003f) : (frame < 3000 ? 0.2f : 0.8f);
            const float left = std::sin(frame * 0.05f) * (frame % 700 == 0 ? 50.0f : 1.0f);
            const float right = frame % 997 == 0 ? nan : std::cos(frame * 0.031f);
            const stereoOverStruct in{{left, right, 0.9f * left, right}};
            stereoOverStruct a = in, b;
            vector->processZeroDelay(cutoff, c.resonance, a, a);  // in place, as the effects call it
            scalar->process(cutoff, 1.0f, stereoStruct{}, c.resonance, 0.0f, in, b);
            ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << c.why << ", frame " << frame;
        }
    }
}
