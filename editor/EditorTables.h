// The editor's constant tables: the groups of the grouped menus and the
// parameters of the destination menus.
#pragma once

#include <array>

#include "engine/ParameterTable.h"
#include "engine/dsp/ParameterTags.h"

// The modes, the parameters each one remembers and their defaults
// (MOD_FX_MODE_COUNT, MOD_FX_MEMORY_TAGS, MOD_FX_DEFAULTS) are the parameter
// table's, which the program bank's generator reads too.
constexpr int MOD_FX_GATOR_MODE = 9;

// First destination of each of the eleven destination groups; the last value ends the list.
extern const std::array<int, 12> DEST_SUB_START;
// First sample of each of the eight sample groups; the last value is the user sample.
extern const std::array<int, 9> SAMPLE_SUB_START;
// First filter mode of each of the six filter groups (mode 0, "Bypass", stands alone).
extern const std::array<int, 7> FILTER_SUB_START;
// The parameters of the eight destination menus: the four slots, Movement, Free LFO.
extern const std::array<int, 8> MOD_MENU_DEST_TAGS;

// A run of numbers, both ends included.
struct TRange {
    int group;  // the submenu the run goes to (unused for NO_DROP_RANGES)
    int first;
    int last;
};
// The modulation sources of the three source submenus, run after run.
extern const std::array<TRange, 4> SRC_SUB_RANGES;
constexpr int SRC_SUB_COUNT = 3;
// Parameters whose knobs cannot be dragged onto a destination as a modulation
// source: the waveform feedback, the grain settings, the sub volume, the
// Movement amounts and every effect parameter.
extern const std::array<TRange, 4> NO_DROP_RANGES;
// The parameters of the five source menus: the Movement's speed control, then the four slots.
inline constexpr std::array<int, 5> SOURCE_MENU_TAGS{tag::MOVEMENT_SPEED_CONTROL_SOURCE, tag::MODULATION_SLOT_1_SOURCE,
                                                     tag::MODULATION_SLOT_2_SOURCE, tag::MODULATION_SLOT_3_SOURCE,
                                                     tag::MODULATION_SLOT_4_SOURCE};

// The mouse-over hints of the editor's own controls, in the order they are
// tested (a later row that matches wins; the preview button is listed twice).
struct THintText {
    const char* member;  // the control's member, as the layout names it
    const char* hint;
};
extern const std::array<THintText, 54> FIXED_HINT_TEXTS;
