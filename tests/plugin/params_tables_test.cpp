// The string tables and the parameter table's
// attributes, checked against the design's listings.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ParameterTable.h"
#include "plugin/StringTables.h"
#include "plugin/uPlugin.h"
#include "plugin_test_access.h"

namespace {

// The stored reference texts, without their comment lines.
std::vector<std::string> referenceLines(const std::string& file) {
    std::ifstream in(std::string(KOLBRI_TEST_DATA_DIR) + "/params/" + file);
    EXPECT_TRUE(in) << "missing " << file;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (line.empty() || line[0] != '#') lines.push_back(line);
    while (!lines.empty() && lines.front().empty()) lines.erase(lines.begin());
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

// Lines compared one by one, at most 20 differences reported.
void expectSameLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected,
                     const std::string& what) {
    int differences = 0;
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const std::string a = i < actual.size() ? actual[i] : "(nothing)";
        const std::string e = i < expected.size() ? expected[i] : "(nothing)";
        if (a != e && ++differences <= 20) ADD_FAILURE() << what << ", line " << i + 1 << "\n  stored: " << e << "\n  now:    " << a;
    }
    EXPECT_EQ(differences, 0) << what;
}

struct EntryCase {
    const std::string& actual;
    const char* expected;
    const char* why;
};

// Entries that a rule generates, or whose exact spelling (spaces, odd
// capitals, historic typos) is easy to lose.
TEST(ParamsStringTables, EntriesThatAreEasyToGetWrong) {
    const EntryCase cases[] = {
        {SAMPLE_STR[0], "FX Percussive 01", "numbers have two digits"},
        {SAMPLE_STR[98], "FX Percussive 99", "last percussive sample"},
        {SAMPLE_STR[99], "Instrument 01", "second group starts at 99"},
        {SAMPLE_STR[114], "Instrument 16", "end of the instruments"},
        {SAMPLE_STR[115], "FX Loop 01", "loops start at 115"},
        {SAMPLE_STR[140], "Vox 01", "voices start at 140"},
        {SAMPLE_STR[170], "Cymbal 01", "cymbals start at 170"},
        {SAMPLE_STR[193], "Cymbal 24", "last built-in sample"},
        {SAMPLE_STR[194], "User", "the user's own sample"},
        {MIDI_IN_CHANNEL_STR[0], "Omni", "all channels"},
        {MIDI_IN_CHANNEL_STR[1], "CH 01", "two-digit channel"},
        {MIDI_IN_CHANNEL_STR[16], "CH 16", "last channel"},
        {SRC_SHORT_STR[19], "CC2 ", "trailing space is part of the text"},
        {MOD_FX_VAR_SHORT_STR[42], "Mod FX Ring ", "trailing space is part of the text"},
        {MOD_FX_VAR_SHORT_STR[37], "Mod FX Autopan", "lower-case p in the amount"},
        {MOD_FX_VAR_STR[48], "Mod FX Gator L", "Gator mode, variable 4"},
        {MOD_FX_VAR_STR[44], "Mod FX Ring Mod Low Pass Frequency", "longest variable name"},
        {LFO_PERIOD_STR[0], "Off", "no period"},
        {LFO_PERIOD_STR[1], "32/1* QB", "dotted first"},
        {LFO_PERIOD_STR[31], "1/32* QB", "dotted 1/32"},
        {LFO_PERIOD_STR[32], "1/32", "plain 1/32 has no unit"},
        {LFO_PERIOD_STR[33], "1/32T QB", "triplet last"},
        {GATER_PERIOD_STR[1], "16/1* QB", "Gator periods start at 16/1"},
        {GATER_PERIOD_STR[17], "1/2 QB", "plain half"},
        {GATER_PERIOD_STR[33], "1/64T QB", "Gator periods end at 1/64 triplet"},
        {DELAY_LEN_STR[0], "1/32T QB", "delays run triplet, plain, dotted"},
        {DELAY_LEN_STR[10], "1/4 QB", "plain quarter"},
        {DELAY_LEN_STR[14], "1/2* QB", "dotted half last"},
        {RIBBON_SPRING_TIME_STR[1], "Instant", "second spring entry"},
        {RIBBON_SPRING_TIME_STR[2], "1/32T QB", "then note values"},
        {RIBBON_SPRING_TIME_STR[16], "1/2* QB", "dotted half"},
        {RIBBON_SPRING_TIME_STR[17], "1 QB", "one beat last"},
        {GATER_LEN_STR[8], "9 Step", "singular as stored"},
        {GATER_LEN_STR[9], "10 Steps", "plural again"},
        {PRESET_SUB_HEADER_STR[7], "Preset 225 - 256", "spaces round the last dash"},
        {DEST_STR[57], "Mod FX S&H", "long form is the short one"},
        {DEST_SHORT_STR[57], "Mod FX Sample and Hold", "short form is the long one"},
        {SRC_SHORT_STR[6], "Centre Note", "British spelling in the short form"},
        {SRC_STR[6], "Center Note", "American spelling in the long form"},
        {FILTER_MODE_STR[12], "12dB Zero Low/Band/High Pass", "longest filter name"},
        {FILTER_MODE_STR[34], "Amp Modulation", "last filter type"},
        {FILTER_DISTORT_TYPE_STR[15], "Valve", "last distortion"},
        {MOVE_SNAP_STR[1], "02", "leading zero"},
        {PITCH_BEND_STR[13], "24", "ranges jump after 12"},
        {REG_SCREEN_SIZE[2], "Big150", "preference key of 150%"},
        {REG_GATER_DISPLAY_POS_STR, "DisplayGaterPos", "preference key"},
        {REG_MIDI_IN_CHANNEL_STR, "MIDIChannel", "preference key"},
        {REG_DIAL_ANIMATION_STR, "Animation", "preference key"},
        {DONT_WRITE_FILE_NAME_STR, "DONT_WRITE_FILE_NAME", "single text"},
    };
    for (const EntryCase& c : cases) EXPECT_EQ(c.actual, c.expected) << c.why;
}

