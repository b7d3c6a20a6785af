// The texts of the string tables, one entry per line in index order. Tables
// whose entries follow a pattern (numbered names, note values, the orders of
// the effect stages) are generated from that pattern when the module loads.
#include "plugin/StringTables.h"

#include <algorithm>
#include <cstdio>

#include "plugin/FontDescriptions.h"

namespace {

std::string numbered(const char* prefix, int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", number);
    return prefix + std::string(digits);
}

// Note values for the tempo-synced tables: "*" is dotted, "T" triplet, and
// every entry is measured in quarter beats ("QB").
std::string noteValue(const char* value, const char* kind) { return std::string(value) + kind + " QB"; }

}  // namespace

// ---------------------------------------------------------------- preference keys

const std::string REG_PRESET_WARNING_STR = "PresetWarning";
const std::string REG_MIDI_PRESET_STR = "MIDIPreset";
const std::string REG_MIDI_BANK_STR = "MIDIBank";
const std::string REG_KEYBOARD_STR = "Keyboard";
const std::string REG_DRAG_AND_DROP_STR = "DragAndDrop";
const std::string REG_TOOL_TIP_STR = "ToolTip";
const std::string REG_DIAL_ANIMATION_STR = "Animation";
const std::string REG_OUTPUT_DISPLAY_STR = "OutputDisplay";
const std::string REG_OUTPUT_DISPLAY_SPEED_STR = "OutputDisplaySpeed";
const std::string REG_MOVE_DISPLAY_POS_STR = "DisplayMovePos";
const std::string REG_MOVE_DISPLAY_MID_STR = "DisplayMoveMid";
const std::string REG_MOVE_DISPLAY_PAN_STR = "DisplayMovePan";
const std::string REG_GATER_DISPLAY_POS_STR = "DisplayGaterPos";
const std::array<std::string, 4> REG_SCREEN_SIZE{
    "Big100",
    "Big125",
    "Big150",
    "Big200",
};

// ---------------------------------------------------------------- screen sizes and MIDI channel

const std::array<std::string, 4> SET_SCREEN_SIZE_STR{
    "Set To 100% Screen Size",
    "Set To 125% Screen Size",
    "Set To 150% Screen Size",
    "Set To 200% Screen Size",
};

const std::array<std::string, 4> SCREEN_SIZE_STR{
    "100% Screen",
    "125% Screen",
    "150% Screen",
    "200% Screen",
};

const std::array<std::string, 4> SCREEN_SIZE_SHORT_STR{
    "100%",
    "125%",
    "150%",
    "200%",
};

// "Omni", then "CH 01" .. "CH 16".
const std::array<std::string, 17> MIDI_IN_CHANNEL_STR = [] {
    std::array<std::string, 17> table;
    table[0] = "Omni";
    for (int channel = 1; channel <= 16; ++channel) table[channel] = numbered("CH ", channel);
    return table;
}();

// ---------------------------------------------------------------- single texts

const std::array<std::string, 2> OFF_ON_STR{
    "Off",
    "On",
};

const std::string BAD_FOLDER_NAME_STR = "UNKNOWN_FOLDER";
const std::string BAD_PRESET_NAME_STR = "UNKNOWN_PRESET";
const std::string DONT_WRITE_FILE_NAME_STR = "DONT_WRITE_FILE_NAME";

// ---------------------------------------------------------------- programs

const std::array<std::string, 8> PRESET_SUB_HEADER_STR{
    "Preset 1-32",
    "Preset 33-64",
    "Preset 65-96",
    "Preset 97-128",
    "Preset 129-160",
    "Preset 161-192",
    "Preset 193-224",
    "Preset 225 - 256",
};

// "-" entries are menu separators; the editor recognises a command by its text.
const std::array<std::string, 24> PRESET_COMMAND_STR{
    "Save Current Preset in Favorites",
    "Save Preset",
    "Save Preset As",
    "Save Preset In Folder",
    "Rename Preset",
    "Create New Preset",
    "Delete Preset",
    "Load Preset",
    "Default Preset",
    "Clear Preset",
    "-",
    "Copy Folder",
    "Rename Folder",
    "Create New Folder",
    "Delete Folder",
    "Show Folder in File Manager",
    "-",
    "Revert to Original Preset",
    "Revert to Edited Preset",
    "-",
    "Set To 100% Screen Size",
    "Set To 125% Screen Size",
    "Set To 150% Screen Size",
    "Set To 200% Screen Size",
};

