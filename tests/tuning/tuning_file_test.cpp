// The tuning file reader, the tuning name and its checks, on text and on
// real files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>

#include "engine/TuningFile.h"

namespace {

struct Pitch {
    int note;
    float semitones;
};

TTuningTable identityWith(std::initializer_list<Pitch> pitches) {
    TTuningTable table = TTuningTable::identity();
    for (const Pitch& p : pitches) table.tuningTable[static_cast<std::size_t>(p.note)] = p.semitones;
    return table;
}

void expectTable(const TTuningTable& got, const TTuningTable& expected) {
    for (int note = 0; note < TUNING_NOTE_COUNT; ++note)
        EXPECT_NEAR(got.tuningTable[static_cast<std::size_t>(note)], expected.tuningTable[static_cast<std::size_t>(note)],
                    1e-5f)
            << "note " << note;
}

std::string lines(int count, const std::string& line) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line;
    return text;
}

struct ParseCase {
    const char* why;
    std::string text;
    bool sectionFound;
    TTuningTable table;
};

TEST(TuningFile, SectionsEntriesAndBadLines) {
    const ParseCase cases[] = {
        {"note 69 at 6900 cents keeps its standard pitch", "[Tuning]\nnote 69=6900\n", true, identityWith({})},
        {"cents become semitones", "[Tuning]\nnote 60=6050\nnote 61 = 6125.5\n", true,
         identityWith({{60, 60.5f}, {61, 61.255f}})},
        {"an exact section after a plain one wins", "[Tuning]\nnote 1=120\n;\n[Exact Tuning]\nnote 1=150.5\n", true,
         identityWith({{1, 1.505f}})},
        {"an exact section before a plain one wins", "[Exact Tuning]\nnote 1=150\n; end\n[Tuning]\nnote 2=260\n",
         true, identityWith({{1, 1.5f}})},
        {"another header does not end a section", "[Exact Tuning]\nnote 1=150\n[Tuning]\nnote 2=260\n", true,
         identityWith({{1, 1.5f}, {2, 2.6f}})},
        {"a ';' line ends the section", "[Tuning]\nnote 1=150\n; comment\nnote 2=250\n", true,
         identityWith({{1, 1.5f}})},
        {"';' right after the header: empty but found", "[Tuning]\n;\nnote 5=900\n", true, identityWith({})},
        {"no header: nothing found", "note 5=900\n", false, identityWith({})},
        {"empty text", "", false, identityWith({})},
        {"entries before the header are not in it", "note 5=900\n[Tuning]\n", true, identityWith({})},
        {"the later of two headers starts the section", "[Tuning]\nnote 3=350\n;\n[Tuning]\nnote 4=450\n", true,
         identityWith({{4, 4.5f}})},
        {"only five characters name a header", "[Exactly so]\nnote 5=510\n", true, identityWith({{5, 5.1f}})},
        {"a header must start its line", " [Tuning]\nnote 5=510\n", false, identityWith({})},
        {"a later entry for a note wins", "[Tuning]\nnote 1=110\nnote 1=130\n", true, identityWith({{1, 1.3f}})},
        {"notes 0 and 127 are the ends", "[Tuning]\nnote 0=-50\nnote 127=12800\n", true,
         identityWith({{0, -0.5f}, {127, 128.0f}})},
        {"notes outside 0..127 are dropped", "[Tuning]\nnote 128=0\nnote -1=0\nnote 99999999999=0\n", true,
         identityWith({})},
        {"without '=' or with an empty side", "[Tuning]\nnote 5 500\nnote 6=\nnote =700\nnote 8=   \n", true,
         identityWith({})},
        {"every '=' is skipped", "[Tuning]\nnote 5==700\nnote 6=800=900\n", true, identityWith({{5, 7.0f}, {6, 8.0f}})},
        {"blanks, signs and CRLF around the numbers", "[Tuning]\r\nnote  +7 = +750 \r\nnote 8=\t-50\r\n", true,
         identityWith({{7, 7.5f}, {8, -0.5f}})},
        {"text after the numbers is not read", "[Tuning]\nnote 9x=950 cents\n", true, identityWith({{9, 9.5f}})},
        {"the word is case-sensitive", "[Tuning]\nNote 5=550\n", true, identityWith({})},
        {"a side that is not a number", "[Tuning]\nnote abc=500\nnote 5=abc\n", true, identityWith({})},
        {"a bare word at the end of the text is not read past", "[Tuning]\nnote", true, identityWith({})},
        {"a bare word on its own line", "[Tuning]\nnote\nnote5=500\n", true, identityWith({})},
        {"non-finite cents are dropped", "[Tuning]\nnote 1=inf\nnote 2=nan\nnote 3=1e999\nnote 4=-infinity\n", true,
         identityWith({})},
        {"huge finite cents are clamped", "[Tuning]\nnote 1=1e30\nnote 2=-1e30\n", true,
         identityWith({{1, 256.0f}, {2, -128.0f}})},
        {"a zero byte ends the line", std::string("[Tuning]\nnote 5\0=550\nnote 6=6\0" "50\n", 33), true,
         identityWith({{6, 0.06f}})},
        {"a long line arrives in pieces: one may start an entry",
         "[Tuning]\n" + std::string(127, ' ') + "note 7=750\n", true, identityWith({{7, 7.5f}})},
        {"a long line arrives in pieces: one may end the section",
         "[Tuning]\n" + std::string(127, 'x') + ";tail\nnote 5=550\n", true, identityWith({})},
        {"the 512th line is read", "[Tuning]\n" + lines(510, "x\n") + "note 9=950\n", true, identityWith({{9, 9.5f}})},
        {"the 513th line is not", "[Tuning]\n" + lines(511, "x\n") + "note 9=950\n", true, identityWith({})},
        {"a header beyond the line limit is not seen", lines(512, "\n") + "[Tuning]\n", false, identityWith({})},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.why);
        const TTuningFileResult result = parseTuningText(c.text);
        EXPECT_EQ(result.sectionFound, c.sectionFound);
        expectTable(result.table, c.table);
    }
}

