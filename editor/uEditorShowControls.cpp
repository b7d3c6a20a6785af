// The screens: the editor owns every control for the life of the window and
// shows a screen by attaching a chosen set of them to the frame. The source
// panel and the Mod FX panel change their contents with "Source Mode" and
// "Mod FX Mode"; the editor remembers each Mod FX mode's settings.
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <vector>

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
#include "editor/EditorMembers.h"
#include "editor/EditorTables.h"
#include "editor/RaisedFlag.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

constexpr int USER_SAMPLE_SLOT = TSampleDisplay::USER_SAMPLE_SLOT;
// Source modes: 0..2 the noise forms, 3 "Wave", 4 "Sample".
constexpr int SOURCE_WAVE = 3, SOURCE_SAMPLE = 4;
// Sample loop modes that loop.
constexpr int LOOP_FORWARD = 1, LOOP_PING_PONG = 2;

constexpr CColor sampleTextColour(bool active) { return CColor(55, 208, 255, active ? 255 : 63); }

std::string frameText(double frame, int add) {
    char text[32];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(frame) + add);
    return text;
}

}  // namespace

void uEditor::addToFrame(CView* view) {
    if (frame && view && !view->isAttached())
        frame->addView(view);
}

// Fills a panel with these views in this order. A panel that already holds
// exactly them is left as it is: emptying it would redraw it for nothing and
// take the mouse from a knob being dragged in it.
static void fillPanel(CViewContainer* container, const std::vector<CView*>& views) {
    bool same = container->getNbViews() == static_cast<int32>(views.size());
    for (size_t i = 0; same && i < views.size(); ++i)
        same = container->getView(static_cast<int32>(i)) == views[i];
    if (same)
        return;
    container->removeAll(false);
    for (CView* view : views)
        if (!view->isAttached())
            container->addView(view);
    container->setDirty();
}

// ---------------------------------------------------------------- main and sample screens

void uEditor::showMainScreen() {
    if (!frame || inShowMainScreen)
        return;
    {
        const TRaisedFlag showing(inShowMainScreen);
        showScreenBase(mainBackBitmap, 0);
    }
    resume();
    frame->setDirty();
}

void uEditor::showScreenBase(CBitmap* background, int mode) {
    frame->removeAll(false);
    frame->invalid();
    frame->setDirty(false);
    frame->setBackground(background);
    screenMode = mode;
    showMainScreenControls();
}

void uEditor::showTop() {
    if (!services)
        return;
    for (TLabel* caption : {labelPreset, labelBank, labelEdit, labelOrig, labelECS, labelHelp})
        addToFrame(caption);
    addToFrame(presetMenu);
    if (presetMenu)
        presetMenu->setString(services->getDemoName(services->getCurBuiltinProgram()));
    for (CView* view : std::initializer_list<CView*>{folderMenu, previewButton, revertEditedButton,
                                                     revertOriginalButton, ecsMenuButton, manualButton,
                                                     sampleScreenArea, backScreenButton, previewStopButton,
                                                     controlMenuButton, hintReadout1, hintReadout2})
        addToFrame(view);
}

