// Chunks arriving from a host thread while the audio thread applies programs:
// the last chunk is the sound in the end, never a mix of two, and a
// ThreadSanitizer build reports nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "plugin/uPlugin.h"
#include "tests/plugin/reaper_host_callback.h"
#include "plugin_test_access.h"

namespace {

// Every tag holds the same value, so a record half of one chunk and half of
// another shows at once.
std::vector<unsigned char> uniformChunk(float value) {
    std::vector<unsigned char> bytes(sizeof(TProgram), 0);
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag) std::memcpy(bytes.data() + tag * 4, &value, 4);
    return bytes;
}

TEST(ProgramThreads, TheLastChunkIsTheSoundWhateverTheApplicationWasDoing) {
    auto plugin = std::make_unique<APlugin>(reaperHostCallback);
    plugin->setSampleRate(48000.0f);
    plugin->resume();
    constexpr float FIRST = 0.25f, SECOND = 0.625f;
    const std::vector<unsigned char> chunks[2] = {uniformChunk(FIRST), uniformChunk(SECOND)};
    std::atomic<bool> hostDone{false};

    std::thread host([&] {
        for (int n = 0; n < 400; ++n) {
            plugin->dispatcher(vst::effSetChunk, 0, static_cast<vst::intptr>(sizeof(TProgram)),
                               const_cast<unsigned char*>(chunks[n % 2].data()), 0);
            std::this_thread::yield();
        }
        hostDone = true;
    });
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    while (!hostDone) plugin->processReplacing(nullptr, outputs, 64);
    host.join();
    for (int b = 0; b < 4 * 4096 / 64; ++b) plugin->processReplacing(nullptr, outputs, 64);

    ASSERT_FALSE(plugin->getIsSettingPreset());
    const TParameterValues& values = TPluginTestAccess::values(*plugin);
    // Tags the application holds (switches, the spring's ribbon) aside, every
    // current value is the last chunk's.
    int fromTheFirst = 0;
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        if (values.curValue[static_cast<std::size_t>(tag)] == FIRST) ++fromTheFirst;
    EXPECT_EQ(fromTheFirst, 0) << "nothing of the chunk before the last stays";
    EXPECT_FLOAT_EQ(values.curValue[1], SECOND);
    EXPECT_FLOAT_EQ(values.origValue[500], SECOND);
}

}  // namespace
