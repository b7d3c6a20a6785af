// The screens and panels: the three source layouts, the Mod FX panel per mode
// with the Gator's, the Mod FX memory across mode changes and program loads,
// the screens switched by their buttons, and the back screen's values.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "editor_test_support.h"
#include "controls/TGatorDisplay.h"
#include "controls/TKickButton.h"
#include "controls/TLFOScreen.h"
#include "controls/TSampleDisplay.h"
#include "controls/TWaveScreen.h"
#include "controls/TKnob.h"
#include "controls/TLabel.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TReadout.h"
#include "editor/EditorTables.h"

using namespace editor_test;

namespace {

constexpr int SOURCE_MODE = 10, GRAIN = 22, MOD_FX_MODE = 82;

// Those of the views that the frame holds, in the order it holds them.
std::vector<kgui::CView*> attachedAmong(kgui::CFrame* frame, const std::vector<kgui::CView*>& views) {
    std::vector<kgui::CView*> found;
    for (int i = 0; i < frame->getNbViews(); ++i)
        if (std::find(views.begin(), views.end(), frame->getView(i)) != views.end())
            found.push_back(frame->getView(i));
    return found;
}

std::set<kgui::CView*> childrenOf(kgui::CViewContainer* container) {
    std::set<kgui::CView*> views;
    for (int i = 0; i < container->getNbViews(); ++i)
        views.insert(container->getView(i));
    return views;
}

std::set<kgui::CView*> views(std::initializer_list<kgui::CView*> list) { return std::set<kgui::CView*>(list); }

}  // namespace

TEST(Screens, SourcePanelHoldsTheControlsOfEachSourceForm) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    struct Case {
        int mode;
        std::set<kgui::CView*> shown;
        int background;
        const char* reason;
    } cases[] = {
        {0, views({e.knobNoiseMix, e.labelNoiseMix, e.waveScreen}), 10021, "plain noise: mix and the output scope"},
        {2, views({e.knobNoiseMix, e.labelNoiseMix, e.waveScreen, e.knobSourceSemi, e.labelSourceSemi,
                   e.onOffKeyTrackOnOff, e.labelKeyTrackOnOff}),
         10021, "synced noise is tuned"},
        {3, views({e.knobWaveMix, e.labelWaveMix, e.knobWaveSampleNoiseMix, e.labelWaveSampleNoiseMix,
                   e.knobSourceSemi2, e.labelSourceSemi2, e.knobSourceFine, e.labelSourceFine, e.knobWaveSymmetry,
                   e.labelWaveSymmetry, e.knobWaveFeedback, e.labelWaveFeedback, e.onOffKeyTrackOnOff2,
                   e.labelKeyTrackOnOff2}),
         10020, "the wave form"},
        {4, views({e.knobSourceSemi3, e.labelSourceSemi3, e.knobSourceFine2, e.labelSourceFine2,
                   e.knobWaveSampleNoiseMix2, e.labelWaveSampleNoiseMix2, e.knobSampleOffset, e.labelSampleOffset,
                   e.knobGrainLength, e.labelGrainLength, e.knobGrainSize, e.labelGrainSize, e.knobGrainRandom,
                   e.labelGrainRandom, e.onOffKeyTrackOnOff3, e.labelKeyTrackOnOff3, e.onOffGrainOnOff,
                   e.labelGrainOnOff}),
         10023, "the sample form"},
    };
    for (Case& c : cases) {
        c.shown.insert({e.knobSubVolume, e.labelSubVolume});
        bench.plugin->setSteppedValue(SOURCE_MODE, c.mode);
        bench.idle();
        EXPECT_EQ(childrenOf(e.sourceViewContainer), c.shown) << c.reason;
        EXPECT_EQ(e.sourceViewContainer->getBackground()->getResourceId(), c.background) << c.reason;
        EXPECT_EQ(e.menuSourceMode->getValue(), static_cast<float>(c.mode)) << "the menu follows";
    }
    // The grain's settings look off while grains are off.
    bench.plugin->setOff(GRAIN);
    bench.idle();
    EXPECT_TRUE(e.knobGrainSize->isBypassed());
    bench.plugin->setOn(GRAIN);
    bench.idle();
    EXPECT_FALSE(e.knobGrainSize->isBypassed());
    EXPECT_EQ(e.onOffGrainOnOff->getValue(), 1.0f);
}

