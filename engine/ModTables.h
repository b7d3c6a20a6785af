// Fixed tables of the modulation engine: which parameters make up each of the
// eight routes, which destinations are neutral at 1.0, and the tables the
// Movement, the Free LFO and the ribbon read.
#pragma once

#include <array>
#include <cstddef>

#include "engine/dsp/ParameterTags.h"
#include "engine/dsp/SyncedPeriods.h"

constexpr int NUM_MOD_ROUTES = 8;
constexpr int NUM_MOD_SLOTS = 4;

// The four matrix slots (routes 0-3).
constexpr std::array<int, NUM_MOD_SLOTS> MOD_SLOT_BY_TAGS = {
    tag::MODULATION_SLOT_1_BYPASS, tag::MODULATION_SLOT_2_BYPASS, tag::MODULATION_SLOT_3_BYPASS,
    tag::MODULATION_SLOT_4_BYPASS};
constexpr std::array<int, NUM_MOD_SLOTS> MOD_SLOT_SRC_TAGS = {
    tag::MODULATION_SLOT_1_SOURCE, tag::MODULATION_SLOT_2_SOURCE, tag::MODULATION_SLOT_3_SOURCE,
    tag::MODULATION_SLOT_4_SOURCE};
constexpr std::array<int, NUM_MOD_SLOTS> MOD_SLOT_DEST_TAGS = {
    tag::MODULATION_SLOT_1_DESTINATION, tag::MODULATION_SLOT_2_DESTINATION, tag::MODULATION_SLOT_3_DESTINATION,
    tag::MODULATION_SLOT_4_DESTINATION};
constexpr std::array<int, NUM_MOD_SLOTS> MOD_SLOT_AMT_TAGS = {
    tag::MODULATION_SLOT_1_AMOUNT, tag::MODULATION_SLOT_2_AMOUNT, tag::MODULATION_SLOT_3_AMOUNT,
    tag::MODULATION_SLOT_4_AMOUNT};

// Every route in route order: slots 1-4, Movement Destination 1 and 2, Free
// LFO Destination 1 and 2.
constexpr std::array<int, NUM_MOD_ROUTES> MOD_AMT_TAGS = {
    MOD_SLOT_AMT_TAGS[0], MOD_SLOT_AMT_TAGS[1], MOD_SLOT_AMT_TAGS[2], MOD_SLOT_AMT_TAGS[3],
    tag::MOVEMENT_AMOUNT_1, tag::MOVEMENT_AMOUNT_2, tag::FREE_LFO_AMOUNT_1, tag::FREE_LFO_AMOUNT_2};
constexpr std::array<int, NUM_MOD_ROUTES> MOD_DEST_TAGS = {
    MOD_SLOT_DEST_TAGS[0], MOD_SLOT_DEST_TAGS[1], MOD_SLOT_DEST_TAGS[2], MOD_SLOT_DEST_TAGS[3],
    tag::MOVEMENT_DESTINATION_1, tag::MOVEMENT_DESTINATION_2, tag::FREE_LFO_DESTINATION_1, tag::FREE_LFO_DESTINATION_2};
constexpr std::array<int, NUM_MOD_ROUTES> MOD_BYPASS_TAGS = {
    MOD_SLOT_BY_TAGS[0], MOD_SLOT_BY_TAGS[1], MOD_SLOT_BY_TAGS[2], MOD_SLOT_BY_TAGS[3],
    tag::MOVEMENT_BYPASS_1, tag::MOVEMENT_BYPASS_2, tag::FREE_LFO_BYPASS_1, tag::FREE_LFO_BYPASS_2};
// The destination that modulates each route's amount.
constexpr std::array<int, NUM_MOD_ROUTES> ROUTE_AMOUNT_DEST = {
    destination::MOD_SLOT_AMOUNT_1,     destination::MOD_SLOT_AMOUNT_2,     destination::MOD_SLOT_AMOUNT_3,
    destination::MOD_SLOT_AMOUNT_4,     destination::MOVEMENT_MOD_AMOUNT_1, destination::MOVEMENT_MOD_AMOUNT_2,
    destination::FREE_LFO_MOD_AMOUNT_1, destination::FREE_LFO_MOD_AMOUNT_2};
