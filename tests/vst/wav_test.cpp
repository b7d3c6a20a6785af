// The test host's WAV files: what it writes reads back exactly; the common
// encodings read correctly; malformed files are refused without a crash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/testhost/TestHost.h"

namespace {

std::string temporaryPath(const std::string& name) {
    return ::testing::TempDir() + "/testhost_" + std::to_string(getpid()) + "_" + name;
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void add16(std::vector<unsigned char>& b, std::uint32_t v) {
    b.push_back(v & 0xff);
    b.push_back((v >> 8) & 0xff);
}
void add32(std::vector<unsigned char>& b, std::uint32_t v) {
    add16(b, v & 0xffff);
    add16(b, v >> 16);
}
void addTag(std::vector<unsigned char>& b, const char* tag) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(tag[i]));
}

struct WavLayout {
    std::uint16_t format = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint16_t bits = 16;
    bool extensible = false;
    std::vector<unsigned char> extraChunk;  // a whole chunk placed between fmt and data
};

WavLayout wavLayout(std::uint16_t format, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                bool extensible = false) {
    WavLayout layout;
    layout.format = format;
    layout.channels = channels;
    layout.rate = rate;
    layout.bits = bits;
    layout.extensible = extensible;
    return layout;
}

// A WAV file from its parts; the data bytes are given already encoded.
std::vector<unsigned char> makeWav(const WavLayout& layout, const std::vector<unsigned char>& data) {
    std::vector<unsigned char> b;
    addTag(b, "RIFF");
    add32(b, 0);  // patched below
    addTag(b, "WAVE");
    addTag(b, "fmt ");
    add32(b, layout.extensible ? 40 : 16);
    add16(b, layout.extensible ? 0xfffe : layout.format);
    add16(b, layout.channels);
    add32(b, layout.rate);
    add32(b, layout.rate * layout.channels * layout.bits / 8);
    add16(b, static_cast<std::uint16_t>(layout.channels * layout.bits / 8));
    add16(b, layout.bits);
    if (layout.extensible) {
        add16(b, 22);
        add16(b, layout.bits);
        add32(b, 3);  // speaker mask
        add16(b, layout.format);
        const unsigned char guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
        b.insert(b.end(), guidTail, guidTail + 14);
    }
    b.insert(b.end(), layout.extraChunk.begin(), layout.extraChunk.end());
    addTag(b, "data");
    add32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    const auto riffSize = static_cast<std::uint32_t>(b.size() - 8);
    std::memcpy(b.data() + 4, &riffSize, 4);  // little-endian host
    return b;
}

std::vector<unsigned char> pcm16(const std::vector<int>& samples) {
    std::vector<unsigned char> b;
    for (int s : samples) add16(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(s)));
    return b;
}

std::vector<unsigned char> pcm24(const std::vector<int>& samples) {
    std::vector<unsigned char> b;
    for (int s : samples) {
        const auto u = static_cast<std::uint32_t>(s);
        b.push_back(u & 0xff);
        b.push_back((u >> 8) & 0xff);
        b.push_back((u >> 16) & 0xff);
    }
    return b;
}

}  // namespace

TEST(Wav, WhatIsWrittenReadsBackExactly) {
    testhost::Stereo audio;
    audio.sampleRate = 96000;
    audio.left = {0.0f, 1.0f, -1.0f, 0.123456789f, 3.5f, -1e-38f, 1e-45f, 0.5f};
    audio.right = {-0.0f, -0.5f, 0.25f, 2.0f, -7.75f, 1e-30f, 0.999999f, -0.125f};
    const std::string path = temporaryPath("roundtrip.wav");
    ASSERT_TRUE(testhost::writeWav(path, audio));

    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // RIFF header, fmt (18: a float format states its empty extension, or
    // readers warn), fact (4), data: 12 + 26 + 12 + 8 + 8 * 8 bytes.
    ASSERT_EQ(bytes.size(), 12u + 26 + 12 + 8 + 64);
    EXPECT_EQ(bytes[16] | (bytes[17] << 8), 18);              // fmt size
    EXPECT_EQ(bytes[20] | (bytes[21] << 8), 3);               // float
    EXPECT_EQ(bytes[36] | (bytes[37] << 8), 0);               // extension size
    EXPECT_EQ(bytes[4] | (bytes[5] << 8), int(bytes.size()) - 8);  // RIFF size

    testhost::Stereo back;
    ASSERT_TRUE(testhost::readWav(path, back));
    EXPECT_EQ(back.sampleRate, 96000);
    ASSERT_EQ(back.left.size(), audio.left.size());
    for (std::size_t i = 0; i < audio.left.size(); ++i) {
        EXPECT_EQ(std::memcmp(&back.left[i], &audio.left[i], sizeof(float)), 0) << i;
        EXPECT_EQ(std::memcmp(&back.right[i], &audio.right[i], sizeof(float)), 0) << i;
    }

    testhost::Stereo empty;
    ASSERT_TRUE(testhost::writeWav(path, empty));
    ASSERT_TRUE(testhost::readWav(path, back));
    EXPECT_EQ(back.frames(), 0);
    std::remove(path.c_str());

    EXPECT_FALSE(testhost::writeWav("/nonexistent-folder/out.wav", audio));
}

