// The user sample's file through the plug-in: its path travels with the
// program's chunk and is reloaded (or refused) when the program is applied;
// the browser's lists, bounds and folders; imports that never damage a file;
// a new folder; the positions the editor sets; the display texts.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/sample/SamplePathSlots.h"
#include "sampleplugin/sample_plugin_support.h"

namespace sampleplugin {
namespace {

// The program's relative path spelled into 251..314 by hand, as a host or an
// old program could hold it.
void storePath(APlugin& plugin, const std::string& relative) {
    for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k) {
        const auto byte = [&](std::size_t i) {
            return i < relative.size() ? static_cast<std::uint8_t>(relative[i]) : std::uint8_t{0};
        };
        plugin.setParameter(SAMPLE_NAME_PARAM + k, samplePathSlotValue(byte(2 * k), byte(2 * k + 1)));
    }
}

std::string fileText(const std::string& path) { return platform_test::readFile(path); }

TEST_F(SamplePlugin, TheProgramsChunkBringsItsSampleBackOrRefusesIt) {
    std::filesystem::create_directories(sampleRoot + "/Drums");
    writeBytes(sampleRoot + "/Drums/kick.wav", chirpWav());
    writeBytes(dataHome + "/outside.wav", chirpWav());
    // On Linux a '\\' is a byte of a file's name.
    writeBytes(sampleRoot + "/Drums\\kick.wav", chirpWav(3000));
    writeBytes(sampleRoot + "/Drums\\hat.wav", chirpWav());
    struct Case {
        const char* what;
        std::string storedPath;  // empty: as the browser stored it
        bool deleteFile;
        bool loads;
        const char* name = "kick";
        const char* folder = "Drums";
    } cases[] = {
        {"the path the browser stored", "", false, true},
        {"a file deleted since", "", true, false},
        {"a path that climbs out of the root", "../../../outside.wav", false, false},
        {"an absolute path", dataHome + "/outside.wav", false, false},
        {"a leading separator, as a root without its trailing one stores the path", "/Drums/kick.wav", false, true},
        {"backslashes read as slashes, as stored programs always did", "Drums\\kick.wav", false, true},
        {"a name with a backslash, when only it is there", "Drums\\hat.wav", false, true, "Drums\\hat", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(sampleRoot + "/Drums/kick.wav", chirpWav());
        auto source = makeSamplePlugin("");
        ASSERT_EQ(samples(*source).getNumOfSubFoldersInSampleFolder(), 1);
        samples(*source).setSampleCurFolder(0);
        EXPECT_EQ(samples(*source).getCurSampleFolderDisplayNameStr(), "Drums");
        samples(*source).loadSelectedSample(0);
        ASSERT_TRUE(samples(*source).getSampleLoaded());
        if (!c.storedPath.empty()) storePath(*source, c.storedPath);
        void* data = nullptr;
        const vst::int32 size = source->getChunk(&data, false);
        ASSERT_GT(size, 0);
        const std::vector<char> chunk(static_cast<char*>(data), static_cast<char*>(data) + size);
        if (c.deleteFile) std::filesystem::remove(sampleRoot + "/Drums/kick.wav");

        auto plugin = makeSamplePlugin("");
        plugin->setChunk(const_cast<char*>(chunk.data()), size, false);
        applyPendingProgram(*plugin);
        render(*plugin, 512);  // the source mode of the program, before the note
        TSampleLibrary& library = samples(*plugin);
        EXPECT_EQ(library.getSampleLoaded(), c.loads);
        EXPECT_TRUE(plugin->getOnOff(SAMPLE_LOADED)) << "the program keeps naming its sample";
        const std::vector<float> out = playNote(*plugin, 57, 4800);
        if (c.loads) {
            EXPECT_EQ(library.getBadSampleStr(), "!");
            EXPECT_EQ(library.getLoadedSampleDisplayNameStr(), c.name);
            EXPECT_EQ(library.getCurSampleFolderDisplayNameStr(), c.folder) << "the browser shows the sample's folder";
            EXPECT_EQ(library.getSampleNo(), 0);
            EXPECT_GT(rms(out, 1000, 2000), 0.1);
        } else {
            EXPECT_EQ(library.getBadSampleStr().rfind("Sample Not Found:", 0), 0u) << library.getBadSampleStr();
            EXPECT_EQ(library.getSampleNo(), -1);
            EXPECT_LT(rms(out, 1000, 2000), 1e-6);
        }
    }
}

// Revert brings back the applied program's values, and with them its sample.
TEST_F(SamplePlugin, RevertingTheProgramBringsBackItsSample) {
    writeBytes(sampleRoot + "/a.wav", chirpWav());
    writeBytes(sampleRoot + "/b.wav", chirpWav(3000));
    auto plugin = makeSamplePlugin("a.wav");
    applyProgram(*plugin);  // a.wav is now the program's original
    ASSERT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "a");
    samples(*plugin).loadSelectedSample(1);
    ASSERT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "b");
    plugin->origProgram();
    render(*plugin, 512);
    TPluginTestAccess::worker(*plugin).runPassNow();
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "a");
    EXPECT_DOUBLE_EQ(samples(*plugin).getSampleLength(USER_SAMPLE), 9600.0);
}

