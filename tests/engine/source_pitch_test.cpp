// The pitch of every source as a host hears it: the four waves from the
// bottom of the keyboard to the top at three sample rates, the source
// transposition and global tuning from 22.05 to 192 kHz, key track off, the
// tuned-noise band and the synced-noise period, and the sub oscillator where
// its semitone and fine settings put it. The pitch law: 110 Hz at note 57, twelve notes an octave.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "audio_measure.h"
#include "private_library.h"

namespace am = audiomeasure;

namespace {

constexpr double RATES[] = {44100.0, 48000.0, 96000.0};
constexpr int SOURCE_BAND_WIDTH = 11, SUB_SEMI = 24, SUB_FINE = 25;

testhost::Host hostAt(double rate) {
    testhost::HostConfig config;
    config.sampleRate = rate;
    return testhost::Host(config);
}

am::Patch mode(int sourceMode) { return {{tag::SOURCE_MODE, am::stepValue(tag::SOURCE_MODE, sourceMode)}}; }

// A sine voice; "Wave Mix" 0 is the sine.
am::Patch sine() { return am::join({mode(am::SOURCE_WAVE), {{tag::WAVE_MIX, 0.0f}}}); }

// "Source Semi" steps: int(v x 96.99) - 48 semitones.
float semiValue(int semitones) { return static_cast<float>((semitones + 48 + 0.5) / 96.99); }

// Pitch of the strongest partial of a held note, skipping the first 0.1 s.
double heldPitch(testhost::Plugin& plugin, int note, double seconds, double lowHz, double highHz) {
    const double rate = plugin.config().sampleRate;
    const auto left = am::holdNote(plugin, note, seconds + 0.1);
    return am::peakFrequency(am::slice(left, rate, 0.1, seconds + 0.1), rate, lowHz, highHz);
}

// Long enough for a dozen periods of the lowest notes in the window.
double secondsFor(double hz) { return hz < 60.0 ? 1.6 : 0.6; }

}  // namespace

TEST(SourcePitch, WavesAcrossTheKeyboardAndRates) {
    struct Shape {
        const char* name;
        float waveMix;  // "Wave Mix": a third per shape
    } shapes[] = {{"sine", 0.0f}, {"saw", 1.0f / 3.0f}, {"square", 2.0f / 3.0f}, {"triangle", 1.0f}};
    // Both ends of the band table: the plain shapes below note 60 and the
    // shapes with fewest harmonics from note 124.
    const int notes[] = {21, 45, 69, 93, 117, 127};
    for (double rate : RATES) {
        for (const auto& shape : shapes) {
            for (int note : notes) {
                SCOPED_TRACE(std::string(shape.name) + " note " + std::to_string(note) + " at " + std::to_string(rate));
                auto host = hostAt(rate);
                auto plugin = am::loadVoice(host, am::join({mode(am::SOURCE_WAVE), {{tag::WAVE_MIX, shape.waveMix}}}));
                ASSERT_TRUE(plugin);
                const double expected = am::noteHz(note);
                const double hz = heldPitch(*plugin, note, secondsFor(expected), 10.0, rate / 2);
                EXPECT_NEAR(am::cents(hz, expected), 0.0, 1.0) << hz << " Hz, expected " << expected;
            }
        }
    }
}

TEST(SourcePitch, TranspositionAndTuning) {
    struct Case {
        const char* why;
        am::Patch settings;
        double semitones;  // from the note's own pitch
    } cases[] = {
        {"Source Semi +7", {{tag::SOURCE_SEMI, semiValue(7)}}, 7.0},
        {"Source Semi -12", {{tag::SOURCE_SEMI, semiValue(-12)}}, -12.0},
        {"Source Semi at its top: +48", {{tag::SOURCE_SEMI, 1.0f}}, 48.0},
        {"Source Fine 0.75: half a semitone up", {{tag::SOURCE_FINE, 0.75f}}, 0.5},
        {"Source Fine 0: one semitone down", {{tag::SOURCE_FINE, 0.0f}}, -1.0},
        {"Semi and fine add", {{tag::SOURCE_SEMI, semiValue(-5)}, {tag::SOURCE_FINE, 0.625f}}, -4.75},
        {"Global Tuning 0.75: half an octave up", {{tag::GLOBAL_TUNING, 0.75f}}, 6.0},
        {"Global Tuning 0: an octave down", {{tag::GLOBAL_TUNING, 0.0f}}, -12.0},
        // The warp and the feedback reshape the cycle; its length stays.
        {"Wave Symmetry 0.15 keeps the pitch", {{tag::WAVE_SYMMETRY, 0.15f}}, 0.0},
        {"Wave Feedback 0.6 keeps the pitch", {{tag::WAVE_FEEDBACK, 0.6f}}, 0.0},
    };
    for (double rate : {22050.0, 44100.0, 96000.0, 192000.0}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.why) + " at " + std::to_string(rate));
            auto host = hostAt(rate);
            auto plugin = am::loadVoice(host, am::join({sine(), c.settings}));
            ASSERT_TRUE(plugin);
            const double expected = am::noteHz(60 + c.semitones);
            const double hz = heldPitch(*plugin, 60, secondsFor(expected), 10.0, rate / 2);
            EXPECT_NEAR(am::cents(hz, expected), 0.0, 1.0) << hz << " Hz, expected " << expected;
        }
    }
}

