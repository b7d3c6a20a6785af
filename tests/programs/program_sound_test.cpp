// Every built-in program played through the plug-in as a host plays it: it
// sounds, stays under full scale, makes no NaN, falls silent once its key is
// up (its voices at once, its effects within the tails their settings allow),
// and sounds unlike every other program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dsp/ParameterTags.h"
#include "engine/fx/FxTables.h"
#include "engine/audio_measure.h"
#include "plugin/BuiltinPrograms.h"
#include "tools/programbank/ProgramBank.h"
#include "tools/testhost/TestHost.h"
#include "program_play.h"

using programbank::TProgramText;

namespace {

constexpr double RATE = 48000;
constexpr int VELOCITY = 100;
// Long enough to hear what a program does, short enough for 70 of them under
// the sanitizers: the audition's first note, held at most this long.
constexpr double MOST_HELD_SECONDS = 1.5;
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

// One cycle of the Movement: a key that goes up lets the cycle finish before
// the voice is released.
double movementSeconds(std::span<const float> v) {
    return lfoCycleSeconds(v[tag::MOVEMENT_SPEED], isOn(v, tag::MOVEMENT_TEMPO_SYNC), RATE, HOST_TEMPO);
}

double releaseSeconds(std::span<const float> v) { return std::pow(2.0, 14.0 * v[tag::RELEASE]) / 1000.0; }

// Sets the program's values as a host sets parameters, lets the smoothing
// settle, then plays a note: the first of the program's audition unless one is given.
TProgramTake play(int program, double seconds, bool effects, double heldSeconds, int note = -1, int velocity = VELOCITY) {
    if (note < 0) note = bank()[static_cast<std::size_t>(program)].audition.front().note;
    TProgramTake take = playProgramNote(program, {.note = note, .velocity = velocity, .heldSeconds = heldSeconds,
                                                  .seconds = seconds, .effects = effects}, RATE, HOST_TEMPO);
    EXPECT_EQ(take.error, "");
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
    const TProgramTake take = play(n, held + 0.5, true, held);
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
    const TProgramTake take = play(n, held + allowed + LISTEN, false, held);
    const long from = take.keyUpFrame + std::lround(allowed * RATE);
    const testhost::Levels after = testhost::measure(take.audio, from);
    EXPECT_TRUE(after.finite);
    EXPECT_LT(dBFS(after.peak), -80.0) << builtinProgramName(n) << " still sounds " << allowed
                                       << " s after its key went up (Movement cycle "
                                       << movementSeconds(v) << " s, release " << releaseSeconds(v) << " s)";
}

// ---------------------------------------------------------------- effects' tails

// How far a tail must fall, in dB: from the loudest the chain can hold while
// the output stays under full scale (full scale over the main volume's gain)
// down to where the output is under -80 dBFS and the silence gate counts the
// chain's frames as quiet (|left| + |right| under 0.0001, before the main volume).
double tailFallDb(std::span<const float> v) {
    const double volumeDb = 80.0 * v[tag::MAIN_VOLUME] - 60.0;
    return 80.0 + std::max(0.0, -volumeDb);
}

// A loop whose gain per pass is `gain` falls `fallDb` in this many passes.
double passesToFall(double gain, double fallDb) {
    if (gain < 1e-6) return 1.0;
    return fallDb / (-20.0 * std::log10(gain));
}

// The Delay: the longer line's length per pass, and the loop's gain per
// pass: direct and cross feedback as the line normalises them (over both
// terms, at most 1), or in the equal-decay rule the direct feedback per pass
// of the longer line. The band-pass in the loop only lowers it.
double delayTailSeconds(std::span<const float> v, double fallDb) {
    auto lineSeconds = [&v](int tag) {
        const float length = v[static_cast<std::size_t>(tag)];
        double samples = isOn(v, tag::DELAY_TEMPO_SYNC)
                             ? DELAY_LEN_ARRAY[static_cast<std::size_t>(length * 14.99f)] * RATE * 240.0 / HOST_TEMPO
                             : std::pow(2.0, 12.0 * length) * RATE / 1000.0;
        samples = std::clamp(samples + 1.0, 5.0, 262143.0);
        return samples / RATE;
    };
    const double pass = std::max(lineSeconds(tag::DELAY_LEFT), lineSeconds(tag::DELAY_RIGHT));
    const double direct = std::clamp(v[tag::DELAY_FEED] * 1.98 - 0.99, -0.999, 0.999);
    const double cross = std::clamp(v[tag::DELAY_CROSS] * 1.98 - 0.99, -0.999, 0.999);
    double gain;
    if (std::abs(cross) <= 0.001 && isOn(v, tag::DELAY_EQUAL_FEEDBACK)) {
        gain = std::abs(direct) + 0.0001;
    } else {
        const double sum = std::abs(direct) + std::abs(cross);
        gain = sum / std::max(1.0, sum + 0.0001);
    }
    return pass * (1.0 + passesToFall(gain, fallDb));
}

// The Reverb: the pre-delay and the widest widen tap, then its slowest comb
// (the longest of the second size, whose feedback is the room size: the
// damping passes low notes whole), then the four all-passes, each halving
// per pass of its length.
double reverbTailSeconds(std::span<const float> v, double fallDb) {
    const double scale = RATE / 44100.0;
    const double preDelay = (std::pow(2.0, 10.0 * v[tag::REVERB_PRE_DELAY]) / 2000.0 * RATE + 1.0) / RATE;
    double widen = 0;
    for (const TReverbWidenTap& tap : REVERB_WIDEN_TAPS) widen = std::max(widen, tap.baseMs / 1000.0 + 1.0 / RATE);
    const double size = std::pow(2.0, v[tag::REVERB_LENGTH] * 8.0 - 6.0);
    const int longestTuning = *std::max_element(REVERB_COMB_TUNING.begin(), REVERB_COMB_TUNING.end()) + REVERB_STEREO_SPREAD;
    const double combSamples = std::clamp(std::floor(1.1 * size * scale * longestTuning * 1.002 + 0.5), 1.0, 16383.0);
    const double room = std::log10(20.0 * v[tag::REVERB_SIZE] + 1.0) * 0.249579 + 0.65;
    double allpass = 0;
    for (const int tuning : REVERB_ALLPASS_TUNING)
        allpass += std::floor((tuning + REVERB_STEREO_SPREAD) * scale + 0.5) * passesToFall(0.5, fallDb);
    return preDelay + widen + (combSamples * passesToFall(room, fallDb) + allpass) / RATE;
}

// Voices and effects settled: the voices' last smoothing, and the short
// lines of the Mod FX (a few milliseconds a pass), whose feedback must die
// away within it rather than ring like a delay.
constexpr double SETTLE_SECONDS = 0.25;

struct TailBound {
    double movement = 0, release = 0, delay = 0, reverb = 0;
    double total() const { return movement + release + delay + reverb + SETTLE_SECONDS; }
};

TailBound tailBound(std::span<const float> v) {
    TailBound bound;
    bound.movement = movementSeconds(v);
    bound.release = releaseSeconds(v);
    if (isOn(v, tag::BYPASS_ALL_FX)) return bound;
    const double fall = tailFallDb(v);
    if (isOn(v, tag::DELAY)) bound.delay = delayTailSeconds(v, fall);
    if (isOn(v, tag::REVERB)) bound.reverb = reverbTailSeconds(v, fall);
    return bound;
}

// The bound holds for the settings alone: nothing may modulate the Delay or
// the Reverb (destinations "Delay Mix" to "Reverb HighPass").
bool modulatesDelayOrReverb(std::span<const float> v) {
    const int routes[] = {tag::MODULATION_SLOT_1_DESTINATION,     tag::MODULATION_SLOT_1_DESTINATION + 1,
                          tag::MODULATION_SLOT_1_DESTINATION + 2, tag::MODULATION_SLOT_1_DESTINATION + 3,
                          tag::MOVEMENT_DESTINATION_1,            tag::MOVEMENT_DESTINATION_2,
                          tag::FREE_LFO_DESTINATION_1,            tag::FREE_LFO_DESTINATION_2};
    for (const int route : routes) {
        const programbank::TTagInfo& info = programbank::tagInfo()[static_cast<std::size_t>(route)];
        const int dest = steppedValueOf(v[static_cast<std::size_t>(route)], info.steppedRange, info.steppedNum);
        if (dest >= destination::DELAY_MIX && dest <= destination::REVERB_HIGH_PASS) return true;
    }
    return false;
}

// With its effects on, as a user hears it: under -80 dBFS once the bound its
// settings give has passed, and eight seconds of quiet later the silence gate
// has stopped the effects: what is left are the constants of about 1e-15 the
// engine adds against denormals, far under any sound. A tail that never dies,
// or a constant offset held in the chain, keeps the effects running and shows
// far above them.
constexpr double GATE_CLOSED_DBFS = -200.0;
// A sound effect that its own settings let ring for longer than this is a
// fault of the program, and is not played at all.
constexpr double LONGEST_TAIL_SECONDS = 90.0;

TEST_P(BuiltinProgramSound, FallsSilentWithItsEffectsOn) {
    const int n = GetParam();
    const std::span<const float> v = builtinProgramValues(n);
    const std::string name(builtinProgramName(n));
    ASSERT_FALSE(modulatesDelayOrReverb(v)) << name << " modulates its Delay or Reverb; the bound does not hold";
    const TailBound bound = tailBound(v);
    std::printf("%s: silent %.2f s after its key is up (Movement cycle %.2f s, release %.2f s, Delay tail %.2f s, "
                "Reverb tail %.2f s, %.2f s to settle)\n",
                name.c_str(), bound.total(), bound.movement, bound.release, bound.delay, bound.reverb, SETTLE_SECONDS);
    ASSERT_LT(bound.total(), LONGEST_TAIL_SECONDS) << name << "'s effects may ring for " << bound.total() << " s";
    const double held = heldFor(n);
    const double gateSeconds = std::floor(8.0 * RATE) / RATE;
    constexpr double LISTEN = 0.25;
    const TProgramTake take = play(n, held + bound.total() + gateSeconds + LISTEN, true, held);
    const long quietFrom = take.keyUpFrame + std::lround(bound.total() * RATE);
    const testhost::Levels quiet = testhost::measure(take.audio, quietFrom);
    EXPECT_TRUE(quiet.finite) << name;
    EXPECT_LT(dBFS(quiet.peak), -80.0) << name << " still sounds " << bound.total() << " s after its key went up";
    const long stoppedFrom = quietFrom + std::lround(gateSeconds * RATE);
    const testhost::Levels stopped = testhost::measure(take.audio, stoppedFrom);
    double offset = 0;
    for (long f = stoppedFrom; f < take.audio.frames(); ++f)
        offset += 0.5 * (take.audio.left[static_cast<std::size_t>(f)] + take.audio.right[static_cast<std::size_t>(f)]);
    offset /= static_cast<double>(std::max(1L, take.audio.frames() - stoppedFrom));
    EXPECT_LT(dBFS(stopped.peak), GATE_CLOSED_DBFS)
        << name << ": the effects still run " << bound.total() + gateSeconds << " s after its key went up (peak "
        << dBFS(stopped.peak) << " dBFS, mean level " << offset << ")";
}

// A note ends with its release, not cut off: the last millisecond before the
// sound stays under -80 dBFS is already faint, as at the end of a fade. A
// Movement that shapes the level with few bits reaches its lowest step just
// before its cycle ends the note; a step down to nothing there cut each note
// off at about -30 dBFS, before the release could fade it.
TEST(BuiltinPrograms, NotesEndWithTheirReleaseRatherThanACut) {
    const struct {
        std::string_view program;
        int note;
    } cases[] = {{"Zipper Sweep", 65}, {"Zipper Sweep", 67}, {"Zipper Sweep", 69}};
    constexpr double SILENT_DBFS = -80.0, FAINT_DBFS = -45.0;
    const long window = std::lround(0.001 * RATE);
    for (const auto& c : cases) {
        const int program = builtinProgramNamed(c.program);
        ASSERT_LT(program, BUILTIN_PROGRAM_COUNT) << c.program;
        const TProgramTake take = play(program, 2.0, true, 1.0, c.note, 127);
        // The last frame above -80 dBFS, and the millisecond that leads to it.
        long end = take.audio.frames() - 1;
        while (end > 0 && dBFS(testhost::measure(take.audio, end, end + 1).peak) < SILENT_DBFS) --end;
        ASSERT_GT(end, take.keyUpFrame) << c.program << ", note " << c.note << " is silent before its key is up";
        const double last = dBFS(testhost::measure(take.audio, end - window, end + 1).peak);
        EXPECT_LT(last, FAINT_DBFS) << c.program << ", note " << c.note << ": cut off at " << last << " dBFS, "
                                    << static_cast<double>(end - take.keyUpFrame) / RATE << " s after its key went up";
    }
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