TEST_F(SamplePlugin, ASampleInTheRootShowsEmptyFolderNamesAndTexts) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    auto plugin = makeSamplePlugin();
    ASSERT_TRUE(samples(*plugin).getSampleLoaded());
    EXPECT_EQ(samples(*plugin).getCurSampleFolderDisplayNameStr(), "");
    EXPECT_EQ(samples(*plugin).getLoadedSampleFolderNameStr(), sampleRoot);
    samples(*plugin).gotoSampleFolder();
    samples(*plugin).goUpAFolder();
    EXPECT_EQ(samples(*plugin).getCurSampleFolderDisplayNameStr(), "") << "never above the root";
    EXPECT_EQ(samples(*plugin).getSampleNo(), 0);

    // Length 9600: the points in frames (the loop points as a loop plays them).
    plugin->setSteppedValue(LOOP_MODE, LOOP);
    plugin->setParameter(SAMPLE_START, 0.25f);
    plugin->setParameter(LOOP_START, 0.5f);
    plugin->setParameter(LOOP_END, 0.75f);
    EXPECT_EQ(plugin->getParameterDisplayStr(SAMPLE_START), "Sample 2400");
    EXPECT_EQ(plugin->getParameterDisplayStr(LOOP_START), "Sample 4800");
    EXPECT_EQ(plugin->getParameterDisplayStr(LOOP_END), "Sample 7200");
    EXPECT_DOUBLE_EQ(samples(*plugin).getSampleLength(USER_SAMPLE), 9600.0);
    // "Sample Offset" counts the chosen sample's frames; the user sample takes none.
    plugin->setParameter(SAMPLE_OFFSET, 0.5f);
    EXPECT_EQ(plugin->getParameterDisplayStr(SAMPLE_OFFSET), "4800");
    plugin->setParameter(249, 0.0f);
    EXPECT_EQ(plugin->getParameterDisplayStr(SAMPLE_START), "Sample 0") << "no usable sample, no frames";
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "No Sample");
    EXPECT_EQ(samples(*plugin).getLoadedSampleFolderNameStr(), "No Folder");
}

TEST_F(SamplePlugin, TheBrowserListsSortedNamesWithinBounds) {
    for (const char* name : {"b.wav", "A.WAV", "a.aif", ".hidden.wav", "x.aiff", "x.wave", "notes.txt"})
        writeBytes(sampleRoot + "/" + name, chirpWav(200));
    std::filesystem::create_directories(sampleRoot + "/Zeta");
    std::filesystem::create_directories(sampleRoot + "/alpha");
    auto plugin = makeSamplePlugin("");
    ASSERT_EQ(samples(*plugin).getNumOfSamplesInSampleFolder(), 4);
    const char* files[] = {"a.aif", "A.WAV", "b.wav", "x.aiff"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(samples(*plugin).getSampleNoDisplayNameStr(i), files[i]);
    EXPECT_EQ(samples(*plugin).getSampleSubFolderDisplayNameStr(0), "alpha");
    EXPECT_EQ(samples(*plugin).getSampleSubFolderDisplayNameStr(1), "Zeta");
    for (int outside : {-1, 4, 511, 512, 1 << 30}) {
        EXPECT_EQ(samples(*plugin).getSampleNoDisplayNameStr(outside), "");
        EXPECT_EQ(samples(*plugin).getSampleSubFolderDisplayNameStr(outside), "");
        samples(*plugin).loadSelectedSample(outside);
        samples(*plugin).setSampleCurFolder(outside);
        samples(*plugin).previewSampleFromFile(outside);
    }
    EXPECT_FALSE(samples(*plugin).getSampleLoaded());
    EXPECT_EQ(samples(*plugin).getCurSampleFolderDisplayNameStr(), "");

    // Stepping past the last file reloads the last one.
    samples(*plugin).loadSelectedSample(3);
    samples(*plugin).changeSampleDelta(1);
    EXPECT_EQ(samples(*plugin).getSampleNo(), 3);
    samples(*plugin).changeSampleDelta(-10);
    EXPECT_EQ(samples(*plugin).getSampleNo(), 0);
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "a");

    // The external tree is browsed apart, and says so.
    samples(*plugin).showExternalSamples();
    EXPECT_EQ(samples(*plugin).getCurSampleFolderDisplayNameStr(), "EXT: ");
    samples(*plugin).showKolbriSample();
    EXPECT_EQ(samples(*plugin).getCurSampleFolderDisplayNameStr(), "");
}

