// TSampleLibrary: the user sample (slot 194) and the sample folders. It keeps
// the two roots and the browser's state, loads the chosen file into the
// engine's user-sample slot, auditions files, imports and creates, and keeps
// the loaded file's path in the program (parameters 251..314) so that the
// program finds it again. The plug-in holds one by value and hands it to the
// editor as its TSampleServices; a test can build one over an engine and a
// parameter store of its own.
//
// Threads:
//   - readFolders() and start(): once each, in that order, on the thread that
//     builds the plug-in, before the background thread or the audio thread
//     run.
//   - takeUserSampleRequest(): the background thread's sample job (or whoever
//     runs the worker's pass, never the audio thread).
//   - every other operation: the editor's thread (tests: any thread but the
//     audio thread).
//   - the audio thread never calls in. Program application there only raises
//     a load request on the engine's slot
//     (TSoundEngine::requestUserSampleForProgram), which the sample job takes.
// One lock, the browser's, guards the roots and the browser's state. It is
// held while a folder is scanned or a file read, copied or published to the
// engine's slot. Nothing else takes it, and the parameter store that a load
// writes to meanwhile takes no lock of its own.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugin/SampleBrowser.h"
#include "plugin/SampleServices.h"

class TSampleData;
class TSoundEngine;
struct THandOffFlags;
struct TSampleBankTables;

// What the library asks of the plug-in around it: the parameter store, under
// the store's own rules (clamping, the program record, the editor's marks;
// setOn, setOff, setToDefault and setSteppedValue tell the host as well).
// The sample job reads values from the background thread, writes come from
// the editor's thread only.
class TSampleLibraryHost {
public:
    virtual ~TSampleLibraryHost() = default;
    virtual float getParameter(int tag) = 0;
    virtual void setParameter(int tag, float value) = 0;
    virtual bool getOnOff(int tag) const = 0;
    virtual void setOn(int tag) = 0;
    virtual void setOff(int tag) = 0;
    virtual void setToDefault(int tag) = 0;
    virtual int getSteppedValue(int tag) const = 0;
    virtual void setSteppedValue(int tag, int step) = 0;
};

class TSampleLibrary final : public TSampleServices {
public:
    TSampleLibrary(TSoundEngine& engine, THandOffFlags& handOff, TSampleLibraryHost& plugin);
    TSampleLibrary(const TSampleLibrary&) = delete;
    TSampleLibrary& operator=(const TSampleLibrary&) = delete;

    // Start-up, in two steps. First the roots from the preferences (before
    // any other folder is read); then, once the engine has started, both
    // trees browsed from their roots and, the last of the start-up, the
    // process's sample bank for the engine.
    void readFolders();
    void start();
    // The worker's sample job: the load a program asked for, replaced
    // samples freed.
    void takeUserSampleRequest();

    // ---- the user sample (slot 194) and its positions
    bool getSampleLoaded() override;
    double getSampleLength(int slot) override;
    double getSampleStart(int slot) override;
    double getSampleLoopStart(int slot) override;
    double getSampleLoopEnd(int slot) override;
    void setSampleStart(float fraction) override;
    void setSampleLoopStart(float fraction) override;
    void setSampleLoopEnd(float fraction) override;
    void setSampleLoop(float start, float end) override;
    void setSampleStartDelta(float delta) override;
    void setSampleLoopStartDelta(float delta) override;
    void setSampleLoopEndDelta(float delta) override;
    void setSampleStartBySample(int frame) override;
    void setSampleLoopStartBySample(int frame) override;
    void setSampleLoopEndBySample(int frame) override;
    void setSamplePositions(int which) override;
    void setDefaultSamplePositions() override;
    void setZeroCross(int which, float direction) override;
    bool getSampleDisplayValue(float position, float& left, float& right) override;
    float getSampleVol() override;
    void normalizeSampleVol() override;
    std::string getLoadedSampleDisplayNameStr() override;
    std::string getLoadedSampleFolderNameStr() override;
    std::string getBadSampleStr() override;
    std::string getSampleBankProblemStr() const override;
    void reloadSample() override;
    void updateLoadedSamples() override;
    void previewSample() override;
    void releasePreviewSample() override;
    // Whether the chosen sample (parameter 19) loops by itself: a built-in
    // sample with a loop of its own; never the user sample.
    bool getSampleHasLoop();

    // ---- sample folders and the browser
    std::string getSampleFolderStr() override;
    std::string getExternalSampleDirStr() override;
    void setExternalSampleDir() override;
    void showKolbriSample() override;
    void showExternalSamples() override;
    void gotoHomeSampleFolder() override;
    void gotoSampleFolder() override;
    void goUpAFolder() override;
    void setSampleCurFolder(int index) override;
    void createSampleFolder() override;
    void scanSampleFolder() override;
    int getNumOfSubFoldersInSampleFolder() override;
    std::string getSampleSubFolderDisplayNameStr(int index) override;
    std::string getCurSampleFolderDisplayNameStr() override;
    int getNumOfSamplesInSampleFolder() override;
    std::string getSampleNoDisplayNameStr(int index) override;
    int getSampleNo() override;
    void loadSelectedSample(int index) override;
    void changeSampleDelta(int delta) override;
    void previewSampleFromFile(int index) override;
    void importSampleFromDrag(const std::string& path, int count) override;
    void importSampleFromMenu() override;
    // 0 <= index < the number of files of the last scan.
    bool isValidSampleNo(int index);
    // "Use External Sample Directory On/Off" (parameter 250).
    bool getUsesExternalSample();

private:
    friend struct TPluginTestAccess;  // the plug-in's tests read the roots

    // The user sample's data while it is usable (loaded from its folder,
    // "Sample Loaded" on), else null; and its length (0 below 100 frames).
    std::shared_ptr<const TSampleData> usableUserSample() const;
    double userSampleFrames() const;
    // The bank's tables for a built-in sample number (0..193), else null.
    const TSampleBankTables* builtInTables(int slot) const;
    // Under browser.lock:
    // The relative path the program keeps in 251..314, as it names a file of the root.
    std::string storedSamplePathLocked() const;
    const std::string& sampleRootLocked() const;
    std::string& browseFolderLocked();
    void scanLocked();
    void ensureScannedLocked();
    // One of the last scan's lists (scanned first when none was made): its
    // size, and entry index when 0 <= index < size.
    using TSampleList = std::vector<std::string> TSampleFolderListing::*;
    int listedCountLocked(TSampleList list);
    std::optional<std::string> listedNameLocked(TSampleList list, int index);
    void setSampleNoLocked();
    void setSampleInProgram(const std::string& fullPath);
    bool loadUserSampleLocked(const std::string& path);
    void loadSelectedLocked(int index);
    void loadSampleLocked();
    void reloadSampleLocked();
    // The current tree's browse folder moved (where(folder, root)), rescanned, reselected.
    void browseTo(const std::function<std::string(const std::string& folder, const std::string& root)>& where);

    TSoundEngine& engine;
    THandOffFlags& handOff;
    TSampleLibraryHost& plugin;
    TSampleFolders folders;
    TSampleBrowser browser;
};
