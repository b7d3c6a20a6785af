// kolbri_levelsweep: finds each built-in program's loudest keys for the level
// test (tests/levels/program_levels_test.cpp). Every note from 24 to 96 at
// full strength, held four seconds, is played as the test plays it after
// many waits spread over the effects' run in silence, or over the span in
// which the phases of what runs on its own repeat where that is longer; the
// loudest waits found can then be searched frame by frame nearby, as a loud
// moment of beating delay taps is narrower than a millisecond. Prints each
// program's loudest notes, each with the wait it was loudest after, as the
// test's rows.
//
//   kolbri_levelsweep [--moments N] [--keys N] [--refine FRAMES] [--notes LOW-HIGH] [--jobs N] [NAME...]
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "plugin/BuiltinPrograms.h"
#include "tests/levels/program_levels.h"
#include "tests/program_play.h"

namespace {

// Long enough after the four seconds held for the latest peaks of release
// tails and echoes.
constexpr double LISTEN_SECONDS = levels::HELD_SECONDS + 1.0;
constexpr int VELOCITY = 127;
// Takes this close to a program's loudest set how long the test listens.
constexpr double LOUD_DB = 1.0;

struct Options {
    int moments = 55;
    int keys = 3;
    long refineFrames = 0;
    int lowNote = 24, highNote = 96;
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    std::vector<int> programs;
};

struct Result {
    levels::LoudKey key;
    levels::LevelTake take;
};

// Plays every key on the jobs' threads; the results in the keys' order. A
// plug-in that does not load ends the sweep.
std::vector<Result> playAll(int program, const std::vector<levels::LoudKey>& keys, unsigned jobs) {
    std::vector<Result> results(keys.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (std::size_t i; !failed && (i = next++) < keys.size();) {
            results[i] = {keys[i], levels::playLevelTake(program, keys[i], LISTEN_SECONDS)};
            if (!results[i].take.error.empty()) failed = true;
        }
    };
    std::vector<std::thread> threads;
    for (unsigned j = 0; j < jobs; ++j) threads.emplace_back(work);
    for (std::thread& thread : threads) thread.join();
    for (const Result& r : results)
        if (!r.take.error.empty()) {
            std::fprintf(stderr, "kolbri_levelsweep: %s\n", r.take.error.c_str());
            std::exit(1);
        }
    return results;
}

Result loudestOf(const std::vector<Result>& results) {
    return *std::max_element(results.begin(), results.end(),
                             [](const Result& a, const Result& b) { return a.take.peakDbfs < b.take.peakDbfs; });
}

// The time between two of the sweep's waits: they spread over all the
// effects' run in silence, or over the span of what runs on its own where
// that is longer. A shorter cycle runs many times meanwhile, and the waits
// fall all over its phases while drawing other noise each.
double momentSeconds(int program, int count) {
    const double span = levels::startSpanSeconds(levels::freeRunningCycles(builtinProgramValues(program)));
    return std::max(span, levels::chainRunSeconds()) / count;
}

// The loudest take of the key started at each `stride`th frame within
// `reach` frames of its wait.
Result loudestNear(int program, const Result& found, long reach, long stride, unsigned jobs) {
    const long centre = std::lround(found.key.loudestAfterSeconds * levels::RATE);
    std::vector<levels::LoudKey> keys;
    for (long f = centre - reach; f <= centre + reach; f += stride)
        if (f >= 0 && f != centre)
            keys.push_back({found.key.note, found.key.velocity, static_cast<double>(f) / levels::RATE});
    if (keys.empty()) return found;
    const Result nearby = loudestOf(playAll(program, keys, jobs));
    return nearby.take.peakDbfs > found.take.peakDbfs ? nearby : found;
}

// Where delay taps beat, a loud moment of theirs is heard at its loudest only
// when it falls at one point of the note (a swell, a vowel) and finds the
// note's own wave at one phase: the waits within two moments of the loudest
// every `frames` frames, then every frame within `frames` of the loudest of those.
Result refine(int program, const Result& found, double momentSeconds, long frames, unsigned jobs) {
    const long twoMoments = std::lround(2.0 * momentSeconds * levels::RATE);
    return loudestNear(program, loudestNear(program, found, twoMoments, frames, jobs), frames, 1, jobs);
}

// A wait as the rows write it: to the hundredth, or to the frame where that
// would move it.
std::string waitText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    if (std::lround(std::atof(text) * levels::RATE) != std::lround(seconds * levels::RATE))
        std::snprintf(text, sizeof text, "%.5f", seconds);
    return text;
}

const auto louder = [](const Result& a, const Result& b) { return a.take.peakDbfs > b.take.peakDbfs; };

