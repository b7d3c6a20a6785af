#include "engine/sample/SamplePathSlots.h"

#include <cmath>

float samplePathSlotValue(std::uint8_t high, std::uint8_t low) {
    return (static_cast<float>(high * 256 + low) + 0.1f) / 65536.0f;
}

void samplePathSlotBytes(float value, std::uint8_t& high, std::uint8_t& low) {
    const float scaled = value * 65536.0f + 0.1f;
    // Guarded before the conversion: NaN and huge values have no integer.
    const long x = scaled >= 0.0f && scaled < 16777216.0f ? static_cast<long>(scaled) : 0;
    high = static_cast<std::uint8_t>((x / 256) % 256);
    low = static_cast<std::uint8_t>(x % 256);
}

bool encodeSamplePath(const std::string& relativePath, std::array<float, SAMPLE_NAME_SLOTS>& slots) {
    const bool fits = relativePath.size() <= static_cast<std::size_t>(MAX_SAMPLE_PATH_BYTES);
    for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k) {
        const std::size_t at = static_cast<std::size_t>(2 * k);
        const auto byteAt = [&](std::size_t i) {
            return fits && i < relativePath.size() ? static_cast<std::uint8_t>(relativePath[i]) : std::uint8_t{0};
        };
        slots[static_cast<std::size_t>(k)] = samplePathSlotValue(byteAt(at), byteAt(at + 1));
    }
    return fits;
}

std::string decodeSamplePath(const float* slots, TSamplePathBackslash backslash) {
    const bool separates = backslash == TSamplePathBackslash::separator;
    std::string path;
    if (!slots) return path;
    for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k) {
        std::uint8_t pair[2];
        samplePathSlotBytes(slots[k], pair[0], pair[1]);
        for (std::uint8_t byte : pair) {
            if (byte == 0) return path;
            path += separates && byte == '\\' ? '/' : static_cast<char>(byte);
        }
    }
    return path;
}
