// The fixed attributes of the named parameters, as data. initParameterModel
// writes them (and the generated attributes of the hidden and spare slots) into
// its attribute arrays once, during construction.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/dsp/ParameterTags.h"

// One named tag: the columns in the order a reader checks them.
struct TParameterRow {
    std::int32_t tag;
    std::string_view name;
    std::int32_t paramType;
    float defaultValue;
    std::int32_t steppedNum;  // -1: continuous
    float steppedRange;       // -1: continuous
    bool isOnOff;
    std::int32_t tagDest;
    float zeroValue;
};

// Every named tag except the four modulation slots' rows, which follow a rule
// (see MOD_SLOT_COUNT).
extern const std::array<TParameterRow, 125> NAMED_PARAMETERS;

// The four modulation slots' rows follow a rule: slot n (1..4) has its tags at
// tag::MODULATION_SLOT_1_BYPASS (_SOURCE, _DESTINATION, _AMOUNT) + n - 1, and
// its amount feeds destination::MOD_SLOT_AMOUNT_1 + n - 1.
constexpr std::int32_t MOD_SLOT_COUNT = 4;

// Mod FX modes in the order of "Mod FX Mode": Chorus, Flanger, Ensemble,
// Phaser, Wah-Wah, TalkBox, Tremolo, AutoPan, Ring, Gator.
constexpr int MOD_FX_MODE_COUNT = 10;
// The Mod FX parameters whose meaning a mode gives, in this order: the mix,
// the five variables, then the tempo sync.
inline constexpr std::array<int, 7> MOD_FX_MEMORY_TAGS{tag::MOD_FX_MIX, tag::MOD_FX_1, tag::MOD_FX_2,   tag::MOD_FX_3,
                                                       tag::MOD_FX_4,   tag::MOD_FX_5, tag::MOD_FX_TEMPO_SYNC};
// The values those parameters take when a mode is picked, one row per mode in
// the order of MOD_FX_MEMORY_TAGS: the editor remembers each mode's values
// from these on, and a built-in program that names a mode starts from its row.
extern const std::array<std::array<float, 7>, MOD_FX_MODE_COUNT> MOD_FX_DEFAULTS;
