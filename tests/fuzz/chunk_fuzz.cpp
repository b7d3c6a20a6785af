// Any bytes as a state chunk from a chunk host, the first byte choosing the
// size the host claims: the plug-in keeps playing, its record holds values
// in 0..1 once applied, its name stays terminated and its output finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "plugin/uPlugin.h"
#include "tests/plugin/reaper_host_callback.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

constexpr int RECORD = static_cast<int>(sizeof(TProgram));
constexpr int BLOCK = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::unique_ptr<APlugin> plugin = [] {
        auto made = std::make_unique<APlugin>(reaperHostCallback);
        made->setSampleRate(48000.0f);
        return made;
    }();
    if (size < 1) return 0;
    // Claimed sizes around the record's, whatever the bytes that follow.
    const int claims[] = {0, 1, RECORD - 1, RECORD, RECORD + 872};
    std::vector<unsigned char> chunk(data + 1, data + size);
    const int claimed = claims[data[0] % 5];
    chunk.resize(static_cast<std::size_t>(std::max(claimed, 1)));
    plugin->dispatcher(vst::effSetChunk, 0, claimed, chunk.data(), 0);

    std::vector<float> left(BLOCK), right(BLOCK);
    float* outputs[2] = {left.data(), right.data()};
    for (int done = 0; done < 2 * 4096 + BLOCK; done += BLOCK) {
        plugin->processReplacing(nullptr, outputs, BLOCK);
        for (int i = 0; i < BLOCK; ++i) check(std::isfinite(left[i]) && std::isfinite(right[i]));
    }
    void* out = nullptr;
    check(plugin->dispatcher(vst::effGetChunk, 0, 0, &out, 0) == RECORD && out);
    const auto* record = static_cast<const TProgram*>(out);
    check(record->name[sizeof record->name - 1] == 0);
    if (!plugin->getIsSettingPreset())
        for (const TSharedFloat& value : record->values) check(value >= 0.0f && value <= 1.0f);
    char name[64];
    plugin->dispatcher(vst::effGetProgramName, 0, 0, name, 0);
    check(std::strlen(name) <= 23);
    return 0;
}
