// The editor's heartbeat. On Linux the window's own events arrive through the
// host's idle calls, so every call pumps them and redraws what changed; the
// editor's refresh from the plug-in runs at most every 50 ms. What the plug-in
// left for the editor (the tags it stored, its requests) is taken here, on the
// editor's thread, whichever thread left it. Every look is pushed freely: the
// controls mark themselves dirty only when what they show changes, so a pass
// over a plug-in that did not change redraws nothing.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "controls/TGatorDisplay.h"
#include "controls/THSlider.h"
#include "controls/TKickButton.h"
#include "controls/TKnob.h"
#include "controls/TLFOScreen.h"
#include "controls/TLFOSelector.h"
#include "controls/TLabel.h"
#include "controls/TMenuButton.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "controls/TReadout.h"
#include "controls/TSampleDisplay.h"
#include "controls/TSampleFileDisplay.h"
#include "controls/TWaveScreen.h"
#include "editor/EditorTables.h"
#include "editor/uEditor.h"
#include "engine/dsp/FilterTypes.h"
#include "platform/MessageBox.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

// Source modes 0..2 are the noise forms, whose panel holds the output scope.
constexpr int LAST_NOISE_SOURCE = 2, SOURCE_SAMPLE = 4;
// The user's own sample in the sample menu: the offset does not apply to it.
constexpr int USER_SAMPLE = 194;
// Movement waves that have no down slope (2) and no up slope (3).
constexpr int WAVE_WITHOUT_DOWN = 2, WAVE_WITHOUT_UP = 3;
constexpr int LOCK_ON = 1;
// Ring and Gator are not tempo-synced.
constexpr int FIRST_UNSYNCED_MOD_FX = 8;
// The delay's feedback counts as equal when the cross knob sits this close to its centre.
constexpr float CROSS_CENTRE_TOLERANCE = 0.001f;

// Refresh keys: each look changes at most once per key, so these are the
// display rates. The scope runs at 100 ms when the "OutputDisplaySpeed"
// preference is on (the menus call it fast), 200 ms when off.
constexpr uint32 RING_KEY_MILLISECONDS = 200, RIBBON_RING_KEY_MILLISECONDS = 100, MARKER_KEY_MILLISECONDS = 300;
constexpr uint32 BLINK_KEY_MILLISECONDS = 500;
constexpr uint32 FAST_SCOPE_MILLISECONDS = 100, SLOW_SCOPE_MILLISECONDS = 200;

// Filter types whose fourth knob mixes the zero filters' outputs, sets the
// vowel or the formant; from the combs on (combs, ring and amplitude) the Q
// knob sets an amount.
bool isMixFilterMode(int mode) {
    return mode == filtertype::ZERO_LOW_HIGH_PASS_12DB || mode == filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB ||
           mode == filtertype::ZERO_LOW_HIGH_PASS_24DB || mode == filtertype::ZERO_LOW_BAND_HIGH_PASS_24DB;
}
bool isFormantFilterMode(int mode) { return mode == filtertype::FORMANT_1 || mode == filtertype::FORMANT_2; }
constexpr int FIRST_AMOUNT_FILTER_MODE = filtertype::POSITIVE_COMB_FILTER;

using KnobMember = TKnob* uEditor::*;
using LabelMember = TLabel* uEditor::*;

