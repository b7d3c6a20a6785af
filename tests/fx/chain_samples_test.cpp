// The chain's output, bit for bit: every Mod FX mode at four rates, each case
// with its own random settings, order, modulation and control-step spacing,
// must give exactly the samples stored for it. Work on the chain's speed
// keeps every sample as it was; a change that alters one shows here, case by
// case. After a deliberate change of the sound, rewrite the stored hashes
// with KOLBRI_UPDATE_GOLDEN=1.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "fx_test_support.h"

using namespace fxtest;

namespace {

const std::string HASH_FILE = std::string(KOLBRI_TEST_DATA_DIR) + "/fx/chain_hashes.txt";
constexpr float RATES[] = {22050.0f, 44100.0f, 96000.0f, 192000.0f};
// Rates of the cases with the shortest reverb, whose combs are shorter than
// a block of the comb bank: down to the lowest rate the chain runs at.
constexpr float SHORT_REVERB_RATES[] = {1000.0f, 8000.0f, 22050.0f, 44100.0f};
// Frames between control steps, as blocks of different sizes space them.
constexpr int CONTROL_SPACING[] = {16, 1, 7, 64, 33};
// Long enough for the reverb's and the delay lines' rings to wrap.
constexpr int FRAMES = 20000;

// A generator of our own, so the cases are the same with any standard library.
struct Random {
    std::uint64_t state;
    explicit Random(std::uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    float unit() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<float>(state >> 40) / 16777216.0f;
    }
    float between(float lo, float hi) { return lo + (hi - lo) * unit(); }
};

// Every parameter drawn, every stage on, about a third of the destinations
// modulated within a range that moves them without pinning them.
TFxControls randomControls(Random& random, int mode) {
    TFxControls c;
    for (float& p : c.parameters) p = random.unit();
    for (float& m : c.modulation) m = random.unit() < 0.35f ? random.between(-0.5f, 0.5f) : 0.0f;
    setParam(c, tag::BYPASS_ALL_FX, 0.0f);
    for (int tag : {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB}) setParam(c, tag, 1.0f);
    setMode(c, mode);
    setPath(c, static_cast<int>(random.unit() * FX_PATH_COUNT) % FX_PATH_COUNT);
    c.tempo = random.between(60.0f, 200.0f);
    return c;
}

void hashInto(std::uint64_t& hash, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    hash = (hash ^ bits) * 1099511628211ull;
}

// Noise with a few loud clicks; halfway the settings move, and a stage goes
// off for a while and comes back, the reverb among them in some cases.
std::uint64_t renderCase(ChainRig& rig, int index, int mode, float rate, bool shortReverb) {
    Random random(static_cast<std::uint64_t>(index) + 1);
    TFxControls controls = randomControls(random, mode);
    if (shortReverb) {
        setParam(controls, tag::REVERB_LENGTH, 0.0f);
        setMod(controls, destination::REVERB_LEN, 0.0f);
    }
    // A new rate, as the engine takes one: the effects and the Gator start afresh.
    rig.chain->setSampleRate(rate);
    rig.chain->initFX(controls);
    rig.chain->restartGator();
    // Some cases start where a long run would have taken the frame counter.
    if (index % 3 == 1) rig.chain->setFrameCountForTest(0xFFFFFFFFu - 2000u);
    const int spacing = CONTROL_SPACING[index % 5];
    const int offStage = index % FX_STAGE_COUNT;
    constexpr int STAGE_TAGS[FX_STAGE_COUNT] = {tag::LOW_FI, tag::MOD_FX, tag::DELAY,
                                                tag::REVERB};
    TRandSeed noise;
    std::uint64_t hash = 1469598103934665603ull;
    for (int frame = 0; frame < FRAMES; ++frame) {
        if (frame == FRAMES / 2) {
            TFxControls moved = randomControls(random, mode);
            moved.path = controls.path;
            if (shortReverb) setParam(moved, tag::REVERB_LENGTH, 0.02f * random.unit());
            controls = moved;
        }
        if (frame == FRAMES / 3) setParam(controls, STAGE_TAGS[offStage], 0.0f);
        if (frame == FRAMES / 3 + 301 + index) setParam(controls, STAGE_TAGS[offStage], 1.0f);
        if (frame % spacing == 0) rig.chain->controlStep(controls);
        const float click = frame % 1500 == 0 ? 0.9f : 0.0f;
        const stereoStruct y =
            rig.chain->process(stereoStruct{0.2f * noise.bipolar() + click, 0.2f * noise.bipolar() - click}, controls);
        hashInto(hash, y.left);
        hashInto(hash, y.right);
        const TFxSources& sources = rig.chain->sources();
        for (int s = 0; s < FX_STAGE_COUNT; ++s)
            if (sources.stageRan(s)) hashInto(hash, sources.stageOutput[static_cast<size_t>(s)]);
    }
    return hash;
}

// Each case under its name, so that a file entry names what it renders.
struct NamedCase {
    std::string name;
    std::uint64_t hash;
};

std::vector<NamedCase> renderAllCases() {
    ChainRig rig(defaultControls());
    std::vector<NamedCase> cases;
    for (int mode = 0; mode < TModFX::MODE_COUNT; ++mode)
        for (int rateIndex = 0; rateIndex < 4; ++rateIndex)
            cases.push_back({"mode" + std::to_string(mode) + "@" + std::to_string(static_cast<int>(RATES[rateIndex])),
                             renderCase(rig, mode * 4 + rateIndex, mode, RATES[rateIndex], false)});
    for (int k = 0; k < 4; ++k)
        cases.push_back({"short-reverb@" + std::to_string(static_cast<int>(SHORT_REVERB_RATES[k])),
                         renderCase(rig, 40 + k, 3 * k, SHORT_REVERB_RATES[k], true)});
    return cases;
}

TEST(ChainSamples, EveryModeAndRateGivesTheStoredSamples) {
    const std::vector<NamedCase> cases = renderAllCases();
    if (std::getenv("KOLBRI_UPDATE_GOLDEN") != nullptr) {
        std::ofstream file(HASH_FILE);
        for (const NamedCase& c : cases) file << c.name << ' ' << std::hex << c.hash << std::dec << '\n';
        GTEST_SKIP() << "rewrote " << HASH_FILE;
    }
    std::map<std::string, std::uint64_t> stored;
    std::ifstream file(HASH_FILE);
    for (std::string name, hex; file >> name >> hex;) stored[name] = std::stoull(hex, nullptr, 16);
    ASSERT_EQ(stored.size(), cases.size()) << HASH_FILE << " lacks cases; KOLBRI_UPDATE_GOLDEN=1 rewrites it";
    for (const NamedCase& c : cases) {
        const auto entry = stored.find(c.name);
        ASSERT_NE(entry, stored.end()) << c.name << " is not stored";
        EXPECT_EQ(c.hash, entry->second) << c.name;
    }
}

}  // namespace
