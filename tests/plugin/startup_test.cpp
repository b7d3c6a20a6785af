// Start-up as a user's machine sees it: the folder settings, the MIDI map
// and the tuning that a new plug-in instance reads from the preferences.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/Paths.h"
#include "platform/Preferences.h"
#include "platform/test_folders.h"
#include "plugin/uPlugin.h"
#include "plugin_test_access.h"

namespace {

// Opens the start-up state to the tests.
struct StartedPlugin : APlugin {
    StartedPlugin() : APlugin(nullptr) {}
};

class Startup : public platform_test::PlatformTest {
protected:
    std::unique_ptr<StartedPlugin> start() { return std::make_unique<StartedPlugin>(); }
    std::string stored(const std::string& key) {
        std::string value;
        platform::flushPreferences();
        loadStringFromPrefs(key, value, 256);
        return value;
    }
};

TEST_F(Startup, AFirstStartWritesBackThreeFolderDefaults) {
    auto plugin = start();
    const std::string samples = dataHome + "/Orventa/Kolbri/Samples/";
    struct Case {
        const char* key;
        std::string expectedInPreferences;
        const char* why;
    } cases[] = {
        {"SampleDir", samples, "written back"},
        {"ExternalSampleDir", samples, "written back"},
        {"ECSDir", dataHome + "/Orventa/Kolbri/ECS/", "written back"},
        {"Help", "", "never written"},
        {"Tuning", "", "never written"},
    };
    for (const Case& c : cases) EXPECT_EQ(stored(c.key), c.expectedInPreferences) << c.key << ": " << c.why;

    EXPECT_EQ(TPluginTestAccess::sampleFolders(*plugin).homeSampleDir, samples);
    EXPECT_EQ(TPluginTestAccess::sampleFolders(*plugin).importSampleDir, samples);
    EXPECT_EQ(TPluginTestAccess::sampleFolders(*plugin).externalSampleDir, samples);
    EXPECT_EQ(TPluginTestAccess::folders(*plugin).helpPath, dataHome + "/Orventa/Kolbri/Manual/Orventa_Kolbri_Manual.pdf");
    EXPECT_EQ(TPluginTestAccess::folders(*plugin).tuningFileStr, dataHome + "/Orventa/Kolbri/Tuning") << "no closing slash";
}

TEST_F(Startup, StoredFoldersAreUsedExceptTheManual) {
    saveStringToPrefs("SampleDir", "/srv/sounds/");
    saveStringToPrefs("ExternalSampleDir", "/home/me/my samples/");
    saveStringToPrefs("ECSDir", "/home/me/ecs/");
    saveStringToPrefs("Help", "/somewhere/else.pdf");
    saveStringToPrefs("Tuning", "/home/me/tunings");
    auto plugin = start();
    EXPECT_EQ(TPluginTestAccess::sampleFolders(*plugin).homeSampleDir, "/srv/sounds/");
    EXPECT_EQ(TPluginTestAccess::sampleFolders(*plugin).importSampleDir, "/srv/sounds/");
    EXPECT_EQ(TPluginTestAccess::sampleFolders(*plugin).externalSampleDir, "/home/me/my samples/");
    EXPECT_EQ(TPluginTestAccess::folders(*plugin).ecsDirStr, "/home/me/ecs/");
    EXPECT_EQ(TPluginTestAccess::folders(*plugin).helpPath, dataHome + "/Orventa/Kolbri/Manual/Orventa_Kolbri_Manual.pdf")
        << "a stored manual path never takes effect";
    EXPECT_EQ(TPluginTestAccess::folders(*plugin).tuningFileStr, "/home/me/tunings") << "used unchanged, without a closing slash";
    EXPECT_EQ(stored("Help"), "/somewhere/else.pdf") << "and it is left as it was";
}

// A machine-wide store answers every folder key that the user's lacks, and
// each answer is copied into the user's own store; the manual's path so
// copied still never takes effect.
TEST_F(Startup, MachineWideFoldersAreCopiedIntoTheUsersStore) {
    const struct {
        const char* key;
        const char* machine;
    } cases[] = {
        {"SampleDir", "/srv/kolbri/Samples/"}, {"ExternalSampleDir", "/srv/kolbri/More/"},
        {"ECSDir", "/srv/kolbri/ECS/"},         {"Help", "/srv/kolbri/Manual.pdf"},
        {"Tuning", "/srv/kolbri/Tuning"},
    };
    std::string machine;
    for (const auto& c : cases) machine += std::string(c.key) + "=\"" + c.machine + "\"\n";
    platform_test::writeFile(machineFile(), machine);
    platform::reopenPreferences();
    auto plugin = start();
    platform::flushPreferences();
    const std::string user = platform_test::readFile(prefsFile());
    for (const auto& c : cases)
        EXPECT_NE(user.find("\n" + std::string(c.key) + "=\"" + c.machine + "\"\n"), std::string::npos) << c.key << " in\n" << user;
    EXPECT_EQ(TPluginTestAccess::folders(*plugin).helpPath, dataHome + "/Orventa/Kolbri/Manual/Orventa_Kolbri_Manual.pdf");
    EXPECT_EQ(TPluginTestAccess::folders(*plugin).tuningFileStr, "/srv/kolbri/Tuning");
}

TEST_F(Startup, AFolderTooLongForItsLimitFallsBackToTheDefault) {
    saveStringToPrefs("ECSDir", "/" + std::string(130, 'e') + "/");  // the ECS folder holds 126 characters
    saveStringToPrefs("SampleDir", "/" + std::string(200, 's') + "/");  // fits in 254
    saveStringToPrefs("Tuning", "/" + std::string(200, 't'));               // the tuning folder holds 126
    auto plugin = start();
    EXPECT_EQ(TPluginTestAccess::folders(*plugin).ecsDirStr, dataHome + "/Orventa/Kolbri/ECS/");
    EXPECT_EQ(stored("ECSDir"), dataHome + "/Orventa/Kolbri/ECS/") << "a folder that writes back does so";
    EXPECT_EQ(TPluginTestAccess::sampleFolders(*plugin).homeSampleDir, "/" + std::string(200, 's') + "/");
    EXPECT_EQ(TPluginTestAccess::folders(*plugin).tuningFileStr, dataHome + "/Orventa/Kolbri/Tuning");
    EXPECT_EQ(stored("Tuning"), "/" + std::string(200, 't')) << "one that never writes back leaves it";
}

TEST_F(Startup, TheControllerMapComesFromThePreferences) {
    struct Case {
        int controller;
        const char* stored;
        int expectedTag;
        const char* why;
    } cases[] = {
        {7, "1", 1, "a learned controller"},
        {74, "27", 27, "another"},
        {10, nullptr, 0, "a missing key binds nothing"},
        {11, "\"not a number\"", 0, "a text binds nothing"},
        {12, "4000", 0, "a tag beyond the parameters binds nothing"},
        {13, "-3", 0, "a negative tag binds nothing"},
    };
    std::string file;
    for (const Case& c : cases)
        if (c.stored) file += std::to_string(c.controller) + "=" + c.stored + "\n";
    platform_test::writeFile(prefsFile(), file);
    platform::reopenPreferences();
    auto plugin = start();
    for (const Case& c : cases)
        EXPECT_EQ(TPluginTestAccess::midi(*plugin).midiCCTag[static_cast<std::size_t>(c.controller)].load(), c.expectedTag)
            << "controller " << c.controller << ": " << c.why;
}

TEST_F(Startup, TuningStartsAsTheIdentity) {
    auto plugin = start();
    for (int note : {0, 1, 57, 60, 127}) EXPECT_FLOAT_EQ(plugin->getTuning(note), static_cast<float>(note)) << note;
}

TEST_F(Startup, TwoInstancesShareTheStoreAndNeitherWaitsWithoutADisplay) {
    auto first = start();
    saveStringToPrefs("ExternalSampleDir", "/mnt/library/");
    auto second = start();
    EXPECT_EQ(TPluginTestAccess::sampleFolders(*second).externalSampleDir, "/mnt/library/");
    EXPECT_EQ(TPluginTestAccess::sampleFolders(*first).externalSampleDir, dataHome + "/Orventa/Kolbri/Samples/")
        << "an instance keeps the folders it started with";
}

}  // namespace

namespace {

// Run as a child process: a whole plug-in life with no display and no zenity
// on the path. It must never wait for anyone.
TEST(StartupChild, PluginLifeWithoutADesktop) {
    if (!std::getenv("KOLBRI_STARTUP_CHILD")) GTEST_SKIP() << "runs only as the child of the test below";
    auto plugin = std::make_unique<StartedPlugin>();
    plugin->dispatcher(vst::effMainsChanged, 0, 1, nullptr, 0);
    float left[512], right[512];
    float* outputs[2] = {left, right};
    plugin->processReplacing(nullptr, outputs, 512);
    plugin->dispatcher(vst::effMainsChanged, 0, 0, nullptr, 0);
}

TEST_F(Startup, AnInstanceInAProcessWithoutADesktopNeverWaits) {
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);  // the child finds no zenity and no xdg-open
    pid_t child = platform_test::spawnChildTest("StartupChild.PluginLifeWithoutADesktop", "KOLBRI_STARTUP_CHILD", "1");
    setenv("PATH", path.c_str(), 1);
    ASSERT_GT(child, 0);
    // A generous guard against a hang, not a measure of speed.
    EXPECT_EQ(platform_test::waitChild(child, std::chrono::seconds(60)), 0);
}

}  // namespace