// The knobs of the main panels whose rings show their modulation, in the
// order they are refreshed; the first fourteen sit in the Movement band,
// which the sample screen covers.
constexpr KnobMember RING_KNOBS[] = {
    &uEditor::knobMovementSpeed,         &uEditor::knobMovementSpeedControlAmount,
    &uEditor::knobMovementKeyTracking,   &uEditor::knobMovementVelocityTracking,
    &uEditor::knobMovementShapeUp,       &uEditor::knobMovementShapeDown,
    &uEditor::knobAttack,                &uEditor::knobRelease,
    &uEditor::knobMovementFilterFrequency, &uEditor::knobMovementPitch,
    &uEditor::knobMovementVolume,        &uEditor::knobMovementPan,
    &uEditor::knobMovementAmount1,       &uEditor::knobMovementAmount2,
    &uEditor::knobFilterFrequency,       &uEditor::knobFilterQAmount,
    &uEditor::knobFilterSpread,          &uEditor::knobFilterDistortionAmount,
    &uEditor::knobFilterKeyTrack,        &uEditor::knobVelocityFilterFrequency,
    &uEditor::knobModWheelFilterFrequency, &uEditor::knobLFOFilterFrequency,
    &uEditor::knobFilterVowelMix,        &uEditor::knobMainVolume,
    &uEditor::knobVelocityVolume,        &uEditor::knobStereoSpread,
    &uEditor::knobPan,                   &uEditor::knobPortamentoAmount,
    &uEditor::knobFreeLFOSpeed,          &uEditor::knobFreeLFOSymmetry,
    &uEditor::knobFreeLFOShape,          &uEditor::knobFreeLFOSmooth,
    &uEditor::knobFreeLFOKeyTrack,       &uEditor::knobFreeLFOAmount1,
    &uEditor::knobFreeLFOAmount2,        &uEditor::knobLowFiMix,
    &uEditor::knobLowFiSampleRate,       &uEditor::knobLowFiBits,
    &uEditor::knobDelayMix,              &uEditor::knobDelayLeft,
    &uEditor::knobDelayRight,            &uEditor::knobDelayFeed,
    &uEditor::knobDelayCross,            &uEditor::knobDelayLowPassFilterFrequency,
    &uEditor::knobDelayHighPassFilterFrequency, &uEditor::knobReverbMix,
    &uEditor::knobReverbPreDelay,        &uEditor::knobReverbSize,
    &uEditor::knobReverbLength,          &uEditor::knobReverbDamp,
    &uEditor::knobReverbHighPassFilterFrequency, &uEditor::knobModulationSlot1Amount,
    &uEditor::knobModulationSlot2Amount, &uEditor::knobModulationSlot3Amount,
    &uEditor::knobModulationSlot4Amount,
};
constexpr size_t MOVEMENT_BAND_RING_KNOBS = 14;

constexpr KnobMember SOURCE_PANEL_KNOBS[] = {
    &uEditor::knobNoiseMix,     &uEditor::knobSourceSemi,          &uEditor::knobWaveMix,
    &uEditor::knobWaveSampleNoiseMix, &uEditor::knobSourceSemi2,   &uEditor::knobSourceFine,
    &uEditor::knobWaveSymmetry, &uEditor::knobWaveFeedback,        &uEditor::knobSourceSemi3,
    &uEditor::knobSourceFine2,  &uEditor::knobWaveSampleNoiseMix2, &uEditor::knobSampleOffset,
    &uEditor::knobGrainLength,  &uEditor::knobGrainSize,           &uEditor::knobGrainRandom,
    &uEditor::knobSubVolume,
};

constexpr KnobMember MOD_FX_KNOBS[] = {&uEditor::knobModFXMix, &uEditor::knobModFX1, &uEditor::knobModFX2,
                                       &uEditor::knobModFX3,   &uEditor::knobModFX4, &uEditor::knobModFX5};
constexpr LabelMember MOD_FX_LABELS[] = {&uEditor::labelModFXMix, &uEditor::labelModFX1, &uEditor::labelModFX2,
                                         &uEditor::labelModFX3,   &uEditor::labelModFX4, &uEditor::labelModFX5};

// A section's knobs and their captions, switched on and off together.
struct TSection {
    std::initializer_list<KnobMember> knobs;
    std::initializer_list<LabelMember> labels;
};

const TSection LOW_FI_SECTION{
    {&uEditor::knobLowFiMix, &uEditor::knobLowFiSampleRate, &uEditor::knobLowFiBits},
    {&uEditor::labelLowFiMix, &uEditor::labelLowFiSampleRate, &uEditor::labelLowFiBits}};
