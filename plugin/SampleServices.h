// What the editor and the controls may ask of the sample library: the user
// sample (slot 194) and its positions, the sample folders and the browser.
// They reach it through TEditorServices::getSampleServices() and hold nothing
// else of it. Every operation here is called on the user-interface thread; an
// operation that reads a file or a folder waits while it reads, and the audio
// thread keeps playing meanwhile.
//
// Positions are in frames, as doubles; the setters take fractions of the
// user sample's length (the values of its parameters) and do nothing while
// the user sample is not usable.
#pragma once

#include <string>

class TSampleServices {
public:
    virtual ~TSampleServices() = default;

    // ---- the user sample (slot 194) and its positions
    virtual bool getSampleLoaded() = 0;
    virtual double getSampleLength(int slot) = 0;
    virtual double getSampleStart(int slot) = 0;
    virtual double getSampleLoopStart(int slot) = 0;
    virtual double getSampleLoopEnd(int slot) = 0;
    virtual void setSampleStart(float fraction) = 0;
    virtual void setSampleLoopStart(float fraction) = 0;
    virtual void setSampleLoopEnd(float fraction) = 0;
    virtual void setSampleLoop(float start, float end) = 0;
    virtual void setSampleStartDelta(float delta) = 0;
    virtual void setSampleLoopStartDelta(float delta) = 0;
    virtual void setSampleLoopEndDelta(float delta) = 0;
    virtual void setSampleStartBySample(int frame) = 0;
    virtual void setSampleLoopStartBySample(int frame) = 0;
    virtual void setSampleLoopEndBySample(int frame) = 0;
    virtual void setSamplePositions(int which) = 0;
    virtual void setDefaultSamplePositions() = 0;
    virtual void setZeroCross(int which, float direction) = 0;
    virtual bool getSampleDisplayValue(float position, float& left, float& right) = 0;
    virtual float getSampleVol() = 0;
    virtual void normalizeSampleVol() = 0;
    virtual std::string getLoadedSampleDisplayNameStr() = 0;
    virtual std::string getLoadedSampleFolderNameStr() = 0;
    virtual std::string getBadSampleStr() = 0;
    // "" while the built-in sample bank is whole; else the text to show the user.
    virtual std::string getSampleBankProblemStr() const = 0;
    virtual void reloadSample() = 0;
    virtual void updateLoadedSamples() = 0;
    virtual void previewSample() = 0;
    virtual void releasePreviewSample() = 0;

    // ---- sample folders and the browser
    virtual std::string getSampleFolderStr() = 0;
    virtual std::string getExternalSampleDirStr() = 0;
    virtual void setExternalSampleDir() = 0;
    virtual void showKolbriSample() = 0;
    virtual void showExternalSamples() = 0;
    virtual void gotoHomeSampleFolder() = 0;
    virtual void gotoSampleFolder() = 0;
    virtual void goUpAFolder() = 0;
    virtual void setSampleCurFolder(int index) = 0;
    virtual void createSampleFolder() = 0;
    virtual void scanSampleFolder() = 0;
    virtual int getNumOfSubFoldersInSampleFolder() = 0;
    virtual std::string getSampleSubFolderDisplayNameStr(int index) = 0;
    virtual std::string getCurSampleFolderDisplayNameStr() = 0;
    virtual int getNumOfSamplesInSampleFolder() = 0;
    virtual std::string getSampleNoDisplayNameStr(int index) = 0;
    virtual int getSampleNo() = 0;
    virtual void loadSelectedSample(int index) = 0;
    virtual void changeSampleDelta(int delta) = 0;
    virtual void previewSampleFromFile(int index) = 0;
    virtual void importSampleFromDrag(const std::string& path, int count) = 0;
    virtual void importSampleFromMenu() = 0;
};
