// Every built-in program, played anywhere from note 24 to note 96, at any
// strength and held up to four seconds, peaks with room to spare under the
// output stage's clamp (0.99), which would flatten it: whenever the note
// starts. A Free LFO in its Free mode and the Mod FX run on their own from
// the plug-in's start, and what the noise and random sources draw depends on
// how long the plug-in has run, so the moment a key goes down picks one phase
// of each and one draw. Each program is played from a fresh instance after a
// wait of silence, the waits spread over the span in which the phases of
// what runs on its own in that program repeat (program_levels.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/BuiltinPrograms.h"
#include "program_levels.h"
#include "program_play.h"

namespace {

using levels::LoudKey;

// Under -1 dBFS, with room for the small differences between builds.
constexpr double MOST_PEAK_DBFS = -1.2;
// Where something runs on its own, this many note starts over the span its
// phases repeat over: the loudest phase of a slow LFO is a few percent of
// its cycle wide. Where nothing does, the starts only draw other noise.
constexpr int STARTS_OVER_A_CYCLE = 16;
constexpr int STARTS_WITHOUT_A_CYCLE = 3;
constexpr double SECONDS_BETWEEN_STARTS_WITHOUT_A_CYCLE = 0.37;

// The silences a note waits before it starts. Phases that repeat within less
// time than the starts without a cycle cover are spread over an odd multiple
// of their span instead: each start still falls on a phase of its own (an odd
// number and the count of starts share no factor), and draws other noise.
std::vector<double> waits(std::span<const float> v) {
    std::vector<double> seconds;
    double span = levels::startSpanSeconds(levels::freeRunningCycles(v));
    constexpr double LEAST_SPAN = STARTS_WITHOUT_A_CYCLE * SECONDS_BETWEEN_STARTS_WITHOUT_A_CYCLE;
    if (span > 0 && span < LEAST_SPAN) span *= 2 * std::ceil((LEAST_SPAN / span - 1) / 2) + 1;
    const int count = span > 0 ? STARTS_OVER_A_CYCLE : STARTS_WITHOUT_A_CYCLE;
    const double step = span > 0 ? span / STARTS_OVER_A_CYCLE : SECONDS_BETWEEN_STARTS_WITHOUT_A_CYCLE;
    for (int i = 0; i < count; ++i) seconds.push_back(i * step);
    return seconds;
}

// Found by the sweep (tools/levelsweep: every key from 24 to 96 started at
// many moments over the effects' run in silence, or over the span of what
// runs on its own where that is longer), each program's loudest notes are few
// and known: a row holds them (for a program whose level was set by this
// measure, also the keys that were loudest before) with the wait after which
// each was loudest, so that a noise or a random source, which draws anew
// with every moment the note may start, is heard at its loudest draw too,
// and a loud moment narrower than the starts' spacing is heard at all; and
// how long after the key goes down its latest loud peak comes (a delay's
// echoes or a swell peak late). The keyboard's ends and middle are played too.
struct PeakRow {
    std::string_view name;
    double listenSeconds;
    std::vector<LoudKey> loudestKeys;
};

void PrintTo(const PeakRow& row, std::ostream* out) { *out << row.name; }

class BuiltinProgramPeaks : public testing::TestWithParam<PeakRow> {};

TEST_P(BuiltinProgramPeaks, StayUnderTheClampWheneverTheNoteStarts) {
    const PeakRow& row = GetParam();
    const int program = builtinProgramNamed(row.name);
    ASSERT_LT(program, BUILTIN_PROGRAM_COUNT) << row.name;
    std::vector<LoudKey> takes;
    for (const double wait : waits(builtinProgramValues(program))) {
        for (const int note : {24, 42, 60, 78, 96}) takes.push_back({note, 127, wait});
        for (const LoudKey& key : row.loudestKeys) takes.push_back({key.note, key.velocity, wait});
    }
    takes.insert(takes.end(), row.loudestKeys.begin(), row.loudestKeys.end());
    double loudest = -200.0;
    LoudKey loudestTake{};
    for (const LoudKey& key : takes) {
        const levels::LevelTake take = levels::playLevelTake(program, key, row.listenSeconds);
        ASSERT_EQ(take.error, "");
        EXPECT_TRUE(take.finite) << row.name << ", note " << key.note << ", velocity " << key.velocity << ", after "
                                 << key.loudestAfterSeconds << " s";
        if (take.peakDbfs > loudest) {
            loudest = take.peakDbfs;
            loudestTake = key;
        }
    }
    EXPECT_LT(loudest, MOST_PEAK_DBFS) << row.name << " peaks at " << loudest << " dBFS at note " << loudestTake.note
                                       << ", velocity " << loudestTake.velocity << ", started after "
                                       << loudestTake.loudestAfterSeconds << " s";
    std::printf("%s: loudest %.2f dBFS, at note %d, velocity %d, started after %.5f s\n", std::string(row.name).c_str(),
                loudest, loudestTake.note, loudestTake.velocity, loudestTake.loudestAfterSeconds);
}

// clang-format off
const PeakRow PEAK_ROWS[] = {
    {"Abyss Impact", 0.6, {{86, 127, 5.00}, {84, 127, 5.15}, {80, 127, 5.75}}},
    {"Air Raid Siren", 4.1, {{94, 127, 5.45}, {92, 127, 3.35}, {86, 127, 2.15}, {90, 127, 0.05}}},
    {"Alien Chatter", 3.8, {{96, 127, 0.20}, {95, 127, 2.15}, {93, 127, 6.35}}},
    {"Arcade Coin", 0.3, {{25, 127, 0.00}}},
    {"Bell Tower Hit", 0.8, {{69, 127, 5.15}, {67, 127, 7.85}, {75, 127, 7.85}}},
    {"Bit Crusher Bass", 0.5, {{24, 127, 1.25}, {26, 127, 0.05}, {30, 127, 0.95}}},
    {"Blaster Shot", 0.3, {{64, 127, 6.65}, {65, 127, 2.45}, {59, 127, 2.75}}},
    {"Cinder Crackle", 3.3, {{24, 127, 6.35}}},
    {"Default", 1.6, {}},
    {"Door Slam", 0.3, {{95, 127, 0.00}}},
    {"Dread Drone", 4.3, {{80, 127, 7.25}, {38, 127, 7.40}, {37, 127, 5.75}, {79, 127, 0.05}}},
    {"Drip Drop", 0.3, {{94, 127, 5.45}, {69, 127, 2.75}, {88, 127, 1.55}}},
    {"Dust Devil Whoosh", 0.7, {{24, 127, 4.25}}},
    {"Electric Arc", 4.2, {{53, 127, 8.15}, {60, 127, 0.35}, {40, 127, 3.35}}},
    {"Engine Idle", 4.2, {{31, 127, 0.00}}},
    {"Falling Bomb", 2.7, {{44, 127, 1.25}, {64, 127, 6.65}, {31, 127, 4.25}}},
    {"Forcefield Hum", 4.1, {{33, 127, 2.45}, {32, 127, 2.75}, {34, 127, 4.25}}},
    {"Gate Stutter", 4.1, {{27, 127, 1.25}, {24, 127, 6.35}, {35, 127, 0.65}}},
    {"Glass Shard", 0.3, {}},
    {"Gong Swell", 4.7, {{43, 127, 0.35}, {44, 127, 1.85}, {45, 127, 7.70}}},
    {"Heartbeat Thump", 3.8, {{58, 127, 0.00}}},
    {"Hyperspace Jump", 2.2, {{71, 127, 0.80}, {43, 127, 5.00}, {60, 127, 1.55}, {27, 127, 0.50}}},
    {"Ice Cavern Bed", 4.5, {{42, 127, 1.40}, {39, 127, 0.80}, {36, 127, 4.10}}},
    {"Kick Drum Punch", 0.3, {}},
    {"Laser Zap", 0.3, {{62, 127, 0.00}}},
    {"Lift Off Riser", 1.6, {{24, 127, 4.55}}},
    {"Machine Press", 1.7, {{77, 127, 0.05}, {78, 127, 0.05}, {76, 127, 7.55}}},
    {"Metal Clang", 0.3, {{32, 127, 0.00}}},
    {"Modem Glitch", 4.2, {{88, 127, 0.35}, {94, 127, 5.45}, {93, 127, 7.25}}},
    {"Monk Choir", 4.2, {{93, 127, 7.03715}, {91, 127, 6.81567}, {92, 127, 4.23123}, {95, 127, 2.15}}},
    {"Morse Beeper", 4.2, {{25, 127, 0.35}, {29, 127, 4.25}, {34, 127, 2.15}, {30, 127, 4.25}}},
    {"Ocean Wash", 2.4, {{24, 127, 6.65}}},
    {"Phaser Sweep", 3.5, {{24, 127, 6.65}, {25, 127, 6.65}}},
    {"Plasma Cannon", 0.3, {{67, 120, 0.00}}},
    {"Power Down", 3.1, {}},
    {"Radar Ping", 0.7, {{79, 127, 0.65}, {70, 127, 5.75}, {89, 127, 4.55}, {68, 127, 0.05}}},
    {"Rain on Tin", 2.7, {{24, 127, 5.45}}},
    {"Ray Gun Pew", 0.3, {{30, 127, 0.00}, {28, 127, 0.00}, {29, 127, 0.00}}},
    {"Reactor Core", 3.6, {}},
    {"Ribbon Whoosh", 0.8, {{24, 127, 0.05}}},
    {"Robot Voice", 3.4, {{88, 127, 5.60}, {89, 127, 1.40}, {90, 127, 3.20}}},
    {"Rocket Flyby", 1.2, {{24, 127, 2.45}}},
    {"Sci-Fi Door", 0.7, {{24, 127, 2.15}}},
    {"Shimmer Riser", 4.4, {{58, 127, 1.55}, {25, 127, 6.05}, {49, 127, 3.20}, {27, 127, 6.80}}},
    {"Snare Crack", 0.3, {}},
    {"Sonar Bed", 2.7, {{82, 127, 2.75}, {81, 127, 2.75}, {87, 127, 2.75}}},
    {"Space Wind", 3.9, {{24, 127, 0.95}}},
    {"Spark Burst", 0.3, {}},
    {"Steam Vent", 0.3, {}},
    {"Sub Drop", 0.3, {{65, 127, 0.00}}},
    {"Swarm", 4.1, {{92, 127, 4.16148}, {94, 127, 3.12702}, {91, 127, 4.07148}, {93, 127, 3.35}, {93, 120, 7.25}}},
    {"Synced Buzz", 0.3, {{32, 112, 0.00}}},
    {"Talkbox Wah", 0.6, {{87, 127, 6.65}, {88, 127, 6.20}, {86, 127, 0.50}}},
    {"Thunder Roll", 0.8, {{90, 127, 0.65}, {94, 127, 0.65}}},
    {"Tick Tock Clock", 4.1, {{24, 127, 7.55}}},
    {"Tom Hit", 0.3, {{62, 127, 0.00}}},
    {"Train Horn", 4.2, {{80, 127, 0.65}, {53, 127, 6.95}, {73, 127, 1.55}}},
    {"Tremolo Tines", 0.3, {{29, 127, 0.65}}},
    {"Tube Whoosh", 1.3, {{24, 127, 5.30}, {78, 127, 0.65}, {25, 127, 2.75}}},
    {"Tuned Noise Harp", 0.3, {{92, 127, 0.00}}},
    {"UFO Hover", 4.0, {{83, 127, 5.75}, {88, 127, 0.35}, {66, 127, 4.25}, {72, 127, 5.15}}},
    {"Underwater Bed", 4.6, {{78, 127, 3.65}, {66, 127, 5.75}, {81, 127, 7.55}, {44, 127, 4.85}}},
    {"Vinyl Crackle", 3.9, {{24, 127, 3.95}}},
    {"Vocoder Whisper", 4.4, {{24, 127, 1.85}}},
    {"Warp Riser", 1.0, {{72, 127, 0.00}, {29, 120, 0.00}}},
    {"Whip Crack", 0.3, {}},
    {"Wind Chimes", 4.1, {{24, 127, 6.05}, {37, 127, 7.55}}},
    {"Wobble Glitch", 3.9, {{24, 127, 0.05}, {25, 127, 0.35}, {26, 127, 0.05}, {30, 127, 0.35}}},
    {"Zap Down", 0.3, {{75, 127, 0.00}, {76, 127, 0.00}}},
    {"Zipper Sweep", 0.3, {{96, 127, 0.50}, {95, 127, 0.50}, {93, 127, 2.60}}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(AllPrograms, BuiltinProgramPeaks, testing::ValuesIn(PEAK_ROWS),
                         [](const testing::TestParamInfo<PeakRow>& info) {
                             std::string name;
                             for (const char c : info.param.name)
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });

TEST(BuiltinProgramPeaks, EveryProgramHasARow) {
    ASSERT_EQ(std::size(PEAK_ROWS), static_cast<std::size_t>(BUILTIN_PROGRAM_COUNT));
    for (int n = 0; n < BUILTIN_PROGRAM_COUNT; ++n)
        EXPECT_TRUE(std::any_of(std::begin(PEAK_ROWS), std::end(PEAK_ROWS),
                                [n](const PeakRow& row) { return row.name == builtinProgramName(n); }))
            << builtinProgramName(n);
}

}  // namespace
