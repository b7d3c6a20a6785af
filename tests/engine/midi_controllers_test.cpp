// Controllers: the fixed controllers that become modulation sources, pressure,
// MIDI learn through the controller map, and soft takeover in capture mode.
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "platform/Desktop.h"
#include "plugin/uPlugin.h"
#include "tests/plugin/plugin_test_access.h"

using enginetest::EnginePlugin;

namespace {

constexpr int TAG_FILTER_FREQUENCY = 28;
constexpr int TAG_RIBBON_VALUE = 123;

std::unique_ptr<EnginePlugin> freshPlugin() {
    enginepreferences::setCaptureModeSetting(true);
    enginepreferences::setSpringModeSetting(true);
    auto plugin = std::make_unique<EnginePlugin>();
    plugin->resetMIDI();
    return plugin;
}

}  // namespace

TEST(MidiControllers, FixedControllersFeedSources) {
    struct Case {
        int controller, source;
    };
    const Case cases[] = {{2, 19},  {3, 20},  {4, 21},  {11, 22}, {16, 23}, {21, 28}, {74, 29},
                          {84, 30}, {90, 36}, {113, 37}, {114, 38}};
    auto plugin = freshPlugin();
    int value = 10;
    for (const Case& c : cases) {
        plugin->controller(c.controller, value);
        plugin->render(1);
        for (int v : {0, 9, 15})
            EXPECT_FLOAT_EQ(TEngineTestAccess::mod(*plugin).voiceMidiModSrc(v)[c.source], value / 127.0f)
                << "controller " << c.controller;
        value += 9;
    }
    // A controller without a fixed role feeds no source.
    const auto before = TEngineTestAccess::mod(*plugin).voiceMidiModSrc(3);
    plugin->controller(7, 99);
    plugin->render(1);
    EXPECT_EQ(TEngineTestAccess::mod(*plugin).voiceMidiModSrc(3), before);
}

TEST(MidiControllers, ModWheelAndPressure) {
    auto plugin = freshPlugin();
    plugin->noteOn(60);
    plugin->noteOn(64);
    plugin->render(4);
    plugin->controller(1, 127);
    plugin->send(0, 0xD0, 64, 0);       // channel pressure
    plugin->send(0, 0xA0, 64, 127);     // poly aftertouch on the note 64
    plugin->render(1);
    EXPECT_FLOAT_EQ(TEngineTestAccess::midi(*plugin).modWheel, 1.0f);
    for (int v = 0; v < NUM_VOICES; ++v) {
        EXPECT_FLOAT_EQ(TEngineTestAccess::midi(*plugin).voiceModWheel[v], 1.0f);
        EXPECT_FLOAT_EQ(TEngineTestAccess::midi(*plugin).voicePressure[v], 64 / 127.0f);
    }
    const int voiceOf64 = TEngineTestAccess::voices(*plugin).voiceNote[0] == 64 ? 0 : 1;
    EXPECT_FLOAT_EQ(TEngineTestAccess::midi(*plugin).polyAftertouch[voiceOf64], 1.0f);
    EXPECT_FLOAT_EQ(TEngineTestAccess::midi(*plugin).polyAftertouch[1 - voiceOf64], 0.0f);
    // Aftertouch on a note nobody plays reaches every voice.
    plugin->send(0, 0xA0, 90, 32);
    plugin->render(1);
    for (int v = 0; v < NUM_VOICES; ++v)
        EXPECT_FLOAT_EQ(TEngineTestAccess::midi(*plugin).polyAftertouch[v], 32 / 127.0f);

    // The global mod wheel approaches the wheel by 1 % per control step.
    plugin->render(16 * 600, 256);
    EXPECT_NEAR(TEngineTestAccess::mod(*plugin).globalModSrc()[1], 1.0f, 0.01f);
}