const TSection DELAY_SECTION{
    {&uEditor::knobDelayMix, &uEditor::knobDelayLeft, &uEditor::knobDelayRight, &uEditor::knobDelayFeed,
     &uEditor::knobDelayCross, &uEditor::knobDelayLowPassFilterFrequency, &uEditor::knobDelayHighPassFilterFrequency},
    {&uEditor::labelDelayMix, &uEditor::labelDelayLeft, &uEditor::labelDelayRight, &uEditor::labelDelayFeed,
     &uEditor::labelDelayLowPassFilterFrequency, &uEditor::labelDelayHighPassFilterFrequency,
     &uEditor::labelDelayTempoSyncOnOff}};
const TSection REVERB_SECTION{
    {&uEditor::knobReverbMix, &uEditor::knobReverbPreDelay, &uEditor::knobReverbSize, &uEditor::knobReverbLength,
     &uEditor::knobReverbDamp, &uEditor::knobReverbHighPassFilterFrequency},
    {&uEditor::labelReverbMix, &uEditor::labelReverbPreDelay, &uEditor::labelReverbSize, &uEditor::labelReverbLength,
     &uEditor::labelReverbDamp, &uEditor::labelReverbHighPassFilterFrequency}};

// The filter's knobs and captions that mean nothing while the filter is bypassed.
// The distortion knob is not among them: its look follows the distortion mode.
const TSection FILTER_SECTION{
    {&uEditor::knobFilterFrequency, &uEditor::knobFilterQAmount, &uEditor::knobFilterSpread,
     &uEditor::knobFilterKeyTrack, &uEditor::knobVelocityFilterFrequency, &uEditor::knobModWheelFilterFrequency,
     &uEditor::knobLFOFilterFrequency},
    {&uEditor::labelFilterFrequency, &uEditor::labelFilterQAmount, &uEditor::labelFilterSpread,
     &uEditor::labelFilterKeyTrack, &uEditor::labelVelocityFilterFrequency, &uEditor::labelModWheelFilterFrequency,
     &uEditor::labelLFOFilterFrequency}};

// Each modulation slot's captions: amount, source, destination.
constexpr std::array<std::array<LabelMember, 3>, 4> SLOT_LABELS{{
    {&uEditor::labelModulationSlot1Amount, &uEditor::labelSourceMenu1, &uEditor::labelDestMenu0},
    {&uEditor::labelModulationSlot2Amount, &uEditor::labelSourceMenu2, &uEditor::labelDestMenu1},
    {&uEditor::labelModulationSlot3Amount, &uEditor::labelSourceMenu3, &uEditor::labelDestMenu2},
    {&uEditor::labelModulationSlot4Amount, &uEditor::labelSourceMenu4, &uEditor::labelDestMenu3},
}};

// Null-safe setters: a control the layout did not make is skipped.
template <typename Control>
void setOnIf(Control* control, bool on) {
    if (control)
        control->setOn(on);
}
template <typename Control>
void setBypassedIf(Control* control, bool bypassed) {
    if (control)
        control->setBypassed(bypassed);
}
template <typename Control>
void setInvisibleIf(Control* control, bool invisible) {
    if (control)
        control->setInvisible(invisible);
}

}  // namespace

// ---------------------------------------------------------------- the pass

void uEditor::idle() {
    if (!frame || !services || !editorFinishedOpening || inShowMainScreenControls || inShowSampleScreen ||
        inResume) {
        AEffGUIEditor::idle();
        return;
    }
    // The ribbon follows its spring on every call, not only past the gate.
    if ((screenMode == 0 || screenMode == 1) && ribbonSlider) {
        ribbonSlider->setCentered(services->getOnOff(tag::RIBBON_BIPOLAR));
        ribbonSlider->setCurValue();
    }
    const uint32 now = getTicks();
    if (now - lastIdleTicks >= IDLE_MILLISECONDS) {
        lastIdleTicks = now;
        idleRefresh(getViewUnderMouse());
    }
    // Last: an event handled here may close the window, and what the refresh
    // changed is drawn in this same call.
    AEffGUIEditor::idle();
}

CView* uEditor::getViewUnderMouse() const { return editControl ? editControl : getViewAtPointer(); }

