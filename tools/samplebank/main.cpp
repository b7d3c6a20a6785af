// Synthesises the built-in sample bank. Usage:
//   kolbri_samplebank BANK.raw TABLES.cpp MANIFEST.tsv
// The bank is 16-bit little-endian stereo at 48 kHz, the samples back to
// back in bank order without a header; the tables source gives their lengths,
// loops and pitch factors; the manifest lists what each sample is.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/samplebank/Recipes.h"

namespace {

using namespace bank;

constexpr double PEAK_TARGET = 0.7071;          // -3 dBFS
constexpr double LOUDNESS_CEILING_DB = -12.0;   // the loudest 300 ms of any sample at most this
constexpr double CREST_LIMIT_DB = 13.0;         // peaks above loudness + this are limited
constexpr double ONE_SHOT_FLOOR_DB = -54.0;     // one-shots end where they fall this far below their peak
constexpr int FADE_IN_FRAMES = 16;

struct TGroup {
    const char* prefix;
    int count;
};
constexpr TGroup GROUPS[] = {{"FX Percussive ", 99}, {"Instrument ", 16}, {"FX Loop ", 25}, {"Vox ", 30}, {"Cymbal ", 24}};

std::string sampleName(int index) {
    for (const TGroup& group : GROUPS) {
        if (index < group.count) {
            char text[64];
            std::snprintf(text, sizeof text, "%s%02d", group.prefix, index + 1);
            return text;
        }
        index -= group.count;
    }
    return "?";
}

double peakOf(const TStereo& s, int from, int to) {
    double peak = 0;
    for (int i = from; i < to; ++i) peak = std::max({peak, std::fabs(double(s.left[i])), std::fabs(double(s.right[i]))});
    return peak;
}

// The RMS of the loudest 300 ms window (both channels), in dB.
double loudnessDb(const TStereo& s, int length) {
    const int window = std::min(frames(0.3), length);
    double sum = 0, best = 0;
    for (int i = 0; i < length; ++i) {
        sum += double(s.left[i]) * s.left[i] + double(s.right[i]) * s.right[i];
        if (i >= window) sum -= double(s.left[i - window]) * s.left[i - window] + double(s.right[i - window]) * s.right[i - window];
        if (i >= window - 1) best = std::max(best, sum);
    }
    return 10.0 * std::log10(best / (2.0 * window) + 1e-20);
}

// A gain that never lets a peak pass the ceiling: the gain needed within the
// next 2 ms, released over 60 ms. Periodic when the signal is (for loops).
void limitPeaks(TStereo& s, int length, double ceiling, bool periodic) {
    const int lookahead = frames(0.002);
    std::vector<double> need(static_cast<std::size_t>(length), 1.0);
    for (int i = 0; i < length; ++i) {
        const double a = std::max(std::fabs(double(s.left[i])), std::fabs(double(s.right[i])));
        if (a > ceiling) need[i] = ceiling / a;
    }
    std::vector<double> gain(static_cast<std::size_t>(length), 1.0);
    const double release = std::exp(-1.0 / (0.06 * RATE));
    double g = 1.0;
    const int passes = periodic ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (int i = length - 1; i >= 0; --i) {  // backwards: the gain falls before a peak arrives
            double target = 1.0;
            for (int k = 0; k <= lookahead; ++k) {
                const int at = i + k;
                if (at < length) target = std::min(target, need[at]);
                else if (periodic) target = std::min(target, need[at - length]);
            }
            g = std::min(target, g * release + (1 - release) * 1.0);
            g = std::min(g, target);
            gain[i] = std::min(gain[i], g);
        }
    }
    for (int i = 0; i < length; ++i) {
        s.left[i] = static_cast<float>(s.left[i] * gain[i]);
        s.right[i] = static_cast<float>(s.right[i] * gain[i]);
    }
}

void removeMean(TStereo& s, int length) {
    double left = 0, right = 0;
    for (int i = 0; i < length; ++i) {
        left += s.left[i];
        right += s.right[i];
    }
    left /= length;
    right /= length;
    for (int i = 0; i < length; ++i) {
        s.left[i] = static_cast<float>(s.left[i] - left);
        s.right[i] = static_cast<float>(s.right[i] - right);
    }
}