// Sources of the Movement and Free LFO routes (the slots read theirs from a parameter).
constexpr std::array<int, NUM_MOD_ROUTES> ROUTE_FIXED_SRC = {
    source::NONE,     source::NONE,     source::NONE,     source::NONE,
    source::MOVEMENT, source::MOVEMENT, source::FREE_LFO, source::FREE_LFO};

// Destinations whose neutral value is 1.0: the levels and the rates.
constexpr std::array<int, 6> NEUTRAL_ONE_DESTS = {destination::VOLUME,         destination::GLOBAL_SPEED,
                                                  destination::SUB_VOLUME,     destination::MOVEMENT_SPEED,
                                                  destination::FREE_LFO_SPEED, destination::RIBBON_SPEED};

// Destination types as the routes combine them (the parameter table holds the
// authoritative per-destination copy).
enum ModDestType {
    DEST_TYPE_ADDED = 1,
    DEST_TYPE_RATE = 2,      // exponential ratio, neutral 1.0
    DEST_TYPE_SEMITONES = 3,  // added, in semitone steps per voice
    DEST_TYPE_OCTAVES = 4,   // added, shown in octaves
    DEST_TYPE_LEVEL = 5,     // gain, neutral 1.0
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

// ---- Movement and Free LFO (index 0 Movement, 1 Free LFO)
constexpr std::array<int, 2> LFO_WAVE_TAGS = {tag::MOVEMENT_WAVE, tag::FREE_LFO_WAVE};
constexpr std::array<int, 2> LFO_SYNC_ON_TAGS = {tag::MOVEMENT_TEMPO_SYNC, tag::FREE_LFO_TEMPO_SYNC};
constexpr std::array<int, 2> LFO_SPEED_TAGS = {tag::MOVEMENT_SPEED, tag::FREE_LFO_SPEED};
constexpr std::array<int, 2> LFO_KEY_TRACK_TAGS = {tag::MOVEMENT_KEY_TRACKING, tag::FREE_LFO_KEY_TRACK};
constexpr std::array<int, 2> LFO_SYMMETRY_TAGS = {tag::MOVEMENT_SYMMETRY, tag::FREE_LFO_SYMMETRY};
constexpr std::array<int, 2> DEST_LFO_SPEED = {destination::MOVEMENT_SPEED, destination::FREE_LFO_SPEED};
constexpr std::array<int, 2> DEST_LFO_PHASE = {destination::MOVEMENT_PHASE, destination::FREE_LFO_PHASE};
constexpr std::array<int, 2> DEST_LFO_SYMMETRY = {destination::MOVEMENT_SYMMETRY, destination::FREE_LFO_SYMMETRY};
constexpr std::array<int, 2> DEST_LFO_SMOOTH = {destination::MOVEMENT_SMOOTH, destination::FREE_LFO_SMOOTH};
constexpr std::array<int, 2> DEST_LFO_SMOOTH_ATT = {destination::MOVEMENT_SMOOTH_ATTACK,
                                                    destination::FREE_LFO_SMOOTH_ATTACK};
constexpr std::array<int, 2> DEST_LFO_SMOOTH_DEC = {destination::MOVEMENT_SMOOTH_DECAY,
                                                    destination::FREE_LFO_SMOOTH_DECAY};
constexpr std::array<int, 2> DEST_LFO_BIAS = {destination::MOVEMENT_BIAS, destination::FREE_LFO_BIAS};
constexpr std::array<int, 2> DEST_LFO_BITS = {destination::MOVEMENT_BITS, destination::FREE_LFO_BITS};
constexpr std::array<int, 2> DEST_LFO_SAMPLE_HOLD = {destination::MOVEMENT_SAMPLE_AND_HOLD,
                                                     destination::FREE_LFO_SAMPLE_AND_HOLD};
constexpr std::array<int, 2> DEST_LFO_HUMANIZE = {destination::MOVEMENT_HUMANIZE, destination::FREE_LFO_HUMANIZE};
constexpr std::array<int, 2> DEST_LFO_KEY_TRACK = {destination::MOVEMENT_KEY_TRACKING,
                                                   destination::FREE_LFO_KEY_TRACK};

// Which shape parameter curves the up (first) and down (second) half of the
// cycle, per Movement Wave 0..3, and the destinations that add to them.
namespace shape {
constexpr int UP = tag::MOVEMENT_SHAPE_UP, DOWN = tag::MOVEMENT_SHAPE_DOWN;
constexpr int DEST_UP = destination::MOVEMENT_UP_SHAPE, DEST_DOWN = destination::MOVEMENT_DOWN_SHAPE;
}  // namespace shape
constexpr std::array<int, 4> MOVE_SHAPE_UP_TAGS = {shape::UP, shape::DOWN, shape::UP, shape::DOWN};
constexpr std::array<int, 4> MOVE_SHAPE_DOWN_TAGS = {shape::DOWN, shape::UP, shape::UP, shape::DOWN};
constexpr std::array<int, 4> DEST_MOVE_SHAPE_UP = {shape::DEST_UP, shape::DEST_DOWN, shape::DEST_UP, shape::DEST_DOWN};
constexpr std::array<int, 4> DEST_MOVE_SHAPE_DOWN = {shape::DEST_DOWN, shape::DEST_UP, shape::DEST_UP,
                                                     shape::DEST_DOWN};

// The same per pan wave 0..5. Each half's destination is the one of the
// shape parameter that curves it, as for the Movement Waves: a route to the Up
// Shape acts wherever "Movement Shape Up" does, one to the Down Shape wherever
// "Movement Shape Down" does. The two sine waves (4 and 5) must keep their
// Down entries so: given the first half's destination for the second half
// too, a route to one shape would curve both halves of a sine and a route to
// the other neither.
constexpr std::array<int, 6> PAN_SHAPE_UP_TAGS = {shape::UP,   shape::DOWN, shape::UP,
                                                  shape::DOWN, shape::UP,   shape::DOWN};
constexpr std::array<int, 6> PAN_SHAPE_DOWN_TAGS = {shape::DOWN, shape::UP,   shape::UP,
                                                    shape::DOWN, shape::DOWN, shape::UP};
constexpr std::array<int, 6> DEST_PAN_SHAPE_UP = {shape::DEST_UP, shape::DEST_DOWN, shape::DEST_UP,
                                                  shape::DEST_DOWN, shape::DEST_UP, shape::DEST_DOWN};
constexpr std::array<int, 6> DEST_PAN_SHAPE_DOWN = {shape::DEST_DOWN, shape::DEST_UP, shape::DEST_UP,
                                                    shape::DEST_DOWN, shape::DEST_DOWN, shape::DEST_UP};

// Every destination table pairs with its parameter table, entry by entry.
template <std::size_t N>
constexpr bool destinationsFollowShapes(const std::array<int, N>& tags, const std::array<int, N>& destinations) {
    for (std::size_t i = 0; i < N; ++i)
        if (destinations[i] != (tags[i] == shape::UP ? shape::DEST_UP : shape::DEST_DOWN)) return false;
    return true;
}
static_assert(destinationsFollowShapes(MOVE_SHAPE_UP_TAGS, DEST_MOVE_SHAPE_UP) &&
              destinationsFollowShapes(MOVE_SHAPE_DOWN_TAGS, DEST_MOVE_SHAPE_DOWN) &&
              destinationsFollowShapes(PAN_SHAPE_UP_TAGS, DEST_PAN_SHAPE_UP) &&
              destinationsFollowShapes(PAN_SHAPE_DOWN_TAGS, DEST_PAN_SHAPE_DOWN));

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