// A table written with too few entries compiles (the rest are empty strings);
// only the three blank Gator captions may be empty. `names` lists the tables
// as written, separated by commas.
template <typename... Tables>
void expectNoEmptyEntry(std::string names, const Tables&... tables) {
    std::size_t start = 0;
    const auto check = [&](const auto& table) {
        const std::size_t end = names.find(',', start);
        const std::string name = names.substr(start, end - start);
        start = end + 2;
        for (std::size_t i = 0; i < table.size(); ++i) EXPECT_FALSE(table[i].empty()) << name << "[" << i << "]";
    };
    (check(tables), ...);
}
#define EXPECT_NO_EMPTY_ENTRY(...) expectNoEmptyEntry(#__VA_ARGS__, __VA_ARGS__)

TEST(ParamsStringTables, EveryEntryIsFilled) {
    EXPECT_NO_EMPTY_ENTRY(REG_SCREEN_SIZE, SET_SCREEN_SIZE_STR, SCREEN_SIZE_STR, SCREEN_SIZE_SHORT_STR,
                          MIDI_IN_CHANNEL_STR, OFF_ON_STR, PRESET_SUB_HEADER_STR, PRESET_COMMAND_STR, PLAY_MODE_STR,
                          PORT_MODE_STR, PITCH_BEND_STR, SOURCE_MODE_STR, NOISE_STR, WAVE_STR, SAMPLE_LOOP_MODE_STR,
                          SAMPLE_SUB_STR, SAMPLE_STR, FILTER_MODE_STR, FILTER_MODE_SUB_STR, FILTER_VOWEL_STR,
                          FILTER_MULTI_1_STR, FILTER_MULTI_2_STR, FILTER_DISTORT_TYPE_STR, FX_PATH_STR,
                          MOD_FX_MODE_STR, MOD_FX_VAR_STR, MOD_FX_VAR_SHORT_STR, GATER_LEN_STR, GATER_PERIOD_STR,
                          DELAY_LEN_STR, LFO_WAVE_STR, LFO_MODE_STR, PAN_MOVE_MODE_STR, MOVE_SNAP_STR, LOCK_STR,
                          LFO_PERIOD_STR, RIBBON_QUANT_STR, RIBBON_SPRING_TIME_STR, SRC_SUB_STR, SRC_STR,
                          SRC_SHORT_STR, DEST_SUB_STR, DEST_STR, DEST_SHORT_STR);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(MOD_FX_LABEL_STR[i].empty(), i >= 47) << "MOD_FX_LABEL_STR[" << i << "]";
}

