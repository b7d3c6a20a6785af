// Every parameter tag, modulation destination and modulation source by name:
// the one place their numbers are written. Below the engine's other floors, so
// that the effect units, the plug-in, the controls and the editor all read them.
//
// A name is the display name (of the parameter table, the destination list,
// the source list) in capitals: a closing " On/Off" dropped, ">" read as "to"
// and "&" as "and", a first word that starts with a digit moved to the end, and
// each run of other characters one "_". So "Velocity > Filter Frequency" is
// tag::VELOCITY_TO_FILTER_FREQUENCY and "2 Alternate" is source::ALTERNATE_2.
// A test holds every name here to those lists.
#pragma once

constexpr int PARAMETER_COUNT = 1024;
constexpr int MOD_SOURCE_COUNT = 63;
constexpr int MOD_DEST_COUNT = 126;

namespace tag {
// Main
constexpr int NONE = 0;
constexpr int MAIN_VOLUME = 1;
constexpr int VELOCITY_TO_VOLUME = 2;
constexpr int PAN = 3;
constexpr int STEREO_SPREAD = 4;
constexpr int PLAY_MODE = 5;
constexpr int PORTAMENTO_MODE = 6;
constexpr int PORTAMENTO_AMOUNT = 7;
constexpr int PITCH_BEND_DOWN = 8;
constexpr int PITCH_BEND_UP = 9;

// Source
constexpr int SOURCE_MODE = 10;
constexpr int KEY_TRACK = 11;
constexpr int SOURCE_SEMI = 12;
constexpr int SOURCE_FINE = 13;
constexpr int NOISE_MIX = 14;
constexpr int WAVE_MIX = 15;
constexpr int WAVE_SAMPLE_NOISE_MIX = 16;
constexpr int WAVE_SYMMETRY = 17;
constexpr int WAVE_FEEDBACK = 18;
constexpr int SAMPLE = 19;
constexpr int SAMPLE_REV = 20;
constexpr int SAMPLE_OFFSET = 21;
constexpr int GRAIN = 22;
constexpr int GRAIN_LENGTH = 23;
constexpr int GRAIN_SIZE = 24;
constexpr int GRAIN_RANDOM = 25;
constexpr int SUB_VOLUME = 26;

// Filter
constexpr int FILTER_MODE = 27;
constexpr int FILTER_FREQUENCY = 28;
constexpr int FILTER_SPREAD = 29;
constexpr int FILTER_Q_AMOUNT = 30;
constexpr int FILTER_VOWEL_MIX = 31;
constexpr int FILTER_DISTORTION_MODE = 32;
constexpr int FILTER_DISTORTION_AMOUNT = 33;
constexpr int PRE_POST_FILTER_DISTORTION = 34;
constexpr int FILTER_KEY_TRACK = 35;
constexpr int VELOCITY_TO_FILTER_FREQUENCY = 36;
constexpr int MODWHEEL_TO_FILTER_FREQUENCY = 37;
constexpr int LFO_TO_FILTER_FREQUENCY = 38;

// Movement
constexpr int MOVEMENT_WAVE = 39;
constexpr int MOVEMENT_LOOP = 40;
constexpr int MOVEMENT_SPEED = 41;
constexpr int MOVEMENT_TEMPO_SYNC = 42;
constexpr int MOVEMENT_SYMMETRY = 43;
constexpr int MOVEMENT_SHAPE_UP = 44;
constexpr int MOVEMENT_SHAPE_DOWN = 45;
constexpr int MOVEMENT_KEY_TRACKING = 46;
constexpr int MOVEMENT_VELOCITY_TRACKING = 47;
constexpr int MOVEMENT_SPEED_CONTROL_AMOUNT = 48;
constexpr int MOVEMENT_SPEED_CONTROL_SOURCE = 49;
constexpr int MOVEMENT_TO_FILTER_FREQUENCY = 50;
constexpr int MOVEMENT_TO_PITCH = 51;
constexpr int MOVEMENT_TO_VOLUME = 52;
constexpr int MOVEMENT_TO_PAN = 53;
constexpr int MOVEMENT_TO_PAN_SINGLE_MODE = 54;
constexpr int MOVEMENT_BYPASS_1 = 55;
constexpr int MOVEMENT_BYPASS_2 = 56;
constexpr int MOVEMENT_AMOUNT_1 = 57;
constexpr int MOVEMENT_AMOUNT_2 = 58;
constexpr int MOVEMENT_DESTINATION_1 = 59;
constexpr int MOVEMENT_DESTINATION_2 = 60;

// Free LFO
constexpr int FREE_LFO_WAVE = 61;
constexpr int FREE_LFO_MODE = 62;
constexpr int FREE_LFO_SPEED = 63;
constexpr int FREE_LFO_TEMPO_SYNC = 64;
constexpr int FREE_LFO_SYMMETRY = 65;
constexpr int FREE_LFO_SHAPE = 66;
constexpr int FREE_LFO_SMOOTH = 67;
constexpr int FREE_LFO_KEY_TRACK = 68;
constexpr int FREE_LFO_BYPASS_1 = 69;
constexpr int FREE_LFO_BYPASS_2 = 70;
constexpr int FREE_LFO_AMOUNT_1 = 71;
constexpr int FREE_LFO_AMOUNT_2 = 72;
constexpr int FREE_LFO_DESTINATION_1 = 73;
constexpr int FREE_LFO_DESTINATION_2 = 74;

// Effects
constexpr int FX_PATH = 75;
constexpr int BYPASS_ALL_FX = 76;
constexpr int LOW_FI = 77;
constexpr int LOW_FI_MIX = 78;
constexpr int LOW_FI_SAMPLE_RATE = 79;
constexpr int LOW_FI_BITS = 80;
constexpr int MOD_FX = 81;
constexpr int MOD_FX_MODE = 82;
constexpr int MOD_FX_TEMPO_SYNC = 83;
constexpr int MOD_FX_MIX = 84;
constexpr int MOD_FX_1 = 85;
constexpr int MOD_FX_2 = 86;
constexpr int MOD_FX_3 = 87;
constexpr int MOD_FX_4 = 88;
constexpr int MOD_FX_5 = 89;
constexpr int DELAY = 90;
constexpr int DELAY_TEMPO_SYNC = 91;
constexpr int DELAY_EQUAL_FEEDBACK = 92;
constexpr int DELAY_MIX = 93;
constexpr int DELAY_LEFT = 94;
constexpr int DELAY_RIGHT = 95;
constexpr int DELAY_FEED = 96;
constexpr int DELAY_CROSS = 97;
constexpr int DELAY_LOWPASS_FILTER_FREQUENCY = 98;
constexpr int DELAY_HIGHPASS_FILTER_FREQUENCY = 99;
constexpr int REVERB = 100;
constexpr int REVERB_MIX = 101;
constexpr int REVERB_PRE_DELAY = 102;
constexpr int REVERB_SIZE = 103;
constexpr int REVERB_LENGTH = 104;
constexpr int REVERB_DAMP = 105;
constexpr int REVERB_HIGHPASS_FILTER_FREQUENCY = 106;

// The four modulation slots: slot n (1..4) has each first tag + n - 1
constexpr int MODULATION_SLOT_1_BYPASS = 107;
constexpr int MODULATION_SLOT_2_BYPASS = 108;
constexpr int MODULATION_SLOT_3_BYPASS = 109;
constexpr int MODULATION_SLOT_4_BYPASS = 110;
constexpr int MODULATION_SLOT_1_SOURCE = 111;
constexpr int MODULATION_SLOT_2_SOURCE = 112;
constexpr int MODULATION_SLOT_3_SOURCE = 113;
constexpr int MODULATION_SLOT_4_SOURCE = 114;
constexpr int MODULATION_SLOT_1_DESTINATION = 115;
constexpr int MODULATION_SLOT_2_DESTINATION = 116;
constexpr int MODULATION_SLOT_3_DESTINATION = 117;
constexpr int MODULATION_SLOT_4_DESTINATION = 118;
constexpr int MODULATION_SLOT_1_AMOUNT = 119;
constexpr int MODULATION_SLOT_2_AMOUNT = 120;
constexpr int MODULATION_SLOT_3_AMOUNT = 121;
constexpr int MODULATION_SLOT_4_AMOUNT = 122;

// Ribbon and release
constexpr int RIBBON_VALUE = 123;
constexpr int RIBBON_BIPOLAR = 124;
constexpr int RIBBON_SPRING_TIME = 125;
constexpr int RIBBON_QUANTIZATION = 126;
constexpr int RELEASE = 127;

// User sample
constexpr int SAMPLE_LOOP_MODE = 244;
constexpr int SAMPLE_VOLUME = 245;
constexpr int SAMPLE_START = 246;
constexpr int SAMPLE_LOOP_START = 247;
constexpr int SAMPLE_LOOP_END = 248;
constexpr int SAMPLE_LOADED = 249;
constexpr int USE_EXTERNAL_SAMPLE_DIRECTORY = 250;

// Attack, snap and tuning
constexpr int ATTACK = 957;
constexpr int MOVE_SNAP_TO = 958;
constexpr int HAS_TUNING = 959;
constexpr int GLOBAL_TUNING = 1017;
constexpr int BRICK_FILTER = 1018;
constexpr int BRICK_FILTER_FREQUENCY = 1019;
}  // namespace tag

