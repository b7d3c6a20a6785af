// Bounded copies of text into buffers that belong to the host. The interface's
// nominal limits are small, but Linux hosts hand out at least 64 bytes for
// parameter and identity texts and 24 for program names; we never write more.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace kolbri {

constexpr std::size_t HOST_TEXT_BYTES = 64;          // 63 characters and the terminator
constexpr std::size_t HOST_PROGRAM_NAME_BYTES = 24;  // 23 characters and the terminator

// Copies as much of text as fits in capacity - 1 bytes and terminates it.
inline void copyText(char* destination, std::string_view text, std::size_t capacity) {
    if (!destination || capacity == 0) return;
    std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(destination, text.data(), length);
    destination[length] = 0;
}

inline void copyHostText(char* destination, std::string_view text) {
    copyText(destination, text, HOST_TEXT_BYTES);
}

inline void copyProgramName(char* destination, std::string_view text) {
    copyText(destination, text, HOST_PROGRAM_NAME_BYTES);
}

}  // namespace kolbri
