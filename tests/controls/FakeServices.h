// A stand-in for the plug-in behind the editor-services interface: a store of
// 1024 values with the plug-in's stepped and on/off rules, a few parameters
// described as the plug-in describes them, and a record of what it was asked.
// hostLog holds what a host would have heard ("begin 12", "automate 12 0.5",
// "end 12"); calls holds the other requests ("typed 41", "changeDelta 5 1").
#pragma once

#include <array>
#include <string>
#include <vector>

#include "plugin/EditorServices.h"

class TFakeServices : public TEditorServices {
public:
    TFakeServices();

    // Describes a parameter: display type, default, steps (-1 continuous), step range, on/off.
    void describe(int tag, int type, float defaultValue, int steps, float range, bool onOff);
    void setOrigValue(int tag, float value) {
        if (valid(tag))
            origValue[static_cast<size_t>(tag)] = value;
    }
    // Sets a value without recording anything.
    void put(int tag, float value) {
        if (valid(tag))
            values[static_cast<size_t>(tag)] = value;
    }

    std::vector<std::string> hostLog;
    std::vector<std::string> calls;
    std::vector<int> editTags;  // every tag the editor was told of, -1 at each end
    bool settingPreset = false;

    // ---- parameter values
    void setParameter(int tag, float value) override;
    void setParameterAutomated(int tag, float value) override;
    float getParameter(int tag) override;
    bool beginEdit(int tag) override;
    bool endEdit(int tag) override;
    bool getOnOff(int tag) const override;
    void setOn(int tag) override { setParameterAutomated(tag, 1.0f); }
    void setOff(int tag) override { setParameterAutomated(tag, 0.0f); }
    float getDefaultValue(int tag) const override;
    float getZeroValue(int) const override { return 0; }
    float getOrigValue(int tag) const override;
    void setToDefault(int tag) override { setParameterAutomated(tag, getDefaultValue(tag)); }
    void setToOrig(int tag) override { setParameterAutomated(tag, getOrigValue(tag)); }
    void copyParameter(int, int) override { calls.push_back("copyParameter"); }
    void swapParameter(int, int) override { calls.push_back("swapParameter"); }
    int getParamType(int tag) const override;
    int getTagDest(int) const override { return 0; }
    bool getHasControl(int) const override { return true; }

    // ---- stepped parameters
    int getSteppedNum(int tag) const override;
    float getSteppedRange(int tag) const override;
    int getSteppedValue(int tag) const override;
    int getSteppedValue(int tag, float value) const override;
    int getSteppedValue(int tag, float range, int count) const override;
    void setSteppedValue(int tag, int step) override;
    void setSteppedValue(int tag, int step, float range, int count) override;
    void setSteppedValueMax(int tag) override;
    void changeDelta(int tag, int delta, bool fine, float amount) override;
    void setNumValue(int tag) override { calls.push_back("typed " + std::to_string(tag)); }

    // ---- texts
    std::string getParameterDisplayStr(int tag) override { return "value " + std::to_string(tag); }
    std::string getParameterNameStr(int tag) override { return "name " + std::to_string(tag); }
    std::string getSrcShortStr(int source) const override;

    // ---- programs
    int getNumBuiltinPrograms() const override { return 70; }
    int getCurBuiltinProgram() const override { return 0; }
    std::string getDemoName(int) const override { return "Program"; }
    void setDemoProgram(int index) override { calls.push_back("setDemoProgram " + std::to_string(index)); }
    void changeDemoProgramDelta(int delta) override {
        calls.push_back("changeDemoProgramDelta " + std::to_string(delta));
    }
    bool getIsSettingPreset() const override { return settingPreset; }
    bool getEditChanged() const override { return false; }
    void origProgram() override {}
    void editProgram() override {}
    void clearProgram() override {}
    void doHardReset() override {}