// ---------------------------------------------------------------- play and pitch

const std::array<std::string, 8> PLAY_MODE_STR{
    "Poly",
    "Poly MPE",
    "Mono",
    "Mono Hi",
    "Mono Lo",
    "Legato",
    "Legato Hi",
    "Legato Lo",
};

const std::array<std::string, 5> PORT_MODE_STR{
    "Off",
    "Const Rate",
    "Const Time",
    "Held Rate",
    "Held Time",
};

const std::array<std::string, 16> PITCH_BEND_STR{
    "Off",
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "10",
    "11",
    "12",
    "24",
    "36",
    "48",
};

// ---------------------------------------------------------------- source

const std::array<std::string, 5> SOURCE_MODE_STR{
    "Noise",
    "Tuned Noise",
    "Synced Noise",
    "Wave",
    "Sample",
};

const std::array<std::string, 2> NOISE_STR{
    "Pink",
    "White",
};

const std::array<std::string, 4> WAVE_STR{
    "Sine",
    "Saw",
    "Square",
    "Triangle",
};

const std::array<std::string, 4> SAMPLE_LOOP_MODE_STR{
    "One Shot",
    "Loop",
    "Ping Pong",
    "Reverse",
};

const std::array<std::string, 8> SAMPLE_SUB_STR{
    "FX Percussive 1",
    "FX Percussive 2",
    "FX Percussive 3",
    "FX Percussive 4",
    "Instruments",
    "Metal & Noise Loops",
    "Vox",
    "Cymbals",
};

// The built-in samples in bank order, numbered within their group, then the
// user's own sample file.
const std::array<std::string, 195> SAMPLE_STR = [] {
    struct Group {
        const char* prefix;
        int count;
    };
    constexpr Group groups[] = {
        {"FX Percussive ", 99},
        {"Instrument ", 16},
        {"FX Loop ", 25},
        {"Vox ", 30},
        {"Cymbal ", 24},
    };
    std::array<std::string, 195> table;
    int index = 0;
    for (const Group& group : groups)
        for (int number = 1; number <= group.count; ++number) table[index++] = numbered(group.prefix, number);
    table[index] = "User";
    return table;
}();

// ---------------------------------------------------------------- filter

const std::array<std::string, 35> FILTER_MODE_STR{
    "Bypass",
    "6dB LowPass",
    "6dB HighPass",
    "12dB LowPass",
    "12dB HighPass",
    "12dB BandPass",
    "12dB Notch",
    "12dB Zero Delay LowPass",
    "12dB Zero Delay HighPass",
    "12dB Zero Delay BandPass",
    "12dB Zero Delay Notch",
    "12dB Zero Low/High Pass",
    "12dB Zero Low/Band/High Pass",
    "18dB LowPass",
    "18dB HighPass",
    "24dB LowPass",
    "24dB HighPass",
    "24dB BandPass",
    "24dB Notch",
    "24dB Zero Delay LowPass",
    "24dB Zero Delay HighPass",
    "24dB Zero Delay BandPass",
    "24dB Zero Delay Notch",
    "24dB Zero Low/High Pass",
    "24dB Zero Low/Band/High Pass",
    "36dB LowPass",
    "36dB HighPass",
    "Vocal",
    "Formant 1",
    "Formant 2",
    "Positive Comb Filter",
    "Negative Comb Filter",
    "Ping-Pong Comb Filter",
    "Ring Modulation",
    "Amp Modulation",
};

const std::array<std::string, 6> FILTER_MODE_SUB_STR{
    "6dB",
    "12dB",
    "18dB",
    "24dB",
    "36dB",
    "Vowel/Comb/Ring",
};

const std::array<std::string, 5> FILTER_VOWEL_STR{
    "A",
    "E",
    "I",
    "O",
    "U",
};

const std::array<std::string, 2> FILTER_MULTI_1_STR{
    "LP",
    "HP",
};

