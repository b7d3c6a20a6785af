// The built-in program bank as text: reading it (with every check a build
// must refuse on), expanding it over the parameter defaults, writing the
// plug-in's table, and turning a program's values back into text.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ParameterModel.h"

namespace programbank {

constexpr int BANK_SIZE = 70;
constexpr int DEFAULT_PROGRAM_INDEX = 8;
constexpr std::string_view DEFAULT_PROGRAM_NAME = "Default";
// What a host's program-name buffer takes besides its terminating zero.
constexpr std::size_t NAME_LIMIT = 23;

using TValues = std::array<float, PARAMETER_COUNT>;

// What the text needs to know of a tag: its name as the host reads it, its
// default, and for stepped and on/off tags the display text of every step.
struct TTagInfo {
    std::string name;
    float defaultValue = 0.0f;
    int steppedNum = -1;
    float steppedRange = 1.0f;
    std::vector<std::string> stepTexts;
};

const std::array<TTagInfo, PARAMETER_COUNT>& tagInfo();

// The value a stepped tag stores for step s, as the parameter store writes it.
float steppedValue(const TTagInfo& info, int step);

// A note of a program's audition: played when the previous one is released.
struct TAuditionNote {
    int note = 60;
    double seconds = 1.0;  // held for
};

struct TProgramText {
    std::string name;
    TValues values{};
    std::string origin;  // "file:line" of its header, for messages
    // What suits the program when it is rendered to be heard and checked
    // ("Audition = 48 1.5 55 0.5": note 48 held 1.5 s, then 55 held 0.5 s).
    std::vector<TAuditionNote> audition{TAuditionNote{}};
};

// Reads one file of the bank's text and appends its programs. Returns false
// with a message naming the file and line at the first fault.
bool readBankText(std::string_view text, std::string_view fileName, std::vector<TProgramText>& programs,
                  std::string& error);

// Checks the whole bank: the count, unique names in case-insensitive order,
// "Default" in its place with every value at its default, values in 0..1.
bool checkBank(const std::vector<TProgramText>& programs, std::string& error);

// The program as text: its header and each value that differs from the
// default, stepped values by their display text.
std::string dumpProgram(std::string_view name, std::span<const float> values);

// The source file that serves builtinProgramValues and builtinProgramName.
std::string generatedSource(const std::vector<TProgramText>& programs);

// A saved state as a host writes it: the plug-in's chunk (1024 values in the
// machine's byte order, then the name) bare or inside a program file (.fxp),
// or a program file of plain parameters. Fills the values and the name.
bool readSavedState(std::span<const std::uint8_t> bytes, TValues& values, std::string& name, std::string& error);

// A program file (.fxp) of plain parameters, as hosts save and load a program
// of a plug-in whose state is its parameters: every tag's value, and the name.
std::vector<std::uint8_t> programFile(std::string_view name, std::span<const float> values);

// Case-insensitive order of names, as the bank is sorted.
bool nameBefore(std::string_view a, std::string_view b);

}  // namespace programbank
