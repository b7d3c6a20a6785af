// ECS files: the MIDI controller map of MIDI learn as text, one decimal
// parameter tag per controller 0..127 (0 = none), each on its own line.
//
// A file is taken whole or not at all: exactly 128 numbers, each a whole
// token of 0..1023, separated and followed by nothing but white space. Any
// other file is refused and the map stays as it was.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "engine/dsp/ParameterTags.h"

inline constexpr int ECS_CONTROLLER_COUNT = 128;
inline constexpr int ECS_MAX_TAG = PARAMETER_COUNT - 1;
// 128 numbers need well under a kilobyte; a longer file is not a map.
inline constexpr std::size_t ECS_FILE_MAX_BYTES = 65536;

using TEcsMap = std::array<int, ECS_CONTROLLER_COUNT>;

// The map in text, or false with map untouched.
bool parseEcsText(std::string_view text, TEcsMap& map);

// Each entry with "%d" and a line break. An entry outside 0..1023 is written
// as 0 (no binding, which is what dispatch makes of it), so every saved file
// loads back.
std::string formatEcsText(const TEcsMap& map);

// The regular file at path, at most ECS_FILE_MAX_BYTES long, read into map;
// false with map untouched when it cannot be read or is not a map. Not for
// the audio thread.
bool readEcsFile(const std::string& path, TEcsMap& map);

// Writes the map to path, replacing the file only once the new one is
// complete. False when it cannot be written.
bool writeEcsFile(const std::string& path, const TEcsMap& map);
