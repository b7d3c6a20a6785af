// The parameter store: the one path by which values enter (setParameter), the
// host's read-back, the stepped and on/off encodings, copy and swap, text kept
// in parameters, and the editor's open state.
//
// Callers: the host's threads (automation, audio), the editor's thread and the
// audio thread while a program is applied. Nothing here locks: every value is a
// relaxed atomic (TSharedFloat), every flag an atomic.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/ModTables.h"
#include "platform/MessageBox.h"
#include "plugin/EditorHooks.h"
#include "plugin/StringTables.h"
#include "plugin/uPlugin.h"

namespace {

// A change smaller than this is not counted as an edit.
constexpr float CHANGE_THRESHOLD = 0.0001f;

// Text is kept as (c + 0.5) / 255.99 per slot and read back as
// int(v * 255.99 + 0.1); the extra 0.1 keeps float rounding from losing a code.
constexpr double CHARACTER_SCALE = 255.99;

float clampUnit(float value) { return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value); }

// The character code kept in one slot, before it is narrowed. Values outside
// 0..1 (a foreign chunk) are clamped and a non-finite value reads as empty, so
// the conversion to int is always defined.
int characterCode(float value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(static_cast<double>(clampUnit(value)) * CHARACTER_SCALE + 0.1);
}

// What the text helper may store: printable 7-bit characters, with those that
// cannot stand in a file name replaced (the names end up as file names).
int storableCharacter(unsigned char c) {
    if (c < 32 || c > 127) return 0;
    switch (c) {
    case ':':
        return '-';
    case '?':
    case '|':
    case '<':
    case '>':
    case '"':
    case '*':
    case '/':
    case '\\':
        return ' ';
    default:
        return c;
    }
}

}  // namespace

// ---------------------------------------------------------------- host-facing

void APlugin::setParameter(int32 index, float value) { storeParameter(index, value, nullptr); }

void APlugin::setParameterFromRecord(int32 index, float value, float recordRead) {
    storeParameter(index, value, &recordRead);
}

void APlugin::storeParameter(int32 index, float value, const float* recordRead) {
    const std::optional<float> stored = storableParameterValue(attr, index, value);
    if (!stored) return;
    value = *stored;

    // A request that arrives while a program is being applied is kept: the
    // block loop applies the record again once the running application ends,
    // so the engine never keeps a mix of the old and the new values.
    if (index == PRESET_APPLY_TAG) flags.presetPending = true;

    values.curValue[index] = value;
    // A program being applied must not write back over a chunk that a host
    // thread copied into the record since the value was read: that chunk's
    // request applies the record again, and it must find the host's values.
    if (recordRead)
        programRecord().values[index].replaceIf(*recordRead, value);
    else
        programRecord().values[index] = value;
    values.editValue[index] = value;

    if (std::fabs(value - values.lastValue[index]) > CHANGE_THRESHOLD) {
        values.lastValue[index] = value;
        const float original = values.origValue[index];
        // An original below -0.5 marks a tag that takes no part in edit tracking.
        if (std::fabs(value - original) > CHANGE_THRESHOLD && original > -0.5f)
            values.editChanged.store(true, std::memory_order_relaxed);
    }

    // The control follows the value at the editor's next idle pass, on its
    // own thread: this may be the audio thread applying a program.
    editorMarks.markTag(index);
}

float APlugin::getParameter(int32 index) {
    if (!isValidTag(index)) return 0.0f;
    const float value = programRecord().values[index];
    // A foreign chunk may have left anything in the record; the host only ever sees 0..1.
    if (!std::isfinite(value)) return 0.0f;
    return clampUnit(value);
}

// ---------------------------------------------------------------- stepped values

int APlugin::getSteppedValue(float value, float range, int num) const { return steppedValueOf(value, range, num); }

int APlugin::getSteppedValue(int tag) const {
    return isValidTag(tag) ? parameterStepOf(attr, tag, values.curValue[tag].load()) : 0;
}

int APlugin::getSteppedValue(int tag, float value) const { return parameterStepOf(attr, tag, value); }

