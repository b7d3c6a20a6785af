// The user sample replaced, reloaded (its voices stopped) and renamed by
// programs from the editor's thread and the plug-in's background thread while
// the audio thread plays notes on it (run under ThreadSanitizer in CI).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "sampleplugin/sample_plugin_support.h"

namespace sampleplugin {
namespace {

TEST_F(SamplePlugin, ThreadsReloadTheUserSampleWhileNotesPlay) {
    writeBytes(sampleRoot + "/a.wav", chirpWav());
    writeBytes(sampleRoot + "/b.wav", chirpWav(4000, 44100));
    auto plugin = makeSamplePlugin("a.wav");
    ASSERT_TRUE(samples(*plugin).getSampleLoaded());
    plugin->setSteppedValue(LOOP_MODE, LOOP);
    plugin->resume();  // the background thread from here on

    std::atomic<bool> done{false};
    std::atomic<int> blocks{0}, badValues{0};
    std::thread audio([&] {
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        int key = 40;
        while (!done.load()) {
            if (blocks.load() % 8 == 0) note(*plugin, key = 40 + (key - 39) % 40, true);
            plugin->processReplacing(nullptr, outputs, 256);
            for (int i = 0; i < 256; ++i)
                if (!std::isfinite(left[i]) || !std::isfinite(right[i]) || std::fabs(left[i]) > 8.0f) ++badValues;
            blocks.fetch_add(1);
        }
    });

    for (int round = 0; round < 60; ++round) {
        switch (round % 6) {
        case 0: samples(*plugin).loadSelectedSample(round % 2); break;
        case 1: samples(*plugin).reloadSample(); break;
        case 2: plugin->setProgram(0); break;  // applied by the audio thread, loaded by the background thread
        case 3: samples(*plugin).changeSampleDelta(1); break;
        case 4: samples(*plugin).updateLoadedSamples(); break;  // the voices stop at the next block
        default: samples(*plugin).previewSampleFromFile(0); samples(*plugin).releasePreviewSample(); break;
        }
        float l, r;
        samples(*plugin).getSampleDisplayValue(100.0f, l, r);
        EXPECT_TRUE(std::isfinite(l) && std::isfinite(r));
        (void)samples(*plugin).getLoadedSampleDisplayNameStr();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const int seen = blocks.load();
    while (blocks.load() < seen + 20) std::this_thread::yield();
    done.store(true);
    audio.join();

    EXPECT_EQ(badValues.load(), 0);
    // Whatever came last, a sample is loaded again and nothing old is left behind.
    TPluginTestAccess::worker(*plugin).runPassNow();
    EXPECT_TRUE(samples(*plugin).getSampleLoaded());
    EXPECT_EQ(samples(*plugin).getBadSampleStr(), "!");
}

}  // namespace
}  // namespace sampleplugin
