// Programs: the one program the host sees, the built-in bank behind it, and
// the application of the program record to the engine on the audio thread.
//
// Nobody applies a program directly. The host, the state chunk and the editor
// fill the record and write tag 1022; the block loop's housekeeping then calls
// applyProgramValues (through TEngineHost) while its output is silent.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "plugin/BuiltinPrograms.h"
#include "plugin/uPlugin.h"
#include "vst/TextCopy.h"

namespace {


// The encoding of one character of a name kept in parameters, as the text
// helpers of the parameter store write it.
float characterValue(unsigned char c) { return static_cast<float>((c + 0.5) / 255.99); }

int builtinIndex(int index) { return std::clamp(index, 0, BUILTIN_PROGRAM_COUNT - 1); }

}  // namespace

// ---------------------------------------------------------------- the bank

int APlugin::getNumBuiltinPrograms() const { return BUILTIN_PROGRAM_COUNT; }

int APlugin::getCurBuiltinProgram() const { return programState.curBuiltinProgram.load(std::memory_order_relaxed); }

std::string APlugin::getDemoName(int index) const {
    if (index < 0 || index >= BUILTIN_PROGRAM_COUNT) return {};
    return std::string(builtinProgramName(index));
}

// The program named in tags 208..235 of the record: the last built-in program
// of that name, or 0 when none has it.
int APlugin::findBuiltinProgram(const TProgramRecord& program) {
    TPresetName buffer;
    const std::string_view name = presetNameOf(program, buffer);
    int found = 0;
    for (int n = 0; n < BUILTIN_PROGRAM_COUNT; ++n)
        if (builtinProgramName(n) == name) found = n;
    return found;
}

// The bank's values, with the program's name spelled into its name tags so
// that the name lookup finds it again after the record has gone through a
// host or a chunk.
void APlugin::loadBuiltinIntoRecord(int index) {
    const std::span<const float> source = builtinProgramValues(index);
    TProgramRecord& record = programRecord();
    const std::size_t count = std::min(source.size(), record.values.size());
    for (std::size_t tag = 0; tag < count; ++tag) {
        record.values[tag] = source[tag];
        values.curValue[tag] = source[tag];
    }
    const std::string_view name = builtinProgramName(index);
    for (int slot = 0; slot < PRESET_NAME_SLOTS; ++slot) {
        // The last slot stays empty: a reader stops there at the latest.
        const bool inName = slot < PRESET_NAME_SLOTS - 1 && static_cast<std::size_t>(slot) < name.size();
        const auto c = inName ? static_cast<unsigned char>(name[static_cast<std::size_t>(slot)] & 0x7f) : 0;
        const float value = c == 0 ? 0.0f : characterValue(c);
        record.values[PRESET_NAME_PARAM + slot] = value;
        values.curValue[PRESET_NAME_PARAM + slot] = value;
    }
}

void APlugin::setDemoProgram(int index) {
    if (index < 0 || index >= BUILTIN_PROGRAM_COUNT) return;
    programState.curBuiltinProgram = index;
    // A name a host gave the program belonged to the sound being replaced.
    // (Cleared here, on the editor's thread: the audio thread never writes
    // the name.)
    programRecord().name.store({});
    // The record is not rewritten under a running application: the audio
    // thread loads the choice itself once it is done.
    if (getIsSettingPreset()) {
        programState.waitingProgramNo.store(index, std::memory_order_relaxed);
        soundEngine.requestProgramFromNumber();
        return;
    }
    loadBuiltinIntoRecord(index);
    setProgram(0);
}

// At either end of the bank a further step loads the end program again.
void APlugin::changeDemoProgramDelta(int delta) {
    const long long wanted = static_cast<long long>(getCurBuiltinProgram()) + delta;
    setDemoProgram(static_cast<int>(std::clamp<long long>(wanted, 0, BUILTIN_PROGRAM_COUNT - 1)));
}

// Audio thread, between blocks: the editor's choice made during an application.
void APlugin::setProgramAfterWaitingFromNo() {
    const int index = builtinIndex(programState.waitingProgramNo.load(std::memory_order_relaxed));
    programState.curBuiltinProgram = index;
    loadBuiltinIntoRecord(index);
    setProgram(0);
}

// Start-up: built-in program 0 is the first sound.
void APlugin::loadStartProgram() {
    programState.curBuiltinProgram = 0;
    loadBuiltinIntoRecord(0);
    for (std::size_t tag = 0; tag < values.editValue.size(); ++tag) values.editValue[tag] = values.curValue[tag];
}

// ---------------------------------------------------------------- the host's program

// While the editor is being opened nothing is applied: the request waits,
// and the end of the opening makes it (setEditorOpenState). Whichever of the
// two threads takes the waiting mark asks for the program, so it is neither
// lost nor asked for twice.
void APlugin::setProgram(int32 program) {
    if (program != 0) return;
    programState.programWaitsForEditor.store(true);
    if (flags.editorOpening.load()) return;
    if (programState.programWaitsForEditor.exchange(false)) requestProgram();
}

void APlugin::requestProgram() {
    curProgram.store(0, std::memory_order_relaxed);
    programState.startProgramQuiet.store(false);
    programState.curBuiltinProgram = findBuiltinProgram(programRecord());
    // MIDI soft takeover starts afresh with the program.
    for (auto& reference : values.captureValue) reference = 0.0f;
    setParameter(PRESET_APPLY_TAG, 0.0f);
}

void APlugin::unSelectThenSetProgram() { setProgram(0); }

