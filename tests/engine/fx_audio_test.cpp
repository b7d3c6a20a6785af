// What a listener hears of the effects chain, through the plug-in as a host
// loads it: a held sine (note 69, 220 Hz) with and without each stage, and
// each stage's signature measured in the difference: where an echo lands and
// how loud, how feedback decays, where a reverb starts, what the Low-Fi holds
// and quantises, what each Mod FX mode does to the level, the stereo image or
// the delay, and how the order of two stages changes the samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "audio_measure.h"
#include "engine/fx/FxControls.h"

namespace am = audiomeasure;

namespace {

constexpr double RATE = 48000;
constexpr int NOTE = 69;
constexpr double NOTE_HZ = 220;
constexpr int STAGE_ON_TAGS[] = {tag::LOW_FI, tag::MOD_FX, tag::DELAY, tag::REVERB};

// Every stage off: the tests switch on what they measure.
am::Patch quietChain() {
    am::Patch p = {{tag::BYPASS_ALL_FX, 0.0f}};
    for (int tag : STAGE_ON_TAGS) p.emplace_back(tag, 0.0f);
    return p;
}

// A free-running delay (1 ms at 0 to 4,096 ms at 1) of exactly `samples`
// frames before its added sample, no feedback, no band-pass.
float delayLength(double samples) { return static_cast<float>(std::log2((samples - 1.0) / (RATE / 1000.0)) / 12.0); }

am::Patch plainDelay(double leftSamples, double rightSamples) {
    return {{tag::DELAY, 1.0f},          {tag::DELAY_TEMPO_SYNC, 0.0f},
            {tag::DELAY_EQUAL_FEEDBACK, 0.0f}, {tag::DELAY_MIX, 0.5f},
            {tag::DELAY_LEFT, delayLength(leftSamples)}, {tag::DELAY_RIGHT, delayLength(rightSamples)},
            {tag::DELAY_FEED, 0.5f},         {tag::DELAY_CROSS, 0.5f},
            {tag::DELAY_LOWPASS_FILTER_FREQUENCY, 1.0f},     {tag::DELAY_HIGHPASS_FILTER_FREQUENCY, 0.0f}};
}

// "Delay Feed" for a direct feedback g (-0.99 at 0, 0.99 at 1).
float feedFor(float g) { return (g + 0.99f) / 1.98f; }

// The Mod FX in a mode, wet only, the modulator free-running.
am::Patch modFX(int mode, std::initializer_list<std::pair<int, float>> values) {
    am::Patch p = {{tag::MOD_FX, 1.0f},
                   {tag::MOD_FX_MODE, am::stepValue(tag::MOD_FX_MODE, mode)},
                   {tag::MOD_FX_TEMPO_SYNC, 0.0f},
                   {tag::MOD_FX_MIX, 1.0f}};
    p.insert(p.end(), values.begin(), values.end());
    return p;
}
enum { CHORUS, FLANGER, ENSEMBLE, PHASER, WAH_WAH, TALK_BOX, TREMOLO, AUTO_PAN, RING, GATOR };

// Step s of a Mod FX control that the mode reads as a menu of `range`.
float menuStep(int s, float range) { return (static_cast<float>(s) + 0.1f) / range; }

// "Mod FX 1" for a free modulator rate in Hz: 1.71875 / 256 Hz times 2^(14 x value).
float speedFor(double hz) { return static_cast<float>(std::log2(hz / (1.71875 / 256.0)) / 14.0); }

// Main volume 0.6 (-12 dB) keeps the note and an echo as loud as it below
// the output's clamp.
constexpr float MAIN_VOLUME = 0.6f;
const double MAIN_GAIN = std::pow(10.0, (80.0 * MAIN_VOLUME - 60.0) / 20.0);

// The sine voice with the chain settings, note 69 held for `seconds` from
// frame 0 of the result.
testhost::Stereo play(const am::Patch& chain, double seconds, double tempo = 120, float mainVolume = MAIN_VOLUME,
                      int velocity = 100) {
    testhost::HostConfig config;
    config.sampleRate = RATE;
    config.tempo = tempo;
    testhost::Host host(config);
    auto plugin = am::loadVoice(host, am::join({{{tag::SOURCE_MODE, am::stepValue(tag::SOURCE_MODE, am::SOURCE_WAVE)},
                                                 {tag::WAVE_MIX, 0.0f},
                                                 {tag::MAIN_VOLUME, mainVolume}},
                                                quietChain(),
                                                chain}));
    if (!plugin) return {};
    plugin->noteOn(plugin->framesRendered(), NOTE, velocity);
    return plugin->render(std::lround(seconds * RATE));
}

// The same note with every stage off: what the chain receives.
const testhost::Stereo& dry() {
    static const testhost::Stereo audio = play({}, 2.0);
    return audio;
}

long firstAbove(const am::Samples& x, float threshold, long from = 0) {
    for (long i = from; i < static_cast<long>(x.size()); ++i)
        if (std::fabs(x[static_cast<size_t>(i)]) > threshold) return i;
    return -1;
}

// Least-squares gain a of y ~ a x over [from, to).
double gainOf(const std::vector<double>& y, const am::Samples& x, long shift, long from, long to) {
    double xy = 0, xx = 0;
    for (long i = from; i < to; ++i) {
        const double xi = x[static_cast<size_t>(i - shift)];
        xy += y[static_cast<size_t>(i)] * xi;
        xx += xi * xi;
    }
    return xx > 0 ? xy / xx : 0.0;
}

// Largest |y - a x| over [from, to), x shifted by `shift` frames.
double misfit(const std::vector<double>& y, const am::Samples& x, double a, long shift, long from, long to) {
    double worst = 0;
    for (long i = from; i < to; ++i)
        worst = std::max(worst, std::fabs(y[static_cast<size_t>(i)] - a * x[static_cast<size_t>(i - shift)]));
    return worst;
}

std::vector<double> difference(const am::Samples& a, const am::Samples& b) {
    std::vector<double> d(std::min(a.size(), b.size()));
    for (size_t i = 0; i < d.size(); ++i) d[i] = static_cast<double>(a[i]) - b[i];
    return d;
}

// RMS over windows of `window` frames, one value per window.
std::vector<double> envelope(const am::Samples& x, long window, long from) {
    std::vector<double> e;
    for (long start = from; start + window <= static_cast<long>(x.size()); start += window) {
        double sum = 0;
        for (long i = start; i < start + window; ++i) sum += double(x[static_cast<size_t>(i)]) * x[static_cast<size_t>(i)];
        e.push_back(std::sqrt(sum / double(window)));
    }
    return e;
}

}  // namespace

