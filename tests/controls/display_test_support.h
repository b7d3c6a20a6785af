// What the display tests share: an editor stand-in that also serves the
// editor's images from the bundle and records the display calls, the plug-in
// itself with the services it does not have yet served from real data (a WAV
// file's frames as the user sample, a folder on disk as the browser's
// folder, a Gator step), and a bench over both.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "control_test_support.h"
#include "plugin/sample_services_relay.h"
#include "tools/testhost/TestHost.h"

// The editor with its images: each id at the host's size, loaded from the
// bundle's Resources folder that the build paints.
class TDisplayHost : public TTestHost {
public:
    explicit TDisplayHost(TObservedPlugin* plugin);
    ~TDisplayHost() override;

    kgui::CBitmap* getControlBitmap(int id) override;
    void showMovementMenu() override { log.push_back("showMovementMenu"); }
    void showOutputMenu() override { log.push_back("showOutputMenu"); }
    void showModFXMenu() override { log.push_back("showModFXMenu"); }
    void showSampleFileMenu() override { log.push_back("showSampleFileMenu"); }
    void showSampleCommandMenu() override { log.push_back("showSampleCommandMenu"); }
    void setMoveUndo() override { log.push_back("setMoveUndo"); }
    void setModFXUndo() override { log.push_back("setModFXUndo"); }
    void setMainScreenDirty() override { log.push_back("setMainScreenDirty"); }
    void setSampleScreenDirty() override { log.push_back("setSampleScreenDirty"); }
    void resetSampleScreen() override { log.push_back("resetSampleScreen"); }
    bool logged(const std::string& entry) const;

private:
    std::map<int, kgui::CBitmap*> images;
};

// The plug-in itself, with the services that it does not have yet (the user
// sample, the sample folders, the Gator's step) served from real files: the
// browse tree under root, the user sample read from a WAV file, the sample
// points in the plug-in's own parameters, with the rules the plug-in is to
// follow. The calls the displays make of those services are noted in calls.
class TDisplayServices : public TSampleServicesRelay, public TObservedPlugin {
public:
    TDisplayServices() { relayTo(APlugin::getSampleServices()); }
    // The displays reach the stand-ins below through the editor's services.
    TSampleServices& getSampleServices() override { return *this; }
    void setRoot(const std::filesystem::path& folder);
    // Loads a WAV file as the user sample; false (and the failure text) when it does not read.
    bool loadSample(const std::filesystem::path& file);
    bool called(const std::string& entry) const;
    // A plain store, as the plug-in's own code stores (the host is not told).
    void put(int tag, float value) { APlugin::setParameter(tag, value); }
    // A value of the program as loaded (what Ctrl+Shift-clicks restore).
    void setOrigValue(int tag, float value) {
        TPluginTestAccess::values(*this).origValue[static_cast<size_t>(tag)] = value;
    }
    // Renders blocks of 512 frames; the mono output (L + R) / 2.
    std::vector<float> render(int blocks);
    void noteOn(int note);
    int redrawRequests = 0;
    int gaterPos = 0;

    bool getSampleLoaded() override { return present; }
    double getSampleLength(int slot) override;
    double getSampleStart(int slot) override { return point(slot, 246); }
    double getSampleLoopStart(int slot) override { return point(slot, 247); }
    double getSampleLoopEnd(int slot) override { return point(slot, 248); }
    void setSampleStart(float f) override;
    void setSampleLoopStart(float f) override;
    void setSampleLoopEnd(float f) override;
    void setDefaultSamplePositions() override;
    bool getSampleDisplayValue(float position, float& left, float& right) override;
    float getSampleVol() override;
    std::string getLoadedSampleDisplayNameStr() override;
    std::string getBadSampleStr() override { return badSample; }
    void updateLoadedSamples() override { calls.push_back("updateLoadedSamples"); }
    void previewSample() override { calls.push_back("previewSample"); }
    void releasePreviewSample() override { calls.push_back("releasePreviewSample"); }
    void previewSampleFromFile(int index) override;