TEST_F(SamplePlugin, ImportsNeverDamageAFile) {
    const std::string inRoot = sampleRoot + "/chirp.wav";
    const std::string outside = dataHome + "/new.wav";
    writeBytes(inRoot, chirpWav());
    writeBytes(outside, chirpWav(3000));
    const std::string original = fileText(inRoot);
    auto plugin = makeSamplePlugin("");

    // The file itself, dropped or chosen again: left as it is.
    samples(*plugin).importSampleFromDrag(inRoot, 1);
    EXPECT_EQ(fileText(inRoot), original);
    choose(inRoot);
    samples(*plugin).importSampleFromMenu();
    EXPECT_EQ(fileText(inRoot), original) << "a menu import of a browsed file once emptied it";
    EXPECT_FALSE(samples(*plugin).getSampleLoaded());

    // A new file dropped alone is copied and becomes the user sample.
    samples(*plugin).importSampleFromDrag(outside, 1);
    EXPECT_EQ(fileText(sampleRoot + "/new.wav"), fileText(outside));
    EXPECT_TRUE(samples(*plugin).getSampleLoaded());
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "new");
    EXPECT_EQ(samples(*plugin).getNumOfSamplesInSampleFolder(), 2);

    // A file of the same name elsewhere does not replace it.
    std::filesystem::create_directories(dataHome + "/other");
    writeBytes(dataHome + "/other/chirp.wav", chirpWav(500));
    samples(*plugin).importSampleFromDrag(dataHome + "/other/chirp.wav", 2);
    choose(dataHome + "/other/chirp.wav");
    samples(*plugin).importSampleFromMenu();
    EXPECT_EQ(fileText(inRoot), original);
    EXPECT_TRUE(takeMessages().empty()) << "a name already there is no failure";

    // A copy that cannot be made is reported.
    samples(*plugin).importSampleFromDrag(dataHome + "/missing.wav", 1);
    EXPECT_EQ(takeMessages().size(), 1u);
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "new");
}

