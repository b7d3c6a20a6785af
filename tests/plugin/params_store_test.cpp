// The parameter store on the plug-in object: clamping and snapping, refused
// values, the program trigger, edit tracking, the stepped and on/off
// encodings, copy and swap, text kept in parameters, and the editor echo.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "plugin/EditorHooks.h"
#include "plugin/uPlugin.h"
#include "plugin_test_access.h"

namespace {

// The plug-in with its hand-off flags in reach of the tests.
struct TestPlugin : APlugin {
    TestPlugin() : APlugin(nullptr) {}
};

float programValue(TestPlugin& p, int tag) { return TPluginTestAccess::values(p).programs[0].values[tag]; }

void expectStoredEverywhere(TestPlugin& p, int tag, float expected, const char* why) {
    EXPECT_FLOAT_EQ(TPluginTestAccess::values(p).curValue[tag], expected) << why;
    EXPECT_FLOAT_EQ(programValue(p, tag), expected) << why;
    EXPECT_FLOAT_EQ(TPluginTestAccess::values(p).editValue[tag], expected) << why;
    EXPECT_FLOAT_EQ(p.getParameter(tag), expected) << why;
}

TEST(ParamsStore, ClampsSnapsAndRefusesNonFiniteValues) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    const struct {
        int tag;
        float before, written, expected;
        const char* why;
    } cases[] = {
        {5, 0.3f, 1.7f, 1.0f, "above the range clamps to 1"},
        {5, 0.3f, -3.0f, 0.0f, "below the range clamps to 0"},
        {1, 0.0f, 0.37f, 0.37f, "a value inside the range is kept"},
        {11, 1.0f, 0.49f, 0.0f, "a switch below one half is off"},
        {11, 0.0f, 0.5f, 1.0f, "a switch at one half is on"},
        {34, 0.0f, 0.73f, 1.0f, "Pre / Post-Filter Distortion is a switch too"},
        {5, 0.3f, nan, 0.3f, "NaN changes nothing"},
        {5, 0.3f, inf, 0.3f, "+infinity changes nothing"},
        {5, 0.3f, -inf, 0.3f, "-infinity changes nothing"},
        {11, 1.0f, nan, 1.0f, "NaN on a switch changes nothing"},
    };
    for (const auto& c : cases) {
        auto p = std::make_unique<TestPlugin>();
        p->setParameter(c.tag, c.before);
        p->setParameter(c.tag, c.written);
        expectStoredEverywhere(*p, c.tag, c.expected, c.why);
    }
}

TEST(ParamsStore, InvalidTagsAreIgnoredOrNeutral) {
    auto p = std::make_unique<TestPlugin>();
    p->setParameter(1024, 0.7f);
    p->setParameter(-1, 0.7f);
    EXPECT_FLOAT_EQ(p->getParameter(2000), 0.0f);
    EXPECT_FLOAT_EQ(p->getParameter(-5), 0.0f);
    EXPECT_FLOAT_EQ(p->getSteppedRange(1024), 1.0f);
    EXPECT_EQ(p->getSteppedNum(-1), -1);
    EXPECT_EQ(p->getSteppedValue(1024), 0);
    EXPECT_FALSE(p->getOnOff(4096));
    EXPECT_FLOAT_EQ(p->getDefaultValue(1024), 0.0f);
    EXPECT_FLOAT_EQ(p->getOrigValue(-2), 0.0f);
    EXPECT_EQ(p->getTagDest(1024), 0);
    EXPECT_FALSE(p->getEditChanged()) << "no write to an invalid tag counts as an edit";

    // A host that passes no buffer gets nothing written; the editor's forms
    // keep texts whole and answer neutrally for invalid tags.
    p->getParameterDisplay(1, nullptr);
    p->getParameterName(1, nullptr);
    p->getParameterLabel(1, nullptr);
    char text[64] = "untouched";
    p->getParameterDisplay(-1, text);
    EXPECT_STREQ(text, " ");
    p->getParameterName(5000, text);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(p->getParameterDisplayStr(1024), " ");
    EXPECT_EQ(p->getParameterNameStr(-3), "");
    EXPECT_EQ(p->getParamType(1024), 16) << "an invalid tag reads as an internal slot";
    EXPECT_EQ(p->getParamType(28), 11);
}

