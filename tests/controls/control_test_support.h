// The controls' world for tests: the plug-in itself, built with a host
// callback that records what a host hears, and an editor stand-in over a frame
// opened off screen that listens to the controls as the editor does (a
// parameter control's change goes on to the plug-in with automation) and
// records every other call a control makes of it.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/ControlHost.h"
#include "plugin/EditorHooks.h"
#include "plugin/plugin_test_access.h"
#include "plain_program.h"
#include "plugin/uPlugin.h"
#include "toolkit/kgui.h"

namespace controls_test {

// "begin 12", "automate 12 0.5", "end 12": what the host of the bench alive now heard.
inline std::vector<std::string>* heardByHost = nullptr;

inline std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

inline vst::intptr recordingHost(vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr, void*, float value) {
    if (!heardByHost)
        return 0;
    if (opcode == vst::audioMasterBeginEdit)
        heardByHost->push_back("begin " + std::to_string(index));
    else if (opcode == vst::audioMasterEndEdit)
        heardByHost->push_back("end " + std::to_string(index));
    else if (opcode == vst::audioMasterAutomate)
        heardByHost->push_back("automate " + std::to_string(index) + " " + number(value));
    return 0;
}

}  // namespace controls_test

// The plug-in, noting the requests whose effect a test cannot see in the
// store: typed entry (a modal window) and stepping.
class TObservedPlugin : public APlugin {
public:
    // The controls are drawn over the plain sound, whatever program 0 is.
    TObservedPlugin() : APlugin(controls_test::recordingHost) { loadPlainProgram(*this); }
    void setNumValue(int tag) override {
        calls.push_back("typed " + std::to_string(tag));
        APlugin::setNumValue(tag);
    }
    void changeDelta(int tag, int delta, bool fine, float amount) override {
        calls.push_back("changeDelta " + std::to_string(tag) + " " + std::to_string(delta) + (fine ? " fine" : ""));
        APlugin::changeDelta(tag, delta, fine, amount);
    }
    std::vector<std::string> calls;
};

class TTestHost : public kgui::AEffGUIEditor,
                  public TControlHost,
                  public kgui::IControlListener,
                  public TEditorHooks {
public:
    explicit TTestHost(TObservedPlugin* plugin) : AEffGUIEditor(plugin), services(plugin) { dropAllowed.fill(true); }
    ~TTestHost() override { closeFrame(); }

    kgui::CFrame* openFrame(const kgui::CRect& rect) {
        frame = new kgui::CFrame(rect, this);
        frame->open(target.parentHandle());
        return frame;
    }
    void closeFrame() {
        if (kgui::CFrame* old = frame) {
            frame = nullptr;
            old->close();
        }
    }
    // The frame takes the reference.
    template <typename Control>
    Control* add(Control* control) {
        frame->addView(control);
        return control;
    }

    // ---- TControlHost
    TEditorServices* getServices() override { return services; }
    bool getEditorFinishedOpening() const override { return finishedOpening; }
    int getBig() const override { return big; }
    bool getDialAnimationOn() const override { return dialAnimationOn; }
    bool getDragAndDropOn() const override { return dragAndDropOn; }
    bool getDropAllowed(int tag) const override {
        return static_cast<unsigned>(tag) < 1024u && dropAllowed[static_cast<size_t>(tag)];
    }
    void setDropTag(int tag) override { log.push_back("setDropTag " + std::to_string(tag)); }
    void releasedDropDial() override { log.push_back("releasedDropDial"); }
    void showMIDIMenu(kgui::CControl* control, bool ribbon) override {
        log.push_back("showMIDIMenu " + std::to_string(control->getTag()) + (ribbon ? " ribbon" : ""));
    }
    void showControlMenu() override { log.push_back("showControlMenu"); }
    void showECSMenu() override { log.push_back("showECSMenu"); }
    void showMoveSpeedMenu() override { log.push_back("showMoveSpeedMenu"); }
    void changeProgramDelta(int delta, bool) override { log.push_back("changeProgramDelta " + std::to_string(delta)); }
    void changeFolderDelta(int delta, bool) override { log.push_back("changeFolderDelta " + std::to_string(delta)); }
    void changeRadioDelta(int group, int delta) override {
        log.push_back("changeRadioDelta " + std::to_string(group) + " " + std::to_string(delta));
    }
    std::string getDestShortStr(int destination) const override {
        auto named = destShortNames.find(destination);
        return named != destShortNames.end() ? named->second : "Dst" + std::to_string(destination);
    }

    // ---- gestures: every tag goes to the plug-in, which decides what the host hears
    void beginEdit(kgui::int32 index) override {
        if (services)
            services->beginEdit(index);
    }
    void endEdit(kgui::int32 index) override {
        if (services)
            services->endEdit(index);
    }

    // ---- the listener
    void valueChanged(kgui::CControl* control) override {
        reports.push_back(control);
        values.push_back(control->getValue());
        // Menus carry an entry index, which the editor turns into a step itself.
        if (services && static_cast<unsigned>(control->getTag()) < 1024u && !dynamic_cast<kgui::COptionMenu*>(control))
            services->setParameterAutomated(control->getTag(), control->getValue());
    }
    kgui::int32 controlModifierClicked(kgui::CControl*, kgui::CButtonState buttons) override {
        log.push_back("modifierClick " + std::to_string(buttons.getModifierState()));
        return claimModifierClicks;
    }

    // ---- what the plug-in asks of its editor
    void setEditTag(int tag) override { editTags.push_back(tag); }
    void setParameter(int, float) override {}
    void updateIdleVars() override {}
    void updateModFX() override {}
    void clearUndos() override {}

    TEditorServices* services;
    kgui::OffscreenTarget target;
    bool finishedOpening = true;
    int big = 0;
    bool dialAnimationOn = true;
    bool dragAndDropOn = true;
    std::array<bool, 1024> dropAllowed{};
    int claimModifierClicks = 0;
    std::map<int, std::string> destShortNames;
    std::vector<std::string> log;
    std::vector<kgui::CControl*> reports;
    std::vector<float> values;
    std::vector<int> editTags;
};