CView* uEditor::getViewAtPointer() const {
    if (!frame)
        return nullptr;
    CView* view = frame->getCurrentView();
    // A panel container itself is not what the pointer rests on: look inside.
    for (CViewContainer* container : {sourceViewContainer, modFXViewContainer})
        if (container && view == container) {
            CPoint where;
            frame->getCurrentMouseLocation(where);
            container->frameToLocal(where);
            if (CView* inner = container->getViewAt(where, GetViewOptions().deep()))
                view = inner;
        }
    return view;
}

void uEditor::idleRefresh(CView* mouseView) {
    // A missing or damaged bank is told when the user first opens the window,
    // never while a host scans or loads the plug-in, where a box would hang it.
    if (!bankProblemShown) {
        const std::string problem = services->getSampleServices().getSampleBankProblemStr();
        if (!problem.empty()) {
            bankProblemShown = true;
            messageBox(problem, MESSAGE_BOX_OK_ONLY);
        }
    }
    // What the plug-in stored and asked since the last pass, taken at once.
    takeOffThreadRequests();
    const TEditorRequests requests = services->takeEditorRequests();
    if (requests.clearUndos)
        clearUndos();
    // A program was applied: its Mod FX settings stand, the memory keeps its own.
    if (requests.modFXModeTaken)
        updateIdleVars();
    changedTags.clear();
    services->takeChangedTags(changedTags);
    for (int tag : changedTags)
        setParameter(tag, 0);
    changedTags.clear();

    // A knob dragged onto a destination menu and let go there. Where the
    // pointer is now does not count: it may have moved on since the release,
    // or come to a menu while the knob is still held.
    if (dropReleased) {
        if (dropReleaseTag != -1)
            dropMod(dropReleaseTag);
        dropTag = -1;
        dropReleaseTag = -1;
    }

    // The Edited Preset light.
    if (screenMode != 3 && revertEditedButton) {
        const bool edited = services->getEditChanged();
        if (edited != shownEditChanged) {
            shownEditChanged = edited;
            revertEditedButton->setAlwaysOn(edited);
        }
    }
    // The request is taken with its flag, so one request brings one resume.
    if (requests.redraw)
        resume();

    if (screenMode == 0 || screenMode == 1) {
        idleModFXMode();
        idleRings();
        idleSlotLooks();
        if (labelEditor)
            labelEditor->setIndicator(screenMode != 0, static_cast<int>(lastIdleTicks / BLINK_KEY_MILLISECONDS));
        if (screenMode == 0)
            idleMainScreen();
        else
            idleSampleScreen();
        idleSourceType();
        idleFilterLooks();
        idleEffectLooks();
        if (ribbonSlider) {
            // The plug-in reads the ribbon out on the parameter's 0..1 scale;
            // a centred ribbon takes its modulation as -1..1 around the middle.
            float modulated = services->getModValue(ribbonSlider->getTag());
            if (ribbonSlider->isCentered())
                modulated = 2.0f * modulated - 1.0f;
            ribbonSlider->setModValue(modulated, static_cast<int>(lastIdleTicks / RIBBON_RING_KEY_MILLISECONDS));
        }
        if (waveScreen && services->getSteppedValue(tag::SOURCE_MODE) <= LAST_NOISE_SOURCE) {
            const uint32 period = outputDisplaySpeed ? FAST_SCOPE_MILLISECONDS : SLOW_SCOPE_MILLISECONDS;
            waveScreen->update(static_cast<int>(lastIdleTicks / period));
        }
    }
    idleHints(mouseView);
}

// ---------------------------------------------------------------- modulation rings and the panels

