// Bringing every menu, readout and control back in line with the stored
// values (after a program change, an opening, a screen switch or the plug-in's
// request), and the names of the modulation destinations, which follow the
// source mode and the Mod FX mode.
#include "editor/uEditor.h"

#include <algorithm>
#include <cmath>

#include "controls/TKnob.h"
#include "controls/TOptionMenu.h"
#include "controls/TReadout.h"
#include "editor/EditorTables.h"
#include "editor/RaisedFlag.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

constexpr int SOURCE_WAVE = 3;
constexpr int WAVE_MIX_DESTINATION = destination::SOURCE_MIX;
// The Mod FX variables' destinations, and the group that holds them (44..61).
constexpr int MOD_FX_FIRST_DESTINATION = destination::MOD_FX_1, MOD_FX_VARIABLES = 5;
constexpr int MOD_FX_GROUP = 4, SOURCE_GROUP = 1;
// A control whose value is this close to its parameter is left as it is.
constexpr float RESUME_TOLERANCE = 0.00001f;

template <typename Table>
const std::string& nameAt(const Table& table, int index) {
    return table[static_cast<size_t>(std::clamp(index, 0, static_cast<int>(table.size()) - 1))];
}

}  // namespace

void uEditor::resume() {
    if (!services || !editorFinishedOpening || inShowMainScreenControls || inShowSampleScreen || inResume)
        return;
    const TRaisedFlag resuming(inResume);
    if (screenMode != 3) {
        updatePresetMenu();
        if (screenMode == 0 || screenMode == 1) {
            for (TOptionMenu** menu : {&menuMovementPanSingleMode, &menuPlayMode, &menuPortamentoMode,
                                       &menuPitchBendDown, &menuPitchBendUp, &menuSourceMode})
                resumeMenu(*menu);
            resumeSubMenu(sampleMenu, tag::SAMPLE, SAMPLE_STR);
            resumeSubMenu(filterMenu, tag::FILTER_MODE, FILTER_MODE_STR);
            for (TOptionMenu** menu : {&menuFilterDistortionMode, &menuFreeLFOWave, &menuFreeLFOMode, &menuFXPath,
                                       &menuModFXMode})
                resumeMenu(*menu);
            for (size_t j = 0; j < srcMenus.size(); ++j)
                resumeSubMenu(srcMenus[j], SOURCE_MENU_TAGS[j], SRC_SHORT_STR);
            for (int k = 0; k < static_cast<int>(destMenus.size()); ++k)
                resumeDestMenu(k);
            resumeMenu(menuRibbonSpringTime);
            resumeMenu(menuRibbonQuantization);
            if (screenMode == 0) {
                mainScreenDirty = true;
                resumeMenu(menuMoveSnapTo);
            } else {
                sampleScreenDirty = true;
            }
            paramChangedSinceIdle = true;
            modFXChanged = true;
        }
    } else {
        showBackScreenReadouts();
    }
    for (const TControlEntry& entry : controls) {
        CControl* control = entry.control;
        if (!control || !isValidTag(control->getTag()) || entry.type == GENERIC || entry.type == OPTION_MENU)
            continue;
        const float value = services->getParameter(control->getTag());
        if (std::fabs(control->getValue() - value) > RESUME_TOLERANCE) {
            control->setValue(value);
            control->invalid();
            control->setDirty();
        }
    }
}

void uEditor::resumeMenu(TOptionMenu*& menu) {
    if (!menu || !services)
        return;
    menu->setValue(static_cast<float>(services->getSteppedValue(menu->getTag())));
}

void uEditor::resumeSubMenu(TOptionMenu*& menu, float value, std::span<const std::string> table) {
    if (!menu || !services || table.empty())
        return;
    const int step = services->getSteppedValue(menu->getTag(), value);
    menu->setString(table[static_cast<size_t>(std::clamp(step, 0, static_cast<int>(table.size()) - 1))]);
}

void uEditor::resumeSubMenu(TOptionMenu*& menu, int tag, std::span<const std::string> table) {
    if (!menu || !services || table.empty())
        return;
    const int step = services->getSteppedValue(tag);
    menu->setString(table[static_cast<size_t>(std::clamp(step, 0, static_cast<int>(table.size()) - 1))]);
}

void uEditor::resumeDestMenu(int k) {
    if (!services || k < 0 || k >= static_cast<int>(destMenus.size()))
        return;
    if (TOptionMenu* menu = destMenus[static_cast<size_t>(k)])
        menu->setString(nameAt(destShortStr, services->getSteppedValue(menu->getTag())));
}

void uEditor::updateDestStr() {
    std::copy(DEST_STR.begin(), DEST_STR.end(), destStr.begin());
    std::copy(DEST_SHORT_STR.begin(), DEST_SHORT_STR.end(), destShortStr.begin());
    if (!services)
        return;
    if (services->getSteppedValue(tag::SOURCE_MODE) == SOURCE_WAVE) {
        destStr[WAVE_MIX_DESTINATION] = "Source Wave Mix";
        destShortStr[WAVE_MIX_DESTINATION] = "Src Wave Mix";
    }
    const auto mode = static_cast<size_t>(std::clamp(modFXType, 0, MOD_FX_MODE_COUNT - 1));
    for (size_t j = 0; j < MOD_FX_VARIABLES; ++j) {
        destStr[MOD_FX_FIRST_DESTINATION + j] = MOD_FX_VAR_STR[MOD_FX_VARIABLES * mode + j];
        destShortStr[MOD_FX_FIRST_DESTINATION + j] = MOD_FX_VAR_SHORT_STR[MOD_FX_VARIABLES * mode + j];
    }
    for (size_t k = 0; k < destMenus.size(); ++k) {
        if (TOptionMenu* group = destSubMenus[k][MOD_FX_GROUP]) {
            const int first = DEST_SUB_START[MOD_FX_GROUP];
            for (int destination = first; destination < DEST_SUB_START[MOD_FX_GROUP + 1]; ++destination)
                group->setEntry(destination - first, destStr[static_cast<size_t>(destination)].c_str());
        }
        if (TOptionMenu* group = destSubMenus[k][SOURCE_GROUP])
            group->setEntry(WAVE_MIX_DESTINATION - DEST_SUB_START[SOURCE_GROUP], destStr[WAVE_MIX_DESTINATION].c_str());
        if (TOptionMenu* menu = destMenus[k])
            menu->setString(nameAt(destShortStr, services->getSteppedValue(menu->getTag())));
    }
}

std::string uEditor::getDestShortStr(int destination) const { return nameAt(destShortStr, destination); }

const std::string& uEditor::getDestStr(int destination) const { return nameAt(destStr, destination); }

void uEditor::setModValue(TKnob*& knob) {
    if (!knob || !services)
        return;
    knob->setModValue(services->getModValue(knob->getTag()), static_cast<int>(lastIdleTicks / 200));
}