int APlugin::getSteppedValue(int tag, float range, int num) const {
    if (!isValidTag(tag)) return 0;
    return getSteppedValue(values.curValue[tag].load(), range, num);
}

void APlugin::setSteppedValue(int tag, int step) {
    if (const std::optional<float> value = storableStepValue(attr, tag, step)) setParameterAutomated(tag, *value);
}

void APlugin::setSteppedValue(int tag, int step, float range, int num) {
    if (!isValidTag(tag) || num < 1 || !(range > 0.0f)) return;
    step = std::clamp(step, 0, num - 1);
    setParameterAutomated(tag, steppedValueFor(step, range));
}

void APlugin::setSteppedValueMax(int tag) {
    if (!isValidTag(tag)) return;
    setSteppedValue(tag, attr.steppedNum[tag] < 2 ? 0 : attr.steppedNum[tag] - 1);
}

float APlugin::getSteppedRange(int tag) const { return isValidTag(tag) ? attr.steppedRange[tag] : 1.0f; }

int APlugin::getSteppedNum(int tag) const { return isValidTag(tag) ? attr.steppedNum[tag] : -1; }

// ---------------------------------------------------------------- on/off and single values

bool APlugin::getOnOff(int tag) const { return isValidTag(tag) && values.curValue[tag] >= 0.5f; }

void APlugin::setOnOff(int tag, bool on) {
    if (isValidTag(tag)) setParameterAutomated(tag, on ? 1.0f : 0.0f);
}

void APlugin::setOn(int tag) { setOnOff(tag, true); }

void APlugin::setOff(int tag) { setOnOff(tag, false); }

void APlugin::toggleValue(int tag) {
    if (isValidTag(tag)) setParameterAutomated(tag, values.curValue[tag] < 0.5f ? 1.0f : 0.0f);
}

void APlugin::setToDefault(int tag) {
    if (isValidTag(tag)) setParameterAutomated(tag, attr.defaultValue[tag]);
}

void APlugin::setToDefaultRange(int first, int last) {
    if (!isValidTag(first) || !isValidTag(last) || first > last) return;
    for (int tag = first; tag <= last; ++tag) setToDefault(tag);
}

float APlugin::getDefaultValue(int tag) const { return isValidTag(tag) ? attr.defaultValue[tag] : 0.0f; }

float APlugin::getOrigValue(int tag) const { return isValidTag(tag) ? values.origValue[tag].load() : 0.0f; }

int32 APlugin::getTagDest(int32 tag) const { return isValidTag(tag) ? attr.tagDest[tag] : 0; }

// Callers pass valid tags; an invalid one is answered as an internal slot
// rather than read from outside the table.
int32 APlugin::getParamType(int32 tag) const { return isValidTag(tag) ? attr.paramType[tag] : 16; }

float APlugin::getZeroValue(int tag) const { return isValidTag(tag) ? attr.zeroValue[tag] : 0.0f; }

bool APlugin::getHasControl(int tag) const { return isValidTag(tag) && attr.hasControl[tag]; }

void APlugin::setToOrig(int tag) {
    if (isValidTag(tag)) setParameterAutomated(tag, values.origValue[tag]);
}

void APlugin::setZeroValue(int tag) {
    if (isValidTag(tag)) setParameter(tag, attr.zeroValue[tag]);
}

// ---------------------------------------------------------------- copy and swap

namespace {

bool copyable(int tag) { return APlugin::isValidTag(tag) && tag != NEVER_COPIED_TAG; }

}  // namespace

void APlugin::copyParameter(int from, int to) {
    if (copyable(from) && copyable(to)) setParameter(to, getParameter(from));
}

void APlugin::copyParameterRange(int from, int to, int count) {
    for (int i = 0; i < count; ++i) copyParameter(from + i, to + i);
}

void APlugin::copyParameterToRange(int from, int first, int last) {
    if (!copyable(from) || first > last) return;
    for (int to = first; to <= last; ++to) copyParameter(from, to);
}

