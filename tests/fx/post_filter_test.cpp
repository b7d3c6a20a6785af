// The low-pass and high-pass at the end of the Low-Fi and Mod FX stages: a
// low-pass runs while its cutoff lies below 0.99, a high-pass while its
// cutoff lies above 0.01. A filter that does not run passes its input as it
// is and keeps its state, so that it goes on from there when it runs again.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "fx_test_support.h"

using namespace fxtest;

namespace {

enum Unit { LOW_FI, MOD_FX_TREMOLO, MOD_FX_RING };

// The stage's wet frame before its filters: the Low-Fi's held and quantised
// input, which a twin Low-Fi with its filters off gives; the Mod FX modes at
// Amount 0, whose wet frame is their input.
struct Stage {
    Unit unit;
    TRandSeed seed, twinSeed;
    TLowFi lowFi, twin;
    std::unique_ptr<TModFX> modFX;
    std::uint32_t frame = 0;

    explicit Stage(Unit u) : unit(u) {
        engineTables();
        lowFi.init(44100);
        twin.init(44100);
        if (unit != LOW_FI) {
            modFX = std::make_unique<TModFX>(engineTables());
            modFX->setSampleRate(44100);
            modFX->init();
        }
    }
    // The filters' input and the stage's output for one frame.
    std::pair<stereoStruct, stereoStruct> step(const TFxControls& c, stereoStruct x) {
        if (unit == LOW_FI) {
            TFxControls unfiltered = c;
            setMod(unfiltered, destination::LOWFI_LOW_PASS, 0.0f);
            setMod(unfiltered, destination::LOWFI_HIGH_PASS, 0.0f);
            twin.setControls(unfiltered);
            lowFi.setControls(c);
            return {twin.process(x, twinSeed), lowFi.process(x, seed)};
        }
        if (frame % 16 == 0) modFX->controlStep(c);
        modFX->setControls(c);
        return {x, modFX->process(x, frame++, seed)};
    }
};

struct Row {
    const char* why;
    Unit unit;
    bool lowPass;
    float cutoff;  // as the stage reads it
    bool runs;
};

// The stage's controls with one filter at a cutoff, the other off.
TFxControls controlsFor(const Row& r, float cutoff) {
    TFxControls c = defaultControls();
    setParam(c, tag::LOW_FI_SAMPLE_RATE, 0.0f);  // every frame held
    setParam(c, tag::LOW_FI_BITS, 0.3f);
    setMode(c, r.unit == MOD_FX_RING ? TModFX::RING : TModFX::TREMOLO);
    setParam(c, tag::MOD_FX_3, 0.0f);  // Amount 0
    setParam(c, tag::MOD_FX_5, 1.0f);
    if (r.unit == LOW_FI) {
        // Low-pass 1 + modulation, high-pass the modulation: (a - 1) + 1 is a again.
        setMod(c, r.lowPass ? destination::LOWFI_LOW_PASS : destination::LOWFI_HIGH_PASS,
               r.lowPass ? cutoff - 1.0f : cutoff);
    } else if (!r.lowPass) {
        setMod(c, destination::MOD_FX_HIGH_PASS, cutoff);
    } else if (r.unit == MOD_FX_RING) {
        setParam(c, tag::MOD_FX_5, cutoff);  // Ring's low-pass is "Mod FX 5"
    } else {
        setMod(c, destination::MOD_FX_LOW_PASS, 1.0f - cutoff);  // 1 - (1 - a) is a again
    }
    return c;
}

TEST(PostFilters, RunWithinTheirThresholdsAndKeepTheirStateOutside) {
    const float belowLow = std::nextafter(0.99f, 0.0f), aboveHigh = std::nextafter(0.01f, 1.0f);
    const Row rows[] = {
        {"Low-Fi low-pass at 0.99 is off", LOW_FI, true, 0.99f, false},
        {"Low-Fi low-pass just below 0.99 runs", LOW_FI, true, belowLow, true},
        {"Low-Fi high-pass at 0.01 is off", LOW_FI, false, 0.01f, false},
        {"Low-Fi high-pass just above 0.01 runs", LOW_FI, false, aboveHigh, true},
        {"Mod FX low-pass at 0.99 by its modulation is off", MOD_FX_TREMOLO, true, 0.99f, false},
        {"Mod FX low-pass just below 0.99 by its modulation runs", MOD_FX_TREMOLO, true, belowLow, true},
        {"Ring's low-pass at 0.99 by Mod FX 5 is off", MOD_FX_RING, true, 0.99f, false},
        {"Ring's low-pass just below 0.99 by Mod FX 5 runs", MOD_FX_RING, true, belowLow, true},
        {"Mod FX high-pass at 0.01 is off", MOD_FX_TREMOLO, false, 0.01f, false},
        {"Mod FX high-pass just above 0.01 runs", MOD_FX_TREMOLO, false, aboveHigh, true},
    };
    constexpr int SEGMENT = 3000;
    for (const Row& r : rows) {
        // Running at 0.5, then at the cutoff of the row, then at 0.5 again.
        const TFxControls running = controlsFor(r, 0.5f), tested = controlsFor(r, r.cutoff);
        Stage stage(r.unit);
        auto reference = std::make_unique<TFilter>();
        reference->init(44100);
        reference->setType(r.lowPass ? filtertype::ZERO_DELAY_LOWPASS_12DB : filtertype::ZERO_DELAY_HIGHPASS_12DB, true);
        TRandSeed noise;
        bool changedByTheFilter = false;
        for (int frame = 0; frame < 3 * SEGMENT; ++frame) {
            const bool middle = frame >= SEGMENT && frame < 2 * SEGMENT;
            const stereoStruct x{0.5f * noise.bipolar(), 0.5f * noise.bipolar()};
            const auto [in, y] = stage.step(middle ? tested : running, x);
            stereoStruct expected = in;
            if (!middle || r.runs) {
                stereoOverStruct pair{{in.left, in.right, in.left, in.right}};
                reference->processZeroDelay(middle ? r.cutoff : 0.5f, 0.0f, pair, pair);
                expected = stereoStruct{(pair.lane[0] + pair.lane[2]) * 0.5f, (pair.lane[1] + pair.lane[3]) * 0.5f};
            }
            if (middle && (y.left != in.left || y.right != in.right)) changedByTheFilter = true;
            ASSERT_EQ(y.left, expected.left) << r.why << ", frame " << frame;
            ASSERT_EQ(y.right, expected.right) << r.why << ", frame " << frame;
        }
        EXPECT_EQ(changedByTheFilter, r.runs) << r.why;
    }
}

}  // namespace