// The delay's echo: 0.9 of the dry signal exactly `length` frames later (a
// free length of 64 ms is 3,072 frames plus one), nothing before it; with
// "Bypass All FX" on the output is the dry signal.
TEST(FxAudio, DelayEchoLandsAtItsFrameWithItsGain) {
    constexpr long LENGTH = 3073;
    const auto& x = dry();
    ASSERT_FALSE(x.left.empty());
    const long onset = firstAbove(x.left, 1e-6f);
    ASSERT_GE(onset, 0);

    const auto echoed = play(plainDelay(LENGTH, LENGTH), 2.0);
    for (const bool left : {true, false}) {
        SCOPED_TRACE(left ? "left" : "right");
        const am::Samples& dryChannel = left ? x.left : x.right;
        const auto echo = difference(left ? echoed.left : echoed.right, dryChannel);
        const long end = static_cast<long>(echo.size());
        EXPECT_LT(misfit(echo, dryChannel, 0.0, 0, 0, onset + LENGTH), 1e-6) << "nothing before the echo";
        // The wet half of mix 0.5 is 0.9 of the line, less the smoother's last 1.3e-5.
        EXPECT_NEAR(gainOf(echo, dryChannel, LENGTH, onset + LENGTH, end), 0.9, 1e-4);
        EXPECT_LT(misfit(echo, dryChannel, 0.9, LENGTH, onset + LENGTH, end), 1e-4);
        // One frame off would leave a 220 Hz sine's step between frames.
        EXPECT_GT(misfit(echo, dryChannel, 0.9, LENGTH + 1, onset + LENGTH + 1, end), 1e-3);
    }

    const auto bypassed = play(am::join({plainDelay(LENGTH, LENGTH), {{tag::BYPASS_ALL_FX, 1.0f}}}), 2.0);
    EXPECT_LT(misfit(difference(bypassed.left, x.left), x.left, 0.0, 0, 0, static_cast<long>(x.left.size())), 1e-7);
    EXPECT_LT(misfit(difference(bypassed.right, x.right), x.right, 0.0, 0, 0, static_cast<long>(x.right.size())), 1e-7);
}

