// The editor's numbered images: the id of each at 100 % (each larger size adds
// BITMAP_ID_SIZE_STEP), and the order in which the editor loads them when it
// opens. Every id here has one image per size in the bundle's Resources folder.
#pragma once

#include <array>

enum TBitmapId : int {
    MAIN_BACK_BITMAP = 10000,    // main screen background; sizes the window
    SAMPLE_BACK_BITMAP = 10001,  // sample screen background
    BACK_SCREEN_BITMAP = 10002,  // back screen (settings) background
    EXTRA_BITMAP_3 = 10003,      // 10003..10008 and 10014: loaded, never drawn
    EXTRA_BITMAP_4 = 10004,
    EXTRA_BITMAP_5 = 10005,
    EXTRA_BITMAP_6 = 10006,
    EXTRA_BITMAP_7 = 10007,
    EXTRA_BITMAP_8 = 10008,
    EXTRA_BITMAP_14 = 10014,
    SOURCE_WAVE_BITMAP = 10020,   // source panel, "Wave"; sizes the source container
    SOURCE_NOISE_BITMAP = 10021,  // source panel, the noise modes, with the scope window
    MOD_FX_BACK_BITMAP = 10022,   // Mod FX panel; sizes its container
    SOURCE_SAMPLE_BITMAP = 10023, // source panel, "Sample"
    CONTROL_BITMAP_30 = 10030,    // 10030..10034, 10038, 10039: loaded, never drawn
    CONTROL_BITMAP_31 = 10031,
    CONTROL_BITMAP_32 = 10032,
    CONTROL_BITMAP_33 = 10033,
    CONTROL_BITMAP_34 = 10034,
    RIBBON_CENTRE_BITMAP = 10035,  // ribbon: centre mark of the bipolar ribbon
    RIBBON_HANDLE_BITMAP = 10036,  // ribbon: value handle
    RIBBON_MOD_BITMAP = 10037,     // ribbon: modulated position handle
    CONTROL_BITMAP_38 = 10038,
    CONTROL_BITMAP_39 = 10039,
    FOLDER_ICON_BITMAP = 10040,   // sample browser: a sub-folder row
    FILE_ICON_BITMAP = 10041,     // sample browser: a file row's preview icon
    PREVIEW_BITMAP = 10042,       // preview button: up above pressed
    PREVIEW_STOP_BITMAP = 10043,  // preview stop button: up above pressed
};

// Load order: background, sample background, extra 0, the three source panels
// (wave, noise, sample), the Mod FX panel, extras 1..6, the back screen, extra
// 7, then the fourteen control images.
inline constexpr std::array<int, 29> EDITOR_BITMAP_LOAD_ORDER{
    10000, 10001, 10002, 10020, 10021, 10023, 10022, 10003, 10004, 10005,
    10006, 10007, 10008, 10002, 10014, 10032, 10030, 10031, 10033, 10034,
    10039, 10038, 10035, 10036, 10037, 10040, 10041, 10042, 10043,
};
