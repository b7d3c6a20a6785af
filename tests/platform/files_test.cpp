// File operations, the folder listing, the debug log and apFile, on real
// files in temporary folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_folders.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

using platform_test::fileExists;
using platform_test::readFile;
using platform_test::writeFile;

class Files : public platform_test::PlatformTest {
protected:
    std::string at(const std::string& name) const { return root + "/" + name; }
};

TEST_F(Files, CopyReportsWhatHappened) {
    writeFile(at("source.wav"), std::string("RIFF\0\x01\x02", 7) + std::string(200000, 'a'));
    writeFile(at("existing.wav"), "old contents that are longer than nothing");
    struct Case {
        const char* what;
        std::string source, destination;
        bool ok;
        std::string destinationAfter;  // "" when the destination must not exist
    };
    const std::string copied = readFile(at("source.wav"));
    const Case cases[] = {
        {"a new file", at("source.wav"), at("new.wav"), true, copied},
        {"onto an existing file replaces it", at("source.wav"), at("existing.wav"), true, copied},
        {"missing source leaves nothing", at("missing.wav"), at("nothing.wav"), false, ""},
        {"into a missing folder fails", at("source.wav"), at("no/such/folder.wav"), false, ""},
        {"a folder is no source", root, at("folder-copy"), false, ""},
        {"onto itself keeps the file", at("source.wav"), at("source.wav"), true, copied},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CopyFileFromTo(c.source.c_str(), c.destination.c_str()), c.ok) << c.what;
        if (c.destinationAfter.empty()) {
            EXPECT_FALSE(fileExists(c.destination)) << c.what;
        } else {
            EXPECT_EQ(readFile(c.destination), c.destinationAfter) << c.what;
        }
        EXPECT_FALSE(fileExists(c.destination + ".part")) << c.what << ": temporary left behind";
    }
    // A failed copy leaves an existing destination untouched.
    writeFile(at("keep.wav"), "keep me");
    EXPECT_FALSE(CopyFileFromTo(at("missing.wav").c_str(), at("keep.wav").c_str()));
    EXPECT_EQ(readFile(at("keep.wav")), "keep me");
    EXPECT_FALSE(CopyFileFromTo(nullptr, at("keep.wav").c_str()));
    EXPECT_TRUE(fileCopy(at("keep.wav"), at("keep2.wav")));
    EXPECT_EQ(readFile(at("keep2.wav")), "keep me");
}

TEST_F(Files, DirectoriesRenamesAndSoftDelete) {
    EXPECT_EQ(makeDirectory(at("Drums")), 0);
    EXPECT_EQ(makeDirectory(at("Drums")), -1);  // already there
    EXPECT_EQ(makeDirectory(at("no/parent").c_str()), -1);
    struct stat info {};
    ASSERT_EQ(stat(at("Drums").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));

    writeFile(at("Drums/kick.wav"), "k");
    EXPECT_EQ(deleteFile(at("Drums/kick.wav")), 0);
    EXPECT_TRUE(fileExists(at("Drums/kick.~fx")));
    EXPECT_FALSE(fileExists(at("Drums/kick.wav")));
    EXPECT_EQ(deleteFile(at("Drums/kick.~fx"), std::string(".old")), 0);
    EXPECT_TRUE(fileExists(at("Drums/kick.old")));
    EXPECT_EQ(deleteFile(at("Drums/missing.wav")), -1);

    EXPECT_EQ(renameFileFolder(at("Drums"), at("Percussion")), 0);
    EXPECT_TRUE(fileExists(at("Percussion/kick.old")));
    EXPECT_EQ(renameFileFolder(at("Drums").c_str(), at("x").c_str()), -1);
}