// Equal feedback: with left and right lengths of 3,073 and 6,145 frames and a
// feedback of 0.6, the shorter side's feedback becomes 0.6001^(3073/6146), so
// that both sides lose the same over the same time; without the rule the
// short side decays twice as fast. Each echo's gain is read in the window
// where it is the newest one.
TEST(FxAudio, EqualFeedbackDecaysBothSidesAlike) {
    constexpr long SHORT = 3073, LONG = 6145;
    const auto& x = dry();
    const long onset = firstAbove(x.left, 1e-6f);
    ASSERT_GE(onset, 0);
    struct Case {
        bool equal;
        double shortFeedback;
    } cases[] = {{true, std::pow(0.6001, 3073.0 / 6146.0)}, {false, 0.6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.equal ? "equal feedback" : "plain feedback");
        const auto out =
            play(am::join({plainDelay(SHORT, LONG),
                           {{tag::DELAY_FEED, feedFor(0.6f)}, {tag::DELAY_EQUAL_FEEDBACK, c.equal ? 1.0f : 0.0f}}}),
                 2.0);
        for (const bool left : {true, false}) {
            const long length = left ? SHORT : LONG;
            const am::Samples& in = left ? x.left : x.right;
            std::vector<double> rest = difference(left ? out.left : out.right, in);
            double gains[3];
            for (int k = 1; k <= 3; ++k) {
                const long from = onset + k * length, to = onset + (k + 1) * length;
                gains[k - 1] = gainOf(rest, in, k * length, from, to);
                // Take this echo away from everything after it.
                for (long i = from; i < static_cast<long>(rest.size()); ++i)
                    rest[static_cast<size_t>(i)] -= gains[k - 1] * in[static_cast<size_t>(i - k * length)];
            }
            const double expected = left ? c.shortFeedback : 0.6;
            EXPECT_NEAR(gains[0], 0.9, 1e-3) << (left ? "left" : "right");
            EXPECT_NEAR(gains[1] / gains[0], expected, 2e-3) << (left ? "left" : "right");
            EXPECT_NEAR(gains[2] / gains[1], expected, 2e-3) << (left ? "left" : "right");
        }
    }
}

// The reverb's pre-delay: 2^(10 p) / 2000 s plus a sample before the line,
// then the shortest comb (1,046 frames at 44.1 kHz, 1,139 at 48 kHz for
// "Reverb Length" 0.75). Wet only: the output stays silent until then, and a
// longer pre-delay moves the start by exactly the difference.
TEST(FxAudio, ReverbPreDelayLeavesSilenceBeforeItsFrame) {
    const auto& x = dry();
    const long onset = firstAbove(x.left, 1e-6f);
    ASSERT_GE(onset, 0);
    auto reverb = [](float preDelay) {
        return play({{tag::REVERB, 1.0f},
                     {tag::REVERB_MIX, 1.0f},
                     {tag::REVERB_PRE_DELAY, preDelay},
                     {tag::REVERB_LENGTH, 0.75f},
                     {tag::REVERB_HIGHPASS_FILTER_FREQUENCY, 0.0f}},
                    1.0);
    };
    auto preDelayFrames = [](float p) { return std::exp2(10.0 * p) / 2000.0 * RATE + 1.0; };
    const double shortestComb = std::floor(1046.0 * RATE / 44100.0 + 0.5);
    long starts[2];
    const float settings[2] = {0.6f, 0.8f};
    for (int i = 0; i < 2; ++i) {
        const auto wet = reverb(settings[i]);
        const double quietUntil = onset + preDelayFrames(settings[i]) + shortestComb - 2.0;
        // The dry signal's last 1.3e-5 that the smoothed mix leaves is all there is.
        for (long n = 0; n < static_cast<long>(quietUntil); ++n)
            ASSERT_LT(std::fabs(wet.left[static_cast<size_t>(n)]), 1e-5f) << "pre-delay " << settings[i] << ", frame " << n;
        starts[i] = firstAbove(wet.left, 5e-5f);
        ASSERT_GE(starts[i], 0);
        EXPECT_LT(starts[i], quietUntil + 200) << "the reverb starts soon after the pre-delay and the comb";
    }
    EXPECT_NEAR(static_cast<double>(starts[1] - starts[0]), preDelayFrames(0.8f) - preDelayFrames(0.6f), 2.0);
}

