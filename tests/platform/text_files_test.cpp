// Whole small files read with a bound and written by replacement, on real
// files, a named pipe and devices.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "test_folders.h"
#include "platform/TextFiles.h"

namespace {

using platform::TFileReadResult;
using platform_test::readFile;
using platform_test::writeFile;

class TextFiles : public platform_test::PlatformTest {
protected:
    std::string at(const std::string& name) const { return root + "/" + name; }
};

TEST_F(TextFiles, ReadsRegularFilesOnlyAndNeverPastTheLimit) {
    constexpr std::size_t LIMIT = 1000;
    const std::string binary("a\0b\r\n", 5);
    writeFile(at("small"), binary);
    writeFile(at("exact"), std::string(LIMIT, 'x'));
    writeFile(at("long"), std::string(LIMIT, 'y') + "tail");
    writeFile(at("empty"), "");
    // A reader that opened a pipe with blocking semantics would hang here for good.
    ASSERT_EQ(mkfifo(at("pipe").c_str(), 0600), 0);
    mkdir(at("folder").c_str(), 0700);

    struct Case {
        const char* why;
        std::string path;
        TFileReadResult result;
        std::string contents;
    };
    const Case cases[] = {
        {"bytes come through unchanged, zero and CR included", at("small"), TFileReadResult::ok, binary},
        {"a file of exactly the limit is whole", at("exact"), TFileReadResult::ok, std::string(LIMIT, 'x')},
        {"a longer file gives its first bytes only", at("long"), TFileReadResult::truncated, std::string(LIMIT, 'y')},
        {"an empty file", at("empty"), TFileReadResult::ok, ""},
        {"a missing file", at("missing"), TFileReadResult::cannotOpen, ""},
        {"an empty path", "", TFileReadResult::cannotOpen, ""},
        {"a named pipe without a writer", at("pipe"), TFileReadResult::notRegularFile, ""},
        {"a folder", at("folder"), TFileReadResult::notRegularFile, ""},
        {"an endless device", "/dev/zero", TFileReadResult::notRegularFile, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::string contents = "left over";
        EXPECT_EQ(platform::readFileBounded(c.path, LIMIT, contents), c.result);
        EXPECT_EQ(contents, c.contents);
    }
}

TEST_F(TextFiles, ReplacingWritesWholeFilesAndLeavesNothingBehindOnFailure) {
    writeFile(at("old.ecs"), std::string(5000, 'o'));
    EXPECT_TRUE(platform::writeFileReplacing(at("old.ecs"), "new\n"));
    EXPECT_EQ(readFile(at("old.ecs")), "new\n") << "a longer old file must not shine through";
    EXPECT_TRUE(platform::writeFileReplacing(at("fresh.ecs"), std::string("\0x", 2)));
    EXPECT_EQ(readFile(at("fresh.ecs")), std::string("\0x", 2));

    EXPECT_FALSE(platform::writeFileReplacing(at("no/such/folder.ecs"), "x"));
    EXPECT_FALSE(platform::writeFileReplacing("", "x"));
    mkdir(at("taken").c_str(), 0700);
    EXPECT_FALSE(platform::writeFileReplacing(at("taken"), "x")) << "a folder is not replaced by a file";

    EXPECT_TRUE(std::filesystem::is_directory(at("taken")));
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find(".part"), std::string::npos) << "temporary file left: " << name;
    }
}

}  // namespace
