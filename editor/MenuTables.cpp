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

// ---------------------------------------------------------------- the panels' command menus

const std::string UNDO_STR = "Undo";
const std::string UNDO_DISABLED_STR = "-GUndo";

// ---- the Gator menu

const std::string GATOR_MENU_TITLE_STR = "-GGator Command Menu";
const std::string GATOR_INFO_TITLE_STR = "Gator Display Information";
const std::array<std::string, 6> GATOR_INFO_STR{
    "-GLeft Click: Set On / Off",
    "-GLeft Click + Shift: Set All On",
    "-GLeft Click + Control: Show this Menu",
    "-GLeft Click + Command: Set to Default Value",
    "-GLeft Click + Command + Shift: Set to Original Value",
    "-GLeft Click + Opt: Set All Off",
};

const std::array<std::string, GATOR_COMMAND_COUNT> GATOR_COMMAND_STR{
    "-",
    "Reset Gator",
    "Reset Gator to Original Settings",
    "Set All On",
    "Set All Off",
    "Alternate",
    "Alternate Left/Right",
    "Copy Left to Right",
    "Copy Right to Left",
    "Swap Left and Right",
    "Move Left",
    "Move Right",
    "Reverse",
    "Inverse",
    "Randomize Gator",
};

const TSettingTexts GATOR_POSITION_TEXTS{"-GShow Position", "Show Position: On", "Show Position: Off"};
const std::string GATOR_LENGTH_TITLE_STR = "Set Length";
const std::string GATOR_LENGTH_PREFIX_STR = "Set Length to ";
const std::string GATOR_SPEED_TITLE_STR = "Set Speed";

// "Mod FX Mix" .. "Mod FX 5". The patterns are masks (mask + 0.5) / 65536:
// left steps 0, 2, 4, 6, 8, 13, 14, 15, right steps 0, 2, 4, 6, 8, 10, 11, 12.
const std::array<float, 6> GATOR_RESET_VALUES{1.0f, 0.5f, 0.66f, 1.0f, 0.880211f, 0.114586f};

// ---- the Movement menu

const std::string MOVEMENT_MENU_TITLE_STR = "-GMovement Menu";
const std::string MOVEMENT_INFO_TITLE_STR = "Movement Display Info";
const std::array<std::string, 9> MOVEMENT_INFO_STR{
    "-GLeft Click: Set Middle Position",
    "-GLeft Click + Shift: Set Shape",
    "-GLeft Click + Control: Show this Menu",
    "-GLeft Click + Command: Set to Default Value",
    "-GLeft Click + Command + Shift: Set to Original Value",
    "-GLeft Click + Opt: Set Middle Value",
    "-GDouble Click: Set to Default Value",
    "-GRight Click: Show this Menu",
    "-GScroll Wheel: Next / Previous Waveform",
};

const std::array<std::string, MOVEMENT_COMMAND_COUNT> MOVEMENT_COMMAND_STR{
    "-",
    "Reset Movement",
    "Clear Movement",
    "Reset Movement to Original Value",
    "-",
    "Reset Movement Amount",
    "Clear Movement Amount",
    "Reset Movement Amounts to Original Value",
    "-",
    "Set Up to Down Shape",
    "Set Down to Up Shape",
    "Swap Down to Up Shape",
    "Inverse Shape",
    "Reset Shape",
    "Reset Shape to Original Value",
    "-",
    "Reset Middle Position",
    "Reset Middle Position to Original Value",
    "-",
};

// Columns: heading, entry while on, entry while off.
const std::array<TSettingTexts, 3> MOVEMENT_DISPLAY_TEXTS{{
    {"-GShow Position", "Show Position: On", "Show Position: Off"},
    {"-GShow Mid Position", "Show Mid Position: On", "Show Mid Position: Off"},
    {"-GShow Pan Position", "Show Pan Position: On", "Show Pan Position: Off"},
}};

const std::array<std::string, 4> MOVEMENT_WAVE_STR{
    "Set to Triangle Up",
    "Set to Triangle Down",
    "Set to Saw Up",
    "Set to Saw Down",
};
const std::string MOVEMENT_SPEED_TITLE_STR = "Set Speed";

// ---- the output menu

const std::string OUTPUT_MENU_TITLE_STR = "-GOutput Menu";
const std::string OUTPUT_INFO_TITLE_STR = "Output Menu Information";
const std::array<std::string, 5> OUTPUT_INFO_STR{
    "-GLeft Click + Control: Show this Menu",
    "-GLeft Click + Command: Reset Zoom",
    "-GDouble Click: Reset Zoom",
    "-GRight Click: Show this Menu",
    "-GScroll Wheel: Change Zoom",
};
const std::string ZOOM_LEVEL_STR = "-GZoom Level: ";

