// ECS files through the plug-in: save, clear and load give back the same
// controller map and the same preferences; every bad file is refused with
// the message and leaves map and preferences as they were; a controller
// mapped onto a tag without a control moves nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/EcsFile.h"
#include "engine/EnginePreferences.h"
#include "platform/Preferences.h"
#include "plugin_files_support.h"

namespace {

using pluginfiles::PluginFiles;

class EcsPlugin : public PluginFiles {
protected:
    static TEcsMap mapOf(APlugin& plugin) { return TPluginTestAccess::engine(plugin).getControllerMap(); }
    static TEcsMap storedMap() {
        TEcsMap map{};
        for (int controller = 0; controller < ECS_CONTROLLER_COUNT; ++controller)
            map[controller] = getMIDICC(controller);
        return map;
    }
    // A map with a binding on every fourth controller.
    static TEcsMap sampleMap() {
        TEcsMap map{};
        for (int controller = 0; controller < ECS_CONTROLLER_COUNT; controller += 4)
            map[controller] = 1 + controller * 7;
        return map;
    }
    static std::string ecsText(int count, const std::string& each) {
        std::string text;
        for (int i = 0; i < count; ++i) text += each + "\n";
        return text;
    }
};

TEST_F(EcsPlugin, SaveClearAndLoadGiveTheSameMapAndPreferences) {
    auto plugin = makePlugin();
    const TEcsMap map = sampleMap();
    for (int controller = 0; controller < ECS_CONTROLLER_COUNT; ++controller)
        TPluginTestAccess::engine(*plugin).bindController(controller, map[controller]);
    const std::string saved = ecsFolder + "/Mine.ecs";

    choose(saved);
    plugin->saveECS();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, platform::TDesktopKind::saveFile);
    EXPECT_EQ(requests[0].title, "Save ECS");
    EXPECT_EQ(requests[0].startFolder, TPluginTestAccess::folders(*plugin).ecsDirStr);
    EXPECT_EQ(requests[0].defaultName, "Kolbri.ecs");
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_EQ(platform_test::readFile(saved), formatEcsText(map)) << "one number and a line break per controller";

    plugin->resetMIDI();
    EXPECT_EQ(mapOf(*plugin), TEcsMap{});
    EXPECT_EQ(storedMap(), TEcsMap{});

    // A parameter moved since: loading restarts soft takeover from its value.
    plugin->setParameter(29, 0.625f);
    TPluginTestAccess::values(*plugin).captured[29] = true;
    choose(saved);
    plugin->loadECS();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, platform::TDesktopKind::openFile);
    EXPECT_EQ(requests[0].title, "Load ECS");
    EXPECT_EQ(requests[0].startFolder, TPluginTestAccess::folders(*plugin).ecsDirStr);
    EXPECT_EQ(requests[0].extensions, std::vector<std::string>{"ecs"});
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_EQ(mapOf(*plugin), map);
    EXPECT_EQ(storedMap(), map);
    EXPECT_FALSE(TPluginTestAccess::values(*plugin).captured[29].load());
    EXPECT_FLOAT_EQ(TPluginTestAccess::values(*plugin).captureValue[29], 0.625f);
    // The preferences on disk hold it too: a store read afresh sees the map.
    platform::reopenPreferences();
    EXPECT_EQ(storedMap(), map);
}