// The captions and controls of the main screen's panels, in the order they
// draw: captions, knobs, switches, then the menus and displays. On the sample
// screen the Movement band's rows stay off, as the sample area covers it.
void uEditor::showMainScreenControls() {
    if (!services || inShowMainScreenControls)
        return;
    const TRaisedFlag showing(inShowMainScreenControls);
    const bool sampleScreen = screenMode == 1;
    auto shown = [&](const TLayoutRow& row) { return !sampleScreen || isBelowMovementBand(row); };
    auto addMember = [&](std::string_view member) {
        if (const TLayoutRow* row = findLayoutRow(member); row && shown(*row))
            addToFrame(findMember(member));
    };

    addToFrame(sourceViewContainer);
    addToFrame(modFXViewContainer);
    showTop();

    // Captions: the panel titles and ribbon captions, then each row's own.
    for (const TLayoutRow& row : std::span(MAIN_CAPTIONS).subspan(6))
        if (shown(row))
            addToFrame(findMember(row.member));
    using Rows = std::span<const TLayoutRow>;
    for (Rows table : {Rows(MAIN_KNOBS), Rows(MAIN_SWITCHES), Rows(MAIN_SOURCE_ROW), Rows(MAIN_MENUS),
                       Rows(MAIN_MODULATION_MENUS), Rows(MAIN_MOVEMENT_AND_RIBBON)})
        for (const TLayoutRow& row : table)
            if (shown(row) && (row.make.factory == TFactory::label || row.make.caption))
                addToFrame(findMember(row.make.factory == TFactory::label ? row.member : row.make.caption));
    for (const TLayoutRow& row : MAIN_KNOBS)
        if (row.make.factory == TFactory::knob && shown(row))
            addToFrame(findMember(row.member));
    for (int tag : MAIN_SWITCH_ATTACH_ORDER)
        for (const TLayoutRow& row : MAIN_SWITCHES)
            if (row.tag == tag && shown(row))
                addToFrame(findMember(row.member));

    for (const char* member : {"menuMovementPanSingleMode", "menuPlayMode", "menuPortamentoMode", "menuPitchBendDown",
                               "menuPitchBendUp", "menuSourceMode", "sampleMenu", "sampleScreenButton",
                               "onOffSampleRevOnOff", "menuFilterDistortionMode", "filterMenu"})
        addMember(member);
    resumeSubMenu(filterMenu, tag::FILTER_MODE, FILTER_MODE_STR);
    for (const char* member : {"menuFreeLFOWave", "menuFreeLFOMode", "menuFXPath", "menuModFXMode", "srcMenus[0]",
                               "srcMenus[1]", "srcMenus[2]", "srcMenus[3]", "srcMenus[4]"})
        addMember(member);
    // The destination menus by slot, 0 to 7, though the Movement's and the
    // Free LFO's are made first. They lie apart, so the order changes no
    // picture and no click.
    int slot = 0;
    for (const char* member : {"destMenus[0]", "destMenus[1]", "destMenus[2]", "destMenus[3]", "destMenus[4]",
                               "destMenus[5]", "destMenus[6]", "destMenus[7]"}) {
        if (const TLayoutRow* row = findLayoutRow(member); row && shown(*row)) {
            addToFrame(destMenus[static_cast<size_t>(slot)]);
            if (!sampleScreen)
                resumeDestMenu(slot);
        }
        ++slot;
    }
    for (const char* member : {"moveSpeedMenuButton", "lfoSelector", "lfoScreen"})
        addMember(member);
    if (lfoScreen && !sampleScreen)
        lfoScreen->setSnap(services->getSteppedValue(tag::MOVE_SNAP_TO));
    for (const char* member : {"menuMoveSnapTo", "lockMenu", "menuRibbonSpringTime", "menuRibbonQuantization"})
        addMember(member);
    addToFrame(ribbonSlider);
    addMember("onOffRibbonBiPolarOnOff");
}

void uEditor::showSampleScreenControls() {
    if (inShowSampleScreen || !frame || !services)
        return;
    {
        const TRaisedFlag showing(inShowSampleScreen);
        showScreenBase(sampleBackBitmap, 1);

        for (const TLayoutRow& row : SAMPLE_SCREEN)
            if (row.make.factory != TFactory::direct)
                addToFrame(findMember(row.member));
        resumeMenu(menuSampleLoopMode);
        for (CTextEdit* field : samplePositionFields)
            addToFrame(field);
        addToFrame(sampleDisplay);
        addToFrame(sampleFileDisplay);
    }
    updateSampleScreen();
    sampleScreenDirty = true;
    resume();
    frame->setDirty();
}

// ---------------------------------------------------------------- the source panel