const std::array<std::string, 3> FILTER_MULTI_2_STR{
    "LP",
    "BP",
    "HP",
};

const std::array<std::string, 16> FILTER_DISTORT_TYPE_STR{
    "Off",
    "Atan",
    "Bits",
    "Cos",
    "Cross",
    "Fold",
    "Limit",
    "Noise",
    "Octave",
    "Over",
    "Power",
    "Rate",
    "Rectify",
    "Saturate",
    "Square",
    "Valve",
};

// ---------------------------------------------------------------- effects

// Every order of the four stages (Low-Fi 0, Mod FX 1, Delay 2, Reverb 3), in
// lexicographic order of their stage numbers.
const std::array<std::string, 24> FX_PATH_STR = [] {
    constexpr const char* stageNames[4] = {"Low-Fi", "Mod FX", "Delay", "Reverb"};
    std::array<std::string, 24> table;
    int order[4] = {0, 1, 2, 3};
    int index = 0;
    do {
        std::string text = stageNames[order[0]];
        for (int position = 1; position < 4; ++position) text += std::string(" > ") + stageNames[order[position]];
        table[index++] = text;
    } while (std::next_permutation(order, order + 4));
    return table;
}();

const std::array<std::string, 10> MOD_FX_MODE_STR{
    "Chorus",
    "Flanger",
    "Ensemble",
    "Phaser",
    "Wah-Wah",
    "TalkBox",
    "Tremolo",
    "AutoPan",
    "Ring",
    "Gator",
};

// Five variables per Mod FX mode, one mode per line.
const std::array<std::string, 50> MOD_FX_VAR_STR{
    "Mod FX Speed", "Mod FX Length", "Mod FX Width", "Mod FX Widen", "Mod FX Low Pass Frequency",
    "Mod FX Speed", "Mod FX Length", "Mod FX Width", "Mod FX Widen", "Mod FX Feedback",
    "Mod FX Speed", "Mod FX Length", "Mod FX Width", "Mod FX Ensemble Amount", "Mod FX Feedback",
    "Mod FX Speed", "Mod FX Phaser Pitch", "Mod FX Width", "Mod FX Widen", "Mod FX Feedback",
    "Mod FX Speed", "Mod FX WahWah Type", "Mod FX WahWah Low", "Mod FX WahWah High", "Mod FX WahWah Q",
    "Mod FX Speed", "Mod FX TalkBox Frequency", "Mod FX TalkBox Low", "Mod FX TalkBox High", "Mod FX TalkBox Q",
    "Mod FX Speed", "Mod FX Tremolo Wave", "Mod FX Tremolo Amount", "Mod FX Tremolo Symmetry", "Mod FX Tremolo Smooth",
    "Mod FX Speed", "Mod FX AutoPan Wave", "Mod FX AutoPan Amount", "Mod FX AutoPan Symmetry", "Mod FX AutoPan Smooth",
    "Mod FX Ring Mod Frequency", "Mod FX Ring Mod Fine", "Mod FX Ring Mod Amount", "Mod FX Ring Mod Spread", "Mod FX Ring Mod Low Pass Frequency",
    "Mod FX Speed", "Mod FX Smooth", "Mod FX Length", "Mod FX Gator L", "Mod FX Gator R",
};

const std::array<std::string, 50> MOD_FX_VAR_SHORT_STR{
    "Mod FX Spd", "Mod FX Len", "Mod FX Wid", "Mod FX Wdn", "Mod FX LP",
    "Mod FX Spd", "Mod FX Len", "Mod FX Wid", "Mod FX Wdn", "Mod FX Fdbk",
    "Mod FX Spd", "Mod FX Len", "Mod FX Wid", "Mod FX Ens", "Mod FX Fdbk",
    "Mod FX Spd", "Mod FX Ptc", "Mod FX Wid", "Phaser Wdn", "Phaser Fdbk",
    "Mod FX Spd", "Mod FX Wah Type", "Mod FX Low", "Mod FX High", "Mod FX Q",
    "Mod FX Spd", "Mod FX Freq", "Mod FX Low", "Mod FX High", "Mod FX Q",
    "Mod FX Spd", "Mod FX Trem", "Mod FX Tremolo", "Mod FX Sym", "Mod FX Smth",
    "Mod FX Spd", "Mod FX AutoPan", "Mod FX Autopan", "Mod FX Sym", "Mod FX Smth",
    "Mod FX Freq", "Mod FX Fine", "Mod FX Ring ", "Mod FX Spr", "Mod FX LP",
    "Mod FX Spd", "Mod FX Smooth", "Mod FX Len", "Mod FX L", "Mod FX R",
};

