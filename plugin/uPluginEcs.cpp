// ECS files: the controller map of MIDI learn saved to and loaded from a
// file the user chooses. A file is taken whole or not at all; the map loaded
// is kept in the preferences too, as MIDI learn keeps it.
#include "engine/EcsFile.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "platform/Preferences.h"
#include "plugin/uPlugin.h"

namespace {

const std::string ECS_PROBLEM_TEXT = "Problem with ECS File";

}  // namespace

void APlugin::loadECS() {
    std::string spare, folder, path;
    fileSelectLoadDirStr("Load ECS", folders.ecsDirStr, "Load", "*.ecs", spare, folder, path);
    if (path.empty()) return;
    TEcsMap map{};
    if (!readEcsFile(path, map)) {
        messageBox(ECS_PROBLEM_TEXT, MESSAGE_BOX_OK_ONLY);
        return;
    }
    soundEngine.setControllerMap(map);
    // The map is on disk now rather than within the store's next write.
    platform::flushPreferences();
}

void APlugin::saveECS() {
    std::string folder, path;
    fileSelectSaveDirStr("Save ECS", folders.ecsDirStr, "Save", "Kolbri.ecs", folder, path);
    if (path.empty()) return;
    if (!writeEcsFile(path, soundEngine.getControllerMap())) messageBox(ECS_PROBLEM_TEXT, MESSAGE_BOX_OK_ONLY);
}
