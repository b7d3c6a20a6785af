// Path and name helpers: the edge cases callers depend on, and inputs far
// longer than the 256-byte buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_folders.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

namespace {

using Helper = bool (*)(const char*, char*);

bool nameOnly(const char* p, char* o) { return getFileNameOnly(p, o, false); }
bool nameNoExtension(const char* p, char* o) { return getFileNameOnly(p, o, true); }
bool toSoftDeleteName(const char* p, char* o) { return replaceExtension(p, o, ".~fx"); }

struct PathCase {
    const char* what;
    Helper helper;
    const char* input;
    const char* expected;
};

TEST(PathHelpers, PartsOfAPath) {
    const PathCase cases[] = {
        {"file name", nameOnly, "/a/b/kick.wav", "kick.wav"},
        {"file name without extension", nameNoExtension, "/a/b/kick.wav", "kick"},
        {"no separator gives nothing", nameOnly, "kick.wav", ""},
        {"backslash counts when there is no slash", nameOnly, "C:\\x\\snare.aif", "snare.aif"},
        {"a dot in a folder is no extension", nameNoExtension, "/home/u/.local/share/tuning", "tuning"},
        {"only the last dot of the name is cut", nameNoExtension, "/x/my.song.wav", "my.song"},
        {"trailing slash: empty name", nameOnly, "/a/b/", ""},
        {"extension from the last dot", getFileNameExtension, "a.b.wav", ".wav"},
        {"no extension", getFileNameExtension, "/a/b/kick", ""},
        {"folder dot is not an extension", getFileNameExtension, "/a/b.c/kick", ""},
        {"folder of a file", getFileDriveDir, "/a/b/kick.wav", "/a/b"},
        {"folder with a dot keeps it", getFileDriveDir, "/a/b.c/kick", "/a/b.c"},
        {"no folder", getFileDriveDir, "kick.wav", ""},
        {"path without extension", getNameNoExtensionStr, "/a/b.c/kick.wav", "/a/b.c/kick"},
        {"directory plus bare name", GetFilePathNoExtension, "/a/b/kick.wav", "/a/b/kick"},
        {"soft-delete name", toSoftDeleteName, "/x/kick.wav", "/x/kick.~fx"},
        {"soft-delete stays in a dotted folder", toSoftDeleteName, "/x.y/kick", "/x.y/kick.~fx"},
        {"soft-delete at the root", toSoftDeleteName, "/kick.wav", "/kick.~fx"},
        {"soft-delete of a relative name stays relative", toSoftDeleteName, "kick.wav", "kick.~fx"},
    };
    for (const PathCase& c : cases) {
        char out[PLATFORM_TEXT_SIZE];
        std::memset(out, 'z', sizeof out);
        c.helper(c.input, out);
        EXPECT_STREQ(out, c.expected) << c.what << ": " << c.input;
    }
}

TEST(PathHelpers, StringForms) {
    EXPECT_EQ(getFileNameOnlyStr("/a/b/kick.wav", true), "kick");
    EXPECT_EQ(getFileNameExtensionsStr("/a/b/kick.aiff"), ".aiff");
    EXPECT_EQ(getFileNameNoExtensionStr("my.song.wav"), "my");
    EXPECT_EQ(getFileDriveDirStr("/a/b/kick.wav"), "/a/b");
    EXPECT_EQ(getNameNoExtensionStr(std::string("/a/b/kick.wav")), "/a/b/kick");
    EXPECT_EQ(getFolderNameOnlyStr("/root/Drums/kick.wav", "/root"), "/Drums");
    EXPECT_EQ(getFolderNameOnlyStr("/root", "/root"), "");
    EXPECT_EQ(lowerCase(std::string("KiCk.WAV")), "kick.wav");
}

TEST(PathHelpers, Cleaning) {
    struct Case {
        const char* what;
        std::string input, expected;
        void (*clean)(std::string&);
    };
    const Case cases[] = {
        {"runs of slashes", "a///b//c", "a/b/c", removeDoubleSlash},
        {"one trailing slash", "/a/b//", "/a/b/", removeEndSlash},
        {"empty stays empty", "", "", removeEndSlash},
        {"number characters only", "-12.5 dB", "-12.5", stripAllButNum},
        {"leading spaces", " \t x ", "x ", ltrim},
        {"trailing whitespace", " x \r\n", " x", rtrim},
        {"both ends", "\v x y \f", "x y", trim},
        {"upper case, ASCII only", "abc\xC3\xA9", "ABC\xC3\xA9", upperCase},
    };
    for (const Case& c : cases) {
        std::string text = c.input;
        c.clean(text);
        EXPECT_EQ(text, c.expected) << c.what;
    }
}

TEST(PathHelpers, SafeNames) {
    struct Case {
        const char* what;
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"replaced characters, trailing space kept", "  My:Preset/One?", "My-Preset One "},
        {"24 characters at most", "abcdefghijklmnopqrstuvwxyz0123", "abcdefghijklmnopqrstuvwx"},
        {"ends at a control byte", "ab\tcd", "ab"},
        {"ends at a non-ASCII byte", "Caf\xC3\xA9", "Caf"},
        {"every refused character", "a\\b\"c*d<e>f|g", "a b c d e f g"},
    };
    for (const Case& c : cases) {
        char text[PLATFORM_TEXT_SIZE];
        std::snprintf(text, sizeof text, "%s", c.input);
        safeNameToSaveStr(text);
        EXPECT_STREQ(text, c.expected) << c.what;
        EXPECT_EQ(safeNameToSaveStr(std::string(c.input)), c.expected) << c.what;
    }
    char name[PLATFORM_TEXT_SIZE] = "abcdefghijklmnopqrstuvwxyz";
    safename(name);
    EXPECT_STREQ(name, "abcdefghijklmnopqrstuvwx");
    EXPECT_EQ(validChar(':'), '-');
    EXPECT_EQ(validChar('?'), ' ');
    EXPECT_EQ(validChar('\x01'), 0);
    EXPECT_EQ(validChar('\xE9'), 0);
    EXPECT_EQ(validChar('k'), 'k');
    EXPECT_STREQ(getSaveName("My:Kit", ".ecs"), "My-Kit.ecs");
    EXPECT_EQ(getSaveName(std::string("a/b"), std::string(".tun")), "a b.tun");
}

