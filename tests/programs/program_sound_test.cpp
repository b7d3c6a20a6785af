// Every built-in program played through the plug-in as a host plays it: it
// sounds, stays under full scale, makes no NaN, falls silent once its key is
// up, and sounds unlike every other program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "engine/dsp/ParameterTags.h"
#include "engine/audio_measure.h"
#include "plugin/BuiltinPrograms.h"
#include "tools/programbank/ProgramBank.h"
#include "tools/testhost/TestHost.h"

using programbank::TProgramText;

namespace {

constexpr double RATE = 48000;
constexpr int VELOCITY = 100;
// Long enough to hear what a program does, short enough for 70 of them under
// the sanitizers: the audition's first note, held at most this long.
constexpr double MOST_HELD_SECONDS = 1.5;
constexpr int BYPASS_ALL_FX = 76;
constexpr int MOVEMENT_SPEED = 41, MOVEMENT_SYNC = 42;
constexpr double HOST_TEMPO = 120;

const std::vector<TProgramText>& bank() {
    static const std::vector<TProgramText> programs = [] {
        std::ifstream in(KOLBRI_SOURCE_DIR "/plugin/programs/bank.txt", std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::vector<TProgramText> read;
        std::string error;
        EXPECT_TRUE(programbank::readBankText(text, "bank.txt", read, error)) << error;
        return read;
    }();
    return programs;
}

double dBFS(double level) { return 20.0 * std::log10(std::max(level, 1e-12)); }

// One cycle of the Movement: a key that goes up lets the cycle finish before
// the voice is released.
double movementSeconds(std::span<const float> v) {
    if (v[MOVEMENT_SYNC] < 0.5f) return 1.0 / (std::pow(2.0, 14.0 * v[MOVEMENT_SPEED]) * 1.71875 / 256.0);
    static constexpr double BARS[34] = {96,   48,   32,       64.0 / 3, 24,   16,   32.0 / 3, 12,  8,
                                        16.0 / 3, 6,    4,    8.0 / 3,  3,    2,    4.0 / 3,  1.5, 1,
                                        2.0 / 3,  0.75, 0.5,  1.0 / 3,  0.375, 0.25, 1.0 / 6, 0.1875,
                                        0.125,    1.0 / 12, 0.09375, 0.0625, 1.0 / 24, 0.046875, 0.03125, 1.0 / 48};
    const int k = std::clamp(static_cast<int>(v[MOVEMENT_SPEED] * 33.99f), 0, 33);
    return BARS[k] * 4.0 * 60.0 / HOST_TEMPO;
}

double releaseSeconds(std::span<const float> v) { return std::pow(2.0, 14.0 * v[tag::RELEASE]) / 1000.0; }

struct Take {
    testhost::Stereo audio;
    long keyUpFrame = 0;     // from the start of `audio`
    std::string hostName;    // the program's name as the host reads it
};

// Sets the program's values as a host sets parameters, lets the smoothing
// settle, then plays the first note of the program's audition.
Take play(int program, double seconds, bool effects, double heldSeconds) {
    Take take;
    testhost::HostConfig config;
    config.sampleRate = RATE;
    config.tempo = HOST_TEMPO;
    auto plugin = testhost::Host(config).load(KOLBRI_SO_PATH);
    EXPECT_TRUE(plugin) << testhost::Host::lastError();
    if (!plugin) return take;
    plugin->start();
    const std::span<const float> values = builtinProgramValues(program);
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        // A host sets every value it can; a write of the apply tag asks for the program record.
        if (tag != NEVER_COPIED_TAG && tag != PRESET_APPLY_TAG) plugin->setParameter(tag, values[static_cast<std::size_t>(tag)]);
    if (!effects) plugin->setParameter(BYPASS_ALL_FX, 1.0f);
    plugin->render(2 * 4096);
    take.hostName = plugin->programName();
    const long start = plugin->framesRendered();
    const int note = bank()[static_cast<std::size_t>(program)].audition.front().note;
    take.keyUpFrame = std::lround(heldSeconds * RATE);
    plugin->noteOn(start, note, VELOCITY);
    plugin->noteOff(start + take.keyUpFrame, note);
    take.audio = plugin->render(std::lround(seconds * RATE));
    return take;
}

double heldFor(int program) {
    return std::min(MOST_HELD_SECONDS, bank()[static_cast<std::size_t>(program)].audition.front().seconds);
}

class BuiltinProgramSound : public testing::TestWithParam<int> {};

TEST_P(BuiltinProgramSound, SoundsUnderFullScaleWithoutNaN) {
    const int n = GetParam();
    ASSERT_EQ(bank().size(), static_cast<std::size_t>(BUILTIN_PROGRAM_COUNT));
    const double held = heldFor(n);
    const Take take = play(n, held + 0.5, true, held);
    const testhost::Levels levels = testhost::measure(take.audio);
    const std::string name(builtinProgramName(n));
    EXPECT_EQ(take.hostName, name) << "the plug-in knows the program by the name in its parameters";
    EXPECT_TRUE(levels.finite) << name;
    EXPECT_LT(dBFS(levels.peak), -0.3) << name << " clips at its own volume";
    EXPECT_GT(dBFS(levels.peak), -30.0) << name << " is nearly silent";
    EXPECT_GT(dBFS(levels.rms), -60.0) << name << " is nearly silent";
}

TEST_P(BuiltinProgramSound, FallsSilentWhenItsKeyIsUp) {
    const int n = GetParam();
    const std::span<const float> v = builtinProgramValues(n);
    const double held = heldFor(n);
    // The key goes up; the Movement finishes its cycle (at most one from the
    // key's release), then the release runs. The effects' tails are not the voices'.
    const double allowed = movementSeconds(v) + releaseSeconds(v) + 0.05;
    constexpr double LISTEN = 0.25;
    const Take take = play(n, held + allowed + LISTEN, false, held);
    const long from = take.keyUpFrame + std::lround(allowed * RATE);
    const testhost::Levels after = testhost::measure(take.audio, from);
    EXPECT_TRUE(after.finite);
    EXPECT_LT(dBFS(after.peak), -80.0) << builtinProgramName(n) << " still sounds " << allowed
                                       << " s after its key went up (Movement cycle "
                                       << movementSeconds(v) << " s, release " << releaseSeconds(v) << " s)";
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, BuiltinProgramSound, testing::Range(0, BUILTIN_PROGRAM_COUNT),
                         [](const testing::TestParamInfo<int>& info) { return "Program" + std::to_string(info.param); });

TEST(BuiltinPrograms, NamesOrderAndValues) {
    std::string previous;
    for (int n = 0; n < BUILTIN_PROGRAM_COUNT; ++n) {
        const std::string name(builtinProgramName(n));
        EXPECT_FALSE(name.empty());
        EXPECT_LE(name.size(), 23u) << name;
        if (n > 0) {
            EXPECT_TRUE(programbank::nameBefore(previous, name)) << previous << " before " << name;
        }
        previous = name;
        // The name as the plug-in reads it back from its parameters.
        const std::span<const float> v = builtinProgramValues(n);
        std::string spelled;
        for (int i = 0; i < PRESET_NAME_SLOTS; ++i) {
            const int c = static_cast<int>(v[static_cast<std::size_t>(PRESET_NAME_PARAM + i)] * 255.99 + 0.1);
            if (c == 0) break;
            spelled += static_cast<char>(c);
        }
        EXPECT_EQ(spelled, name);
        // Spelled exactly as the parameter store writes a name, so a program
        // stored back by the plug-in compares equal to its built-in original.
        for (int i = 0; i < PRESET_NAME_SLOTS; ++i) {
            const float expected = static_cast<std::size_t>(i) < name.size()
                                       ? static_cast<float>((static_cast<unsigned char>(name[static_cast<std::size_t>(i)]) + 0.5) / 255.99)
                                       : 0.0f;
            EXPECT_EQ(v[static_cast<std::size_t>(PRESET_NAME_PARAM + i)], expected) << name << ", slot " << i;
        }
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
            const float value = v[static_cast<std::size_t>(tag)];
            EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << name << ", tag " << tag << " = " << value;
        }
    }
    EXPECT_EQ(builtinProgramName(8), "Default");
    EXPECT_EQ(builtinProgramName(-1), builtinProgramName(0)) << "an index outside the bank reads program 0";
    EXPECT_EQ(builtinProgramName(BUILTIN_PROGRAM_COUNT), builtinProgramName(0));
}

// ---------------------------------------------------------------- distinctness

// The spectrum's envelope over time: the level in octave-wide bands from 47 Hz
// to 24 kHz in slices of a quarter second, in dB under the loudest cell, so
// that two programs that differ only in volume look the same.
constexpr int SLICES = 8, BANDS = 9, WINDOW = 2048;
using TEnvelope = std::array<double, SLICES * BANDS>;

TEnvelope spectrumEnvelope(const testhost::Stereo& audio) {
    TEnvelope cells{};
    const long sliceFrames = std::lround(0.25 * RATE);
    for (int s = 0; s < SLICES; ++s) {
        std::array<double, BANDS> energy{};
        for (long at = s * sliceFrames; at + WINDOW <= (s + 1) * sliceFrames; at += WINDOW / 2) {
            std::vector<std::complex<double>> x(WINDOW);
            for (int i = 0; i < WINDOW; ++i) {
                const auto f = static_cast<std::size_t>(std::min(at + i, audio.frames() - 1));
                const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / WINDOW);
                x[static_cast<std::size_t>(i)] = hann * (audio.left[f] + audio.right[f]);
            }
            audiomeasure::fft(x);
            // Bin 2 is 47 Hz; band b covers bins 2^(b+1) .. 2^(b+2) - 1.
            for (int b = 0; b < BANDS; ++b)
                for (int bin = 2 << b; bin < (4 << b) && bin < WINDOW / 2; ++bin) energy[b] += std::norm(x[bin]);
        }
        for (int b = 0; b < BANDS; ++b) cells[s * BANDS + b] = 10.0 * std::log10(energy[b] + 1e-9);
    }
    const double loudest = *std::max_element(cells.begin(), cells.end());
    // Below 60 dB under the loudest cell counts as silence, whatever its colour.
    for (double& c : cells) c = std::max(c - loudest, -60.0);
    return cells;
}

