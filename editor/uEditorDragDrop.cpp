// The drag of a knob onto a modulation destination menu: the idle pass calls
// dropMod when a dragged knob is let go over one of the eight menus. Until the
// drop is built the gesture leaves no trace: the knob keeps the value it was
// dragged to, as after any drag.
#include "editor/uEditor.h"

void uEditor::dropMod(int) {}