TEST(Wav, ReadsTheCommonEncodings) {
    std::vector<unsigned char> float64;
    for (double v : {0.5, -0.25, 1.0, -1.0}) {
        std::uint64_t raw;
        std::memcpy(&raw, &v, 8);
        add32(float64, static_cast<std::uint32_t>(raw));
        add32(float64, static_cast<std::uint32_t>(raw >> 32));
    }
    std::vector<unsigned char> pcm32;
    for (std::int64_t v : {0LL, 1073741824LL, -2147483648LL, 2147483647LL}) add32(pcm32, static_cast<std::uint32_t>(v));
    WavLayout padded;
    padded.extraChunk = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};  // odd size plus its pad byte

    struct Case {
        const char* why;
        WavLayout layout;
        std::vector<unsigned char> data;
        std::vector<float> left, right;
    };
    const std::vector<Case> cases = {
        {"16-bit stereo", wavLayout(1, 2, 44100, 16), pcm16({0, 16384, -32768, 32767}), {0.0f, -1.0f}, {0.5f, 32767 / 32768.0f}},
        {"16-bit mono goes to both channels", wavLayout(1, 1, 22050, 16), pcm16({16384, -8192}), {0.5f, -0.25f}, {0.5f, -0.25f}},
        {"24-bit stereo", wavLayout(1, 2, 48000, 24), pcm24({4194304, -8388608, 0, 8388607}), {0.5f, 0.0f},
         {-1.0f, 8388607 / 8388608.0f}},
        {"32-bit PCM", wavLayout(1, 2, 48000, 32), pcm32, {0.0f, -1.0f}, {0.5f, 2147483647 / 2147483648.0f}},
        {"8-bit unsigned", wavLayout(1, 2, 8000, 8), {128, 192, 0, 255}, {0.0f, -1.0f}, {0.5f, 127 / 128.0f}},
        {"64-bit float", wavLayout(3, 2, 48000, 64), float64, {0.5f, 1.0f}, {-0.25f, -1.0f}},
        {"extensible 24-bit", wavLayout(1, 2, 48000, 24, true), pcm24({4194304, 0}), {0.5f}, {0.0f}},
        {"an unknown chunk with a pad byte is skipped", padded, pcm16({16384, 8192}), {0.5f}, {0.25f}},
        {"a partial last frame is dropped", wavLayout(1, 2, 44100, 16), pcm16({16384, 8192, 4096}), {0.5f}, {0.25f}},
    };
    const std::string path = temporaryPath("encodings.wav");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        writeBytes(path, makeWav(c.layout, c.data));
        testhost::Stereo audio;
        ASSERT_TRUE(testhost::readWav(path, audio));
        EXPECT_EQ(audio.sampleRate, c.layout.rate);
        ASSERT_EQ(audio.left.size(), c.left.size());
        ASSERT_EQ(audio.right.size(), c.right.size());
        for (std::size_t i = 0; i < c.left.size(); ++i) {
            EXPECT_FLOAT_EQ(audio.left[i], c.left[i]) << i;
            EXPECT_FLOAT_EQ(audio.right[i], c.right[i]) << i;
        }
    }
    std::remove(path.c_str());
}

TEST(Wav, RefusesMalformedFiles) {
    const std::vector<unsigned char> good = makeWav({}, pcm16({1, 2, 3, 4}));
    auto cut = [&](std::size_t length) { return std::vector<unsigned char>(good.begin(), good.begin() + length); };
    auto patched = [&](std::size_t offset, std::uint32_t value) {
        std::vector<unsigned char> b = good;
        std::memcpy(b.data() + offset, &value, 4);
        return b;
    };
    std::vector<unsigned char> noFormat = good;
    std::memcpy(noFormat.data() + 12, "junk", 4);  // the fmt chunk renamed: data without a format
    WavLayout zeroChannels;
    zeroChannels.channels = 0;
    WavLayout compressed;
    compressed.format = 2;
    WavLayout oddBits;
    oddBits.bits = 12;
    WavLayout zeroRate;
    zeroRate.rate = 0;
    WavLayout hugeChunk;
    hugeChunk.extraChunk = {'L', 'I', 'S', 'T', 0xff, 0xff, 0xff, 0x7f};

    struct Case {
        const char* why;
        std::vector<unsigned char> bytes;
    };
    const std::vector<Case> cases = {
        {"an empty file", {}},
        {"a header cut short", cut(10)},
        {"not RIFF", patched(0, 0x58464952)},  // "RIFX"
        {"not WAVE", patched(8, 0x45564157 + 1)},
        {"fmt chunk cut inside", cut(30)},
        {"data chunk claims more than the file holds", patched(40, 1000)},
        {"data header cut off", cut(40)},
        {"no format chunk", noFormat},
        {"zero channels", makeWav(zeroChannels, pcm16({1, 2}))},
        {"zero sample rate", makeWav(zeroRate, pcm16({1, 2}))},
        {"a compressed format", makeWav(compressed, pcm16({1, 2}))},
        {"an unsupported sample size", makeWav(oddBits, pcm16({1, 2}))},
        {"a chunk size past the end", makeWav(hugeChunk, pcm16({1, 2}))},
    };
    const std::string path = temporaryPath("bad.wav");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        writeBytes(path, c.bytes);
        testhost::Stereo audio;
        EXPECT_FALSE(testhost::readWav(path, audio));
    }
    std::remove(path.c_str());
    testhost::Stereo audio;
    EXPECT_FALSE(testhost::readWav("/nonexistent-folder/none.wav", audio));
}
