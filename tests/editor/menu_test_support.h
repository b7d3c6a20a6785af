// The command menus' test bench: the plug-in with its editor open on the main
// screen, a host that records automation, the requests that end in modal
// windows noted, and menus opened by real clicks and answered by script.
#pragma once

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editor_test_support.h"
#include "plugin/sample_services_relay.h"
#include "tools/testhost/MidiEventList.h"

namespace editor_test {

// What the host heard of automation: tag and value.
inline std::vector<std::pair<int, float>>* automations = nullptr;

inline vst::intptr automationHost(vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr, void*, float value) {
    if (opcode == vst::audioMasterVersion)
        return 2400;
    if (opcode == vst::audioMasterAutomate && automations)
        automations->push_back({index, value});
    return 0;
}

// The plug-in, noting the requests whose work lies in modal windows; its
// sample library reaches the editor through the relay below.
class TMenuPlugin : private TSampleServicesRelay, public APlugin {
public:
    using Relay = TSampleServicesRelay;
    TMenuPlugin() : APlugin(automationHost) { relayTo(APlugin::getSampleServices()); }
    TSampleServices& getSampleServices() override { return *this; }
    void setNumValue(int tag) override {
        typed.push_back(tag);
        APlugin::setNumValue(tag);
    }
    void loadECS() override {
        ecsCalls.push_back("load");
        APlugin::loadECS();
    }
    void saveECS() override {
        ecsCalls.push_back("save");
        APlugin::saveECS();
    }
    void doHardReset() override {
        ++hardResets;
        APlugin::doHardReset();
    }

    // The user sample and the folders: each call is noted ("setZeroCross 2 -1")
    // and then served by the plug-in. With pretendLoaded the menus see a
    // loaded sample of sampleLength frames (starting at pretendStart, when
    // given) whatever the plug-in holds.
#define KOLBRI_NOTED(name, ...) noted(#name __VA_OPT__(, ) __VA_ARGS__)
    bool getSampleLoaded() override { return pretendLoaded || Relay::getSampleLoaded(); }
    double getSampleLength(int slot) override {
        return pretendLoaded && slot == 194 ? sampleLength : Relay::getSampleLength(slot);
    }
    double getSampleStart(int slot) override {
        return pretendStart && slot == 194 ? *pretendStart : Relay::getSampleStart(slot);
    }
    void setSampleStart(float f) override { KOLBRI_NOTED(setSampleStart, f); Relay::setSampleStart(f); }
    void setSampleLoopStart(float f) override { KOLBRI_NOTED(setSampleLoopStart, f); Relay::setSampleLoopStart(f); }
    void setSampleLoopEnd(float f) override { KOLBRI_NOTED(setSampleLoopEnd, f); Relay::setSampleLoopEnd(f); }
    void setSampleLoop(float a, float b) override { KOLBRI_NOTED(setSampleLoop, a, b); Relay::setSampleLoop(a, b); }
    void setSampleStartDelta(float d) override { KOLBRI_NOTED(setSampleStartDelta, d); Relay::setSampleStartDelta(d); }
    void setSampleLoopStartDelta(float d) override {
        KOLBRI_NOTED(setSampleLoopStartDelta, d); Relay::setSampleLoopStartDelta(d);
    }
    void setSampleLoopEndDelta(float d) override {
        KOLBRI_NOTED(setSampleLoopEndDelta, d); Relay::setSampleLoopEndDelta(d);
    }
    void setSampleStartBySample(int n) override {
        KOLBRI_NOTED(setSampleStartBySample, n); Relay::setSampleStartBySample(n);
    }
    void setSampleLoopStartBySample(int n) override {
        KOLBRI_NOTED(setSampleLoopStartBySample, n); Relay::setSampleLoopStartBySample(n);
    }
    void setSampleLoopEndBySample(int n) override {
        KOLBRI_NOTED(setSampleLoopEndBySample, n); Relay::setSampleLoopEndBySample(n);
    }
    void setSamplePositions(int k) override { KOLBRI_NOTED(setSamplePositions, k); Relay::setSamplePositions(k); }
    void setDefaultSamplePositions() override { KOLBRI_NOTED(setDefaultSamplePositions); Relay::setDefaultSamplePositions(); }
    void setZeroCross(int k, float d) override { KOLBRI_NOTED(setZeroCross, k, d); Relay::setZeroCross(k, d); }
    void normalizeSampleVol() override { KOLBRI_NOTED(normalizeSampleVol); Relay::normalizeSampleVol(); }
    void reloadSample() override { KOLBRI_NOTED(reloadSample); Relay::reloadSample(); }
    void updateLoadedSamples() override { KOLBRI_NOTED(updateLoadedSamples); Relay::updateLoadedSamples(); }
    void setExternalSampleDir() override { KOLBRI_NOTED(setExternalSampleDir); Relay::setExternalSampleDir(); }
    void showKolbriSample() override { KOLBRI_NOTED(showKolbriSample); Relay::showKolbriSample(); }
    void showExternalSamples() override { KOLBRI_NOTED(showExternalSamples); Relay::showExternalSamples(); }
    void gotoHomeSampleFolder() override { KOLBRI_NOTED(gotoHomeSampleFolder); Relay::gotoHomeSampleFolder(); }
    void gotoSampleFolder() override { KOLBRI_NOTED(gotoSampleFolder); Relay::gotoSampleFolder(); }
    void goUpAFolder() override { KOLBRI_NOTED(goUpAFolder); Relay::goUpAFolder(); }
    void createSampleFolder() override { KOLBRI_NOTED(createSampleFolder); Relay::createSampleFolder(); }
    void scanSampleFolder() override { KOLBRI_NOTED(scanSampleFolder); Relay::scanSampleFolder(); }
    void importSampleFromMenu() override { KOLBRI_NOTED(importSampleFromMenu); Relay::importSampleFromMenu(); }
    std::string getSampleFolderStr() override {
        return sampleFolder ? *sampleFolder : Relay::getSampleFolderStr();
    }
#undef KOLBRI_NOTED