// Captions over the five Mod FX knobs; the Gator mode leaves three knobs blank.
const std::array<std::string, 50> MOD_FX_LABEL_STR{
    "SPEED", "LENGTH", "WIDTH", "WIDEN", "LP",
    "SPEED", "LENGTH", "WIDTH", "WIDEN", "FEED",
    "SPEED", "LENGTH", "WIDTH", "ENS", "FEED",
    "SPEED", "PITCH", "WIDTH", "WIDEN", "FEED",
    "SPEED", "TYPE", "LOW", "HIGH", "Q",
    "SPEED", "FREQ", "LOW", "HIGH", "Q",
    "SPEED", "WAVE", "AMOUNT", "SYM", "SMTH",
    "SPEED", "WAVE", "AMOUNT", "SYM", "SMTH",
    "FREQ", "FINE", "AMOUNT", "SPREAD", "LP",
    "SPEED", "SMTH", "", "", "",
};

// Entry 8 has always read "9 Step"; stored settings and users know it so.
const std::array<std::string, 16> GATER_LEN_STR{
    "1 Step",
    "2 Steps",
    "3 Steps",
    "4 Steps",
    "5 Steps",
    "6 Steps",
    "7 Steps",
    "8 Steps",
    "9 Step",
    "10 Steps",
    "11 Steps",
    "12 Steps",
    "13 Steps",
    "14 Steps",
    "15 Steps",
    "16 Steps",
};

// "Off", then 16/1 down to 1/64, each as dotted, plain, triplet.
const std::array<std::string, 34> GATER_PERIOD_STR = [] {
    constexpr const char* values[] = {"16/1", "8/1", "4/1", "2/1", "1/1", "1/2", "1/4", "1/8", "1/16", "1/32", "1/64"};
    std::array<std::string, 34> table;
    table[0] = "Off";
    int index = 1;
    for (const char* value : values) {
        table[index++] = noteValue(value, "*");
        table[index++] = noteValue(value, "");
        table[index++] = noteValue(value, "T");
    }
    return table;
}();

// 1/32 up to 1/2, each as triplet, plain, dotted.
const std::array<std::string, 15> DELAY_LEN_STR = [] {
    constexpr const char* values[] = {"1/32", "1/16", "1/8", "1/4", "1/2"};
    std::array<std::string, 15> table;
    int index = 0;
    for (const char* value : values) {
        table[index++] = noteValue(value, "T");
        table[index++] = noteValue(value, "");
        table[index++] = noteValue(value, "*");
    }
    return table;
}();

// ---------------------------------------------------------------- Movement, Free LFO and lock

const std::array<std::string, 9> LFO_WAVE_STR{
    "Triangle Up",
    "Triangle Down",
    "Saw Up",
    "Saw Down",
    "Sine Up",
    "Sine Down",
    "Square Up",
    "Square Down",
    "Sample and Hold",
};

const std::array<std::string, 3> LFO_MODE_STR{
    "Poly",
    "Free",
    "Mono",
};

const std::array<std::string, 11> PAN_MOVE_MODE_STR{
    "Movement",
    "L>R",
    "R>L",
    "L>R>L",
    "R>L>R",
    "C>L",
    "C>R",
    "C>L>C",
    "C>R>C",
    "C>L>R>C",
    "C>R>L>C",
};

const std::array<std::string, 10> MOVE_SNAP_STR{
    "Off",
    "02",
    "03",
    "04",
    "06",
    "08",
    "12",
    "16",
    "24",
    "32",
};

const std::array<std::string, 3> LOCK_STR{
    "Off",
    "On",
    "Set",
};