// Each note at the wait it was loudest after: the `count` loudest notes, loudest first.
std::vector<Result> loudestNotes(const std::vector<Result>& results, int count) {
    std::vector<Result> byNote;
    for (const Result& r : results) {
        const auto sameNote = [&r](const Result& b) { return b.key.note == r.key.note; };
        const auto same = std::find_if(byNote.begin(), byNote.end(), sameNote);
        if (same == byNote.end())
            byNote.push_back(r);
        else if (r.take.peakDbfs > same->take.peakDbfs)
            *same = r;
    }
    std::sort(byNote.begin(), byNote.end(), louder);
    byNote.resize(std::min<std::size_t>(byNote.size(), static_cast<std::size_t>(count)));
    return byNote;
}

// Heard until a tenth of a second past the latest peak that came within
// LOUD_DB of the loudest, and no shorter than the shortest row.
double listenSeconds(const std::vector<Result>& results, const std::vector<Result>& loudest) {
    const double loud = loudest.front().take.peakDbfs - LOUD_DB;
    double latest = 0.0;
    for (const std::vector<Result>* found : {&results, &loudest})
        for (const Result& r : *found)
            if (r.take.peakDbfs >= loud) latest = std::max(latest, r.take.peakSeconds);
    return std::max(0.3, std::ceil((latest + 0.1) * 10.0) / 10.0);
}

// The row to paste, after a comment with each key's level and the time of its peak.
void printRow(int program, const std::vector<Result>& results, const std::vector<Result>& loudest) {
    std::string keys, comment = "    // ";
    for (const Result& r : loudest) {
        const char* between = keys.empty() ? "" : ", ";
        keys += std::string(between) + "{" + std::to_string(r.key.note) + ", " + std::to_string(r.key.velocity) + ", " +
                waitText(r.key.loudestAfterSeconds) + "}";
        char level[64];
        std::snprintf(level, sizeof level, "%s%d: %.2f dBFS at %.2f s", between, r.key.note, r.take.peakDbfs,
                      r.take.peakSeconds);
        comment += level;
    }
    for (const Result& r : results)
        if (!r.take.finite) comment += ", not finite at note " + std::to_string(r.key.note);
    std::printf("%s\n    {\"%s\", %.1f, {%s}},\n", comment.c_str(), std::string(builtinProgramName(program)).c_str(),
                listenSeconds(results, loudest), keys.c_str());
    std::fflush(stdout);
}

void sweep(int program, const Options& options) {
    const double moment = momentSeconds(program, options.moments);
    std::vector<levels::LoudKey> keys;
    for (int i = 0; i < options.moments; ++i)
        for (int note = options.lowNote; note <= options.highNote; ++note) keys.push_back({note, VELOCITY, i * moment});
    const std::vector<Result> results = playAll(program, keys, options.jobs);
    std::vector<Result> loudest = loudestNotes(results, options.keys);
    if (options.refineFrames > 0) {
        for (Result& r : loudest) r = refine(program, r, moment, options.refineFrames, options.jobs);
        std::sort(loudest.begin(), loudest.end(), louder);
    }
    printRow(program, results, loudest);
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--moments" && hasValue) {
            options.moments = std::atoi(argv[++i]);
        } else if (arg == "--keys" && hasValue) {
            options.keys = std::atoi(argv[++i]);
        } else if (arg == "--refine" && hasValue) {
            options.refineFrames = std::atol(argv[++i]);
        } else if (arg == "--jobs" && hasValue) {
            options.jobs = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        } else if (arg == "--notes" && hasValue) {
            if (std::sscanf(argv[++i], "%d-%d", &options.lowNote, &options.highNote) != 2) return false;
        } else if (arg.starts_with("--")) {
            return false;
        } else {
            const int program = builtinProgramNamed(arg);
            if (program >= BUILTIN_PROGRAM_COUNT) {
                std::fprintf(stderr, "kolbri_levelsweep: no built-in program is named \"%s\"\n", arg.c_str());
                return false;
            }
            options.programs.push_back(program);
        }
    }
    return options.moments > 0 && options.keys > 0 && options.refineFrames >= 0 && options.lowNote >= 0 &&
           options.lowNote <= options.highNote && options.highNote <= 127;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: kolbri_levelsweep [--moments N] [--keys N] [--refine FRAMES] [--notes LOW-HIGH] "
                     "[--jobs N] [PROGRAM NAME...]\n"
                     "  plays every note (24-96) at velocity 127, held 4 s, after N waits (55) over the effects'\n"
                     "  run in silence or what runs on its own, and prints each program's N loudest notes (3)\n"
                     "  as level-test rows;\n"
                     "  --refine then searches each one's waits within two of those of its loudest, every FRAMES\n"
                     "  frames, and every frame within FRAMES of the loudest of them. No name: all.\n");
        return 2;
    }
    if (options.programs.empty())
        for (int program = 0; program < BUILTIN_PROGRAM_COUNT; ++program) options.programs.push_back(program);
    for (const int program : options.programs) sweep(program, options);
    return 0;
}