TEST(Screens, ModFXPanelShowsTheModesKnobsAndTheGatorItsPatterns) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    bench.plugin->setSteppedValue(MOD_FX_MODE, 0);
    bench.idle();
    bench.idle();
    EXPECT_EQ(childrenOf(e.modFXViewContainer),
              views({e.knobModFXMix, e.knobModFX1, e.knobModFX2, e.knobModFX3, e.knobModFX4, e.knobModFX5,
                     e.labelModFXMix, e.labelModFX1, e.labelModFX2, e.labelModFX3, e.labelModFX4, e.labelModFX5}));
    EXPECT_EQ(e.labelModFX5->getString(), "LP");

    bench.plugin->setSteppedValue(MOD_FX_MODE, MOD_FX_GATOR_MODE);
    bench.idle();
    bench.idle();
    EXPECT_EQ(childrenOf(e.modFXViewContainer),
              views({e.knobModFXMix, e.knobModFX1, e.knobModFX2, e.labelModFXMix, e.labelModFX1, e.labelModFX2,
                     e.labelGatorLeft, e.labelGatorRight, e.gatorDisplays[0], e.gatorDisplays[1]}));
    EXPECT_EQ(e.labelModFX1->getString(), "SPEED");
    EXPECT_EQ(e.labelModFX2->getString(), "SMTH");
    EXPECT_FLOAT_EQ(e.gatorDisplays[0]->getValue(), bench.plugin->getParameter(88));
    EXPECT_FLOAT_EQ(e.gatorDisplays[1]->getValue(), bench.plugin->getParameter(89));
    EXPECT_FLOAT_EQ(e.knobModFX2->getDefaultValue(), MOD_FX_DEFAULTS[MOD_FX_GATOR_MODE][2]);
    // The destination names of the Mod FX variables follow the mode.
    EXPECT_EQ(e.getDestStr(46), MOD_FX_VAR_STR[5 * MOD_FX_GATOR_MODE]);
}

TEST(Screens, EachModFXModeKeepsItsOwnSettingsButAProgramBringsItsOwn) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    auto modFXValues = [&] {
        std::array<float, 7> values{};
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = plugin.getParameter(MOD_FX_MEMORY_TAGS[i]);
        return values;
    };
    auto switchMode = [&](int mode) {
        plugin.setSteppedValue(MOD_FX_MODE, mode);
        bench.idle();
    };
    switchMode(0);
    bench.idle();
    const std::array<float, 7> chorus{0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 1.0f};
    for (size_t i = 0; i < chorus.size(); ++i)
        plugin.setParameterAutomated(MOD_FX_MEMORY_TAGS[i], chorus[i]);

    switchMode(1);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_NEAR(modFXValues()[i], MOD_FX_DEFAULTS[1][i], 1e-6) << "Flanger's defaults, parameter "
                                                                   << MOD_FX_MEMORY_TAGS[i];
    plugin.setParameterAutomated(85, 0.9f);
    switchMode(0);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_NEAR(modFXValues()[i], chorus[i], 1e-6) << "Chorus as it was left";
    switchMode(1);
    EXPECT_NEAR(plugin.getParameter(85), 0.9f, 1e-6) << "Flanger as it was left";
    EXPECT_NEAR(e.getModFXMemory(0)[1], chorus[1], 1e-6);

    // A program in another mode: applied on the audio thread, its values stand.
    TProgramRecord& program = plugin.programRecord();
    program.values[MOD_FX_MODE] = (3 + 0.1f) / plugin.getSteppedRange(MOD_FX_MODE);
    for (size_t i = 0; i < 7; ++i)
        program.values[MOD_FX_MEMORY_TAGS[i]] = 0.05f * static_cast<float>(i + 1);
    plugin.setParameter(1022, 1.0f);  // the program is pending
    bench.applyProgram();
    bench.idle();
    bench.idle();
    EXPECT_EQ(e.getModFXType(), 3);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_NEAR(modFXValues()[i], 0.05f * static_cast<float>(i + 1), 1e-6) << "the program's own values";
    EXPECT_NEAR(e.knobModFX1->getValue(), 0.1f, 1e-6) << "and the knobs show them";
}