// Learning binds the next controller; with capture on the controller moves the
// parameter only once it comes within 0.025 of the value it had at learning.
TEST(MidiControllers, LearnAndSoftTakeover) {
    auto plugin = freshPlugin();
    plugin->setParameter(TAG_FILTER_FREQUENCY, 0.2f);
    plugin->setMIDILatch(TAG_FILTER_FREQUENCY, true);
    plugin->controller(7, 100);
    plugin->render(1);
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).midiCCTag[7], TAG_FILTER_FREQUENCY);
    EXPECT_EQ(enginepreferences::controllerBinding(7), TAG_FILTER_FREQUENCY) << "kept in the preferences";
    EXPECT_FALSE(TEngineTestAccess::midi(*plugin).midiLearnArmed);

    struct Step {
        int value;
        float expected;
        const char* why;
    };
    const Step steps[] = {
        {100, 0.2f, "learning does not move the parameter"},
        {127, 0.2f, "far from the reference: nothing"},
        {29, 0.2f, "0.228 is 0.028 away: still nothing"},
        {28, 28 / 127.0f, "0.2205 is within 0.025: caught"},
        {127, 1.0f, "caught: follows everywhere"},
        {0, 0.0f, "and back"},
    };
    for (const Step& s : steps) {
        plugin->controller(7, s.value);
        plugin->render(1);
        EXPECT_FLOAT_EQ(plugin->getParameter(TAG_FILTER_FREQUENCY), s.expected) << s.why;
    }
}

TEST(MidiControllers, AllOffControllersCannotBeLearned) {
    auto plugin = freshPlugin();
    plugin->setMIDILatch(TAG_FILTER_FREQUENCY, true);
    plugin->controller(123, 0);
    plugin->render(1);
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).midiCCTag[123], 0);
    EXPECT_TRUE(TEngineTestAccess::midi(*plugin).midiLearnArmed) << "still waiting for a controller it can take";
    plugin->controller(20, 64);
    plugin->render(1);
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).midiCCTag[20], TAG_FILTER_FREQUENCY);

    // Arming with a tag outside the parameters changes nothing.
    plugin->setMIDILatch(5000, true);
    EXPECT_FALSE(TEngineTestAccess::midi(*plugin).midiLearnArmed);
}

TEST(MidiControllers, UnlearnAndReset) {
    auto plugin = freshPlugin();
    for (int cc : {7, 8}) {
        plugin->setMIDILatch(TAG_FILTER_FREQUENCY, true);
        plugin->controller(cc, 1);
        plugin->render(1);
    }
    ASSERT_EQ(TEngineTestAccess::midi(*plugin).midiCCTag[8], TAG_FILTER_FREQUENCY);
    plugin->setMIDILatch(TAG_FILTER_FREQUENCY, false);
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).midiCCTag[7], 0);
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).midiCCTag[8], 0);
    EXPECT_EQ(enginepreferences::controllerBinding(8), 0);

    plugin->setMIDILatch(30, true);
    plugin->controller(9, 1);
    plugin->render(1);
    plugin->setParameter(30, 0.6f);
    plugin->resetMIDI();
    EXPECT_EQ(TEngineTestAccess::midi(*plugin).midiCCTag[9], 0);
    EXPECT_FLOAT_EQ(plugin->values.captureValue[30], 0.6f);
    EXPECT_FALSE(plugin->values.captured[30]);
}

// One controller both drives its source and, when bound, a parameter (at once,
// with capture off).
TEST(MidiControllers, BoundControllersKeepTheirFixedRole) {
    enginepreferences::setCaptureModeSetting(false);
    auto plugin = freshPlugin();
    enginepreferences::setCaptureModeSetting(false);
    plugin->setMIDILatch(TAG_FILTER_FREQUENCY, true);
    plugin->controller(1, 0);
    plugin->render(1);
    plugin->controller(1, 127);
    plugin->render(1);
    EXPECT_FLOAT_EQ(TEngineTestAccess::midi(*plugin).modWheel, 1.0f);
    EXPECT_FLOAT_EQ(plugin->getParameter(TAG_FILTER_FREQUENCY), 1.0f);
    enginepreferences::setCaptureModeSetting(true);
}

