// The host drives a plug-in that is not ours: Debian's amsynth, when it is
// installed. Notes must sound from the frame they were sent at, across block
// edges, and stop after their note-off. Skips itself when amsynth is absent.
// amsynth keeps its settings and a default bank in the XDG folders of the
// home it finds, when they exist: the process's own (tests/test_environment.cpp),
// where they do not, so it writes nothing, and never the user's.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "tools/testhost/TestHost.h"

// amsynth keeps a few allocations past its close; they are its own, not the
// host's. The library stays mapped (see below) so that the leak report can
// name it and this suppression applies.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:amsynth_vst.so\n";
}

namespace {

const char* const kAmsynthPath = "/usr/lib/vst/amsynth_vst.so";

bool amsynthPresent() {
    if (access(kAmsynthPath, R_OK) != 0) return false;
    // One reference for the life of the process (see the suppression above).
    static void* keepMapped = dlopen(kAmsynthPath, RTLD_NOW | RTLD_LOCAL);
    return keepMapped != nullptr;
}

long firstFrameAbove(const testhost::Stereo& audio, float threshold, long from = 0) {
    for (long i = from; i < audio.frames(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (std::fabs(audio.left[index]) > threshold || std::fabs(audio.right[index]) > threshold) return i;
    }
    return -1;
}

}  // namespace

TEST(ForeignPlugin, AmsynthSoundsFromTheFrameOfEachNote) {
    if (!amsynthPresent()) GTEST_SKIP() << kAmsynthPath << " is not installed";

    struct Case {
        const char* why;
        int blockSize;
        long noteFrame;
    };
    const std::vector<Case> cases = {
        {"inside the first block", 256, 100},
        {"on a block edge", 256, 2560},
        {"one frame before a block edge", 256, 2559},
        {"in an odd-sized block", 333, 5000},
    };
    const float threshold = 1e-4f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        testhost::HostConfig config;
        config.sampleRate = 44100;
        config.blockSize = c.blockSize;
        testhost::Host host(config);
        auto plugin = host.load(kAmsynthPath);
        ASSERT_NE(plugin, nullptr) << testhost::Host::lastError();
        EXPECT_EQ(testhost::fourCharText(plugin->effect()->uniqueID), "amsy");

        const long noteLength = 22050;
        plugin->noteOn(c.noteFrame, 69, 110);
        plugin->noteOff(c.noteFrame + noteLength, 69);
        const testhost::Stereo audio = plugin->render(c.noteFrame + noteLength + 4 * 44100);
        ASSERT_TRUE(testhost::measure(audio).finite);

        // Silence before the note; sound within a couple of milliseconds of it.
        const long onset = firstFrameAbove(audio, threshold);
        ASSERT_GE(onset, 0) << "no sound at all";
        EXPECT_GE(onset, c.noteFrame);
        EXPECT_LE(onset, c.noteFrame + 88);
        const testhost::Levels held = testhost::measure(audio, c.noteFrame + 4410, c.noteFrame + noteLength);
        EXPECT_GT(held.rms, 0.01);
        // Released: the last second is (nearly) silent again.
        const testhost::Levels tail = testhost::measure(audio, audio.frames() - 44100);
        EXPECT_LT(tail.peak, 1e-3f);
    }
}

TEST(ForeignPlugin, AmsynthTimingModeReportsCpuPerAudioSecond) {
    if (!amsynthPresent()) GTEST_SKIP() << kAmsynthPath << " is not installed";
    testhost::Host host;
    auto plugin = host.load(kAmsynthPath);
    ASSERT_NE(plugin, nullptr) << testhost::Host::lastError();
    testhost::TimingOptions options;
    options.notes = 4;
    options.seconds = 1;
    const testhost::TimingResult result = testhost::measureTiming(*plugin, options);
    EXPECT_DOUBLE_EQ(result.audioSeconds, 1.0);
    EXPECT_GT(result.cpuSeconds, 0.0);  // four voices cost something on any machine
    EXPECT_GT(result.levels.rms, 0.01);
    EXPECT_TRUE(result.levels.finite);
}
