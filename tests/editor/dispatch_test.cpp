// Controls to the plug-in and the host, and the plug-in's values back: the
// opening page, knob gestures, switches, stepped and grouped menus, program
// steps by arrow and key with their guard, typed entries, and the menus'
// names that follow the source and Mod FX modes.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>
#include <string>

#include "editor_test_host.h"
#include "controls/THSlider.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TReadout.h"
#include "editor/EditorTables.h"

using namespace editor_test;

namespace {

constexpr int MAIN_VOLUME = 1, SOURCE_MODE = 10, SEMI = 12, NOISE_MIX = 14, FILTER_MODE = 27, FX_PATH = 75;
constexpr int MOD_FX_MODE = 82, SLOT_1_DEST = 115, SAMPLE_REVERSE = 20;

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The texts drawn inside a view at the last full redraw, top to bottom.
std::vector<std::string> textsIn(TEditorBench& bench, const kgui::CView* view) {
    bench.target.getRecorder().clear();
    bench.target.renderAll();
    std::vector<kgui::DrawOp> texts = bench.target.getRecorder().texts();
    const kgui::CRect box = view->getFrameRect();
    std::erase_if(texts, [&](const kgui::DrawOp& op) { return !box.pointInside(op.rect.getCenter()); });
    std::stable_sort(texts.begin(), texts.end(),
                     [](const kgui::DrawOp& a, const kgui::DrawOp& b) { return a.rect.top < b.rect.top; });
    std::vector<std::string> result;
    for (const kgui::DrawOp& op : texts)
        result.push_back(op.text);
    return result;
}

}  // namespace

TEST(Dispatch, OpensOnTheBackScreenAndAClickElsewhereLeadsToTheMainScreenEveryTime) {
    TEditorBench bench(0, false);
    ASSERT_TRUE(bench.open());
    uEditor& e = *bench.editor;
    kgui::CFrame* frame = e.getFrame();
    EXPECT_EQ(e.getScreenMode(), 3) << "the window opens on the back screen";
    EXPECT_EQ(frame->getBackground(), e.backScreenBitmap);
    const kgui::CPoint elsewhere(600, 760);
    // The screen buttons leave the frame while pressed: each must work again.
    for (int round = 0; round < 3; ++round) {
        bench.click(elsewhere);
        EXPECT_EQ(e.getScreenMode(), 0) << "round " << round;
        EXPECT_TRUE(frame->isChild(e.knobMainVolume));
        bench.click(centreOf(e.backScreenButton));  // the logo area
        EXPECT_EQ(e.getScreenMode(), 3) << "round " << round;
    }
    bench.click(elsewhere);
    for (int round = 0; round < 2; ++round) {
        bench.click(centreOf(e.sampleScreenArea));
        EXPECT_EQ(e.getScreenMode(), 1) << "round " << round;
        bench.click(centreOf(e.sampleScreenArea));
        EXPECT_EQ(e.getScreenMode(), 0) << "round " << round;
    }
}

