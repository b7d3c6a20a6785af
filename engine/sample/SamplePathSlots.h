// The user sample's path as a program keeps it: relative to the sample
// root, two bytes per parameter in the 64 parameters from SAMPLE_NAME_PARAM,
// zero-padded, so that the path travels with the program and its chunk.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr int SAMPLE_NAME_PARAM = 251;
constexpr int SAMPLE_NAME_SLOTS = 64;
constexpr int MAX_SAMPLE_PATH_BYTES = 2 * SAMPLE_NAME_SLOTS;  // 128

// One slot's value for two bytes: (high x 256 + low + 0.1) / 65536.
float samplePathSlotValue(std::uint8_t high, std::uint8_t low);
// The two bytes of a slot value; a value out of range or NaN gives bytes
// within 0..255 all the same (NaN and negatives read 0, 0).
void samplePathSlotBytes(float value, std::uint8_t& high, std::uint8_t& low);

// The slot values for a relative path. False, with every slot zero, when
// the path has more than 128 bytes: a cut path would name another file, so
// such a sample cannot be kept with the program.
bool encodeSamplePath(const std::string& relativePath, std::array<float, SAMPLE_NAME_SLOTS>& slots);
// What a '\' in the slots reads as. Programs made where '\' separated
// folders hold such paths, and every stored program has always read it as
// '/'; on Linux it is an ordinary byte of a file's name, which the browser
// stores as it is. The library takes the name as stored only when its file
// is there and the separated reading's is not.
enum class TSamplePathBackslash { separator, kept };
// The path the slots hold: up to the first zero byte, every '\' turned into
// '/' (or, asked for, kept).
std::string decodeSamplePath(const float* slots, TSamplePathBackslash backslash = TSamplePathBackslash::separator);