// Blends the frames after the loop into its first frames, so the loop's last
// frame runs into its first as the sound ran on. Equal power, corrected for
// how alike the two stretches are.
void blendSeam(TStereo& s, int loop) {
    const int tail = s.size() - loop;
    for (std::vector<float>* channel : {&s.left, &s.right}) {
        std::vector<float>& x = *channel;
        double cross = 0, a2 = 0, b2 = 0;
        for (int j = 0; j < tail; ++j) {
            cross += double(x[j]) * x[loop + j];
            a2 += double(x[j]) * x[j];
            b2 += double(x[loop + j]) * x[loop + j];
        }
        const double correlation = cross / std::sqrt(a2 * b2 + 1e-30);
        for (int j = 0; j < tail; ++j) {
            const double theta = (j + 0.5) / tail * std::numbers::pi * 0.5;
            const double fadeIn = std::sin(theta), fadeOut = std::cos(theta);
            const double norm = 1.0 / std::sqrt(std::max(0.25, 1.0 + 2.0 * fadeIn * fadeOut * correlation));
            x[j] = static_cast<float>((x[j] * fadeIn + x[loop + j] * fadeOut) * norm);
        }
        x.resize(static_cast<std::size_t>(loop));
    }
}

// Finishes one sound: loops become exactly periodic and close on a copy of
// their first frame; one-shots start and end at exact zero; no DC; level.
std::vector<std::int16_t> finish(TSound& sound, int& frameCount, int& loopEnd) {
    TStereo& s = sound.audio;
    double gain;
    if (sound.loopFrames > 0) {
        blendSeam(s, sound.loopFrames);
        removeMean(s, sound.loopFrames);
    } else {
        // A DC blocker at 8 Hz, then the tail cut where it falls silent.
        double zl = 0, zr = 0, pl = 0, pr = 0;
        const double a = std::exp(-TWO_PI * 8.0 / RATE);
        for (int i = 0; i < s.size(); ++i) {
            const double l = s.left[i], r = s.right[i];
            zl = a * (zl + l - pl);
            zr = a * (zr + r - pr);
            pl = l;
            pr = r;
            s.left[i] = static_cast<float>(zl);
            s.right[i] = static_cast<float>(zr);
        }
        const double peak = peakOf(s, 0, s.size());
        const double floor = peak * std::pow(10.0, ONE_SHOT_FLOOR_DB / 20.0);
        int last = s.size() - 1;
        while (last > 0 && std::fabs(s.left[last]) < floor && std::fabs(s.right[last]) < floor) --last;
        const int length = std::min(s.size(), last + frames(0.01) + 1);
        s.left.resize(static_cast<std::size_t>(length));
        s.right.resize(static_cast<std::size_t>(length));
        const int fadeOut = std::min(frames(0.02), length / 4);
        for (int i = 0; i < fadeOut; ++i) {
            const double g = 0.5 - 0.5 * std::cos(std::numbers::pi * i / fadeOut);  // 0 at the last frame
            s.left[length - 1 - i] = static_cast<float>(s.left[length - 1 - i] * g);
            s.right[length - 1 - i] = static_cast<float>(s.right[length - 1 - i] * g);
        }
        for (int i = 0; i < FADE_IN_FRAMES && i < length; ++i) {
            const double g = 0.5 - 0.5 * std::cos(std::numbers::pi * i / FADE_IN_FRAMES);  // 0 at the first frame
            s.left[i] = static_cast<float>(s.left[i] * g);
            s.right[i] = static_cast<float>(s.right[i] * g);
        }
    }
    const int length = s.size();
    // Level: peaks limited to the loudness plus the crest limit, the peak at
    // -3 dBFS, unless that makes the sound louder than the ceiling.
    const double loudness = loudnessDb(s, length);
    const double peakDb = 20.0 * std::log10(peakOf(s, 0, length) + 1e-20);
    if (peakDb - loudness > CREST_LIMIT_DB)
        limitPeaks(s, length, std::pow(10.0, (loudness + CREST_LIMIT_DB) / 20.0), sound.loopFrames > 0);
    gain = PEAK_TARGET / (peakOf(s, 0, length) + 1e-20);
    const double louder = loudnessDb(s, length) + 20.0 * std::log10(gain);
    if (louder > LOUDNESS_CEILING_DB) gain *= std::pow(10.0, (LOUDNESS_CEILING_DB - louder) / 20.0);

    const bool loop = sound.loopFrames > 0;
    frameCount = loop ? length + 1 : length;
    loopEnd = frameCount - 1;
    std::vector<std::int16_t> words(static_cast<std::size_t>(frameCount) * 2);
    auto word = [&](float x) {
        const double v = std::round(double(x) * gain * 32767.0);
        return static_cast<std::int16_t>(std::clamp(v, -32767.0, 32767.0));
    };
    for (int i = 0; i < length; ++i) {
        words[2 * i] = word(s.left[i]);
        words[2 * i + 1] = word(s.right[i]);
    }
    if (loop) {
        // The frame after the last is the first again: the loop's end point is its start.
        words[2 * length] = words[0];
        words[2 * length + 1] = words[1];
    } else {
        words[0] = words[1] = 0;
        words[2 * (length - 1)] = words[2 * (length - 1) + 1] = 0;
    }
    return words;
}