// There is one program: a host that selects another still reaches the one record.
TEST(ParamsStore, AnyProgramNumberAddressesTheOneRecord) {
    for (int program : {5, -1, 1}) {
        auto p = std::make_unique<TestPlugin>();
        p->setProgram(program);
        p->setParameter(7, 0.3f);
        EXPECT_FLOAT_EQ(p->getParameter(7), 0.3f) << "program " << program;
        EXPECT_FLOAT_EQ(TPluginTestAccess::values(*p).programs[0].values[7], 0.3f) << "program " << program;
    }
}

// A foreign chunk may leave anything in the program record; the host reads 0..1.
TEST(ParamsStore, HostReadBackIsAlwaysInRange) {
    auto p = std::make_unique<TestPlugin>();
    TPluginTestAccess::values(*p).programs[0].values[7] = 3.0f;
    EXPECT_FLOAT_EQ(p->getParameter(7), 1.0f);
    TPluginTestAccess::values(*p).programs[0].values[7] = -2.0f;
    EXPECT_FLOAT_EQ(p->getParameter(7), 0.0f);
    TPluginTestAccess::values(*p).programs[0].values[7] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FLOAT_EQ(p->getParameter(7), 0.0f);
}

TEST(ParamsStore, WritingTheApplyTagRequestsTheProgram) {
    for (float value : {0.0f, 0.5f, 1.0f}) {
        auto p = std::make_unique<TestPlugin>();
        TPluginTestAccess::flags(*p).presetPending = false;  // the constructor queued the start program
        p->setParameter(PRESET_APPLY_TAG, value);
        EXPECT_TRUE(TPluginTestAccess::flags(*p).presetPending.load()) << "any value asks, " << value;
    }
    auto applying = std::make_unique<TestPlugin>();
    TPluginTestAccess::flags(*applying).presetPending = false;
    TPluginTestAccess::flags(*applying).settingPreset = true;
    applying->setParameter(PRESET_APPLY_TAG, 1.0f);
    EXPECT_TRUE(TPluginTestAccess::flags(*applying).presetPending.load())
        << "a request while a program is being applied is kept for after it";

    auto other = std::make_unique<TestPlugin>();
    TPluginTestAccess::flags(*other).presetPending = false;
    other->setParameter(1021, 1.0f);
    other->setParameter(1023, 1.0f);
    EXPECT_FALSE(TPluginTestAccess::flags(*other).presetPending.load()) << "neighbouring tags ask nothing";
}

TEST(ParamsStore, EditTracking) {
    const struct {
        float orig, last, written;
        bool lastMoves, editChanged;
        const char* why;
    } cases[] = {
        {0.0f, 0.0f, 0.5f, true, true, "a real change away from the applied program"},
        {0.5f, 0.5f, 0.50005f, false, false, "a change of 0.00005 is not counted"},
        {0.5f, 0.0f, 0.50005f, true, false, "counted against the last value, but equal to the original"},
        {-1.0f, 0.0f, 0.8f, true, false, "an original below -0.5 takes no part in edit tracking"},
        {0.2f, 0.6f, 0.6f, false, false, "writing the last value again changes nothing"},
    };
    for (const auto& c : cases) {
        auto p = std::make_unique<TestPlugin>();
        // Movement Symmetry: a continuous parameter.
        TPluginTestAccess::values(*p).origValue[43] = c.orig;
        TPluginTestAccess::values(*p).lastValue[43] = c.last;
        p->setParameter(43, c.written);
        EXPECT_FLOAT_EQ(TPluginTestAccess::values(*p).lastValue[43], c.lastMoves ? c.written : c.last) << c.why;
        EXPECT_EQ(p->getEditChanged(), c.editChanged) << c.why;
    }
    auto p = std::make_unique<TestPlugin>();
    p->setParameter(43, 1.0f);
    ASSERT_TRUE(p->getEditChanged());
    p->setParameter(43, 0.0f);
    EXPECT_TRUE(p->getEditChanged()) << "returning to the original never clears the flag";
}

