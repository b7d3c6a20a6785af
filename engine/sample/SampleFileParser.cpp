#include "engine/sample/SampleFileParser.h"

#include <cmath>
#include <cstring>
#include <new>
#include <optional>

namespace {

using Bytes = std::span<const std::uint8_t>;

// Little- and big-endian fields; the caller has checked that they lie within the bytes.
std::uint32_t le16(const std::uint8_t* p) { return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8; }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | le16(p + 2) << 16; }
std::uint32_t be16(const std::uint8_t* p) { return std::uint32_t(p[0]) << 8 | std::uint32_t(p[1]); }
std::uint32_t be32(const std::uint8_t* p) { return be16(p) << 16 | be16(p + 2); }

bool idIs(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// One chunk of a RIFF or IFF list: where its body starts and how many of its
// declared bytes are really there.
struct TChunk {
    const std::uint8_t* id;
    std::uint64_t body;      // offset of the body in the file
    std::uint64_t declared;  // size from the header
    std::uint64_t present;   // bytes of the body inside the file
};

// Walks the chunks after a 12-byte form header, pad byte after every odd
// size included, and calls visit for each; stops at the first header that
// does not fit or a body that runs past the end (which is still visited).
template <typename SizeReader, typename Visit>
void walkChunks(Bytes file, SizeReader readSize, Visit visit) {
    std::uint64_t pos = 12;
    const std::uint64_t end = file.size();
    while (pos + 8 <= end) {
        const std::uint8_t* header = file.data() + pos;
        const std::uint64_t declared = readSize(header + 4);
        const std::uint64_t body = pos + 8;
        const std::uint64_t present = std::min<std::uint64_t>(declared, end - body);
        visit(TChunk{header, body, declared, present});
        if (present < declared) return;
        pos = body + declared + (declared & 1u);
    }
}

std::unique_ptr<std::uint8_t[]> copyFrames(Bytes file, std::uint64_t offset, std::uint64_t size) {
    std::unique_ptr<std::uint8_t[]> frames(new (std::nothrow) std::uint8_t[size]);
    if (frames) std::memcpy(frames.get(), file.data() + offset, size);
    return frames;
}

bool rateAccepted(double rate) { return rate >= MIN_SAMPLE_FILE_RATE && rate <= MAX_SAMPLE_FILE_RATE; }

// The frames of a data chunk: at least one frame, within the file and the cap.
TSampleRefusal checkDataSize(std::uint64_t dataBytes, std::uint64_t bytesThere, std::uint64_t frameBytes) {
    if (dataBytes > bytesThere) return TSampleRefusal::dataPastEnd;
    if (dataBytes < frameBytes) return TSampleRefusal::dataTooSmall;
    if (dataBytes > MAX_SAMPLE_DATA_BYTES) return TSampleRefusal::tooLarge;
    return TSampleRefusal::none;
}

TSampleParseResult refuse(TSampleRefusal reason) { return TSampleParseResult{nullptr, reason}; }

// ---------------------------------------------------------------- WAV

constexpr std::uint32_t WAVE_FORMAT_PCM = 1;
constexpr std::uint32_t WAVE_FORMAT_IEEE_FLOAT = 3;
constexpr std::uint32_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;
// The sub-format identifiers of the extensible header end in these fourteen bytes.
constexpr std::uint8_t SUBFORMAT_TAIL[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

TSampleParseResult parseWav(Bytes file) {
    std::optional<TChunk> format, data, sampler;
    walkChunks(file, le32, [&](const TChunk& chunk) {
        if (!format && idIs(chunk.id, "fmt ")) format = chunk;
        else if (!data && idIs(chunk.id, "data")) data = chunk;
        else if (!sampler && idIs(chunk.id, "smpl")) sampler = chunk;
    });
    if (!format || format->present < 16 || format->declared < 16) return refuse(TSampleRefusal::missingFormat);
    if (!data) return refuse(TSampleRefusal::missingData);

    const std::uint8_t* f = file.data() + format->body;
    std::uint32_t tag = le16(f);
    const std::uint32_t channels = le16(f + 2);
    const std::uint32_t rate = le32(f + 4);
    const std::uint32_t bits = le16(f + 14);
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        // cbSize, valid bits, channel mask, then the sub-format; the container
        // size above says how the frames lie.
        if (format->present < 40 || le16(f + 16) < 22 || std::memcmp(f + 26, SUBFORMAT_TAIL, 14) != 0)
            return refuse(TSampleRefusal::unsupportedEncoding);
        tag = le16(f + 24);
    }
    if (tag != WAVE_FORMAT_PCM && tag != WAVE_FORMAT_IEEE_FLOAT) return refuse(TSampleRefusal::unsupportedEncoding);
    if (channels != 1 && channels != 2) return refuse(TSampleRefusal::badChannels);
    if (!rateAccepted(rate)) return refuse(TSampleRefusal::badRate);

    int layout;
    if (tag == WAVE_FORMAT_IEEE_FLOAT) {
        if (bits != 32) return refuse(bits == 64 ? TSampleRefusal::unsupportedEncoding : TSampleRefusal::badBitDepth);
        layout = SAMPLE_WAV_F32_MONO;
    } else {
        switch (bits) {
        case 8: layout = SAMPLE_WAV_U8_MONO; break;
        case 16: layout = SAMPLE_WAV_S16_MONO; break;
        case 24: layout = SAMPLE_WAV_S24_MONO; break;
        case 32: layout = SAMPLE_WAV_S32_MONO; break;
        default: return refuse(TSampleRefusal::badBitDepth);
        }
    }
    if (channels == 2) layout += 1;

    const std::uint64_t frameBytes = std::uint64_t(bits / 8) * channels;
    const std::uint64_t bytesThere = file.size() - data->body;
    if (TSampleRefusal size = checkDataSize(data->declared, bytesThere, frameBytes); size != TSampleRefusal::none)
        return refuse(size);
    const std::uint64_t frames = data->declared / frameBytes;
    auto frameBytesCopy = copyFrames(file, data->body, frames * frameBytes);
    if (!frameBytesCopy) return refuse(TSampleRefusal::noMemory);

    TSampleParseResult result;
    try {
        result.data = std::make_unique<TSampleData>(std::move(frameBytesCopy), layout, static_cast<int>(frames),
                                                    static_cast<float>(rate));
    } catch (const std::bad_alloc&) {
        return refuse(TSampleRefusal::noMemory);
    }
    // The first loop of a sampler chunk: nine fields and the sampler data
    // (36 bytes), then 24 bytes per loop whose start and end are at 8 and 12.
    if (sampler && sampler->present >= 36) {
        const std::uint8_t* s = file.data() + sampler->body;
        if (le32(s + 28) != 0 && sampler->present >= 36 + 16) {
            const auto start = static_cast<std::int32_t>(le32(s + 36 + 8));
            const auto end = static_cast<std::int32_t>(le32(s + 36 + 12));
            result.data->setLoop(std::max(start, 0), std::max(end, 0));
        }
    }
    return result;
}

// ---------------------------------------------------------------- AIFF

// An 80-bit extended number: sign, 15-bit exponent, 64-bit mantissa with its
// integer bit. NaN for infinities and NaNs.
double extendedToDouble(const std::uint8_t* p) {
    const int exponent = static_cast<int>(((p[0] & 0x7Fu) << 8) | p[1]);
    std::uint64_t mantissa = 0;
    for (int i = 2; i < 10; ++i) mantissa = mantissa << 8 | p[i];
    if (exponent == 0x7FFF) return std::nan("");
    const double magnitude = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return (p[0] & 0x80u) ? -magnitude : magnitude;
}

TSampleParseResult parseAiff(Bytes file) {
    std::optional<TChunk> common, sound;
    walkChunks(file, be32, [&](const TChunk& chunk) {
        if (!common && idIs(chunk.id, "COMM")) common = chunk;
        else if (!sound && idIs(chunk.id, "SSND")) sound = chunk;
    });
    if (!common || common->present < 18) return refuse(TSampleRefusal::missingFormat);
    if (!sound || sound->present < 8) return refuse(TSampleRefusal::missingData);

    const std::uint8_t* c = file.data() + common->body;
    const std::uint32_t channels = be16(c);
    const std::uint64_t frames = be32(c + 2);
    const std::uint32_t bits = be16(c + 6);
    const double rate = extendedToDouble(c + 8);
    if (channels != 1 && channels != 2) return refuse(TSampleRefusal::badChannels);
    int layout;
    switch (bits) {
    case 8: layout = SAMPLE_AIFF_S8_MONO; break;
    case 16: layout = SAMPLE_AIFF_S16_MONO; break;
    case 24: layout = SAMPLE_AIFF_S24_MONO; break;
    default: return refuse(TSampleRefusal::badBitDepth);
    }
    if (channels == 2) layout += 1;
    if (!rateAccepted(rate)) return refuse(TSampleRefusal::badRate);

    // The frames start after the offset and block-size fields and the offset's bytes.
    const std::uint64_t start = sound->body + 8 + be32(file.data() + sound->body);
    const std::uint64_t bytesThere = start <= file.size() ? file.size() - start : 0;
    const std::uint64_t frameBytes = std::uint64_t(bits / 8) * channels;
    const std::uint64_t dataBytes = frames * frameBytes;
    if (TSampleRefusal size = checkDataSize(dataBytes, bytesThere, frameBytes); size != TSampleRefusal::none)
        return refuse(size);
    auto frameBytesCopy = copyFrames(file, start, dataBytes);
    if (!frameBytesCopy) return refuse(TSampleRefusal::noMemory);
    TSampleParseResult result;
    try {
        result.data = std::make_unique<TSampleData>(std::move(frameBytesCopy), layout, static_cast<int>(frames),
                                                    static_cast<float>(rate));
    } catch (const std::bad_alloc&) {
        return refuse(TSampleRefusal::noMemory);
    }
    return result;
}

}  // namespace

