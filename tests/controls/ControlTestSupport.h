// The editor as the controls see it, for tests: a control host over a frame
// opened off screen, listening to its controls as the editor does (a changed
// parameter control is sent on to the plug-in with automation), recording
// every other call a control makes of it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "FakeServices.h"
#include "controls/ControlHost.h"
#include "toolkit/kgui.h"

class TTestHost : public kgui::AEffGUIEditor, public TControlHost, public kgui::IControlListener {
public:
    // effect: the plug-in object for the toolkit base, or null.
    explicit TTestHost(TEditorServices* services, AudioEffect* effect = nullptr)
        : AEffGUIEditor(effect), services(services) {
        dropAllowed.fill(true);
    }
    ~TTestHost() override { closeFrame(); }

    // Opens a frame of the given size off screen; the host owns it.
    kgui::CFrame* openFrame(const kgui::CRect& rect) {
        frame = new kgui::CFrame(rect, this);
        frame->open(target.parentHandle());
        return frame;
    }
    void closeFrame() {
        if (frame) {
            kgui::CFrame* old = frame;
            frame = nullptr;
            old->close();
        }
    }
    // Adds a control to the frame (the frame takes the reference).
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
    std::string getDestShortStr(int destination) const override { return "Dst" + std::to_string(destination); }

    // ---- edit gestures: every tag goes to the services, which decide what the host hears
    void beginEdit(kgui::int32 index) override {
        if (services)
            services->beginEdit(index);
    }
    void endEdit(kgui::int32 index) override {
        if (services)
            services->endEdit(index);
    }

    // ---- the listener: a parameter control's value goes to the plug-in with automation
    void valueChanged(kgui::CControl* control) override {
        reports.push_back(control);
        values.push_back(control->getValue());
        // Menus carry an entry index, which the editor turns into a step itself.
        if (services && static_cast<unsigned>(control->getTag()) < 1024u && !dynamic_cast<kgui::COptionMenu*>(control))
            services->setParameterAutomated(control->getTag(), control->getValue());
    }
    int32_t controlModifierClicked(kgui::CControl*, kgui::CButtonState buttons) override {
        log.push_back("modifierClick " + std::to_string(buttons.getModifierState()));
        return claimModifierClicks;
    }

    TEditorServices* services;
    kgui::OffscreenTarget target;
    bool finishedOpening = true;
    int big = 0;
    bool dialAnimationOn = true;
    bool dragAndDropOn = true;
    std::array<bool, 1024> dropAllowed{};
    int claimModifierClicks = 0;
    std::vector<std::string> log;
    std::vector<kgui::CControl*> reports;
    std::vector<float> values;
};

// A host over the stand-in plug-in with an open frame, the toolkit clock held
// still so that only the tests decide what is a double click.
struct TControlBench {
    explicit TControlBench(const kgui::CRect& rect = kgui::CRect(0, 0, 400, 300)) { host.openFrame(rect); }

    // Presses and releases at one point, long enough after the last press not
    // to count as a double click.
    void click(kgui::CPoint where, kgui::CButtonState buttons = kgui::kLButton) {
        clock.advance(1000);
        host.target.click(where, buttons);
    }
    void doubleClick(kgui::CPoint where) {
        click(where);
        clock.advance(100);
        host.target.click(where, kgui::kLButton);
    }
    void press(kgui::CPoint where, kgui::CButtonState buttons = kgui::kLButton) {
        clock.advance(1000);
        host.target.mouseDown(where, buttons);
    }
    void move(kgui::CPoint where, kgui::CButtonState buttons = kgui::kLButton) { host.target.mouseMoved(where, buttons); }
    void release(kgui::CPoint where) { host.target.mouseUp(where, kgui::kLButton); }

    // Draws the whole frame and returns what was drawn.
    const std::vector<kgui::DrawOp>& draw() {
        host.target.getRecorder().clear();
        host.target.renderAll();
        return host.target.getRecorder().ops;
    }
    std::vector<std::string> drawnTexts() {
        std::vector<std::string> texts;
        for (const auto& op : draw())
            if (op.kind == kgui::DrawOp::kText)
                texts.push_back(op.text);
        return texts;
    }

    kgui::TestClock clock;
    TFakeServices services;
    TTestHost host{&services};
};