// Every step of every stepped parameter reads back as itself, through the
// setter and through the stored encoding.
TEST(ParamsStore, SteppedRoundTripsForEveryStep) {
    auto p = std::make_unique<TestPlugin>();
    int steppedTags = 0;
    for (int tag = 0; tag < 1024; ++tag) {
        const int num = p->getSteppedNum(tag);
        if (num == -1) continue;
        ++steppedTags;
        const float range = p->getSteppedRange(tag);
        for (int step = 0; step < num; ++step) {
            p->setSteppedValue(tag, step);
            ASSERT_EQ(p->getSteppedValue(tag), step) << p->getParameterNameStr(tag) << " step " << step;
            const float stored = p->getParameter(tag);
            EXPECT_EQ(p->getSteppedValue(tag, stored), step);
            EXPECT_EQ(p->getSteppedValue(stored, range, num), step);
        }
        p->setSteppedValueMax(tag);
        EXPECT_EQ(p->getSteppedValue(tag), num - 1) << p->getParameterNameStr(tag);
        p->setSteppedValue(tag, num + 5);
        EXPECT_EQ(p->getSteppedValue(tag), num - 1) << "steps above the count clamp";
        p->setSteppedValue(tag, -3);
        EXPECT_EQ(p->getSteppedValue(tag), 0) << "negative steps clamp";
        p->setParameter(tag, 1.0f);
        EXPECT_EQ(p->getSteppedValue(tag), num - 1) << "the top of the range is the last step";
    }
    EXPECT_EQ(steppedTags, 39) << "stepped parameters in the table";
}

// Steps are reckoned in float, the product and the sum each rounded: a step
// is stored as that float, and a value near a step's edge reads as the step
// float arithmetic gives (reckoned in double, each of these is one lower).
TEST(ParamsStore, SteppedValuesAreReckonedInFloat) {
    auto p = std::make_unique<TestPlugin>();
    const struct {
        int tag, step;
        float stored;
    } stores[] = {
        {5, 0, 0.0125156455f}, {5, 5, 0.638297856f}, {6, 4, 0.821643293f}, {8, 8, 0.506566644f},
    };
    for (const auto& c : stores) {
        p->setSteppedValue(c.tag, c.step);
        EXPECT_EQ(p->getParameter(c.tag), c.stored) << p->getParameterNameStr(c.tag) << " step " << c.step;
    }
    const struct {
        int tag;
        float value;
        int step;
    } reads[] = {
        {5, 0.112640798f, 1}, {8, 0.931832373f, 15}, {10, 0.195097551f, 4}, {19, 0.0495024696f, 10},
    };
    for (const auto& c : reads) {
        EXPECT_EQ(p->getSteppedValue(c.tag, c.value), c.step) << p->getParameterNameStr(c.tag) << " at " << c.value;
        p->setParameter(c.tag, c.value);
        EXPECT_EQ(p->getSteppedValue(c.tag), c.step) << p->getParameterNameStr(c.tag) << " stored " << c.value;
        EXPECT_EQ(p->getSteppedValue(c.value, p->getSteppedRange(c.tag), p->getSteppedNum(c.tag)), c.step);
    }
}

