// The colour of the noise sources as a host hears them: white noise is flat,
// pink noise falls about 3 dB per octave, and its spectrum has the shape of
// the row-refresh generator (seven rows refreshed every 2, 4, ... calls, two
// calls per frame, the pair averaged at the mix).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "audio_measure.h"
#include "engine_test_support.h"

namespace am = audiomeasure;

namespace {

// A reference of the pink generator, written from its description: the rows
// to refresh follow the call count's low bits, and every 256th call rebuilds
// the sum with one extra slow value.
class ReferencePink {
public:
    float next() {
        ++counter;
        if (counter & 1u) return sum - 1.0f;
        if ((counter & 0xFFu) == 0) {
            sum = 0;
            for (float& row : rows) sum += (row = draw());
            sum += draw();
            return sum - 1.0f;
        }
        int refreshed = 1;
        if ((counter & 0x3Fu) == 0) refreshed = 7;
        else if ((counter & 0x2Fu) == 0) refreshed = 6;
        else if ((counter & 0x1Fu) == 0) refreshed = 5;
        else if ((counter & 0x0Fu) == 0) refreshed = 4;
        else if ((counter & 0x07u) == 0) refreshed = 3;
        else if ((counter & 0x03u) == 0) refreshed = 2;
        for (int r = 0; r < refreshed; ++r) {
            const float value = draw();
            sum += value - rows[static_cast<std::size_t>(r)];
            rows[static_cast<std::size_t>(r)] = value;
        }
        return sum - 1.0f;
    }

private:
    float draw() {
        const std::uint32_t product = seed * 16807u;
        seed = product + 1u;
        return (static_cast<float>(static_cast<std::int32_t>(product)) * 4.656613e-10f + 1.0f) * 0.5f * 0.25f;
    }
    std::uint32_t seed = 12345, counter = 0;
    std::array<float, 7> rows{};
    float sum = 0;
};

// Mean power of each octave band from rate/512 up to rate/2, in dB.
std::vector<double> octaveLevels(const am::Samples& x, double rate) {
    const auto spectrum = am::averagedSpectrum(x, rate, 4096);
    std::vector<double> levels;
    for (double low = rate / 512; low < rate / 2 - 1; low *= 2)
        levels.push_back(am::decibels(am::bandPower(spectrum, low, 2 * low)));
    return levels;
}

double mean(const std::vector<double>& v, std::size_t first, std::size_t last) {
    return std::accumulate(v.begin() + static_cast<std::ptrdiff_t>(first), v.begin() + static_cast<std::ptrdiff_t>(last), 0.0) /
           static_cast<double>(last - first);
}

am::Samples heldNoise(double rate, float noiseMix, double seconds) {
    testhost::HostConfig config;
    config.sampleRate = rate;
    testhost::Host host(config);
    auto plugin = am::loadVoice(host, {{tag::SOURCE_MODE, am::stepValue(tag::SOURCE_MODE, am::SOURCE_NOISE)},
                                       {tag::NOISE_MIX, noiseMix}});
    if (!plugin) return {};
    return am::slice(am::holdNote(*plugin, 57, seconds + 0.2), rate, 0.2, seconds + 0.2);
}

}  // namespace

TEST(SourceNoise, WhiteIsFlat) {
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        SCOPED_TRACE(rate);
        const auto x = heldNoise(rate, 1.0f, 4.0);  // "Noise Mix" 1: all white
        ASSERT_FALSE(x.empty());
        ASSERT_GT(testhost::measure({x, x}).rms, 0.01);
        const auto levels = octaveLevels(x, rate);
        const double average = mean(levels, 0, levels.size());
        // Averaging the two sub-samples folds the upper half of the doubled
        // band back onto the lower one, so even the top octave stays level.
        for (std::size_t band = 0; band < levels.size(); ++band)
            EXPECT_NEAR(levels[band], average, band < 2 ? 0.6 : 0.4) << "octave " << band << " from " << rate / 512 << " Hz";
    }
}