TEST(PathHelpers, CaseComparisons) {
    EXPECT_TRUE(stringCompareIgnoreCase(std::string("Kick"), std::string("KICK")));
    EXPECT_FALSE(stringCompareIgnoreCase(std::string("Kick"), std::string("Kicks")));
    EXPECT_EQ(stringCompareIgnoreCase("abc", "ABC"), 0);
    EXPECT_LT(stringCompareIgnoreCase("abc", "ABD"), 0);
    EXPECT_GT(stringCompareIgnoreCase("abcd", "ABC"), 0);
    EXPECT_TRUE(compareStringIgnoreCase("Snare", "sNARE"));
    EXPECT_FALSE(compareStringIgnoreCase("Snare", "Snore"));
}

TEST(PathHelpers, NumbersAndNumberedNames) {
    EXPECT_EQ(getThreeCharName(0, "name"), "001 name");
    EXPECT_EQ(getThreeCharName(9, "x"), "010 x");
    EXPECT_EQ(getThreeCharName(98, "name"), "099 name");
    EXPECT_EQ(getThreeCharName(99, "name"), "100 name");
    char out[PLATFORM_TEXT_SIZE];
    EXPECT_TRUE(setThreeCharName(4, out, "kick"));
    EXPECT_STREQ(out, "005 kick");
    EXPECT_EQ(floatString(3.14159f, 2), "3.14");
    EXPECT_EQ(floatString(-0.5f, 0), "-0");
    EXPECT_EQ(floatString(2.0f, 99).size(), 22u);  // digits held at 20

    char number[PLATFORM_TEXT_SIZE];
    EXPECT_STREQ(itoa(-1234, number, 3), "-12");
    EXPECT_STREQ(itoa(-1234, number, 0), "-");
    EXPECT_STREQ(itoa(56, number, 1000), "56");
    char rest[PLATFORM_TEXT_SIZE];
    removeSub("abc", "abcdef", rest);
    EXPECT_STREQ(rest, "def");
    removeSub("abcdef", "abc", rest);
    EXPECT_STREQ(rest, "");
}

