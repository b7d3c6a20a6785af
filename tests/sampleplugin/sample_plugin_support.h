// The "Sample" source through the plug-in: a user sample written into a fresh
// home sample folder and loaded as the editor loads it, notes played through
// processReplacing, and the sound measured (its pitch track, its period, how
// long it sounds).
#pragma once

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "sample/sample_files.h"
#include "tuning/plugin_files_support.h"

namespace sampleplugin {

constexpr int SOURCE_MODE = 10, SAMPLE_CHOICE = 19, SAMPLE_REVERSE = 20, SAMPLE_OFFSET = 21, GRAIN_ON = 22,
              SOURCE_SEMI = 12, LOOP_MODE = 244, SAMPLE_START = 246, LOOP_START = 247, LOOP_END = 248,
              SAMPLE_LOADED = 249;
constexpr int SOURCE_SAMPLE = 4, USER_SAMPLE = 194;
constexpr int ONE_SHOT = 0, LOOP = 1, PING_PONG = 2, REVERSE = 3;
constexpr int OFFSET_DESTINATION = 17;

// A chirp: a sine from 300 to 3000 Hz at 48 kHz, its frequency rising with the
// frame, so that the pitch heard tells where in the file a voice reads.
constexpr int CHIRP_FRAMES = 9601;  // length (last frame) 9600: loop points at quarters fall on frames
inline double chirpHz(double frame) { return 300.0 + 2700.0 * frame / (CHIRP_FRAMES - 1); }
inline samplefiles::Bytes chirpWav(int frames = CHIRP_FRAMES, int rate = 48000) {
    samplefiles::Bytes data;
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        samplefiles::le(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(16000.0 * std::sin(phase)))), 2);
        phase += 2.0 * std::numbers::pi * chirpHz(i) / rate;
    }
    return samplefiles::form(true, "WAVE", {samplefiles::fmtChunk(1, 1, static_cast<std::uint32_t>(rate), 16),
                                            samplefiles::TChunk{"data", data}});
}

// The plug-in's sample library: what the editor reaches through its
// services, and the operations only the plug-in's own code asks for.
inline TSampleLibrary& samples(APlugin& plugin) { return TPluginTestAccess::samples(plugin); }

inline void writeBytes(const std::string& path, const samplefiles::Bytes& bytes) {
    platform_test::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// Frequency in a window from its zero crossings (exact enough for a clean sine).
inline double crossingHz(const std::vector<float>& x, std::size_t from, std::size_t count, double rate) {
    int crossings = 0;
    for (std::size_t i = from + 1; i < from + count && i < x.size(); ++i)
        if ((x[i - 1] < 0) != (x[i] < 0)) ++crossings;
    return crossings * rate / (2.0 * static_cast<double>(count));
}

inline double rms(const std::vector<float>& x, std::size_t from, std::size_t count) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = from; i < from + count && i < x.size(); ++i, ++n) sum += double(x[i]) * x[i];
    return n ? std::sqrt(sum / n) : 0.0;
}

class SamplePlugin : public pluginfiles::PluginFiles {
protected:
    void SetUp() override {
        PluginFiles::SetUp();
        sampleRoot = dataHome + "/Orventa/Kolbri/Samples";
        std::filesystem::create_directories(sampleRoot);
    }

    // The plug-in with its start program applied and the "Sample" source on
    // the user sample; a file of the root loaded as the editor's list loads it.
    std::unique_ptr<APlugin> makeSamplePlugin(const std::string& fileName = "chirp.wav") {
        auto plugin = makePlugin();
        applyPendingProgram(*plugin);
        plugin->setSteppedValue(SOURCE_MODE, SOURCE_SAMPLE);
        plugin->setSteppedValue(SAMPLE_CHOICE, USER_SAMPLE);
        if (!fileName.empty()) {
            samples(*plugin).scanSampleFolder();
            for (int i = 0; i < samples(*plugin).getNumOfSamplesInSampleFolder(); ++i)
                if (samples(*plugin).getSampleNoDisplayNameStr(i) == fileName) samples(*plugin).loadSelectedSample(i);
        }
        // The engine takes the new source mode at its next control step (and
        // lets go of every voice then): before the test's first note.
        render(*plugin, 512);
        return plugin;
    }

    static void note(APlugin& plugin, int key, bool on) {
        sendEvent(plugin, testhost::midiMessage(on ? 0x90 : 0x80, key, 100));
    }

    // A note held from the start of the render; the voice is silenced afterwards.
    static std::vector<float> playNote(APlugin& plugin, int key, long frames) {
        note(plugin, key, true);
        std::vector<float> left = render(plugin, frames);
        sendEvent(plugin, testhost::midiMessage(0xB0, 120, 0));
        render(plugin, 512);
        return left;
    }

    std::string sampleRoot;
};

}  // namespace sampleplugin