// Typing a controller number binds it; the window's title names the parameter.
TEST(MidiControllers, TypedControllerNumber) {
    struct Case {
        platform::TDesktopButton button;
        std::string typed;
        int boundController;  // -1: nothing bound
        const char* why;
    };
    const Case cases[] = {
        {platform::TDesktopButton::ok, "74", 74, "a number"},
        {platform::TDesktopButton::ok, "300", 127, "above the range: the last controller"},
        {platform::TDesktopButton::ok, "-4", 0, "below the range: controller 0"},
        {platform::TDesktopButton::ok, "abc", 0, "not a number reads as 0"},
        {platform::TDesktopButton::ok, "12 knobs", 12, "the leading number"},
        {platform::TDesktopButton::cancel, "", -1, "cancelled: nothing changes"},
    };
    for (const Case& c : cases) {
        // Asking for the number is the plug-in's (its dialog, the parameter's name).
        enginetest::usePrivatePreferences();
        auto plugin = std::make_unique<APlugin>(enginetest::testAudioMaster);
        plugin->resetMIDI();
        platform::TDesktopRequest asked;
        platform::setDesktopScript([&](const platform::TDesktopRequest& request) {
            asked = request;
            platform::TDesktopAnswer answer;
            answer.button = c.button;
            answer.text = c.typed;
            return answer;
        });
        plugin->setMIDICCNum(TAG_FILTER_FREQUENCY);
        platform::setDesktopScript(nullptr);
        EXPECT_EQ(asked.kind, platform::TDesktopKind::textInput) << c.why;
        EXPECT_EQ(asked.text, "MIDI CC (0 - 127)") << c.why;
        EXPECT_EQ(asked.headline, "MIDI CC: " + plugin->getParameterNameStr(TAG_FILTER_FREQUENCY)) << c.why;
        int bound = -1;
        for (int cc = 0; cc < 128; ++cc)
            if (TPluginTestAccess::midi(*plugin).midiCCTag[cc] == TAG_FILTER_FREQUENCY) bound = cc;
        EXPECT_EQ(bound, c.boundController) << c.why;
        if (bound >= 0) {
            EXPECT_EQ(enginepreferences::controllerBinding(bound), TAG_FILTER_FREQUENCY) << c.why;
        }
    }
}

// Every message of a controller bound to "Ribbon Value" restarts the spring's
// countdown, also one that soft takeover keeps from moving the ribbon.
TEST(MidiControllers, RibbonControllerRestartsTheSpring) {
    struct Case {
        bool capture, spring;
        int value;              // the ribbon is at 0.5 when the controller is learned
        float expectedRibbon;
        int expectedCountdown;  // -1: the spring is not restarted
        const char* why;
    };
    const Case cases[] = {
        {true, true, 127, 0.5f, 4, "not caught yet: the ribbon stays, the countdown restarts"},
        {true, true, 64, 64 / 127.0f, 4, "caught: the ribbon moves and the countdown restarts"},
        {false, true, 127, 1.0f, 4, "capture off: the ribbon jumps"},
        {true, false, 127, 0.5f, -1, "\"MIDISpring\" off: no countdown"},
    };
    for (const Case& c : cases) {
        auto plugin = freshPlugin();
        enginepreferences::setCaptureModeSetting(c.capture);
        enginepreferences::setSpringModeSetting(c.spring);
        plugin->setParameter(TAG_RIBBON_VALUE, 0.5f);
        plugin->setMIDILatch(TAG_RIBBON_VALUE, true);
        plugin->controller(16, 0);  // learned; 0 is far from 0.5, so it moves nothing
        plugin->render(1);
        ASSERT_EQ(TEngineTestAccess::midi(*plugin).midiCCTag[16], TAG_RIBBON_VALUE) << c.why;
        TEngineTestAccess::engine(*plugin).ribbonSpringCountdown = -1;
        plugin->controller(16, c.value);
        plugin->render(1);
        EXPECT_FLOAT_EQ(plugin->getParameter(TAG_RIBBON_VALUE), c.expectedRibbon) << c.why;
        EXPECT_EQ(TEngineTestAccess::engine(*plugin).ribbonSpringCountdown, c.expectedCountdown) << c.why;
    }
    enginepreferences::setCaptureModeSetting(true);
    enginepreferences::setSpringModeSetting(true);
}