void APlugin::swapParameter(int a, int b) {
    if (!copyable(a) || !copyable(b)) return;
    const float valueA = getParameter(a);
    const float valueB = getParameter(b);
    setParameter(a, valueB);
    setParameter(b, valueA);
}

void APlugin::swapParameterRange(int a, int b, int count) {
    for (int i = 0; i < count; ++i) swapParameter(a + i, b + i);
}

// ---------------------------------------------------------------- text in parameters

std::string APlugin::getStringFromParamStr(int firstTag, int count, bool fromCurrent, bool fromSpare) const {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const int tag = firstTag + i;
        if (!isValidTag(tag)) continue;
        const float value = fromSpare     ? values.spareProgram.values[tag].load()
                            : fromCurrent ? values.curValue[tag].load()
                                          : programRecord().values[tag].load();
        const char c = static_cast<char>(characterCode(value) & 0xff);
        if (c != 0) text += c;
    }
    return text;
}

void APlugin::setStringFromParam(const std::string& text, int firstTag, int count, bool toSpare) {
    if (count < 1) return;
    auto store = [&](int tag, float value) {
        if (!isValidTag(tag)) return;
        if (toSpare) {
            values.spareProgram.values[tag] = value;
        } else {
            programRecord().values[tag] = value;
            values.curValue[tag] = value;
            values.editValue[tag] = value;
        }
    };
    for (int i = 0; i < count; ++i) store(firstTag + i, 0.0f);
    // The last slot always stays empty, so a reader that stops at 0 finds an end.
    const int length = std::min(static_cast<int>(text.size()), count - 1);
    for (int i = 0; i < length; ++i) {
        const int c = storableCharacter(static_cast<unsigned char>(text[i]));
        store(firstTag + i, static_cast<float>((c + 0.5) / CHARACTER_SCALE));
    }
}

std::string APlugin::getPresetNameFromProgram(const TProgramRecord& program) {
    TPresetName name;
    return std::string(presetNameOf(program, name));
}

// Into the caller's buffer: the audio thread looks names up without allocating.
std::string_view APlugin::presetNameOf(const TProgramRecord& program, TPresetName& name) {
    std::size_t length = 0;
    for (int i = 0; i < PRESET_NAME_SLOTS; ++i) {
        const int code = characterCode(program.values[PRESET_NAME_PARAM + i]);
        // Codes above 127 stand for no character that a built-in name uses; they
        // are held at the largest signed byte so they never match by accident.
        const char c = static_cast<char>(std::clamp(code, -128, 127));
        if (c == 0) break;
        name[length++] = c;
    }
    return std::string_view(name.data(), length);
}

// ---------------------------------------------------------------- editor

bool APlugin::isEditorOpen() {
    return editor != nullptr && flags.editorOpened.load() && !flags.editorOpening.load() && editor->isOpen();
}

// Audio thread (housekeeping): the editor refreshes at its next idle pass. The
// request is raised whether or not a window is open; an editor that opens
// later draws everything anyway.
void APlugin::updateEditorScreen() {
    flags.screenUpdatePending = false;
    editorMarks.raise({.redraw = true});
}

void APlugin::setEditorOpenState(bool opening, bool opened) {
    flags.editorOpening = opening;
    flags.editorOpened = opened;
    // A program that arrived while the editor was being opened.
    if (!opening && programState.programWaitsForEditor.exchange(false)) requestProgram();
}

bool APlugin::getPopupActive() const { return flags.popupActive; }

void APlugin::setPopupActive(bool active) { flags.popupActive = active; }

TEditorRequests APlugin::takeEditorRequests() { return editorMarks.takeRequests(); }

void APlugin::requestEditorRedraw() { editorMarks.raise({.redraw = true}); }

void APlugin::takeChangedTags(std::vector<int>& tags) { editorMarks.takeTags(tags); }

// ---------------------------------------------------------------- edits by step

namespace {

// The tempo-synced speed menus: their step is read and written with this
// range and count, whatever the parameter's own stepping.
constexpr float SYNCED_SPEED_RANGE = 33.99f;
constexpr int SYNCED_SPEED_STEPS = 34;

// The step of the sample loop mode that plays the sample backwards.
constexpr int SAMPLE_LOOP_MODE_REVERSED = 3;

}  // namespace