TEST(ParamsStore, SteppedEncodingEdgeCases) {
    auto p = std::make_unique<TestPlugin>();
    // A parameter of 4 steps over a divisor of 4.
    p->setParameterVars(500, 0.0f, false, 4.0f, 4, 0, 0, "probe", 0.0f);
    p->setSteppedValue(500, 2);
    EXPECT_FLOAT_EQ(p->getParameter(500), 0.525f);
    EXPECT_EQ(p->getSteppedValue(500), 2);
    p->setParameter(500, 1.0f);
    EXPECT_EQ(p->getSteppedValue(500), 3) << "int(4.1) = 4 clamps to the last step";

    // Continuous parameters have no steps.
    p->setParameter(7, 0.42f);
    p->setSteppedValue(7, 3);
    EXPECT_FLOAT_EQ(p->getParameter(7), 0.42f) << "setting a step of a continuous parameter does nothing";
    EXPECT_EQ(p->getSteppedValue(7), 0);

    // A caller-given range and count ignore the tag's own.
    p->setSteppedValue(31, 3, 4.99f, 5);
    EXPECT_NEAR(p->getParameter(31), 3.1f / 4.99f, 1e-6);
    EXPECT_EQ(p->getSteppedValue(31, 4.99f, 5), 3);
    EXPECT_EQ(p->getSteppedValue(0.999f, 33.99f, 34), 33);
    EXPECT_EQ(p->getSteppedValue(std::numeric_limits<float>::quiet_NaN(), 33.99f, 34), 0) << "NaN reads as step 0";
    EXPECT_EQ(p->getSteppedValue(-1.0f, 33.99f, 34), 0);
}

// Calls whose argument types would be converted silently do not compile.
template <typename P>
constexpr bool acceptsDoubleValue = requires(const P& p) { p.getSteppedValue(0.5, 33.99f, 34); };
template <typename P>
constexpr bool acceptsDoubleRange = requires(const P& p) { p.getSteppedValue(0.5f, 33.99, 34); };
template <typename P>
constexpr bool acceptsFloatTag = requires(const P& p) { p.getSteppedValue(2.0f); };
template <typename P>
constexpr bool acceptsDoubleTag = requires(const P& p) { p.getSteppedValue(2.0); };
template <typename P>
constexpr bool acceptsDoubleAsTagValue = requires(const P& p) { p.getSteppedValue(0.5, 3); };
template <typename P>
constexpr bool acceptsDoubleStep = requires(P& p) { p.setSteppedValue(5, 2.7); };
template <typename P>
constexpr bool acceptsDoubleOnOff = requires(const P& p) { p.getOnOff(0.7); };
template <typename P>
constexpr bool acceptsRightCalls = requires(P& p) {
    p.getSteppedValue(0.5f, 33.99f, 34);
    p.getSteppedValue(5);
    p.getSteppedValue(5, 0.5f);
    p.getSteppedValue(31, 4.99f, 5);
    p.setSteppedValue(5, 2);
    p.getOnOff(0.7f);
    p.getOnOff(11);
};
static_assert(!acceptsDoubleValue<APlugin>);
static_assert(!acceptsDoubleRange<APlugin>);
static_assert(!acceptsFloatTag<APlugin>);
static_assert(!acceptsDoubleTag<APlugin>);
static_assert(!acceptsDoubleAsTagValue<APlugin>);
static_assert(!acceptsDoubleStep<APlugin>);
static_assert(!acceptsDoubleOnOff<APlugin>);
static_assert(acceptsRightCalls<APlugin>);

TEST(ParamsStore, OnOffAndSingleValueSetters) {
    auto p = std::make_unique<TestPlugin>();
    p->setOn(77);
    EXPECT_TRUE(p->getOnOff(77));
    EXPECT_FLOAT_EQ(p->getParameter(77), 1.0f);
    p->toggleValue(77);
    EXPECT_FLOAT_EQ(p->getParameter(77), 0.0f);
    p->toggleValue(77);
    EXPECT_FLOAT_EQ(p->getParameter(77), 1.0f);
    p->setOff(77);
    EXPECT_FALSE(p->getOnOff(77));
    p->setOnOff(77, true);
    EXPECT_TRUE(p->getOnOff(77));
    EXPECT_TRUE(p->getOnOff(0.5f));
    EXPECT_FALSE(p->getOnOff(0.4999f));

    p->setToDefault(1);
    EXPECT_FLOAT_EQ(p->getParameter(1), 0.6872f);
    p->setZeroValue(1);
    EXPECT_FLOAT_EQ(p->getParameter(1), 0.75f) << "Main Volume zeroes to 0 dB";
    p->setParameter(3, 0.1f);
    p->setZeroValue(3);
    EXPECT_FLOAT_EQ(p->getParameter(3), 0.5f) << "Pan zeroes to the centre";

    p->setToDefaultRange(93, 99);
    EXPECT_FLOAT_EQ(p->getParameter(93), 0.167f);
    EXPECT_FLOAT_EQ(p->getParameter(99), 0.185f);
    p->setParameter(94, 0.1f);
    p->setToDefaultRange(99, 93);
    p->setToDefaultRange(94, 1024);
    EXPECT_FLOAT_EQ(p->getParameter(94), 0.1f) << "reversed or invalid ranges do nothing";

    TPluginTestAccess::values(*p).origValue[94] = 0.33f;
    p->setToOrig(94);
    EXPECT_FLOAT_EQ(p->getParameter(94), 0.33f);
}