// A file dropped alone that is copied but does not load leaves the sample in
// use playing as the user set it, and the failure text says what happened;
// files dropped together are only copied, and leave the points alone too.
TEST_F(SamplePlugin, ADropThatLoadsNothingLeavesTheSampleInUseAsItWas) {
    writeBytes(sampleRoot + "/chirp.wav", chirpWav());
    writeBytes(dataHome + "/broken.wav", samplefiles::Bytes(20, 7));
    writeBytes(dataHome + "/new.wav", chirpWav(3000));
    auto plugin = makeSamplePlugin();
    ASSERT_TRUE(samples(*plugin).getSampleLoaded());
    const std::pair<int, float> edited[] = {{tag::SAMPLE_START, 0.3f}, {tag::SAMPLE_LOOP_START, 0.25f},
                                            {tag::SAMPLE_LOOP_END, 0.75f}};
    plugin->setSteppedValue(tag::SAMPLE_LOOP_MODE, LOOP);
    for (const auto& [tag, value] : edited) plugin->setParameter(tag, value);
    const auto pointsKept = [&] {
        for (const auto& [tag, value] : edited) EXPECT_EQ(plugin->getParameter(tag), value) << "parameter " << tag;
        EXPECT_EQ(plugin->getSteppedValue(tag::SAMPLE_LOOP_MODE), LOOP);
    };

    samples(*plugin).importSampleFromDrag(dataHome + "/broken.wav", 1);
    EXPECT_TRUE(platform_test::fileExists(sampleRoot + "/broken.wav")) << "copied";
    EXPECT_EQ(samples(*plugin).getNumOfSamplesInSampleFolder(), 2);
    EXPECT_TRUE(samples(*plugin).getSampleLoaded());
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "chirp");
    const std::string failure = samples(*plugin).getBadSampleStr();
    EXPECT_EQ(failure.rfind("Sample Not Found:", 0), 0u) << failure;
    EXPECT_NE(failure.find("broken.wav"), std::string::npos) << failure;
    pointsKept();
    // The loop from the edited start: 2880 frames in, the chirp's pitch there.
    const std::vector<float> out = playNote(*plugin, 57, 24000);
    EXPECT_NEAR(crossingHz(out, 200, 480, pluginfiles::RATE), chirpHz(2880 + 200 + 240), 70.0);
    EXPECT_GT(rms(out, 19200, 4800), 0.05) << "the loop plays on";

    samples(*plugin).importSampleFromDrag(dataHome + "/new.wav", 2);
    EXPECT_EQ(samples(*plugin).getNumOfSamplesInSampleFolder(), 3) << "copied";
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "chirp") << "not loaded";
    pointsKept();

    // Alone, a file that loads becomes the user sample with its own points.
    std::filesystem::remove(sampleRoot + "/new.wav");
    samples(*plugin).importSampleFromDrag(dataHome + "/new.wav", 1);
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "new");
    EXPECT_EQ(samples(*plugin).getBadSampleStr(), "!");
    EXPECT_EQ(plugin->getParameter(tag::SAMPLE_START), 0.0f);
    EXPECT_EQ(plugin->getSteppedValue(tag::SAMPLE_LOOP_MODE), ONE_SHOT);
}

// The files chosen in the import dialog go into the home root, whatever
// folder was browsed when it opened, and the browser shows the root.
TEST_F(SamplePlugin, AMenuImportCopiesIntoTheRootAndShowsIt) {
    std::filesystem::create_directories(sampleRoot + "/Drums");
    writeBytes(sampleRoot + "/Drums/kick.wav", chirpWav(200));
    writeBytes(dataHome + "/snare.wav", chirpWav(300));
    writeBytes(dataHome + "/hat.wav", chirpWav(400));
    auto plugin = makeSamplePlugin("");
    samples(*plugin).setSampleCurFolder(0);
    ASSERT_EQ(samples(*plugin).getCurSampleFolderDisplayNameStr(), "Drums");

    cancelNextDialog();
    samples(*plugin).importSampleFromMenu();
    EXPECT_EQ(samples(*plugin).getCurSampleFolderDisplayNameStr(), "Drums") << "nothing chosen, nothing changes";

    platform::TDesktopAnswer answer;
    answer.button = platform::TDesktopButton::ok;
    answer.paths = {dataHome + "/snare.wav", dataHome + "/hat.wav"};
    answers.push_back(answer);
    requests.clear();
    samples(*plugin).importSampleFromMenu();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Sample Loader");
    EXPECT_EQ(std::filesystem::path(requests[0].startFolder), std::filesystem::path(sampleRoot + "/Drums"))
        << "the dialog opens at the browsed folder";
    for (const char* name : {"/snare.wav", "/hat.wav"})
        EXPECT_TRUE(fileText(sampleRoot + name) == fileText(dataHome + name)) << name << " copied into the root";
    EXPECT_FALSE(platform_test::fileExists(sampleRoot + "/Drums/snare.wav"));
    EXPECT_EQ(samples(*plugin).getCurSampleFolderDisplayNameStr(), "") << "the browser at the root";
    ASSERT_EQ(samples(*plugin).getNumOfSamplesInSampleFolder(), 2);
    EXPECT_EQ(samples(*plugin).getSampleNoDisplayNameStr(0), "hat.wav");
    EXPECT_EQ(samples(*plugin).getSampleNoDisplayNameStr(1), "snare.wav");
}

