// WAV files for rendered audio: written as 32-bit float stereo, read back in
// the common PCM and float encodings.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tools/testhost/TestHost.h"

namespace testhost {

namespace {

void put16(std::vector<unsigned char>& out, std::uint16_t v) {
    out.push_back(static_cast<unsigned char>(v & 0xff));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xff));
}

void putTag(std::vector<unsigned char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

std::uint32_t get16(const unsigned char* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xfffe;

// One sample of any supported encoding as a float in -1..1.
float decodeSample(const unsigned char* p, std::uint16_t format, std::uint16_t bits) {
    if (format == kFormatFloat) {
        if (bits == 32) {
            float v;
            std::uint32_t raw = get32(p);
            std::memcpy(&v, &raw, sizeof v);
            return v;
        }
        double v;
        std::uint64_t raw = static_cast<std::uint64_t>(get32(p)) | (static_cast<std::uint64_t>(get32(p + 4)) << 32);
        std::memcpy(&v, &raw, sizeof v);
        return static_cast<float>(v);
    }
    switch (bits) {
        case 8:
            return (static_cast<int>(p[0]) - 128) / 128.0f;
        case 16:
            return static_cast<float>(static_cast<std::int16_t>(get16(p))) / 32768.0f;
        case 24: {
            std::int32_t v = static_cast<std::int32_t>((p[0] << 8) | (p[1] << 16) | (static_cast<std::uint32_t>(p[2]) << 24));
            return static_cast<float>(v >> 8) / 8388608.0f;
        }
        default:
            return static_cast<float>(static_cast<double>(static_cast<std::int32_t>(get32(p))) / 2147483648.0);
    }
}

}  // namespace

bool writeWav(const std::string& path, const Stereo& audio) {
    const std::size_t frames = std::min(audio.left.size(), audio.right.size());
    const std::uint64_t dataBytes = static_cast<std::uint64_t>(frames) * 2 * sizeof(float);
    if (dataBytes > 0xffffffffULL - 64) return false;
    const auto rate = static_cast<std::uint32_t>(std::lround(audio.sampleRate));

    std::vector<unsigned char> out;
    out.reserve(static_cast<std::size_t>(dataBytes) + 64);
    putTag(out, "RIFF");
    put32(out, static_cast<std::uint32_t>(4 + (8 + 18) + (8 + 4) + (8 + dataBytes)));
    putTag(out, "WAVE");
    // A format other than PCM carries the size of its (empty) extension;
    // readers warn about a float header without it.
    putTag(out, "fmt ");
    put32(out, 18);
    put16(out, kFormatFloat);
    put16(out, 2);
    put32(out, rate);
    put32(out, rate * 2 * sizeof(float));
    put16(out, 2 * sizeof(float));
    put16(out, 32);
    put16(out, 0);
    // Readers of float WAV expect the frame count.
    putTag(out, "fact");
    put32(out, 4);
    put32(out, static_cast<std::uint32_t>(frames));
    putTag(out, "data");
    put32(out, static_cast<std::uint32_t>(dataBytes));
    for (std::size_t i = 0; i < frames; ++i) {
        for (float v : {audio.left[i], audio.right[i]}) {
            std::uint32_t raw;
            std::memcpy(&raw, &v, sizeof raw);
            put32(out, raw);
        }
    }

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

bool readWav(const std::string& path, Stereo& audio) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;

    std::uint16_t format = 0, channels = 0, bits = 0;
    std::uint32_t rate = 0;
    bool haveFormat = false;
    const unsigned char* data = nullptr;
    std::size_t dataSize = 0;

    // Chunks are walked by their stated sizes, never past the end of the file.
    std::size_t position = 12;
    while (position + 8 <= bytes.size()) {
        const unsigned char* chunk = bytes.data() + position;
        const std::size_t size = get32(chunk + 4);
        const std::size_t available = bytes.size() - position - 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > available) return false;
            format = static_cast<std::uint16_t>(get16(chunk + 8));
            channels = static_cast<std::uint16_t>(get16(chunk + 10));
            rate = get32(chunk + 12);
            bits = static_cast<std::uint16_t>(get16(chunk + 22));
            if (format == kFormatExtensible) {
                if (size < 40) return false;
                format = static_cast<std::uint16_t>(get16(chunk + 8 + 24));  // first two bytes of the sub-format
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (size > available) return false;  // truncated file
            data = chunk + 8;
            dataSize = size;
            break;
        }
        if (size > available) return false;
        position += 8 + size + (size & 1);
    }
    if (!haveFormat || !data || channels == 0 || rate == 0) return false;
    const bool supported = (format == kFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
                           (format == kFormatFloat && (bits == 32 || bits == 64));
    if (!supported) return false;

    const std::size_t bytesPerSample = bits / 8;
    const std::size_t frameBytes = bytesPerSample * channels;
    const std::size_t frames = dataSize / frameBytes;
    audio.sampleRate = rate;
    audio.left.resize(frames);
    audio.right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const unsigned char* frame = data + i * frameBytes;
        audio.left[i] = decodeSample(frame, format, bits);
        audio.right[i] = channels > 1 ? decodeSample(frame + bytesPerSample, format, bits) : audio.left[i];
    }
    return true;
}

}  // namespace testhost
