// What the user reads of a parameter: its name, and its value as text in the
// parameter's own unit. The host gets bounded copies; the editor gets the whole
// texts through the std::string forms.
//
// Called from the host's threads and the editor's thread while the audio thread
// may change values; everything here only reads.
#include <cmath>
#include <cstdio>

#include "engine/fx/FxPath.h"
#include "engine/sample/SampleBankTables.h"
#include "plugin/StringTables.h"
#include "plugin/uPlugin.h"
#include "vst/TextCopy.h"

namespace {

constexpr int MOD_FX_FIRST_VARIABLE_TAG = tag::MOD_FX_1;
constexpr int SAMPLE_SOURCE_MODE = 4;

// Mod FX modes whose variables read differently.
enum ModFxMode { CHORUS = 0, FLANGER, ENSEMBLE, PHASER, WAH_WAH, TALKBOX, TREMOLO, AUTOPAN, RING, GATOR };

std::string integerText(int value) { return std::to_string(value); }

// Truncation toward zero, as every integer in the texts is shown; a value
// outside int's range (only reachable through a broken rule) is held at its end.
int truncated(double value) {
    if (!(value > -2147483648.0)) return value != value ? 0 : -2147483647 - 1;
    if (value >= 2147483647.0) return 2147483647;
    return static_cast<int>(value);
}

// "Pink- 70%, White- 30%": a crossfade between two named things at n percent.
std::string crossfadeText(const std::string& first, const std::string& second, int secondPercent) {
    return first + "- " + integerText(100 - secondPercent) + "%, " + second + "- " + integerText(secondPercent) + "%";
}

// The texts' thresholds are decimals, and a value is compared with the
// decimal itself: 0.01f (0.0099999998) lies below 0.01, 0.99f above 0.99.
bool below(float v, double threshold) { return static_cast<double>(v) < threshold; }
bool above(float v, double threshold) { return static_cast<double>(v) > threshold; }

// Two names, all of the first below 1% and all of the second above 99%.
std::string twoWayMix(float v, const std::string& first, const std::string& second) {
    if (below(v, 0.01)) return first;
    if (above(v, 0.99)) return second;
    return crossfadeText(first, second, truncated(100.0f * v));
}

// A position x between neighbouring names: the integer part picks the pair.
template <typename Table>
std::string neighbourMix(float x, const Table& names, bool wrap) {
    const int count = static_cast<int>(names.size());
    int i = truncated(x);
    if (i < 0) i = 0;
    if (i > count - 1) i = count - 1;
    const float fraction = x - static_cast<float>(i);
    int j = i + 1;
    if (wrap) j %= count;
    if (j > count - 1) j = count - 1;
    if (below(fraction, 0.01)) return names[i];
    if (above(fraction, 0.99)) return names[j];
    return crossfadeText(names[i], names[j], truncated(100.0f * fraction));
}

// The destination parameter whose kind decides how an amount reads.
int amountDestinationTag(int tag) {
    switch (tag) {
    case tag::MOVEMENT_AMOUNT_1: return tag::MOVEMENT_DESTINATION_1;
    case tag::MOVEMENT_AMOUNT_2: return tag::MOVEMENT_DESTINATION_2;
    case tag::FREE_LFO_AMOUNT_1: return tag::FREE_LFO_DESTINATION_1;
    case tag::FREE_LFO_AMOUNT_2: return tag::FREE_LFO_DESTINATION_2;
    case tag::MODULATION_SLOT_1_AMOUNT: return tag::MODULATION_SLOT_1_DESTINATION;
    case tag::MODULATION_SLOT_2_AMOUNT: return tag::MODULATION_SLOT_2_DESTINATION;
    case tag::MODULATION_SLOT_3_AMOUNT: return tag::MODULATION_SLOT_3_DESTINATION;
    case tag::MODULATION_SLOT_4_AMOUNT: return tag::MODULATION_SLOT_4_DESTINATION;
    default: return tag::MOVEMENT_DESTINATION_1;
    }
}

}  // namespace