namespace destination {
// Main
constexpr int NONE = 0;
constexpr int VOLUME = 1;
constexpr int VELOCITY_TO_VOLUME = 2;
constexpr int STEREO_SPREAD = 3;
constexpr int PAN = 4;
constexpr int PORTAMENTO_AMOUNT = 5;
constexpr int GLOBAL_SPEED = 6;

// Source
constexpr int SOURCE_OCTAVE = 7;
constexpr int SOURCE_SEMI = 8;
constexpr int SOURCE_FINE = 9;
constexpr int SOURCE_MIX = 10;
constexpr int SOURCE_BAND_WIDTH = 11;
constexpr int SOURCE_WAVE_SAMPLE_NOISE = 12;
constexpr int SOURCE_SYMMETRY = 13;
constexpr int SOURCE_FEEDBACK = 14;
constexpr int SOURCE_PHASE = 15;
constexpr int SOURCE_WRAP = 16;
constexpr int SAMPLE_OFFSET = 17;
constexpr int GRAIN_LEN = 18;
constexpr int GRAIN_SIZE = 19;
constexpr int GRAIN_RANDOM = 20;
constexpr int SUB_VOLUME = 21;
constexpr int SUB_PAN = 22;
constexpr int SUB_WAVE_MIX = 23;
constexpr int SUB_SEMI = 24;
constexpr int SUB_FINE = 25;
constexpr int SUB_SYMMETRY = 26;
constexpr int SUB_PHASE = 27;

// Filter
constexpr int FILTER_FREQUENCY = 28;
constexpr int FILTER_SPREAD = 29;
constexpr int FILTER_Q_AMOUNT = 30;
constexpr int FILTER_VOWEL_FORMANT_MIX = 31;
constexpr int FILTER_DISTORT_AMOUNT = 32;
constexpr int FILTER_KEY_TRACK = 33;
constexpr int VELOCITY_TO_FILTER = 34;
constexpr int MODWHEEL_TO_FILTER = 35;
constexpr int LFO_TO_FILTER = 36;

// Low-Fi
constexpr int LOWFI_MIX = 37;
constexpr int LOWFI_PAN = 38;
constexpr int LOWFI_SAMPLE_RATE = 39;
constexpr int LOWFI_BITS = 40;
constexpr int LOWFI_NOISE_AMOUNT = 41;
constexpr int LOWFI_LOW_PASS = 42;
constexpr int LOWFI_HIGH_PASS = 43;

// Mod FX
constexpr int MOD_FX_MIX = 44;
constexpr int MOD_FX_PAN = 45;
constexpr int MOD_FX_1 = 46;
constexpr int MOD_FX_2 = 47;
constexpr int MOD_FX_3 = 48;
constexpr int MOD_FX_4 = 49;
constexpr int MOD_FX_5 = 50;
constexpr int MOD_FX_SPREAD = 51;
constexpr int MOD_FX_SEPARATION = 52;
constexpr int MOD_FX_PHASE = 53;
constexpr int MOD_FX_SYMMETRY = 54;
constexpr int MOD_FX_BIAS = 55;
constexpr int MOD_FX_BITS = 56;
constexpr int MOD_FX_S_AND_H = 57;
constexpr int MOD_FX_HUMANIZE = 58;
constexpr int MOD_FX_LOW_PASS = 59;
constexpr int MOD_FX_HIGH_PASS = 60;
constexpr int MOD_FX_Q = 61;

// Delay
constexpr int DELAY_MIX = 62;
constexpr int DELAY_PAN = 63;
constexpr int DELAY_LEFT = 64;
constexpr int DELAY_RIGHT = 65;
constexpr int DELAY_LENGTH = 66;
constexpr int DELAY_FINE = 67;
constexpr int DELAY_FEED = 68;
constexpr int DELAY_CROSS = 69;
constexpr int DELAY_LOW_PASS = 70;
constexpr int DELAY_HIGH_PASS = 71;

// Reverb
constexpr int REVERB_MIX = 72;
constexpr int REVERB_PAN = 73;
constexpr int REVERB_PREDELAY = 74;
constexpr int REVERB_PREFEED = 75;
constexpr int REVERB_PREWIDEN = 76;
constexpr int REVERB_SIZE = 77;
constexpr int REVERB_LEN = 78;
constexpr int REVERB_DAMP = 79;
constexpr int REVERB_HIGH_PASS = 80;

// Movement
constexpr int MOVEMENT_SPEED = 81;
constexpr int MOVEMENT_PHASE = 82;
constexpr int MOVEMENT_SYMMETRY = 83;
constexpr int MOVEMENT_SHAPE = 84;
constexpr int MOVEMENT_UP_SHAPE = 85;
constexpr int MOVEMENT_DOWN_SHAPE = 86;
constexpr int MOVEMENT_SMOOTH = 87;
constexpr int MOVEMENT_SMOOTH_ATTACK = 88;
constexpr int MOVEMENT_SMOOTH_DECAY = 89;
constexpr int MOVEMENT_BIAS = 90;
constexpr int MOVEMENT_BITS = 91;
constexpr int MOVEMENT_SAMPLE_AND_HOLD = 92;
constexpr int MOVEMENT_HUMANIZE = 93;
constexpr int MOVEMENT_ATTACK = 94;
constexpr int MOVEMENT_RELEASE = 95;
constexpr int MOVEMENT_KEY_TRACKING = 96;
constexpr int MOVEMENT_VELOCITY_TRACKING = 97;
constexpr int MOVEMENT_SPEED_CONTROL_AMOUNT = 98;
constexpr int MOVEMENT_TO_FILTER_FREQUENCY = 99;
constexpr int MOVEMENT_TO_PITCH = 100;
constexpr int MOVEMENT_TO_VOLUME = 101;
constexpr int MOVEMENT_TO_PAN = 102;
constexpr int MOVEMENT_MOD_AMOUNT_1 = 103;
constexpr int MOVEMENT_MOD_AMOUNT_2 = 104;

// Free LFO
constexpr int FREE_LFO_SPEED = 105;
constexpr int FREE_LFO_PHASE = 106;
constexpr int FREE_LFO_SYMMETRY = 107;
constexpr int FREE_LFO_SHAPE = 108;
constexpr int FREE_LFO_SMOOTH = 109;
constexpr int FREE_LFO_SMOOTH_ATTACK = 110;
constexpr int FREE_LFO_SMOOTH_DECAY = 111;
constexpr int FREE_LFO_BIAS = 112;
constexpr int FREE_LFO_BITS = 113;
constexpr int FREE_LFO_SAMPLE_AND_HOLD = 114;
constexpr int FREE_LFO_HUMANIZE = 115;
constexpr int FREE_LFO_KEY_TRACK = 116;
constexpr int FREE_LFO_MOD_AMOUNT_1 = 117;
constexpr int FREE_LFO_MOD_AMOUNT_2 = 118;

// Modulation slots
constexpr int MOD_SLOT_AMOUNT_1 = 119;
constexpr int MOD_SLOT_AMOUNT_2 = 120;
constexpr int MOD_SLOT_AMOUNT_3 = 121;
constexpr int MOD_SLOT_AMOUNT_4 = 122;

// Ribbon
constexpr int RIBBON_SPEED = 123;
constexpr int RIBBON_SMOOTH = 124;
constexpr int RIBBON_VALUE = 125;
}  // namespace destination

