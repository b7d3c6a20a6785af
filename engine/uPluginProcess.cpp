// The audio block loop.
#include "plugin/uPlugin.h"

#include <cstring>

void APlugin::processReplacing(float** /*inputs*/, float** outputs, int32 sampleFrames) {
    if (!outputs || sampleFrames <= 0) return;
    for (int channel = 0; channel < 2; ++channel)
        if (outputs[channel]) std::memset(outputs[channel], 0, sizeof(float) * static_cast<size_t>(sampleFrames));
}