    std::vector<int> typed;
    std::vector<std::string> ecsCalls;
    int hardResets = 0;
    std::vector<std::string> sampleCalls;
    bool pretendLoaded = false;
    double sampleLength = 48000;
    std::optional<double> pretendStart;
    std::optional<std::string> sampleFolder;

private:
    template <typename... Values>
    void noted(const char* name, Values... values) {
        std::string call = name;
        ((call += " " + formatted(values)), ...);
        sampleCalls.push_back(call);
    }
    static std::string formatted(float value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
        return text;
    }
    static std::string formatted(int value) { return std::to_string(value); }
};

struct TMenuBench : TEditorBench {
    TMenuBench() : TEditorBench(0, true, [] { return std::make_unique<TMenuPlugin>(); }) {
        automations = &heard;
        // A filter type and every effect on, so that their knobs take the
        // mouse: the idle pass bypasses the knobs of a section that is off,
        // and a bypassed knob ignores the mouse.
        plugin->setSteppedValue(27, 1);
        for (int section : {77, 81, 90, 100})
            plugin->setOn(section);
        editor->showMainScreen();
        idle();
    }
    ~TMenuBench() { automations = nullptr; }
    TMenuBench(const TMenuBench&) = delete;
    TMenuBench& operator=(const TMenuBench&) = delete;

    TMenuPlugin& observed() { return static_cast<TMenuPlugin&>(*plugin); }
    // The sample library as the editor reaches it.
    TSampleServices& samples() { return plugin->getSampleServices(); }

    // Clicks the view (the right button opens a parameter's menu) and answers
    // the menu it opens with path, or dismisses it. The menu as it was shown.
    kgui::MenuSnapshot openMenu(kgui::CView* view, const std::vector<std::string>& path,
                          kgui::CButtonState buttons = kgui::kRButton) {
        const size_t shownBefore = target.getShownMenus().size();
        path.empty() ? target.dismissNext() : target.chooseNext(path);
        clock.advance(1000);
        target.mouseDown(centreOf(view), buttons);
        target.mouseUp(centreOf(view), buttons);
        idle();
        EXPECT_TRUE(target.getUnresolvedChoices().empty()) << "no entry " << path.back();
        if (target.getShownMenus().size() == shownBefore) {
            ADD_FAILURE() << "no menu was shown";
            return {};
        }
        return target.getShownMenus().back();
    }

    // The host heard automation of tag (with value, when given).
    bool automated(int tag, std::optional<float> value = {}) const {
        return std::any_of(heard.begin(), heard.end(),
                           [&](auto entry) { return entry.first == tag && (!value || entry.second == *value); });
    }

    void controller(int number, int value) {
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        testhost::MidiEventList list{testhost::midiMessage(0xB0, number, value)};
        plugin->processEvents(list.events());
        plugin->processReplacing(nullptr, outputs, 64);
    }

    // No slot, Movement or Free LFO destination aims anywhere.
    void clearRoutes() {
        for (int slot = 0; slot < 4; ++slot)
            plugin->setModSlotVar(slot, false, 0.5f, 0, 0);
        for (int tag : {59, 60, 73, 74})
            plugin->setSteppedValue(tag, 0);
    }

    // A menu parameter to a step, or a switch on (1) or off (0), then the idle
    // passes that bring the panels in line.
    void setStepOrSwitch(int tag, int value) {
        if (plugin->getSteppedNum(tag) > 0)
            plugin->setSteppedValue(tag, value);
        else
            plugin->setParameter(tag, static_cast<float>(value));
        idle();
        idle();
    }

    std::vector<std::pair<int, float>> heard;
};

// The entry after the one titled heading, or empty.
inline std::string entryAfter(const kgui::MenuSnapshot& menu, const std::string& heading) {
    for (size_t i = 0; i + 1 < menu.entries.size(); ++i)
        if (menu.entries[i].title == heading)
            return menu.entries[i + 1].title;
    return {};
}

inline std::string storedText(const std::string& key) {
    std::string value;
    loadStringFromPrefs(key, value, 127);
    return value;
}

}  // namespace editor_test