void uEditor::idleRings() {
    const bool speedLocked = screenMode == 0 && services->getLockState() == LOCK_ON;
    const size_t first = screenMode == 1 ? MOVEMENT_BAND_RING_KNOBS : 0;
    for (size_t i = first; i < std::size(RING_KNOBS); ++i) {
        // While the speed is locked its knob's ring shows the locked speed
        // (idleMainScreen); one ring per key, so it is not set here too.
        if (speedLocked && RING_KNOBS[i] == &uEditor::knobMovementSpeed)
            continue;
        setModValue(this->*RING_KNOBS[i]);
    }
    if (!inRedrawSource) {
        if (paramChangedSinceIdle)
            redrawSourceViewContainer();
        else
            for (KnobMember knob : SOURCE_PANEL_KNOBS)
                setModValue(this->*knob);
    }
    if (!inRedrawModFX) {
        if (modFXChanged)
            redrawModFXViewContainer();
        else
            for (KnobMember knob : MOD_FX_KNOBS)
                setModValue(this->*knob);
    }
}

void uEditor::idleSlotLooks() {
    setBypassedIf(labelPort, services->getSteppedValue(tag::PORTAMENTO_MODE) == 0);
    const bool lfo1Off = services->getOnOff(tag::FREE_LFO_BYPASS_1);
    const bool lfo2Off = services->getOnOff(tag::FREE_LFO_BYPASS_2);
    setBypassedIf(labelFreeLFOAmount1, lfo1Off);
    setBypassedIf(destMenus[6], lfo1Off);
    setBypassedIf(labelFreeLFOAmount2, lfo2Off);
    setBypassedIf(destMenus[7], lfo2Off);
    for (size_t slot = 0; slot < SLOT_LABELS.size(); ++slot) {
        const bool off = services->getOnOff(tag::MODULATION_SLOT_1_BYPASS + static_cast<int>(slot));
        for (LabelMember label : SLOT_LABELS[slot])
            setBypassedIf(this->*label, off);
        setBypassedIf(srcMenus[slot + 1], off);
        setBypassedIf(destMenus[slot], off);
    }
}

// ---------------------------------------------------------------- the screens

void uEditor::idleMainScreen() {
    if (mainScreenDirty) {
        mainScreenDirty = false;
        if (lfoScreen)
            lfoScreen->invalid();
        if (lfoSelector)
            lfoSelector->invalid();
    }
    const int wave = services->getSteppedValue(tag::MOVEMENT_WAVE);
    if (wave != movementWaveShown) {
        movementWaveShown = wave;
        setBypassedIf(labelMovementShapeUp, wave == WAVE_WITHOUT_UP);
        setBypassedIf(labelMovementShapeDown, wave == WAVE_WITHOUT_DOWN);
        mainScreenDirty = true;
    }
    if (lfoScreen)
        lfoScreen->setPos(services->getMovementPos(), services->getPan(),
                          static_cast<int>(lastIdleTicks / MARKER_KEY_MILLISECONDS));

    const int lock = services->getLockState();
    if (lockMenu)
        lockMenu->setIndicator(lock == LOCK_ON, static_cast<int>(lastIdleTicks / BLINK_KEY_MILLISECONDS));
    if (lock == LOCK_ON) {
        if (knobMovementSpeed)
            knobMovementSpeed->setModValue(services->getLockVar(tag::MOVEMENT_SPEED),
                                           static_cast<int>(lastIdleTicks / RING_KEY_MILLISECONDS));
        if (onOffMovementTempoSyncOnOff)
            onOffMovementTempoSyncOnOff->setState(services->getLockVar(tag::MOVEMENT_TEMPO_SYNC) >= 0.5f);
    }
    if (moveSpeedMenuButton)
        moveSpeedMenuButton->setString(services->getParameterDisplayStr(tag::MOVEMENT_SPEED));
}

void uEditor::idleSampleScreen() {
    const int loopMode = services->getSteppedValue(tag::SAMPLE_LOOP_MODE);
    if (loopMode != sampleLoopModeShown) {
        sampleLoopModeShown = loopMode;
        sampleScreenDirty = true;
    }
    if (sampleScreenDirty) {
        updateSampleScreen();
        if (sampleDisplay)
            sampleDisplay->setDirty();
        if (sampleFileDisplay)
            sampleFileDisplay->setDirty();
    }
}

