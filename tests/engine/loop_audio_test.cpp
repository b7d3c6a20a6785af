// What a listener hears from the block loop: a note sounds from its frame,
// and the main volume, voice pan, stereo spread and clamp shape the
// output as their laws say. Rendered through the plug-in object with a sine
// wave source.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_test_support.h"
#include "plugin/BuiltinPrograms.h"
#include "tools/testhost/TestHost.h"

using enginetest::EnginePlugin;

namespace {

constexpr int TAG_MAIN_VOLUME = 1;
constexpr int TAG_PAN = 3;
constexpr int TAG_STEREO_SPREAD = 4;
constexpr int TAG_SOURCE_MODE = 10;
constexpr int TAG_KEY_TRACK = 11;
constexpr int TAG_SOURCE_SEMI = 12;
constexpr int TAG_SOURCE_FINE = 13;
constexpr int TAG_WAVE_NOISE_MIX = 16;
constexpr int TAG_WAVE_SYMMETRY = 17;
constexpr int TAG_MOVEMENT_LOOP = 40;
constexpr int TAG_MOVEMENT_TO_PITCH = 51;
constexpr int TAG_GLOBAL_TUNING = 1017;
constexpr int SOURCE_WAVE = 3;

// A plug-in playing an unwarped sine at the base pitch, centred, without
// modulation, noise or effects; a held key keeps its voice.
std::unique_ptr<EnginePlugin> sinePlugin(float rate = 48000.0f, float mainVolume = 0.6f) {
    auto plugin = std::make_unique<EnginePlugin>(rate);
    plugin->setStep(TAG_SOURCE_MODE, SOURCE_WAVE);
    plugin->setParameter(TAG_KEY_TRACK, 1.0f);
    plugin->setParameter(TAG_SOURCE_SEMI, 0.5f);
    plugin->setParameter(TAG_SOURCE_FINE, 0.5f);
    plugin->setParameter(TAG_WAVE_NOISE_MIX, 0.5f);
    plugin->setParameter(TAG_WAVE_SYMMETRY, 0.5f);
    plugin->setParameter(TAG_MOVEMENT_LOOP, 1.0f);
    plugin->setParameter(TAG_MOVEMENT_TO_PITCH, 0.5f);  // the Movement leaves the pitch alone
    plugin->setParameter(TAG_GLOBAL_TUNING, 0.5f);
    plugin->setParameter(TAG_PAN, 0.5f);
    plugin->setParameter(TAG_STEREO_SPREAD, 1.0f);
    plugin->setParameter(TAG_MAIN_VOLUME, mainVolume);
    plugin->render(16 * 400, 256);  // the volume settles
    plugin->outLeft.clear();
    plugin->outRight.clear();
    return plugin;
}

double rms(const std::vector<float>& x, size_t first) {
    double sum = 0;
    for (size_t i = first; i < x.size(); ++i) sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(x.size() - first));
}

}  // namespace

TEST(LoopAudio, NotesSoundFromTheirFrame) {
    for (int delta : {0, 1, 37, 700}) {
        auto plugin = sinePlugin();
        plugin->noteOn(69, 100, delta);
        plugin->render(2000, 64);
        size_t first = 0;
        while (first < plugin->outLeft.size() && std::fabs(plugin->outLeft[first]) < 1e-7f) ++first;
        // The envelope starts from zero in the note's own frame.
        EXPECT_GE(first, static_cast<size_t>(delta)) << delta;
        EXPECT_LE(first, static_cast<size_t>(delta) + 1) << delta;
    }
}

// Main volume: 80 dB over the knob, 0 dB at 0.75; every 0.25 is 20 dB.
TEST(LoopAudio, MainVolumeLaw) {
    double level[3];
    const float settings[3] = {0.25f, 0.5f, 0.6f};
    for (int i = 0; i < 3; ++i) {
        auto plugin = sinePlugin(48000, settings[i]);
        plugin->noteOn(69);
        plugin->render(24000, 256);
        level[i] = rms(plugin->outLeft, 4800);
    }
    EXPECT_NEAR(20 * std::log10(level[1] / level[0]), 20.0, 0.05);
    EXPECT_NEAR(20 * std::log10(level[2] / level[1]), 8.0, 0.05);
}

