#include "engine/sample/SampleData.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/dsp/SampleConvert.h"

namespace {

// A value read is lifted by this much, so that silence never decays into
// denormal numbers in what follows.
constexpr float DC_OFFSET = 1e-15f;

inline float word(std::uint8_t high, std::uint8_t low) { return sampleConvert[high * 256 + low]; }

// Float files may go past full scale, but not without bound: a garbage value
// near the float limit would overflow the interpolation into infinity.
constexpr float FLOAT_SAMPLE_LIMIT = 16.0f;

inline float floatAt(const std::uint8_t* p) {
    float value;
    std::memcpy(&value, p, sizeof value);
    return std::isfinite(value) ? std::clamp(value, -FLOAT_SAMPLE_LIMIT, FLOAT_SAMPLE_LIMIT) : 0.0f;
}

inline float int32At(const std::uint8_t* p) {
    const std::uint32_t bits = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                               std::uint32_t(p[3]) << 24;
    return static_cast<float>(static_cast<std::int32_t>(bits)) * (1.0f / 2147483648.0f);
}

// One channel's sample at p.
inline float channelValue(int format, const std::uint8_t* p) {
    switch (format) {
    case SAMPLE_WAV_U8_MONO:
    case SAMPLE_WAV_U8_STEREO: return wave8BitConvert[p[0]];
    case SAMPLE_WAV_S16_MONO:
    case SAMPLE_WAV_S16_STEREO: return word(p[1], p[0]);
    case SAMPLE_WAV_S24_MONO:
    case SAMPLE_WAV_S24_STEREO: return word(p[2], p[1]);
    case SAMPLE_WAV_F32_MONO:
    case SAMPLE_WAV_F32_STEREO: return floatAt(p);
    case SAMPLE_AIFF_S8_MONO:
    case SAMPLE_AIFF_S8_STEREO: return au8BitConvert[p[0]];
    case SAMPLE_AIFF_S16_MONO:
    case SAMPLE_AIFF_S16_STEREO:
    case SAMPLE_AIFF_S24_MONO:
    case SAMPLE_AIFF_S24_STEREO: return word(p[0], p[1]);
    case SAMPLE_WAV_S32_MONO:
    case SAMPLE_WAV_S32_STEREO: return int32At(p);
    default: return 0.0f;
    }
}

}  // namespace

int sampleFormatBytes(int format) {
    switch (format) {
    case SAMPLE_WAV_U8_MONO:
    case SAMPLE_WAV_U8_STEREO:
    case SAMPLE_AIFF_S8_MONO:
    case SAMPLE_AIFF_S8_STEREO: return 1;
    case SAMPLE_WAV_S16_MONO:
    case SAMPLE_WAV_S16_STEREO:
    case SAMPLE_AIFF_S16_MONO:
    case SAMPLE_AIFF_S16_STEREO: return 2;
    case SAMPLE_WAV_S24_MONO:
    case SAMPLE_WAV_S24_STEREO:
    case SAMPLE_AIFF_S24_MONO:
    case SAMPLE_AIFF_S24_STEREO: return 3;
    case SAMPLE_WAV_F32_MONO:
    case SAMPLE_WAV_F32_STEREO:
    case SAMPLE_WAV_S32_MONO:
    case SAMPLE_WAV_S32_STEREO: return 4;
    default: return 0;
    }
}

// Every stereo code is odd: the layouts come in mono/stereo pairs.
bool sampleFormatStereo(int format) { return (format & 1) != 0; }

TSampleData::TSampleData(std::unique_ptr<std::uint8_t[]> data, int layout, int frames, float fileRate)
    : bytes(std::move(data)), format(layout), numFrames(std::max(frames, 0)), rate(fileRate) {
    buildSampleConvertTables();
    loopEnd = std::max(numFrames - 1, 0);
}

void TSampleData::setLoop(int start, int end) {
    const int last = std::max(numFrames - 1, 0);
    loopFlag = true;
    loopStart = std::clamp(start, 0, last);
    loopEnd = std::clamp(end, 0, last);
}

std::size_t TSampleData::getByteCount() const {
    return static_cast<std::size_t>(numFrames) * static_cast<std::size_t>(sampleFormatBytes(format)) *
           (getStereo() ? 2u : 1u);
}

void TSampleData::getFrame(int i, float& left, float& right) const {
    if (numFrames <= 0 || !bytes) {
        left = right = 0.0f;
        return;
    }
    i = std::clamp(i, 0, numFrames - 1);
    const int width = sampleFormatBytes(format);
    if (getStereo()) {
        const std::uint8_t* p = bytes.get() + static_cast<std::size_t>(i) * static_cast<std::size_t>(2 * width);
        left = channelValue(format, p);
        right = channelValue(format, p + width);
    } else {
        left = right = channelValue(format, bytes.get() + static_cast<std::size_t>(i) * static_cast<std::size_t>(width));
    }
}

void TSampleData::getSample(double pos, float& left, float& right) const {
    // The last place two frames can be read from; a one-frame sample reads its frame.
    const int lastPair = std::max(numFrames - 2, 0);
    double held = pos >= 0.0 ? pos : 0.0;  // NaN fails the test and reads frame 0
    held = std::min(held, static_cast<double>(lastPair));
    const int i0 = static_cast<int>(held);
    const int i1 = std::min(i0 + 1, std::max(numFrames - 1, 0));
    const float f = static_cast<float>(held - i0);
    float aLeft, aRight, bLeft, bRight;
    getFrame(i0, aLeft, aRight);
    getFrame(i1, bLeft, bRight);
    left = (bLeft - aLeft) * f + aLeft + DC_OFFSET;
    right = (bRight - aRight) * f + aRight + DC_OFFSET;
}