TEST(ParamsStore, CopyAndSwapLeaveTag1021Alone) {
    auto p = std::make_unique<TestPlugin>();
    p->setParameter(1021, 0.9f);
    p->setParameter(7, 0.2f);
    p->copyParameter(1021, 7);
    EXPECT_FLOAT_EQ(p->getParameter(7), 0.2f);
    p->copyParameter(7, 1021);
    EXPECT_FLOAT_EQ(p->getParameter(1021), 0.9f);
    p->swapParameter(7, 1021);
    EXPECT_FLOAT_EQ(p->getParameter(7), 0.2f);
    EXPECT_FLOAT_EQ(p->getParameter(1021), 0.9f);

    p->setParameter(8, 0.6f);
    p->swapParameter(7, 8);
    EXPECT_FLOAT_EQ(p->getParameter(7), 0.6f);
    EXPECT_FLOAT_EQ(p->getParameter(8), 0.2f);
    p->copyParameter(7, 2000);
    p->copyParameter(-1, 7);
    EXPECT_FLOAT_EQ(p->getParameter(7), 0.6f);

    // A range across 1021 skips only the bad pair.
    for (int i = 0; i < 3; ++i) p->setParameter(1019 + i, 0.1f * (i + 1));
    p->copyParameterRange(1019, 600, 3);
    EXPECT_FLOAT_EQ(p->getParameter(600), p->getParameter(1019));
    EXPECT_FLOAT_EQ(p->getParameter(601), p->getParameter(1020));
    EXPECT_FLOAT_EQ(p->getParameter(602), 0.0f) << "1021 is not copied";

    p->copyParameterToRange(7, 700, 703);
    for (int tag = 700; tag <= 703; ++tag) EXPECT_FLOAT_EQ(p->getParameter(tag), 0.6f);
    p->copyParameterToRange(1021, 710, 712);
    EXPECT_FLOAT_EQ(p->getParameter(710), 0.0f);

    p->setParameter(800, 0.25f);
    p->setParameter(801, 0.75f);
    p->swapParameterRange(800, 900, 2);
    EXPECT_FLOAT_EQ(p->getParameter(900), 0.25f);
    EXPECT_FLOAT_EQ(p->getParameter(901), 0.75f);
    EXPECT_FLOAT_EQ(p->getParameter(800), 0.0f);
}

