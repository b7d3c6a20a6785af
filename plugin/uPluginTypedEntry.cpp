// Typed value entry: the user types a value in the parameter's own unit (Hz,
// dB, ms, semitones, a step number) into the platform's text-input window,
// and it is turned back into the 0..1 value, the inverse of the display
// texts. Runs modally on the editor's thread. Typed values are stored with
// plain setParameter: they are not recorded by the host as automation.
//
// Cancel, an empty text, a text with no number and (where a form has one) a
// number at or below its threshold change nothing; numbers out of range are
// clamped, never refused.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "engine/ModTables.h"
#include "engine/dsp/FilterTypes.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "plugin/StringTables.h"
#include "plugin/uPlugin.h"
#include "vst/TextCopy.h"

namespace {

constexpr double LN_1024 = 6.931472;
constexpr double LN_16384 = 9.704061;
constexpr double LN_256 = 5.545177;
constexpr double LN_32 = 3.465736;
constexpr double LN_4096 = 8.317766;
constexpr double LN_2 = 0.6931472;
constexpr double NO_THRESHOLD = -std::numeric_limits<double>::infinity();

constexpr float SYNCED_RANGE = 33.99f;
constexpr int SYNCED_STEPS = 34;

enum TModFXMode { CHORUS, FLANGER, ENSEMBLE, PHASER, WAH, TALKBOX, TREMOLO, AUTOPAN, RING, GATOR };


std::string printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string printed(int value) { return std::to_string(value); }

// The unit's conversions. A result that is not a number is never stored;
// one beyond the range is held to it.
double clampUnit(double value) { return std::isnan(value) ? value : std::clamp(value, 0.0, 1.0); }

// Entries that differ only in their numbers: the hint, the threshold the
// typed number must be above, and the conversion.
struct TThresholdEntry {
    int tag;
    const char* hint;
    double above;
    double (*convert)(double);
    bool stripped;
};

const TThresholdEntry THRESHOLD_ENTRIES[] = {
    {tag::GRAIN_LENGTH, "5 to 1600 %", NO_THRESHOLD, [](double x) { return std::log(x / 100.0) / LN_256 + 0.5; }, true},
    {tag::MOVEMENT_TO_PITCH, "-48 to +48 semi", NO_THRESHOLD, [](double x) { return x / 96.0 + 0.5; }, true},
    {79, "44100 to 2000", 0.0001, [](double x) { return std::log(44100.0 / x) / LN_32; }, false},
    {80, "1 to 16", 0.0001, [](double x) { return 1.0 - x / 16.0; }, false},
    {102, "0 to 511ms", 0.0001, [](double x) { return std::log(2.0 * x + 1.0) / LN_1024; }, false},
    {103, "0.25 to 7.75m^3", 0.0001, [](double x) { return (4.0 * x - 1.0) / 30.75; }, false},
    {104, "1 to 400%", 0.0001, [](double x) { return (std::log(x / 100.0) / LN_2 + 6.0) * 0.125; }, false},
    {127, "0 to 16000 ms", 0.0001, [](double x) { return std::log(2.0 * x + 1.0) / LN_16384; }, false},
    {957, "0 to 16000 ms", 0.0001, [](double x) { return std::log(2.0 * x + 1.0) / LN_16384; }, false},
};

const TThresholdEntry* thresholdEntryFor(int tag) {
    for (const TThresholdEntry& entry : THRESHOLD_ENTRIES)
        if (entry.tag == tag) return &entry;
    return nullptr;
}

}  // namespace

// ---------------------------------------------------------------- the common shape

