#include "engine/EcsFile.h"

#include <charconv>

#include "platform/TextFiles.h"

namespace {

// The white space of the C locale, which is what separates the numbers.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// A whole token as one tag: an optional sign and decimal digits, nothing else.
bool readTag(std::string_view token, int& tag) {
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    // "+-5" must not pass as -5, nor "+" alone as nothing.
    if (token.empty() || token.front() == '+') return false;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), tag);
    return error == std::errc() && end == token.data() + token.size() && tag >= 0 && tag <= ECS_MAX_TAG;
}

}  // namespace

bool parseEcsText(std::string_view text, TEcsMap& map) {
    TEcsMap read{};
    int count = 0;
    std::size_t at = 0;
    for (;;) {
        while (at < text.size() && isBlank(text[at])) ++at;
        if (at == text.size()) break;
        std::size_t end = at;
        while (end < text.size() && !isBlank(text[end])) ++end;
        if (count == ECS_CONTROLLER_COUNT) return false;  // more after the last controller
        if (!readTag(text.substr(at, end - at), read[static_cast<std::size_t>(count)])) return false;
        ++count;
        at = end;
    }
    if (count != ECS_CONTROLLER_COUNT) return false;
    map = read;
    return true;
}

std::string formatEcsText(const TEcsMap& map) {
    std::string text;
    text.reserve(map.size() * 5);
    for (const int tag : map) {
        text += std::to_string(tag >= 0 && tag <= ECS_MAX_TAG ? tag : 0);
        text += '\n';
    }
    return text;
}

bool readEcsFile(const std::string& path, TEcsMap& map) {
    std::string text;
    if (platform::readFileBounded(path, ECS_FILE_MAX_BYTES, text) != platform::TFileReadResult::ok) return false;
    return parseEcsText(text, map);
}

bool writeEcsFile(const std::string& path, const TEcsMap& map) {
    return platform::writeFileReplacing(path, formatEcsText(map));
}
