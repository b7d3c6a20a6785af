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