// A name the host gave wins; otherwise the built-in program the sound is
// taken to be names it. Hosts give 24 bytes for it.
void APlugin::getProgramName(char* name) {
    if (!name) return;
    char given[TSharedProgramName::BYTES];
    const std::size_t length = programRecord().name.load(given);
    if (length > 0)
        kolbri::copyProgramName(name, std::string_view(given, length));
    else
        kolbri::copyProgramName(name, builtinProgramName(builtinIndex(getCurBuiltinProgram())));
}

bool APlugin::getProgramNameIndexed(int32, int32 index, char* text) {
    if (index != 0 || !text) return false;
    getProgramName(text);
    return true;
}

// Kept with the record, so that it travels in the state chunk.
void APlugin::setProgramName(char* name) {
    if (!name) return;
    programRecord().name.store(std::string_view(name, strnlen(name, kolbri::HOST_PROGRAM_NAME_BYTES - 1)));
}

bool APlugin::getIsSettingPreset() const {
    return flags.presetPending || flags.settingPreset || flags.screenUpdatePending;
}

// ---------------------------------------------------------------- application (audio thread)

// The value a record's entry is applied as: what setParameter would keep of
// it (held to 0..1, switches snapped), and the tag's default for a value that
// is not a number, so that every copy of it (the original one that Compare
// brings back included) is one the engine can play.
float APlugin::applicableValue(int tag, float value) const {
    if (!std::isfinite(value)) value = attr.defaultValue[static_cast<std::size_t>(tag)];
    return storableParameterValue(attr, tag, value).value_or(0.0f);
}

// Audio thread, while settingPreset is set: the record's values become the
// current, original and edited ones; the editor follows at its idle pass.
void APlugin::applyProgramValues() {
    TProgramRecord& record = programRecord();
    programState.curBuiltinProgram = findBuiltinProgram(record);
    for (int tag = 0; tag < NUM_PARAMS; ++tag) {
        const auto index = static_cast<std::size_t>(tag);
        const float read = record.values[index];
        const float value = applicableValue(tag, read);
        values.curValue[index] = value;
        values.origValue[index] = value;
        values.editValue[index] = value;
        if (tag == PRESET_APPLY_TAG) {
            // Its own trigger: a write through setParameter would ask for the program again.
            record.values[index] = value;
            values.lastValue[index] = value;
        } else {
            setParameterFromRecord(tag, value, read);
        }
        values.captured[index].store(false, std::memory_order_relaxed);
    }
    values.editChanged.store(false, std::memory_order_relaxed);
    reloadSamples();
    // The editor takes the new Mod FX mode and forgets its undo steps at its
    // next idle pass; the editor's code never runs here.
    editorMarks.raise({.modFXModeTaken = true, .clearUndos = true});
    // Nor the host's: the worker tells it.
    if (!programState.startProgramQuiet.exchange(false)) programState.hostDisplayPending.store(true);
}

// Worker: the host reads the parameters again once a program has been
// applied, so that its own view of them (a generic editor, the value a
// control it shows starts from) is the new program's, whoever chose it and
// whether or not the editor is open. Asked once the whole application is
// done (the engine's share follows the values), once per application (or
// once for several applied between two passes), and never from the audio
// thread, which must not wait for a host.
void APlugin::takeHostDisplayRequest() {
    if (!programState.hostDisplayPending.load() || flags.settingPreset.load()) return;
    // A host that has begun closing the plug-in is asked nothing.
    if (!programState.hostClosing.load() && programState.hostDisplayPending.exchange(false)) updateDisplay();
}

// The sample part of the application: the engine's sample state is reset by
// the engine; the user sample named in the program (its path in tags
// 251..314) is reloaded when "Sample Loaded" is on, by the background thread
// (any thread may ask; the slot is silent until it is done).
void APlugin::reloadSamples() { requestUserSampleForProgram(); }

// ---------------------------------------------------------------- compare, revert and clear

// Editor thread. Whole arrays go straight into the current values and the
// record, past setParameter: nothing is reported to the host and the editor
// redraws everything at once. The voices restart on the audio thread.
void APlugin::showProgramValues(const std::array<TSharedFloat, PARAMETER_COUNT>& from, bool edited) {
    TProgramRecord& record = programRecord();
    for (std::size_t tag = 0; tag < from.size(); ++tag) {
        const float value = from[tag];
        values.curValue[tag] = value;
        record.values[tag] = value;
    }
    values.editChanged.store(edited, std::memory_order_relaxed);
    afterProgramCopy();
}

void APlugin::afterProgramCopy() {
    if (isEditorOpen()) editorMarks.raise({.redraw = true});
    requestReset();
    // The copied values may name another user sample.
    reloadSamples();
}

void APlugin::origProgram() { showProgramValues(values.origValue, false); }

void APlugin::editProgram() { showProgramValues(values.editValue, true); }

// Tags 128..242 are the program's hidden ones, its name among them: an
// initialised program keeps them.
void APlugin::clearProgram() {
    constexpr int FIRST_KEPT = 128, LAST_KEPT = 242;
    TProgramRecord& record = programRecord();
    for (int tag = 0; tag < NUM_PARAMS; ++tag) {
        if (tag >= FIRST_KEPT && tag <= LAST_KEPT) continue;
        const auto index = static_cast<std::size_t>(tag);
        values.curValue[index] = attr.defaultValue[index];
        record.values[index] = attr.defaultValue[index];
    }
    values.editChanged.store(true, std::memory_order_relaxed);
    afterProgramCopy();
}

void APlugin::doFileCommands(int command) {
    switch (command) {
    case 11: origProgram(); break;
    case 12: editProgram(); break;
    case 13: clearProgram(); break;
    default: break;
    }
}

// ---------------------------------------------------------------- helpers

void APlugin::doHardReset() { updateMIDIChannel(true); }

bool APlugin::fileExists(const std::string& path) {
    if (path.empty()) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}
