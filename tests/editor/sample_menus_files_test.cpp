// The two sample menus on real files: a home sample folder under the test's
// own data folder, WAV files written by the test, the browser moved, files
// imported and folders made through the menus, and the point commands and
// their undo on a loaded user sample.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "menu_test_support.h"
#include "controls/TSampleDisplay.h"
#include "controls/TSampleFileDisplay.h"
#include "sample/sample_files.h"

using namespace editor_test;
namespace fs = std::filesystem;

namespace {

constexpr int SAMPLE_START = 246, SAMPLE_LOOP_START = 247, SAMPLE_LOOP_END = 248;
constexpr int FRAMES = 9601;  // length 9600 for the points: a frame is 1/9600

std::string readAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A mono 16-bit WAV of a sine whose pitch depends on tone, so files differ.
void writeWav(const std::string& path, int tone) {
    samplefiles::Bytes data;
    for (int i = 0; i < FRAMES; ++i)
        samplefiles::le(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(12000 * std::sin(0.01 * tone * i))), 2);
    const samplefiles::Bytes bytes =
        samplefiles::form(true, "WAVE", {samplefiles::fmtChunk(1, 1, 48000, 16), samplefiles::TChunk{"data", data}});
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

struct TSampleFilesBench : TMenuBench {
    TSampleFilesBench() : home(settings.root + "/XDG_DATA_HOME/Orventa/Kolbri/Samples") {
        writeWav(home + "/Drums/kick.wav", 3);
        samples().gotoHomeSampleFolder();
        editor->showSampleScreenControls();
        idle();
    }
    kgui::MenuSnapshot fileMenu(const std::vector<std::string>& path) {
        return openMenu(editor->sampleFileDisplay, path);
    }
    kgui::MenuSnapshot commandMenu(const std::vector<std::string>& path) {
        return openMenu(editor->sampleDisplay, path);
    }
    int indexOf(bool folders, const std::string& name) {
        const int count =
            folders ? samples().getNumOfSubFoldersInSampleFolder() : samples().getNumOfSamplesInSampleFolder();
        for (int i = 0; i < count; ++i)
            if ((folders ? samples().getSampleSubFolderDisplayNameStr(i) : samples().getSampleNoDisplayNameStr(i)) == name)
                return i;
        return -1;
    }
    std::string home;
};

}  // namespace

TEST(SampleFileMenuFiles, NavigatesImportsWithoutDamagingAFileAndCreatesAFolder) {
    TSampleFilesBench bench;
    TSampleServices& samples = bench.samples();
    samples.setSampleCurFolder(bench.indexOf(true, "Drums"));
    ASSERT_EQ(samples.getCurSampleFolderDisplayNameStr(), "Drums");
    bench.fileMenu({"Previous Folder"});
    EXPECT_EQ(samples.getCurSampleFolderDisplayNameStr(), "");

    // The loaded sample's folder, from anywhere.
    samples.setSampleCurFolder(bench.indexOf(true, "Drums"));
    samples.loadSelectedSample(bench.indexOf(false, "kick.wav"));
    ASSERT_TRUE(samples.getSampleLoaded());
    bench.fileMenu({"Goto Base Folder"});
    EXPECT_EQ(samples.getCurSampleFolderDisplayNameStr(), "");
    bench.fileMenu({"Goto Sample Folder"});
    EXPECT_EQ(samples.getCurSampleFolderDisplayNameStr(), "Drums");
    bench.fileMenu({"Goto Base Folder"});

    // An import copies the file; one of a name already there is left alone.
    const std::string outside = bench.settings.root + "/outside/snare.wav";
    writeWav(outside, 5);
    const std::string original = readAll(outside);
    bench.settings.chosenFiles = {outside};
    bench.fileMenu({"Import Sample"});
    EXPECT_EQ(readAll(bench.home + "/snare.wav"), original);
    EXPECT_GE(bench.indexOf(false, "snare.wav"), 0) << "listed after the rescan";
    writeWav(outside, 9);
    const std::string changed = readAll(outside);
    bench.settings.chosenFiles = {outside};
    bench.fileMenu({"Import Sample"});
    EXPECT_EQ(readAll(bench.home + "/snare.wav"), original) << "the file there stays as it was";
    EXPECT_EQ(readAll(outside), changed) << "the source is never touched";

    bench.settings.typedAnswers = {"Hits"};
    bench.fileMenu({"Create Folder"});
    EXPECT_TRUE(fs::is_directory(bench.home + "/Hits"));
    EXPECT_GE(bench.indexOf(true, "Hits"), 0);
}

TEST(SampleCommandMenuFiles, PointCommandsMoveTheLoadedSamplesPointsAndUndoReloadsIt) {
    TSampleFilesBench bench;
    APlugin& plugin = *bench.plugin;
    TSampleServices& samples = bench.samples();
    samples.setSampleCurFolder(bench.indexOf(true, "Drums"));
    samples.loadSelectedSample(bench.indexOf(false, "kick.wav"));
    ASSERT_TRUE(samples.getSampleLoaded());
    const std::string points = "Sample Start / Loop Start / Loop End";
    struct Case {
        std::vector<std::string> path;
        const char* typed;
        int tag;
        float expected;
    } cases[] = {
        {{points, "Increase Sample Start"}, nullptr, SAMPLE_START, 0.02f},
        {{points, "Reset Sample Start to Loaded Value"}, nullptr, SAMPLE_START, 0.0f},
        {{points, "Enter Sample Loop Start"}, "2401", SAMPLE_LOOP_START, 0.25f},
        {{points, "Enter Sample Loop End"}, "7201", SAMPLE_LOOP_END, 0.75f},
        {{points, "Decrease Sample Loop End"}, nullptr, SAMPLE_LOOP_END, 0.73f},
        {{points, "Reset Sample Loop End"}, nullptr, SAMPLE_LOOP_END, 1.0f},
        {{"Loop All"}, nullptr, SAMPLE_LOOP_START, 0.0f},
    };
    for (const Case& c : cases) {
        if (c.typed)
            bench.settings.typedAnswers = {c.typed};
        bench.commandMenu(c.path);
        EXPECT_NEAR(plugin.getParameter(c.tag), c.expected, 1e-5) << c.path.back();
    }

    // An undo writes the points back and loads the sample again from its path.
    plugin.setParameter(SAMPLE_LOOP_END, 0.5f);
    bench.commandMenu({points, "Reset Sample Loop End"});
    ASSERT_FLOAT_EQ(plugin.getParameter(SAMPLE_LOOP_END), 1.0f);
    bench.commandMenu({"Undo"});
    EXPECT_FLOAT_EQ(plugin.getParameter(SAMPLE_LOOP_END), 0.5f);
    EXPECT_TRUE(samples.getSampleLoaded());

    bench.commandMenu({"Clear Sample"});
    EXPECT_FALSE(samples.getSampleLoaded());
    EXPECT_EQ(bench.commandMenu({}).entries.size(), 4u) << "only information without a sample";
}
