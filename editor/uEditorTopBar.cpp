// The top bar's controls: the preset menu's commands and program groups, the
// preview buttons, the two revert buttons, the manual and the logo area that
// leads to the back screen. None of them stands for a parameter.
#include "editor/uEditor.h"

#include <cstdio>
#include <string>

#include "controls/TKickButton.h"
#include "controls/TOptionMenu.h"
#include "platform/Desktop.h"
#include "plugin/StringTables.h"

using namespace kgui;

namespace {

constexpr int PROGRAMS_PER_GROUP = 32;
constexpr int CLEAR_PRESET_COMMAND = 9, FIRST_SCREEN_SIZE_COMMAND = 20;

}  // namespace

void uEditor::bindTopBar() {
    onChange(presetMenu, &uEditor::presetCommandChosen);
    for (size_t group = 0; group < programMenus.size(); ++group)
        onChange(programMenus[group], &uEditor::programChosen, static_cast<int>(group));
    onChange(previewButton, &uEditor::previewPressed);
    onChange(previewStopButton, &uEditor::previewStopPressed);
    onChange(revertOriginalButton, &uEditor::originalProgramPressed);
    onChange(revertEditedButton, &uEditor::editedProgramPressed);
    onChange(manualButton, &uEditor::manualPressed);
    onChange(backScreenButton, &uEditor::backScreenPressed);
}

// The preset menu's own entries; its programs are in the group submenus.
void uEditor::presetCommandChosen(const TControlReport& report) {
    if (report.chosenText == PRESET_COMMAND_STR[CLEAR_PRESET_COMMAND])
        services->clearProgram();
    for (int size = 0; size < SCREEN_SIZE_COUNT; ++size)
        if (report.chosenText == PRESET_COMMAND_STR[static_cast<size_t>(FIRST_SCREEN_SIZE_COMMAND + size)])
            setScreenSize(size);
}

void uEditor::programChosen(const TControlReport& report) {
    if (report.chosen >= 0) {
        services->setDemoProgram(report.chosen + PROGRAMS_PER_GROUP * report.slot);
        resume();
    }
}

// The preview note sounds while the button is held.
void uEditor::previewPressed(const TControlReport& report) {
    report.pressed ? services->previewNoteOn() : services->previewNoteReleased();
}

void uEditor::previewStopPressed(const TControlReport&) { services->previewNoteReleased(); }

void uEditor::originalProgramPressed(const TControlReport& report) {
    if (report.pressed)
        services->origProgram();
}

void uEditor::editedProgramPressed(const TControlReport& report) {
    if (report.pressed)
        services->editProgram();
}

// Only a manual that can be read is handed to the desktop.
void uEditor::manualPressed(const TControlReport& report) {
    if (!report.pressed)
        return;
    const std::string path = services->getManualPath();
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
        platform::openWithDesktop(path);
    }
}

// The screen buttons leave the frame while they are pressed, so their release
// never reaches them: they let go here, or the next press on them would change
// nothing and go unreported.
void uEditor::backScreenPressed(const TControlReport& report) {
    if (!report.pressed)
        return;
    report.control->setValue(0);
    showBackScreen();
}
