// The bytes the process holds on its heap now, for tests that look for what
// a repeated operation leaves behind.
#pragma once

#include <malloc.h>

#include <cstddef>

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
