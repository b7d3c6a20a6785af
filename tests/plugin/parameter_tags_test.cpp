// The names of the tag, destination, source and filter type headers against
// the lists the user sees: a name that says one parameter while its number is
// another's would make the code read right and act wrong.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "engine/ParameterModel.h"
#include "plugin/StringTables.h"

namespace {

// A display name as the headers spell it: capitals, a closing " On/Off"
// dropped, ">" read as "to" and "&" as "and", a first word that starts with a
// digit moved to the end, and each run of other characters one "_".
std::string constantName(std::string text) {
    const std::string onOff = " On/Off";
    if (text.size() > onOff.size() && text.compare(text.size() - onOff.size(), onOff.size(), onOff) == 0)
        text.resize(text.size() - onOff.size());
    std::vector<std::string> words;
    std::string word;
    const auto endWord = [&] {
        if (!word.empty()) words.push_back(word);
        word.clear();
    };
    for (const char c : text) {
        if (c == '>' || c == '&') {
            endWord();
            words.push_back(c == '>' ? "TO" : "AND");
        } else if (std::isalnum(static_cast<unsigned char>(c))) {
            word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        } else {
            endWord();
        }
    }
    endWord();
    if (!words.empty() && std::isdigit(static_cast<unsigned char>(words.front()[0]))) {
        words.push_back(words.front());
        words.erase(words.begin());
    }
    std::string name;
    for (const std::string& w : words) name += (name.empty() ? "" : "_") + w;
    return name;
}

// Every "constexpr int NAME = NUMBER;" inside "namespace <space> { ... }" of a
// header; a line there that is neither such a constant, a comment nor blank is
// listed under -1, so that no name escapes the check by its spelling.
std::map<int, std::vector<std::string>> constantsOf(const std::string& header, const std::string& space) {
    std::ifstream file(std::string(KOLBRI_SOURCE_DIR) + "/" + header);
    const std::regex constant(R"(^constexpr int (\w+) = (\d+);$)");
    std::map<int, std::vector<std::string>> found;
    bool inside = false;
    std::smatch match;
    for (std::string line; std::getline(file, line);) {
        if (line == "namespace " + space + " {") {
            inside = true;
        } else if (line.rfind("}  // namespace", 0) == 0) {
            inside = false;
        } else if (inside && std::regex_search(line, match, constant)) {
            found[std::stoi(match[2].str())].push_back(match[1].str());
        } else if (inside && !line.empty() && line.rfind("//", 0) != 0) {
            found[-1].push_back(line);
        }
    }
    return found;
}

TEST(ParameterTags, EveryNameIsItsDisplayNameAndEveryEntryHasOne) {
    const auto values = std::make_unique<TParameterValues>();
    const auto attributes = std::make_unique<TParameterAttributes>();
    initParameterModel(*attributes, *values);
    // Generated names of the hidden and spare slots end so; every other tag is a named parameter.
    const auto namedParameter = [&](int tag) {
        const std::string& name = attributes->paramName[static_cast<size_t>(tag)];
        return name.size() < 4 || name.compare(name.size() - 4, 4, " N/A") != 0;
    };
    const auto listed = [](const auto& list) {
        return [&list](int n) { return n >= 0 && n < static_cast<int>(list.size()); };
    };
    const auto entry = [](const auto& list) {
        return [&list](int n) { return list[static_cast<size_t>(n)]; };
    };
    const struct {
        const char* header;
        const char* space;
        int count;  // numbers 0..count-1 are looked at
        std::function<bool(int)> hasName;
        std::function<std::string(int)> displayName;
        const char* why;
    } cases[] = {
        {"engine/dsp/ParameterTags.h", "tag", PARAMETER_COUNT, namedParameter,
         [&](int tag) { return attributes->paramName[static_cast<size_t>(tag)]; }, "the parameter table"},
        {"engine/dsp/ParameterTags.h", "destination", MOD_DEST_COUNT, listed(DEST_STR), entry(DEST_STR),
         "the destination menus"},
        {"engine/dsp/ParameterTags.h", "source", MOD_SOURCE_COUNT, listed(SRC_STR), entry(SRC_STR),
         "the source menus"},
        {"engine/dsp/FilterTypes.h", "filtertype", static_cast<int>(FILTER_MODE_STR.size()), listed(FILTER_MODE_STR),
         entry(FILTER_MODE_STR), "the filter menu"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.space) + " against " + c.why);
        const auto constants = constantsOf(c.header, c.space);
        ASSERT_FALSE(constants.empty()) << c.header << " holds no namespace " << c.space;
        for (const auto& [number, names] : constants) {
            ASSERT_TRUE(number >= 0 && number < c.count && c.hasName(number))
                << names.front() << " (" << number << ") names nothing in the list";
            for (const std::string& name : names)
                EXPECT_EQ(name, constantName(c.displayName(number))) << "number " << number;
        }
        for (int number = 0; number < c.count; ++number) {
            if (c.hasName(number)) {
                EXPECT_TRUE(constants.count(number)) << "\"" << c.displayName(number) << "\" (" << number
                                                      << ") has no name in " << c.header;
            }
        }
    }
}

TEST(ParameterTags, TheNamingRuleSpellsAsTheHeadersDo) {
    const struct {
        const char* display;
        const char* constant;
    } cases[] = {
        {"Filter Mode", "FILTER_MODE"},
        {"Velocity > Filter Frequency", "VELOCITY_TO_FILTER_FREQUENCY"},
        {"Ribbon BiPolar On/Off", "RIBBON_BIPOLAR"},
        {"Pre / Post-Filter Distortion", "PRE_POST_FILTER_DISTORTION"},
        {"Mod FX S&H", "MOD_FX_S_AND_H"},
        {"2 UniPolar Alternate", "UNIPOLAR_ALTERNATE_2"},
        {"12dB Zero Low/Band/High Pass", "ZERO_LOW_BAND_HIGH_PASS_12DB"},
        {"CC 2 (Breath)", "CC_2_BREATH"},
    };
    for (const auto& c : cases) EXPECT_EQ(constantName(c.display), c.constant) << c.display;
}

}  // namespace
