// Values written from one thread while the audio thread renders and a third
// reads names and display texts: every shared value is an atomic, so a
// ThreadSanitizer build reports nothing, and no reader sees a torn value.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plugin/uPlugin.h"
#include "plugin_test_access.h"

namespace {

// Tags that a host automates while playing: levels, the filter, the Mod FX mode
// (which renames five parameters), steps, switches. The program trigger is left
// out: applying a program is a separate hand-off.
constexpr int WRITTEN_TAGS[] = {1, 3, 5, 11, 14, 15, 19, 27, 28, 31, 41, 42, 63, 64, 82, 85, 86, 89, 94, 119, 245};

float valueFor(int round, int tag) { return static_cast<float>((round * 37 + tag * 11) % 101) / 100.0f; }

TEST(ParamsThreads, WritesDuringRenderingAndTextReadsAreClean) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(256);
    plugin->resume();

    // The host automates until the audio thread has rendered enough blocks for
    // the three threads to overlap many times over.
    constexpr int BLOCKS = 200;
    constexpr int ROUNDS = 100;
    std::atomic<bool> writing{true};
    std::atomic<int> lastRound{-1};
    std::thread automation([&] {
        for (int round = 0; writing.load(); ++round) {
            for (int tag : WRITTEN_TAGS) plugin->setParameter(tag, valueFor(round, tag));
            lastRound = round;
        }
    });

    std::atomic<bool> reading{true};
    std::atomic<int> textsRead{0};
    std::thread editor([&] {
        while (reading.load()) {
            for (int tag : WRITTEN_TAGS) {
                const std::string name = plugin->getParameterNameStr(tag);
                const std::string text = plugin->getParameterDisplayStr(tag);
                EXPECT_FALSE(name.empty()) << tag;
                EXPECT_FALSE(text.empty()) << tag;
                ++textsRead;
            }
        }
    });

    std::vector<float> left(256), right(256), inLeft(256), inRight(256);
    float* outputs[2] = {left.data(), right.data()};
    float* inputs[2] = {inLeft.data(), inRight.data()};
    for (int block = 0; block < BLOCKS || lastRound.load() < ROUNDS || textsRead.load() < 1000; ++block) {
        plugin->processReplacing(inputs, outputs, 256);
        for (int i = 0; i < 256; ++i) ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i]));
    }
    writing = false;
    automation.join();
    reading = false;
    editor.join();

    ASSERT_GE(lastRound.load(), ROUNDS);
    EXPECT_GT(textsRead.load(), 0);
    // Every tag holds the last value written to it, in every array.
    for (int tag : WRITTEN_TAGS) {
        float expected = valueFor(lastRound.load(), tag);
        if (TPluginTestAccess::attr(*plugin).isOnOff[tag]) expected = expected < 0.5f ? 0.0f : 1.0f;
        EXPECT_FLOAT_EQ(plugin->getParameter(tag), expected) << tag;
        EXPECT_FLOAT_EQ(TPluginTestAccess::values(*plugin).curValue[tag], expected) << tag;
        EXPECT_FLOAT_EQ(TPluginTestAccess::values(*plugin).editValue[tag], expected) << tag;
    }
}

}  // namespace
