// Fixed tables of the modulation engine: which parameters make up each of the
// eight routes, which destinations are neutral at 1.0, and the tables the
// Movement, the Free LFO and the ribbon read.
#pragma once

#include <array>

#include "engine/dsp/SyncedPeriods.h"

constexpr int NUM_MOD_ROUTES = 8;
constexpr int NUM_MOD_SLOTS = 4;

// The four matrix slots (routes 0-3).
constexpr std::array<int, NUM_MOD_SLOTS> MOD_SLOT_BY_TAGS = {107, 108, 109, 110};
constexpr std::array<int, NUM_MOD_SLOTS> MOD_SLOT_SRC_TAGS = {111, 112, 113, 114};
constexpr std::array<int, NUM_MOD_SLOTS> MOD_SLOT_DEST_TAGS = {115, 116, 117, 118};
constexpr std::array<int, NUM_MOD_SLOTS> MOD_SLOT_AMT_TAGS = {119, 120, 121, 122};

// Every route in route order: slots 1-4, Movement Destination 1 and 2, Free
// LFO Destination 1 and 2.
constexpr std::array<int, NUM_MOD_ROUTES> MOD_AMT_TAGS = {119, 120, 121, 122, 57, 58, 71, 72};
constexpr std::array<int, NUM_MOD_ROUTES> MOD_DEST_TAGS = {115, 116, 117, 118, 59, 60, 73, 74};
constexpr std::array<int, NUM_MOD_ROUTES> MOD_BYPASS_TAGS = {107, 108, 109, 110, 55, 56, 69, 70};
// The destination that modulates each route's amount.
constexpr std::array<int, NUM_MOD_ROUTES> ROUTE_AMOUNT_DEST = {119, 120, 121, 122, 103, 104, 117, 118};
// Sources of the Movement and Free LFO routes (the slots read theirs from a parameter).
constexpr std::array<int, NUM_MOD_ROUTES> ROUTE_FIXED_SRC = {0, 0, 0, 0, 39, 39, 47, 47};

// Destinations whose neutral value is 1.0: the levels and the rates.
constexpr std::array<int, 6> NEUTRAL_ONE_DESTS = {1, 6, 21, 81, 105, 123};

// Destination types as the routes combine them (the parameter table holds the
// authoritative per-destination copy).
enum ModDestType {
    DEST_TYPE_ADDED = 1,
    DEST_TYPE_RATE = 2,      // exponential ratio, neutral 1.0
    DEST_TYPE_SEMITONES = 3,  // added, in semitone steps per voice
    DEST_TYPE_OCTAVES = 4,   // added, shown in octaves
    DEST_TYPE_LEVEL = 5,     // gain, neutral 1.0
};

// Source numbers with a fixed meaning in the engine.
enum ModSource {
    SRC_NONE = 0,
    SRC_MOD_WHEEL = 1,
    SRC_NOTE = 5,
    SRC_CENTER_NOTE = 6,
    SRC_ALTERNATE_2 = 11,
    SRC_UNIPOLAR_ALTERNATE_2 = 12,
    SRC_ALTERNATE_3 = 13,
    SRC_UNIPOLAR_ALTERNATE_3 = 14,
    SRC_ALTERNATE_4 = 15,
    SRC_UNIPOLAR_ALTERNATE_4 = 16,
    SRC_VELOCITY = 17,
    SRC_PITCHBEND = 18,
    SRC_MOVEMENT = 39,
    SRC_MOVEMENT_SMOOTH = 40,
    SRC_MOVEMENT_INVERSE = 41,
    SRC_MOVEMENT_SMOOTH_INVERSE = 42,
    SRC_PAN_MOVEMENT = 43,
    SRC_PAN_MOVEMENT_SMOOTH = 44,
    SRC_PAN_MOVEMENT_INVERSE = 45,
    SRC_PAN_MOVEMENT_SMOOTH_INVERSE = 46,
    SRC_FREE_LFO = 47,
    SRC_FREE_LFO_UNIPOLAR = 48,
    SRC_RIBBON = 49,
    SRC_INPUT = 50,
    SRC_VOICE_OUTPUT = 51,
    SRC_LOW_FI_OUTPUT = 52,
    SRC_MOD_FX_OUTPUT = 53,
    SRC_DELAY_OUTPUT = 54,
    SRC_REVERB_OUTPUT = 55,
    SRC_OUTPUT = 56,
    SRC_OFFSET = 57,
    SRC_WHITE_NOISE = 58,
    SRC_WHITE_UNIPOLAR_NOISE = 59,
    SRC_GATOR_LEFT = 60,
    SRC_GATOR_RIGHT = 61,
    SRC_GATOR_AVERAGE = 62,
    SRC_LAST = 62,
};

// The steps of "Play Mode" and "Portamento Mode".
enum PlayMode {
    PLAY_POLY = 0,
    PLAY_POLY_MPE = 1,
    PLAY_MONO = 2,
    PLAY_MONO_HI = 3,
    PLAY_MONO_LO = 4,
    PLAY_LEGATO = 5,
    PLAY_LEGATO_HI = 6,
    PLAY_LEGATO_LO = 7,
};

