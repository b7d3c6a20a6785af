// The parameter table: every attribute of the 1024 tags, filled once during
// construction and read-only afterwards, so every thread reads it without locks.
#include "engine/ParameterTable.h"

#include "engine/ParameterModel.h"

#include <string>


// Columns: tag, name, display type, default, steps, step divisor, on/off,
// modulation destination, zero value.
const std::array<TParameterRow, 125> NAMED_PARAMETERS{{
    {0, "NONE", 16, 0, -1, -1, false, 0, 0},
    {1, "Main Volume", 4, 0.6872f, -1, -1, false, 1, 0.75f},
    {2, "Velocity > Volume", 2, 0.5f, -1, -1, false, 2, 0},
    {3, "Pan", 6, 0.5f, -1, -1, false, 4, 0.5f},
    {4, "Stereo Spread", 2, 1, -1, -1, false, 3, 0},
    {5, "Play Mode", 0, 0, 8, 7.99f, false, 0, 0},
    {6, "Portamento Mode", 0, 0, 5, 4.99f, false, 0, 0},
    {7, "Portamento Amount", 2, 0, -1, -1, false, 5, 0},
    {8, "Pitch Bend Down", 0, 0, 16, 15.99f, false, 0, 0},
    {9, "Pitch Bend Up", 0, 0, 16, 15.99f, false, 0, 0},
    {10, "Source Mode", 0, 0, 5, 19.99f, false, 0, 0},
    {11, "Key Track On/Off", 1, 1, -1, -1, true, 0, 1},
    {12, "Source Semi", 9, 0.5f, -1, -1, false, 8, 0.5f},
    {13, "Source Fine", 10, 0.5f, -1, -1, false, 9, 0.5f},
    {14, "Noise Mix", 0, 1, -1, -1, false, 10, 1},
    {15, "Wave Mix", 0, 0, -1, -1, false, 10, 0},
    {16, "Wave/Sample Noise Mix", 8, 0.5f, -1, -1, false, 12, 0.5f},
    {17, "Wave Symmetry", 2, 0.5f, -1, -1, false, 13, 0.5f},
    {18, "Wave Feedback", 2, 0, -1, -1, false, 14, 0},
    {19, "Sample", 0, 0, 195, 199.99f, false, 0, 0},
    {20, "Sample Rev On/Off", 1, 0, -1, -1, true, 0, 0},
    {21, "Sample Offset", 0, 0, -1, -1, false, 17, 0},
    {22, "Grain On/Off", 1, 0, -1, -1, true, 0, 0},
    {23, "Grain Length", 0, 0.5f, -1, -1, false, 18, 0.5f},
    {24, "Grain Size", 2, 0.75f, -1, -1, false, 19, 0.75f},
    {25, "Grain Random", 2, 0.05f, -1, -1, false, 20, 0.05f},
    {26, "Sub Volume", 5, 0, -1, -1, false, 21, 0},
    {27, "Filter Mode", 0, 0, 35, 39.99f, false, 0, 0},
    {28, "Filter Frequency", 11, 1, -1, -1, false, 28, 0},
    {29, "Filter Spread", 2, 0, -1, -1, false, 29, 0},
    {30, "Filter Q/Amount", 2, 0, -1, -1, false, 30, 0},
    {31, "Filter Vowel/Mix", 0, 0, -1, -1, false, 31, 0},
    {32, "Filter Distortion Mode", 0, 0, 16, 19.99f, false, 0, 0},
    {33, "Filter Distortion Amount", 2, 0, -1, -1, false, 32, 0},
    {34, "Pre / Post-Filter Distortion", 0, 0, -1, -1, true, 0, 0},
    {35, "Filter Key-Track", 3, 0.5f, -1, -1, false, 33, 0.5f},
    {36, "Velocity > Filter Frequency", 3, 0.5f, -1, -1, false, 34, 0.5f},
    {37, "ModWheel > Filter Frequency", 3, 0.5f, -1, -1, false, 35, 0.5f},
    {38, "LFO > Filter Frequency", 3, 0.5f, -1, -1, false, 36, 0.5f},
    {39, "Movement Wave", 0, 0, 4, 3.99f, false, 0, 0},
    {40, "Movement Loop On/Off", 1, 0, -1, -1, true, 0, 0},
    {41, "Movement Speed", 0, 0.5f, -1, -1, false, 81, 0},
    {42, "Movement Tempo Sync On/Off", 1, 1, -1, -1, true, 0, 1},
    {43, "Movement Symmetry", 2, 0.5f, -1, -1, false, 83, 0.5f},
    {44, "Movement Shape Up", 3, 0.5f, -1, -1, false, 85, 0.5f},
    {45, "Movement Shape Down", 3, 0.5f, -1, -1, false, 86, 0.5f},
    {46, "Movement Key Tracking", 3, 0.5f, -1, -1, false, 96, 0.5f},
    {47, "Movement Velocity Tracking", 3, 0.5f, -1, -1, false, 97, 0.5f},
    {48, "Movement Speed Control Amount", 3, 0.5f, -1, -1, false, 98, 0.5f},
    {49, "Movement Speed Control Source", 13, 0, 63, 199.99f, false, 0, 0},
    {50, "Movement > Filter Frequency", 3, 0.5f, -1, -1, false, 99, 0.5f},
    {51, "Movement > Pitch", 0, 0.5f, -1, -1, false, 100, 0.5f},
    {52, "Movement > Volume", 2, 1, -1, -1, false, 101, 1},
    {53, "Movement > Pan", 2, 0, -1, -1, false, 102, 0},
    {54, "Movement > Pan Single Mode", 0, 0, 11, 19.99f, false, 0, 0},
    {55, "Movement Bypass 1 On/Off", 1, 0, -1, -1, true, 0, 0},
    {56, "Movement Bypass 2 On/Off", 1, 0, -1, -1, true, 0, 0},
    {57, "Movement Amount 1", 15, 0.5f, -1, -1, false, 103, 0.5f},
    {58, "Movement Amount 2", 15, 0.5f, -1, -1, false, 104, 0.5f},
    {59, "Movement Destination 1", 14, 0, 126, 199.99f, false, 0, 0},
    {60, "Movement Destination 2", 14, 0, 126, 199.99f, false, 0, 0},
    {61, "Free LFO Wave", 0, 0, 9, 9.99f, false, 0, 0},
    {62, "Free LFO Mode", 0, 0, 3, 2.99f, false, 0, 0},
    {63, "Free LFO Speed", 12, 0.5f, -1, -1, false, 105, 0},
    {64, "Free LFO Tempo Sync On/Off", 1, 1, 2, 1.99f, true, 0, 0},
    {65, "Free LFO Symmetry", 3, 0.5f, -1, -1, false, 107, 0.5f},
    {66, "Free LFO Shape", 3, 0.5f, -1, -1, false, 108, 0.5f},
    {67, "Free LFO Smooth", 2, 0, -1, -1, false, 109, 0},
    {68, "Free LFO Key-Track", 3, 0.5f, -1, -1, false, 116, 0.5f},
    {69, "Free LFO Bypass 1 On/Off", 1, 0, -1, -1, true, 0, 0},
    {70, "Free LFO Bypass 2 On/Off", 1, 0, -1, -1, true, 0, 0},
    {71, "Free LFO Amount 1", 15, 0.5f, -1, -1, false, 117, 0.5f},
    {72, "Free LFO Amount 2", 15, 0.5f, -1, -1, false, 118, 0.5f},
    {73, "Free LFO Destination 1", 14, 0, 126, 199.99f, false, 0, 0},
    {74, "Free LFO Destination 2", 14, 0, 126, 199.99f, false, 0, 0},
    {75, "FX Path", 0, 0, 24, 23.99f, false, 0, 0},
    {76, "Bypass All FX On/Off", 1, 0, 2, 1.99f, true, 0, 0},
    {77, "Low-Fi On/Off", 1, 0, -1, -1, true, 0, 0},
    {78, "Low-Fi Mix", 7, 1, -1, -1, false, 37, 0.5f},
    {79, "Low-Fi Sample Rate", 0, 0.5f, -1, -1, false, 39, 0},
    {80, "Low-Fi Bits", 0, 0.5f, -1, -1, false, 40, 0},
    {81, "Mod FX On/Off", 1, 0, -1, -1, true, 0, 0},
    {82, "Mod FX Mode", 0, 0, 10, 19.99f, false, 0, 0},
    {83, "Mod FX Tempo Sync On/Off", 1, 1, 2, 1.99f, true, 0, 0},
    {84, "Mod FX Mix", 7, 0.25f, -1, -1, false, 44, 0.5f},
    {85, "Mod FX 1", 0, 0.42f, -1, -1, false, 46, 0},
    {86, "Mod FX 2", 0, 0.481f, -1, -1, false, 47, 0},
    {87, "Mod FX 3", 0, 0.44f, -1, -1, false, 48, 0},
    {88, "Mod FX 4", 0, 0.36f, -1, -1, false, 49, 0},
    {89, "Mod FX 5", 0, 1, -1, -1, false, 50, 0},
    {90, "Delay On/Off", 1, 0, -1, -1, true, 0, 0},
    {91, "Delay Tempo Sync On/Off", 1, 1, 2, 1.99f, true, 0, 0},
    {92, "Delay Equal Feedback On/Off", 1, 1, 2, 1.99f, true, 0, 0},
    {93, "Delay Mix", 7, 0.167f, -1, -1, false, 62, 0.5f},
    {94, "Delay Left", 0, 0.67f, -1, -1, false, 64, 0},
    {95, "Delay Right", 0, 0.585f, -1, -1, false, 65, 0},
    {96, "Delay Feed", 3, 0.69f, -1, -1, false, 68, 0.69f},
    {97, "Delay Cross", 3, 0.5f, -1, -1, false, 69, 0.5f},
    {98, "Delay LowPass Filter Frequency", 11, 0.935f, -1, -1, false, 70, 0},
    {99, "Delay HighPass Filter Frequency", 11, 0.185f, -1, -1, false, 71, 0},
    {100, "Reverb On/Off", 1, 0, -1, -1, true, 0, 0},
    {101, "Reverb Mix", 7, 0.15f, -1, -1, false, 72, 0.5f},
    {102, "Reverb Pre-Delay", 0, 0.61f, -1, -1, false, 74, 0},
    {103, "Reverb Size", 0, 0.645f, -1, -1, false, 77, 0},
    {104, "Reverb Length", 0, 0.81f, -1, -1, false, 78, 0},
    {105, "Reverb Damp", 2, 0.285f, -1, -1, false, 79, 0},
    {106, "Reverb HighPass Filter Frequency", 11, 0.1f, -1, -1, false, 80, 0},
    {123, "Ribbon Value", 3, 0.5f, -1, -1, false, 125, 0.5f},
    {124, "Ribbon BiPolar On/Off", 1, 1, 2, 1.99f, true, 0, 1},
    {125, "Ribbon Spring Time", 0, 0.839355f, 18, 17.99f, false, 0, 0.839355f},
    {126, "Ribbon Quantization", 0, 0, 13, 12.99f, false, 0, 0},
    {127, "Release", 0, 0.6505f, -1, -1, false, 95, 0.6505f},
    {244, "Sample Loop Mode", 0, 0, 4, 3.99f, false, 0, 0},
    {245, "Sample Volume", 0, 0.5f, -1, -1, false, 0, 0},
    {246, "Sample Start", 0, 0, -1, -1, false, 125, 0},
    {247, "Sample Loop Start", 0, 0, -1, -1, false, 125, 0},
    {248, "Sample Loop End", 0, 1, -1, -1, false, 125, 0},
    {249, "Sample Loaded", 1, 0, 2, 1.99f, true, 0, 0},
    {250, "Use External Sample Directory On/Off", 1, 0, 2, 1.99f, true, 0, 0},
    {957, "Attack", 0, 0, -1, -1, false, 94, 0},
    {958, "Move Snap To", 0, 0, 10, 9.99f, false, 0, 0},
    {959, "Has Tuning On/Off", 1, 0, -1, -1, true, 0, 0},
    {1017, "Global Tuning", 0, 0.5f, -1, -1, false, 0, 0.5f},
    {1018, "Brick Filter On/Off", 1, 1, -1, -1, true, 0, 1},
    {1019, "Brick Filter Frequency", 0, 0.795f, -1, -1, false, 0, 0.795f},
}};

