// libFuzzer target: any bytes through the WAV/AIFF reader, and every frame
// of what it accepts read back, at whole and fractional positions.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/sample/SampleFileParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TSampleParseResult result = parseSampleFile(std::span<const std::uint8_t>(data, size));
    if (!result.data) return 0;
    const TSampleData& sample = *result.data;
    if (sample.getByteCount() > size || sample.getNumFrames() < 1) std::abort();
    if (sample.hasLoop() && (sample.getLoopStart() < 0 || sample.getLoopEnd() >= sample.getNumFrames())) std::abort();
    for (int i = -1; i <= sample.getNumFrames(); ++i) {
        float left, right;
        sample.getFrame(i, left, right);
        if (!std::isfinite(left) || !std::isfinite(right)) std::abort();
        sample.getSample(i + 0.37, left, right);
        if (!std::isfinite(left) || !std::isfinite(right)) std::abort();
    }
    return 0;
}
