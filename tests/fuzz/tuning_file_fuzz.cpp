// Any bytes as a tuning file, and any bytes as a tuning name: the table holds
// finite pitches in range, the identity without a section, and the name
// helpers agree with each other.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/TuningFile.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// What survives being spelled into parameters: at most 39 characters,
// ending before the first zero byte or byte above 127.
std::string storableName(std::string_view name) {
    std::string kept;
    for (const char c : name.substr(0, TUNING_NAME_LIMIT)) {
        if (c == 0 || static_cast<unsigned char>(c) > 127) break;
        kept.push_back(c);
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const TTuningFileResult result = parseTuningText(text);
    for (const float pitch : result.table.tuningTable)
        check(std::isfinite(pitch) && pitch >= TUNING_MIN_CENTS / 100.0 && pitch <= TUNING_MAX_CENTS / 100.0);
    if (!result.sectionFound) check(result.table == TTuningTable::identity());

    const std::string_view name = text.substr(0, std::min<std::size_t>(size, 64));
    check(readTuningName(spellTuningName(name)) == storableName(name));
    const std::string path = tuningFilePath("/tuning", name);
    check(isSafeTuningName(name) == !path.empty());
    if (!path.empty()) {
        // The file stays directly inside the folder.
        check(path.rfind('/') == std::string_view("/tuning").size());
        check(path.find("/.") == std::string::npos);
    }
    return 0;
}