TEST(TuningFile, ReadsFilesAndRefusesWhatIsNotOne) {
    const std::string folder = testing::TempDir();
    const std::string path = folder + "/kolbri_tuning_read_test.tun";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "; a comment before the section\n[Exact Tuning]\nnote 60=6010\n";
    }
    TTuningFileResult result = readTuningFile(path);
    EXPECT_TRUE(result.sectionFound);
    expectTable(result.table, identityWith({{60, 60.1f}}));
    std::remove(path.c_str());

    result = readTuningFile(path);
    EXPECT_FALSE(result.sectionFound) << "a missing file";
    expectTable(result.table, identityWith({}));
    EXPECT_FALSE(readTuningFile(folder).sectionFound) << "a folder";
    EXPECT_FALSE(readTuningFile("/dev/zero").sectionFound) << "an endless device";
}

TEST(TuningName, RefusesNamesThatLeaveTheFolder) {
    const std::pair<const char*, bool> cases[] = {
        {"Just 12", true},
        {"19-EDO.v2", true},
        {"\xC3\xA9quale", true},  // UTF-8 passes
        {"", false},
        {"../escape", false},
        {".hidden", false},
        {"..", false},
        {"sub/name", false},
        {"/etc/passwd", false},
        {"back\\slash", false},
        {"tab\tname", false},
        {"line\nbreak", false},
        {"delete\x7f", false},
    };
    for (const auto& [name, safe] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(isSafeTuningName(name), safe);
        EXPECT_EQ(tuningFilePath("/home/u/Tuning", name), safe ? "/home/u/Tuning/" + std::string(name) + ".tun" : "");
    }
}

TEST(TuningName, SpelledIntoParametersAndReadBack) {
    const std::string longName(50, 'L');
    const std::pair<std::string, std::string> cases[] = {
        {"Werckmeister III", "Werckmeister III"},
        {"a", "a"},
        {"", ""},
        {longName, longName.substr(0, TUNING_NAME_LIMIT)},
        {"caf\xC3\xA9 tuning", "caf"},  // a byte above 127 is stored as 0
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        const auto values = spellTuningName(name);
        for (const float v : values) EXPECT_TRUE(v >= 0.0f && v <= 1.0f);
        EXPECT_EQ(values[TUNING_NAME_LIMIT], spellTuningName("")[0]) << "the last slot stays empty";
        EXPECT_EQ(readTuningName(values), expected);
    }

    // The values a host saves: every slot is a character, character 0 past the
    // name's end; a byte above 127 falls to 0 and the characters after it stay.
    const float empty = 0.5f / 255.99f;
    const struct {
        std::string name;
        int slot;
        float value;
        const char* why;
    } slots[] = {
        {"ab", 0, 97.5f / 255.99f, "a character"},
        {"ab", 2, empty, "the first slot past the end"},
        {"ab", TUNING_NAME_LIMIT, empty, "the last slot"},
        {"", 0, empty, "no name at all"},
        {"a\xE9z", 1, 0.0f, "a byte above 127"},
        {"a\xE9z", 2, 122.5f / 255.99f, "the character after it"},
    };
    for (const auto& s : slots)
        EXPECT_FLOAT_EQ(spellTuningName(s.name)[static_cast<std::size_t>(s.slot)], s.value) << s.why;

    // Values from a host: NaN and out-of-range values do not crash or invent text.
    std::array<float, TUNING_NAME_SLOTS> values = spellTuningName("ab");
    values[1] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(readTuningName(values), "a");
    values.fill(7.0f);
    EXPECT_EQ(readTuningName(values), std::string(TUNING_NAME_SLOTS, '\xFF')) << "all 40 slots can hold a character";
    values.fill(-1.0f);
    EXPECT_EQ(readTuningName(values), "");
}

}  // namespace
