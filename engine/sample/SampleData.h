// One sample file's sound, as the parser made it and as every reader sees it
// afterwards: never changed once published, so the audio thread can read it
// without locks while another thread prepares the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// How the frames lie in the stored bytes. The first fourteen keep the codes
// the stored layouts have always had; 32-bit integer WAV data has codes of
// its own instead of being read as float.
enum TSampleFormat : int {
    SAMPLE_WAV_U8_MONO = 0,
    SAMPLE_WAV_U8_STEREO = 1,
    SAMPLE_WAV_S16_MONO = 2,
    SAMPLE_WAV_S16_STEREO = 3,
    SAMPLE_WAV_S24_MONO = 4,  // top two bytes read
    SAMPLE_WAV_S24_STEREO = 5,
    SAMPLE_WAV_F32_MONO = 6,
    SAMPLE_WAV_F32_STEREO = 7,
    SAMPLE_AIFF_S8_MONO = 8,
    SAMPLE_AIFF_S8_STEREO = 9,
    SAMPLE_AIFF_S16_MONO = 10,
    SAMPLE_AIFF_S16_STEREO = 11,
    SAMPLE_AIFF_S24_MONO = 12,  // top two bytes read
    SAMPLE_AIFF_S24_STEREO = 13,
    SAMPLE_WAV_S32_MONO = 14,
    SAMPLE_WAV_S32_STEREO = 15,
};

// Bytes of one channel's sample and whether the layout is stereo.
int sampleFormatBytes(int format);
bool sampleFormatStereo(int format);

class TSampleData {
public:
    // Takes the raw frames; byteCount must be frames x channels x bytes of
    // the format (the parser guarantees it). Fills the conversion tables the
    // first time in the process.
    TSampleData(std::unique_ptr<std::uint8_t[]> bytes, int format, int numFrames, float rate);

    TSampleData(const TSampleData&) = delete;
    TSampleData& operator=(const TSampleData&) = delete;

    // A loop as the file gives it, in frames; the parser clamps it to the data.
    void setLoop(int start, int end);
    // The path the data was read from, as it was opened: a '\' in it is part
    // of a file's name, as Linux has it, not a separator.
    void setName(std::string path) { name = std::move(path); }

    int getFormat() const { return format; }
    bool getStereo() const { return sampleFormatStereo(format); }
    float getRate() const { return rate; }
    int getNumFrames() const { return numFrames; }
    // Index of the last frame.
    int getLen() const { return numFrames - 1; }
    double getLenInSec() const { return static_cast<double>(numFrames) / rate; }
    // Frames of the file per frame at the host's rate.
    double getSamplePitch(double hostRate) const { return hostRate > 0.0 ? rate / hostRate : 1.0; }
    bool hasLoop() const { return loopFlag; }
    int getLoopStart() const { return loopStart; }
    int getLoopEnd() const { return loopEnd; }
    const std::string& getName() const { return name; }
    std::size_t getByteCount() const;

    // Frame i (clamped to the data) in -1..1; a mono file gives the same
    // value twice, a non-finite float gives 0.
    void getFrame(int i, float& left, float& right) const;
    // The value at a fractional frame position, interpolated between the two
    // frames around it. Positions are held to 0 .. frames - 2, so a read
    // never leaves the data; a NaN position reads frame 0. Audio thread safe:
    // no allocation, no lock.
    void getSample(double pos, float& left, float& right) const;

private:
    std::unique_ptr<std::uint8_t[]> bytes;
    int format;
    int numFrames;
    float rate;
    bool loopFlag = false;
    int loopStart = 0;
    int loopEnd = 0;
    std::string name;
};
