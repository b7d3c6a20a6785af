// The state chunk as the recognised hosts save and restore it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/ParameterModel.h"
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
        {"Ardour", "", false, false},   {"Kore Player", "", true, false}, {"Maschine 2", "", true, false},
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

// The hosts as they name themselves, one of each kind the plug-in tells
// apart: whether they exchange chunks at all, and program (rather than bank) ones.
const struct HostKind {
    const char* kind;
    const char* product;
    const char* vendor;
    bool chunks, programChunk;
} HOST_KINDS[] = {
    {"plain", "Ardour", "Ardour community", false, false},
    {"REAPER", "REAPER", "Cockos", true, false},
    {"own host", "ORVSTUDIO", "Orventa", true, false},
    {"PROP", "Reason", "Propellerhead Software", true, true},
    {"PROP bank", "Reason", "Propellerhead Software", true, false},
    {"NKS", "Komplete Kontrol", "Native Instruments", true, false},
    {"NKS", "Maschine 2", "Native Instruments", true, false},
    {"KORE", "Kore Player", "Native Instruments", true, false},
};

// What a host saved of a sound of the plug-in's own making: every parameter
// moved as a host or the editor would, then applied (a springing ribbon goes
// to its rest), so that what it hands out is what it plays. A plain host
// saves the parameters one by one, in the same layout.
std::vector<unsigned char> savedState(const HostKind& kind, testhost::Plugin& maker, char* name) {
    unsigned seed = 7u + static_cast<unsigned>(kind.programChunk);
    for (int tag = 0; tag < 1024; ++tag) {
        if (tag == PRESET_APPLY_TAG) continue;
        seed = seed * 1664525u + 1013904223u;
        maker.setParameter(tag, static_cast<float>(seed >> 8) / 16777216.0f);
    }
    maker.dispatch(effSetProgramName, 0, 0, name);
    maker.setParameter(PRESET_APPLY_TAG, 0.0f);
    maker.render(2 * 4096 + 64);
    if (kind.chunks) return getChunk(maker, kind.programChunk);
    std::vector<unsigned char> state = record(0.0f, name);
    for (int tag = 0; tag < 1024; ++tag) {
        const float value = maker.getParameter(tag);
        std::memcpy(state.data() + tag * 4, &value, 4);
    }
    return state;
}

TEST(Chunk, RoundTripPerHostKind) {
    for (const HostKind& kind : HOST_KINDS) {
        SCOPED_TRACE(std::string(kind.kind) + ": " + kind.product);
        char name[] = "Glass Riser 23";
        auto maker = loadAs(kind.product, kind.vendor);
        ASSERT_TRUE(maker);
        const std::vector<unsigned char> saved = savedState(kind, *maker, name);
        ASSERT_EQ(saved.size(), size_t{CHUNK_BYTES});
        EXPECT_STREQ(reinterpret_cast<const char*>(saved.data() + NAME_OFFSET), name);

        auto plugin = loadAs(kind.product, kind.vendor);
        ASSERT_TRUE(plugin);
        plugin->render(4096);
        if (kind.chunks) {
            EXPECT_EQ(plugin->dispatch(effSetChunk, kind.programChunk ? 1 : 0, CHUNK_BYTES,
                                       const_cast<unsigned char*>(saved.data())),
                      1);
        } else {
            for (int tag = 0; tag < 1024; ++tag) {
                float value;
                std::memcpy(&value, saved.data() + tag * 4, 4);
                plugin->setParameter(tag, value);
            }
            plugin->dispatch(effSetProgramName, 0, 0, name);
        }
        plugin->render(2 * 4096 + 64);
        int differing = 0;
        for (int tag = 0; tag < 1024; ++tag) {
            float expected;
            std::memcpy(&expected, saved.data() + tag * 4, 4);
            if (plugin->getParameter(tag) != expected) ++differing;
        }
        EXPECT_EQ(differing, 0) << "every parameter comes back exactly";
        EXPECT_EQ(plugin->programName(), name);
        if (kind.chunks) {
            EXPECT_EQ(getChunk(*plugin, kind.programChunk), saved);
        }
    }
}