// "Off", then 32/1 down to 1/32, each as dotted, plain, triplet. The plain
// 1/32 (entry 32) has always been shown without its unit.
const std::array<std::string, 34> LFO_PERIOD_STR = [] {
    constexpr const char* values[] = {"32/1", "16/1", "8/1", "4/1", "2/1", "1/1", "1/2", "1/4", "1/8", "1/16", "1/32"};
    std::array<std::string, 34> table;
    table[0] = "Off";
    int index = 1;
    for (const char* value : values) {
        table[index++] = noteValue(value, "*");
        table[index++] = noteValue(value, "");
        table[index++] = noteValue(value, "T");
    }
    table[32] = "1/32";
    return table;
}();

// ---------------------------------------------------------------- ribbon

const std::array<std::string, 13> RIBBON_QUANT_STR{
    "Off",
    "32",
    "24",
    "20",
    "16",
    "12",
    "10",
    "8",
    "6",
    "5",
    "4",
    "3",
    "2",
};

// "Off", "Instant", then 1/32 up to 1/2 as triplet, plain, dotted, then one beat.
const std::array<std::string, 18> RIBBON_SPRING_TIME_STR = [] {
    constexpr const char* values[] = {"1/32", "1/16", "1/8", "1/4", "1/2"};
    std::array<std::string, 18> table;
    table[0] = "Off";
    table[1] = "Instant";
    int index = 2;
    for (const char* value : values) {
        table[index++] = noteValue(value, "T");
        table[index++] = noteValue(value, "");
        table[index++] = noteValue(value, "*");
    }
    table[index] = "1 QB";
    return table;
}();

// ---------------------------------------------------------------- modulation sources

const std::array<std::string, 3> SRC_SUB_STR{
    "MIDI Sources",
    "Mod Sources",
    "Other Sources",
};

const std::array<std::string, 63> SRC_STR{
    "None",
    "Mod Wheel",
    "Mod Wheel / Aftertouch",
    "Channel Aftertouch",
    "Poly Aftertouch",
    "Note",
    "Center Note",
    "Note Random 1",
    "Note UniPolar Random 1",
    "Note Random 2",
    "Note UniPolar Random 2",
    "2 Alternate",
    "2 UniPolar Alternate",
    "3 Alternate",
    "3 UniPolar Alternate",
    "4 Alternate",
    "4 UniPolar Alternate",
    "Velocity",
    "Pitchbend",
    "CC 2 (Breath)",
    "CC 3",
    "CC4 (Foot)",
    "CC11 (Expression)",
    "CC 16",
    "CC 17",
    "CC 18",
    "CC 19",
    "CC 20",
    "CC 21",
    "CC74 (Brightness)",
    "CC 84",
    "CC 85",
    "CC 86",
    "CC 87",
    "CC 88",
    "CC 89",
    "CC 90",
    "CC 113",
    "CC 114",
    "Movement",
    "Smoothed Movement",
    "Inverse Movement",
    "Smoothed Inverse Movement",
    "Pan Movement",
    "Smoothed Pan Movement",
    "Inverse Pan Movement",
    "Smoothed Inverse Pan Movement",
    "Free LFO",
    "Free UniPolar LFO",
    "Ribbon",
    "Input",
    "Voice Output",
    "Low-Fi Output",
    "Mod FX Output",
    "Delay Output",
    "Reverb Output",
    "Output",
    "Offset",
    "White Noise",
    "White UniPolar Noise",
    "Gator Left",
    "Gator Right",
    "Gator Average",
};

// Entry 19 keeps its trailing space: readouts line up on it.
const std::array<std::string, 63> SRC_SHORT_STR{
    "None",
    "Mod Wheel",
    "Mod/After",
    "Ch After",
    "Poly After",
    "Note",
    "Centre Note",
    "Note Rnd 1",
    "Uni Note Rnd 1",
    "Note Rnd 2",
    "Uni Note Rnd 2",
    "2 Alt",
    "2 Uni Alt",
    "3 Alt",
    "3 Uni Alt",
    "4 Alt",
    "4 Uni Alt",
    "Velocity",
    "Pitchbend",
    "CC2 ",
    "CC3",
    "CC4",
    "CC11",
    "CC16",
    "CC17",
    "CC18",
    "CC19",
    "CC20",
    "CC21",
    "CC74",
    "CC84",
    "CC85",
    "CC86",
    "CC87",
    "CC88",
    "CC89",
    "CC90",
    "CC113",
    "CC114",
    "Move",
    "SM Move",
    "Inv Move",
    "Sm Inv Move",
    "Pan Move",
    "SM Pan Move",
    "Inv Pan Move",
    "Sm Inv Pan Move",
    "Free LFO",
    "Free Uni LFO",
    "Ribbon",
    "Input",
    "Voice Out",
    "Low-Fi Out",
    "Mod FX Out",
    "Delay Out",
    "Reverb Out",
    "Output",
    "Offset",
    "White Noise",
    "White Uni Noise",
    "Gator L",
    "Gator R",
    "Gator Av",
};