TEST_F(SamplePlugin, ANewFolderIsMadeInTheBrowsedFolder) {
    auto plugin = makeSamplePlugin("");
    struct Case {
        const char* typed;
        bool made;
    } cases[] = {{"Hits", true}, {"", false}, {"../Escape", false}, {"a/b", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        platform::TDesktopAnswer answer;
        answer.button = platform::TDesktopButton::ok;
        answer.text = c.typed;
        answers.push_back(answer);
        samples(*plugin).createSampleFolder();
    }
    EXPECT_TRUE(std::filesystem::is_directory(sampleRoot + "/Hits"));
    EXPECT_FALSE(std::filesystem::exists(dataHome + "/Orventa/Kolbri/Escape"));
    EXPECT_EQ(samples(*plugin).getNumOfSubFoldersInSampleFolder(), 1);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().headline, "Create Sample Folder");
    EXPECT_EQ(requests.back().text, "New Sample Folder Name");
}

// Stepping through the list loads file after file; one that does not load is
// stepped past, and the positions are reset either way. An empty list has
// nothing to step to and leaves the loaded sample as it is.
TEST_F(SamplePlugin, SteppingThroughTheListPassesAFileThatDoesNotLoad) {
    writeBytes(sampleRoot + "/a.wav", chirpWav());
    writeBytes(sampleRoot + "/b.wav", samplefiles::Bytes(20, 7));
    writeBytes(sampleRoot + "/c.wav", chirpWav(3000));
    std::filesystem::create_directories(sampleRoot + "/Empty");
    auto plugin = makeSamplePlugin("a.wav");
    ASSERT_EQ(samples(*plugin).getSampleNo(), 0);
    struct Step {
        int delta;
        bool loads;
        int sampleNo;  // as the browser then shows it
        const char* name;
        bool refreshFirst = false;  // REFRESH before the step
    } steps[] = {
        {1, false, -1, "No Sample"},   // b.wav does not load
        {1, true, 2, "c"},             // on from b.wav, not from a.wav again
        {-1, false, -1, "No Sample"},  // back onto b.wav
        {-1, true, 0, "a"},
        {1, false, -1, "No Sample"},
        {1, true, 2, "c", true},  // REFRESH with no sample usable keeps the step's place on b.wav
        {-1, false, -1, "No Sample"},
        {-1, true, 0, "a"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.delta);
        if (s.refreshFirst) samples(*plugin).scanSampleFolder();
        plugin->setParameter(SAMPLE_START, 0.4f);
        samples(*plugin).changeSampleDelta(s.delta);
        EXPECT_EQ(samples(*plugin).getSampleLoaded(), s.loads);
        EXPECT_EQ(samples(*plugin).getSampleNo(), s.sampleNo);
        EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), s.name);
        EXPECT_EQ(plugin->getParameter(SAMPLE_START), 0.0f) << "the default start";
    }

    plugin->setSteppedValue(LOOP_MODE, PING_PONG);
    plugin->setParameter(SAMPLE_START, 0.4f);
    samples(*plugin).setSampleCurFolder(0);
    ASSERT_EQ(samples(*plugin).getCurSampleFolderDisplayNameStr(), "Empty");
    samples(*plugin).changeSampleDelta(1);
    EXPECT_EQ(plugin->getParameter(SAMPLE_START), 0.4f);
    EXPECT_EQ(plugin->getSteppedValue(LOOP_MODE), PING_PONG);
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "a");
}

// REFRESH after a file was added before the loaded one: the highlight stays
// on the loaded file, and stepping goes on from it.
TEST_F(SamplePlugin, RefreshKeepsTheLoadedFileSelected) {
    writeBytes(sampleRoot + "/b.wav", chirpWav(200));
    writeBytes(sampleRoot + "/c.wav", chirpWav(300));
    auto plugin = makeSamplePlugin("b.wav");
    ASSERT_EQ(samples(*plugin).getSampleNo(), 0);
    writeBytes(sampleRoot + "/a.wav", chirpWav(400));
    samples(*plugin).scanSampleFolder();
    ASSERT_EQ(samples(*plugin).getNumOfSamplesInSampleFolder(), 3);
    EXPECT_EQ(samples(*plugin).getSampleNo(), 1);
    samples(*plugin).changeSampleDelta(1);
    EXPECT_EQ(samples(*plugin).getLoadedSampleDisplayNameStr(), "c");
}