namespace source {
// MIDI and voice
constexpr int NONE = 0;
constexpr int MOD_WHEEL = 1;
constexpr int MOD_WHEEL_AFTERTOUCH = 2;
constexpr int CHANNEL_AFTERTOUCH = 3;
constexpr int POLY_AFTERTOUCH = 4;
constexpr int NOTE = 5;
constexpr int CENTER_NOTE = 6;
constexpr int NOTE_RANDOM_1 = 7;
constexpr int NOTE_UNIPOLAR_RANDOM_1 = 8;
constexpr int NOTE_RANDOM_2 = 9;
constexpr int NOTE_UNIPOLAR_RANDOM_2 = 10;
constexpr int ALTERNATE_2 = 11;
constexpr int UNIPOLAR_ALTERNATE_2 = 12;
constexpr int ALTERNATE_3 = 13;
constexpr int UNIPOLAR_ALTERNATE_3 = 14;
constexpr int ALTERNATE_4 = 15;
constexpr int UNIPOLAR_ALTERNATE_4 = 16;
constexpr int VELOCITY = 17;
constexpr int PITCHBEND = 18;

// MIDI controllers (engine/Midi.cpp maps each controller to its source)
constexpr int CC_2_BREATH = 19;
constexpr int CC_3 = 20;
constexpr int CC4_FOOT = 21;
constexpr int CC11_EXPRESSION = 22;
constexpr int CC_16 = 23;
constexpr int CC_17 = 24;
constexpr int CC_18 = 25;
constexpr int CC_19 = 26;
constexpr int CC_20 = 27;
constexpr int CC_21 = 28;
constexpr int CC74_BRIGHTNESS = 29;
constexpr int CC_84 = 30;
constexpr int CC_85 = 31;
constexpr int CC_86 = 32;
constexpr int CC_87 = 33;
constexpr int CC_88 = 34;
constexpr int CC_89 = 35;
constexpr int CC_90 = 36;
constexpr int CC_113 = 37;
constexpr int CC_114 = 38;

// Movement and Free LFO
constexpr int MOVEMENT = 39;
constexpr int SMOOTHED_MOVEMENT = 40;
constexpr int INVERSE_MOVEMENT = 41;
constexpr int SMOOTHED_INVERSE_MOVEMENT = 42;
constexpr int PAN_MOVEMENT = 43;
constexpr int SMOOTHED_PAN_MOVEMENT = 44;
constexpr int INVERSE_PAN_MOVEMENT = 45;
constexpr int SMOOTHED_INVERSE_PAN_MOVEMENT = 46;
constexpr int FREE_LFO = 47;
constexpr int FREE_UNIPOLAR_LFO = 48;

// Ribbon, audio and the rest
constexpr int RIBBON = 49;
constexpr int INPUT = 50;
constexpr int VOICE_OUTPUT = 51;
constexpr int LOW_FI_OUTPUT = 52;
constexpr int MOD_FX_OUTPUT = 53;
constexpr int DELAY_OUTPUT = 54;
constexpr int REVERB_OUTPUT = 55;
constexpr int OUTPUT = 56;
constexpr int OFFSET = 57;
constexpr int WHITE_NOISE = 58;
constexpr int WHITE_UNIPOLAR_NOISE = 59;
constexpr int GATOR_LEFT = 60;
constexpr int GATOR_RIGHT = 61;
constexpr int GATOR_AVERAGE = 62;
}  // namespace source

// Tags with a fixed meaning among the hidden slots, which carry text or a
// command instead of a sound setting.
constexpr int PRESET_NAME_PARAM = 208;    // 28 slots: the program's name, one character per tag
constexpr int PRESET_NAME_SLOTS = 28;
constexpr int SAMPLE_PATH_PARAM = 251;    // 64 slots: the user sample's path, two characters per tag
constexpr int SAMPLE_PATH_SLOTS = 64;
constexpr int TUNING_NAME_PARAM = 960;    // 40 slots: the tuning's name, one character per tag
constexpr int TUNING_NAME_SLOTS = 40;
constexpr int NEVER_COPIED_TAG = 1021;    // left out of every copy and swap
constexpr int PRESET_APPLY_TAG = 1022;    // any write asks the audio thread to apply the program

// The tag of a control that stands for no parameter (a caption, a readout, a
// command button or menu); the editor tells those controls apart by identity.
constexpr int NO_PARAM_TAG = 9999;