// Columns: title, factor.
const std::array<TZoomEntry, 3> OUTPUT_ZOOM_ENTRIES{{
    {"Zoom In", 0.5f},
    {"Zoom Out", 2.0f},
    {"Reset Zoom", 0.0f},
}};

// ---- the sample file menu

const std::string SAMPLE_FILE_MENU_TITLE_STR = "-GSample File Menu";
const std::string SAMPLE_FILE_INFO_TITLE_STR = "Sample File Display Info";
const std::array<std::string, 7> SAMPLE_FILE_INFO_STR{
    "-GLeft Click: Change Folder / Load Sample",
    "-GRight Click: Show this Menu",
    "-GLeft Click + Control: Show this Menu",
    "-GScroll Bar + Shift: Goto First / Last Position",
    "-GScroll Bar + Command: Goto Selected Sample",
    "-GScroll Wheel: Next / Previous Sample",
    "-GDrag and Drop: Import Sample",
};

const std::array<std::string, SAMPLE_FILE_COMMAND_COUNT> SAMPLE_FILE_COMMAND_STR{
    "-",
    "Previous Folder",
    "Goto Base Folder",
    "Goto Sample Folder",
    "-",
    "Clear Sample",
    "-",
    "Import Sample",
    "-",
    "Set External Sample Folder",
    "Show Default Samples Folder",
    "Show External Samples Folder",
    "-",
    "Create Folder",
    "Open Explorer / Finder",
};

// ---- the sample command menu

const std::string SAMPLE_COMMAND_MENU_TITLE_STR = "-GSample Commands";
const std::string SAMPLE_INFO_TITLE_STR = "Sample Info";
const std::string NO_SAMPLE_LOADED_STR = "-GNo Sample Loaded";
const std::string SAMPLE_DISPLAY_INFO_TITLE_STR = "Sample Display Info";
const std::array<std::string, 11> SAMPLE_DISPLAY_INFO_STR{
    "-GLeft Click: Set Loop Start / End",
    "-GLeft Click + Shift: Set Sample Start Position",
    "-GLeft Click + Control: Show this Menu",
    "-GLeft Click + Command: Set to Default Display Position",
    "-GLeft Click + Command + Shift: Set Sample Start/Loop Position to Original Values",
    "-GLeft Click + Opt: Preview Sample",
    "-GDouble Click: Set to Default Display Position",
    "-GRight Click: Show this Menu",
    "-GScroll Wheel: Change Sample Display Position",
    "-GScroll Wheel + Command: Change Zoom Level",
    "-GDrag and Drop: Import Sample",
};

const std::array<std::string, SAMPLE_COMMAND_COUNT> SAMPLE_COMMAND_STR{
    "-",
    "Clear Sample",
    "Reset Sample Positions",
    "Reset Sample To Original Values",
    "Reset Sample Positions To Original Values",
    "Reload Sample",
    "Reload Sample Positions",
    "Loop All",
    "-",
    "Reset Sample Volume",
    "Normalize Sample Volume",
    "Increase Sample Volume by 5dB",
    "Decrease Sample Volume by 5db",
    "Set Sample Volume",
    "-",
};

const std::string SAMPLE_POINTS_TITLE_STR = "Sample Start / Loop Start / Loop End";
const std::array<std::string, 3> SAMPLE_POINT_NAMES{"Sample Start", "Sample Loop Start", "Sample Loop End"};

// Columns: text before the point's name, text after it.
const std::array<TPointCommandText, SAMPLE_POINT_COMMAND_COUNT> SAMPLE_POINT_COMMAND_TEXTS{{
    {"Reset ", ""},
    {"Reset ", " to Loaded Value"},
    {"Reset ", " to Original Value"},
    {"Enter ", ""},
    {"Decrease ", ""},
    {"Increase ", ""},
    {"Previous ", " Zero Cross"},
    {"Next ", " Zero Cross"},
}};

std::string samplePointCommandTitle(int command, int point) {
    const TPointCommandText& text = SAMPLE_POINT_COMMAND_TEXTS.at(static_cast<size_t>(command));
    return text.prefix + SAMPLE_POINT_NAMES.at(static_cast<size_t>(point)) + text.suffix;
}

// Columns: title, factor.
const std::array<TZoomEntry, 3> SAMPLE_ZOOM_ENTRIES{{
    {"Zoom In", 0.75f},
    {"Zoom Out", 1.3333334f},
    {"Reset Zoom", -1.0f},
}};