TEST_F(SamplePlugin, ListedNumbersAndTheExternalTree) {
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) writeBytes(sampleRoot + "/" + name, chirpWav(200));
    const std::string external = dataHome + "/External";
    std::filesystem::create_directories(external);
    writeBytes(external + "/x.wav", chirpWav(200));
    auto plugin = makeSamplePlugin("");
    choose(external);
    samples(*plugin).setExternalSampleDir();
    struct Case {
        int index;
        bool valid;
    } cases[] = {{-1, false}, {0, true}, {2, true}, {3, false}, {511, false}, {1 << 30, false}};
    for (const Case& c : cases) EXPECT_EQ(samples(*plugin).isValidSampleNo(c.index), c.valid) << c.index;
    EXPECT_FALSE(samples(*plugin).getUsesExternalSample());
    samples(*plugin).showExternalSamples();
    EXPECT_TRUE(samples(*plugin).getUsesExternalSample());
    EXPECT_TRUE(samples(*plugin).isValidSampleNo(0));
    EXPECT_FALSE(samples(*plugin).isValidSampleNo(1)) << "the external folder holds one file";
    samples(*plugin).showKolbriSample();
    EXPECT_FALSE(samples(*plugin).getUsesExternalSample());
    EXPECT_TRUE(samples(*plugin).isValidSampleNo(2));
}

// A path longer than a program can keep: the sample plays for the session,
// the program keeps no cut path, and the user is told.
TEST_F(SamplePlugin, APathTooLongForTheProgramIsNotCut) {
    std::string folder = sampleRoot;
    std::string relative;
    for (int i = 0; i < 6; ++i) {
        const std::string part = "folder-with-a-long-name-" + std::to_string(i);
        folder += "/" + part;
        relative += part + "/";
    }
    std::filesystem::create_directories(folder);
    writeBytes(folder + "/chirp.wav", chirpWav());
    ASSERT_GT(relative.size() + 9, 128u);
    auto plugin = makeSamplePlugin("");
    for (int i = 0; i < 6; ++i) samples(*plugin).setSampleCurFolder(0);
    samples(*plugin).loadSelectedSample(0);
    EXPECT_TRUE(samples(*plugin).getSampleLoaded());
    samples(*plugin).scanSampleFolder();
    EXPECT_EQ(samples(*plugin).getSampleNo(), 0) << "REFRESH keeps the loaded file highlighted";
    EXPECT_EQ(samples(*plugin).getBadSampleStr().rfind(SAMPLE_PATH_TOO_LONG_TEXT, 0), 0u);
    for (int k = 0; k < SAMPLE_NAME_SLOTS; ++k) EXPECT_LT(plugin->getParameter(SAMPLE_NAME_PARAM + k), 1.0f / 65536);
    EXPECT_GT(rms(playNote(*plugin, 57, 4800), 1000, 2000), 0.1);
}