TEST(Screens, ButtonsSwitchBetweenTheMainTheSampleAndTheBackScreen) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    EXPECT_EQ(e.getScreenMode(), 0) << "the bench leaves the opening page for the main screen";
    kgui::CFrame* frame = e.getFrame();
    EXPECT_TRUE(frame->isChild(e.knobMovementSpeed));
    EXPECT_FALSE(frame->isChild(e.sampleDisplay));

    bench.click(centreOf(e.sampleScreenArea));
    EXPECT_EQ(e.getScreenMode(), 1);
    EXPECT_EQ(frame->getBackground(), e.sampleBackBitmap);
    EXPECT_TRUE(frame->isChild(e.sampleDisplay));
    EXPECT_TRUE(frame->isChild(e.knobFilterFrequency));
    EXPECT_FALSE(frame->isChild(e.knobMovementSpeed)) << "the sample area covers the Movement band";
    EXPECT_FALSE(frame->isChild(e.onOffMovementLoopOnOff));
    EXPECT_FALSE(frame->isChild(e.lfoScreen));
    EXPECT_EQ(e.samplePositionFields[1]->getText(), "1") << "loop points count from 1";
    EXPECT_EQ(e.samplePositionFields[0]->getText(), "0");
    EXPECT_TRUE(e.sampleNudgeButtons[0]->isBypassed()) << "no sample loaded";

    bench.click(centreOf(e.sampleScreenArea));
    EXPECT_EQ(e.getScreenMode(), 0);

    bench.click(centreOf(e.backScreenButton));
    EXPECT_EQ(e.getScreenMode(), 3);
    EXPECT_EQ(frame->getBackground(), e.backScreenBitmap);
    EXPECT_EQ(frame->getNbViews(), 13);
    bench.click(kgui::CPoint(900, 740));  // anywhere outside the page's controls
    EXPECT_EQ(e.getScreenMode(), 0);
    EXPECT_TRUE(frame->isChild(e.knobMovementSpeed));
}

// Every whole A4 frequency typed on the settings page reads back as typed,
// on the page and in the host's display text. Stored in single precision,
// 61 of them (229, 512, ...) come back a hair under their number.
TEST(Screens, EveryWholeA4FrequencyTypedReadsBackAsTyped) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    e.showBackScreen();
    std::vector<int> misread;
    for (int hertz = 220; hertz <= 880; ++hertz) {
        bench.settings.typedAnswers = {std::to_string(hertz)};
        bench.click(centreOf(e.a4TuningReadout));
        const std::string expected = std::to_string(hertz) + " Hz";
        if (e.a4TuningReadout->getString() != expected || plugin.getParameterDisplayStr(1017) != expected)
            misread.push_back(hertz);
    }
    EXPECT_EQ(misread, std::vector<int>{}) << misread.size() << " of the 661 typed read back otherwise";
}

// The panels' switches are attached, and so drawn, in their own order (not
// the order they are made in): the main screen all eighteen, the sample
// screen the same without the two of the Movement band it covers.
TEST(Screens, SwitchesAreAttachedInTheirOrder) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    const std::vector<kgui::CView*> mainOrder = {
        e.onOffMovementLoopOnOff,          e.onOffMovementTempoSyncOnOff,     e.onOffPrePostFilterDistortion,
        e.onOffFreeLFOTempoSyncOnOff,      e.onOffFreeLFOBypass1OnOff,        e.onOffFreeLFOBypass2OnOff,
        e.onOffLowFiOnOff,                 e.onOffModFXOnOff,                 e.onOffModFXTempoSyncOnOff,
        e.onOffDelayOnOff,                 e.onOffDelayTempoSyncOnOff,        e.onOffDelayEqualFeedbackOnOff,
        e.onOffReverbOnOff,                e.onOffBypassAllFXOnOff,           e.onOffModulationSlot1BypassOnOff,
        e.onOffModulationSlot2BypassOnOff, e.onOffModulationSlot3BypassOnOff, e.onOffModulationSlot4BypassOnOff};
    const std::vector<kgui::CView*> sampleOrder(mainOrder.begin() + 2, mainOrder.end());
    kgui::CFrame* frame = e.getFrame();
    EXPECT_EQ(attachedAmong(frame, mainOrder), mainOrder) << "the main screen";
    e.showSampleScreenControls();
    EXPECT_EQ(attachedAmong(frame, mainOrder), sampleOrder) << "the sample screen";
    e.showMainScreen();
    EXPECT_EQ(attachedAmong(frame, mainOrder), mainOrder) << "the main screen again";
}

