// Start-up: brings a freshly constructed APlugin into a playable state.
#include <string>

#include "platform/Paths.h"
#include "platform/Preferences.h"
#include "plugin/uPlugin.h"

namespace {

// Folder keys of the preference store; the sample roots' keys and the MIDI
// controller map ("0" to "127") live beside them.
const std::string ECS_DIR_KEY = "ECSDir";
const std::string HELP_KEY = "Help";
const std::string TUNING_KEY = "Tuning";

constexpr int SHORT_FOLDER_LIMIT = 127;

}  // namespace

void APlugin::initVariables() {
    // The value arrays and every attribute of the 1024 tags.
    initParameters();

    // The sample folders come first of the folders; the ECS folder is in the
    // store after the first start too.
    sampleLibrary.readFolders();
    folders.ecsDirStr = loadFolderFromPrefs(ECS_DIR_KEY, SHORT_FOLDER_LIMIT,
                                            platform::getDefaultFolderPath(platform::TDefaultFolder::ecs), true);
    // A stored manual path never takes effect: the manual is where the product
    // puts it. It is read all the same, so that a machine-wide value reaches
    // the user's store as the other keys' values do.
    std::string storedManual;
    loadStringFromPrefs(HELP_KEY, storedManual, SHORT_FOLDER_LIMIT);
    folders.helpPath = platform::getDefaultFolderPath(platform::TDefaultFolder::manual);
    folders.tuningFileStr = loadFolderFromPrefs(TUNING_KEY, SHORT_FOLDER_LIMIT,
                                                platform::getDefaultFolderPath(platform::TDefaultFolder::tuning), false);

    flags.previewPlaying = false;
    flags.popupActive = false;

    // The tuning, the MIDI preferences, the engine's tables and units, the
    // modulation engine and a reset.
    soundEngine.start();
    // The sample browser at its roots; the built-in sample bank comes last.
    sampleLibrary.start();
}

std::string APlugin::getManualPath() const { return folders.helpPath; }
