// The output stage: volume law and smoothing, the clamp, the stereo spread,
// the brick-wall filter and the silence gate's count (the pan law: tests/dsp/pan_law_test.cpp).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>

#include "engine/OutputState.h"
#include "engine_test_support.h"

using enginetest::EnginePlugin;

namespace {

constexpr int TAG_MAIN_VOLUME = 1;
constexpr int TAG_STEREO_SPREAD = 4;
constexpr int TAG_SUB_VOLUME = 26;
constexpr int TAG_BRICK_ON = 1018;
constexpr int TAG_BRICK_FREQUENCY = 1019;

// Runs a sine through the output stage alone and returns its gain (RMS ratio)
// over the second half of the frames.
double outputStageGain(EnginePlugin& plugin, double frequency, int frames) {
    const double rate = plugin.rates().curSampleRate;
    double in = 0, out = 0;
    for (int i = 0; i < frames; ++i) {
        const float x = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * frequency * i / rate));
        TEngineTestAccess::engine(plugin).outFrame = {x, x};
        plugin.runOutputStage();
        if (i >= frames / 2) {
            in += double(x) * x;
            out +=
                double(TEngineTestAccess::engine(plugin).outFrame[0]) * TEngineTestAccess::engine(plugin).outFrame[0];
        }
    }
    return std::sqrt(out / in);
}

// The stage's gain in dB now: a quiet frame through it, far from the clamp.
double stageGainDb(EnginePlugin& plugin) {
    constexpr float PROBE = 0.001f;
    TEngineTestAccess::engine(plugin).outFrame = {PROBE, PROBE};
    plugin.runOutputStage();
    return 20.0 * std::log10(TEngineTestAccess::engine(plugin).outFrame[0] / PROBE);
}

}  // namespace

TEST(OutputStage, VolumeLaws) {
    struct Case {
        float value;
        float mainGain;  // -60 dB at 0, 0 dB at 0.75, +20 dB at 1
        float subGain;   // -80 dB at 0, 0 dB at 1
    };
    const Case cases[] = {{0.0f, 0.001f, 0.0001f}, {0.75f, 1.0f, 0.1f}, {1.0f, 10.0f, 1.0f}, {0.5f, 0.1f, 0.01f}};
    for (const Case& c : cases) {
        EXPECT_NEAR(outputstage::mainVolumeGain(c.value), c.mainGain, c.mainGain * 1e-5f) << c.value;
        EXPECT_NEAR(outputstage::subVolumeGain(c.value), c.subGain, c.subGain * 1e-5f) << c.value;

        // Through the plug-in: the smoothed value reaches the parameter over
        // the control steps, and the gain follows it.
        auto plugin = std::make_unique<EnginePlugin>();
        plugin->setParameter(TAG_MAIN_VOLUME, c.value);
        plugin->setParameter(TAG_SUB_VOLUME, c.value);
        plugin->render(16 * 300);
        EXPECT_NEAR(plugin->getMainVolumeGain(), c.mainGain, c.mainGain * 1e-4f);
        EXPECT_NEAR(TEngineTestAccess::output(*plugin).subVolumeGain, c.subGain, c.subGain * 1e-4f);
    }
}

// A change of the main volume glides: at each control step the gain heard
// through the stage covers a tenth of the remaining way (in dB, as the
// volume's law is), and between the steps it holds.
TEST(OutputStage, VolumeGlidesATenthOfTheWayPerControlStep) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setParameter(TAG_MAIN_VOLUME, 0.5f);  // -20 dB
    plugin->render(16 * 300);                     // settled; the next frame has a control step
    const double startDb = stageGainDb(*plugin);
    ASSERT_NEAR(startDb, -20.0, 0.01);
    plugin->setParameter(TAG_MAIN_VOLUME, 0.75f);  // 0 dB
    for (int step = 1; step <= 40; ++step) {
        plugin->render(1);
        const double db = stageGainDb(*plugin);
        EXPECT_NEAR((db - startDb) / 20.0, 1.0 - std::pow(0.9, step), 1e-3) << "control step " << step;
        plugin->render(15);
        EXPECT_EQ(stageGainDb(*plugin), db) << "no glide between the steps (step " << step << ")";
    }
    plugin->render(16 * 300);
    EXPECT_NEAR(stageGainDb(*plugin), 0.0, 0.01) << "the glide arrives";
}

// The clamp; the spread and pan laws are heard in the block loop's tests.
TEST(OutputStage, Clamp) {
    struct ClampCase {
        float in, out;
    };
    for (const ClampCase& c : {ClampCase{2.0f, 0.99f}, ClampCase{-3.0f, -0.99f}, ClampCase{0.5f, 0.5f},
                               ClampCase{0.99f, 0.99f}, ClampCase{NAN, 0.0f}, ClampCase{INFINITY, 0.99f}})
        EXPECT_EQ(outputstage::clampOutput(c.in), c.out) << c.in;
}

