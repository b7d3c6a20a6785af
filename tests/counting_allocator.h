// Replaces the global allocation functions with ones that count what the
// test asks them to count. Include it in exactly one source of an executable
// of its own: the replacements hold for the whole process.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace countingalloc {

// Defined by the including test: whether an allocation made now is counted.
bool countsNow();

inline std::atomic<long> allocations{0};
// Set: a counted allocation fails as one does when memory runs out.
inline std::atomic<bool> failCounted{false};

inline void* allocate(std::size_t size, std::size_t alignment) {
    if (countsNow()) {
        allocations.fetch_add(1, std::memory_order_relaxed);
        if (failCounted.load(std::memory_order_relaxed)) throw std::bad_alloc();
    }
    const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
    void* p = alignment > alignof(std::max_align_t) ? std::aligned_alloc(alignment, rounded ? rounded : alignment)
                                                    : std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace countingalloc

void* operator new(std::size_t size) { return countingalloc::allocate(size, alignof(std::max_align_t)); }
void* operator new[](std::size_t size) { return countingalloc::allocate(size, alignof(std::max_align_t)); }
void* operator new(std::size_t size, std::align_val_t a) {
    return countingalloc::allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a) {
    return countingalloc::allocate(size, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
