// Typed value entry through the scripted text-input window, and stepping by
// wheel and keys: the number typed in the parameter's unit becomes the value
// the display text shows it as.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "plain_program.h"
#include "plugin_test_access.h"

namespace {

constexpr float UNCHANGED = std::numeric_limits<float>::quiet_NaN();
constexpr const char* KEEP_INITIAL = "\x01";  // OK on the text the box started with

// Answers every text input with the next scripted text (Cancel for none) and
// keeps what was asked.
struct ScriptedBox {
    std::vector<platform::TDesktopRequest> asked;
    std::optional<std::string> answer;

    ScriptedBox() {
        platform::setDesktopScript([this](const platform::TDesktopRequest& request) {
            asked.push_back(request);
            platform::TDesktopAnswer reply;
            if (!answer) {
                reply.button = platform::TDesktopButton::cancel;
                return reply;
            }
            reply.button = platform::TDesktopButton::ok;
            reply.text = *answer == KEEP_INITIAL ? request.initialText : *answer;
            return reply;
        });
    }
    ~ScriptedBox() { platform::setDesktopScript({}); }
};

struct Setting {
    int tag;
    float value;
};

struct EntryCase {
    const char* why;
    std::vector<Setting> setup;
    int tag;
    std::optional<std::string> typed;  // nullopt: Cancel
    float expected;                    // UNCHANGED: the value before
    const char* hint = nullptr;        // checked when given
    const char* initial = nullptr;     // checked when given
};

float stepValue(int step, float range) { return static_cast<float>(step / static_cast<double>(range)); }

void runEntryCases(const std::vector<EntryCase>& cases) {
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.why);
        auto plugin = std::make_unique<APlugin>(nullptr);
        loadPlainProgram(*plugin);  // the defaults, whatever program 0 is
        for (const Setting& s : c.setup) plugin->setParameter(s.tag, s.value);
        const float before = plugin->getParameter(c.tag);
        ScriptedBox box;
        box.answer = c.typed;
        plugin->setNumValue(c.tag);
        ASSERT_EQ(box.asked.size(), 1u) << "one text-input window";
        EXPECT_EQ(box.asked[0].kind, platform::TDesktopKind::textInput);
        EXPECT_EQ(box.asked[0].headline, plugin->getParameterNameStr(c.tag));
        if (c.hint) {
            EXPECT_EQ(box.asked[0].text, c.hint);
        }
        if (c.initial) {
            EXPECT_EQ(box.asked[0].initialText, c.initial);
        }
        const float expected = std::isnan(c.expected) ? before : c.expected;
        EXPECT_NEAR(plugin->getParameter(c.tag), expected, 1e-4f) << "typed " << c.typed.value_or("<Cancel>");
    }
}

TEST(TypedEntry, UnitsByType) {
    runEntryCases({
        {"a frequency in Hz", {}, 28, "1000", static_cast<float>(std::log(50.0) / std::log(1024.0)), "20 Hz to 20500 Hz"},
        {"the top frequency is held to 1", {}, 28, "20500", 1.0f},
        {"a frequency is always taken in Hz", {}, 28, "1k", 0.0f},
        {"no number in it", {}, 28, "Hz", UNCHANGED},
        {"Cancel", {}, 28, std::nullopt, UNCHANGED},
        {"on/off: OK on the text it starts with", {}, 11, KEEP_INITIAL, UNCHANGED, "0 for Off, 1 for On", "On"},
        {"on/off: 0 is off", {}, 11, "0", 0.0f},
        {"on/off: 0.7 is on", {{11, 0.0f}}, 11, "0.7", 1.0f, nullptr, "Off"},
        {"a level in dB", {}, 1, "-6", 54.0f / 80.0f, "-60 to 20 dB"},
        {"a level above the range is held", {}, 1, "+40", 1.0f},
        {"a level of -80 to 0 dB", {}, 26, "-20", 60.0f / 80.0f, "-80 to 0 dB"},
        {"semitones", {}, 12, "7", static_cast<float>(55.0 / 96.99), "-48 to +48 semi", "0"},
        {"a bipolar percentage", {}, 3, "-50", 0.25f, "-100 to 100%", "0.0"},
        {"a percentage", {}, 2, "40", 0.4f, "0 to 100%", "50.0"},
        {"a percentage with text around it", {}, 2, "about 40 %", 0.4f},
        {"a step number", {}, 5, "3", stepValue(3, 7.99f), "0 to 7"},
        {"a step number beyond the last", {}, 5, "12", 1.0f},
    });
}