// Opens the box with the parameter's name as headline; true with x when a
// number was typed. A stripped text keeps only digits, signs and dots; else
// the number is read from the start of the text as typed.
bool APlugin::askNumber(int tag, const std::string& initial, const std::string& hint, TNumberRead read, double& x) {
    char buffer[PLATFORM_TEXT_SIZE] = {};
    kolbri::copyText(buffer, initial, sizeof buffer);
    inputBox(hint, getParameterNameStr(tag), buffer);
    std::string text(buffer);
    if (read.stripped) stripAllButNum(text);
    if (text.empty()) return false;
    const char* start = text.c_str();
    char* end = nullptr;
    if (read.integer) {
        const long whole = std::strtol(start, &end, 10);
        x = static_cast<double>(std::clamp<long>(whole, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    } else {
        x = std::strtod(start, &end);
    }
    return end != start && std::isfinite(x);
}

void APlugin::storeTyped(int tag, double value) {
    if (std::isnan(value)) return;
    setParameter(tag, static_cast<float>(std::clamp(value, -1.0, 2.0)));
}

// ---------------------------------------------------------------- the forms

void APlugin::setNumPer(int tag, bool bipolar) {
    const float v = getParameter(tag);
    double x;
    if (bipolar) {
        if (askNumber(tag, printed("%.1f", v * 200.0 - 100.0), "-100 to 100%", {.stripped = true}, x))
            storeTyped(tag, clampUnit(x / 200.0 + 0.5));
    } else {
        if (askNumber(tag, printed("%.1f", v * 100.0), "0 to 100%", {.stripped = true}, x))
            storeTyped(tag, clampUnit(x / 100.0));
    }
}

void APlugin::setNumVol(int tag, float mul, float offset, std::string hint) {
    double x;
    if (askNumber(tag, printed("%.1f", getParameter(tag) * mul - offset), hint, {.stripped = true}, x))
        storeTyped(tag, clampUnit((x + offset) / mul));
}

// Always in Hz: "1k" is read as 1.
void APlugin::setNumFilter(int tag) {
    double x;
    if (askNumber(tag, getFilterFreqStr(getParameter(tag)), "20 Hz to 20500 Hz", {.stripped = true}, x))
        storeTyped(tag, x <= 0.0 ? 0.0 : clampUnit(std::log(x / 20.0) / LN_1024));
}

void APlugin::setNumSpeed(int tag, bool synced) {
    if (synced) {
        setNumSteppedStr(tag, SYNCED_RANGE, SYNCED_STEPS, LFO_PERIOD_STR.data());
        return;
    }
    double x;
    if (askNumber(tag, getParameterDisplayStr(tag), "0 to 220 Hz", {.stripped = true}, x))
        storeTyped(tag, x >= 0.000001 ? clampUnit(std::log(x * 4096.0 / 55.0) / LN_16384) : 0.0);
}

void APlugin::setNumSteppedStr(int tag, float range, int count, const std::string* table) {
    if (!isValidTag(tag) || count < 1 || !(range > 0.0f) || !table) return;
    const std::string hint = table[0] + " (0) to " + table[count - 1] + " (" + printed(count - 1) + ")";
    double x;
    if (askNumber(tag, printed(static_cast<int>(getParameter(tag) * range)), hint, {.stripped = true}, x))
        storeTyped(tag, clampUnit(x / range));
}

void APlugin::setNumStepped(int tag, float range, int count) {
    if (!isValidTag(tag) || count < 1 || !(range > 0.0f)) return;
    double x;
    if (askNumber(tag, printed(static_cast<int>(getParameter(tag) * range)), "0 to " + printed(count - 1),
                  {.stripped = true}, x))
        storeTyped(tag, clampUnit(x / range));
}

// A route's amount in the unit of the destination it feeds.
void APlugin::setModValue(int tag, int slot) {
    if (!isValidTag(tag) || slot < 0 || slot >= NUM_MOD_ROUTES) return;
    const int destination = getSteppedValue(MOD_DEST_TAGS[static_cast<std::size_t>(slot)]);
    const int kind = destination >= 0 && destination < MOD_DEST_COUNT ? attr.destType[static_cast<std::size_t>(destination)] : 0;
    const double c = values.curValue[static_cast<std::size_t>(tag)];
    double x;
    switch (kind) {
    case 2:  // a ratio, typed in percent
        if (askNumber(tag, printed(static_cast<int>(std::exp2(4.0 * c - 2.0) * 100.0)), "25% to 400%", {}, x))
            storeTyped(tag, clampUnit((std::log2(std::clamp(x / 100.0, 0.25, 4.0)) + 2.0) / 4.0));
        break;
    case 3:  // semitones
        if (askNumber(tag, printed("%0.1f", static_cast<int>(720.0 * c) * 0.1 - 36.0), "-36 to 36 semi",
                      {.integer = true}, x))
            storeTyped(tag, clampUnit(x / 72.0 + 0.5));
        break;
    case 4:  // octaves
        if (askNumber(tag, printed(static_cast<int>((2.0 * c - 1.0) * 8.0 + 0.1)), "-7 to 8 octave", {.integer = true},
                      x)) {
            const double sign = x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
            storeTyped(tag, std::clamp((x + 0.5 * sign) / 8.0, -1.0, 1.0) * 0.5 + 0.5);
        }
        break;
    default: setNumPer(tag, true); break;
    }
}

// ---------------------------------------------------------------- by tag, then by type

void APlugin::setNumValue(int tag) {
    if (!isValidTag(tag)) return;
    const double c = values.curValue[static_cast<std::size_t>(tag)];
    double x;

    if (tag == tag::FILTER_VOWEL_MIX && getSteppedValue(tag::FILTER_MODE) == filtertype::VOCAL) {
        if (askNumber(tag, printed(static_cast<int>(c * 4.99) + 1), "Vowel, 1(A) to 5(U)", {.stripped = true}, x))
            storeTyped(tag, clampUnit((x - 1.0) / 4.99));
        return;
    }
    if (const TThresholdEntry* entry = thresholdEntryFor(tag)) {
        if (askNumber(tag, getParameterDisplayStr(tag), entry->hint, {.stripped = entry->stripped}, x) &&
            x > entry->above)
            storeTyped(tag, clampUnit(entry->convert(x)));
        return;
    }
    if (setNumValueByTag(tag)) return;
    setNumValueByType(tag);
    flags.popupActive = true;
}

// The tags whose entry is their own; false for every other tag.
bool APlugin::setNumValueByTag(int tag) {
    const double c = values.curValue[static_cast<std::size_t>(tag)];
    const int modFXMode = getSteppedValue(tag::MOD_FX_MODE);
    double x;
    switch (tag) {
    case tag::SAMPLE_OFFSET: {
        const int length = sampleLengthForDisplay(getSteppedValue(tag::SAMPLE));
        const std::string hint = "Sample Length: 0 to " + printed(length) + " Samples";
        // Without a length there is no position to type: nothing changes.
        if (askNumber(tag, getParameterDisplayStr(tag), hint, {.stripped = true, .integer = true}, x) && length > 0)
            storeTyped(tag, x / length);
        return true;
    }
    case tag::MOVEMENT_SPEED:
        if (getOnOff(tag::MOVEMENT_TEMPO_SYNC)) {
            setNumStepped(tag, SYNCED_RANGE, SYNCED_STEPS);
            return true;
        }
        // A period typed in seconds; none of 0 or less exists.
        if (askNumber(tag, getLFOSpeedStr(static_cast<float>(c), 4096.0f, 14.0f, false, true), "0 to 40 seconds",
                      {.stripped = true}, x) &&
            x > 0.0)
            storeTyped(tag, clampUnit(std::log((1.0 / x) * 4096.0 / 55.0) / LN_16384));
        return true;
    case tag::FREE_LFO_SPEED: setNumSpeed(tag, getOnOff(tag::FREE_LFO_TEMPO_SYNC)); return true;
    case tag::MOD_FX_1:
        if (modFXMode == GATOR)
            setNumSteppedStr(tag, SYNCED_RANGE, SYNCED_STEPS, GATER_PERIOD_STR.data());
        else if (modFXMode == RING)
            setNumFilter(tag);
        else
            setNumSpeed(tag, getOnOff(tag::MOD_FX_TEMPO_SYNC));
        return true;
    case tag::MOD_FX_2:
        switch (modFXMode) {
        case CHORUS:
        case FLANGER:
        case ENSEMBLE:
            if (askNumber(tag, getParameterDisplayStr(tag), "0 to 50 ms", {}, x)) storeTyped(tag, x / 50.0);
            break;
        case PHASER:
        case TALKBOX: setNumFilter(tag); break;
        case WAH:
            if (askNumber(tag, printed(static_cast<int>(c * 2.99) + 1), "1 - LP, 2 - BP, 3 - HP", {.stripped = true}, x))
                storeTyped(tag, clampUnit((x - 1.0) / 2.1));
            break;
        case TREMOLO:
        case AUTOPAN: setNumSteppedStr(tag, 9.99f, 9, LFO_WAVE_STR.data()); break;
        case RING: setNumPer(tag, true); break;
        default: setNumPer(tag, false); break;
        }
        return true;
    case tag::MOD_FX_3:
        if (modFXMode == CHORUS || modFXMode == WAH) setNumFilter(tag);
        else setNumPer(tag, false);
        return true;
    case tag::MOD_FX_4:
        if (modFXMode == WAH) setNumFilter(tag);
        else setNumPer(tag, false);
        return true;
    case tag::MOD_FX_5:
        if (modFXMode == CHORUS || modFXMode == RING) setNumFilter(tag);
        else setNumPer(tag, false);
        return true;
    case tag::DELAY_LEFT:
    case tag::DELAY_RIGHT:
        if (getOnOff(tag::DELAY_TEMPO_SYNC)) {
            setNumSteppedStr(tag, 14.99f, 15, DELAY_LEN_STR.data());
        } else if (askNumber(tag, getParameterDisplayStr(tag), "0 to 1024ms", {}, x) && x > 0.001) {
            storeTyped(tag, std::log(x) / LN_4096);
        }
        return true;
    case tag::SAMPLE_VOLUME: setNumVol(tag, 80.0f, 40.0f, "-40 to 40 dB"); return true;
    default: return false;
    }
}

void APlugin::setNumValueByType(int tag) {
    const auto index = static_cast<std::size_t>(tag);
    double x;
    switch (attr.paramType[index]) {
    case 1:
        if (askNumber(tag, getOnOff(tag) ? "On" : "Off", "0 for Off, 1 for On", {.stripped = true}, x))
            storeTyped(tag, x < 0.5 ? 0.0 : 1.0);
        break;
    case 3:
    case 6:
    case 7:
    case 8:
    case 10: setNumPer(tag, true); break;
    case 4: setNumVol(tag, 80.0f, 60.0f, "-60 to 20 dB"); break;
    case 5: setNumVol(tag, 80.0f, 80.0f, "-80 to 0 dB"); break;
    case 9:
        if (askNumber(tag, printed(static_cast<int>(getParameter(tag) * 96.99f) - 48), "-48 to +48 semi",
                      {.stripped = true, .integer = true}, x))
            storeTyped(tag, clampUnit((x + 48.0) / 96.99));
        break;
    case 11: setNumFilter(tag); break;
    case 15: {
        const auto found = std::find(MOD_AMT_TAGS.begin(), MOD_AMT_TAGS.end(), tag);
        setModValue(tag, found == MOD_AMT_TAGS.end() ? 0 : static_cast<int>(found - MOD_AMT_TAGS.begin()));
        break;
    }
    case 16: break;  // internal slots: nothing to type
    default:
        if (attr.steppedNum[index] != -1)
            setNumStepped(tag, attr.steppedRange[index], attr.steppedNum[index]);
        else
            setNumPer(tag, false);
        break;
    }
}
