// Parameter tags have one home, engine/dsp/ParameterTags.h. A tag number
// written into a constant anywhere else is a second home that can drift from
// the first; this finds every such constant in the tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* const TAG_HOME = "engine/dsp/ParameterTags.h";
// This file's own examples are not constants.
const char* const SELF = "tests/layout/tag_constants_test.cpp";

// A name ending in _TAG or _TAGS given a number: "X_TAG = 27", "X_TAGS{27, ...}",
// "X_TAGS = {27, ...}". One given a name ("X_TAG = tag::FILTER_MODE") is a use.
bool definesTagNumber(const std::string& line) {
    static const std::regex numbered(R"(\b\w*_TAGS?\b\s*(=\s*\{?|\{)\s*-?[0-9])");
    return line.find("_TAG") != std::string::npos && std::regex_search(line, numbered);
}

// "file:line: text" for every such constant outside the tags' home.
std::vector<std::string> localTagConstants() {
    const fs::path root = KOLBRI_SOURCE_DIR;
    std::vector<std::string> found;
    for (const char* top : {"vst", "platform", "toolkit", "engine", "plugin", "controls", "editor", "tools", "bench",
                            "tests"}) {
        if (!fs::exists(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
            const std::string relative = fs::relative(entry.path(), root).generic_string();
            if (relative == TAG_HOME || relative == SELF) continue;
            std::ifstream file(entry.path());
            int number = 0;
            for (std::string line; std::getline(file, line);) {
                ++number;
                if (definesTagNumber(line)) found.push_back(relative + ":" + std::to_string(number) + ": " + line);
            }
        }
    }
    return found;
}

TEST(TagConstants, TheMatcherTellsNumbersFromNames) {
    const struct {
        const char* line;
        bool numbered;
    } cases[] = {
        {"constexpr int FILTER_MODE_TAG = 27;", true},
        {"constexpr int SOURCE_MODE_TAG = 10, SAMPLE_TAG = 19;", true},
        {"constexpr int A = tag::SAMPLE, SAMPLE_LOOP_MODE_TAG = 244;", true},
        {"    static constexpr kgui::int32 LENGTH_TAG = 87;  // the steps", true},
        {"constexpr std::array<int, 2> LFO_WAVE_TAGS = {39, 61};", true},
        {"inline constexpr std::array<int, 7> MOD_FX_MEMORY_TAGS{84, 85};", true},
        {"constexpr int GATOR_SPEED_TAG = tag::MOD_FX_1;", false},
        {"constexpr std::array<int, 2> LFO_WAVE_TAGS = {tag::MOVEMENT_WAVE, tag::FREE_LFO_WAVE};", false},
        {"    : CControl(rect, listener, NO_PARAM_TAG),", false},
        {"if (tag == PRESET_APPLY_TAG) continue;", false},
    };
    for (const auto& c : cases) EXPECT_EQ(definesTagNumber(c.line), c.numbered) << c.line;
}

TEST(TagConstants, NoTagNumberOutsideItsHome) {
    ASSERT_TRUE(fs::exists(fs::path(KOLBRI_SOURCE_DIR) / TAG_HOME)) << "the tree was not found";
    for (const std::string& constant : localTagConstants())
        ADD_FAILURE() << constant << "\n  name the tag in " << TAG_HOME << " and use that name";
}

}  // namespace
