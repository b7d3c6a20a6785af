// A TSampleServices that passes every call on to another: the base of test
// stand-ins that note or replace a few of the sample library's operations and
// leave the rest to the plug-in's own library. A stand-in names it as its
// first base and points it at the library once the plug-in is built: a base
// placed after the plug-in (megabytes of parameters) would lie further from
// the object's start than the sanitizer's dynamic type check accepts.
#pragma once

#include <string>

#include "plugin/SampleServices.h"

class TSampleServicesRelay : public TSampleServices {
public:
    void relayTo(TSampleServices& target) { to = &target; }

    // ---- the user sample (slot 194) and its positions
    bool getSampleLoaded() override { return to->getSampleLoaded(); }
    double getSampleLength(int slot) override { return to->getSampleLength(slot); }
    double getSampleStart(int slot) override { return to->getSampleStart(slot); }
    double getSampleLoopStart(int slot) override { return to->getSampleLoopStart(slot); }
    double getSampleLoopEnd(int slot) override { return to->getSampleLoopEnd(slot); }
    void setSampleStart(float fraction) override { to->setSampleStart(fraction); }
    void setSampleLoopStart(float fraction) override { to->setSampleLoopStart(fraction); }
    void setSampleLoopEnd(float fraction) override { to->setSampleLoopEnd(fraction); }
    void setSampleLoop(float start, float end) override { to->setSampleLoop(start, end); }
    void setSampleStartDelta(float delta) override { to->setSampleStartDelta(delta); }
    void setSampleLoopStartDelta(float delta) override { to->setSampleLoopStartDelta(delta); }
    void setSampleLoopEndDelta(float delta) override { to->setSampleLoopEndDelta(delta); }
    void setSampleStartBySample(int frame) override { to->setSampleStartBySample(frame); }
    void setSampleLoopStartBySample(int frame) override { to->setSampleLoopStartBySample(frame); }
    void setSampleLoopEndBySample(int frame) override { to->setSampleLoopEndBySample(frame); }
    void setSamplePositions(int which) override { to->setSamplePositions(which); }
    void setDefaultSamplePositions() override { to->setDefaultSamplePositions(); }
    void setZeroCross(int which, float direction) override { to->setZeroCross(which, direction); }
    bool getSampleDisplayValue(float position, float& left, float& right) override {
        return to->getSampleDisplayValue(position, left, right);
    }
    float getSampleVol() override { return to->getSampleVol(); }
    void normalizeSampleVol() override { to->normalizeSampleVol(); }
    std::string getLoadedSampleDisplayNameStr() override { return to->getLoadedSampleDisplayNameStr(); }
    std::string getLoadedSampleFolderNameStr() override { return to->getLoadedSampleFolderNameStr(); }
    std::string getBadSampleStr() override { return to->getBadSampleStr(); }
    std::string getSampleBankProblemStr() const override { return to->getSampleBankProblemStr(); }
    void reloadSample() override { to->reloadSample(); }
    void updateLoadedSamples() override { to->updateLoadedSamples(); }
    void previewSample() override { to->previewSample(); }
    void releasePreviewSample() override { to->releasePreviewSample(); }

    // ---- sample folders and the browser
    std::string getSampleFolderStr() override { return to->getSampleFolderStr(); }
    std::string getExternalSampleDirStr() override { return to->getExternalSampleDirStr(); }
    void setExternalSampleDir() override { to->setExternalSampleDir(); }
    void showKolbriSample() override { to->showKolbriSample(); }
    void showExternalSamples() override { to->showExternalSamples(); }
    void gotoHomeSampleFolder() override { to->gotoHomeSampleFolder(); }
    void gotoSampleFolder() override { to->gotoSampleFolder(); }
    void goUpAFolder() override { to->goUpAFolder(); }
    void setSampleCurFolder(int index) override { to->setSampleCurFolder(index); }
    void createSampleFolder() override { to->createSampleFolder(); }
    void scanSampleFolder() override { to->scanSampleFolder(); }
    int getNumOfSubFoldersInSampleFolder() override { return to->getNumOfSubFoldersInSampleFolder(); }
    std::string getSampleSubFolderDisplayNameStr(int index) override {
        return to->getSampleSubFolderDisplayNameStr(index);
    }
    std::string getCurSampleFolderDisplayNameStr() override { return to->getCurSampleFolderDisplayNameStr(); }
    int getNumOfSamplesInSampleFolder() override { return to->getNumOfSamplesInSampleFolder(); }
    std::string getSampleNoDisplayNameStr(int index) override { return to->getSampleNoDisplayNameStr(index); }
    int getSampleNo() override { return to->getSampleNo(); }
    void loadSelectedSample(int index) override { to->loadSelectedSample(index); }
    void changeSampleDelta(int delta) override { to->changeSampleDelta(delta); }
    void previewSampleFromFile(int index) override { to->previewSampleFromFile(index); }
    void importSampleFromDrag(const std::string& path, int count) override { to->importSampleFromDrag(path, count); }
    void importSampleFromMenu() override { to->importSampleFromMenu(); }

private:
    TSampleServices* to = nullptr;
};
