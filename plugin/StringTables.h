// The plug-in's fixed vocabulary: the names of the stepped parameters' choices,
// the modulation sources and destinations, the editor's menu entries and the
// keys of the preference store. Built once when the module loads, read-only
// afterwards, so every thread reads them without locks. Readers keep indexes in
// range themselves (a stepped value never exceeds its parameter's step count).
#pragma once

#include <array>
#include <string>

#include "engine/EnginePreferences.h"  // the MIDI settings' keys

// ---- preference keys (values "Y"/"N" unless noted)
extern const std::string REG_PRESET_WARNING_STR;
extern const std::string REG_MIDI_PRESET_STR;
extern const std::string REG_MIDI_BANK_STR;
extern const std::string REG_KEYBOARD_STR;
extern const std::string REG_DRAG_AND_DROP_STR;
extern const std::string REG_TOOL_TIP_STR;
extern const std::string REG_DIAL_ANIMATION_STR;
extern const std::string REG_OUTPUT_DISPLAY_STR;
extern const std::string REG_OUTPUT_DISPLAY_SPEED_STR;
extern const std::string REG_MOVE_DISPLAY_POS_STR;
extern const std::string REG_MOVE_DISPLAY_MID_STR;
extern const std::string REG_MOVE_DISPLAY_PAN_STR;
extern const std::string REG_GATER_DISPLAY_POS_STR;
extern const std::array<std::string, 4> REG_SCREEN_SIZE;

// ---- screen sizes and MIDI channel
extern const std::array<std::string, 4> SET_SCREEN_SIZE_STR;
extern const std::array<std::string, 4> SCREEN_SIZE_STR;
extern const std::array<std::string, 4> SCREEN_SIZE_SHORT_STR;
extern const std::array<std::string, 17> MIDI_IN_CHANNEL_STR;

// ---- single texts
extern const std::array<std::string, 2> OFF_ON_STR;
extern const std::string BAD_FOLDER_NAME_STR;
extern const std::string BAD_PRESET_NAME_STR;
extern const std::string DONT_WRITE_FILE_NAME_STR;

// ---- programs
extern const std::array<std::string, 8> PRESET_SUB_HEADER_STR;
extern const std::array<std::string, 24> PRESET_COMMAND_STR;

// ---- play and pitch
extern const std::array<std::string, 8> PLAY_MODE_STR;
extern const std::array<std::string, 5> PORT_MODE_STR;
extern const std::array<std::string, 16> PITCH_BEND_STR;

// ---- source
extern const std::array<std::string, 5> SOURCE_MODE_STR;
extern const std::array<std::string, 2> NOISE_STR;
extern const std::array<std::string, 4> WAVE_STR;
extern const std::array<std::string, 4> SAMPLE_LOOP_MODE_STR;
extern const std::array<std::string, 8> SAMPLE_SUB_STR;
extern const std::array<std::string, 195> SAMPLE_STR;

// ---- filter
extern const std::array<std::string, 35> FILTER_MODE_STR;
extern const std::array<std::string, 6> FILTER_MODE_SUB_STR;
extern const std::array<std::string, 5> FILTER_VOWEL_STR;
extern const std::array<std::string, 2> FILTER_MULTI_1_STR;
extern const std::array<std::string, 3> FILTER_MULTI_2_STR;
extern const std::array<std::string, 16> FILTER_DISTORT_TYPE_STR;

// ---- effects
extern const std::array<std::string, 24> FX_PATH_STR;
extern const std::array<std::string, 10> MOD_FX_MODE_STR;
extern const std::array<std::string, 50> MOD_FX_VAR_STR;  // entry 5 * mode + (variable - 1)
extern const std::array<std::string, 50> MOD_FX_VAR_SHORT_STR;
extern const std::array<std::string, 50> MOD_FX_LABEL_STR;
extern const std::array<std::string, 16> GATER_LEN_STR;
extern const std::array<std::string, 34> GATER_PERIOD_STR;
extern const std::array<std::string, 15> DELAY_LEN_STR;

// ---- Movement, Free LFO and lock
extern const std::array<std::string, 9> LFO_WAVE_STR;
extern const std::array<std::string, 3> LFO_MODE_STR;
extern const std::array<std::string, 11> PAN_MOVE_MODE_STR;
extern const std::array<std::string, 10> MOVE_SNAP_STR;
extern const std::array<std::string, 3> LOCK_STR;
extern const std::array<std::string, 34> LFO_PERIOD_STR;

// ---- ribbon
extern const std::array<std::string, 13> RIBBON_QUANT_STR;
extern const std::array<std::string, 18> RIBBON_SPRING_TIME_STR;

// ---- modulation sources and destinations
extern const std::array<std::string, 3> SRC_SUB_STR;
extern const std::array<std::string, 63> SRC_STR;
extern const std::array<std::string, 63> SRC_SHORT_STR;
extern const std::array<std::string, 11> DEST_SUB_STR;
extern const std::array<std::string, 126> DEST_STR;
extern const std::array<std::string, 126> DEST_SHORT_STR;
