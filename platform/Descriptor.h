// A file descriptor closed however its scope is left, so that no path out of
// a read or a write (an error, or memory running out, which throws) leaks it.
#pragma once

#include <unistd.h>

namespace platform {

class TDescriptor {
public:
    explicit TDescriptor(int value) : value(value) {}
    ~TDescriptor() {
        if (value >= 0) ::close(value);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int get() const { return value; }
    // Closes now and reports whether the close itself failed (a full disk
    // may show only here).
    bool close() {
        const int closing = value;
        value = -1;
        return ::close(closing) == 0;
    }

private:
    int value;
};

}  // namespace platform
