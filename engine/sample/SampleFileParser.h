// WAV and AIFF files from their bytes: the chunk lists are walked (pad bytes
// included), every header field is read within the bytes given, and a file
// that is not understood is refused with a reason. Knows no file system, so
// it can be driven by any byte source, a fuzzer included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/sample/SampleData.h"

// The largest data chunk accepted: the frames are held in memory whole, and
// beyond this a program would keep hundreds of megabytes per sample slot.
constexpr std::uint64_t MAX_SAMPLE_DATA_BYTES = 512ull * 1024 * 1024;

// Rates a file may declare, in Hz.
constexpr double MIN_SAMPLE_FILE_RATE = 4700.0;
constexpr double MAX_SAMPLE_FILE_RATE = 190000.0;

enum class TSampleRefusal {
    none,
    notWaveOrAiff,        // neither "RIFF"/"WAVE" nor "FORM"/"AIFF" at the start
    missingFormat,        // no complete "fmt " or "COMM" chunk
    missingData,          // no "data" or "SSND" chunk
    unsupportedEncoding,  // compressed, 64-bit float, or an unknown format tag
    badChannels,          // not exactly 1 or 2
    badRate,              // outside 4700..190000 Hz, or not a number
    badBitDepth,          // not 8, 16, 24 or 32 bits (AIFF: 8, 16 or 24)
    dataPastEnd,          // the data chunk claims more bytes than the file has
    dataTooSmall,         // not even one frame
    tooLarge,             // more than MAX_SAMPLE_DATA_BYTES of frames
    noMemory,             // the frames could not be allocated
};

// A short English description of a refusal, for logs and reports.
const char* describeSampleRefusal(TSampleRefusal refusal);

struct TSampleParseResult {
    std::unique_ptr<TSampleData> data;  // null when refused
    TSampleRefusal refusal = TSampleRefusal::none;
};

// Reads a whole WAV or AIFF file held in memory. The kind is told by the
// file's own header, not by its name. Never throws; thread-safe.
TSampleParseResult parseSampleFile(std::span<const std::uint8_t> file);
