// The idle refresh: the 50 ms gate with the ribbon before it, the looks of
// switched-off sections and slots, the filter's captions, the sample-only
// controls, the Movement markers and speed lock, the Gator marker, the
// Edited Preset light, hints and tooltips, and passes that draw nothing when
// nothing changed.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor_test_host.h"
#include "controls/TGatorDisplay.h"
#include "controls/THSlider.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "controls/TLabel.h"
#include "controls/TMenuButton.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TReadout.h"
#include "controls/TWaveScreen.h"
#include "editor/EditorTables.h"

using namespace editor_test;

namespace {

constexpr int SOURCE_MODE = 10, SAMPLE = 19, FILTER_MODE = 27, DISTORTION_MODE = 32, MOVEMENT_WAVE = 39;
constexpr int BYPASS_ALL = 76, LOW_FI = 77, MOD_FX = 81, MOD_FX_MODE = 82, DELAY = 90, DELAY_EQUAL = 92;
constexpr int DELAY_CROSS = 97, REVERB = 100, RIBBON_VALUE = 123, RIBBON_BIPOLAR = 124;

std::string tooltipOf(const kgui::CView* view) {
    kgui::uint32 size = 0;
    if (!view->getAttributeSize(kgui::kCViewTooltipAttribute, size) || size == 0)
        return {};
    std::vector<char> text(size + 1, 0);
    kgui::uint32 read = 0;
    view->getAttribute(kgui::kCViewTooltipAttribute, size, text.data(), read);
    return text.data();
}

// What the passes of the next milliseconds drew, as rectangles.
std::vector<kgui::CRect> drawnDuring(TEditorBench& bench, kgui::uint32 milliseconds) {
    bench.target.getRecorder().clear();
    for (kgui::uint32 t = 0; t < milliseconds; t += 50) {
        bench.clock.advance(50);
        bench.editor->idle();
    }
    std::vector<kgui::CRect> rects;
    for (const kgui::DrawOp& op : bench.target.getRecorder().ops)
        rects.push_back(op.rect);
    return rects;
}

}  // namespace

TEST(Idle, TheRibbonFollowsOnEveryCallTheRestOnlyPastTheGate) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    bench.idle();
    plugin.setOff(RIBBON_BIPOLAR);
    plugin.setParameter(MOVEMENT_WAVE, plugin.getParameter(MOVEMENT_WAVE));
    const int lastShownWave = e.movementWaveShown;
    plugin.setSteppedValue(MOVEMENT_WAVE, lastShownWave == 2 ? 3 : 2);
    bench.clock.advance(49);
    e.idle();
    EXPECT_FALSE(e.ribbonSlider->isCentered()) << "the ribbon, before the gate";
    EXPECT_EQ(e.movementWaveShown, lastShownWave) << "49 ms after the last pass: nothing else";
    bench.clock.advance(1);
    e.idle();
    EXPECT_NE(e.movementWaveShown, lastShownWave) << "50 ms: the whole pass";
    plugin.setOn(RIBBON_BIPOLAR);
    bench.clock.advance(1);
    e.idle();
    EXPECT_TRUE(e.ribbonSlider->isCentered());
    // A centred ribbon at rest shows its modulation handle in the middle too.
    plugin.setParameter(RIBBON_VALUE, 0.5f);
    bench.idle();
    bench.clock.advance(100);
    bench.idle();
    EXPECT_NEAR(e.ribbonSlider->getModDisplay(), 0.5f, 0.01f);
}