TEST_F(Files, FullPathsAndPackedNames) {
    EXPECT_EQ(getFullPathForFolderStr("/root", "Drums"), "/root/Drums/");
    EXPECT_EQ(getFullPathForFolderStr("/root/", "Drums/"), "/root/Drums/");
    EXPECT_EQ(getFullPathForFolderStr("/root", "Root Folder"), "/root/");
    EXPECT_EQ(getFullPathForFileNameStr("/root", "Drums", "Big:Kick", ".wav"), "/root/Drums/Big-Kick.wav");
    EXPECT_EQ(getFullPathForFileNameStr("/root", "Root Folder", "kick", ".wav"), "/root/kick.wav");
    EXPECT_EQ(getFullPathForFileNameStr("/x", "kick.wav"), "/x/kick.wav");
    char out[PLATFORM_TEXT_SIZE];
    EXPECT_TRUE(getFullPathForFileNameStr(out, "/root", "Drums", "kick", ".wav"));
    EXPECT_STREQ(out, "/root/Drums/kick.wav");
    EXPECT_TRUE(getFullPathForFolderStr(out, "/root", "Root Folder"));
    EXPECT_STREQ(out, "/root/");

    struct Case {
        const char* text;
        const char* first;
        const char* second;
    };
    const Case cases[] = {{"a||b||c", "a", "b||c"}, {"a||b", "a", "b"}, {"plain", "plain", ""}, {"||b", "", "b"}};
    for (const Case& c : cases) {
        std::string first, second;
        SplitName(std::string(c.text), first, second);
        EXPECT_EQ(first, c.first) << c.text;
        EXPECT_EQ(second, c.second) << c.text;
        char a[PLATFORM_TEXT_SIZE], b[PLATFORM_TEXT_SIZE];
        EXPECT_TRUE(SplitName(c.text, a, b));
        EXPECT_STREQ(a, c.first);
        EXPECT_STREQ(b, c.second);
    }
    std::string combined;
    CombineName(combined, "kick", "snare");
    EXPECT_EQ(combined, "kick||snare");
    EXPECT_TRUE(CombineName(out, "a", "b"));
    EXPECT_STREQ(out, "a||b");
}

TEST_F(Files, FolderListingIsSortedByNameAndSplitsFilesFromFolders) {
    std::string folder = at("list");
    ASSERT_EQ(makeDirectory(folder), 0);
    for (const char* name : {"b.wav", "A.wav", "c.aif", ".hidden", "a.wav"}) writeFile(folder + "/" + name, "x");
    for (const char* name : {"Zeta", "alpha", ".git"}) ASSERT_EQ(makeDirectory(folder + "/" + name), 0);
    ASSERT_EQ(symlink((folder + "/alpha").c_str(), (folder + "/link-to-alpha").c_str()), 0);
    ASSERT_EQ(symlink((folder + "/gone").c_str(), (folder + "/broken-link").c_str()), 0);
    std::vector<std::string> files, folders;
    ASSERT_TRUE(platform::listFolder(folder, files, folders));
    EXPECT_EQ(files, (std::vector<std::string>{"A.wav", "a.wav", "b.wav", "c.aif"}));
    EXPECT_EQ(folders, (std::vector<std::string>{"alpha", "link-to-alpha", "Zeta"}));
    EXPECT_FALSE(platform::listFolder(at("missing"), files, folders));
    EXPECT_TRUE(files.empty() && folders.empty());
}

TEST_F(Files, DebugLogAppendsUnderTheStateFolder) {
    writeLog("first");
    writeLog("second");
    writeLog1(42);
    writeLog2("two");
    EXPECT_EQ(readFile(platform::debugLogPath("debug.log")), "first\nsecond\n");
    EXPECT_EQ(readFile(platform::debugLogPath("debug1.log")), "42\n");
    EXPECT_EQ(readFile(platform::debugLogPath("debug2.log")), "two\n");
    EXPECT_EQ(platform::debugLogPath("debug.log").rfind(stateHome, 0), 0u);
    // An unwritable state folder skips the line quietly.
    setenv("XDG_STATE_HOME", "/proc/no-such-place", 1);
    writeLog("lost");
}

TEST_F(Files, StreamReaderReadsInBothByteOrders) {
    writeFile(at("bytes"), std::string("\x01\x02\x03\x04\x05\x06", 6));
    apFile file;
    unsigned char buffer[8] = {};
    EXPECT_EQ(file.readHE(buffer, 4), 0);  // nothing open yet
    EXPECT_FALSE(file.open(at("missing").c_str()));
    ASSERT_TRUE(file.open(at("bytes").c_str()));
    EXPECT_FALSE(file.open(at("bytes").c_str()));  // one file at a time
    ASSERT_EQ(file.readLE(buffer, 4), 4);
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + 4), (std::vector<unsigned char>{4, 3, 2, 1}));
    EXPECT_EQ(file.readLE(buffer, 0), 0);
    EXPECT_EQ(file.readHE(buffer, 8), 2);  // only two bytes are left
    EXPECT_EQ(buffer[0], 5);
    EXPECT_EQ(buffer[1], 6);
    EXPECT_EQ(file.readSTR(buffer, 8), 0);
    EXPECT_EQ(file.getSize(at("bytes").c_str()), 6);
    EXPECT_EQ(file.getSize(at("missing").c_str()), -1);
    file.close();
    EXPECT_EQ(file.readHE(buffer, 4), 0);
    ASSERT_TRUE(file.open(at("bytes").c_str()));  // open again after close
}

}  // namespace
