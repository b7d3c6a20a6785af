// How the windowed tests ask the showcase plug-in what reached its editor:
// effVendorSpecific with index kQueryIndex and a Query record as ptr.
#pragma once

#include "vst/vst2_abi.h"

namespace showcase {

inline constexpr vst::int32 kQueryIndex = 0x4b735179;  // "KsQy"

struct Query {
    enum What : vst::int32 { droppedPaths, chosenTitle, keys };
    What what = droppedPaths;
    vst::int32 count = 0;     // drops so far, or keys recorded
    char text[8192] = {};     // paths one a line, the chosen title
    vst::VstKeyCode keyList[64] = {};
};

}  // namespace showcase