TEST(SourceNoise, PinkFallsAboutThreeDecibelsPerOctave) {
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        SCOPED_TRACE(rate);
        const auto x = heldNoise(rate, 0.0f, 4.0);  // "Noise Mix" 0: all pink
        ASSERT_FALSE(x.empty());
        const auto levels = octaveLevels(x, rate);

        // The generator rows hold from two to 64 calls, so its spectrum is
        // pink over the middle octaves, rate/128 to rate/16 here; above, the
        // short rows' hold shapes steepen it, below, the long rows flatten it.
        const std::size_t first = 2, last = 5;
        ASSERT_GT(levels.size(), last);
        const double slope = (levels[last] - levels[first]) / static_cast<double>(last - first);
        EXPECT_NEAR(slope, -3.0, 0.75) << "dB per octave";
        for (std::size_t band = first; band < last; ++band)
            EXPECT_LT(levels[band + 1], levels[band] - 1.5) << "octave " << band;

        // Its shape matches the generator's own, rendered the same way (and
        // four times as long, so the reference adds little scatter of its own).
        ReferencePink reference;
        am::Samples y(4 * x.size());
        for (float& frame : y) {
            const float a = reference.next(), b = reference.next();
            frame = (a + b) * 0.5f;
        }
        const auto expected = octaveLevels(y, rate);
        ASSERT_EQ(expected.size(), levels.size());
        const double offset = mean(levels, 0, levels.size()) - mean(expected, 0, expected.size());
        for (std::size_t band = 0; band < levels.size(); ++band)
            // The lowest octaves hold few bins and the slow rows: wider.
            EXPECT_NEAR(levels[band] - offset, expected[band], band < 2 ? 0.8 : 0.5)
                << "octave " << band << " from " << rate / 512 << " Hz";
    }
}

// "Noise Mix" m crossfades the two noises sample by sample: (1 - m) pink
// plus m white, which being independent add in power.
TEST(SourceNoise, NoiseMixCrossfadesPinkAndWhite) {
    const double rate = 48000;
    const auto pink = octaveLevels(heldNoise(rate, 0.0f, 4.0), rate);
    const auto white = octaveLevels(heldNoise(rate, 1.0f, 4.0), rate);
    for (float mix : {0.25f, 0.5f, 0.8f}) {
        SCOPED_TRACE(mix);
        const auto x = heldNoise(rate, mix, 4.0);
        ASSERT_FALSE(x.empty());
        const auto levels = octaveLevels(x, rate);
        ASSERT_EQ(levels.size(), pink.size());
        for (std::size_t band = 0; band < levels.size(); ++band) {
            const double expected = am::decibels((1 - mix) * (1 - mix) * std::pow(10.0, pink[band] / 10) +
                                                 mix * mix * std::pow(10.0, white[band] / 10));
            // The lowest octaves hold few bins and the pink noise's slow rows: wider.
            EXPECT_NEAR(levels[band], expected, band < 2 ? 0.8 : 0.4) << "octave " << band << " from " << rate / 512 << " Hz";
        }
    }
}

// An instance's noise starts from the seed 1 whatever the process made
// before it, so a patch sounds the same in every session and every test
// order: the pink table every instance builds is the generator's own from
// that seed, and a pink voice played by one instance after another sounds
// the same each time.
TEST(SourceNoise, EveryInstanceStartsItsNoiseFromSeedOne) {
    auto reference = std::make_unique<TEngineTables>();
    TPinkNoise pink;
    TRandSeed seed;
    buildPinkNoiseTable(*reference, pink, seed);
    for (int instance = 0; instance < 3; ++instance) {
        auto engine = std::make_unique<enginetest::EnginePlugin>();
        EXPECT_EQ(std::memcmp(TEngineTestAccess::units(*engine).engineTables.pinkNoiseTable, reference->pinkNoiseTable,
                              sizeof reference->pinkNoiseTable),
                  0)
            << "instance " << instance;
    }
    const auto first = heldNoise(48000, 0.0f, 0.5);
    ASSERT_FALSE(first.empty());
    for (int instance = 1; instance < 3; ++instance) EXPECT_EQ(heldNoise(48000, 0.0f, 0.5), first) << "instance " << instance;
}