TEST(Idle, SectionsSlotsAndTheFilterLookAsTheirSwitchesAndModesSay) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    struct Case {
        std::function<void()> set;
        std::function<bool()> looks;
        const char* reason;
    } cases[] = {
        {[&] { plugin.setSteppedValue(FILTER_MODE, 0); },
         [&] {
             return e.labelFilterFrequency->isBypassed() && e.knobFilterFrequency->isBypassed() &&
                    e.labelLFOFilterFrequency->isBypassed() && e.knobFilterVowelMix->isBypassed() &&
                    e.labelFilterVowelMix->getString() == "VOWEL" && e.labelFilterVowelMix->isBypassed();
         },
         "filter mode 0 (Bypass): its captions and knobs look bypassed"},
        {[&] { plugin.setSteppedValue(FILTER_MODE, 11); },
         [&] {
             return !e.labelFilterFrequency->isBypassed() && e.labelFilterVowelMix->getString() == "MIX" &&
                    !e.labelFilterVowelMix->isBypassed() && e.labelFilterQAmount->getString() == "Q";
         },
         "a mixing mode: MIX, active"},
        {[&] { plugin.setSteppedValue(FILTER_MODE, 27); },
         [&] { return e.labelFilterVowelMix->getString() == "VOWEL" && !e.knobFilterVowelMix->isBypassed(); },
         "the vowel mode"},
        {[&] { plugin.setSteppedValue(FILTER_MODE, 29); },
         [&] { return e.labelFilterVowelMix->getString() == "FORMANT" && !e.labelFilterVowelMix->isBypassed(); },
         "a formant mode"},
        {[&] { plugin.setSteppedValue(FILTER_MODE, 30); },
         [&] { return e.labelFilterQAmount->getString() == "AMT" && e.labelFilterVowelMix->isBypassed(); },
         "from mode 30 the Q knob sets an amount"},
        {[&] { plugin.setSteppedValue(DISTORTION_MODE, 0); },
         [&] { return e.knobFilterDistortionAmount->isBypassed() && e.onOffPrePostFilterDistortion->isBypassed(); },
         "no distortion"},
        {[&] { plugin.setSteppedValue(DISTORTION_MODE, 2); },
         [&] { return !e.knobFilterDistortionAmount->isBypassed() && !e.labelPrePostFilterDistortion->isBypassed(); },
         "a distortion"},
        {[&] { plugin.setOn(LOW_FI), plugin.setOn(MOD_FX), plugin.setOn(DELAY), plugin.setOn(REVERB); },
         [&] {
             return !e.knobLowFiBits->isBypassed() && !e.labelModFX2->isBypassed() && !e.knobDelayMix->isBypassed() &&
                    !e.labelReverbDamp->isBypassed() && !e.menuModFXMode->isBypassed() && !e.menuFXPath->isBypassed();
         },
         "every effect on"},
        {[&] { plugin.setOn(BYPASS_ALL); },
         [&] {
             return e.knobLowFiBits->isBypassed() && e.labelModFX2->isBypassed() && e.knobDelayMix->isBypassed() &&
                    e.labelReverbDamp->isBypassed() && e.menuModFXMode->isBypassed() && e.menuFXPath->isBypassed() &&
                    e.onOffDelayTempoSyncOnOff->isBypassed();
         },
         "Bypass All: every section looks off whatever its switch, and the path too"},
        {[&] { plugin.setOff(BYPASS_ALL), plugin.setOff(DELAY_EQUAL), plugin.setParameter(DELAY_CROSS, 0.5f); },
         [&] { return !e.labelDelayEqualFeedbackOnOff->isBypassed() && !e.labelDelayCross->isBypassed(); },
         "a centred cross feeds back equally"},
        {[&] { plugin.setParameter(DELAY_CROSS, 0.7f); },
         [&] { return e.labelDelayEqualFeedbackOnOff->isBypassed(); }, "an uncentred cross does not"},
        {[&] { plugin.setOn(DELAY_EQUAL); },
         [&] { return !e.labelDelayEqualFeedbackOnOff->isBypassed() && e.labelDelayCross->isBypassed(); },
         "equal feedback overrides the cross"},
        {[&] { plugin.setSteppedValue(6, 0), plugin.setOn(69), plugin.setOn(108); },
         [&] {
             return e.labelPort->isBypassed() && e.labelFreeLFOAmount1->isBypassed() && e.destMenus[6]->isBypassed() &&
                    !e.destMenus[7]->isBypassed() && e.labelModulationSlot2Amount->isBypassed() &&
                    e.srcMenus[2]->isBypassed() && e.destMenus[1]->isBypassed() && !e.destMenus[0]->isBypassed();
         },
         "portamento off, Free LFO destination 1 and slot 2 bypassed"},
        {[&] { plugin.setSteppedValue(6, 1), plugin.setOff(69), plugin.setOff(108); },
         [&] {
             return !e.labelPort->isBypassed() && !e.destMenus[6]->isBypassed() && !e.srcMenus[2]->isBypassed() &&
                    !e.labelDestMenu1->isBypassed();
         },
         "and back"},
        {[&] { plugin.setSteppedValue(MOVEMENT_WAVE, 2); },
         [&] { return e.labelMovementShapeDown->isBypassed() && !e.labelMovementShapeUp->isBypassed(); },
         "a wave without a down slope"},
        {[&] { plugin.setSteppedValue(MOVEMENT_WAVE, 3); },
         [&] { return !e.labelMovementShapeDown->isBypassed() && e.labelMovementShapeUp->isBypassed(); },
         "a wave without an up slope"},
        {[&] { plugin.setSteppedValue(SOURCE_MODE, 0); },
         [&] {
             return e.sampleMenu->isInvisible() && e.labelSampleRev->isInvisible() &&
                    e.onOffSampleRevOnOff->isInvisible() && e.sampleScreenButton->isInvisible();
         },
         "a noise source hides the sample's controls"},
        {[&] { plugin.setSteppedValue(SOURCE_MODE, 4), plugin.setSteppedValue(SAMPLE, 194); },
         [&] {
             return !e.sampleMenu->isInvisible() && !e.onOffSampleRevOnOff->isInvisible() &&
                    !e.sampleScreenButton->isInvisible() && e.labelSampleOffset->isBypassed();
         },
         "a sample source shows them; the user's sample takes no offset"},
    };
    for (const Case& c : cases) {
        c.set();
        bench.idle();
        bench.idle();
        EXPECT_TRUE(c.looks()) << c.reason;
    }
}