enum PortamentoMode {
    PORTA_OFF = 0,
    PORTA_CONST_RATE = 1,
    PORTA_CONST_TIME = 2,
    PORTA_HELD_RATE = 3,  // glides only while another key is held
    PORTA_HELD_TIME = 4,
};

// Destinations the modulation engine itself reads.
enum ModDest {
    DEST_VOLUME = 1,
    DEST_GLOBAL_SPEED = 6,
    DEST_SUB_VOLUME = 21,
    DEST_MOVEMENT_SPEED = 81,
    DEST_MOVEMENT_SHAPE = 84,
    DEST_MOVEMENT_SPEED_CONTROL = 98,
    DEST_MOVEMENT_ATTACK = 94,
    DEST_MOVEMENT_RELEASE = 95,
    DEST_FREE_LFO_SPEED = 105,
    DEST_FREE_LFO_SHAPE = 108,
    DEST_RIBBON_SPEED = 123,
    DEST_RIBBON_SMOOTH = 124,
    DEST_RIBBON_VALUE = 125,
    DEST_LAST = 125,
};

// ---- Movement and Free LFO (index 0 Movement, 1 Free LFO)
constexpr std::array<int, 2> LFO_WAVE_TAGS = {39, 61};
constexpr std::array<int, 2> LFO_SYNC_ON_TAGS = {42, 64};
constexpr std::array<int, 2> LFO_SPEED_TAGS = {41, 63};
constexpr std::array<int, 2> LFO_KEY_TRACK_TAGS = {46, 68};
constexpr std::array<int, 2> LFO_SYMMETRY_TAGS = {43, 65};
constexpr std::array<int, 2> DEST_LFO_SPEED = {81, 105};
constexpr std::array<int, 2> DEST_LFO_PHASE = {82, 106};
constexpr std::array<int, 2> DEST_LFO_SYMMETRY = {83, 107};
constexpr std::array<int, 2> DEST_LFO_SMOOTH = {87, 109};
constexpr std::array<int, 2> DEST_LFO_SMOOTH_ATT = {88, 110};
constexpr std::array<int, 2> DEST_LFO_SMOOTH_DEC = {89, 111};
constexpr std::array<int, 2> DEST_LFO_BIAS = {90, 112};
constexpr std::array<int, 2> DEST_LFO_BITS = {91, 113};
constexpr std::array<int, 2> DEST_LFO_SAMPLE_HOLD = {92, 114};
constexpr std::array<int, 2> DEST_LFO_HUMANIZE = {93, 115};
constexpr std::array<int, 2> DEST_LFO_KEY_TRACK = {96, 116};

// Which shape parameter curves the up (first) and down (second) half of the
// cycle, per Movement Wave 0..3, and the destinations that add to them.
constexpr std::array<int, 4> MOVE_SHAPE_UP_TAGS = {44, 45, 44, 45};
constexpr std::array<int, 4> MOVE_SHAPE_DOWN_TAGS = {45, 44, 44, 45};
constexpr std::array<int, 4> DEST_MOVE_SHAPE_UP = {85, 86, 85, 86};
constexpr std::array<int, 4> DEST_MOVE_SHAPE_DOWN = {86, 85, 85, 86};

// The same per pan wave 0..5.
constexpr std::array<int, 6> PAN_SHAPE_UP_TAGS = {44, 45, 44, 45, 44, 45};
constexpr std::array<int, 6> PAN_SHAPE_DOWN_TAGS = {45, 44, 44, 45, 45, 44};
constexpr std::array<int, 6> DEST_PAN_SHAPE_UP = {85, 86, 85, 86, 85, 86};
constexpr std::array<int, 6> DEST_PAN_SHAPE_DOWN = {86, 85, 85, 86, 85, 86};

// Pan wave for Pan Single Mode 1..10 (L>R, R>L, L>R>L, R>L>R, C>L, C>R,
// C>L>C, C>R>C, C>L>R>C, C>R>L>C); mode 0 follows the Movement Wave.
constexpr std::array<int, 10> PAN_MOVE_TABLE = {2, 3, 0, 1, 2, 2, 0, 0, 5, 4};

// ---- Ribbon
// Spring time in bars per Ribbon Spring Time step (Off, Instant, 1/48 ... 1 bar).
constexpr std::array<float, 18> RIBBON_SPRING_TIME_ARRAY = {
    0.0f,
    0.0f,
    1.0f / 48.0f,
    1.0f / 32.0f,
    3.0f / 64.0f,
    1.0f / 24.0f,
    1.0f / 16.0f,
    3.0f / 32.0f,
    1.0f / 12.0f,
    1.0f / 8.0f,
    3.0f / 16.0f,
    1.0f / 6.0f,
    1.0f / 4.0f,
    3.0f / 8.0f,
    1.0f / 3.0f,
    1.0f / 2.0f,
    3.0f / 4.0f,
    1.0f,
};
// Steps minus one per Ribbon Quantization step; entry 0 quantises nothing.
constexpr std::array<float, 13> RIBBON_QUANT_DIVIDE = {0, 31, 23, 19, 15, 11, 9, 7, 5, 4, 3, 2, 1};
