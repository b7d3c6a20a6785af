// The program bank's text and its generator: what a bad bank is refused for,
// and that a program survives the trip to text and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/ParameterTable.h"
#include "engine/dsp/ParameterTags.h"
#include "plugin/BuiltinPrograms.h"
#include "tools/programbank/ProgramBank.h"
#include "tools/testhost/TestHost.h"

using programbank::TProgramText;

namespace {

std::string bankText() {
    std::ifstream in(KOLBRI_SOURCE_DIR "/plugin/programs/bank.txt", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<TProgramText> readBank() {
    std::vector<TProgramText> programs;
    std::string error;
    EXPECT_TRUE(programbank::readBankText(bankText(), "bank.txt", programs, error)) << error;
    return programs;
}

// 70 programs that pass every check: eight names before "Default", the rest after.
std::string validBank() {
    std::string text;
    for (int i = 0; i < 8; ++i) text += "[A" + std::to_string(i) + "]\nPan = 0.25\n";
    text += "[Default]\n";
    for (int i = 10; i < 71; ++i) text += "[E" + std::to_string(i) + "]\nFilter Mode = \"Vocal\"\n";
    return text;
}

std::string readError(const std::string& text) {
    std::vector<TProgramText> programs;
    std::string error;
    if (!programbank::readBankText(text, "t.txt", programs, error)) return error;
    if (!programbank::checkBank(programs, error)) return error;
    return "";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(ProgramBankText, BadTextIsRefusedWithItsPlace) {
    ASSERT_EQ(readError(validBank()), "") << "the base case is a good bank";
    struct Case {
        std::string text;
        std::string message;  // a part of the refusal
        const char* why;
    } cases[] = {
        {"[P]\nPann = 0.5\n", "t.txt:2: no parameter is called \"Pann\"", "a misspelt name"},
        {"[P]\nPan = 1.5\n", "outside 0..1", "a value above the range"},
        {"[P]\nPan = -0.1\n", "outside 0..1", "a value below the range"},
        {"[P]\nPan = nan\n", "neither a number", "NaN is no value"},
        {"[P]\nPan = 0.5x\n", "neither a number", "trailing garbage"},
        {"[P]\nPan = 0.2\nPan = 0.3\n", "is set twice", "the same parameter twice in one program"},
        {"[P]\nFilter Mode = \"Bandpass\"\n", "has no step called \"Bandpass\"", "a step text that is not the panel's"},
        {"[P]\nPan = \"Center\"\n", "takes a number", "a text for a continuous parameter"},
        {"[P]\n1024 = 0.5\n", "no parameter has the tag 1024", "a tag beyond the table"},
        {"[P]\n210 = 0.5\n", "hold the program's name", "the name slots are the header's"},
        {"Pan = 0.5\n", "before the first program", "a value outside any program"},
        {"[P]\nPan 0.5\n", "expected \"Parameter Name = value\"", "no equals sign"},
        {"[P\n", "in brackets", "an unclosed header"},
        {"[]\n", "empty", "an empty name"},
        {"[A name far too long for a host]\n", "longer than 23", "a name the host's buffer cannot hold"},
        {"[Bad:Name]\n", "cannot keep", "a character the name slots replace"},
        {"[P]\nAudition = 60\n", "an audition is pairs", "a note without its length"},
        {"[P]\nAudition = 128 1\n", "an audition is pairs", "a note beyond MIDI"},
        {replaced(validBank(), "[A3]", "[A2]"), "given twice", "a repeated name"},
        {replaced(validBank(), "[A3]", "[a2]"), "given twice", "names that differ only by case"},
        {replaced(validBank(), "[A3]", "[A9]"), "out of order", "an unsorted bank"},
        {replaced(validBank(), "[E70]\n", "[E70]\n[E71]\n"), "holds 71 programs", "one program too many"},
        {replaced(validBank(), "[A7]\nPan = 0.25\n", ""), "holds 69 programs", "one program too few"},
        {replaced(validBank(), "[Default]\n", "[Default]\nPan = 0.4\n"), "must keep its default",
         "the plain start sound with a value changed"},
        {replaced(replaced(validBank(), "[A7]", "[B7]"), "[Default]", "[Dafault]"), "must be \"Default\"",
         "no Default in its place"},
    };
    for (const Case& c : cases) EXPECT_NE(readError(c.text).find(c.message), std::string::npos)
        << c.why << ": got \"" << readError(c.text) << "\"";
}

// A program that names a Mod FX mode starts from the values the editor sets
// when that mode is picked; what the program gives itself stands over them,
// whether its line comes before or after the mode's.
TEST(ProgramBankText, AModeStartsFromItsDefaults) {
    using programbank::TValues;
    auto read = [](const std::string& lines) {
        std::vector<TProgramText> programs;
        std::string error;
        EXPECT_TRUE(programbank::readBankText("[P]\n" + lines, "t.txt", programs, error)) << error;
        return programs.empty() ? TValues{} : programs[0].values;
    };
    auto modFX = [](const TValues& values) {
        std::array<float, 7> row{};
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = values[static_cast<std::size_t>(MOD_FX_MEMORY_TAGS[i])];
        return row;
    };
    auto withMix = [](std::array<float, 7> row, float mix) {
        row[0] = mix;
        return row;
    };
    auto withFive = [](std::array<float, 7> row, float five) {
        row[5] = five;
        return row;
    };
    std::array<float, 7> plain{};
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = programbank::tagInfo()[static_cast<std::size_t>(MOD_FX_MEMORY_TAGS[i])].defaultValue;
    const float ensembleByNumber = (2 + 0.1f) / programbank::tagInfo()[tag::MOD_FX_MODE].steppedRange;
    struct Case {
        std::string lines;
        std::array<float, 7> expected;
        const char* why;
    } cases[] = {
        {"Pan = 0.3\n", plain, "no mode named: every default"},
        {"Mod FX Mode = \"Flanger\"\n", MOD_FX_DEFAULTS[1], "the Flanger's own values, feedback 0.6"},
        {"Mod FX Mode = \"Ensemble\"\n", MOD_FX_DEFAULTS[2], "the Ensemble's own values, feedback 0.34"},
        {"Mod FX Mode = \"Chorus\"\n", MOD_FX_DEFAULTS[0], "Chorus named is Chorus picked, though it is the default mode"},
        {"Mod FX Mode = \"Flanger\"\nMod FX Mix = 0.4\n", withMix(MOD_FX_DEFAULTS[1], 0.4f), "the program's mix after the mode"},
        {"Mod FX 5 = 0.2\nMod FX Mode = \"Flanger\"\n", withFive(MOD_FX_DEFAULTS[1], 0.2f),
         "the program's feedback before the mode still stands"},
        {"82 = " + std::to_string(ensembleByNumber) + "\n", MOD_FX_DEFAULTS[2], "a mode given by its value"},
    };
    for (const Case& c : cases) EXPECT_EQ(modFX(read(c.lines)), c.expected) << c.why;

    // A saved state that names a mode but keeps a value the table's default
    // has for it (here the Flanger with feedback 1) is dumped with that
    // value: reading the text back must not put the mode's 0.6 in its place.
    TValues state = read("Mod FX Mode = \"Flanger\"\n");
    state[tag::MOD_FX_5] = programbank::tagInfo()[tag::MOD_FX_5].defaultValue;
    const std::string text = programbank::dumpProgram("P", state);
    EXPECT_NE(text.find("Mod FX 5 = 1"), std::string::npos) << text;
    EXPECT_EQ(read(text.substr(text.find('\n') + 1)), state) << text;
}

// The Mod FX defaults moved from the editor to the parameter table, where the
// bank's generator reads them too; the editor's knobs and memory keep exactly
// the numbers they had.
TEST(ProgramBankText, TheModeDefaultsAreTheEditorsNumbers) {
    const float editorNumbers[10][7] = {
        {0.166f, 0.42f, 0.481f, 0.44f, 0.36f, 1.0f, 0.0f},      {0.53f, 0.43f, 0.15f, 1.0f, 0.81f, 0.6f, 1.0f},
        {0.53f, 0.685f, 0.49f, 0.36f, 0.34f, 0.34f, 0.0f},      {0.5f, 0.5f, 0.53f, 0.57f, 0.57f, 0.44f, 1.0f},
        {1.0f, 0.5f, 0.0f, 0.25f, 0.75f, 0.0f, 1.0f},           {1.0f, 0.55f, 0.55f, 0.25f, 0.75f, 0.0f, 1.0f},
        {1.0f, 0.5f, 0.0f, 1.0f, 0.5f, 0.0f, 1.0f},             {1.0f, 0.5f, 0.0f, 0.5f, 0.5f, 0.0f, 1.0f},
        {1.0f, 0.5f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f},             {1.0f, 0.5f, 0.66f, 1.0f, 0.880211f, 0.114586f, 0.0f},
    };
    ASSERT_EQ(MOD_FX_DEFAULTS.size(), 10u);
    for (std::size_t mode = 0; mode < 10; ++mode)
        for (std::size_t i = 0; i < 7; ++i)
            EXPECT_EQ(MOD_FX_DEFAULTS[mode][i], editorNumbers[mode][i]) << "mode " << mode << ", column " << i;
}

TEST(ProgramBankText, EveryProgramSurvivesDumpAndRead) {
    const std::vector<TProgramText> programs = readBank();
    ASSERT_EQ(programs.size(), 70u);
    for (const TProgramText& p : programs) {
        const std::string text = programbank::dumpProgram(p.name, p.values);
        std::vector<TProgramText> back;
        std::string error;
        ASSERT_TRUE(programbank::readBankText(text, "dump", back, error)) << p.name << ": " << error << "\n" << text;
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].name, p.name);
        EXPECT_EQ(back[0].values, p.values) << p.name << " reads back differently from\n" << text;
    }
}

TEST(ProgramBankText, SavedStatesOfAHostDumpToTheSameValues) {
    const std::vector<TProgramText> programs = readBank();
    ASSERT_EQ(programs.size(), 70u);
    const TProgramText& p = programs[0];
    // The plug-in's chunk: 1024 values in the machine's order, then the name.
    std::vector<std::uint8_t> chunk(sizeof(TProgram), 0);
    std::memcpy(chunk.data(), p.values.data(), PARAMETER_COUNT * sizeof(float));
    std::memcpy(chunk.data() + PARAMETER_COUNT * sizeof(float), p.name.data(), p.name.size());
    // The same chunk in a program file, whose header is big-endian.
    std::vector<std::uint8_t> fxp;
    auto put32 = [&fxp](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) fxp.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    auto putText = [&fxp](const char* four) { fxp.insert(fxp.end(), four, four + 4); };
    putText("CcnK");
    put32(static_cast<std::uint32_t>(52 + chunk.size()));
    putText("FPCh");
    put32(1);
    putText("klbr");
    put32(1);
    put32(1);
    fxp.resize(fxp.size() + 28, 0);
    put32(static_cast<std::uint32_t>(chunk.size()));
    fxp.insert(fxp.end(), chunk.begin(), chunk.end());

    // The program file the generator writes for hosts: plain parameters.
    std::vector<std::uint8_t> plain = programbank::programFile(p.name, p.values);
    for (const auto* bytes : {&chunk, &fxp, &plain}) {
        programbank::TValues values{};
        std::string name, error;
        ASSERT_TRUE(programbank::readSavedState(*bytes, values, name, error)) << error;
        EXPECT_EQ(name, p.name) << "the name comes from parameters 208..235";
        std::vector<TProgramText> back;
        ASSERT_TRUE(programbank::readBankText(programbank::dumpProgram(name, values), "dump", back, error)) << error;
        EXPECT_EQ(back.at(0).values, p.values);
    }

    std::vector<std::uint8_t> emptyChunk = fxp;
    std::fill(emptyChunk.begin() + 56, emptyChunk.begin() + 60, 0);  // the chunk's size
    struct Bad {
        std::vector<std::uint8_t> bytes;
        const char* why;
    } bad[] = {
        {emptyChunk, "a program file whose chunk is 0 bytes long"},
        {std::vector<std::uint8_t>(chunk.begin(), chunk.begin() + 1000), "a chunk cut short"},
        {std::vector<std::uint8_t>(fxp.begin(), fxp.begin() + 40), "a program file that ends in its header"},
        {std::vector<std::uint8_t>(fxp.begin(), fxp.end() - 8), "a program file shorter than its chunk says"},
        {{}, "an empty file"},
    };
    for (const Bad& b : bad) {
        programbank::TValues values{};
        std::string name, error;
        EXPECT_FALSE(programbank::readSavedState(b.bytes, values, name, error)) << b.why;
        EXPECT_FALSE(error.empty()) << b.why;
    }
    std::vector<std::uint8_t> outOfRange = chunk;
    const float tooLoud = 2.0f;
    std::memcpy(outOfRange.data() + 4 * 28, &tooLoud, sizeof tooLoud);
    programbank::TValues values{};
    std::string name, error;
    EXPECT_FALSE(programbank::readSavedState(outOfRange, values, name, error)) << "a value outside 0..1";
}

// The table the plug-in is built with is the text, expanded.
TEST(ProgramBankText, ThePluginsTableIsTheText) {
    const std::vector<TProgramText> programs = readBank();
    ASSERT_EQ(programs.size(), static_cast<std::size_t>(BUILTIN_PROGRAM_COUNT));
    std::string error;
    EXPECT_TRUE(programbank::checkBank(programs, error)) << error;
    for (int n = 0; n < BUILTIN_PROGRAM_COUNT; ++n) {
        const TProgramText& p = programs[static_cast<std::size_t>(n)];
        EXPECT_EQ(builtinProgramName(n), p.name);
        const std::span<const float> values = builtinProgramValues(n);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(PARAMETER_COUNT));
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
            ASSERT_EQ(values[static_cast<std::size_t>(tag)], p.values[static_cast<std::size_t>(tag)])
                << p.name << ", tag " << tag;
    }
}

}  // namespace

