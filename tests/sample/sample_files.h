// Builds WAV and AIFF files in memory for the reader's tests: chunks in any
// order, with or without pad bytes, with fields set to damaged values.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace samplefiles {

using Bytes = std::vector<std::uint8_t>;

inline void le(Bytes& b, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void be(Bytes& b, std::uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void id(Bytes& b, const char* four) { b.insert(b.end(), four, four + 4); }

struct TChunk {
    std::string id;
    Bytes body;
    std::int64_t declaredSize = -1;  // -1: the body's size
};

// A RIFF (little-endian sizes) or FORM (big-endian) file of these chunks;
// odd bodies get their pad byte unless `pad` is false.
inline Bytes form(bool riff, const char* type, const std::vector<TChunk>& chunks, bool pad = true) {
    Bytes body;
    id(body, type);
    for (const TChunk& c : chunks) {
        id(body, c.id.c_str());
        const std::uint64_t size = c.declaredSize >= 0 ? static_cast<std::uint64_t>(c.declaredSize) : c.body.size();
        riff ? le(body, size, 4) : be(body, size, 4);
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (pad && (c.body.size() & 1)) body.push_back(0);
    }
    Bytes file;
    id(file, riff ? "RIFF" : "FORM");
    riff ? le(file, body.size(), 4) : be(file, body.size(), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

inline TChunk fmtChunk(int tag, int channels, std::uint32_t rate, int bits, bool extensibleOf = false) {
    TChunk c{"fmt ", {}};
    le(c.body, extensibleOf ? 0xFFFE : tag, 2);
    le(c.body, channels, 2);
    le(c.body, rate, 4);
    le(c.body, rate * channels * bits / 8, 4);
    le(c.body, channels * bits / 8, 2);
    le(c.body, bits, 2);
    if (extensibleOf) {
        le(c.body, 22, 2);
        le(c.body, bits, 2);
        le(c.body, channels == 2 ? 3 : 4, 4);
        le(c.body, tag, 2);
        const std::uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        c.body.insert(c.body.end(), tail, tail + 14);
    }
    return c;
}

inline TChunk smplChunk(std::uint32_t loops, std::uint32_t start, std::uint32_t end) {
    TChunk c{"smpl", {}};
    for (int i = 0; i < 7; ++i) le(c.body, 0, 4);
    le(c.body, loops, 4);
    le(c.body, 0, 4);
    for (std::uint32_t k = 0; k < loops; ++k) {
        le(c.body, k, 4);
        le(c.body, 0, 4);
        le(c.body, start, 4);
        le(c.body, end, 4);
        le(c.body, 0, 4);
        le(c.body, 0, 4);
    }
    return c;
}

// Sample values (-1..1) of a frame and channel: a slow ramp that differs per channel.
inline double valueAt(int frame, int channel) { return std::sin(0.05 * frame + channel * 1.3) * 0.8; }

// The data of `frames` frames in a layout: bits 8/16/24/32, float or not, byte order.
inline Bytes frameBytes(int frames, int channels, int bits, bool isFloat, bool bigEndian, bool unsigned8) {
    Bytes b;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double x = valueAt(i, c);
            std::uint64_t word;
            if (isFloat) {
                const float f = static_cast<float>(x);
                std::uint32_t bitsOfFloat;
                std::memcpy(&bitsOfFloat, &f, 4);
                word = bitsOfFloat;
            } else if (bits == 8 && unsigned8) {
                word = static_cast<std::uint64_t>(std::lround(x * 127.0) + 128);
            } else {
                const double scale = std::ldexp(1.0, bits - 1) - 1.0;
                word = static_cast<std::uint64_t>(static_cast<std::int64_t>(std::llround(x * scale)));
            }
            bigEndian ? be(b, word, bits / 8) : le(b, word, bits / 8);
        }
    }
    return b;
}

inline Bytes extended80(double rate) {
    Bytes b;
    int exponent;
    const double mantissa = std::frexp(rate, &exponent);  // rate = mantissa x 2^exponent, 0.5 <= mantissa < 1
    const auto bits = static_cast<std::uint64_t>(std::ldexp(mantissa, 64));
    be(b, static_cast<std::uint64_t>(exponent - 1 + 16383), 2);
    be(b, bits, 8);
    return b;
}

inline TChunk commChunk(int channels, std::uint32_t frames, int bits, double rate) {
    TChunk c{"COMM", {}};
    be(c.body, channels, 2);
    be(c.body, frames, 4);
    be(c.body, bits, 2);
    const Bytes r = extended80(rate);
    c.body.insert(c.body.end(), r.begin(), r.end());
    return c;
}

inline TChunk ssndChunk(const Bytes& frames, std::uint32_t offset = 0) {
    TChunk c{"SSND", {}};
    be(c.body, offset, 4);
    be(c.body, 0, 4);
    c.body.insert(c.body.end(), offset, 0xEE);
    c.body.insert(c.body.end(), frames.begin(), frames.end());
    return c;
}

}  // namespace samplefiles
