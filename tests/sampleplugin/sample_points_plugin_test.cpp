// Where each sample's points lie as the plug-in answers them (and as the
// display texts and the editor's commands take them), and what a user sample
// that cannot be used still does: nothing it would need its frames for.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/sample/SampleBank.h"
#include "sample/bank_manifest.h"
#include "sampleplugin/sample_plugin_support.h"

namespace sampleplugin {
namespace {

constexpr int SAMPLE_VOLUME = 245;

// A mono 16-bit file of the given frames.
samplefiles::Bytes wavOf(const std::vector<std::int16_t>& frames) {
    samplefiles::Bytes data;
    for (std::int16_t x : frames) samplefiles::le(data, static_cast<std::uint16_t>(x), 2);
    return samplefiles::form(true, "WAVE", {samplefiles::fmtChunk(1, 1, 48000, 16), samplefiles::TChunk{"data", data}});
}

void attachBank(APlugin& plugin) { TPluginTestAccess::engine(plugin).setSampleBank(TSampleBank::acquire(KOLBRI_SAMPLE_BANK)); }

const TSampleLoopRow* loopOf(int sample) {
    for (int i = 0; i < SAMPLE_LOOP_COUNT; ++i)
        if (SAMPLE_LOOPS[i].sample == sample) return &SAMPLE_LOOPS[i];
    return nullptr;
}

TEST_F(SamplePlugin, EachSampleAnswersItsOwnPoints) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    auto plugin = makeSamplePlugin();
    ASSERT_TRUE(samples(*plugin).getSampleLoaded());
    attachBank(*plugin);
    const std::vector<ManifestRow> rows = readManifest();
    const ManifestRow *plain = nullptr, *looping = nullptr;
    for (const ManifestRow& row : rows) {
        if (!row.loop && !plain) plain = &row;
        if (row.loop && !looping) looping = &row;
    }
    ASSERT_TRUE(plain && looping);
    const TSampleLoopRow* loop = loopOf(looping->index);
    ASSERT_NE(loop, nullptr);