TEST(ParamsStore, TextInParameters) {
    const struct {
        std::string written;
        std::string readBack;
        std::string presetName;  // the program-name reader stops at an empty slot
        const char* why;
    } cases[] = {
        {"a:b?", "a-b ", "a-b ", "colon becomes minus, question mark a space"},
        {"x|<>\"*/\\y", "x       y", "x       y", "characters a file name cannot hold become spaces"},
        {"tab\there", "tabhere", "tab", "control characters become empty slots"},
        {std::string(40, 'k'), std::string(27, 'k'), std::string(27, 'k'), "28 slots keep 27 characters"},
        {"", "", "", "an empty text clears the run"},
    };
    for (const auto& c : cases) {
        auto p = std::make_unique<TestPlugin>();
        for (int i = 0; i < PRESET_NAME_SLOTS; ++i) p->setParameter(PRESET_NAME_PARAM + i, 0.5f);
        p->setStringFromParam(c.written, PRESET_NAME_PARAM, PRESET_NAME_SLOTS, false);
        EXPECT_EQ(p->getStringFromParamStr(PRESET_NAME_PARAM, PRESET_NAME_SLOTS, false, false), c.readBack) << c.why;
        EXPECT_EQ(p->getStringFromParamStr(PRESET_NAME_PARAM, PRESET_NAME_SLOTS, true, false), c.readBack) << c.why;
        EXPECT_EQ(APlugin::getPresetNameFromProgram(TPluginTestAccess::values(*p).programs[0]), c.presetName) << c.why;
        EXPECT_FLOAT_EQ(TPluginTestAccess::values(*p).curValue[PRESET_NAME_PARAM + 27], 0.0f) << "the last slot stays empty";
    }

    auto p = std::make_unique<TestPlugin>();
    p->setStringFromParam("a:b?", PRESET_NAME_PARAM, PRESET_NAME_SLOTS, false);
    EXPECT_FLOAT_EQ(TPluginTestAccess::values(*p).curValue[208], static_cast<float>(('a' + 0.5) / 255.99));
    EXPECT_FLOAT_EQ(TPluginTestAccess::values(*p).editValue[210], static_cast<float>(('b' + 0.5) / 255.99));
    for (int tag = 212; tag <= 235; ++tag) EXPECT_FLOAT_EQ(p->getParameter(tag), 0.0f) << tag;
    EXPECT_FALSE(p->getEditChanged()) << "text is written around the edit tracking";

    // Every written character goes through the same encoding, a refused one as
    // code 0; only the slots past the text keep the cleared 0.0.
    const struct {
        std::string written;
        int slot;
        float stored;
        const char* why;
    } encodings[] = {
        {"a\tb", 1, static_cast<float>(0.5 / 255.99), "a control character is written as code 0"},
        {"a\xe9" "b", 1, static_cast<float>(0.5 / 255.99), "a code above 127 is written as code 0"},
        {"a\tb", 2, static_cast<float>(('b' + 0.5) / 255.99), "the characters after it keep their places"},
        {"a\tb", 3, 0.0f, "a slot past the text stays cleared"},
    };
    for (const auto& e : encodings) {
        auto ownerE = std::make_unique<TestPlugin>();
        ownerE->setStringFromParam(e.written, PRESET_NAME_PARAM, PRESET_NAME_SLOTS, false);
        expectStoredEverywhere(*ownerE, PRESET_NAME_PARAM + e.slot, e.stored, e.why);
        EXPECT_EQ(ownerE->getStringFromParamStr(PRESET_NAME_PARAM, PRESET_NAME_SLOTS, false, false), "ab") << e.why;
    }

    p->setStringFromParam("spare", 300, 8, true);
    EXPECT_EQ(p->getStringFromParamStr(300, 8, true, true), "spare");
    EXPECT_EQ(p->getStringFromParamStr(300, 8, true, false), "") << "the spare block is apart";

    p->setStringFromParam("overflowing", 1020, 10, false);
    EXPECT_EQ(p->getStringFromParamStr(1020, 10, true, false), "over") << "slots past 1023 are skipped";
    EXPECT_EQ(p->getStringFromParamStr(5, 0, true, false), "");
}