TEST(Dispatch, AKnobDragAutomatesItsParameterBetweenBeginAndEndEditEvenThroughARedraw) {
    TNotedBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    struct Case {
        TKnob* knob;
        int tag;
        const char* reason;
    } cases[] = {
        {e.knobMainVolume, MAIN_VOLUME, "a knob of the frame"},
        {e.knobNoiseMix, NOISE_MIX, "a knob of the source panel, which a redraw request refills"},
    };
    for (const Case& c : cases) {
        plugin.setParameterAutomated(c.tag, 0.3f);
        bench.idle();
        bench.heard.clear();
        const kgui::CPoint start = centreOf(c.knob);
        bench.target.mouseDown(start);
        bench.target.mouseMoved(start - kgui::CPoint(0, 20), kgui::kLButton);
        // A program applied meanwhile asks for a full refresh.
        plugin.requestEditorRedraw();
        bench.idle();
        bench.target.mouseMoved(start - kgui::CPoint(0, 40), kgui::kLButton);
        bench.target.mouseUp(start - kgui::CPoint(0, 40));
        ASSERT_GE(bench.heard.size(), 3u) << c.reason;
        EXPECT_EQ(bench.heard.front(), "begin " + std::to_string(c.tag)) << c.reason;
        EXPECT_EQ(bench.heard.back(), "end " + std::to_string(c.tag)) << c.reason;
        for (size_t i = 1; i + 1 < bench.heard.size(); ++i)
            EXPECT_EQ(bench.heard[i].rfind("automate " + std::to_string(c.tag) + " ", 0), 0u) << bench.heard[i];
        EXPECT_GT(plugin.getParameter(c.tag), 0.35f) << c.reason << ": the drag goes on after the redraw";
        EXPECT_FLOAT_EQ(c.knob->getValue(), plugin.getParameter(c.tag));
    }
}

// A value typed into a knob or the ribbon (Alt-click) reaches the host once,
// as the plug-in stored it, between the control's begin and end edit; an
// entry that stores nothing sends nothing. The ribbon's spring follower, which
// takes the parameter over at the idle passes, does not send it again. The
// parameter menu's "Set to Value" (where a window manager keeps Alt-clicks)
// stores the value without telling the host, as every other typed entry does.
TEST(Dispatch, AValueTypedIntoAKnobOrTheRibbonReachesTheHostOnce) {
    constexpr int RIBBON_SPRING_TIME = 125;
    TNotedBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    struct Case {
        kgui::CControl* control;
        float start;
        std::optional<std::string> typed;  // none: the window is cancelled
        int springTime;
        float stored;
        std::vector<std::string> heard;
        const char* reason;
        bool fromMenu = false;  // typed through the parameter menu, not an Alt-click
        kgui::int32 keys = kgui::kAlt;
    } cases[] = {
        {e.knobMainVolume, 0.624f, "-6", 0, 0.675f, {"begin 1", "automate 1 0.675", "end 1"}, "-6 dB on Main Volume"},
        {e.knobMainVolume, 0.624f, std::nullopt, 0, 0.624f, {"begin 1", "end 1"}, "cancelled"},
        {e.knobMainVolume, 0.624f, "loud", 0, 0.624f, {"begin 1", "end 1"}, "no number"},
        {e.knobRelease, 0.5f, "0", 0, 0.5f, {"begin 127", "end 127"}, "a time at the threshold is refused"},
        {e.ribbonSlider, 0.5f, "50", 0, 0.75f, {"begin 123", "automate 123 0.75", "end 123"}, "the ribbon"},
        {e.ribbonSlider, 0.5f, "-100", 15, 0.0f, {"begin 123", "automate 123 0", "end 123"}, "with its spring"},
        {e.ribbonSlider, 0.5f, std::nullopt, 15, 0.5f, {"begin 123", "end 123"}, "the ribbon, cancelled"},
        {e.knobMainVolume, 0.624f, "-6", 0, 0.675f, {}, "\"Set to Value\" stores quietly", true},
        {e.ribbonSlider, 0.3f, std::nullopt, 15, 0.5f, {"begin 123", "automate 123 0.5", "end 123"},
         "Ctrl-click centres the sprung ribbon, once", false, kgui::kControl},
    };
    for (const Case& c : cases) {
        const int tag = c.control->getTag();
        plugin.setSteppedValue(RIBBON_SPRING_TIME, c.springTime);
        plugin.setParameterAutomated(tag, c.start);
        bench.idle();
        bench.heard.clear();
        bench.settings.typedAnswers.clear();
        if (c.typed)
            bench.settings.typedAnswers = {*c.typed};
        if (c.fromMenu)
            answerMenusWith(bench.target, "Set to Value");
        bench.clock.advance(1000);
        bench.target.click(centreOf(c.control), c.fromMenu ? kgui::kRButton : kgui::kLButton | c.keys);
        bench.idle();
        const std::string what = '"' + c.typed.value_or("(cancelled)") + "\": " + c.reason;
        EXPECT_FLOAT_EQ(plugin.getParameter(tag), c.stored) << what;
        EXPECT_FLOAT_EQ(c.control->getValue(), c.stored) << what << ": the control shows it";
        EXPECT_EQ(bench.heard, c.heard) << what;
    }
}

