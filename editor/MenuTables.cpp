#include "editor/MenuTables.h"

// ---------------------------------------------------------------- the parameter menu

const std::array<std::string, 10> DIAL_INFO_STR{
    "-GLeft Click: Change Value",
    "-GLeft Click + Shift: Fine Change Value",
    "-GLeft Click + Control: Show this Menu",
    "-GLeft Click + Command: Set to Default Value",
    "-GLeft Click + Command + Shift: Set to Original Value",
    "-GLeft Click + Opt: Set to Value",
    "-GDouble Click: Set to Default Value",
    "-GRight Click: Show this Menu",
    "-GScroll Wheel: Change Value",
    "-GScroll Wheel + Shift: Fine Change Value",
};

const std::array<std::string, VALUE_COMMAND_COUNT> VALUE_COMMAND_STR{
    "Set to Default Value",
    "Set to Original Value",
    "Set to Zero Value",
    "Set to Minimum Value",
    "Set to Maximum Value",
    "Set to Mid Value",
    "Set to Value",
    "Set to Random Value",
    "Increase Value",
    "Decrease Value",
};

const std::array<std::string, MIDI_COMMAND_COUNT> MIDI_COMMAND_STR{
    "Latch to MIDI",
    "Unlatch MIDI",
    "Set MIDI CC",
    "Clear All MIDI",
};

const std::array<std::string, MOD_COMMAND_COUNT> MOD_COMMAND_STR{
    "Clear Modulation",
    "Default Modulation Amount",
    "Bypass Modulation",
    "Un-Bypass Modulation",
};

// Columns: title, value of "Wave Mix".
const std::array<TValueEntry, 4> WAVE_SHAPE_ENTRIES{{
    {"Set to Sine Wave", 0.0f},
    {"Set to Saw Wave", 0.3333f},
    {"Set to Square Wave", 0.6666f},
    {"Set to Triangle Wave", 1.0f},
}};

// Columns: title, value of "Filter Vowel/Mix".
const std::array<TValueEntry, 2> LP_HP_ENTRIES{{
    {"LP Filter", 0.0f},
    {"HP Filter", 1.0f},
}};

const std::array<TValueEntry, 3> LP_BP_HP_ENTRIES{{
    {"LP Filter", 0.0f},
    {"BP Filter", 0.5f},
    {"HP Filter", 1.0f},
}};

// Columns: title, first semitone, last semitone.
const std::array<TSemitoneGroup, 5> SEMITONE_GROUPS{{
    {"-48 to -25 Semi", -48, -25},
    {"-24 to -1 Semi", -24, -1},
    {"0 Semi", 0, 0},
    {"1 to 24 Semi", 1, 24},
    {"25 to 48 Semi", 25, 48},
}};

std::string semitoneTitle(int semitones) { return std::to_string(semitones) + " Semi"; }

// ---------------------------------------------------------------- the ECS menu

const std::array<std::string, 5> ECS_MENU_STR{
    "-GECS Menu",
    "-",
    "Load ECS",
    "Save ECS",
    "Clear All MIDI",
};

// ---------------------------------------------------------------- the Movement speed menu

const std::array<std::string, 10> MOVE_SPEED_INFO_STR{
    "-GLeft Click: Change Value",
    "-GLeft Click + Control: Show this Menu",
    "-GLeft Click + Command: Set to Default Value",
    "-GLeft Click + Command + Shift: Set to Original Value",
    "-GLeft Click + Opt: Set to Value",
    "-GDouble Click: Set to Default Value",
    "-GRight Click: Show this Menu",
    "-GArrow Button: Change Value",
    "-GArrow Button + Shift: Change to Minimum / Maximum Value",
    "-GScroll Wheel: Change Value",
};

// ---------------------------------------------------------------- the settings menu

// Columns: heading, entry while on, entry while off.
const std::array<TSettingTexts, SETTING_COUNT> SETTING_TEXTS{{
    {"-GDial Animation", "Dial Animation: On", "Dial Animation: Off"},
    {"-GOutput Display", "Output Display: On", "Output Display: Off"},
    {"-GOutput Display Speed", "Output Display Fast Speed", "Output Display Slow Speed"},
    {"-GTool-Tips", "Tool-Tips: On", "Tool-Tips: Off"},
    {"-GComputer Keyboard", "Computer Keyboard: On", "Computer Keyboard: Off"},
    {"-GDrag And Drop", "Drag And Drop: On", "Drag And Drop: Off"},
    {"-GMIDI Preset Change", "MIDI Preset: On", "MIDI Preset: Off"},
    {"-GMIDI Bank Change", "MIDI Bank: On", "MIDI Bank: Off"},
    {"-GExternal MIDI Capture Mode", "External MIDI Capture Mode: On", "External MIDI Capture Mode: Off"},
    {"-GMIDI Spring Back", "MIDI Spring Back: On", "MIDI Spring Back: Off"},
}};

const std::string CONTROL_MENU_TITLE_STR = "-GControl Menu";
const std::string SCREEN_SIZE_HEADING_STR = "-GScreen Size: ";
const std::string MIDI_CHANNEL_HEADING_STR = "-GMIDI Input Channel: ";
const std::string SET_MIDI_CHANNEL_STR = "Set MIDI Input Channel";
const std::string MIDI_CHANNEL_PROMPT_STR = "Set MIDI Input Channel (0 for Omni)";
const std::string MIDI_CHANNEL_HEADLINE_STR = "MIDI Channel";
const std::string RESET_EVERYTHING_STR = "Reset Everything";
const std::string ABOUT_STR = "About Kolbri";
const std::string ABOUT_TEXT_STR = "Kolbri 1.0\nSound-effects synthesizer by Orventa";
const std::string WEB_PAGE_STR = "Goto Orventa Website";
const std::string WEB_PAGE_ADDRESS_STR = "https://www.orventa.com/";
const std::string DOWNLOAD_LATEST_STR = "Download Latest";