namespace {

// A program file as the generator writes it reaches the plug-in as a host
// loads it: every value arrives, and the plug-in knows the program by name.
TEST(ProgramBankText, AHostLoadsAProgramFileIntoThePlugin) {
    const std::string folder = testing::TempDir() + "/program-files";
    std::filesystem::create_directories(folder);
    auto write = [&folder](const std::string& file, const std::vector<std::uint8_t>& bytes) {
        std::ofstream out(folder + "/" + file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return folder + "/" + file;
    };
    for (const int n : {0, 8, 37, BUILTIN_PROGRAM_COUNT - 1}) {
        auto plugin = testhost::Host().load(KOLBRI_SO_PATH);
        ASSERT_TRUE(plugin) << testhost::Host::lastError();
        plugin->start();
        const std::string name(builtinProgramName(n));
        const std::string path = write("p.fxp", programbank::programFile(name, builtinProgramValues(n)));
        std::string loadedName, error;
        ASSERT_TRUE(testhost::loadProgramFile(*plugin, path, loadedName, error)) << error;
        plugin->render(2 * 4096);
        EXPECT_EQ(loadedName, name);
        EXPECT_EQ(plugin->programName(), name);
        for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
            if (tag == PRESET_APPLY_TAG) continue;
            ASSERT_EQ(plugin->getParameter(tag), builtinProgramValues(n)[static_cast<std::size_t>(tag)])
                << name << ", tag " << tag;
        }
    }

    std::vector<std::uint8_t> good = programbank::programFile("X", builtinProgramValues(0));
    std::vector<std::uint8_t> otherPlugin = good, bank = good;
    otherPlugin[16] = 'z';
    std::memcpy(bank.data() + 8, "FxBk", 4);
    struct Bad {
        std::vector<std::uint8_t> bytes;
        const char* why;
    } bad[] = {
        {std::vector<std::uint8_t>(good.begin(), good.begin() + 30), "a header cut short"},
        {std::vector<std::uint8_t>(good.begin(), good.end() - 4), "one value missing"},
        {otherPlugin, "a program of another plug-in"},
        {bank, "a bank, not a program"},
    };
    auto plugin = testhost::Host().load(KOLBRI_SO_PATH);
    ASSERT_TRUE(plugin);
    plugin->start();
    const float before = plugin->getParameter(28);
    for (const Bad& b : bad) {
        std::string loadedName, error;
        EXPECT_FALSE(testhost::loadProgramFile(*plugin, write("bad.fxp", b.bytes), loadedName, error)) << b.why;
        EXPECT_FALSE(error.empty()) << b.why;
    }
    EXPECT_EQ(plugin->getParameter(28), before) << "a refused file changes nothing";
}

}  // namespace