    void gotoHomeSampleFolder() override;
    void goUpAFolder() override;
    void setSampleCurFolder(int index) override;
    void scanSampleFolder() override;
    int getNumOfSubFoldersInSampleFolder() override { return static_cast<int>(subFolders.size()); }
    std::string getSampleSubFolderDisplayNameStr(int index) override;
    std::string getCurSampleFolderDisplayNameStr() override;
    int getNumOfSamplesInSampleFolder() override { return static_cast<int>(files.size()); }
    std::string getSampleNoDisplayNameStr(int index) override;
    int getSampleNo() override;
    void loadSelectedSample(int index) override;
    void changeSampleDelta(int delta) override;
    void importSampleFromDrag(const std::string& path, int count) override;
    void requestEditorRedraw() override { ++redrawRequests; }

    int getGaterPos() override { return gaterPos; }
    void setRibbbonSpringOff() override {
        calls.push_back("setRibbbonSpringOff");
        APlugin::setRibbbonSpringOff();
    }
    void setRibbonSpringOn() override {
        calls.push_back("setRibbonSpringOn");
        APlugin::setRibbonSpringOn();
    }

    std::filesystem::path root, folder, loadedFile;
    std::vector<std::string> subFolders, files;
    testhost::Stereo sample;
    bool stereo = false;

private:
    double point(int slot, int tag);
    void scan();

    bool present = false;
    std::string badSample = "!";
};

// A fresh temporary folder, removed with the object.
struct TTempFolder {
    TTempFolder();
    ~TTempFolder();
    std::filesystem::path path;
};
// A WAV file of the given frames: a decaying tone, its right channel a fifth above.
void writeToneWav(const std::filesystem::path& file, long frames, bool stereo, double sampleRate = 48000);

// The plug-in (of the given kind) with the editor stand-in and an open frame
// of the given size, the start program applied, the toolkit clock held still
// so that only the tests make double clicks; hostLog holds what a host heard.
template <typename Services = TDisplayServices>
struct TDisplayBench {
    explicit TDisplayBench(const kgui::CRect& rect = kgui::CRect(0, 0, 1200, 500), int big = 0)
        : owned(std::make_unique<Services>()), services(*owned), host(*new TDisplayHost(owned.get())) {
        controls_test::heardByHost = &hostLog;
        services.setEditor(&host);  // the plug-in owns its editor
        host.big = big;
        host.openFrame(rect);
        // The start program, applied at the first housekeeping as a host's blocks apply it.
        std::vector<float> left(512), right(512);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < 20; ++block)
            services.processReplacing(nullptr, outputs, 512);
        hostLog.clear();
    }
    ~TDisplayBench() {
        // The controls leave while the plug-in they report to still exists.
        host.closeFrame();
        controls_test::heardByHost = nullptr;
    }
    TDisplayBench(const TDisplayBench&) = delete;
    TDisplayBench& operator=(const TDisplayBench&) = delete;

    void press(kgui::CPoint where, kgui::CButtonState buttons = kgui::kLButton) {
        clock.advance(1000);
        host.target.mouseDown(where, buttons);
    }
    void click(kgui::CPoint where, kgui::CButtonState buttons = kgui::kLButton) {
        press(where, buttons);
        host.target.mouseUp(where, buttons);
    }
    void doubleClick(kgui::CPoint where) {
        click(where);
        clock.advance(100);
        host.target.click(where, kgui::kLButton);
    }
    void drag(kgui::CPoint from, kgui::CPoint to, kgui::CButtonState buttons = kgui::kLButton) {
        press(from, buttons);
        host.target.mouseMoved(to, buttons);
        host.target.mouseUp(to, buttons);
    }
    const std::vector<kgui::DrawOp>& draw() {
        host.target.getRecorder().clear();
        host.target.renderAll();
        return host.target.getRecorder().ops;
    }

    kgui::TestClock clock;
    std::vector<std::string> hostLog;
    std::unique_ptr<Services> owned;
    Services& services;
    TDisplayHost& host;
};

// Whether two PNG files agree but for text rasterisation; why not, in the message.
::testing::AssertionResult imagesAgree(const std::string& rendered, const std::string& golden);
// Where a rendered picture goes, and the stored one it is held against;
// with KOLBRI_UPDATE_GOLDEN set the rendered one is stored instead.
::testing::AssertionResult matchesGolden(const std::string& rendered, const std::string& name);
