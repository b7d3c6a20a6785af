// The built-in bank as the plug-in plays it: loaded from the bundle by the
// library a host loads, every tonal sample at 110 Hz on note 57, offsets and
// reverse on the built-in samples, lengths in the display texts; and a
// plug-in without the bank, which reports it and keeps the user sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/sample/SampleBank.h"
#include "sample/bank_manifest.h"
#include "sampleplugin/sample_plugin_support.h"

namespace sampleplugin {
namespace {

using audiomeasure::stepValue;

audiomeasure::Patch builtIn(int sample, audiomeasure::Patch more = {}) {
    audiomeasure::Patch patch = {{SOURCE_MODE, stepValue(SOURCE_MODE, SOURCE_SAMPLE)},
                                 {SAMPLE_CHOICE, stepValue(SAMPLE_CHOICE, sample)}};
    patch.insert(patch.end(), more.begin(), more.end());
    return patch;
}

// At 44.1 kHz, so that the bank's 48 kHz is converted too.
TEST(BuiltInSamples, TonalSamplesPlay110HzAtNote57ThroughThePlugin) {
    testhost::HostConfig config;
    config.sampleRate = 44100;
    testhost::Host host(config);
    int tonal = 0;
    for (const ManifestRow& row : readManifest()) {
        if (row.f0 <= 0) continue;
        SCOPED_TRACE(row.name + " (" + row.kind + ")");
        ++tonal;
        auto plugin = audiomeasure::loadVoice(host, builtIn(row.index));
        ASSERT_TRUE(plugin);
        // Long enough to average the ensembles' and voices' slow vibrato.
        const double seconds = row.loop ? 1.5 : std::min(1.5, 0.95 * row.frames / (48000.0 * row.pitchFactor));
        const audiomeasure::Samples out = audiomeasure::holdNote(*plugin, 57, seconds);
        const double hz =
            audiomeasure::peakFrequency(audiomeasure::slice(out, config.sampleRate, 0.05, seconds), config.sampleRate,
                                        95.0, 125.0);
        EXPECT_NEAR(audiomeasure::cents(hz, 110.0), 0.0, 5.0) << hz << " Hz";
    }
    EXPECT_GT(tonal, 40);
}

// A one-shot built-in sample: the offset starts it later (it ends sooner),
// reverse plays it from its end, and a negative modulated offset reads
// nothing before it.
TEST(BuiltInSamples, OffsetAndReverseMoveWhereASampleIsRead) {
    const std::vector<ManifestRow> rows = readManifest();
    // The longest one-shot with a steady pitch: its length is clear in the sound.
    const ManifestRow* chosen = nullptr;
    for (const ManifestRow& row : rows)
        if (row.f0 > 0 && !row.loop && (!chosen || row.frames > chosen->frames)) chosen = &row;
    ASSERT_NE(chosen, nullptr);
    const double seconds = chosen->frames / (48000.0 * chosen->pitchFactor);
    SCOPED_TRACE(chosen->name);
    testhost::Host host;
    constexpr int BYPASS_ALL_FX = 76;  // no effect tails after the sample
    struct Case {
        const char* what;
        audiomeasure::Patch patch;
        double heardFraction;  // of the sample's length
    } cases[] = {
        {"plain", {}, 1.0},
        {"offset by half", {{SAMPLE_OFFSET, 0.5f}}, 0.5},
        {"reversed", {{SAMPLE_REVERSE, 1.0f}}, 1.0},
        {"a negative offset", audiomeasure::offsetRoute(0, OFFSET_DESTINATION, -1.0f), 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        audiomeasure::Patch patch = c.patch;
        patch.emplace_back(BYPASS_ALL_FX, 1.0f);
        auto plugin = audiomeasure::loadVoice(host, builtIn(chosen->index, patch));
        ASSERT_TRUE(plugin);
        const audiomeasure::Samples out = audiomeasure::holdNote(*plugin, 57, seconds + 0.3);
        for (float x : out) ASSERT_TRUE(std::isfinite(x));
        const auto at = [&](double s) { return static_cast<std::size_t>(s * 48000.0); };
        const double end = c.heardFraction * seconds;
        // Only the DC blocker's settling follows the last frame read.
        const double before = rms(out, at(end - 0.06), at(0.04));
        EXPECT_GT(before, 1e-4) << "still sounding just before its end";
        EXPECT_LT(rms(out, at(end + 0.05), at(0.1)), 0.1 * before) << "silent after it";
        EXPECT_GT(rms(out, at(end - 0.3), at(0.04)), 1e-4) << "sounding earlier";
    }
}

TEST(BuiltInSamples, TheDisplayCountsTheChosenSamplesFrames) {
    const std::vector<ManifestRow> rows = readManifest();
    testhost::Host host;
    auto plugin = host.load(KOLBRI_SO_PATH);
    ASSERT_TRUE(plugin);
    for (int sample : {0, 57, 193}) {
        plugin->setParameter(SAMPLE_CHOICE, stepValue(SAMPLE_CHOICE, sample));
        plugin->setParameter(SAMPLE_OFFSET, 1.0f);
        EXPECT_EQ(plugin->parameterDisplay(SAMPLE_OFFSET), std::to_string(rows[sample].frames - 1));
    }
}

// The test program has no bundle beside it: no bank.
TEST_F(SamplePlugin, WithoutTheBankBuiltInSamplesAreSilentAndTheUserSamplePlays) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    auto plugin = makeSamplePlugin();
    EXPECT_EQ(samples(*plugin).getSampleBankProblemStr(), SAMPLE_BANK_PROBLEM_TEXT);
    EXPECT_TRUE(takeMessages().empty()) << "no box while a host may be scanning";
    EXPECT_GT(rms(playNote(*plugin, 57, 4800), 1000, 2000), 0.1);
    plugin->setSteppedValue(SAMPLE_CHOICE, 3);
    render(*plugin, 512);
    EXPECT_LT(rms(playNote(*plugin, 57, 4800), 0, 4800), 1e-6);
    EXPECT_EQ(samples(*plugin).getSampleLength(3), 0.0);
}

}  // namespace
}  // namespace sampleplugin