TEST(SourcePitch, KeyTrackOffPlaysEveryNoteAtTheBasePitch) {
    struct Case {
        const char* why;
        am::Patch settings;
        double hz;
    } cases[] = {
        {"plain: 110 Hz", {}, 110.0},
        {"the transposition still applies", {{tag::SOURCE_SEMI, semiValue(12)}}, 220.0},
    };
    for (const Case& c : cases) {
        for (int note : {24, 57, 80, 108}) {
            SCOPED_TRACE(std::string(c.why) + ", note " + std::to_string(note));
            auto host = hostAt(48000);
            auto plugin = am::loadVoice(host, am::join({sine(), {{tag::KEY_TRACK, 0.0f}}, c.settings}));
            ASSERT_TRUE(plugin);
            const double hz = heldPitch(*plugin, note, 0.6, 10.0, 24000);
            EXPECT_NEAR(am::cents(hz, c.hz), 0.0, 1.0) << hz << " Hz";
        }
    }
}

// The tuned noise is white noise through a band-pass centred at
// 4 x rate x (phase increment per sub-sample), which is twice the note's pitch.
// At its narrowest band (Q about 100) the centre is fitted in an averaged
// spectrum. Noise limits how well any estimate can know the centre: over six
// seconds the fit scatters by about a cent (standard deviation, found over
// repeated renders), so the tolerance is four cents; a wrong rate, octave or
// table would be off by tens of cents or more.
TEST(SourcePitch, TunedNoiseBandSitsAtTwiceTheNotePitch) {
    struct Case {
        const char* why;
        double rate;
        int note;
        am::Patch settings;
        double semitones;
    } cases[] = {
        {"note 93", 44100, 93, {}, 0.0},
        {"note 105", 44100, 105, {}, 0.0},
        {"note 93", 48000, 93, {}, 0.0},
        {"note 105", 48000, 105, {}, 0.0},
        {"note 93", 96000, 93, {}, 0.0},
        {"note 105", 96000, 105, {}, 0.0},
        {"Source Semi -12 moves the band an octave down", 48000, 105, {{tag::SOURCE_SEMI, semiValue(-12)}}, -12.0},
        {"Source Fine does not move a noise source", 48000, 105, {{tag::SOURCE_FINE, 1.0f}}, 0.0},
    };
    const double seconds = 6.0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.why) + " at " + std::to_string(c.rate));
        auto host = hostAt(c.rate);
        auto plugin = am::loadVoice(
            host, am::join({mode(am::SOURCE_TUNED_NOISE), am::offsetRoute(0, SOURCE_BAND_WIDTH, 0.5f), c.settings}));
        ASSERT_TRUE(plugin);
        const double expected = 2.0 * am::noteHz(c.note + c.semitones);
        const auto left = am::holdNote(*plugin, c.note, seconds + 0.2);
        const auto spectrum = am::averagedSpectrum(am::slice(left, c.rate, 0.2, seconds + 0.2), c.rate, 16384);
        // The band's width at its narrowest: 2^(-10 x 0.666) of its centre.
        const double bandwidth = expected * std::exp2(-10.0 * 0.666);
        const double centre = am::bandCentre(spectrum, expected, 1.2 * std::numbers::pi * bandwidth / expected);
        ASSERT_GT(centre, 0.0) << "no band near " << expected << " Hz";
        EXPECT_NEAR(am::cents(centre, expected), 0.0, 4.0) << centre << " Hz, expected " << expected;
        // Two octaves up the band has taken the white input's energy away.
        EXPECT_GT(am::bandPower(spectrum, 0.99 * expected, 1.01 * expected),
                  30.0 * am::bandPower(spectrum, 3.96 * expected, 4.04 * expected));
    }
}

