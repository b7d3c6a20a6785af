#include <chrono>
#include <mutex>

#include "toolkit/CBase.h"

namespace kgui {

namespace {
std::mutex clockMutex;
std::function<uint32()>& clockOverride() {
    static std::function<uint32()> source;
    return source;
}
}  // namespace

uint32 getPlatformTicks() {
    {
        std::lock_guard lock(clockMutex);
        if (clockOverride())
            return clockOverride()();
    }
    using namespace std::chrono;
    return static_cast<uint32>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void setTicksSourceForTesting(std::function<uint32()> source) {
    std::lock_guard lock(clockMutex);
    clockOverride() = std::move(source);
}

}  // namespace kgui

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig keeps its configuration and font caches for the life of the
// process and frees them at no point we control; under the leak checker those
// are reported as leaks on every run. Programs that link the toolkit (its tests
// among them) get this suppression built in.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif
