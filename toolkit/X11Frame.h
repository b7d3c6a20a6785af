// The frame in a host's window on an X11 display: a child window of the
// window the host hands to effEditOpen, drawn with cairo and driven by the
// display's events, which CFrame::idle pumps without waiting.
//
// Every editor opening makes its own connection to the display and closes it
// with the frame; nothing is shared between frames, so two instances, or two
// openings of one, never meet. Everything here runs on the host's
// user-interface thread; the audio thread never reaches it.
#pragma once

#include <memory>

#include "toolkit/PlatformFrame.h"

namespace kgui {

// The platform of a frame shown in the X11 window whose id is parentWindow
// (cast to a pointer, as hosts pass it); null when no display can be reached
// or parentWindow is not a window on it.
std::unique_ptr<IPlatformFrame> makeX11Platform(CFrame* frame, void* parentWindow);

// Whether makeX11Platform would succeed for this parent: the display answers
// and the window exists. Asks the display once and lets it go again.
bool canShowFrameIn(void* parentWindow);

}  // namespace kgui
