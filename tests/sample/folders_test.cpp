#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/sample/SamplePathSlots.h"
#include "platform/SampleFolders.h"
#include "test_environment.h"

namespace {

class TempFolder {
public:
    TempFolder() {
        path = test_environment::makeTemporaryFolder("samples");
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name, const std::string& content = "RIFF") const {
        const std::string full = path + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << content;
        return full;
    }
    std::string path;
};

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SampleFolders, ListsSortedSampleFilesAndFoldersWithinTheCaps) {
    TempFolder root;
    for (const char* name : {"b.wav", "A.WAV", "a.aif", ".hidden.wav", "x.aiff", "x.wave", "notes.txt", "C.Wav", "a.wav"})
        root.file(name);
    std::filesystem::create_directory(root.path + "/Drums");
    std::filesystem::create_directory(root.path + "/bass");
    std::filesystem::create_directory(root.path + "/.cache");
    mkfifo((root.path + "/pipe.wav").c_str(), 0600);  // a pipe is no sample file
    symlink((root.path + "/b.wav").c_str(), (root.path + "/link.wav").c_str());
    symlink("/nonexistent", (root.path + "/dangling.wav").c_str());

    const TSampleFolderListing listing = scanSampleFolder(root.path);
    ASSERT_TRUE(listing.readable);
    const std::vector<std::string> files = {"a.aif", "A.WAV", "a.wav", "b.wav", "C.Wav", "link.wav", "x.aiff"};
    EXPECT_EQ(listing.sampleFiles, files);
    EXPECT_EQ(listing.subFolders, (std::vector<std::string>{"bass", "Drums"}));

    TempFolder crowded;
    for (int i = 0; i < 520; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "s%03d.wav", i);
        crowded.file(name);
    }
    const TSampleFolderListing many = scanSampleFolder(crowded.path);
    ASSERT_EQ(many.sampleFiles.size(), 511u) << "the 512th file is not listed";
    EXPECT_EQ(many.sampleFiles.back(), "s510.wav") << "the same 511 every time: the first in order";
    EXPECT_FALSE(scanSampleFolder(root.path + "/missing").readable);
}

TEST(SampleFolders, PathsBelowTheRoot) {
    struct Case { std::string folder, root, relative, up; const char* why; };
    const Case cases[] = {
        {"/s/Samples", "/s/Samples/", "", "/s/Samples", "the root itself, written without its slash"},
        {"/s/Samples/", "/s/Samples", "", "/s/Samples", "the root with a slash"},
        {"/s/Samples/Drums", "/s/Samples/", "Drums", "/s/Samples", "one level down"},
        {"/s/Samples//Drums/Kicks/", "/s/Samples", "Drums/Kicks", "/s/Samples/Drums", "doubled and trailing slashes"},
        {"/s/SamplesX/Drums", "/s/Samples", "/s/SamplesX/Drums", "/s/Samples", "a sibling that shares the prefix is not below"},
        {"/elsewhere", "/s/Samples", "/elsewhere", "/s/Samples", "outside the root: shown whole, up goes home"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sampleFolderRelative(c.folder, c.root), c.relative) << c.why;
        EXPECT_EQ(goUpSampleFolder(c.folder, c.root), c.up) << c.why;
    }
    EXPECT_EQ(relativeSamplePath("/s/Samples/kick.wav", "/s/Samples/"), "kick.wav") << "a sample in the root itself";
    EXPECT_EQ(relativeSamplePath("/s/Samples/Drums/kick.wav", "/s/Samples"), "Drums/kick.wav");
    EXPECT_FALSE(relativeSamplePath("/other/kick.wav", "/s/Samples"));
    EXPECT_EQ(sampleFileDirectory("/s/Samples//kick.wav"), "/s/Samples");

    struct Rule { const char* path; bool safe; };
    const Rule rules[] = {{"Drums/kick.wav", true},       {"kick.wav", true},         {"a..b.wav", true},
                          {"../secret.wav", false},       {"Drums/../../x.wav", false}, {"/etc/passwd", false},
                          {"", false},                    {"..", false},              {"Drums/..", false}};
    for (const Rule& r : rules) {
        EXPECT_EQ(isSafeRelativeSamplePath(r.path), r.safe) << r.path;
    }
}

