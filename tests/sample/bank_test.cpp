#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "engine/sample/SampleBank.h"
#include "sample/bank_manifest.h"
#include "engine/sample/SamplePlayback.h"
#include "test_environment.h"

namespace {

std::string groupOf(const std::string& name) { return name.substr(0, name.find_last_of(' ')); }

class BuiltInBank : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bank = TSampleBank::acquire(KOLBRI_SAMPLE_BANK);
        bank->readIn();
    }
    static void TearDownTestSuite() { bank.reset(); }
    static std::shared_ptr<const TSampleBank> bank;
};
std::shared_ptr<const TSampleBank> BuiltInBank::bank;

TEST_F(BuiltInBank, FileTablesAndNamesAgree) {
    ASSERT_TRUE(bank->isLoaded()) << bank->problemDetail();
    EXPECT_EQ(bank->problemText(), "");
    std::ifstream file(KOLBRI_SAMPLE_BANK, std::ios::binary | std::ios::ate);
    EXPECT_EQ(static_cast<std::int64_t>(file.tellg()), SAMPLE_BANK_FRAMES * 4);
    EXPECT_LT(SAMPLE_BANK_FRAMES, 12000000) << "well under the bank's old capacity";
    std::int64_t sum = 0;
    for (int k = 0; k < BANK_SAMPLES; ++k) sum += SAMPLE_LEN[k];
    EXPECT_EQ(sum, SAMPLE_BANK_FRAMES);
    EXPECT_EQ(SAMPLE_LEN[194], 0);
    EXPECT_EQ(SAMPLE_LEN[195], 0);
    const TSampleBankTables& t = bank->tables();
    EXPECT_EQ(t.sampleStartFrame[0], 0);
    EXPECT_EQ(t.sampleStartFrame[1], SAMPLE_LEN[0]);
    EXPECT_EQ(t.sampleEndFrame[193], SAMPLE_BANK_FRAMES);
    const std::vector<ManifestRow> rows = readManifest();
    ASSERT_EQ(rows.size(), 194u);
    EXPECT_EQ(rows[0].name, "FX Percussive 01");
    EXPECT_EQ(rows[98].name, "FX Percussive 99");
    EXPECT_EQ(rows[99].name, "Instrument 01");
    EXPECT_EQ(rows[115].name, "FX Loop 01");
    EXPECT_EQ(rows[140].name, "Vox 01");
    EXPECT_EQ(rows[193].name, "Cymbal 24");
    for (const ManifestRow& row : rows) {
        EXPECT_EQ(row.frames, SAMPLE_LEN[row.index]) << row.name;
        EXPECT_EQ(t.sampleHasLoop[row.index] == 1, row.loop) << row.name;
        // A sample without a loop "loops" at its last frame, so it plays to its end.
        if (!row.loop) {
            EXPECT_EQ(t.sampleLoopEnd[row.index], SAMPLE_LEN[row.index] - 1) << row.name;
        }
        const double factor = row.f0 > 0 ? 110.0 / row.f0 : 1.0;
        EXPECT_DOUBLE_EQ(t.samplePitchFactor[row.index], factor) << row.name;
    }
}

// The frames of a sample, both channels, as -1..1.
std::vector<std::array<float, 2>> framesOf(const TSampleBank& bank, int k) {
    const TSampleBankTables& t = bank.tables();
    std::vector<std::array<float, 2>> out(static_cast<std::size_t>(SAMPLE_LEN[k]));
    for (int i = 0; i < SAMPLE_LEN[k]; ++i) bank.readFrame(t.sampleStartFrame[k] + i, out[i][0], out[i][1]);
    return out;
}

