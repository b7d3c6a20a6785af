// The user sample as voices play it, measured in the plug-in's output: the
// direction (the chirp's pitch rises forwards), the loop period, how long a
// one-shot sounds, where a start or an offset begins it, grains, and loops
// that stay sounding at pitches far above the loop's length.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "sampleplugin/sample_plugin_support.h"

namespace sampleplugin {
namespace {

constexpr double RATE = pluginfiles::RATE;
constexpr std::size_t WINDOW = 480;  // 10 ms

TEST_F(SamplePlugin, EachModeHasItsDirectionPeriodAndLength) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    struct Case {
        const char* what;
        int mode;
        double loopStart, loopEnd;
        bool risesFirst;       // the pitch of the first pass rises
        std::size_t period;    // frames after which the sound repeats (0: it ends)
        long soundingFrames;   // a one-shot's length
    } cases[] = {
        {"one-shot plays forwards once", ONE_SHOT, 0, 1, true, 0, 9600},
        {"loop repeats its quarter-to-three-quarters", LOOP, 0.25, 0.75, true, 4800, 0},
        // Each turn holds the position for a frame: twice the loop, less two frames.
        {"ping-pong runs up and back down its loop", PING_PONG, 0.25, 0.75, true, 9598, 0},
        {"reverse plays backwards once", REVERSE, 0, 1, false, 0, 9600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto plugin = makeSamplePlugin();
        ASSERT_TRUE(samples(*plugin).getSampleLoaded());
        plugin->setSteppedValue(LOOP_MODE, c.mode);
        plugin->setParameter(LOOP_START, static_cast<float>(c.loopStart));
        plugin->setParameter(LOOP_END, static_cast<float>(c.loopEnd));
        const std::vector<float> out = playNote(*plugin, 57, 40000);

        const double early = crossingHz(out, 600, WINDOW, RATE), later = crossingHz(out, 2400, WINDOW, RATE);
        EXPECT_EQ(later > early, c.risesFirst) << early << " Hz then " << later << " Hz";
        // Note 57 plays a 48 kHz file at its own rate: the chirp's own pitch.
        const double expectedEarly = c.risesFirst ? chirpHz(600 + WINDOW / 2.0) : chirpHz(9600 - 600 - WINDOW / 2.0);
        EXPECT_NEAR(early, expectedEarly, 60.0);
        if (c.period > 0) {
            const std::vector<float> steady(out.begin() + 12000, out.begin() + 36000);
            EXPECT_NEAR(double(audiomeasure::bestPeriod(steady, c.period - 400, c.period + 400)), double(c.period), 1.0);
            EXPECT_GT(rms(out, 36000, 4000), 0.05) << "a loop keeps sounding";
        } else {
            EXPECT_GT(rms(out, c.soundingFrames - 1200, 1000), 0.05) << "still sounding near its end";
            // Only the DC blocker's settling follows the last frame.
            EXPECT_LT(rms(out, c.soundingFrames + 200, 4000), 0.01) << "silent after its end";
        }
    }
}

// "Sample Start" moves where a user sample begins; a modulated "Sample Offset"
// shifts every read. A negative offset reads nothing before the sample.
TEST_F(SamplePlugin, StartAndOffsetMoveTheFirstFrame) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    struct Case {
        const char* what;
        float start;
        float offsetAmount;  // modulation of "Sample Offset" by the constant source, -1..1
        double firstFrame;   // the frame heard first
    } cases[] = {
        {"from the first frame", 0.0f, 0.0f, 0},
        {"from the middle", 0.5f, 0.0f, 4800},
        {"offset by a quarter", 0.0f, 0.25f, 2400},
        {"a negative offset reads from the start", 0.0f, -0.5f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto plugin = makeSamplePlugin();
        ASSERT_TRUE(samples(*plugin).getSampleLoaded());
        plugin->setParameter(SAMPLE_START, c.start);
        if (c.offsetAmount != 0.0f)
            for (const auto& [tag, value] : audiomeasure::offsetRoute(0, OFFSET_DESTINATION, c.offsetAmount))
                plugin->setParameter(tag, value);
        const std::vector<float> out = playNote(*plugin, 57, 20000);
        // The first 10 ms after the routes have settled.
        EXPECT_NEAR(crossingHz(out, 200, WINDOW, RATE), chirpHz(c.firstFrame + 200 + WINDOW / 2.0), 70.0);
        for (float x : out) ASSERT_TRUE(std::isfinite(x));
        const long heard = static_cast<long>(9600 - c.firstFrame);
        EXPECT_GT(rms(out, static_cast<std::size_t>(heard - 1500), 1000), 0.05);
        EXPECT_LT(rms(out, static_cast<std::size_t>(heard + 200), 3000), 0.01);
    }
}

// A 1000 Hz sine of 5 s at 48 kHz: 48 frames a period.
samplefiles::Bytes sineWav(int frames) {
    samplefiles::Bytes data;
    for (int i = 0; i < frames; ++i)
        samplefiles::le(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(
                                  std::lround(16000.0 * std::sin(2.0 * std::numbers::pi * i / 48.0)))),
                        2);
    return samplefiles::form(true, "WAVE", {samplefiles::fmtChunk(1, 1, 48000, 16), samplefiles::TChunk{"data", data}});
}

// In Loop, a start past the loop end is silent while the position walks back
// one loop per move into the loop: here a loop of one period (48 frames) at
// the key's own pitch, half a frame a move, comes back 47.5 frames a move,
// 95 a frame. Then the loop's 1000 Hz sounds.
TEST_F(SamplePlugin, AStartPastTheLoopEndIsSilentUntilThePositionWalksIn) {
    constexpr int FRAMES = 240001;  // length 240000
    writeBytes(sampleRoot + "/sine.wav", sineWav(FRAMES));
    struct Case {
        const char* what;
        float start, loopStart, loopEnd;
    } cases[] = {
        {"from the end of the sample", 1.0f, 0.0f, 0.0002f},
        {"from its middle, half the way", 0.5f, 0.0f, 0.0002f},
        {"a loop in the middle, from the end", 1.0f, 0.5f, 0.5002f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto plugin = makeSamplePlugin("sine.wav");
        ASSERT_TRUE(samples(*plugin).getSampleLoaded());
        plugin->setSteppedValue(tag::SAMPLE_LOOP_MODE, LOOP);
        plugin->setParameter(tag::SAMPLE_LOOP_START, c.loopStart);
        plugin->setParameter(tag::SAMPLE_LOOP_END, c.loopEnd);
        plugin->setParameter(tag::SAMPLE_START, c.start);
        const double length = FRAMES - 1.0, span = (c.loopEnd - c.loopStart) * length;
        const double silentFrames = (c.start - c.loopEnd) * length / (2.0 * (span - 0.5));
        const auto silent = static_cast<std::size_t>(silentFrames);
        const std::vector<float> out = playNote(*plugin, 57, static_cast<long>(silent) + 9600);

        std::size_t first = 0;
        while (first < out.size() && std::fabs(out[first]) < 0.01f) ++first;
        EXPECT_NEAR(double(first), silentFrames, 48.0) << "sounds once the position is inside the loop";
        EXPECT_LT(rms(out, 0, silent - 100), 1e-5) << "silent before";
        EXPECT_GT(rms(out, silent + 2400, 4800), 0.05) << "the loop plays";
        EXPECT_NEAR(crossingHz(out, silent + 2400, 4800, RATE), 1000.0, 20.0);
    }
}

// A loop far shorter than one frame's step wraps by its remainder and keeps
// sounding; grains read within the sample at any setting.
TEST_F(SamplePlugin, ExtremePitchesAndGrainsStayFiniteAndSounding) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    struct Case {
        const char* what;
        int mode;
        bool grains;
        int key;
        float semi;  // "Source Semi" 0..1 (0.5: none)
    } cases[] = {
        {"loop of 96 frames, 900 frames a step", LOOP, false, 127, 1.0f},
        {"ping-pong of 96 frames, 900 frames a step", PING_PONG, false, 127, 1.0f},
        {"loop at the lowest pitch", LOOP, false, 0, 0.0f},
        {"grains over a loop", LOOP, true, 57, 0.5f},
        {"grains at the highest pitch", PING_PONG, true, 127, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto plugin = makeSamplePlugin();
        ASSERT_TRUE(samples(*plugin).getSampleLoaded());
        plugin->setSteppedValue(LOOP_MODE, c.mode);
        plugin->setParameter(LOOP_START, 0.5f);
        plugin->setParameter(LOOP_END, 0.51f);
        plugin->setParameter(GRAIN_ON, c.grains ? 1.0f : 0.0f);
        plugin->setParameter(25, 1.0f);  // "Grain Random" at its most
        plugin->setParameter(SOURCE_SEMI, c.semi);
        const std::vector<float> out = playNote(*plugin, c.key, 24000);
        for (float x : out) ASSERT_TRUE(std::isfinite(x));
        EXPECT_GT(rms(out, 16000, 8000), 0.002) << "still sounding after a third of a second";
    }
}

// Reloading the samples (the editor's commands that change or clear the user
// sample) turns the voices off and nothing more: the delay's echoes of the
// note ring on, while the key, still held, sounds no more.
TEST_F(SamplePlugin, ReloadingTheSamplesStopsTheVoicesButNotTheEchoes) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    auto plugin = makeSamplePlugin();
    ASSERT_TRUE(samples(*plugin).getSampleLoaded());
    plugin->setSteppedValue(tag::SAMPLE_LOOP_MODE, LOOP);
    plugin->setParameter(tag::SAMPLE_LOOP_START, 0.25f);
    plugin->setParameter(tag::SAMPLE_LOOP_END, 0.75f);
    // Echoes 100 ms (4800 frames) apart, each 0.6 of the one before.
    const float delayTime = static_cast<float>(std::log2(4799.0 / 48.0) / 12.0), feedback = (0.6f + 0.99f) / 1.98f;
    const std::pair<int, float> chain[] = {
        {tag::BYPASS_ALL_FX, 0.0f}, {tag::LOW_FI, 0.0f},         {tag::MOD_FX, 0.0f},
        {tag::REVERB, 0.0f},        {tag::DELAY, 1.0f},          {tag::DELAY_TEMPO_SYNC, 0.0f},
        {tag::DELAY_MIX, 0.5f},     {tag::DELAY_LEFT, delayTime}, {tag::DELAY_RIGHT, delayTime},
        {tag::DELAY_FEED, feedback}, {tag::DELAY_CROSS, 0.5f},   {tag::DELAY_EQUAL_FEEDBACK, 0.0f},
        {tag::DELAY_LOWPASS_FILTER_FREQUENCY, 1.0f}, {tag::DELAY_HIGHPASS_FILTER_FREQUENCY, 0.0f}};
    for (const auto& [tag, value] : chain) plugin->setParameter(tag, value);
    render(*plugin, 512);

    note(*plugin, 57, true);
    const std::vector<float> held = render(*plugin, 24064);
    ASSERT_GT(rms(held, 19200, 4800), 0.05);
    samples(*plugin).updateLoadedSamples();
    const std::vector<float> after = render(*plugin, static_cast<long>(3 * RATE));
    EXPECT_GT(rms(after, 100, 4000), 0.02) << "the echo of the note's last 100 ms";
    EXPECT_GT(rms(after, 4900, 4000), 0.6 * 0.5 * rms(after, 100, 4000)) << "and the next one";
    EXPECT_LT(rms(after, static_cast<std::size_t>(2.5 * RATE), 4800), 1e-4) << "the held key sounds no more";
    EXPECT_TRUE(samples(*plugin).getSampleLoaded()) << "the sample is loaded again";
    note(*plugin, 57, false);
}

// The preview plays the user sample from its start at its own rate, then stops.
TEST_F(SamplePlugin, ThePreviewPlaysTheUserSampleOnce) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    auto plugin = makeSamplePlugin();
    ASSERT_TRUE(samples(*plugin).getSampleLoaded());
    plugin->setParameter(SAMPLE_START, 0.5f);
    samples(*plugin).previewSample();
    const std::vector<float> out = render(*plugin, 8192);
    EXPECT_NEAR(crossingHz(out, 0, WINDOW, RATE), chirpHz(4800 + WINDOW / 2.0), 40.0);
    EXPECT_GT(rms(out, 4000, 600), 0.1);
    EXPECT_LT(rms(out, 4900, 3000), 1e-6) << "it ends with the sample";

    // A file of the list plays without becoming the user sample.
    writeBytes(sampleRoot + "/other.wav", chirpWav(2000));
    samples(*plugin).scanSampleFolder();
    samples(*plugin).previewSampleFromFile(1);
    const std::vector<float> file = render(*plugin, 4096);
    EXPECT_GT(rms(file, 0, 1800), 0.1);
    EXPECT_LT(rms(file, 2100, 1900), 1e-6);
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "chirp");
    samples(*plugin).previewSample();
    samples(*plugin).releasePreviewSample();
    EXPECT_LT(rms(render(*plugin, 1024), 0, 1024), 1e-6) << "released: no preview and no note";
}

}  // namespace
}  // namespace sampleplugin
