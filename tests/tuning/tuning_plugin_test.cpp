// Tuning files through the plug-in: the file a program names is read when the
// program is applied and moves the notes it lists (measured in the rendered
// sound); a file chosen in the dialog takes effect at once; reset, cancel,
// refused names and missing files leave or restore the standard tuning; the
// name travels with the program's chunk.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/TuningFile.h"
#include "plugin_files_support.h"

namespace {

using pluginfiles::HAS_TUNING;
using pluginfiles::PluginFiles;

class TuningPlugin : public PluginFiles {
protected:
    // The program names a tuning: its name spelled into 960..999 and the switch.
    static void nameTuning(APlugin& plugin, const std::string& name, bool on) {
        const auto spelled = spellTuningName(name);
        for (int i = 0; i < TUNING_NAME_SLOTS; ++i) plugin.setParameter(TUNING_NAME_PARAM + i, spelled[i]);
        plugin.setParameter(HAS_TUNING, on ? 1.0f : 0.0f);
    }
};

TEST_F(TuningPlugin, TheProgramsFileMovesTheNotesItLists) {
    struct Case {
        const char* why;
        std::string name;
        const char* fileText;  // written as <tuning folder>/<name>.tun; null: no file
        bool switchOn;
        double pitch69;  // semitones above note 0 that note 69 sounds at
    } cases[] = {
        {"note 69 a fifth up", "fifths", "[Tuning]\nnote 69=7600\n", true, 76.0},
        {"the exact section wins over the plain one", "exact",
         "[Tuning]\nnote 69=6000\n;\n[Exact Tuning]\nnote 69 = 6950\n", true, 69.5},
        {"a file without the note keeps its standard pitch", "others", "[Tuning]\nnote 70=6000\n", true, 69.0},
        {"a missing file leaves the standard tuning", "absent", nullptr, true, 69.0},
        {"the switch off leaves the file unused", "fifths", "[Tuning]\nnote 69=7600\n", false, 69.0},
        {"a value that is not finite makes no pitch", "broken", "[Tuning]\nnote 69=inf\nnote 69=1e999\n", true,
         69.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::filesystem::remove_all(tuningFolder);
        std::filesystem::create_directories(tuningFolder);
        if (c.fileText) platform_test::writeFile(tuningFolder + "/" + c.name + ".tun", c.fileText);
        auto plugin = makePlugin();
        ASSERT_EQ(TPluginTestAccess::folders(*plugin).tuningFileStr, tuningFolder);
        nameTuning(*plugin, c.name, c.switchOn);
        applyProgram(*plugin);
        EXPECT_NEAR(heldPitch(*plugin, 69), c.pitch69, 0.01);
        EXPECT_NEAR(heldPitch(*plugin, 60), 60.0, 0.01) << "a note the file does not list";
        EXPECT_EQ(plugin->getTuningName(), c.switchOn ? c.name : "Standard Tuning");
    }
}

// A name from a host or a stored program that would leave the tuning folder
// is refused, even when the file it reaches holds a tuning.
TEST_F(TuningPlugin, ANameThatLeavesTheFolderIsRefused) {
    // Each name reaches a real tuning file unless it is refused.
    const std::string names[] = {"../outside", ".hidden", "back\\slash", "tab\tbed"};
    platform_test::writeFile(dataHome + "/Orventa/Kolbri/outside.tun", "[Tuning]\nnote 69=7600\n");
    for (const std::string& name : names)
        if (name != "../outside")
            platform_test::writeFile(tuningFolder + "/" + name + ".tun", "[Tuning]\nnote 69=7600\n");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        auto plugin = makePlugin();
        nameTuning(*plugin, name, true);
        applyProgram(*plugin);
        EXPECT_NEAR(heldPitch(*plugin, 69), 69.0, 0.01);
        EXPECT_TRUE(plugin->getOnOff(HAS_TUNING)) << "the program keeps its switch";
    }
}

TEST_F(TuningPlugin, AChosenFileTakesEffectAtOnceAndResetRestoresTheStandard) {
    const std::string chosen = root + "/Fifth Up.tun";  // outside the tuning folder
    platform_test::writeFile(chosen, "[Tuning]\nnote 69=7600\n");
    platform_test::writeFile(root + "/notes.tun", "no section here\nnote 69=6000\n");
    auto plugin = makePlugin();
    applyProgram(*plugin);

    choose(chosen);
    plugin->loadTuning();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, platform::TDesktopKind::openFile);
    EXPECT_EQ(requests[0].title, "Tuning Files");
    EXPECT_EQ(requests[0].startFolder, tuningFolder);
    EXPECT_EQ(requests[0].extensions, std::vector<std::string>{"tun"});
    EXPECT_TRUE(takeMessages().empty()) << "a tuning is loaded without a message";
    EXPECT_EQ(plugin->getTuningName(), "Fifth Up");
    EXPECT_TRUE(plugin->getOnOff(HAS_TUNING));
    EXPECT_NEAR(heldPitch(*plugin, 69), 76.0, 0.01);