TEST(Idle, TheMainScreensDisplaysFollowThePlugIn) {
    TNotedBench bench;
    uEditor& e = *bench.editor;
    TNotedPlugin& plugin = bench.noted();
    // The Gator's marker, only with its preference on.
    plugin.setSteppedValue(MOD_FX_MODE, MOD_FX_GATOR_MODE);
    plugin.setOn(MOD_FX);
    plugin.gaterPos = 7;
    bench.idle();
    bench.idle();
    EXPECT_EQ(e.gatorDisplays[0]->getGaterPos(), 7);
    EXPECT_TRUE(e.gatorDisplays[1]->isOn());
    e.displayGaterPos = false;
    bench.idle();
    EXPECT_EQ(e.gatorDisplays[0]->getGaterPos(), -1);
    EXPECT_EQ(e.gatorDisplays[1]->getGaterPos(), -1);

    // The Movement speed reads as the plug-in writes it.
    EXPECT_EQ(e.moveSpeedMenuButton->getString(), plugin.getParameterDisplayStr(41));
    // While the speed is locked its knob's ring shows the locked speed.
    plugin.setLockState(1);
    plugin.setParameterAutomated(41, plugin.getLockVar(41) > 0.5f ? 0.1f : 0.9f);
    bench.clock.advance(200);
    bench.idle();
    EXPECT_NEAR(e.knobMovementSpeed->getModValue(), plugin.getLockVar(41), 0.01f);
    EXPECT_GT(std::fabs(e.knobMovementSpeed->getModValue() - plugin.getParameter(41)), 0.3f);

    // The Edited Preset light follows the plug-in's edit state.
    plugin.setParameterAutomated(1, plugin.getParameter(1) > 0.5f ? 0.1f : 0.9f);
    bench.idle();
    EXPECT_TRUE(e.shownEditChanged);
}