// Every entry of every table and every single text, against the stored
// listing (tests/data/params/string_tables.txt). An entry stored as ? is one
// whose text the listing leaves to the system; it must not be empty.
TEST(ParamsStringTables, EveryEntryMatchesTheStoredListing) {
    struct Listed {
        bool single;
        std::vector<std::string> texts;
    };
#define TABLE(t) {#t, {false, std::vector<std::string>(t.begin(), t.end())}}
#define SINGLE(t) {#t, {true, {t}}}
    const std::map<std::string, Listed> code = {
        SINGLE(REG_PRESET_WARNING_STR), SINGLE(REG_MIDI_PRESET_STR), SINGLE(REG_MIDI_BANK_STR),
        SINGLE(REG_MIDI_CAPTURE_STR), SINGLE(REG_MIDI_IN_CHANNEL_STR), SINGLE(REG_MIDI_SPRING_CHANNEL_STR),
        SINGLE(REG_KEYBOARD_STR), SINGLE(REG_DRAG_AND_DROP_STR), SINGLE(REG_TOOL_TIP_STR),
        SINGLE(REG_DIAL_ANIMATION_STR), SINGLE(REG_OUTPUT_DISPLAY_STR), SINGLE(REG_OUTPUT_DISPLAY_SPEED_STR),
        SINGLE(REG_MOVE_DISPLAY_POS_STR), SINGLE(REG_MOVE_DISPLAY_MID_STR), SINGLE(REG_MOVE_DISPLAY_PAN_STR),
        SINGLE(REG_GATER_DISPLAY_POS_STR), SINGLE(BAD_FOLDER_NAME_STR), SINGLE(BAD_PRESET_NAME_STR),
        SINGLE(DONT_WRITE_FILE_NAME_STR),
        TABLE(REG_SCREEN_SIZE), TABLE(SET_SCREEN_SIZE_STR), TABLE(SCREEN_SIZE_STR), TABLE(SCREEN_SIZE_SHORT_STR),
        TABLE(MIDI_IN_CHANNEL_STR), TABLE(OFF_ON_STR), TABLE(PRESET_SUB_HEADER_STR), TABLE(PRESET_COMMAND_STR),
        TABLE(PLAY_MODE_STR), TABLE(PORT_MODE_STR), TABLE(PITCH_BEND_STR), TABLE(SOURCE_MODE_STR), TABLE(NOISE_STR),
        TABLE(WAVE_STR), TABLE(SAMPLE_LOOP_MODE_STR), TABLE(SAMPLE_SUB_STR), TABLE(SAMPLE_STR),
        TABLE(FILTER_MODE_STR), TABLE(FILTER_MODE_SUB_STR), TABLE(FILTER_VOWEL_STR), TABLE(FILTER_MULTI_1_STR),
        TABLE(FILTER_MULTI_2_STR), TABLE(FILTER_DISTORT_TYPE_STR), TABLE(FX_PATH_STR), TABLE(MOD_FX_MODE_STR),
        TABLE(MOD_FX_VAR_STR), TABLE(MOD_FX_VAR_SHORT_STR), TABLE(MOD_FX_LABEL_STR), TABLE(GATER_LEN_STR),
        TABLE(GATER_PERIOD_STR), TABLE(DELAY_LEN_STR), TABLE(LFO_WAVE_STR), TABLE(LFO_MODE_STR),
        TABLE(PAN_MOVE_MODE_STR), TABLE(MOVE_SNAP_STR), TABLE(LOCK_STR), TABLE(LFO_PERIOD_STR),
        TABLE(RIBBON_QUANT_STR), TABLE(RIBBON_SPRING_TIME_STR), TABLE(SRC_SUB_STR), TABLE(SRC_STR),
        TABLE(SRC_SHORT_STR), TABLE(DEST_SUB_STR), TABLE(DEST_STR), TABLE(DEST_SHORT_STR),
    };
#undef TABLE
#undef SINGLE
    EXPECT_EQ(code.size(), 64u) << "45 tables and 19 single texts";

    // The stored listing, section by section.
    std::map<std::string, std::vector<std::string>> stored;
    std::string section;
    for (const std::string& line : referenceLines("string_tables.txt")) {
        if (line.empty()) continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            EXPECT_EQ(stored.count(section), 0u) << section << " is listed twice";
        }
        stored[section].push_back(line);
    }
    std::set<std::string> storedNames, codeNames;
    for (const auto& [name, lines] : stored) storedNames.insert(name);
    for (const auto& [name, listed] : code) codeNames.insert(name);
    EXPECT_EQ(codeNames, storedNames);

    for (const auto& [name, listed] : code) {
        std::vector<std::string> lines;
        if (listed.single) {
            lines = {"[" + name + "]", "\"" + listed.texts[0] + "\""};
        } else {
            lines.push_back("[" + name + "] " + std::to_string(listed.texts.size()));
            for (std::size_t i = 0; i < listed.texts.size(); ++i)
                lines.push_back(std::to_string(i) + "\t\"" + listed.texts[i] + "\"");
        }
        std::vector<std::string> expected = stored[name];
        for (std::size_t i = 0; i < expected.size() && i < lines.size(); ++i)
            if (expected[i].ends_with("\t?")) {
                EXPECT_NE(lines[i], expected[i].substr(0, expected[i].size() - 1) + "\"\"") << name << ": " << lines[i];
                expected[i] = lines[i];
            }
        expectSameLines(lines, expected, name);
    }
}