// Every helper that fills a fixed buffer, fed 1,000 characters: the result
// is either whole and within 255 characters or empty, never an overrun
// (the sanitizers watch the buffers) and never a shortened path.
TEST(PathHelpers, ThousandCharacterInputsStayInTheirBuffers) {
    std::string longPath = "/" + std::string(600, 'd') + "/" + std::string(390, 'n') + ".wav";
    std::string longName(1000, 'x');
    struct Case {
        const char* what;
        bool (*call)(const std::string&, char*);
    };
    const Case cases[] = {
        {"getFileNameOnly", [](const std::string& s, char* o) { return getFileNameOnly(s.c_str(), o, false); }},
        {"getFileNameNoExtension", [](const std::string& s, char* o) { return getFileNameNoExtension(s.c_str(), o); }},
        {"getFileNameExtension", [](const std::string& s, char* o) { return getFileNameExtension(s.c_str(), o); }},
        {"getNameNoExtensionStr", [](const std::string& s, char* o) { return getNameNoExtensionStr(s.c_str(), o); }},
        {"getFileDriveDir", [](const std::string& s, char* o) { return getFileDriveDir(s.c_str(), o); }},
        {"GetFilePathNoExtension", [](const std::string& s, char* o) { return GetFilePathNoExtension(s.c_str(), o); }},
        {"replaceExtension", [](const std::string& s, char* o) { return replaceExtension(s.c_str(), o, ".~fx"); }},
        {"setThreeCharName", [](const std::string& s, char* o) { return setThreeCharName(1, o, s.c_str()); }},
        {"getFullPathForFolderStr",
         [](const std::string& s, char* o) { return getFullPathForFolderStr(o, s.c_str(), "Drums"); }},
        {"getFullPathForFileNameStr",
         [](const std::string& s, char* o) { return getFullPathForFileNameStr(o, s.c_str(), "Drums", "n", ".wav"); }},
        {"getFullPathForFileNameStr (two parts)",
         [](const std::string& s, char* o) { return getFullPathForFileNameStr(o, s.c_str(), "kick.wav"); }},
        {"CombineName", [](const std::string& s, char* o) { return CombineName(o, s.c_str(), "b"); }},
        {"SplitName",
         [](const std::string& s, char* o) {
             char second[PLATFORM_TEXT_SIZE];
             return SplitName(("a||" + s).c_str(), o, second);
         }},
        {"removeSub",
         [](const std::string& s, char* o) {
             removeSub("", s.c_str(), o);
             return o[0] != 0;
         }},
    };
    for (const std::string& input : {longPath, longName}) {
        for (const Case& c : cases) {
            char out[PLATFORM_TEXT_SIZE];
            std::memset(out, 'z', sizeof out);
            bool ok = c.call(input, out);
            size_t length = strnlen(out, sizeof out);
            ASSERT_LT(length, sizeof out) << c.what << ": unterminated";
            if (!ok) {
                EXPECT_EQ(length, 0u) << c.what << ": a failed result must be empty";
            }
        }
    }
    // The in-place helpers take text of any length.
    std::string text = longName + ":/?" + longName;
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back(0);
    safeNameToSaveStr(buffer.data());
    EXPECT_EQ(std::strlen(buffer.data()), 24u);
    std::vector<char> digits(1001, '7');
    digits[1000] = 0;
    stripAllButNum(digits.data());
    EXPECT_EQ(std::strlen(digits.data()), 1000u);
    upperCase(digits.data());
    lowerCase(digits.data());
    trim(digits.data());
    ltrim(digits.data());
    removeDoubleDot(digits.data());
    removeEndSlash(digits.data());
    EXPECT_EQ(std::strlen(digits.data()), 1000u);
    EXPECT_STREQ(getSaveName(longName.c_str(), longName.c_str()), "");  // 1,024 characters do not fit
    EXPECT_EQ(getFileNameOnlyStr(longPath, true), std::string(390, 'n'));
}

class DefaultFolders : public platform_test::PlatformTest {};

TEST_F(DefaultFolders, LiveUnderTheDataHome) {
    std::string home = dataHome;
    const char* realHome = std::getenv("HOME");
    std::string savedHome = realHome ? realHome : "";
    using platform::TDefaultFolder;
    EXPECT_EQ(platform::getDefaultFolderPath(TDefaultFolder::samples), home + "/Orventa/Kolbri/Samples/");
    EXPECT_EQ(platform::getDefaultFolderPath(TDefaultFolder::ecs), home + "/Orventa/Kolbri/ECS/");
    EXPECT_EQ(platform::getDefaultFolderPath(TDefaultFolder::tuning), home + "/Orventa/Kolbri/Tuning");
    EXPECT_EQ(platform::getDefaultFolderPath(TDefaultFolder::manual),
              home + "/Orventa/Kolbri/Manual/Orventa_Kolbri_Manual.pdf");
    EXPECT_TRUE(platform::createDefaultFolders());
    for (const char* folder : {"Samples", "ECS", "Tuning", "Manual"})
        EXPECT_TRUE(platform_test::fileExists(home + "/Orventa/Kolbri/" + folder)) << folder;
    EXPECT_FALSE(platform_test::fileExists(home + "/Orventa/Kolbri/Manual/Orventa_Kolbri_Manual.pdf"));

    // A relative or empty setting is not a base folder: the home's default applies.
    setenv("XDG_DATA_HOME", "relative/path", 1);
    setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(platform::xdgDataHome(), home + "/.local/share");
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(platform::xdgConfigHome(), home + "/.config");
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(platform::xdgStateHome(), home + "/.local/state");
    setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