// The two readers differ on purpose: one skips empty slots, the program-name
// reader stops at the first one and holds codes to a signed byte.
TEST(ParamsStore, TheTwoTextReadersDiffer) {
    auto p = std::make_unique<TestPlugin>();
    auto code = [](int c) { return static_cast<float>((c + 0.5) / 255.99); };
    const float slots[] = {code('a'), code('b'), 0.0f, code('c'), 1.0f, std::numeric_limits<float>::quiet_NaN(),
                           code('d')};
    // The start program's own name is cleared first.
    for (int i = 0; i < PRESET_NAME_SLOTS; ++i)
        TPluginTestAccess::values(*p).programs[0].values[PRESET_NAME_PARAM + i] = i < 7 ? slots[i] : 0.0f;
    EXPECT_EQ(p->getStringFromParamStr(PRESET_NAME_PARAM, PRESET_NAME_SLOTS, false, false), "abcd")
        << "empty, 256 (low byte 0) and NaN slots are skipped";
    EXPECT_EQ(APlugin::getPresetNameFromProgram(TPluginTestAccess::values(*p).programs[0]), "ab") << "stops at the first empty slot";

    TPluginTestAccess::values(*p).programs[0].values[PRESET_NAME_PARAM + 2] = 1.0f;
    EXPECT_EQ(APlugin::getPresetNameFromProgram(TPluginTestAccess::values(*p).programs[0]), std::string("ab\x7f") + "c\x7f")
        << "code 256 saturates to 127; NaN ends the name";

    // A name in every slot: the reader stays within its 28 slots.
    for (int i = 0; i < 40; ++i) TPluginTestAccess::values(*p).programs[0].values[PRESET_NAME_PARAM + i] = code('z');
    EXPECT_EQ(APlugin::getPresetNameFromProgram(TPluginTestAccess::values(*p).programs[0]), std::string(28, 'z'));
}

// An editor that records the values it is asked to show.
struct EchoEditor : AEffEditor, TEditorHooks {
    explicit EchoEditor(AudioEffect* effect) : AEffEditor(effect) {}
    void setEditTag(int) override {}
    void setParameter(int tag, float value) override { echoes.push_back({tag, value}); }
    void updateIdleVars() override {}
    void updateModFX() override {}
    void clearUndos() override {}
    std::vector<std::pair<int, float>> echoes;
};

TEST(ParamsStore, StoresReachTheEditorAsMarksNeverAsCalls) {
    auto p = std::make_unique<TestPlugin>();
    EXPECT_FALSE(p->isEditorOpen()) << "no editor object";
    TPluginTestAccess::flags(*p).screenUpdatePending = true;
    p->updateEditorScreen();
    EXPECT_FALSE(TPluginTestAccess::flags(*p).screenUpdatePending.load());

    auto* editor = new EchoEditor(p.get());
    p->setEditor(editor);
    int window = 0;
    editor->open(&window);
    EXPECT_FALSE(p->isEditorOpen()) << "not until the editor says it has opened";
    p->setEditorOpenState(true, true);
    EXPECT_FALSE(p->isEditorOpen()) << "still opening";
    p->setEditorOpenState(false, true);
    ASSERT_TRUE(p->isEditorOpen());

    std::vector<int> tags;
    p->takeChangedTags(tags);
    tags.clear();
    p->setParameter(28, 1.7f);
    p->setParameter(300, 0.3f);
    p->setParameter(127, 0.3f);
    p->setParameter(28, 0.2f);   // marked once however often it is stored
    p->setParameter(1024, 0.5f);  // no such tag
    EXPECT_TRUE(editor->echoes.empty()) << "the store never calls into the editor";
    p->takeChangedTags(tags);
    EXPECT_EQ(tags, (std::vector<int>{28, 127, 300})) << "every stored tag, ascending";
    tags.clear();
    p->takeChangedTags(tags);
    EXPECT_TRUE(tags.empty()) << "marks are taken once";

    const TEditorRequests first = p->takeEditorRequests();
    EXPECT_TRUE(first.redraw) << "the screen update above asked for a refresh";
    TPluginTestAccess::flags(*p).screenUpdatePending = true;
    p->updateEditorScreen();
    EXPECT_FALSE(TPluginTestAccess::flags(*p).screenUpdatePending.load());
    EXPECT_TRUE(p->takeEditorRequests().redraw);
    EXPECT_FALSE(p->takeEditorRequests().redraw) << "a request is taken once";

    editor->close();
    EXPECT_FALSE(p->isEditorOpen()) << "a closed window is not open";
}

}  // namespace
