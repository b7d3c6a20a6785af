// The effects' place in the frame: the chain between the voice mix and the
// output stage, and the silence gate that lets it rest. The effects units
// themselves live in engine/fx/; the chain's state joins TSoundEngine.
#include <cmath>
#include <cstdint>

#include "engine/SoundEngine.h"

namespace {

// |L| + |R| at or below this counts as silence for the effects gate.
constexpr float GATE_THRESHOLD = 0.0001f;

}  // namespace

float TSoundEngine::silenceGateLimit() const { return 8.0f * rate.curSampleRate; }

// Frame step 15: the effects chain runs while its input or output was audible
// within the last eight seconds and "Bypass All FX" is off.
void TSoundEngine::applyFX() {
    const auto& input = engine.fxInput;
    if (std::fabs(input[0]) + std::fabs(input[1]) > GATE_THRESHOLD) output.silentFrames = 0;
    std::array<float, 2> result = input;
    if (output.silentFrames < static_cast<std::int32_t>(silenceGateLimit()) && !engine.bypassAllFX) {
        // The effects chain takes the frame here; while it is not part of the
        // engine every effect is bypassed and the frame passes unchanged.
        result = input;
    }
    if (std::fabs(result[0]) + std::fabs(result[1]) < GATE_THRESHOLD && output.silentFrames < INT32_MAX)
        ++output.silentFrames;
    engine.outFrame = result;
}

// At every reset: the chain starts afresh, its frame count with it.
void TSoundEngine::initFX() {
    engine.fxFrameCount = 0;
    // The effects chain's delay lines, reverb and Mod FX clear here with the chain.
}