TEST(TypedEntry, UnitsByTag) {
    const float vocal = stepValue(27, 39.99f) + 0.001f;
    runEntryCases({
        {"the vowel of the vocal filter", {{27, vocal}}, 31, "3", static_cast<float>(2.0 / 4.99), "Vowel, 1(A) to 5(U)"},
        {"grain length", {}, 23, "100", 0.5f, "5 to 1600 %"},
        {"Movement > Pitch", {}, 51, "24", 0.75f, "-48 to +48 semi"},
        {"Low-Fi sample rate", {}, 79, "11025", 0.4f, "44100 to 2000"},
        {"Low-Fi sample rate at the threshold", {}, 79, "0.0001", UNCHANGED},
        {"Low-Fi bits", {}, 80, "4", 0.75f, "1 to 16"},
        {"Low-Fi bits of 0", {}, 80, "0", UNCHANGED},
        {"reverb pre-delay", {}, 102, "100", static_cast<float>(std::log(201.0) / std::log(1024.0)), "0 to 511ms"},
        {"reverb size", {}, 103, "4", static_cast<float>(15.0 / 30.75), "0.25 to 7.75m^3"},
        {"reverb length", {}, 104, "100", 0.75f, "1 to 400%"},
        {"release", {}, 127, "1000", static_cast<float>(std::log(2001.0) / std::log(16384.0)), "0 to 16000 ms"},
        {"attack", {}, 957, "0", UNCHANGED, "0 to 16000 ms"},
        {"sample volume", {}, 245, "0", 0.5f, "-40 to 40 dB"},
        {"delay, synced: a length of the list", {}, 94, "3", static_cast<float>(3.0 / 14.99)},
        {"delay, free: milliseconds", {{91, 0.0f}}, 95, "500", static_cast<float>(std::log(500.0) / std::log(4096.0)),
         "0 to 1024ms"},
        {"delay, free: at the threshold", {{91, 0.0f}}, 94, "0.001", UNCHANGED},
        {"delay, free: not a number", {{91, 0.0f}}, 94, "nan", UNCHANGED},
        {"Low-Fi bits: an infinite number", {}, 80, "-inf", UNCHANGED},
        {"Movement speed, synced: 40 of 34 steps is the last", {}, 41, "40", 1.0f, "0 to 33"},
        {"Movement speed, free: a period in seconds", {{42, 0.0f}}, 41, "2",
         static_cast<float>(std::log(0.5 * 4096.0 / 55.0) / std::log(16384.0)), "0 to 40 seconds"},
        {"Movement speed, free: a period of 0 does not exist", {{42, 0.0f}}, 41, "0", UNCHANGED},
        {"Movement speed, free: nor a negative one", {{42, 0.0f}, {41, 0.0f}}, 41, "-3", UNCHANGED},
        {"Free LFO speed, free: Hz", {{64, 0.0f}}, 63, "55", 12.0f / 14.0f, "0 to 220 Hz"},
        {"Free LFO speed, free: below the smallest rate", {{64, 0.0f}}, 63, "0", 0.0f},
        {"Mod FX 2 of the chorus in ms", {}, 86, "25", 0.5f, "0 to 50 ms"},
        {"Mod FX 2 of the chorus: Cancel", {}, 86, std::nullopt, UNCHANGED},
        {"Mod FX 2 of the Wah-Wah: the filter type", {{82, stepValue(4, 19.99f) + 0.001f}}, 86, "2",
         static_cast<float>(1.0 / 2.1), "1 - LP, 2 - BP, 3 - HP"},
        {"Mod FX 1 of the ring: its frequency", {{82, stepValue(8, 19.99f) + 0.001f}}, 85, "1000",
         static_cast<float>(std::log(50.0) / std::log(1024.0)), "20 Hz to 20500 Hz"},
        {"sample offset without a sample length changes nothing", {}, 21, "100", UNCHANGED,
         "Sample Length: 0 to 0 Samples"},
    });
}