// Every mouse move of a drag is one automation write to the host, whether
// the knob moves freely or in the semitone steps of an amount aimed at a
// semitone destination.
TEST(Dispatch, EachMoveOfAKnobDragIsOneAutomationWrite) {
    constexpr int MOVEMENT_DESTINATION_1 = 59, SOURCE_SEMI_DESTINATION = 8;
    TNotedBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    plugin.setSteppedValue(MOVEMENT_DESTINATION_1, SOURCE_SEMI_DESTINATION);
    bench.idle();
    struct Case {
        TKnob* knob;
        kgui::int32 buttons;
        float expected;  // after 11 pixels up from 0.5
        const char* reason;
    } cases[] = {
        {e.knobMovementAmount1, kgui::kLButton, 40.0f / 72.0f, "an amount of a semitone destination, in steps"},
        {e.knobMovementAmount1, kgui::kLButton | kgui::kShift, 0.5f + 11.0f / 10000.0f, "the same with Shift, free"},
        {e.knobMainVolume, kgui::kLButton, 0.555f, "a knob without steps"},
    };
    for (const Case& c : cases) {
        const int tag = c.knob->getTag();
        plugin.setParameterAutomated(tag, 0.5f);
        bench.idle();
        const kgui::CPoint start = centreOf(c.knob);
        bench.clock.advance(1000);
        bench.target.mouseDown(start, c.buttons);
        for (int pixels : {3, 7, 11}) {
            bench.heard.clear();
            bench.target.mouseMoved(start - kgui::CPoint(0, pixels), c.buttons);
            const auto writes = std::count_if(bench.heard.begin(), bench.heard.end(), [](const std::string& heard) {
                return heard.rfind("automate ", 0) == 0;
            });
            EXPECT_EQ(writes, 1) << c.reason << ", " << pixels << " pixels up";
        }
        bench.target.mouseUp(start - kgui::CPoint(0, 11));
        EXPECT_NEAR(plugin.getParameter(tag), c.expected, 1e-6) << c.reason;
        EXPECT_NEAR(c.knob->getValue(), c.expected, 1e-6) << c.reason;
    }
}

TEST(Dispatch, SwitchesToggleAndMenusStepByZoneWheelAndChoice) {
    TNotedBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    // A switch: each click turns it over, and the host hears it.
    const bool before = plugin.getOnOff(SAMPLE_REVERSE);
    plugin.setSteppedValue(SOURCE_MODE, 4);  // the reverse switch shows with a sample source
    bench.idle();
    bench.click(centreOf(e.onOffSampleRevOnOff));
    EXPECT_NE(plugin.getOnOff(SAMPLE_REVERSE), before);
    EXPECT_TRUE(contains(bench.heard, "automate 20 " + std::string(before ? "0" : "1")));
    EXPECT_EQ(plugin.getSteppedValue(244), before ? 0 : 3) << "the loop mode follows the reverse switch";
    bench.click(centreOf(e.onOffSampleRevOnOff));
    EXPECT_EQ(plugin.getOnOff(SAMPLE_REVERSE), before);

    // The source mode menu: its -/+ zones step, the wheel steps, the middle opens it.
    plugin.setSteppedValue(SOURCE_MODE, 1);
    bench.idle();
    const kgui::CRect box = e.menuSourceMode->getFrameRect();
    const kgui::CPoint left(box.left + 3, box.getCenter().y), right(box.right - 3, box.getCenter().y);
    struct Step {
        const char* how;
        std::function<void()> act;
        int expected;
    } steps[] = {
        {"the + zone", [&] { bench.click(right); }, 2},
        {"the - zone", [&] { bench.click(left); }, 1},
        {"the - zone at the first step stays", [&] { bench.click(left), bench.click(left); }, 0},
        {"rolling down", [&] { bench.target.wheel(box.getCenter(), -1), bench.idle(); }, 1},
        {"rolling up", [&] { bench.target.wheel(box.getCenter(), 1), bench.idle(); }, 0},
        {"a choice in the menu", [&] { bench.target.chooseNext({"Wave"}), bench.click(box.getCenter()); }, 3},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(plugin.getSteppedValue(SOURCE_MODE), step.expected) << step.how;
        EXPECT_EQ(e.menuSourceMode->getValue(), static_cast<float>(step.expected)) << step.how << ": the menu follows";
    }
}

