// Parameter names and display texts as a host sees them: only through the
// binary interface (effGetParamName, effGetParamDisplay, effGetParamLabel and
// the setParameter/getParameter callbacks), never through the plug-in's classes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/testhost/TestHost.h"

namespace {

std::unique_ptr<testhost::Plugin> loadKolbriForTexts() {
    auto plugin = testhost::Host().load(KOLBRI_SO_PATH);
    EXPECT_NE(plugin, nullptr) << testhost::Host::lastError();
    return plugin;
}

// The stepped parameters: tag, step count, step divisor. Step s is written as
// (s + 0.1) / divisor, as an editor menu writes it.
struct SteppedParameter {
    int tag, num;
    float range;
};
constexpr SteppedParameter STEPPED[] = {
    {5, 8, 7.99f},      {6, 5, 4.99f},      {8, 16, 15.99f},    {9, 16, 15.99f},    {10, 5, 19.99f},
    {19, 195, 199.99f}, {27, 35, 39.99f},   {32, 16, 19.99f},   {39, 4, 3.99f},     {49, 63, 199.99f},
    {54, 11, 19.99f},   {59, 126, 199.99f}, {60, 126, 199.99f}, {61, 9, 9.99f},     {62, 3, 2.99f},
    {64, 2, 1.99f},     {73, 126, 199.99f}, {74, 126, 199.99f}, {75, 24, 23.99f},   {76, 2, 1.99f},
    {82, 10, 19.99f},   {83, 2, 1.99f},     {91, 2, 1.99f},     {92, 2, 1.99f},     {111, 63, 199.99f},
    {112, 63, 199.99f}, {113, 63, 199.99f}, {114, 63, 199.99f}, {115, 126, 199.99f}, {116, 126, 199.99f},
    {117, 126, 199.99f}, {118, 126, 199.99f}, {124, 2, 1.99f},  {125, 18, 17.99f},  {126, 13, 12.99f},
    {244, 4, 3.99f},    {249, 2, 1.99f},    {250, 2, 1.99f},    {958, 10, 9.99f},
};

float stepValue(int tag, int step) {
    for (const SteppedParameter& p : STEPPED)
        if (p.tag == tag) return (static_cast<float>(step) + 0.1f) / p.range;
    ADD_FAILURE() << "tag " << tag << " is not stepped";
    return 0;
}

// Every parameter at 0 except the program trigger, which would ask for a program.
void zeroAll(testhost::Plugin& plugin) {
    for (int tag = 0; tag < 1024; ++tag)
        if (tag != 1022) plugin.setParameter(tag, 0.0f);
}

using Setting = std::pair<int, float>;

// The cases the design spells out, and one or more per rule of its own.
TEST(ParamsDisplay, TextsTheDesignSpellsOut) {
    auto plugin = loadKolbriForTexts();
    ASSERT_NE(plugin, nullptr);
    const float gator = stepValue(82, 9), ring = stepValue(82, 8), wahWah = stepValue(82, 4),
                tremolo = stepValue(82, 6), sampleMode = stepValue(10, 4);
    const struct {
        std::vector<Setting> context;
        int tag;
        float value;
        const char* expected;
    } cases[] = {
        {{}, 1, 0.75f, "0.0 dB"},
        {{}, 1, 0.00005f, "Off"},
        {{}, 1, 1.0f, "20.0 dB"},
        {{}, 26, 0.5f, "-40.0 dB"},
        {{}, 28, 0.5f, "640 Hz"},
        {{}, 28, 1.0f, "20.5 KHz"},
        {{}, 12, 0.5f, "0 Semi"},
        {{}, 13, 0.0f, "-100 Cents"},
        {{}, 3, 0.5f, "Center"},
        {{}, 3, 0.75f, "50% L / 100% R"},
        {{}, 3, 0.0f, "100% L / 0% R"},
        {{}, 78, 1.0f, "0% D / 100% W"},
        {{}, 78, 0.5f, "Equal"},
        {{}, 16, 0.0f, "100% Pink Noise"},
        {{}, 16, 1.0f, "100% White Noise"},
        {{}, 16, 0.5f, "Off"},
        {{}, 14, 0.3f, "Pink- 70%, White- 30%"},
        {{}, 14, 0.005f, "Pink"},
        // The decimal thresholds hold for the float nearest them: 0.01f lies
        // below 0.01, 0.99f above 0.99, 0.0001f below 0.0001.
        {{}, 14, 0.01f, "Pink"},
        {{}, 14, 0.99f, "White"},
        {{}, 14, 0.011f, "Pink- 99%, White- 1%"},
        {{{27, stepValue(27, 11)}}, 31, 0.01f, "LP"},
        {{{27, stepValue(27, 23)}}, 31, 0.99f, "HP"},
        {{}, 1, 0.0001f, "Off"},
        {{}, 245, 0.0001f, "Off"},
        {{}, 26, 0.0001f, "Off"},
        {{}, 15, 1.0f, "Triangle"},
        {{}, 15, 0.5f, "Saw- 50%, Square- 50%"},
        {{}, 4, 1.0f, "100%"},
        {{}, 35, 0.0f, "-100%"},
        {{}, 11, 1.0f, "On"},
        {{}, 11, 0.0f, "Off"},
        {{}, 34, 1.0f, "Post-Filter Distortion"},
        {{}, 34, 0.0f, "Pre-Filter Distortion"},
        {{}, 8, stepValue(8, 0), "Off"},
        {{}, 9, stepValue(9, 15), "48 Semi"},
        {{}, 19, stepValue(19, 194), "N/A"},
        {{{10, sampleMode}}, 19, stepValue(19, 194), "User"},
        {{{10, sampleMode}}, 19, stepValue(19, 0), "FX Percussive 01"},
        {{{19, stepValue(19, 194)}}, 21, 0.5f, "0"},  // no user sample: no frames
        {{}, 23, 0.5f, "100 %"},
        {{{27, stepValue(27, 11)}}, 31, 0.3f, "LP- 70%, HP- 30%"},
        {{{27, stepValue(27, 12)}}, 31, 0.75f, "BP- 51%, HP- 49%"},
        {{{27, stepValue(27, 24)}}, 31, 1.0f, "HP"},
        {{{27, stepValue(27, 28)}}, 31, 0.5f, "50%"},
        {{}, 31, 0.5f, "I"},
        {{}, 41, 0.5f, "582 ms"},
        {{{42, 1.0f}}, 41, 0.5f, "1/1 QB"},
        {{}, 51, 1.0f, "48.0 Semi"},
        {{}, 63, 0.5f, "1.72 Hz"},
        {{}, 63, 1.0f, "220.00 Hz"},
        {{{64, 1.0f}}, 63, 0.5f, "1/1 QB"},
        {{}, 79, 0.0f, "44100 Samples"},
        {{}, 79, 1.0f, "1378 Samples"},
        {{}, 80, 0.0f, "16.0 Bits"},
        {{}, 75, stepValue(75, 23), "Reverb > Delay > Mod FX > Low-Fi"},
        {{}, 111, stepValue(111, 17), "Velocity"},
        {{}, 115, stepValue(115, 125), "Ribbon Value"},
        {{{59, stepValue(59, 6)}}, 57, 0.5f, "x 1.00"},
        {{{59, stepValue(59, 6)}}, 57, 1.0f, "x 16.00"},
        {{{59, stepValue(59, 6)}}, 57, 0.0f, "x 0.06"},
        {{{115, stepValue(115, 8)}}, 119, 1.0f, "36.00 Semi"},
        {{{115, stepValue(115, 8)}}, 119, 0.0f, "-36.00 Semi"},
        {{{74, stepValue(74, 7)}}, 72, 1.0f, "8 Octave"},
        {{{74, stepValue(74, 7)}}, 72, 0.0f, "-7 Octave"},
        {{}, 57, 0.0f, "-100%"},
        {{{82, gator}}, 85, 0.5f, "1/2 QB"},
        {{{82, ring}}, 85, 0.5f, "640 Hz"},
        {{}, 85, 1.0f, "220.00 Hz"},
        {{{83, 1.0f}}, 85, 0.5f, "1/1 QB"},
        {{{82, wahWah}}, 86, 0.5f, "BP"},
        {{{82, tremolo}}, 86, 0.0f, "Triangle Up"},
        {{}, 86, 0.5f, "25.0 ms"},
        {{{82, ring}}, 86, 0.0f, "-100%"},
        {{{82, wahWah}}, 87, 0.5f, "640 Hz"},
        {{{82, gator}}, 88, 0.3f, "Left Gator"},
        {{{82, gator}}, 89, 0.3f, "Right Gator"},
        {{}, 89, 0.5f, "640 Hz"},
        {{{91, 1.0f}}, 94, 0.5f, "1/8 QB"},
        {{}, 95, 0.5f, "64.0ms"},
        {{}, 102, 1.0f, "511.5 ms"},
        {{}, 103, 0.5f, "4.0 m3"},
        {{}, 104, 0.75f, "100%"},
        {{}, 127, 0.0f, "1 ms"},
        {{}, 127, 1.0f, "16.38 sec"},
        {{}, 957, 0.5f, "128 ms"},
        {{}, 245, 0.5f, "0.0 dB"},
        {{}, 245, 0.0f, "Off"},
        {{}, 246, 0.5f, "Sample 0"},
        {{}, 1017, 0.5f, "440 Hz"},
        {{}, 1017, 1.0f, "880 Hz"},
        {{}, 1019, 1.0f, "82 KHz"},
        {{}, 1019, 0.795f, "14 KHz"},
        {{}, 300, 0.5f, "INTERNAL"},
        {{}, 0, 0.0f, "INTERNAL"},
    };
    for (const auto& c : cases) {
        zeroAll(*plugin);
        for (const Setting& setting : c.context) plugin->setParameter(setting.first, setting.second);
        plugin->setParameter(c.tag, c.value);
        EXPECT_EQ(plugin->parameterDisplay(c.tag), c.expected) << "tag " << c.tag << " at " << c.value;
    }
    EXPECT_EQ(plugin->textOverruns(), 0);
}

TEST(ParamsDisplay, NamesFollowTheModFxModeLabelsAreBlankAndTextsBounded) {
    auto plugin = loadKolbriForTexts();
    ASSERT_NE(plugin, nullptr);
    zeroAll(*plugin);
    EXPECT_EQ(plugin->parameterName(1), "Main Volume");
    EXPECT_EQ(plugin->parameterName(85), "Mod FX Speed");
    EXPECT_EQ(plugin->parameterName(89), "Mod FX Low Pass Frequency");
    plugin->setParameter(82, stepValue(82, 9));
    EXPECT_EQ(plugin->parameterName(88), "Mod FX Gator L");
    EXPECT_EQ(plugin->parameterDisplay(88), "Left Gator");
    plugin->setParameter(82, stepValue(82, 8));
    EXPECT_EQ(plugin->parameterName(85), "Mod FX Ring Mod Frequency");
    EXPECT_EQ(plugin->parameterName(89), "Mod FX Ring Mod Low Pass Frequency");
    for (int tag : {0, 1, 85, 300, 1023}) EXPECT_EQ(plugin->parameterLabel(tag), " ") << "tag " << tag;
    EXPECT_EQ(plugin->parameterName(1024), "") << "an invalid tag names nothing";
    EXPECT_EQ(plugin->parameterDisplay(1024), " ") << "an invalid tag shows a single space";
    // The host's copy of a long text is cut at 63 characters and terminated.
    plugin->setParameter(14, 0.5f);
    EXPECT_EQ(plugin->parameterDisplay(14), "Pink- 50%, White- 50%");
    EXPECT_EQ(plugin->parameterName(250), "Use External Sample Directory On/Off");
    EXPECT_EQ(plugin->textOverruns(), 0);
}

// ---------------------------------------------------------------- golden file

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string valueText(float value) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(6) << value;
    return out.str();
}