TEST(Chunk, ALongerChunkIsReadAsFarAsARecordGoes) {
    auto plugin = loadAs("REAPER", "");
    ASSERT_TRUE(plugin);
    std::vector<unsigned char> longer = record(0.375f, "Longer");
    longer.resize(5000, 0xff);
    EXPECT_EQ(plugin->dispatch(effSetChunk, 0, static_cast<intptr>(longer.size()), longer.data()), 1);
    const std::vector<unsigned char> back = getChunk(*plugin, false);
    longer.resize(CHUNK_BYTES);
    EXPECT_EQ(back, longer);
    plugin->render(2 * 4096 + 64);
    EXPECT_FLOAT_EQ(plugin->getParameter(1), 0.375f);
    EXPECT_EQ(plugin->programName(), "Longer");
}

// Mutated chunks of every size the host could pass: the plug-in keeps
// running, every parameter stays in 0..1 and the output finite. The long run
// is the chunk fuzz target (tests/fuzz/).
TEST(Chunk, MutatedChunksLeaveThePluginPlaying) {
    constexpr int CHUNKS = 100000;
    constexpr int APPLY_EVERY = 2500;  // a render that applies the last one, with a note
    auto plugin = loadAs("REAPER", "");
    ASSERT_TRUE(plugin);
    std::vector<unsigned char> base = record(0.5f, "Base");
    unsigned seed = 12345u;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::infinity(), 1e30f, -1e30f, 1.0000001f, -0.0f,
                              std::numeric_limits<float>::denorm_min()};
    const std::size_t sizes[] = {0, 1, 4127, 4128, 5000};
    std::vector<unsigned char> chunk;
    for (int n = 0; n < CHUNKS; ++n) {
        chunk = base;
        chunk.resize(5000, static_cast<unsigned char>(n));
        switch (next() % 4) {
        case 0:  // random bytes anywhere
            for (int k = next() % 64; k >= 0; --k) chunk[next() % chunk.size()] = static_cast<unsigned char>(next());
            break;
        case 1:  // values no parameter holds
            for (int k = next() % 32; k >= 0; --k)
                std::memcpy(chunk.data() + (next() % 1024) * 4, &specials[next() % std::size(specials)], 4);
            break;
        case 2:  // a name without its zero
            std::memset(chunk.data() + NAME_OFFSET, 'A' + static_cast<int>(next() % 26), 32);
            break;
        default:  // all of it random
            for (unsigned char& byte : chunk) byte = static_cast<unsigned char>(next());
            break;
        }
        const std::size_t size = sizes[next() % std::size(sizes)];
        plugin->dispatch(effSetChunk, 0, static_cast<intptr>(size), size ? chunk.data() : nullptr);
        const std::vector<unsigned char> back = getChunk(*plugin, false);
        ASSERT_EQ(back.size(), size_t{CHUNK_BYTES});
        ASSERT_EQ(back[NAME_OFFSET + 31], 0) << "chunk " << n;
        if (n % APPLY_EVERY == APPLY_EVERY - 1) {
            plugin->noteOn(plugin->framesRendered() + 4200, 48 + n % 24, 100);
            const testhost::Stereo out = plugin->render(3 * 4096);
            ASSERT_TRUE(testhost::measure(out).finite) << "chunk " << n;
            const std::vector<unsigned char> applied = getChunk(*plugin, false);
            for (int tag = 0; tag < 1024; ++tag) {
                float value;
                std::memcpy(&value, applied.data() + tag * 4, 4);
                ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << "chunk " << n << ": the applied record holds " << value;
            }
            for (int tag = 0; tag < 1024; ++tag) {
                const float value = plugin->getParameter(tag);
                ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << "chunk " << n << ", tag " << tag << " reads " << value;
            }
            ASSERT_LE(plugin->programName().size(), 23u);
        }
    }
}

}  // namespace
