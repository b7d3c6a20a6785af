// The state chunk as the recognised hosts save and restore it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tools/testhost/TestHost.h"

using namespace vst;

namespace {

constexpr int CHUNK_BYTES = 4128;
constexpr int NAME_OFFSET = 4096;

std::unique_ptr<testhost::Plugin> loadAs(const char* product, const char* vendor) {
    testhost::HostConfig config;
    config.productString = product;
    config.vendorString = vendor;
    auto plugin = testhost::Host(config).load(KOLBRI_SO_PATH);
    EXPECT_TRUE(plugin) << testhost::Host::lastError();
    return plugin;
}

std::vector<unsigned char> record(float fill, const char* name) {
    std::vector<unsigned char> bytes(CHUNK_BYTES, 0);
    for (int tag = 0; tag < 1024; ++tag) {
        const float value = tag == 1022 ? 0.0f : fill;
        std::memcpy(bytes.data() + tag * 4, &value, 4);
    }
    std::memcpy(bytes.data() + NAME_OFFSET, name, std::strlen(name) + 1);
    return bytes;
}

std::vector<unsigned char> getChunk(testhost::Plugin& plugin, bool program) {
    void* data = nullptr;
    const intptr size = plugin.dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

TEST(Chunk, WhichHostsGetWhichChunks) {
    struct Case {
        const char* product;
        const char* vendor;
        bool bank, program;
    } cases[] = {
        {"Ardour", "", false, false},   {"Kore Player", "", false, false}, {"Maschine 2", "", true, false},
        {"REAPER", "", true, false},    {"orvstudio", "", true, false},    {"Studio", "Propellerhead", true, true},
        {"REAPER", "Propellerhead", true, true},
    };
    for (const Case& c : cases) {
        auto plugin = loadAs(c.product, c.vendor);
        ASSERT_TRUE(plugin);
        EXPECT_EQ(getChunk(*plugin, false).size(), c.bank ? size_t{CHUNK_BYTES} : 0u) << c.product << " bank";
        EXPECT_EQ(getChunk(*plugin, true).size(), c.program ? size_t{CHUNK_BYTES} : 0u) << c.product << " program";
    }
}

// A chunk host gets back the bytes it set, and they become the sound; an
// ordinary host's chunk is taken and has no effect.
TEST(Chunk, ARestoredChunkComesBackByteForByteAndBecomesTheSound) {
    struct Case {
        const char* product;
        const char* vendor;
        bool program, restored;
    } cases[] = {{"REAPER", "", false, true}, {"REAPER", "Propellerhead", true, true}, {"Ardour", "", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.product) + " / " + c.vendor);
        auto plugin = loadAs(c.product, c.vendor);
        ASSERT_TRUE(plugin);
        const float before = plugin->getParameter(1);
        std::vector<unsigned char> saved = record(0.25f, "A name of thirty-one characters");
        ASSERT_EQ(std::strlen("A name of thirty-one characters"), 31u);
        EXPECT_EQ(plugin->dispatch(effSetChunk, c.program ? 1 : 0, CHUNK_BYTES, saved.data()), 1);
        const std::vector<unsigned char> back = getChunk(*plugin, c.program);
        plugin->render(4096 + 64);  // the audio thread applies the loaded program
        if (!c.restored) {
            EXPECT_FLOAT_EQ(plugin->getParameter(1), before);
            continue;
        }
        EXPECT_EQ(back, saved);
        for (int tag : {1, 27, 500, 1000}) EXPECT_FLOAT_EQ(plugin->getParameter(tag), 0.25f) << tag;
    }
}

TEST(Chunk, BadChunksAreRefusedOrMadeSafe) {
    auto plugin = loadAs("REAPER", "");
    ASSERT_TRUE(plugin);
    plugin->render(4096 + 64);
    const float before = plugin->getParameter(1);

    // Too short to be a record: reading it would run past its end.
    std::vector<unsigned char> shortChunk(100, 0x3f);
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, static_cast<intptr>(shortChunk.size()), shortChunk.data()), 1);
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, CHUNK_BYTES, nullptr), 0) << "no data, nothing read";
    plugin->render(4096);
    EXPECT_FLOAT_EQ(plugin->getParameter(1), before);

    // Garbage values and a name without its terminator.
    std::vector<unsigned char> garbage(CHUNK_BYTES);
    const float values[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -7.0f,
                            42.0f, 0.5f};
    for (int tag = 0; tag < 1024; ++tag) std::memcpy(garbage.data() + tag * 4, &values[tag % 5], 4);
    std::memset(garbage.data() + NAME_OFFSET, 'N', 32);
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, CHUNK_BYTES, garbage.data()), 1);
    plugin->noteOn(plugin->framesRendered() + 5000, 60, 100);
    const testhost::Stereo out = plugin->render(3 * 4096);
    EXPECT_TRUE(testhost::measure(out).finite);
    EXPECT_LE(testhost::measure(out).peak, 0.99f);
    for (int tag = 0; tag < 1024; ++tag) {
        const float value = plugin->getParameter(tag);
        ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << "tag " << tag << " reads " << value;
    }
    const std::vector<unsigned char> back = getChunk(*plugin, false);
    ASSERT_EQ(back.size(), size_t{CHUNK_BYTES});
    EXPECT_EQ(back[NAME_OFFSET + 31], 0) << "the name is terminated within its 32 bytes";
}

}  // namespace
