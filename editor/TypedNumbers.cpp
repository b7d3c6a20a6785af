#include "editor/TypedNumbers.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <system_error>

namespace {

std::string_view trimmed(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<int> parseTypedInteger(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<int> readTypedNumber(std::string_view text) {
    // The blanks atoi skips: those of isspace in the C locale.
    const size_t start = text.find_first_not_of(" \t\n\v\f\r");
    if (start == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(start);
    const bool negative = text.front() == '-';
    if (text.front() == '+' || text.front() == '-')
        text.remove_prefix(1);
    const size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
    if (digits == 0)
        return 0;
    long long magnitude = 0;
    if (std::from_chars(text.data(), text.data() + digits, magnitude).ec != std::errc() || magnitude > INT_MAX)
        return negative ? INT_MIN : INT_MAX;
    return static_cast<int>(negative ? -magnitude : magnitude);
}