// The destination menus are attached by slot, 0 to 7, not in the order they
// are made (the Movement's 4 and 5 and the Free LFO's 6 and 7 first); the
// sample screen leaves out the Movement's. They lie apart, so the order
// changes what is drawn over what nowhere.
TEST(Screens, DestinationMenusAreAttachedBySlot) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    const std::vector<kgui::CView*> mainOrder(e.destMenus.begin(), e.destMenus.end());
    const std::vector<kgui::CView*> sampleOrder = {e.destMenus[0], e.destMenus[1], e.destMenus[2],
                                                   e.destMenus[3], e.destMenus[6], e.destMenus[7]};
    kgui::CFrame* frame = e.getFrame();
    EXPECT_EQ(attachedAmong(frame, mainOrder), mainOrder) << "the main screen";
    e.showSampleScreenControls();
    EXPECT_EQ(attachedAmong(frame, mainOrder), sampleOrder) << "the sample screen";
    e.showMainScreen();
    EXPECT_EQ(attachedAmong(frame, mainOrder), mainOrder) << "the main screen again";
    for (size_t a = 0; a < mainOrder.size(); ++a)
        for (size_t b = a + 1; b < mainOrder.size(); ++b)
            EXPECT_FALSE(mainOrder[a]->getViewSize().rectOverlap(mainOrder[b]->getViewSize()))
                << "menus " << a << " and " << b << " overlap";
}

TEST(Screens, BackScreenShowsAndStoresItsSettings) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    saveIntToPrefs(REG_MIDI_IN_CHANNEL_STR, 40);
    saveStringToPrefs(REG_MIDI_BANK_STR, "N");
    plugin.setParameter(1017, 0.5f);
    plugin.setParameter(1019, std::log2(40000.0f / 20.0f) / 12.0f);
    e.showBackScreen();
    EXPECT_EQ(e.midiChannelMenu->getString(), "CH 16") << "a stored channel above 16";
    EXPECT_EQ(e.screenSizeMenu->getString(), "100% Screen");
    EXPECT_EQ(e.midiBankSwitch->getValue(), 0.0f);
    EXPECT_EQ(e.midiPresetSwitch->getValue(), 1.0f) << "missing: on";
    EXPECT_EQ(e.a4TuningReadout->getString(), "440 Hz");
    EXPECT_EQ(e.brickFilterReadout->getString(), "40 KHz") << "39.99... must not show 39";
    EXPECT_EQ(e.tuningReadout->getString(), plugin.getTuningName());

    for (auto [value, text] : {std::pair{0.0f, "220 Hz"}, {1.0f, "880 Hz"}})
        EXPECT_EQ(getA4TuningText(value), text);

    // Typed entries: out of range gives the default, in range is stored.
    bench.settings.typedAnswers = {"1000", "441", "9", "10"};
    for (const char* expected : {"440 Hz", "441 Hz"}) {
        bench.click(centreOf(e.a4TuningReadout));
        EXPECT_EQ(e.a4TuningReadout->getString(), expected);
    }
    for (const char* expected : {"15 KHz", "10 KHz"}) {
        bench.click(centreOf(e.brickFilterReadout));
        EXPECT_EQ(e.brickFilterReadout->getString(), expected);
    }
    // Menus of the page: the choice is stored, the size only for the next opening.
    bench.target.chooseNext({"125% Screen"});
    bench.click(centreOf(e.screenSizeMenu));
    EXPECT_EQ(e.screenSizeMenu->getString(), "125%");
    EXPECT_TRUE(getRegisterIsOn(REG_SCREEN_SIZE[1], false));
    bench.target.chooseNext({"CH 05"});
    bench.click(centreOf(e.midiChannelMenu));
    EXPECT_EQ(loadIntFromPrefs(REG_MIDI_IN_CHANNEL_STR), 5);
    e.showBackScreen();
    EXPECT_EQ(e.screenSizeMenu->getString(), "100% Screen") << "the size still in use";
    EXPECT_EQ(e.midiChannelMenu->getString(), "CH 05");
    // The keyboard switch acts at once.
    bench.click(centreOf(e.keyboardSwitch));
    EXPECT_FALSE(e.getKeyboardOn());
    std::string stored;
    loadStringFromPrefs(REG_KEYBOARD_STR, stored, 127);
    EXPECT_EQ(stored, "N");
    vst::VstKeyCode up{0, vst::VKEY_UP, 0};
    EXPECT_EQ(e.onKeyDown(up, e.getFrame()), -1) << "the keys reach the host";
}
