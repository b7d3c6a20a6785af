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
