// The editor services whose machinery is not part of the plug-in yet: the user
// sample and the sample folders, and the Gator's step. Each answers a neutral value
// (0, false, an empty text, -1) or does nothing, so that the controls and the
// editor can be built and driven against the real plug-in meanwhile. They are
// kept together here to be replaced one by one.
#include "plugin/uPlugin.h"

// ---------------------------------------------------------------- the user sample

bool APlugin::getSampleLoaded() { return false; }
double APlugin::getSampleLength(int) { return 0; }
double APlugin::getSampleStart(int) { return 0; }
double APlugin::getSampleLoopStart(int) { return 0; }
double APlugin::getSampleLoopEnd(int) { return 0; }
void APlugin::setSampleStart(float) {}
void APlugin::setSampleLoopStart(float) {}
void APlugin::setSampleLoopEnd(float) {}
void APlugin::setSampleLoop(float, float) {}
void APlugin::setSampleStartDelta(float) {}
void APlugin::setSampleLoopStartDelta(float) {}
void APlugin::setSampleLoopEndDelta(float) {}
void APlugin::setSampleStartBySample(int) {}
void APlugin::setSampleLoopStartBySample(int) {}
void APlugin::setSampleLoopEndBySample(int) {}
void APlugin::setSamplePositions(int) {}
void APlugin::setDefaultSamplePositions() {}
void APlugin::setZeroCross(int, float) {}
bool APlugin::getSampleDisplayValue(float, float& left, float& right) {
    left = right = 0;
    return false;
}
void APlugin::normalizeSampleVol() {}
std::string APlugin::getLoadedSampleDisplayNameStr() { return {}; }
std::string APlugin::getLoadedSampleFolderNameStr() { return {}; }
std::string APlugin::getBadSampleStr() { return "!"; }
void APlugin::reloadSample() {}
void APlugin::updateLoadedSamples() {}
void APlugin::previewSample() {}
void APlugin::releasePreviewSample() {}

// ---------------------------------------------------------------- sample folders and the browser

std::string APlugin::getSampleFolderStr() { return {}; }
std::string APlugin::getExternalSampleDirStr() { return {}; }
void APlugin::setExternalSampleDir() {}
void APlugin::showKolbriSample() {}
void APlugin::showExternalSamples() {}
void APlugin::gotoHomeSampleFolder() {}
void APlugin::gotoSampleFolder() {}
void APlugin::goUpAFolder() {}
void APlugin::setSampleCurFolder(int) {}
void APlugin::createSampleFolder() {}
void APlugin::scanSampleFolder() {}
int APlugin::getNumOfSubFoldersInSampleFolder() { return 0; }
std::string APlugin::getSampleSubFolderDisplayNameStr(int) { return {}; }
std::string APlugin::getCurSampleFolderDisplayNameStr() { return {}; }
int APlugin::getNumOfSamplesInSampleFolder() { return 0; }
std::string APlugin::getSampleNoDisplayNameStr(int) { return {}; }
int APlugin::getSampleNo() { return -1; }
void APlugin::loadSelectedSample(int) {}
void APlugin::changeSampleDelta(int) {}
void APlugin::previewSampleFromFile(int) {}
void APlugin::importSampleFromDrag(const std::string&, int) {}
void APlugin::importSampleFromMenu() {}

// ---------------------------------------------------------------- effects

int APlugin::getGaterPos() { return soundEngine.getGaterPos(); }