// Synced noise replays one noise segment per pitch period: the output
// matches itself one period later (and two), and not half a period later,
// while free noise matches itself nowhere. The segments are cut from the
// noise tables, which differ from instance to instance of a process: a
// library of the test's own plays the same segments in any test order.
TEST(SourcePitch, SyncedNoiseRepeatsOncePerPeriod) {
    const PrivateLibrary library;
    ASSERT_FALSE(library.path.empty()) << "cannot copy " << KOLBRI_SO_PATH;
    for (double rate : RATES) {
        for (int note : {45, 69, 93}) {
            SCOPED_TRACE("note " + std::to_string(note) + " at " + std::to_string(rate));
            const double period = rate / am::noteHz(note);
            const auto lag = [&](double periods) { return static_cast<std::size_t>(std::lround(periods * period)); };
            auto host = hostAt(rate);
            auto synced = am::loadVoice(host, mode(am::SOURCE_SYNCED_NOISE), library.path);
            ASSERT_TRUE(synced);
            const auto x = am::slice(am::holdNote(*synced, note, 1.2), rate, 0.2, 1.2);
            const std::size_t best = am::bestPeriod(x, lag(0.5), lag(1.5));
            EXPECT_NEAR(static_cast<double>(best), period, 1.0);
            EXPECT_GT(am::autocorrelation(x, best), 0.4);
            EXPECT_GT(std::max({am::autocorrelation(x, lag(2.0) - 1), am::autocorrelation(x, lag(2.0)),
                                am::autocorrelation(x, lag(2.0) + 1)}),
                      0.4);
            EXPECT_LT(std::fabs(am::autocorrelation(x, lag(0.5))), 0.3);

            auto free = am::loadVoice(host, mode(am::SOURCE_NOISE), library.path);
            ASSERT_TRUE(free);
            const auto y = am::slice(am::holdNote(*free, note, 1.2), rate, 0.2, 1.2);
            EXPECT_LT(std::fabs(am::autocorrelation(y, best)), 0.1);
        }
    }
}

// The sub oscillator plays a sine an octave below the voice, moved by "Sub
// Semi" (a route of amount a moves it 3a octaves) and "Sub Fine" (a
// semitones), at full "Sub Volume" as loud as the voice's own sine. Notes
// from 33 (27.5 Hz) to 105 reach down to the sub's plain table and up to its
// band-limited ones.
TEST(SourcePitch, SubOscillatorFollowsItsSemitoneAndFine) {
    struct Case {
        const char* why;
        am::Patch routes;
        double semitones;  // from an octave below the voice
    } cases[] = {
        {"no modulation: an octave below", {}, 0.0},
        {"Sub Semi a = -1/3: another octave down", am::offsetRoute(0, SUB_SEMI, -1.0f / 3.0f), -12.0},
        {"Sub Semi a = 1/9: four semitones up", am::offsetRoute(0, SUB_SEMI, 1.0f / 9.0f), 4.0},
        {"Sub Fine a = 0.5: half a semitone up", am::offsetRoute(0, SUB_FINE, 0.5f), 0.5},
        {"Sub Fine a = -1: a semitone down", am::offsetRoute(0, SUB_FINE, -1.0f), -1.0},
        {"semi and fine add", am::join({am::offsetRoute(0, SUB_SEMI, 1.0f / 9.0f), am::offsetRoute(1, SUB_FINE, -0.75f)}),
         3.25},
    };
    struct Play {
        int note;
        double rate;
    };
    const Play plays[] = {{69, 44100}, {69, 48000}, {69, 96000}, {33, 48000}, {105, 48000}};
    for (const auto [note, rate] : plays) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.why) + ", note " + std::to_string(note) + " at " + std::to_string(rate));
            auto host = hostAt(rate);
            // -12 dB: the voice and the sub together stay below the output clamp.
            auto plugin = am::loadVoice(
                host, am::join({sine(), {{tag::SUB_VOLUME, 1.0f}, {tag::MAIN_VOLUME, 0.6f}}, c.routes}));
            ASSERT_TRUE(plugin);
            const double voiceHz = am::noteHz(note), expected = voiceHz / 2.0 * std::exp2(c.semitones / 12.0);
            const double seconds = expected < 30 ? 2.0 : 1.0;
            const auto left = am::holdNote(*plugin, note, seconds);
            const auto x = am::slice(left, rate, 0.2, seconds);
            // The voice's own sine is the only partial above 0.9 x its pitch;
            // the sub is looked for within a fifth of where it belongs.
            const double hz = am::peakFrequency(x, rate, expected / 1.5, std::min(expected * 1.5, 0.9 * voiceHz));
            EXPECT_NEAR(am::cents(hz, expected), 0.0, 1.0) << hz << " Hz, expected " << expected;
            EXPECT_NEAR(am::peakFrequency(x, rate, 0.9 * voiceHz, rate / 2) / voiceHz, 1.0, 0.0006);
            const double subLevel = am::toneAmplitude(x, rate, hz), voiceLevel = am::toneAmplitude(x, rate, voiceHz);
            ASSERT_GT(voiceLevel, 0.01);
            // Equal levels, but for the voice's DC blocker (a one-pole
            // high-pass at 30 / 2 pi Hz), which the lowest subs feel.
            const auto blocker = [](double f) { return f / std::hypot(f, 30.0 / (2.0 * std::numbers::pi)); };
            EXPECT_NEAR(subLevel / voiceLevel, blocker(expected) / blocker(voiceHz), 0.03);
        }
    }
}
