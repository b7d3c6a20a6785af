// Numbers typed into the editor's boxes and fields, taken whole or refused.
#pragma once

#include <optional>
#include <string_view>

// A typed whole number: the whole text (blanks around it aside) must be one,
// so "44O" or "1e3" is refused instead of read as far as it goes.
std::optional<int> parseTypedInteger(std::string_view text);

// A typed frequency: a whole or decimal number, truncated to whole units as
// the readouts show them; empty text (a cancelled box) reads as 0, which the
// ranges turn into the default.
std::optional<int> parseTypedFrequency(std::string_view text);