TEST(LoopAudio, PanAndSpread) {
    struct Case {
        float pan, spread;
        double rightOverLeft;  // RMS ratio
        const char* why;
    };
    const Case cases[] = {
        {0.5f, 1.0f, 1.0, "centre"},
        {0.25f, 1.0f, 0.5, "left of centre: right at 2p"},
        {0.0f, 1.0f, 0.0, "hard left"},
        {0.75f, 1.0f, 2.0, "right of centre: left at 2 - 2p"},
        {0.0f, 0.0f, 1.0, "spread 0 sums to mono"},
        {0.0f, 0.5f, 0.25 / 0.75, "half spread: (L + R) / 4 added to each side"},
        {0.9f, 1.0f, 1.0 / 0.2, "left at 2 - 2p, right full"},
        {1.0f, 1.0f, INFINITY, "hard right"},
    };
    for (const Case& c : cases) {
        auto plugin = sinePlugin();
        plugin->setParameter(TAG_PAN, c.pan);
        plugin->setParameter(TAG_STEREO_SPREAD, c.spread);
        plugin->render(16);
        plugin->noteOn(69);
        plugin->render(12000, 256);
        const double left = rms(plugin->outLeft, 2400);
        const double right = rms(plugin->outRight, 2400);
        ASSERT_GT(left + right, 0.01) << c.why;
        if (c.rightOverLeft == 0.0)
            EXPECT_LT(right, left * 1e-4) << c.why;
        else if (std::isinf(c.rightOverLeft))
            EXPECT_LT(left, right * 1e-4) << c.why;
        else
            EXPECT_NEAR(right / left, c.rightOverLeft, c.rightOverLeft * 0.01) << c.why;
    }
}

// Far too loud leaves the plug-in at exactly ±0.99.
TEST(LoopAudio, OutputClamp) {
    auto plugin = sinePlugin(48000, 1.0f);  // +20 dB
    for (int note : {57, 60, 64, 67}) plugin->noteOn(note);
    plugin->render(24000, 512);
    float peak = 0;
    for (size_t i = 0; i < plugin->outLeft.size(); ++i)
        peak = std::max({peak, std::fabs(plugin->outLeft[i]), std::fabs(plugin->outRight[i])});
    EXPECT_FLOAT_EQ(peak, 0.99f);
}

// Through the binary interface as a host drives it: a note sent at an absolute
// frame sounds from that frame, also at and across the host's block edges.
TEST(LoopAudio, NotesSoundFromTheirFrameThroughTheHost) {
    for (long frame : {0L, 1L, 511L, 512L, 513L, 1500L}) {
        testhost::HostConfig config;
        config.blockSize = 512;
        testhost::Host host(config);
        auto plugin = host.load(KOLBRI_SO_PATH);
        ASSERT_TRUE(plugin) << testhost::Host::lastError();
        // The plain sound, whatever program 0 is: its filter lets the first frame through.
        const std::span<const float> plain = builtinProgramValues(BUILTIN_DEFAULT_PROGRAM);
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
            if (tag != PRESET_APPLY_TAG) plugin->setParameter(tag, plain[static_cast<std::size_t>(tag)]);
        plugin->setParameter(TAG_MAIN_VOLUME, 0.75f);
        // Noise, so that the first frame of the note cannot be a zero crossing.
        plugin->setParameter(TAG_SOURCE_MODE, 0.0f);
        plugin->render(4096);  // the start program is applied by now
        plugin->noteOn(4096 + frame, 60, 127);
        const testhost::Stereo out = plugin->render(4096);
        long first = 0;
        while (first < out.frames() && std::fabs(out.left[first]) < 1e-9f && std::fabs(out.right[first]) < 1e-9f)
            ++first;
        EXPECT_GE(first, frame);
        // The envelope starts from zero in the note's frame and the start
        // program's filter opens within a few frames: never a block late.
        EXPECT_LE(first, frame + 4) << "the note starts in its own frame";
        EXPECT_LT(first, out.frames()) << "the note sounds";
    }
}

// A program requested at frame 1000 (parameter 1022, as the host's program
// change does) silences the output until the next multiple of 4096 frames,
// where it is applied and every voice ends; notes after it sound again.
TEST(LoopAudio, ProgramChangeThroughTheHost) {
    testhost::HostConfig config;
    config.blockSize = 256;
    testhost::Host host(config);
    auto plugin = host.load(KOLBRI_SO_PATH);
    ASSERT_TRUE(plugin) << testhost::Host::lastError();
    plugin->setParameter(TAG_MAIN_VOLUME, 0.75f);
    plugin->render(4096);  // any program the host set at start-up is applied by now
    plugin->noteOn(4096 + 10, 60, 127);
    plugin->parameterAt(4096 + 1000, 1022, 0.0f);
    plugin->noteOn(8192 + 300, 64, 127);
    const testhost::Stereo out = plugin->render(8192);
    EXPECT_GT(testhost::measure(out, 100, 1000).peak, 1e-4f) << "the note sounds before the request";
    // The voices stop at the request; only the output filter's short tail is left.
    EXPECT_LT(testhost::measure(out, 1000 + 256, 4096).peak, 1e-6f) << "silent while the program waits";
    EXPECT_LT(testhost::measure(out, 4096, 4096 + 300).peak, 1e-9f) << "applied at the tick: the voices ended";
    EXPECT_GT(testhost::measure(out, 4096 + 302, 8192).peak, 1e-4f) << "a new note sounds";
    EXPECT_TRUE(testhost::measure(out).finite);
}