bool writeAtomically(const std::string& path, const void* data, std::size_t size) {
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !ok) {
        std::remove(temporary.c_str());
        return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s BANK.raw TABLES.cpp MANIFEST.tsv\n", argv[0]);
        return 2;
    }
    const std::vector<TBankEntry> entries = bankEntries();
    if (entries.size() != 194) {
        std::fprintf(stderr, "the bank must hold 194 samples, not %zu\n", entries.size());
        return 1;
    }
    std::vector<std::int16_t> bankWords;
    std::string lengths, loops, factors, manifest = "index\tname\tkind\tframes\tloop\tf0\tpitch_factor\n";
    std::int64_t total = 0;
    int loopCount = 0;
    for (std::size_t index = 0; index < entries.size(); ++index) {
        TRng rng(1000 + index);
        TSound sound = entries[index].recipe(entries[index].variant, rng);
        int frameCount = 0, loopEnd = 0;
        const std::vector<std::int16_t> words = finish(sound, frameCount, loopEnd);
        bankWords.insert(bankWords.end(), words.begin(), words.end());
        total += frameCount;
        const std::string name = sampleName(static_cast<int>(index));
        const double factor = sound.f0 > 0 ? 110.0 / sound.f0 : 1.0;
        char line[256];
        std::snprintf(line, sizeof line, "    %d,  // %zu %s: %s\n", frameCount, index, name.c_str(), sound.kind.c_str());
        lengths += line;
        if (sound.loopFrames > 0) {
            std::snprintf(line, sizeof line, "    {%zu, 0, %d},  // %s\n", index, loopEnd, name.c_str());
            loops += line;
            ++loopCount;
        }
        std::snprintf(line, sizeof line, "    %.17g,  // %zu %s\n", factor, index, name.c_str());
        factors += line;
        std::snprintf(line, sizeof line, "%zu\t%s\t%s\t%d\t%d\t%.6f\t%.17g\n", index, name.c_str(), sound.kind.c_str(),
                      frameCount, sound.loopFrames > 0 ? 1 : 0, sound.f0, factor);
        manifest += line;
    }
    std::string source =
        "// Written by the sample bank generator (tools/samplebank) in the same run\n"
        "// as the bank it describes. Not edited by hand.\n"
        "#include \"engine/sample/SampleBankTables.h\"\n\n"
        "const std::int32_t SAMPLE_LEN[196] = {\n" + lengths + "    0,\n    0,\n};\n\n";
    char line[128];
    std::snprintf(line, sizeof line, "const std::int64_t SAMPLE_BANK_FRAMES = %" PRId64 ";\n\n", total);
    source += line;
    source += "const TSampleLoopRow SAMPLE_LOOPS[] = {\n" + loops + "};\n";
    std::snprintf(line, sizeof line, "const int SAMPLE_LOOP_COUNT = %d;\n\n", loopCount);
    source += line;
    source += "const double SAMPLE_PITCH_FACTOR[195] = {\n" + factors + "    1.0,  // 194 User\n};\n";

    if (!writeAtomically(argv[1], bankWords.data(), bankWords.size() * sizeof(std::int16_t)) ||
        !writeAtomically(argv[2], source.data(), source.size()) ||
        !writeAtomically(argv[3], manifest.data(), manifest.size())) {
        std::fprintf(stderr, "cannot write the sample bank\n");
        return 1;
    }
    std::printf("sample bank: %zu samples, %" PRId64 " frames, %d loops\n", entries.size(), total, loopCount);
    return 0;
}