void APlugin::changeDelta(int tag, int delta, bool fine, float amount) {
    if (!isValidTag(tag)) return;
    if (tag == tag::MOVEMENT_WAVE) {
        setSteppedValue(tag, getSteppedValue(tag) + delta);
        return;
    }
    if ((tag == tag::MOVEMENT_SPEED && getOnOff(tag::MOVEMENT_TEMPO_SYNC)) ||
        (tag == tag::FREE_LFO_SPEED && getOnOff(tag::FREE_LFO_TEMPO_SYNC))) {
        const int step = getSteppedValue(tag, SYNCED_SPEED_RANGE, SYNCED_SPEED_STEPS);
        setSteppedValue(tag, step + delta, SYNCED_SPEED_RANGE, SYNCED_SPEED_STEPS);
        return;
    }
    if (tag == tag::MOD_FX_MODE) {
        setSteppedValue(tag, getSteppedValue(tag) + delta);
        // The editor's own gesture: this runs on its thread.
        if (isEditorOpen())
            if (TEditorHooks* hooks = editorHooksOf(editor)) hooks->updateModFX();
        return;
    }
    if (tag == tag::SAMPLE_LOOP_MODE) {
        setSteppedValue(tag, getSteppedValue(tag) + delta);
        setOnOff(tag::SAMPLE_REV, getSteppedValue(tag) == SAMPLE_LOOP_MODE_REVERSED);
        return;
    }
    if (attr.steppedNum[tag] != -1) {
        setSteppedValue(tag, getSteppedValue(tag) + delta);
    } else if (attr.isOnOff[tag]) {
        setOnOff(tag, delta >= 0);
    } else {
        const float step = static_cast<float>(delta) * amount * (fine ? 0.001f : 0.01f);
        setParameterAutomated(tag, clampUnit(getParameter(tag) + step));
    }
}

// ---------------------------------------------------------------- MIDI learn by number

void APlugin::setMIDICCNum(int tag) {
    if (!isValidTag(tag)) return;
    const std::string answer = inputBoxStr("MIDI CC (0 - 127)", "MIDI CC: " + getParameterNameStr(tag));
    if (answer.empty()) return;
    // Text that is not a number binds controller 0, as atoi reads it.
    soundEngine.bindController(std::clamp(std::atoi(answer.c_str()), 0, 127), tag);
}

// ---------------------------------------------------------------- modulation slots

int APlugin::getModSrc(int tag) { return isValidTag(tag) ? getSteppedValue(tag) : 0; }

int APlugin::getModDest(int tag) { return isValidTag(tag) ? getSteppedValue(tag) : 0; }

int APlugin::getModSlotDest(int slot) {
    if (!soundEngine.isValidModSlot(slot)) return 0;
    return getSteppedValue(MOD_SLOT_DEST_TAGS[slot]);
}

std::string APlugin::getModSrcByModStr(int route) {
    static const char* const FIXED_ROUTE_NAMES[4] = {"Movement Destination 1", "Movement Destination 2",
                                                      "Free LFO Destination 1", "Free LFO Destination 2"};
    if (route < 0 || route >= NUM_MOD_ROUTES) return std::string();
    if (route >= NUM_MOD_SLOTS) return FIXED_ROUTE_NAMES[route - NUM_MOD_SLOTS];
    const int src = getSteppedValue(MOD_SLOT_SRC_TAGS[route]);
    if (src < 0 || static_cast<size_t>(src) >= SRC_STR.size()) return std::string();
    return SRC_STR[src];
}

void APlugin::setModSlotVar(int slot, bool bypass, float amount, int src, int dest) {
    if (!soundEngine.isValidModSlot(slot)) return;
    setOnOff(MOD_SLOT_BY_TAGS[slot], bypass);
    setParameter(MOD_SLOT_AMT_TAGS[slot], amount);
    setSteppedValue(MOD_SLOT_SRC_TAGS[slot], src);
    setSteppedValue(MOD_SLOT_DEST_TAGS[slot], dest);
}
