// Chunks arriving from a host thread while the audio thread applies programs:
// the last chunk is the sound in the end, never a mix of two, and a
// ThreadSanitizer build reports nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plugin/BuiltinPrograms.h"
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
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        EXPECT_NE(values.curValue[static_cast<std::size_t>(tag)], FIRST)
            << "tag " << tag << " keeps the chunk before the last";
    EXPECT_FLOAT_EQ(values.curValue[1], SECOND);
    EXPECT_FLOAT_EQ(values.origValue[500], SECOND);
}

// A host thread renames the program and another loads chunks with names of
// their own while a third reads the name as hosts do: every name read is one
// that was written, whole.
TEST(ProgramThreads, TheProgramsNameIsReadWholeWhileOtherThreadsRenameIt) {
    auto plugin = std::make_unique<APlugin>(reaperHostCallback);
    const std::string renamed[] = {std::string(23, 'A'), "Bb"};
    const std::string chunkName(31, 'C');
    std::vector<unsigned char> chunk = uniformChunk(0.5f);
    std::memcpy(chunk.data() + PARAMETER_COUNT * sizeof(float), chunkName.c_str(), chunkName.size() + 1);
    plugin->dispatcher(vst::effSetProgramName, 0, 0, const_cast<char*>(renamed[0].c_str()), 0);

    constexpr int READS = 3000;
    std::atomic<bool> reading{true};
    std::thread renaming([&] {
        for (int n = 0; reading.load() || n < 200; ++n)
            plugin->dispatcher(vst::effSetProgramName, 0, 0, const_cast<char*>(renamed[n % 2].c_str()), 0);
    });
    std::thread loading([&] {
        for (int n = 0; reading.load() || n < 200; ++n)
            plugin->dispatcher(vst::effSetChunk, 0, static_cast<vst::intptr>(chunk.size()), chunk.data(), 0);
    });
    int torn = 0;
    for (int n = 0; n < READS; ++n) {
        char name[64] = {};
        plugin->dispatcher(vst::effGetProgramName, 0, 0, name, 0);
        const std::string host = name;
        if (host != renamed[0] && host != renamed[1] && host != chunkName.substr(0, 23)) ++torn;
        void* data = nullptr;
        if (plugin->dispatcher(vst::effGetChunk, 0, 0, &data, 0) != static_cast<vst::intptr>(sizeof(TProgram))) {
            ++torn;
            continue;
        }
        const std::string saved = static_cast<const char*>(data) + PARAMETER_COUNT * sizeof(float);
        if (saved != renamed[0] && saved != renamed[1] && saved != chunkName) ++torn;
    }
    reading = false;
    renaming.join();
    loading.join();
    EXPECT_EQ(torn, 0) << "names read half of one and half of another";
}

// The host asks for and reads the program number while the editor picks
// programs during applications, which the audio thread then requests itself:
// every thread writes or reads the number, and a ThreadSanitizer build
// reports nothing.
TEST(ProgramThreads, TheProgramNumberIsWrittenAndReadOnEveryThread) {
    auto plugin = std::make_unique<APlugin>(reaperHostCallback);
    plugin->setSampleRate(48000.0f);
    std::atomic<bool> playing{true};
    std::atomic<int> notZero{0};
    std::thread host([&] {
        while (playing.load()) {
            plugin->dispatcher(vst::effSetProgram, 0, 0, nullptr, 0);
            if (plugin->dispatcher(vst::effGetProgram, 0, 0, nullptr, 0) != 0) notZero.fetch_add(1);
            std::this_thread::yield();
        }
    });
    std::thread editor([&] {
        for (int n = 0; playing.load(); ++n) {
            plugin->setDemoProgram(n % BUILTIN_PROGRAM_COUNT);
            std::this_thread::yield();
        }
    });
    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < 40 * 4096 / 256; ++b) plugin->processReplacing(nullptr, outputs, 256);
    playing = false;
    host.join();
    editor.join();
    EXPECT_EQ(notZero.load(), 0);
    EXPECT_EQ(plugin->getProgram(), 0);
}

}  // namespace
