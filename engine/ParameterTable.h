// The fixed attributes of the named parameters, as data. initParameterModel
// writes them (and the generated attributes of the hidden and spare slots) into
// its attribute arrays once, during construction.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

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
// (see MOD_SLOT_*).
extern const std::array<TParameterRow, 125> NAMED_PARAMETERS;

// The four modulation slots: slot n (1..4) has its bypass at 106 + n, its
// source at 110 + n, its destination at 114 + n and its amount at 118 + n; the
// amount feeds destination 118 + n.
constexpr std::int32_t MOD_SLOT_BYPASS_TAG = 107;
constexpr std::int32_t MOD_SLOT_SOURCE_TAG = 111;
constexpr std::int32_t MOD_SLOT_DEST_TAG = 115;
constexpr std::int32_t MOD_SLOT_AMOUNT_TAG = 119;
constexpr std::int32_t MOD_SLOT_COUNT = 4;
