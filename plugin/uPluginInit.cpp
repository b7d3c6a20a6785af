// Start-up: brings a freshly constructed APlugin into a playable state.
#include <algorithm>
#include <cmath>

#include "platform/Paths.h"
#include "platform/Preferences.h"
#include "plugin/uPlugin.h"

namespace {

// Folder keys of the preference store; the MIDI controller map lives beside
// them under "0" to "127".
const std::string SAMPLE_DIR_KEY = "SampleDir";
const std::string EXTERNAL_SAMPLE_DIR_KEY = "ExternalSampleDir";
const std::string ECS_DIR_KEY = "ECSDir";
const std::string HELP_KEY = "Help";
const std::string TUNING_KEY = "Tuning";

constexpr int LONG_FOLDER_LIMIT = 255;
constexpr int SHORT_FOLDER_LIMIT = 127;

}  // namespace

void APlugin::initVariables() {
    // The value arrays and every attribute of the 1024 tags.
    initParameters();

    // Folders. The three that write back are in the store after the first start.
    const std::string samples = platform::getDefaultFolderPath(platform::TDefaultFolder::samples);
    folders.homeSampleDir = loadFolderFromPrefs(SAMPLE_DIR_KEY, LONG_FOLDER_LIMIT, samples, true);
    folders.importSampleDir = folders.homeSampleDir;
    folders.externalSampleDir = loadFolderFromPrefs(EXTERNAL_SAMPLE_DIR_KEY, LONG_FOLDER_LIMIT, samples, true);
    folders.ecsDirStr = loadFolderFromPrefs(ECS_DIR_KEY, SHORT_FOLDER_LIMIT,
                                            platform::getDefaultFolderPath(platform::TDefaultFolder::ecs), true);
    // A stored manual path never takes effect: the manual is where the product puts it.
    folders.helpPath = platform::getDefaultFolderPath(platform::TDefaultFolder::manual);
    folders.tuningFileStr = loadFolderFromPrefs(TUNING_KEY, SHORT_FOLDER_LIMIT,
                                                platform::getDefaultFolderPath(platform::TDefaultFolder::tuning), false);

    flags.previewPlaying = false;
    flags.popupActive = false;

    // The tuning, the MIDI preferences, the engine's tables and units, the
    // modulation engine and a reset.
    soundEngine.start();
}

std::string APlugin::getManualPath() const { return folders.helpPath; }

// -40 to +40 dB over the parameter's range.
float APlugin::getSampleVol() {
    constexpr int SAMPLE_VOLUME_TAG = 245;
    return std::pow(10.0f, (getParameter(SAMPLE_VOLUME_TAG) * 80.0f - 40.0f) / 20.0f);
}