TEST_F(EcsPlugin, EveryBadFileIsRefusedAndChangesNothing) {
    const std::string good = ecsText(128, "5");
    struct Case {
        const char* why;
        std::string text;  // written to the chosen file; "folder" chooses a folder instead
        bool exists = true;
    } cases[] = {
        {"missing file", "", false},
        {"empty file", ""},
        {"127 values: an early end", ecsText(127, "5")},
        {"129 values: text after the last controller", ecsText(129, "5")},
        {"a tag above 1023", ecsText(127, "5") + "1024\n"},
        {"a negative tag", "-1\n" + ecsText(127, "5")},
        {"a word", ecsText(64, "5") + "five\n" + ecsText(63, "5")},
        {"a number followed by letters", ecsText(127, "5") + "12abc\n"},
        {"a number beyond int", "99999999999999999999\n" + ecsText(127, "5")},
        {"a decimal point", ecsText(127, "5") + "5.0\n"},
        {"good numbers, then a stray character", good + "x"},
        {"folder", ""},
    };
    auto plugin = makePlugin();
    const TEcsMap map = sampleMap();
    for (int controller = 0; controller < ECS_CONTROLLER_COUNT; ++controller)
        TPluginTestAccess::engine(*plugin).bindController(controller, map[controller]);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::string path = root + "/bad.ecs";
        std::filesystem::remove_all(path);
        if (std::string(c.why) == "folder")
            std::filesystem::create_directories(path);
        else if (c.exists)
            platform_test::writeFile(path, c.text);
        choose(path);
        plugin->loadECS();
        EXPECT_EQ(takeMessages(), std::vector<std::string>{"Problem with ECS File"});
        EXPECT_EQ(mapOf(*plugin), map);
        EXPECT_EQ(storedMap(), map);
    }
    // The message box offers OK alone.
    choose(root + "/missing.ecs");
    plugin->loadECS();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[1].okCancel);

    // Cancelled dialogs: no message, nothing changes.
    requests.clear();
    cancelNextDialog();
    plugin->loadECS();
    cancelNextDialog();
    plugin->saveECS();
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_EQ(mapOf(*plugin), map);

    // A save where no file can be made.
    choose(root + "/no such folder/Kolbri.ecs");
    plugin->saveECS();
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"Problem with ECS File"});
    EXPECT_FALSE(platform_test::fileExists(root + "/no such folder"));
}

// A file may map controllers onto any tag, and is taken as it is; a message
// of such a controller moves only tags the editor has a control for.
TEST_F(EcsPlugin, ControllersOnTagsWithoutAControlDoNothing) {
    enginepreferences::setCaptureModeSetting(false);  // every message takes over at once
    TEcsMap map{};
    map[20] = PRESET_APPLY_TAG;   // the program trigger
    map[21] = TUNING_NAME_PARAM;  // a character of the tuning's name
    map[22] = PRESET_NAME_PARAM;  // a character of the program's name
    map[23] = 2;                  // "Velocity to Volume", a knob
    map[24] = 127;                // "Release", a knob the editor is not told of
    std::string text;
    for (int tag : map) text += std::to_string(tag) + "\n";
    platform_test::writeFile(root + "/odd.ecs", text);

    auto plugin = makePlugin();
    applyProgram(*plugin);
    choose(root + "/odd.ecs");
    plugin->loadECS();
    ASSERT_TRUE(takeMessages().empty());
    ASSERT_EQ(mapOf(*plugin), map);

    const float before[] = {plugin->getParameter(PRESET_APPLY_TAG), plugin->getParameter(TUNING_NAME_PARAM),
                            plugin->getParameter(PRESET_NAME_PARAM)};
    sendEvent(*plugin, testhost::midiMessage(0x90, 69, 100));
    render(*plugin, 4096);
    for (int controller = 20; controller <= 24; ++controller)
        sendEvent(*plugin, testhost::midiMessage(0xB0, controller, 96));
    // A program applied now would cut the held note.
    const std::vector<float> after = render(*plugin, 8192);
    double energy = 0;
    for (std::size_t i = after.size() / 2; i < after.size(); ++i) energy += double(after[i]) * after[i];
    EXPECT_GT(std::sqrt(energy / (after.size() / 2)), 0.05) << "the held note still sounds";
    EXPECT_EQ(plugin->getParameter(PRESET_APPLY_TAG), before[0]);
    EXPECT_EQ(plugin->getParameter(TUNING_NAME_PARAM), before[1]);
    EXPECT_EQ(plugin->getParameter(PRESET_NAME_PARAM), before[2]);
    EXPECT_FLOAT_EQ(plugin->getParameter(2), 96.0f / 127.0f);
    EXPECT_FLOAT_EQ(plugin->getParameter(127), 96.0f / 127.0f);
    enginepreferences::setCaptureModeSetting(true);
}

}  // namespace