// The sample's own controls show only while the source is a sample; on the
// sample screen its button and caption stay, to lead back.
void uEditor::idleSourceType() {
    const bool sample = services->getSteppedValue(tag::SOURCE_MODE) == SOURCE_SAMPLE;
    const bool sampleScreen = screenMode == 1;
    setInvisibleIf(sampleMenu, !sample);
    setInvisibleIf(sampleScreenButton, !sample && !sampleScreen);
    setInvisibleIf(labelEditor, !sample && !sampleScreen);
    setInvisibleIf(labelSampleMenu, !sample);
    setInvisibleIf(labelSampleRev, !sample);
    setInvisibleIf(onOffSampleRevOnOff, !sample);
    setBypassedIf(labelSampleOffset, services->getSteppedValue(tag::SAMPLE) == USER_SAMPLE);
}

void uEditor::idleFilterLooks() {
    const int mode = services->getSteppedValue(tag::FILTER_MODE);
    if (mode != filterModeShown) {
        filterModeShown = mode;
        const bool bypassed = mode == filtertype::BYPASS;
        for (KnobMember knob : FILTER_SECTION.knobs)
            setBypassedIf(this->*knob, bypassed);
        for (LabelMember label : FILTER_SECTION.labels)
            setBypassedIf(this->*label, bypassed);

        std::string fourth = "VOWEL";
        bool fourthActive = true;
        if (isMixFilterMode(mode))
            fourth = "MIX";
        else if (isFormantFilterMode(mode))
            fourth = "FORMANT";
        else if (mode != filtertype::VOCAL)
            fourthActive = false;
        if (labelFilterVowelMix) {
            labelFilterVowelMix->setString(fourth);
            labelFilterVowelMix->setBypassed(!fourthActive);
        }
        setBypassedIf(knobFilterVowelMix, !fourthActive);
        if (labelFilterQAmount)
            labelFilterQAmount->setString(mode >= FIRST_AMOUNT_FILTER_MODE ? "AMT" : "Q");
    }
    // The distortion, on every pass.
    const bool distortion = services->getSteppedValue(tag::FILTER_DISTORTION_MODE) != 0;
    setOnIf(labelFilterDistortionAmount, distortion);
    setOnIf(labelPrePostFilterDistortion, distortion);
    setBypassedIf(onOffPrePostFilterDistortion, !distortion);
    setBypassedIf(knobFilterDistortionAmount, !distortion);
}

void uEditor::idleModFXMode() {
    // A mode stepped by the user swaps in that mode's settings; a program
    // being applied brings its own, and asks for the mode to be taken before
    // it lets go of its flag, so a mode found changed after it is checked
    // against a request taken now. This runs before the panel is rebuilt,
    // which takes the mode too: a mode changed again while a rebuild was
    // pending still swaps the settings.
    if (!services->getIsSettingPreset() &&
        std::clamp(services->getSteppedValue(tag::MOD_FX_MODE), 0, MOD_FX_MODE_COUNT - 1) != modFXType) {
        const TEditorRequests late = services->takeEditorRequests();
        if (late.clearUndos)
            clearUndos();
        if (late.redraw)
            services->requestEditorRedraw();
        if (late.modFXModeTaken)
            updateIdleVars();
        else
            updateModFX();
    }
}

