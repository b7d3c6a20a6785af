// Numbers typed into the editor's boxes and fields.
#pragma once

#include <optional>
#include <string_view>

// A typed whole number: the whole text (blanks around it aside) must be one,
// so "44O" or "1e3" is refused instead of read as far as it goes. The sample
// position fields take frame numbers so: a stray letter moves no sample point.
std::optional<int> parseTypedInteger(std::string_view text);

// A number typed into the settings page's A4 and brick filter boxes, read as
// atoi reads it: blanks, a sign and the digits that follow, the rest ignored,
// so "440 Hz" is 440 and "20k" is 20; a text with no digit there reads 0, and
// a number beyond int the nearest end of int. The boxes' ranges turn all of
// those they do not hold into their defaults. Nothing at all (a cancelled box
// empties its text; blanks alone) is no number: the box changes nothing.
std::optional<int> readTypedNumber(std::string_view text);