namespace {

struct TGeneratedRange {
    std::int32_t first, last;
    const char* prefix;
    std::int32_t numberOffset;  // the number shown is tag + numberOffset
    float steppedRange;
};

// Hidden slots that carry text; spare slots are filled first for every tag.
constexpr TGeneratedRange HIDDEN_SLOTS[] = {
    {128, 242, "Preset Parameter ", 1, -1.0f},
    {251, 314, "Sample Parameter ", -250, -1.0f},
    {960, 999, "Tuning Name Parameter ", 1, -1.0f},
};

// Tags whose changes the editor follows: they have a control on some screen.
constexpr std::int32_t CONTROLLED_RANGES[][2] = {
    {1, 126},
    {244, 250},
    {958, 959},
    {1017, 1019},
};

struct TDestTypeRow {
    std::int32_t dest;
    std::int32_t destType;
};

// Destinations that are not plainly added to: 5 level (scaled), 2 rate
// (exponential ratio), 3 semitones, 4 octaves. Every other destination is 1.
constexpr TDestTypeRow DEST_TYPE_EXCEPTIONS[] = {
    {destination::VOLUME, 5},
    {destination::SUB_VOLUME, 5},
    {destination::GLOBAL_SPEED, 2},
    {destination::MOVEMENT_SPEED, 2},
    {destination::FREE_LFO_SPEED, 2},
    {destination::RIBBON_SPEED, 2},
    {destination::SOURCE_SEMI, 3},
    {destination::SUB_SEMI, 3},
    {destination::SOURCE_OCTAVE, 4},
};

// Sources whose value runs from -1 to 1.
constexpr std::int32_t BIPOLAR_SOURCES[] = {
    source::CENTER_NOTE,   source::NOTE_RANDOM_1,  source::NOTE_RANDOM_2, source::ALTERNATE_2,
    source::ALTERNATE_3,   source::ALTERNATE_4,    source::PITCHBEND,     source::FREE_LFO,
    source::RIBBON,        source::INPUT,          source::VOICE_OUTPUT,  source::LOW_FI_OUTPUT,
    source::MOD_FX_OUTPUT, source::DELAY_OUTPUT,   source::REVERB_OUTPUT, source::OUTPUT,
    source::WHITE_NOISE,
};

std::string generatedName(const char* prefix, std::int32_t number) {
    return prefix + std::to_string(number) + " N/A";
}

}  // namespace

