// The modulation engine heard through the plug-in as a host loads it: routes
// in semitones, as a gain and as a rate, the Free LFO on the pitch at its own
// rate and synced to the host tempo, the fade-in and release times, the
// one-shot and looping Movement, and the pan Movement curved by its shapes
// and by routes to them. A sine voice makes pitch, level and pan easy to
// measure.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "audio_measure.h"

namespace {

using audiomeasure::join;
using audiomeasure::noteHz;
using audiomeasure::Patch;

constexpr double RATE = 48000.0;
constexpr int NOTE_220 = 69, NOTE_880 = 93;

float step(int tag, int value) { return audiomeasure::stepValue(tag, value); }

// The steady default voice as a plain sine, then the test's settings.
std::unique_ptr<testhost::Plugin> loadVoice(testhost::Host& host, const Patch& settings) {
    return audiomeasure::loadVoice(host, join({{{10, step(10, 3)}, {15, 0.0f}}, settings}));  // Wave, sine
}

// MIDI frames are absolute; the tests count from the end of the pre-roll.
long at(testhost::Plugin& plugin, long frame) { return plugin.framesRendered() + frame; }

Patch slot(int slot, int source, int dest, float amount) {
    return {{111 + slot, step(111, source)}, {115 + slot, step(115, dest)}, {119 + slot, amount}};
}

// Upward zero crossings of the left channel, interpolated between frames.
std::vector<double> crossings(const testhost::Stereo& audio, long first, long last) {
    std::vector<double> times;
    for (long i = std::max(first, 1L); i < std::min(last, audio.frames()); ++i) {
        const float a = audio.left[i - 1], b = audio.left[i];
        if (a < 0.0f && b >= 0.0f) times.push_back(i - 1 + a / (a - b));
    }
    return times;
}

double frequency(const testhost::Stereo& audio, double fromSeconds, double toSeconds) {
    const auto times = crossings(audio, static_cast<long>(fromSeconds * RATE), static_cast<long>(toSeconds * RATE));
    if (times.size() < 2) return 0.0;
    return (times.size() - 1) * RATE / (times.back() - times.front());
}

// Cycles of the pitch modulation: the pitch from one zero crossing to the
// next, counted as it rises through its middle (with a little hysteresis).
int pitchCycles(const testhost::Stereo& audio, double fromSeconds, double toSeconds) {
    const auto times = crossings(audio, static_cast<long>(fromSeconds * RATE), static_cast<long>(toSeconds * RATE));
    std::vector<double> pitch;
    for (std::size_t i = 1; i < times.size(); ++i) pitch.push_back(RATE / (times[i] - times[i - 1]));
    if (pitch.empty()) return 0;
    const auto [low, high] = std::minmax_element(pitch.begin(), pitch.end());
    const double middle = (*low + *high) / 2.0, band = (*high - *low) * 0.2;
    int cycles = 0;
    bool below = pitch.front() < middle;
    for (double p : pitch) {
        if (below && p > middle + band) {
            ++cycles;
            below = false;
        } else if (!below && p < middle - band) {
            below = true;
        }
    }
    return cycles;
}

// Amplitude of the voice's sine around a moment, by correlation with the
// note's frequency over 5 ms under a Hann window (which keeps the mirror
// frequency's leakage far below the tolerances).
double amplitude(const testhost::Stereo& audio, double hz, long centre) {
    const long half = static_cast<long>(0.0025 * RATE);
    std::complex<double> sum = 0;
    double weights = 0;
    for (long i = centre - half; i < centre + half; ++i) {
        if (i < 0 || i >= audio.frames()) continue;
        const double w = 0.5 - 0.5 * std::cos(std::numbers::pi * (i - centre + half) / half);
        sum += w * static_cast<double>(audio.left[i]) * std::polar(1.0, -2.0 * std::numbers::pi * hz * i / RATE);
        weights += w;
    }
    return weights > 0 ? 2.0 * std::abs(sum) / weights : 0.0;
}

// First frame from `start` at which the amplitude passes the fraction of the
// reference level, rising or falling.
long passes(const testhost::Stereo& audio, double hz, long start, double level, bool rising) {
    for (long i = start; i < audio.frames(); i += 24) {
        const double a = amplitude(audio, hz, i);
        if (rising ? a >= level : a <= level) return i;
    }
    return -1;
}

TEST(ModAudio, SemitoneRouteTransposes) {
    struct Case {
        const char* why;
        float amount;
        double ratio;
    } cases[] = {
        {"a = 1/3: 36 x 1/3 semitones up", 2.0f / 3.0f, 2.0},
        {"a = -1/3: an octave down", 1.0f / 3.0f, 0.5},
        {"a = 1/36: one semitone up", (1.0f + 1.0f / 36.0f) / 2.0f, std::exp2(1.0 / 12.0)},
        {"amount 0: untouched", 0.5f, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        testhost::Host host;
        auto plugin = loadVoice(host, slot(0, source::OFFSET, 8, c.amount));
        ASSERT_TRUE(plugin);
        plugin->noteOn(at(*plugin, 0), NOTE_220, 100);
        const auto audio = plugin->render(static_cast<long>(0.5 * RATE));
        EXPECT_NEAR(frequency(audio, 0.1, 0.5) / (noteHz(NOTE_220) * c.ratio), 1.0, 0.003);
    }
}

TEST(ModAudio, GainRouteScalesAndMutes) {
    testhost::Host host;
    auto reference = loadVoice(host, {});
    ASSERT_TRUE(reference);
    reference->noteOn(at(*reference, 0), NOTE_220, 100);
    const double level = testhost::measure(reference->render(24000), 4800).rms;
    ASSERT_GT(level, 0.01);

    struct Case {
        const char* why;
        float amount;
        double gain;
    } cases[] = {
        {"full negative amount mutes", 0.0f, 0.0},
        {"half negative amount halves", 0.25f, 0.5},
        {"amount 0 keeps the level", 0.5f, 1.0},
        {"positive amount with the Offset source keeps the level", 1.0f, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        auto plugin = loadVoice(host, slot(1, source::OFFSET, 1, c.amount));
        ASSERT_TRUE(plugin);
        plugin->noteOn(at(*plugin, 0), NOTE_220, 100);
        const auto levels = testhost::measure(plugin->render(24000), 4800);
        EXPECT_TRUE(levels.finite);
        EXPECT_NEAR(levels.rms, level * c.gain, level * 0.02 + 1e-6);
    }
}

TEST(ModAudio, FreeLfoOnThePitchAtItsRateAndARateRoute) {
    // About 4 Hz free-running, two semitones either way on the pitch.
    const float speed = static_cast<float>(std::log2(4.0 / (1.71875 / 256.0)) / 14.0);
    const double lfoHz = std::exp2(14.0 * speed) * 1.71875 / 256.0;
    const Patch lfo = {
        {61, step(61, 4)},  // Free LFO Wave: sine
        {64, 0.0f},         // free running
        {63, speed},
        {73, step(73, 8)},                   // Free LFO Destination 1: Source Semi
        {71, (1.0f + 1.0f / 18.0f) / 2.0f},  // +-1/6 octave
    };
    struct Case {
        const char* why;
        Patch extra;
        double rate;
    } cases[] = {
        {"the Free LFO at its own rate", {}, 1.0},
        {"a rate route on Free LFO Speed doubles it", slot(0, source::OFFSET, 105, 0.625f), 2.0},
        {"a rate route on Global Speed halves it", slot(0, source::OFFSET, 6, 0.375f), 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        testhost::Host host;
        auto plugin = loadVoice(host, join({lfo, c.extra}));
        ASSERT_TRUE(plugin);
        plugin->noteOn(at(*plugin, 0), NOTE_880, 100);
        const auto audio = plugin->render(static_cast<long>(4.2 * RATE));
        const double expected = lfoHz * c.rate * 4.0;
        EXPECT_NEAR(pitchCycles(audio, 0.2, 4.2), expected, 1.01);
        // The swing: two semitones either way.
        EXPECT_NEAR(frequency(audio, 0.2, 4.2) / noteHz(NOTE_880), 1.0, 0.02);
    }
}

TEST(ModAudio, TempoSyncedFreeLfoFollowsTheHostTempo) {
    const Patch lfo = {
        {61, step(61, 4)},                   // sine
        {64, 1.0f},                          // tempo sync
        {63, static_cast<float>((23 + 0.1) / 33.99)},  // a quarter bar
        {73, step(73, 8)},
        {71, (1.0f + 1.0f / 18.0f) / 2.0f},
    };
    for (double tempo : {120.0, 180.0}) {
        SCOPED_TRACE(tempo);
        testhost::HostConfig config;
        config.tempo = tempo;
        testhost::Host host(config);
        auto plugin = loadVoice(host, lfo);
        ASSERT_TRUE(plugin);
        plugin->noteOn(at(*plugin, 0), NOTE_880, 100);
        const auto audio = plugin->render(static_cast<long>(3.2 * RATE));
        // A quarter bar is one beat: 2 Hz at 120 BPM, 3 Hz at 180.
        EXPECT_NEAR(pitchCycles(audio, 0.2, 3.2), tempo / 60.0 * 3.0, 1.01);
    }
}

TEST(ModAudio, FadeInAndReleaseTimes) {
    struct Case {
        const char* why;
        int tag;
        float value;
        double rampMs;
        bool release;
    } cases[] = {
        {"Attack 0.5: a 64 ms fade-in", 957, 0.5f, 64.0, false},
        {"Attack 0.6: a 2^7.4 ms fade-in", 957, 0.6f, std::exp2(0.6 * 14 - 1), false},
        {"Release 0.5: 64 ms", 127, 0.5f, 64.0, true},
        {"Release 0.65: 2^8.1 ms", 127, 0.65f, std::exp2(0.65 * 14 - 1), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        testhost::Host host;
        // A fast Movement: a released key ends its cycle within 9 ms.
        auto plugin = loadVoice(host, {{c.tag, c.value}, {42, 0.0f}, {41, 1.0f}});
        ASSERT_TRUE(plugin);
        const double hz = noteHz(NOTE_880);
        plugin->noteOn(at(*plugin, 0), NOTE_880, 100);
        const long held = static_cast<long>(RATE);
        if (c.release) plugin->noteOff(at(*plugin, held), NOTE_880);
        const auto audio = plugin->render(held + static_cast<long>(RATE * 0.6));
        const double full = amplitude(audio, hz, held - 2400);
        ASSERT_GT(full, 0.05);
        // The ramps are linear: 10 % to 90 % takes 0.8 of their time.
        const long from = c.release ? held : 0;
        const long a = passes(audio, hz, from, c.release ? 0.9 * full : 0.1 * full, !c.release);
        const long b = passes(audio, hz, a, c.release ? 0.1 * full : 0.9 * full, !c.release);
        ASSERT_GE(a, 0);
        ASSERT_GE(b, 0);
        EXPECT_NEAR((b - a) / RATE * 1000.0, 0.8 * c.rampMs, 1.5 + 0.02 * c.rampMs);
    }
}

TEST(ModAudio, OneShotAndLoopingMovement) {
    // A free Movement at speed 0.75: one cycle in 102.8 ms; a quick release.
    const double cycleMs = 1000.0 / (std::exp2(14.0 * 0.75) * 1.71875 / 256.0);
    const Patch movement = {{42, 0.0f}, {41, 0.75f}, {127, 0.0f}};
    const double hz = noteHz(NOTE_880);
    {
        SCOPED_TRACE("one-shot: the sound lasts one cycle with the key held");
        testhost::Host host;
        auto plugin = loadVoice(host, join({movement, {{40, 0.0f}}}));
        ASSERT_TRUE(plugin);
        plugin->noteOn(at(*plugin, 0), NOTE_880, 100);
        const auto audio = plugin->render(static_cast<long>(RATE * 0.5));
        const double full = amplitude(audio, hz, 2400);
        const long end = passes(audio, hz, 2400, 0.05 * full, false);
        EXPECT_NEAR(end / RATE * 1000.0, cycleMs, 3.5);
        EXPECT_LT(testhost::measure(audio, static_cast<long>(RATE * 0.2)).peak, 1e-4f);
    }
    {
        SCOPED_TRACE("loop: the sound lasts while the key is held, then to the cycle's end");
        testhost::Host host;
        auto plugin = loadVoice(host, join({movement, {{40, 1.0f}}}));
        ASSERT_TRUE(plugin);
        plugin->noteOn(at(*plugin, 0), NOTE_880, 100);
        const long keyUp = static_cast<long>(RATE * 0.5) + 1000;
        plugin->noteOff(at(*plugin, keyUp), NOTE_880);
        const auto audio = plugin->render(keyUp + static_cast<long>(RATE * 0.3));
        const double full = amplitude(audio, hz, 2400);
        EXPECT_NEAR(amplitude(audio, hz, keyUp - 2400), full, 0.02 * full);
        const long end = passes(audio, hz, keyUp, 0.05 * full, false);
        ASSERT_GT(end, keyUp);
        // The cycle in progress ends, then a 0.5 ms release.
        const double cyclePosition = std::fmod(keyUp / RATE * 1000.0, cycleMs);
        EXPECT_NEAR((end - keyUp) / RATE * 1000.0, cycleMs - cyclePosition, 3.5);
    }
}

TEST(ModAudio, RibbonQuantisationStepsThePitch) {
    // Ribbon -> Source Semi at a third: -1, 0 and +1 octave for the bipolar
    // ribbon quantised to two steps.
    // No spring: a springing ribbon starts every program at its rest position.
    const Patch ribbon =
        join({slot(0, source::RIBBON, 8, 2.0f / 3.0f), {{124, 1.0f}, {125, 0.0f}, {126, step(126, 12)}}});
    struct Case {
        float value;
        double ratio;
    } cases[] = {{0.1f, 0.5}, {0.24f, 0.5}, {0.26f, 1.0}, {0.45f, 1.0}, {0.74f, 1.0}, {0.76f, 2.0}, {1.0f, 2.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        testhost::Host host;
        auto plugin = loadVoice(host, join({ribbon, {{123, c.value}}}));
        ASSERT_TRUE(plugin);
        plugin->noteOn(at(*plugin, 0), NOTE_220, 100);
        const auto audio = plugin->render(static_cast<long>(0.4 * RATE));
        EXPECT_NEAR(frequency(audio, 0.1, 0.4) / (noteHz(NOTE_220) * c.ratio), 1.0, 0.003);
    }
}

}  // namespace

// The pan Movement's curves, heard as the voice's place between the speakers:
// for each of the six pan waves (reached through the Pan Single Modes), a
// half of the cycle curved by "Movement Shape Up" is curved alike by a route
// to the Up Shape destination, a half curved by "Movement Shape Down" by a
// route to the Down Shape, and the other half stays as it is. A shape of
// 0.25 raises the pan q (0..1) to the 4th power.
TEST(ModAudio, PanShapeRoutesCurveTheHalvesTheirShapesCurve) {
    constexpr int UP = 0, DOWN = 1;
    struct Wave {
        const char* name;
        int panMode;
        std::array<int, 2> halfShapes;  // the shape that curves the first and the second half
        double (*table)(double x);      // the wave, -1..1 over the cycle
    } waves[] = {
        {"Triangle Up (L>R>L)", 3, {UP, DOWN}, [](double x) { return 1.0 - std::abs(2.0 - 4.0 * x); }},
        {"Triangle Down (R>L>R)", 4, {DOWN, UP}, [](double x) { return std::abs(2.0 - 4.0 * x) - 1.0; }},
        {"Saw Up (L>R)", 1, {UP, UP}, [](double x) { return 2.0 * x - 1.0; }},
        {"Saw Down (R>L)", 2, {DOWN, DOWN}, [](double x) { return 1.0 - 2.0 * x; }},
        {"Sine Up (C>R>L>C)", 10, {UP, DOWN}, [](double x) { return std::sin(2.0 * std::numbers::pi * x); }},
        {"Sine Down (C>L>R>C)", 9, {DOWN, UP}, [](double x) { return -std::sin(2.0 * std::numbers::pi * x); }},
    };
    struct Shaping {
        const char* how;
        int shape;
        Patch settings;
    } shapings[] = {
        {"nothing shaped", -1, {}},
        {"Shape Up at 0.25", UP, {{tag::MOVEMENT_SHAPE_UP, 0.25f}}},
        {"a route to the Up Shape, -0.25", UP, audiomeasure::offsetRoute(0, destination::MOVEMENT_UP_SHAPE, -0.25f)},
        {"Shape Down at 0.25", DOWN, {{tag::MOVEMENT_SHAPE_DOWN, 0.25f}}},
        {"a route to the Down Shape, -0.25", DOWN,
         audiomeasure::offsetRoute(0, destination::MOVEMENT_DOWN_SHAPE, -0.25f)},
    };
    // A free Movement of 0.44 s that nothing but its speed sets the pace of,
    // carried whole onto the pan.
    const float speed = 0.6f;
    const double cycleSeconds = 1.0 / (std::exp2(14.0 * speed) * 1.71875 / 256.0);
    const Patch movement = {
        {tag::MOVEMENT_TEMPO_SYNC, 0.0f},
        {tag::MOVEMENT_SPEED, speed},
        {tag::MOVEMENT_SYMMETRY, 0.5f},
        {tag::MOVEMENT_SHAPE_UP, 0.5f},
        {tag::MOVEMENT_SHAPE_DOWN, 0.5f},
        {tag::MOVEMENT_KEY_TRACKING, 0.5f},
        {tag::MOVEMENT_VELOCITY_TRACKING, 0.5f},
        {tag::MOVEMENT_SPEED_CONTROL_AMOUNT, 0.5f},
        {tag::PAN, 0.5f},
        {tag::MOVEMENT_TO_PAN, 1.0f},
    };
    const double hz = noteHz(NOTE_880);
    // The pan from the two channels' levels over 10 ms, by the pan law
    // (left min(2 - 2p, 1), right min(2p, 1)).
    auto panAt = [&](const testhost::Stereo& audio, double seconds) {
        const double left = audiomeasure::toneAmplitude(
            audiomeasure::slice(audio.left, RATE, seconds - 0.005, seconds + 0.005), RATE, hz);
        const double right = audiomeasure::toneAmplitude(
            audiomeasure::slice(audio.right, RATE, seconds - 0.005, seconds + 0.005), RATE, hz);
        return right >= left ? 1.0 - 0.5 * left / right : 0.5 * right / left;
    };
    testhost::Host host;
    for (const Wave& w : waves) {
        for (const Shaping& s : shapings) {
            SCOPED_TRACE(std::string(w.name) + ", " + s.how);
            const Patch panMode = {
                {tag::MOVEMENT_TO_PAN_SINGLE_MODE, step(tag::MOVEMENT_TO_PAN_SINGLE_MODE, w.panMode)}};
            auto plugin = loadVoice(host, join({movement, panMode, s.settings}));
            ASSERT_TRUE(plugin);
            plugin->noteOn(at(*plugin, 0), NOTE_880, 100);
            const auto audio = plugin->render(static_cast<long>(cycleSeconds * RATE) + 2400);
            for (double x : {0.1, 0.2, 0.3, 0.4, 0.6, 0.7, 0.8, 0.9}) {
                const bool curved = w.halfShapes[x < 0.5 ? 0 : 1] == s.shape;
                const double q = w.table(x) * 0.5 + 0.5;
                EXPECT_NEAR(panAt(audio, x * cycleSeconds), curved ? std::pow(q, 4.0) : q, 0.02)
                    << "at " << x << " of the cycle, " << (curved ? "curved" : "as the wave");
            }
        }
    }
}