// ---------------------------------------------------------------- modulation destinations

const std::array<std::string, 11> DEST_SUB_STR{
    "Main",
    "Source",
    "Filter",
    "Low-Fi",
    "Mod FX",
    "Delay",
    "Reverb",
    "Movement",
    "Free LFO",
    "Modulation",
    "Ribbon",
};

const std::array<std::string, 126> DEST_STR{
    "None",
    "Volume",
    "Velocity To Volume",
    "Stereo Spread",
    "Pan",
    "Portamento Amount",
    "Global Speed",
    "Source Octave",
    "Source Semi",
    "Source Fine",
    "Source Mix",
    "Source Band Width",
    "Source Wave/Sample Noise",
    "Source Symmetry",
    "Source Feedback",
    "Source Phase",
    "Source Wrap",
    "Sample Offset",
    "Grain Len",
    "Grain Size",
    "Grain Random",
    "Sub Volume",
    "Sub Pan",
    "Sub Wave Mix",
    "Sub Semi",
    "Sub Fine",
    "Sub Symmetry",
    "Sub Phase",
    "Filter Frequency",
    "Filter Spread",
    "Filter Q/Amount",
    "Filter Vowel/Formant/Mix",
    "Filter Distort Amount",
    "Filter Key Track",
    "Velocity > Filter",
    "ModWheel > Filter",
    "LFO > Filter",
    "LowFi Mix",
    "LowFi Pan",
    "LowFi Sample Rate",
    "LowFi Bits",
    "LowFi Noise Amount",
    "LowFi Low Pass",
    "LowFi High Pass",
    "Mod FX Mix",
    "Mod FX Pan",
    "Mod FX 1",
    "Mod FX 2",
    "Mod FX 3",
    "Mod FX 4",
    "Mod FX 5",
    "Mod FX Spread",
    "Mod FX Separation",
    "Mod FX Phase",
    "Mod FX Symmetry",
    "Mod FX Bias",
    "Mod FX Bits",
    "Mod FX S&H",
    "Mod FX Humanize",
    "Mod FX Low Pass",
    "Mod FX High Pass",
    "Mod FX Q",
    "Delay Mix",
    "Delay Pan",
    "Delay Left",
    "Delay Right",
    "Delay Length",
    "Delay Fine",
    "Delay Feed",
    "Delay Cross",
    "Delay Low Pass",
    "Delay High Pass",
    "Reverb Mix",
    "Reverb Pan",
    "Reverb PreDelay",
    "Reverb PreFeed",
    "Reverb PreWiden",
    "Reverb Size",
    "Reverb Len",
    "Reverb Damp",
    "Reverb High Pass",
    "Movement Speed",
    "Movement Phase",
    "Movement Symmetry",
    "Movement Shape",
    "Movement Up Shape",
    "Movement Down Shape",
    "Movement Smooth",
    "Movement Smooth Attack",
    "Movement Smooth Decay",
    "Movement Bias",
    "Movement Bits",
    "Movement Sample and Hold",
    "Movement Humanize",
    "Movement Attack",
    "Movement Release",
    "Movement Key Tracking",
    "Movement Velocity Tracking",
    "Movement Speed Control Amount",
    "Movement To Filter Frequency",
    "Movement To Pitch",
    "Movement To Volume",
    "Movement To Pan",
    "Movement Mod Amount 1",
    "Movement Mod Amount 2",
    "Free LFO Speed",
    "Free LFO Phase",
    "Free LFO Symmetry",
    "Free LFO Shape",
    "Free LFO Smooth",
    "Free LFO Smooth Attack",
    "Free LFO Smooth Decay",
    "Free LFO Bias",
    "Free LFO Bits",
    "Free LFO Sample and Hold",
    "Free LFO Humanize",
    "Free LFO Key Track",
    "Free LFO Mod Amount 1",
    "Free LFO Mod Amount 2",
    "Mod Slot Amount 1",
    "Mod Slot Amount 2",
    "Mod Slot Amount 3",
    "Mod Slot Amount 4",
    "Ribbon Speed",
    "Ribbon Smooth",
    "Ribbon Value",
};