// Low-Fi, wet only: "Sample Rate" 0.4 holds each value for 2^(5 x 0.4) = 4
// frames, "Bits" 0.8 quantises to steps of 2^-(16.5 - 16 x 0.8) (12.996 a unit).
TEST(FxAudio, LowFiHoldsAndQuantises) {
    const auto out = play({{tag::LOW_FI, 1.0f},
                           {tag::LOW_FI_MIX, 1.0f},
                           {tag::LOW_FI_SAMPLE_RATE, 0.4f},
                           {tag::LOW_FI_BITS, 0.8f}},
                          0.5);
    ASSERT_FALSE(out.left.empty());
    const double levels = std::exp2(16.5 - 16.0 * 0.8);
    long changes = 0, offGrid = 0, misplaced = 0, firstChange = -1;
    double loudest = 0;
    for (size_t n = 1; n < out.left.size(); ++n) {
        const double v = out.left[n] / MAIN_GAIN * levels;
        loudest = std::max(loudest, static_cast<double>(std::fabs(out.left[n])));
        if (std::fabs(v - std::round(v)) > 2e-3) ++offGrid;
        if (std::fabs(out.left[n] - out.left[n - 1]) > 1e-5f) {
            ++changes;
            if (firstChange < 0) firstChange = static_cast<long>(n);
            if ((static_cast<long>(n) - firstChange) % 4 != 0) ++misplaced;
        }
    }
    EXPECT_GT(loudest, 0.2 * MAIN_GAIN) << "the note sounds";
    EXPECT_EQ(offGrid, 0) << "every sample is a whole number of steps";
    EXPECT_GT(changes, 1000);
    EXPECT_EQ(misplaced, 0) << "the value changes only every fourth frame";
}

// Chorus with "Width" 0 keeps both lengths constant: the wet signal is the dry
// one 1 + 0.05 s x "Length" later (601 frames at Length 0.25), and the right
// side "Widen" (4 x 2^(8 x 0) + 1 = 5) frames later still. With Width the
// length moves and no fixed delay matches.
TEST(FxAudio, ChorusWithoutWidthKeepsItsLengths) {
    const auto& x = dry();
    const long onset = firstAbove(x.left, 1e-6f);
    auto chorus = [](float width) {
        am::Patch p = modFX(CHORUS, {{tag::MOD_FX_1, speedFor(3.0)},
                                     {tag::MOD_FX_2, 0.25f},
                                     {tag::MOD_FX_3, width},
                                     {tag::MOD_FX_4, 0.0f},
                                     {tag::MOD_FX_5, 1.0f}});  // the low-pass open
        p.emplace_back(tag::MOD_FX_MIX, 0.5f);
        return play(p, 1.0);
    };
    const auto still = chorus(0.0f);
    const auto moving = chorus(0.5f);
    const long end = static_cast<long>(still.left.size());
    EXPECT_LT(misfit(difference(still.left, x.left), x.left, 1.0, 601, onset + 601, end), 1e-4);
    EXPECT_LT(misfit(difference(still.right, x.right), x.right, 1.0, 606, onset + 606, end), 1e-4);
    EXPECT_GT(misfit(difference(moving.left, x.left), x.left, 1.0, 601, onset + 601, end), 1e-2);
}