    // What leaves the tuning as it is: a cancelled dialog, a file without a
    // section, a file that is not there.
    struct Keep {
        const char* why;
        std::string path;  // empty: cancelled
    } keeps[] = {
        {"cancelled", ""},
        {"no section", root + "/notes.tun"},
        {"missing", root + "/gone.tun"},
    };
    for (const Keep& keep : keeps) {
        SCOPED_TRACE(keep.why);
        if (keep.path.empty())
            cancelNextDialog();
        else
            choose(keep.path);
        plugin->loadTuning();
        EXPECT_TRUE(takeMessages().empty());
        EXPECT_EQ(plugin->getTuningName(), "Fifth Up");
        EXPECT_NEAR(heldPitch(*plugin, 69), 76.0, 0.01);
    }

    plugin->resetTuning();
    EXPECT_EQ(plugin->getTuningName(), "Standard Tuning");
    EXPECT_FALSE(plugin->getOnOff(HAS_TUNING));
    EXPECT_NEAR(heldPitch(*plugin, 69), 69.0, 0.01);
    // The name stays stored; switched on again, the chosen table is gone.
    plugin->setParameter(HAS_TUNING, 1.0f);
    EXPECT_EQ(plugin->getTuningName(), "Fifth Up");
    EXPECT_NEAR(heldPitch(*plugin, 69), 69.0, 0.01);

    // Loaded again and the program applied: the program looks for the file in
    // the tuning folder, where it is not.
    choose(chosen);
    plugin->loadTuning();
    EXPECT_NEAR(heldPitch(*plugin, 69), 76.0, 0.01);
    applyProgram(*plugin);
    EXPECT_NEAR(heldPitch(*plugin, 69), 69.0, 0.01);
    EXPECT_EQ(plugin->getTuningName(), "Fifth Up");
}

TEST_F(TuningPlugin, TheNameTravelsWithTheChunk) {
    platform_test::writeFile(tuningFolder + "/Just Thirds.tun", "[Exact Tuning]\nnote 64=6386.3\n");
    auto first = makePlugin();
    applyProgram(*first);
    choose(tuningFolder + "/Just Thirds.tun");
    first->loadTuning();
    ASSERT_EQ(first->getTuningName(), "Just Thirds");
    void* data = nullptr;
    const vst::int32 size = first->getChunk(&data, false);
    ASSERT_EQ(size, static_cast<vst::int32>(sizeof(TProgram)));
    const std::vector<unsigned char> chunk(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);

    auto second = makePlugin();
    applyProgram(*second);
    EXPECT_EQ(second->getTuningName(), "Standard Tuning");
    second->setChunk(const_cast<unsigned char*>(chunk.data()), size, false);
    applyPendingProgram(*second);
    EXPECT_EQ(second->getTuningName(), "Just Thirds");
    EXPECT_NEAR(heldPitch(*second, 64), 63.863, 0.01);
}

// The background thread, started as a host starts it, rebuilds the table
// after a program change without anyone running its pass by hand.
TEST_F(TuningPlugin, TheWorkerThreadRebuildsTheTableAfterAProgramChange) {
    platform_test::writeFile(tuningFolder + "/fifths.tun", "[Tuning]\nnote 69=7600\n");
    auto plugin = makePlugin();
    nameTuning(*plugin, "fifths", true);
    plugin->resume();
    plugin->setProgram(0);
    render(*plugin, 512);
    // The worker's pass comes when it comes; the bound is only reached by a
    // worker that never rebuilds the table.
    EXPECT_TRUE(platform_test::waitUntil([&] { return plugin->getTuning(69) == 76.0f; }));
}

}  // namespace
