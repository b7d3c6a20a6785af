// The texts of the command menus that the knobs, the ribbon and the three
// menu buttons open, with the values their list entries store. A chosen entry
// is recognised by its whole title, so these texts are the commands.
#pragma once

#include <array>
#include <string>

// ---- the parameter menu
// The ten lines of its information submenu (a leading "-G" shows a line disabled).
extern const std::array<std::string, 10> DIAL_INFO_STR;
// The value commands, in menu order.
enum TValueCommand : int {
    SET_TO_DEFAULT,
    SET_TO_ORIGINAL,
    SET_TO_ZERO,
    SET_TO_MINIMUM,
    SET_TO_MAXIMUM,
    SET_TO_MID,
    SET_TO_VALUE,
    SET_TO_RANDOM,
    INCREASE_VALUE,
    DECREASE_VALUE,
    VALUE_COMMAND_COUNT
};
extern const std::array<std::string, VALUE_COMMAND_COUNT> VALUE_COMMAND_STR;
// MIDI learn and the controller map, in menu order.
enum TMIDICommand : int { LATCH_TO_MIDI, UNLATCH_MIDI, SET_MIDI_CC, CLEAR_ALL_MIDI, MIDI_COMMAND_COUNT };
extern const std::array<std::string, MIDI_COMMAND_COUNT> MIDI_COMMAND_STR;
// What the matrix slots aimed at the parameter may have done to them.
enum TModCommand : int {
    CLEAR_MODULATION,
    DEFAULT_MODULATION_AMOUNT,
    BYPASS_MODULATION,
    UNBYPASS_MODULATION,
    MOD_COMMAND_COUNT
};
extern const std::array<std::string, MOD_COMMAND_COUNT> MOD_COMMAND_STR;

// A list entry and the value it stores.
struct TValueEntry {
    const char* title;
    float value;
};
// The four shapes of "Wave Mix": sine, saw, square, triangle along the knob.
extern const std::array<TValueEntry, 4> WAVE_SHAPE_ENTRIES;
// The filter blends of the zero low/high-pass and low/band/high-pass types.
extern const std::array<TValueEntry, 2> LP_HP_ENTRIES;
extern const std::array<TValueEntry, 3> LP_BP_HP_ENTRIES;

// The semitone submenus of "Source Semi": a title and the run of semitones
// it lists; a run of one is an entry of its own at the top level.
struct TSemitoneGroup {
    const char* title;
    int first;
    int last;
};
extern const std::array<TSemitoneGroup, 5> SEMITONE_GROUPS;
// "Source Semi" spans -48..+48 semitones over 0..1: s semitones store s / 96.99 + 0.5.
constexpr float SEMITONE_SPAN = 96.99f;
constexpr int SEMITONE_LIMIT = 48;
// The text of a semitone entry: "-25 Semi", "0 Semi", "12 Semi".
std::string semitoneTitle(int semitones);

// The tempo-synced speeds: step s of 34 is stored as (s + 0.1) / 33.99.
constexpr float SYNCED_SPEED_RANGE = 33.99f;
constexpr int SYNCED_SPEED_STEPS = 34;

// ---- the ECS menu
extern const std::array<std::string, 5> ECS_MENU_STR;
enum TECSCommand : int { LOAD_ECS = 2, SAVE_ECS = 3, ECS_CLEAR_ALL_MIDI = 4 };

// ---- the Movement speed menu
extern const std::array<std::string, 10> MOVE_SPEED_INFO_STR;