// Flanger "Feedback" 1 asks for -1, which the line holds at -0.999: each pass
// through the 1,309-frame line (Length 0.545) comes back at -0.999 of the one
// before. The line is six periods of the note long, so the passes cancel
// and the level stays below the limiter's.
TEST(FxAudio, FlangerFeedbackIsHeldBelowOne) {
    constexpr long LENGTH = 1309;
    const auto& x = dry();
    const long onset = firstAbove(x.left, 1e-6f);
    const auto out = play(
        modFX(FLANGER, {{tag::MOD_FX_2, (LENGTH - 1) / 2400.0f}, {tag::MOD_FX_3, 0.0f}, {tag::MOD_FX_5, 1.0f}}), 0.5);
    std::vector<double> rest(out.left.begin(), out.left.end());
    double gains[3];
    for (int k = 1; k <= 3; ++k) {
        const long from = onset + k * LENGTH, to = onset + (k + 1) * LENGTH;
        gains[k - 1] = gainOf(rest, x.left, k * LENGTH, from, to);
        for (long i = from; i < static_cast<long>(rest.size()); ++i)
            rest[static_cast<size_t>(i)] -= gains[k - 1] * x.left[static_cast<size_t>(i - k * LENGTH)];
    }
    EXPECT_NEAR(gains[0], 1.0, 1e-3);
    EXPECT_NEAR(gains[1] / gains[0], -0.999, 3e-4);
    EXPECT_NEAR(gains[2] / gains[1], -0.999, 3e-4);
}

// Ring with "Amount" 0 multiplies by 1: the wet signal is the dry one.
TEST(FxAudio, RingAtAmountZeroPassesTheSignal) {
    const auto& x = dry();
    const auto out = play(modFX(RING, {{tag::MOD_FX_1, 0.5f}, {tag::MOD_FX_3, 0.0f}, {tag::MOD_FX_5, 1.0f}}), 1.0);
    const long end = static_cast<long>(out.left.size());
    EXPECT_LT(misfit(difference(out.left, x.left), x.left, 0.0, 0, 0, end), 1e-4);
    EXPECT_LT(misfit(difference(out.right, x.right), x.right, 0.0, 0, 0, end), 1e-4);
}

// Tremolo "Amount" a swings the level between 1 - a and 1 with the
// modulator's sine (4 Hz, no smoothing).
TEST(FxAudio, TremoloDepthIsItsAmount) {
    for (const float amount : {0.6f, 0.25f}) {
        const auto out = play(modFX(TREMOLO, {{tag::MOD_FX_1, speedFor(4.0)},
                                              {tag::MOD_FX_2, menuStep(4, 9.99f)},  // "Sine Up"
                                              {tag::MOD_FX_3, amount},
                                              {tag::MOD_FX_4, 0.5f},
                                              {tag::MOD_FX_5, 0.0f}}),
                              1.5);
        // Windows of two cycles of the note; the level moves little within one.
        const auto level = envelope(out.left, 436, static_cast<long>(0.1 * RATE));
        ASSERT_FALSE(level.empty());
        const auto [low, high] = std::minmax_element(level.begin(), level.end());
        EXPECT_NEAR(*low / *high, 1.0 - amount, 0.02) << "amount " << amount;
    }
}

// AutoPan at full amount: the side the pan moves towards stays whole and the
// other fades, down to silence at the ends of the swing (gains 2 - 2p and 2p,
// each at most 1).
TEST(FxAudio, AutoPanKeepsOneSideWhole) {
    const auto& x = dry();
    const auto out = play(modFX(AUTO_PAN, {{tag::MOD_FX_1, speedFor(2.0)},
                                           {tag::MOD_FX_2, menuStep(4, 9.99f)},
                                           {tag::MOD_FX_3, 1.0f},
                                           {tag::MOD_FX_4, 0.5f},
                                           {tag::MOD_FX_5, 0.0f}}),
                          1.5);
    const long from = static_cast<long>(0.1 * RATE);
    const auto reference = envelope(x.left, 436, from);
    const auto left = envelope(out.left, 436, from);
    const auto right = envelope(out.right, 436, from);
    double quietest = 1;
    for (size_t w = 0; w < std::min({reference.size(), left.size(), right.size()}); ++w) {
        const double gainLeft = left[w] / reference[w], gainRight = right[w] / reference[w];
        EXPECT_NEAR(std::max(gainLeft, gainRight), 1.0, 0.03) << "window " << w;
        quietest = std::min(quietest, std::min(gainLeft, gainRight));
    }
    EXPECT_LT(quietest, 0.05);
}

