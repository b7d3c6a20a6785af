// The programs that come with the plug-in: each one's name and the value of
// every tag, as the host would set them.
#pragma once

#include <span>
#include <string_view>

constexpr int BUILTIN_PROGRAM_COUNT = 70;
// "Default": the plain start sound, every parameter at its default value.
constexpr int BUILTIN_DEFAULT_PROGRAM = 8;

// Every tag's value (PARAMETER_COUNT of them) of built-in program `program`;
// an index outside 0..BUILTIN_PROGRAM_COUNT - 1 reads program 0.
std::span<const float> builtinProgramValues(int program);
// Its name, at most 23 characters.
std::string_view builtinProgramName(int program);
