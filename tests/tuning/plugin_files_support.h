// The plug-in with tuning and ECS files: fresh XDG folders per test, the
// desktop's dialogs and message boxes answered by a script that records what
// was asked, a host that names itself so that chunks are exchanged, and a
// steady sine voice whose pitch the tests measure.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/audio_measure.h"
#include "platform/Desktop.h"
#include "platform/test_folders.h"
#include "plugin/plugin_test_access.h"
#include "plain_program.h"
#include "plugin/uPlugin.h"
#include "tests/plugin/reaper_host_callback.h"
#include "tools/testhost/MidiEventList.h"

namespace pluginfiles {

constexpr double RATE = 48000.0;
constexpr int HAS_TUNING = 959;

// A host that calls itself "REAPER": one of those the plug-in exchanges chunks with.
inline constexpr auto chunkHost = reaperHostCallback;

class PluginFiles : public platform_test::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        tuningFolder = dataHome + "/Orventa/Kolbri/Tuning";
        ecsFolder = dataHome + "/Orventa/Kolbri/ECS";
        std::filesystem::create_directories(tuningFolder);
        std::filesystem::create_directories(ecsFolder);
        platform::setDesktopScript([this](const platform::TDesktopRequest& request) {
            requests.push_back(request);
            platform::TDesktopAnswer answer;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            return answer;
        });
    }

    // The plug-in as a host builds it, with a sine voice that holds its level.
    std::unique_ptr<APlugin> makePlugin() {
        auto plugin = std::make_unique<APlugin>(chunkHost);
        loadPlainProgram(*plugin);  // the plain sound, whatever program 0 is
        plugin->setSampleRate(static_cast<float>(RATE));
        plugin->setParameter(tag::MAIN_VOLUME, 0.75f);
        plugin->setParameter(tag::MOVEMENT_LOOP, 1.0f);
        plugin->setParameter(tag::MOVEMENT_TO_VOLUME, 0.0f);
        plugin->setParameter(tag::ATTACK, 0.0f);
        plugin->setParameter(tag::BRICK_FILTER, 0.0f);
        plugin->setParameter(tag::WAVE_MIX, 0.0f);
        plugin->setSteppedValue(tag::SOURCE_MODE, audiomeasure::SOURCE_WAVE);
        return plugin;
    }

    // The next dialog chooses this file; the next message box is answered OK.
    void choose(const std::string& path) {
        platform::TDesktopAnswer answer;
        answer.button = platform::TDesktopButton::ok;
        answer.paths = {path};
        answers.push_back(answer);
    }
    void cancelNextDialog() { answers.push_back(platform::TDesktopAnswer{}); }

    // The texts of the message boxes shown since the last call.
    std::vector<std::string> takeMessages() {
        std::vector<std::string> texts;
        for (const platform::TDesktopRequest& request : requests)
            if (request.kind == platform::TDesktopKind::messageBox) texts.push_back(request.text);
        requests.clear();
        return texts;
    }

    static std::vector<float> render(APlugin& plugin, long frames) {
        std::vector<float> all, left(512), right(512);
        float* outputs[2] = {left.data(), right.data()};
        for (long done = 0; done < frames; done += 512) {
            plugin.processReplacing(nullptr, outputs, 512);
            all.insert(all.end(), left.begin(), left.end());
        }
        return all;
    }

    // Applies the program waiting (a housekeeping frame comes within 4096
    // frames) on the audio thread, then lets the background thread do the
    // file work the program asked for.
    static void applyPendingProgram(APlugin& plugin) {
        render(plugin, 4096);
        TPluginTestAccess::worker(plugin).runPassNow();
    }
    static void applyProgram(APlugin& plugin) {
        plugin.setProgram(0);
        applyPendingProgram(plugin);
    }

    // The pitch of a held note in semitones above note 0 (110 Hz at note 57),
    // measured from the rendered sound; the note is stopped afterwards.
    static double heldPitch(APlugin& plugin, int note) {
        sendEvent(plugin, testhost::midiMessage(0x90, note, 100));
        const std::vector<float> left = render(plugin, static_cast<long>(0.5 * RATE));
        // The looping Movement keeps a released voice going: "All Sound Off"
        // ends it before the next measurement.
        sendEvent(plugin, testhost::midiMessage(0xB0, 120, 0));
        render(plugin, 512);
        const double hz = audiomeasure::peakFrequency(audiomeasure::slice(left, RATE, 0.1, 0.5), RATE, 20.0, 12000.0);
        return 57.0 + 12.0 * std::log2(hz / 110.0);
    }

    static void sendEvent(APlugin& plugin, const vst::VstMidiEvent& event) {
        testhost::MidiEventList list{event};
        plugin.processEvents(list.events());
    }

    std::string tuningFolder, ecsFolder;
    std::deque<platform::TDesktopAnswer> answers;
    std::vector<platform::TDesktopRequest> requests;
};

}  // namespace pluginfiles
