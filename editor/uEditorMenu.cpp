// The pop-up command menus the controls open (the parameter, settings, ECS,
// Movement-speed, Movement, output, Gator and the two sample menus), their
// undo rings, and the drag of a knob onto a destination menu. The menus and
// rings are built by the editor's command-menu work; until then a control
// that asks for one gets no menu, and the drag is remembered as it starts
// and ends.
#include "editor/uEditor.h"

using namespace kgui;

void uEditor::showMIDIMenu(CControl*, bool) {}
void uEditor::showControlMenu() {}
void uEditor::showECSMenu() {}
void uEditor::showMoveSpeedMenu() {}
void uEditor::showMovementMenu() {}
void uEditor::showOutputMenu() {}
void uEditor::showModFXMenu() {}
void uEditor::showSampleFileMenu() {}
void uEditor::showSampleCommandMenu() {}
void uEditor::setMoveUndo() {}
void uEditor::setModFXUndo() {}

// Any thread may ask (a program applied on the audio thread); the rings are
// the editor's, so they are emptied on its own thread.
void uEditor::clearUndos() {
    if (!onUiThread()) {
        offThreadRequests.raise({.clearUndos = true});
        return;
    }
}

bool uEditor::getDropAllowed(int tag) const { return isValidTag(tag) && dropAllowed[static_cast<size_t>(tag)]; }

void uEditor::setDropTag(int tag) {
    dropTag = tag;
    if (tag != -1 && services) {
        dropValue = services->getParameter(tag);
        dropReleased = false;
    }
}

void uEditor::releasedDropDial() { dropReleased = true; }