// Entry 57 is the one short name longer than its long form; readouts show it as is.
const std::array<std::string, 126> DEST_SHORT_STR{
    "None",
    "Volume",
    "Vel To Vol",
    "Spread",
    "Pan",
    "Portamento",
    "Global Speed",
    "Src Oct",
    "Src Semi",
    "Src Fine",
    "Src Mix",
    "Src BandWidth",
    "Src Wave Noise",
    "Src Sym",
    "Src Feed",
    "Src Phase",
    "Src Wrap",
    "Sample Off",
    "Grain Len",
    "Grain Size",
    "Grain Rnd",
    "Sub Vol",
    "Sub Pan",
    "Sub Wave Mix",
    "Sub Semi",
    "Sub Fine",
    "Sub Sym",
    "Sub Phase",
    "Filter Freq",
    "Filter Sprd",
    "Filter Q/Amt",
    "Filter Vwl/Fmt/Mix",
    "Filter Distort",
    "Filter Track",
    "Filter Vel",
    "Filter Mod",
    "Filter LFO",
    "LowFi Mix",
    "LowFi Pan",
    "LowFi Rate",
    "LowFi Bits",
    "LowFi Noise",
    "LowFi LP",
    "LowFi HP",
    "Mod FX Mix",
    "Mod FX Pan",
    "Mod FX 1",
    "Mod FX 2",
    "Mod FX 3",
    "Mod FX 4",
    "Mod FX 5",
    "Mod FX Sprd",
    "Mod FX Sep",
    "Mod FX Phase",
    "Mod FX Sym",
    "Mod FX Bias",
    "Mod FX Bits",
    "Mod FX Sample and Hold",
    "Mod FX Hum",
    "Mod FX LP",
    "Mod FX HP",
    "Mod FX Q",
    "Delay Mix",
    "Delay Pan",
    "Delay Left",
    "Delay Right",
    "Delay Len",
    "Delay Fine",
    "Delay Feed",
    "Delay Cross",
    "Delay LP",
    "Delay HP",
    "Verb Mix",
    "Verb Pan",
    "Verb PreDelay",
    "Verb PreFeed",
    "Verb PreWiden",
    "Verb Size",
    "Verb Len",
    "Verb Damp",
    "Verb HP",
    "Move Speed",
    "Move Phase",
    "Move Sym",
    "Move Shape",
    "Move Up Shp",
    "Move Down Shp",
    "Move Smooth",
    "Move Sm Att",
    "Move Sm Dcy",
    "Move Bias",
    "Move Bits",
    "Move S&H",
    "Move Hum",
    "Move Attack",
    "Move Release",
    "Move Key Trk",
    "Move Vel Trk",
    "Move Spd Mod",
    "Move > Filter",
    "Move > Pitch",
    "Move > Vol",
    "Move > Pan",
    "Move Amt 1",
    "Move Amt 2",
    "LFO Speed",
    "LFO Phase",
    "LFO Sym",
    "LFO Shape",
    "LFO Smooth",
    "LFO Sm Att",
    "LFO Sm Dcy",
    "LFO Bias",
    "LFO Bits",
    "LFO S&H",
    "LFO Hum",
    "LFO Key Track",
    "LFO Mod Amt 1",
    "LFO Mod Amt 2",
    "Mod 1 Amt",
    "Mod 2 Amt",
    "Mod 3 Amt",
    "Mod 4 Amt",
    "Ribbon Speed",
    "Ribbon Smooth",
    "Ribbon Value",
};