    // The chirp's length is 9600; its start, loop start and loop end are set
    // to a half, a quarter and three quarters.
    struct Case {
        const char* what;
        int slot;
        int loopMode;
        bool loaded;  // "Sample Loaded"
        double start, loopStart, loopEnd, length;
    } cases[] = {
        {"One Shot plays to the end: both loop points lie there", USER_SAMPLE, ONE_SHOT, true, 4800, 9600, 9600, 9600},
        {"Loop", USER_SAMPLE, LOOP, true, 4800, 2400, 7200, 9600},
        {"Ping Pong", USER_SAMPLE, PING_PONG, true, 4800, 2400, 7200, 9600},
        {"Reverse plays the whole sample too", USER_SAMPLE, REVERSE, true, 4800, 9600, 9600, 9600},
        {"not loaded: no frames", USER_SAMPLE, LOOP, false, 0, 0, 0, 0},
        {"a built-in sample without a loop: its last frame", plain->index, LOOP, true, 0, 0, plain->frames - 1.0,
         plain->frames - 1.0},
        {"a built-in sample with its own loop", looping->index, ONE_SHOT, true, 0, double(loop->loopStart), double(loop->loopEnd),
         looping->frames - 1.0},
        {"no such sample", 195, LOOP, true, 0, 0, 0, 0},
        {"no such sample below", -1, LOOP, true, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        plugin->setSteppedValue(LOOP_MODE, c.loopMode);
        plugin->setParameter(SAMPLE_LOADED, c.loaded ? 1.0f : 0.0f);
        plugin->setParameter(SAMPLE_START, 0.5f);
        plugin->setParameter(LOOP_START, 0.25f);
        plugin->setParameter(LOOP_END, 0.75f);
        EXPECT_NEAR(samples(*plugin).getSampleStart(c.slot), c.start, 0.01);
        EXPECT_NEAR(samples(*plugin).getSampleLoopStart(c.slot), c.loopStart, 0.01);
        EXPECT_NEAR(samples(*plugin).getSampleLoopEnd(c.slot), c.loopEnd, 0.01);
        EXPECT_NEAR(samples(*plugin).getSampleLength(c.slot), c.length, 0.01);
        if (c.slot == USER_SAMPLE) {
            // The display texts count the user sample's frames as the getters do.
            EXPECT_EQ(plugin->getParameterDisplayStr(LOOP_START), "Sample " + std::to_string(int(c.loopStart)));
            EXPECT_EQ(plugin->getParameterDisplayStr(LOOP_END), "Sample " + std::to_string(int(c.loopEnd)));
        }
    }
    plugin->setParameter(SAMPLE_LOADED, 1.0f);

    // Whether the chosen sample loops by itself: never the user sample.
    struct Chosen {
        int sample;
        bool hasLoop;
    } chosen[] = {{plain->index, false}, {looping->index, true}, {USER_SAMPLE, false}};
    plugin->setSteppedValue(LOOP_MODE, LOOP);
    for (const Chosen& c : chosen) {
        plugin->setSteppedValue(SAMPLE_CHOICE, c.sample);
        EXPECT_EQ(samples(*plugin).getSampleHasLoop(), c.hasLoop) << "sample " << c.sample;
    }

    // The loop start's zero-crossing command starts where the loop start
    // lies: in One Shot at the end, so it finds the last crossing before it.
    plugin->setSteppedValue(LOOP_MODE, ONE_SHOT);
    plugin->setParameter(LOOP_END, 1.0f);  // the loop start is held at most at the loop end
    plugin->setParameter(LOOP_START, 0.25f);
    samples(*plugin).setZeroCross(1, -1.0f);
    EXPECT_GT(plugin->getParameter(LOOP_START), 0.99f);
    plugin->setParameter(LOOP_START, 0.25f);
    samples(*plugin).setZeroCross(1, 1.0f);
    EXPECT_EQ(plugin->getParameter(LOOP_START), 0.25f) << "nothing lies after the end";

    // Without the bank a built-in sample has no frames and no loop.
    TPluginTestAccess::engine(*plugin).setSampleBank(nullptr);
    plugin->setSteppedValue(SAMPLE_CHOICE, looping->index);
    EXPECT_EQ(samples(*plugin).getSampleLoopEnd(looping->index), 0.0);
    EXPECT_FALSE(samples(*plugin).getSampleHasLoop());
}

// A user sample that cannot be used: its slot may still hold frames (a
// failed load leaves the last file's), but it is not previewed and its
// points are not written from them.
TEST_F(SamplePlugin, ASampleThatCannotBeUsedIsNotPreviewedNorMeasured) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    writeBytes(sampleRoot + "/damaged.wav", samplefiles::Bytes(20, 7));
    writeBytes(sampleRoot + "/short.wav", chirpWav(99));
    struct Case {
        const char* what;
        std::function<void(APlugin&)> spoil;
        bool pointsKept;  // the loop points and the volume stay as they were
    } cases[] = {
        {"a load that failed", [](APlugin& p) { samples(p).loadSelectedSample(1); }, true},
        {"Sample Loaded off", [](APlugin& p) { p.setParameter(SAMPLE_LOADED, 0.0f); }, true},
        // Usable, so its points follow the file; too short to be played or previewed.
        {"a sample under 100 frames", [](APlugin& p) { samples(p).loadSelectedSample(2); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto plugin = makeSamplePlugin();
        ASSERT_EQ(samples(*plugin).getSampleNoDisplayNameStr(1), "damaged.wav");
        ASSERT_EQ(samples(*plugin).getSampleNoDisplayNameStr(2), "short.wav");
        c.spoil(*plugin);
        plugin->setSteppedValue(LOOP_MODE, LOOP);
        plugin->setParameter(LOOP_START, 0.3f);
        plugin->setParameter(LOOP_END, 0.6f);
        plugin->setParameter(SAMPLE_VOLUME, 0.5f);

        samples(*plugin).previewSample();
        EXPECT_LT(rms(render(*plugin, 4096), 0, 4096), 1e-6) << "nothing to preview";
        samples(*plugin).setSamplePositions(1);
        samples(*plugin).setSamplePositions(2);
        samples(*plugin).normalizeSampleVol();
        EXPECT_EQ(plugin->getParameter(LOOP_START) == 0.3f, c.pointsKept);
        EXPECT_EQ(plugin->getParameter(LOOP_END) == 0.6f, c.pointsKept);
        EXPECT_EQ(plugin->getParameter(SAMPLE_VOLUME) == 0.5f, c.pointsKept);
    }
}

// The volume that brings the loudest frame heard to 0 dB. The last frame is
// never read (reads end at the last pair of frames), so it does not count.
TEST_F(SamplePlugin, NormalisingBringsThePeakHeardTo0dB) {
    std::vector<std::int16_t> halfPeak(400, 1000), silent(400, 0);
    halfPeak[123] = -16384;
    halfPeak.back() = 32000;
    writeBytes(sampleRoot + "/half.wav", wavOf(halfPeak));
    writeBytes(sampleRoot + "/silent.wav", wavOf(silent));
    struct Case {
        const char* file;
        float volume;
    } cases[] = {
        {"half.wav", static_cast<float>((20.0 * std::log10(2.0) + 40.0) / 80.0)},  // about 0.5753
        {"silent.wav", 1.0f},  // a peak of 0.001 asks for +60 dB, held at +40
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto plugin = makeSamplePlugin(c.file);
        ASSERT_TRUE(samples(*plugin).getSampleLoaded());
        samples(*plugin).normalizeSampleVol();
        EXPECT_NEAR(plugin->getParameter(SAMPLE_VOLUME), c.volume, 1e-5f);
    }
}

}  // namespace
}  // namespace sampleplugin