void setParameterAttributes(TParameterAttributes& attr, int tag, float defaultValue, bool isOnOff,
                            float steppedRange, int steppedNum, int tagDest, int paramType, const std::string& name,
                            float zeroValue) {
    if (!isValidParameterTag(tag)) return;
    attr.defaultValue[tag] = defaultValue;
    attr.isOnOff[tag] = isOnOff;
    attr.steppedRange[tag] = steppedRange;
    attr.steppedNum[tag] = steppedNum;
    attr.tagDest[tag] = tagDest;
    attr.paramType[tag] = paramType;
    attr.paramName[tag] = name;
    attr.zeroValue[tag] = zeroValue < 0.0f ? defaultValue : zeroValue;
}

void initParameterModel(TParameterAttributes& attr, TParameterValues& values) {
    const auto setParameterVars = [&attr](int tag, float defaultValue, bool isOnOff, float steppedRange,
                                          int steppedNum, int tagDest, int paramType, const std::string& name,
                                          float zeroValue) {
        setParameterAttributes(attr, tag, defaultValue, isOnOff, steppedRange, steppedNum, tagDest, paramType, name,
                               zeroValue);
    };
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag) {
        values.curValue[tag] = 0.0f;
        values.editValue[tag] = 0.0f;
        values.origValue[tag] = 0.0f;
        values.lastValue[tag] = 0.0f;
        // No soft-takeover reference until MIDI learn or capture sets one.
        values.captureValue[tag] = -1.0f;
        values.captured[tag] = false;
    }
    values.editChanged = false;

    attr.isOnOff.fill(false);
    attr.tagDest.fill(0);
    for (int tag = 0; tag < PARAMETER_COUNT; ++tag)
        setParameterVars(tag, 0.0f, false, 1.0f, -1, 0, 16, generatedName("Unused Parameter ", tag + 1), 0.0f);

    for (const TParameterRow& row : NAMED_PARAMETERS)
        setParameterVars(row.tag, row.defaultValue, row.isOnOff, row.steppedRange, row.steppedNum, row.tagDest,
                         row.paramType, std::string(row.name), row.zeroValue);

    for (int slot = 1; slot <= MOD_SLOT_COUNT; ++slot) {
        const std::string prefix = "Modulation Slot " + std::to_string(slot) + " ";
        const int n = slot - 1;
        setParameterVars(tag::MODULATION_SLOT_1_BYPASS + n, 0.0f, true, -1.0f, -1, 0, 1, prefix + "Bypass On/Off",
                         0.0f);
        setParameterVars(tag::MODULATION_SLOT_1_SOURCE + n, 0.0f, false, 199.99f, 63, 0, 13, prefix + "Source", 0.0f);
        setParameterVars(tag::MODULATION_SLOT_1_DESTINATION + n, 0.0f, false, 199.99f, 126, 0, 14,
                         prefix + "Destination", 0.0f);
        setParameterVars(tag::MODULATION_SLOT_1_AMOUNT + n, 0.5f, false, -1.0f, -1, destination::MOD_SLOT_AMOUNT_1 + n,
                         15, prefix + "Amount", 0.5f);
    }

    for (const TGeneratedRange& range : HIDDEN_SLOTS)
        for (int tag = range.first; tag <= range.last; ++tag)
            setParameterVars(tag, 0.0f, false, range.steppedRange, -1, 0, 16,
                             generatedName(range.prefix, tag + range.numberOffset), 0.0f);

    attr.hasControl.fill(false);
    for (const auto& range : CONTROLLED_RANGES)
        for (int tag = range[0]; tag <= range[1]; ++tag) attr.hasControl[tag] = true;

    attr.destType.fill(1);
    for (const TDestTypeRow& row : DEST_TYPE_EXCEPTIONS) attr.destType[row.dest] = row.destType;
    attr.srcIsBipolar.fill(false);
    for (int source : BIPOLAR_SOURCES) attr.srcIsBipolar[source] = true;
}