TEST(SampleFolders, ImportsNeverDamageAFile) {
    TempFolder outside, root;
    const std::string original = outside.file("kick.wav", std::string(100000, 'k'));
    const std::string existing = root.file("snare.wav", "keep me");
    const std::string inRoot = root.file("loop.wav", "loop bytes");
    const std::string other = outside.file("snare.wav", "other snare");

    struct Case { std::string source; TSampleImportStatus status; std::string destination, destinationContent; const char* why; };
    const Case cases[] = {
        {original, TSampleImportStatus::copied, root.path + "/kick.wav", std::string(100000, 'k'), "a new file is copied whole"},
        {other, TSampleImportStatus::alreadyThere, existing, "keep me", "a file of that name stays as it was"},
        {inRoot, TSampleImportStatus::sameFile, inRoot, "loop bytes", "importing a file onto itself leaves it whole"},
        {outside.path + "/none.wav", TSampleImportStatus::failed, root.path + "/none.wav", "", "a missing source is reported"},
        {outside.path, TSampleImportStatus::failed, "", "", "a folder is not a file"},
    };
    for (const Case& c : cases) {
        const TSampleImportResult result = importSampleFile(c.source, root.path);
        EXPECT_EQ(result.status, c.status) << c.why << ": " << result.reason;
        if (!c.destination.empty()) {
            EXPECT_EQ(result.destination, c.destination) << c.why;
        }
        if (!c.destinationContent.empty()) {
            EXPECT_EQ(contentOf(c.destination), c.destinationContent) << c.why;
        }
        if (c.status == TSampleImportStatus::failed) {
            EXPECT_FALSE(result.reason.empty()) << c.why;
        }
    }
    EXPECT_EQ(contentOf(original), std::string(100000, 'k')) << "the source is untouched";
    // No temporary is left behind, and the listing shows what arrived.
    EXPECT_EQ(scanSampleFolder(root.path).sampleFiles, (std::vector<std::string>{"kick.wav", "loop.wav", "snare.wav"}));
    for (const auto& entry : std::filesystem::directory_iterator(root.path))
        EXPECT_NE(entry.path().filename().string().rfind(".import", 0), 0u) << entry.path();

    EXPECT_EQ(createSampleSubFolder(root.path, "Hits"), "");
    EXPECT_TRUE(std::filesystem::is_directory(root.path + "/Hits"));
    EXPECT_NE(createSampleSubFolder(root.path, "Hits"), "") << "exists";
    for (const char* bad : {"", "..", "a/b", ".hidden"}) {
        EXPECT_NE(createSampleSubFolder(root.path, bad), "") << bad;
    }
}

TEST(SampleFolders, ReadsOnlyRegularFilesWithoutBlocking) {
    TempFolder folder;
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(readSampleFileBytes(folder.file("a.wav", "abc"), bytes), TSampleFileStatus::ok);
    EXPECT_EQ(bytes.size(), 3u);
    mkfifo((folder.path + "/pipe.wav").c_str(), 0600);
    EXPECT_EQ(readSampleFileBytes(folder.path + "/pipe.wav", bytes), TSampleFileStatus::notRegularFile)
        << "a pipe would block the loader";
    EXPECT_EQ(readSampleFileBytes(folder.path, bytes), TSampleFileStatus::notRegularFile);
    EXPECT_EQ(readSampleFileBytes(folder.path + "/none.wav", bytes), TSampleFileStatus::notFound);
    EXPECT_TRUE(bytes.empty());
}

TEST(SamplePathSlots, RoundTripThroughTheProgramsParameters) {
    std::array<float, SAMPLE_NAME_SLOTS> slots{};
    ASSERT_TRUE(encodeSamplePath("Drums/kick.wav", slots));
    std::uint8_t high, low;
    samplePathSlotBytes(slots[0], high, low);
    EXPECT_EQ(high, 'D');
    EXPECT_EQ(low, 'r');
    samplePathSlotBytes(slots[1], high, low);
    EXPECT_EQ(high, 'u');
    EXPECT_EQ(low, 'm');
    samplePathSlotBytes(slots[7], high, low);
    EXPECT_EQ(high, 0) << "14 bytes fill slots 0..6, the rest are zero";
    EXPECT_EQ(decodeSamplePath(slots.data()), "Drums/kick.wav");

    const std::string accented = "Caf\xc3\xa9/\xc8-odd.wav";  // bytes above 127, 200 among them
    ASSERT_TRUE(encodeSamplePath(accented, slots));
    EXPECT_EQ(decodeSamplePath(slots.data()), accented);

    const std::string longest(128, 'x');
    ASSERT_TRUE(encodeSamplePath(longest, slots));
    EXPECT_EQ(decodeSamplePath(slots.data()), longest);
    EXPECT_FALSE(encodeSamplePath(longest + "y", slots)) << "129 bytes cannot be kept with the program";
    EXPECT_EQ(decodeSamplePath(slots.data()), "") << "and no cut path (another file's name) is stored";

    ASSERT_TRUE(encodeSamplePath("Win\\path.wav", slots));
    EXPECT_EQ(decodeSamplePath(slots.data()), "Win/path.wav");
    EXPECT_EQ(decodeSamplePath(slots.data(), TSamplePathBackslash::kept), "Win\\path.wav");
    const float damaged[SAMPLE_NAME_SLOTS] = {NAN, -1.0f, 1e30f};
    EXPECT_EQ(decodeSamplePath(damaged), "") << "NaN reads as the end of the text";
}

}  // namespace