TEST(Dispatch, ProgramArrowsAndKeysStepOnceIn300MillisecondsAndNeverWhileAProgramApplies) {
    TNotedBench bench;
    uEditor& e = *bench.editor;
    TNotedPlugin& plugin = bench.noted();
    const kgui::CRect preset = e.presetMenu->getFrameRect();
    const kgui::CPoint next(preset.right - 3, preset.getCenter().y), previous(preset.right - 13, preset.getCenter().y);
    const vst::VstKeyCode up{0, vst::VKEY_UP, 0}, down{0, vst::VKEY_DOWN, 0}, right{0, vst::VKEY_RIGHT, 0};
    const vst::VstKeyCode pageUp{0, vst::VKEY_PAGEUP, 0};
    struct Case {
        const char* what;
        kgui::uint32 wait;  // milliseconds since the last action
        std::function<int()> act;
        std::vector<int> steps;  // the plug-in's steps so far
        int answer;              // what the key answered (0 for a click)
    } cases[] = {
        {"the next arrow", 1000, [&] { return bench.target.click(next), 0; }, {1}, 0},
        {"a second click 100 ms later is dropped", 100, [&] { return bench.target.click(next), 0; }, {1}, 0},
        {"one 300 ms after the last step is taken", 200, [&] { return bench.target.click(previous), 0; }, {1, -1}, 0},
        {"the down key", 1000, [&] { return e.onKeyDown(down, e.getFrame()); }, {1, -1, 1}, 1},
        {"the up key 100 ms later: used, not stepped", 100, [&] { return e.onKeyDown(up, e.getFrame()); },
         {1, -1, 1}, 1},
        {"the up key 300 ms later", 200, [&] { return e.onKeyDown(up, e.getFrame()); }, {1, -1, 1, -1}, 1},
        {"page keys are taken and do nothing", 1000, [&] { return e.onKeyDown(pageUp, e.getFrame()); },
         {1, -1, 1, -1}, 1},
        {"the right key is the host's", 1000, [&] { return e.onKeyDown(right, e.getFrame()); }, {1, -1, 1, -1}, -1},
    };
    for (const Case& c : cases) {
        bench.clock.advance(c.wait);
        EXPECT_EQ(c.act(), c.answer) << c.what;
        EXPECT_EQ(plugin.programSteps, c.steps) << c.what;
    }
    // While a program is being applied, neither arrows nor keys step.
    plugin.setParameter(1022, 1.0f);
    ASSERT_TRUE(plugin.getIsSettingPreset());
    bench.clock.advance(1000);
    bench.target.click(next);
    bench.clock.advance(1000);
    EXPECT_EQ(e.onKeyDown(down, e.getFrame()), 1);
    EXPECT_EQ(plugin.programSteps.size(), 4u) << "refused while the program applies";
    bench.applyProgram();
    bench.clock.advance(1000);
    e.onKeyDown(down, e.getFrame());
    EXPECT_EQ(plugin.programSteps.size(), 5u);

    // The "Keyboard" preference off: the keys go to the host, at once.
    bench.editor->keyboardOn = true;
    e.showBackScreen();
    bench.click(centreOf(e.keyboardSwitch));
    EXPECT_FALSE(e.getKeyboardOn());
    bench.clock.advance(1000);
    EXPECT_EQ(e.onKeyDown(down, e.getFrame()), -1);
    EXPECT_EQ(plugin.programSteps.size(), 5u);
    // Read at the next opening too.
    e.close();
    uEditor reopened(bench.plugin.get(), bench.plugin.get());
    EXPECT_FALSE(reopened.getKeyboardOn());
}

