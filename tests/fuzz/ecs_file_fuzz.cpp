// Any bytes as an ECS file: a refused file leaves the map untouched, an
// accepted one holds tags only and saves and loads back to itself.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/EcsFile.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TEcsMap map;
    map.fill(-1);
    if (!parseEcsText(text, map)) {
        for (const int tag : map) check(tag == -1);
        return 0;
    }
    for (const int tag : map) check(tag >= 0 && tag <= ECS_MAX_TAG);
    TEcsMap again;
    again.fill(-1);
    check(parseEcsText(formatEcsText(map), again));
    check(again == map);
    return 0;
}