TEST(ParamsStringTables, MenuSeparatorsAndScreenSizeCommands) {
    for (int i = 0; i < 24; ++i) {
        const bool separator = i == 10 || i == 16 || i == 19;
        EXPECT_EQ(PRESET_COMMAND_STR[i] == "-", separator) << "entry " << i;
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(PRESET_COMMAND_STR[20 + i], SET_SCREEN_SIZE_STR[i]);
}

// The 24 effect orders are the permutations of the four effects in
// lexicographic order of their positions, written "A > B > C > D".
TEST(ParamsStringTables, EffectOrdersInLexicographicOrder) {
    const char* effects[4] = {"Low-Fi", "Mod FX", "Delay", "Reverb"};
    int order[4] = {0, 1, 2, 3};
    for (int i = 0; i < 24; ++i, std::next_permutation(order, order + 4)) {
        const std::string expected = std::string(effects[order[0]]) + " > " + effects[order[1]] + " > " +
                                     effects[order[2]] + " > " + effects[order[3]];
        EXPECT_EQ(FX_PATH_STR[i], expected) << "order " << i;
    }
    EXPECT_EQ(FX_PATH_STR[23], "Reverb > Delay > Mod FX > Low-Fi");
}

// ---------------------------------------------------------------- parameter table

TEST(ParamsTable, GeneratedNamesAndAttributes) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    const TParameterAttributes& a = plugin->parameterAttributes();
    const struct {
        int tag;
        const char* name;
        float steppedRange;
    } cases[] = {
        {0, "NONE", -1.0f},
        {243, "Unused Parameter 244 N/A", 1.0f},
        {315, "Unused Parameter 316 N/A", 1.0f},
        {1000, "Unused Parameter 1001 N/A", 1.0f},
        {1023, "Unused Parameter 1024 N/A", 1.0f},
        {128, "Preset Parameter 129 N/A", -1.0f},
        {242, "Preset Parameter 243 N/A", -1.0f},
        {251, "Sample Parameter 1 N/A", -1.0f},
        {314, "Sample Parameter 64 N/A", -1.0f},
        {960, "Tuning Name Parameter 961 N/A", -1.0f},
        {999, "Tuning Name Parameter 1000 N/A", -1.0f},
        {107, "Modulation Slot 1 Bypass On/Off", -1.0f},
        {114, "Modulation Slot 4 Source", 199.99f},
        {117, "Modulation Slot 3 Destination", 199.99f},
        {120, "Modulation Slot 2 Amount", -1.0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(a.paramName[c.tag], c.name) << "tag " << c.tag;
        EXPECT_FLOAT_EQ(a.steppedRange[c.tag], c.steppedRange) << "tag " << c.tag;
    }
    for (int tag : {0, 243, 128, 251, 960, 1023}) {
        EXPECT_EQ(a.paramType[tag], 16) << "tag " << tag;
        EXPECT_EQ(a.steppedNum[tag], -1) << "tag " << tag;
        EXPECT_FALSE(a.isOnOff[tag]) << "tag " << tag;
        EXPECT_EQ(a.tagDest[tag], 0) << "tag " << tag;
    }
    for (int slot = 1; slot <= 4; ++slot) {
        EXPECT_TRUE(a.isOnOff[106 + slot]);
        EXPECT_EQ(a.steppedNum[110 + slot], 63) << "a source per SRC_STR entry";
        EXPECT_EQ(a.steppedNum[114 + slot], 126) << "a destination per DEST_STR entry";
        EXPECT_EQ(a.tagDest[118 + slot], 118 + slot);
        EXPECT_EQ(DEST_STR[a.tagDest[118 + slot]], "Mod Slot Amount " + std::to_string(slot));
        EXPECT_EQ(a.paramType[118 + slot], 15);
    }
}

// Every attribute of every tag, the destination kinds and the bipolar
// sources, against the stored table (tests/data/params/attribute_table.txt).
// Numbers are written as the shortest text that reads back as the same float.
TEST(ParamsTable, EveryAttributeMatchesTheStoredTable) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    const TParameterAttributes& a = plugin->parameterAttributes();
    auto number = [](float value) {
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, value);
        return std::string(text, result.ptr);
    };
    auto yesNo = [](bool value) { return std::string(value ? "yes" : "no"); };
    std::vector<std::string> lines;
    for (int tag = 0; tag < 1024; ++tag) {
        std::ostringstream line;
        line << tag << "\t\"" << a.paramName[tag] << "\"\t" << a.paramType[tag] << "\t" << number(a.defaultValue[tag])
             << "\t" << a.steppedNum[tag] << "\t" << number(a.steppedRange[tag]) << "\t" << yesNo(a.isOnOff[tag]) << "\t"
             << a.tagDest[tag] << "\t" << number(a.zeroValue[tag]) << "\t" << yesNo(a.hasControl[tag]);
        lines.push_back(line.str());
    }
    lines.emplace_back();
    for (int dest = 0; dest < 126; ++dest)
        lines.push_back("dest\t" + std::to_string(dest) + "\t" + std::to_string(a.destType[dest]));
    lines.emplace_back();
    for (int source = 0; source < 126; ++source)
        lines.push_back("bipolar\t" + std::to_string(source) + "\t" + yesNo(a.srcIsBipolar[source]));
    expectSameLines(lines, referenceLines("attribute_table.txt"), "the parameter table");
}

