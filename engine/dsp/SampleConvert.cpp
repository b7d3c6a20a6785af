#include "engine/dsp/SampleConvert.h"

#include <mutex>

float sampleConvert[65536];
float wave8BitConvert[256];
float au8BitConvert[256];

namespace {

void fillSampleConvertTables() {
    for (int i = 0; i < 65536; ++i) {
        const int word = i <= 32767 ? i : i - 65536;
        sampleConvert[i] = static_cast<float>(word) / 32768.0f;
    }
    for (int i = 0; i < 256; ++i) {
        wave8BitConvert[i] = static_cast<float>(i - 128) / 128.0f;
        const int signedByte = i <= 127 ? i : i - 256;
        au8BitConvert[i] = static_cast<float>(signedByte) / 128.0f;
    }
}

std::once_flag sampleConvertOnce;

}  // namespace

void buildSampleConvertTables() {
    std::call_once(sampleConvertOnce, fillSampleConvertTables);
}
