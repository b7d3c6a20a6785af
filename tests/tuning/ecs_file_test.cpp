// ECS controller maps: what loads, what is refused (leaving the map as it
// was), and the round trip through a real file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "engine/EcsFile.h"

namespace {

// A map with a different tag on every controller, so a lost or shifted entry shows.
TEcsMap distinctMap() {
    TEcsMap map{};
    for (int c = 0; c < ECS_CONTROLLER_COUNT; ++c) map[static_cast<std::size_t>(c)] = (c * 8 + 3) % (ECS_MAX_TAG + 1);
    return map;
}

// 128 tokens: the given first one, then "7" for the rest, joined by separator.
std::string tokens(const std::string& first, const std::string& separator = "\n", int count = ECS_CONTROLLER_COUNT) {
    std::string text = first;
    for (int i = 1; i < count; ++i) text += separator + "7";
    return text;
}

TEST(EcsFile, LoadsWholeMapsAndRefusesEverythingElse) {
    struct Case {
        const char* why;
        std::string text;
        bool loads;
        int firstTag;
    };
    const Case cases[] = {
        {"an empty line at the end", tokens("5") + "\n\n", true, 5},
        {"CRLF line ends", tokens("5", "\r\n") + "\r\n", true, 5},
        {"all on one line, tabs and blanks between", "  " + tokens("9", " \t"), true, 9},
        {"the largest tag", tokens("1023"), true, 1023},
        {"a plus sign and leading zeros, as a decimal reader takes them", tokens("+0012"), true, 12},
        {"minus zero is zero", tokens("-0"), true, 0},
        {"127 numbers", tokens("5", "\n", 127), false, 0},
        {"129 numbers", tokens("5", "\n", 129), false, 0},
        {"an empty file", "", false, 0},
        {"a tag above 1023", tokens("1024"), false, 0},
        {"a negative tag", tokens("-1"), false, 0},
        {"a word", tokens("abc"), false, 0},
        {"a number with text glued on", tokens("12abc"), false, 0},
        {"two numbers glued together", tokens("12-5"), false, 0},
        {"a number that overflows", tokens("99999999999999999999"), false, 0},
        {"a float", tokens("1.5"), false, 0},
        {"a lone sign", tokens("+"), false, 0},
        {"two signs", tokens("+-5"), false, 0},
        {"text after the last number", tokens("5") + "\nend", false, 0},
        {"a zero byte", tokens("5") + std::string("\n\0", 2), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TEcsMap map;
        map.fill(-42);
        EXPECT_EQ(parseEcsText(c.text, map), c.loads);
        if (c.loads) {
            EXPECT_EQ(map[0], c.firstTag);
            for (int i = 1; i < ECS_CONTROLLER_COUNT; ++i) EXPECT_EQ(map[static_cast<std::size_t>(i)], 7);
        } else {
            for (const int tag : map) EXPECT_EQ(tag, -42) << "a refused file changed the map";
        }
    }
}

TEST(EcsFile, SavedTextIsOneDecimalLinePerController) {
    TEcsMap map{};
    map[0] = 5;
    map[1] = 1023;
    map[2] = -3;    // not a tag: saved as no binding
    map[3] = 1024;  // likewise
    const std::string text = formatEcsText(map);
    EXPECT_EQ(text.substr(0, 13), "5\n1023\n0\n0\n0\n");
    EXPECT_EQ(text.size(), 11 + 124 * 2u);
}

TEST(EcsFile, RoundTripThroughAFile) {
    const std::string path = testing::TempDir() + "/kolbri_ecs_round_trip.ecs";
    const TEcsMap saved = distinctMap();
    ASSERT_TRUE(writeEcsFile(path, saved));
    TEcsMap loaded{};
    ASSERT_TRUE(readEcsFile(path, loaded));
    EXPECT_EQ(loaded, saved);

    // A file padded beyond the size limit is refused even though its numbers are fine.
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << formatEcsText(saved) << std::string(ECS_FILE_MAX_BYTES, ' ');
    }
    TEcsMap untouched{};
    EXPECT_FALSE(readEcsFile(path, untouched));
    EXPECT_EQ(untouched, TEcsMap{});
    std::remove(path.c_str());
    EXPECT_FALSE(readEcsFile(path, untouched)) << "a missing file";
    EXPECT_FALSE(readEcsFile(testing::TempDir(), untouched)) << "a folder";
    EXPECT_EQ(untouched, TEcsMap{});
    EXPECT_FALSE(writeEcsFile(testing::TempDir() + "/no/such/folder/x.ecs", saved));
}

}  // namespace
