// The host callback of a host that names itself as REAPER does and answers
// nothing else: a plug-in built directly with it serves chunks as to REAPER.
#pragma once

#include <cstring>

#include "vst/vst2_abi.h"

inline vst::intptr reaperHostCallback(vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void* ptr, float) {
    if (opcode == vst::audioMasterVersion) return 2400;
    if (opcode == vst::audioMasterGetProductString && ptr) {
        std::strcpy(static_cast<char*>(ptr), "REAPER");
        return 1;
    }
    return 0;
}