TEST(Dispatch, MenuChoicesSetTheStepTheirTextNames) {
    TNotedBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    plugin.setSteppedValue(SOURCE_MODE, 4);  // the sample menu shows with a sample source
    bench.idle();
    struct Case {
        TOptionMenu* menu;
        std::string entry;  // the entry's title, found at any depth
        int tag;
        int step;
        const char* reason;
    } cases[] = {
        {e.filterMenu, FILTER_MODE_STR[12], FILTER_MODE, 12, "a filter type in its group's submenu"},
        {e.filterMenu, FILTER_MODE_STR[0], FILTER_MODE, 0, "Bypass stands alone"},
        {e.sampleMenu, SAMPLE_STR[30], 19, 30, "a sample in its group"},
        {e.srcMenus[1], SRC_STR[45], 111, 45, "a modulation source in its submenu"},
        {e.destMenus[0], DEST_STR[30], SLOT_1_DEST, 30, "a destination in its group"},
        {e.menuFXPath, FX_PATH_STR[23], FX_PATH, 23, "the last effects order"},
        {e.menuPlayMode, std::string(), 5, -1, "a dismissed menu changes nothing"},
    };
    for (const Case& c : cases) {
        const int before = plugin.getSteppedValue(c.tag);
        if (c.entry.empty())
            bench.target.dismissNext();
        else
            answerMenusWith(bench.target, c.entry);
        bench.click(centreOf(c.menu));
        bench.target.setPopupProvider({});
        EXPECT_EQ(plugin.getSteppedValue(c.tag), c.step < 0 ? before : c.step) << c.reason;
    }
    EXPECT_TRUE(bench.target.getUnresolvedChoices().empty());
    // The effects path menu shows the order as four lines, first stage on top.
    EXPECT_EQ(textsIn(bench, e.menuFXPath), (std::vector<std::string>{"REVERB", "DELAY", "MOD FX", "LOW-FI"}));
    // A destination menu shows the short name of its step.
    EXPECT_EQ(e.destMenus[0]->getString(), DEST_SHORT_STR[30]);
}

TEST(Dispatch, DestinationNamesFollowTheWaveSourceAndTheModFXMode) {
    TNotedBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    plugin.setSteppedValue(SLOT_1_DEST, 10);
    plugin.setSteppedValue(SOURCE_MODE, 3);  // "Wave"
    bench.idle();
    bench.idle();
    EXPECT_EQ(e.getDestStr(10), "Source Wave Mix");
    EXPECT_EQ(e.destMenus[0]->getString(), "Src Wave Mix");
    // Chosen by that name, the Wave-mode entry sets destination 10.
    plugin.setSteppedValue(SLOT_1_DEST, 0);
    bench.idle();
    answerMenusWith(bench.target, "Source Wave Mix");
    bench.click(centreOf(e.destMenus[0]));
    bench.target.setPopupProvider({});
    EXPECT_EQ(plugin.getSteppedValue(SLOT_1_DEST), 10);

    plugin.setSteppedValue(SOURCE_MODE, 0);
    bench.idle();
    bench.idle();
    EXPECT_EQ(e.getDestStr(10), DEST_STR[10]);
    EXPECT_EQ(e.destMenus[0]->getString(), DEST_SHORT_STR[10]);

    plugin.setSteppedValue(SLOT_1_DEST, 46);
    plugin.setSteppedValue(MOD_FX_MODE, 1);  // Flanger
    bench.idle();
    bench.idle();
    for (int j = 0; j < 5; ++j)
        EXPECT_EQ(e.getDestStr(46 + j), MOD_FX_VAR_STR[5 + j]);
    EXPECT_EQ(e.destMenus[0]->getString(), MOD_FX_VAR_SHORT_STR[5]);
}

