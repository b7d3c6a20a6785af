// The back screen (the settings page): its thirteen controls at 100 %, one row
// per control in the order the editor creates them, read by the editor's
// factories and by the artwork, which paints each control's caption and box.
// The first control, the click area that leaves the page, covers the window.
#pragma once

#include <array>

#include "editor/MainScreenLayout.h"

extern const std::array<TLayoutRow, 13> BACK_SCREEN;