void uEditor::redrawSourceViewContainer() {
    if (!sourceViewContainer || !services || inRedrawSource)
        return;
    const TRaisedFlag redrawing(inRedrawSource);
    paramChangedSinceIdle = false;
    std::vector<CView*> panel;
    auto add = [&](std::initializer_list<CView*> views) {
        for (CView* view : views)
            if (view && std::find(panel.begin(), panel.end(), view) == panel.end())
                panel.push_back(view);
    };
    const int mode = services->getSteppedValue(tag::SOURCE_MODE);
    if (mode < SOURCE_WAVE) {
        sourceViewContainer->setBackground(sourceBackBitmaps[1]);
        add({knobNoiseMix, labelNoiseMix, waveScreen});
        if (mode > 0)
            add({knobSourceSemi, labelSourceSemi, onOffKeyTrackOnOff, labelKeyTrackOnOff});
    } else if (mode == SOURCE_WAVE) {
        sourceViewContainer->setBackground(sourceBackBitmaps[0]);
        add({knobWaveMix, labelWaveMix, knobWaveSampleNoiseMix, labelWaveSampleNoiseMix, knobSourceSemi2,
             labelSourceSemi2, knobSourceFine, labelSourceFine, knobWaveSymmetry, labelWaveSymmetry,
             knobWaveFeedback, labelWaveFeedback, onOffKeyTrackOnOff2, labelKeyTrackOnOff2});
    } else {
        sourceViewContainer->setBackground(sourceBackBitmaps[2]);
        add({knobSourceSemi3, labelSourceSemi3, knobSourceFine2, labelSourceFine2, knobWaveSampleNoiseMix2,
             labelWaveSampleNoiseMix2, knobSampleOffset, labelSampleOffset, knobGrainLength, labelGrainLength,
             knobGrainSize, labelGrainSize, knobGrainRandom, labelGrainRandom, onOffKeyTrackOnOff3,
             labelKeyTrackOnOff3, onOffGrainOnOff, labelGrainOnOff});
        // The grain's own settings matter only while grains are on.
        const bool grains = services->getOnOff(tag::GRAIN);
        for (TKnob* knob : {knobGrainLength, knobGrainSize, knobGrainRandom})
            if (knob)
                knob->setOn(grains);
        for (TLabel* label : {labelGrainLength, labelGrainSize, labelGrainRandom})
            if (label)
                label->setOn(grains);
    }
    add({knobSubVolume, labelSubVolume});
    fillPanel(sourceViewContainer, panel);
    updateDestStr();
}

// ---------------------------------------------------------------- the Mod FX panel and its memory

void uEditor::redrawModFXViewContainer() {
    if (inRedrawModFX || !modFXViewContainer || !services)
        return;
    const TRaisedFlag redrawing(inRedrawModFX);
    modFXChanged = false;
    std::vector<CView*> panel;
    auto add = [&](CView* view) {
        if (view && std::find(panel.begin(), panel.end(), view) == panel.end())
            panel.push_back(view);
    };
    modFXType = std::clamp(services->getSteppedValue(tag::MOD_FX_MODE), 0, MOD_FX_MODE_COUNT - 1);
    const auto type = static_cast<size_t>(modFXType);
    // The Gator's two step patterns take the place of the last three knobs.
    const size_t knobCount = modFXType == MOD_FX_GATOR_MODE ? 3 : 6;
    const std::array<TKnob*, 6> knobs{knobModFXMix, knobModFX1, knobModFX2, knobModFX3, knobModFX4, knobModFX5};
    const std::array<TLabel*, 6> labels{labelModFXMix, labelModFX1, labelModFX2, labelModFX3, labelModFX4, labelModFX5};
    for (size_t i = 0; i < knobCount; ++i) {
        add(knobs[i]);
        if (knobs[i])
            knobs[i]->setDefaultValue(modFXDefaults[type][i]);
    }
    for (size_t i = 1; i < labels.size(); ++i)
        if (labels[i])
            labels[i]->setString(MOD_FX_LABEL_STR[5 * type + i - 1]);
    for (size_t i = 0; i < knobCount; ++i)
        add(labels[i]);
    if (modFXType == MOD_FX_GATOR_MODE) {
        add(labelGatorLeft);
        add(labelGatorRight);
        for (TGatorDisplay* display : gatorDisplays)
            if (display) {
                display->setValue(services->getParameter(display->getTag()));
                add(display);
            }
    }
    fillPanel(modFXViewContainer, panel);
}