// ---------------------------------------------------------------- formatters

std::string APlugin::getFloatStr(float x, int places) const {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", places, static_cast<double>(x));
    return text;
}

std::string APlugin::getDBStr(int tag, float mul, float offset, bool offBelow) const {
    const float c = isValidTag(tag) ? values.curValue[tag].load() : 0.0f;
    if (below(c, 0.0001) && offBelow) return "Off";
    return getFloatStr(c * mul - offset, 1) + " dB";
}

std::string APlugin::getFilterFreqStr(float x) {
    const float hertz = 20.0f * std::pow(2.0f, 10.0f * x);
    if (hertz < 1000.0f) return integerText(truncated(hertz)) + " Hz";
    return getFloatStr(hertz / 1000.0f, 1) + " KHz";
}

std::string APlugin::getFilterFreqStr(int tag) { return getFilterFreqStr(getParameter(tag)); }

std::string APlugin::getLFOSpeedStr(float x, bool synced, bool asPeriod) const {
    if (synced) return LFO_PERIOD_STR[getSteppedValue(x, 33.99f, 34)];
    return getLFOSpeedStr(x, 4096.0f, 14.0f, false, asPeriod);
}

std::string APlugin::getLFOSpeedStr(float x, float divisor, float exponent, bool offAtZero, bool asPeriod) const {
    if (below(x, 0.00001) && offAtZero) return "Off";
    const float hertz = std::pow(2.0f, x * exponent) * 55.0f / divisor;
    if (asPeriod) {
        const float seconds = 1.0f / hertz;
        if (seconds < 1.0f) return getFloatStr(1000.0f / hertz, 0) + " ms";
        return getFloatStr(seconds, 2) + " sec";
    }
    if (hertz < 1000.0f) return getFloatStr(hertz, 2) + " Hz";
    return getFloatStr(hertz / 1000.0f, 2) + " KHz";
}

std::string APlugin::getEnvLenStr(float x, bool exact) const {
    const double milliseconds = std::floor(std::pow(2.0, 14.0 * static_cast<double>(x)));
    if (exact) {
        char text[64];
        std::snprintf(text, sizeof text, "%f ms", milliseconds);
        return text;
    }
    if (milliseconds < 1000.0) return integerText(truncated(milliseconds)) + " ms";
    return getFloatStr(static_cast<float>(milliseconds / 1000.0), 2) + " sec";
}

// ---------------------------------------------------------------- names and labels

std::string APlugin::getParameterNameStr(int32 tag) {
    if (!isValidTag(tag)) return "";
    // The five Mod FX knobs mean different things in each mode; the host sees
    // the name the current mode gives them.
    if (tag >= MOD_FX_FIRST_VARIABLE_TAG && tag < MOD_FX_FIRST_VARIABLE_TAG + 5)
        return MOD_FX_VAR_STR[getSteppedValue(tag::MOD_FX_MODE) * 5 + (tag - MOD_FX_FIRST_VARIABLE_TAG)];
    return attr.paramName[tag];
}

std::string APlugin::getSrcShortStr(int source) const {
    if (static_cast<std::uint32_t>(source) >= SRC_SHORT_STR.size()) return "";
    return SRC_SHORT_STR[static_cast<std::size_t>(source)];
}

int APlugin::getFxPathStage(int position) const {
    const auto& order = FX_PATH_NO[static_cast<std::size_t>(getSteppedValue(tag::FX_PATH)) % FX_PATH_COUNT];
    return order[static_cast<std::size_t>(position) % FX_STAGE_COUNT];
}

void APlugin::getParameterName(int32 index, char* text) {
    if (!text) return;
    kolbri::copyHostText(text, getParameterNameStr(index));
}

// The units are part of the display texts.
void APlugin::getParameterLabel(int32, char* text) {
    if (text) kolbri::copyHostText(text, " ");
}

// ---------------------------------------------------------------- display texts

void APlugin::getParameterDisplay(int32 index, char* text) {
    if (!text) return;
    kolbri::copyHostText(text, getParameterDisplayStr(index));
}

