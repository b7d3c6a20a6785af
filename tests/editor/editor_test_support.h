// The editor's world for tests: the plug-in itself with the editor it makes,
// settings in a temporary folder of their own, the bundle's images, a clock
// that moves only when told, and the window opened off screen.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/uEditor.h"
#include "engine/sample/SampleBank.h"
#include "platform/Desktop.h"
#include "platform/Preferences.h"
#include "plugin/StringTables.h"
#include "plugin/plugin_test_access.h"
#include "plain_program.h"
#include "plugin/uPlugin.h"
#include "test_environment.h"
#include "toolkit/kgui.h"

namespace editor_test {

inline vst::intptr quietHost(vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float) {
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// Settings of one test in a folder of its own; message boxes and input boxes
// are answered by the test and noted.
class TEditorSettings {
public:
    TEditorSettings() {
        root = test_environment::makeTemporaryFolder("editor");
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
            const std::string folder = root + "/" + variable;
            std::filesystem::create_directories(folder);
            ::setenv(variable, folder.c_str(), 1);
        }
        platform::reopenPreferences();
        platform::setDesktopScript([this](const platform::TDesktopRequest& request) {
            requests.push_back(request);
            platform::TDesktopAnswer answer;
            if (request.kind == platform::TDesktopKind::textInput && !typedAnswers.empty()) {
                answer.button = platform::TDesktopButton::ok;
                answer.text = typedAnswers.front();
                typedAnswers.erase(typedAnswers.begin());
            }
            const bool fileDialog = request.kind == platform::TDesktopKind::openFile ||
                                    request.kind == platform::TDesktopKind::saveFile;
            if (fileDialog && !chosenFiles.empty()) {
                answer.button = platform::TDesktopButton::ok;
                answer.paths = {chosenFiles.front()};
                chosenFiles.erase(chosenFiles.begin());
            }
            return answer;
        });
    }
    ~TEditorSettings() {
        platform::setDesktopScript({});
        platform::flushPreferences();
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    TEditorSettings(const TEditorSettings&) = delete;
    TEditorSettings& operator=(const TEditorSettings&) = delete;

    // The screen size the next editor opens at: "Y" under that size's key.
    static void setScreenSize(int size) {
        for (int s = 0; s < 4; ++s)
            saveStringToPrefs(REG_SCREEN_SIZE[static_cast<size_t>(s)], s == size ? "Y" : "N");
    }

    std::string root;
    std::vector<platform::TDesktopRequest> requests;
    std::vector<std::string> typedAnswers;
    // Answers of the file-open and file-save dialogs, in order.
    std::vector<std::string> chosenFiles;
};

// Construction seeds the random values the editor draws ("Set to Random",
// the Gator's random pattern) with the processor time; the bench gives it a
// fixed one, so that every run draws the same values.
struct TFixedProcessorTime {
    TFixedProcessorTime() {
        APlugin::setProcessorClock([]() -> std::clock_t { return 1000; });
    }
    ~TFixedProcessorTime() { APlugin::setProcessorClock(nullptr); }
    TFixedProcessorTime(const TFixedProcessorTime&) = delete;
    TFixedProcessorTime& operator=(const TFixedProcessorTime&) = delete;
};

// The plug-in (with its editor) and, when asked, the editor open off screen.
struct TEditorBench {
    // makePlugin: a plug-in of the test's own (made once the settings are in place).
    explicit TEditorBench(int screenSize = 0, bool openNow = true,
                          const std::function<std::unique_ptr<APlugin>()>& makePlugin = {}) {
        TEditorSettings::setScreenSize(screenSize);
        kgui::CBitmap::setResourceFolder(KOLBRI_RESOURCES_DIR);
        plugin = makePlugin ? makePlugin() : std::make_unique<APlugin>(quietHost);
        // The bundle's bank, as a plug-in in a host has it: this test program
        // has no bundle around it.
        TPluginTestAccess::engine(*plugin).setSampleBank(
            TSampleBank::acquire(std::string(KOLBRI_RESOURCES_DIR) + "/" + SAMPLE_BANK_FILE_NAME));
        // The editor of the plain sound, whatever program 0 is.
        loadPlainProgram(*plugin);
        editor = dynamic_cast<uEditor*>(plugin->getEditor());
        applyProgram();
        // The window opens on the back screen; most tests start where a
        // user's first click outside its settings leads, the main screen.
        if (openNow && open())
            editor->hideBackScreen();
    }
    ~TEditorBench() {
        if (editor)
            editor->close();
        plugin.reset();
        kgui::CBitmap::setResourceFolder("");
    }
    TEditorBench(const TEditorBench&) = delete;
    TEditorBench& operator=(const TEditorBench&) = delete;

    bool open() { return editor && editor->open(target.parentHandle()); }

    // Renders blocks until the pending program is applied, as a host's audio thread does.
    void applyProgram() {
        std::vector<float> left(512), right(512);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < 40 && (block == 0 || plugin->getIsSettingPreset()); ++block)
            plugin->processReplacing(nullptr, outputs, 512);
    }

    // One idle pass that does its work (the clock has moved past the 50 ms gate).
    void idle() {
        clock.advance(60);
        editor->idle();
    }

    // A click on a point of the window, long after the last one.
    void click(kgui::CPoint where) {
        clock.advance(1000);
        target.click(where);
        idle();
    }

    // The members' controls drawn as a picture.
    bool render(const std::string& path) { return target.renderToPNG(path); }

    TEditorSettings settings;
    TFixedProcessorTime processorTime;
    kgui::TestClock clock;
    kgui::OffscreenTarget target;
    std::unique_ptr<APlugin> plugin;
    uEditor* editor = nullptr;
};

// The window point at the centre of a control (its container's offset added).
inline kgui::CPoint centreOf(const kgui::CView* view) { return view->getFrameRect().getCenter(); }

}  // namespace editor_test