// The whole stage on one frame: volume, then the clamp, then the spread.
TEST(OutputStage, FrameThroughTheStage) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setParameter(TAG_MAIN_VOLUME, 0.75f);  // 0 dB
    plugin->setParameter(TAG_STEREO_SPREAD, 0.0f);
    plugin->render(16 * 300);
    TEngineTestAccess::engine(*plugin).outFrame = {3.0f, -0.5f};  // full scale and beyond: cut, not scaled
    plugin->runOutputStage();
    EXPECT_NEAR(TEngineTestAccess::engine(*plugin).outFrame[0], (0.99f - 0.5f) / 2, 1e-4f)
        << "mono sum after the clamp";
    EXPECT_NEAR(TEngineTestAccess::engine(*plugin).outFrame[1], (0.99f - 0.5f) / 2, 1e-4f);

    plugin->setParameter(TAG_STEREO_SPREAD, 1.0f);
    TEngineTestAccess::engine(*plugin).outFrame = {NAN, 0.25f};
    plugin->runOutputStage();
    EXPECT_EQ(TEngineTestAccess::engine(*plugin).outFrame[0], 0.0f);
    EXPECT_NEAR(TEngineTestAccess::engine(*plugin).outFrame[1], 0.25f, 1e-4f);
}

// The brick filter passes the band below its frequency and cuts above; at any
// rate and any setting its coefficients stay those of a stable filter.
TEST(OutputStage, BrickFilterResponse) {
    struct Case {
        float rate;
        float parameter;  // cut-off 20 x 2^(12 p) Hz
        double frequency;
        double minGain, maxGain;
        const char* why;
    };
    const float at1k = static_cast<float>(std::log2(1000.0 / 20.0) / 12.0);
    const Case cases[] = {
        {48000, at1k, 100, 0.93, 1.05, "passband"},
        {48000, at1k, 10000, 0.0, 0.03, "a decade above: two poles, about -40 dB"},
        {48000, 1.0f, 5000, 0.93, 1.05, "fully open"},
        {22050, 1.0f, 100, 0.93, 1.1, "81.9 kHz at 22.05 kHz: limited below Nyquist, still passes"},
        {32000, 1.0f, 3000, 0.9, 1.2, "the same at 32 kHz"},
        {192000, at1k, 100, 0.93, 1.05, "passband at 192 kHz"},
        {192000, at1k, 10000, 0.0, 0.03, "stopband at 192 kHz"},
    };
    for (const Case& c : cases) {
        auto plugin = std::make_unique<EnginePlugin>(c.rate);
        plugin->setParameter(TAG_MAIN_VOLUME, 0.75f);
        plugin->setParameter(TAG_BRICK_ON, 1.0f);
        plugin->setParameter(TAG_BRICK_FREQUENCY, c.parameter);
        plugin->render(16 * 300);
        ASSERT_TRUE(TEngineTestAccess::output(*plugin).brickOn);
        plugin->updateBrickFilter();
        EXPECT_GT(TEngineTestAccess::output(*plugin).brickFilter.g, 0.0f) << c.why;
        EXPECT_TRUE(std::isfinite(TEngineTestAccess::output(*plugin).brickFilter.h)) << c.why;
        const double gain = outputStageGain(*plugin, c.frequency, static_cast<int>(c.rate / 2));
        EXPECT_GE(gain, c.minGain) << c.why;
        EXPECT_LE(gain, c.maxGain) << c.why;
    }
}

// Resetting the filters recomputes the coefficients, so a program applied with
// the brick filter on sounds at once instead of after the next housekeeping.
TEST(OutputStage, BrickFilterSoundsRightAfterAReset) {
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->setParameter(TAG_MAIN_VOLUME, 0.75f);
    plugin->setParameter(TAG_BRICK_ON, 1.0f);
    plugin->setParameter(TAG_BRICK_FREQUENCY, 0.8f);
    plugin->render(16 * 300);
    plugin->initFilters();
    EXPECT_GT(TEngineTestAccess::output(*plugin).brickFilter.g, 0.0f);
    EXPECT_GT(outputStageGain(*plugin, 200, 2000), 0.9);
}

TEST(OutputStage, SilenceGateCount) {
    auto plugin = std::make_unique<EnginePlugin>();
    const auto start = TEngineTestAccess::output(*plugin).silentFrames;
    plugin->render(1000, 100);
    EXPECT_EQ(TEngineTestAccess::output(*plugin).silentFrames, start + 1000) << "every quiet frame counts";

    // An audible effects input resets the count; the frame itself is not quiet.
    TEngineTestAccess::engine(*plugin).fxInput = {0.0002f, 0.0f};
    plugin->applyFX();
    EXPECT_EQ(TEngineTestAccess::output(*plugin).silentFrames, 0);
    TEngineTestAccess::engine(*plugin).fxInput = {0.00004f, -0.00004f};  // |L| + |R| below the threshold
    plugin->applyFX();
    EXPECT_EQ(TEngineTestAccess::output(*plugin).silentFrames, 1);

    // The count saturates instead of wrapping into a negative number that
    // would reopen the gate.
    TEngineTestAccess::output(*plugin).silentFrames = INT32_MAX;
    TEngineTestAccess::engine(*plugin).fxInput = {0, 0};
    plugin->applyFX();
    EXPECT_EQ(TEngineTestAccess::output(*plugin).silentFrames, INT32_MAX);
}