double distance(const TEnvelope& a, const TEnvelope& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum / static_cast<double>(a.size());
}

TEST(BuiltinPrograms, NoTwoSoundNearlyAlike) {
    std::vector<TEnvelope> envelopes;
    for (int n = 0; n < BUILTIN_PROGRAM_COUNT; ++n) {
        const double held = heldFor(n);
        envelopes.push_back(spectrumEnvelope(play(n, SLICES * 0.25, true, held).audio));
    }
    // Two takes of one program differ by far less than this; a copy with a
    // changed volume or a small detune would too.
    constexpr double NEARLY_ALIKE_DB = 3.0;
    double closest = 1e9;
    std::string closestPair;
    for (int a = 0; a < BUILTIN_PROGRAM_COUNT; ++a)
        for (int b = a + 1; b < BUILTIN_PROGRAM_COUNT; ++b) {
            const double d = distance(envelopes[static_cast<std::size_t>(a)], envelopes[static_cast<std::size_t>(b)]);
            EXPECT_GT(d, NEARLY_ALIKE_DB) << builtinProgramName(a) << " and " << builtinProgramName(b)
                                          << " have nearly the same spectrum envelope";
            if (d < closest) {
                closest = d;
                closestPair = std::string(builtinProgramName(a)) + " / " + std::string(builtinProgramName(b));
            }
        }
    std::printf("closest pair: %s, %.1f dB apart on average\n", closestPair.c_str(), closest);
}

}  // namespace