TEST(ParamsTable, AttributesTheDesignSingsOut) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    const TParameterAttributes& a = plugin->parameterAttributes();
    EXPECT_FLOAT_EQ(a.defaultValue[1], 0.6872f);
    EXPECT_FLOAT_EQ(a.zeroValue[1], 0.75f) << "Main Volume zeroes to 0 dB";
    EXPECT_FLOAT_EQ(a.zeroValue[3], 0.5f) << "Pan zeroes to its default";
    EXPECT_TRUE(a.isOnOff[34]) << "Pre / Post-Filter Distortion is a switch";
    EXPECT_EQ(a.paramType[34], 0) << "with a text of its own";
    EXPECT_FLOAT_EQ(a.defaultValue[64], 1.0f);
    EXPECT_FLOAT_EQ(a.zeroValue[64], 0.0f) << "Free LFO Tempo Sync: default on, zero off";
    EXPECT_EQ(a.tagDest[14], 10);
    EXPECT_EQ(a.tagDest[15], 10) << "Noise Mix and Wave Mix feed the same destination";
    for (int tag : {246, 247, 248, 123}) EXPECT_EQ(a.tagDest[tag], 125) << "tag " << tag;
    EXPECT_EQ(a.tagDest[957], 94);
    EXPECT_EQ(a.tagDest[127], 95);
    EXPECT_EQ(a.steppedNum[19], 195);
    EXPECT_FLOAT_EQ(a.steppedRange[19], 199.99f);
    EXPECT_FLOAT_EQ(a.defaultValue[125], 0.839355f);

    // The editor follows exactly the tags it has controls for.
    std::set<int> controlled;
    for (int tag = 0; tag < 1024; ++tag)
        if (a.hasControl[tag]) controlled.insert(tag);
    std::set<int> expected;
    for (int tag = 1; tag <= 126; ++tag) expected.insert(tag);
    for (int tag = 244; tag <= 250; ++tag) expected.insert(tag);
    for (int tag : {958, 959, 1017, 1018, 1019}) expected.insert(tag);
    EXPECT_EQ(controlled, expected);

    // Modulation kinds and bipolar sources.
    for (int dest = 0; dest < 126; ++dest) {
        int kind = 1;
        if (dest == 1 || dest == 21) kind = 5;
        if (dest == 6 || dest == 81 || dest == 105 || dest == 123) kind = 2;
        if (dest == 8 || dest == 24) kind = 3;
        if (dest == 7) kind = 4;
        EXPECT_EQ(a.destType[dest], kind) << DEST_STR[dest];
    }
    const std::set<int> bipolar = {6, 7, 9, 11, 13, 15, 18, 47, 49, 50, 51, 52, 53, 54, 55, 56, 58};
    for (int source = 0; source < 126; ++source)
        EXPECT_EQ(a.srcIsBipolar[source], bipolar.count(source) == 1) << "source " << source;
}

