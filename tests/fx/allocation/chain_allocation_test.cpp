// The effects chain's audio-thread operations never allocate: this
// executable replaces the global allocation functions with counting ones
// and runs every mode with every stage on, with the control steps, mode
// changes, restarts and the FX initialisation a session brings.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "../fx_test_support.h"
#include "tests/counting_allocator.h"

namespace {

std::atomic<bool> counting{false};

}  // namespace

bool countingalloc::countsNow() { return counting.load(std::memory_order_relaxed); }
using countingalloc::allocations;

namespace {

using namespace fxtest;

TEST(ChainAllocation, AudioThreadOperationsNeverAllocate) {
    TFxControls c = defaultControls();
    for (int tag : {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB}) setParam(c, tag, 1.0f);
    setMod(c, destination::LOWFI_LOW_PASS, -0.5f);
    setMod(c, destination::LOWFI_HIGH_PASS, 0.3f);
    setMod(c, destination::MOD_FX_HIGH_PASS, 0.3f);
    ChainRig rig(c);
    TRandSeed noise;
    // The counting functions are the ones in use.
    counting = true;
    auto probe = std::make_unique<float[]>(16);
    counting = false;
    ASSERT_EQ(allocations.load(), 1);
    long perMode[TModFX::MODE_COUNT] = {};

    for (int mode = 0; mode < TModFX::MODE_COUNT; ++mode) {
        setMode(c, mode);
        allocations = 0;
        counting = true;
        rig.chain->controlStep(c);
        for (int frame = 0; frame < 24000; ++frame) {
            if (frame % 16 == 0) rig.chain->controlStep(c);
            if (frame == 8000) rig.chain->restartModulation();
            if (frame == 16000) {
                // A rate change taken at a block start, as the engine does it.
                rig.chain->setSampleRate(mode % 2 ? 96000.0f : 44100.0f);
                rig.chain->initFX(c);
            }
            rig.chain->process(stereoStruct{noise.bipolar(), noise.bipolar()}, c);
        }
        counting = false;
        perMode[mode] = allocations.load();
    }
    for (int mode = 0; mode < TModFX::MODE_COUNT; ++mode) EXPECT_EQ(perMode[mode], 0) << "mode " << mode;
}

}  // namespace