TEST(Idle, HintsAndTooltipsFollowThePointerEvery200Milliseconds) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    auto restOn = [&](const kgui::CView* view) {
        bench.target.mouseMoved(centreOf(view));
        for (int pass = 0; pass < 5; ++pass)
            bench.idle();
    };
    struct Case {
        const kgui::CView* view;
        std::string name, value;
        const char* reason;
    } cases[] = {
        {e.knobMainVolume, plugin.getParameterNameStr(1), plugin.getParameterDisplayStr(1), "a parameter knob"},
        {e.knobNoiseMix, plugin.getParameterNameStr(14), plugin.getParameterDisplayStr(14),
         "a knob inside the source panel"},
        {e.presetMenu, "Preset Menu", "", "a control of the editor's own"},
        {e.lockMenu, "Speed Lock Mode", "Off", "the lock menu shows the lock state"},
        {e.previewButton, "Preview Preset", "", "listed twice, named once"},
        {e.hintReadout2, "Parameter Value Readout", "", "the readout names itself"},
    };
    for (const Case& c : cases) {
        restOn(c.view);
        EXPECT_EQ(e.getHintName(), c.name) << c.reason;
        EXPECT_EQ(e.hintReadout1->getString(), c.name) << c.reason;
        EXPECT_EQ(e.hintReadout2->getString(), c.value) << c.reason;
        EXPECT_EQ(tooltipOf(c.view), c.value.empty() ? c.name : c.name + ": " + c.value) << c.reason;
    }
    // The tooltip shows once the pointer has rested on it.
    bench.target.mouseMoved(centreOf(e.knobPan));
    bench.idle();
    for (int pass = 0; pass < 20; ++pass)
        bench.idle();
    EXPECT_TRUE(bench.target.isTooltipVisible());
    EXPECT_EQ(bench.target.getShownTooltips().back(),
              plugin.getParameterNameStr(3) + ": " + plugin.getParameterDisplayStr(3));

    // Within 200 ms of the last hint pass the hint stays; then it follows.
    bench.target.mouseMoved(centreOf(e.knobMainVolume));
    bench.clock.set((bench.clock.ticks() / 200 + 1) * 200 + 10);
    e.idle();
    ASSERT_EQ(e.getHintName(), plugin.getParameterNameStr(1));
    bench.target.mouseMoved(centreOf(e.knobPan));
    bench.clock.advance(60);
    e.idle();
    EXPECT_EQ(e.getHintName(), plugin.getParameterNameStr(1)) << "the same 200 ms";
    bench.clock.advance(200);
    e.idle();
    EXPECT_EQ(e.getHintName(), plugin.getParameterNameStr(3));

    // Over no control the readouts keep the last hint; with tooltips off the
    // readouts still follow.
    restOn(e.labelMain);
    EXPECT_EQ(e.getHintName(), uEditor::NO_HINT);
    EXPECT_EQ(e.hintReadout1->getString(), plugin.getParameterNameStr(3));
    e.toolTipOn = false;
    restOn(e.knobStereoSpread);
    EXPECT_EQ(e.hintReadout1->getString(), plugin.getParameterNameStr(4));
    EXPECT_EQ(tooltipOf(e.knobStereoSpread), "");
    // The back screen's controls have their hints too.
    e.showBackScreen();
    restOn(e.keyboardSwitch);
    EXPECT_EQ(e.getHintName(), "Keyboard Control On/Off");
}

TEST(Idle, ThePassesDrawNothingWhenNothingChangesAndOnceForARequest) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    plugin.setSteppedValue(SOURCE_MODE, 3);  // no scope on this panel
    drawnDuring(bench, 2000);
    EXPECT_TRUE(drawnDuring(bench, 2000).empty()) << "two seconds of passes over an unchanged plug-in";

    // A request brings one resume: drawn once, then quiet again.
    plugin.requestEditorRedraw();
    EXPECT_FALSE(drawnDuring(bench, 50).empty()) << "the Movement display and preset menu are refreshed";
    EXPECT_TRUE(drawnDuring(bench, 1000).empty()) << "and the request is not taken again";

    // The noise sources' scope redraws at its own rate and nothing else does.
    plugin.setSteppedValue(SOURCE_MODE, 0);
    drawnDuring(bench, 500);
    for (bool fast : {false, true}) {
        e.outputDisplaySpeed = fast;
        drawnDuring(bench, 400);
        bench.target.getRecorder().clear();
        int redraws = 0;
        for (int pass = 0; pass < 40; ++pass) {
            bench.target.getRecorder().clear();
            bench.clock.advance(50);
            e.idle();
            const auto& ops = bench.target.getRecorder().ops;
            if (ops.empty())
                continue;
            ++redraws;
            for (const kgui::DrawOp& op : ops)
                EXPECT_TRUE(e.waveScreen->getFrameRect().rectOverlap(op.rect)) << "only the scope draws";
        }
        EXPECT_EQ(redraws, fast ? 20 : 10) << "two seconds at " << (fast ? "100" : "200") << " ms";
    }
}

TEST(Idle, TheSamplePageWithNoSampleLooksEmptyAndFollowsTheLoopMode) {
    TEditorBench bench;
    uEditor& e = *bench.editor;
    APlugin& plugin = *bench.plugin;
    bench.click(centreOf(e.sampleScreenArea));
    ASSERT_EQ(e.getScreenMode(), 1);
    for (TKickButton* button : e.sampleNudgeButtons)
        EXPECT_TRUE(button->isBypassed());
    for (TKickButton* button : e.sampleZoomButtons)
        EXPECT_TRUE(button->isBypassed());
    EXPECT_TRUE(e.menuSampleLoopMode->isBypassed());
    EXPECT_TRUE(e.labelSampleStart->isBypassed());
    EXPECT_FALSE(e.sampleScreenButton->isInvisible()) << "the way back shows whatever the source";
    plugin.setSteppedValue(244, 1);
    bench.idle();
    EXPECT_EQ(e.sampleLoopModeShown, 1);
    EXPECT_FALSE(e.sampleScreenDirty);
    EXPECT_TRUE(e.labelLoopStart->isBypassed()) << "no sample, no loop";
}