// Every name, and every parameter's text at 0, 0.5, 1 and at each of its
// steps, from a state where every other parameter is 0; then the texts that
// depend on another parameter, under each setting that changes them.
std::string renderAllTexts(testhost::Plugin& plugin) {
    std::ostringstream out;
    out << "# Names and display texts of all 1024 parameters, as a host reads them.\n"
        << "# Every other parameter is 0 unless a section says otherwise.\n"
        << "# Lines: tag, value written, display text (quoted: spaces count).\n";
    auto show = [&](int tag, float value, const std::string& note = "") {
        plugin.setParameter(tag, value);
        out << tag << "\t" << valueText(value) << "\t" << quoted(plugin.parameterDisplay(tag));
        if (!note.empty()) out << "\t" << note;
        out << "\n";
    };
    zeroAll(plugin);
    for (int tag = 0; tag < 1024; ++tag) {
        out << "\n[" << tag << "] " << quoted(plugin.parameterName(tag)) << "\n";
        if (tag == 1022) {  // writing it asks for the program: shown as it stands
            out << tag << "\tunwritten\t" << quoted(plugin.parameterDisplay(tag)) << "\n";
            continue;
        }
        for (float value : {0.0f, 0.5f, 1.0f}) show(tag, value);
        for (const SteppedParameter& p : STEPPED)
            if (p.tag == tag)
                for (int step = 0; step < p.num; ++step)
                    show(tag, stepValue(tag, step), "step " + std::to_string(step));
        plugin.setParameter(tag, 0.0f);
    }

    auto section = [&](const std::string& title, const std::vector<Setting>& settings) {
        zeroAll(plugin);
        for (const Setting& s : settings) plugin.setParameter(s.first, s.second);
        out << "\n## " << title << "\n";
    };
    for (int mode = 0; mode < 10; ++mode) {
        section("Mod FX Mode step " + std::to_string(mode), {{82, stepValue(82, mode)}});
        out << "mode " << quoted(plugin.parameterDisplay(82)) << "\n";
        for (int tag = 85; tag <= 89; ++tag) {
            out << "[" << tag << "] " << quoted(plugin.parameterName(tag)) << "\n";
            for (float value : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) show(tag, value);
        }
    }
    section("Mod FX Tempo Sync On/Off on", {{83, 1.0f}});
    for (float value : {0.0f, 0.25f, 0.5f, 1.0f}) show(85, value);
    section("Source Mode Sample", {{10, stepValue(10, 4)}});
    for (int step = 0; step < 195; ++step) show(19, stepValue(19, step), "step " + std::to_string(step));
    for (int mode : {11, 12, 23, 24, 28, 29, 30}) {
        section("Filter Mode step " + std::to_string(mode), {{27, stepValue(27, mode)}});
        for (float value : {0.0f, 0.005f, 0.25f, 0.5f, 0.75f, 0.996f, 1.0f}) show(31, value);
    }
    section("Delay Tempo Sync On/Off on", {{91, 1.0f}});
    for (int tag : {94, 95})
        for (float value : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) show(tag, value);
    section("Free LFO Tempo Sync On/Off on", {{64, 1.0f}});
    for (float value : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) show(63, value);
    section("Movement Tempo Sync On/Off on", {{42, 1.0f}});
    for (float value : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) show(41, value);
    const struct {
        int amount, destinationTag, destination;
    } amounts[] = {{57, 59, 6}, {58, 60, 8}, {71, 73, 7}, {72, 74, 1}, {119, 115, 123}, {122, 118, 24}};
    for (const auto& a : amounts) {
        section("Amount " + std::to_string(a.amount) + " with destination " + std::to_string(a.destination),
                {{a.destinationTag, stepValue(a.destinationTag, a.destination)}});
        for (float value : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) show(a.amount, value);
    }
    return out.str();
}