// The settings page's A4 and brick filter boxes read a number as far as it
// goes, as atoi does; a number out of range gives the default, a cancelled
// box (or nothing typed) changes nothing. Every row starts from 300 Hz and
// 25 kHz, which no row's default is.
TEST(Dispatch, TypedFrequenciesAreReadAsFarAsTheNumberGoes) {
    TNotedBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    e.showBackScreen();
    const float a4Start = (std::log2(300.0f / 440.0f) + 1.0f) * 0.5f;
    const float brickStart = std::log2(25000.0f / 20.0f) / 12.0f;
    constexpr int UNCHANGED = -1;
    struct Case {
        TReadout* readout;
        std::optional<std::string> typed;  // none: the box is cancelled
        int stored;                        // Hz or kHz
        const char* reason;
    } cases[] = {
        {e.a4TuningReadout, "441", 441, "in range"},
        {e.a4TuningReadout, "440 Hz", 440, "the unit after the number"},
        {e.a4TuningReadout, " \t880 ", 880, "blanks before, the highest"},
        {e.a4TuningReadout, "+220", 220, "a sign, the lowest"},
        {e.a4TuningReadout, "442.7", 442, "a decimal read to its point"},
        {e.a4TuningReadout, "512Hz, please", 512, "anything after the digits"},
        {e.a4TuningReadout, "219", 440, "below the range: the default"},
        {e.a4TuningReadout, "881", 440, "above the range: the default"},
        {e.a4TuningReadout, "44O", 440, "read as 44: the default"},
        {e.a4TuningReadout, "1e3", 440, "read as 1: the default"},
        {e.a4TuningReadout, "-300", 440, "negative: the default"},
        {e.a4TuningReadout, "Hz 300", 440, "no digit first reads 0: the default"},
        {e.a4TuningReadout, "nan", 440, "not a number reads 0: the default"},
        {e.a4TuningReadout, "99999999999999999999", 440, "beyond int: the default"},
        {e.a4TuningReadout, std::nullopt, UNCHANGED, "cancelled: nothing changes"},
        {e.a4TuningReadout, "", UNCHANGED, "nothing typed: nothing changes"},
        {e.a4TuningReadout, "   ", UNCHANGED, "blanks alone: nothing changes"},
        {e.brickFilterReadout, "40", 40, "the highest"},
        {e.brickFilterReadout, "10", 10, "the lowest"},
        {e.brickFilterReadout, "20k", 20, "kHz with a k"},
        {e.brickFilterReadout, "18 KHz", 18, "kHz with the unit"},
        {e.brickFilterReadout, "15.9", 15, "a decimal read to its point"},
        {e.brickFilterReadout, "9", 15, "below the range: the default"},
        {e.brickFilterReadout, "41", 15, "above the range: the default"},
        {e.brickFilterReadout, "20000", 15, "Hz are no kHz: the default"},
        {e.brickFilterReadout, "inf", 15, "no digit reads 0: the default"},
        {e.brickFilterReadout, std::nullopt, UNCHANGED, "cancelled: nothing changes"},
        {e.brickFilterReadout, "", UNCHANGED, "nothing typed: nothing changes"},
    };
    for (const Case& c : cases) {
        plugin.setParameter(1017, a4Start);
        plugin.setParameter(1019, brickStart);
        e.showBackScreen();
        bench.settings.typedAnswers.clear();
        if (c.typed)
            bench.settings.typedAnswers = {*c.typed};
        bench.click(centreOf(c.readout));
        const bool a4 = c.readout == e.a4TuningReadout;
        const std::string what = '"' + c.typed.value_or("(cancelled)") + "\": " + c.reason;
        const int shown = c.stored == UNCHANGED ? (a4 ? 300 : 25) : c.stored;
        EXPECT_EQ(c.readout->getString(), std::to_string(shown) + (a4 ? " Hz" : " KHz")) << what;
        const float expected = c.stored == UNCHANGED ? (a4 ? a4Start : brickStart)
                               : a4 ? (std::log2(static_cast<float>(c.stored) / 440.0f) + 1.0f) * 0.5f
                                    : std::log2(static_cast<float>(c.stored) * 1000.0f / 20.0f) / 12.0f;
        EXPECT_NEAR(plugin.getParameter(a4 ? 1017 : 1019), expected, 1e-6f) << what;
        EXPECT_EQ(plugin.getParameter(a4 ? 1019 : 1017), a4 ? brickStart : a4Start) << what << ": the other box";
    }

    // A frame number typed into a sample position field is still taken whole:
    // a stray letter moves no sample point.
    bench.click(kgui::CPoint(600, 760));
    e.showSampleScreenControls();
    for (const char* typed : {"12x", "-", ""}) {
        e.samplePositionFields[0]->setText(typed);
        e.valueChanged(e.samplePositionFields[0]);
        bench.idle();
        EXPECT_EQ(e.samplePositionFields[0]->getText(), "0") << '"' << typed << "\" leaves the start as it was";
    }
}

