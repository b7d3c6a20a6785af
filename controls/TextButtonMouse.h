// The momentary-button behaviour that the text read-outs share: 1 while the
// left button holds them, 0 at the release, each reported to the listener.
#pragma once

#include "toolkit/CControl.h"

// A press: taken only with the left button, an editor and reactToMouse set.
kgui::CMouseEventResult textButtonPressed(kgui::CControl& control, const kgui::CButtonState& buttons,
                                          bool reactToMouse);
kgui::CMouseEventResult textButtonReleased(kgui::CControl& control, const kgui::CButtonState& buttons);
