#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "engine/sample/SampleFileParser.h"
#include "tests/sample/sample_files.h"

namespace {

using namespace samplefiles;

constexpr int FRAMES = 300;

Bytes wav(int tag, int channels, int bits, std::uint32_t rate = 44100, bool extensible = false) {
    const Bytes data = frameBytes(FRAMES, channels, bits, tag == 3, false, true);
    return form(true, "WAVE", {fmtChunk(tag, channels, rate, bits, extensible), {"data", data}});
}

Bytes aiff(int channels, int bits, double rate = 44100) {
    const Bytes data = frameBytes(FRAMES, channels, bits, false, true, false);
    return form(false, "AIFF", {commChunk(channels, FRAMES, bits, rate), ssndChunk(data)});
}

struct AcceptCase {
    const char* what;
    std::function<Bytes()> file;
    int format;
    int frames;
    float rate;
    double tolerance;  // of the values read back
    bool loop;
    int loopStart, loopEnd;
};

TEST(SampleFileParser, ReadsEveryLayoutChunkOrderAndLoop) {
    const double byte8 = 1.0 / 64, word = 1.0 / 16384;
    const AcceptCase cases[] = {
        {"WAV 8-bit mono, unsigned", [] { return wav(1, 1, 8); }, SAMPLE_WAV_U8_MONO, FRAMES, 44100, byte8, false, 0, FRAMES - 1},
        {"WAV 8-bit stereo", [] { return wav(1, 2, 8); }, SAMPLE_WAV_U8_STEREO, FRAMES, 44100, byte8, false, 0, FRAMES - 1},
        {"WAV 16-bit mono", [] { return wav(1, 1, 16); }, SAMPLE_WAV_S16_MONO, FRAMES, 44100, word, false, 0, FRAMES - 1},
        {"WAV 16-bit stereo", [] { return wav(1, 2, 16); }, SAMPLE_WAV_S16_STEREO, FRAMES, 44100, word, false, 0, FRAMES - 1},
        {"WAV 24-bit mono: top two bytes", [] { return wav(1, 1, 24); }, SAMPLE_WAV_S24_MONO, FRAMES, 44100, word, false, 0, FRAMES - 1},
        {"WAV 24-bit stereo", [] { return wav(1, 2, 24); }, SAMPLE_WAV_S24_STEREO, FRAMES, 44100, word, false, 0, FRAMES - 1},
        {"WAV 32-bit integer is integer, not float", [] { return wav(1, 2, 32); }, SAMPLE_WAV_S32_STEREO, FRAMES, 44100, 1e-6, false, 0, FRAMES - 1},
        {"WAV 32-bit float mono", [] { return wav(3, 1, 32); }, SAMPLE_WAV_F32_MONO, FRAMES, 44100, 1e-6, false, 0, FRAMES - 1},
        {"WAV float stereo at 96 kHz", [] { return wav(3, 2, 32, 96000); }, SAMPLE_WAV_F32_STEREO, FRAMES, 96000, 1e-6, false, 0, FRAMES - 1},
        {"extensible PCM 24-bit", [] { return wav(1, 2, 24, 48000, true); }, SAMPLE_WAV_S24_STEREO, FRAMES, 48000, word, false, 0, FRAMES - 1},
        {"extensible float", [] { return wav(3, 1, 32, 48000, true); }, SAMPLE_WAV_F32_MONO, FRAMES, 48000, 1e-6, false, 0, FRAMES - 1},
        {"lowest and highest rates", [] { return wav(1, 1, 16, 4700); }, SAMPLE_WAV_S16_MONO, FRAMES, 4700, word, false, 0, FRAMES - 1},
        {"highest rate", [] { return wav(1, 1, 16, 190000); }, SAMPLE_WAV_S16_MONO, FRAMES, 190000, word, false, 0, FRAMES - 1},
        {"data before fmt", [] {
             return form(true, "WAVE", {{"data", frameBytes(FRAMES, 2, 16, false, false, true)}, fmtChunk(1, 2, 22050, 16)});
         }, SAMPLE_WAV_S16_STEREO, FRAMES, 22050, word, false, 0, FRAMES - 1},
        {"odd chunk with its pad byte before data", [] {
             return form(true, "WAVE", {fmtChunk(1, 1, 44100, 16), {"LIST", Bytes(7, 'x')},
                                        {"data", frameBytes(FRAMES, 1, 16, false, false, true)}});
         }, SAMPLE_WAV_S16_MONO, FRAMES, 44100, word, false, 0, FRAMES - 1},
        {"a chunk whose body spells data is skipped whole", [] {
             Bytes decoy = {'d', 'a', 't', 'a', 4, 0, 0, 0, 1, 2, 3, 4};
             return form(true, "WAVE", {{"junk", decoy}, fmtChunk(1, 1, 44100, 16),
                                        {"data", frameBytes(FRAMES, 1, 16, false, false, true)}});
         }, SAMPLE_WAV_S16_MONO, FRAMES, 44100, word, false, 0, FRAMES - 1},
        {"odd data chunk of 8-bit mono, trailing chunk after the pad", [] {
             Bytes data = frameBytes(FRAMES - 1, 1, 8, false, false, true);
             return form(true, "WAVE", {fmtChunk(1, 1, 44100, 8), {"data", data}, {"cue ", Bytes(4, 0)}});
         }, SAMPLE_WAV_U8_MONO, FRAMES - 1, 44100, byte8, false, 0, FRAMES - 2},
        {"sampler loop", [] {
             return form(true, "WAVE", {fmtChunk(1, 2, 44100, 16), smplChunk(1, 20, 250),
                                        {"data", frameBytes(FRAMES, 2, 16, false, false, true)}});
         }, SAMPLE_WAV_S16_STEREO, FRAMES, 44100, word, true, 20, 250},
        {"sampler chunk without loops", [] {
             return form(true, "WAVE", {fmtChunk(1, 2, 44100, 16), smplChunk(0, 0, 0),
                                        {"data", frameBytes(FRAMES, 2, 16, false, false, true)}});
         }, SAMPLE_WAV_S16_STEREO, FRAMES, 44100, word, false, 0, FRAMES - 1},
        {"loop end past the last frame, negative start", [] {
             return form(true, "WAVE", {{"data", frameBytes(FRAMES, 1, 16, false, false, true)},
                                        smplChunk(2, 0xFFFFFFF0u, 100000), fmtChunk(1, 1, 44100, 16)});
         }, SAMPLE_WAV_S16_MONO, FRAMES, 44100, word, true, 0, FRAMES - 1},
        {"AIFF 8-bit mono, signed", [] { return aiff(1, 8); }, SAMPLE_AIFF_S8_MONO, FRAMES, 44100, byte8, false, 0, FRAMES - 1},
        {"AIFF 8-bit stereo", [] { return aiff(2, 8); }, SAMPLE_AIFF_S8_STEREO, FRAMES, 44100, byte8, false, 0, FRAMES - 1},
        {"AIFF 16-bit mono", [] { return aiff(1, 16); }, SAMPLE_AIFF_S16_MONO, FRAMES, 44100, word, false, 0, FRAMES - 1},
        {"AIFF 16-bit stereo at 48 kHz", [] { return aiff(2, 16, 48000); }, SAMPLE_AIFF_S16_STEREO, FRAMES, 48000, word, false, 0, FRAMES - 1},
        {"AIFF 24-bit stereo", [] { return aiff(2, 24); }, SAMPLE_AIFF_S24_STEREO, FRAMES, 44100, word, false, 0, FRAMES - 1},
        {"AIFF at 32 kHz plays at its own rate", [] { return aiff(1, 16, 32000); }, SAMPLE_AIFF_S16_MONO, FRAMES, 32000, word, false, 0, FRAMES - 1},
        {"AIFF at 11 025 Hz", [] { return aiff(1, 24, 11025); }, SAMPLE_AIFF_S24_MONO, FRAMES, 11025, word, false, 0, FRAMES - 1},
        {"AIFF sound before common, with an offset", [] {
             return form(false, "AIFF", {ssndChunk(frameBytes(FRAMES, 2, 16, false, true, false), 5), {"NAME", Bytes(3, 'n')},
                                         commChunk(2, FRAMES, 16, 44100)});
         }, SAMPLE_AIFF_S16_STEREO, FRAMES, 44100, word, false, 0, FRAMES - 1},
    };
    for (const AcceptCase& c : cases) {
        const Bytes file = c.file();
        TSampleParseResult result = parseSampleFile(file);
        ASSERT_TRUE(result.data) << c.what << ": " << describeSampleRefusal(result.refusal);
        const TSampleData& data = *result.data;
        EXPECT_EQ(data.getFormat(), c.format) << c.what;
        EXPECT_EQ(data.getNumFrames(), c.frames) << c.what;
        EXPECT_FLOAT_EQ(data.getRate(), c.rate) << c.what;
        EXPECT_EQ(data.hasLoop(), c.loop) << c.what;
        EXPECT_EQ(data.getLoopStart(), c.loopStart) << c.what;
        EXPECT_EQ(data.getLoopEnd(), c.loopEnd) << c.what;
        const int channels = data.getStereo() ? 2 : 1;
        for (int i = 0; i < c.frames; i += 7) {
            float left, right;
            data.getFrame(i, left, right);
            EXPECT_NEAR(left, valueAt(i, 0), c.tolerance) << c.what << " frame " << i;
            EXPECT_NEAR(right, valueAt(i, channels - 1), c.tolerance) << c.what << " frame " << i;
        }
    }
}

struct RefuseCase {
    const char* what;
    std::function<Bytes()> file;
    TSampleRefusal refusal;
};

TEST(SampleFileParser, RefusesDamagedAndUnsupportedFiles) {
    const Bytes pcm = frameBytes(FRAMES, 2, 16, false, false, true);
    const RefuseCase cases[] = {
        {"empty", [] { return Bytes{}; }, TSampleRefusal::notWaveOrAiff},
        {"truncated header", [] { return Bytes{'R', 'I', 'F', 'F', 0, 0}; }, TSampleRefusal::notWaveOrAiff},
        {"garbage", [] { return Bytes(500, 0x5A); }, TSampleRefusal::notWaveOrAiff},
        {"compressed AIFF-C", [] { return form(false, "AIFC", {commChunk(1, FRAMES, 16, 44100)}); }, TSampleRefusal::notWaveOrAiff},
        {"no fmt", [&] { return form(true, "WAVE", {{"data", pcm}}); }, TSampleRefusal::missingFormat},
        {"fmt cut short", [&] {
             TChunk f = fmtChunk(1, 2, 44100, 16);
             f.body.resize(10);
             return form(true, "WAVE", {f, {"data", pcm}});
         }, TSampleRefusal::missingFormat},
        {"header cut inside fmt", [&] {
             Bytes b = wav(1, 2, 16);
             b.resize(30);
             return b;
         }, TSampleRefusal::missingFormat},
        {"no data", [] { return form(true, "WAVE", {fmtChunk(1, 2, 44100, 16)}); }, TSampleRefusal::missingData},
        {"zero channels", [&] { return form(true, "WAVE", {fmtChunk(1, 0, 44100, 16), {"data", pcm}}); }, TSampleRefusal::badChannels},
        {"three channels", [&] { return form(true, "WAVE", {fmtChunk(1, 3, 44100, 16), {"data", pcm}}); }, TSampleRefusal::badChannels},
        {"rate 4699", [] { return wav(1, 1, 16, 4699); }, TSampleRefusal::badRate},
        {"rate 190001", [] { return wav(1, 1, 16, 190001); }, TSampleRefusal::badRate},
        {"12-bit", [&] { return form(true, "WAVE", {fmtChunk(1, 2, 44100, 12), {"data", pcm}}); }, TSampleRefusal::badBitDepth},
        {"64-bit float", [&] { return form(true, "WAVE", {fmtChunk(3, 1, 44100, 64), {"data", pcm}}); }, TSampleRefusal::unsupportedEncoding},
        {"ADPCM", [&] { return form(true, "WAVE", {fmtChunk(2, 2, 44100, 16), {"data", pcm}}); }, TSampleRefusal::unsupportedEncoding},
        {"extensible of an unknown kind", [&] {
             TChunk f = fmtChunk(1, 2, 44100, 16, true);
             f.body[30] = 0x11;
             return form(true, "WAVE", {f, {"data", pcm}});
         }, TSampleRefusal::unsupportedEncoding},
        {"data size past the end", [&] {
             return form(true, "WAVE", {fmtChunk(1, 2, 44100, 16), {"data", pcm, static_cast<std::int64_t>(pcm.size() + 4)}});
         }, TSampleRefusal::dataPastEnd},
        {"huge data size", [&] {
             return form(true, "WAVE", {fmtChunk(1, 2, 44100, 16), {"data", pcm, 0xFFFFFFFFll}});
         }, TSampleRefusal::dataPastEnd},
        {"less than one frame", [] {
             return form(true, "WAVE", {fmtChunk(1, 2, 44100, 16), {"data", Bytes{1, 2, 3}}});
         }, TSampleRefusal::dataTooSmall},
        {"AIFF 32-bit", [] {
             return form(false, "AIFF", {commChunk(1, FRAMES, 32, 44100), ssndChunk(Bytes(FRAMES * 4, 0))});
         }, TSampleRefusal::badBitDepth},
        {"AIFF zero channels", [] {
             return form(false, "AIFF", {commChunk(0, FRAMES, 16, 44100), ssndChunk(Bytes(FRAMES * 2, 0))});
         }, TSampleRefusal::badChannels},
        {"AIFF frames past the end", [] {
             return form(false, "AIFF", {commChunk(2, 0xFFFFFFFFu, 16, 44100), ssndChunk(Bytes(100, 0))});
         }, TSampleRefusal::dataPastEnd},
        {"AIFF offset past the end", [] {
             Bytes b = form(false, "AIFF", {commChunk(1, 10, 16, 44100), ssndChunk(Bytes(20, 0))});
             b[b.size() - 28] = 0x7F;  // the offset's high byte
             return b;
         }, TSampleRefusal::dataPastEnd},
        {"AIFF infinite rate", [] {
             TChunk c = commChunk(1, FRAMES, 16, 44100);
             c.body[8] = 0x7F;
             c.body[9] = 0xFF;
             return form(false, "AIFF", {c, ssndChunk(Bytes(FRAMES * 2, 0))});
         }, TSampleRefusal::badRate},
        {"AIFF no sound chunk", [] { return form(false, "AIFF", {commChunk(1, FRAMES, 16, 44100)}); }, TSampleRefusal::missingData},
    };
    for (const RefuseCase& c : cases) {
        const Bytes file = c.file();
        const TSampleParseResult result = parseSampleFile(file);
        EXPECT_FALSE(result.data) << c.what;
        EXPECT_EQ(result.refusal, c.refusal) << c.what << ": " << describeSampleRefusal(result.refusal);
    }
}

TEST(SampleFileParser, EveryTruncationOfAValidFileIsRefusedOrReadWithinItsBytes) {
    // Under the address sanitizer a read past the end of any prefix fails the test.
    for (const Bytes& whole : {wav(1, 2, 24), aiff(2, 16),
                               form(true, "WAVE", {fmtChunk(1, 2, 44100, 16), smplChunk(1, 3, 9),
                                                   {"data", frameBytes(40, 2, 16, false, false, true)}})}) {
        for (std::size_t size = 0; size < whole.size(); ++size) {
            const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
            const TSampleParseResult result = parseSampleFile(prefix);
            if (result.data) {
                EXPECT_LE(result.data->getByteCount(), size);
            }
        }
    }
}

TEST(SampleFileParser, NonFiniteFloatsAndPositionsReadAsSilence) {
    Bytes data;
    const float values[] = {std::nanf(""), INFINITY, -INFINITY, 0.5f, 3e38f, -3e38f};
    for (float v : values) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        le(data, bits, 4);
    }
    const TSampleParseResult result = parseSampleFile(form(true, "WAVE", {fmtChunk(3, 1, 44100, 32), {"data", data}}));
    ASSERT_TRUE(result.data);
    for (int i = 0; i < 3; ++i) {
        float left, right;
        result.data->getFrame(i, left, right);
        EXPECT_EQ(left, 0.0f) << "frame " << i << " is not a number";
    }
    const double positions[] = {std::nan(""), -5.0, 1e30, 2.5, 4.5};
    for (double pos : positions) {
        float left, right;
        result.data->getSample(pos, left, right);
        EXPECT_TRUE(std::isfinite(left) && std::isfinite(right)) << pos;
    }
    // Values near the float limit are held within range, so reading between
    // them (frames 4 and 5) cannot overflow; beyond frames - 2 the read is frame 4.
    float left, right;
    result.data->getSample(100.0, left, right);
    EXPECT_GT(left, 1.0f);
    EXPECT_LE(left, 16.0f);
}

}  // namespace