// The Gator opens and closes with the host's tempo: speed step 17 takes two
// steps a sixteenth note, so with every other step open on the left (and the
// others on the right) each side toggles every 1/32 note: 3,000 frames at
// 120 BPM, 4,000 at 90.
TEST(FxAudio, GatorStepsFollowTheTempo) {
    const float everyOther = (0x5555 + 0.5f) / 65535.9f;
    const float theOthers = (0xAAAA + 0.5f) / 65535.9f;
    for (const double bpm : {120.0, 90.0}) {
        const auto out = play(modFX(GATOR, {{tag::MOD_FX_1, menuStep(17, 33.99f)},
                                            {tag::MOD_FX_2, 0.0f},
                                            {tag::MOD_FX_3, menuStep(15, 15.99f)},  // 16 steps
                                            {tag::MOD_FX_4, everyOther},
                                            {tag::MOD_FX_5, theOthers}}),
                              1.0, bpm);
        const long step = std::lround(RATE * 60.0 / bpm / 8.0);
        const auto& x = dry();
        // Open or closed, read where the note is loud enough to tell.
        auto openAt = [&](const am::Samples& wet, const am::Samples& in, size_t n) {
            return std::fabs(wet[n]) > 0.5f * std::fabs(in[n]);
        };
        long both = 0;
        for (const bool left : {true, false}) {
            const am::Samples& wet = left ? out.left : out.right;
            const am::Samples& in = left ? x.left : x.right;
            std::vector<long> edges;
            int last = -1;
            for (size_t n = 0; n < wet.size(); ++n) {
                if (std::fabs(in[n]) < 0.05f) continue;
                const int open = openAt(wet, in, n) ? 1 : 0;
                if (last >= 0 && open != last) edges.push_back(static_cast<long>(n));
                last = open;
                if (left && open && openAt(out.right, x.right, n)) ++both;
            }
            ASSERT_GE(edges.size(), 6u) << bpm << " BPM";
            for (size_t e = 1; e < edges.size(); ++e)
                EXPECT_NEAR(static_cast<double>(edges[e] - edges[e - 1]), static_cast<double>(step), 50.0)
                    << bpm << " BPM, " << (left ? "left" : "right") << ", edge " << e;
        }
        // The two patterns are each other's complement: one side sounds at a time.
        EXPECT_EQ(both, 0) << bpm << " BPM";
    }
}

// The limiter of the Flanger: with feedback -0.999 and the comb tuned to the
// note (545.45 frames, an odd number of half periods of 220 Hz) the line's
// signal grows far beyond the input, and the limiter holds the wet signal's
// mean level at 1.2, loud note or soft. Main volume at -40 dB keeps the
// output below its clamp.
TEST(FxAudio, LimiterHoldsAResonatingFlanger) {
    const double length = 2.5 * RATE / NOTE_HZ;
    const float lengthSetting = static_cast<float>((length - 1.0) / (0.05 * RATE));
    double inputs[2], wets[2];
    const int velocities[2] = {100, 30};
    // The note's level follows its velocity in full.
    constexpr int VELOCITY_TO_VOLUME = 2;
    const am::Patch velocityToVolume = {{VELOCITY_TO_VOLUME, 1.0f}};
    for (int v = 0; v < 2; ++v) {
        const auto out = play(am::join({velocityToVolume, modFX(FLANGER, {{tag::MOD_FX_2, lengthSetting},
                                                                         {tag::MOD_FX_3, 0.0f},
                                                                         {tag::MOD_FX_5, 1.0f}})}),
                              2.0, 120, 0.25f, velocities[v]);
        const auto in = play(velocityToVolume, 2.0, 120, 0.25f, velocities[v]);
        double inputMean = 0, wetMean = 0;
        const long from = static_cast<long>(1.5 * RATE), to = static_cast<long>(2.0 * RATE);
        for (long n = from; n < to; ++n) {
            inputMean += std::fabs(in.left[static_cast<size_t>(n)]);
            wetMean += std::max(std::fabs(out.left[static_cast<size_t>(n)]), std::fabs(out.right[static_cast<size_t>(n)]));
        }
        // Back from -40 dB of main volume.
        inputs[v] = inputMean / double(to - from) / 0.01;
        wets[v] = wetMean / double(to - from) / 0.01;
        EXPECT_NEAR(wets[v], 1.2, 0.1) << "velocity " << velocities[v];
    }
    EXPECT_GT(inputs[0] / inputs[1], 2.0) << "the two notes differ in level";
}