void uEditor::updateModFX() {
    if (!services)
        return;
    // The wheel of the mode menu may turn from any thread a host calls from;
    // there the next idle pass finds the new mode and comes here itself.
    if (!onUiThread())
        return;
    auto& old = modFXMemory[static_cast<size_t>(std::clamp(modFXType, 0, MOD_FX_MODE_COUNT - 1))];
    for (size_t i = 0; i < MOD_FX_MEMORY_TAGS.size(); ++i)
        old[i] = services->getParameter(MOD_FX_MEMORY_TAGS[i]);
    modFXType = std::clamp(services->getSteppedValue(tag::MOD_FX_MODE), 0, MOD_FX_MODE_COUNT - 1);
    const auto& remembered = modFXMemory[static_cast<size_t>(modFXType)];
    for (size_t i = 0; i < MOD_FX_MEMORY_TAGS.size(); ++i)
        services->setParameter(MOD_FX_MEMORY_TAGS[i], remembered[i]);
    updateDestStr();
    modFXChanged = true;
}

void uEditor::updateIdleVars() {
    if (!services)
        return;
    if (!onUiThread()) {
        offThreadRequests.raise({.modFXModeTaken = true});
        return;
    }
    modFXType = std::clamp(services->getSteppedValue(tag::MOD_FX_MODE), 0, MOD_FX_MODE_COUNT - 1);
}

const std::array<float, 7>& uEditor::getModFXMemory(int mode) const {
    return modFXMemory[static_cast<size_t>(std::clamp(mode, 0, MOD_FX_MODE_COUNT - 1))];
}

// ---------------------------------------------------------------- the sample screen's readouts and buttons

void uEditor::updateSampleScreen() {
    if (inShowSampleScreen)
        return;
    sampleScreenDirty = false;
    if (!services)
        return;
    TSampleServices& samples = services->getSampleServices();
    const double starts[3] = {samples.getSampleStart(USER_SAMPLE_SLOT), samples.getSampleLoopStart(USER_SAMPLE_SLOT),
                              samples.getSampleLoopEnd(USER_SAMPLE_SLOT)};
    for (size_t i = 0; i < samplePositionFields.size(); ++i)
        if (CTextEdit* field = samplePositionFields[i]) {
            // Loop points are shown counting from 1, the start from 0.
            field->setText(frameText(starts[i], i == 0 ? 0 : 1));
            field->invalid();
        }
    const bool loaded = samples.getSampleLoaded();
    if (samplePositionFields[0])
        samplePositionFields[0]->setFontColor(sampleTextColour(loaded));
    for (size_t i = 0; i < 4; ++i)
        if (sampleNudgeButtons[i])
            sampleNudgeButtons[i]->setBypassed(!loaded);
    for (TKickButton* button : sampleZoomButtons)
        if (button)
            button->setBypassed(!loaded);
    for (TLabel* label : {labelSamplePlayMode, labelSampleStart})
        if (label)
            label->setOn(loaded);
    if (menuSampleLoopMode)
        menuSampleLoopMode->setBypassed(!loaded);

    sampleLoopModeShown = services->getSteppedValue(tag::SAMPLE_LOOP_MODE);
    const bool looping = loaded && (sampleLoopModeShown == LOOP_FORWARD || sampleLoopModeShown == LOOP_PING_PONG);
    for (size_t i = 1; i < samplePositionFields.size(); ++i)
        if (samplePositionFields[i])
            samplePositionFields[i]->setFontColor(sampleTextColour(looping));
    for (size_t i = 4; i < sampleNudgeButtons.size(); ++i)
        if (sampleNudgeButtons[i])
            sampleNudgeButtons[i]->setBypassed(!looping);
    for (TLabel* label : {labelLoopStart, labelLoopEnd})
        if (label)
            label->setOn(looping);

    if (sampleDisplay) {
        if (sampleZoomButtons[0])
            sampleZoomButtons[0]->setBypassed(!(loaded && sampleDisplay->getCanZoom(true)));
        if (sampleZoomButtons[1])
            sampleZoomButtons[1]->setBypassed(!(loaded && sampleDisplay->getCanZoom(false)));
    }
}

void uEditor::resetSampleScreen() {
    if (sampleDisplay) {
        sampleDisplay->setZoom(-1);
        sampleDisplay->setDirty();
    }
}