// Compares with tests/data/params/all_texts.txt; KOLBRI_UPDATE_GOLDEN=1 rewrites it.
TEST(ParamsDisplay, AllNamesAndTextsMatchTheGoldenFile) {
    auto plugin = loadKolbriForTexts();
    ASSERT_NE(plugin, nullptr);
    const std::string actual = renderAllTexts(*plugin);
    EXPECT_EQ(plugin->textOverruns(), 0);
    const std::string path = std::string(KOLBRI_TEST_DATA_DIR) + "/params/all_texts.txt";
    if (const char* update = std::getenv("KOLBRI_UPDATE_GOLDEN"); update && std::string(update) == "1") {
        std::ofstream(path) << actual;
        GTEST_SKIP() << "golden file rewritten: " << path;
    }
    std::ifstream file(path);
    ASSERT_TRUE(file) << "missing " << path;
    std::stringstream expected;
    expected << file.rdbuf();

    std::istringstream actualLines(actual), expectedLines(expected.str());
    std::string a, e;
    int line = 0, differences = 0;
    while (true) {
        const bool moreActual = static_cast<bool>(std::getline(actualLines, a));
        const bool moreExpected = static_cast<bool>(std::getline(expectedLines, e));
        if (!moreActual && !moreExpected) break;
        ++line;
        if (a != e && ++differences <= 20)
            ADD_FAILURE() << "line " << line << "\n  golden: " << e << "\n  now:    " << a;
    }
    EXPECT_EQ(differences, 0);
}

}  // namespace
