// Controls to the plug-in and back. Every control reports to valueChanged: a
// control with a handler in the table (the editor's own menus and buttons, the
// back screen's settings, the controls that do more than store their value)
// goes to it; any other stands for its parameter, whose value goes to the
// plug-in and the host. The plug-in's stored values come back through
// setParameter, to the tag's follower if it has one, else to the tag's
// controls. The handlers and followers live in their panels' files, which
// also fill the tables (bindTopBar, bindMainPanels, bindSampleScreen,
// bindBackScreen). Keys step the programs.
#include "editor/uEditor.h"

#include <algorithm>
#include <cmath>

#include "controls/TOptionMenu.h"

using namespace kgui;

namespace {

// Program steps closer than this to the last one are dropped.
constexpr uint32 PROGRAM_STEP_MILLISECONDS = 300;

}  // namespace

// ---------------------------------------------------------------- the handler tables

void uEditor::bindHandlers() {
    controlHandlers.clear();
    tagFollowers.clear();
    bindTopBar();
    bindMainPanels();
    bindSampleScreen();
    bindBackScreen();
}

void uEditor::onChange(CControl* control, TControlHandler handler, int slot) {
    if (control)
        controlHandlers[control] = {handler, slot};
}

void uEditor::onStored(int tag, TTagFollower follower, int slot) {
    if (isValidTag(tag))
        tagFollowers[tag] = {follower, slot};
}

uEditor::TControlReport uEditor::reportOf(CControl* control, int slot) const {
    TControlReport report{control, control->getTag(), slot, control->getValue() > 0.5f, -1, {}};
    if (auto* menu = dynamic_cast<COptionMenu*>(control)) {
        char text[256] = {};
        report.chosen = static_cast<int>(menu->getCurrent(text, false));
        report.chosenText = text;
    }
    return report;
}

void uEditor::setChosenStep(int tag, int chosen) {
    if (chosen >= 0)
        services->setSteppedValue(tag, chosen);
}

// ---------------------------------------------------------------- the controls to the plug-in

void uEditor::valueChanged(CControl* control) {
    if (!effect || !services || !frame || !editorFinishedOpening || !control)
        return;
    if (const auto bound = controlHandlers.find(control); bound != controlHandlers.end()) {
        (this->*bound->second.handler)(reportOf(control, bound->second.slot));
        return;
    }
    // Every other control stands for its parameter (never a value the plug-in could not store).
    const int tag = control->getTag();
    if (isValidTag(tag) && std::isfinite(control->getValue()))
        services->setParameterAutomated(tag, control->getValue());
}

// ---------------------------------------------------------------- the plug-in's values to the controls

void uEditor::setParameter(int tag, float) {
    // From another thread only the mark is taken: nothing of the window is
    // touched there, not even to see whether it is open.
    if (!isValidTag(tag))
        return;
    if (!onUiThread()) {
        offThreadRequests.markTag(tag);
        return;
    }
    if (!frame || !services || !editorFinishedOpening)
        return;
    const float value = std::clamp(services->getParameter(tag), 0.0f, 1.0f);
    if (const auto bound = tagFollowers.find(tag); bound != tagFollowers.end())
        (this->*bound->second.follower)({tag, bound->second.slot, value});
    else
        moveTagControls(tag, value);
}

void uEditor::moveTagControls(int tag, float value) {
    // The control registered last for the tag, and the ones before it: the
    // source layouts each hold their own knob of 11, 12, 13 and 16, and the
    // one on screen must follow as well.
    // Each link leads to an earlier entry, so the walk ends even on a broken chain.
    for (int index = tagToControl[static_cast<size_t>(tag)]; index >= 0 && index < getControlCount();) {
        const TControlEntry& entry = controls[static_cast<size_t>(index)];
        if (entry.type == OPTION_MENU || !entry.control || entry.control->getTag() != tag)
            return;
        entry.control->setValue(value);
        const int previous = previousWithTag[static_cast<size_t>(index)];
        index = previous < index ? previous : -1;
    }
}

void uEditor::setEditTag(int tag) {
    if (!isValidTag(tag)) {
        editControl = nullptr;
        return;
    }
    for (const TControlEntry& entry : controls)
        if (entry.control && entry.control->getTag() == tag) {
            editControl = entry.control;
            return;
        }
}

void uEditor::beginEdit(int32 index) {
    if (services)
        services->beginEdit(index);
}

void uEditor::endEdit(int32 index) {
    if (services)
        services->endEdit(index);
}

// ---------------------------------------------------------------- program steps by key

void uEditor::changeProgramDelta(int delta, bool) {
    if (!effect || !services || services->getIsSettingPreset())
        return;
    const uint32 now = getTicks();
    keyTicks = now;
    // A clock that went back must not lock the steps out.
    if (now < lastProgramChangeTicks)
        lastProgramChangeTicks = now - (PROGRAM_STEP_MILLISECONDS + 1);
    if (now - lastProgramChangeTicks >= PROGRAM_STEP_MILLISECONDS) {
        lastProgramChangeTicks = now;
        services->changeDemoProgramDelta(delta);
        resume();
    }
}

int32 uEditor::onKeyDown(const VstKeyCode& key, CFrame*) {
    if (!keyboardOn)
        return -1;
    switch (key.virt) {
        case vst::VKEY_UP: changeProgramDelta(-1, true); return 1;
        case vst::VKEY_DOWN: changeProgramDelta(1, true); return 1;
        case vst::VKEY_PAGEUP:
        case vst::VKEY_PAGEDOWN: return 1;
        default: return -1;
    }
}

int32 uEditor::onKeyUp(const VstKeyCode&, CFrame*) { return -1; }
