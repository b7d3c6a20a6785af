// Tuning files as the program and the editor use them. A program keeps only
// the switch "Has Tuning On/Off" (959) and the file's name (960..999); the
// table that note start reads is built from "<tuning folder>/<name>.tun"
// whenever the program is applied. The audio thread applies programs and must
// not read files, so it only asks; the plug-in's background thread reads the
// file and publishes the table (takeTuningRequest). A file the user chooses
// is read on the editor's thread.
#include <cstddef>

#include "engine/dsp/ParameterTags.h"
#include "engine/TuningFile.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "plugin/uPlugin.h"

std::array<float, TUNING_NAME_SLOTS> APlugin::storedTuningName() const {
    std::array<float, TUNING_NAME_SLOTS> stored{};
    for (int i = 0; i < TUNING_NAME_SLOTS; ++i)
        stored[static_cast<std::size_t>(i)] = values.curValue[static_cast<std::size_t>(TUNING_NAME_PARAM + i)];
    return stored;
}

std::string APlugin::getTuningName() {
    if (!getOnOff(tag::HAS_TUNING)) return "Standard Tuning";
    return readTuningName(storedTuningName());
}

// The name is kept: loading the same program again brings the tuning back
// only when its switch is on again.
void APlugin::resetTuning() {
    std::lock_guard lock(tuningFileLoad);
    setParameter(tag::HAS_TUNING, 0.0f);
    soundEngine.tuningHolder().publishIdentity();
}

void APlugin::loadTuning() {
    std::string spare, folder, path;
    fileSelectLoadDirStr("Tuning Files", folders.tuningFileStr, "Load", "*.tun", spare, folder, path);
    // Cancelled: the tuning in use stays, table, name and switch.
    if (path.empty()) return;
    const std::string name = getFileNameOnlyStr(path, true);
    if (name.empty()) return;
    const TTuningFileResult read = readTuningFile(path);
    // Not a tuning file (or not readable): nothing changes, so the switch,
    // the name and the table in use still agree.
    if (!read.sectionFound) return;

    std::lock_guard lock(tuningFileLoad);
    // A program's request still waiting would replace this choice with the
    // file the old name stood for.
    soundEngine.tuningHolder().takeRebuildRequest();
    // The table first: a note that sees the switch on finds the new table.
    soundEngine.tuningHolder().publish(read.table);
    const auto spelled = spellTuningName(name);
    for (int i = 0; i < TUNING_NAME_SLOTS; ++i)
        setParameter(TUNING_NAME_PARAM + i, spelled[static_cast<std::size_t>(i)]);
    setOn(tag::HAS_TUNING);
}

// The plug-in's background thread. A name that could leave the tuning folder
// (it comes from a host or a stored program) and a missing file both give
// the standard tuning; the switch stays on, so the program keeps its tuning
// for a machine that has the file.
void APlugin::takeTuningRequest() {
    std::lock_guard lock(tuningFileLoad);
    if (!soundEngine.tuningHolder().takeRebuildRequest()) return;
    if (!getOnOff(tag::HAS_TUNING)) return;
    const std::string path = tuningFilePath(folders.tuningFileStr, readTuningName(storedTuningName()));
    soundEngine.tuningHolder().publish(path.empty() ? TTuningTable::identity() : readTuningFile(path).table);
}