TEST_F(BuiltInBank, SeamsLevelsAndDcOfEverySample) {
    const std::vector<ManifestRow> rows = readManifest();
    ASSERT_EQ(rows.size(), 194u);
    const TSampleBankTables& t = bank->tables();
    std::map<std::string, std::vector<double>> loudnessByGroup;
    for (const ManifestRow& row : rows) {
        const int k = row.index;
        const auto frames = framesOf(*bank, k);
        const int n = static_cast<int>(frames.size());
        double peak = 0, sum[2] = {0, 0};
        for (const auto& f : frames)
            for (int c = 0; c < 2; ++c) {
                peak = std::max(peak, static_cast<double>(std::fabs(f[c])));
                sum[c] += f[c];
            }
        const double peakDb = 20 * std::log10(peak);
        // Dense sounds (a siren, a pad) stop at the loudness ceiling below -3 dBFS.
        EXPECT_GE(peakDb, -11.0) << row.name << " " << row.kind;
        EXPECT_LE(peakDb, -2.9) << row.name << " " << row.kind;
        for (int c = 0; c < 2; ++c) {
            EXPECT_LT(std::fabs(sum[c] / n), 0.002) << row.name << " DC, channel " << c;
        }

        // The loudest 300 ms.
        const int window = std::min(14400, n);
        double energy = 0, best = 0;
        for (int i = 0; i < n; ++i) {
            energy += frames[i][0] * frames[i][0] + frames[i][1] * frames[i][1];
            if (i >= window) energy -= frames[i - window][0] * frames[i - window][0] + frames[i - window][1] * frames[i - window][1];
            best = std::max(best, energy);
        }
        loudnessByGroup[groupOf(row.name)].push_back(10 * std::log10(best / (2 * window)));

        if (row.loop) {
            const int ls = t.sampleLoopStart[k], le = t.sampleLoopEnd[k];
            EXPECT_EQ(ls, 0) << row.name;
            EXPECT_EQ(le, n - 1) << row.name;
            EXPECT_GE(le - ls, 4800) << row.name;
            // The end point is the start again, and the step over the seam is
            // no larger than the steps around it: no click.
            double stepsAround = 0;
            for (int i = 1; i < 480; ++i)
                for (int c = 0; c < 2; ++c)
                    stepsAround = std::max({stepsAround, static_cast<double>(std::fabs(frames[i][c] - frames[i - 1][c])),
                                            static_cast<double>(std::fabs(frames[le - i][c] - frames[le - i - 1][c]))});
            for (int c = 0; c < 2; ++c) {
                EXPECT_EQ(frames[le][c], frames[ls][c]) << row.name;
                const double seamStep = std::fabs(frames[ls + 1][c] - frames[le - 1][c]) / 2.0;
                EXPECT_LE(seamStep, stepsAround * 1.5 + 2.0 / 32768) << row.name << " click at the seam";
            }
        } else {
            EXPECT_EQ(frames.front()[0], 0.0f) << row.name << " starts at zero";
            EXPECT_EQ(frames.front()[1], 0.0f) << row.name;
            EXPECT_EQ(frames.back()[0], 0.0f) << row.name << " ends at exact zero";
            EXPECT_EQ(frames.back()[1], 0.0f) << row.name;
        }
    }
    // Loudness matched across the groups: each group's median within 5 dB of
    // the median of all groups.
    std::vector<double> medians;
    for (auto& [group, values] : loudnessByGroup) {
        std::sort(values.begin(), values.end());
        medians.push_back(values[values.size() / 2]);
    }
    std::vector<double> sorted = medians;
    std::sort(sorted.begin(), sorted.end());
    const double middle = sorted[sorted.size() / 2];
    for (auto& [group, values] : loudnessByGroup) {
        const double median = values[values.size() / 2];
        EXPECT_NEAR(median, middle, 5.0) << group;
        std::printf("loudness of %s: median %.1f dB, %.1f..%.1f\n", group.c_str(), median, values.front(), values.back());
    }
}

// ---- pitch

void fft(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> w = std::polar(1.0, -2 * std::numbers::pi / static_cast<double>(len));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> wk = 1;
            for (std::size_t k = 0; k < len / 2; ++k, wk *= w) {
                const auto u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

// The frequency of the strongest peak within a semitone of `around`.
double peakNear(const std::vector<float>& signal, double rate, double around) {
    const std::size_t size = 1 << 16;
    std::vector<std::complex<double>> spectrum(size);
    const std::size_t n = std::min(signal.size(), size);
    for (std::size_t i = 0; i < n; ++i)
        spectrum[i] = signal[i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (n - 1)));
    fft(spectrum);
    const auto bin = [&](double f) { return static_cast<std::size_t>(f / rate * size); };
    std::size_t best = bin(around * 0.944);
    for (std::size_t b = best; b <= bin(around * 1.06); ++b)
        if (std::abs(spectrum[b]) > std::abs(spectrum[best])) best = b;
    const double l = std::log(std::abs(spectrum[best - 1]) + 1e-30), c = std::log(std::abs(spectrum[best]) + 1e-30),
                 r = std::log(std::abs(spectrum[best + 1]) + 1e-30);
    const double shift = 0.5 * (l - r) / (l - 2 * c + r);
    return (static_cast<double>(best) + shift) * rate / size;
}

TEST_F(BuiltInBank, TonalSamplesPlay110HzAtNote57) {
    const std::vector<ManifestRow> rows = readManifest();
    int tonal = 0;
    for (double hostRate : {48000.0, 44100.0}) {
        for (const ManifestRow& row : rows) {
            if (row.f0 <= 0) continue;
            ++tonal;
            const TSampleSlotFrame slot = builtInSlotFrame(bank.get(), row.index, false, hostRate);
            TSamplePlayback play;
            play.startVoice(0, true, 0.0, 1000.0f);
            // At the key's own pitch the voice's ratio is 0.5: two sub-samples a frame.
            const TSampleVoiceInput input{0.5};
            std::vector<float> mono;
            for (int i = 0; i < 65536 + 4800 && play.isSounding(0); ++i) {
                const stereoOverStruct out = play.renderVoice(0, slot, input);
                if (i >= 4800) mono.push_back(0.25f * (out.lane[0] + out.lane[1] + out.lane[2] + out.lane[3]));
            }
            ASSERT_GT(mono.size(), 2000u) << row.name;
            const double f = peakNear(mono, hostRate, 110.0);
            EXPECT_NEAR(1200.0 * std::log2(f / 110.0), 0.0, 5.0) << row.name << " (" << row.kind << ") at " << hostRate;
        }
    }
    EXPECT_GT(tonal, 2 * 40) << "the instruments, voices and tuned hits";
}

TEST(SampleBank, SharedOncePerProcessAndSilentWhenMissing) {
    {
        auto first = TSampleBank::acquire(KOLBRI_SAMPLE_BANK);
        auto second = TSampleBank::acquire(KOLBRI_SAMPLE_BANK);
        EXPECT_EQ(first.get(), second.get()) << "one bank for every instance";
        EXPECT_EQ(TSampleBank::banksAlive(), 1);
    }
    EXPECT_EQ(TSampleBank::banksAlive(), 0) << "released with the last instance";

    auto missing = TSampleBank::acquire("/nonexistent/folder/Kolbri.raw");
    missing->readIn();
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->tables().sampleLength[5], 0);
    const TSampleSlotFrame silent = builtInSlotFrame(missing.get(), 5, false, 48000.0);
    TSamplePlayback play;
    play.startVoice(0, true, 0.0, 100.0f);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(play.renderVoice(0, silent, TSampleVoiceInput{}).lane[0], 0.0f);
    }
}