// A route's amount is typed in the unit of the destination it feeds.
TEST(TypedEntry, ModulationAmountsInTheirDestinationsUnit) {
    const struct {
        int kind;
        const char* typed;
        float expected;
        const char* hint;
    } cases[] = {
        {2, "200", 0.75f, "25% to 400%"},
        {2, "1000", 1.0f, "25% to 400%"},
        {3, "12", static_cast<float>(12.0 / 72.0 + 0.5), "-36 to 36 semi"},
        {4, "2", static_cast<float>(2.5 / 8.0 * 0.5 + 0.5), "-7 to 8 octave"},
        {4, "-20", 0.0f, "-7 to 8 octave"},
        {1, "50", 0.75f, "-100 to 100%"},
    };
    constexpr int SLOT_0_DEST = 115, SLOT_0_AMOUNT = 119;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("kind ") + std::to_string(c.kind) + ", " + c.typed);
        auto plugin = std::make_unique<APlugin>(nullptr);
        loadPlainProgram(*plugin);  // the defaults, whatever program 0 is
        const auto& destType = TPluginTestAccess::attr(*plugin).destType;
        int destination = -1;
        for (int d = 1; d < plugin->getSteppedNum(SLOT_0_DEST) && destination < 0; ++d)
            if (destType[static_cast<std::size_t>(d)] == c.kind) destination = d;
        ASSERT_GE(destination, 0);
        plugin->setSteppedValue(SLOT_0_DEST, destination);
        ScriptedBox box;
        box.answer = c.typed;
        plugin->setNumValue(SLOT_0_AMOUNT);
        ASSERT_EQ(box.asked.size(), 1u);
        EXPECT_EQ(box.asked[0].text, c.hint);
        EXPECT_NEAR(plugin->getParameter(SLOT_0_AMOUNT), c.expected, 1e-4f);
    }
}

TEST(TypedEntry, TheMenuButtonsLearnOfEntriesByType) {
    auto plugin = std::make_unique<APlugin>(nullptr);
    loadPlainProgram(*plugin);  // the defaults, whatever program 0 is
    ScriptedBox box;
    box.answer = "5";
    plugin->setNumValue(79);
    EXPECT_FALSE(plugin->getPopupActive()) << "an entry of its own";
    plugin->setNumValue(2);
    EXPECT_TRUE(plugin->getPopupActive()) << "an entry by type";
    plugin->setPopupActive(false);
    plugin->setNumValue(-1);
    plugin->setNumValue(1024);
    EXPECT_EQ(box.asked.size(), 2u) << "no window for a tag that is not a parameter";
}

TEST(ValueStepping, WheelAndKeys) {
    const struct {
        const char* why;
        std::vector<Setting> setup;
        int tag, delta;
        bool fine;
        float speed;
        int expectedStep;  // for stepped tags; -1: compare the value
        float expectedValue;
    } cases[] = {
        {"Play Mode at its last step stays there", {{5, 1.0f}}, 5, 1, false, 1, 7, 0},
        {"Play Mode down one", {{5, 1.0f}}, 5, -1, false, 1, 6, 0},
        {"a continuous value by a hundredth", {{2, 0.5f}}, 2, 3, false, 1, -1, 0.53f},
        {"finely, by a thousandth", {{2, 0.5f}}, 2, -3, true, 1, -1, 0.497f},
        {"held to the top", {{2, 0.995f}}, 2, 5, false, 1, -1, 1.0f},
        {"a switch on", {{11, 0.0f}}, 11, 1, false, 1, -1, 1.0f},
        {"a switch off", {{11, 1.0f}}, 11, -1, false, 1, -1, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto plugin = std::make_unique<APlugin>(nullptr);
        loadPlainProgram(*plugin);  // the defaults, whatever program 0 is
        for (const Setting& s : c.setup) plugin->setParameter(s.tag, s.value);
        plugin->changeDelta(c.tag, c.delta, c.fine, c.speed);
        if (c.expectedStep >= 0)
            EXPECT_EQ(plugin->getSteppedValue(c.tag), c.expectedStep);
        else
            EXPECT_NEAR(plugin->getParameter(c.tag), c.expectedValue, 1e-5f);
    }

    // The synced speeds step through their 34 periods; the loop mode sets the reverse switch.
    auto plugin = std::make_unique<APlugin>(nullptr);
    loadPlainProgram(*plugin);  // the defaults, whatever program 0 is
    plugin->setParameter(41, (33 + 0.1f) / 33.99f);
    plugin->changeDelta(41, 1, false, 1);
    EXPECT_EQ(plugin->getSteppedValue(41, 33.99f, 34), 33);
    plugin->changeDelta(41, -2, false, 1);
    EXPECT_EQ(plugin->getSteppedValue(41, 33.99f, 34), 31);
    plugin->setSteppedValue(244, 2);
    plugin->changeDelta(244, 1, false, 1);
    EXPECT_TRUE(plugin->getOnOff(20)) << "the reverse loop mode plays backwards";
    plugin->changeDelta(244, -1, false, 1);
    EXPECT_FALSE(plugin->getOnOff(20));
}

}  // namespace