void uEditor::idleEffectLooks() {
    const bool allOff = services->getOnOff(tag::BYPASS_ALL_FX);
    const bool lowFi = !allOff && services->getOnOff(tag::LOW_FI);
    const bool modFX = !allOff && services->getOnOff(tag::MOD_FX);
    const bool delay = !allOff && services->getOnOff(tag::DELAY);
    const bool reverb = !allOff && services->getOnOff(tag::REVERB);
    auto switchSection = [this](const TSection& section, bool on) {
        for (KnobMember knob : section.knobs)
            setOnIf(this->*knob, on);
        for (LabelMember label : section.labels)
            setOnIf(this->*label, on);
    };

    switchSection(LOW_FI_SECTION, lowFi);

    setOnIf(labelModFXTempoSyncOnOff, modFX && modFXType < FIRST_UNSYNCED_MOD_FX);
    for (KnobMember knob : MOD_FX_KNOBS)
        setOnIf(this->*knob, modFX);
    for (LabelMember label : MOD_FX_LABELS)
        setOnIf(this->*label, modFX);
    setBypassedIf(menuModFXMode, !modFX);
    setBypassedIf(onOffModFXTempoSyncOnOff, !modFX);
    setOnIf(labelGatorLeft, modFX);
    setOnIf(labelGatorRight, modFX);
    const int gaterPos = displayGaterPos ? services->getGaterPos() : -1;
    for (TGatorDisplay* display : gatorDisplays)
        if (display) {
            display->setOn(modFX);
            display->setGaterPos(gaterPos);
        }

    switchSection(DELAY_SECTION, delay);
    setBypassedIf(onOffDelayTempoSyncOnOff, !delay);
    setBypassedIf(onOffDelayEqualFeedbackOnOff, !delay);
    // Each look is set once per pass, so that a look that stays does not redraw.
    const bool equalFeedback = services->getOnOff(tag::DELAY_EQUAL_FEEDBACK);
    const bool crossCentred = std::fabs(services->getParameter(tag::DELAY_CROSS) - 0.5f) < CROSS_CENTRE_TOLERANCE;
    setOnIf(labelDelayEqualFeedbackOnOff, delay && (crossCentred || equalFeedback));
    setOnIf(labelDelayCross, delay && !equalFeedback);

    switchSection(REVERB_SECTION, reverb);
    setBypassedIf(menuFXPath, allOff);
}

// ---------------------------------------------------------------- hints and tooltips

void uEditor::resolveFixedHints() {
    fixedHints.clear();
    for (const THintText& row : FIXED_HINT_TEXTS)
        if (const CView* view = findMember(row.member))
            fixedHints.emplace_back(view, row.hint);
}

const char* uEditor::getFixedHint(const CView* view) const {
    const char* hint = nullptr;
    // Every row is tested: a later match wins.
    for (const auto& [control, text] : fixedHints)
        if (control == view)
            hint = text;
    return hint;
}

void uEditor::showBankProblem() {
    const std::string problem = services->getSampleServices().getSampleBankProblemStr();
    if (problem.empty())
        return;
    if (hintReadout1)
        hintReadout1->setString(problem);
    if (hintReadout2)
        hintReadout2->setString(BANK_PROBLEM_HINT);
}

void uEditor::idleHints(CView* mouseView) {
    const uint32 hintTick = lastIdleTicks / HINT_MILLISECONDS;
    if (hintTick == lastHintTick)
        return;
    lastHintTick = hintTick;
    const std::string oldName = hintName, oldValue = hintValue;
    hintName = NO_HINT;
    hintValue.clear();

    if (mouseView) {
        if (const char* fixed = getFixedHint(mouseView)) {
            hintName = fixed;
            if (mouseView == lockMenu) {
                const int lock = std::clamp(services->getLockState(), 0, static_cast<int>(LOCK_STR.size()) - 1);
                hintValue = LOCK_STR[static_cast<size_t>(lock)];
            }
        } else {
            for (const TControlEntry& entry : controls)
                if (entry.control == mouseView && isValidTag(entry.control->getTag())) {
                    const int tag = entry.control->getTag();
                    hintName = services->getParameterNameStr(tag);
                    hintValue = services->getParameterDisplayStr(tag);
                    break;
                }
        }
    }
    if (hintName == NO_HINT) {
        // Off the controls the readouts go back to the bank's problem, if any.
        if (oldName != NO_HINT)
            showBankProblem();
        return;
    }
    if (hintName != oldName || hintValue != oldValue) {
        if (hintReadout1)
            hintReadout1->setString(hintName);
        if (hintReadout2)
            hintReadout2->setString(hintValue);
    }
    if (!toolTipOn)
        return;
    // A tip with a value is attached again on every hint pass (the value
    // moves); one without only when the name changes.
    std::string tip = hintName;
    if (tip == lastToolTip)
        return;
    if (!hintValue.empty())
        tip += ": " + hintValue;
    mouseView->setAttribute(kCViewTooltipAttribute, static_cast<uint32>(tip.size() + 1), tip.c_str());
    lastToolTip = tip;
}
