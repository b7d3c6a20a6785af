// What the process holds now, for tests that look for what a repeated
// operation leaves behind: its live heap bytes and its open descriptors.
#pragma once

#include <malloc.h>

#include <cstddef>
#include <filesystem>
#include <iterator>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of live heap bytes (its malloc replaces glibc's).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

inline std::size_t liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

inline long openFileCount() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
}