// Columns: "Mod FX Mix", "Mod FX 1" .. "Mod FX 5", "Mod FX Tempo Sync On/Off".
// For the Gator, 4 and 5 are the step patterns of the two channels.
const std::array<std::array<float, 7>, MOD_FX_MODE_COUNT> MOD_FX_DEFAULTS{{
    {0.166f, 0.42f, 0.481f, 0.44f, 0.36f, 1.0f, 0.0f},       // Chorus
    {0.53f, 0.43f, 0.15f, 1.0f, 0.81f, 0.6f, 1.0f},          // Flanger
    {0.53f, 0.685f, 0.49f, 0.36f, 0.34f, 0.34f, 0.0f},       // Ensemble
    {0.5f, 0.5f, 0.53f, 0.57f, 0.57f, 0.44f, 1.0f},          // Phaser
    {1.0f, 0.5f, 0.0f, 0.25f, 0.75f, 0.0f, 1.0f},            // Wah-Wah
    {1.0f, 0.55f, 0.55f, 0.25f, 0.75f, 0.0f, 1.0f},          // TalkBox
    {1.0f, 0.5f, 0.0f, 1.0f, 0.5f, 0.0f, 1.0f},              // Tremolo
    {1.0f, 0.5f, 0.0f, 0.5f, 0.5f, 0.0f, 1.0f},              // AutoPan
    {1.0f, 0.5f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f},              // Ring
    {1.0f, 0.5f, 0.66f, 1.0f, 0.880211f, 0.114586f, 0.0f},   // Gator
}};
