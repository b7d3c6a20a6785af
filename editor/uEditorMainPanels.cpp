// The main screen's panels: what their menus and switches do beyond storing
// their value, and what a value the plug-in stored does to them. Stepped
// menus store their chosen entry as the parameter's step; the sample, filter
// and modulation menus are found by the chosen name; a few controls move
// others with them (the reverse switch and the loop mode, the ribbon's
// polarity and its value) or tell a display (the snap, the ribbon).
#include "editor/uEditor.h"

#include <algorithm>
#include <array>

#include "controls/THSlider.h"
#include "controls/TLFOScreen.h"
#include "controls/TOnOff.h"
#include "controls/TOptionMenu.h"
#include "editor/EditorTables.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

constexpr int SAMPLE_LOOP_REVERSED = 3;
constexpr int LOCK_SET = 2;

template <typename Array, typename T>
int indexIn(const Array& array, const T& value) {
    const auto found = std::find(array.begin(), array.end(), value);
    return found == array.end() ? -1 : static_cast<int>(found - array.begin());
}

// Menus shown as their parameter's step. The first ten store the chosen entry
// and nothing more; the ribbon and loop menus do more when chosen.
struct TSteppedMenu {
    int tag;
    TOptionMenu* uEditor::*menu;
};
constexpr int PLAIN_STEPPED_MENUS = 10;
constexpr std::array<TSteppedMenu, 13> STEPPED_MENUS{{
    {tag::MOVEMENT_TO_PAN_SINGLE_MODE, &uEditor::menuMovementPanSingleMode},
    {tag::PLAY_MODE, &uEditor::menuPlayMode},
    {tag::PORTAMENTO_MODE, &uEditor::menuPortamentoMode},
    {tag::PITCH_BEND_DOWN, &uEditor::menuPitchBendDown},
    {tag::PITCH_BEND_UP, &uEditor::menuPitchBendUp},
    {tag::FILTER_DISTORTION_MODE, &uEditor::menuFilterDistortionMode},
    {tag::FREE_LFO_WAVE, &uEditor::menuFreeLFOWave},
    {tag::FREE_LFO_MODE, &uEditor::menuFreeLFOMode},
    {tag::FX_PATH, &uEditor::menuFXPath},
    {tag::MOD_FX_MODE, &uEditor::menuModFXMode},
    {tag::RIBBON_SPRING_TIME, &uEditor::menuRibbonSpringTime},
    {tag::RIBBON_QUANTIZATION, &uEditor::menuRibbonQuantization},
    {tag::SAMPLE_LOOP_MODE, &uEditor::menuSampleLoopMode},
}};

}  // namespace

// ---------------------------------------------------------------- the tables

void uEditor::bindMainPanels() {
    for (size_t slot = 0; slot < STEPPED_MENUS.size(); ++slot) {
        if (slot < PLAIN_STEPPED_MENUS)
            onChange(this->*STEPPED_MENUS[slot].menu, &uEditor::steppedMenuChosen);
        onStored(STEPPED_MENUS[slot].tag, &uEditor::showSteppedMenu, static_cast<int>(slot));
    }
    onChange(menuSourceMode, &uEditor::sourceModeChosen);
    onChange(sampleMenu, &uEditor::sampleChosen);
    for (TOptionMenu* submenu : sampleSubMenus)
        onChange(submenu, &uEditor::sampleChosen);
    onChange(filterMenu, &uEditor::filterModeChosen);
    for (TOptionMenu* submenu : filterSubMenus)
        onChange(submenu, &uEditor::filterModeChosen);
    onChange(onOffSampleRevOnOff, &uEditor::sampleReverseSwitched);
    onChange(menuMoveSnapTo, &uEditor::snapChosen);
    onChange(lockMenu, &uEditor::speedLockChosen);
    onChange(menuRibbonQuantization, &uEditor::ribbonQuantizationChosen);
    onChange(menuRibbonSpringTime, &uEditor::ribbonSpringTimeChosen);
    onChange(onOffRibbonBiPolarOnOff, &uEditor::ribbonBipolarSwitched);
    for (size_t slot = 0; slot < srcMenus.size(); ++slot) {
        onChange(srcMenus[slot], &uEditor::modulationSourceChosen);
        for (TOptionMenu* submenu : srcSubMenus[slot])
            onChange(submenu, &uEditor::modulationSourceChosen);
        onStored(SOURCE_MENU_TAGS[slot], &uEditor::showModulationSource, static_cast<int>(slot));
    }
    for (size_t slot = 0; slot < destMenus.size(); ++slot) {
        onChange(destMenus[slot], &uEditor::modulationDestinationChosen);
        for (TOptionMenu* submenu : destSubMenus[slot])
            onChange(submenu, &uEditor::modulationDestinationChosen);
        onStored(MOD_MENU_DEST_TAGS[slot], &uEditor::showModulationDestination, static_cast<int>(slot));
    }
    onStored(tag::MOVE_SNAP_TO, &uEditor::showSnap);
    onStored(tag::SOURCE_MODE, &uEditor::showSourceMode);
    onStored(tag::SAMPLE, &uEditor::showSample);
    onStored(tag::FILTER_MODE, &uEditor::showFilterMode);
    onStored(tag::GRAIN, &uEditor::showGrain);
    onStored(tag::MOVEMENT_SHAPE_UP, &uEditor::showMovementShape);
    onStored(tag::MOVEMENT_SHAPE_DOWN, &uEditor::showMovementShape);
}

// ---------------------------------------------------------------- the source row