    // ---- everything below is not asked by the controls; recorded by name
    void setEditorOpenState(bool, bool) override {}
    bool getPopupActive() const override { return false; }
    void setPopupActive(bool) override {}
    TEditorRequests takeEditorRequests() override { return {}; }
    void requestEditorRedraw() override {}
    void takeChangedTags(std::vector<int>&) override {}
    std::string getManualPath() const override { return {}; }
    bool getSampleLoaded() override { return false; }
    double getSampleLength(int) override { return 0; }
    double getSampleStart(int) override { return 0; }
    double getSampleLoopStart(int) override { return 0; }
    double getSampleLoopEnd(int) override { return 0; }
    void setSampleStart(float) override { other("setSampleStart"); }
    void setSampleLoopStart(float) override { other("setSampleLoopStart"); }
    void setSampleLoopEnd(float) override { other("setSampleLoopEnd"); }
    void setSampleLoop(float, float) override { other("setSampleLoop"); }
    void setSampleStartDelta(float) override { other("setSampleStartDelta"); }
    void setSampleLoopStartDelta(float) override { other("setSampleLoopStartDelta"); }
    void setSampleLoopEndDelta(float) override { other("setSampleLoopEndDelta"); }
    void setSampleStartBySample(int) override { other("setSampleStartBySample"); }
    void setSampleLoopStartBySample(int) override { other("setSampleLoopStartBySample"); }
    void setSampleLoopEndBySample(int) override { other("setSampleLoopEndBySample"); }
    void setSamplePositions(int) override { other("setSamplePositions"); }
    void setDefaultSamplePositions() override { other("setDefaultSamplePositions"); }
    void setZeroCross(int, float) override { other("setZeroCross"); }
    bool getSampleDisplayValue(float, float& left, float& right) override {
        left = right = 0;
        return false;
    }
    float getSampleVol() override { return 1; }
    void normalizeSampleVol() override { other("normalizeSampleVol"); }
    std::string getLoadedSampleDisplayNameStr() override { return {}; }
    std::string getLoadedSampleFolderNameStr() override { return {}; }
    std::string getBadSampleStr() override { return "!"; }
    void reloadSample() override { other("reloadSample"); }
    void updateLoadedSamples() override { other("updateLoadedSamples"); }
    void previewSample() override { other("previewSample"); }
    void releasePreviewSample() override { other("releasePreviewSample"); }
    std::string getSampleFolderStr() override { return {}; }
    std::string getExternalSampleDirStr() override { return {}; }
    void setExternalSampleDir() override { other("setExternalSampleDir"); }
    void showKolbriSample() override { other("showKolbriSample"); }
    void showExternalSamples() override { other("showExternalSamples"); }
    void gotoHomeSampleFolder() override { other("gotoHomeSampleFolder"); }
    void gotoSampleFolder() override { other("gotoSampleFolder"); }
    void goUpAFolder() override { other("goUpAFolder"); }
    void setSampleCurFolder(int) override { other("setSampleCurFolder"); }
    void createSampleFolder() override { other("createSampleFolder"); }
    void scanSampleFolder() override { other("scanSampleFolder"); }
    int getNumOfSubFoldersInSampleFolder() override { return 0; }
    std::string getSampleSubFolderDisplayNameStr(int) override { return {}; }
    std::string getCurSampleFolderDisplayNameStr() override { return {}; }
    int getNumOfSamplesInSampleFolder() override { return 0; }
    std::string getSampleNoDisplayNameStr(int) override { return {}; }
    int getSampleNo() override { return -1; }
    void loadSelectedSample(int) override { other("loadSelectedSample"); }
    void changeSampleDelta(int) override { other("changeSampleDelta"); }
    void previewSampleFromFile(int) override { other("previewSampleFromFile"); }
    void importSampleFromDrag(const std::string&, int) override { other("importSampleFromDrag"); }
    void importSampleFromMenu() override { other("importSampleFromMenu"); }
    void updateMIDIChannel(bool) override { other("updateMIDIChannel"); }
    void previewNoteOn() override { other("previewNoteOn"); }
    void previewNoteReleased() override { other("previewNoteReleased"); }
    void setMIDILatch(int, bool) override { other("setMIDILatch"); }
    void setMIDICCNum(int) override { other("setMIDICCNum"); }
    void resetMIDI() override { other("resetMIDI"); }
    void resetMIDICapture() override { other("resetMIDICapture"); }
    void loadECS() override { other("loadECS"); }
    void saveECS() override { other("saveECS"); }
    void loadTuning() override { other("loadTuning"); }
    void resetTuning() override { other("resetTuning"); }
    std::string getTuningName() override { return "Standard Tuning"; }
    int getModDest(int tag) override { return getSteppedValue(tag); }
    int getModSlotDest(int) override { return 0; }
    std::string getModSrcByModStr(int) override { return {}; }
    void setModSlotVar(int, bool, float, int, int) override { other("setModSlotVar"); }
    float getModValue(int tag) override { return getParameter(tag); }
    float getMovementValue(int, float) override { return 0; }
    float getMovementPos() override { return -1; }
    float getPan() override { return 0.5f; }
    int getLockState() const override { return 0; }
    void setLockState(int) override { other("setLockState"); }
    float getLockVar(int tag) override { return getParameter(tag); }
    int getGaterPos() override { return 0; }
    void getWaveDisplay(int, float, float*) override {}
    int getRibbonQuant() override { return 0; }
    int getRibbonSpringTime() override { return 0; }
    void setRibbbonSpringOff() override { other("setRibbbonSpringOff"); }
    void setRibbonSpringOn() override { other("setRibbonSpringOn"); }

private:
    static bool valid(int tag) { return static_cast<unsigned>(tag) < 1024u; }
    void other(const char* name) { calls.push_back(name); }

    std::array<float, 1024> values{};
    std::array<float, 1024> defaultValue{};
    std::array<float, 1024> origValue{};
    std::array<int, 1024> steppedNum{};
    std::array<float, 1024> steppedRange{};
    std::array<int, 1024> paramType{};
    std::array<bool, 1024> isOnOff{};
};