TEST(Dispatch, TheManualOpensOnlyWhenItCanBeReadAndWithoutAShell) {
    TNotedBench bench;
    uEditor& e = *bench.editor;
    TNotedPlugin& plugin = bench.noted();
    auto opened = [&] {
        std::vector<std::string> paths;
        for (const platform::TDesktopRequest& request : bench.settings.requests)
            if (request.kind == platform::TDesktopKind::openDocument)
                paths.push_back(request.text);
        return paths;
    };
    plugin.manualPath = bench.settings.root + "/missing.pdf";
    bench.click(centreOf(e.manualButton));
    EXPECT_TRUE(opened().empty()) << "a manual that cannot be read is not opened";
    // A name a shell would run a command from is handed over as it is.
    plugin.manualPath = bench.settings.root + "/it's $(touch pwned) \"manual\".pdf";
    std::ofstream(plugin.manualPath) << "%PDF";
    bench.click(centreOf(e.manualButton));
    EXPECT_EQ(opened(), std::vector<std::string>{plugin.manualPath});
    EXPECT_FALSE(std::filesystem::exists(bench.settings.root + "/pwned"));
}

TEST(Dispatch, HostAutomationReachesEveryControlOfTheTagAtTheNextIdle) {
    TNotedBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    // Parameter 12 has a knob in each source layout; the one shown must follow.
    for (int mode : {1, 3, 4}) {
        plugin.setSteppedValue(SOURCE_MODE, mode);
        bench.idle();
        const float value = 0.1f * static_cast<float>(mode);
        plugin.setParameterAutomated(SEMI, value);
        bench.idle();
        for (TKnob* knob : {e.knobSourceSemi, e.knobSourceSemi2, e.knobSourceSemi3})
            EXPECT_FLOAT_EQ(knob->getValue(), value) << "source mode " << mode;
    }
    // A program step resumes the stepped menus and the knobs.
    plugin.setParameter(MAIN_VOLUME, 0.25f);
    plugin.setSteppedValue(FX_PATH, 5);
    bench.idle();
    EXPECT_FLOAT_EQ(e.knobMainVolume->getValue(), 0.25f);
    EXPECT_EQ(e.menuFXPath->getValue(), 5.0f);
}
