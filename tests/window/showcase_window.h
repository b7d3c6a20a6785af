// The frame of the showcase plug-in's editor: the toolkit's showcase with a
// strip of controls below it that the windowed tests work (a switch bound to a
// parameter, an option menu, a drop zone for files, a button that closes the
// editor from inside its own callback). The plug-in shows it in a host's
// window; the tests render the same frame off screen to compare.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "toolkit/kgui.h"

namespace showcase {

inline constexpr double kWidth = 320;
inline constexpr double kHeight = 280;

// Where the strip's controls are, in frame coordinates.
inline const kgui::CRect kSwitchRect(10, 228, 34, 252);
inline const kgui::CRect kCloseRect(10, 254, 34, 278);
inline const kgui::CRect kMenuRect(44, 232, 150, 250);
inline const kgui::CRect kDropRect(160, 226, 310, 276);

// The option menu's entries, as the tests expect to find them.
inline const std::vector<std::string> kMenuTitles = {"Sine", "Square", "-", "Noise", "More", "-GDisabled"};
inline const std::vector<std::string> kSubmenuTitles = {"Saw", "Triangle"};

enum Tag : kgui::int32 { kSoundTag = 0, kWaveTag = 1, kCloseTag = 9000 };

// What reached the frame, for the tests to read back.
struct Record {
    std::mutex mutex;
    std::vector<std::string> droppedPaths;
    int drops = 0;
    std::string chosenTitle;  // the entry last chosen in the option menu or its submenu
    std::vector<vst::VstKeyCode> keys;
};

// Builds the showcase at 100 % and the strip. listener hears the strip's
// controls; the drop zone writes to record (which must outlive the frame).
void buildShowcaseFrame(kgui::CFrame* frame, kgui::IControlListener* listener, Record* record);

}  // namespace showcase