std::string APlugin::getParameterDisplayStr(int32 tag) {
    if (!isValidTag(tag)) return " ";
    const float v = getParameter(tag);

    switch (attr.paramType[tag]) {
    case 1: return OFF_ON_STR[getOnOff(tag) ? 1 : 0];
    case 2: return integerText(truncated(v * 100.0f)) + "%";
    case 3: return integerText(truncated(v * 200.0f) - 100) + "%";
    case 4: return getDBStr(tag, 80.0f, 60.0f, true);
    case 5: return getDBStr(tag, 80.0f, 80.0f, true);
    case 6:
        if (above(v, 0.501)) return integerText(truncated(200.0f - 200.0f * v)) + "% L / 100% R";
        if (below(v, 0.499)) return "100% L / " + integerText(truncated(200.0f * v)) + "% R";
        return "Center";
    case 7:
        if (above(v, 0.501)) return integerText(truncated(200.0f - 200.0f * v)) + "% D / 100% W";
        if (below(v, 0.499)) return "100% D / " + integerText(truncated(200.0f * v)) + "% W";
        return "Equal";
    case 8:
        if (below(v, 0.499)) return integerText(truncated(100.0f - 200.0f * v)) + "% Pink Noise";
        if (above(v, 0.501)) return integerText(truncated(200.0f * v - 100.0f)) + "% White Noise";
        return "Off";
    case 9: return integerText(truncated(v * 96.99f) - 48) + " Semi";
    case 10: return integerText(truncated(v * 200.0f) - 100) + " Cents";
    case 11: return getFilterFreqStr(v);
    case 12: return getLFOSpeedStr(values.curValue[tag].load(), getOnOff(tag::FREE_LFO_TEMPO_SYNC), false);
    case 13: return SRC_STR[getSteppedValue(tag)];
    case 14: return DEST_STR[getSteppedValue(tag)];
    case 15: {
        const int kind = attr.destType[getSteppedValue(amountDestinationTag(tag))];
        switch (kind) {
        case 2: return "x " + getFloatStr(std::pow(2.0f, 8.0f * v - 4.0f), 2);
        case 3: return getFloatStr(static_cast<float>(truncated(720.0f * v + 0.1f)) * 0.1f - 36.0f, 2) + " Semi";
        case 4: return integerText(truncated((2.0f * v - 1.0f) * 8.0f + 0.1f)) + " Octave";
        default: return integerText(truncated(200.0f * v - 100.0f)) + "%";
        }
    }
    case 16: return "INTERNAL";
    default: break;
    }
    return displayByTag(tag, v);
}