const char* describeSampleRefusal(TSampleRefusal refusal) {
    switch (refusal) {
    case TSampleRefusal::none: return "accepted";
    case TSampleRefusal::notWaveOrAiff: return "not a WAV or AIFF file";
    case TSampleRefusal::missingFormat: return "no format chunk";
    case TSampleRefusal::missingData: return "no sample data";
    case TSampleRefusal::unsupportedEncoding: return "unsupported encoding";
    case TSampleRefusal::badChannels: return "only mono and stereo files are read";
    case TSampleRefusal::badRate: return "sample rate out of range";
    case TSampleRefusal::badBitDepth: return "unsupported bit depth";
    case TSampleRefusal::dataPastEnd: return "sample data runs past the end of the file";
    case TSampleRefusal::dataTooSmall: return "no complete frame";
    case TSampleRefusal::tooLarge: return "sample data too large";
    case TSampleRefusal::noMemory: return "out of memory";
    }
    return "refused";
}

TSampleParseResult parseSampleFile(std::span<const std::uint8_t> file) {
    if (file.size() >= 12 && idIs(file.data(), "RIFF") && idIs(file.data() + 8, "WAVE")) return parseWav(file);
    if (file.size() >= 12 && idIs(file.data(), "FORM") && idIs(file.data() + 8, "AIFF")) return parseAiff(file);
    return refuse(TSampleRefusal::notWaveOrAiff);
}