// The order of two stages: Low-Fi (wet only, 12.996 steps a unit) and a
// delay (0.9 of the signal 3,073 frames later). Delay then Low-Fi quantises
// the sum, so every sample lies on the grid; Low-Fi then Delay adds 0.9 of a
// grid value to a grid value, which lies on it only when the echo's value is
// a multiple of ten steps.
TEST(FxAudio, TheOrderOfTwoStagesChangesTheSamples) {
    const double levels = std::exp2(16.5 - 16.0 * 0.8);
    const am::Patch stages = am::join({plainDelay(3073, 3073),
                                       {{tag::LOW_FI, 1.0f},
                                        {tag::LOW_FI_MIX, 1.0f},
                                        {tag::LOW_FI_SAMPLE_RATE, 0.0f},
                                        {tag::LOW_FI_BITS, 0.8f}}});
    struct Case {
        int path;
        const char* order;
        bool onGrid;
    } cases[] = {{0, "Low-Fi, Mod FX, Delay, Reverb", false}, {12, "Delay, Low-Fi, Mod FX, Reverb", true}};
    for (const Case& c : cases) {
        const auto out = play(am::join({stages, {{tag::FX_PATH, am::stepValue(tag::FX_PATH, c.path)}}}), 0.5);
        long offGrid = 0, counted = 0;
        for (size_t n = 4000; n < out.left.size(); ++n) {
            const double v = out.left[n] / MAIN_GAIN * levels;
            if (std::fabs(v) < 0.5) continue;
            ++counted;
            if (std::fabs(v - std::round(v)) > 2e-3) ++offGrid;
        }
        ASSERT_GT(counted, 5000) << c.order;
        if (c.onGrid)
            EXPECT_EQ(offGrid, 0) << c.order;
        else
            EXPECT_GT(offGrid, counted / 2) << c.order;
    }
}

// The reverb's high-pass switched off ("Reverb HighPass Filter Frequency"
// below about 480 Hz at 48 kHz) while its state followed a note with a
// steady part: the state is let go with it, so once the note and the tail
// have died the output is silent. Kept, it would stand in the output as an
// offset for good (here -29 dBFS with the pulse, -26 dBFS with the rumble).
// The high-pass goes off as the key goes up, or while it is held.
TEST(FxAudio, ReverbFallsSilentAfterItsHighPassGoesOff) {
    struct Case {
        const char* why;
        float waveMix, symmetry;
        int note;
        double offWhileHeld;  // seconds before the key goes up that the high-pass goes off
    } cases[] = {
        {"a lopsided pulse, which carries a steady part", 0.6f, 0.9f, 36, 0.0},
        {"a rumble at 8 Hz", 0.0f, 0.5f, 12, 0.0},
        {"the pulse, the high-pass going off while the key is held", 0.6f, 0.9f, 36, 0.25},
    };
    constexpr float HIGH_PASS_ON = 0.5f, HIGH_PASS_OFF = 0.1f;  // 640 Hz and 40 Hz
    for (const Case& c : cases) {
        testhost::HostConfig config;
        config.sampleRate = RATE;
        testhost::Host host(config);
        auto plugin = am::loadVoice(host, am::join({{{tag::SOURCE_MODE, am::stepValue(tag::SOURCE_MODE, am::SOURCE_WAVE)},
                                                     {tag::WAVE_MIX, c.waveMix},
                                                     {tag::WAVE_SYMMETRY, c.symmetry},
                                                     {tag::MAIN_VOLUME, MAIN_VOLUME},
                                                     {tag::MOVEMENT_SPEED, 0.8f}},  // the voice ends soon after the key
                                                    quietChain(),
                                                    {{tag::REVERB, 1.0f},
                                                     {tag::REVERB_MIX, 1.0f},
                                                     {tag::REVERB_LENGTH, 0.5f},
                                                     {tag::REVERB_HIGHPASS_FILTER_FREQUENCY, HIGH_PASS_ON}}}));
        ASSERT_TRUE(plugin);
        plugin->noteOn(plugin->framesRendered(), c.note, 100);
        const long held = std::lround(0.5 * RATE), before = std::lround(c.offWhileHeld * RATE);
        const auto sounding = plugin->render(held - before);
        plugin->setParameter(tag::REVERB_HIGHPASS_FILTER_FREQUENCY, HIGH_PASS_OFF);
        plugin->render(before);
        plugin->noteOff(plugin->framesRendered(), c.note);
        // The voice ends within half a second of the key going up; the
        // reverb's tail has died two seconds after it.
        const auto after = plugin->render(std::lround(3.0 * RATE));
        ASSERT_EQ(after.frames(), std::lround(3.0 * RATE));
        float loudest = 0, lastHalfSecond = 0;
        for (long n = 0; n < sounding.frames(); ++n) loudest = std::max(loudest, std::fabs(sounding.left[static_cast<size_t>(n)]));
        for (long n = std::lround(2.5 * RATE); n < after.frames(); ++n)
            lastHalfSecond = std::max({lastHalfSecond, std::fabs(after.left[static_cast<size_t>(n)]),
                                   std::fabs(after.right[static_cast<size_t>(n)])});
        // The high-pass takes most of the rumble away, not all.
        EXPECT_GT(loudest, 1e-3f) << c.why << ": the reverb sounds";
        // -120 dBFS: what is left is the all-passes' guard against denormals.
        EXPECT_LT(lastHalfSecond, 1e-6f) << c.why;
    }
}