std::string readWhole(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(file.tellg()), '\0');
    file.seekg(0);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void writeWhole(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Frame f of the bank as the file's bytes give it, times 1/32768.
float leftOf(const std::string& bytes, std::int64_t f) {
    std::int16_t word = 0;
    std::memcpy(&word, bytes.data() + 4 * f, 2);
    return static_cast<float>(word) / 32768.0f;
}

// What the file on disk makes of the bank: the problem the editor shows and
// the frames that play, read only by readIn.
TEST(SampleBank, TheFileOnDiskDecidesTheProblemAndTheFramesThatPlay) {
    const std::string whole = readWhole(KOLBRI_SAMPLE_BANK);
    ASSERT_EQ(static_cast<std::int64_t>(whole.size()), SAMPLE_BANK_FRAMES * 4);
    const std::string problem = SAMPLE_BANK_PROBLEM_TEXT;
    struct Case {
        const char* what;
        std::string bytes;  // the file's contents
        std::string problem;
        std::int64_t frames;  // frames that play
    } cases[] = {
        {"empty", "", problem, 0},
        {"short", whole.substr(0, 4001), problem, 1000},
        {"longer: read to the bank's length, no message", whole + std::string(4096, '\x7f'), "", SAMPLE_BANK_FRAMES},
        {"whole", whole, "", SAMPLE_BANK_FRAMES},
    };
    const test_environment::TemporaryFolder folder("bankfile");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.path + "/Kolbri.raw";
        writeWhole(path, c.bytes);
        auto bank = TSampleBank::acquire(path);
        EXPECT_TRUE(bank->isLoaded());
        EXPECT_EQ(bank->problemText(), c.problem);
        EXPECT_EQ(bank->framesPresent(), 0) << "nothing is read before readIn";
        bank->readIn();
        EXPECT_EQ(bank->framesPresent(), c.frames);
        float left = 0, right = 0;
        for (std::int64_t f : {std::int64_t{0}, c.frames / 2, c.frames - 1}) {
            if (f < 0 || f >= c.frames) continue;
            bank->readFrame(f, left, right);
            EXPECT_EQ(left, leftOf(whole, f)) << "frame " << f;
        }
        bank->readFrame(c.frames, left, right);
        EXPECT_EQ(left, 0.0f) << "past the frames read: silence";
    }
}

TEST(SampleBankGenerator, TwoRunsWriteTheSameBytesAsTheBuild) {
    const test_environment::TemporaryFolder folder("bankrun");
    auto run = [&](const std::string& tag) {
        const std::string base = folder.path + "/" + tag;
        const std::string command = std::string("\"") + KOLBRI_SAMPLEBANK_TOOL + "\" " + base + ".raw " + base +
                                    ".cpp " + base + ".tsv > /dev/null";
        return std::system(command.c_str());
    };
    ASSERT_EQ(run("a"), 0);
    ASSERT_EQ(run("b"), 0);
    auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (const char* ending : {".raw", ".cpp", ".tsv"}) {
        const std::string a = read(folder.path + "/a" + ending), b = read(folder.path + "/b" + ending);
        EXPECT_FALSE(a.empty());
        EXPECT_TRUE(a == b) << ending << " differs between two runs";
        if (std::string(ending) == ".raw") {
            EXPECT_TRUE(a == read(KOLBRI_SAMPLE_BANK)) << "the build's bank differs";
        }
    }
}

}  // namespace
