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
// (see MOD_SLOT_COUNT).
extern const std::array<TParameterRow, 125> NAMED_PARAMETERS;

// The four modulation slots' rows follow a rule: slot n (1..4) has its tags at
// tag::MODULATION_SLOT_1_BYPASS (_SOURCE, _DESTINATION, _AMOUNT) + n - 1, and
// its amount feeds destination::MOD_SLOT_AMOUNT_1 + n - 1.
constexpr std::int32_t MOD_SLOT_COUNT = 4;