// A mode change clears the Wah-Wah and TalkBox filter. A note played through
// it ends while another mode runs; back in the mode the output stays silent.
// Kept, the filter's old state would ring out over the silence for some
// 40 ms (here at -44, -34 and -32 dBFS).
TEST(FxAudio, WahWahComesBackWithoutTheOldNote) {
    struct Case {
        const char* why;
        int mode;
        float f2, f3, f4, f5;
    } cases[] = {{"Wah-Wah, high-pass", WAH_WAH, 1.0f, 0.2f, 0.8f, 0.0f},
                 {"Wah-Wah, resonant band-pass", WAH_WAH, 0.5f, 0.2f, 0.8f, 0.5f},
                 {"TalkBox", TALK_BOX, 0.5f, 0.0f, 1.0f, 0.0f}};
    for (const Case& c : cases) {
        testhost::HostConfig config;
        config.sampleRate = RATE;
        testhost::Host host(config);
        auto plugin = am::loadVoice(host, am::join({{{tag::SOURCE_MODE, am::stepValue(tag::SOURCE_MODE, am::SOURCE_WAVE)},
                                                     {tag::WAVE_MIX, 0.0f},
                                                     {tag::MAIN_VOLUME, MAIN_VOLUME},
                                                     {tag::MOVEMENT_SPEED, 0.8f}},  // the voice ends soon after the key
                                                    quietChain(),
                                                    modFX(c.mode, {{tag::MOD_FX_1, speedFor(1.0)},
                                                                   {tag::MOD_FX_2, c.f2},
                                                                   {tag::MOD_FX_3, c.f3},
                                                                   {tag::MOD_FX_4, c.f4},
                                                                   {tag::MOD_FX_5, c.f5}})}));
        ASSERT_TRUE(plugin);
        plugin->noteOn(plugin->framesRendered(), NOTE, 100);
        const auto sounding = plugin->render(std::lround(1.0 * RATE));
        plugin->setParameter(tag::MOD_FX_MODE, am::stepValue(tag::MOD_FX_MODE, CHORUS));
        plugin->noteOff(plugin->framesRendered(), NOTE);
        const auto away = plugin->render(std::lround(1.5 * RATE));
        plugin->setParameter(tag::MOD_FX_MODE, am::stepValue(tag::MOD_FX_MODE, c.mode));
        const auto back = plugin->render(std::lround(0.2 * RATE));
        auto loudest = [](const testhost::Stereo& s, long from) {
            float peak = 0;
            for (long n = from; n < s.frames(); ++n)
                peak = std::max({peak, std::fabs(s.left[static_cast<size_t>(n)]), std::fabs(s.right[static_cast<size_t>(n)])});
            return peak;
        };
        EXPECT_GT(loudest(sounding, 0), 1e-3f) << c.why << ": the note sounds through the filter";
        ASSERT_LT(loudest(away, std::lround(1.0 * RATE)), 1e-7f) << c.why << ": the note has ended";
        EXPECT_LT(loudest(back, 0), 1e-7f) << c.why << ": back in the mode, silence";
    }
}
