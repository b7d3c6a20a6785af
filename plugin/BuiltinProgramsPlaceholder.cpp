// Stand-in for the built-in bank until its programs are written: every
// program is the default sound, named by its number.
#include "plugin/BuiltinPrograms.h"

#include <array>
#include <memory>
#include <string>

#include "engine/ParameterModel.h"

namespace {

struct TPlaceholderBank {
    std::array<float, PARAMETER_COUNT> defaults{};
    std::array<std::string, BUILTIN_PROGRAM_COUNT> names;

    TPlaceholderBank() {
        auto attr = std::make_unique<TParameterAttributes>();
        auto values = std::make_unique<TParameterValues>();
        initParameterModel(*attr, *values);
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag) defaults[static_cast<std::size_t>(tag)] = attr->defaultValue[static_cast<std::size_t>(tag)];
        for (int n = 0; n < BUILTIN_PROGRAM_COUNT; ++n)
            names[static_cast<std::size_t>(n)] = n == 8 ? "Default" : "Program " + std::to_string(n + 1);
    }
};

const TPlaceholderBank& bank() {
    static const TPlaceholderBank instance;
    return instance;
}

std::size_t indexOf(int program) {
    return static_cast<unsigned>(program) < unsigned{BUILTIN_PROGRAM_COUNT} ? static_cast<std::size_t>(program) : 0;
}

}  // namespace

std::span<const float> builtinProgramValues(int) { return bank().defaults; }

std::string_view builtinProgramName(int program) { return bank().names[indexOf(program)]; }
