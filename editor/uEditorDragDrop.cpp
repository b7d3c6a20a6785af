// Dragging a knob onto a modulation destination menu makes the knob's
// parameter that menu's destination. The knob starts the gesture as an
// ordinary drag, so the editor remembers its value at the press; the release
// notes the destination menu under the pointer, the idle pass completes the
// drop onto it, and the knob gets its old value back: the drag itself leaves
// no trace. Released anywhere else, the knob keeps the value it was dragged
// to; a gesture the toolkit cuts short (a grab, another press) is no release.
#include "editor/uEditor.h"

#include <algorithm>

#include "controls/TOptionMenu.h"
#include "editor/EditorTables.h"

bool uEditor::getDropAllowed(int tag) const { return isValidTag(tag) && dropAllowed[static_cast<size_t>(tag)]; }

void uEditor::setDropTag(int tag) {
    dropTag = tag;
    if (tag != -1 && services) {
        dropValue = services->getParameter(tag);
        dropReleased = false;
        dropReleaseTag = -1;
    }
}

// From the knob's release, while the frame's pointer is where it was let go.
void uEditor::releasedDropDial() {
    dropReleased = true;
    dropReleaseTag = dropTag != -1 ? destinationMenuAtPointer() : -1;
}

int uEditor::destinationMenuAtPointer() const {
    const kgui::CView* view = getViewAtPointer();
    for (size_t k = 0; k < destMenus.size(); ++k)
        if (view && view == destMenus[k])
            return MOD_MENU_DEST_TAGS[k];
    return -1;
}

void uEditor::dropMod(int destTag) {
    if (dropTag == -1)
        return;
    // A gesture begun before the preference was switched off, or by a knob
    // that may not be a source, ends here without effect.
    if (!getDropAllowed(dropTag) || !dragAndDropOn) {
        dropTag = -1;
        return;
    }
    if (services) {
        services->setParameterAutomated(dropTag, dropValue);
        // Only the eight destination menus take a drop; any other tag would
        // have a stepped value of some other meaning overwritten.
        const int destination = services->getTagDest(dropTag);
        const bool destinationMenu =
            std::find(MOD_MENU_DEST_TAGS.begin(), MOD_MENU_DEST_TAGS.end(), destTag) != MOD_MENU_DEST_TAGS.end();
        if (destination != 0 && destinationMenu)
            services->setSteppedValue(destTag, destination);
    }
    dropTag = -1;
}