void uEditor::steppedMenuChosen(const TControlReport& report) { setChosenStep(report.tag, report.chosen); }

// The source panel's layout follows at the next idle pass.
void uEditor::sourceModeChosen(const TControlReport& report) {
    setChosenStep(tag::SOURCE_MODE, report.chosen);
    paramChangedSinceIdle = true;
}

void uEditor::sampleChosen(const TControlReport& report) {
    if (const int sample = indexIn(SAMPLE_STR, report.chosenText); sample >= 0)
        services->setSteppedValue(tag::SAMPLE, sample);
}

void uEditor::filterModeChosen(const TControlReport& report) {
    if (const int mode = indexIn(FILTER_MODE_STR, report.chosenText); mode >= 0)
        services->setSteppedValue(tag::FILTER_MODE, mode);
}

// Reverse is a loop mode of its own: the switch and the loop mode menu move together.
void uEditor::sampleReverseSwitched(const TControlReport& report) {
    services->setParameterAutomated(tag::SAMPLE_REV, report.control->getValue());
    services->setSteppedValue(tag::SAMPLE_LOOP_MODE, services->getOnOff(tag::SAMPLE_REV) ? SAMPLE_LOOP_REVERSED : 0);
}

// ---------------------------------------------------------------- the Movement panel

void uEditor::snapChosen(const TControlReport& report) {
    setChosenStep(tag::MOVE_SNAP_TO, report.chosen);
    if (lfoScreen)
        lfoScreen->setSnap(services->getSteppedValue(tag::MOVE_SNAP_TO));
}

void uEditor::speedLockChosen(const TControlReport& report) {
    if (report.chosen >= 0)
        services->setLockState(report.chosen);
    // "Set" writes the locked speed back once; the lock is then off.
    if (report.chosen == LOCK_SET) {
        lockMenu->setValue(0);
        lockMenu->setDirty();
        services->setLockState(0);
    }
}

// ---------------------------------------------------------------- the ribbon

void uEditor::ribbonQuantizationChosen(const TControlReport& report) {
    setChosenStep(tag::RIBBON_QUANTIZATION, report.chosen);
    if (ribbonSlider)
        ribbonSlider->invalid();
}

// A spring time other than none sets the ribbon springing back.
void uEditor::ribbonSpringTimeChosen(const TControlReport& report) {
    setChosenStep(tag::RIBBON_SPRING_TIME, report.chosen);
    if (services->getSteppedValue(tag::RIBBON_SPRING_TIME) != 0)
        services->setRibbonSpringOn();
    if (ribbonSlider)
        ribbonSlider->invalid();
}

// The ribbon rests at its centre when bipolar, at its left end otherwise.
void uEditor::ribbonBipolarSwitched(const TControlReport& report) {
    services->setParameterAutomated(tag::RIBBON_BIPOLAR, report.control->getValue());
    services->setParameterAutomated(tag::RIBBON_VALUE, services->getOnOff(tag::RIBBON_BIPOLAR) ? 0.5f : 0.0f);
    if (ribbonSlider) {
        ribbonSlider->setValue(services->getParameter(tag::RIBBON_VALUE));
        ribbonSlider->setDirty();
    }
}

// ---------------------------------------------------------------- the modulation menus, by the chosen name

// Every equal name is stored in turn, so the last one wins.
void uEditor::modulationSourceChosen(const TControlReport& report) {
    for (int source = 0; source < static_cast<int>(SRC_STR.size()); ++source)
        if (SRC_STR[static_cast<size_t>(source)] == report.chosenText)
            services->setSteppedValue(report.tag, source);
}

// The names are the editor's own (they follow the source and Mod FX modes).
void uEditor::modulationDestinationChosen(const TControlReport& report) {
    for (int destination = 0; destination < static_cast<int>(destStr.size()); ++destination)
        if (destStr[static_cast<size_t>(destination)] == report.chosenText)
            services->setSteppedValue(report.tag, destination);
}

// ---------------------------------------------------------------- stored values to the panels

void uEditor::showSteppedMenu(const TStoredValue& stored) {
    resumeMenu(this->*STEPPED_MENUS[static_cast<size_t>(stored.slot)].menu);
}

void uEditor::showSnap(const TStoredValue&) {
    resumeMenu(menuMoveSnapTo);
    if (lfoScreen)
        lfoScreen->setSnap(services->getSteppedValue(tag::MOVE_SNAP_TO));
}

void uEditor::showSourceMode(const TStoredValue&) {
    resumeMenu(menuSourceMode);
    paramChangedSinceIdle = true;
}

void uEditor::showSample(const TStoredValue&) {
    resumeSubMenu(sampleMenu, tag::SAMPLE, SAMPLE_STR);
    paramChangedSinceIdle = true;
}

void uEditor::showFilterMode(const TStoredValue&) { resumeSubMenu(filterMenu, tag::FILTER_MODE, FILTER_MODE_STR); }

// The grain switch changes the source panel's looks at the next idle pass.
void uEditor::showGrain(const TStoredValue& stored) {
    paramChangedSinceIdle = true;
    moveTagControls(stored.tag, stored.value);
}

// The Movement display draws its shapes.
void uEditor::showMovementShape(const TStoredValue& stored) {
    mainScreenDirty = true;
    moveTagControls(stored.tag, stored.value);
}

void uEditor::showModulationSource(const TStoredValue& stored) {
    resumeSubMenu(srcMenus[static_cast<size_t>(stored.slot)], stored.value, SRC_SHORT_STR);
}

void uEditor::showModulationDestination(const TStoredValue& stored) { resumeDestMenu(stored.slot); }
