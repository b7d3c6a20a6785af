// The sound itself, bit for bit: a set of patches rendered through the host
// must give exactly the samples stored for them. Work on the engine's speed
// keeps every sample as it was; a change that alters one shows here, patch by
// patch. After a deliberate change of the sound, rewrite the stored hashes
// with KOLBRI_UPDATE_GOLDEN=1.
//
// The patches are played by a private copy of the library (see
// private_library.h), so that what ran before in this process does not
// change the answer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "plugin/uPlugin.h"
#include "private_library.h"
#include "tools/testhost/TestHost.h"

namespace {

constexpr int PATCHES = 24;
const std::string HASH_FILE = std::string(KOLBRI_TEST_DATA_DIR) + "/engine/render_hashes.txt";

// A generator of our own, so the patches are the same with any standard library.
struct Random {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    float unit() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<float>(state >> 40) / 16777216.0f;
    }
};

std::uint64_t hashSamples(const testhost::Stereo& audio) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const auto* channel : {&audio.left, &audio.right})
        for (float sample : *channel) {
            std::uint32_t bits;
            std::memcpy(&bits, &sample, sizeof bits);
            hash = (hash ^ bits) * 1099511628211ull;
        }
    return hash;
}

// Patch 0: a wave through a resonant low-pass and a distortion, the Free LFO
// on the cutoff and the Movement on the fine tune. Odd patches: every
// parameter random. Even patches: the defaults with random engine settings.
std::vector<std::pair<int, float>> patchValues(int patch, const APlugin& ranges, Random& random) {
    auto step = [&](int tag, int index) { return static_cast<float>((index + 0.1) / ranges.getSteppedRange(tag)); };
    std::vector<std::pair<int, float>> values;
    if (patch == 0) {
        values = {{10, step(10, 3)},    {15, 0.3f},  {27, step(27, 3)}, {28, 0.55f},           {30, 0.8f},
                  {32, step(32, 13)},   {33, 0.5f},  {40, 1.0f},        {111, step(111, 47)},  {115, step(115, 28)},
                  {119, 0.7f},          {112, step(112, 39)},           {116, step(116, 9)},   {120, 0.6f},
                  {63, 0.6f},           {64, 0.0f}};
    } else if (patch % 2 == 1) {
        for (int tag = 0; tag < APlugin::NUM_PARAMS; ++tag)
            if (tag != PRESET_APPLY_TAG) values.emplace_back(tag, random.unit());
        values.emplace_back(2, 0.75f);  // audible whatever the volume drew
    } else {
        for (int tag = 0; tag < 130; ++tag)
            if (tag != PRESET_APPLY_TAG && tag != 2 && random.unit() < 0.5f) values.emplace_back(tag, random.unit());
        values.emplace_back(10, step(10, patch / 2 % 5));  // each source mode in turn
    }
    return values;
}

std::uint64_t renderPatch(const std::string& library, int patch, const APlugin& ranges, Random& random) {
    testhost::HostConfig config;
    config.playing = patch % 3 == 0;
    config.tempo = 100 + patch;
    auto plugin = testhost::Host(config).load(library);
    EXPECT_TRUE(plugin) << testhost::Host::lastError();
    if (!plugin) return 0;
    // Every patch starts from the defaults, whatever program 0 is.
    for (int tag = 0; tag < APlugin::NUM_PARAMS; ++tag)
        if (tag != PRESET_APPLY_TAG) plugin->setParameter(tag, ranges.getDefaultValue(tag));
    for (const auto& [tag, value] : patchValues(patch, ranges, random)) plugin->setParameter(tag, value);
    plugin->render(512);
    const long length = 12000;
    for (int n = 0; n < 8; ++n) {
        const long at = n * 700 + (patch * 37 % 500);
        const int note = 36 + (n * 7 + patch * 5) % 48;
        plugin->noteOn(at, note, 30 + (n * 13 + patch) % 97);
        if (n % 3 != 2) plugin->noteOff(at + length / 2 + n * 300, note);
    }
    plugin->pitchBend(1500, 12000);
    plugin->controller(2500, 1, 90);
    plugin->polyPressure(3500, 36 + patch * 5 % 48, 64);
    plugin->channelPressure(4000, 100);
    plugin->pitchBend(4500, 2000);
    if (patch % 4 == 2) plugin->parameterAt(5000, 28, random.unit());
    return hashSamples(plugin->render(length));
}

TEST(RenderGolden, EveryPatchRendersTheStoredSamples) {
    const auto ranges = std::make_unique<APlugin>(nullptr);
    const PrivateLibrary library;
    ASSERT_FALSE(library.path.empty()) << "cannot copy " << KOLBRI_SO_PATH;
    Random random;
    std::vector<std::uint64_t> hashes;
    for (int patch = 0; patch < PATCHES; ++patch) hashes.push_back(renderPatch(library.path, patch, *ranges, random));

    if (std::getenv("KOLBRI_UPDATE_GOLDEN") != nullptr) {
        std::ofstream out(HASH_FILE);
        for (std::uint64_t hash : hashes) out << std::hex << hash << '\n';
        GTEST_SKIP() << "rewrote " << HASH_FILE;
    }
    std::ifstream in(HASH_FILE);
    ASSERT_TRUE(in) << HASH_FILE << " is missing; run with KOLBRI_UPDATE_GOLDEN=1";
    std::vector<std::uint64_t> stored;
    for (std::string line; std::getline(in, line);) stored.push_back(std::stoull(line, nullptr, 16));
    ASSERT_EQ(stored.size(), hashes.size());
    for (int patch = 0; patch < PATCHES; ++patch) EXPECT_EQ(hashes[patch], stored[patch]) << "patch " << patch;
}

}  // namespace