// ---- the settings menu
// A switch: its heading and the entry that shows each state (choosing the
// entry turns the switch to the other state).
struct TSettingTexts {
    const char* heading;
    const char* onText;
    const char* offText;
};
enum TSetting : int {
    DIAL_ANIMATION,
    OUTPUT_DISPLAY,
    OUTPUT_DISPLAY_SPEED,
    TOOL_TIPS,
    COMPUTER_KEYBOARD,
    DRAG_AND_DROP,
    MIDI_PRESET,
    MIDI_BANK,
    MIDI_CAPTURE,
    MIDI_SPRING_BACK,
    SETTING_COUNT
};
extern const std::array<TSettingTexts, SETTING_COUNT> SETTING_TEXTS;
extern const std::string CONTROL_MENU_TITLE_STR;
extern const std::string SCREEN_SIZE_HEADING_STR;
extern const std::string MIDI_CHANNEL_HEADING_STR;
extern const std::string SET_MIDI_CHANNEL_STR;
extern const std::string MIDI_CHANNEL_PROMPT_STR;
extern const std::string MIDI_CHANNEL_HEADLINE_STR;
extern const std::string RESET_EVERYTHING_STR;
extern const std::string ABOUT_STR;
extern const std::string ABOUT_TEXT_STR;
extern const std::string WEB_PAGE_STR;
extern const std::string WEB_PAGE_ADDRESS_STR;
extern const std::string DOWNLOAD_LATEST_STR;

// ---- the panels' command menus: Gator, Movement, output, sample file and sample commands
// Each command list holds its separators ("-") in place, so that the enum
// names the index of each command in its list.

// The ring's entry, enabled while there is something to undo.
extern const std::string UNDO_STR;
extern const std::string UNDO_DISABLED_STR;
// A zoom command and the factor it hands its view.
using TZoomEntry = TValueEntry;

// The Gator menu.
extern const std::string GATOR_MENU_TITLE_STR;
extern const std::string GATOR_INFO_TITLE_STR;
extern const std::array<std::string, 6> GATOR_INFO_STR;
enum TGatorCommand : int {
    RESET_GATOR = 1,
    RESET_GATOR_TO_ORIGINAL,
    SET_ALL_ON,
    SET_ALL_OFF,
    ALTERNATE,
    ALTERNATE_LEFT_RIGHT,
    COPY_LEFT_TO_RIGHT,
    COPY_RIGHT_TO_LEFT,
    SWAP_LEFT_AND_RIGHT,
    MOVE_LEFT,
    MOVE_RIGHT,
    REVERSE,
    INVERSE,
    RANDOMIZE_GATOR,
    GATOR_COMMAND_COUNT
};
extern const std::array<std::string, GATOR_COMMAND_COUNT> GATOR_COMMAND_STR;
extern const TSettingTexts GATOR_POSITION_TEXTS;
extern const std::string GATOR_LENGTH_TITLE_STR;
extern const std::string GATOR_LENGTH_PREFIX_STR;
extern const std::string GATOR_SPEED_TITLE_STR;
// What "Reset Gator" stores in 84..89: full mix, a middle speed, all 16 steps
// and two patterns that answer each other.
extern const std::array<float, 6> GATOR_RESET_VALUES;

// The Movement menu.
extern const std::string MOVEMENT_MENU_TITLE_STR;
extern const std::string MOVEMENT_INFO_TITLE_STR;
extern const std::array<std::string, 9> MOVEMENT_INFO_STR;
enum TMovementCommand : int {
    RESET_MOVEMENT = 1,
    CLEAR_MOVEMENT,
    RESET_MOVEMENT_TO_ORIGINAL,
    RESET_MOVEMENT_AMOUNT = 5,
    CLEAR_MOVEMENT_AMOUNT,
    RESET_MOVEMENT_AMOUNTS_TO_ORIGINAL,
    SET_UP_TO_DOWN_SHAPE = 9,
    SET_DOWN_TO_UP_SHAPE,
    SWAP_DOWN_TO_UP_SHAPE,
    INVERSE_SHAPE,
    RESET_SHAPE,
    RESET_SHAPE_TO_ORIGINAL,
    RESET_MIDDLE_POSITION = 16,
    RESET_MIDDLE_POSITION_TO_ORIGINAL,
    MOVEMENT_COMMAND_COUNT = 19
};
extern const std::array<std::string, MOVEMENT_COMMAND_COUNT> MOVEMENT_COMMAND_STR;
// The marker switches of the Movement display: position, middle, pan.
extern const std::array<TSettingTexts, 3> MOVEMENT_DISPLAY_TEXTS;
// The four basic waves, by step of "Movement Wave".
extern const std::array<std::string, 4> MOVEMENT_WAVE_STR;
extern const std::string MOVEMENT_SPEED_TITLE_STR;

