// Random programs and random playing through the host: whatever the values of
// the 1024 parameters and whatever the MIDI, the output stays finite and
// inside the output clamp, and nothing crashes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/dsp/ParameterTags.h"
#include "tools/testhost/TestHost.h"

namespace {

TEST(LoopRandomPatch, AnyProgramAndAnyPlayingStayFiniteAndClamped) {
    std::mt19937 random(20261206);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int> byte(0, 127);
    for (int patch = 0; patch < 24; ++patch) {
        SCOPED_TRACE("patch " + std::to_string(patch));
        testhost::HostConfig config;
        config.sampleRate = patch % 3 == 0 ? 44100 : (patch % 3 == 1 ? 48000 : 96000);
        config.blockSize = 64 + 97 * (patch % 5);
        config.playing = patch % 2 == 0;
        config.tempo = 40 + 20 * (patch % 9);
        auto plugin = testhost::Host(config).load(KOLBRI_SO_PATH);
        ASSERT_TRUE(plugin) << testhost::Host::lastError();
        // Extremes are where faults hide: a third of the values are 0 or 1.
        for (int tag = 0; tag < 1024; ++tag) {
            if (tag == PRESET_APPLY_TAG) continue;
            const float pick = unit(random);
            plugin->setParameter(tag, pick < 0.17f ? 0.0f : (pick < 0.34f ? 1.0f : unit(random)));
        }
        plugin->setParameter(PRESET_APPLY_TAG, 0.0f);
        const long length = static_cast<long>(config.sampleRate * 0.4);
        for (int event = 0; event < 40; ++event) {
            const long frame = static_cast<long>(unit(random) * length);
            switch (event % 5) {
                case 0:
                case 1: plugin->noteOn(frame, byte(random), 1 + byte(random) % 127, event % 3); break;
                case 2: plugin->noteOff(frame, byte(random), 0, event % 3); break;
                case 3: plugin->controller(frame, byte(random), byte(random)); break;
                case 4: plugin->pitchBend(frame, byte(random) * 128 + byte(random)); break;
            }
        }
        const testhost::Stereo out = plugin->render(length);
        const testhost::Levels levels = testhost::measure(out);
        ASSERT_TRUE(levels.finite);
        EXPECT_LE(levels.peak, 0.99f + 1e-6f);
    }
}

}  // namespace