// The editor's position commands on a file with a loop of its own.
TEST_F(SamplePlugin, PositionsFollowTheFileAndTheEditorsCommands) {
    // 1000 frames, a sine of 100 frames' period; the file loops 201..801.
    samplefiles::Bytes data;
    for (int i = 0; i < 1001; ++i)
        samplefiles::le(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(8000 * std::sin(i * 0.0628318)))), 2);
    writeBytes(sampleRoot + "/loop.wav",
               samplefiles::form(true, "WAVE", {samplefiles::fmtChunk(1, 1, 48000, 16), samplefiles::smplChunk(1, 201, 801),
                                                samplefiles::TChunk{"data", data}}));
    auto plugin = makeSamplePlugin("loop.wav");
    ASSERT_TRUE(samples(*plugin).getSampleLoaded());
    EXPECT_EQ(plugin->getSteppedValue(LOOP_MODE), LOOP) << "a file with a loop plays it";
    EXPECT_NEAR(samples(*plugin).getSampleLoopStart(USER_SAMPLE), 200.0, 0.05);
    EXPECT_NEAR(samples(*plugin).getSampleLoopEnd(USER_SAMPLE), 800.0, 0.05);

    struct Step {
        const char* what;
        std::function<void(TSampleLibrary&)> act;
        int tag;
        float expected;
    } steps[] = {
        {"loop start held below the end", [](TSampleLibrary& p) { p.setSampleLoopStart(0.9f); }, LOOP_START, 0.8f},
        {"loop end held above the start", [](TSampleLibrary& p) { p.setSampleLoopEnd(0.1f); }, LOOP_END, 0.8f},
        {"start nudged past the end", [](TSampleLibrary& p) { p.setSampleStart(0.99f); p.setSampleStartDelta(0.02f); }, SAMPLE_START, 1.0f},
        {"start by frame", [](TSampleLibrary& p) { p.setSampleStartBySample(250); }, SAMPLE_START, 0.25f},
        {"loop start by frame, counted from 1", [](TSampleLibrary& p) { p.setSampleLoopStartBySample(101); }, LOOP_START, 0.1f},
        {"zero crossing after frame 250", [](TSampleLibrary& p) { p.setZeroCross(0, 1.0f); }, SAMPLE_START, 0.3f},
        {"a step of 0 finds nothing and ends", [](TSampleLibrary& p) { p.setZeroCross(0, 0.0f); }, SAMPLE_START, 0.3f},
        {"zero crossing before", [](TSampleLibrary& p) { p.setSampleStartBySample(260); p.setZeroCross(0, -1.0f); }, SAMPLE_START, 0.25f},
        {"the file's loop end back", [](TSampleLibrary& p) { p.setSamplePositions(2); }, LOOP_END, 0.8f},
        {"normalised: a peak of 8000/32768 to 0 dB", [](TSampleLibrary& p) { p.normalizeSampleVol(); }, 245,
         static_cast<float>((20 * std::log10(32768.0 / 8000.0) + 40) / 80)},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act(samples(*plugin));
        EXPECT_NEAR(plugin->getParameter(s.tag), s.expected, 0.0015f);
    }
    // Without a usable sample nothing moves.
    plugin->setParameter(SAMPLE_LOADED, 0.0f);
    samples(*plugin).setSampleStart(0.7f);
    samples(*plugin).setZeroCross(0, 1.0f);
    EXPECT_NEAR(plugin->getParameter(SAMPLE_START), 0.25f, 0.0015f);
    EXPECT_DOUBLE_EQ(samples(*plugin).getSampleLength(USER_SAMPLE), 0.0);
}

// A file of one frame has length 0; its points are still its own, not the
// ones the sample before it left.
TEST_F(SamplePlugin, AOneFrameFileSetsItsPointsToo) {
    struct Case {
        const char* what;
        bool loop;
        float loopEnd;
        int mode;
    } cases[] = {
        {"no loop: the whole file", false, 1.0f, ONE_SHOT},
        {"a loop on its one frame", true, 0.0f, LOOP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<samplefiles::TChunk> chunks = {samplefiles::fmtChunk(1, 1, 48000, 16),
                                                   samplefiles::TChunk{"data", {0x40, 0x1f}}};
        if (c.loop) chunks.insert(chunks.begin() + 1, samplefiles::smplChunk(1, 0, 0));
        writeBytes(sampleRoot + "/one.wav", samplefiles::form(true, "WAVE", chunks));
        auto plugin = makeSamplePlugin("");
        plugin->setParameter(LOOP_START, 0.3f);
        plugin->setParameter(LOOP_END, 0.6f);
        samples(*plugin).loadSelectedSample(0);
        ASSERT_TRUE(samples(*plugin).getSampleLoaded());
        EXPECT_EQ(plugin->getParameter(LOOP_START), 0.0f);
        EXPECT_EQ(plugin->getParameter(LOOP_END), c.loopEnd);
        EXPECT_EQ(plugin->getSteppedValue(LOOP_MODE), c.mode);
        plugin->setParameter(LOOP_START, 0.3f);
        plugin->setParameter(LOOP_END, 0.6f);
        samples(*plugin).setSamplePositions(1);
        samples(*plugin).setSamplePositions(2);
        EXPECT_EQ(plugin->getParameter(LOOP_START), 0.0f) << "the file's loop start back";
        EXPECT_EQ(plugin->getParameter(LOOP_END), c.loopEnd) << "the file's loop end back";
    }
}

}  // namespace
}  // namespace sampleplugin