// The plug-in with its editor stand-in and an open frame; the toolkit clock
// held still so that only the tests decide what is a double click.
struct TControlBench {
    explicit TControlBench(const kgui::CRect& rect = kgui::CRect(0, 0, 400, 300)) {
        controls_test::heardByHost = &hostLog;
        plugin = std::make_unique<TObservedPlugin>();
        host = new TTestHost(plugin.get());
        plugin->setEditor(host);  // the plug-in owns its editor
        host->openFrame(rect);
        applyProgram();  // the start program, as the host's first blocks apply it
    }
    ~TControlBench() {
        // The controls leave while the plug-in they report to still exists.
        host->closeFrame();
        plugin.reset();
        controls_test::heardByHost = nullptr;
    }
    TControlBench(const TControlBench&) = delete;
    TControlBench& operator=(const TControlBench&) = delete;

    // The pending program applied on the audio thread, as a host's blocks apply it.
    void applyProgram() {
        plugin->setProgram(0);
        std::vector<float> left(512), right(512);
        float* outputs[2] = {left.data(), right.data()};
        for (int block = 0; block < 40 && plugin->getIsSettingPreset(); ++block)
            plugin->processReplacing(nullptr, outputs, 512);
        hostLog.clear();
    }

    // A value of the program as it was loaded (what Ctrl+Shift-clicks restore).
    void setLoadedValue(int tag, float value) {
        TPluginTestAccess::values(*plugin).origValue[static_cast<size_t>(tag)] = value;
    }

    // A press and release at one point, long enough after the last press not
    // to count as a double click.
    void click(kgui::CPoint where, kgui::CButtonState buttons = kgui::kLButton) {
        clock.advance(1000);
        host->target.click(where, buttons);
    }
    // A first click, then the second one of a double click with the buttons given.
    void doubleClick(kgui::CPoint where, kgui::CButtonState buttons = kgui::kLButton) {
        click(where);
        hostLog.clear();
        host->log.clear();
        clock.advance(100);
        host->target.click(where, buttons);
    }
    void press(kgui::CPoint where, kgui::CButtonState buttons = kgui::kLButton) {
        clock.advance(1000);
        host->target.mouseDown(where, buttons);
    }
    void move(kgui::CPoint where, kgui::CButtonState buttons = kgui::kLButton) {
        host->target.mouseMoved(where, buttons);
    }
    void release(kgui::CPoint where) { host->target.mouseUp(where, kgui::kLButton); }

    // Draws the whole frame; what was drawn.
    const std::vector<kgui::DrawOp>& draw() {
        host->target.getRecorder().clear();
        host->target.renderAll();
        return host->target.getRecorder().ops;
    }
    std::vector<kgui::DrawOp> drawn(kgui::DrawOp::Kind kind) {
        std::vector<kgui::DrawOp> found;
        for (const auto& op : draw())
            if (op.kind == kind)
                found.push_back(op);
        return found;
    }
    std::vector<std::string> drawnTexts() {
        std::vector<std::string> texts;
        for (const auto& op : drawn(kgui::DrawOp::kText))
            texts.push_back(op.text);
        return texts;
    }

    kgui::TestClock clock;
    std::vector<std::string> hostLog;
    std::unique_ptr<TObservedPlugin> plugin;
    TTestHost* host = nullptr;
};