// The output menu.
extern const std::string OUTPUT_MENU_TITLE_STR;
extern const std::string OUTPUT_INFO_TITLE_STR;
extern const std::array<std::string, 5> OUTPUT_INFO_STR;
extern const std::string ZOOM_LEVEL_STR;
// Zoom in halves the span shown, zoom out doubles it; a factor of 0 resets it.
extern const std::array<TZoomEntry, 3> OUTPUT_ZOOM_ENTRIES;

// The sample file menu.
extern const std::string SAMPLE_FILE_MENU_TITLE_STR;
extern const std::string SAMPLE_FILE_INFO_TITLE_STR;
extern const std::array<std::string, 7> SAMPLE_FILE_INFO_STR;
enum TSampleFileCommand : int {
    PREVIOUS_FOLDER = 1,
    GOTO_BASE_FOLDER,
    GOTO_SAMPLE_FOLDER,
    FILE_CLEAR_SAMPLE = 5,
    IMPORT_SAMPLE = 7,
    SET_EXTERNAL_SAMPLE_FOLDER = 9,
    SHOW_DEFAULT_SAMPLES_FOLDER,
    SHOW_EXTERNAL_SAMPLES_FOLDER,
    CREATE_FOLDER = 13,
    OPEN_FOLDER,
    SAMPLE_FILE_COMMAND_COUNT
};
extern const std::array<std::string, SAMPLE_FILE_COMMAND_COUNT> SAMPLE_FILE_COMMAND_STR;
// The line naming the external folder stands before this command.
constexpr int EXTERNAL_FOLDER_LINE_BEFORE = SET_EXTERNAL_SAMPLE_FOLDER;

// The sample command menu.
extern const std::string SAMPLE_COMMAND_MENU_TITLE_STR;
extern const std::string SAMPLE_INFO_TITLE_STR;
extern const std::string NO_SAMPLE_LOADED_STR;
extern const std::string SAMPLE_DISPLAY_INFO_TITLE_STR;
extern const std::array<std::string, 11> SAMPLE_DISPLAY_INFO_STR;
enum TSampleCommand : int {
    CLEAR_SAMPLE = 1,
    RESET_SAMPLE_POSITIONS,
    RESET_SAMPLE_TO_ORIGINAL,
    RESET_SAMPLE_POSITIONS_TO_ORIGINAL,
    RELOAD_SAMPLE,
    RELOAD_SAMPLE_POSITIONS,
    LOOP_ALL,
    RESET_SAMPLE_VOLUME = 9,
    NORMALIZE_SAMPLE_VOLUME,
    INCREASE_SAMPLE_VOLUME,
    DECREASE_SAMPLE_VOLUME,
    SET_SAMPLE_VOLUME,
    SAMPLE_COMMAND_COUNT = 15
};
extern const std::array<std::string, SAMPLE_COMMAND_COUNT> SAMPLE_COMMAND_STR;
// The volume step of the two volume commands, in decibels.
constexpr float SAMPLE_VOLUME_STEP_DB = 5.0f;
// The three points: sample start, loop start, loop end.
extern const std::string SAMPLE_POINTS_TITLE_STR;
extern const std::array<std::string, 3> SAMPLE_POINT_NAMES;
// The eight commands of each point: the title is prefix + point name + suffix.
enum TSamplePointCommand : int {
    RESET_POINT,
    RESET_POINT_TO_LOADED,
    RESET_POINT_TO_ORIGINAL,
    ENTER_POINT,
    DECREASE_POINT,
    INCREASE_POINT,
    PREVIOUS_ZERO_CROSS,
    NEXT_ZERO_CROSS,
    SAMPLE_POINT_COMMAND_COUNT
};
struct TPointCommandText {
    const char* prefix;
    const char* suffix;
};
extern const std::array<TPointCommandText, SAMPLE_POINT_COMMAND_COUNT> SAMPLE_POINT_COMMAND_TEXTS;
std::string samplePointCommandTitle(int command, int point);
// A nudge moves a point by this fraction of the sample's length.
constexpr float SAMPLE_POINT_NUDGE = 0.02f;
// Zoom in shows three quarters of the span, zoom out a third more; -1 shows it all.
extern const std::array<TZoomEntry, 3> SAMPLE_ZOOM_ENTRIES;
