// The sound engine driven directly, block by block, for its unit tests: MIDI
// events at chosen offsets, parameters in a plain store of their own, a host
// clock whose tempo and transport the test sets, and the engine's state.
#pragma once

#include <cmath>
#include <vector>

#include "engine_test_access.h"
#include "tools/enginehost/EngineHarness.h"
#include "tools/testhost/MidiEventList.h"
#include "vst/vst2_abi.h"

namespace enginetest {

using enginehost::EngineParameters;
using enginehost::hostClock;
using enginehost::midiEvent;
using enginehost::TestHostClock;
using enginehost::testAudioMaster;
using enginehost::usePrivatePreferences;

// The harness with what only the tests look at.
class EnginePlugin : public enginehost::EngineHarness {
public:
    using EngineHarness::EngineHarness;

    int voicesOn() const {
        int count = 0;
        for (bool on : TEngineTestAccess::voices(*this).voiceOn) count += on;
        return count;
    }
};

inline bool allFinite(const std::vector<float>& samples) {
    for (float x : samples)
        if (!std::isfinite(x)) return false;
    return true;
}

}  // namespace enginetest