TEST(ParamsTable, SetParameterVarsRefusesInvalidTagsAndDefaultsNegativeZeros) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    const std::vector<std::string> namesBefore(TPluginTestAccess::attr(*plugin).paramName.begin(), TPluginTestAccess::attr(*plugin).paramName.end());
    const auto defaultsBefore = TPluginTestAccess::attr(*plugin).defaultValue;
    plugin->setParameterVars(1024, 0.3f, true, 2.0f, 2, 5, 1, "bad", 0.1f);
    plugin->setParameterVars(-1, 0.3f, true, 2.0f, 2, 5, 1, "bad", 0.1f);
    EXPECT_EQ(std::vector<std::string>(TPluginTestAccess::attr(*plugin).paramName.begin(), TPluginTestAccess::attr(*plugin).paramName.end()), namesBefore);
    EXPECT_EQ(TPluginTestAccess::attr(*plugin).defaultValue, defaultsBefore);

    plugin->setParameterVars(500, 0.3f, false, -1.0f, -1, 0, 2, "probe", -1.0f);
    EXPECT_FLOAT_EQ(TPluginTestAccess::attr(*plugin).zeroValue[500], 0.3f) << "a negative zero value takes the default";
    EXPECT_EQ(TPluginTestAccess::attr(*plugin).paramName[500], "probe");
}

// Every stepped parameter's steps fit the table its text is read from; only
// Movement Wave uses fewer entries than its table has.
TEST(ParamsTable, StepCountsMatchTheirTables) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    const struct {
        int tag;
        std::size_t tableSize;
    } cases[] = {
        {5, PLAY_MODE_STR.size()},      {6, PORT_MODE_STR.size()},         {8, PITCH_BEND_STR.size()},
        {9, PITCH_BEND_STR.size()},     {10, SOURCE_MODE_STR.size()},      {19, SAMPLE_STR.size()},
        {27, FILTER_MODE_STR.size()},   {32, FILTER_DISTORT_TYPE_STR.size()}, {39, LFO_WAVE_STR.size()},
        {49, SRC_STR.size()},           {54, PAN_MOVE_MODE_STR.size()},    {59, DEST_STR.size()},
        {61, LFO_WAVE_STR.size()},      {62, LFO_MODE_STR.size()},         {75, FX_PATH_STR.size()},
        {82, MOD_FX_MODE_STR.size()},   {111, SRC_STR.size()},             {115, DEST_STR.size()},
        {125, RIBBON_SPRING_TIME_STR.size()}, {126, RIBBON_QUANT_STR.size()}, {244, SAMPLE_LOOP_MODE_STR.size()},
        {958, MOVE_SNAP_STR.size()},
    };
    for (const auto& c : cases) {
        EXPECT_GE(TPluginTestAccess::attr(*plugin).steppedNum[c.tag], 2) << TPluginTestAccess::attr(*plugin).paramName[c.tag];
        EXPECT_LE(static_cast<std::size_t>(TPluginTestAccess::attr(*plugin).steppedNum[c.tag]), c.tableSize) << TPluginTestAccess::attr(*plugin).paramName[c.tag];
    }
    EXPECT_EQ(TPluginTestAccess::attr(*plugin).steppedNum[39], 4) << "Movement offers the first four LFO waves";
}

}  // namespace