// The parameters whose text follows a rule of their own.
std::string APlugin::displayByTag(int32 tag, float v) {
    const int modFxMode = getSteppedValue(tag::MOD_FX_MODE);
    switch (tag) {
    case tag::PLAY_MODE: return PLAY_MODE_STR[getSteppedValue(tag)];
    case tag::PORTAMENTO_MODE: return PORT_MODE_STR[getSteppedValue(tag)];
    case tag::PITCH_BEND_DOWN:
    case tag::PITCH_BEND_UP: {
        const std::string& semitones = PITCH_BEND_STR[getSteppedValue(tag)];
        return semitones == "Off" ? semitones : semitones + " Semi";
    }
    case tag::SOURCE_MODE: return SOURCE_MODE_STR[getSteppedValue(tag)];
    case tag::NOISE_MIX: return twoWayMix(v, NOISE_STR[0], NOISE_STR[1]);
    case tag::WAVE_MIX: return neighbourMix(3.0f * v, WAVE_STR, true);
    case tag::SAMPLE:
        if (getSteppedValue(tag::SOURCE_MODE) != SAMPLE_SOURCE_MODE) return "N/A";
        return SAMPLE_STR[getSteppedValue(tag)];
    case tag::SAMPLE_OFFSET: {
        const int32 frames = sampleLengthForDisplay(getSteppedValue(tag::SAMPLE));
        return integerText(truncated(static_cast<double>(v) * frames));
    }
    case tag::GRAIN_LENGTH: return integerText(truncated(std::pow(2.0f, 8.0f * v - 4.0f) * 100.0f)) + " %";
    case tag::FILTER_MODE: return FILTER_MODE_STR[getSteppedValue(tag)];
    case tag::FILTER_VOWEL_MIX: {
        const int filterMode = getSteppedValue(tag::FILTER_MODE);
        if (filterMode == filtertype::ZERO_LOW_HIGH_PASS_12DB || filterMode == filtertype::ZERO_LOW_HIGH_PASS_24DB)
            return twoWayMix(v, FILTER_MULTI_1_STR[0], FILTER_MULTI_1_STR[1]);
        if (filterMode == filtertype::ZERO_LOW_BAND_HIGH_PASS_12DB ||
            filterMode == filtertype::ZERO_LOW_BAND_HIGH_PASS_24DB)
            return neighbourMix(1.999f * v, FILTER_MULTI_2_STR, false);
        if (filterMode == filtertype::FORMANT_1 || filterMode == filtertype::FORMANT_2)
            return integerText(truncated(100.0f * v)) + "%";
        return FILTER_VOWEL_STR[getSteppedValue(tag, 4.99f, 5)];
    }
    case tag::FILTER_DISTORTION_MODE: return FILTER_DISTORT_TYPE_STR[getSteppedValue(tag)];
    case tag::PRE_POST_FILTER_DISTORTION: return v < 0.5f ? "Pre-Filter Distortion" : "Post-Filter Distortion";
    case tag::MOVEMENT_WAVE:
    case tag::FREE_LFO_WAVE: return LFO_WAVE_STR[getSteppedValue(tag)];
    case tag::MOVEMENT_SPEED:
        // As the speed lock sees them, so a locked speed shows what plays.
        return getLFOSpeedStr(getLockVar(tag::MOVEMENT_SPEED), getOnOff(getLockVar(tag::MOVEMENT_TEMPO_SYNC)), true);
    case tag::MOVEMENT_TO_PITCH: return getFloatStr((8.0f * v - 4.0f) * 12.0f, 1) + " Semi";
    case tag::MOVEMENT_TO_PAN_SINGLE_MODE: return PAN_MOVE_MODE_STR[getSteppedValue(tag)];
    case tag::FREE_LFO_MODE: return LFO_MODE_STR[getSteppedValue(tag)];
    case tag::FX_PATH: return FX_PATH_STR[getSteppedValue(tag)];
    case tag::LOW_FI_SAMPLE_RATE: return integerText(truncated(44100.0f / std::pow(2.0f, 5.0f * v))) + " Samples";
    case tag::LOW_FI_BITS: return getFloatStr(16.0f - 15.99f * v, 1) + " Bits";
    case tag::MOD_FX_MODE: return MOD_FX_MODE_STR[getSteppedValue(tag)];
    case tag::MOD_FX_1:
        if (modFxMode == GATOR) return GATER_PERIOD_STR[getSteppedValue(v, 33.99f, 34)];
        if (modFxMode == RING) return getFilterFreqStr(v);
        return getLFOSpeedStr(values.curValue[tag].load(), getOnOff(tag::MOD_FX_TEMPO_SYNC), false);
    case tag::MOD_FX_2:
        switch (modFxMode) {
        case PHASER:
        case TALKBOX: return getFilterFreqStr(v);
        case TREMOLO:
        case AUTOPAN: return LFO_WAVE_STR[getSteppedValue(v, 9.99f, 9)];
        case GATOR: return integerText(truncated(100.0f * v)) + "%";
        case RING: return integerText(truncated(200.0f * v - 100.0f)) + "%";
        case WAH_WAH: {
            int type = truncated(2.99f * v);
            if (type < 0) type = 0;
            if (type > 2) type = 2;
            return FILTER_MULTI_2_STR[type];
        }
        default: return getFloatStr(50.0f * v, 1) + " ms";
        }
    case tag::MOD_FX_3:
        if (modFxMode == WAH_WAH) return getFilterFreqStr(v);
        return integerText(truncated(100.0f * v)) + "%";
    case tag::MOD_FX_4:
        if (modFxMode == GATOR) return "Left Gator";
        if (modFxMode == WAH_WAH) return getFilterFreqStr(v);
        return integerText(truncated(100.0f * v)) + "%";
    case tag::MOD_FX_5:
        if (modFxMode == CHORUS || modFxMode == RING) return getFilterFreqStr(v);
        if (modFxMode == GATOR) return "Right Gator";
        return integerText(truncated(100.0f * v)) + "%";
    case tag::DELAY_LEFT:
    case tag::DELAY_RIGHT:
        if (getOnOff(tag::DELAY_TEMPO_SYNC)) {
            int length = truncated(14.99f * v);
            if (length < 0) length = 0;
            if (length > 14) length = 14;
            return DELAY_LEN_STR[length];
        }
        return getFloatStr(std::pow(2.0f, 12.0f * v), 1) + "ms";
    case tag::REVERB_PRE_DELAY: return getFloatStr((std::pow(2.0f, 10.0f * v) - 1.0f) * 0.5f, 1) + " ms";
    case tag::REVERB_SIZE: return getFloatStr(std::floor(30.75f * v + 1.0f) * 0.25f, 1) + " m3";
    case tag::REVERB_LENGTH: return integerText(truncated(std::pow(2.0f, 8.0f * v - 6.0f) * 100.0f)) + "%";
    case tag::RIBBON_SPRING_TIME: return RIBBON_SPRING_TIME_STR[getSteppedValue(tag)];
    case tag::RIBBON_QUANTIZATION: return RIBBON_QUANT_STR[getSteppedValue(tag)];
    case tag::RELEASE:
    case tag::ATTACK: return getEnvLenStr(v, false);
    case tag::SAMPLE_LOOP_MODE: return SAMPLE_LOOP_MODE_STR[getSteppedValue(tag)];
    case tag::SAMPLE_VOLUME: return getDBStr(tag, 80.0f, 40.0f, true);
    case tag::SAMPLE_START: return "Sample " + integerText(truncated(userSamplePointForDisplay(tag::SAMPLE_START)));
    case tag::SAMPLE_LOOP_START:
        return "Sample " + integerText(truncated(userSamplePointForDisplay(tag::SAMPLE_LOOP_START)));
    case tag::SAMPLE_LOOP_END:
        return "Sample " + integerText(truncated(userSamplePointForDisplay(tag::SAMPLE_LOOP_END)));
    case tag::MOVE_SNAP_TO: return MOVE_SNAP_STR[getSteppedValue(tag)];
    // The 0.1 keeps a whole frequency typed on the settings page, which comes
    // back a hair under, from showing one less (as for the brick filter).
    case tag::GLOBAL_TUNING: return integerText(truncated(440.0f * std::pow(2.0f, 2.0f * v - 1.0f) + 0.1f)) + " Hz";
    case tag::BRICK_FILTER_FREQUENCY:
        return integerText(truncated(20.0f * std::pow(2.0f, 12.0f * v) / 1000.0f + 0.1f)) + " KHz";
    default: return "----";
    }
}

// ---------------------------------------------------------------- sample lengths and points

int32 APlugin::sampleLengthForDisplay(int32 sample) {
    return static_cast<int32>(sampleLibrary.getSampleLength(sample));
}

double APlugin::userSamplePointForDisplay(int32 tag) {
    switch (tag) {
    case tag::SAMPLE_START: return sampleLibrary.getSampleStart(USER_SAMPLE_SLOT);
    case tag::SAMPLE_LOOP_START: return sampleLibrary.getSampleLoopStart(USER_SAMPLE_SLOT);
    case tag::SAMPLE_LOOP_END: return sampleLibrary.getSampleLoopEnd(USER_SAMPLE_SLOT);
    default: return 0.0;
    }
}
